#include "clientui/ToolTips.h"

#include <commctrl.h>

bool CToolTips::AddTool(HWND control, const std::wstring& text) {
    if (!control || !IsWindow()) return false;
    TOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = ::GetParent(control);
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<wchar_t*>(text.c_str());
    return SendMessage(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)) != 0;
}
