// CChatPanelCore: the chat session that both clients' one-to-one
// conversation windows are built on (the desk's CChatMainPanel, the
// messenger's CIMChatPanel). It holds the chat log and the input with their
// formats and does what the two windows do alike:
//   - the send path: the offline notice, the quick-reply menu on an empty
//     input, the message built by CInputMessageBuilder (its limits, one
//     picture, a pasted picture saved and queued for upload only once the
//     message is known to fit), the record with a unique time word, the
//     engine call and the emptied input;
//   - the keys (Enter and Ctrl+Enter as the send option says, the other
//     one breaking the line; Escape closes), the send-options menu and the
//     quick replies (commands 32900 to 32910, the settings item 32911);
//   - shown messages (header with the month and day when not today, the
//     body in its own font, pictures) and system notices;
//   - flashing, the typing notice to the peer (at most one per eight
//     ticks) and the peer's typing display, each with its own counters;
//   - the tip bar above the log, the picture swap once downloads arrive,
//     the font dialog, the screenshot, file-transfer notices, the tooltips
//     of the buttons and the minimum tracking size.
// The windows differ only where their clients do: they lay the controls
// out, paint, place the tip bar, name the senders, and answer the hooks
// below (closing, history, sending a file, the quick-reply settings, the
// caption while the peer types, the transfer pane).
//
// The control ids and the send-options menu come from the client's
// template (ChatPanelIds). UI thread only.
#pragma once

#include "clientui/ChatLogEdit.h"
#include "clientui/ChatSessionRules.h"
#include "clientui/ChatWindowCounters.h"
#include "clientui/EngineModule.h"
#include "clientui/ImageTransferDownloads.h"
#include "clientui/MyRichEditCtrl.h"
#include "clientui/OfficeXPMenu.h"
#include "clientui/PanelBase.h"
#include "clientui/TransFileSession.h"

#include "fw/Menu.h"
#include "fw/ToolTipCtrl.h"

#include "SystemAnsiCodePage.h"

#include <ImEngineApi.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

class CImageTransfer;

// Timers of a conversation window.
enum ChatPanelTimer : UINT_PTR {
    kTimerFlash = 1025,
    kTimerTypingThrottle = 1026,
    kTimerTypingDisplay = 1027,
    kTimerPictureSwap = 1031,
};

// The control ids of one client's conversation template.
struct ChatPanelIds {
    int input;
    int log;
    int send;
    int close;
    int font;
    int emoticon;
    int picture;
    int screenshot;
    int history;
    int sendFile;
    int sendOptions;
    int tipClose;
    UINT sendOptionsMenu;  // the menu resource: sub-menu 0 holds 32771 and 32772
};

class CChatPanelCore : public CPanelBase {
public:
    static constexpr int kMinTrackWidth = 523;
    static constexpr int kMinTrackHeight = 405;

    // programFolder ends in a backslash (empty: the program's folder);
    // sizeScale: how the client writes a file's size in its notices.
    CChatPanelCore(UINT templateId, const ChatPanelIds& ids, CEngineModule& engine,
                   const std::wstring& programFolder, const FileSizeScale& sizeScale = kDeskFileSizeScale);
    ~CChatPanelCore() override;

    // --- commands, also for tests -------------------------------------------
    // The send path (the send button, the send key, a quick reply).
    void OnSend();
    // A chosen reply: it becomes the input's text and is sent. False, and
    // the input left as it is, while the window cannot send.
    bool SendReplyText(const std::wstring& text);
    // The chosen font: the input's format from now on.
    void ApplyInputFormat(const CHARFORMATW& format);
    // Takes a screenshot through the screenshot library and places it into
    // the input as a picture.
    void OnScreenShot();
    // A system notice in the log ("系统提示:\r\n " + text + "\r\n").
    void ShowSystemNotice(const std::wstring& text);
    // The peer types: the typing display runs for eight ticks counted from
    // the first notice of a series.
    void ShowTypingNotice();

    // Where a received file was saved, for the notice of a finished receive.
    void SetSavePathSource(std::function<std::wstring(const FileRequestRecord&)> source) {
        m_savePathSource = std::move(source);
    }
    // The picture-transfer client that uploads pasted pictures and fetches
    // the peer's (null: the process-wide one).
    void SetImageTransfer(CImageTransfer* transfer);

    // --- state -----------------------------------------------------------------
    CChatLogEdit& GetLog() { return m_log; }
    CMyRichEditCtrl& GetInput() { return m_input; }
    const CChatWindowCounters& GetCounters() const { return m_counters; }
    bool IsTypingShown() const { return m_counters.TypingShown(); }
    bool IsTipBarVisible() const { return m_bTipVisible != 0; }
    const std::wstring& GetTipText() const { return m_tipText; }
    RECT GetTipRect() const { return m_rcTip; }
    const CHARFORMATW& GetInputFormat() const { return m_inputFormat; }
    const ChatPanelIds& GetIds() const { return m_ids; }

    bool PreTranslateMessage(MSG& msg) override;

protected:
    // The shared part of the initialisation: the log and the input with
    // their event masks, the input's format from the settings, the
    // send-options menu, the flash (500 ms) and the picture swap timers.
    // The window calls it after CPanelBase::OnInitDialog and its buttons.
    void InitChatSession();
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) override;
    bool OnTimer(UINT_PTR id) override;
    void OnOK() override {}

    // --- what each window answers -------------------------------------------
    virtual int32_t OwnUserId() const = 0;
    virtual int32_t PeerUserId() const = 0;
    // The record of a message to send (type 0, own id, peer, no extra id).
    virtual TextMsgRecord MakeSendRecord(const MessageStamp& stamp) const;
    // Whether the window may send now (the send button is enabled).
    virtual bool CanSend() const;
    // Close button, caption close, Escape.
    virtual void OnClosePanel() = 0;
    virtual void OnHistory() = 0;
    virtual void OnSendFile() = 0;
    // The quick-reply menu's settings item.
    virtual void OnQuickReplySetup() = 0;
    // The peer's typing display started or ended (typing: it runs now); the
    // window repaints what shows it and sets its caption. Also on each tick.
    virtual void OnTypingDisplay(bool typing) = 0;
    // The tip bar was shown, hidden or changed: place the log again.
    virtual void OnTipBarChanged() = 0;
    // A file-transfer notice was written (the messenger widens its pane).
    virtual void OnFileTransferNotice(int state, bool ownSide);

    // --- platform calls a test may watch ---------------------------------------
    // Pops a menu up below a button (screen rectangle); its command arrives
    // as WM_COMMAND.
    virtual void TrackMenu(HMENU menu, const RECT& below);
    virtual void Flash(bool on);
    virtual void ShowOnePictureOnly(const std::wstring& text);

    // --- pieces the windows use ---------------------------------------------
    // Shows a message in the log: its header line (the name, the time and,
    // when not today, the month and day) in the own or the peer's format,
    // the body in its own font. A received one makes the window flash.
    void AppendMessage(const TextMsgRecord& record, bool own, const std::wstring& name);
    // A line in the notice format.
    void AppendNotice(const std::wstring& line);
    // The tip bar's text; an empty text hides the bar (shown: whether a
    // text shows). Calls OnTipBarChanged.
    void SetTipText(const std::wstring& text, bool shown);
    void HideTipBar();
    // The tip bar's rectangle above a log area of that width, at the top
    // (left, top); its height follows the text (the bar shown or not).
    RECT MeasureTipBar(int left, int top, int right) const;
    void DrawTipBar(HDC dc) const;
    // Puts the tip bar's close button (width wide) at the bar's right and
    // shows it while the bar does.
    void PlaceTipClose(int width = 12);
    // Tooltips for the controls (text: the string resource of each id).
    void AddTooltips(const int* ids, size_t count);
    fw::CToolTipCtrl& GetTooltip() { return m_tooltip; }
    // The input's format back into the settings and "Config.dll" written.
    void SaveInputFormat();
    void ResetInput();
    std::wstring ResourcePath(const wchar_t* relative) const;
    void PlaceControl(int id, int x, int y, int width, int height);
    // The button of a control id; the caller has subclassed it.
    CSkinBtn& Button(int id);

    void OnFont();
    void OnSendOptions();
    void OnSetSendOption(int option);
    void OnQuickReply(int index);
    void PopUpQuickReplyMenu();
    void OnInputChanged();
    void OnFileTransferState(const FileRequestRecord* record, int state);
    void OnFlashTimer();
    void OnThrottleTimer();
    void OnTypingDisplayTimer();

    ChatPanelIds m_ids;
    CEngineModule& m_engine;
    clientui::CSystemAnsiCodePage m_codePage;
    CChatSessionRules m_sessionRules;
    CChatWindowCounters m_counters;
    std::wstring m_programFolder;

    CChatLogEdit m_log;
    CMyRichEditCtrl m_input;
    fw::CToolTipCtrl m_tooltip;
    std::unique_ptr<COfficeXPMenu> m_quickMenu;
    fw::CMenu m_sendOptions;
    CHARFORMATW m_fmtOwn = {};
    CHARFORMATW m_fmtPeer = {};
    CHARFORMATW m_fmtNotice = {};
    CHARFORMATW m_inputFormat = {};
    BYTE m_bTipVisible = 0;
    std::wstring m_tipText;
    RECT m_rcTip = {};

    CImageTransferDownloads m_downloads;
    CImageTransfer* m_transfer = nullptr;
    std::function<std::wstring(const FileRequestRecord&)> m_savePathSource;

private:
    void QueueUpload(const std::wstring& name, const std::wstring& path);

    // The skinned buttons, by control id from 1100 (1100 to 1131).
    CSkinBtn m_buttons[32];
};
