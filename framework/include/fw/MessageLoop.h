// CMessageLoop: the message pump shared by the application and by modal
// dialogs.
//
// For each message: the pre-translate chain (CWindow::PreTranslateMessage of
// the window the message is for, then of each parent up to its top-level
// window; the first that answers true swallows the message), then dialog
// navigation (IsDialogMessage) when the top-level window is a dialog, then
// TranslateMessage and DispatchMessage.
#pragma once

#include <windows.h>

namespace fw {

class CDialog;

class CMessageLoop {
public:
    // The pre-translate chain alone; true when a window swallowed msg.
    static bool PreTranslate(MSG& msg);
    // One message through the chain, navigation and dispatch.
    static void Process(MSG& msg);
    // The ordinary loop until WM_QUIT; returns its exit code.
    static int Run();
    // The modal loop of a dialog: until the dialog ends or a WM_QUIT arrives
    // (which is posted again). Returns false when it ended by WM_QUIT.
    static bool RunModal(const CDialog& dialog);
};

}  // namespace fw
