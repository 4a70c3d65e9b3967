// DeskWorld: the stand-in server's answers to the desk commands 24 to 38,
// over the desk data file and the live state of hand-overs and grabs. It
// knows no sockets: each request gives the packets to send, to the
// requester or to another user by id, so the logic can be tested alone.
//
// Hand-over and take-over, as this server plays them (K a customer owned
// by agent A):
//   CMD_SWITCH_CUSTOMER {B, A, K, note} from A: forwarded to B as
//     CMD_GRAB_CUSTOMER {B, A, K, note} + word A; A hears only the outcome.
//   CMD_GRAB_CUSTOMER {X, Y, K} + answer from X:
//     0  grab request (X asks owner Y): forwarded to Y as {Y, Y, K, ""} + word X
//     1  accept what was asked of X: hand-over -> result 1 to both,
//        grab request -> result 2 to both
//     2  grab at once (Y the owner): result 2 to both
//     3  refuse what was asked of X (hand-over: result 3 to both; grab
//        request: -2 to both), or end X's hand-over (take back or stop:
//        result 3 to both)
//     4  release X's grab: result 4 to both
//   Results travel as CMD_SWITCH_CUSTOMER {acting, owning, K, result}; a
//   request that cannot be served gets -1 (hand-over), -2 (grab), -3 (end)
//   or -4 (release), to the requester only.
//
// While B talks for A (after a hand-over or a grab), a message that K
// writes to A goes to B instead (its receiver word becomes B), as K's
// client does not know who talks for A.
//
// The archive search answers a user's own messages, and a manager's (roles
// 1 to 3) also those of the members of the manager's group.
//
// The text messages users send are added to the archive that the message
// records and the search serve (a colleague watching a customer polls the
// records); while B talks for A, A gets each message between B and K as a
// message record {A, K, 1, head, text} on CMD_TEXT_MSG.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "DeskData.h"
#include "ImEngineApi.h"

namespace chatserver {

struct DeskOutgoing {
    static constexpr int32_t kRequester = 0;
    int32_t toUser = kRequester;  // kRequester: the connection the request came on
    uint32_t command = 0;
    std::vector<uint8_t> body;
};

class DeskWorld {
public:
    // The status others see of a user (STATUS_OFFLINE when not connected).
    using StatusSource = std::function<int32_t(int32_t userId)>;

    explicit DeskWorld(DeskData data = DeskData());
    // Without a status source everybody is offline.
    void SetStatusSource(StatusSource status) { status_ = std::move(status); }

    // One desk command from a logged-on user; the packets it causes.
    std::vector<DeskOutgoing> Handle(int32_t requester, uint32_t command, const std::vector<uint8_t>& body);
    // A text message (head and text) that a logged-on user sent: it goes
    // into the archive (the message records and the search serve it); while
    // another agent talks for the owner of the customer's session (a
    // hand-over or a grab), the owner gets a copy as a message record.
    std::vector<DeskOutgoing> OnTextMessage(int32_t sender, const std::vector<uint8_t>& body);
    // Who gets a text message from sender to receiver: the agent who talks
    // for the owner when sender is a customer writing to its owner while
    // another agent holds the session; receiver otherwise.
    int32_t Recipient(int32_t sender, int32_t receiver) const;

    // A customer's hand-over state, for tests.
    struct Session {
        int32_t owner = 0;
        int32_t agent = 0;     // who talks for the owner: 0 none
        bool grabbed = false;  // agent took it by a grab (else a hand-over)
        enum class Ask { None, Handover, Grab } ask = Ask::None;
        int32_t asker = 0, asked = 0;  // pending request: from, to
        std::string note;
    };
    const Session* FindSession(int32_t customer) const;
    const std::vector<DeskCommonReply>& CommonReplies() const { return data_.replies; }

private:
    using Out = std::vector<DeskOutgoing>;
    Out OnGroupUsers(const std::vector<uint8_t>& body) const;
    Out OnTalkList(int32_t requester, const std::vector<uint8_t>& body) const;
    Out OnUserList(const std::vector<uint8_t>& body) const;
    Out OnMsgRecords(const std::vector<uint8_t>& body) const;
    Out OnUserStatus(const std::vector<uint8_t>& body) const;
    Out OnSwitchUserList(int32_t requester) const;
    Out OnSwitchCustomer(int32_t requester, const std::vector<uint8_t>& body);
    Out OnGrabCustomer(int32_t requester, const std::vector<uint8_t>& body);
    Out OnSwitchRecords(int32_t requester) const;
    Out OnSearchMsg(int32_t requester, const std::vector<uint8_t>& body) const;
    Out OnUsersInfo(const std::vector<uint8_t>& body) const;
    Out OnFriendUpdate(const std::vector<uint8_t>& body) const;
    Out OnUserFriends(const std::vector<uint8_t>& body) const;
    Out OnSetCommReply(const std::vector<uint8_t>& body);
    Out OnCommReplies() const;

    int32_t StatusOf(int32_t userId) const;
    bool Online(int32_t userId) const { return StatusOf(userId) != STATUS_OFFLINE; }
    // The customer's session, created with `ownerIfNew` (or the data's owner);
    // null when the table of sessions is full.
    Session* SessionOf(int32_t customer, int32_t ownerIfNew);
    bool Pending(const Session& s) const;
    static DeskOutgoing Result(int32_t to, int32_t acting, int32_t owning, int32_t customer, int32_t result);
    static DeskOutgoing Request(int32_t to, int32_t acting, int32_t owning, int32_t customer,
                                const std::string& note, int32_t word);

    DeskData data_;
    StatusSource status_;
    std::map<int32_t, Session> sessions_;
};

}  // namespace chatserver
