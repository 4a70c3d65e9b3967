// CProtocolSession: the requests and handlers that both engine builds share
// (log-on and log-out, text messages, friend and status lists, user
// information, memos, the own profile, file offers) and the dispatcher.
// Where the messenger build differs, the variant value decides.
#include "ProtocolSession.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "Md5.h"

using engine::EngineVariant;
namespace wire = engine::wire;

namespace {

// Log texts of the engine.
const wchar_t kLogLogonOk[] = L"\u767B\u5F55\u6210\u529F";                  // log-on succeeded
const wchar_t kLogPrepareLogout[] = L"\u51C6\u5907\u4E0B\u7EBF...";         // going offline
const wchar_t kLogLoggedOut[] = L"\u6210\u529F\u4E0B\u7EBF";                // offline
const wchar_t kLogMsgNo[] = L"\u6D88\u606F\u7F16\u53F7:";                   // message number
const wchar_t kLogSendFailed[] = L" \u53D1\u9001\u5931\u8D25, \u670D\u52A1\u5668\u5F53\u524D\u65F6\u95F4:";
const wchar_t kLogErrorCode[] = L", \u9519\u8BEF\u4EE3\u7801: ";
const wchar_t kLogLoggingOn[] = L"\u6B63\u5728\u767B\u5F55:";               // logging on
const wchar_t kLogLogoutReply[] = L"\u4E0B\u7EBF\u5E94\u7B54,\u7ED3\u679C:";  // log-out reply, result:

constexpr int32_t kKindBoth = 3;

}  // namespace

CProtocolSession::CProtocolSession(EngineVariant variant, CDataTree& store, engine::SendQueue& queue,
                                   const engine::EnginePorts& ports, std::wstring rootFolder)
    : variant_(variant), store_(store), queue_(queue), ports_(ports), root_(std::move(rootFolder)) {
    if (ports_.files != nullptr) history_ = std::make_unique<engine::HistoryFiles>(variant_, *ports_.files);
}

// ---- Plumbing -----------------------------------------------------------------

void CProtocolSession::Queue(uint32_t command, const std::vector<uint8_t>& body, bool front) {
    // The messenger build never sends the desk's commands.
    if (!IsDesk() && command >= CMD_GET_GROUP_USER_LIST && command <= CMD_GET_COMM_REPLY) return;
    engine::Packet packet = wire::BuildPacket(command, body);
    if (front) {
        queue_.PushFront(std::move(packet));
    } else {
        queue_.PushBack(std::move(packet));
    }
}

void CProtocolSession::Post(unsigned message, uintptr_t wParam, intptr_t lParam) {
    if (ports_.notifier != nullptr) ports_.notifier->Post(message, wParam, lParam);
}

void CProtocolSession::Send(unsigned message, uintptr_t wParam, intptr_t lParam) {
    // The client handles a sent notification at once and may read the
    // history files: what a batch kept is written first.
    if (history_) history_->Flush();
    if (ports_.notifier != nullptr) ports_.notifier->Send(message, wParam, lParam);
}

void CProtocolSession::BeginHistoryBatch() {
    if (history_) history_->BeginBatch();
}

void CProtocolSession::EndHistoryBatch() {
    if (history_) history_->EndBatch();
}

void CProtocolSession::CloseHistoryFiles() {
    if (history_) history_->CloseFiles();
}

void CProtocolSession::Log(const std::wstring& text) {
    if (ports_.log != nullptr) ports_.log->Write(text);
}

std::wstring CProtocolSession::Widen(const char* text, size_t fieldSize) const {
    const void* nul = std::memchr(text, 0, fieldSize);
    const size_t length = nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - text) : fieldSize;
    if (ports_.codePage != nullptr) return ports_.codePage->FromAnsi(text, length);
    return std::wstring(text, text + length);
}

engine::LocalTime CProtocolSession::Now() const {
    return ports_.clock != nullptr ? ports_.clock->Now() : engine::LocalTime{};
}

std::wstring CProtocolSession::ListFolder(int32_t userId) const {
    std::wstring folder = engine::IdText(OwnId()) + L"\\";
    if (userId != OwnId()) folder += L"MyGroup\\" + engine::IdText(userId) + L"\\";
    return folder;
}

FriendListRecord* CProtocolSession::KnownListOwner(int32_t userId) {
    FriendListRecord* record = store_.FindFriendList(userId);
    return record != nullptr && record->userId == userId ? record : nullptr;
}

DatFileHeader CProtocolSession::MakeDatHeader(int32_t createDate, int32_t createTime,
                                              int32_t changeDate, int32_t changeTime,
                                              size_t recordSize, size_t count) {
    DatFileHeader header;
    std::memset(&header, 0, sizeof header);
    header.kind = DAT_FILE_KIND;
    header.createDate = createDate;
    header.createTime = createTime;
    header.changeDate = changeDate;
    header.changeTime = changeTime;
    header.recordSize = static_cast<int32_t>(recordSize);
    header.recordCount = static_cast<int32_t>(count);
    return header;
}

void CProtocolSession::FileMessage(const TextMsgRecord& msg, bool sent) {
    if (!history_) return;
    if (IsDesk()) {
        const int32_t peer = msg.senderId == OwnId() ? msg.receiverId : msg.senderId;
        auto it = store_.switchRecords.find(peer);
        if (it != store_.switchRecords.end() && it->second.customerId != 0 &&
            it->second.owningAgent != OwnId()) {
            const std::wstring path = root_ + engine::IdText(OwnId()) + L"\\MyGroup\\" +
                                      engine::IdText(it->second.owningAgent) + L"\\msg\\" +
                                      engine::IdText(it->second.customerId) + L".msg";
            history_->AppendMsgRecord(msg, path, engine::HistoryFiles::AppendRule::KeepAll);
            return;
        }
    }
    history_->WriteChatRecord(msg, root_, sent);
}

std::vector<CategoryRecord> CProtocolSession::MakeCategories(
    const std::vector<wire::ParsedCategory>& parsed) const {
    std::vector<CategoryRecord> categories;
    categories.reserve(parsed.size());
    for (const auto& c : parsed) {
        CategoryRecord record;
        std::memset(&record, 0, sizeof record);
        record.id = c.id;
        record.order = c.order;
        wire::CopyTextField(record.name, sizeof record.name, c.name.data, c.name.length, CodePage());
        categories.push_back(record);
    }
    std::stable_sort(categories.begin(), categories.end(),
                     [](const CategoryRecord& a, const CategoryRecord& b) { return a.order > b.order; });
    return categories;
}

UserInfoBase CProtocolSession::MakeUserRecord(const wire::ParsedUser& user,
                                              const std::map<int32_t, std::string>& names) const {
    UserInfoBase record;
    std::memset(&record, 0, sizeof record);
    record.userId = user.userId;
    record.carried = user.word;
    record.userType = user.userType;
    record.status = STATUS_OFFLINE;
    const engine::ICodePage* cp = CodePage();
    wire::CopyTextField(record.nickname, sizeof record.nickname, user.name.data, user.name.length, cp);
    wire::CopyTextField(record.memo, sizeof record.memo, user.memo.data, user.memo.length, cp);
    wire::CopyTextField(record.signature, sizeof record.signature, user.signature.data,
                        user.signature.length, cp);
    auto it = names.find(user.categoryId);
    if (it != names.end()) {
        wire::CopyTextField(record.category, sizeof record.category, it->second.data(),
                            it->second.size(), cp);
    }
    return record;
}

void CProtocolSession::BuildFriendLists(const wire::FriendListBody& body,
                                        std::vector<CategoryRecord>& categories, FriendMap& friends,
                                        std::vector<UserInfoBase>& users) {
    users.clear();
    friends.clear();
    categories = MakeCategories(body.categories);
    std::map<int32_t, std::string> names;
    for (const CategoryRecord& c : categories) {
        names.emplace(c.id, std::string(c.name));
        friends[Widen(c.name, sizeof c.name)];
    }
    users.reserve(body.users.size());
    UserInfoExt ext;
    std::memset(&ext, 0, sizeof ext);
    for (const wire::ParsedUser& u : body.users) {
        const UserInfoBase record = MakeUserRecord(u, names);
        users.push_back(record);
        store_.users[record.userId] = record;
        store_.usersExt[record.userId] = ext;
    }
    // Each user into the entry of its category name (one conversion per name).
    std::map<std::string, std::vector<UserInfoBase>*> entries;
    for (const UserInfoBase& record : users) {
        const std::string name(record.category, strnlen(record.category, sizeof record.category));
        auto it = entries.find(name);
        if (it == entries.end()) it = entries.emplace(name, &friends[Widen(record.category, sizeof record.category)]).first;
        it->second->push_back(record);
    }
}

// ---- Dispatch -------------------------------------------------------------------

bool CProtocolSession::Dispatch(const uint8_t* packet, size_t length) {
    PacketHeader header;
    if (!wire::ReadHeader(packet, length, header)) return false;
    const uint8_t* body = packet + PACKET_HEADER_SIZE;
    const size_t n = header.bodyLength;
    if (!wire::Accepts(variant_, header.command, body, n)) return false;

    switch (header.command) {
    case CMD_LOGON: OnLogonReply(body, n); return true;
    case CMD_LOGOUT: OnLogoutReply(body, n); return true;
    case CMD_CHANGE_STATUS: OnStatusChange(body, n); return true;
    case CMD_GET_FRIEND_LIST: OnFriendList(body, n); return true;
    case CMD_GET_STATUS_LIST: OnStatusList(body, n); return true;
    case CMD_GET_USER_INFO: OnUserInfo(body, n); return true;
    case CMD_REPLY_16:
    case CMD_REPLY_17: return true;  // checked, no effect
    case CMD_TEXT_MSG:
        if (IsDesk() && n >= TEXTMSG_HEAD_SIZE) {
            // A message between two others is a message record of a customer.
            wire::MessageBody msg;
            wire::ParseTextMsg(body, n, msg);
            if (msg.head.senderId != OwnId() && msg.head.receiverId != OwnId()) {
                wire::MsgRecordReply record;
                if (!wire::ParseMsgRecordReply(body, n, record) || !IsSaneMsgRecord(record)) return false;
                HandleMsgRecord(record);
                return true;
            }
        }
        OnTextMsg(body, n);
        return true;
    case CMD_INPUT_STATUS: OnInputStatus(body, n); return true;
    case CMD_UPDATE_MY_INFO: OnMyInfoReply(body, n); return true;
    case CMD_UPDATE_USER_MEMO: OnUserMemo(body, n); return true;
    case CMD_FILE_REQUEST: OnFileRequest(body, n); return true;
    default: break;
    }
    if (!IsDesk()) return false;
    switch (header.command) {
    case CMD_GET_GROUP_USER_LIST: OnGroupUserList(body, n); return true;
    case CMD_UPDATE_TALK_LIST: OnTalkList(body, n); return true;
    case CMD_GET_USER_LIST: OnUserList(body, n); return true;
    case CMD_GET_MSG_RECORDS: OnMsgRecords(body, n); return true;
    case CMD_GET_USER_STATUS: OnUserStatus(body, n); return true;
    case CMD_GET_SWITCH_USER_LIST: OnSwitchUserList(body, n); return true;
    case CMD_SWITCH_CUSTOMER: OnSwitchCustomer(body, n); return true;
    case CMD_GRAB_CUSTOMER: OnGrabCustomer(body, n); return true;
    case CMD_GET_SWITCH_RECORDS: OnSwitchRecords(body, n); return true;
    case CMD_SEARCH_MSG: OnSearchMsg(body, n); return true;
    case CMD_GET_USERS_INFO: OnUsersInfo(body, n); return true;
    case CMD_GET_FRIEND_UPDATE: OnFriendUpdate(body, n); return true;
    case CMD_GET_USER_FRIENDS: OnUserFriends(body, n); return true;
    case CMD_SET_COMM_REPLY: OnSetCommReply(body, n); return true;
    case CMD_GET_COMM_REPLY: OnCommReply(body, n); return true;
    default: return false;
    }
}

// ---- Requests ---------------------------------------------------------------------

engine::Packet CProtocolSession::BuildLogonPacket() {
    std::string digest;
    if (store_.logonType == LOGON_TYPE_PASSWORD) {
        // The digest covers the whole password in the ANSI code page.
        const std::string ansi = ports_.codePage != nullptr
                                     ? ports_.codePage->ToAnsi(store_.password)
                                     : std::string(store_.password.begin(), store_.password.end());
        digest = MD5::Of(ansi.data(), ansi.size());
    } else if (!IsDesk()) {
        Log(kLogLoggingOn + std::to_wstring(store_.logonId) + std::to_wstring(store_.logonType) + L".");
    }
    return wire::BuildPacket(CMD_LOGON, wire::LogonBody(store_.logonId, digest, store_.logonType));
}

void CProtocolSession::SendLogon() {
    queue_.ResetWith(BuildLogonPacket());
}

void CProtocolSession::SendLogout(bool front) {
    Log(kLogPrepareLogout);
    // At the front it goes ahead of everything queued (the desk's messages
    // in the front lane included): it is asked for at a stop, and the send
    // thread's grace rounds must carry it whatever the queue holds.
    engine::Packet packet = wire::BuildPacket(CMD_LOGOUT, wire::OneWord(OwnId()));
    if (front) {
        queue_.PushFirst(std::move(packet));
    } else {
        queue_.PushBack(std::move(packet));
    }
}

bool CProtocolSession::SendHeartbeat() {
    if (!LoggedOn() || !queue_.Empty()) return false;
    Queue(CMD_HEARTBEAT, {});
    return true;
}

void CProtocolSession::SendAfterLogonRequests() {
    const int32_t own = OwnId();
    if (!IsDesk()) {
        RequestUserInfo(own, kKindBoth);
        RequestFriendList();
        RequestStatusList();
        RequestPostLogon();
        return;
    }
    RequestUserInfo(own, kKindBoth);
    RequestGroupUserList(own);
    RequestSwitchRecords();
    RequestTalkList(own, TALKLIST_REGISTERED, true);
    RequestTalkList(own, TALKLIST_CONTACT, true);
    RequestUserFriends(own);
    RequestFriendUpdate(own);
    RequestStatusList();
    RequestPostLogon();
    RequestCommReply();
}

void CProtocolSession::SendTextMsg(const TextMsgRecord& msg) {
    // The copy is kept before the packet can go out, so that an early
    // acknowledgement always finds it.
    if (msg.type != 1) {
        bool fresh = false;
        {
            std::lock_guard<std::mutex> lock(outcomeLock_);
            auto it = outcomes_.find(msg.time);
            // A message of that id still waiting for its outcome keeps its
            // entry; one whose outcome went out is forgotten for the new one.
            fresh = it == outcomes_.end() || it->second.state == OutcomeState::Done;
            if (fresh) outcomes_[msg.time] = OutcomeEntry{OutcomeState::Queued, ++nextSerial_};
        }
        if (fresh) {
            store_.ReplaceSentMsg(msg);
        } else {
            store_.KeepSentMsg(msg);
        }
        TrimRemembered();
    }
    QueueChatPacket(wire::BuildPacket(CMD_TEXT_MSG, wire::TextMsgBody(msg)));
}

void CProtocolSession::QueueChatPacket(engine::Packet packet) {
    {
        // Behind the messages held across a reconnect, until its log-on reply.
        std::lock_guard<std::mutex> lock(heldLock_);
        if (awaitingLogon_) {
            held_.push_back(std::move(packet));
            return;
        }
    }
    if (IsDesk()) {
        queue_.PushFront(std::move(packet));
    } else {
        queue_.PushBack(std::move(packet));
    }
}

namespace {

// The id of a text message that the engine keeps as sent (a chat message
// whose type is not 1); false for any other packet.
bool KeptTextMsgId(const engine::Packet& packet, int32_t& msgId) {
    PacketHeader header;
    if (!wire::ReadHeader(packet.data(), packet.size(), header) || header.command != CMD_TEXT_MSG ||
        header.bodyLength < TEXTMSG_HEAD_SIZE)
        return false;
    const uint8_t* body = packet.data() + PACKET_HEADER_SIZE;
    int32_t type = 0;
    std::memcpy(&type, body, 4);
    std::memcpy(&msgId, body + 8, 4);
    return type != 1;
}

bool IsChatPacket(const engine::Packet& packet) {
    PacketHeader header;
    return wire::ReadHeader(packet.data(), packet.size(), header) && header.command == CMD_TEXT_MSG &&
           header.bodyLength >= TEXTMSG_HEAD_SIZE;
}

}  // namespace

void CProtocolSession::MarkDone(int32_t msgId, OutcomeEntry& entry) {
    entry.state = OutcomeState::Done;
    doneOrder_.emplace_back(msgId, entry.serial);
}

bool CProtocolSession::ClaimOutcome(int32_t msgId) {
    std::lock_guard<std::mutex> lock(outcomeLock_);
    auto it = outcomes_.find(msgId);
    if (it == outcomes_.end()) return true;
    if (it->second.state == OutcomeState::Done) return false;
    MarkDone(msgId, it->second);
    return true;
}

void CProtocolSession::TrimRemembered() {
    std::vector<int32_t> forgotten;
    {
        std::lock_guard<std::mutex> lock(outcomeLock_);
        while (doneOrder_.size() > kMaxRememberedOutcomes) {
            const auto [msgId, serial] = doneOrder_.front();
            doneOrder_.pop_front();
            auto it = outcomes_.find(msgId);
            if (it == outcomes_.end() || it->second.serial != serial || it->second.state != OutcomeState::Done)
                continue;  // taken by the client, or the id was used again since
            outcomes_.erase(it);
            forgotten.push_back(msgId);
        }
    }
    // Their copies go too (the client never took them: failed messages).
    for (int32_t msgId : forgotten) store_.sentMsgs.erase(msgId);
}

bool CProtocolSession::MarkSent(const std::vector<engine::Packet>& run, size_t bytes, uint32_t connection) {
    size_t end = 0;
    bool lostAlready = false;
    std::lock_guard<std::mutex> lock(outcomeLock_);
    // The connection's loss was recorded while these bytes were on their
    // way: no acknowledgement will come for them, and the failures of that
    // loss may have been told already.
    const bool lost = anyConnectionLost_ && int32_t(connection - lostConnection_) <= 0;
    for (const engine::Packet& packet : run) {
        end += packet.size();
        if (end > bytes) break;
        int32_t msgId = 0;
        if (!KeptTextMsgId(packet, msgId)) continue;
        auto it = outcomes_.find(msgId);
        if (it == outcomes_.end() || it->second.state != OutcomeState::Queued) continue;
        it->second.state = lost ? OutcomeState::Lost : OutcomeState::Sent;
        lostAlready = lostAlready || lost;
    }
    return lostAlready;
}

void CProtocolSession::HoldUnsent(engine::Packet packet) {
    if (!IsChatPacket(packet)) return;
    std::lock_guard<std::mutex> lock(heldLock_);
    held_.push_back(std::move(packet));
}

void CProtocolSession::AwaitLogon() {
    std::lock_guard<std::mutex> lock(heldLock_);
    awaitingLogon_ = true;
    heldAtAwait_ = held_.size();
}

void CProtocolSession::HoldForLogon(std::vector<engine::Packet> dropped) {
    std::vector<engine::Packet> chat;
    for (engine::Packet& packet : dropped)
        if (IsChatPacket(packet)) chat.push_back(std::move(packet));
    std::lock_guard<std::mutex> lock(heldLock_);
    awaitingLogon_ = true;
    // Older than the messages held since AwaitLogon, younger than those
    // that failed to go out before it.
    const size_t at = std::min(heldAtAwait_, held_.size());
    held_.insert(held_.begin() + static_cast<std::ptrdiff_t>(at), std::make_move_iterator(chat.begin()),
                 std::make_move_iterator(chat.end()));
}

void CProtocolSession::LoseSentMessages(uint32_t connection) {
    std::lock_guard<std::mutex> lock(outcomeLock_);
    if (!anyConnectionLost_ || int32_t(connection - lostConnection_) > 0) lostConnection_ = connection;
    anyConnectionLost_ = true;
    for (auto& [msgId, entry] : outcomes_)
        if (entry.state == OutcomeState::Sent) entry.state = OutcomeState::Lost;
}

void CProtocolSession::FailLostMessages() {
    std::vector<int32_t> failed;
    {
        std::lock_guard<std::mutex> lock(outcomeLock_);
        for (auto& [msgId, entry] : outcomes_) {
            if (entry.state != OutcomeState::Lost) continue;
            MarkDone(msgId, entry);
            failed.push_back(msgId);
        }
    }
    for (int32_t msgId : failed) Post(WM_IM_MSGFAILED, static_cast<uintptr_t>(msgId), msgId);
}

void CProtocolSession::FailAwaitingMessages() {
    {
        // What was held will never be sent now.
        std::lock_guard<std::mutex> lock(heldLock_);
        held_.clear();
        awaitingLogon_ = false;
    }
    std::vector<int32_t> failed;
    {
        std::lock_guard<std::mutex> lock(outcomeLock_);
        for (auto& [msgId, entry] : outcomes_) {
            if (entry.state == OutcomeState::Done) continue;
            MarkDone(msgId, entry);
            failed.push_back(msgId);
        }
    }
    for (int32_t msgId : failed) Post(WM_IM_MSGFAILED, static_cast<uintptr_t>(msgId), msgId);
}

bool CProtocolSession::TakeSentMsg(int32_t msgId, TextMsgRecord& out) {
    if (!store_.TakeSentMsg(msgId, out)) return false;
    std::lock_guard<std::mutex> lock(outcomeLock_);
    auto it = outcomes_.find(msgId);
    if (it != outcomes_.end() && it->second.state == OutcomeState::Done) outcomes_.erase(it);
    return true;
}

size_t CProtocolSession::HeldMessages() const {
    std::lock_guard<std::mutex> lock(heldLock_);
    return held_.size();
}

size_t CProtocolSession::RememberedOutcomes() const {
    std::lock_guard<std::mutex> lock(outcomeLock_);
    return outcomes_.size();
}

void CProtocolSession::RequestFriendList() { Queue(CMD_GET_FRIEND_LIST, {}); }
void CProtocolSession::RequestStatusList() { Queue(CMD_GET_STATUS_LIST, {}); }
void CProtocolSession::RequestPostLogon() { Queue(CMD_POST_LOGON, {}); }

void CProtocolSession::RequestUserInfo(int32_t userId, int32_t kind) {
    Queue(CMD_GET_USER_INFO, wire::UserInfoRequest(userId, kind));
}

void CProtocolSession::RequestStatusChange(int32_t status) {
    Queue(CMD_CHANGE_STATUS, wire::OneWord(status));
}

void CProtocolSession::SendInputStatus(int32_t peerId) {
    Queue(CMD_INPUT_STATUS, wire::TwoWords(OwnId(), peerId));
}

void CProtocolSession::SendUserMemo(int32_t word1, int32_t word2, const char* memo) {
    Queue(CMD_UPDATE_USER_MEMO, wire::UserMemoBody(word1, word2, memo));
}

void CProtocolSession::SendMyInfo(const UserInfoBase& base, const UserInfoExt& ext) {
    Queue(CMD_UPDATE_MY_INFO, wire::MyInfoBody(base, ext));
}

void CProtocolSession::SendFileRespond(const FileRequestRecord& record, int32_t code) {
    Queue(CMD_FILE_REQUEST, wire::FileRequestBody(record, code));
}

void CProtocolSession::ReportUnsentPacket(const engine::Packet& packet) {
    int32_t msgId = 0;
    if (!KeptTextMsgId(packet, msgId)) return;  // type 1 is never held, never acknowledged
    if (!ClaimOutcome(msgId)) return;            // it has its outcome already
    Post(WM_IM_MSGFAILED, static_cast<uintptr_t>(msgId), msgId);
}

// ---- Shared handlers --------------------------------------------------------------

void CProtocolSession::OnLogonReply(const uint8_t* body, size_t length) {
    wire::LogonReply reply;
    if (!wire::ParseLogonReply(body, length, reply)) return;
    const bool ok = reply.result == LOGON_OK;
    SetLoggedOn(ok);
    // The chat messages held across a reconnect go out now, after the
    // requests of the session's start; a refused log-on fails them.
    std::vector<engine::Packet> held;
    {
        std::lock_guard<std::mutex> lock(heldLock_);
        held.swap(held_);
        awaitingLogon_ = false;
    }
    if (ok) {
        store_.curUserId = reply.userId;
        store_.reconnectAttempts.store(0);
        Log(kLogLogonOk);
        SendAfterLogonRequests();
        for (engine::Packet& packet : held) QueueChatPacket(std::move(packet));
    } else {
        store_.curUserId = 0;
        for (const engine::Packet& packet : held) ReportUnsentPacket(packet);
    }
    Post(WM_IM_LOGON, ok ? 1 : 0, reply.result);
}

void CProtocolSession::OnLogoutReply(const uint8_t* body, size_t length) {
    if (length < 4) return;
    int32_t result = 0;
    wire::BodyReader(body, length).Int32(result);
    if (result != LOGON_OK && result != LOGON_ERR_PASSWORD) {
        // Only these two end the session; the clients read any WM_IM_LOGOUT
        // with wParam 0 as "logged on elsewhere" and leave.
        Log(kLogLogoutReply + std::to_wstring(result));
        return;
    }
    store_.running.store(0);
    store_.ownStatus = STATUS_OFFLINE;
    SetLoggedOn(false);
    if (!IsDesk()) store_.UserInfoBaseAt(OwnId()).status = STATUS_OFFLINE;
    Log(kLogLoggedOut);
    CloseHistoryFiles();
    Post(WM_IM_LOGOUT, result == LOGON_OK ? 1 : 0, 0);
}

void CProtocolSession::OnStatusChange(const uint8_t* body, size_t length) {
    if (length < 8) return;
    wire::BodyReader r(body, length);
    int32_t userId = 0, status = 0;
    r.Int32(userId);
    r.Int32(status);
    if (IsDesk()) {
        UserInfoBase& record = store_.UserInfoBaseAt(userId);
        if (record.userId == userId) record.status = status;
        if (userId == OwnId()) store_.ownStatus = status;
    } else if (userId == OwnId()) {
        // Only a notice about the own id changes data; without an own record
        // nothing is posted.
        store_.ownStatus = status;
        if (!store_.IsKnownUser(userId)) return;
        store_.users.at(userId).status = status;
    }
    Post(WM_IM_USERSTATUS, static_cast<uintptr_t>(userId), status);
}

void CProtocolSession::OnFriendList(const uint8_t* body, size_t length) {
    if (length > 4) {
        wire::BodyReader r(body, length);
        const wire::FriendListBody list = wire::ParseFriendListBody(r);
        std::vector<UserInfoBase> users;
        BuildFriendLists(list, store_.ownCategories, store_.ownFriends, users);
        if (!users.empty() && history_) {
            const std::wstring relative = engine::IdText(OwnId()) + L"\\userlist.dat";
            DatFileHeader header;
            if (IsDesk()) {
                const int32_t today = Now().Date();
                header = MakeDatHeader(today, 0, today, 0, sizeof(UserInfoBase), users.size());
            } else {
                // The messenger keeps the file's own header and replaces only
                // the record size and the count.
                if (history_->ReadDatHeader(root_, relative, header) != 0) {
                    std::memset(&header, 0, sizeof header);
                }
                header.recordSize = sizeof(UserInfoBase);
                header.recordCount = static_cast<int32_t>(users.size());
            }
            WriteList(relative, header, users);
        }
        Send(WM_IM_NOTIFY, NOTIFY_FRIENDLIST, 0);
        return;
    }
    // An empty list stores nothing; the messenger posts its notice.
    if (IsDesk()) {
        Send(WM_IM_NOTIFY, NOTIFY_FRIENDLIST, 0);
    } else {
        Post(WM_IM_NOTIFY, NOTIFY_FRIENDLIST, 0);
    }
}

void CProtocolSession::OnStatusList(const uint8_t* body, size_t length) {
    std::vector<wire::IdStatus> entries;
    if (!wire::ParseIdStatusList(body, length, entries)) return;
    std::map<int32_t, int32_t> statuses;
    for (const auto& e : entries) statuses[e.userId] = e.status;  // the later entry wins
    if (IsDesk()) {
        for (const auto& [userId, status] : statuses) {
            UserInfoBase& record = store_.UserInfoBaseAt(userId);
            if (record.userId == userId) record.status = status;
        }
    }
    for (auto& [name, members] : store_.ownFriends) {
        for (UserInfoBase& member : members) {
            auto it = statuses.find(member.userId);
            if (it != statuses.end()) {
                member.status = it->second;
            } else if (!IsDesk()) {
                member.status = STATUS_OFFLINE;
            }
        }
    }
    Post(WM_IM_NOTIFY, NOTIFY_STATUSLIST, 0);
}

void CProtocolSession::OnUserInfo(const uint8_t* body, size_t length) {
    wire::UserInfoReply reply;
    bool stored = false;
    if (wire::ParseUserInfoReply(body, length, reply)) {
        if (reply.hasBase) {
            UserInfoBase fresh = reply.base;
            wire::TerminateFields(fresh, CodePage());
            UserInfoBase& record = store_.UserInfoBaseAt(reply.userId);
            if (IsDesk() && record.category[0] != '\0' && fresh.category[0] == '\0') {
                std::memcpy(fresh.category, record.category, sizeof fresh.category);
            }
            record = fresh;
            if (reply.userId == OwnId()) store_.ownStatus = fresh.status;
            stored = true;
        }
        if (reply.hasExt) {
            UserInfoExt ext = reply.ext;
            wire::TerminateFields(ext, CodePage());
            store_.UserInfoExtAt(reply.userId) = ext;
            stored = true;
        }
    }
    Post(WM_IM_NOTIFY, NOTIFY_USERINFO, stored ? reply.userId : -1);
}

void CProtocolSession::OnTextMsg(const uint8_t* body, size_t length) {
    if (length == sizeof(TextMsgAck)) {
        TextMsgAck ack;
        wire::ParseTextMsgAck(body, length, ack);
        if (ack.result == 1 || ack.result == 5) {
            TextMsgRecord copy;
            std::memset(&copy, 0, sizeof copy);
            copy.type = 1;
            if (!store_.GetSentMsg(ack.msgId, copy)) return;  // no longer held
            // Told failed already (its connection had ended): one outcome only.
            if (!ClaimOutcome(ack.msgId)) return;
            store_.StampSentMsg(ack.msgId, ack.date, ack.time);
            store_.GetSentMsg(ack.msgId, copy);
            FileMessage(copy, true);
            Post(WM_IM_MSGSENT, static_cast<uintptr_t>(ack.msgId), ack.time);
        } else {
            if (!ClaimOutcome(ack.msgId)) return;
            Log(kLogMsgNo + std::to_wstring(ack.msgId) + kLogSendFailed + std::to_wstring(ack.time) +
                kLogErrorCode + std::to_wstring(ack.result));
            Post(WM_IM_MSGFAILED, static_cast<uintptr_t>(ack.msgId), ack.time);
        }
        return;
    }
    wire::MessageBody parsed;
    if (!wire::ParseTextMsg(body, length, parsed)) return;
    TextMsgRecord msg = parsed.head;
    const size_t kept = wire::CutText(parsed.text.data, parsed.text.length, TEXTMSG_TEXT_SIZE - 1, CodePage());
    std::memcpy(msg.text, parsed.text.data, kept);
    msg.text[kept] = '\0';

    const bool fromOwn = IsDesk() && msg.senderId == OwnId();
    const int32_t peer = fromOwn ? msg.receiverId : msg.senderId;
    store_.PushReceivedMsg(peer, msg);
    FileMessage(msg, fromOwn);
    Post(WM_IM_NOTIFY, NOTIFY_NEWMSG, peer);
    if (msg.type == 0) Post(WM_IM_CHATMSG, static_cast<uintptr_t>(msg.senderId), 0);
}

void CProtocolSession::OnInputStatus(const uint8_t* body, size_t length) {
    if (length != 8) return;
    wire::BodyReader r(body, length);
    int32_t sender = 0, receiver = 0;
    r.Int32(sender);
    r.Int32(receiver);
    if (receiver == OwnId()) Post(WM_IM_NOTIFY, NOTIFY_INPUTSTATUS, sender);
}

void CProtocolSession::OnMyInfoReply(const uint8_t* body, size_t length) {
    int32_t result = 0;
    if (length == 4) wire::BodyReader(body, length).Int32(result);
    if (result == 1) return;
    // Anything but the single word 1 failed: ask for the own record again.
    RequestUserInfo(OwnId(), kKindBoth);
}

void CProtocolSession::OnUserMemo(const uint8_t* body, size_t length) {
    wire::MemoReply reply;
    if (!wire::ParseMemoReply(body, length, reply) || reply.result != 0) return;
    ApplyUserMemo(reply.userId, reply.memo.data, reply.memo.length);
    Post(WM_IM_NOTIFY, NOTIFY_USERMEMO, reply.userId);
}

void CProtocolSession::ApplyUserMemo(int32_t userId, const char* memo, size_t length) {
    if (IsDesk()) {
        UserInfoBase& record = store_.UserInfoBaseAt(userId);
        if (record.userId == userId) {
            wire::CopyTextField(record.memo, sizeof record.memo, memo, length, CodePage());
        }
    }
    for (auto& [name, members] : store_.ownFriends) {
        for (UserInfoBase& member : members) {
            if (member.userId == userId) {
                wire::CopyTextField(member.memo, sizeof member.memo, memo, length, CodePage());
                return;
            }
        }
    }
}

void CProtocolSession::OnFileRequest(const uint8_t* body, size_t length) {
    wire::FileRequestMsg request;
    if (!wire::ParseFileRequest(body, length, request)) return;
    wire::TerminateFields(request.record, CodePage());
    const int32_t peer = request.record.senderId;
    {
        std::lock_guard<std::mutex> lock(store_.fileRequestLock);
        auto& held = store_.fileRequests[peer];
        if (held.empty()) held.push_back(request.record);
    }
    // The client reads the record with MGetSendFileRequest while it handles this.
    Send(WM_IM_FILEREQUEST, static_cast<uintptr_t>(peer), request.code);
    std::lock_guard<std::mutex> lock(store_.fileRequestLock);
    store_.fileRequests[peer].clear();
}
