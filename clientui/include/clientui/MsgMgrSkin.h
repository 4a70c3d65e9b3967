// MsgMgrSkin: the history views' own pictures: the tool-bar and bottom-bar
// bitmaps and the picture paths of their buttons (folder "Resource\msgMgr").
// The pager buttons use their first picture again as the fourth (disabled)
// one: SkinButtonPaths::normal.
#pragma once

#include "clientui/IMResourceComm.h"

struct MsgMgrSkin {
    fw::CBitmap m_bmpToolBar;      // "Resource\msgMgr\ToolBar.bmp"
    fw::CBitmap m_bmpBottom;       // "Resource\comm\frame_bottom.bmp"

    std::wstring m_strIco01;       // ico01.bmp
    SkinButtonPaths m_btnIco03;    // ico03.bmp three times
    SkinButtonPaths m_btnIco02;    // ico02.bmp three times
    std::wstring m_strBackNormal;  // back_normal.png
    SkinButtonPaths m_btnSearch;   // search-01..03.bmp
    SkinButtonPaths m_btnData;     // data-01..03.bmp
    SkinButtonPaths m_btnFirst;    // first-01..03.bmp
    SkinButtonPaths m_btnLast;     // last-01..03.bmp
    SkinButtonPaths m_btnNext;     // next-01..03.bmp
    SkinButtonPaths m_btnPrew;     // prew-01..03.bmp

    // programFolder as for CIMResourceComm (empty: the program's folder).
    // Always TRUE; missing files leave their pictures empty.
    BOOL Load(const std::wstring& programFolder = std::wstring());
};
