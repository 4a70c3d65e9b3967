// The messenger's chat window as a window (Wine, Xvfb) over a fake engine
// table: its title, the names of shown messages with the month and day for
// another day, the tip bar's status notices (a long one wraps and pushes the
// log down), the transfer pane that widens once for two offers and narrows
// again, a transfer state without a notice, the quick-reply menu of at most
// eleven replies, and the close path that keeps the size and the font.
// (The user's road through the real program is im_chat_e2e_test's.)
#include "IMChatPanel.h"
#include "IMResource.h"

#include "clientui/ClientSettings.h"
#include "clientui/PanelRegistry.h"

#include "fw/StringUtil.h"

#include <gdiplus.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int32_t kSelf = 12345;
constexpr int32_t kPeer = 12346;

struct FakeEngine {
    int offline = 0;
    UserInfoBase own = {};
    std::vector<TextMsgRecord> sent;
};
FakeEngine g_fake;

CEngineModule MakeEngine() {
    CEngineModule engine;
    engine.MIsOffline = []() -> int { return g_fake.offline; };
    engine.MGetCurUserID = []() -> int { return kSelf; };
    engine.MSendTextMsg = [](const TextMsgRecord* record) { g_fake.sent.push_back(*record); };
    engine.MGetUserInfoBase = [](int id) -> UserInfoBase* { return id == kSelf ? &g_fake.own : nullptr; };
    engine.MProChatInputStatus = [](int) -> int { return 1; };
    return engine;
}
CEngineModule g_engine = MakeEngine();

void Pump(DWORD ms) {
    const DWORD end = ::GetTickCount() + ms;
    do {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(10);
    } while (static_cast<int>(end - ::GetTickCount()) > 0);
}

std::wstring BinFolder() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder = folder.substr(0, folder.find_last_of(L'\\'));
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + L"bin\\";
}

// The window with its platform calls watched.
class CTestChat : public CIMChatPanel {
public:
    CTestChat() : CIMChatPanel(g_engine, BinFolder()) {}
    std::vector<std::vector<std::pair<UINT, std::wstring>>> menus;

protected:
    void TrackMenu(HMENU menu, const RECT&) override {
        std::vector<std::pair<UINT, std::wstring>> items;
        COfficeXPMenu* drawn = COfficeXPMenu::FromHandle(menu);
        for (int i = 0; i < ::GetMenuItemCount(menu); ++i)
            items.emplace_back(::GetMenuItemID(menu, i),
                               drawn ? drawn->GetItemText(static_cast<UINT>(i), MF_BYPOSITION) : std::wstring());
        menus.push_back(items);
    }
    void Flash(bool) override {}
};

class CWindowEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
        ::LoadLibraryW(L"riched20.dll");
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&m_token, &input, nullptr);
    }
    void TearDown() override {
        CPanelRegistry::DestroyInstance();
        Gdiplus::GdiplusShutdown(m_token);
    }
    ULONG_PTR m_token = 0;
};
::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new CWindowEnvironment);

class ChatWindow : public ::testing::Test {
protected:
    void SetUp() override {
        g_fake = FakeEngine();
        g_fake.own.userId = kSelf;
        fw::CopyToAnsiField(L"小明", g_fake.own.nickname);
        g_ClientSettings.chatPanelWidth = 523;
        g_ClientSettings.chatPanelHeight = 473;
        g_ClientSettings.fontSize = 10;
        g_ClientSettings.quickReplies.clear();
        m_chat = Open(STATUS_ONLINE);
    }
    void TearDown() override { CPanelRegistry::GetInstance()->CloseAll(); }

    CTestChat* Open(int32_t status) {
        auto* chat = new CTestChat();
        UserInfoBase peer = {};
        peer.userId = kPeer;
        peer.status = status;
        fw::CopyToAnsiField(L"张三", peer.nickname);
        fw::CopyToAnsiField(L"周末去爬山", peer.signature);
        chat->SetPeer(peer);
        EXPECT_TRUE(chat->Create(::GetDesktopWindow()));
        CPanelRegistry::GetInstance()->AddChatWindow(chat);
        chat->ShowWindow(SW_SHOWNORMAL);
        return chat;
    }
    std::wstring LastEntry() {
        CChatLogEdit& log = m_chat->GetLog();
        return log.GetEntryCount() ? log.GetEntry(log.GetEntryCount() - 1) : std::wstring();
    }
    RECT LogRect() {
        RECT rc = {};
        ::GetWindowRect(m_chat->GetDlgItem(IDC_IM_CHAT_LOG), &rc);
        ::MapWindowPoints(nullptr, m_chat->GetHwnd(), reinterpret_cast<POINT*>(&rc), 2);
        return rc;
    }

    CTestChat* m_chat = nullptr;
};

TEST_F(ChatWindow, TitleAndTheNamesOfShownMessages) {
    EXPECT_EQ(m_chat->GetWindowText(), L"与 张三 交流中");
    RECT client = m_chat->GetClientRect();
    EXPECT_EQ(client.right, 523);
    EXPECT_EQ(client.bottom, 473);

    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    TextMsgRecord received = {};
    received.senderId = kPeer;
    received.date = now.wYear * 10000 + now.wMonth * 100 + now.wDay;
    received.time = 9 * 10000000 + 5 * 100000 + 7 * 1000;
    std::strcpy(received.text, "<format|0|10|0|x|/format>hi");
    m_chat->ShowMessage(received, false);
    EXPECT_EQ(LastEntry(), L"张三 09:05:07\r\nhi\r\n");
    // Another day: the month and day in the header; an own message carries
    // the own nickname.
    TextMsgRecord own = received;
    own.senderId = kSelf;
    own.date = 20200131;
    m_chat->ShowMessage(own, true);
    EXPECT_EQ(LastEntry(), L"小明 01-31 09:05:07\r\nhi\r\n");
}

TEST_F(ChatWindow, StatusNoticesInTheTipBar) {
    EXPECT_FALSE(m_chat->IsTipBarVisible());
    const RECT bare = LogRect();
    m_chat->ShowStatusNotice(STATUS_BUSY);
    EXPECT_TRUE(m_chat->IsTipBarVisible());
    EXPECT_EQ(m_chat->GetTipText(), L"对方\"离开(忙碌)\"，可能无法立即回复您");
    const RECT tip = m_chat->GetTipRect();
    EXPECT_EQ(LogRect().top, tip.bottom + 1) << "the log starts under the bar";
    EXPECT_EQ(tip.top, bare.top);
    m_chat->ShowStatusNotice(STATUS_INVISIBLE);
    EXPECT_FALSE(m_chat->IsTipBarVisible());
    EXPECT_EQ(LogRect().top, bare.top);

    // A long text wraps: the bar grows by whole lines.
    m_chat->ShowTipText(L"短");
    const int oneLine = m_chat->GetTipRect().bottom - m_chat->GetTipRect().top;
    m_chat->ShowTipText(std::wstring(200, L'长'));
    const int many = m_chat->GetTipRect().bottom - m_chat->GetTipRect().top;
    EXPECT_GT(many, oneLine);
    EXPECT_EQ((many - 8) % (oneLine - 8), 0);
    EXPECT_EQ(LogRect().top, m_chat->GetTipRect().bottom + 1);
    // Its close button hides it.
    m_chat->SendMessage(WM_COMMAND, IDC_IM_CHAT_TIP_CLOSE, 0);
    EXPECT_FALSE(m_chat->IsTipBarVisible());

    // A window opened for an offline peer starts with the notice.
    CTestChat* offline = Open(STATUS_OFFLINE);
    EXPECT_TRUE(offline->IsTipBarVisible());
    EXPECT_EQ(offline->GetTipText(), L"对方\"离线\"，可能无法立即回复您");
}

TEST_F(ChatWindow, TheTransferPaneWidensOnceAndNarrowsAgain) {
    FileRequestRecord record = {};
    record.senderId = kSelf;
    record.receiverId = kPeer;
    record.fileSize = 1024;
    std::strcpy(record.fileName, "a.txt");
    const int width = m_chat->GetWindowRect().right - m_chat->GetWindowRect().left;
    EXPECT_EQ(m_chat->GetPaneWidth(), 160);
    for (int offer = 0; offer < 2; ++offer) {
        m_chat->SendMessage(WM_TRANSFILE_STATE, reinterpret_cast<WPARAM>(&record), 1);
        EXPECT_EQ(m_chat->GetPaneWidth(), 240);
        EXPECT_EQ(m_chat->GetWindowRect().right - m_chat->GetWindowRect().left, width + 80) << offer;
    }
    EXPECT_NE(LastEntry().find(L"您尝试给对方发送文件\"a.txt\"(1.0KB)，等待对方接收。"), std::wstring::npos);
    // A state without a notice: the time and an empty line; the pane stays.
    m_chat->SendMessage(WM_TRANSFILE_STATE, reinterpret_cast<WPARAM>(&record), 7);
    EXPECT_EQ(LastEntry().substr(8), L"\r\n \r\n");
    EXPECT_EQ(m_chat->GetPaneWidth(), 240);
    m_chat->SendMessage(WM_TRANSFILE_STATE, reinterpret_cast<WPARAM>(&record), 12);
    EXPECT_EQ(m_chat->GetPaneWidth(), 160);
    EXPECT_EQ(m_chat->GetWindowRect().right - m_chat->GetWindowRect().left, width);
}

TEST_F(ChatWindow, AnEmptyInputOpensTheQuickRepliesAtMostEleven) {
    for (int i = 0; i < 13; ++i) g_ClientSettings.quickReplies.push_back(L"回复" + std::to_wstring(i));
    m_chat->OnSend();
    EXPECT_TRUE(g_fake.sent.empty());
    ASSERT_EQ(m_chat->menus.size(), 1u);
    const auto& items = m_chat->menus[0];
    ASSERT_EQ(items.size(), 11u + 2u);
    EXPECT_EQ(items[0], std::make_pair(32900u, std::wstring(L"回复0")));
    EXPECT_EQ(items[10].first, 32910u);
    EXPECT_EQ(items[12], std::make_pair(32911u, std::wstring(L"快捷回复菜单设置...")));
    // The eleventh reply is sent as the user chose it.
    m_chat->SendMessage(WM_COMMAND, 32910, 0);
    ASSERT_EQ(g_fake.sent.size(), 1u);
    EXPECT_NE(std::string(g_fake.sent[0].text).find("/format>" + fw::ToAnsi(L"回复10")), std::string::npos);
    EXPECT_EQ(g_fake.sent[0].receiverId, kPeer);
}

TEST_F(ChatWindow, ClosingKeepsTheSizeAndTheFont) {
    m_chat->SetWindowPos(nullptr, 0, 0, 600, 500, SWP_NOMOVE | SWP_NOZORDER);
    CHARFORMATW format = m_chat->GetInputFormat();
    format.dwEffects = CFE_BOLD;
    format.yHeight = 14 * 20;
    m_chat->ApplyInputFormat(format);
    CPanelRegistry* registry = CPanelRegistry::GetInstance();
    ASSERT_TRUE(registry->FindChatWindow(kPeer));
    m_chat->SendMessage(WM_COMMAND, IDC_IM_CHAT_CLOSE, 0);
    Pump(50);
    EXPECT_EQ(registry->FindChatWindow(kPeer), nullptr) << "it left the registry";
    EXPECT_EQ(g_ClientSettings.chatPanelWidth, 600);
    EXPECT_EQ(g_ClientSettings.chatPanelHeight, 500);
    EXPECT_TRUE(g_ClientSettings.bold);
    EXPECT_EQ(g_ClientSettings.fontSize, 14);
}

}  // namespace
