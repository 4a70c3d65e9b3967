// The picture-transfer client: jobs that wait in front while no server
// answers, the one notice of an outage, attempts bounded in time, and
// uploads and downloads against the stand-in file server (its port and
// storage folder come from the environment; see with-fileserver.sh).
#include "clientui/ImageTransfer.h"

#include "clientui/ClientApp.h"
#include "clientui/ClientImageLists.h"
#include "clientui/ClientSettings.h"

#include <fw/MessageBoxSink.h>
#include <fw/StringUtil.h>

#include <gtest/gtest.h>
#include <shlwapi.h>
#include <winsock2.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace {

// The program starts Winsock before the picture client is used.
class WinsockEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        WSADATA data;
        ASSERT_EQ(::WSAStartup(MAKEWORD(2, 2), &data), 0);
    }
    void TearDown() override { ::WSACleanup(); }
};
::testing::Environment* const kWinsock = ::testing::AddGlobalTestEnvironment(new WinsockEnvironment);

const wchar_t kConnectFailedText[] = L"\u8FDE\u63A5\u6587\u4EF6\u670D\u52A1\u5668\u5931\u8D25";

// Waits (bounded) until the condition holds.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 60000) {
    const DWORD start = ::GetTickCount();
    while (!condition()) {
        if (::GetTickCount() - start > timeoutMs) return false;
        ::Sleep(10);
    }
    return true;
}

std::vector<uint8_t> ReadBytes(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    LARGE_INTEGER size = {};
    ::GetFileSizeEx(file, &size);
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!bytes.empty()) ::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    bytes.resize(got);
    ::CloseHandle(file);
    return bytes;
}

void WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << fw::ToAnsi(path);
    DWORD written = 0;
    if (!bytes.empty()) ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    ASSERT_EQ(written, bytes.size());
}

std::vector<uint8_t> Pattern(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    uint32_t state = seed;
    for (uint8_t& b : bytes) {
        state = state * 1103515245u + 12345u;
        b = static_cast<uint8_t>(state >> 16);
    }
    return bytes;
}

ImageTransJob Job(const std::string& name, const std::wstring& path, int32_t type = 1) {
    ImageTransJob job;
    job.head.type = type;
    job.head.userId = 42;
    std::strncpy(job.head.name, name.c_str(), sizeof job.head.name - 1);
    job.localPath = path;
    return job;
}

// Message boxes seen by the sink (they come from the workers' threads).
class MessageBoxLog {
public:
    MessageBoxLog() {
        m_previous = fw::SetMessageBoxSink([this](HWND owner, const std::wstring& text, const std::wstring& caption, UINT) {
            std::lock_guard<std::mutex> lock(m_lock);
            m_boxes.push_back(Box{owner, text, caption});
            return IDOK;
        });
    }
    ~MessageBoxLog() { fw::SetMessageBoxSink(m_previous); }
    struct Box {
        HWND owner;
        std::wstring text;
        std::wstring caption;
    };
    std::vector<Box> Boxes() const {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_boxes;
    }
    std::vector<std::wstring> Texts() const {
        std::vector<std::wstring> texts;
        for (const Box& box : Boxes()) texts.push_back(box.text);
        return texts;
    }

private:
    mutable std::mutex m_lock;
    std::vector<Box> m_boxes;
    fw::MessageBoxSink m_previous;
};

ImageTransferTiming TestTiming() {
    ImageTransferTiming timing;
    timing.connectRetries = 50;
    timing.retryIntervalMs = 10;
    timing.pollIntervalMs = 10;
    timing.connectTimeoutMs = 2000;
    timing.ioTimeoutMs = 10000;
    return timing;
}

// A local port on which nothing listens (for now).
uint16_t UnusedPort() {
    SOCKET probe = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ::inet_addr("127.0.0.1");
    ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    ::closesocket(probe);
    return ntohs(address.sin_port);
}

// ---------------------------------------------------------------------------
// Connecting (no server)

// A picture file of the test's own, for upload jobs.
std::wstring LocalPicture(const wchar_t* name, size_t size) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"qv-connect-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + name;
    WriteBytes(path, Pattern(size, 11));
    return path;
}

// A listening socket that takes connections (through its backlog) and never
// answers.
class SilentListener {
public:
    explicit SilentListener(uint16_t port = 0) {
        m_socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = ::inet_addr("127.0.0.1");
        address.sin_port = htons(port);
        m_ok = ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
               ::listen(m_socket, 16) == 0;
        int length = sizeof address;
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
    }
    ~SilentListener() { ::closesocket(m_socket); }
    bool Ok() const { return m_ok; }
    uint16_t Port() const { return m_port; }

private:
    SOCKET m_socket = INVALID_SOCKET;
    bool m_ok = false;
    uint16_t m_port = 0;
};

// A transfer against the listener that never answers, with this I/O time-out.
ImageTransferConfig StalledConfig(const SilentListener& listener, unsigned ioTimeoutMs) {
    ImageTransferConfig config{L"127.0.0.1", listener.Port(), TestTiming(), L""};
    config.timing.ioTimeoutMs = ioTimeoutMs;
    return config;
}

TEST(ImageTransferConnect, WhileNoServerAnswersTheJobsWaitInFrontAndOneNoticeIsShown) {
    MessageBoxLog boxes;
    ImageTransferConfig config{L"127.0.0.1", UnusedPort(), TestTiming(), L""};
    config.timing.retryIntervalMs = 5;
    CImageTransfer transfer(config);
    const std::wstring first = LocalPicture(L"first.jpg", 100);
    const std::wstring second = LocalPicture(L"second.jpg", 100);
    transfer.AddUploadJob(Job("1210FIRST.JPG", first));
    transfer.AddUploadJob(Job("1210SECOND.JPG", second));
    // Far more failed tries than the 51 after which the notice comes.
    ASSERT_TRUE(WaitUntil([&] { return transfer.UploadCounters().connectFailures >= 200; }));
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0], kConnectFailedText);
    EXPECT_EQ(transfer.UploadCounters().notices.load(), 1);
    // Nothing was given up or reordered; the idle download worker tried once
    // at its start and told nobody.
    EXPECT_EQ(transfer.UploadQueueSize(), 2u);
    EXPECT_EQ(transfer.UploadCounters().dropped.load(), 0);
    EXPECT_EQ(transfer.UploadCounters().requests.load(), 0);
    EXPECT_EQ(transfer.DownloadCounters().connectFailures.load(), 1);
    EXPECT_EQ(transfer.DownloadCounters().notices.load(), 0);
    transfer.Stop();
    ::DeleteFileW(first.c_str());
    ::DeleteFileW(second.c_str());
}

TEST(ImageTransferConnect, ServerAppearingBeforeTheNoticeShowsNone) {
    MessageBoxLog boxes;
    const uint16_t port = UnusedPort();
    ImageTransferConfig config{L"127.0.0.1", port, TestTiming(), L""};
    config.timing.retryIntervalMs = 100;
    config.timing.ioTimeoutMs = 300;
    CImageTransfer transfer(config);
    const std::wstring picture = LocalPicture(L"late.jpg", 100);
    transfer.AddUploadJob(Job("1210LATE.JPG", picture));
    // Listen only once the worker is near the end of its tries.
    ASSERT_TRUE(WaitUntil([&] { return transfer.UploadCounters().connectFailures >= 46; }));
    SilentListener listener(port);
    ASSERT_TRUE(listener.Ok());
    ASSERT_TRUE(WaitUntil([&] { return transfer.UploadCounters().connects >= 1; }));
    EXPECT_LE(transfer.UploadCounters().connectFailures.load(), 51);
    EXPECT_TRUE(boxes.Texts().empty());
    transfer.Stop();
    ::DeleteFileW(picture.c_str());
}

TEST(ImageTransferConnect, AnEntryThatIsNoAddressFailsEveryTryAndIsToldOnce) {
    MessageBoxLog boxes;
    ImageTransferConfig config{L"chat.example", 7013, TestTiming(), L""};
    config.timing.retryIntervalMs = 1;
    CImageTransfer transfer(config);
    const std::wstring picture = LocalPicture(L"1210X.JPG", 0);
    ::DeleteFileW(picture.c_str());
    transfer.AddDownloadJob(Job(fw::ToAnsi(::PathFindFileNameW(picture.c_str())), picture));
    ASSERT_TRUE(WaitUntil([&] { return transfer.DownloadCounters().connectFailures >= 120; }));
    EXPECT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(transfer.DownloadQueueSize(), 1u);
    transfer.Stop();
    ::DeleteFileW((picture + L".tmp").c_str());
}

// A server that takes the connection and never answers: each attempt ends
// with the socket's time-out, the job stays in front, and the worker stops
// when asked.
TEST(ImageTransferConnect, AStalledServerHoldsNoAttemptForEver) {
    MessageBoxLog boxes;
    SilentListener listener;
    ASSERT_TRUE(listener.Ok());
    CImageTransfer transfer(StalledConfig(listener, 200));
    const std::wstring picture = LocalPicture(L"stalled.jpg", 100);
    transfer.AddUploadJob(Job("1210STALL.JPG", picture));
    ASSERT_TRUE(WaitUntil([&] { return transfer.UploadCounters().requests >= 3; }, 20000));
    EXPECT_EQ(transfer.UploadQueueSize(), 1u);
    const DWORD start = ::GetTickCount();
    transfer.Stop();
    EXPECT_LT(::GetTickCount() - start, 5000u);
    EXPECT_TRUE(boxes.Texts().empty());
    ::DeleteFileW(picture.c_str());
}

// The programs' exit stops the workers while a stalled server holds a
// transfer: the stop interrupts the connection instead of waiting for the
// I/O time-out, and the threads are joined at once.
TEST(ImageTransferConnect, AStopEndsTransfersHeldByAStalledServerAtOnce) {
    MessageBoxLog boxes;
    SilentListener listener;
    ASSERT_TRUE(listener.Ok());
    CImageTransfer transfer(StalledConfig(listener, 60000));
    const std::wstring upload = LocalPicture(L"held-up.jpg", 100);
    const std::wstring download = LocalPicture(L"1210HELD.JPG", 0);
    ::DeleteFileW(download.c_str());
    transfer.AddUploadJob(Job("1210HELDUP.JPG", upload));
    transfer.AddDownloadJob(Job(fw::ToAnsi(::PathFindFileNameW(download.c_str())), download));
    ASSERT_TRUE(WaitUntil([&] {
        return transfer.UploadCounters().requests >= 1 && transfer.DownloadCounters().requests >= 1;
    }));
    ::Sleep(200);  // both requests are out; both workers wait for replies
    const DWORD start = ::GetTickCount();
    transfer.Stop();
    EXPECT_LT(::GetTickCount() - start, 1000u) << "the stop waited for a receive's time-out";
    EXPECT_EQ(transfer.UploadQueueSize(), 1u) << "a stopped job stays queued";
    transfer.Stop();  // again: nothing left to wait for
    EXPECT_TRUE(boxes.Texts().empty());
    ::DeleteFileW(upload.c_str());
    ::DeleteFileW((download + L".tmp").c_str());
}

// ---------------------------------------------------------------------------
// Against the stand-in file server

class FileServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* port = std::getenv("QV_FILESERVER_PORT");
        const char* store = std::getenv("QV_FILESERVER_DIR");
        if (!port || !store) GTEST_SKIP() << "run through with-fileserver.sh";
        // The server's folder, seen through Wine's drive for the host's root.
        m_store = L"Z:" + fw::FromAnsi(store);
        for (wchar_t& c : m_store) {
            if (c == L'/') c = L'\\';
        }
        m_store += L"\\";
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        m_local = std::wstring(temp) + L"qv-transfer-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                  fw::FromAnsi(::testing::UnitTest::GetInstance()->current_test_info()->name()) + L"\\";
        ::CreateDirectoryW(m_local.c_str(), nullptr);
        m_images = m_local + L"42\\Image\\";
        ImageTransferConfig config{L"127.0.0.1", static_cast<uint16_t>(std::atoi(port)), TestTiming(), L""};
        m_transfer.reset(new CImageTransfer(config));
    }
    void TearDown() override {
        if (m_transfer) m_transfer->Stop();
        EXPECT_TRUE(m_boxes.Texts().empty());
    }

    bool DownloadsSettled() { return WaitUntil([&] { return m_transfer->DownloadQueueSize() == 0; }); }
    bool UploadsSettled() { return WaitUntil([&] { return m_transfer->UploadQueueSize() == 0; }); }

    MessageBoxLog m_boxes;
    std::wstring m_store;   // the server's storage folder
    std::wstring m_local;   // the program folder of this test
    std::wstring m_images;  // its pictures folder
    std::unique_ptr<CImageTransfer> m_transfer;
};

class ImageTransferServer : public FileServerTest {};
class ImageTransferInterrupted : public FileServerTest {};
class ImageTransferNoData : public FileServerTest {};
class ImageTransferRejected : public FileServerTest {};

TEST_F(ImageTransferServer, UploadsAPictureOfSeveralBlocks) {
    const std::vector<uint8_t> picture = Pattern(1200000, 1);
    WriteBytes(m_local + L"up.jpg", picture);
    m_transfer->AddUploadJob(Job("1210UPLOAD.JPG", m_local + L"up.jpg"));
    ASSERT_TRUE(UploadsSettled());
    EXPECT_EQ(m_transfer->UploadCounters().completed.load(), 1);
    EXPECT_EQ(m_transfer->UploadCounters().requests.load(), 3);  // 512000 + 512000 + 176000
    EXPECT_EQ(ReadBytes(m_store + L"1210UPLOAD.JPG"), picture);
}

TEST_F(ImageTransferServer, DownloadsAPictureOfSeveralBlocks) {
    const std::vector<uint8_t> picture = Pattern(1100000, 2);
    WriteBytes(m_store + L"1210DOWN.JPG", picture);
    m_transfer->AddDownloadJob(Job("1210DOWN.JPG", m_images + L"1210DOWN.JPG"));
    ASSERT_TRUE(DownloadsSettled());
    EXPECT_EQ(m_transfer->DownloadCounters().completed.load(), 1);
    EXPECT_EQ(m_transfer->DownloadCounters().requests.load(), 4);  // three blocks, then the end
    EXPECT_EQ(ReadBytes(m_images + L"1210DOWN.JPG"), picture);
    EXPECT_FALSE(::PathFileExistsW((m_images + L"1210DOWN.JPG.tmp").c_str()));
}

TEST_F(ImageTransferServer, APictureAlreadyOnDiskIsNeverRequested) {
    ::CreateDirectoryW((m_local + L"42").c_str(), nullptr);
    ::CreateDirectoryW(m_images.c_str(), nullptr);
    const std::vector<uint8_t> mine = Pattern(1000, 3);
    WriteBytes(m_images + L"1210HAVE.JPG", mine);
    WriteBytes(m_store + L"1210HAVE.JPG", Pattern(2000, 4));
    m_transfer->AddDownloadJob(Job("1210HAVE.JPG", m_images + L"1210HAVE.JPG"));
    ASSERT_TRUE(DownloadsSettled());
    EXPECT_EQ(m_transfer->DownloadCounters().requests.load(), 0);
    EXPECT_EQ(ReadBytes(m_images + L"1210HAVE.JPG"), mine);
}

TEST_F(ImageTransferServer, ADownloadResumesFromThePartialFile) {
    const std::vector<uint8_t> picture = Pattern(600000, 5);
    WriteBytes(m_store + L"1210PART.JPG", picture);
    ::CreateDirectoryW((m_local + L"42").c_str(), nullptr);
    ::CreateDirectoryW(m_images.c_str(), nullptr);
    // What an earlier, interrupted run left: marked bytes, so that the
    // result shows they were kept and not fetched again.
    const std::vector<uint8_t> earlier(300000, 0xEE);
    WriteBytes(m_images + L"1210PART.JPG.tmp", earlier);
    m_transfer->AddDownloadJob(Job("1210PART.JPG", m_images + L"1210PART.JPG"));
    ASSERT_TRUE(DownloadsSettled());
    EXPECT_EQ(m_transfer->DownloadCounters().requests.load(), 2);  // the rest, then the end
    std::vector<uint8_t> expected = earlier;
    expected.insert(expected.end(), picture.begin() + 300000, picture.end());
    EXPECT_EQ(ReadBytes(m_images + L"1210PART.JPG"), expected);
}

TEST_F(ImageTransferServer, APartialFileLongerThanThePictureIsStartedAgain) {
    const std::vector<uint8_t> picture = Pattern(3000, 10);
    WriteBytes(m_store + L"1210LONG.JPG", picture);
    ::CreateDirectoryW((m_local + L"42").c_str(), nullptr);
    ::CreateDirectoryW(m_images.c_str(), nullptr);
    WriteBytes(m_images + L"1210LONG.JPG.tmp", std::vector<uint8_t>(5000, 0xEE));
    m_transfer->AddDownloadJob(Job("1210LONG.JPG", m_images + L"1210LONG.JPG"));
    ASSERT_TRUE(DownloadsSettled());
    EXPECT_EQ(m_transfer->DownloadCounters().completed.load(), 1);
    EXPECT_EQ(ReadBytes(m_images + L"1210LONG.JPG"), picture);
}

TEST_F(ImageTransferServer, NamesThatAreNoPlainFileNamesAreNeverUsed) {
    WriteBytes(m_store + L"evil.jpg", Pattern(100, 6));
    const struct {
        const char* name;
        std::wstring path;
    } cases[] = {
        {"..\\evil.jpg", m_images + L"..\\evil.jpg"},
        {"sub/evil.jpg", m_images + L"sub/evil.jpg"},
        {"C:evil.jpg", m_images + L"C:evil.jpg"},
        {"", m_images},
        {"evil.jpg", m_images + L"other.jpg"},  // the path is not the picture's own
    };
    for (const auto& c : cases) {
        m_transfer->AddDownloadJob(Job(c.name, c.path));
        m_transfer->AddUploadJob(Job(c.name, c.path));
    }
    ASSERT_TRUE(DownloadsSettled());
    ASSERT_TRUE(UploadsSettled());
    EXPECT_EQ(m_transfer->DownloadCounters().requests.load(), 0);
    EXPECT_EQ(m_transfer->UploadCounters().requests.load(), 0);
    EXPECT_EQ(m_transfer->DownloadCounters().dropped.load(), 5);
    // A chat log waiting for one of them shows the error placeholder.
    EXPECT_TRUE(m_transfer->HasGivenUpDownload(m_images + L"..\\evil.jpg"));
    EXPECT_TRUE(m_transfer->HasGivenUpDownload(m_images + L"OTHER.JPG"));
    EXPECT_FALSE(::PathFileExistsW((m_local + L"42\\evil.jpg").c_str()));
    EXPECT_FALSE(::PathFileExistsW((m_images + L"other.jpg").c_str()));
}

TEST_F(ImageTransferServer, TwoDotsInsideANameAreNoPath) {
    const std::vector<uint8_t> picture = Pattern(5000, 12);
    WriteBytes(m_local + L"dots.gif", picture);
    m_transfer->AddUploadJob(Job("1210A..B.GIF", m_local + L"dots.gif"));
    ASSERT_TRUE(UploadsSettled());
    EXPECT_EQ(ReadBytes(m_store + L"1210A..B.GIF"), picture);
    m_transfer->AddDownloadJob(Job("1210A..B.GIF", m_images + L"1210A..B.GIF"));
    ASSERT_TRUE(DownloadsSettled());
    EXPECT_EQ(ReadBytes(m_images + L"1210A..B.GIF"), picture);
    EXPECT_FALSE(m_transfer->HasGivenUpDownload(m_images + L"1210A..B.GIF"));
}

TEST_F(ImageTransferServer, AMissingLocalPictureIsNotUploaded) {
    m_transfer->AddUploadJob(Job("1210GONE.JPG", m_local + L"gone.jpg"));
    ASSERT_TRUE(UploadsSettled());
    EXPECT_EQ(m_transfer->UploadCounters().requests.load(), 0);
    EXPECT_EQ(m_transfer->UploadCounters().dropped.load(), 1);
}

TEST_F(ImageTransferInterrupted, EachBrokenConnectionResumesWhereTheFileEnds) {
    const std::vector<uint8_t> picture = Pattern(350000, 7);
    WriteBytes(m_store + L"1210CUT.JPG", picture);
    m_transfer->AddDownloadJob(Job("1210CUT.JPG", m_images + L"1210CUT.JPG"));
    ASSERT_TRUE(DownloadsSettled());
    EXPECT_EQ(m_transfer->DownloadCounters().completed.load(), 1);
    EXPECT_EQ(ReadBytes(m_images + L"1210CUT.JPG"), picture);
    // One connection per block of 100000 bytes and one for the end.
    EXPECT_GE(m_transfer->DownloadCounters().connects.load(), 5);
}

TEST_F(ImageTransferNoData, ADownloadWithoutDataIsDroppedAfterTwentyTries) {
    ::CreateDirectoryW((m_local + L"42").c_str(), nullptr);
    ::CreateDirectoryW(m_images.c_str(), nullptr);
    WriteBytes(m_images + L"1210HAVE.JPG", Pattern(10, 8));
    m_transfer->AddDownloadJob(Job("1210NEVER.JPG", m_images + L"1210NEVER.JPG"));
    // A job behind the failing one is not held up by it.
    m_transfer->AddDownloadJob(Job("1210HAVE.JPG", m_images + L"1210HAVE.JPG"));
    ASSERT_TRUE(DownloadsSettled());
    EXPECT_EQ(m_transfer->DownloadCounters().requests.load(), 20);
    EXPECT_EQ(m_transfer->DownloadCounters().dropped.load(), 1);
    EXPECT_TRUE(m_transfer->HasGivenUpDownload(m_images + L"1210NEVER.JPG"));
    EXPECT_FALSE(::PathFileExistsW((m_images + L"1210NEVER.JPG").c_str()));
    // Nor is an empty partial file left behind in the picture folder.
    EXPECT_FALSE(::PathFileExistsW((m_images + L"1210NEVER.JPG.tmp").c_str()));
}

TEST_F(ImageTransferRejected, ARefusedBlockIsSentAgain) {
    const std::vector<uint8_t> picture = Pattern(3000, 9);
    WriteBytes(m_local + L"up.jpg", picture);
    m_transfer->AddUploadJob(Job("1210AGAIN.JPG", m_local + L"up.jpg"));
    ASSERT_TRUE(UploadsSettled());
    EXPECT_EQ(m_transfer->UploadCounters().requests.load(), 3);  // refused twice, then stored
    EXPECT_EQ(m_transfer->UploadCounters().completed.load(), 1);
    EXPECT_EQ(ReadBytes(m_store + L"1210AGAIN.JPG"), picture);
}

}  // namespace

// ---------------------------------------------------------------------------
// The programs' own instance (a test process of its own: the instance lives
// for the whole process)

namespace {

// An application object as the programs have one, with a main window.
class NoticeTestApp : public CClientApp {
public:
    NoticeTestApp() : CClientApp(L"Qorvane \u5BA2\u670D", DeskFaceList()) {}
    HWND GetMainWindow() const override { return window; }
    HWND window = nullptr;
};

}  // namespace

// No file server at the settings' server entry: after the connect retries
// the one outage notice has the program's display title for caption and is
// owned by the program's main window.
TEST(ImageTransferProgramNotice, TheOutageNoticeHasTheProgramsTitleAndItsMainWindowForOwner) {
    static NoticeTestApp app;
    app.window = ::CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                   nullptr, nullptr);
    ASSERT_NE(app.window, nullptr);
    MessageBoxLog boxes;
    // An address of the loopback range on which no file server listens.
    g_ClientSettings.serverEntry = L"127.0.0.77";
    CImageTransfer::GetInstance().AddUploadJob(Job("1210NOTICE.JPG", LocalPicture(L"notice.jpg", 2000)));
    // 1 + 50 tries, 500 ms apart.
    ASSERT_TRUE(WaitUntil([&] { return !boxes.Boxes().empty(); }, 60000));
    const MessageBoxLog::Box box = boxes.Boxes().front();
    EXPECT_EQ(box.text, kConnectFailedText);
    EXPECT_EQ(box.caption, L"Qorvane \u5BA2\u670D");
    EXPECT_EQ(box.owner, app.window);
    EXPECT_EQ(CImageTransfer::GetInstance().UploadQueueSize(), 1u) << "the picture waits for the server";
}
