// CListBox: list boxes.
#pragma once

#include "fw/Window.h"

namespace fw {

class CListBox : public CWindow {
public:
    CListBox() = default;
    explicit CListBox(HWND hWnd) : CWindow(hWnd) {}

    int AddString(const std::wstring& text) {
        return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    }
    int InsertString(int index, const std::wstring& text) {
        return static_cast<int>(
            SendMessage(LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str())));
    }
    int DeleteString(int index) { return static_cast<int>(SendMessage(LB_DELETESTRING, static_cast<WPARAM>(index))); }
    void ResetContent() { SendMessage(LB_RESETCONTENT); }
    int GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMessage(LB_GETCURSEL)); }
    int SetCurSel(int index) { return static_cast<int>(SendMessage(LB_SETCURSEL, static_cast<WPARAM>(index))); }
    std::wstring GetText(int index) const {
        const LRESULT len = SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(index));
        if (len == LB_ERR) return std::wstring();
        std::wstring text(static_cast<size_t>(len) + 1, L'\0');
        SendMessage(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
        text.resize(static_cast<size_t>(len));
        return text;
    }
    LPARAM GetItemData(int index) const { return SendMessage(LB_GETITEMDATA, static_cast<WPARAM>(index)); }
    void SetItemData(int index, LPARAM data) { SendMessage(LB_SETITEMDATA, static_cast<WPARAM>(index), data); }
    void SetItemHeight(int index, int height) { SendMessage(LB_SETITEMHEIGHT, static_cast<WPARAM>(index), height); }
};

}  // namespace fw
