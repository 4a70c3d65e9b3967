// CLogonPanel: the small skinned dialog (template 132) in which the user
// types an account and a password and starts the log-on.
//
// The panel only starts the log-on (MLogon, type 20, port 7012, the server
// entry of the settings). The main window receives the engine's answers: on
// a failure it calls EnableInputs; once the own friend list has arrived it
// posts WM_IM_CONNECT to the panel, which then ends with IDOK. For an
// automatic log-on the main window fills the texts with SetLogonInfo and
// calls MLogon itself, without showing the panel.
//
// Keys: Enter anywhere in the panel starts the log-on (also while one is
// under way), Escape does nothing. Closing (button 1000, SC_CLOSE,
// WM_CLOSE): ignored while connected; before any attempt the client ends
// (quit message); after an attempt it asks first.
//
// Engine calls go through g_EngineModule. UI thread only.
#pragma once

#include "clientui/LogonPanelResource.h"
#include "clientui/LogonPanelSkin.h"
#include "clientui/LogonRules.h"
#include "clientui/PanelBase.h"
#include "clientui/SkinBtn.h"

#include "fw/GdiObject.h"

#include <cstdint>
#include <string>

class CLogonPanel : public CPanelBase {
public:
    // Panel size in pixels.
    static constexpr int kWidth = 366;
    static constexpr int kHeight = 268;
    static constexpr COLORREF kBackColour = 0xFAF6EB;

    // displayTitle: the program's display title (captions, message boxes).
    // programFolder: where "Resource" lies (empty: the program's folder).
    explicit CLogonPanel(std::wstring displayTitle, HINSTANCE instance = nullptr,
                         std::wstring programFolder = std::wstring());
    ~CLogonPanel() override;

    // Replaces the account and the password texts (before an automatic
    // log-on). Shown in the controls when the window exists.
    void SetLogonInfo(const std::wstring& account, const std::wstring& password);
    // Enables the account box, the password edit and the log-on button.
    void EnableInputs();

    // Starts the log-on from the two controls (command 1304 and Enter).
    void OnLogon();

    int32_t GetLogonState() const { return m_nLogonState; }
    // The main window's automatic log-on marks the log-on as started.
    void SetLogonState(int32_t state) { m_nLogonState = state; }
    const std::wstring& GetAccount() const { return m_strAccount; }
    const std::wstring& GetPassword() const { return m_strPassword; }
    const std::wstring& GetDisplayTitle() const { return m_displayTitle; }

    bool PreTranslateMessage(MSG& msg) override;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    // The close request (command 1000, SC_CLOSE, WM_CLOSE).
    bool OnClose() override;
    bool OnPaint() override;
    HBRUSH OnCtlColor(UINT msg, HDC dc, HWND child) override;

private:
    // Copies the controls' texts into the two fields (and back).
    void ReadControls();
    void WriteControls();
    void EnableControls(bool enable);
    void PlaceControls();
    void FillAccountList();
    void CentreOnWorkArea();
    void PaintSurface(HDC dc, const RECT& client);
    // The text of the label drawn left of a control.
    void DrawLabel(HDC dc, int controlId, const wchar_t* text);
    int ShowMessage(const std::wstring& text, UINT flags);

    std::wstring m_displayTitle;
    std::wstring m_strAccount;
    std::wstring m_strPassword;
    LogonPanelSkin m_logonSkin;
    CSkinBtn m_btnLogon;
    fw::CBrush m_brushBack;
    int32_t m_nLogonState = kLogonStateIdle;
};
