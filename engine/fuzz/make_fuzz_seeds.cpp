// Writes the seed corpora of the engine's fuzz targets into a folder:
//   <out>/framer_dispatch/   packet streams: one reply of every command that
//                            either build handles, as the handlers' tests
//                            build them, and a whole session in one stream
//                            (whole, and cut into small reads)
//   <out>/history_reader/    history and latest-contact files written by the
//                            engine's own writer, and damaged ones
//   <out>/dat_list_reader/   list files of every record type, written by the
//                            engine's own writer
// Everything is built here from the protocol's and the files' layouts, so
// the corpora are reproducible and carry nothing of unknown origin.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FuzzSession.h"
#include "HistoryFiles.h"

namespace {

using Bytes = std::vector<uint8_t>;
using engine::wire::BodyWriter;
using enginefuzz::kAgentId;
using enginefuzz::kCustomerId;
using enginefuzz::kOwnId;
using enginefuzz::kPeerId;

void Save(const std::filesystem::path& file, const Bytes& bytes) {
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Bytes Packet(uint32_t command, BodyWriter& w) { return engine::wire::BuildPacket(command, w.Take()); }
Bytes Packet(uint32_t command) { return engine::wire::BuildPacket(command, Bytes()); }

BodyWriter& Text(BodyWriter& w, const char* text) { return w.Bytes(text, std::strlen(text) + 1); }

template <class T>
BodyWriter& Zeroed(BodyWriter& w, void (*fill)(T&)) {
    T record;
    std::memset(&record, 0, sizeof record);
    fill(record);
    return w.Record(record);
}

BodyWriter& FriendListBody(BodyWriter& w) {
    w.Bytes("\x02\x00", 2).U16(2);
    w.Int32(1).Int32(5);
    Text(w, "Customers");
    w.Int32(2).Int32(9);
    Text(w, "Colleagues");
    for (int32_t id : {kPeerId, kCustomerId}) {
        w.Int32(id).Int32(id == kPeerId ? 1 : 2).Int32(7).Int32(1);
        Text(w, "nick");
        Text(w, "memo");
        Text(w, "signature");
    }
    return w;
}

// One reply of every command, named by what it is.
std::vector<std::pair<std::string, Bytes>> Replies() {
    std::vector<std::pair<std::string, Bytes>> out;
    auto add = [&](const std::string& name, Bytes packet) { out.emplace_back(name, std::move(packet)); };
    BodyWriter w;

    add("logon_ok", Packet(CMD_LOGON, w.Int32(kOwnId).Int32(LOGON_OK)));
    add("logon_refused", Packet(CMD_LOGON, w.Int32(kOwnId).Int32(LOGON_ERR_PASSWORD)));
    add("logout", Packet(CMD_LOGOUT, w.Int32(LOGON_OK)));
    add("status_change", Packet(CMD_CHANGE_STATUS, w.Int32(kPeerId).Int32(2)));
    add("own_status_change", Packet(CMD_CHANGE_STATUS, w.Int32(kOwnId).Int32(1)));
    add("friend_list", Packet(CMD_GET_FRIEND_LIST, FriendListBody(w)));
    add("friend_list_empty", Packet(CMD_GET_FRIEND_LIST, w.Int32(0)));
    add("status_list", Packet(CMD_GET_STATUS_LIST, w.U16(2).Int32(kPeerId).Int32(0).Int32(kCustomerId).Int32(2)));
    {
        UserInfoBase base;
        std::memset(&base, 0, sizeof base);
        base.userId = kPeerId;
        std::strcpy(base.nickname, "peer");
        std::strcpy(base.category, "Customers");
        UserInfoExt ext;
        std::memset(&ext, 0, sizeof ext);
        ext.gender = 1;
        std::strcpy(ext.fullName, "Full");
        add("user_info_both", Packet(CMD_GET_USER_INFO, w.Int32(kPeerId).Int32(3).Record(base).Record(ext)));
        add("user_info_base", Packet(CMD_GET_USER_INFO, w.Int32(kOwnId).Int32(1).Record(base)));
        add("user_info_short", Packet(CMD_GET_USER_INFO, w.Int32(kPeerId)));
    }
    add("reply_16", Packet(CMD_REPLY_16, w.Int32(0)));
    add("reply_17", Packet(CMD_REPLY_17, w.Int32(1).Zeros(9)));
    add("text_ack", Packet(CMD_TEXT_MSG, w.Int32(20261210).Int32(101113000).Int32(enginefuzz::kHeldMsgTime).Int32(1)));
    add("text_ack_failed", Packet(CMD_TEXT_MSG, w.Int32(20261210).Int32(101113000).Int32(enginefuzz::kHeldMsgTime).Int32(3)));
    add("text_msg", Packet(CMD_TEXT_MSG, w.Int32(0).Int32(20261210).Int32(101114000).Int32(kPeerId).Int32(kOwnId).Int32(0).Bytes("hello", 5)));
    add("text_msg_customer_of_agent", Packet(CMD_TEXT_MSG, w.Int32(0).Int32(20261210).Int32(101115000).Int32(kCustomerId).Int32(kOwnId).Int32(0).Bytes("hi", 2)));
    add("text_msg_between_others", Packet(CMD_TEXT_MSG, w.Int32(0).Int32(20261210).Int32(101116000).Int32(kCustomerId).Int32(kAgentId).Int32(0).Bytes("record", 6)));
    add("input_status", Packet(CMD_INPUT_STATUS, w.Int32(kPeerId).Int32(kOwnId)));
    add("my_info_ok", Packet(CMD_UPDATE_MY_INFO, w.Int32(1)));
    add("my_info_failed", Packet(CMD_UPDATE_MY_INFO, w.Int32(0)));
    add("user_memo", Packet(CMD_UPDATE_USER_MEMO, Text(w.Int32(0).Int32(kPeerId), "note")));
    {
        FileRequestRecord record;
        std::memset(&record, 0, sizeof record);
        record.senderId = kPeerId;
        record.receiverId = kOwnId;
        record.fileSize = 1234;
        std::strcpy(record.fileName, "report.doc");
        add("file_request", Packet(CMD_FILE_REQUEST, w.Record(record).Int32(FILE_REQ_OFFER)));
    }
    // Desk commands.
    {
        GroupUserRecord g;
        std::memset(&g, 0, sizeof g);
        g.userId = kAgentId;
        g.roleId = 3;
        std::strcpy(g.carried, "agent");
        add("group_users", Packet(CMD_GET_GROUP_USER_LIST, w.Int32(3).Int32(2).Record(g).Record(g)));
    }
    {
        TalkListRecord t;
        std::memset(&t, 0, sizeof t);
        t.userId = kCustomerId;
        t.date = 20261209;
        t.time = 93000;
        std::strcpy(t.carried, "talk");
        for (int32_t kind : {0, 1, 2}) {
            add("talk_list_" + std::to_string(kind),
                Packet(CMD_UPDATE_TALK_LIST, w.Int32(kOwnId).Int32(kind).Int32(1).Record(t)));
            add("talk_list_agent_" + std::to_string(kind),
                Packet(CMD_UPDATE_TALK_LIST, w.Int32(kAgentId).Int32(kind).Int32(1).Record(t)));
        }
    }
    add("user_list", Packet(CMD_GET_USER_LIST, FriendListBody(w.Int32(kAgentId))));
    add("user_list_own", Packet(CMD_GET_USER_LIST, FriendListBody(w.Int32(kOwnId))));
    for (int32_t flag : {0, 1}) {
        add("msg_record_" + std::to_string(flag),
            Packet(CMD_GET_MSG_RECORDS, w.Int32(kAgentId).Int32(kCustomerId).Int32(flag).Int32(0).Int32(20261208)
                                           .Int32(120000000).Int32(kCustomerId).Int32(kAgentId).Int32(0).Bytes("old", 3)));
        add("msg_record_own_" + std::to_string(flag),
            Packet(CMD_GET_MSG_RECORDS, w.Int32(kOwnId).Int32(kCustomerId).Int32(flag).Int32(0).Int32(20261208)
                                           .Int32(120000000).Int32(kOwnId).Int32(kCustomerId).Int32(0).Bytes("mine", 4)));
    }
    add("user_status", Packet(CMD_GET_USER_STATUS, w.Int32(kPeerId).Int32(4)));
    {
        AgentRecord a;
        std::memset(&a, 0, sizeof a);
        a.agentId = kAgentId;
        std::strcpy(a.name, "Agent");
        add("switch_users", Packet(CMD_GET_SWITCH_USER_LIST, w.Int32(2).Record(a).Record(a)));
        add("switch_users_overcounted", Packet(CMD_GET_SWITCH_USER_LIST, w.Int32(1000).Record(a)));
    }
    add("switch_result", Packet(CMD_SWITCH_CUSTOMER, w.Int32(kOwnId).Int32(kAgentId).Int32(kCustomerId).Int32(0)));
    add("switch_failed", Packet(CMD_SWITCH_CUSTOMER, w.Int32(kOwnId).Int32(kAgentId).Int32(kCustomerId).Int32(-3)));
    {
        SwitchCustomerRecord s;
        std::memset(&s, 0, sizeof s);
        s.actingAgent = kAgentId;
        s.owningAgent = kAgentId;
        s.customerId = kCustomerId;
        std::strcpy(s.note, "please take over");
        add("grab_request", Packet(CMD_GRAB_CUSTOMER, w.Record(s).Int32(1)));
    }
    add("switch_records", Packet(CMD_GET_SWITCH_RECORDS, w.Int32(2).Int32(kOwnId).Int32(kAgentId).Int32(kCustomerId).Int32(0)
                                                          .Int32(kAgentId).Int32(kOwnId).Int32(kPeerId).Int32(0)));
    {
        MsgSearchResult r;
        std::memset(&r, 0, sizeof r);
        r.senderId = kCustomerId;
        r.receiverId = kOwnId;
        r.date = 20261201;
        r.time = 101010;
        std::strcpy(r.text, "found");
        add("search_results", Packet(CMD_SEARCH_MSG, w.Record(r).Record(r)));
        add("search_none", Packet(CMD_SEARCH_MSG));
    }
    add("users_info", Packet(CMD_GET_USERS_INFO, w.U16(2).Int32(kPeerId).Int32(0).Int32(kCustomerId).Int32(1)));
    add("friend_update", Packet(CMD_GET_FRIEND_UPDATE,
                                Text(Text(Text(w.Int32(kOwnId).Int32(20261210).Int32(101112).U16(2).U16(1)
                                                   .Int32(kOwnId).Int32(kPeerId).Int32(1).Int32(1).Int32(0).Int32(0)
                                                   .Int32(kOwnId).Int32(kCustomerId).Int32(0).Int32(5).Int32(0).Int32(0)
                                                   .Int32(kPeerId).Int32(1).Int32(0).Int32(1),
                                               "nick"), "memo"), "sign")));
    add("friend_update_stamp", Packet(CMD_GET_FRIEND_UPDATE, w.Int32(kOwnId).Int32(20261210).Int32(101112).Int32(0)));
    add("user_friends", Packet(CMD_GET_USER_FRIENDS, Text(Text(w.Int32(kAgentId).Bytes("\x02\x00\x00\x00", 4)
                                                                .Int32(1).Int32(5), "Customers").Int32(2).Int32(3), "VIP")));
    add("comm_reply_set", Packet(CMD_SET_COMM_REPLY, w.Int32(0).Int32(77).Int32(1).Int32(0)));
    add("comm_replies", Packet(CMD_GET_COMM_REPLY, Text(Text(w.Int32(2).Int32(77).Int32(78).Int32(0).Int32(1), "Hello"), "Bye")));
    add("heartbeat", Packet(CMD_HEARTBEAT));
    {
        Bytes huge = Packet(CMD_TEXT_MSG);
        huge[20] = huge[21] = huge[22] = huge[23] = 0xFF;
        add("huge_length", huge);
    }
    return out;
}

Bytes WithReads(uint8_t seed, const Bytes& stream) {
    Bytes input{seed};
    input.insert(input.end(), stream.begin(), stream.end());
    return input;
}

void FramerDispatchSeeds(const std::filesystem::path& dir) {
    Bytes session;
    for (const auto& [name, packet] : Replies()) {
        Save(dir / name, WithReads(0, packet));
        if (name != "huge_length" && name != "logout") session.insert(session.end(), packet.begin(), packet.end());
    }
    Save(dir / "session_whole", WithReads(0, session));
    Save(dir / "session_split_batched", WithReads(7, session));
    Save(dir / "session_split", WithReads(8, session));
}

TextMsgRecord Message(int32_t time, const char* text) {
    TextMsgRecord msg;
    std::memset(&msg, 0, sizeof msg);
    msg.date = 20261210;
    msg.time = time;
    msg.senderId = kPeerId;
    msg.receiverId = kOwnId;
    std::strncpy(msg.text, text, sizeof msg.text - 1);
    return msg;
}

Bytes ReadAll(engine::IFileSystem& files, const std::wstring& path) {
    Bytes bytes;
    std::unique_ptr<engine::IFile> file = files.Open(path, engine::FileOpen::Read);
    if (!file) return bytes;
    bytes.resize(size_t(std::max<int64_t>(0, file->Size())));
    bytes.resize(file->ReadAt(0, bytes.data(), bytes.size()));
    return bytes;
}

void HistorySeeds(const std::filesystem::path& dir) {
    enginefuzz::ScratchFolder::Instance().Empty();
    engine::StdFileSystem files;
    engine::HistoryFiles history(engine::EngineVariant::Desk, files);
    const std::wstring root = enginefuzz::ScratchFolder::Instance().Path();
    history.WriteChatRecord(Message(90000000, "first"), root, false);
    history.WriteChatRecord(Message(90001000, "second, a little longer"), root, false);
    TextMsgRecord from9 = Message(90002000, "third");
    from9.senderId = 9;
    history.WriteChatRecord(from9, root, false);
    const Bytes msg = ReadAll(files, history.ChatHistoryPath(root, kOwnId, kPeerId));
    Save(dir / "history_two_records", msg);
    Save(dir / "latest_contacts", ReadAll(files, engine::HistoryFiles::LatestContactPath(root, kOwnId)));
    Bytes marker21 = msg;
    if (marker21.size() > 16) marker21[16] = 21;
    Save(dir / "history_marker_21", marker21);
    Save(dir / "history_header_only", Bytes(msg.begin(), msg.begin() + std::min<size_t>(128, msg.size())));
    Save(dir / "history_cut_record", Bytes(msg.begin(), msg.begin() + std::min<size_t>(150, msg.size())));
    Bytes overcounted = msg;
    if (overcounted.size() > 15) overcounted[15] = 0x7F;
    Save(dir / "history_overcounted", overcounted);
    Save(dir / "empty", Bytes());
}

template <class T>
void DatSeed(const std::filesystem::path& dir, const std::string& name, uint8_t choice, T record) {
    enginefuzz::ScratchFolder::Instance().Empty();
    engine::StdFileSystem files;
    engine::HistoryFiles history(engine::EngineVariant::Desk, files);
    const std::wstring root = enginefuzz::ScratchFolder::Instance().Path();
    DatFileHeader header;
    std::memset(&header, 0, sizeof header);
    header.kind = DAT_FILE_KIND;
    header.createDate = header.changeDate = 20261210;
    header.createTime = header.changeTime = 101112;
    header.recordSize = sizeof(T);
    header.recordCount = 2;
    const T records[2] = {record, record};
    history.WriteDatFile(root, L"list.dat", header, records, sizeof records);
    Bytes input{choice};
    const Bytes file = ReadAll(files, root + L"list.dat");
    input.insert(input.end(), file.begin(), file.end());
    Save(dir / name, input);
}

void DatSeeds(const std::filesystem::path& dir) {
    UserInfoBase user;
    std::memset(&user, 0, sizeof user);
    user.userId = 5005;
    std::strcpy(user.nickname, "nick");
    std::strcpy(user.category, "Customers");
    DatSeed(dir, "userlist", 0, user);
    CategoryRecord category;
    std::memset(&category, 0, sizeof category);
    category.id = 2;
    std::strcpy(category.name, "Customers");
    DatSeed(dir, "friendType", 1, category);
    FriendUpdateRecord update;
    std::memset(&update, 0, sizeof update);
    update.userA = kOwnId;
    update.userB = 5005;
    update.operation = 1;
    update.categoryId = 2;
    DatSeed(dir, "friendUpdate", 2, update);
    TalkListRecord talk;
    std::memset(&talk, 0, sizeof talk);
    talk.userId = kCustomerId;
    talk.date = 20261209;
    std::strcpy(talk.carried, "talk");
    DatSeed(dir, "talkList", 3, talk);
    DatSeed(dir, "regList", 4, talk);
    DatSeed(dir, "contactList", 5, talk);
    GroupUserRecord group;
    std::memset(&group, 0, sizeof group);
    group.userId = kAgentId;
    std::strcpy(group.carried, "agent");
    DatSeed(dir, "groupUserList", 6, group);
    DatSeed(dir, "every_file_userlist", 7, user);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds <output folder>\n");
        return 2;
    }
    const std::filesystem::path out(argv[1]);
    for (const char* name : {"framer_dispatch", "history_reader", "dat_list_reader"})
        std::filesystem::create_directories(out / name);
    FramerDispatchSeeds(out / "framer_dispatch");
    HistorySeeds(out / "history_reader");
    DatSeeds(out / "dat_list_reader");
    return 0;
}
