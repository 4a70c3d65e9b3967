// CEdit: single- and multi-line edit controls.
#pragma once

#include "fw/Window.h"

namespace fw {

class CEdit : public CWindow {
public:
    CEdit() = default;
    explicit CEdit(HWND hWnd) : CWindow(hWnd) {}

    void SetLimitText(UINT max) { SendMessage(EM_SETLIMITTEXT, max); }
    void GetSel(int* start, int* end) const {
        DWORD s = 0, e = 0;
        SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
        *start = static_cast<int>(s);
        *end = static_cast<int>(e);
    }
    void SetSel(int start, int end) { SendMessage(EM_SETSEL, static_cast<WPARAM>(start), end); }
    void ReplaceSel(const std::wstring& text, bool undo = false) {
        SendMessage(EM_REPLACESEL, undo, reinterpret_cast<LPARAM>(text.c_str()));
    }
    void SetReadOnly(bool readOnly) { SendMessage(EM_SETREADONLY, readOnly); }
    int GetLineCount() const { return static_cast<int>(SendMessage(EM_GETLINECOUNT)); }
};

}  // namespace fw
