// The dialog class and its modal loop: the pre-translate chain runs from the
// window a message is for up to its dialog before dialog navigation; a
// dialog may hide itself in its initialisation; deleting a dialog from its
// own handler waits until the handler has returned.
#include <fw/Dialog.h>
#include <fw/MessageLoop.h>
#include <fw/Window.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestResources.h"

namespace {

constexpr UINT_PTR kSafetyTimer = 99;
constexpr INT_PTR kTimedOut = -2;
constexpr UINT WM_TEST_STEP = WM_APP + 1;

// Subclassed edit control that logs the keys it pre-translates.
class CKeyLoggingEdit : public fw::CWindow {
public:
    explicit CKeyLoggingEdit(std::vector<std::wstring>* log) : m_log(log) {}
    bool PreTranslateMessage(MSG& msg) override {
        if (msg.message == WM_KEYDOWN) m_log->push_back(L"edit:" + std::to_wstring(msg.wParam));
        return false;
    }

private:
    std::vector<std::wstring>* m_log;
};

// Base of the test dialogs: a safety timer ends a run that would hang.
class CTestDialog : public fw::CDialog {
public:
    explicit CTestDialog(UINT id = IDD_TEST_DIALOG) : fw::CDialog(id) {}

protected:
    BOOL OnInitDialog() override {
        SetTimer(kSafetyTimer, 10000);
        return TRUE;
    }
    bool OnTimer(UINT_PTR id) override {
        if (id != kSafetyTimer) return false;
        EndDialog(kTimedOut);
        return true;
    }
};

class CKeyDialog : public CTestDialog {
public:
    CKeyDialog(bool swallowReturn, std::vector<std::wstring>* log)
        : m_swallowReturn(swallowReturn), m_log(log), m_edit(log) {}
    bool okCalled = false;

    bool PreTranslateMessage(MSG& msg) override {
        if (msg.message != WM_KEYDOWN) return false;
        m_log->push_back(L"dialog:" + std::to_wstring(msg.wParam));
        return m_swallowReturn && msg.wParam == VK_RETURN;
    }

protected:
    BOOL OnInitDialog() override {
        CTestDialog::OnInitDialog();
        m_edit.SubclassDlgItem(IDC_TEST_EDIT, *this);
        // Enter first, then Escape, both to the edit control.
        m_edit.PostMessage(WM_KEYDOWN, VK_RETURN, 1);
        m_edit.PostMessage(WM_KEYDOWN, VK_ESCAPE, 1);
        m_edit.SetFocus();
        return FALSE;
    }
    void OnOK() override {
        okCalled = true;
        CTestDialog::OnOK();
    }

private:
    bool m_swallowReturn;
    std::vector<std::wstring>* m_log;
    CKeyLoggingEdit m_edit;
};

TEST(ModalLoop, PreTranslateChainRunsFromFocusedControlUpBeforeNavigation) {
    const std::wstring ret = std::to_wstring(VK_RETURN);
    const std::wstring esc = std::to_wstring(VK_ESCAPE);
    struct Case {
        bool swallowReturn;
        INT_PTR result;
        std::vector<std::wstring> log;
    };
    const Case cases[] = {
        // Enter swallowed by the dialog: no default button; Escape reaches
        // navigation and cancels.
        {true, IDCANCEL, {L"edit:" + ret, L"dialog:" + ret, L"edit:" + esc, L"dialog:" + esc}},
        // Enter not swallowed: navigation presses OK and the loop ends there.
        {false, IDOK, {L"edit:" + ret, L"dialog:" + ret}},
    };
    for (const Case& c : cases) {
        std::vector<std::wstring> log;
        CKeyDialog dlg(c.swallowReturn, &log);
        EXPECT_EQ(dlg.DoModal(), c.result) << "swallow " << c.swallowReturn;
        EXPECT_EQ(log, c.log) << "swallow " << c.swallowReturn;
        EXPECT_EQ(dlg.okCalled, !c.swallowReturn);
        EXPECT_EQ(dlg.GetHwnd(), nullptr) << "DoModal destroys its window";
    }
}

class CVisibilityDialog : public CTestDialog {
public:
    explicit CVisibilityDialog(bool hideInInit) : m_hide(hideInInit) {}
    bool visibleAfterInit = false;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        switch (msg) {
        case WM_TEST_STEP:
            visibleAfterInit = IsWindowVisible();
            EndDialog(IDOK);
            return 0;
        default:
            return CTestDialog::WindowProc(msg, wParam, lParam);
        }
    }
    BOOL OnInitDialog() override {
        CTestDialog::OnInitDialog();
        if (m_hide) ShowWindow(SW_HIDE);
        PostMessage(WM_TEST_STEP);
        return TRUE;
    }

private:
    bool m_hide;
};

TEST(ModalLoop, DialogHiddenInItsInitialisationStaysHidden) {
    for (bool hide : {true, false}) {
        CVisibilityDialog dlg(hide);
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_EQ(dlg.visibleAfterInit, !hide) << "hide " << hide;
    }
}

class CEndInInitDialog : public CTestDialog {
public:
    bool shown = false;

protected:
    BOOL OnInitDialog() override {
        EndDialog(42);
        return TRUE;
    }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_SHOWWINDOW && wParam) shown = true;
        return CTestDialog::WindowProc(msg, wParam, lParam);
    }
};

TEST(ModalLoop, EndDialogDuringInitialisationEndsWithoutShowing) {
    CEndInInitDialog dlg;
    EXPECT_EQ(dlg.DoModal(), 42);
    EXPECT_FALSE(dlg.shown);
}

class CQuitDialog : public CTestDialog {
protected:
    BOOL OnInitDialog() override {
        CTestDialog::OnInitDialog();
        ::PostQuitMessage(7);
        return TRUE;
    }
};

TEST(ModalLoop, QuitMessageEndsTheLoopAndIsPostedAgain) {
    CQuitDialog dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    MSG msg;
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

TEST(ModalLoop, OwnerIsDisabledWhileTheDialogRunsAndEnabledAfter) {
    struct COwnerProbe : CTestDialog {
        HWND owner = nullptr;
        bool ownerEnabledDuringRun = true;
        BOOL OnInitDialog() override {
            CTestDialog::OnInitDialog();
            ownerEnabledDuringRun = ::IsWindowEnabled(owner) != FALSE;
            EndDialog(IDOK);
            return TRUE;
        }
    };
    fw::CWindow owner;
    ASSERT_TRUE(owner.CreateEx(0, nullptr, L"owner", WS_OVERLAPPEDWINDOW, RECT{0, 0, 200, 100}, nullptr, 0));
    COwnerProbe dlg;
    dlg.owner = owner;
    EXPECT_EQ(dlg.DoModal(owner), IDOK);
    EXPECT_FALSE(dlg.ownerEnabledDuringRun);
    EXPECT_TRUE(::IsWindowEnabled(owner));
}

class CPlainDialog : public CTestDialog {
public:
    CPlainDialog() : CTestDialog(IDD_PLAIN_DIALOG) {}
    bool sawEdit = false;

protected:
    BOOL OnInitDialog() override {
        sawEdit = GetDlgItem(IDC_TEST_EDIT) != nullptr;
        EndDialog(IDOK);
        return TRUE;
    }
};

TEST(Dialog, TemplateWithoutFontGetsItsInitialisation) {
    CPlainDialog dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(dlg.sawEdit);
}

TEST(Dialog, MissingTemplateFailsCleanly) {
    fw::CDialog dlg(4711);
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_FALSE(dlg.Create(nullptr));
}

TEST(Dialog, ModelessDialogKeepsDefaultProcessingAndEndDialogHides) {
    CTestDialog dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    EXPECT_TRUE(dlg.IsWindowVisible());
    dlg.SetWindowText(L"\u6807\u9898");  // handled by the dialog class's own procedure
    EXPECT_EQ(dlg.GetWindowText(), L"\u6807\u9898");
    // Escape through the application's loop: chain, then navigation.
    ::PostMessageW(dlg.GetDlgItem(IDC_TEST_EDIT), WM_KEYDOWN, VK_ESCAPE, 1);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) fw::CMessageLoop::Process(msg);
    EXPECT_TRUE(dlg.IsEnding());
    EXPECT_EQ(dlg.GetResult(), IDCANCEL);
    EXPECT_FALSE(dlg.IsWindowVisible());
    EXPECT_TRUE(dlg.IsWindow());
    dlg.DestroyWindow();
    EXPECT_EQ(dlg.GetHwnd(), nullptr);
}

// A dialog that deletes itself from its own command handler and checks that
// it still exists until the handler has returned.
class CSelfDeletingDialog : public CTestDialog {
public:
    CSelfDeletingDialog(bool* destroyed, bool* aliveAfterDelete, bool cancelOnInit = false)
        : m_destroyed(destroyed), m_aliveAfterDelete(aliveAfterDelete), m_cancelOnInit(cancelOnInit) {}
    ~CSelfDeletingDialog() override { *m_destroyed = true; }

protected:
    BOOL OnInitDialog() override {
        CTestDialog::OnInitDialog();
        if (m_cancelOnInit) PostMessage(WM_COMMAND, IDCANCEL, 0);
        return TRUE;
    }
    bool OnCommand(WPARAM wParam, LPARAM lParam) override {
        if (LOWORD(wParam) == IDC_TEST_BUTTON) {
            Delete();
            *m_aliveAfterDelete = !*m_destroyed && m_marker == 0x5EED;
            return true;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(IDCANCEL);
            Delete();
            *m_aliveAfterDelete = !*m_destroyed && m_marker == 0x5EED;
            return true;
        }
        return CTestDialog::OnCommand(wParam, lParam);
    }

private:
    bool* m_destroyed;
    bool* m_aliveAfterDelete;
    bool m_cancelOnInit;
    int m_marker = 0x5EED;
};

TEST(DeferredDeletion, DeletingFromOwnHandlerWaitsUntilItReturns) {
    bool destroyed = false;
    bool aliveAfterDelete = false;
    auto* dlg = new CSelfDeletingDialog(&destroyed, &aliveAfterDelete);
    ASSERT_TRUE(dlg->Create(nullptr));
    HWND hWnd = dlg->GetHwnd();
    HWND button = ::GetDlgItem(hWnd, IDC_TEST_BUTTON);
    ::SendMessageW(hWnd, WM_COMMAND, MAKEWPARAM(IDC_TEST_BUTTON, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    EXPECT_TRUE(aliveAfterDelete);
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(::IsWindow(hWnd));
    EXPECT_EQ(fw::CWindow::FromHandle(hWnd), nullptr);
}

TEST(DeferredDeletion, DeletingAModalDialogWaitsUntilDoModalReturns) {
    bool destroyed = false;
    bool aliveAfterDelete = false;
    auto* dlg = new CSelfDeletingDialog(&destroyed, &aliveAfterDelete, /*cancelOnInit=*/true);
    EXPECT_EQ(dlg->DoModal(), IDCANCEL);
    EXPECT_TRUE(aliveAfterDelete);
    EXPECT_TRUE(destroyed);
}

TEST(DeferredDeletion, DeleteOutsideAnyHandlerIsImmediate) {
    bool destroyed = false;
    bool unused = false;
    auto* dlg = new CSelfDeletingDialog(&destroyed, &unused);
    ASSERT_TRUE(dlg->Create(nullptr));
    HWND hWnd = dlg->GetHwnd();
    dlg->Delete();
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(::IsWindow(hWnd));
}

}  // namespace
