// CChatWindowRules: the desk conversation window's own decisions beside the
// ones both clients share (CChatSessionRules): the record of a message to
// send, whose extra id names the own agent while it acts for a handed-over
// customer, the sender names of shown messages (with the agent who replied
// on the owner's behalf), and what a watched session's log has shown.
// Every engine call goes through the function table it is given (the real
// binding, or a fake one in tests); a missing pointer counts as "no answer".
#pragma once

#include "clientui/ChatSessionRules.h"

#include <ImEngineApi.h>
#include <windows.h>

#include <cstdint>
#include <set>
#include <string>

class CChatWindowRules : public CChatSessionRules {
public:
    CChatWindowRules(const CEngineModule& engine, const clientui::IAnsiCodePage& codePage);

    // A zeroed record of type 0 with the stamp, the own id as sender, the
    // customer as receiver and, when the engine's hand-over record of the
    // customer names the own id as acting agent, the own id as extra id.
    TextMsgRecord MakeRecord(int32_t ownId, int32_t customerId, const MessageStamp& stamp) const;

    // The name shown for a message: sent, the own name; received, the
    // sender's name (its id in decimal while the engine does not know the
    // sender, whose information is then requested); with a nonzero extra id
    // "<name>（<full name of the extra id>代回复）".
    std::wstring SenderName(const TextMsgRecord& record, bool sent, const UserInfoBase& own) const;
};

// What a watched session's log has shown, so that each message shows once.
// The history refresh loads the records later than the newest one it has
// loaded (its "newest shown"); a message shown live (a received one from the
// unread queue, a sent one when the engine reports it delivered) is always
// shown, whatever its time says (a customer's clock may run behind or ahead
// of the server's), and its key is kept so that the refresh does not show it
// again when it meets the record in the history.
class CWatchedLogFilter {
public:
    // A live message was shown.
    void NoteLive(const TextMsgRecord& record);
    // True when a record of the history refresh is shown: later than the
    // newest loaded (it becomes the newest) and not shown live before.
    bool AcceptRefreshed(const TextMsgRecord& record);
    // The newest record the refresh has loaded.
    int32_t Date() const { return m_date; }
    int32_t Time() const { return m_time; }

private:
    struct Key {
        int32_t senderId;
        int32_t date;
        int32_t time;
        bool operator<(const Key& other) const;
    };
    static Key KeyOf(const TextMsgRecord& record);
    bool NotLater(int32_t date, int32_t time) const;

    int32_t m_date = 0;
    int32_t m_time = 0;
    std::set<Key> m_live;
};
