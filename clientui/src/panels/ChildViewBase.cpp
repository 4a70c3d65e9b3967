#include "clientui/ChildViewBase.h"

CChildViewBase::CChildViewBase(UINT templateId, HINSTANCE instance) : fw::CDialog(templateId, instance) {}

int CChildViewBase::LayoutControls(int, int) { return 0; }

bool CChildViewBase::PreTranslateMessage(MSG& msg) {
    if (msg.message == WM_KEYDOWN && (msg.wParam == VK_ESCAPE || msg.wParam == VK_RETURN)) return true;
    return fw::CDialog::PreTranslateMessage(msg);
}

bool CChildViewBase::OnSize(UINT, int cx, int cy) {
    Default();
    LayoutControls(cx, cy);
    return true;
}

bool CChildViewBase::OnEraseBkgnd(HDC, LRESULT* result) {
    *result = TRUE;
    return true;
}
