// CTabCtrl: tab controls.
#pragma once

#include "fw/Window.h"

#include <commctrl.h>

namespace fw {

class CTabCtrl : public CWindow {
public:
    CTabCtrl() = default;
    explicit CTabCtrl(HWND hWnd) : CWindow(hWnd) {}

    int InsertItem(int index, const std::wstring& text, int image = -1) {
        TCITEMW item = {};
        item.mask = TCIF_TEXT | (image >= 0 ? TCIF_IMAGE : 0);
        item.pszText = const_cast<wchar_t*>(text.c_str());
        item.iImage = image;
        return static_cast<int>(SendMessage(TCM_INSERTITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
    }
    int GetItemCount() const { return static_cast<int>(SendMessage(TCM_GETITEMCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMessage(TCM_GETCURSEL)); }
    int SetCurSel(int index) { return static_cast<int>(SendMessage(TCM_SETCURSEL, static_cast<WPARAM>(index))); }
    RECT GetItemRect(int index) const {
        RECT rc = {};
        SendMessage(TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rc));
        return rc;
    }
    bool DeleteAllItems() { return SendMessage(TCM_DELETEALLITEMS) != 0; }
    HIMAGELIST SetImageList(HIMAGELIST list) {
        return reinterpret_cast<HIMAGELIST>(SendMessage(TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list)));
    }
};

}  // namespace fw
