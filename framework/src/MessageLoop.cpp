#include "fw/MessageLoop.h"

#include "fw/Dialog.h"
#include "fw/Window.h"

namespace fw {

bool CMessageLoop::PreTranslate(MSG& msg) {
    for (HWND hWnd = msg.hwnd; hWnd;) {
        if (CWindow* wnd = CWindow::FromHandle(hWnd)) {
            CHandlerScope scope(wnd);
            if (wnd->PreTranslateMessage(msg)) return true;
        }
        // The chain ends at the top-level window; a handler may also have
        // destroyed the window meanwhile.
        if (!::IsWindow(hWnd) || !(::GetWindowLongPtrW(hWnd, GWL_STYLE) & WS_CHILD)) break;
        hWnd = ::GetParent(hWnd);
    }
    return false;
}

void CMessageLoop::Process(MSG& msg) {
    if (PreTranslate(msg)) return;
    if (msg.hwnd) {
        HWND root = ::GetAncestor(msg.hwnd, GA_ROOT);
        if (root && CDialog::IsDialogWindow(root) && ::IsDialogMessageW(root, &msg)) return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

int CMessageLoop::Run() {
    MSG msg;
    for (;;) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(msg.wParam);
        if (got == -1) return -1;
        Process(msg);
    }
}

bool CMessageLoop::RunModal(const CDialog& dialog) {
    MSG msg;
    // A dialog whose window was destroyed meanwhile ends its loop as well.
    while (!dialog.IsEnding() && dialog.GetHwnd()) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) return false;
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        Process(msg);
    }
    return true;
}

}  // namespace fw
