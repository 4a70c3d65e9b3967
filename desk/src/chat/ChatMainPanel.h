// CChatMainPanel: the desk client's conversation window with one customer
// (template 131), a child window inside the chat view, held by the panel
// registry's list of conversation windows, which deletes it.
//
// The chat session itself (sending, shown messages, keys, typing, flashing,
// the tip bar, pictures, file notices) is CChatPanelCore's, shared with the
// messenger's chat window. This class adds the desk's own: the customer and
// the session's owner agent, the caption bar with the memo holder, the
// hand-over buttons driven through SetSessionState, the watched session that
// polls the customer's status and refreshes its log from the server's
// history, and the close path that tells the main window. Its decisions
// live in CChatWindowRules and CHandOverRules.
//
// A window is either an own session (the owner agent is the own user) or a
// watched one (a colleague's customer): a watched session cannot write and
// refreshes its log from the server's history.
//
// UI thread only.
#pragma once

#include "ChatMainPanelResource.h"
#include "ChatPanelHost.h"
#include "ChatWindowRules.h"
#include "HandOverRules.h"
#include "main/ConversationHost.h"

#include "clientui/ChatPanelCore.h"
#include "clientui/ChatPanelSkin.h"
#include "clientui/ChatWindowInfo.h"
#include "clientui/EngineModule.h"

#include "fw/GdiObject.h"

#include <ImEngineApi.h>
#include <windows.h>

#include <memory>
#include <string>

// The desk's own timers of the window (beside CChatPanelCore's).
enum DeskChatTimer : UINT_PTR {
    kTimerPeerStatus = 1028,
    kTimerHistoryRefresh = 1029,
    kTimerFirstRefresh = 1030,
};

// The desk template's control ids.
extern const ChatPanelIds kDeskChatPanelIds;

class CChatMainPanel : public CChatPanelCore, public IChatWindowInfo, public IConversationHost {
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
    // sent: the engine reported the message delivered; else a received one.
    void ShowMessage(const TextMsgRecord& record, bool sent);
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
    // An answer that does not concern the window's state changes nothing.
    void ShowSwitchOutcome(const SwitchCustomerRecord& record, int32_t code, int32_t newState) override;

    // --- commands, also for tests ---------------------------------------
    void OnClosePanel() override;

    // --- state ---------------------------------------------------------------
    int GetChatKind() const override { return kChatKindSingleUser; }
    int32_t GetChatUserId() const override { return m_customer.userId; }
    int32_t GetOwnerAgent() const { return m_nOwnerAgent; }
    bool IsOwnSession() const { return m_bOwnSession != 0; }
    const UserInfoBase& GetCustomer() const { return m_customer; }
    int32_t GetSessionState() const { return m_nSessionState; }
    std::wstring GetCaption() const;
    CSkinBtn& GetButton(int id) { return Button(id); }

    void LayoutPanel(int* part, const RECT& client, RECT* out) override;

    // The buttons' tips are made when the pointer first moves over the
    // window (a window nobody points at never needs them).
    bool PreTranslateMessage(MSG& msg) override;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnTimer(UINT_PTR id) override;
    bool OnPaint() override;
    bool OnSize(UINT type, int cx, int cy) override;
    bool OnClose() override;
    void OnCancel() override;

    // The chat session's hooks.
    int32_t OwnUserId() const override { return m_host.MyUserId(); }
    int32_t PeerUserId() const override { return m_customer.userId; }
    TextMsgRecord MakeSendRecord(const MessageStamp& stamp) const override;
    void OnHistory() override;
    void OnSendFile() override;
    void OnQuickReplySetup() override;
    void OnTypingDisplay(bool typing) override;
    void OnTipBarChanged() override;

    // The hand-over buttons 1118, 1117, 1119, 1120 and 1121.
    void OnHandOver();
    void OnGrab();
    void OnTakeBack();
    void OnStopHandOver();
    void OnReleaseGrab();
    LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam);
    LRESULT OnMemoColour(HDC dc);
    LRESULT OnLButtonDown(WPARAM wParam, LPARAM lParam);

    void OnHistoryRefreshTimer();
    void RefreshHistory();
    void AppendRecord(const TextMsgRecord& record, bool sent);

    // Platform calls a test may watch (beside CChatPanelCore's).
    virtual int AskYesNo(const std::wstring& text, const std::wstring& caption);
    void ShowOnePictureOnly(const std::wstring& text) override;

private:
    void LayoutControls();
    void BindButtons();
    void AddButtonTooltips();
    void UpdateCaption();
    // Draws the part box of the surface (the parts outside it may be left
    // out).
    void DrawSurface(HDC dc, const RECT& client, const RECT& box);
    // Whether the part box shows the tip bar's icon or the typing square,
    // which GDI+ draws.
    bool DrawsWithGdiplus(const RECT& box) const;
    bool IsButtonUsable(int id) const;

    IChatPanelHost& m_host;
    CChatWindowRules m_rules;
    CHandOverRules m_handOver;
    CWatchedLogFilter m_watchedLog;
    // The last record that named a colleague acting for the customer: the
    // names of a notice whose record the engine no longer holds.
    SwitchCustomerRecord m_heldRecord = {};
    std::wstring m_displayTitle;

    int32_t m_bPeerSet = 0;
    BYTE m_bOwnSession = 0;
    int32_t m_nOwnerAgent = 0;
    UserInfoBase m_customer = {};
    HWND m_hMemo = nullptr;
    int32_t m_nSessionState = 1;
    BYTE m_bChatInitialized = 0;
    std::wstring m_memoText;

    // Shared with the other conversation windows (loaded by the first).
    std::shared_ptr<const ChatPanelSkin> m_chatSkin;
    fw::CBrush m_barBrush;
    bool m_closing = false;
    bool m_overName = false;
    // Where Open places the window: given before it is made, so that it is
    // laid out once, at that size, while it is made.
    RECT m_createArea = {};
    bool m_hasCreateArea = false;
    // True while OnInitDialog runs: the layout waits for its end.
    bool m_layoutHeld = false;
};
