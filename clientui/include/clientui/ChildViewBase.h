// CChildViewBase: the base of the child dialogs that fill parts of a panel
// (views, lists, tab pages). It lays its controls out on every size change,
// paints its whole surface itself (no erasing), and swallows Enter and
// Escape so that a child view never closes its panel.
#pragma once

#include "fw/Dialog.h"

#include <windows.h>

class CChildViewBase : public fw::CDialog {
public:
    explicit CChildViewBase(UINT templateId, HINSTANCE instance = nullptr);

    // Places the controls for the new client size; the default does
    // nothing and answers 0.
    virtual int LayoutControls(int width, int height);

    // Swallows WM_KEYDOWN of VK_ESCAPE and VK_RETURN.
    bool PreTranslateMessage(MSG& msg) override;

protected:
    bool OnSize(UINT type, int cx, int cy) override;
    bool OnEraseBkgnd(HDC dc, LRESULT* result) override;
};
