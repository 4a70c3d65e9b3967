// LogonPanelSkin: the log-on panel's own pictures: the advert bitmap and the
// log-on button's picture paths (folder "Resource\LogonPanel\btn").
#pragma once

#include "clientui/IMResourceComm.h"

struct LogonPanelSkin {
    fw::CBitmap m_bmpAdvert;     // "Resource\LogonPanel\advert.bmp"
    SkinButtonPaths m_btnLogin;  // login01..03.bmp

    // programFolder as for CIMResourceComm (empty: the program's folder).
    // Always TRUE; missing files leave their pictures empty.
    BOOL Load(const std::wstring& programFolder = std::wstring());
};
