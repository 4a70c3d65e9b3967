// CLogonHostWindow: a TEMPORARY main window of the desk program. It stands
// in for the program's real main window until that exists, and does only
// what logging on needs: it hands its handle to the engine (MInitModule),
// runs the log-on panel (or the automatic log-on of the command line's
// account), answers the engine's connect, log-on and friend-list
// notifications, and obeys WM_INSTANCE_CONTROL. Its caption shows the
// state: "<title> - 未登录 " until logged on, then "<title> - <own id>".
#pragma once

#include "clientui/LogonPanel.h"

#include "fw/Dialog.h"

#include <cstdint>

class CLogonHostWindow : public fw::CDialog {
public:
    CLogonHostWindow(bool manualLogon, int32_t cmdUserId);
    ~CLogonHostWindow() override;

    bool IsLoggedOn() const { return m_bLoggedOn; }

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool PreTranslateMessage(MSG& msg) override;
    // Enter and Escape do not end this window.
    void OnOK() override {}
    void OnCancel() override {}

private:
    LRESULT OnConnect(WPARAM connected);
    LRESULT OnLogonResult(WPARAM loggedOn, LPARAM code);
    LRESULT OnNotify(WPARAM kind, LPARAM lParam);
    LRESULT OnInstanceControl(WPARAM wParam, LPARAM lParam);
    LRESULT OnSysCommand(WPARAM wParam, LPARAM lParam);
    void StartAutomaticLogon();
    void SetState(const std::wstring& caption, const std::wstring& state);
    // The log-on panel while it is open, else this window.
    HWND MessageOwner() const;
    bool LogonPanelOpen() const { return m_logonPanel.IsWindow(); }

    CLogonPanel m_logonPanel;
    bool m_bManualLogon;
    int32_t m_nCmdUserID;
    bool m_bLoggedOn = false;
};
