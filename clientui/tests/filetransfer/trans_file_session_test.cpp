// The file-transfer logic without a window: the offer and its answers with
// their FILE_REQ_* codes through a fake engine function table, the checks on
// offers from the network, and (with the stand-in file server) whole
// transfers sender -> file server -> receiver, cancels mid-transfer and
// server faults.
#include "FileTransferTestSupport.h"

#include "clientui/FileTransferWorker.h"
#include "clientui/TransFileSession.h"

#include <fw/StringUtil.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstdlib>
#include <memory>
#include <thread>

using ftest::FakeEngine;
using ftest::FileExists;
using ftest::MakeOffer;
using ftest::MessageBoxRecorder;
using ftest::NoticeWindow;
using ftest::RecordingView;
using ftest::TempFolder;
using ::testing::ElementsAre;

namespace {

constexpr int32_t kSenderId = 100;
constexpr int32_t kReceiverId = 200;

// A local date that the test sets (the system's until then).
class FixedDate : public ILocalDateSource {
public:
    LocalDate Today() const override { return date; }
    LocalDate date = CSystemDateSource::Instance().Today();
};

// One client: its view, its session, its date and its conversation window.
struct Side {
    explicit Side(int32_t ownId, uint16_t port) : id(ownId) {
        view.Attach(&session);
        session.SetServer(L"127.0.0.1", port);
        session.SetTiming(ftest::FastTiming());
        session.SetDateSource(today);
    }
    int32_t id;
    FixedDate today;
    RecordingView view;
    CTransFileSession session{view};
    NoticeWindow window;
};

class TransFileSessionTest : public ::testing::Test {
protected:
    explicit TransFileSessionTest(uint16_t port = ftest::ServerPort()) : sender(kSenderId, port), receiver(kReceiverId, port) {
        engine.AddParty(kSenderId, [this](const FileRequestRecord& record, int code) {
            sender.session.OnFileEvent(sender.window.Get(), record, code);
        });
        engine.AddParty(kReceiverId, [this](const FileRequestRecord& record, int code) {
            receiver.session.OnFileEvent(receiver.window.Get(), record, code);
        });
        receiver.session.SetProgramFolder(folder.Path() + L"\\recv\\");
    }

    void Pump() {
        engine.Deliver();
        sender.view.Pump();
        receiver.view.Pump();
        engine.Deliver();
    }
    bool RunUntil(const std::function<bool()>& done, unsigned ms = 60000) {
        return ftest::PumpUntil([this] { Pump(); }, done, ms);
    }
    std::wstring Source(const std::wstring& name, size_t size, uint32_t seed = 1) {
        const std::wstring path = folder / name;
        bytes = ftest::MakeBytes(size, seed);
        EXPECT_TRUE(ftest::WriteBytes(path, bytes));
        return path;
    }
    // Offers the file from the sender and delivers the offer.
    void Offer(const std::wstring& path) {
        ASSERT_TRUE(sender.session.OfferFile(kSenderId, kReceiverId, sender.window.Get(), path));
        engine.Deliver();
        ASSERT_EQ(receiver.session.GetState(), TRANSFER_OFFER_RECEIVED);
    }
    std::wstring ReceivedPath(const std::wstring& name) const {
        return folder.Path() + L"\\recv\\200\\RecvFile\\" + name;
    }
    const ftest::EngineCall& LastSent() const { return engine.Sent().back(); }
    bool BothEnded() const { return sender.view.Ended() > 0 && receiver.view.Ended() > 0; }
    // Runs until both workers have ended once more than now.
    bool RunUntilBothEndAgain(unsigned ms = 60000) {
        const int sendersBefore = sender.view.Ended(), receiversBefore = receiver.view.Ended();
        return RunUntil([&] { return sender.view.Ended() > sendersBefore && receiver.view.Ended() > receiversBefore; }, ms);
    }

    // Declared first, so that the sessions (and their workers) go before it.
    FakeEngine engine;
    MessageBoxRecorder boxes;
    TempFolder folder;
    std::vector<uint8_t> bytes;
    Side sender;
    Side receiver;
};

// Without a file server: the port of nothing.
class TransFileAnswersTest : public TransFileSessionTest {
protected:
    TransFileAnswersTest() : TransFileSessionTest(1) {}
};

}  // namespace

// --- offers and answers ------------------------------------------------------

TEST_F(TransFileAnswersTest, TheOfferCarriesTheRecordWithCodeOffer) {
    engine.SetHandOver(kReceiverId, 7);
    const std::wstring path = Source(L"report.txt", 1234);
    Offer(path);

    ASSERT_EQ(engine.Sent().size(), 1u);
    const FileRequestRecord& sent = engine.Sent()[0].record;
    EXPECT_EQ(engine.Sent()[0].code, FILE_REQ_OFFER);
    EXPECT_EQ(sent.zero, 0);
    EXPECT_EQ(sent.senderId, kSenderId);
    EXPECT_EQ(sent.receiverId, kReceiverId);
    EXPECT_EQ(sent.servingAgent, 7);
    EXPECT_EQ(sent.fileSize, 1234);
    EXPECT_STREQ(sent.fileName, "report.txt");
    EXPECT_EQ(sender.session.GetState(), TRANSFER_OFFER_SENT);
    EXPECT_EQ(sender.session.GetStatusText(), L"等待对方接收文件");
    EXPECT_THAT(sender.window.States(), ElementsAre(1));
    EXPECT_EQ(sender.window.notices[0].record.fileSize, 1234);

    EXPECT_EQ(receiver.session.GetStatusText(), L"收到文件请求");
    EXPECT_THAT(receiver.window.States(), ElementsAre(2));
    ASSERT_TRUE(receiver.session.GetEntry());
    EXPECT_STREQ(receiver.session.GetEntry()->record.fileName, "report.txt");
}

TEST_F(TransFileAnswersTest, TheReceiversAnswersCarryTheirCodesWithTheIdsExchanged) {
    const struct {
        const char* name;
        std::function<void(CTransFileSession&, const std::wstring&)> act;
        int code;
        int state;
        std::vector<int> notices;
    } cases[] = {
        {"receive", [](CTransFileSession& s, const std::wstring&) { s.Receive(); }, FILE_REQ_ACCEPT,
         TRANSFER_PREPARING, {2, 3}},
        {"save as", [](CTransFileSession& s, const std::wstring& to) { s.SaveAs(to); }, FILE_REQ_ACCEPT,
         TRANSFER_PREPARING, {2, 3}},
        {"refuse", [](CTransFileSession& s, const std::wstring&) { s.Refuse(); }, FILE_REQ_REFUSE, TRANSFER_REFUSED,
         {2, 4}},
        {"cancel receive",
         [](CTransFileSession& s, const std::wstring&) {
             s.Receive();
             s.CancelReceive();
         },
         FILE_REQ_CANCEL_RECV, TRANSFER_IDLE, {2, 3, 11}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingView view;
        CTransFileSession session(view);
        NoticeWindow window;
        session.SetProgramFolder(folder.Path());
        engine.ClearSent();
        session.OnFileEvent(window.Get(), MakeOffer(kSenderId, kReceiverId, "a.txt", 10), FILE_REQ_OFFER);
        c.act(session, folder / L"chosen.txt");
        ASSERT_FALSE(engine.Sent().empty());
        const ftest::EngineCall& answer = engine.Sent().back();
        EXPECT_EQ(answer.code, c.code);
        EXPECT_EQ(answer.record.senderId, kReceiverId);
        EXPECT_EQ(answer.record.receiverId, kSenderId);
        EXPECT_STREQ(answer.record.fileName, "a.txt");
        EXPECT_EQ(session.GetState(), c.state);
        EXPECT_EQ(window.States(), c.notices);
    }
}

TEST_F(TransFileAnswersTest, TheSenderFollowsThePeersAnswersAndIgnoresTheWrongDirection) {
    const struct {
        int code;
        int state;
        const wchar_t* text;
        std::vector<int> notices;
        bool entryKept;
    } cases[] = {
        {FILE_REQ_REFUSE, TRANSFER_PEER_REFUSED, L"对方可能正在接收文件，暂时拒绝了您的文件请求", {1, 6}, false},
        {FILE_REQ_CANCEL_RECV, TRANSFER_FINISHED, L"对方取消了文件接收", {1, 11}, false},
        {FILE_REQ_CANCEL_SEND, TRANSFER_OFFER_SENT, L"等待对方接收文件", {1}, true},
        {FILE_REQ_READY, TRANSFER_OFFER_SENT, L"等待对方接收文件", {1}, true},
    };
    const std::wstring path = Source(L"b.bin", 77);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        RecordingView view;
        CTransFileSession session(view);
        NoticeWindow window;
        ASSERT_TRUE(session.OfferFile(kSenderId, kReceiverId, window.Get(), path));
        FileRequestRecord answer = MakeOffer(kReceiverId, kSenderId, "b.bin", 77);
        session.OnFileEvent(window.Get(), answer, c.code);
        EXPECT_EQ(session.GetState(), c.state);
        EXPECT_EQ(session.GetStatusText(), c.text);
        EXPECT_EQ(window.States(), c.notices);
        EXPECT_EQ(session.GetEntry().has_value(), c.entryKept);
    }
}

TEST_F(TransFileAnswersTest, APeersCancelShowsItsOwnTextInsteadOfFinished) {
    Offer(Source(L"c.txt", 5));
    sender.session.CancelSend();
    EXPECT_EQ(LastSent().code, FILE_REQ_CANCEL_SEND);
    EXPECT_EQ(LastSent().record.senderId, kSenderId);  // as it is
    EXPECT_EQ(sender.session.GetState(), TRANSFER_IDLE);
    EXPECT_EQ(sender.session.GetStatusText(), L"当前没有文件传送");
    EXPECT_THAT(sender.window.States(), ElementsAre(1, 10));
    engine.Deliver();
    EXPECT_EQ(receiver.session.GetState(), TRANSFER_FINISHED);
    EXPECT_EQ(receiver.session.GetStatusText(), L"对方取消了文件传送");
    EXPECT_THAT(receiver.window.States(), ElementsAre(2, 10));
    EXPECT_FALSE(receiver.session.GetEntry());
}

TEST_F(TransFileAnswersTest, ASecondOfferWhileBusyIsRefusedAtOnceAndTheFirstGoesOn) {
    Offer(Source(L"first.txt", 5));
    receiver.session.OnFileEvent(receiver.window.Get(), MakeOffer(300, kReceiverId, "second.txt", 9), FILE_REQ_OFFER);
    EXPECT_EQ(LastSent().code, FILE_REQ_REFUSE);
    EXPECT_EQ(LastSent().record.senderId, kReceiverId);
    EXPECT_EQ(LastSent().record.receiverId, 300);
    EXPECT_STREQ(LastSent().record.fileName, "second.txt");
    EXPECT_EQ(receiver.session.GetState(), TRANSFER_OFFER_RECEIVED);
    EXPECT_STREQ(receiver.session.GetEntry()->record.fileName, "first.txt");
    EXPECT_THAT(receiver.window.States(), ElementsAre(2));
}

TEST_F(TransFileAnswersTest, OffersWithUnsafeNamesOrSizesAreRefusedAndTheUserIsToldWhyOnce) {
    const struct {
        const char* name;
        int32_t size;
        const wchar_t* reason;  // null: refused without a message (not for its name)
    } cases[] = {
        {"..\\..\\evil.exe", 10, L"文件名中有不能用于文件名的字符"},
        {"dir/evil.exe", 10, L"文件名中有不能用于文件名的字符"},
        {"C:evil.exe", 10, L"文件名中有不能用于文件名的字符"},
        {"..", 10, L"文件名不能是“.”或“..”"},
        {"", 10, L"文件名为空"},
        {"trailing.", 10, L"文件名不能以点或空格结尾"},
        {"tab\there.txt", 10, L"文件名中有不能用于文件名的字符"},
        {"CON.txt", 10, L"文件名是设备名"},
        {"nul", 10, L"文件名是设备名"},
        {"com7.log", 10, L"文件名是设备名"},
        // 60 bytes: the server's name field has no room for month and day.
        {"abcdefghijabcdefghijabcdefghijabcdefghijabcdefghijabcdefghij", 10, L"文件名太长"},
        {"a.txt", -1, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        engine.ClearSent();
        receiver.view.refusals.clear();
        receiver.session.OnFileEvent(receiver.window.Get(), MakeOffer(kSenderId, kReceiverId, c.name, c.size),
                                     FILE_REQ_OFFER);
        ASSERT_EQ(engine.Sent().size(), 1u);
        EXPECT_EQ(engine.Sent()[0].code, FILE_REQ_REFUSE);
        EXPECT_EQ(receiver.session.GetState(), TRANSFER_IDLE);
        EXPECT_FALSE(receiver.session.GetEntry());
        if (!c.reason) {
            EXPECT_TRUE(receiver.view.refusals.empty());
            continue;
        }
        ASSERT_EQ(receiver.view.refusals.size(), 1u);
        EXPECT_NE(receiver.view.refusals[0].find(c.reason), std::wstring::npos) << fw::ToAnsi(receiver.view.refusals[0]);
    }
    EXPECT_TRUE(receiver.window.notices.empty());
    EXPECT_TRUE(boxes.boxes.empty());  // the view shows them, after the engine's call
}

TEST_F(TransFileAnswersTest, AnOfferWithTwoDotsInsideItsNameIsTaken) {
    Offer(Source(L"report..v2.doc", 100));
    EXPECT_THAT(receiver.window.States(), ElementsAre(2));
    EXPECT_TRUE(receiver.view.refusals.empty());
    receiver.session.Receive();
    EXPECT_EQ(LastSent().code, FILE_REQ_ACCEPT);
    EXPECT_EQ(receiver.session.GetEntry()->localPath, ReceivedPath(L"report..v2.doc"));
}

TEST_F(TransFileAnswersTest, AnswersForAnotherFileOrPeerAreIgnored) {
    Offer(Source(L"mine.txt", 5));
    sender.session.OnFileEvent(sender.window.Get(), MakeOffer(kReceiverId, kSenderId, "other.txt", 5), FILE_REQ_REFUSE);
    sender.session.OnFileEvent(sender.window.Get(), MakeOffer(300, kSenderId, "mine.txt", 5), FILE_REQ_REFUSE);
    EXPECT_EQ(sender.session.GetState(), TRANSFER_OFFER_SENT);
    EXPECT_THAT(sender.window.States(), ElementsAre(1));
}

// A receiver that accepted repeats its acceptance only when the sender comes
// back after being offline (its acceptance may have gone with a dropped
// connection), once per return; a status that is no return, or another
// user's, repeats nothing, and a sender still waiting for its answer never
// offers again (the receiver's busy panel would refuse a second offer).
TEST_F(TransFileAnswersTest, AnAnswerIsRepeatedOnlyWhenTheTransfersPeerComesBack) {
    Offer(Source(L"c.bin", 10));
    receiver.session.Receive();
    engine.DropQueued();  // the acceptance is lost: the sender still waits
    ASSERT_EQ(receiver.session.GetState(), TRANSFER_PREPARING);
    engine.ClearSent();
    const struct {
        const char* name;
        CTransFileSession* session;
        int32_t user;
        std::vector<int32_t> statuses;
    } quiet[] = {
        {"the receiver: the sender busy, then online", &receiver.session, kSenderId, {STATUS_BUSY, STATUS_ONLINE}},
        {"the receiver: another user offline and back", &receiver.session, 300, {STATUS_OFFLINE, STATUS_ONLINE}},
        {"the waiting sender: the receiver offline and back", &sender.session, kReceiverId,
         {STATUS_OFFLINE, STATUS_ONLINE}},
    };
    for (const auto& c : quiet) {
        SCOPED_TRACE(c.name);
        for (int32_t status : c.statuses) c.session->OnPeerStatus(c.user, status);
        EXPECT_TRUE(engine.Sent().empty());
    }

    // The sender offline (an unknown status reads offline too), then back.
    receiver.session.OnPeerStatus(kSenderId, 9);
    receiver.session.OnPeerStatus(kSenderId, STATUS_AWAY);
    ASSERT_EQ(engine.Sent().size(), 1u);
    EXPECT_EQ(LastSent().code, FILE_REQ_ACCEPT);
    EXPECT_EQ(LastSent().record.senderId, kReceiverId);
    EXPECT_EQ(LastSent().record.receiverId, kSenderId);
    EXPECT_STREQ(LastSent().record.fileName, "c.bin");
    receiver.session.OnPeerStatus(kSenderId, STATUS_ONLINE);
    EXPECT_EQ(engine.Sent().size(), 1u) << "once per return";
    // Delivered now, it starts the sender's transfer as the first would have.
    engine.Deliver();
    EXPECT_EQ(sender.session.GetState(), TRANSFER_PEER_ACCEPTED);
    EXPECT_EQ(receiver.session.GetState(), TRANSFER_PREPARING);
}

TEST_F(TransFileAnswersTest, SendingChecksTheEntryTheNameAndTheFile) {
    // A name whose ANSI form leaves no room for month and day (60 bytes).
    const std::wstring longName(56, L'n');
    EXPECT_FALSE(sender.session.OfferFile(kSenderId, kReceiverId, nullptr, Source(longName + L".txt", 3)));
    // 30 Chinese characters are 60 bytes as well.
    EXPECT_FALSE(sender.session.OfferFile(kSenderId, kReceiverId, nullptr, Source(std::wstring(30, L'文'), 3)));
    EXPECT_FALSE(sender.session.OfferFile(kSenderId, kReceiverId, nullptr, folder / L"missing.txt"));
    // A name the ANSI code page cannot hold would reach the peer as another one.
    EXPECT_FALSE(sender.session.OfferFile(kSenderId, kReceiverId, nullptr, Source(L"\uD55C\uAE00.txt", 3)));
    ASSERT_EQ(boxes.boxes.size(), 4u);
    EXPECT_EQ(boxes.boxes[0].text, L"文件名太长，要求在60字节以内(30个汉字\r\n)，重命名该文件可以发送");
    EXPECT_EQ(boxes.boxes[0].caption, L"文件名太长");
    EXPECT_EQ(boxes.boxes[1].caption, L"文件名太长");
    EXPECT_EQ(boxes.boxes[2].text, L"打开文件出错！");
    EXPECT_EQ(boxes.boxes[3].text, L"文件名中有不能转换为本机文字编码的字符，重命名该文件可以发送");
    EXPECT_EQ(boxes.boxes[3].caption, L"提示----传送文件");
    EXPECT_TRUE(engine.Sent().empty());

    // 29 Chinese characters (58 bytes) fit.
    EXPECT_TRUE(sender.session.OfferFile(kSenderId, kReceiverId, nullptr, Source(std::wstring(29, L'文'), 3)));
    EXPECT_FALSE(sender.session.OfferFile(kSenderId, kReceiverId, nullptr, Source(L"next.txt", 3)));
    ASSERT_EQ(boxes.boxes.size(), 5u);
    EXPECT_EQ(boxes.boxes[4].text, L"当前还有文件没有传输完，请传送完后再做尝试!");
    EXPECT_EQ(boxes.boxes[4].caption, L"提示----传送文件");
    EXPECT_EQ(engine.Sent().size(), 1u);
}

TEST_F(TransFileAnswersTest, AReceivedFileGoesToTheReceivedFilesFolderUnderAFreeName) {
    Offer(Source(L"same.txt", 5));
    EXPECT_EQ(receiver.session.DefaultReceivePath(), ReceivedPath(L"same.txt"));
    ::SHCreateDirectoryExW(nullptr, (folder.Path() + L"\\recv\\200\\RecvFile").c_str(), nullptr);
    ASSERT_TRUE(ftest::WriteBytes(ReceivedPath(L"same.txt"), {1, 2, 3}));
    receiver.session.Receive();
    EXPECT_EQ(receiver.session.GetEntry()->localPath, ReceivedPath(L"same(1).txt"));
}

TEST_F(TransFileAnswersTest, ASenderThatCannotReachTheServerWaitsForItUntilCancelled) {
    Offer(Source(L"unreached.txt", 5000));
    receiver.session.Receive();
    ASSERT_TRUE(RunUntil([this] { return sender.session.IsWaitingForServer(); }));
    EXPECT_EQ(sender.session.GetStatusText(), L"连接文件服务器失败，正在重新连接...");
    EXPECT_EQ(sender.session.GetState(), TRANSFER_PEER_ACCEPTED);
    EXPECT_TRUE(sender.session.IsWorkerRunning());
    // It keeps trying; nothing has been given up, nobody was told to stop.
    RunUntil([] { return false; }, 500);
    EXPECT_TRUE(sender.session.IsWorkerRunning());
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_THAT(sender.window.States(), ElementsAre(1, 5));
    EXPECT_EQ(receiver.session.GetState(), TRANSFER_PREPARING);

    // The user gives up: the worker ends and the receiver is told.
    sender.session.CancelSend();
    ASSERT_TRUE(RunUntil([this] { return sender.view.Ended() > 0; }));
    EXPECT_FALSE(sender.session.IsWaitingForServer());
    EXPECT_EQ(receiver.session.GetStatusText(), L"对方取消了文件传送");
    EXPECT_THAT(receiver.window.States(), ElementsAre(2, 3, 10));
    EXPECT_TRUE(boxes.boxes.empty());
}

// The local file cannot be opened: "打开文件出错！", the worker ends, and the
// entry stays with its cancel button; the peer is not cancelled.
TEST_F(TransFileAnswersTest, ALocalFileThatCannotBeOpenedIsToldAndThePeerIsNotCancelled) {
    // Sending: the file went away after the offer.
    const std::wstring path = Source(L"vanishing.txt", 100);
    Offer(path);
    ASSERT_TRUE(::DeleteFileW(path.c_str()));
    receiver.session.Receive();
    ASSERT_TRUE(RunUntil([this] { return sender.view.Ended() > 0; }));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, L"打开文件出错！");
    EXPECT_EQ(sender.session.GetStatusText(), L"打开文件出错！");
    EXPECT_EQ(sender.session.GetState(), TRANSFER_PEER_ACCEPTED);
    EXPECT_TRUE(sender.session.GetEntry());
    EXPECT_THAT(sender.window.States(), ElementsAre(1, 5));
    EXPECT_EQ(LastSent().code, FILE_REQ_ACCEPT);  // no cancel went to the peer
    EXPECT_EQ(receiver.session.GetState(), TRANSFER_PREPARING);

    // Receiving: the chosen file cannot be created.
    const std::wstring blocked = folder / L"blocked";
    ASSERT_TRUE(::CreateDirectoryW(CFileTransferWorker::TempPathOf(blocked).c_str(), nullptr));
    RecordingView view;
    CTransFileSession session(view);
    view.Attach(&session);
    session.SetServer(L"127.0.0.1", 1);
    NoticeWindow window;
    session.OnFileEvent(window.Get(), MakeOffer(kSenderId, kReceiverId, "blocked", 10), FILE_REQ_OFFER);
    session.SaveAs(blocked);
    engine.ClearSent();
    session.OnFileEvent(window.Get(), MakeOffer(kSenderId, kReceiverId, "blocked", 10), FILE_REQ_READY);
    ASSERT_TRUE(ftest::PumpUntil([&] { view.Pump(); }, [&] { return view.Ended() > 0; }));
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].text, L"打开文件出错！");
    EXPECT_EQ(session.GetState(), TRANSFER_PREPARING);
    EXPECT_EQ(session.GetStatusText(), L"打开文件出错！");
    EXPECT_TRUE(engine.Sent().empty());
    EXPECT_THAT(window.States(), ElementsAre(2, 3));
}

// --- through the stand-in file server --------------------------------------------

class FileTransferServer : public TransFileSessionTest {
protected:
    void SetUp() override {
        if (ftest::ServerPort() == 0) GTEST_SKIP() << "needs the stand-in file server";
    }
    void ExpectReceivedWhole(const std::wstring& name) {
        std::vector<uint8_t> got;
        ASSERT_TRUE(ftest::ReadBytes(ReceivedPath(name), got));
        EXPECT_TRUE(got == bytes) << got.size() << " of " << bytes.size();
        EXPECT_FALSE(FileExists(CFileTransferWorker::TempPathOf(ReceivedPath(name))));
    }
};

TEST_F(FileTransferServer, AWholeFileGoesFromSenderThroughTheServerToTheReceiver) {
    Offer(Source(L"whole.bin", 300000, 7));
    receiver.session.Receive();
    ASSERT_TRUE(RunUntil([this] { return BothEnded(); }));

    ExpectReceivedWhole(L"whole.bin");
    EXPECT_THAT(sender.view.states, ElementsAre(1, 5, 7, 12));
    EXPECT_THAT(receiver.view.states, ElementsAre(2, 8, 9, 12));
    EXPECT_THAT(sender.window.States(), ElementsAre(1, 5, 12));
    EXPECT_THAT(receiver.window.States(), ElementsAre(2, 3, 12));
    EXPECT_EQ(sender.session.GetStatusText(), L"文件传送完成");
    EXPECT_EQ(receiver.session.GetStatusText(), L"文件传送完成");
    ASSERT_EQ(engine.Sent().size(), 3u);
    EXPECT_EQ(engine.Sent()[0].code, FILE_REQ_OFFER);
    EXPECT_EQ(engine.Sent()[1].code, FILE_REQ_ACCEPT);
    EXPECT_EQ(engine.Sent()[2].code, FILE_REQ_READY);
    EXPECT_EQ(engine.Sent()[2].record.senderId, kSenderId);  // the record as it is
    EXPECT_FALSE(sender.view.timerRunning);
    EXPECT_FALSE(receiver.view.timerRunning);
}

// The sender's "ready" is lost on the way (a dropped connection takes it):
// the file still arrives whole once the two see each other back, whichever
// side sees it. The sender that sees the receiver back says "ready" again;
// the receiver that sees the sender back accepts again, and the sender,
// finished, answers with "ready" again. A repeat that comes after the first
// has started the download starts nothing.
TEST_F(FileTransferServer, AReadyLostOnTheWayIsSaidAgainOnceThePeersSeeEachOtherBack) {
    const struct {
        const char* name;
        bool senderSeesBack;
        bool receiverSeesBack;
    } cases[] = {
        {"the sender sees the receiver back", true, false},
        {"the receiver sees the sender back", false, true},
        {"both see each other back", true, true},
    };
    int round = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring name = L"lost" + std::to_wstring(++round) + L".bin";
        Offer(Source(name, 150000, round));
        const int senderEnded = sender.view.Ended(), receiverEnded = receiver.view.Ended();
        receiver.view.states.clear();
        receiver.session.Receive();
        engine.Deliver();
        ASSERT_TRUE(ftest::PumpUntil([&] { sender.view.Pump(); }, [&] { return sender.view.Ended() > senderEnded; }));
        ASSERT_EQ(sender.session.GetState(), TRANSFER_FINISHED);
        engine.DropQueued();
        ::Sleep(200);
        receiver.view.Pump();
        EXPECT_EQ(receiver.session.GetState(), TRANSFER_PREPARING) << "without the ready the receiver waits";

        // Both connections went and came back.
        sender.session.OnPeerStatus(kReceiverId, STATUS_OFFLINE);
        receiver.session.OnPeerStatus(kSenderId, STATUS_OFFLINE);
        if (c.senderSeesBack) sender.session.OnPeerStatus(kReceiverId, STATUS_ONLINE);
        if (c.receiverSeesBack) receiver.session.OnPeerStatus(kSenderId, STATUS_ONLINE);
        ASSERT_TRUE(RunUntil([&] { return receiver.view.Ended() > receiverEnded; }));
        ExpectReceivedWhole(name);
        EXPECT_THAT(receiver.view.states, ElementsAre(8, 9, 12)) << "one download";
        EXPECT_EQ(receiver.session.GetStatusText(), L"文件传送完成");
    }
}

TEST_F(FileTransferServer, AFileWithTwoDotsInsideItsNameIsOfferedAcceptedAndReceived) {
    Offer(Source(L"report..v2.doc", 150000, 12));
    EXPECT_TRUE(receiver.view.refusals.empty());
    receiver.session.Receive();
    ASSERT_TRUE(RunUntil([this] { return BothEnded(); }));
    ExpectReceivedWhole(L"report..v2.doc");
    EXPECT_EQ(receiver.session.GetStatusText(), L"文件传送完成");
    EXPECT_THAT(receiver.window.States(), ElementsAre(2, 3, 12));
}

TEST_F(FileTransferServer, EmptyFilesAndSaveAsWork) {
    Offer(Source(L"empty.txt", 0));
    const std::wstring chosen = folder / L"chosen name.txt";
    receiver.session.SaveAs(chosen);
    ASSERT_TRUE(RunUntil([this] { return BothEnded(); }));
    EXPECT_EQ(receiver.session.GetStatusText(), L"文件传送完成");
    std::vector<uint8_t> got{9};
    ASSERT_TRUE(ftest::ReadBytes(chosen, got));
    EXPECT_TRUE(got.empty());
}

TEST_F(FileTransferServer, APartlyReceivedFileResumesAtItsLengthAndAForeignOneIsDiscarded) {
    for (const bool foreign : {false, true}) {
        SCOPED_TRACE(foreign);
        TempFolder recvFolder;
        receiver.session.SetProgramFolder(recvFolder.Path());
        const std::wstring name = foreign ? L"foreign.bin" : L"resume.bin";
        Offer(Source(name, 200000, foreign ? 3 : 4));
        const std::wstring finalPath = recvFolder.Path() + L"\\200\\RecvFile\\" + name;
        ::SHCreateDirectoryExW(nullptr, (recvFolder.Path() + L"\\200\\RecvFile").c_str(), nullptr);
        // The first 100000 bytes, or garbage longer than the offer.
        std::vector<uint8_t> partial = foreign ? ftest::MakeBytes(250000, 99)
                                               : std::vector<uint8_t>(bytes.begin(), bytes.begin() + 100000);
        ASSERT_TRUE(ftest::WriteBytes(CFileTransferWorker::TempPathOf(finalPath), partial));
        receiver.session.Receive();
        ASSERT_TRUE(RunUntilBothEndAgain());
        std::vector<uint8_t> got;
        ASSERT_TRUE(ftest::ReadBytes(finalPath, got));
        EXPECT_TRUE(got == bytes);
        EXPECT_FALSE(FileExists(CFileTransferWorker::TempPathOf(finalPath)));
    }
}

// The server keeps a file's name for the day: a longer file of the same
// name sent earlier that day leaves its bytes past the new file's end. The
// receiver asks only for the offered size and ends there, with the new file
// intact, whatever the sizes against the download's blocks.
TEST_F(FileTransferServer, AFileOfferedAfterALongerOneOfTheSameNameArrivesIntact) {
    const struct {
        size_t longer;
        size_t shorter;
    } cases[] = {
        {300000, 100000},  // the second block would run past the offer
        {120000, 51200},   // exactly one block
        {60000, 1000},     // within the first block
    };
    uint32_t seed = 40;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.longer << " then " << c.shorter);
        for (const size_t size : {c.longer, c.shorter}) {
            TempFolder recvFolder;
            receiver.session.SetProgramFolder(recvFolder.Path());
            Offer(Source(L"same name " + std::to_wstring(c.longer) + L".bin", size, ++seed));
            receiver.session.Receive();
            ASSERT_TRUE(RunUntilBothEndAgain(20000));
            std::vector<uint8_t> got;
            ASSERT_TRUE(ftest::ReadBytes(recvFolder.Path() + L"\\200\\RecvFile\\same name " + std::to_wstring(c.longer) +
                                             L".bin",
                                         got));
            EXPECT_TRUE(got == bytes) << got.size() << " of " << bytes.size();
            EXPECT_EQ(receiver.session.GetStatusText(), L"文件传送完成");
            EXPECT_EQ(sender.session.GetStatusText(), L"文件传送完成");
            EXPECT_FALSE(receiver.session.IsWaitingForServer());
        }
    }
}

// The two sides see different dates (midnight between the upload and the
// download, or clocks a day apart, also across the year's end): the
// receiver finds the file under the sender's date and receives it intact.
TEST_F(FileTransferServer, ATransferBetweenPeersWhoseDatesDifferByOneDayArrivesIntact) {
    const struct {
        const char* name;
        LocalDate sender;
        LocalDate receiver;
    } cases[] = {
        {"the receiver a day later", {2026, 6, 15}, {2026, 6, 16}},
        {"the receiver a day earlier", {2026, 6, 15}, {2026, 6, 14}},
        {"across the month's end", {2026, 2, 28}, {2026, 3, 1}},
        {"across the year's end", {2026, 12, 31}, {2027, 1, 1}},
        {"the receiver a day earlier across the year's end", {2027, 1, 1}, {2026, 12, 31}},
    };
    int round = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sender.today.date = c.sender;
        receiver.today.date = c.receiver;
        const std::wstring name = L"dated" + std::to_wstring(++round) + L".bin";
        Offer(Source(name, 130000, 50 + round));
        receiver.session.Receive();
        ASSERT_TRUE(RunUntilBothEndAgain(20000));
        Pump();
        ExpectReceivedWhole(name);
        EXPECT_EQ(receiver.session.GetStatusText(), L"文件传送完成");
        EXPECT_EQ(sender.session.GetStatusText(), L"文件传送完成");
    }
}

// The receiver cannot find the file under any date it may have (the sender
// stored it two days away): the receive fails, and the sender, whose upload
// had finished, shows the failure as well.
TEST_F(FileTransferServer, AReceiveThatFailsAfterTheUploadShowsAFailureOnBothSides) {
    sender.today.date = {2026, 6, 15};
    receiver.today.date = {2026, 6, 17};
    Offer(Source(L"two days.bin", 90000, 60));
    receiver.session.Receive();
    ASSERT_TRUE(RunUntil([this] { return BothEnded() && sender.session.IsFailed(); }, 20000));
    EXPECT_EQ(receiver.session.GetStatusText(), L"文件传送失败");
    EXPECT_EQ(sender.session.GetStatusText(), L"文件传送失败");
    EXPECT_THAT(receiver.window.States(), ElementsAre(2, 3, 11));
    EXPECT_THAT(sender.window.States(), ElementsAre(1, 5, 12, 11));
    EXPECT_FALSE(FileExists(ReceivedPath(L"two days.bin")));
    // A repeated cancel changes nothing more.
    FileRequestRecord cancel = engine.Sent().back().record;
    sender.session.OnFileEvent(sender.window.Get(), cancel, FILE_REQ_CANCEL_RECV);
    EXPECT_THAT(sender.window.States(), ElementsAre(1, 5, 12, 11));
}

TEST_F(FileTransferServer, CancellingTheReceiveMidTransferLeavesNoHalfFile) {
    Offer(Source(L"cancel-recv.bin", 400000, 5));
    receiver.view.CloseGate();
    receiver.session.Receive();
    ASSERT_TRUE(RunUntil([this] { return receiver.view.WaitAtGate(0); }));
    Pump();
    EXPECT_EQ(receiver.session.GetState(), TRANSFER_RECEIVING);
    receiver.session.CancelReceive();
    receiver.view.OpenGate();
    ASSERT_TRUE(RunUntil([this] { return receiver.view.Ended() > 0; }));

    EXPECT_EQ(LastSent().code, FILE_REQ_CANCEL_RECV);
    EXPECT_EQ(receiver.session.GetState(), TRANSFER_IDLE);
    EXPECT_EQ(receiver.session.GetStatusText(), L"当前没有文件传送");
    EXPECT_THAT(receiver.window.States(), ElementsAre(2, 3, 11));
    EXPECT_FALSE(FileExists(ReceivedPath(L"cancel-recv.bin")));
    EXPECT_FALSE(FileExists(CFileTransferWorker::TempPathOf(ReceivedPath(L"cancel-recv.bin"))));
}

TEST_F(FileTransferServer, CancellingTheSendMidTransferTellsTheReceiver) {
    Offer(Source(L"cancel-send.bin", 400000, 6));
    sender.view.CloseGate();
    receiver.session.Receive();
    ASSERT_TRUE(RunUntil([this] { return sender.view.WaitAtGate(0); }));
    Pump();
    EXPECT_EQ(sender.session.GetState(), TRANSFER_SENDING);
    sender.session.CancelSend();
    sender.view.OpenGate();
    ASSERT_TRUE(RunUntil([this] { return sender.view.Ended() > 0; }));
    Pump();

    EXPECT_THAT(sender.window.States(), ElementsAre(1, 5, 10));
    EXPECT_EQ(sender.session.GetStatusText(), L"当前没有文件传送");
    EXPECT_EQ(receiver.session.GetStatusText(), L"对方取消了文件传送");
    EXPECT_THAT(receiver.window.States(), ElementsAre(2, 3, 10));
    EXPECT_EQ(receiver.view.Ended(), 0);  // no download was started
    EXPECT_FALSE(FileExists(ReceivedPath(L"cancel-send.bin")));
}

TEST_F(FileTransferServer, ClosingMidTransferCancelsAndWaitsForTheWorker) {
    Offer(Source(L"closing.bin", 400000, 8));
    auto view = std::make_unique<RecordingView>();
    auto session = std::make_unique<CTransFileSession>(*view);
    view->Attach(session.get());
    session->SetServer(L"127.0.0.1", ftest::ServerPort());
    session->SetTiming(ftest::FastTiming());
    session->SetProgramFolder(folder.Path() + L"\\other");
    // The sender's upload completes first; then a second receiver takes the
    // same offer and goes away mid-download.
    receiver.session.Refuse();
    engine.Deliver();
    ASSERT_TRUE(sender.session.OfferFile(kSenderId, kReceiverId, sender.window.Get(), folder / L"closing.bin"));
    engine.AddParty(kReceiverId, [&](const FileRequestRecord& record, int code) {
        session->OnFileEvent(nullptr, record, code);
    });
    engine.Deliver();
    view->CloseGate();
    session->Receive();
    ASSERT_TRUE(ftest::PumpUntil([&] { Pump(); view->Pump(); }, [&] { return view->WaitAtGate(0); }));
    const std::wstring finalPath = folder.Path() + L"\\other\\200\\RecvFile\\closing.bin";
    std::thread opener([&] {
        ::Sleep(200);
        view->OpenGate();
    });
    session->Close();
    EXPECT_FALSE(session->IsWorkerRunning());
    opener.join();
    session.reset();
    EXPECT_FALSE(FileExists(finalPath));
    EXPECT_FALSE(FileExists(CFileTransferWorker::TempPathOf(finalPath)));
}

// --- server faults (each run with its own server flags) ------------------------------

// The server closes every connection after one reply: each block costs a
// reconnect, and the file still arrives whole.
TEST_F(FileTransferServer, FaultClosedConnectionsAreReconnected) {
    if (!std::getenv("QV_FAULT_CLOSE")) GTEST_SKIP() << "run with --close-after";
    Offer(Source(L"closing-server.bin", 120000, 9));
    receiver.session.Receive();
    ASSERT_TRUE(RunUntil([this] { return BothEnded(); }));
    ExpectReceivedWhole(L"closing-server.bin");
    EXPECT_EQ(receiver.session.GetStatusText(), L"文件传送完成");
}

// Downloads never get data: the receiver reports the failure, keeps no file
// and tells the sender as a cancel would; the sender, whose upload had
// finished, then shows the failure too.
TEST_F(FileTransferServer, FaultNoDataFailsTheReceiveWithoutAHalfFile) {
    if (!std::getenv("QV_FAULT_NO_DATA")) GTEST_SKIP() << "run with --downloads-without-data";
    Offer(Source(L"no-data.bin", 70000, 10));
    receiver.session.Receive();
    ASSERT_TRUE(RunUntil([this] { return BothEnded() && sender.session.IsFailed(); }, 20000));
    EXPECT_EQ(sender.session.GetStatusText(), L"文件传送失败");
    EXPECT_THAT(sender.window.States(), ElementsAre(1, 5, 12, 11));
    EXPECT_EQ(sender.session.GetState(), TRANSFER_FINISHED);
    EXPECT_EQ(receiver.session.GetStatusText(), L"文件传送失败");
    EXPECT_THAT(receiver.window.States(), ElementsAre(2, 3, 11));
    EXPECT_EQ(LastSent().code, FILE_REQ_CANCEL_RECV);
    EXPECT_FALSE(FileExists(ReceivedPath(L"no-data.bin")));
    EXPECT_FALSE(FileExists(CFileTransferWorker::TempPathOf(ReceivedPath(L"no-data.bin"))));
}

// Every upload block is refused: the sender gives up after its resends and
// releases the receiver as a cancel would.
TEST_F(FileTransferServer, FaultRefusedBlocksFailTheSend) {
    if (!std::getenv("QV_FAULT_REJECT")) GTEST_SKIP() << "run with --reject-uploads";
    Offer(Source(L"refused.bin", 70000, 11));
    receiver.session.Receive();
    ASSERT_TRUE(RunUntil([this] { return sender.view.Ended() > 0; }));
    Pump();
    EXPECT_EQ(sender.session.GetStatusText(), L"文件传送失败");
    EXPECT_THAT(sender.window.States(), ElementsAre(1, 5, 10));
    EXPECT_EQ(LastSent().code, FILE_REQ_CANCEL_SEND);
    EXPECT_EQ(receiver.session.GetStatusText(), L"对方取消了文件传送");
    EXPECT_FALSE(FileExists(ReceivedPath(L"refused.bin")));
}
