// A minute without the file server, at the level of the transfer clients
// with real sockets: the desk agent's picture client and file-transfer
// session on one side, the peer's on the other, the offer and its answers
// through the fake engine, the bytes through the stand-in file server
// process. The wrapper (with-fileserver.sh --restartable) ends that process
// and starts it again on the same port when the test asks it to.
//
// The agent's file upload is under way when the server goes; while it is
// away the agent sends two pictures to the peer and, between them, many to
// other customers. The server stays away for 60 seconds. The picture
// clients run with the programs' own timing (polls and retries 500 ms
// apart). When the server is back, without anything done by a user, the
// pictures reach the server in the order they were sent, one per poll, and
// the peer fetches both, although its second picture reaches the server
// only after far more polls than a missing picture is otherwise asked for;
// the file's upload goes on where it stopped and the peer receives it
// intact; the retries opened no message box each (at most the one outage
// notice of each picture client, with its caption and owner).
#include "FileTransferTestSupport.h"

#include "clientui/FileTransferWorker.h"
#include "clientui/ImageTransfer.h"
#include "clientui/TransFileSession.h"

#include <fw/MessageBoxSink.h>
#include <fw/StringUtil.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

using ::testing::ElementsAre;

namespace {

constexpr int32_t kAgentId = 50001;
constexpr int32_t kPeerId = 60001;
constexpr DWORD kOutageMs = 60000;
// Pictures sent to other customers between the peer's two.
constexpr int kOtherPictures = 48;
const wchar_t kCaption[] = L"Qorvane 客服";

// A folder of the host (from the environment) as Wine sees it, with a
// trailing backslash; empty when the variable is not set.
std::wstring HostFolder(const char* variable) {
    const char* value = std::getenv(variable);
    if (!value) return std::wstring();
    std::wstring folder = L"Z:" + fw::FromAnsi(value);
    for (wchar_t& c : folder) {
        if (c == L'/') c = L'\\';
    }
    return folder + L"\\";
}

// Message boxes from any thread (the picture clients show their outage
// notice on a thread of their own).
class ThreadSafeBoxes {
public:
    ThreadSafeBoxes() {
        m_previous = fw::SetMessageBoxSink([this](HWND owner, const std::wstring& text, const std::wstring& caption, UINT) {
            std::lock_guard<std::mutex> hold(m_lock);
            m_boxes.push_back(Box{owner, text, caption});
            return IDOK;
        });
    }
    ~ThreadSafeBoxes() { fw::SetMessageBoxSink(m_previous); }
    struct Box {
        HWND owner;
        std::wstring text;
        std::wstring caption;
    };
    std::vector<Box> Boxes() const {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_boxes;
    }

private:
    mutable std::mutex m_lock;
    std::vector<Box> m_boxes;
    fw::MessageBoxSink m_previous;
};

ImageTransJob PictureJob(int32_t user, const std::string& name, const std::wstring& path) {
    ImageTransJob job;
    job.head.type = 1;
    job.head.userId = user;
    std::strncpy(job.head.name, name.c_str(), sizeof job.head.name - 1);
    job.localPath = path;
    return job;
}

std::string OtherName(int i) { return "0412OTHER-" + std::to_string(i) + ".JPG"; }

int64_t FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

class FileServerOutage : public ::testing::Test {
protected:
    void SetUp() override {
        m_control = HostFolder("QV_FILESERVER_CONTROL");
        m_store = HostFolder("QV_FILESERVER_DIR");
        if (ftest::ServerPort() == 0 || m_control.empty() || m_store.empty())
            GTEST_SKIP() << "run through with-fileserver.sh --restartable";
    }

    // Asks the wrapper to stop ("stop") or start ("start") the server and
    // waits for its answer ("stopped", "started").
    bool AskServer(const wchar_t* request, const wchar_t* answer) {
        const std::wstring done = m_control + answer;
        ::DeleteFileW(done.c_str());
        if (!ftest::WriteBytes(m_control + request, {})) return false;
        return ftest::PumpUntil([this] { Pump(); }, [&] { return ftest::FileExists(done); }, 30000);
    }

    void Pump() {
        engine.Deliver();
        agentView.Pump();
        peerView.Pump();
        engine.Deliver();
    }

    std::wstring m_control;
    std::wstring m_store;
    ThreadSafeBoxes boxes;
    ftest::FakeEngine engine;
    ftest::TempFolder folder;
    ftest::RecordingView agentView;
    ftest::RecordingView peerView;
    ftest::NoticeWindow agentWindow;
    ftest::NoticeWindow peerWindow;
};

TEST_F(FileServerOutage, PicturesAndAFileSentDuringAMinuteWithoutTheServerArriveWhenItIsBack) {
    // The programs' own picture timing.
    ImageTransferConfig pictureConfig{L"127.0.0.1", ftest::ServerPort(), ImageTransferTiming(), kCaption};
    pictureConfig.messageOwner = [this] { return agentWindow.Get(); };
    CImageTransfer agentPictures(pictureConfig);
    CImageTransfer peerPictures(pictureConfig);

    CTransFileSession agent(agentView);
    CTransFileSession peer(peerView);
    agentView.Attach(&agent);
    peerView.Attach(&peer);
    for (CTransFileSession* session : {&agent, &peer}) {
        session->SetServer(L"127.0.0.1", ftest::ServerPort());
        session->SetTiming(ftest::FastTiming());
    }
    peer.SetProgramFolder(folder / L"peer");
    engine.AddParty(kAgentId, [&](const FileRequestRecord& record, int code) {
        agent.OnFileEvent(agentWindow.Get(), record, code);
    });
    engine.AddParty(kPeerId, [&](const FileRequestRecord& record, int code) {
        peer.OnFileEvent(peerWindow.Get(), record, code);
    });

    // The file: 5 MB, offered and accepted; its upload is held after its
    // first block until the server has gone.
    const std::vector<uint8_t> file = ftest::MakeBytes(5 * 1024 * 1024, 31);
    const std::wstring filePath = folder / L"季度报表.bin";
    ASSERT_TRUE(ftest::WriteBytes(filePath, file));
    agentView.CloseGate();
    ASSERT_TRUE(agent.OfferFile(kAgentId, kPeerId, agentWindow.Get(), filePath));
    engine.Deliver();
    ASSERT_EQ(peer.GetState(), TRANSFER_OFFER_RECEIVED);
    peer.Receive();
    ASSERT_TRUE(ftest::PumpUntil([this] { Pump(); }, [this] { return agentView.WaitAtGate(0); }));

    // The server goes.
    ASSERT_TRUE(AskServer(L"stop", L"stopped")) << "the wrapper did not stop the server";
    const DWORD outageStart = ::GetTickCount();
    agentView.OpenGate();

    // Two pictures sent meanwhile; the peer's log asks for them at once.
    const std::vector<uint8_t> first = ftest::MakeBytes(300000, 32);
    const std::vector<uint8_t> second = ftest::MakeBytes(200000, 33);
    const std::string firstName = "0412OUTAGE-1.JPG";
    const std::string secondName = "0412OUTAGE-2.JPG";
    ASSERT_TRUE(ftest::WriteBytes(folder / L"first.jpg", first));
    ASSERT_TRUE(ftest::WriteBytes(folder / L"second.jpg", second));
    agentPictures.AddUploadJob(PictureJob(kPeerId, firstName, folder / L"first.jpg"));
    std::vector<std::vector<uint8_t>> others;
    for (int i = 0; i < kOtherPictures; ++i) {
        others.push_back(ftest::MakeBytes(4000 + i, 100 + i));
        const std::wstring path = folder / (L"other" + std::to_wstring(i) + L".jpg");
        ASSERT_TRUE(ftest::WriteBytes(path, others.back()));
        agentPictures.AddUploadJob(PictureJob(kPeerId + 1 + i, OtherName(i), path));
    }
    agentPictures.AddUploadJob(PictureJob(kPeerId, secondName, folder / L"second.jpg"));
    const std::wstring peerImages = folder.Path() + L"\\peer\\60001\\Image\\";
    const std::wstring firstThere = peerImages + fw::FromAnsi(firstName);
    const std::wstring secondThere = peerImages + fw::FromAnsi(secondName);
    peerPictures.AddDownloadJob(PictureJob(kPeerId, firstName, firstThere));
    peerPictures.AddDownloadJob(PictureJob(kPeerId, secondName, secondThere));

    // A minute without the server: everything waits, nothing is given up.
    ASSERT_TRUE(ftest::PumpUntil([this] { Pump(); }, [&] { return agent.IsWaitingForServer(); }));
    EXPECT_EQ(agent.GetStatusText(), L"连接文件服务器失败，正在重新连接...");
    ftest::PumpUntil([this] { Pump(); }, [&] { return ::GetTickCount() - outageStart >= kOutageMs; }, kOutageMs + 1000);
    EXPECT_TRUE(agent.IsWaitingForServer());
    EXPECT_EQ(agent.GetState(), TRANSFER_SENDING);
    EXPECT_EQ(peer.GetState(), TRANSFER_PREPARING);
    EXPECT_EQ(agentPictures.UploadQueueSize(), 2u + kOtherPictures);
    EXPECT_EQ(peerPictures.DownloadQueueSize(), 2u);
    EXPECT_EQ(agentPictures.UploadCounters().dropped.load() + peerPictures.DownloadCounters().dropped.load(), 0);
    const int agentRetries = agentPictures.UploadCounters().connectFailures.load();
    EXPECT_GE(agentRetries, 100);

    // The server is back, with what it had stored.
    ASSERT_TRUE(AskServer(L"start", L"started")) << "the wrapper did not start the server";

    // No user acts: the pictures go up in their order and come down, the
    // upload goes on and the download follows.
    const std::wstring firstStored = m_store + fw::FromAnsi(firstName);
    const std::wstring secondStored = m_store + fw::FromAnsi(secondName);
    bool secondSeen = false;
    int64_t firstWhenSecondAppeared = -1;
    ASSERT_TRUE(ftest::PumpUntil(
        [&] {
            Pump();
            if (!secondSeen && ftest::FileExists(secondStored)) {
                secondSeen = true;
                firstWhenSecondAppeared = FileSize(firstStored);
            }
        },
        [&] {
            return agent.GetState() == TRANSFER_FINISHED && peer.GetState() == TRANSFER_FINISHED &&
                   ftest::FileExists(firstThere) && ftest::FileExists(secondThere);
        },
        120000))
        << "agent " << agent.GetState() << ", peer " << peer.GetState();

    // In order: the first picture was whole at the server before the second began.
    EXPECT_EQ(firstWhenSecondAppeared, static_cast<int64_t>(first.size()));
    std::vector<uint8_t> got;
    ASSERT_TRUE(ftest::ReadBytes(firstThere, got));
    EXPECT_TRUE(got == first);
    ASSERT_TRUE(ftest::ReadBytes(secondThere, got));
    EXPECT_TRUE(got == second);
    EXPECT_EQ(agentPictures.UploadCounters().completed.load(), 2 + kOtherPictures);
    for (int i = 0; i < kOtherPictures; ++i) {
        ASSERT_TRUE(ftest::ReadBytes(m_store + fw::FromAnsi(OtherName(i)), got)) << i;
        EXPECT_TRUE(got == others[i]) << i;
    }
    EXPECT_EQ(peerPictures.DownloadCounters().dropped.load(), 0);
    EXPECT_FALSE(peerPictures.HasGivenUpDownload(secondThere));
    EXPECT_EQ(peerPictures.DownloadCounters().completed.load(), 2);

    // The file, intact, with both sides finished as after any transfer.
    const std::wstring received = folder.Path() + L"\\peer\\60001\\RecvFile\\季度报表.bin";
    ASSERT_TRUE(ftest::ReadBytes(received, got));
    EXPECT_EQ(got.size(), file.size());
    EXPECT_TRUE(got == file);
    EXPECT_EQ(agent.GetStatusText(), L"文件传送完成");
    EXPECT_EQ(peer.GetStatusText(), L"文件传送完成");
    EXPECT_THAT(agentWindow.States(), ElementsAre(1, 5, 12));
    EXPECT_THAT(peerWindow.States(), ElementsAre(2, 3, 12));

    // Hundreds of retries, and no message box for them: at most the one
    // outage notice of each picture client.
    const std::vector<ThreadSafeBoxes::Box> shown = boxes.Boxes();
    EXPECT_LE(shown.size(), 2u);
    for (const ThreadSafeBoxes::Box& box : shown) {
        EXPECT_EQ(box.text, L"连接文件服务器失败");
        EXPECT_EQ(box.caption, kCaption);
        EXPECT_EQ(box.owner, agentWindow.Get());
    }
    EXPECT_LE(agentPictures.UploadCounters().notices.load(), 1);
    EXPECT_LE(peerPictures.DownloadCounters().notices.load(), 1);

    agentPictures.Stop();
    peerPictures.Stop();
}

}  // namespace
