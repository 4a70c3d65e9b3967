// The stand-in file server, driven over loopback by a minimal client.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FileServer.h"
#include "ImEngineApi.h"

namespace {

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(value >> (8 * i)));
}
uint32_t U32(const std::vector<uint8_t>& in, size_t at) {
    return uint32_t(in[at]) | uint32_t(in[at + 1]) << 8 | uint32_t(in[at + 2]) << 16 |
           uint32_t(in[at + 3]) << 24;
}
void PutName(std::vector<uint8_t>& out, const std::string& name) {
    std::vector<uint8_t> field(64, 0);
    std::memcpy(field.data(), name.data(), std::min<size_t>(name.size(), 64));
    out.insert(out.end(), field.begin(), field.end());
}

class Client {
public:
    explicit Client(uint16_t port) {
        socket_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        connected_ = connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        timeval limit{5, 0};
        setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    }
    ~Client() { close(socket_); }
    bool Connected() const { return connected_; }

    void Send(uint32_t command, const std::vector<uint8_t>& body) {
        std::vector<uint8_t> packet;
        for (uint32_t w : {command, 0u, PACKET_MARK, 0u, 0u, uint32_t(body.size())}) PutU32(packet, w);
        packet.insert(packet.end(), body.begin(), body.end());
        ASSERT_EQ(send(socket_, packet.data(), packet.size(), MSG_NOSIGNAL), ssize_t(packet.size()));
    }
    void SendRaw(const std::vector<uint8_t>& bytes) {
        ASSERT_EQ(send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL), ssize_t(bytes.size()));
    }
    // Header and body of one reply; empty when the server closed.
    std::vector<uint8_t> Receive() {
        std::vector<uint8_t> packet(PACKET_HEADER_SIZE);
        if (!ReadExactly(packet.data(), packet.size())) return {};
        const uint32_t body = U32(packet, 20);
        packet.resize(PACKET_HEADER_SIZE + body);
        if (!ReadExactly(packet.data() + PACKET_HEADER_SIZE, body)) return {};
        return packet;
    }

    std::vector<uint8_t> Upload(const std::string& name, uint32_t offset, const std::string& data,
                                uint32_t claimedLength) {
        std::vector<uint8_t> body;
        PutU32(body, 0);
        PutName(body, name);
        PutU32(body, offset);
        PutU32(body, claimedLength);
        body.resize(92, 0);
        body.insert(body.end(), data.begin(), data.end());
        Send(CMD_FILE_UPLOAD, body);
        return Receive();
    }
    std::vector<uint8_t> Download(const std::string& name, uint32_t offset, uint32_t wanted) {
        std::vector<uint8_t> body;
        PutName(body, name);
        PutU32(body, offset);
        PutU32(body, wanted);
        body.resize(88, 0);
        Send(CMD_FILE_DOWNLOAD, body);
        return Receive();
    }

private:
    bool ReadExactly(uint8_t* buffer, size_t length) {
        while (length) {
            const ssize_t n = recv(socket_, buffer, length, 0);
            if (n <= 0) return false;
            buffer += n;
            length -= size_t(n);
        }
        return true;
    }
    int socket_ = -1;
    bool connected_ = false;
};

class FileServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/qv-fileserver-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + folder_ + "'").c_str()); }
    std::string folder_;
};

TEST_F(FileServerTest, UploadInBlocksThenDownloadInBlocks) {
    standin::FileServer server(folder_);
    ASSERT_TRUE(server.Start(0));
    Client client(server.Port());
    ASSERT_TRUE(client.Connected());

    const std::string first = "hello ", second = "file server";
    auto reply = client.Upload("1210a.jpg", 0, first, first.size());
    ASSERT_EQ(reply.size(), 24u + 28u);
    EXPECT_EQ(U32(reply, 0), CMD_FILE_UPLOAD);
    EXPECT_EQ(U32(reply, 24), 0u);  // stored
    EXPECT_EQ(U32(reply, 28) + U32(reply, 32), first.size());
    reply = client.Upload("1210a.jpg", first.size(), second, second.size());
    EXPECT_EQ(U32(reply, 24), 0u);

    // Two blocks of at most 8 bytes each, then the end: no data, size == offset.
    std::string received;
    uint32_t offset = 0;
    for (int i = 0; i < 10; ++i) {
        reply = client.Download("1210a.jpg", offset, 8);
        ASSERT_GE(reply.size(), 56u);
        const uint32_t size = U32(reply, 28), at = U32(reply, 32), length = U32(reply, 36);
        EXPECT_EQ(size, first.size() + second.size());
        ASSERT_EQ(reply.size(), 56u + length);
        if (length == 0) {
            EXPECT_EQ(at, size);
            break;
        }
        received.append(reply.begin() + 56, reply.end());
        offset = at + length;
    }
    EXPECT_EQ(received, first + second);
}

TEST_F(FileServerTest, RejectsBadBlocks) {
    standin::FileServer server(folder_);
    ASSERT_TRUE(server.Start(0));
    Client client(server.Port());
    struct Case {
        const char* what;
        std::string name;
        uint32_t claimed;
    } const cases[] = {
        {"length differs from the data", "ok.jpg", 99},
        {"name climbs out of the folder", "../evil", 4},
        {"name with a separator", "a/b", 4},
        {"name that is the parent folder", "..", 4},
        {"empty name", "", 4},
    };
    for (const Case& c : cases) {
        auto reply = client.Upload(c.name, 0, "data", c.claimed);
        ASSERT_EQ(reply.size(), 52u) << c.what;
        EXPECT_NE(U32(reply, 24), 0u) << c.what;
    }
    // Two dots inside a name are part of the name.
    auto stored = client.Upload("0412report..v2.doc", 0, "data", 4);
    ASSERT_EQ(stored.size(), 52u);
    EXPECT_EQ(U32(stored, 24), 0u);
    // A missing file: size 0 and no data.
    auto reply = client.Download("missing.jpg", 0, 512000);
    ASSERT_EQ(reply.size(), 56u);
    EXPECT_EQ(U32(reply, 28), 0u);
    EXPECT_EQ(U32(reply, 36), 0u);
}

TEST_F(FileServerTest, FaultsRejectThenAcceptAndStarveDownloads) {
    standin::FileServerFaults faults;
    faults.rejectUploads = 2;
    faults.downloadsWithoutData = true;
    standin::FileServer server(folder_, faults);
    ASSERT_TRUE(server.Start(0));
    Client client(server.Port());
    EXPECT_NE(U32(client.Upload("p.jpg", 0, "abc", 3), 24), 0u);
    EXPECT_NE(U32(client.Upload("p.jpg", 0, "abc", 3), 24), 0u);
    EXPECT_EQ(U32(client.Upload("p.jpg", 0, "abc", 3), 24), 0u);
    auto reply = client.Download("p.jpg", 0, 512000);
    ASSERT_EQ(reply.size(), 56u);
    EXPECT_EQ(U32(reply, 36), 0u);
    EXPECT_NE(U32(reply, 28), U32(reply, 32));  // size never matches the offset
}

TEST_F(FileServerTest, HugeBodyLengthClosesTheConnection) {
    standin::FileServer server(folder_);
    ASSERT_TRUE(server.Start(0));
    Client client(server.Port());
    std::vector<uint8_t> header;
    for (uint32_t w : {uint32_t(CMD_FILE_UPLOAD), 0u, PACKET_MARK, 0u, 0u, 0xFFFFFFF0u}) PutU32(header, w);
    client.SendRaw(header);
    EXPECT_TRUE(client.Receive().empty());  // closed, nothing allocated or answered
}

// The stall: a request that finds the trigger file removes it, and it and
// every request of any connection until the stall is over are answered
// only then; the server goes on as before after it.
TEST_F(FileServerTest, TheTriggerFileStallsEveryAnswerForAWhile) {
    standin::FileServerFaults faults;
    faults.stallTrigger = folder_ + "/stall";
    faults.stallMs = 600;
    standin::FileServer server(folder_, faults);
    ASSERT_TRUE(server.Start(0));
    Client first(server.Port()), second(server.Port());
    using Clock = std::chrono::steady_clock;
    auto start = Clock::now();
    EXPECT_EQ(U32(first.Upload("p.jpg", 0, "abc", 3), 24), 0u);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500)) << "a stall without its trigger";

    FILE* trigger = std::fopen(faults.stallTrigger.c_str(), "w");
    ASSERT_NE(trigger, nullptr);
    std::fclose(trigger);
    start = Clock::now();
    auto reply = first.Download("p.jpg", 0, 512000);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(550));
    EXPECT_EQ(U32(reply, 36), 3u);
    EXPECT_NE(access(faults.stallTrigger.c_str(), F_OK), 0) << "the trigger stays";
    start = Clock::now();
    EXPECT_EQ(U32(second.Upload("q.jpg", 0, "de", 2), 24), 0u);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500)) << "the stall did not end";
}

}  // namespace
