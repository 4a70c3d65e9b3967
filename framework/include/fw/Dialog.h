// CDialog: a dialog from a resource template, modeless (Create) or modal
// (DoModal), whose messages reach the object like those of any CWindow.
//
// DoModal runs the framework's own modal loop (CMessageLoop): every message
// first goes through the pre-translate chain from its window up to the
// top-level window, then through dialog navigation, then to its window.
// The dialog is shown after OnInitDialog when its template is visible,
// unless OnInitDialog gave a ShowWindow command itself (for example
// ShowWindow(SW_HIDE) to stay hidden).
#pragma once

#include "fw/Window.h"

#include <vector>

namespace fw {

class CDialog : public CWindow {
public:
    // instance: the module holding the template; null for the program.
    explicit CDialog(UINT templateId, HINSTANCE instance = nullptr);
    ~CDialog() override;

    // Creates the dialog modeless. parent may be null (a desktop window).
    bool Create(HWND parent);
    // Runs the dialog modally: disables the owner, runs the modal loop until
    // EndDialog, destroys the window and returns the EndDialog result.
    // -1 when the template could not be used. A WM_QUIT seen by the loop
    // ends it too (result IDCANCEL) and is posted again for the outer loop.
    INT_PTR DoModal(HWND parent = nullptr);
    // Modal: ends the modal loop with the result. Modeless: hides the
    // dialog and keeps the result; the window stays until it is destroyed.
    void EndDialog(INT_PTR result);

    bool IsModal() const { return m_modal; }
    // True once EndDialog has been called for the current run.
    bool IsEnding() const { return m_endRequested; }
    INT_PTR GetResult() const { return m_result; }
    UINT GetTemplateId() const { return m_templateId; }

    // Whether hWnd is a dialog box window (ours or the platform's class).
    static bool IsDialogWindow(HWND hWnd);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // WM_INITDIALOG; TRUE lets the dialog manager set the focus.
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // IDOK and IDCANCEL go to OnOK and OnCancel; derived classes pass the
    // commands they do not handle to this one.
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // Creates the window from a copy of the template without WS_VISIBLE and
    // shows it after initialisation (see above).
    HWND CreateFromTemplate(HWND parent);
    bool LoadTemplate(std::vector<DWORD>* copy, bool* visible) const;

    UINT m_templateId;
    HINSTANCE m_instance;
    bool m_modal = false;
    bool m_endRequested = false;
    INT_PTR m_result = 0;
};

}  // namespace fw
