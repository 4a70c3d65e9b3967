// The stand-in server's world and the shared session commands: the world
// file, the bodies built from it, and two logged-on clients talking through
// a real server over loopback.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "ChatServer.h"
#include "ImEngineApi.h"
#include "Md5Digest.h"
#include "MessagingCommands.h"
#include "PacketFramer.h"
#include "World.h"

using namespace chatserver;

namespace {

const char kWorld[] =
    "# two friends and a third who never logs on\n"
    "user 1 4 7 alice | Alice's signature\n"
    "ext 1 1 19900101 3 Alice A | alice@login\n"
    "user 2 5 0 bob\n"
    "user 3 0 0 carol | -\n"
    "category 1 10 1 Team\n"
    "category 1 20 9 Customers\n"
    "friend 1 2 10 buddy\n"
    "friend 1 3 20\n"
    "category 2 10 1 Team\n"
    "friend 2 1 10 -\n";

World LoadWorld(const std::string& text = kWorld) {
    World world;
    std::string error;
    EXPECT_TRUE(world.LoadText(text, error)) << error;
    return world;
}

std::string Text(const char* field, size_t size) {
    const void* nul = std::memchr(field, 0, size);
    return std::string(field, nul ? static_cast<const char*>(nul) - field : size);
}

TEST(World, MalformedLinesAreReportedWithTheirNumber) {
    const struct {
        std::string text;
        const char* error;
    } cases[] = {
        {"user 1 0 0 a\nbogus 1\n", "2: unknown entry 'bogus'"},
        {"category 9 1 1 Team\n", "1: category <known owner>"},
        {"user 1 0 x a\n", "1: user <id>"},
        {"user 0 0 0 nobody\n", "1: user <id>"},
        {"user 1 0 0 a\nfriend 1 2\n", "2: friend <known owner>"},
        {"ext 5 1 1 1 a\n", "1: ext <known user id>"},
        {"user 1 0 0 " + std::string(3000, 'a') + "\n", "1: line too long"},
    };
    for (const auto& c : cases) {
        World world;
        std::string error;
        EXPECT_FALSE(world.LoadText(c.text, error)) << c.text;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    }
}

TEST(World, AccountsWithoutAUserLineBecomeBareUsers) {
    World world = LoadWorld();
    AccountBook accounts;
    accounts.Add({1, "x", "other name"});
    accounts.Add({50, "x", "dave"});
    world.AddAccounts(accounts);
    EXPECT_EQ(world.Find(1)->nickname, "alice");  // the world's entry wins
    ASSERT_NE(world.Find(50), nullptr);
    EXPECT_EQ(world.Find(50)->nickname, "dave");
    EXPECT_EQ(world.FriendListBody(50), std::vector<uint8_t>(4, 0));
}

TEST(World, FriendListBodyCarriesCategoriesFriendsAndTheOwnersRemarks) {
    const World world = LoadWorld();
    std::vector<uint8_t> expected = {2, 0, 2, 0};
    auto word = [&](int32_t v) { AppendWord(expected, uint32_t(v)); };
    auto text = [&](const std::string& t) {
        expected.insert(expected.end(), t.begin(), t.end());
        expected.push_back(0);
    };
    word(10), word(1), text("Team");
    word(20), word(9), text("Customers");
    word(2), word(10), word(0), word(5), text("bob"), text("buddy"), text("");
    word(3), word(20), word(0), word(0), text("carol"), text(""), text("");
    EXPECT_EQ(world.FriendListBody(1), expected);
    EXPECT_EQ(world.FriendListBody(99), std::vector<uint8_t>(4, 0));
}

// A crowd: made-up friends after the real ones, each with the longest texts
// its record fields take.
TEST(World, ACrowdFillsTheListWithTheLongestEntries) {
    const World world = LoadWorld(std::string(kWorld) + "crowd 2 10 5000 3\n");
    const std::vector<uint8_t> body = world.FriendListBody(2);
    ASSERT_GE(body.size(), 4u);
    EXPECT_EQ(body[2] | body[3] << 8, 4);  // alice and the three
    const size_t entry = 16 + 24 + 16 + 256;
    ASSERT_EQ(body.size(), 4 + (8 + 5) + (16 + 6 + 1 + 18) + 3 * entry);
    size_t at = body.size() - 3 * entry;
    for (int32_t id = 5000; id < 5003; ++id, at += entry) {
        int32_t words[4];
        std::memcpy(words, &body[at], sizeof words);
        EXPECT_EQ(words[0], id);
        EXPECT_EQ(words[1], 10);
        const char* texts = reinterpret_cast<const char*>(&body[at + 16]);
        EXPECT_EQ(std::strlen(texts), 23u);
        EXPECT_EQ(std::strlen(texts + 24), 15u);
        EXPECT_EQ(std::strlen(texts + 40), 255u);
        EXPECT_EQ(std::string(texts, 23), World::CrowdText("customer", id, 23));
    }
    std::string error;
    World bad;
    EXPECT_FALSE(bad.LoadText("user 1 0 0 a\ncrowd 1 1 5000 70000\n", error));
}

TEST(World, RecordsAsTheViewerSeesThem) {
    World world = LoadWorld();
    const UserInfoBase bob = world.BaseRecord(2, 1, STATUS_BUSY);
    EXPECT_EQ(bob.userId, 2);
    EXPECT_EQ(bob.userType, 5);
    EXPECT_EQ(bob.status, STATUS_BUSY);
    EXPECT_EQ(Text(bob.nickname, 24), "bob");
    EXPECT_EQ(Text(bob.memo, 16), "buddy");
    EXPECT_EQ(Text(bob.category, 24), "Team");
    // Bob's view of Alice: his list, no remark.
    const UserInfoBase alice = world.BaseRecord(1, 2, STATUS_ONLINE);
    EXPECT_EQ(alice.carried, 7);
    EXPECT_EQ(Text(alice.signature, 256), "Alice's signature");
    EXPECT_EQ(Text(alice.memo, 16), "");
    EXPECT_EQ(Text(alice.category, 24), "Team");
    const UserInfoExt ext = world.ExtRecord(1);
    EXPECT_EQ(ext.gender, 1);
    EXPECT_EQ(ext.birthDate, 19900101);
    EXPECT_EQ(ext.bloodType, 3);
    EXPECT_EQ(Text(ext.fullName, 12), "Alice A");
    EXPECT_EQ(Text(ext.loginName, 76), "alice@login");
    EXPECT_EQ(world.BaseRecord(42, 1, 0).userId, 0);  // unknown
}

TEST(World, TextsAreCutToTheirFieldOnACharacterBoundary) {
    World world = LoadWorld();
    // 22 ASCII bytes and a two-byte character: 24 bytes, one too many.
    const std::string name = std::string(22, 'n') + "\xC4\xE3";
    ASSERT_TRUE(world.SetRemark(1, 2, std::string(14, 'r') + "\xC4\xE3"));
    EXPECT_EQ(world.Find(1)->remarks.at(2), std::string(14, 'r'));
    std::string error;
    ASSERT_TRUE(world.LoadText("user 9 0 0 " + name + "\n", error)) << error;
    EXPECT_EQ(world.Find(9)->nickname, std::string(22, 'n'));
    EXPECT_FALSE(world.SetRemark(1, 42, "x"));
}

TEST(World, ProfileUpdateKeepsTheServersLoginName) {
    World world = LoadWorld();
    UserInfoBase base{};
    std::strcpy(base.nickname, "alicia");
    std::strcpy(base.memo, "me");
    std::strcpy(base.signature, "new words");
    UserInfoExt ext{};
    ext.birthDate = 20000101;
    std::memset(ext.fullName, 'F', sizeof ext.fullName);  // no NUL
    std::strcpy(ext.loginName, "hacked");
    ASSERT_TRUE(world.UpdateProfile(1, base, ext));
    const UserInfoBase seen = world.BaseRecord(1, 1, 0);
    EXPECT_EQ(Text(seen.nickname, 24), "alicia");
    EXPECT_EQ(Text(seen.memo, 16), "me");
    EXPECT_EQ(Text(seen.signature, 256), "new words");
    const UserInfoExt kept = world.ExtRecord(1);
    EXPECT_EQ(kept.birthDate, 20000101);
    EXPECT_EQ(Text(kept.fullName, 12), std::string(11, 'F'));
    EXPECT_EQ(Text(kept.loginName, 76), "alice@login");
}

TEST(World, StoredMessagesAreBoundedPerReceiver) {
    World world = LoadWorld();
    for (size_t i = 0; i < World::kMaxPendingPerUser; ++i) ASSERT_TRUE(world.StoreMessage(2, {1}));
    EXPECT_FALSE(world.StoreMessage(2, {1}));
    EXPECT_FALSE(world.StoreMessage(42, {1}));  // nobody
    EXPECT_EQ(world.TakeMessages(2).size(), World::kMaxPendingPerUser);
    EXPECT_TRUE(world.TakeMessages(2).empty());
}

// ---- Two clients through a real server ---------------------------------------

class Client {
public:
    explicit Client(uint16_t port) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(port);
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            close(fd_);
            fd_ = -1;
        }
    }
    ~Client() { Close(); }
    void Close() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }
    bool Ok() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    // One text line (control channel), without its newline.
    std::string Line(int timeoutMs = 3000) {
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            char c = 0;
            if (recv(fd_, &c, 1, 0) != 1) break;
            if (c == '\n') return line;
            line += c;
        }
        return line;
    }

    void Send(uint32_t command, const std::vector<uint8_t>& body) {
        const std::vector<uint8_t> packet = BuildPacket(command, body);
        ASSERT_EQ(send(fd_, packet.data(), packet.size(), 0), ssize_t(packet.size()));
    }
    // The next packet, or command 0xFFFFFFFF at the deadline.
    Packet Next(int timeoutMs = 3000) {
        Packet packet;
        packet.command = 0xFFFFFFFF;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (framer_.Next(packet)) return packet;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            pollfd p{fd_, POLLIN, 0};
            if (left <= 0 || poll(&p, 1, int(left)) <= 0) return packet;
            uint8_t buffer[4096];
            const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0) return packet;
            framer_.Feed(buffer, size_t(n));
        }
    }
    // The next packet of `command`, skipping others.
    Packet NextOf(uint32_t command, int timeoutMs = 3000) {
        for (;;) {
            Packet p = Next(timeoutMs);
            if (p.command == command || p.command == 0xFFFFFFFF) return p;
        }
    }
    void Logon(int32_t id, const std::string& password) {
        std::vector<uint8_t> body(84, 0);
        std::memcpy(&body[0], &id, 4);
        const std::string digest = Md5Hex(password.data(), password.size());
        std::memcpy(&body[4], digest.data(), 32);
        const int32_t type = LOGON_TYPE_PASSWORD;
        std::memcpy(&body[36], &type, 4);
        Send(CMD_LOGON, body);
        const Packet reply = NextOf(CMD_LOGON);
        ASSERT_EQ(reply.body.size(), 8u);
        ASSERT_EQ(int32_t(ReadWord(&reply.body[4])), LOGON_OK);
    }

private:
    int fd_ = -1;
    PacketFramer framer_;
};

std::vector<uint8_t> Words(std::initializer_list<int32_t> words) {
    std::vector<uint8_t> out;
    for (int32_t w : words) AppendWord(out, uint32_t(w));
    return out;
}

int32_t WordOf(const Packet& p, size_t at) {
    return at + 4 <= p.body.size() ? int32_t(ReadWord(&p.body[at])) : -1;
}

std::vector<uint8_t> Message(int32_t sender, int32_t receiver, int32_t time, const std::string& text) {
    std::vector<uint8_t> body = Words({0, 20261210, time, sender, receiver, 0});
    body.insert(body.end(), text.begin(), text.end());
    return body;
}

class WorldServer : public ::testing::Test {
protected:
    void SetUp() override {
        AccountBook accounts;
        accounts.Add({1, "a", "alice"});
        accounts.Add({2, "b", "bob"});
        accounts.Add({3, "c", "carol"});
        ServerOptions options;
        options.port = 0;
        options.control = true;
        server_ = std::make_unique<ChatServer>(options, accounts, FaultScript(), LoadWorld());
        std::string error;
        ASSERT_TRUE(server_->Start(error)) << error;
        thread_ = std::thread([this] { server_->Run(); });
    }
    void TearDown() override {
        server_->Stop();
        thread_.join();
    }
    uint16_t Port() const { return server_->ChatPort(); }

    std::unique_ptr<ChatServer> server_;
    std::thread thread_;
};

TEST_F(WorldServer, CommandsBeforeTheLogOnAreNotServed) {
    Client c(Port());
    c.Send(CMD_GET_FRIEND_LIST, {});
    c.Send(CMD_TEXT_MSG, Message(1, 2, 5, "hi"));
    EXPECT_EQ(c.Next(300).command, 0xFFFFFFFFu);
}

TEST_F(WorldServer, ListsStatusesAndUserInformation) {
    Client alice(Port()), bob(Port());
    alice.Logon(1, "a");
    alice.Send(CMD_GET_FRIEND_LIST, {});
    const Packet list = alice.NextOf(CMD_GET_FRIEND_LIST);
    EXPECT_EQ(list.body.size() > 4 ? list.body[0] : 0, 2);

    // Only alice herself is online.
    alice.Send(CMD_GET_STATUS_LIST, {});
    Packet statuses = alice.NextOf(CMD_GET_STATUS_LIST);
    EXPECT_EQ(statuses.body, (std::vector<uint8_t>{1, 0, 1, 0, 0, 0, 0, 0, 0, 0}));

    // Bob logs on: alice hears it and lists him.
    bob.Logon(2, "b");
    Packet notice = alice.NextOf(CMD_CHANGE_STATUS);
    EXPECT_EQ(notice.body, Words({2, STATUS_ONLINE}));
    alice.Send(CMD_GET_STATUS_LIST, {});
    statuses = alice.NextOf(CMD_GET_STATUS_LIST);
    ASSERT_EQ(statuses.body.size(), 2u + 16u);
    EXPECT_EQ(std::vector<uint8_t>(statuses.body.begin() + 10, statuses.body.end()),
              Words({2, STATUS_ONLINE}));

    // Bob chooses busy: both hear it; invisible: alice sees him offline and
    // no longer lists him.
    bob.Send(CMD_CHANGE_STATUS, Words({STATUS_BUSY}));
    EXPECT_EQ(bob.NextOf(CMD_CHANGE_STATUS).body, Words({2, STATUS_BUSY}));
    EXPECT_EQ(alice.NextOf(CMD_CHANGE_STATUS).body, Words({2, STATUS_BUSY}));
    bob.Send(CMD_CHANGE_STATUS, Words({STATUS_INVISIBLE}));
    EXPECT_EQ(bob.NextOf(CMD_CHANGE_STATUS).body, Words({2, STATUS_INVISIBLE}));
    EXPECT_EQ(alice.NextOf(CMD_CHANGE_STATUS).body, Words({2, STATUS_OFFLINE}));
    alice.Send(CMD_GET_STATUS_LIST, {});
    EXPECT_EQ(alice.NextOf(CMD_GET_STATUS_LIST).body.size(), 10u);
    bob.Send(CMD_CHANGE_STATUS, Words({17}));  // no such status: ignored
    EXPECT_EQ(bob.Next(200).command, 0xFFFFFFFFu);

    // User information of each kind.
    const struct {
        int32_t id;
        int32_t kind;
        size_t size;
    } cases[] = {
        {2, 1, 8 + 336}, {2, 2, 8 + 100}, {2, 3, 8 + 336 + 100}, {42, 3, 8}, {2, 0, 8},
    };
    for (const auto& c : cases) {
        alice.Send(CMD_GET_USER_INFO, Words({c.id, c.kind}));
        const Packet info = alice.NextOf(CMD_GET_USER_INFO);
        EXPECT_EQ(info.body.size(), c.size) << c.id << "/" << c.kind;
        EXPECT_EQ(WordOf(info, 0), c.id);
        if (c.kind & 1 && info.body.size() >= 8 + 336) {
            UserInfoBase base;
            std::memcpy(&base, &info.body[8], sizeof base);
            EXPECT_EQ(base.status, STATUS_OFFLINE);  // invisible
            EXPECT_EQ(Text(base.memo, 16), "buddy");
        }
    }

    // Bob's connection ends: alice hears him go.
    bob.Send(CMD_CHANGE_STATUS, Words({STATUS_ONLINE}));
    EXPECT_EQ(alice.NextOf(CMD_CHANGE_STATUS).body, Words({2, STATUS_ONLINE}));
    bob.Close();
    EXPECT_EQ(alice.NextOf(CMD_CHANGE_STATUS).body, Words({2, STATUS_OFFLINE}));
}

TEST_F(WorldServer, MessagesAreRoutedAcknowledgedOrStored) {
    Client alice(Port()), bob(Port());
    alice.Logon(1, "a");
    bob.Logon(2, "b");

    // Delivered: bob gets it with alice as the sender, whatever she wrote.
    alice.Send(CMD_TEXT_MSG, Message(99, 2, 123, "hello"));
    Packet routed = bob.NextOf(CMD_TEXT_MSG);
    EXPECT_EQ(routed.body, Message(1, 2, 123, "hello"));
    Packet ack = alice.NextOf(CMD_TEXT_MSG);
    ASSERT_EQ(ack.body.size(), 16u);
    EXPECT_GT(WordOf(ack, 0), 20000000);
    EXPECT_EQ(WordOf(ack, 8), 123);
    EXPECT_EQ(WordOf(ack, 12), ACK_DELIVERED);

    // To nobody, or to herself: refused.
    for (int32_t receiver : {42, 1}) {
        alice.Send(CMD_TEXT_MSG, Message(1, receiver, 124, "x"));
        ack = alice.NextOf(CMD_TEXT_MSG);
        EXPECT_EQ(WordOf(ack, 12), ACK_REFUSED) << receiver;
    }

    // Carol is offline: stored, and delivered once she is ready.
    alice.Send(CMD_TEXT_MSG, Message(1, 3, 125, "later"));
    EXPECT_EQ(WordOf(alice.NextOf(CMD_TEXT_MSG), 12), ACK_STORED);
    Client carol(Port());
    carol.Logon(3, "c");
    EXPECT_EQ(carol.Next(200).command, 0xFFFFFFFFu);
    carol.Send(CMD_POST_LOGON, {});
    EXPECT_EQ(carol.NextOf(CMD_TEXT_MSG).body, Message(1, 3, 125, "later"));

    // A text beyond 1023 bytes goes on cut to it.
    alice.Send(CMD_TEXT_MSG, Message(1, 2, 126, std::string(2000, 't')));
    routed = bob.NextOf(CMD_TEXT_MSG);
    EXPECT_EQ(routed.body.size(), 24u + 1023u);
}

TEST_F(WorldServer, TypingFileOffersMemosAndProfile) {
    Client alice(Port()), bob(Port());
    alice.Logon(1, "a");
    bob.Logon(2, "b");

    alice.Send(CMD_INPUT_STATUS, Words({77, 2}));
    EXPECT_EQ(bob.NextOf(CMD_INPUT_STATUS).body, Words({1, 2}));
    alice.Send(CMD_INPUT_STATUS, Words({1, 2, 3}));  // not 8 bytes: ignored
    EXPECT_EQ(bob.Next(200).command, 0xFFFFFFFFu);

    // A file offer goes to the receiver at +8, with the sender at +4.
    FileRequestRecord offer{};
    offer.senderId = 55;
    offer.receiverId = 2;
    offer.fileSize = 1000;
    std::strcpy(offer.fileName, "a.txt");
    std::vector<uint8_t> body(reinterpret_cast<uint8_t*>(&offer), reinterpret_cast<uint8_t*>(&offer) + 84);
    AppendWord(body, uint32_t(FILE_REQ_OFFER));
    body.push_back(0xEE);  // a byte too many is not passed on
    alice.Send(CMD_FILE_REQUEST, body);
    const Packet routed = bob.NextOf(CMD_FILE_REQUEST);
    ASSERT_EQ(routed.body.size(), 88u);
    EXPECT_EQ(WordOf(routed, 4), 1);
    EXPECT_EQ(WordOf(routed, 8), 2);
    EXPECT_EQ(WordOf(routed, 84), FILE_REQ_OFFER);

    // The remark alice keeps on bob.
    std::vector<uint8_t> memo = Words({1, 2});
    const std::string text = "a remark far too long";
    memo.insert(memo.end(), text.begin(), text.end());
    memo.push_back(0);
    alice.Send(CMD_UPDATE_USER_MEMO, memo);
    Packet reply = alice.NextOf(CMD_UPDATE_USER_MEMO);
    EXPECT_EQ(WordOf(reply, 0), 0);
    EXPECT_EQ(WordOf(reply, 4), 2);
    EXPECT_EQ(std::string(reply.body.begin() + 8, reply.body.end()), text.substr(0, 15) + '\0');
    std::vector<uint8_t> unknown = Words({1, 42});
    unknown.push_back(0);
    alice.Send(CMD_UPDATE_USER_MEMO, unknown);
    EXPECT_EQ(WordOf(alice.NextOf(CMD_UPDATE_USER_MEMO), 0), 1);

    // The own profile: stored and answered with 1; anything else with 0.
    UserInfoBase base{};
    base.userId = 1;
    std::strcpy(base.nickname, "alicia");
    UserInfoExt ext{};
    std::vector<uint8_t> info = Words({1, 3});
    info.insert(info.end(), reinterpret_cast<uint8_t*>(&base), reinterpret_cast<uint8_t*>(&base) + 336);
    info.insert(info.end(), reinterpret_cast<uint8_t*>(&ext), reinterpret_cast<uint8_t*>(&ext) + 100);
    alice.Send(CMD_UPDATE_MY_INFO, info);
    EXPECT_EQ(alice.NextOf(CMD_UPDATE_MY_INFO).body, Words({1}));
    bob.Send(CMD_UPDATE_MY_INFO, info);  // alice's record from bob
    EXPECT_EQ(bob.NextOf(CMD_UPDATE_MY_INFO).body, Words({0}));
    bob.Send(CMD_GET_USER_INFO, Words({1, 1}));
    const Packet seen = bob.NextOf(CMD_GET_USER_INFO);
    ASSERT_EQ(seen.body.size(), 8u + 336u);
    EXPECT_EQ(Text(reinterpret_cast<const char*>(&seen.body[8 + 16]), 24), "alicia");
}

// The control channel's REQUEST: the server answers a connection as if it
// had asked.
TEST_F(WorldServer, ControlRequestAnswersAsIfTheConnectionHadAsked) {
    Client alice(Port());
    alice.Logon(1, "a");
    Client control(server_->ControlPort());
    ASSERT_TRUE(control.Ok());
    auto command = [&](const std::string& line) {
        const std::string text = line + "\n";
        EXPECT_EQ(send(control.Fd(), text.data(), text.size(), 0), ssize_t(text.size()));
        return control.Line();
    };
    EXPECT_EQ(command("REQUEST 1 4 -"), "OK");
    EXPECT_EQ(alice.NextOf(CMD_GET_FRIEND_LIST).body, LoadWorld().FriendListBody(1));
    EXPECT_EQ(command("REQUEST 1 12 0200000001000000"), "OK");
    EXPECT_EQ(alice.NextOf(CMD_GET_USER_INFO).body.size(), 8u + 336u);
    EXPECT_EQ(command("REQUEST 7 4 -").rfind("ERR no connection", 0), 0u);
    EXPECT_EQ(command("REQUEST 1 99 -"), "ERR no handler");
    EXPECT_EQ(command("REQUEST 1 4 zz"), "ERR bad body");
}

TEST(ServerTime, LocalTimeHasTheMessageForm) {
    const ServerTime t = LocalServerTime();
    EXPECT_GE(t.date, 20200101);
    EXPECT_LT(t.time, 240000000);
    EXPECT_LT(t.time % 100000, 60000);
}

}  // namespace
