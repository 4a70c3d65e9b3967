// CProtocolSession: the desk build's commands: organisation and group users,
// talk/registered/contact lists, other users' lists and friend updates,
// message records, user status, agents, hand-over and take-over, archive
// search and common replies.
#include <algorithm>
#include <cstring>
#include <set>
#include <unordered_map>

#include "ProtocolSession.h"
#include "UserRecordIndex.h"

namespace wire = engine::wire;

namespace {

const wchar_t* const kTalkListFiles[3] = {L"talkList.dat", L"regList.dat", L"contactList.dat"};

// Log text: a talk list of kind 0 about the own id is not kept.
const wchar_t kLogOwnTalkListIgnored[] =
    L"\u6536\u5230\u81EA\u5DF1\u7684\u4F1A\u8BDD\u5217\u8868,\u5DF2\u5FFD\u7565";

constexpr int32_t kNoLocalListDate = 888;
constexpr int32_t kOldestUsableListDate = 20120201;
constexpr int32_t kLatestUsableListTime = 90000;
constexpr int32_t kOldestHeaderOnlyUpdateDate = 20100101;

template <class T>
T Zeroed() {
    T value;
    std::memset(&value, 0, sizeof value);
    return value;
}

// Each new record replaces the first one with its user id or is appended
// (a later record of the same id replaces the one before it). The first
// place of each id is looked up, not searched for: linear in both lists.
void MergeByUserId(std::vector<TalkListRecord>& target, const std::vector<TalkListRecord>& added) {
    std::unordered_map<int32_t, size_t> firstAt;
    firstAt.reserve(target.size() + added.size());
    for (size_t i = 0; i < target.size(); ++i) firstAt.emplace(target[i].userId, i);
    for (const TalkListRecord& record : added) {
        const auto [it, appended] = firstAt.emplace(record.userId, target.size());
        if (appended) {
            target.push_back(record);
        } else {
            target[it->second] = record;
        }
    }
}

std::vector<int32_t> UserIds(const std::vector<TalkListRecord>& records) {
    std::vector<int32_t> ids;
    ids.reserve(records.size());
    for (const TalkListRecord& r : records) ids.push_back(r.userId);
    return ids;
}

}  // namespace

// ---- Requests ---------------------------------------------------------------------

void CProtocolSession::RequestGroupUserList(int32_t userId) {
    for (int32_t kind : {3, 2, 0}) Queue(CMD_GET_GROUP_USER_LIST, wire::TwoWords(userId, kind));
}

void CProtocolSession::RequestTalkList(int32_t userId, int32_t kind, bool skipFile) {
    if (kind < TALKLIST_TALK || kind > TALKLIST_CONTACT) return;
    const std::vector<TalkListRecord>* local = nullptr;
    if (userId == OwnId()) {
        local = &store_.ownTalkLists[kind];
    } else if (FriendListRecord* owner = KnownListOwner(userId)) {
        local = &owner->talkLists[kind];
    }
    if (local != nullptr && !local->empty()) RequestUsersInfo(UserIds(*local));

    int32_t date = 0, time = 0;
    if (!skipFile && history_) {
        DatFileHeader header;
        if (history_->ReadDatHeader(root_, ListFolder(userId) + kTalkListFiles[kind], header) == 0) {
            date = header.createDate;
            time = header.createTime;
        }
    }
    Queue(CMD_UPDATE_TALK_LIST, wire::TalkListRequest(userId, kind, date, time));
}

void CProtocolSession::RequestUserList(int32_t userId) {
    Queue(CMD_GET_USER_LIST, wire::OneWord(userId));
}

void CProtocolSession::RequestMsgRecords(int32_t ownerId, int32_t customerId, int32_t flag) {
    if (flag != 0 && flag != 1) return;
    std::wstring path = root_ + engine::IdText(OwnId()) + L"\\";
    if (ownerId != OwnId()) path += L"MyGroup\\" + engine::IdText(ownerId) + L"\\";
    path += L"msg\\" + engine::IdText(customerId) + (flag == 0 ? L".latest.msg" : L".msg");
    MsgFileHeader header = Zeroed<MsgFileHeader>();
    // A file with a wrong marker is moved aside and the whole history asked for.
    if (!history_ || !history_->ReadMsgHeader(path, header)) header = Zeroed<MsgFileHeader>();
    int32_t time = header.newestTime;
    if (time > 235959) time /= 1000;
    Queue(CMD_GET_MSG_RECORDS, wire::MsgRecordsRequest(ownerId, customerId, flag, header.newestDate, time));
}

void CProtocolSession::RequestUserStatus(int32_t userId) {
    Queue(CMD_GET_USER_STATUS, wire::OneWord(userId));
}

void CProtocolSession::RequestSwitchUserList() {
    Queue(CMD_GET_SWITCH_USER_LIST, wire::OneWord(OwnId()));
}

void CProtocolSession::SwitchCustomer(const SwitchCustomerRecord& record) {
    if (!IsDesk()) return;
    // Stored before the request can be answered.
    SwitchCustomerRecord copy = record;
    wire::TerminateFields(copy, CodePage());
    store_.SwitchRecordAt(record.customerId) = copy;
    Queue(CMD_SWITCH_CUSTOMER, wire::SwitchCustomerBody(record));
}

void CProtocolSession::GrabCustomer(int32_t agentId, int32_t customerId) {
    Queue(CMD_GRAB_CUSTOMER, wire::GrabRequestBody(OwnId(), agentId, customerId));
}

void CProtocolSession::ConfirmGrabCustomer(const SwitchCustomerRecord& record, int32_t answer) {
    if (!IsDesk()) return;
    SwitchCustomerRecord copy = record;
    wire::TerminateFields(copy, CodePage());
    store_.SwitchRecordAt(record.customerId) = copy;
    Queue(CMD_GRAB_CUSTOMER, wire::GrabConfirmBody(record, answer));
}

void CProtocolSession::RequestSwitchRecords() { Queue(CMD_GET_SWITCH_RECORDS, {}); }

void CProtocolSession::SearchMsgRecord(const MsgSearchRequest& request) {
    Queue(CMD_SEARCH_MSG, wire::SearchMsgBody(request));
}

void CProtocolSession::RequestUsersInfo(const std::vector<int32_t>& userIds) {
    // The count is 16-bit: a longer list goes out in several requests.
    for (size_t start = 0; start < userIds.size(); start += wire::kMaxUsersPerRequest) {
        const size_t count = std::min(wire::kMaxUsersPerRequest, userIds.size() - start);
        Queue(CMD_GET_USERS_INFO, wire::UsersInfoRequest(userIds.data() + start, count));
    }
}

void CProtocolSession::RequestFriendUpdate(int32_t userId) {
    int32_t date = 0, time = 0;
    DatFileHeader header;
    // A list file that is not whole is no local list (it is moved aside):
    // the whole list is asked for and written anew.
    if (history_ &&
        history_->ReadWholeDatHeader(root_, ListFolder(userId) + L"userlist.dat", sizeof(UserInfoBase), header)) {
        date = header.changeDate;
        time = header.changeTime;
    }
    if (date < kOldestUsableListDate || time > kLatestUsableListTime) {
        date = kNoLocalListDate;
        time = 0;
    }
    Queue(CMD_GET_FRIEND_UPDATE, wire::FriendUpdateRequest(userId, date, time));
    if (date == kNoLocalListDate && IsDesk()) {
        // No usable local list: ask for the whole one as well.
        if (userId == OwnId()) {
            RequestFriendList();
        } else {
            RequestUserList(userId);
        }
    }
}

void CProtocolSession::RequestUserFriends(int32_t userId) {
    Queue(CMD_GET_USER_FRIENDS, wire::OneWord(userId));
}

void CProtocolSession::SetCommReply(const CommReplyChange& change, int32_t operation) {
    Queue(CMD_SET_COMM_REPLY, wire::SetCommReplyBody(operation, change.id, change.position, change.text));
}

void CProtocolSession::RequestCommReply() { Queue(CMD_GET_COMM_REPLY, {}); }

int CProtocolSession::GetUserData(FriendListRecord& record, int kind) {
    if ((kind != 8 && kind != 9) || !history_) return 0;
    const std::wstring relative = engine::IdText(OwnId()) + L"\\MyGroup\\" + engine::IdText(record.userId) +
                                  L"\\" + (kind == 8 ? kTalkListFiles[0] : kTalkListFiles[1]);
    std::vector<TalkListRecord> records = history_->ReadDatList<TalkListRecord>(root_, relative);
    if (records.empty()) return 0;
    for (TalkListRecord& r : records) wire::TerminateFields(r, CodePage());
    record.talkLists[kind == 8 ? TALKLIST_TALK : TALKLIST_REGISTERED] = std::move(records);
    return 1;
}

void CProtocolSession::LoadListsFrom(const std::wstring& folder, std::vector<CategoryRecord>& categories,
                                     FriendMap& friends) {
    if (!history_) return;
    std::vector<CategoryRecord> stored = history_->ReadDatList<CategoryRecord>(root_, folder + L"friendType.dat");
    if (!stored.empty()) {
        for (CategoryRecord& c : stored) wire::TerminateFields(c, CodePage());
        categories = std::move(stored);
    }
    friends.clear();
    for (const CategoryRecord& c : categories) friends[Widen(c.name, sizeof c.name)];
    for (UserInfoBase& user : history_->ReadDatList<UserInfoBase>(root_, folder + L"userlist.dat")) {
        wire::TerminateFields(user, CodePage());
        friends[Widen(user.category, sizeof user.category)].push_back(user);
    }
}

void CProtocolSession::LoadContactFiles(int32_t userId) {
    if (userId == OwnId()) {
        LoadListsFrom(ListFolder(userId), store_.ownCategories, store_.ownFriends);
    } else if (FriendListRecord* owner = KnownListOwner(userId)) {
        LoadListsFrom(ListFolder(userId), owner->categories, owner->friends);
    }
}

// ---- Handlers ---------------------------------------------------------------------

void CProtocolSession::OnGroupUserList(const uint8_t* body, size_t length) {
    wire::GroupUserReply reply;
    if (!wire::ParseGroupUserReply(body, length, reply)) return;
    if (reply.records.empty()) {
        if (reply.kind == 0) {
            store_.orgRoleId = 0;
            Send(WM_IM_NOTIFY, NOTIFY_ORGROLE, 0);
        } else if (reply.kind == 2) {
            Send(WM_IM_NOTIFY, NOTIFY_GROUPUSERLIST, 0);
        }
        return;
    }
    for (GroupUserRecord& r : reply.records) wire::TerminateFields(r, CodePage());
    switch (reply.kind) {
    case 0:
        store_.orgRoleId = reply.records.front().roleId;
        Send(WM_IM_NOTIFY, NOTIFY_ORGROLE, store_.orgRoleId);
        break;
    case 2: {
        store_.groupUsers = reply.records;
        for (const GroupUserRecord& r : reply.records) store_.FriendListAt(r.userId).userId = r.userId;
        const engine::LocalTime now = Now();
        WriteList(engine::IdText(OwnId()) + L"\\groupUserList.dat",
                  MakeDatHeader(now.Date(), now.Hhmmss(), now.Date(), now.Hhmmss(), sizeof(GroupUserRecord),
                                reply.records.size()),
                  reply.records);
        Send(WM_IM_NOTIFY, NOTIFY_GROUPUSERLIST, 0);
        for (const GroupUserRecord& r : reply.records) {
            RequestUserFriends(r.userId);
            RequestFriendUpdate(r.userId);
        }
        break;
    }
    case 3:
        for (const GroupUserRecord& r : reply.records) RequestUserInfo(r.userId, 3);
        break;
    default:
        break;
    }
}

void CProtocolSession::OnTalkList(const uint8_t* body, size_t length) {
    wire::TalkListReply reply;
    if (!wire::ParseTalkListReply(body, length, reply)) return;
    for (TalkListRecord& r : reply.records) wire::TerminateFields(r, CodePage());
    HandleTalkList(reply);
}

void CProtocolSession::HandleTalkList(const wire::TalkListReply& reply) {
    const int32_t user = reply.userId;
    const int32_t kind = reply.kind;
    if (kind < TALKLIST_TALK || kind > TALKLIST_CONTACT) return;
    const bool own = user == OwnId();
    if (own && kind == TALKLIST_TALK) {
        Log(kLogOwnTalkListIgnored);
        return;
    }
    std::vector<TalkListRecord>* target = nullptr;
    if (own) {
        target = &store_.ownTalkLists[kind];
    } else if (FriendListRecord* owner = KnownListOwner(user)) {
        target = &owner->talkLists[kind];
    }
    if (target == nullptr) return;  // lists of unknown users are not kept

    const std::wstring relative = ListFolder(user) + kTalkListFiles[kind];
    DatFileHeader header = Zeroed<DatFileHeader>();
    const bool haveHeader = history_ && history_->ReadDatHeader(root_, relative, header) == 0;
    if (!haveHeader) header = Zeroed<DatFileHeader>();
    const auto writeFile = [&](const std::vector<TalkListRecord>& records) {
        const TalkListRecord& first = reply.records.front();
        WriteList(relative,
                  MakeDatHeader(first.date, first.time, first.date, first.time, sizeof(TalkListRecord),
                                records.size()),
                  records);
    };

    if (reply.records.empty()) {
        // An empty talk or registered list of another user clears the kept one.
        if (!own && kind != TALKLIST_CONTACT && !target->empty()) {
            target->clear();
            Post(WM_IM_TALKLIST, static_cast<uintptr_t>(user), kind);
        }
        return;
    }
    const TalkListRecord& first = reply.records.front();
    const bool sameStamp = first.date == header.createDate && first.time == header.createTime;

    if (kind == TALKLIST_CONTACT) {
        if (sameStamp && !target->empty()) return;
        MergeByUserId(*target, reply.records);
        writeFile(*target);
        Post(WM_IM_NOTIFY, NOTIFY_TALKLIST, user);
        return;
    }
    if (sameStamp && reply.records.size() == target->size()) return;  // unchanged
    if (own) {
        MergeByUserId(*target, reply.records);
    } else {
        *target = reply.records;
    }
    RequestUsersInfo(UserIds(*target));
    writeFile(*target);
    Post(WM_IM_TALKLIST, static_cast<uintptr_t>(user), kind);
}

void CProtocolSession::OnUserList(const uint8_t* body, size_t length) {
    wire::UserListReply reply;
    if (!wire::ParseUserListReply(body, length, reply)) return;
    FriendListRecord* owner = KnownListOwner(reply.userId);
    if (owner == nullptr) return;
    std::vector<UserInfoBase> users;
    BuildFriendLists(reply.list, owner->categories, owner->friends, users);
    const std::wstring folder = ListFolder(reply.userId);
    const engine::LocalTime now = Now();
    // Both files are written even when empty: the files are what later
    // rebuilds (user friends, friend updates) read, and a list kept from
    // before would bring back friends the server no longer lists.
    WriteList(folder + L"userlist.dat",
              MakeDatHeader(now.Date(), 0, now.Date(), 0, sizeof(UserInfoBase), users.size()), users);
    WriteList(folder + L"friendType.dat",
              MakeDatHeader(now.Date(), now.Hhmmss(), now.Date(), now.Hhmmss(), sizeof(CategoryRecord),
                            owner->categories.size()),
              owner->categories);
    Post(WM_IM_NOTIFY, NOTIFY_USERLIST, reply.userId);
}

bool CProtocolSession::IsSaneMsgRecord(const wire::MsgRecordReply& reply) const {
    return (reply.flag == 0 || reply.flag == 1) && reply.ownerId > 0 && reply.customerId > 0;
}

void CProtocolSession::HandleMsgRecord(const wire::MsgRecordReply& reply) {
    if (!history_) return;
    TextMsgRecord msg = reply.message.head;
    const size_t kept = wire::CutText(reply.message.text.data, reply.message.text.length,
                                      TEXTMSG_TEXT_SIZE - 1, CodePage());
    std::memcpy(msg.text, reply.message.text.data, kept);
    msg.text[kept] = '\0';
    std::wstring path = root_ + engine::IdText(OwnId()) + L"\\";
    if (reply.ownerId != OwnId()) path += L"MyGroup\\" + engine::IdText(reply.ownerId) + L"\\";
    path += L"msg\\" + engine::IdText(reply.customerId) + (reply.flag == 0 ? L".latest.msg" : L".msg");
    history_->AppendMsgRecord(msg, path);
}

void CProtocolSession::OnMsgRecords(const uint8_t* body, size_t length) {
    wire::MsgRecordReply reply;
    if (!wire::ParseMsgRecordReply(body, length, reply) || !IsSaneMsgRecord(reply)) return;
    HandleMsgRecord(reply);
}

void CProtocolSession::OnUserStatus(const uint8_t* body, size_t length) {
    if (length < 8) return;
    wire::BodyReader r(body, length);
    int32_t userId = 0, status = 0;
    r.Int32(userId);
    r.Int32(status);
    UserInfoBase& record = store_.UserInfoBaseAt(userId);
    if (record.userId == userId) record.status = status;
    Post(WM_IM_PEERSTATUS, static_cast<uintptr_t>(userId), status);
}

void CProtocolSession::OnSwitchUserList(const uint8_t* body, size_t length) {
    wire::AgentListReply reply;
    if (!wire::ParseAgentList(body, length, reply) || reply.count <= 0 || reply.records.empty()) return;
    for (AgentRecord& r : reply.records) wire::TerminateFields(r, CodePage());
    store_.agents = std::move(reply.records);
    Post(WM_IM_NOTIFY, NOTIFY_SWITCHUSERLIST, 1);
}

void CProtocolSession::OnSwitchCustomer(const uint8_t* body, size_t length) {
    wire::SwitchResult reply;
    if (!wire::ParseSwitchResult(body, length, reply)) return;
    SwitchCustomerRecord record = Zeroed<SwitchCustomerRecord>();
    record.actingAgent = reply.actingAgent;
    record.owningAgent = reply.owningAgent;
    record.customerId = reply.customerId;
    store_.SwitchRecordAt(reply.customerId) = record;
    if (reply.result < 0) {
        Post(WM_IM_SWITCHFAILED, static_cast<uintptr_t>(reply.customerId), reply.result);
        store_.switchRecords.erase(reply.customerId);
        return;
    }
    if (reply.result > 2) store_.switchRecords.erase(reply.customerId);
    Post(WM_IM_SWITCHRESULT, static_cast<uintptr_t>(reply.customerId), reply.result);
}

void CProtocolSession::OnGrabCustomer(const uint8_t* body, size_t length) {
    wire::GrabRequest request;
    if (!wire::ParseGrabRequest(body, length, request)) return;
    if (request.record.actingAgent != OwnId()) return;
    wire::TerminateFields(request.record, CodePage());
    store_.SwitchRecordAt(request.record.customerId) = request.record;
    Post(WM_IM_GRABREQUEST, static_cast<uintptr_t>(request.record.customerId), 0);
}

void CProtocolSession::OnSwitchRecords(const uint8_t* body, size_t length) {
    wire::SwitchRecordsReply reply;
    if (!wire::ParseSwitchRecords(body, length, reply)) return;
    for (const wire::SwitchResult& s : reply.records) {
        SwitchCustomerRecord record = Zeroed<SwitchCustomerRecord>();
        record.actingAgent = s.actingAgent;
        record.owningAgent = s.owningAgent;
        record.customerId = s.customerId;
        store_.SwitchRecordAt(s.customerId) = record;
    }
}

void CProtocolSession::OnSearchMsg(const uint8_t* body, size_t length) {
    std::vector<MsgSearchResult> results;
    if (!wire::ParseSearchResults(body, length, results)) {
        Post(WM_IM_NOTIFY, NOTIFY_SEARCHRESULT, 0);  // none, or a malformed reply
        return;
    }
    for (MsgSearchResult& r : results) wire::TerminateFields(r, CodePage());
    const intptr_t count = static_cast<intptr_t>(results.size());
    store_.searchResults = std::move(results);
    Post(WM_IM_NOTIFY, NOTIFY_SEARCHRESULT, count);
}

void CProtocolSession::OnUsersInfo(const uint8_t* body, size_t length) {
    std::vector<wire::IdStatus> entries;
    if (!wire::ParseIdStatusList(body, length, entries)) return;
    for (const auto& e : entries) {
        UserInfoBase& record = store_.UserInfoBaseAt(e.userId);
        if (record.userId == e.userId) {
            record.status = e.status;
        } else {
            RequestUserInfo(e.userId, 1);
        }
    }
    Post(WM_IM_NOTIFY, NOTIFY_USERSINFO, 0);
}

void CProtocolSession::OnFriendUpdate(const uint8_t* body, size_t length) {
    wire::FriendUpdateReply reply;
    if (!wire::ParseFriendUpdateReply(body, length, reply) || !history_) return;
    const int32_t user = reply.userId;
    const std::wstring folder = ListFolder(user);
    const std::wstring userList = folder + L"userlist.dat";

    if (length == 16) {
        // Nothing changed since the local list: only its stamp moves on.
        if (reply.date <= kOldestHeaderOnlyUpdateDate) return;
        DatFileHeader header;
        if (history_->ReadDatHeader(root_, userList, header) != 0) return;
        header.createDate = reply.date;
        header.createTime = reply.time;
        header.changeDate = reply.date;
        header.changeTime = reply.time;
        history_->WriteDatHeader(root_, userList, header);
        return;
    }

    // 1. What the files hold.
    std::vector<UserInfoBase> stored = history_->ReadDatList<UserInfoBase>(root_, userList);
    for (UserInfoBase& u : stored) wire::TerminateFields(u, CodePage());
    UserRecordIndex users(std::move(stored));
    std::map<int32_t, std::string> categoryNames;
    for (CategoryRecord& c : history_->ReadDatList<CategoryRecord>(root_, folder + L"friendType.dat")) {
        wire::TerminateFields(c, CodePage());
        categoryNames[c.id] = c.name;
    }
    std::vector<FriendUpdateRecord> kept =
        history_->ReadDatList<FriendUpdateRecord>(root_, folder + L"friendUpdate.dat");

    // 2. The update records that concern this user. A kept record concerns
    // one friend of the user; the first one of each friend is replaced.
    std::unordered_map<int32_t, size_t> keptAt;
    keptAt.reserve(kept.size() + reply.updates.size());
    for (size_t i = 0; i < kept.size(); ++i) {
        if (kept[i].userA == user) keptAt.emplace(kept[i].userB, i);
        if (kept[i].userB == user) keptAt.emplace(kept[i].userA, i);
    }
    std::map<int32_t, int32_t> friendCategory;
    for (const FriendUpdateRecord& update : reply.updates) {
        int32_t friendId;
        if (update.userA == user) {
            friendId = update.userB;
        } else if (update.userB == user) {
            friendId = update.userA;
        } else {
            continue;
        }
        if (update.operation == 1) {
            const auto [it, appended] = keptAt.emplace(friendId, kept.size());
            if (appended) {
                kept.push_back(update);
            } else {
                kept[it->second] = update;
            }
        }
        if (update.operation == 0 || update.categoryId == 5) {
            users.RemoveAll(friendId);
        } else if (update.operation == 2) {
            auto name = categoryNames.find(update.categoryId);
            users.ForEach(friendId, [&](UserInfoBase& u) {
                std::memset(u.category, 0, sizeof u.category);
                if (name != categoryNames.end()) {
                    wire::CopyTextField(u.category, sizeof u.category, name->second.data(), name->second.size(),
                                        CodePage());
                }
            });
        }
        friendCategory[friendId] = update.categoryId;
    }

    // 3. The user entries.
    for (wire::ParsedUser entry : reply.users) {
        if (entry.categoryId < 1) {
            auto it = friendCategory.find(entry.userId);
            if (it != friendCategory.end()) entry.categoryId = it->second;
        }
        if (entry.categoryId < 1) entry.categoryId = 5;
        const UserInfoBase record = MakeUserRecord(entry, categoryNames);
        users.Put(record);
        store_.users[record.userId] = record;
    }
    const std::vector<UserInfoBase> merged = users.Take();

    // 4. Both files, stamped with the reply's date and time.
    WriteList(userList,
              MakeDatHeader(reply.date, reply.time, reply.date, reply.time, sizeof(UserInfoBase), merged.size()),
              merged);
    WriteList(folder + L"friendUpdate.dat",
              MakeDatHeader(reply.date, reply.time, reply.date, reply.time, sizeof(FriendUpdateRecord),
                            kept.size()),
              kept);

    // 5, 6.
    LoadContactFiles(user);
    if (user == OwnId()) {
        Send(WM_IM_NOTIFY, NOTIFY_FRIENDLIST, 0);
        RequestStatusList();
    } else {
        Send(WM_IM_NOTIFY, NOTIFY_USERLIST, user);
    }
}

void CProtocolSession::OnUserFriends(const uint8_t* body, size_t length) {
    wire::UserFriendsReply reply;
    if (!wire::ParseUserFriendsReply(body, length, reply)) return;
    const std::vector<CategoryRecord> categories = MakeCategories(reply.categories);
    if (!categories.empty()) {
        const engine::LocalTime now = Now();
        WriteList(ListFolder(reply.userId) + L"friendType.dat",
                  MakeDatHeader(now.Date(), now.Hhmmss(), now.Date(), now.Hhmmss(), sizeof(CategoryRecord),
                                categories.size()),
                  categories);
    }
    LoadContactFiles(reply.userId);
    if (reply.userId == OwnId()) {
        Send(WM_IM_NOTIFY, NOTIFY_FRIENDLIST, 0);
    } else {
        Send(WM_IM_NOTIFY, NOTIFY_USERLIST, reply.userId);
    }
}

void CProtocolSession::OnSetCommReply(const uint8_t* body, size_t length) {
    wire::SetCommReplyReply reply;
    if (!wire::ParseSetCommReplyReply(body, length, reply)) return;
    if (reply.result <= 0 || reply.operation == COMMREPLY_OP_DELETE) {
        RequestCommReply();
        return;
    }
    Post(WM_IM_COMMREPLYSET, static_cast<uintptr_t>(reply.position), reply.id);
}

void CProtocolSession::OnCommReply(const uint8_t* body, size_t length) {
    std::vector<wire::CommReplyEntry> entries;
    if (!wire::ParseCommReplies(body, length, entries)) return;
    std::vector<CommReplyRecord> replies;
    replies.reserve(entries.size());
    for (const auto& e : entries) replies.push_back({e.id, e.position, std::string(e.text.data, e.text.length)});
    store_.commReplies = std::move(replies);
    Post(WM_IM_COMMREPLY, 0, 0);
}
