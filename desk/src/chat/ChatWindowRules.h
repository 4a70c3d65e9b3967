// CChatWindowRules: the desk conversation window's own decisions beside the
// ones both clients share (CChatSessionRules): the record of a message to
// send, whose extra id names the own agent while it acts for a handed-over
// customer, the sender names of shown messages (with the agent who replied
// on the owner's behalf), and the watched session's "newest shown" filter.
// Every engine call goes through the function table it is given (the real
// binding, or a fake one in tests); a missing pointer counts as "no answer".
#pragma once

#include "clientui/ChatSessionRules.h"

#include <ImEngineApi.h>
#include <windows.h>

#include <cstdint>
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
