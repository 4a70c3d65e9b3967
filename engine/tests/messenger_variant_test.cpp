// Where the two engine builds differ: one table of cases, each run against
// the desk and the messenger variant with the outcome expected of each.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "TestSupport.h"

using namespace sessiontest;
using engine::EngineVariant;

namespace {

std::wstring NotesText(const SessionFixture& f) {
    std::wstring out;
    for (const Note& n : f.notifier.notes) {
        out += (n.sent ? L" S" : L" P") + std::to_wstring(n.message - IM_WM_USER) + L"/" +
               std::to_wstring(n.wParam) + L"/" + std::to_wstring(n.lParam);
    }
    return out;
}

std::wstring Commands(const SessionFixture& f) {
    std::wstring out;
    for (uint32_t c : f.QueuedCommands()) out += (out.empty() ? L"" : L",") + std::to_wstring(c);
    return out;
}

std::vector<uint8_t> Message(int32_t sender, int32_t receiver, int32_t time, const std::string& text) {
    return Cat({W(0), W(20261210), W(time), W(sender), W(receiver), W(0), R(text)});
}

std::vector<uint8_t> ThreeFriends() {
    return Cat({B(1), B(0), H(3), W(1), W(10), T("Friends"),
                W(100), W(1), W(0), W(0), T("a"), T(""), T(""),
                W(101), W(1), W(0), W(0), T("b"), T(""), T(""),
                W(102), W(1), W(0), W(0), T("c"), T(""), T("")});
}

UserInfoBase* FriendRecord(SessionFixture& f, int32_t id) {
    for (auto& [name, members] : f.store.ownFriends)
        for (auto& m : members)
            if (m.userId == id) return &m;
    return nullptr;
}

std::wstring HeaderText(const DatFileHeader& h) {
    std::wstring out;
    for (int32_t v : {h.kind, h.createDate, h.createTime, h.changeDate, h.changeTime, h.recordSize, h.recordCount})
        out += (out.empty() ? L"" : L" ") + std::to_wstring(v);
    return out;
}

struct VariantCase {
    const char* name;
    std::function<std::wstring(SessionFixture&)> run;  // acts, then describes the outcome
    std::wstring desk;
    std::wstring messenger;
};

std::vector<VariantCase> Cases() {
    return {
        {"after-log-on requests",
         [](SessionFixture& f) {
             f.Deliver(CMD_LOGON, Cat({W(kOwnId), W(LOGON_OK)}));
             return Commands(f);
         },
         L"12,24,24,24,32,25,25,36,35,4,5,6,38", L"12,4,5,6"},
        {"log-on without a digest is logged by the messenger",
         [](SessionFixture& f) {
             f.store.logonType = LOGON_TYPE_AUTO;
             f.session->SendLogon();
             return f.log.lines.empty() ? std::wstring() : f.log.lines[0];
         },
         L"", L"\u6B63\u5728\u767B\u5F55:100110."},
        {"text message place in the queue",
         [](SessionFixture& f) {
             f.session->RequestStatusList();
             TextMsgRecord m{};
             m.time = 5;
             f.session->SendTextMsg(m);
             return Commands(f);
         },
         L"18,5", L"5,18"},
        {"empty friend list notice",
         [](SessionFixture& f) {
             f.Deliver(CMD_GET_FRIEND_LIST, W(0));
             return NotesText(f);
         },
         L" S108/0/0", L" P108/0/0"},
        {"message sent by the own id from another place",
         [](SessionFixture& f) {
             f.Deliver(CMD_TEXT_MSG, Message(kOwnId, 42, 100, "x"));
             return L"queue " + std::to_wstring(f.store.unreadMsgs.begin()->first) + NotesText(f);
         },
         L"queue 42 P108/1/42 P115/1001/0", L"queue 1001 P108/1/1001 P115/1001/0"},
        {"older message after a newer one",
         [](SessionFixture& f) {
             f.Deliver(CMD_TEXT_MSG, Message(42, kOwnId, 200000000, "new"));
             f.Deliver(CMD_TEXT_MSG, Message(42, kOwnId, 100000000, "old"));
             const std::wstring path = f.session->IsDesk() ? f.Own() + L"msg\\42.msg" : f.Own() + L"msg\\42\\42.msg";
             MsgFileHeader h{};
             const std::string file = f.File(path);
             if (file.size() >= sizeof h) std::memcpy(&h, file.data(), sizeof h);
             return std::to_wstring(h.count) + L" " + std::to_wstring(h.newestTime);
         },
         // Both keep the live message; the desk's header goes on naming the newest.
         L"2 200000000", L"2 100000000"},
        {"message of a customer held by another agent",
         [](SessionFixture& f) {
             SwitchCustomerRecord& s = f.store.SwitchRecordAt(42);
             s.customerId = 42;
             s.owningAgent = 1002;
             f.Deliver(CMD_TEXT_MSG, Message(42, kOwnId, 100, "x"));
             return std::wstring(f.Exists(f.Own() + L"MyGroup\\1002\\msg\\42.msg") ? L"group" : L"") +
                    (f.Exists(f.Own() + L"msg\\42.msg") || f.Exists(f.Own() + L"msg\\42\\42.msg") ? L"peer" : L"");
         },
         L"group", L"peer"},
        {"acknowledged message to a customer held by another agent",
         [](SessionFixture& f) {
             SwitchCustomerRecord& s = f.store.SwitchRecordAt(42);
             s.customerId = 42;
             s.owningAgent = 1002;
             TextMsgRecord m{};
             m.date = 20261210;
             m.time = 100;
             m.senderId = kOwnId;
             m.receiverId = 42;
             std::strcpy(m.text, "x");
             f.session->SendTextMsg(m);
             f.Deliver(CMD_TEXT_MSG, Cat({W(20261210), W(200), W(100), W(1)}));
             return std::wstring(f.Exists(f.Own() + L"MyGroup\\1002\\msg\\42.msg") ? L"group" : L"") +
                    (f.Exists(f.Own() + L"msg\\42.msg") ? L"peer" : L"") +
                    (f.Exists(f.Own() + L"msg\\42\\42.msg") ? L"peer folder" : L"") + NotesText(f);
         },
         L"group P110/100/200", L"peer folder P110/100/200"},
        {"message between two other users",
         [](SessionFixture& f) {
             f.Deliver(CMD_TEXT_MSG, Message(42, 43, 100, "x"));
             std::wstring queues;
             for (const auto& [peer, queue] : f.store.unreadMsgs) queues += L" " + std::to_wstring(peer);
             return L"queues" + queues + NotesText(f);
         },
         L"queues", L"queues 42 P108/1/42 P115/42/0"},
        {"extra id in the history record",
         [](SessionFixture& f) {
             f.Deliver(CMD_TEXT_MSG, Cat({W(0), W(20261210), W(100), W(42), W(kOwnId), W(9), R("x")}));
             const std::string file =
                 f.File(f.session->IsDesk() ? f.Own() + L"msg\\42.msg" : f.Own() + L"msg\\42\\42.msg");
             MsgRecordHead head{};
             if (file.size() >= sizeof(MsgFileHeader) + sizeof head)
                 std::memcpy(&head, file.data() + sizeof(MsgFileHeader), sizeof head);
             return std::to_wstring(head.extraId) + L" " + std::to_wstring(head.senderId);
         },
         L"9 42", L"0 42"},
        {"friend list file header",
         [](SessionFixture& f) {
             DatFileHeader old{};
             old.kind = DAT_FILE_KIND;
             old.createDate = 20200101;
             old.createTime = 80000;
             old.changeDate = 20200102;
             old.changeTime = 70000;
             old.recordSize = 336;
             old.recordCount = 1;
             enginetest::WriteBytes(f.files, f.Own() + L"userlist.dat", enginetest::Bytes(&old, sizeof old) + std::string(336, 0));
             f.Deliver(CMD_GET_FRIEND_LIST, ThreeFriends());
             return HeaderText(DatHeaderOf(f.File(f.Own() + L"userlist.dat")));
         },
         L"10 20261210 0 20261210 0 336 3", L"10 20200101 80000 20200102 70000 336 3"},
        {"status list omitting a friend",
         [](SessionFixture& f) {
             f.Deliver(CMD_GET_FRIEND_LIST, ThreeFriends());
             FriendRecord(f, 101)->status = 1;
             f.Deliver(CMD_GET_STATUS_LIST, Cat({H(1), W(100), W(0)}));
             return std::to_wstring(FriendRecord(f, 100)->status) + L" " + std::to_wstring(FriendRecord(f, 101)->status);
         },
         L"0 1", L"0 5"},
        {"status list and the user map",
         [](SessionFixture& f) {
             f.Deliver(CMD_GET_FRIEND_LIST, ThreeFriends());
             f.Deliver(CMD_GET_STATUS_LIST, Cat({H(1), W(100), W(3)}));
             return std::to_wstring(f.store.users.at(100).status);
         },
         L"3", L"5"},
        {"status notice about another user",
         [](SessionFixture& f) {
             f.KnownUser(55).status = 0;
             f.Deliver(CMD_CHANGE_STATUS, Cat({W(55), W(2)}));
             return std::to_wstring(f.store.users.at(55).status) + NotesText(f);
         },
         L"2 P103/55/2", L"0 P103/55/2"},
        {"status notice about the own id without an own record",
         [](SessionFixture& f) {
             f.Deliver(CMD_CHANGE_STATUS, Cat({W(kOwnId), W(1)}));
             return std::to_wstring(f.store.ownStatus) + NotesText(f);
         },
         L"1 P103/1001/1", L"1"},
        {"status notice about the own id",
         [](SessionFixture& f) {
             f.KnownUser(kOwnId);
             f.Deliver(CMD_CHANGE_STATUS, Cat({W(kOwnId), W(3)}));
             return std::to_wstring(f.store.users.at(kOwnId).status) + NotesText(f);
         },
         L"3 P103/1001/3", L"3 P103/1001/3"},
        {"log-out reply and the own record",
         [](SessionFixture& f) {
             f.KnownUser(kOwnId).status = 0;
             f.Deliver(CMD_LOGOUT, W(LOGON_OK));
             return std::to_wstring(f.store.users.at(kOwnId).status);
         },
         L"0", L"5"},
        {"user information without a category",
         [](SessionFixture& f) {
             f.KnownUser(55, "Team");
             UserInfoBase fresh{};
             fresh.userId = 55;
             std::strcpy(fresh.nickname, "new");
             f.Deliver(CMD_GET_USER_INFO, Cat({W(55), W(1), Rec(fresh)}));
             const UserInfoBase& r = f.store.users.at(55);
             return f.codePage.FromAnsi(std::string(r.nickname) + "/" + r.category);
         },
         L"new/Team", L"new/"},
        {"memo and the user map",
         [](SessionFixture& f) {
             f.KnownUser(55);
             f.Deliver(CMD_UPDATE_USER_MEMO, Cat({W(0), W(55), T("memo")}));
             return f.codePage.FromAnsi(std::string(f.store.users.at(55).memo)) + NotesText(f);
         },
         L"memo P108/5/55", L" P108/5/55"},
        {"header-only search reply",
         [](SessionFixture& f) {
             const bool handled = f.Deliver(CMD_SEARCH_MSG, {});
             return std::to_wstring(handled) + NotesText(f);
         },
         L"1 P108/12/0", L"0"},
        {"desk requests",
         [](SessionFixture& f) {
             f.session->RequestUserStatus(5);
             f.session->RequestSwitchRecords();
             f.session->GrabCustomer(1, 2);
             return Commands(f);
         },
         L"28,32,31", L""},
    };
}

TEST(VariantDifferences, SameCasesBothBuilds) {
    for (const VariantCase& c : Cases()) {
        for (EngineVariant v : {EngineVariant::Desk, EngineVariant::Messenger}) {
            SCOPED_TRACE(std::string(c.name) + " / " + VariantName(v));
            SessionFixture f(v);
            EXPECT_EQ(c.run(f), v == EngineVariant::Desk ? c.desk : c.messenger);
        }
    }
}

// Which commands each build handles, with a body that passes the command's rule.
TEST(VariantDifferences, CommandSets) {
    struct { uint32_t command; std::vector<uint8_t> body; bool desk; bool messenger; } cases[] = {
        {0, Zeros(8), true, true},     {1, Zeros(4), true, true},      {2, Zeros(4), false, false},
        {3, Zeros(8), true, true},     {4, Zeros(4), true, true},      {5, Cat({H(1), Zeros(8)}), true, true},
        {6, Zeros(4), false, false},   {7, Zeros(8), false, false},    {12, Zeros(8), true, true},
        {14, Zeros(8), false, false},  {16, Zeros(4), true, true},     {17, Zeros(13), true, true},
        {18, Zeros(16), true, true},   {19, Zeros(24), false, false},  {21, Zeros(8), true, true},
        {22, Zeros(4), true, true},    {23, Zeros(9), true, true},     {24, Zeros(8), true, false},
        {25, Zeros(12), true, false},  {26, Zeros(9), true, false},    {27, Zeros(36), true, false},
        {28, Zeros(8), true, false},   {29, Zeros(5), true, false},    {30, Zeros(16), true, false},
        {31, Zeros(116), true, false}, {32, Zeros(5), true, false},    {33, Zeros(116), true, false},
        {34, Cat({H(1), Zeros(8)}), true, false},                      {35, Zeros(16), true, false},
        {36, Zeros(9), true, false},   {37, Zeros(16), true, false},   {38, Zeros(5), true, false},
        {39, Zeros(88), true, true},   {40, Zeros(8), false, false},   {41, Zeros(8), false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        SessionFixture desk(EngineVariant::Desk);
        SessionFixture messenger(EngineVariant::Messenger);
        EXPECT_EQ(desk.Deliver(c.command, c.body), c.desk);
        EXPECT_EQ(messenger.Deliver(c.command, c.body), c.messenger);
        if (!c.messenger) {
            EXPECT_TRUE(messenger.notifier.notes.empty());
            EXPECT_TRUE(messenger.queue.Empty());
        }
    }
}

}  // namespace
