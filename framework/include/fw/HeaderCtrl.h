// CHeaderCtrl: header controls (the column headers of a list view).
#pragma once

#include "fw/Window.h"

#include <commctrl.h>

namespace fw {

class CHeaderCtrl : public CWindow {
public:
    CHeaderCtrl() = default;
    explicit CHeaderCtrl(HWND hWnd) : CWindow(hWnd) {}

    int GetItemCount() const { return static_cast<int>(SendMessage(HDM_GETITEMCOUNT)); }
    RECT GetItemRect(int index) const {
        RECT rc = {};
        SendMessage(HDM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rc));
        return rc;
    }
    bool GetItem(int index, HDITEMW* item) const {
        return SendMessage(HDM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item)) != 0;
    }
    bool SetItem(int index, const HDITEMW& item) {
        return SendMessage(HDM_SETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != 0;
    }
};

}  // namespace fw
