// CIMChatPanel: the messenger's one-to-one chat window (template 104), one
// per peer, made by the main window through the panel registry (kind 2) and
// held in its list of conversations until it is closed.
//
// The chat session (sending, shown messages, keys, typing, flashing, the
// tip bar, pictures, file notices) is CChatPanelCore's, shared with the
// desk's conversation window. This window adds the messenger's own: its
// caption ("与 <nickname> 交流中", "<nickname> 正在输入" while the peer
// types) and header band (the peer's face, name and signature, a click on
// the name opening the peer's profile), the status notices of the tip bar,
// the right pane with the "文件传输" page, which widens while a transfer
// asks for room, the history button, and the close path that keeps the
// window's size and the chat font.
//
// UI thread only.
#pragma once

#include "clientui/ChatPanelCore.h"
#include "clientui/ChatPanelSkin.h"
#include "clientui/ChatWindowInfo.h"
#include "clientui/EnTabCtrl.h"
#include "clientui/TransFilePanel.h"

#include "fw/RichEditCtrl.h"

#include <ImEngineApi.h>
#include <windows.h>

#include <string>

// The messenger template's control ids.
extern const ChatPanelIds kIMChatPanelIds;

// What the chat window's history button asks of the history manager.
class IPeerHistoryView {
public:
    virtual ~IPeerHistoryView() = default;
    // Shows the history with the peer.
    virtual void ShowUser(const UserInfoBase& peer) = 0;
};

class CIMChatPanel : public CChatPanelCore, public IChatWindowInfo {
public:
    // The caption parts the window reports to the panel framework.
    enum CaptionPart { kPartTypingPicture = 1, kPartTypingText = 2, kPartName = 4 };

    explicit CIMChatPanel(CEngineModule& engine = g_EngineModule, const std::wstring& programFolder = std::wstring());
    ~CIMChatPanel() override;

    // The peer's record (before or after the window is created): copied;
    // the signature's tooltip follows it.
    void SetPeer(const UserInfoBase& peer);
    // A message in the log: own (delivered) or received.
    void ShowMessage(const TextMsgRecord& record, bool own);
    // The peer types.
    void ShowTyping() { ShowTypingNotice(); }
    // The tip bar's text for the peer's status (0, 4 and unknown values
    // hide it).
    void ShowStatusNotice(int32_t status);
    // Shows the tip bar with the text; an empty text hides it.
    void ShowTipText(const std::wstring& text);
    // A file offer or answer from the engine for the peer.
    void OnFileEvent(const FileRequestRecord& record, int code);
    // The transfer page back to "no transfer".
    void ResetFileTransfer();

    const UserInfoBase& GetPeer() const { return m_peer; }
    std::wstring GetTitle() const;
    int GetPaneWidth() const { return m_nPaneWidth; }
    RECT GetNameRect() const { return m_rcName; }
    CTransFilePanel& GetTransferPanel() { return m_transferPanel; }

    int GetChatKind() const override { return kChatKindSingleUser; }
    int32_t GetChatUserId() const override { return m_peer.userId; }

    void LayoutPanel(int* part, const RECT& client, RECT* out) override;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnPaint() override;
    bool OnSize(UINT type, int cx, int cy) override;
    bool OnClose() override;
    void OnCancel() override;

    // The chat session's hooks.
    int32_t OwnUserId() const override;
    int32_t PeerUserId() const override { return m_peer.userId; }
    void OnClosePanel() override;
    void OnHistory() override;
    void OnSendFile() override;
    void OnQuickReplySetup() override;
    void OnTypingDisplay(bool typing) override;
    void OnTipBarChanged() override;
    void OnFileTransferNotice(int state, bool ownSide) override;

    // Opens the peer's profile (a click on the name).
    virtual void OpenPeerProfile();
    // A message box of this window.
    virtual void ShowInfo(const std::wstring& text);

private:
    void BindButtons();
    void CreateTransferPage();
    void LayoutControls();
    void UpdateTitle();
    void UpdateSignature();
    void SetPaneWidth(int width);
    void PaintSurface(HDC dc, int w, int h);
    void PaintHeader(HDC dc, int w);
    bool PointOnName(POINT screen) const;
    LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcLButtonDown(WPARAM hitCode, LPARAM lParam);
    LRESULT OnStateQuery(WPARAM what);

    UserInfoBase m_peer = {};
    int m_nPaneWidth = kTransferPaneNarrow;
    bool m_bLayoutReady = false;
    RECT m_rcName = {};
    bool m_bOverName = false;
    int m_nTypingFrame = 0;
    bool m_closing = false;

    ChatPanelSkin m_chatSkin;
    fw::CRichEditCtrl m_signature;
    CEnTabCtrl m_tab;
    CTransFilePanel m_transferPanel;
    HICON m_hIcon = nullptr;
};
