// CTreeCtrl: tree-view controls.
#pragma once

#include "fw/Window.h"

#include <commctrl.h>

namespace fw {

class CTreeCtrl : public CWindow {
public:
    CTreeCtrl() = default;
    explicit CTreeCtrl(HWND hWnd) : CWindow(hWnd) {}

    HTREEITEM InsertItem(const std::wstring& text, HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_LAST,
                         int image = 0, int selectedImage = 0, LPARAM data = 0) {
        TVINSERTSTRUCTW tvi = {};
        tvi.hParent = parent;
        tvi.hInsertAfter = after;
        tvi.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
        tvi.item.pszText = const_cast<wchar_t*>(text.c_str());
        tvi.item.iImage = image;
        tvi.item.iSelectedImage = selectedImage;
        tvi.item.lParam = data;
        return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&tvi)));
    }
    bool DeleteItem(HTREEITEM item) { return SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item)) != 0; }
    bool DeleteAllItems() { return DeleteItem(TVI_ROOT); }
    HTREEITEM GetNextItem(HTREEITEM item, UINT code) const {
        return reinterpret_cast<HTREEITEM>(SendMessage(TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
    }
    HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
    HTREEITEM GetChildItem(HTREEITEM item) const { return GetNextItem(item, TVGN_CHILD); }
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXT); }
    HTREEITEM GetParentItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PARENT); }
    HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
    bool SelectItem(HTREEITEM item) { return SendMessage(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)) != 0; }
    bool Expand(HTREEITEM item, UINT code = TVE_EXPAND) {
        return SendMessage(TVM_EXPAND, code, reinterpret_cast<LPARAM>(item)) != 0;
    }
    LPARAM GetItemData(HTREEITEM item) const {
        TVITEMW tv = {};
        tv.mask = TVIF_PARAM;
        tv.hItem = item;
        SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
        return tv.lParam;
    }
    bool SetItemText(HTREEITEM item, const std::wstring& text) {
        TVITEMW tv = {};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = const_cast<wchar_t*>(text.c_str());
        return SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv)) != 0;
    }
    std::wstring GetItemText(HTREEITEM item) const {
        wchar_t buffer[260] = {};
        TVITEMW tv = {};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = buffer;
        tv.cchTextMax = 260;
        SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
        return buffer;
    }
    HIMAGELIST SetImageList(HIMAGELIST list, int kind = TVSIL_NORMAL) {
        return reinterpret_cast<HIMAGELIST>(SendMessage(TVM_SETIMAGELIST, static_cast<WPARAM>(kind), reinterpret_cast<LPARAM>(list)));
    }
    UINT GetCount() const { return static_cast<UINT>(SendMessage(TVM_GETCOUNT)); }
    HTREEITEM HitTest(POINT pt, UINT* flags = nullptr) const {
        TVHITTESTINFO hit = {};
        hit.pt = pt;
        HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessage(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (flags) *flags = hit.flags;
        return item;
    }
};

}  // namespace fw
