// CToolTipCtrl: tooltip controls.
#pragma once

#include "fw/Window.h"

#include <commctrl.h>

namespace fw {

class CToolTipCtrl : public CWindow {
public:
    CToolTipCtrl() = default;
    explicit CToolTipCtrl(HWND hWnd) : CWindow(hWnd) {}

    // Creates a tooltip window owned by owner.
    bool Create(HWND owner, DWORD style = TTS_ALWAYSTIP | TTS_NOPREFIX) {
        RECT rc = {CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT};
        if (!CreateEx(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | style, rc, owner, 0)) return false;
        return true;
    }
    // A tool for the whole window tool (TTF_IDISHWND) or for an id and a
    // rectangle of owner.
    bool AddTool(HWND tool, const std::wstring& text, const RECT* rect = nullptr, UINT_PTR id = 0) {
        TOOLINFOW ti = MakeToolInfo(tool, rect, id);
        ti.lpszText = const_cast<wchar_t*>(text.c_str());
        return SendMessage(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti)) != 0;
    }
    void UpdateTipText(HWND tool, const std::wstring& text, UINT_PTR id = 0) {
        TOOLINFOW ti = MakeToolInfo(tool, nullptr, id);
        ti.lpszText = const_cast<wchar_t*>(text.c_str());
        SendMessage(TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
    }
    void DelTool(HWND tool, UINT_PTR id = 0) {
        TOOLINFOW ti = MakeToolInfo(tool, nullptr, id);
        SendMessage(TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
    void Activate(bool active) { SendMessage(TTM_ACTIVATE, active); }
    void RelayEvent(MSG* msg) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }
    void SetMaxTipWidth(int width) { SendMessage(TTM_SETMAXTIPWIDTH, 0, width); }

private:
    TOOLINFOW MakeToolInfo(HWND tool, const RECT* rect, UINT_PTR id) const {
        TOOLINFOW ti = {};
        ti.cbSize = TTTOOLINFOW_V2_SIZE;
        if (rect) {
            ti.uFlags = TTF_SUBCLASS;
            ti.hwnd = tool;
            ti.uId = id;
            ti.rect = *rect;
        } else {
            ti.uFlags = TTF_SUBCLASS | (id ? 0 : TTF_IDISHWND);
            ti.hwnd = id ? tool : ::GetParent(tool);
            ti.uId = id ? id : reinterpret_cast<UINT_PTR>(tool);
        }
        return ti;
    }
};

}  // namespace fw
