#include "MessagingCommands.h"

#include <sys/time.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <string>

#include "ImEngineApi.h"
#include "PacketFramer.h"

namespace chatserver {

namespace {

constexpr size_t kHeadSize = TEXTMSG_HEAD_SIZE;  // type .. extra id
constexpr size_t kMaxMessageBody = kHeadSize + TEXTMSG_TEXT_SIZE - 1;
constexpr size_t kMyInfoSize = 8 + sizeof(UserInfoBase) + sizeof(UserInfoExt);
constexpr size_t kFileRequestSize = sizeof(FileRequestRecord) + 4;
constexpr size_t kSenderAt = 12;  // in a message head
constexpr size_t kReceiverAt = 16;
constexpr size_t kFileSenderAt = 4;  // in a FileRequestRecord
constexpr size_t kFileReceiverAt = 8;

void PutWord(std::vector<uint8_t>& bytes, size_t at, int32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(uint32_t(value) >> (8 * i));
}

int32_t WordAt(const std::vector<uint8_t>& bytes, size_t at) { return int32_t(ReadWord(&bytes[at])); }

template <class Record>
void AppendRecord(std::vector<uint8_t>& out, const Record& record) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(&record);
    out.insert(out.end(), p, p + sizeof record);
}

std::vector<uint8_t> Words(std::initializer_list<int32_t> words) {
    std::vector<uint8_t> out;
    for (int32_t w : words) AppendWord(out, uint32_t(w));
    return out;
}

}  // namespace

ServerTime LocalServerTime() {
    timeval now{};
    gettimeofday(&now, nullptr);
    std::tm local{};
    const time_t seconds = now.tv_sec;
    localtime_r(&seconds, &local);
    ServerTime t;
    t.date = (local.tm_year + 1900) * 10000 + (local.tm_mon + 1) * 100 + local.tm_mday;
    t.time =
        local.tm_hour * 10000000 + local.tm_min * 100000 + local.tm_sec * 1000 + int32_t(now.tv_usec / 1000);
    return t;
}

MessagingCommands::MessagingCommands(World& world, ClientDirectory& clients, std::function<ServerTime()> now)
    : world_(world), clients_(clients), now_(std::move(now)) {}

void MessagingCommands::Register(CommandTable& table) {
    CommandTable::Handler logon = table.Find(CMD_LOGON);
    table.Add(CMD_LOGON, [this, logon](ClientContext& client, const Packet& packet) {
        const int32_t before = client.userId;
        if (logon) logon(client, packet);
        if (before && before != client.userId) OnLoggedOut(client, before);
        if (client.userId) OnLoggedOn(client);
    });
    CommandTable::Handler logout = table.Find(CMD_LOGOUT);
    table.Add(CMD_LOGOUT, [this, logout](ClientContext& client, const Packet& packet) {
        const int32_t userId = client.userId;
        if (logout) logout(client, packet);
        if (userId && !client.userId) OnLoggedOut(client, userId);
    });
    auto add = [this, &table](uint32_t command,
                              void (MessagingCommands::*handler)(ClientContext&, const Packet&)) {
        table.Add(command, [this, handler](ClientContext& client, const Packet& packet) {
            // Only a logged-on connection is served.
            if (client.userId) (this->*handler)(client, packet);
        });
    };
    add(CMD_CHANGE_STATUS, &MessagingCommands::OnChangeStatus);
    add(CMD_GET_FRIEND_LIST, &MessagingCommands::OnFriendList);
    add(CMD_GET_STATUS_LIST, &MessagingCommands::OnStatusList);
    add(CMD_POST_LOGON, &MessagingCommands::OnPostLogon);
    add(CMD_GET_USER_INFO, &MessagingCommands::OnUserInfo);
    add(CMD_TEXT_MSG, &MessagingCommands::OnTextMsg);
    add(CMD_INPUT_STATUS, &MessagingCommands::OnInputStatus);
    add(CMD_UPDATE_USER_MEMO, &MessagingCommands::OnUserMemo);
    add(CMD_UPDATE_MY_INFO, &MessagingCommands::OnMyInfo);
    add(CMD_FILE_REQUEST, &MessagingCommands::OnFileRequest);
}

bool MessagingCommands::Online(int32_t id, const ClientContext* except) {
    for (ClientContext* c : clients_.ConnectionsOf(id))
        if (c != except) return true;
    return false;
}

int32_t MessagingCommands::VisibleStatus(int32_t id) {
    const WorldUser* user = world_.Find(id);
    if (!user) return STATUS_OFFLINE;
    if (!Online(id)) return user->presence >= 0 ? user->presence : STATUS_OFFLINE;
    if (user->status == STATUS_INVISIBLE) return STATUS_OFFLINE;
    return user->status;
}

void MessagingCommands::SendTo(int32_t userId, uint32_t command, const std::vector<uint8_t>& body) {
    for (ClientContext* c : clients_.ConnectionsOf(userId)) c->Reply(command, body);
}

void MessagingCommands::AnnounceStatus(int32_t id, int32_t ownStatus) {
    SendTo(id, CMD_CHANGE_STATUS, Words({id, ownStatus}));
    const int32_t shown = ownStatus == STATUS_INVISIBLE ? STATUS_OFFLINE : ownStatus;
    for (int32_t watcher : world_.WatchersOf(id))
        if (watcher != id) SendTo(watcher, CMD_CHANGE_STATUS, Words({id, shown}));
}

void MessagingCommands::OnLoggedOn(ClientContext& client) {
    WorldUser* user = world_.Find(client.userId);
    if (!user) return;
    if (Online(client.userId, &client)) return;  // already online elsewhere
    user->status = STATUS_ONLINE;
    const std::vector<uint8_t> notice = Words({client.userId, STATUS_ONLINE});
    for (int32_t watcher : world_.WatchersOf(client.userId))
        if (watcher != client.userId) SendTo(watcher, CMD_CHANGE_STATUS, notice);
}

void MessagingCommands::OnLoggedOut(ClientContext& client, int32_t userId) {
    WorldUser* user = world_.Find(userId);
    if (!user || Online(userId, &client)) return;
    user->status = STATUS_OFFLINE;
    const std::vector<uint8_t> notice = Words({userId, STATUS_OFFLINE});
    for (int32_t watcher : world_.WatchersOf(userId))
        if (watcher != userId) SendTo(watcher, CMD_CHANGE_STATUS, notice);
}

void MessagingCommands::OnClosed(ClientContext& client) {
    if (!client.userId) return;
    const int32_t userId = client.userId;
    client.userId = 0;
    OnLoggedOut(client, userId);
}

void MessagingCommands::OnChangeStatus(ClientContext& client, const Packet& packet) {
    if (packet.body.size() < 4) return;
    const int32_t status = WordAt(packet.body, 0);
    WorldUser* user = world_.Find(client.userId);
    if (!user || status < STATUS_ONLINE || status > STATUS_OFFLINE) return;
    user->status = status;
    AnnounceStatus(client.userId, status);
}

void MessagingCommands::OnFriendList(ClientContext& client, const Packet&) {
    client.Reply(CMD_GET_FRIEND_LIST, world_.FriendListBody(client.userId));
}

// The own entry first, then every friend that others can see online.
void MessagingCommands::OnStatusList(ClientContext& client, const Packet&) {
    std::vector<std::pair<int32_t, int32_t>> entries;
    if (const WorldUser* own = world_.Find(client.userId)) {
        entries.push_back({own->id, own->status});
        for (const WorldFriend& f : own->friends) {
            const int32_t status = VisibleStatus(f.userId);
            if (status != STATUS_OFFLINE && entries.size() < 0xFFFF) entries.push_back({f.userId, status});
        }
    }
    std::vector<uint8_t> body;
    body.push_back(uint8_t(entries.size()));
    body.push_back(uint8_t(entries.size() >> 8));
    for (const auto& [id, status] : entries) {
        AppendWord(body, uint32_t(id));
        AppendWord(body, uint32_t(status));
    }
    client.Reply(CMD_GET_STATUS_LIST, body);
}

// The client is ready: what was stored for it while it was offline.
void MessagingCommands::OnPostLogon(ClientContext& client, const Packet&) {
    for (const std::vector<uint8_t>& body : world_.TakeMessages(client.userId))
        client.Reply(CMD_TEXT_MSG, body);
}

void MessagingCommands::OnUserInfo(ClientContext& client, const Packet& packet) {
    if (packet.body.size() < 8) return;
    const int32_t id = WordAt(packet.body, 0);
    const int32_t kind = packet.body[4];
    std::vector<uint8_t> body = Words({id, kind});
    if (world_.Find(id)) {
        const int32_t status = id == client.userId ? world_.Find(id)->status : VisibleStatus(id);
        if (kind == 1 || kind == 3) AppendRecord(body, world_.BaseRecord(id, client.userId, status));
        if (kind == 2 || kind == 3) AppendRecord(body, world_.ExtRecord(id));
    }
    client.Reply(CMD_GET_USER_INFO, body);
}

void MessagingCommands::OnTextMsg(ClientContext& client, const Packet& packet) {
    if (packet.body.size() < kHeadSize) return;  // acknowledgements go the other way only
    std::vector<uint8_t> message(packet.body.begin(),
                                 packet.body.begin() + std::min(packet.body.size(), kMaxMessageBody));
    PutWord(message, kSenderAt, client.userId);  // the sender is who logged on here
    const int32_t msgId = WordAt(message, 8);
    const int32_t receiver = WordAt(message, kReceiverAt);
    int32_t result = ACK_REFUSED;
    if (receiver != client.userId && world_.Find(receiver)) {
        if (Online(receiver)) {
            SendTo(receiver, CMD_TEXT_MSG, message);
            result = ACK_DELIVERED;
        } else if (world_.StoreMessage(receiver, message)) {
            result = ACK_STORED;
        }
    }
    const ServerTime now = now_();
    client.Reply(CMD_TEXT_MSG, Words({now.date, now.time, msgId, result}));
}

void MessagingCommands::OnInputStatus(ClientContext& client, const Packet& packet) {
    if (packet.body.size() != 8) return;
    const int32_t receiver = WordAt(packet.body, 4);
    if (receiver != client.userId) SendTo(receiver, CMD_INPUT_STATUS, Words({client.userId, receiver}));
}

// +0 a carried word, +4 the user the remark is on, +8 the remark and its NUL.
void MessagingCommands::OnUserMemo(ClientContext& client, const Packet& packet) {
    if (packet.body.size() < 9) return;
    const int32_t target = WordAt(packet.body, 4);
    const char* text = reinterpret_cast<const char*>(&packet.body[8]);
    const size_t room = packet.body.size() - 8;
    const void* nul = std::memchr(text, 0, room);
    const std::string remark(text, nul ? static_cast<const char*>(nul) - text : room);
    const bool applied = world_.SetRemark(client.userId, target, remark);
    std::vector<uint8_t> body = Words({applied ? 0 : 1, target});
    const WorldUser* owner = world_.Find(client.userId);
    std::string stored;
    if (applied && owner) stored = owner->remarks.at(target);
    body.insert(body.end(), stored.begin(), stored.end());
    body.push_back(0);
    client.Reply(CMD_UPDATE_USER_MEMO, body);
}

void MessagingCommands::OnMyInfo(ClientContext& client, const Packet& packet) {
    bool ok = false;
    if (packet.body.size() == kMyInfoSize && WordAt(packet.body, 0) == client.userId) {
        UserInfoBase base;
        UserInfoExt ext;
        std::memcpy(&base, &packet.body[8], sizeof base);
        std::memcpy(&ext, &packet.body[8 + sizeof base], sizeof ext);
        ok = world_.UpdateProfile(client.userId, base, ext);
    }
    client.Reply(CMD_UPDATE_MY_INFO, Words({ok ? 1 : 0}));
}

// The record and its answer code, to the receiver named at +8.
void MessagingCommands::OnFileRequest(ClientContext& client, const Packet& packet) {
    if (packet.body.size() < kFileRequestSize) return;
    std::vector<uint8_t> request(packet.body.begin(), packet.body.begin() + kFileRequestSize);
    PutWord(request, kFileSenderAt, client.userId);
    const int32_t receiver = WordAt(request, kFileReceiverAt);
    if (receiver != client.userId) SendTo(receiver, CMD_FILE_REQUEST, request);
}

}  // namespace chatserver
