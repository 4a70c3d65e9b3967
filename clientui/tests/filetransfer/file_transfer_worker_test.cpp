// CFileTransferWorker against no server and against a small hostile server
// inside the test: one that never answers, and ones that answer with replies
// that cannot be used. A server that does not answer is waited for: the
// worker keeps trying, each attempt bounded in time, says that it waits for
// the server and ends when it is cancelled. A server that answers with
// unusable replies is no outage: the worker never says it waits, never
// writes what it cannot trust, and ends by itself with a failure. No file is
// left behind.
#include "FileTransferTestSupport.h"

#include "clientui/FileServerProtocol.h"
#include "clientui/FileTransferWorker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <cstring>
#include <thread>
#include <vector>

namespace {

// Listens on a free loopback port. Stall: connections are accepted and left
// unanswered. The others read one request and answer it, then close the
// connection. Oversized: a download reply announcing 0x7FFFFFF0 bytes.
// WrongOffset: a well-formed download reply whose data starts past the
// offset asked for. BadUploadReply: an upload reply with a body of 20 bytes.
class HostileServer {
public:
    enum Mode { kStall, kOversized, kWrongOffset, kBadUploadReply };

    explicit HostileServer(Mode mode) : m_mode(mode) {
        m_listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = ::inet_addr("127.0.0.1");
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listener, 8);
        int length = sizeof address;
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~HostileServer() {
        m_stop = true;
        ::closesocket(m_listener);
        m_thread.join();
        for (SOCKET client : m_clients) ::closesocket(client);
    }
    uint16_t Port() const { return m_port; }
    int Connections() const { return m_connections.load(); }

private:
    void Serve() {
        while (!m_stop) {
            SOCKET client = ::accept(m_listener, nullptr, nullptr);
            if (client == INVALID_SOCKET) return;
            ++m_connections;
            if (m_mode == kStall) {
                m_clients.push_back(client);
                continue;
            }
            uint32_t header[6] = {};
            std::vector<uint8_t> body;
            if (Receive(client, header, sizeof header)) {
                body.resize(std::min<uint32_t>(header[5], 1 << 20));
                if (!body.empty()) Receive(client, body.data(), body.size());
            }
            const uint32_t asked = body.size() >= 68 ? body[64] | body[65] << 8 | body[66] << 16 | body[67] << 24 : 0;
            std::vector<uint32_t> reply;
            if (m_mode == kOversized) {
                reply = {CMD_FILE_DOWNLOAD, 0, 0xFF, 0, 0, 32 + 0x7FFFFFF0u, 0, 0x7FFFFFF0u, 0, 0x7FFFFFF0u, 0, 0, 0, 0};
            } else if (m_mode == kWrongOffset) {
                reply = {CMD_FILE_DOWNLOAD, 0, 0xFF, 0, 0, 32 + 8, 0, 100000, asked + 1, 8, 0, 0, 0, 0, 0, 0};
            } else {
                reply = {CMD_FILE_UPLOAD, 0, 0xFF, 0, 0, 20, 0, 0, 20480, 0, 0, 0, 0};
            }
            ::send(client, reinterpret_cast<const char*>(reply.data()), static_cast<int>(reply.size() * 4), 0);
            ::closesocket(client);
        }
    }

    static bool Receive(SOCKET client, void* buffer, size_t size) {
        size_t got = 0;
        while (got < size) {
            const int n = ::recv(client, static_cast<char*>(buffer) + got, static_cast<int>(size - got), 0);
            if (n <= 0) return false;
            got += static_cast<size_t>(n);
        }
        return true;
    }

    Mode m_mode;
    SOCKET m_listener = INVALID_SOCKET;
    uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    std::vector<SOCKET> m_clients;
    std::thread m_thread;
};

class ResultSink : public IFileTransferSink {
public:
    void OnTransferStarted() override { started = true; }
    void OnTransferProgress(int32_t, int) override {}
    void OnTransferWaiting(bool on) override {
        waiting = on;
        if (on) ++waits;
    }
    void OnTransferEnded(FileTransferResult value) override { result = value; }
    std::atomic<bool> started{false};
    std::atomic<bool> waiting{false};
    std::atomic<int> waits{0};
    std::atomic<FileTransferResult> result{FileTransferResult::Completed};
};

bool WaitFor(const std::function<bool()>& done, DWORD ms = 20000) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > ms) return false;
        ::Sleep(10);
    }
    return true;
}

FileTransferJob JobFor(uint16_t port, bool upload, const std::wstring& path) {
    FileTransferJob job;
    job.upload = upload;
    job.localPath = path;
    job.storedName = "1231hostile.bin";
    job.fileSize = 100000;
    job.host = L"127.0.0.1";
    job.port = port;
    job.timing = ftest::FastTiming();
    job.timing.ioTimeoutMs = 300;
    return job;
}

}  // namespace

TEST(FileTransferWorkerHostile, AStalledServerIsAskedAgainUntilTheCancel) {
    ftest::TempFolder folder;
    ASSERT_TRUE(ftest::WriteBytes(folder / L"up.bin", ftest::MakeBytes(100000, 1)));
    HostileServer server(HostileServer::kStall);
    for (const bool upload : {true, false}) {
        SCOPED_TRACE(upload);
        const int before = server.Connections();
        const std::wstring path = upload ? folder / L"up.bin" : folder / L"down.bin";
        auto sink = std::make_shared<ResultSink>();
        CFileTransferWorker worker;
        ASSERT_TRUE(worker.Start(JobFor(server.Port(), upload, path), sink));
        // Each attempt ends with its time-out and the worker connects again.
        ASSERT_TRUE(WaitFor([&] { return server.Connections() >= before + 3; }));
        EXPECT_TRUE(sink->started);
        EXPECT_TRUE(sink->waiting);
        EXPECT_TRUE(worker.IsRunning());
        worker.Cancel();
        ASSERT_TRUE(worker.Wait(5000));
        EXPECT_EQ(sink->result.load(), FileTransferResult::Cancelled);
        if (!upload) {
            EXPECT_FALSE(ftest::FileExists(path));
            EXPECT_FALSE(ftest::FileExists(CFileTransferWorker::TempPathOf(path)));
        }
    }
}

// Replies that arrive but cannot be used: each costs a reconnect after the
// retry interval, and after maxUnusableReplies of them in a row the worker
// ends with a failure by itself. The server answered every time, so the
// worker never says that it waits for it.
TEST(FileTransferWorkerHostile, UnusableRepliesEndTheTransferAsAFailureNotAsAnOutage) {
    ftest::TempFolder folder;
    ASSERT_TRUE(ftest::WriteBytes(folder / L"up.bin", ftest::MakeBytes(100000, 3)));
    const struct {
        const char* name;
        HostileServer::Mode mode;
        bool upload;
    } cases[] = {
        {"a download reply announcing more than a block", HostileServer::kOversized, false},
        {"a download reply for another offset", HostileServer::kWrongOffset, false},
        {"an upload reply of the wrong length", HostileServer::kBadUploadReply, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HostileServer server(c.mode);
        const std::wstring path = c.upload ? folder / L"up.bin" : folder / L"down.bin";
        auto sink = std::make_shared<ResultSink>();
        FileTransferJob job = JobFor(server.Port(), c.upload, path);
        job.timing.maxUnusableReplies = 3;
        CFileTransferWorker worker;
        ASSERT_TRUE(worker.Start(job, sink));
        ASSERT_TRUE(worker.Wait(10000)) << "the worker should end by itself";
        EXPECT_EQ(sink->result.load(), FileTransferResult::Failed);
        EXPECT_EQ(server.Connections(), job.timing.maxUnusableReplies + 1);
        EXPECT_EQ(sink->waits.load(), 0) << "no outage was told";
        if (!c.upload) {
            EXPECT_FALSE(ftest::FileExists(path));
            EXPECT_FALSE(ftest::FileExists(CFileTransferWorker::TempPathOf(path)));
        }
    }
}

TEST(FileTransferWorkerHostile, NoServerAtAllIsWaitedForUntilTheCancel) {
    ftest::TempFolder folder;
    ASSERT_TRUE(ftest::WriteBytes(folder / L"up.bin", ftest::MakeBytes(1000, 2)));
    auto sink = std::make_shared<ResultSink>();
    CFileTransferWorker worker;
    ASSERT_TRUE(worker.Start(JobFor(1, true, folder / L"up.bin"), sink));
    ASSERT_TRUE(WaitFor([&] { return sink->waiting.load(); }));
    EXPECT_FALSE(sink->started);
    EXPECT_EQ(sink->waits.load(), 1);  // told once, not per try
    EXPECT_TRUE(worker.IsRunning());
    worker.Cancel();
    ASSERT_TRUE(worker.Wait(5000));
    EXPECT_EQ(sink->result.load(), FileTransferResult::Cancelled);
}

TEST(FileTransferWorkerHostile, ACancelEndsAWorkerThatWaitsForTheServer) {
    ftest::TempFolder folder;
    HostileServer server(HostileServer::kStall);
    auto sink = std::make_shared<ResultSink>();
    FileTransferJob job = JobFor(server.Port(), false, folder / L"down.bin");
    job.timing.ioTimeoutMs = 2000;
    CFileTransferWorker worker;
    ASSERT_TRUE(worker.Start(job, sink));
    ::Sleep(100);
    worker.Cancel();
    // The receive under way ends at once; no retry follows.
    ASSERT_TRUE(worker.Wait(5000));
    EXPECT_EQ(sink->result.load(), FileTransferResult::Cancelled);
    EXPECT_FALSE(ftest::FileExists(CFileTransferWorker::TempPathOf(folder / L"down.bin")));
}

// A cancel (a panel closed, the program ending) does not wait for the
// I/O time-out of a send or receive that a stalled server holds: the
// worker's connection is interrupted and the thread ends at once.
TEST(FileTransferWorkerHostile, ACancelEndsATransferHeldByAStalledServerAtOnce) {
    ftest::TempFolder folder;
    ASSERT_TRUE(ftest::WriteBytes(folder / L"up.bin", ftest::MakeBytes(100000, 4)));
    HostileServer server(HostileServer::kStall);
    for (const bool upload : {true, false}) {
        SCOPED_TRACE(upload);
        const int before = server.Connections();
        auto sink = std::make_shared<ResultSink>();
        FileTransferJob job = JobFor(server.Port(), upload, upload ? folder / L"up.bin" : folder / L"down.bin");
        job.timing.ioTimeoutMs = 60000;
        CFileTransferWorker worker;
        ASSERT_TRUE(worker.Start(job, sink));
        ASSERT_TRUE(WaitFor([&] { return server.Connections() > before && sink->started.load(); }));
        ::Sleep(200);  // the request is sent; the worker waits for the reply
        const DWORD start = ::GetTickCount();
        worker.Cancel();
        ASSERT_TRUE(worker.Wait(1000)) << "the cancel waited for the receive's time-out";
        EXPECT_LT(::GetTickCount() - start, 1000u);
        EXPECT_EQ(sink->result.load(), FileTransferResult::Cancelled);
    }
}
