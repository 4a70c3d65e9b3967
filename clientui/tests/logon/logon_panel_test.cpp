// The log-on panel as a window (template 132 from clientui/res), with a fake
// engine in g_EngineModule and the message boxes caught by a sink.
#include "clientui/ClientSettings.h"
#include "clientui/EngineModule.h"
#include "clientui/LogonPanel.h"

#include "fw/GdiPlusSession.h"
#include "fw/MessageBoxSink.h"
#include "fw/MessageLoop.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

const wchar_t kTitle[] = L"测试";

struct LogonCall {
    std::wstring account, password, server;
    int type;
    unsigned short port;
};

std::vector<LogonCall> g_logons;
int g_connected = 0;

void FakeLogon(const wchar_t* account, const wchar_t* password, int type, const wchar_t* server, unsigned short port) {
    g_logons.push_back({account, password, server, type, port});
}
int FakeConnectStatus() { return g_connected; }

struct BoxCall {
    std::wstring text, caption;
    UINT flags;
};

void Pump(DWORD ms = 30) {
    const DWORD start = ::GetTickCount();
    MSG msg;
    do {
        while (::PeekMessageW(&msg, nullptr, 0, WM_QUIT - 1, PM_REMOVE) ||
               ::PeekMessageW(&msg, nullptr, WM_QUIT + 1, 0xFFFFFFFF, PM_REMOVE))
            fw::CMessageLoop::Process(msg);
        ::Sleep(5);
    } while (::GetTickCount() - start < ms);
}

bool TakeQuit() {
    MSG msg;
    return ::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

std::wstring Text(HWND window) {
    wchar_t text[256] = {};
    ::GetWindowTextW(window, text, 256);
    return text;
}

class LogonPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {}, name[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        ::GetTempFileNameW(temp, L"lgn", 0, name);
        ::DeleteFileW(name);
        ::CreateDirectoryW(name, nullptr);
        m_folder = std::wstring(name) + L"\\";
        ::CreateDirectoryW((m_folder + L"Ini").c_str(), nullptr);
        const std::wstring users = m_folder + L"IMUsers.dll";
        ::WritePrivateProfileStringW(L"userList", L"count", L"3", users.c_str());
        ::WritePrivateProfileStringW(L"userList", L"0001", L"30002", users.c_str());
        ::WritePrivateProfileStringW(L"userList", L"0002", L"10001", users.c_str());
        ::WritePrivateProfileStringW(L"userList", L"0003", L"20001", users.c_str());
        ::WritePrivateProfileStringW(L"serverList", L"use", ScrambleServerText(L"127.0.0.9").c_str(),
                                     (m_folder + L"Ini\\IMServerInfo.ini").c_str());
        m_savedSettings = g_ClientSettings;
        g_ClientSettings = CClientSettings(m_folder);

        m_savedLogon = g_EngineModule.MLogon;
        m_savedStatus = g_EngineModule.MGetConnectStatus;
        g_EngineModule.MLogon = FakeLogon;
        g_EngineModule.MGetConnectStatus = FakeConnectStatus;
        g_logons.clear();
        g_connected = 0;
        m_savedSink = fw::SetMessageBoxSink([this](HWND, const std::wstring& text, const std::wstring& caption, UINT flags) {
            boxes.push_back({text, caption, flags});
            return answer;
        });
        m_gdiplus.Start();
    }

    void TearDown() override {
        fw::SetMessageBoxSink(m_savedSink);
        g_EngineModule.MLogon = m_savedLogon;
        g_EngineModule.MGetConnectStatus = m_savedStatus;
        g_ClientSettings = m_savedSettings;
        std::wstring from = m_folder.substr(0, m_folder.size() - 1);
        from.append(2, L'\0');
        SHFILEOPSTRUCTW op = {};
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        op.fFlags = FOF_NO_UI;
        ::SHFileOperationW(&op);
        TakeQuit();
    }

    // A modeless panel, initialised.
    void Open(CLogonPanel& panel) {
        ASSERT_TRUE(panel.Create(nullptr));
        Pump();
    }

    HWND Item(CLogonPanel& panel, int id) { return ::GetDlgItem(panel.GetHwnd(), id); }

    bool InputsEnabled(CLogonPanel& panel) {
        return ::IsWindowEnabled(Item(panel, IDC_LOGON_ACCOUNT)) && ::IsWindowEnabled(Item(panel, IDC_LOGON_PASSWORD)) &&
               ::IsWindowEnabled(Item(panel, IDC_LOGON_BUTTON));
    }
    bool InputsDisabled(CLogonPanel& panel) {
        return !::IsWindowEnabled(Item(panel, IDC_LOGON_ACCOUNT)) &&
               !::IsWindowEnabled(Item(panel, IDC_LOGON_PASSWORD)) && !::IsWindowEnabled(Item(panel, IDC_LOGON_BUTTON));
    }

    void Type(CLogonPanel& panel, const wchar_t* account, const wchar_t* password) {
        ::SetWindowTextW(Item(panel, IDC_LOGON_ACCOUNT), account);
        ::SetWindowTextW(Item(panel, IDC_LOGON_PASSWORD), password);
    }

    // Where a control lies in the panel's client area.
    RECT Placed(CLogonPanel& panel, int id) {
        RECT rc = {};
        ::GetWindowRect(Item(panel, id), &rc);
        ::MapWindowPoints(nullptr, panel.GetHwnd(), reinterpret_cast<POINT*>(&rc), 2);
        return rc;
    }

    std::vector<BoxCall> boxes;
    int answer = IDOK;

private:
    std::wstring m_folder;
    CClientSettings m_savedSettings;
    PFN_MLogon m_savedLogon = nullptr;
    PFN_MGetConnectStatus m_savedStatus = nullptr;
    fw::MessageBoxSink m_savedSink;
    fw::CGdiPlusSession m_gdiplus;
};

TEST_F(LogonPanelTest, InitialisationListsTheAccountsAndLaysOutThePanel) {
    CLogonPanel panel(kTitle);
    Open(panel);
    EXPECT_EQ(Text(panel.GetHwnd()), L"测试 登录");
    const RECT window = panel.GetWindowRect();
    EXPECT_EQ(window.right - window.left, 366);
    EXPECT_EQ(window.bottom - window.top, 268);
    EXPECT_TRUE(panel.GetStyle() & WS_CLIPCHILDREN);

    // The accounts used before, sorted by the box; the server entry read.
    HWND box = Item(panel, IDC_LOGON_ACCOUNT);
    ASSERT_EQ(::SendMessageW(box, CB_GETCOUNT, 0, 0), 3);
    const wchar_t* sorted[] = {L"10001", L"20001", L"30002"};
    for (int i = 0; i < 3; ++i) {
        wchar_t item[32] = {};
        ::SendMessageW(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
        EXPECT_STREQ(item, sorted[i]);
    }
    EXPECT_EQ(g_ClientSettings.serverEntry, L"127.0.0.9");

    const struct {
        int id, x, y, cx, cy;
    } layout[] = {
        {IDC_LOGON_ADVERT, 9, 36, 347, 99},  {IDC_LOGON_BUTTON, 253, 164, 89, 66},
        {IDC_PANEL_CLOSE, 331, 1, 29, 18},   {IDC_PANEL_MINIMIZE, 309, 1, 22, 18},
        {IDC_LOGON_ACCOUNT, 70, 160, -1, -1}, {IDC_LOGON_PASSWORD, 70, 191, -1, -1},
        {IDC_LOGON_REMEMBER, 70, 222, -1, -1},
    };
    for (const auto& l : layout) {
        const RECT rc = Placed(panel, l.id);
        EXPECT_EQ(rc.left, l.x) << l.id;
        EXPECT_EQ(rc.top, l.y) << l.id;
        if (l.cx >= 0) {
            EXPECT_EQ(rc.right - rc.left, l.cx) << l.id;
            EXPECT_EQ(rc.bottom - rc.top, l.cy) << l.id;
        }
    }
    // The account box and the password edit end before the log-on button.
    EXPECT_LT(Placed(panel, IDC_LOGON_ACCOUNT).right, 253);
    EXPECT_LT(Placed(panel, IDC_LOGON_PASSWORD).right, 253);
    EXPECT_FALSE(::IsWindowVisible(Item(panel, IDC_PANEL_MAXIMIZE)));
    panel.DestroyWindow();
}

TEST_F(LogonPanelTest, LogonTrimsTheTextsAndStartsWithTheDigestType) {
    CLogonPanel panel(kTitle);
    Open(panel);
    Type(panel, L"  10001 ", L" pw\t");
    panel.OnLogon();
    ASSERT_EQ(g_logons.size(), 1u);
    EXPECT_EQ(g_logons[0].account, L"10001");
    EXPECT_EQ(g_logons[0].password, L"pw");
    EXPECT_EQ(g_logons[0].type, 20);
    EXPECT_EQ(g_logons[0].server, L"127.0.0.9");
    EXPECT_EQ(g_logons[0].port, 7012);
    EXPECT_EQ(panel.GetLogonState(), kLogonStateStarted);
    EXPECT_TRUE(boxes.empty());
    // The inputs stay disabled until the main window enables them.
    EXPECT_TRUE(InputsDisabled(panel));
    panel.EnableInputs();
    EXPECT_TRUE(InputsEnabled(panel));
    panel.DestroyWindow();
}

TEST_F(LogonPanelTest, EmptyInputsAreRefusedWithTheirMessage) {
    const struct {
        const wchar_t* account;
        const wchar_t* password;
        const wchar_t* message;
        int focused;
    } cases[] = {
        {L"", L"pw", L"请输入有效帐号后再登录:)", IDC_LOGON_ACCOUNT},
        {L"   ", L"pw", L"请输入有效帐号后再登录:)", IDC_LOGON_ACCOUNT},
        {L"10001", L"", L"请输入有效密码后再登录:)", IDC_LOGON_PASSWORD},
        {L"10001", L"   ", L"请输入有效密码后再登录:)", IDC_LOGON_PASSWORD},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        boxes.clear();
        CLogonPanel panel(kTitle);
        Open(panel);
        ::SetForegroundWindow(panel.GetHwnd());
        Type(panel, c.account, c.password);
        panel.OnLogon();
        EXPECT_TRUE(g_logons.empty());
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.message);
        EXPECT_EQ(boxes[0].caption, kTitle);
        EXPECT_EQ(boxes[0].flags & MB_TYPEMASK, static_cast<UINT>(MB_OK));
        EXPECT_TRUE(InputsEnabled(panel));
        EXPECT_EQ(panel.GetLogonState(), kLogonStateIdle);
        HWND focus = ::GetFocus();
        HWND expected = Item(panel, c.focused);
        EXPECT_TRUE(focus == expected || ::IsChild(expected, focus));
        panel.DestroyWindow();
    }
}

TEST_F(LogonPanelTest, EnterAnywhereStartsTheLogonEvenWhileOneRunsAndEscapeDoesNothing) {
    CLogonPanel panel(kTitle);
    Open(panel);
    Type(panel, L"10001", L"pw");
    ::PostMessageW(Item(panel, IDC_LOGON_PASSWORD), WM_KEYDOWN, VK_RETURN, 0);
    Pump();
    EXPECT_EQ(g_logons.size(), 1u);
    ::PostMessageW(Item(panel, IDC_LOGON_REMEMBER), WM_KEYDOWN, VK_RETURN, 0);
    Pump();
    EXPECT_EQ(g_logons.size(), 2u) << "a second Enter logs on again";
    ::PostMessageW(panel.GetHwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
    Pump();
    EXPECT_FALSE(panel.IsEnding());
    EXPECT_TRUE(panel.IsWindowVisible());
    EXPECT_FALSE(TakeQuit());
    panel.DestroyWindow();
}

TEST_F(LogonPanelTest, CloseRequestQuitsAsksOrIsIgnored) {
    const struct {
        int connected;
        int32_t state;
        int answer;
        bool asked;
        bool quits;
    } cases[] = {
        {0, kLogonStateIdle, IDYES, false, true},
        {0, kLogonStateStarted, IDNO, true, false},
        {0, kLogonStateStarted, IDYES, true, true},
        {1, kLogonStateStarted, IDYES, false, false},
        {1, kLogonStateIdle, IDYES, false, false},
    };
    for (const auto& c : cases) {
        for (bool bySysCommand : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.connected << "/" << c.state << "/" << c.answer << "/" << bySysCommand);
            boxes.clear();
            answer = c.answer;
            g_connected = c.connected;
            CLogonPanel panel(kTitle);
            Open(panel);
            panel.SetLogonState(c.state);
            if (bySysCommand)
                panel.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
            else
                panel.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_PANEL_CLOSE, BN_CLICKED), 0);
            EXPECT_EQ(TakeQuit(), c.quits);
            ASSERT_EQ(boxes.size(), c.asked ? 1u : 0u);
            if (c.asked) {
                EXPECT_EQ(boxes[0].text, L"当前正在登录, 您确定要退出吗?");
                EXPECT_EQ(boxes[0].caption, kTitle);
                EXPECT_EQ(boxes[0].flags & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
            }
            EXPECT_TRUE(panel.IsWindow()) << "the panel itself does not close";
            panel.DestroyWindow();
        }
    }
}

// A panel that is told it is logged on as soon as it runs.
class CAnsweredPanel : public CLogonPanel {
public:
    CAnsweredPanel() : CLogonPanel(kTitle) {}

protected:
    BOOL OnInitDialog() override {
        const BOOL result = CLogonPanel::OnInitDialog();
        PostMessage(WM_IM_CONNECT, 0, 0);
        return result;
    }
};

TEST_F(LogonPanelTest, ConnectNoticeEndsTheModalPanelWithOk) {
    CAnsweredPanel panel;
    EXPECT_EQ(panel.DoModal(nullptr), IDOK);
    EXPECT_FALSE(panel.IsWindow());
}

TEST_F(LogonPanelTest, SetLogonInfoReplacesTheTexts) {
    CLogonPanel panel(kTitle);
    panel.SetLogonInfo(L"123", L"");
    EXPECT_EQ(panel.GetAccount(), L"123");
    EXPECT_EQ(panel.GetPassword(), L"");
    Open(panel);
    panel.SetLogonInfo(L"456", L"x");
    EXPECT_EQ(Text(Item(panel, IDC_LOGON_ACCOUNT)), L"456");
    EXPECT_EQ(Text(Item(panel, IDC_LOGON_PASSWORD)), L"x");
    panel.DestroyWindow();
}

TEST_F(LogonPanelTest, RememberCheckBoxIsRedOnThePanelBrush) {
    CLogonPanel panel(kTitle);
    Open(panel);
    HDC dc = ::GetDC(panel.GetHwnd());
    const LRESULT brush = panel.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                            reinterpret_cast<LPARAM>(Item(panel, IDC_LOGON_REMEMBER)));
    EXPECT_NE(brush, 0);
    EXPECT_EQ(::GetTextColor(dc), static_cast<COLORREF>(0x0000FF));
    EXPECT_EQ(::GetBkMode(dc), TRANSPARENT);
    ::ReleaseDC(panel.GetHwnd(), dc);
    panel.DestroyWindow();
}

}  // namespace
