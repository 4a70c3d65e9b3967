// CChatSessionRules: the decisions of a one-to-one conversation window that
// need no window, the same in both clients: whether a message may go out and
// the record it goes in, the header line of a shown message, the keys that
// send or break a line, the notice texts (offline, too long, the peer's
// status, file transfers) and the width the transfer pane takes for them,
// the caption, the tip bar's height and the quick-reply menu's ids. Every
// engine call goes through the function table it is given (the real binding
// or a fake one in tests); a missing pointer counts as "no answer".
//
// CAutoReplyRules: when an automatic reply goes out and with which text.
#pragma once

#include "clientui/ChatMessageClock.h"
#include "clientui/ClientSettings.h"
#include "clientui/EngineModule.h"
#include "clientui/FileSizeText.h"

#include "IAnsiCodePage.h"

#include <ImEngineApi.h>
#include <windows.h>
#include <richedit.h>

#include <cstdint>
#include <string>

// Command ids of the quick-reply menu: one per reply from the first id, then
// the settings item. Only as many replies are shown as there are ids below
// the settings item, so a reply never takes the settings item's id.
constexpr UINT ID_QUICKREPLY_FIRST = 32900;
constexpr UINT ID_QUICKREPLY_LAST = 32910;
constexpr UINT ID_QUICKREPLY_SETUP = 32911;
constexpr size_t kMaxQuickReplyItems = ID_QUICKREPLY_LAST - ID_QUICKREPLY_FIRST + 1;

// The two entries of the send-options menu.
constexpr UINT kCmdSendByEnter = 32771;
constexpr UINT kCmdSendByCtrlEnter = 32772;

// Widths of the transfer pane beside a chat log: idle, and while a transfer
// asks for room.
constexpr int kTransferPaneNarrow = 160;
constexpr int kTransferPaneWide = 240;

class CChatSessionRules {
public:
    // sizeScale: how the client writes a file's size in its notices.
    CChatSessionRules(const CEngineModule& engine, const clientui::IAnsiCodePage& codePage,
                      const FileSizeScale& sizeScale = kDeskFileSizeScale);

    // --- sending ------------------------------------------------------
    // The engine is offline (or cannot say): nothing may be sent.
    bool IsOffline() const;
    // A zeroed record of type 0 with the stamp, the own id as sender, the
    // peer as receiver and no extra id.
    static TextMsgRecord MakeRecord(int32_t ownId, int32_t peerId, const MessageStamp& stamp);

    static std::wstring OfflineNotice();  // without "系统提示:"
    static std::wstring TooLongNotice();  // without "系统提示:"

    // What a key in the window does. Ctrl+Enter sends with the option
    // "Ctrl+Enter" (1) wherever the focus is; Enter alone sends with the
    // option "Enter" (0) while the input has the focus; any other Enter in
    // the input breaks the line; Escape closes the window.
    enum class KeyAction { None, Send, LineBreak, Close };
    static KeyAction ActionForKey(UINT key, bool ctrl, bool inInput, int sendMsgOpt);

    // --- showing -------------------------------------------------------
    // "<name> hh:mm:ss\r\n", or with "mm-dd " before the time when the
    // record's date is not today.
    static std::wstring HeaderLine(const std::wstring& name, int32_t date, int32_t time, int32_t today);
    // Today as a date word (local time).
    static int32_t Today();

    // --- texts ----------------------------------------------------------
    // The tip bar's text for a peer status (empty: no tip).
    static std::wstring StatusTip(int32_t status);
    // A file-transfer notice; empty for a state without a text. ownSide:
    // the record's sender is the own user.
    std::wstring FileNotice(const FileRequestRecord& record, int state, bool ownSide,
                            const std::wstring& savePath) const;
    // The transfer pane's width after a file-transfer notice: wide while an
    // offer or an acceptance waits, narrow once a transfer has ended, the
    // current width for the other states.
    static int TransferPaneWidth(int state, bool ownSide, int current);
    // "hh:mm:ss\r\n <text>\r\n".
    static std::wstring FileNoticeLine(const SYSTEMTIME& now, const std::wstring& text);
    // The caption: "与 <name> 交流中", "<name> 正在输入" while typing, or the
    // display title while no peer is set.
    static std::wstring Caption(bool peerSet, const std::wstring& name, bool typing, const std::wstring& title);

    // --- layout -----------------------------------------------------------
    // Height of the tip bar: lines (text width over the text's width in the
    // bar, rounded up) times the line height, plus 8. A bar without room
    // for text counts one line.
    static int TipBarHeight(int textWidth, int barWidth, int lineHeight);

    // --- quick replies ----------------------------------------------------
    static size_t QuickReplyItemCount(size_t replies);
    // The reply index of a menu command; -1 when it is no reply item.
    static int QuickReplyIndex(UINT command);

    // --- the input's font -------------------------------------------------
    // The chat font of the settings as the input's character format.
    static CHARFORMATW InputFormatFromSettings(const CClientSettings& settings,
                                              const clientui::IAnsiCodePage& codePage);
    // The input's format back into the settings (effects, size in points,
    // colour, face).
    static void StoreInputFormat(const CHARFORMATW& format, CClientSettings& settings,
                                 const clientui::IAnsiCodePage& codePage);

    // An 8-bit fixed field as wide text (up to its NUL or its end).
    std::wstring FieldText(const char* field, size_t size) const;

protected:
    const CEngineModule& m_engine;
    const clientui::IAnsiCodePage& m_codePage;
    const FileSizeScale& m_sizeScale;
};

class CAutoReplyRules {
public:
    // Whether a reply goes out for this switch and own status: only while
    // busy, away or do-not-disturb.
    static bool ShouldReply(bool autoReplyOn, int32_t myStatus);
    // The chosen automatic reply, or the fixed text when the chosen index
    // lies outside the list.
    static std::wstring ReplyText(const CClientSettings& settings);
    static const wchar_t kFixedReply[];
};
