// CToolTips: a tooltip control to which a control is added with its text in
// one call; the tip shows while the pointer rests on the control.
//
// UI thread only.
#pragma once

#include "fw/ToolTipCtrl.h"

#include <string>

class CToolTips : public fw::CToolTipCtrl {
public:
    // The control as a tool of the whole window (TTF_IDISHWND |
    // TTF_SUBCLASS), on behalf of its parent. False without a control or a
    // tooltip window.
    bool AddTool(HWND control, const std::wstring& text);
};
