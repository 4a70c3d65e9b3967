// CTransFilePanel in windows (under the test X display, with the stand-in
// file server): two conversation windows, each with its panel, send a file
// through the fake engine and the file server; the controls of each state,
// WM_TRANSFILE_STATE to the conversation windows, and a panel closed
// mid-transfer. With QV_SHOT_DIR set, the screen is saved as BMP files while
// the file is on its way.
#include "FileTransferTestSupport.h"
#include "ScreenPicture.h"

#include "clientui/FileTransferWorker.h"
#include "clientui/TransFilePanel.h"

#include "fw/Window.h"

#include <fw/StringUtil.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>

using ::testing::ElementsAre;

namespace {

constexpr int32_t kSenderId = 100;
constexpr int32_t kReceiverId = 200;
constexpr int kPanelWidth = 320;
constexpr int kPanelHeight = 120;

// The conversation window: records WM_TRANSFILE_STATE.
class ConversationWindow : public fw::CWindow {
public:
    std::vector<int> states;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_TRANSFILE_STATE) {
            if (wParam) states.push_back(static_cast<int>(lParam));
            return 0;
        }
        return fw::CWindow::WindowProc(msg, wParam, lParam);
    }
};

// The panel with hooks after its timer and its progress messages.
class ObservedPanel : public CTransFilePanel {
public:
    std::function<void()> afterTimer;
    std::function<void()> afterProgress;

protected:
    bool OnTimer(UINT_PTR id) override {
        const bool handled = CTransFilePanel::OnTimer(id);
        if (afterTimer) afterTimer();
        return handled;
    }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        const LRESULT result = CTransFilePanel::WindowProc(msg, wParam, lParam);
        if (msg == kMsgWorkerProgress && afterProgress) afterProgress();
        return result;
    }
};

void PumpMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

std::wstring ShotPath(const wchar_t* name) {
    const char* folder = std::getenv("QV_SHOT_DIR");
    if (!folder) return std::wstring();
    return fw::FromAnsi(folder) + L"\\" + name;
}

class TransFilePanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (ftest::ServerPort() == 0) GTEST_SKIP() << "needs the stand-in file server";
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
        ::InitCommonControlsEx(&icc);
        OpenSide(senderWindow, sender, 0);
        OpenSide(receiverWindow, receiver, kPanelHeight + 20);
        engine.AddParty(kSenderId, [this](const FileRequestRecord& record, int code) {
            sender->OnFileEvent(senderWindow.GetHwnd(), record, code);
        });
        engine.AddParty(kReceiverId, [this](const FileRequestRecord& record, int code) {
            if (receiver) receiver->OnFileEvent(receiverWindow.GetHwnd(), record, code);
        });
        receiver->GetSession().SetProgramFolder(folder.Path());
    }
    void TearDown() override {
        sender.reset();
        receiver.reset();
        if (senderWindow.IsWindow()) senderWindow.DestroyWindow();
        if (receiverWindow.IsWindow()) receiverWindow.DestroyWindow();
    }

    void OpenSide(ConversationWindow& window, std::unique_ptr<ObservedPanel>& panel, int top) {
        ASSERT_TRUE(window.CreateEx(0, L"", L"conversation", WS_POPUP | WS_VISIBLE,
                                    RECT{20, 20 + top, 20 + kPanelWidth, 20 + top + kPanelHeight}, nullptr, 0));
        panel = std::make_unique<ObservedPanel>();
        ASSERT_TRUE(panel->Create(window.GetHwnd()));
        panel->MoveWindow(RECT{0, 0, kPanelWidth, kPanelHeight});
        panel->ShowWindow(SW_SHOW);
        panel->GetSession().SetServer(L"127.0.0.1", ftest::ServerPort());
        panel->GetSession().SetTiming(ftest::FastTiming());
    }

    bool RunUntil(const std::function<bool()>& done, unsigned ms = 120000) {
        return ftest::PumpUntil(
            [this] {
                PumpMessages();
                engine.Deliver();
            },
            done, ms);
    }

    std::wstring Source(const std::wstring& name, size_t size) {
        const std::wstring path = folder / name;
        bytes = ftest::MakeBytes(size, 21);
        EXPECT_TRUE(ftest::WriteBytes(path, bytes));
        return path;
    }

    void Click(ObservedPanel& panel, int id) {
        panel.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(panel.GetDlgItem(id)));
    }
    bool Visible(ObservedPanel& panel, int id) { return ::IsWindowVisible(panel.GetDlgItem(id)) != FALSE; }
    std::wstring ReceivedPath(const std::wstring& name) const {
        return folder.Path() + L"\\200\\RecvFile\\" + name;
    }

    ftest::FakeEngine engine;
    ftest::MessageBoxRecorder boxes;
    ftest::TempFolder folder;
    std::vector<uint8_t> bytes;
    ConversationWindow senderWindow;
    ConversationWindow receiverWindow;
    std::unique_ptr<ObservedPanel> sender;
    std::unique_ptr<ObservedPanel> receiver;
};

RECT ScreenArea() { return RECT{0, 0, kPanelWidth + 40, 2 * kPanelHeight + 60}; }

}  // namespace

TEST_F(TransFilePanelTest, AFileGoesFromOnePanelToTheOtherAndEachStateShowsItsControls) {
    const std::wstring path = Source(L"传送测试.bin", 24 * 1024 * 1024);
    sender->SetFileChooser([&](HWND, bool save, const std::wstring&, std::wstring& chosen) {
        EXPECT_FALSE(save);
        chosen = path;
        return true;
    });
    // With QV_SHOT_DIR: once a second of data has gone, each side's screen.
    auto shoot = [](ObservedPanel& panel, int state, bool& done, const wchar_t* name) {
        if (done || ShotPath(name).empty() || panel.GetSession().GetState() != state) return;
        done = true;
        ::Sleep(1100);
        panel.SendMessage(WM_TIMER, CTransFilePanel::kSpeedTimerId);
        ::UpdateWindow(panel);
        testpicture::SaveScreenArea(ScreenArea(), ShotPath(name));
    };
    bool shotSending = false;
    bool shotReceiving = false;
    LRESULT highestPosition = 0;
    sender->afterProgress = [&] {
        highestPosition = std::max(highestPosition, ::SendMessageW(sender->GetDlgItem(kDeskTransFileIds.progress),
                                                                   PBM_GETPOS, 0, 0));
        shoot(*sender, TRANSFER_SENDING, shotSending, L"panel-sending.bmp");
    };
    receiver->afterProgress = [&] { shoot(*receiver, TRANSFER_RECEIVING, shotReceiving, L"panel-receiving.bmp"); };

    const TransFileControlIds& ids = kDeskTransFileIds;
    EXPECT_FALSE(Visible(*sender, ids.cancelSend));
    EXPECT_FALSE(Visible(*sender, ids.progress));

    sender->SendFile(kSenderId, kReceiverId, senderWindow.GetHwnd());
    EXPECT_EQ(sender->GetSession().GetState(), TRANSFER_OFFER_SENT);
    EXPECT_TRUE(Visible(*sender, ids.cancelSend));
    EXPECT_TRUE(Visible(*sender, ids.progress));
    engine.Deliver();
    PumpMessages();
    ASSERT_EQ(receiver->GetSession().GetState(), TRANSFER_OFFER_RECEIVED);
    EXPECT_TRUE(Visible(*receiver, ids.receive));
    EXPECT_TRUE(Visible(*receiver, ids.saveAs));
    EXPECT_TRUE(Visible(*receiver, ids.refuse));
    EXPECT_FALSE(Visible(*receiver, ids.cancelReceive));
    if (!ShotPath(L"panel-offer.bmp").empty()) {
        ::UpdateWindow(*receiver);
        testpicture::SaveScreenArea(ScreenArea(), ShotPath(L"panel-offer.bmp"));
    }

    Click(*receiver, ids.receive);
    EXPECT_EQ(receiver->GetSession().GetState(), TRANSFER_PREPARING);
    EXPECT_TRUE(Visible(*receiver, ids.cancelReceive));
    EXPECT_FALSE(Visible(*receiver, ids.receive));

    ASSERT_TRUE(RunUntil([&] {
        return sender->GetSession().GetState() == TRANSFER_FINISHED &&
               receiver->GetSession().GetState() == TRANSFER_FINISHED;
    }));
    std::vector<uint8_t> got;
    ASSERT_TRUE(ftest::ReadBytes(ReceivedPath(L"传送测试.bin"), got));
    EXPECT_TRUE(got == bytes);
    EXPECT_THAT(senderWindow.states, ElementsAre(1, 5, 12));
    EXPECT_THAT(receiverWindow.states, ElementsAre(2, 3, 12));
    EXPECT_GT(highestPosition, 50);  // the bar followed the blocks
    EXPECT_EQ(receiver->GetSession().GetStatusText(), L"文件传送完成");
    EXPECT_FALSE(Visible(*receiver, ids.cancelReceive));
    EXPECT_FALSE(Visible(*receiver, ids.progress));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(TransFilePanelTest, SaveAsTakesTheChosenFileAndRefuseEndsTheOffer) {
    const std::wstring path = Source(L"choice.txt", 3000);
    sender->SetFileChooser([&](HWND, bool, const std::wstring&, std::wstring& chosen) {
        chosen = path;
        return true;
    });
    const std::wstring target = folder / L"picked.txt";
    receiver->SetFileChooser([&](HWND, bool save, const std::wstring& offered, std::wstring& chosen) {
        EXPECT_TRUE(save);
        EXPECT_EQ(offered, L"choice.txt");
        chosen = target;
        return true;
    });
    const TransFileControlIds& ids = kDeskTransFileIds;

    // Refused first: both sides end, nothing is written.
    sender->SendFile(kSenderId, kReceiverId, senderWindow.GetHwnd());
    engine.Deliver();
    Click(*receiver, ids.refuse);
    engine.Deliver();
    PumpMessages();
    EXPECT_EQ(receiver->GetSession().GetStatusText(), L"您拒绝了对方的文件请求");
    EXPECT_EQ(sender->GetSession().GetState(), TRANSFER_PEER_REFUSED);
    EXPECT_FALSE(Visible(*sender, ids.cancelSend));

    // Then saved where the user chose.
    sender->SendFile(kSenderId, kReceiverId, senderWindow.GetHwnd());
    engine.Deliver();
    Click(*receiver, ids.saveAs);
    ASSERT_TRUE(RunUntil([&] { return receiver->GetSession().GetState() == TRANSFER_FINISHED; }));
    std::vector<uint8_t> got;
    ASSERT_TRUE(ftest::ReadBytes(target, got));
    EXPECT_TRUE(got == bytes);
    EXPECT_THAT(receiverWindow.states, ElementsAre(2, 4, 2, 3, 12));
}

TEST_F(TransFilePanelTest, APanelClosedMidTransferStopsItsWorkerAndLeavesNoHalfFile) {
    const std::wstring path = Source(L"closed.bin", 24 * 1024 * 1024);
    sender->SetFileChooser([&](HWND, bool, const std::wstring&, std::wstring& chosen) {
        chosen = path;
        return true;
    });
    bool receiving = false;
    receiver->afterProgress = [&] {
        if (receiver->GetSession().GetState() == TRANSFER_RECEIVING) receiving = true;
    };
    sender->SendFile(kSenderId, kReceiverId, senderWindow.GetHwnd());
    engine.Deliver();
    Click(*receiver, kDeskTransFileIds.receive);
    ASSERT_TRUE(RunUntil([&] { return receiving; }));

    // The conversation closes: the panel's window goes, then the object.
    receiver->DestroyWindow();
    receiver.reset();
    receiverWindow.DestroyWindow();
    // Whatever the worker posted is gone with the window; the loop goes on.
    RunUntil([] { return false; }, 300);
    EXPECT_FALSE(ftest::FileExists(ReceivedPath(L"closed.bin")));
    EXPECT_FALSE(ftest::FileExists(CFileTransferWorker::TempPathOf(ReceivedPath(L"closed.bin"))));
    EXPECT_EQ(sender->GetSession().GetState(), TRANSFER_FINISHED);
}

TEST_F(TransFilePanelTest, CancelReceiveMidTransferShowsNoFileAndTellsTheConversation) {
    const std::wstring path = Source(L"cancelled.bin", 24 * 1024 * 1024);
    sender->SetFileChooser([&](HWND, bool, const std::wstring&, std::wstring& chosen) {
        chosen = path;
        return true;
    });
    bool clicked = false;
    receiver->afterProgress = [&] {
        if (clicked || receiver->GetSession().GetState() != TRANSFER_RECEIVING) return;
        clicked = true;
        EXPECT_TRUE(Visible(*receiver, kDeskTransFileIds.cancelReceive));
        Click(*receiver, kDeskTransFileIds.cancelReceive);
    };
    sender->SendFile(kSenderId, kReceiverId, senderWindow.GetHwnd());
    engine.Deliver();
    Click(*receiver, kDeskTransFileIds.receive);
    ASSERT_TRUE(RunUntil([&] { return clicked && !receiver->GetSession().IsWorkerRunning(); }));
    RunUntil([] { return false; }, 200);

    EXPECT_EQ(receiver->GetSession().GetState(), TRANSFER_IDLE);
    EXPECT_EQ(receiver->GetSession().GetStatusText(), L"当前没有文件传送");
    EXPECT_FALSE(Visible(*receiver, kDeskTransFileIds.cancelReceive));
    EXPECT_THAT(receiverWindow.states, ElementsAre(2, 3, 11));
    EXPECT_EQ(engine.Sent().back().code, FILE_REQ_CANCEL_RECV);
    EXPECT_FALSE(ftest::FileExists(ReceivedPath(L"cancelled.bin")));
    EXPECT_FALSE(ftest::FileExists(CFileTransferWorker::TempPathOf(ReceivedPath(L"cancelled.bin"))));
    // The sender had finished its upload and said so; the file did not
    // arrive, and the sender's panel now says that instead.
    ASSERT_TRUE(RunUntil([&] { return senderWindow.states.size() == 4; }, 5000));
    EXPECT_THAT(senderWindow.states, ElementsAre(1, 5, 12, 11));
    EXPECT_EQ(sender->GetSession().GetStatusText(), L"文件传送失败");
    EXPECT_EQ(sender->GetSession().GetState(), TRANSFER_FINISHED);
}

TEST_F(TransFilePanelTest, WhileTheServerIsAwayThePanelSaysSoAndKeepsItsCancelButton) {
    const std::wstring path = Source(L"waiting.bin", 5000);
    sender->SetFileChooser([&](HWND, bool, const std::wstring&, std::wstring& chosen) {
        chosen = path;
        return true;
    });
    // Nobody listens on port 1.
    sender->GetSession().SetServer(L"127.0.0.1", 1);
    sender->SendFile(kSenderId, kReceiverId, senderWindow.GetHwnd());
    engine.Deliver();
    Click(*receiver, kDeskTransFileIds.receive);
    ASSERT_TRUE(RunUntil([&] { return sender->GetSession().IsWaitingForServer(); }, 20000));
    EXPECT_EQ(sender->GetSession().GetStatusText(), L"连接文件服务器失败，正在重新连接...");
    EXPECT_TRUE(Visible(*sender, kDeskTransFileIds.cancelSend));
    EXPECT_TRUE(boxes.boxes.empty());
    if (!ShotPath(L"panel-waiting.bmp").empty()) {
        ::UpdateWindow(*sender);
        testpicture::SaveScreenArea(ScreenArea(), ShotPath(L"panel-waiting.bmp"));
    }
    Click(*sender, kDeskTransFileIds.cancelSend);
    ASSERT_TRUE(RunUntil([&] { return !sender->GetSession().IsWorkerRunning(); }, 20000));
    EXPECT_EQ(receiver->GetSession().GetStatusText(), L"对方取消了文件传送");
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(TransFilePanelTest, OffersRefusedForTheirNamesAreToldOnceAfterTheEnginesCall) {
    receiver->OnFileEvent(receiverWindow.GetHwnd(), ftest::MakeOffer(kSenderId, kReceiverId, "CON.txt", 10),
                          FILE_REQ_OFFER);
    // A second one while the first message waits: refused without another.
    receiver->OnFileEvent(receiverWindow.GetHwnd(), ftest::MakeOffer(kSenderId, kReceiverId, "a:b.txt", 10),
                          FILE_REQ_OFFER);
    EXPECT_TRUE(boxes.boxes.empty()) << "not inside the engine's call";
    ASSERT_EQ(engine.Sent().size(), 2u);
    EXPECT_EQ(engine.Sent()[0].code, FILE_REQ_REFUSE);
    EXPECT_EQ(engine.Sent()[1].code, FILE_REQ_REFUSE);
    RunUntil([&] { return !boxes.boxes.empty(); }, 5000);
    RunUntil([] { return false; }, 200);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, L"对方发送的文件“CON.txt”已被拒绝：文件名是设备名。");
    EXPECT_EQ(boxes.boxes[0].caption, L"提示----传送文件");
    EXPECT_EQ(receiver->GetSession().GetState(), TRANSFER_IDLE);
}
