// UserInfoSkin: the profile panel's own pictures: the bottom bar, the
// picture frame and the picture paths of its buttons ("Resource\UserInfo").
#pragma once

#include "clientui/IMResourceComm.h"

struct UserInfoSkin {
    fw::CBitmap m_bmpBottom;         // "Resource\comm\frame_bottom.bmp"
    fw::CBitmap m_bmpPicture;        // "Resource\UserInfo\pic.bmp"

    SkinButtonPaths m_btnRefresh;    // refresh_01..03.bmp
    SkinButtonPaths m_btnApply;      // apply_01..03.bmp
    std::wstring m_strSystem;        // system.bmp
    SkinButtonPaths m_btnChangePic;  // changepic_01..03.bmp

    // programFolder as for CIMResourceComm (empty: the program's folder).
    // Always TRUE; missing files leave their pictures empty.
    BOOL Load(const std::wstring& programFolder = std::wstring());
};
