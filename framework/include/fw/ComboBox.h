// CComboBox: combo boxes.
#pragma once

#include "fw/Window.h"

namespace fw {

class CComboBox : public CWindow {
public:
    CComboBox() = default;
    explicit CComboBox(HWND hWnd) : CWindow(hWnd) {}

    int AddString(const std::wstring& text) {
        return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    }
    int InsertString(int index, const std::wstring& text) {
        return static_cast<int>(
            SendMessage(CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str())));
    }
    int DeleteString(int index) { return static_cast<int>(SendMessage(CB_DELETESTRING, static_cast<WPARAM>(index))); }
    void ResetContent() { SendMessage(CB_RESETCONTENT); }
    int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    int SetCurSel(int index) { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index))); }
    std::wstring GetLBText(int index) const {
        const LRESULT len = SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
        if (len == CB_ERR) return std::wstring();
        std::wstring text(static_cast<size_t>(len) + 1, L'\0');
        SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
        text.resize(static_cast<size_t>(len));
        return text;
    }
    int FindStringExact(const std::wstring& text, int start = -1) const {
        return static_cast<int>(
            SendMessage(CB_FINDSTRINGEXACT, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(text.c_str())));
    }
    LPARAM GetItemData(int index) const { return SendMessage(CB_GETITEMDATA, static_cast<WPARAM>(index)); }
    void SetItemData(int index, LPARAM data) { SendMessage(CB_SETITEMDATA, static_cast<WPARAM>(index), data); }
};

}  // namespace fw
