// COfficeXPMenuData: what an owner-drawn menu item carries as its item data.
// One per item, created with the item and owned by the menu that appended it.
#pragma once

#include "fw/ImageList.h"

#include <windows.h>

#include <string>

struct COfficeXPMenuData {
    std::wstring text;         // label, then optionally a tab and the shortcut
    int imageIndex = -1;       // index in imageList; -1 when the item has no icon
    int secondImage = -1;      // -1 without icon, 0 with one
    UINT flags = 0;            // the item's menu flags (MF_*)
    UINT_PTR id = 0;           // command id, or the sub-menu handle of a pop-up item
    UINT_PTR spare1 = 0;
    fw::CImageList imageList;  // the item's own copy of its icon; may be empty
    UINT_PTR spare2 = 0;

    bool HasIcon() const { return imageIndex >= 0 && !imageList.IsNull(); }
    bool IsSeparator() const { return (flags & MF_SEPARATOR) != 0; }
};
