#include "DeskWorld.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <sstream>
#include <tuple>

#include "ImEngineApi.h"
#include "PacketFramer.h"

namespace chatserver {

namespace {

constexpr int32_t kNoLocalList = 888;     // the client has no usable local list
constexpr size_t kLatestRecords = 5;      // records of a "latest.msg" file
constexpr size_t kMaxSearchResults = 100;
constexpr size_t kMaxListEntries = 10000;
constexpr size_t kMaxReplyText = 1024;
constexpr size_t kMaxMessageText = 1023;
// What clients can make the server keep.
constexpr size_t kMaxSessions = 100000;
constexpr size_t kMaxCommonReplies = 1000;
constexpr size_t kMaxArchive = 20000;  // the oldest messages go first

// Bytes of `text` that fit `maxBytes`, never cutting a two-byte character
// of the clients' code page (GBK: a lead byte 0x81..0xFE and one more).
size_t FitText(const std::string& text, size_t maxBytes) {
    size_t at = 0;
    while (at < text.size()) {
        const uint8_t byte = uint8_t(text[at]);
        const size_t width = (byte >= 0x81 && byte <= 0xFE && at + 1 < text.size()) ? 2 : 1;
        if (at + width > maxBytes) break;
        at += width;
    }
    return at;
}

class Body {
public:
    Body& Word(int32_t value) {
        AppendWord(bytes_, uint32_t(value));
        return *this;
    }
    Body& U16(uint16_t value) {
        bytes_.push_back(uint8_t(value));
        bytes_.push_back(uint8_t(value >> 8));
        return *this;
    }
    Body& U8(uint8_t value) {
        bytes_.push_back(value);
        return *this;
    }
    Body& Zeros(size_t count) {
        bytes_.insert(bytes_.end(), count, 0);
        return *this;
    }
    // A fixed field: the text cut to size - 1 bytes, then zeros.
    Body& Field(const std::string& text, size_t size) {
        const size_t n = FitText(text, size - 1);
        bytes_.insert(bytes_.end(), text.begin(), text.begin() + long(n));
        return Zeros(size - n);
    }
    // A NUL-terminated text of at most `maxBytes` bytes before the NUL.
    Body& Text(const std::string& text, size_t maxBytes) {
        const size_t n = FitText(text, maxBytes);
        bytes_.insert(bytes_.end(), text.begin(), text.begin() + long(n));
        return U8(0);
    }
    // Raw text bytes without a NUL.
    Body& Raw(const std::string& text, size_t maxBytes) {
        const size_t n = FitText(text, maxBytes);
        bytes_.insert(bytes_.end(), text.begin(), text.begin() + long(n));
        return *this;
    }
    std::vector<uint8_t> Take() { return std::move(bytes_); }

private:
    std::vector<uint8_t> bytes_;
};

// Reads the request's leading words; false when the body is too short.
bool Words(const std::vector<uint8_t>& body, std::initializer_list<int32_t*> out) {
    if (body.size() < out.size() * 4) return false;
    size_t at = 0;
    for (int32_t* word : out) {
        *word = int32_t(ReadWord(&body[at]));
        at += 4;
    }
    return true;
}

// A fixed text field of a request: up to its NUL, never past the field.
std::string FieldText(const std::vector<uint8_t>& body, size_t offset, size_t size) {
    if (offset >= body.size()) return std::string();
    const size_t limit = std::min(size, body.size() - offset);
    const char* start = reinterpret_cast<const char*>(&body[offset]);
    const void* nul = std::memchr(start, 0, limit);
    return std::string(start, nul ? static_cast<const char*>(nul) - start : limit);
}

DeskOutgoing ToRequester(uint32_t command, std::vector<uint8_t> body) {
    return {DeskOutgoing::kRequester, command, std::move(body)};
}

bool Later(int32_t date, int32_t time, int32_t thanDate, int32_t thanTime) {
    return std::tie(date, time) > std::tie(thanDate, thanTime);
}

void AppendCategory(Body& b, const DeskCategory& c) {
    b.Word(c.id).Word(c.order).Text(c.name, sizeof(CategoryRecord::name) - 1);
}

void AppendUser(Body& b, const DeskFriend& u) {
    b.Word(u.userId).Word(u.categoryId).Word(u.word).Word(u.userType);
    b.Text(u.name, sizeof(UserInfoBase::nickname) - 1)
        .Text(u.memo, sizeof(UserInfoBase::memo) - 1)
        .Text(u.signature, sizeof(UserInfoBase::signature) - 1);
}

template <class Map>
const typename Map::mapped_type* Find(const Map& map, int32_t key) {
    auto it = map.find(key);
    return it == map.end() ? nullptr : &it->second;
}

}  // namespace

DeskWorld::DeskWorld(DeskData data) : data_(std::move(data)) {
    // Lists go out newest first: the first record stamps the client's file.
    for (auto& lists : data_.lists) {
        for (auto& [owner, entries] : lists) {
            if (entries.size() > kMaxListEntries) entries.resize(kMaxListEntries);
            std::stable_sort(entries.begin(), entries.end(), [](const DeskListEntry& a, const DeskListEntry& b) {
                return Later(a.date, a.time, b.date, b.time);
            });
        }
    }
    // The archive and the updates oldest first: the client appends only newer records.
    std::stable_sort(data_.archive.begin(), data_.archive.end(), [](const DeskMessage& a, const DeskMessage& b) {
        return Later(b.date, b.time, a.date, a.time);
    });
    for (auto& [owner, updates] : data_.updates) {
        std::stable_sort(updates.begin(), updates.end(), [](const DeskFriendUpdate& a, const DeskFriendUpdate& b) {
            return Later(b.date, b.time, a.date, a.time);
        });
    }
}

std::vector<DeskOutgoing> DeskWorld::Handle(int32_t requester, uint32_t command,
                                            const std::vector<uint8_t>& body) {
    if (requester == 0) return {};
    switch (command) {
    case CMD_GET_GROUP_USER_LIST: return OnGroupUsers(body);
    case CMD_UPDATE_TALK_LIST: return OnTalkList(requester, body);
    case CMD_GET_USER_LIST: return OnUserList(body);
    case CMD_GET_MSG_RECORDS: return OnMsgRecords(body);
    case CMD_GET_USER_STATUS: return OnUserStatus(body);
    case CMD_GET_SWITCH_USER_LIST: return OnSwitchUserList(requester);
    case CMD_SWITCH_CUSTOMER: return OnSwitchCustomer(requester, body);
    case CMD_GRAB_CUSTOMER: return OnGrabCustomer(requester, body);
    case CMD_GET_SWITCH_RECORDS: return OnSwitchRecords(requester);
    case CMD_SEARCH_MSG: return OnSearchMsg(requester, body);
    case CMD_GET_USERS_INFO: return OnUsersInfo(body);
    case CMD_GET_FRIEND_UPDATE: return OnFriendUpdate(body);
    case CMD_GET_USER_FRIENDS: return OnUserFriends(body);
    case CMD_SET_COMM_REPLY: return OnSetCommReply(body);
    case CMD_GET_COMM_REPLY: return OnCommReplies();
    default: return {};
    }
}

int32_t DeskWorld::StatusOf(int32_t userId) const { return status_ ? status_(userId) : STATUS_OFFLINE; }

// ---- Organisation and lists ------------------------------------------------------------

// Kind 0: the user's own record (its role); 2: the user's group; 3: the
// other agents of the organisation; any other kind: none.
DeskWorld::Out DeskWorld::OnGroupUsers(const std::vector<uint8_t>& body) const {
    int32_t user = 0, kind = 0;
    if (!Words(body, {&user, &kind})) return {};
    std::vector<DeskGroupMember> records;
    if (kind == 0) {
        for (const DeskAgent& a : data_.agents)
            if (a.id == user) records.push_back({a.id, a.role, a.name});
    } else if (kind == 2) {
        if (const auto* group = Find(data_.groups, user)) records = *group;
    } else if (kind == 3) {
        for (const DeskAgent& a : data_.agents)
            if (a.id != user) records.push_back({a.id, a.role, a.name});
    }
    Body b;
    b.Word(kind).Word(int32_t(records.size()));
    // The clients read a member's name from the last 12 bytes (+20).
    for (const DeskGroupMember& m : records) b.Word(m.userId).Word(m.role).Zeros(12).Field(m.name, 12);
    return {ToRequester(CMD_GET_GROUP_USER_LIST, b.Take())};
}

// The whole list, newest first. The requester's own list is answered with
// no records when the asked date and time are the list's newest: the
// client's copy is current. Another user's list always goes whole (the
// client replaces it, and an empty one would clear it).
DeskWorld::Out DeskWorld::OnTalkList(int32_t requester, const std::vector<uint8_t>& body) const {
    int32_t user = 0, kind = 0, date = 0, time = 0;
    if (!Words(body, {&user, &kind, &date, &time})) return {};
    const std::vector<DeskListEntry>* entries = nullptr;
    if (kind >= 0 && kind <= 2) entries = Find(data_.lists[kind], user);
    const bool current = entries && !entries->empty() && user == requester &&
                         entries->front().date == date && entries->front().time == time;
    Body b;
    b.Word(user).Word(kind);
    if (!entries || current) {
        b.Word(0);
    } else {
        b.Word(int32_t(entries->size()));
        for (const DeskListEntry& e : *entries) b.Word(e.userId).Word(e.date).Word(e.time).Field(e.name, 24);
    }
    return {ToRequester(CMD_UPDATE_TALK_LIST, b.Take())};
}

DeskWorld::Out DeskWorld::OnUserList(const std::vector<uint8_t>& body) const {
    int32_t user = 0;
    if (!Words(body, {&user})) return {};
    static const std::vector<DeskCategory> kNoCategories;
    static const std::vector<DeskFriend> kNoFriends;
    const auto* found = Find(data_.categories, user);
    const auto& categories = found ? *found : kNoCategories;
    const auto* foundFriends = Find(data_.friends, user);
    const auto& friends = foundFriends ? *foundFriends : kNoFriends;
    const size_t n = std::min<size_t>(categories.size(), 255);
    const size_t m = std::min<size_t>(friends.size(), 65535);
    Body b;
    b.Word(user).U8(uint8_t(n)).U8(0).U16(uint16_t(m));
    for (size_t i = 0; i < n; ++i) AppendCategory(b, categories[i]);
    for (size_t i = 0; i < m; ++i) AppendUser(b, friends[i]);
    return {ToRequester(CMD_GET_USER_LIST, b.Take())};
}

DeskWorld::Out DeskWorld::OnUserFriends(const std::vector<uint8_t>& body) const {
    int32_t user = 0;
    if (!Words(body, {&user})) return {};
    const auto* categories = Find(data_.categories, user);
    const size_t n = categories ? std::min<size_t>(categories->size(), 255) : 0;
    Body b;
    b.Word(user).U8(uint8_t(n)).Zeros(3);
    for (size_t i = 0; i < n; ++i) AppendCategory(b, (*categories)[i]);
    return {ToRequester(CMD_GET_USER_FRIENDS, b.Take())};
}

// The updates newer than the asked date and time (all of them when the
// client has no usable list); only the stamp when there are none.
DeskWorld::Out DeskWorld::OnFriendUpdate(const std::vector<uint8_t>& body) const {
    int32_t user = 0, date = 0, time = 0;
    if (!Words(body, {&user, &date, &time})) return {};
    static const std::vector<DeskFriendUpdate> kNone;
    const auto* found = Find(data_.updates, user);
    const auto& updates = found ? *found : kNone;
    int32_t stampDate = data_.stampDate, stampTime = data_.stampTime;
    std::vector<const DeskFriendUpdate*> newer;
    for (const DeskFriendUpdate& u : updates) {
        if (Later(u.date, u.time, stampDate, stampTime)) std::tie(stampDate, stampTime) = std::tie(u.date, u.time);
        if (date == kNoLocalList || Later(u.date, u.time, date, time)) newer.push_back(&u);
    }
    if (newer.size() > 65535) newer.resize(65535);
    // The friends added or moved come with their entries.
    std::vector<const DeskFriend*> entries;
    if (const auto* friends = Find(data_.friends, user)) {
        for (const DeskFriend& f : *friends) {
            const bool named = std::any_of(newer.begin(), newer.end(), [&](const DeskFriendUpdate* u) {
                return (u->operation == 1 || u->operation == 2) && (u->userA == f.userId || u->userB == f.userId);
            });
            if (named && entries.size() < 65535) entries.push_back(&f);
        }
    }
    Body b;
    b.Word(user).Word(stampDate).Word(stampTime).U16(uint16_t(newer.size())).U16(uint16_t(entries.size()));
    for (const DeskFriendUpdate* u : newer)
        b.Word(u->userA).Word(u->userB).Word(u->operation).Word(u->categoryId).Word(0).Word(0);
    for (const DeskFriend* f : entries) AppendUser(b, *f);
    return {ToRequester(CMD_GET_FRIEND_UPDATE, b.Take())};
}

// u16 count and exactly that many ids.
DeskWorld::Out DeskWorld::OnUsersInfo(const std::vector<uint8_t>& body) const {
    if (body.size() < 2) return {};
    const size_t count = size_t(body[0]) | size_t(body[1]) << 8;
    if (count == 0 || body.size() != 2 + 4 * count) return {};
    Body b;
    b.U16(uint16_t(count));
    for (size_t i = 0; i < count; ++i) {
        const int32_t id = int32_t(ReadWord(&body[2 + 4 * i]));
        b.Word(id).Word(StatusOf(id));
    }
    return {ToRequester(CMD_GET_USERS_INFO, b.Take())};
}

DeskWorld::Out DeskWorld::OnUserStatus(const std::vector<uint8_t>& body) const {
    int32_t user = 0;
    if (!Words(body, {&user})) return {};
    Body b;
    b.Word(user).Word(StatusOf(user));
    return {ToRequester(CMD_GET_USER_STATUS, b.Take())};
}

DeskWorld::Out DeskWorld::OnSwitchUserList(int32_t requester) const {
    std::vector<const DeskAgent*> agents;
    for (const DeskAgent& a : data_.agents)
        if (a.id != requester) agents.push_back(&a);
    Body b;
    b.Word(int32_t(agents.size()));
    for (const DeskAgent* a : agents) b.Word(a->id).Field(a->name, sizeof(AgentRecord::name));
    return {ToRequester(CMD_GET_SWITCH_USER_LIST, b.Take())};
}

// ---- Message records and the archive -----------------------------------------------------

// One packet per record between the owner and the customer newer than the
// asked date and hhmmss, oldest first; flag 0 ("latest.msg") only the
// newest few of them.
DeskWorld::Out DeskWorld::OnMsgRecords(const std::vector<uint8_t>& body) const {
    int32_t owner = 0, customer = 0, flag = 0, date = 0, hhmmss = 0;
    if (!Words(body, {&owner, &customer, &flag, &date, &hhmmss})) return {};
    if (flag != 0 && flag != 1) return {};
    std::vector<const DeskMessage*> records;
    for (const DeskMessage& m : data_.archive) {
        const bool pair = (m.senderId == owner && m.receiverId == customer) ||
                          (m.senderId == customer && m.receiverId == owner);
        if (pair && Later(m.date, m.time / 1000, date, hhmmss)) records.push_back(&m);
    }
    if (flag == 0 && records.size() > kLatestRecords) records.erase(records.begin(), records.end() - kLatestRecords);
    Out out;
    for (const DeskMessage* m : records) {
        Body b;
        b.Word(owner).Word(customer).Word(flag);
        b.Word(m->type).Word(m->date).Word(m->time).Word(m->senderId).Word(m->receiverId).Word(0);
        b.Raw(m->text, kMaxMessageText);
        out.push_back(ToRequester(CMD_GET_MSG_RECORDS, b.Take()));
    }
    return out;
}

// The requester's messages dated within [start, end] whose text holds
// every keyword (keywords separated by spaces; none: every message). No
// result is a header-only reply.
DeskWorld::Out DeskWorld::OnSearchMsg(int32_t requester, const std::vector<uint8_t>& body) const {
    if (body.size() < sizeof(MsgSearchRequest)) return {ToRequester(CMD_SEARCH_MSG, {})};
    int32_t start = 0, end = 0;
    Words(body, {&start, &end});
    std::vector<std::string> keywords;
    std::istringstream words(FieldText(body, 8, sizeof(MsgSearchRequest::keywords)));
    for (std::string w; words >> w;) keywords.push_back(w);
    // Whose messages the requester may search: the own, and for a manager
    // (roles 1 to 3) those of the members of the own group.
    std::set<int32_t> parties = {requester};
    const auto agent = std::find_if(data_.agents.begin(), data_.agents.end(),
                                    [requester](const DeskAgent& a) { return a.id == requester; });
    if (agent != data_.agents.end() && agent->role >= 1 && agent->role <= 3)
        if (const auto* group = Find(data_.groups, requester))
            for (const DeskGroupMember& member : *group) parties.insert(member.userId);
    Body b;
    size_t found = 0;
    for (const DeskMessage& m : data_.archive) {
        if (found == kMaxSearchResults) break;
        if (!parties.count(m.senderId) && !parties.count(m.receiverId)) continue;
        if (m.date < start || m.date > end) continue;
        const bool match = std::all_of(keywords.begin(), keywords.end(),
                                       [&](const std::string& k) { return m.text.find(k) != std::string::npos; });
        if (!match) continue;
        b.Word(m.senderId).Word(m.receiverId).Word(m.date).Word(m.time / 1000);
        b.Field(m.text, sizeof(MsgSearchResult::text));
        ++found;
    }
    return {ToRequester(CMD_SEARCH_MSG, b.Take())};
}

// ---- Common replies ------------------------------------------------------------------------

// +0 operation, +4 id, +8 position, +12 text length with its NUL, +16 text.
DeskWorld::Out DeskWorld::OnSetCommReply(const std::vector<uint8_t>& body) {
    int32_t operation = 0, id = 0, position = 0, length = 0;
    if (!Words(body, {&operation, &id, &position, &length})) return {};
    int32_t result = 0;
    auto existing = std::find_if(data_.replies.begin(), data_.replies.end(),
                                 [&](const DeskCommonReply& r) { return r.id == id; });
    if (operation == COMMREPLY_OP_DELETE) {
        if (existing != data_.replies.end()) {
            data_.replies.erase(existing);
            result = 1;
        }
    } else if (operation == COMMREPLY_OP_SET) {
        // The text must lie whole in the body, NUL included.
        const bool fits = length >= 1 && size_t(length) <= kMaxReplyText + 1 &&
                          size_t(length) <= body.size() - 16 && body[16 + size_t(length) - 1] == 0;
        if (fits) {
            const std::string text = FieldText(body, 16, size_t(length));
            if (existing != data_.replies.end()) {
                existing->text = text;
                existing->position = position;
                result = 1;
            } else if (data_.replies.size() < kMaxCommonReplies) {
                int32_t next = 0;
                for (const DeskCommonReply& r : data_.replies) next = std::max(next, r.id);
                id = next + 1;
                data_.replies.push_back({id, position, text});
                result = 1;
            }
        }
    }
    Body b;
    b.Word(result).Word(id).Word(position).Word(operation);
    return {ToRequester(CMD_SET_COMM_REPLY, b.Take())};
}

// Count, the ids, the positions, the texts; in order of position.
DeskWorld::Out DeskWorld::OnCommReplies() const {
    std::vector<const DeskCommonReply*> replies;
    for (const DeskCommonReply& r : data_.replies) replies.push_back(&r);
    std::stable_sort(replies.begin(), replies.end(),
                     [](const DeskCommonReply* a, const DeskCommonReply* b) { return a->position < b->position; });
    Body b;
    b.Word(int32_t(replies.size()));
    for (const auto* r : replies) b.Word(r->id);
    for (const auto* r : replies) b.Word(r->position);
    for (const auto* r : replies) b.Text(r->text, kMaxReplyText);
    return {ToRequester(CMD_GET_COMM_REPLY, b.Take())};
}

// ---- Live messages ---------------------------------------------------------------------------------

DeskWorld::Out DeskWorld::OnTextMessage(int32_t sender, const std::vector<uint8_t>& body) {
    constexpr size_t kHead = 24;
    if (body.size() < kHead) return {};
    DeskMessage m;
    m.type = int32_t(ReadWord(&body[0]));
    m.date = int32_t(ReadWord(&body[4]));
    m.time = int32_t(ReadWord(&body[8]));
    m.senderId = sender;  // who logged on, whatever the head says
    m.receiverId = int32_t(ReadWord(&body[16]));
    const size_t textLength = std::min(body.size() - kHead, kMaxMessageText);
    m.text.assign(reinterpret_cast<const char*>(&body[kHead]), textLength);
    m.text = m.text.substr(0, m.text.find('\0'));
    // Kept in date and time order, as the records go out.
    auto at = std::upper_bound(data_.archive.begin(), data_.archive.end(), m,
                               [](const DeskMessage& a, const DeskMessage& b) {
                                   return Later(b.date, b.time, a.date, a.time);
                               });
    data_.archive.insert(at, m);
    if (data_.archive.size() > kMaxArchive) data_.archive.erase(data_.archive.begin());

    // The customer of a session another agent holds for its owner.
    Out out;
    for (const int32_t customer : {m.receiverId, m.senderId}) {
        const Session* s = FindSession(customer);
        const int32_t agent = customer == m.receiverId ? m.senderId : m.receiverId;
        if (!s || s->agent == 0 || s->agent != agent || s->owner == agent) continue;
        Body b;
        b.Word(s->owner).Word(customer).Word(1);
        b.Word(m.type).Word(m.date).Word(m.time).Word(m.senderId).Word(m.receiverId).Word(0);
        b.Raw(m.text, kMaxMessageText);
        out.push_back({s->owner, CMD_TEXT_MSG, b.Take()});
        break;
    }
    return out;
}

// ---- Hand-over and take-over ------------------------------------------------------------------

const DeskWorld::Session* DeskWorld::FindSession(int32_t customer) const { return Find(sessions_, customer); }

int32_t DeskWorld::Recipient(int32_t sender, int32_t receiver) const {
    const Session* s = FindSession(sender);
    if (!s || s->agent == 0 || receiver != s->owner || s->agent == sender) return receiver;
    return s->agent;
}

// A request counts while both its agents are connected: one left behind by
// an agent who went away does not hold the customer.
bool DeskWorld::Pending(const Session& s) const {
    return s.ask != Session::Ask::None && Online(s.asker) && Online(s.asked);
}

DeskWorld::Session* DeskWorld::SessionOf(int32_t customer, int32_t ownerIfNew) {
    auto it = sessions_.find(customer);
    if (it != sessions_.end()) return &it->second;
    if (sessions_.size() >= kMaxSessions) return nullptr;
    Session s;
    const int32_t* owner = Find(data_.customerOwners, customer);
    s.owner = owner ? *owner : ownerIfNew;
    return &sessions_.emplace(customer, s).first->second;
}

DeskOutgoing DeskWorld::Result(int32_t to, int32_t acting, int32_t owning, int32_t customer, int32_t result) {
    Body b;
    b.Word(acting).Word(owning).Word(customer).Word(result);
    return {to, CMD_SWITCH_CUSTOMER, b.Take()};
}

DeskOutgoing DeskWorld::Request(int32_t to, int32_t acting, int32_t owning, int32_t customer,
                                const std::string& note, int32_t word) {
    Body b;
    b.Word(acting).Word(owning).Word(customer).Field(note, sizeof(SwitchCustomerRecord::note)).Word(word);
    return {to, CMD_GRAB_CUSTOMER, b.Take()};
}

// {target, owner, customer, note} from the owner.
DeskWorld::Out DeskWorld::OnSwitchCustomer(int32_t requester, const std::vector<uint8_t>& body) {
    int32_t target = 0, owning = 0, customer = 0;
    if (body.size() != sizeof(SwitchCustomerRecord) || !Words(body, {&target, &owning, &customer})) return {};
    Session* session = SessionOf(customer, requester);
    if (!session) return {Result(DeskOutgoing::kRequester, target, requester, customer, -1)};
    Session& s = *session;
    const bool free = s.agent == 0 && !Pending(s);
    if (s.owner != requester || target == requester || !free || !Online(target)) {
        return {Result(DeskOutgoing::kRequester, target, requester, customer, -1)};
    }
    s.ask = Session::Ask::Handover;
    s.asker = requester;
    s.asked = target;
    s.note = FieldText(body, 12, sizeof(SwitchCustomerRecord::note));
    return {Request(target, target, requester, customer, s.note, requester)};
}

// {acting, owning, customer, note} + answer from the acting agent.
DeskWorld::Out DeskWorld::OnGrabCustomer(int32_t requester, const std::vector<uint8_t>& body) {
    int32_t acting = 0, owning = 0, customer = 0;
    if (body.size() < sizeof(SwitchCustomerRecord) + 4 || !Words(body, {&acting, &owning, &customer})) return {};
    const int32_t answer = int32_t(ReadWord(&body[sizeof(SwitchCustomerRecord)]));
    const int32_t kMe = DeskOutgoing::kRequester;
    Session* session = SessionOf(customer, owning);
    if (!session) return {Result(kMe, requester, owning, customer, -1)};
    Session& s = *session;
    const bool free = s.agent == 0 && !Pending(s);
    const bool askedOfMe = Pending(s) && s.asked == requester;
    switch (answer) {
    case 0:  // a grab request to the owner
        if (!free || s.owner != owning || owning == requester || !Online(owning))
            return {Result(kMe, requester, owning, customer, -2)};
        s.ask = Session::Ask::Grab;
        s.asker = requester;
        s.asked = owning;
        s.note.clear();
        return {Request(owning, owning, owning, customer, "", requester)};
    case 1: {  // accept
        if (!askedOfMe) return {Result(kMe, requester, owning, customer, -1)};
        const bool grab = s.ask == Session::Ask::Grab;
        s.agent = grab ? s.asker : s.asked;
        s.grabbed = grab;
        s.ask = Session::Ask::None;
        const int32_t code = grab ? 2 : 1;  // who asked hears it too
        return {Result(kMe, s.agent, s.owner, customer, code), Result(s.asker, s.agent, s.owner, customer, code)};
    }
    case 2:  // grab at once
        if (!free || s.owner != owning || owning == requester) return {Result(kMe, requester, owning, customer, -2)};
        s.agent = requester;
        s.grabbed = true;
        return {Result(kMe, requester, s.owner, customer, 2), Result(s.owner, requester, s.owner, customer, 2)};
    case 3:  // refuse, take back or stop
        if (askedOfMe) {
            const bool grab = s.ask == Session::Ask::Grab;
            const int32_t asker = s.asker;
            const int32_t agent = grab ? s.asker : s.asked;
            s.ask = Session::Ask::None;
            const int32_t code = grab ? -2 : 3;
            return {Result(kMe, agent, s.owner, customer, code), Result(asker, agent, s.owner, customer, code)};
        }
        if (s.agent != 0 && !s.grabbed && (requester == s.owner || requester == s.agent)) {
            const int32_t agent = s.agent;
            const int32_t other = requester == s.owner ? agent : s.owner;
            s.agent = 0;
            return {Result(kMe, agent, s.owner, customer, 3), Result(other, agent, s.owner, customer, 3)};
        }
        return {Result(kMe, requester, owning, customer, -3)};
    case 4:  // release a grab
        if (s.agent == requester && s.grabbed) {
            s.agent = 0;
            s.grabbed = false;
            return {Result(kMe, requester, s.owner, customer, 4), Result(s.owner, requester, s.owner, customer, 4)};
        }
        return {Result(kMe, requester, owning, customer, -4)};
    default:
        return {};
    }
}

// The data file's pending records of the requester and every live
// hand-over or grab it takes part in (word 1 hand-over, 2 grab).
DeskWorld::Out DeskWorld::OnSwitchRecords(int32_t requester) const {
    std::vector<DeskSwitchRecord> records;
    if (const auto* pending = Find(data_.switchRecords, requester)) records = *pending;
    for (const auto& [customer, s] : sessions_) {
        if (s.agent != 0 && (s.agent == requester || s.owner == requester))
            records.push_back({s.agent, s.owner, customer, s.grabbed ? 2 : 1});
    }
    Body b;
    b.Word(int32_t(records.size()));
    for (const DeskSwitchRecord& r : records) b.Word(r.acting).Word(r.owning).Word(r.customer).Word(r.word);
    return {ToRequester(CMD_GET_SWITCH_RECORDS, b.Take())};
}

}  // namespace chatserver
