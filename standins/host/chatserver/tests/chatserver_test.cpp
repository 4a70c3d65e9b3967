// The stand-in chat server, driven over loopback sockets.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "ChatServer.h"
#include "ImEngineApi.h"
#include "Md5Digest.h"
#include "PacketFramer.h"

using namespace chatserver;

namespace {

TEST(Md5Digest, Rfc1321Vectors) {
    const struct { const char* text; const char* hex; } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases) EXPECT_EQ(Md5Hex(c.text, std::strlen(c.text)), c.hex) << c.text;
}

TEST(PacketFramer, HeaderInPiecesAndTwoPacketsInOneRead) {
    std::vector<uint8_t> a = BuildPacket(3, {1, 2, 3, 4});
    std::vector<uint8_t> b = BuildPacket(2, {});
    PacketFramer framer;
    Packet p;
    ASSERT_TRUE(framer.Feed(a.data(), 10));
    EXPECT_FALSE(framer.Next(p));
    std::vector<uint8_t> rest(a.begin() + 10, a.end());
    rest.insert(rest.end(), b.begin(), b.end());
    ASSERT_TRUE(framer.Feed(rest.data(), rest.size()));
    ASSERT_TRUE(framer.Next(p));
    EXPECT_EQ(p.command, 3u);
    EXPECT_EQ(p.body, (std::vector<uint8_t>{1, 2, 3, 4}));
    ASSERT_TRUE(framer.Next(p));
    EXPECT_EQ(p.command, 2u);
    EXPECT_TRUE(p.body.empty());
    EXPECT_FALSE(framer.Next(p));
}

TEST(PacketFramer, LengthAboveTheLimitIsAnError) {
    std::vector<uint8_t> header = BuildPacket(0, {});
    const uint32_t huge = 0xFFFFFFF0u;
    std::memcpy(&header[20], &huge, 4);
    PacketFramer framer;
    EXPECT_FALSE(framer.Feed(header.data(), header.size()));
    EXPECT_FALSE(framer.Error().empty());
    Packet p;
    EXPECT_FALSE(framer.Next(p));
}

TEST(FaultScript, ParsesStepsAndRejectsUnknownOnes) {
    FaultScript script;
    std::string error;
    ASSERT_TRUE(script.Set("silent refuse:250 close-after-logon", error));
    EXPECT_EQ(script.Front().fault, Fault::Silent);
    script.Pop();
    EXPECT_EQ(script.Front().fault, Fault::Refuse);
    EXPECT_EQ(script.Front().refuseMs, 250u);
    EXPECT_FALSE(script.Set("silent bogus", error));
    EXPECT_FALSE(script.Set("silent:5", error));
    EXPECT_EQ(script.Front().fault, Fault::Refuse);  // unchanged
    ASSERT_TRUE(script.Set("split split:9", error));
    EXPECT_EQ(script.Front().fault, Fault::Split);
    script.Pop();
    EXPECT_EQ(script.Front().seed, 9u);
}

// A server on its own thread with a control channel, and a client socket.
class ServerFixture : public ::testing::Test {
protected:
    void SetUp() override {
        AccountBook accounts;
        accounts.Add({10001, "secret", "agent"});
        accounts.Add({10002, "secret", "customer"});
        ServerOptions options;
        options.port = 0;
        options.control = true;
        server_ = std::make_unique<ChatServer>(options, accounts, FaultScript());
        std::string error;
        ASSERT_TRUE(server_->Start(error)) << error;
        thread_ = std::thread([this] { server_->Run(); });
        control_ = Connect(server_->ControlPort());
        ASSERT_GE(control_, 0);
    }
    void TearDown() override {
        if (control_ >= 0) close(control_);
        server_->Stop();
        thread_.join();
    }

    static int Connect(uint16_t port) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(port);
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            close(fd);
            return -1;
        }
        return fd;
    }

    // Reads until `count` bytes came or the deadline passed.
    static std::vector<uint8_t> ReadBytes(int fd, size_t count, int timeoutMs = 3000) {
        std::vector<uint8_t> out;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (out.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now()).count();
            if (left <= 0) break;
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, int(left)) <= 0) break;
            uint8_t buffer[4096];
            const ssize_t n = recv(fd, buffer, std::min(sizeof buffer, count - out.size()), 0);
            if (n <= 0) break;
            out.insert(out.end(), buffer, buffer + n);
        }
        return out;
    }

    // True when the peer closed within the deadline.
    static bool ClosedByPeer(int fd, int timeoutMs = 3000) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0) return false;
        uint8_t byte;
        return recv(fd, &byte, 1, 0) == 0;
    }

    std::string Control(const std::string& line, bool untilEnd = false) {
        const std::string text = line + "\n";
        EXPECT_EQ(send(control_, text.data(), text.size(), 0), ssize_t(text.size()));
        std::string reply;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (std::chrono::steady_clock::now() < deadline) {
            const bool done = untilEnd ? reply.find("END\n") != std::string::npos
                                       : reply.find('\n') != std::string::npos;
            if (done) break;
            pollfd p{control_, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            char buffer[4096];
            const ssize_t n = recv(control_, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            reply.append(buffer, size_t(n));
        }
        return reply;
    }

    static std::vector<uint8_t> LogonBody(int32_t id, const std::string& password, int32_t type) {
        std::vector<uint8_t> body(84, 0);
        std::memcpy(&body[0], &id, 4);
        if (type == LOGON_TYPE_PASSWORD) {
            const std::string digest = Md5Hex(password.data(), password.size());
            std::memcpy(&body[4], digest.data(), 32);
        }
        std::memcpy(&body[36], &type, 4);
        return body;
    }

    static void SendAll(int fd, const std::vector<uint8_t>& bytes) {
        ASSERT_EQ(send(fd, bytes.data(), bytes.size(), 0), ssize_t(bytes.size()));
    }

    std::unique_ptr<ChatServer> server_;
    std::thread thread_;
    int control_ = -1;
};

TEST_F(ServerFixture, LogonResults) {
    const struct {
        int32_t id;
        const char* password;
        int32_t type;
        size_t bodySize;
        int32_t result;
    } cases[] = {
        {10001, "secret", LOGON_TYPE_PASSWORD, 84, LOGON_OK},
        {10001, "wrong", LOGON_TYPE_PASSWORD, 84, LOGON_ERR_PASSWORD},
        {10001, "", LOGON_TYPE_AUTO, 84, LOGON_OK},
        {99999, "", LOGON_TYPE_AUTO, 84, LOGON_ERR_PASSWORD},
        {10001, "secret", LOGON_TYPE_PASSWORD, 40, LOGON_ERR_OTHER},
    };
    for (const auto& c : cases) {
        const int fd = Connect(server_->ChatPort());
        ASSERT_GE(fd, 0);
        std::vector<uint8_t> body = LogonBody(c.id, c.password, c.type);
        body.resize(c.bodySize);
        SendAll(fd, BuildPacket(CMD_LOGON, body));
        const std::vector<uint8_t> reply = ReadBytes(fd, 32);
        ASSERT_EQ(reply.size(), 32u) << c.password;
        EXPECT_EQ(ReadWord(&reply[0]), uint32_t(CMD_LOGON));
        EXPECT_EQ(ReadWord(&reply[20]), 8u);
        EXPECT_EQ(int32_t(ReadWord(&reply[28])), c.result) << c.id << " " << c.password;
        close(fd);
    }
}

TEST_F(ServerFixture, RecordsPacketsAndAnswersLogout) {
    const int fd = Connect(server_->ChatPort());
    ASSERT_GE(fd, 0);
    SendAll(fd, BuildPacket(CMD_HEARTBEAT, {}));
    SendAll(fd, BuildPacket(CMD_LOGOUT, {0x11, 0x27, 0, 0}));
    const std::vector<uint8_t> reply = ReadBytes(fd, 28);
    ASSERT_EQ(reply.size(), 28u);
    EXPECT_EQ(ReadWord(&reply[0]), uint32_t(CMD_LOGOUT));
    EXPECT_EQ(ReadWord(&reply[24]), uint32_t(LOGON_OK));
    const std::string record = Control("RECORD", true);
    EXPECT_NE(record.find(" 2 0 -\n"), std::string::npos) << record;
    EXPECT_NE(record.find(" 1 4 11270000\n"), std::string::npos) << record;
    close(fd);
}

TEST_F(ServerFixture, FaultsShapeTheLogonReply) {
    ASSERT_EQ(Control("SCRIPT split-header huge-length partial-body close-after-logon close-after-accept"), "OK\n");
    const std::vector<uint8_t> logon = BuildPacket(CMD_LOGON, LogonBody(10001, "secret", LOGON_TYPE_PASSWORD));

    // Split header: the same 32 bytes, in two reads.
    int fd = Connect(server_->ChatPort());
    SendAll(fd, logon);
    std::vector<uint8_t> first = ReadBytes(fd, 32, 100);
    EXPECT_EQ(first.size(), 10u);
    std::vector<uint8_t> rest = ReadBytes(fd, 22);
    EXPECT_EQ(rest.size(), 22u);
    EXPECT_EQ(int32_t(ReadWord(&rest[18])), LOGON_OK);
    close(fd);

    // Huge length: a lone header.
    fd = Connect(server_->ChatPort());
    SendAll(fd, logon);
    std::vector<uint8_t> huge = ReadBytes(fd, 64, 500);
    ASSERT_EQ(huge.size(), 24u);
    EXPECT_GT(ReadWord(&huge[20]), kMaxBody);
    close(fd);

    // Partial body: header and 3 of 8 bytes, then nothing.
    fd = Connect(server_->ChatPort());
    SendAll(fd, logon);
    std::vector<uint8_t> partial = ReadBytes(fd, 64, 500);
    ASSERT_EQ(partial.size(), 27u);
    EXPECT_EQ(ReadWord(&partial[20]), 8u);
    close(fd);

    // Close after log-on: the reply, then the end.
    fd = Connect(server_->ChatPort());
    SendAll(fd, logon);
    EXPECT_EQ(ReadBytes(fd, 32).size(), 32u);
    EXPECT_TRUE(ClosedByPeer(fd));
    close(fd);

    // Close after accept.
    fd = Connect(server_->ChatPort());
    EXPECT_TRUE(ClosedByPeer(fd));
    close(fd);
}

TEST_F(ServerFixture, SilentConnectionRecordsButNeverAnswers) {
    ASSERT_EQ(Control("SCRIPT silent"), "OK\n");
    const int fd = Connect(server_->ChatPort());
    SendAll(fd, BuildPacket(CMD_LOGON, LogonBody(10001, "secret", LOGON_TYPE_PASSWORD)));
    EXPECT_TRUE(ReadBytes(fd, 1, 300).empty());
    EXPECT_NE(Control("RECORD", true).find("PACKET 1 "), std::string::npos);
    close(fd);
}

TEST_F(ServerFixture, AMutedConnectionRecordsButIsServedNoMore) {
    const int fd = Connect(server_->ChatPort());
    SendAll(fd, BuildPacket(CMD_LOGON, LogonBody(10001, "secret", LOGON_TYPE_PASSWORD)));
    EXPECT_EQ(ReadBytes(fd, 32).size(), 32u);  // the log-on is answered
    EXPECT_EQ(Control("MUTE 2"), "ERR no connection 2\n");
    ASSERT_EQ(Control("MUTE last"), "OK\n");
    SendAll(fd, BuildPacket(CMD_LOGOUT, {1, 0, 0, 0}));
    EXPECT_TRUE(ReadBytes(fd, 1, 300).empty());
    EXPECT_NE(Control("RECORD", true).find("PACKET 1 "), std::string::npos);
    // Served again once unmuted.
    EXPECT_EQ(Control("UNMUTE 2"), "ERR no connection 2\n");
    ASSERT_EQ(Control("UNMUTE last"), "OK\n");
    SendAll(fd, BuildPacket(CMD_LOGOUT, {1, 0, 0, 0}));
    EXPECT_FALSE(ReadBytes(fd, 1, 2000).empty());
    close(fd);
}

TEST_F(ServerFixture, RefuseAndListenAgain) {
    ASSERT_EQ(Control("REFUSE"), "OK\n");
    EXPECT_LT(Connect(server_->ChatPort()), 0);
    ASSERT_EQ(Control("LISTEN"), "OK\n");
    const int fd = Connect(server_->ChatPort());
    EXPECT_GE(fd, 0);
    close(fd);
}

TEST_F(ServerFixture, HugeLengthFromClientClosesWithoutAllocating) {
    const int fd = Connect(server_->ChatPort());
    std::vector<uint8_t> header = BuildPacket(CMD_TEXT_MSG, {});
    const uint32_t huge = 0x7FFFFFFF;
    std::memcpy(&header[20], &huge, 4);
    SendAll(fd, header);
    EXPECT_TRUE(ClosedByPeer(fd));
    EXPECT_NE(Control("RECORD", true).find("ERROR 1 "), std::string::npos);
    close(fd);
}

TEST_F(ServerFixture, SendDeliversARawPacketAndDropCloses) {
    const int fd = Connect(server_->ChatPort());
    EXPECT_EQ(Control("PING"), "OK\n");  // the accept has been seen
    EXPECT_EQ(Control("SEND last 3 0100000002000000"), "OK\n");
    const std::vector<uint8_t> packet = ReadBytes(fd, 32);
    ASSERT_EQ(packet.size(), 32u);
    EXPECT_EQ(ReadWord(&packet[0]), 3u);
    EXPECT_EQ(Control("DROP"), "OK\n");
    EXPECT_TRUE(ClosedByPeer(fd));
    close(fd);
}

// CUT: the receiver gets the message whole; the sender's acknowledgement
// stops after its header and half its body, and the connection ends; the
// record names the message. What comes for the cut user afterwards is
// stored for its next log-on, not written to the dead connection.
TEST_F(ServerFixture, CutWritesHalfTheAcknowledgementThenEndsTheConnection) {
    const int sender = Connect(server_->ChatPort());
    SendAll(sender, BuildPacket(CMD_LOGON, LogonBody(10001, "secret", LOGON_TYPE_PASSWORD)));
    ASSERT_EQ(ReadBytes(sender, 32).size(), 32u);
    const int receiver = Connect(server_->ChatPort());
    SendAll(receiver, BuildPacket(CMD_LOGON, LogonBody(10002, "secret", LOGON_TYPE_PASSWORD)));
    ASSERT_EQ(ReadBytes(receiver, 32).size(), 32u);
    ReadBytes(sender, 4096, 300);  // status notices
    EXPECT_EQ(Control("CUT 9"), "ERR no connection 9\n");
    ASSERT_EQ(Control("CUT 1"), "OK\n");

    TextMsgRecord message = {};
    message.date = 20261211;
    message.time = 21000123;
    message.senderId = 10001;
    message.receiverId = 10002;
    std::strcpy(message.text, "hello");
    const size_t size = offsetof(TextMsgRecord, text) + 6;
    const std::vector<uint8_t> body(reinterpret_cast<const uint8_t*>(&message),
                                    reinterpret_cast<const uint8_t*>(&message) + size);
    SendAll(sender, BuildPacket(CMD_TEXT_MSG, body));
    const std::vector<uint8_t> delivered = ReadBytes(receiver, kHeaderSize + size);
    ASSERT_EQ(delivered.size(), kHeaderSize + size);
    EXPECT_EQ(std::memcmp(&delivered[kHeaderSize + offsetof(TextMsgRecord, text)], "hello", 6), 0);
    const std::vector<uint8_t> ack = ReadBytes(sender, 64, 1000);
    EXPECT_EQ(ack.size(), kHeaderSize + 8);
    EXPECT_EQ(ReadWord(&ack[20]), 16u);  // the header promised the whole body
    EXPECT_TRUE(ClosedByPeer(sender));
    EXPECT_NE(Control("RECORD", true).find(" cut-ack 21000123\n"), std::string::npos);

    // The receiver answers: the sender is gone, so the answer is stored.
    message.time = 21000456;
    message.senderId = 10002;
    message.receiverId = 10001;
    const std::vector<uint8_t> answer(reinterpret_cast<const uint8_t*>(&message),
                                      reinterpret_cast<const uint8_t*>(&message) + size);
    ReadBytes(receiver, 4096, 300);  // the sender's going offline
    SendAll(receiver, BuildPacket(CMD_TEXT_MSG, answer));
    const std::vector<uint8_t> stored = ReadBytes(receiver, kHeaderSize + 16);
    ASSERT_EQ(stored.size(), kHeaderSize + 16);
    EXPECT_EQ(ReadWord(&stored[kHeaderSize + 12]), uint32_t(ACK_STORED));
    close(sender);
    close(receiver);
}

}  // namespace
