// Quick and common replies and the settings panel of the real Tavrel.exe
// under Wine and Xvfb, against the stand-in chat server with the demo
// organisation (with-desk-server.sh starts it). The programs are driven by
// real input: clicks, double clicks and keys queued with SendInput at the
// items' screen positions. A customer is a second engine host in this
// program (the real Kestrin.dll), which sees what the agents send.
//
//   - the manager (林晓, role 1) adds a common reply on the reply page; the
//     server gets it, the reply gets its id; an agent (周宁) cannot change
//     common replies, and sees the new one after a refresh;
//   - the agent adds a quick reply and double-clicks it: the customer whose
//     conversation is open receives it;
//   - the agent switches automatic replies on in the settings panel and
//     chooses "忙碌" after log-on; while busy a customer's message is answered
//     automatically, and again after a restart; "No" to the save question
//     leaves the settings file unchanged, also after the program has exited.
//
// Pictures of the reply page and the settings panel are saved when asked
// (QV_REPLY_SHOT, QV_SETTINGS_SHOT).
#include "DeskServerControl.h"
#include "DisplayTitle.h"
#include "clientui/InstanceControl.h"
#include "RealInput.h"
#include "ScreenPicture.h"
#include "TavrelDriver.h"
#include "QuickReplyResource.h"
#include "chat/ChatMainPanelResource.h"
#include "main/TavrelMainPanel.h"
#include "view/ChatViewResource.h"

#include "EngineTestHost.h"

#include "clientui/ClientSettings.h"
#include "clientui/EngineModule.h"
#include "clientui/SystemSettingPanelResource.h"

#include <ImEngineApi.h>

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace tavreltest;

namespace {

constexpr DWORD kWindowWaitMs = 30000;
constexpr DWORD kStepWaitMs = 10000;
constexpr DWORD kExitWaitMs = 20000;
const std::wstring kTitle = kDeskDisplayTitle;

constexpr int32_t kManager = 50001;
constexpr int32_t kAgent = 50002;
// 陈静 (50003) has no customers, and her second log-on brings no own
// friend list (so the logged-on steps never run); 周宁 has customers.
constexpr int32_t kAgentBusy = 50002;
constexpr int32_t kCustomer = 60004;  // 周宁's customer
constexpr int32_t kOtherCustomer = 60006;  // 周宁's other customer

const UINT WM_TRAY_QUERY = ::RegisterWindowMessageW(kTrayQueryMessageName);

std::wstring ServerAddress() {
    const char* value = std::getenv("QV_DESK_SERVER");
    std::wstring address;
    for (const char* p = value ? value : ""; *p; ++p) address += static_cast<wchar_t>(*p);
    return address;
}

std::wstring ExeFolder() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

// A picture path from the environment (a Unix path); empty when not asked.
std::wstring ShotPath(const char* name) {
    const char* shot = std::getenv(name);
    if (!shot || !*shot) return std::wstring();
    std::wstring path = L"Z:";
    for (const char* p = shot; *p; ++p) path += static_cast<wchar_t>(*p == '/' ? '\\' : *p);
    return path;
}

LRESULT SendTo(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(window, msg, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

std::string ReadBytes(const std::wstring& path) {
    HANDLE f = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return std::string();
    std::string bytes(::GetFileSize(f, nullptr), '\0');
    DWORD n = 0;
    if (!bytes.empty()) ::ReadFile(f, &bytes[0], static_cast<DWORD>(bytes.size()), &n, nullptr);
    ::CloseHandle(f);
    return bytes;
}

std::wstring Profile(const std::wstring& file, const wchar_t* key) {
    wchar_t value[512] = {};
    ::GetPrivateProfileStringW(L"systemSetting", key, L"", value, 512, file.c_str());
    return value;
}

std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 3 + 1, '\0');
    out.resize(::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0],
                                     static_cast<int>(out.size()), nullptr, nullptr));
    return out;
}

std::wstring FromAnsi(const char* text) {
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 1) return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text, -1, &out[0], n);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

std::string ToAnsi(const std::wstring& text) {
    const int n = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

struct ControlSearch {
    int id;
    std::wstring className;
    HWND found;
};

BOOL CALLBACK MatchControl(HWND child, LPARAM param) {
    auto* search = reinterpret_cast<ControlSearch*>(param);
    if (::GetDlgCtrlID(child) != search->id || ::lstrcmpiW(ClassName(child).c_str(), search->className.c_str()) != 0)
        return TRUE;
    search->found = child;
    return FALSE;
}

HWND FindControl(HWND top, int id, const std::wstring& className) {
    ControlSearch search = {id, className, nullptr};
    ::EnumChildWindows(top, MatchControl, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK CollectLogs(HWND child, LPARAM param) {
    if (::GetDlgCtrlID(child) == IDC_CHAT_LOG && ::IsWindowEnabled(::GetParent(child)))
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
    return TRUE;
}

// Whether an open conversation (the placeholder is disabled) shows text.
bool ConversationShows(HWND main, const std::wstring& text) {
    std::vector<HWND> logs;
    ::EnumChildWindows(main, CollectLogs, reinterpret_cast<LPARAM>(&logs));
    for (HWND log : logs)
        if (WindowText(log).find(text) != std::wstring::npos) return true;
    return false;
}

BOOL CALLBACK FindShownMenu(HWND window, LPARAM param) {
    if (ClassName(window) == L"#32768" && ::IsWindowVisible(window)) {
        *reinterpret_cast<bool*>(param) = true;
        return FALSE;
    }
    return TRUE;
}

// Whether a pop-up menu shows (a visible menu window; hidden ones may stay).
bool MenuShown() {
    bool shown = false;
    ::EnumWindows(FindShownMenu, reinterpret_cast<LPARAM>(&shown));
    return shown;
}

// The open conversation window (the placeholder is disabled); null when
// none or more than one.
HWND OpenConversation(HWND main) {
    std::vector<HWND> logs;
    ::EnumChildWindows(main, CollectLogs, reinterpret_cast<LPARAM>(&logs));
    return logs.size() == 1 ? ::GetParent(logs[0]) : nullptr;
}

// A customer logged on through a second engine host: what it receives from
// the agents, and messages it sends.
class CCustomer {
public:
    explicit CCustomer(int32_t id) : m_id(id) {}
    ~CCustomer() {
        if (m_loggedOn && m_engine.MLogonOut) m_engine.MLogonOut(1);
        m_host.Pump(200);
        m_engine.Unload();
    }

    bool LogOn(const std::wstring& binFolder) {
        if (!m_engine.Load(kDeskEngineBinding, binFolder)) return false;
        m_engine.MInitModule(m_host.Window());
        const std::wstring account = std::to_wstring(m_id);
        m_engine.MLogon(account.c_str(), L"demo", LOGON_TYPE_PASSWORD, ServerAddress().c_str(), kChatServerPort);
        m_loggedOn = m_host.WaitFor(WM_IM_LOGON, 1, kWindowWaitMs) >= 0;
        return m_loggedOn;
    }

    void Send(int32_t to, const std::string& ansiText) {
        TextMsgRecord record = {};
        SYSTEMTIME now = {};
        ::GetLocalTime(&now);
        record.type = 0;
        record.date = now.wYear * 10000 + now.wMonth * 100 + now.wDay;
        record.time = now.wHour * 10000000 + now.wMinute * 100000 + now.wSecond * 1000 + now.wMilliseconds;
        record.senderId = m_id;
        record.receiverId = to;
        std::strncpy(record.text, ansiText.c_str(), sizeof record.text - 1);
        m_engine.MSendTextMsg(&record);
    }

    // Keeps the host's messages flowing while waiting (the engine's receive
    // thread waits for the notifications it sends).
    bool Wait(const std::function<bool()>& ready, DWORD ms) { return m_host.PumpUntil(ready, ms); }
    void Pump(DWORD ms) { m_host.Pump(ms); }

    // The texts received from a peer so far (taken from the engine's queue).
    const std::vector<std::wstring>& From(int32_t peer) {
        if (m_engine.MGetUnreadMsg) {
            while (TextMsgQueue* queue = m_engine.MGetUnreadMsg(peer)) {
                if (queue->empty()) break;
                const TextMsgRecord record = queue->front();
                m_engine.MPopFrontTextMsg(peer);
                m_received[peer].push_back(FromAnsi(record.text));
            }
        }
        return m_received[peer];
    }
    // Waits for a text from peer that holds needle.
    bool WaitForText(int32_t peer, const std::wstring& needle, DWORD ms) {
        return Wait(
            [&] {
                for (const std::wstring& text : From(peer))
                    if (text.find(needle) != std::wstring::npos) return true;
                return false;
            },
            ms);
    }
    size_t CountWith(int32_t peer, const std::wstring& needle) {
        size_t n = 0;
        for (const std::wstring& text : From(peer)) n += text.find(needle) != std::wstring::npos ? 1 : 0;
        return n;
    }

private:
    int32_t m_id;
    CEngineModule m_engine;
    EngineTestHost m_host;
    bool m_loggedOn = false;
    std::map<int32_t, std::vector<std::wstring>> m_received;
};

class RepliesE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ServerAddress().empty()) << "run through with-desk-server.sh";
        app = WindowsPathFromEnv("QV_DESK_APP");
        ::CreateDirectoryW((app + L"Ini").c_str(), nullptr);
        ::WritePrivateProfileStringW(L"serverList", L"use", ScrambleServerText(ServerAddress()).c_str(),
                                     (app + L"Ini\\IMServerInfo.ini").c_str());
        ASSERT_TRUE(control.Connected());
        ASSERT_EQ(control.Command("CLEAR"), "OK");
    }

    std::wstring SettingsFile(int32_t account) const {
        return app + std::to_wstring(account) + L"\\systemSetting.dll";
    }
    void WriteSetting(int32_t account, const wchar_t* key, const wchar_t* value) {
        ::CreateDirectoryW((app + std::to_wstring(account)).c_str(), nullptr);
        ::WritePrivateProfileStringW(L"systemSetting", key, value, SettingsFile(account).c_str());
    }

    // Waits until ready, keeping the customer's host (when there is one)
    // going.
    bool WaitFor(const std::function<bool()>& ready, DWORD ms = kStepWaitMs) {
        if (customer) return customer->Wait(ready, ms);
        return WaitUntil(ready, ms, 50);
    }
    void Settle(DWORD ms) {
        if (customer)
            customer->Pump(ms);
        else
            ::Sleep(ms);
    }

    static HWND FindMainWindow(const CTavrelProcess& process, const std::wstring& caption) {
        for (HWND window : process.Windows(false))
            if (WindowText(window) == caption) return window;
        return nullptr;
    }

    // Starts the program for the account and waits for its logged-on main
    // window, shown (as from its tray icon).
    HWND StartAgent(CTavrelProcess& process, int32_t account, const std::wstring& name) {
        if (!process.Start(app, L"run " + std::to_wstring(account))) return nullptr;
        const std::wstring caption = kTitle + L" - " + std::to_wstring(account) + L" - " + name + L" ";
        HWND main = nullptr;
        WaitFor([&] { return (main = FindMainWindow(process, caption)) != nullptr; }, kWindowWaitMs);
        if (!main) return nullptr;
        SendTo(main, WM_INSTANCE_CONTROL, 1, 0);
        HWND tree = FindControl(main, IDC_QUICKREPLY_TREE, WC_TREEVIEWW);
        // Logged on: the tray is up and the common replies have arrived.
        WaitFor([&] { return SendTo(main, WM_TRAY_QUERY, 1, 0) >= 0 && tree &&
                             TreeChildCount(tree, CommonRoot(tree)) >= 3; },
                kWindowWaitMs);
        return main;
    }

    void Exit(CTavrelProcess& process, HWND main) {
        EXPECT_EQ(SendTo(main, WM_INSTANCE_CONTROL, 0, 0), 1);
        EXPECT_TRUE(WaitFor([&] { return !process.IsRunning(); }, kExitWaitMs));
    }

    static HTREEITEM OwnRoot(HWND tree) { return TreeRoot(tree); }
    static HTREEITEM CommonRoot(HWND tree) { return TreeNext(tree, TreeRoot(tree)); }

    // Brings a top-level window to the front and waits until it is the
    // window in front and the one under the point, so that a click there
    // reaches it.
    bool Front(HWND top, POINT at) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            BringToFront(top);
            if (WaitFor(
                    [&] {
                        return ::GetForegroundWindow() == top && ::GetAncestor(::WindowFromPoint(at), GA_ROOT) == top;
                    },
                    3000))
                return true;
        }
        return false;
    }
    // The pointer comes over the point first, as a hand would move it (a
    // press without a move onto a window may not reach it), then clicks.
    void ClickIn(HWND top, POINT at) {
        EXPECT_TRUE(Front(top, at)) << "another window lies over the point";
        MoveTo(POINT{at.x + 40, at.y + 25});
        Settle(50);
        MoveTo(at);
        Settle(50);
        Click(at);
    }

    // Clicks an item of the tree (its text) in a main window brought to the
    // front, and waits until it is selected.
    bool ClickItem(HWND main, HWND tree, HTREEITEM item) {
        POINT at = {};
        if (!TreeItemPoint(tree, item, &at)) return false;
        ClickIn(main, at);
        if (WaitFor([&] { return TreeSelection(tree) == item; }, 3000)) return true;
        ShootScreen("tree_click");
        return false;
    }

    void ClickControl(HWND top, HWND control) { ClickIn(top, CentreOf(control)); }

    // The process's visible top-level window with this caption.
    HWND WaitForWindow(const CTavrelProcess& process, const std::wstring& caption, const std::wstring& className = L"") {
        HWND found = nullptr;
        WaitFor([&] {
            for (HWND window : process.Windows())
                if (WindowText(window) == caption && (className.empty() || ClassName(window) == className))
                    return (found = window) != nullptr;
            return false;
        });
        return found;
    }

    // The screen as it is, for a step that did not come about.
    static void ShootScreen(const char* step) {
        const std::wstring folder = ExeFolder();
        RECT screen = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
        std::wstring name;
        for (const char* p = step; *p; ++p) name += static_cast<wchar_t>(*p);
        testpicture::SaveScreenArea(screen, folder + L"replies_e2e_" + name + L".bmp");
    }

    // Types into the reply editor that the add button opened, and accepts.
    ::testing::AssertionResult EditReply(const CTavrelProcess& process, const std::wstring& title,
                                         const std::wstring& text) {
        HWND editor = WaitForWindow(process, title);
        if (!editor) return ShootScreen("no_editor"), ::testing::AssertionFailure() << "no editor " << Utf8(title);
        HWND edit = ::GetDlgItem(editor, IDC_EDITREPLY_TEXT);
        if (!Front(editor, CentreOf(edit)))
            return ShootScreen("editor_behind"), ::testing::AssertionFailure() << "the editor is not in front";
        Click(CentreOf(edit));
        Settle(100);
        TypeText(text);
        if (!WaitFor([&] { return WindowText(edit) == text; }))
            return ShootScreen("editor_text"), ::testing::AssertionFailure() << "typed " << Utf8(WindowText(edit));
        Click(CentreOf(::GetDlgItem(editor, IDOK)));
        if (!WaitFor([&] { return !::IsWindow(editor); }))
            return ShootScreen("editor_stays"), ::testing::AssertionFailure() << "the editor stayed";
        return ::testing::AssertionSuccess();
    }

    // Opens the settings panel from the status menu of the chat view:
    // "系统设置..." is the fifth item (after the four statuses).
    HWND OpenSettings(const CTavrelProcess& process, HWND main) {
        ChooseFromStatusMenu(main, 5);
        HWND panel = WaitForWindow(process, L"系统设置");
        if (!panel) ShootScreen("no_settings");
        return panel;
    }
    void ChooseFromStatusMenu(HWND main, int downs) {
        HWND upperTabs = FindControl(main, IDC_CHAT_UPPER_TABS, WC_TABCONTROLW);
        HWND view = ::GetParent(upperTabs);
        POINT status = {40, 15};  // the status area at the top left of the chat view
        ::ClientToScreen(view, &status);
        // A press right where the last menu was opened may not open the
        // next one (as if it ended that menu): the pointer leaves first.
        MoveTo(POINT{status.x + 300, status.y + 200});
        Settle(300);
        ClickIn(main, status);
        // The menu is the process's pop-up menu window.
        if (!WaitFor(MenuShown)) ShootScreen("no_status_menu");
        Settle(100);
        for (int i = 0; i < downs; ++i) PressKey(VK_DOWN);
        PressKey(VK_RETURN);
    }

    int TrayIcon(HWND main) { return static_cast<int>(SendTo(main, WM_TRAY_QUERY, 1, 0)); }

    std::wstring app;
    CDeskServerControl control;
    std::unique_ptr<CCustomer> customer;
};

TEST_F(RepliesE2E, ManagerAddsACommonReplyAgentsSeeItAndAQuickReplyIsSentByADoubleClick) {
    customer = std::make_unique<CCustomer>(kCustomer);
    ASSERT_TRUE(customer->LogOn(ExeFolder() + L"..\\bin\\"));
    // The agent's conversation opens by itself when the customer writes.
    WriteSetting(kAgent, L"bPopUp", L"1");

    CTavrelProcess manager;
    HWND managerMain = StartAgent(manager, kManager, L"林晓");
    ASSERT_NE(managerMain, nullptr);
    CTavrelProcess agent;
    HWND agentMain = StartAgent(agent, kAgent, L"周宁");
    ASSERT_NE(agentMain, nullptr);

    // --- the manager adds a common reply ----------------------------------
    HWND tree = FindControl(managerMain, IDC_QUICKREPLY_TREE, WC_TREEVIEWW);
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(TreeItemText(tree, OwnRoot(tree)), L"我的回复");
    EXPECT_EQ(TreeItemText(tree, CommonRoot(tree)), L"共用回复(由管理员统一设置)");
    ASSERT_EQ(TreeChildCount(tree, CommonRoot(tree)), 3);
    ASSERT_TRUE(ClickItem(managerMain, tree, CommonRoot(tree)));
    HWND add = FindControl(managerMain, IDC_QUICKREPLY_ADD, L"Button");
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowEnabled(add) != FALSE; })) << "role 1 may add common replies";
    ClickControl(managerMain, add);
    const std::wstring common = L"请稍等，马上为您查询";
    ASSERT_TRUE(EditReply(manager, L"新增公共回复", common));
    ASSERT_TRUE(WaitFor([&] { return TreeChildCount(tree, CommonRoot(tree)) == 4; }));
    HTREEITEM added = TreeChildAt(tree, CommonRoot(tree), 3);
    EXPECT_EQ(TreeItemText(tree, added), common);
    // The server has it (operation 0, id 0, the fourth place, GBK text) and
    // its answer gave the reply its id.
    bool sent = WaitFor([&] {
        for (const ServerPacket& p : control.PacketsOf(CMD_SET_COMM_REPLY)) {
            if (p.body.size() < 16) continue;
            int32_t words[4];
            std::memcpy(words, p.body.data(), sizeof words);
            const std::string text(reinterpret_cast<const char*>(p.body.data()) + 16);
            if (words[0] == COMMREPLY_OP_SET && words[1] == 0 && words[2] == 3 && text == ToAnsi(common)) return true;
        }
        return false;
    });
    EXPECT_TRUE(sent) << "the server did not get the new common reply";
    EXPECT_TRUE(WaitFor([&] { return TreeItemData(tree, added) == 4; })) << "no id for the new reply";

    // --- an agent cannot change it, and sees it after a refresh ------------
    HWND agentTree = FindControl(agentMain, IDC_QUICKREPLY_TREE, WC_TREEVIEWW);
    ASSERT_NE(agentTree, nullptr);
    ASSERT_EQ(TreeChildCount(agentTree, CommonRoot(agentTree)), 3);
    HWND agentAdd = FindControl(agentMain, IDC_QUICKREPLY_ADD, L"Button");
    ASSERT_TRUE(ClickItem(agentMain, agentTree, TreeChildAt(agentTree, CommonRoot(agentTree), 1)));
    Settle(200);
    EXPECT_FALSE(::IsWindowEnabled(agentAdd)) << "role 7 may not add common replies";
    EXPECT_FALSE(::IsWindowEnabled(FindControl(agentMain, IDC_QUICKREPLY_DELETE, L"Button")));
    ClickControl(agentMain, FindControl(agentMain, IDC_QUICKREPLY_REFRESH, L"Button"));
    ASSERT_TRUE(WaitFor([&] { return TreeChildCount(agentTree, CommonRoot(agentTree)) == 4; }))
        << "the refresh did not bring the new reply";
    EXPECT_EQ(TreeItemText(agentTree, TreeChildAt(agentTree, CommonRoot(agentTree), 3)), common);

    // --- the agent adds a quick reply and sends it with a double click -----
    customer->Send(kAgent, "hello from the customer");
    ASSERT_TRUE(WaitFor([&] { return ConversationShows(agentMain, L"hello from the customer"); }, kWindowWaitMs))
        << "the customer's conversation did not open";

    ASSERT_TRUE(ClickItem(agentMain, agentTree, OwnRoot(agentTree)));
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowEnabled(agentAdd) != FALSE; })) << "own replies may be added";
    ClickControl(agentMain, agentAdd);
    const std::wstring quick = L"马上为您处理";
    ASSERT_TRUE(EditReply(agent, L"新增快捷回复", quick));
    ASSERT_TRUE(WaitFor([&] { return TreeChildCount(agentTree, OwnRoot(agentTree)) == 4; }));
    HTREEITEM mine = TreeChildAt(agentTree, OwnRoot(agentTree), 3);
    EXPECT_EQ(TreeItemText(agentTree, mine), quick);
    // The own list reached the settings file at once.
    EXPECT_EQ(Profile(SettingsFile(kAgent), L"iQuickReplyCount"), L"4");
    EXPECT_EQ(Profile(SettingsFile(kAgent), L"quickReply4"), quick);

    const std::wstring shot = ShotPath("QV_REPLY_SHOT");
    if (!shot.empty()) {
        ASSERT_TRUE(ClickItem(agentMain, agentTree, mine));
        Settle(700);
        EXPECT_TRUE(testpicture::SaveWindowPicture(agentMain, shot));
    }

    // The conversation's history button brings the history tab to the
    // front; its quick-reply menu (Send with an empty input) leads back to
    // the reply page through its last item, "快捷回复菜单设置...".
    HWND page = ::GetParent(agentTree);
    HWND conversation = OpenConversation(agentMain);
    ASSERT_NE(conversation, nullptr);
    ClickControl(agentMain, ::GetDlgItem(conversation, IDC_CHAT_HISTORY));
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(page); })) << "the history tab did not come";
    ClickControl(agentMain, ::GetDlgItem(conversation, IDC_CHAT_SEND));
    ASSERT_TRUE(WaitFor(MenuShown)) << "no quick-reply menu";
    PressKey(VK_UP);
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(page) != FALSE; })) << "the reply page did not come back";

    POINT at = {};
    ASSERT_TRUE(TreeItemPoint(agentTree, mine, &at));
    ASSERT_TRUE(Front(agentMain, at));
    DoubleClick(at);
    EXPECT_TRUE(customer->WaitForText(kAgent, quick, kWindowWaitMs)) << "the customer did not receive the reply";

    Exit(agent, agentMain);
    Exit(manager, managerMain);
}

TEST_F(RepliesE2E, AutomaticRepliesSwitchedOnInTheSettingsAnswerWhileBusyAndStayOnNoKeepsTheFile) {
    customer = std::make_unique<CCustomer>(kOtherCustomer);
    ASSERT_TRUE(customer->LogOn(ExeFolder() + L"..\\bin\\"));
    const std::wstring file = SettingsFile(kAgentBusy);
    ::DeleteFileW(file.c_str());

    CTavrelProcess process;
    HWND main = StartAgent(process, kAgentBusy, L"周宁");
    ASSERT_NE(main, nullptr);

    // --- automatic replies on, "忙碌" after log-on, OK ---------------------
    HWND panel = OpenSettings(process, main);
    ASSERT_NE(panel, nullptr) << "the settings panel did not open";
    HWND off = ::GetDlgItem(panel, IDC_SETTING_AUTOREPLY_OFF);
    HWND on = ::GetDlgItem(panel, IDC_SETTING_AUTOREPLY_ON);
    ASSERT_TRUE(::IsWindowVisible(off));
    ClickControl(panel, off);
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(on) && !::IsWindowVisible(off); }));
    HWND combo = ::GetDlgItem(panel, IDC_SETTING_STATE);
    EXPECT_EQ(SendTo(combo, CB_GETCURSEL, 0, 0), 0);
    ClickControl(panel, combo);
    Settle(300);
    PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return SendTo(combo, CB_GETCURSEL, 0, 0) == 1; })) << "busy was not chosen";
    EXPECT_TRUE(WaitFor([&] { return SendTo(combo, CB_GETDROPPEDSTATE, 0, 0) == 0; })) << "Enter left the list open";

    const std::wstring shot = ShotPath("QV_SETTINGS_SHOT");
    if (!shot.empty()) {
        BringToFront(panel);
        Settle(700);
        EXPECT_TRUE(testpicture::SaveWindowPicture(panel, shot));
    }

    ClickControl(panel, ::GetDlgItem(panel, IDC_SETTING_OK));
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(panel); })) << "OK did not close the panel";
    EXPECT_EQ(Profile(file, L"bAutoReply"), L"1");
    EXPECT_EQ(Profile(file, L"iState"), L"1");

    // --- busy now: a customer's message is answered -------------------------
    ChooseFromStatusMenu(main, 2);
    ASSERT_TRUE(WaitFor([&] { return TrayIcon(main) == STATUS_BUSY; }, kWindowWaitMs)) << "not busy";
    const std::wstring firstReply = L"[自动回复] " + CClientSettings::DefaultReplies()[0];
    customer->Send(kAgentBusy, "are you there?");
    EXPECT_TRUE(customer->WaitForText(kAgentBusy, firstReply, kWindowWaitMs)) << "no automatic reply";

    // --- "No" to the save question leaves the file as it is ----------------
    const std::string saved = ReadBytes(file);
    ASSERT_FALSE(saved.empty());
    panel = OpenSettings(process, main);
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(panel, IDC_SETTING_AUTOREPLY_ON))) << "the panel shows what was saved";
    HWND popUpOff = ::GetDlgItem(panel, IDC_SETTING_POPUP_OFF);
    ClickControl(panel, popUpOff);
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(::GetDlgItem(panel, IDC_SETTING_POPUP_ON)) != FALSE; }));
    ClickControl(panel, ::GetDlgItem(panel, IDC_SETTING_CANCEL));
    HWND question = WaitForWindow(process, L"提示", L"#32770");
    ASSERT_NE(question, nullptr) << "no save question";
    EXPECT_NE(MessageBoxText(question).find(L"是否保存刚才的设置？"), std::wstring::npos);
    ClickControl(question, ::GetDlgItem(question, IDNO));
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(panel); })) << "the panel stayed";
    EXPECT_EQ(ReadBytes(file), saved);
    EXPECT_EQ(Profile(file, L"bPopUp"), L"0");

    Exit(process, main);
    EXPECT_EQ(ReadBytes(file), saved) << "the exit wrote the discarded change";

    // --- after a restart: busy by itself, and still answering --------------
    CTavrelProcess again;
    main = StartAgent(again, kAgentBusy, L"周宁");
    ASSERT_NE(main, nullptr);
    if (!WaitFor([&] { return TrayIcon(main) == STATUS_BUSY; }, kWindowWaitMs)) ShootScreen("not_busy");
    ASSERT_EQ(TrayIcon(main), STATUS_BUSY) << "not busy after log-on: tray " << TrayIcon(main) << ", status packets "
        << control.PacketsOf(CMD_CHANGE_STATUS).size();
    const size_t before = customer->CountWith(kAgentBusy, firstReply);
    customer->Send(kAgentBusy, "still there?");
    EXPECT_TRUE(customer->Wait([&] { return customer->CountWith(kAgentBusy, firstReply) > before; }, kWindowWaitMs))
        << "no automatic reply after the restart";
    Exit(again, main);
}

}  // namespace
