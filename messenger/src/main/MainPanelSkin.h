// MainPanelSkin: the messenger main window's own pictures: its header band,
// the own face picture, and the five pictures of the contact search box
// (folder "Resource\Comm\search": left cap, right cap, middle, search mark,
// clear button), kept as full paths for the box, which loads them.
#pragma once

#include "clientui/IMResourceComm.h"

#include <string>

struct MainPanelSkin {
    fw::CBitmap m_bmpHeader;  // "Resource\MainPanel\frame_main_panel_line_2.bmp"
    fw::CBitmap m_bmpFace;    // "Resource\Head\face_01.bmp"

    std::wstring m_strSearchLeft;   // left.bmp
    std::wstring m_strSearchRight;  // right.bmp
    std::wstring m_strSearchMid;    // mid.bmp
    std::wstring m_strSearch;       // search.bmp
    std::wstring m_strSearchClose;  // close.bmp

    // programFolder as for CIMResourceComm (empty: the program's folder).
    // Always TRUE; missing files leave their pictures empty.
    BOOL Load(const std::wstring& programFolder = std::wstring());
};
