// CChatWindowRules: the decisions of the desk conversation window that need
// no window: the send checks and the record of a message to send, the
// sender names and header lines of shown messages, the notice texts (offline,
// customer status, file transfers), the caption, the quick-reply menu ids,
// the tip bar's height and the watched session's "newest shown" filter.
// Every engine call goes through the function table it is given (the real
// binding, or a fake one in tests); a missing pointer counts as "no answer".
#pragma once

#include "ChatMessageClock.h"

#include "clientui/EngineModule.h"

#include "IAnsiCodePage.h"

#include <ImEngineApi.h>
#include <windows.h>

#include <cstdint>
#include <string>

// Command ids of the quick-reply menu: one per reply from the first id, then
// the settings item. Only as many replies are shown as there are ids below
// the settings item, so a reply never takes the settings item's id.
constexpr UINT ID_QUICKREPLY_FIRST = 32900;
constexpr UINT ID_QUICKREPLY_LAST = 32910;
constexpr UINT ID_QUICKREPLY_SETUP = 32911;
constexpr size_t kMaxQuickReplyItems = ID_QUICKREPLY_LAST - ID_QUICKREPLY_FIRST + 1;

class CChatWindowRules {
public:
    CChatWindowRules(const CEngineModule& engine, const clientui::IAnsiCodePage& codePage);

    // --- sending ------------------------------------------------------
    // The engine is offline (or cannot say): nothing may be sent.
    bool IsOffline() const;
    // A zeroed record of type 0 with the stamp, the own id as sender, the
    // customer as receiver and, when the engine's hand-over record of the
    // customer names the own id as acting agent, the own id as extra id.
    TextMsgRecord MakeRecord(int32_t ownId, int32_t customerId, const MessageStamp& stamp) const;

    static std::wstring OfflineNotice();  // without "系统提示:"
    static std::wstring TooLongNotice();  // without "系统提示:"

    // --- showing -------------------------------------------------------
    // The name shown for a message: sent, the own name; received, the
    // sender's name (its id in decimal while the engine does not know the
    // sender, whose information is then requested); with a nonzero extra id
    // "<name>（<full name of the extra id>代回复）".
    std::wstring SenderName(const TextMsgRecord& record, bool sent, const UserInfoBase& own) const;
    // "<name> hh:mm:ss\r\n", or with "mm-dd " before the time when the
    // record's date is not today.
    static std::wstring HeaderLine(const std::wstring& name, int32_t date, int32_t time, int32_t today);

    // --- texts ----------------------------------------------------------
    // The tip bar's text for a customer status.
    static std::wstring StatusTip(int32_t status);
    // A file-transfer notice; empty for a state without a text. ownSide:
    // the record's sender is the own user.
    std::wstring FileNotice(const FileRequestRecord& record, int state, bool ownSide,
                            const std::wstring& savePath) const;
    // "hh:mm:ss\r\n <text>\r\n".
    static std::wstring FileNoticeLine(const SYSTEMTIME& now, const std::wstring& text);
    // The caption: "与 <name> 交流中", "<name> 正在输入" while typing, or the
    // display title while no customer is set.
    static std::wstring Caption(bool peerSet, const std::wstring& name, bool typing, const std::wstring& title);

    // --- layout -----------------------------------------------------------
    // Height of the tip bar: lines (text width over bar width, rounded up)
    // times the line height, plus 8. A bar without width counts one line.
    static int TipBarHeight(int textWidth, int barWidth, int lineHeight);

    // --- quick replies ----------------------------------------------------
    static size_t QuickReplyItemCount(size_t replies);
    // The reply index of a menu command; -1 when it is no reply item.
    static int QuickReplyIndex(UINT command);

    // An 8-bit fixed field as wide text (up to its NUL or its end).
    std::wstring FieldText(const char* field, size_t size) const;

private:
    const CEngineModule& m_engine;
    const clientui::IAnsiCodePage& m_codePage;
};

// The newest (date, time) shown in a watched session: a record not later
// than it is skipped.
class CNewestShownFilter {
public:
    // True (and the record becomes the newest) when the record is later.
    bool Accept(int32_t date, int32_t time);
    int32_t Date() const { return m_date; }
    int32_t Time() const { return m_time; }

private:
    int32_t m_date = 0;
    int32_t m_time = 0;
};
