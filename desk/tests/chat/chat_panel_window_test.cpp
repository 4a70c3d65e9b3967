// The conversation window as a window (Wine, Xvfb) over a fake engine
// table: the send checks and limits, Enter handling, the quick-reply menu,
// typing notices, file notices, the tip bar and the close path.
#include "ChatMainPanel.h"

#include "clientui/ClientSettings.h"
#include "clientui/PanelRegistry.h"
#include "clientui/TransFileSession.h"

#include "SystemAnsiCodePage.h"
#include "fw/ComPtr.h"
#include "fw/GdiObject.h"
#include "fw/MessageBoxSink.h"

#include <gdiplus.h>
#include <ole2.h>
#include <richole.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int32_t kAgent = 30001;
constexpr int32_t kCustomer = 40001;

// --- the fake engine --------------------------------------------------------

struct FakeEngine {
    int offline = 0;
    std::vector<TextMsgRecord> sent;
    std::vector<int> typing;
    SwitchCustomerRecord handOver = {};
    std::vector<std::pair<SwitchCustomerRecord, int>> confirmed;
};
FakeEngine g_fake;

int FakeIsOffline() { return g_fake.offline; }
int FakeCurUser() { return kAgent; }
void FakeSend(const TextMsgRecord* record) { g_fake.sent.push_back(*record); }
int FakeTyping(int peer) {
    g_fake.typing.push_back(peer);
    return 1;
}
SwitchCustomerRecord* FakeSwitch(int) { return &g_fake.handOver; }
void FakeConfirm(const SwitchCustomerRecord* record, int answer) { g_fake.confirmed.emplace_back(*record, answer); }
UserInfoBase* FakeUser(int) {
    static UserInfoBase none;
    none = UserInfoBase{};
    return &none;
}
int FakeProduce(int, int) { return 1; }

CEngineModule MakeEngine() {
    CEngineModule engine;
    engine.MIsOffline = FakeIsOffline;
    engine.MGetCurUserID = FakeCurUser;
    engine.MSendTextMsg = FakeSend;
    engine.MProChatInputStatus = FakeTyping;
    engine.MGetSwitchCustomerMsg = FakeSwitch;
    engine.MConfirmGrabCustomer = FakeConfirm;
    engine.MGetUserInfoBase = FakeUser;
    engine.MProduceUserInfo = FakeProduce;
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

// A window that records the program's messages sent to it (main window and
// chat view at once).
class CRecorder {
public:
    struct Entry {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
        int32_t customer;  // read from the record during the call
    };
    CRecorder() {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &CRecorder::Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QvChatRecorder";
        ::RegisterClassExW(&wc);
        hWnd = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0,
                                 600, 520, nullptr, nullptr, wc.hInstance, nullptr);
        ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~CRecorder() { ::DestroyWindow(hWnd); }
    std::vector<UINT> Messages() const {
        std::vector<UINT> out;
        for (const Entry& e : entries) out.push_back(e.msg);
        return out;
    }
    static LRESULT CALLBACK Proc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<CRecorder*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
        if (self && msg >= WM_SWITCH_CUSTOMER && msg <= WM_EDITBTN_SEARCH && msg != WM_TRANSFILE_STATE) {
            int32_t customer = 0;
            if (msg == WM_UPDATE_SESSION_LIST && wParam) customer = reinterpret_cast<const UserInfoBase*>(wParam)->userId;
            self->entries.push_back({msg, wParam, lParam, customer});
            if (self->onMessage) self->onMessage(msg);
            return 0;
        }
        return ::DefWindowProcW(hWnd, msg, wParam, lParam);
    }
    HWND hWnd = nullptr;
    std::vector<Entry> entries;
    std::function<void(UINT)> onMessage;
};

class CTestHost : public IChatPanelHost {
public:
    HWND MainWindow() const override { return mainWnd; }
    int32_t MyUserId() const override { return kAgent; }
    const UserInfoBase& MyInfo() const override { return info; }
    HWND mainWnd = nullptr;
    UserInfoBase info = {};
};

// The window with its platform calls watched.
class CTestPanel : public CChatMainPanel {
public:
    using CChatMainPanel::CChatMainPanel;
    ~CTestPanel() override {
        if (deleted) ++*deleted;
    }
    int* deleted = nullptr;
    std::vector<std::vector<std::pair<UINT, std::wstring>>> menus;
    std::vector<std::wstring> boxes;
    int answer = IDNO;
    int asked = 0;
    std::wstring askedText;
    std::wstring askedCaption;

protected:
    void TrackMenu(HMENU menu, const RECT&) override {
        std::vector<std::pair<UINT, std::wstring>> items;
        for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
            // The quick-reply menu draws itself: its texts are its own.
            COfficeXPMenu* drawn = COfficeXPMenu::FromHandle(menu);
            std::wstring text;
            if (drawn) {
                text = drawn->GetItemText(static_cast<UINT>(i), MF_BYPOSITION);
            } else {
                wchar_t buffer[128] = {};
                ::GetMenuStringW(menu, static_cast<UINT>(i), buffer, 128, MF_BYPOSITION);
                text = buffer;
            }
            items.emplace_back(::GetMenuItemID(menu, i), text);
        }
        menus.push_back(items);
    }
    int AskYesNo(const std::wstring& text, const std::wstring& caption) override {
        ++asked;
        askedText = text;
        askedCaption = caption;
        return answer;
    }
    void ShowOnePictureOnly(const std::wstring& text) override { boxes.push_back(text); }
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

class ChatPanelWindow : public ::testing::Test {
protected:
    void SetUp() override {
        g_fake = FakeEngine();
        g_ClientSettings.sendMsgOpt = 0;
        g_ClientSettings.quickReplies = {L"您好", L"请稍等", L"再见"};
        m_host.mainWnd = m_recorder.hWnd;
        m_panel = Open(kCustomer);
    }
    void TearDown() override { CPanelRegistry::GetInstance()->CloseAll(); }

    CTestPanel* Open(int32_t customerId, int32_t owner = kAgent, int32_t status = 0) {
        auto* panel = new CTestPanel(m_host, owner, g_engine, BinFolder(), L"Qorvane 客服");
        UserInfoBase customer = {};
        customer.userId = customerId;
        customer.status = status;
        std::strcpy(customer.nickname, "cust");
        panel->SetPeerInfo(customer);
        EXPECT_TRUE(panel->CreateInParent(m_recorder.hWnd));
        CPanelRegistry::GetInstance()->AddChatWindow(panel);
        panel->MoveWindow({0, 0, 560, 480});
        panel->ShowWindow(SW_SHOW);
        return panel;
    }
    std::wstring LastEntry() {
        CChatLogEdit& log = m_panel->GetLog();
        return log.GetEntryCount() ? log.GetEntry(log.GetEntryCount() - 1) : std::wstring();
    }
    CRecorder m_recorder;
    CTestHost m_host;
    CTestPanel* m_panel = nullptr;
    clientui::CSystemAnsiCodePage m_codePage;
};

TEST_F(ChatPanelWindow, SendChecksAndLimits) {
    CMyRichEditCtrl& input = m_panel->GetInput();
    // Offline: the notice, nothing sent, the text stays.
    g_fake.offline = 1;
    input.SetWindowText(L"你好");
    m_panel->OnSend();
    EXPECT_EQ(LastEntry(), L"系统提示:\r\n 您现在处于离线状态，不能发送消息.\r\n");
    EXPECT_TRUE(g_fake.sent.empty());
    EXPECT_EQ(input.GetWindowText(), L"你好");
    g_fake.offline = 0;

    // 1022 bytes with the prefix go out; 1023 are refused and stay.
    m_panel->OnSend();
    ASSERT_EQ(g_fake.sent.size(), 1u);
    const std::string prefix(g_fake.sent[0].text, std::strlen(g_fake.sent[0].text) - m_codePage.ToAnsi(L"你好").size());
    EXPECT_EQ(prefix.compare(0, 8, "<format|"), 0) << prefix;
    EXPECT_TRUE(input.GetWindowText().empty());
    const std::wstring fits(1022 - prefix.size(), L'a');
    input.SetWindowText(fits);
    m_panel->OnSend();
    ASSERT_EQ(g_fake.sent.size(), 2u);
    EXPECT_EQ(std::strlen(g_fake.sent[1].text), 1022u);
    input.SetWindowText(fits + L"a");
    m_panel->OnSend();
    EXPECT_EQ(g_fake.sent.size(), 2u);
    EXPECT_EQ(LastEntry(), L"系统提示:\r\n 您发送的消息长度超过了限制，请分割后再发。\r\n");
    EXPECT_EQ(input.GetWindowText(), fits + L"a");

    // Each message its own time word, the customer as receiver.
    EXPECT_NE(g_fake.sent[0].time, g_fake.sent[1].time);
    EXPECT_EQ(g_fake.sent[1].senderId, kAgent);
    EXPECT_EQ(g_fake.sent[1].receiverId, kCustomer);
}

TEST_F(ChatPanelWindow, TwoPicturesSendTheTextAlone) {
    CMyRichEditCtrl& input = m_panel->GetInput();
    input.SetWindowText(L"两张图");
    fw::CComPtr<IRichEditOle> ole = fw::CComPtr<IRichEditOle>::Adopt(input.GetOleInterface());
    HDC screen = ::GetDC(nullptr);
    fw::CBitmap bitmap(::CreateCompatibleBitmap(screen, 20, 20));
    ::ReleaseDC(nullptr, screen);
    for (int i = 0; i < 2; ++i) {
        input.SetSelEnd();
        ASSERT_TRUE(input.InsertStaticPicture(ole.Get(), bitmap.Get()));
    }
    m_panel->OnSend();
    ASSERT_EQ(m_panel->boxes.size(), 1u);
    EXPECT_EQ(m_panel->boxes[0], L"一次只能发送一张图片");
    ASSERT_EQ(g_fake.sent.size(), 1u);
    EXPECT_EQ(std::string(g_fake.sent[0].text).find("<pic/"), std::string::npos);
    EXPECT_TRUE(input.GetWindowText().empty());
}

TEST_F(ChatPanelWindow, EnterSendsAsConfigured) {
    // The window's decision on a key that reached it (the whole road through
    // the program's windows is the main-road test's): the key that sends
    // sends; the other one breaks the line in the input. Either way the key
    // is taken here, so that the windows above never swallow it.
    CMyRichEditCtrl& input = m_panel->GetInput();
    BYTE keys[256] = {};
    auto press = [&](bool ctrl) {
        ::GetKeyboardState(keys);
        keys[VK_CONTROL] = ctrl ? 0x80 : 0;
        ::SetKeyboardState(keys);
        MSG msg = {};
        msg.hwnd = input.GetHwnd();
        msg.message = WM_KEYDOWN;
        msg.wParam = VK_RETURN;
        const bool taken = m_panel->PreTranslateMessage(msg);
        Pump(50);
        return taken;
    };
    struct Case {
        int option;
        bool ctrl;
        bool sends;
    } cases[] = {{0, false, true}, {0, true, false}, {1, false, false}, {1, true, true}};
    for (const Case& c : cases) {
        g_ClientSettings.sendMsgOpt = c.option;
        g_fake.sent.clear();
        input.SetWindowText(L"回车");
        input.SetSel(-1, -1);
        EXPECT_TRUE(press(c.ctrl)) << c.option << c.ctrl;
        EXPECT_EQ(g_fake.sent.size(), c.sends ? 1u : 0u) << c.option << c.ctrl;
        if (!c.sends) {
            EXPECT_GT(input.GetWindowText().size(), 2u) << "no line break: " << c.option << c.ctrl;
        }
    }
    keys[VK_CONTROL] = 0;
    ::SetKeyboardState(keys);
}

TEST_F(ChatPanelWindow, QuickReplyMenuKeepsItsSettingsItem) {
    // An empty input opens the menu instead of sending.
    m_panel->OnSend();
    ASSERT_EQ(m_panel->menus.size(), 1u);
    const auto& small = m_panel->menus[0];
    ASSERT_EQ(small.size(), 5u);
    EXPECT_EQ(small[0], std::make_pair(32900u, std::wstring(L"您好")));
    EXPECT_EQ(small[2].first, 32902u);
    EXPECT_EQ(small[4], std::make_pair(32911u, std::wstring(L"快捷回复菜单设置...")));
    EXPECT_TRUE(g_fake.sent.empty());

    // However many replies there are, the settings item keeps its id.
    g_ClientSettings.quickReplies.clear();
    for (int i = 0; i < 100; ++i) g_ClientSettings.quickReplies.push_back(L"回复" + std::to_wstring(i));
    m_panel->OnSend();
    const auto& big = m_panel->menus.back();
    ASSERT_EQ(big.size(), 13u);
    EXPECT_EQ(big[10].first, 32910u);
    EXPECT_EQ(big[12].first, 32911u);
    int settingsItems = 0;
    for (const auto& item : big) settingsItems += item.first == 32911u;
    EXPECT_EQ(settingsItems, 1);

    // A reply is sent at once; the settings item goes to the chat view.
    m_panel->SendMessage(WM_COMMAND, 32905, 0);
    ASSERT_EQ(g_fake.sent.size(), 1u);
    EXPECT_NE(std::string(g_fake.sent[0].text).find(m_codePage.ToAnsi(L"回复5")), std::string::npos);
    m_panel->SendMessage(WM_COMMAND, 32911, 0);
    EXPECT_EQ(m_recorder.Messages().back(), WM_QUICKREPLY_SETUP);
}

TEST_F(ChatPanelWindow, TypingNoticeGoesOutOncePerThrottle) {
    CMyRichEditCtrl& input = m_panel->GetInput();
    input.SetSelEnd();
    input.ReplaceSel(L"a");
    input.ReplaceSel(L"b");
    input.ReplaceSel(L"c");
    EXPECT_EQ(g_fake.typing, std::vector<int>{kCustomer});
}

TEST_F(ChatPanelWindow, FileNoticesComeFromTheTransferPage) {
    FileRequestRecord record = {};
    record.senderId = kAgent;
    record.fileSize = 500;
    std::strcpy(record.fileName, "report.xls");
    m_panel->SendMessage(WM_TRANSFILE_STATE, reinterpret_cast<WPARAM>(&record), 12);
    EXPECT_NE(LastEntry().find(L"\r\n 成功发送文件\"report.xls\"(500字节)。\r\n"), std::wstring::npos) << LastEntry();
    record.senderId = kCustomer;
    m_panel->SendMessage(WM_TRANSFILE_STATE, reinterpret_cast<WPARAM>(&record), 2);
    EXPECT_NE(LastEntry().find(L"对方请求给您发送文件\"report.xls\"(500字节)，请确认是否接收。"), std::wstring::npos);
}

TEST_F(ChatPanelWindow, TipBarSurvivesAWindowWithoutWidth) {
    CTestPanel* away = Open(40002, kAgent, STATUS_OFFLINE);
    EXPECT_TRUE(away->IsTipBarVisible());
    EXPECT_EQ(away->GetTipText(), L"对方\"离线\"，可能无法立即回复您");
    for (int width : {0, 1, 30, 560}) {
        away->MoveWindow({0, 0, width, 480});
        Pump(50);
        const RECT tip = away->GetTipRect();
        EXPECT_GE(tip.bottom - tip.top, 8) << width;
        EXPECT_LT(tip.bottom - tip.top, 480) << width;
    }
    away->SendMessage(WM_COMMAND, IDC_CHAT_TIP_CLOSE, 0);
    EXPECT_FALSE(away->IsTipBarVisible());
}

TEST_F(ChatPanelWindow, ClosingFromItsOwnButtonNeverTouchesTheDeletedWindow) {
    CTestPanel* front = Open(40002);
    CPanelRegistry* registry = CPanelRegistry::GetInstance();
    ASSERT_EQ(registry->GetLastChatWindow(), front);
    m_panel->ShowWindow(SW_HIDE);
    int deletions = 0;
    front->deleted = &deletions;
    bool frontHeldAtRefresh = true;
    m_recorder.onMessage = [&](UINT msg) {
        if (msg == WM_REFRESH_CHATVIEW) frontHeldAtRefresh = registry->Holds(front);
    };
    // The click arrives inside the window's own handler.
    front->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CHAT_CLOSE, BN_CLICKED), 0);
    m_recorder.onMessage = nullptr;
    Pump(100);
    EXPECT_FALSE(registry->Holds(front));
    EXPECT_FALSE(frontHeldAtRefresh);
    EXPECT_EQ(deletions, 1);  // deleted once, after its handler returned
    const std::vector<UINT> seen = m_recorder.Messages();
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[seen.size() - 2], WM_UPDATE_SESSION_LIST);
    EXPECT_EQ(m_recorder.entries[seen.size() - 2].customer, 40002);
    EXPECT_EQ(m_recorder.entries[seen.size() - 2].lParam, 1);
    EXPECT_EQ(seen.back(), WM_REFRESH_CHATVIEW);
    // The window now last in the list is shown.
    EXPECT_EQ(registry->GetLastChatWindow(), m_panel);
    EXPECT_TRUE(m_panel->IsWindowVisible());
}

TEST_F(ChatPanelWindow, ClosingATakenOverCustomerAsksFirst) {
    g_fake.handOver.actingAgent = kAgent;
    g_fake.handOver.customerId = kCustomer;
    m_panel->answer = IDNO;
    m_panel->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CHAT_CLOSE, BN_CLICKED), 0);
    EXPECT_EQ(m_panel->asked, 1);
    EXPECT_TRUE(CPanelRegistry::GetInstance()->Holds(m_panel));
    m_panel->answer = IDYES;
    m_panel->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CHAT_CLOSE, BN_CLICKED), 0);
    Pump(50);
    EXPECT_FALSE(CPanelRegistry::GetInstance()->Holds(m_panel));
}

// A chosen reply (the reply page's double click) replaces the input and
// goes out as an ordinary message; a watched session and the disabled
// placeholder send nothing and keep their input.
TEST_F(ChatPanelWindow, AChosenReplyIsSentOnlyWhereTheAgentMayWrite) {
    m_panel->GetInput().SetWindowText(L"half typed");
    EXPECT_TRUE(m_panel->SendReplyText(L"请稍等"));
    ASSERT_EQ(g_fake.sent.size(), 1u);
    EXPECT_EQ(g_fake.sent[0].receiverId, kCustomer);
    EXPECT_NE(std::string(g_fake.sent[0].text).find(m_codePage.ToAnsi(L"请稍等")), std::string::npos);
    EXPECT_EQ(std::string(g_fake.sent[0].text).find("half typed"), std::string::npos);

    CTestPanel* watched = Open(40003, 30002);
    watched->GetInput().SetWindowText(L"kept");
    EXPECT_FALSE(watched->SendReplyText(L"请稍等"));
    CTestPanel* placeholder = Open(0);
    placeholder->EnableWindow(false);
    EXPECT_FALSE(placeholder->SendReplyText(L"请稍等"));
    EXPECT_FALSE(m_panel->SendReplyText(L""));
    EXPECT_EQ(g_fake.sent.size(), 1u);
    EXPECT_EQ(watched->GetInput().GetWindowText(), L"kept");
}

// A live message shows whatever its time says (a customer's clock may run
// behind the server's); only the history refresh skips what is not newer.
TEST_F(ChatPanelWindow, WatchedSessionCannotWriteAndShowsEveryLiveMessage) {
    CTestPanel* watched = Open(40003, 30002);
    EXPECT_FALSE(watched->IsOwnSession());
    EXPECT_FALSE(::IsWindowEnabled(watched->GetDlgItem(IDC_CHAT_INPUT)));
    EXPECT_FALSE(::IsWindowEnabled(watched->GetDlgItem(IDC_CHAT_SEND)));
    EXPECT_FALSE(::IsWindowVisible(watched->GetDlgItem(IDC_CHAT_HAND_OVER)));
    TextMsgRecord record = {};
    record.senderId = 40003;
    record.date = 20261210;
    record.time = 100000000;
    std::strcpy(record.text, "first");
    watched->ShowMessage(record, false);
    record.time = 90000000;
    std::strcpy(record.text, "older");
    watched->ShowMessage(record, false);
    ASSERT_EQ(watched->GetLog().GetEntryCount(), 2u);
    EXPECT_NE(watched->GetLog().GetEntry(0).find(L"first"), std::wstring::npos);
    EXPECT_NE(watched->GetLog().GetEntry(1).find(L"older"), std::wstring::npos);
}

}  // namespace

namespace {

bool Shown(CChatMainPanel* panel, int id) { return ::IsWindowVisible(panel->GetDlgItem(id)) != FALSE; }
bool Enabled(CChatMainPanel* panel, int id) { return ::IsWindowEnabled(panel->GetDlgItem(id)) != FALSE; }
// The hand-over buttons shown, in id order.
std::vector<int> ShownHandOverButtons(CChatMainPanel* panel) {
    std::vector<int> shown;
    for (int id = IDC_CHAT_GRAB; id <= IDC_CHAT_RELEASE_GRAB; ++id)
        if (Shown(panel, id)) shown.push_back(id);
    return shown;
}
void Press(CChatMainPanel* panel, int id) { panel->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

SwitchCustomerRecord Outcome(int32_t acting, int32_t owner, int32_t customer) {
    SwitchCustomerRecord record = {};
    record.actingAgent = acting;
    record.owningAgent = owner;
    record.customerId = customer;
    return record;
}

// The owner's side: hand over (the request goes to the main window), the
// waiting state keeps the button disabled whatever the status says, the
// handed-over state lets the owner only take back, which asks first.
TEST_F(ChatPanelWindow, OwnSessionHandsOverWaitsAndTakesBack) {
    EXPECT_EQ(ShownHandOverButtons(m_panel), std::vector<int>{IDC_CHAT_HAND_OVER});
    EXPECT_TRUE(Enabled(m_panel, IDC_CHAT_HAND_OVER));
    Press(m_panel, IDC_CHAT_HAND_OVER);
    ASSERT_FALSE(m_recorder.entries.empty());
    EXPECT_EQ(m_recorder.entries.back().msg, static_cast<UINT>(WM_SWITCH_CUSTOMER));
    EXPECT_EQ(m_recorder.entries.back().wParam, static_cast<WPARAM>(kAgent));
    EXPECT_EQ(m_recorder.entries.back().lParam, kCustomer);

    const SwitchCustomerRecord toB = Outcome(30002, kAgent, kCustomer);
    m_panel->ShowSwitchOutcome(toB, kNoticeHandOverAsked, kSessionHandOverAsked);
    EXPECT_NE(LastEntry().find(L"正在为您转接到"), std::wstring::npos) << LastEntry();
    EXPECT_EQ(ShownHandOverButtons(m_panel), std::vector<int>{IDC_CHAT_HAND_OVER});
    EXPECT_FALSE(Enabled(m_panel, IDC_CHAT_HAND_OVER));
    EXPECT_FALSE(Enabled(m_panel, IDC_CHAT_SEND_FILE));
    m_panel->SetPeerStatus(2);
    m_panel->SetPeerStatus(0);
    EXPECT_FALSE(Enabled(m_panel, IDC_CHAT_HAND_OVER)) << "a status notice let a second request out";

    m_panel->ShowSwitchOutcome(toB, 1, kSessionHandedOver);
    EXPECT_EQ(ShownHandOverButtons(m_panel), std::vector<int>{IDC_CHAT_TAKE_BACK});
    EXPECT_TRUE(Enabled(m_panel, IDC_CHAT_TAKE_BACK));
    EXPECT_FALSE(Enabled(m_panel, IDC_CHAT_INPUT));
    EXPECT_FALSE(Enabled(m_panel, IDC_CHAT_SEND));

    // Take back: No keeps everything as it was.
    m_panel->answer = IDNO;
    Press(m_panel, IDC_CHAT_TAKE_BACK);
    EXPECT_EQ(m_panel->asked, 1);
    EXPECT_EQ(m_panel->askedCaption, L"提示框");
    EXPECT_EQ(m_panel->askedText, L"回接将会导致之前的老师不能与该客户进行对话。\r\n确认回接吗？");
    EXPECT_TRUE(g_fake.confirmed.empty());
    EXPECT_EQ(m_panel->GetSessionState(), kSessionHandedOver);
    // Yes: the engine's record of the hand-over goes out with answer 3.
    g_fake.handOver = toB;
    m_panel->answer = IDYES;
    Press(m_panel, IDC_CHAT_TAKE_BACK);
    ASSERT_EQ(g_fake.confirmed.size(), 1u);
    EXPECT_EQ(g_fake.confirmed[0].second, kAnswerEnd);
    EXPECT_EQ(g_fake.confirmed[0].first.actingAgent, 30002);
    EXPECT_EQ(m_panel->GetSessionState(), kSessionEndAsked);
    EXPECT_TRUE(ShownHandOverButtons(m_panel).empty());

    m_panel->ShowSwitchOutcome(toB, 3, CHandOverRules::StateAfterResult(3));
    EXPECT_NE(LastEntry().find(L"回接客户成功"), std::wstring::npos) << LastEntry();
    EXPECT_EQ(ShownHandOverButtons(m_panel), std::vector<int>{IDC_CHAT_HAND_OVER});
    EXPECT_TRUE(Enabled(m_panel, IDC_CHAT_INPUT));
    EXPECT_TRUE(Enabled(m_panel, IDC_CHAT_SEND));
}

// The watching side: the grab button follows the customer's status; a grab
// sends {own, owner, customer} with answer 2; grabbed, the agent writes and
// may release (answer 4); a stop of a hand-over sends answer 3.
TEST_F(ChatPanelWindow, WatchedSessionGrabsReleasesAndStops) {
    constexpr int32_t kColleague = 30002;
    CTestPanel* watched = Open(40003, kColleague, STATUS_OFFLINE);
    EXPECT_EQ(ShownHandOverButtons(watched), std::vector<int>{IDC_CHAT_GRAB});
    EXPECT_FALSE(Enabled(watched, IDC_CHAT_GRAB)) << "an offline customer can be grabbed";
    watched->SetPeerStatus(0);
    EXPECT_TRUE(Enabled(watched, IDC_CHAT_GRAB));
    watched->SetPeerStatus(STATUS_OFFLINE);
    EXPECT_FALSE(Enabled(watched, IDC_CHAT_GRAB));
    watched->SetPeerStatus(1);

    Press(watched, IDC_CHAT_GRAB);
    ASSERT_EQ(g_fake.confirmed.size(), 1u);
    EXPECT_EQ(g_fake.confirmed[0].second, kAnswerGrab);
    EXPECT_EQ(g_fake.confirmed[0].first.actingAgent, kAgent);
    EXPECT_EQ(g_fake.confirmed[0].first.owningAgent, kColleague);
    EXPECT_EQ(g_fake.confirmed[0].first.customerId, 40003);

    const SwitchCustomerRecord grabbed = Outcome(kAgent, kColleague, 40003);
    watched->ShowSwitchOutcome(grabbed, 2, CHandOverRules::StateAfterResult(2));
    EXPECT_EQ(ShownHandOverButtons(watched), std::vector<int>{IDC_CHAT_RELEASE_GRAB});
    EXPECT_TRUE(Enabled(watched, IDC_CHAT_INPUT));
    EXPECT_TRUE(Enabled(watched, IDC_CHAT_SEND));
    EXPECT_TRUE(Enabled(watched, IDC_CHAT_SEND_FILE));

    // Nothing stored for the customer: the release names the own id.
    g_fake.handOver = SwitchCustomerRecord{};
    Press(watched, IDC_CHAT_RELEASE_GRAB);
    ASSERT_EQ(g_fake.confirmed.size(), 2u);
    EXPECT_EQ(g_fake.confirmed[1].second, kAnswerRelease);
    EXPECT_EQ(g_fake.confirmed[1].first.actingAgent, kAgent);
    EXPECT_EQ(g_fake.confirmed[1].first.customerId, 40003);
    EXPECT_EQ(watched->GetSessionState(), kSessionReleaseAsked);
    EXPECT_TRUE(ShownHandOverButtons(watched).empty());
    watched->ShowSwitchOutcome(grabbed, 4, CHandOverRules::StateAfterResult(4));
    EXPECT_EQ(ShownHandOverButtons(watched), std::vector<int>{IDC_CHAT_GRAB});
    EXPECT_FALSE(Enabled(watched, IDC_CHAT_INPUT));
    EXPECT_FALSE(Enabled(watched, IDC_CHAT_SEND));

    // Handed over to this agent: it talks and may stop.
    watched->ShowSwitchOutcome(grabbed, 1, CHandOverRules::StateAfterResult(1));
    EXPECT_EQ(ShownHandOverButtons(watched), std::vector<int>{IDC_CHAT_STOP_HAND_OVER});
    EXPECT_TRUE(Enabled(watched, IDC_CHAT_INPUT));
    Press(watched, IDC_CHAT_STOP_HAND_OVER);
    ASSERT_EQ(g_fake.confirmed.size(), 3u);
    EXPECT_EQ(g_fake.confirmed[2].second, kAnswerEnd);
    EXPECT_EQ(watched->GetSessionState(), kSessionEndAsked);
    // The notice of the answer is chosen by the state before it.
    watched->ShowSwitchOutcome(grabbed, 3, CHandOverRules::StateAfterResult(3));
    CChatLogEdit& log = watched->GetLog();
    ASSERT_GT(log.GetEntryCount(), 0u);
    EXPECT_NE(log.GetEntry(log.GetEntryCount() - 1).find(L"中止转接对话成功"), std::wstring::npos);
    EXPECT_EQ(watched->GetSessionState(), kSessionNormal);
}

// Closing a window whose customer this agent talks for asks, then stops
// the hand-over before the window goes.
TEST_F(ChatPanelWindow, ClosingAHandedOverCustomerStopsTheHandOver) {
    CTestPanel* watched = Open(40004, 30002);
    watched->ShowSwitchOutcome(Outcome(kAgent, 30002, 40004), 1, kSessionHandedOver);
    g_fake.handOver = Outcome(kAgent, 30002, 40004);
    watched->answer = IDYES;
    Press(watched, IDC_CHAT_CLOSE);
    EXPECT_EQ(watched->asked, 1);
    ASSERT_EQ(g_fake.confirmed.size(), 1u);
    EXPECT_EQ(g_fake.confirmed[0].second, kAnswerEnd);
    EXPECT_EQ(g_fake.confirmed[0].first.customerId, 40004);
}

}  // namespace
