// CChatMainPanel: the desk client's conversation window with one customer
// (template 131), a child window inside the chat view, held by the panel
// registry's list of conversation windows, which deletes it.
//
// It shows the chat log and the input with their tool buttons, sends the
// agent's messages through the engine (the markup of CInputMessageBuilder,
// one picture at most, pasted pictures uploaded by the picture-transfer
// client), shows sent and received messages and system notices, the
// customer's typing notice and status tip, polls a watched session, swaps
// picture placeholders once their files have arrived, and reports file
// transfers. Its decisions live in CChatWindowRules and CChatWindowCounters;
// the hand-over buttons are driven through SetSessionState.
//
// A window is either an own session (the owner agent is the own user) or a
// watched one (a colleague's customer): a watched session cannot write and
// refreshes its log from the server's history.
//
// UI thread only.
#pragma once

#include "ChatMainPanelResource.h"
#include "ChatPanelHost.h"
#include "ChatWindowCounters.h"
#include "ChatWindowRules.h"
#include "HandOverRules.h"
#include "main/ConversationHost.h"

#include "clientui/ChatLogEdit.h"
#include "clientui/ChatPanelSkin.h"
#include "clientui/ChatWindowInfo.h"
#include "clientui/EngineModule.h"
#include "clientui/ImageTransferDownloads.h"
#include "clientui/MyRichEditCtrl.h"
#include "clientui/OfficeXPMenu.h"
#include "clientui/PanelBase.h"
#include "clientui/SkinBtn.h"

#include "fw/GdiObject.h"
#include "fw/Menu.h"
#include "fw/ToolTipCtrl.h"

#include "SystemAnsiCodePage.h"

#include <ImEngineApi.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

class CImageTransfer;

// Timers of the window.
enum ChatPanelTimer : UINT_PTR {
    kTimerFlash = 1025,
    kTimerTypingThrottle = 1026,
    kTimerTypingDisplay = 1027,
    kTimerPeerStatus = 1028,
    kTimerHistoryRefresh = 1029,
    kTimerFirstRefresh = 1030,
    kTimerPictureSwap = 1031,
};

class CChatMainPanel : public CPanelBase, public IChatWindowInfo, public IConversationHost {
public:
    // Caption parts the window reports to the panel framework.
    enum CaptionPart { kPartName = 0, kPartSquare = 1, kPartTyping = 2 };

    // ownerAgent: the agent whose customer this is (the own id for an own
    // session). engine: the function table (g_EngineModule in the program).
    // programFolder ends in a backslash (empty: the program's folder).
    CChatMainPanel(IChatPanelHost& host, int32_t ownerAgent, CEngineModule& engine = g_EngineModule,
                   const std::wstring& programFolder = std::wstring(), const std::wstring& displayTitle = L"");
    ~CChatMainPanel() override;

    // Creates the window as a child of parent (the chat view).
    bool CreateInParent(HWND parent);
    // What the chat view does to open a conversation: a new window for the
    // customer over area of parent (client coordinates), held by the panel
    // registry's list of conversation windows; null when it could not be
    // created.
    static CChatMainPanel* Open(IChatPanelHost& host, HWND parent, int32_t ownerAgent, const UserInfoBase& customer,
                                const RECT& area, const std::wstring& displayTitle);

    // --- what the main window and the chat view call ------------------
    void SetPeerInfo(const UserInfoBase& record);
    void SetPeerStatus(int32_t status) override;
    void ShowTypingNotice();
    // sent: the engine reported the message delivered; else a received one.
    void ShowMessage(const TextMsgRecord& record, bool sent);
    // Takes a screenshot through the screenshot library and places it into
    // the input as a picture.
    void OnScreenShot();
    // The hand-over state (1 normal, HandOverState): the hand-over buttons
    // that apply are shown, and the input and the send and send-file
    // buttons are enabled or disabled as the state says.
    virtual void SetSessionState(int32_t state);
    // A hand-over notice for this customer (code: the engine's result or
    // one of the program's own notices 51 to 55), chosen by the session's
    // role and its state now; nothing for a code without a notice.
    void ShowSwitchNotice(const SwitchCustomerRecord& record, int32_t code) override;
    // --- the main window's dispatch (IConversationHost) ------------------
    void ShowInputStatus() override { ShowTypingNotice(); }
    void ShowSentMessage(const TextMsgRecord& record) override { ShowMessage(record, true); }
    void SetUserInfo(const UserInfoBase& base, const UserInfoExt&) override { SetPeerInfo(base); }
    void TakeScreenshot() override { OnScreenShot(); }
    void ShowSwitchOutcome(const SwitchCustomerRecord& record, int32_t code, int32_t newState) override {
        ShowSwitchNotice(record, code);
        SetSessionState(newState);
    }

    // A system notice in the log ("系统提示:\r\n " + text + "\r\n").
    void ShowSystemNotice(const std::wstring& text);

    // --- commands, also for tests ---------------------------------------
    void OnSend();
    // A chosen reply (the quick-reply page's double click): it becomes the
    // input's text and is sent. False, and the input left as it is, while
    // the window cannot send (a watched session, the placeholder).
    bool SendReplyText(const std::wstring& text);
    void OnClosePanel();
    // The chosen font: the input's format from now on.
    void ApplyInputFormat(const CHARFORMATW& format);
    // Where a received file was saved, for the notice of a finished receive.
    void SetSavePathSource(std::function<std::wstring(const FileRequestRecord&)> source) {
        m_savePathSource = std::move(source);
    }
    // The picture-transfer client that uploads pasted pictures (null: the
    // process-wide one).
    void SetImageTransfer(CImageTransfer* transfer);

    // --- state ---------------------------------------------------------------
    int GetChatKind() const override { return kChatKindSingleUser; }
    int32_t GetChatUserId() const override { return m_customer.userId; }
    int32_t GetOwnerAgent() const { return m_nOwnerAgent; }
    bool IsOwnSession() const { return m_bOwnSession != 0; }
    const UserInfoBase& GetCustomer() const { return m_customer; }
    int32_t GetSessionState() const { return m_nSessionState; }
    bool IsTipBarVisible() const { return m_bTipVisible != 0; }
    const std::wstring& GetTipText() const { return m_tipText; }
    RECT GetTipRect() const { return m_rcTip; }
    bool IsTypingShown() const { return m_counters.TypingShown(); }
    const CChatWindowCounters& GetCounters() const { return m_counters; }
    std::wstring GetCaption() const;
    CChatLogEdit& GetLog() { return m_log; }
    CMyRichEditCtrl& GetInput() { return m_input; }
    CSkinBtn& GetButton(int id);

    void LayoutPanel(int* part, const RECT& client, RECT* out) override;
    bool PreTranslateMessage(MSG& msg) override;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) override;
    bool OnTimer(UINT_PTR id) override;
    bool OnPaint() override;
    bool OnSize(UINT type, int cx, int cy) override;
    bool OnClose() override;
    void OnCancel() override;
    void OnOK() override {}

    // The handlers of the tool commands.
    void OnFont();
    void OnHistory();
    void OnSendFile();
    // The hand-over buttons 1118, 1117, 1119, 1120 and 1121.
    void OnHandOver();
    void OnGrab();
    void OnTakeBack();
    void OnStopHandOver();
    void OnReleaseGrab();
    void OnSendOptions();
    void OnSetSendOption(int option);
    void OnQuickReply(int index);
    void OnInputChanged();
    void OnFileTransferState(const FileRequestRecord* record, int state);
    LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam);
    LRESULT OnMemoColour(HDC dc);
    LRESULT OnLButtonDown(WPARAM wParam, LPARAM lParam);

    void OnFlashTimer();
    void OnThrottleTimer();
    void OnTypingDisplayTimer();
    void OnHistoryRefreshTimer();
    void RefreshHistory();
    void PopUpQuickReplyMenu();

    // Platform calls a test may watch.
    // Pops a menu up below a button (screen rectangle); its command arrives
    // as WM_COMMAND.
    virtual void TrackMenu(HMENU menu, const RECT& below);
    virtual void Flash(bool on);
    virtual int AskYesNo(const std::wstring& text, const std::wstring& caption);
    virtual void ShowOnePictureOnly(const std::wstring& text);

private:
    void LayoutControls();
    void PlaceControl(int id, int x, int y, int width, int height);
    void BindButtons();
    void AddTooltips();
    void UpdateCaption();
    void DrawSurface(HDC dc, const RECT& client);
    void DrawTipBar(HDC dc);
    void RecomputeTipRect(const RECT& client);
    void AppendNotice(const std::wstring& line);
    void ResetInput();
    bool IsButtonUsable(int id) const;
    void QueueUpload(const std::wstring& name, const std::wstring& path);
    std::wstring ResourcePath(const wchar_t* relative) const;

    IChatPanelHost& m_host;
    CEngineModule& m_engine;
    clientui::CSystemAnsiCodePage m_codePage;
    CChatWindowRules m_rules;
    CHandOverRules m_handOver;
    CChatWindowCounters m_counters;
    CNewestShownFilter m_newest;
    std::wstring m_programFolder;
    std::wstring m_displayTitle;

    int32_t m_bPeerSet = 0;
    BYTE m_bOwnSession = 0;
    int32_t m_nOwnerAgent = 0;
    UserInfoBase m_customer = {};
    CChatLogEdit m_log;
    CSkinBtn m_buttons[20];  // by control id from 1102
    HWND m_hMemo = nullptr;
    CMyRichEditCtrl m_input;
    fw::CToolTipCtrl m_tooltip;
    std::unique_ptr<COfficeXPMenu> m_quickMenu;
    fw::CMenu m_sendOptions;
    CHARFORMATW m_fmtOwn = {};
    CHARFORMATW m_fmtOther = {};
    CHARFORMATW m_fmtNotice = {};
    CHARFORMATW m_inputFormat = {};
    BYTE m_bTipVisible = 0;
    std::wstring m_tipText;
    RECT m_rcTip = {};
    int32_t m_nSessionState = 1;
    BYTE m_bChatInitialized = 0;
    std::wstring m_memoText;

    ChatPanelSkin m_chatSkin;
    fw::CBrush m_barBrush;
    CImageTransferDownloads m_downloads;
    CImageTransfer* m_transfer = nullptr;
    std::function<std::wstring(const FileRequestRecord&)> m_savePathSource;
    bool m_closing = false;
    bool m_overName = false;
};
