// Two real IM.exe under Wine and Xvfb against the stand-in chat and file
// servers (with-desk-server.sh --fileserver, data of tests/data), driven as
// their users drive them: clicks and keys as real input at the controls'
// places on the screen, the tray icon of the desktop's tray window double
// clicked. What the programs show is read from their windows (texts of the
// chat logs, window captions) and, for what they paint or hold themselves
// (tray icon, tree rows, tip bar, pictures in a log, the transfer pane),
// through their state query; what they sent is read from the server's
// record; a transferred file is compared byte for byte.
//
// A is 小明 (12345), B is 张三 (12346); both start logged on by themselves
// with their main windows hidden. The cases run in order on the same two
// programs.
#include "DeskServerControl.h"
#include "IMTestDriver.h"
#include "RealInput.h"
#include "TavrelDriver.h"

#include "IMResource.h"
#include "IMStateQuery.h"

#include "clientui/ClientSettings.h"
#include "clientui/InstanceControl.h"

#include <ImEngineApi.h>

#include "../../clientui/tests/ScreenPicture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace imtest;
using namespace tavreltest;

namespace {

constexpr DWORD kWaitMs = 30000;
constexpr int kA = 12345;
constexpr int kB = 12346;

// --- what the programs show -------------------------------------------------

std::wstring LogText(HWND chat) { return WindowText(::GetDlgItem(chat, IDC_IM_CHAT_LOG)); }

size_t Count(const std::wstring& text, const std::wstring& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

// Clicks into the input and types: the input has the keyboard now.
void TypeIntoInput(HWND chat, const std::wstring& text) {
    OnTop(chat);
    ClickControl(chat, IDC_IM_CHAT_INPUT);
    TypeText(text);
}

std::string ReadFile(const std::wstring& path) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string bytes;
    char chunk[65536];
    DWORD got = 0;
    while (::ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got) bytes.append(chunk, got);
    ::CloseHandle(file);
    return bytes;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data = {};
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(data.cFileName);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

// --- the desktop's tray window ----------------------------------------------

HWND TrayWindow() {
    HWND tray = ::FindWindowW(nullptr, L"Wine System Tray");
    return tray ? tray : ::FindWindowW(L"Shell_TrayWnd", nullptr);
}

// One row of pixels through the middle of the tray window's icons.
std::vector<COLORREF> TrayRow(HWND tray) {
    RECT client = {};
    ::GetClientRect(tray, &client);
    POINT origin = {0, 0};
    ::ClientToScreen(tray, &origin);
    std::vector<COLORREF> row;
    HDC screen = ::GetDC(nullptr);
    for (int x = 0; x < client.right; ++x) row.push_back(::GetPixel(screen, origin.x + x, origin.y + client.bottom / 2));
    ::ReleaseDC(nullptr, screen);
    return row;
}

// The middle of the icon that changes its picture (the one blinking for an
// unread message), in screen coordinates; {-1, -1} when none blinks.
POINT BlinkingTrayIcon(HWND tray) {
    const std::vector<COLORREF> first = TrayRow(tray);
    int left = -1, right = -1;
    const DWORD end = ::GetTickCount() + 3000;
    while (left < 0 && static_cast<int>(end - ::GetTickCount()) > 0) {
        ::Sleep(100);
        const std::vector<COLORREF> now = TrayRow(tray);
        for (size_t x = 0; x < first.size() && x < now.size(); ++x) {
            if (first[x] == now[x]) continue;
            if (left < 0) left = static_cast<int>(x);
            right = static_cast<int>(x);
        }
    }
    if (left < 0) return POINT{-1, -1};
    RECT client = {};
    ::GetClientRect(tray, &client);
    POINT at = {(left + right) / 2, client.bottom / 2};
    ::ClientToScreen(tray, &at);
    return at;
}

// --- the suite: two programs for all cases -------------------------------------

struct Programs {
    CDeskServerControl server;
    CTavrelProcess a;
    CTavrelProcess b;
    HWND mainA = nullptr;
    HWND mainB = nullptr;
    HWND chatA = nullptr;  // A's chat with 张三
    HWND chatB = nullptr;  // B's chat with 小明
};
Programs* s = nullptr;

class IMChatEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s = new Programs();
        if (AppFolder().empty() || !s->server.Connected()) return;
        PrepareAppFolder({kA, kB});
        // B first: its tray icon and main window are the first ones.
        if (s->b.Start(AppFolder(), L"x 12346", L"IM.exe")) s->mainB = WaitForLogon(s->b);
        if (s->a.Start(AppFolder(), L"x 12345", L"IM.exe")) s->mainA = WaitForLogon(s->a);
    }
    static void TearDownTestSuite() {
        for (HWND main : {s->mainA, s->mainB})
            if (main) ::PostMessageW(main, WM_INSTANCE_CONTROL, 0, 0);
        s->a.WaitForExit(kWaitMs);
        s->b.WaitForExit(kWaitMs);
        delete s;
        s = nullptr;
    }
    void SetUp() override {
        ASSERT_FALSE(AppFolder().empty()) << "run through with-desk-server.sh";
        ASSERT_TRUE(s->server.Connected());
        ASSERT_NE(s->mainA, nullptr) << "A logged on";
        ASSERT_NE(s->mainB, nullptr) << "B logged on";
    }

    // Opens A's chat with 张三 through A's search box, as its user does.
    static HWND OpenChatOfA() {
        if (s->chatA && ::IsWindow(s->chatA)) return s->chatA;
        OnTop(s->mainA);
        Click(SearchBoxPoint(s->mainA));
        TypeText(L"zs");
        ::Sleep(300);
        PressKey(VK_RETURN);
        s->chatA = s->a.WaitForWindow(L"与 张三 交流中", kWaitMs);
        // A's chat on the left, B's on the right, apart.
        if (s->chatA) ::SetWindowPos(s->chatA, nullptr, 0, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return s->chatA;
    }
};

// A writes to B with pop-up off: B's tray icon blinks; a double click on it
// opens B's chat with the message, and the blinking stops. A's own message
// shows in A's log once the server has delivered it.
TEST_F(IMChatEndToEnd, AMessageMakesTheTrayBlinkAndADoubleClickOpensIt) {
    // Another program opens A's main window (the instance-control message).
    ::SendMessageTimeoutW(s->mainA, WM_INSTANCE_CONTROL, 1, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    ASSERT_TRUE(WaitUntil([] { return ::IsWindowVisible(s->mainA) != FALSE; }, kWaitMs));
    HWND chat = OpenChatOfA();
    ASSERT_NE(chat, nullptr) << "the search's Enter opened the chat";
    EXPECT_TRUE(WaitUntil([&] { return QueryText(s->mainA, kQueryTreeGroups).find(L"我的好友 [1/3]") == 0; },
                          kWaitMs))
        << Narrow(QueryText(s->mainA, kQueryTreeGroups));

    TypeIntoInput(chat, L"你好，张三");
    PressKey(VK_RETURN);
    EXPECT_TRUE(WaitUntil([&] { return LogText(chat).find(L"小明 ") == 0; }, kWaitMs)) << "delivered, shown";
    EXPECT_NE(LogText(chat).find(L"你好，张三"), std::wstring::npos);
    EXPECT_EQ(WindowText(::GetDlgItem(chat, IDC_IM_CHAT_INPUT)), L"") << "the input was emptied";

    // B: nothing opens; the tray blinks with a tip that names the sender.
    EXPECT_TRUE(WaitUntil([] { return QueryText(s->mainB, kQueryTrayTip) == L"IM: 张三\r\n来自 12345 的未读消息"; },
                          kWaitMs))
        << Narrow(QueryText(s->mainB, kQueryTrayTip));
    EXPECT_EQ(s->b.FindWindowByPrefix(L"与 "), nullptr);
    HWND tray = TrayWindow();
    ASSERT_NE(tray, nullptr) << "the desktop's tray window";
    OnTop(tray);
    const POINT icon = BlinkingTrayIcon(tray);
    RECT trayRect = {};
    ::GetWindowRect(tray, &trayRect);
    ASSERT_GE(icon.x, 0) << "an icon of the tray blinks; tray " << trayRect.left << "," << trayRect.top << " "
                         << trayRect.right << "," << trayRect.bottom;
    DoubleClick(icon);
    s->chatB = s->b.WaitForWindow(L"与 小明 交流中", kWaitMs);
    ASSERT_NE(s->chatB, nullptr) << "the double click opened B's chat";
    ::SetWindowPos(s->chatB, nullptr, 600, 520, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(WaitUntil([] { return LogText(s->chatB).find(L"你好，张三") != std::wstring::npos; }, kWaitMs))
        << Narrow(LogText(s->chatB));
    EXPECT_EQ(LogText(s->chatB).find(L"小明 "), 0u) << "the sender's name heads it";
    EXPECT_TRUE(WaitUntil([] { return QueryValue(s->mainB, kQueryTrayIcon) == STATUS_ONLINE; }, kWaitMs))
        << "the tray stopped blinking";

    // A click on the peer's name in the header opens the peer's profile.
    OnTop(s->chatB);
    Click(WindowPoint(s->chatB, 67 + 6, 28 + 13));
    HWND profile = s->b.WaitForWindow(L"小明的资料", kWaitMs);
    ASSERT_NE(profile, nullptr) << "the profile panel";
    ::PostMessageW(profile, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(profile); }, kWaitMs));
}

// Two lines typed with the line-break key arrive as one message, with
// either send option: Ctrl+Enter breaks the line while Enter sends, and
// after "按Ctrl+Enter键发送" is chosen from the send-options menu, Enter
// breaks the line and Ctrl+Enter sends.
TEST_F(IMChatEndToEnd, TwoLinesWithTheLineBreakKeyArriveAsOneMessage) {
    ASSERT_TRUE(s->chatB && s->chatA);
    const size_t before = MessagesFrom(s->server, kB).size();
    const size_t entries = static_cast<size_t>(QueryValue(s->chatA, kQueryChatEntries));
    TypeIntoInput(s->chatB, L"第一行");
    PressKey(VK_RETURN, true);
    TypeText(L"第二行");
    PressKey(VK_RETURN);
    std::vector<std::string> sent;
    ASSERT_TRUE(WaitUntil([&] { return (sent = MessagesFrom(s->server, kB)).size() > before; }, kWaitMs));
    EXPECT_NE(sent.back().find(Ansi(L"/format>第一行\r\n第二行")), std::string::npos) << sent.back();
    EXPECT_TRUE(WaitUntil([&] { return LogText(s->chatA).find(L"第一行\r\n第二行") != std::wstring::npos; }, kWaitMs));
    EXPECT_EQ(static_cast<size_t>(QueryValue(s->chatA, kQueryChatEntries)), entries + 1) << "one message";

    // The other option, chosen in the send-options menu.
    OnTop(s->chatB);
    ClickControl(s->chatB, IDC_IM_CHAT_SEND_OPTIONS);
    HWND menu = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (menu = VisibleMenu()) != nullptr; },
                          kWaitMs));
    PressKey(VK_DOWN);
    PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(menu); }, kWaitMs));
    TypeIntoInput(s->chatB, L"第三行");
    PressKey(VK_RETURN);
    TypeText(L"第四行");
    ::Sleep(300);
    EXPECT_EQ(MessagesFrom(s->server, kB).size(), before + 1) << "Enter only broke the line";
    PressKey(VK_RETURN, true);
    ASSERT_TRUE(WaitUntil([&] { return (sent = MessagesFrom(s->server, kB)).size() == before + 2; }, kWaitMs));
    EXPECT_NE(sent.back().find(Ansi(L"/format>第三行\r\n第四行")), std::string::npos) << sent.back();
    EXPECT_TRUE(WaitUntil([&] { return LogText(s->chatA).find(L"第三行\r\n第四行") != std::wstring::npos; }, kWaitMs));

    // Back to Enter for the cases that follow.
    OnTop(s->chatB);
    ClickControl(s->chatB, IDC_IM_CHAT_SEND_OPTIONS);
    ASSERT_TRUE(WaitUntil([&] { return (menu = VisibleMenu()) != nullptr; },
                          kWaitMs));
    PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(menu); }, kWaitMs));
}

// B answers with a screenshot (its screenshot button) and with a picture
// pasted from the clipboard; each is saved as a JPEG picture, uploaded, and
// A's log shows both pictures once A has fetched them.
TEST_F(IMChatEndToEnd, AScreenshotAndAPastedPictureReachThePeer) {
    ASSERT_TRUE(s->chatB && s->chatA);
    const size_t before = MessagesFrom(s->server, kB).size();
    const LRESULT shownBefore = QueryValue(s->chatA, kQueryChatPictures);

    OnTop(s->chatB);
    ClickControl(s->chatB, IDC_IM_CHAT_SCREENSHOT);
    ::Sleep(500);
    TypeIntoInput(s->chatB, L"截图");
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return MessagesFrom(s->server, kB).size() == before + 1; }, kWaitMs));

    // A small picture on the clipboard, pasted with Ctrl+V.
    {
        HDC screen = ::GetDC(nullptr);
        HDC dc = ::CreateCompatibleDC(screen);
        HBITMAP picture = ::CreateCompatibleBitmap(screen, 120, 80);
        ::ReleaseDC(nullptr, screen);
        HGDIOBJ old = ::SelectObject(dc, picture);
        const COLORREF colours[] = {RGB(230, 80, 60), RGB(250, 190, 50), RGB(70, 160, 90), RGB(60, 120, 220)};
        for (int i = 0; i < 4; ++i) {
            RECT band = {i * 30, 0, i * 30 + 30, 80};
            HBRUSH brush = ::CreateSolidBrush(colours[i]);
            ::FillRect(dc, &band, brush);
            ::DeleteObject(brush);
        }
        ::SelectObject(dc, old);
        ::DeleteDC(dc);
        ASSERT_TRUE(::OpenClipboard(nullptr));
        ::EmptyClipboard();
        ::SetClipboardData(CF_BITMAP, picture);
        ::CloseClipboard();
    }
    TypeIntoInput(s->chatB, L"图片：");
    PressKey('V', true);
    ::Sleep(300);
    PressKey(VK_RETURN);
    std::vector<std::string> sent;
    ASSERT_TRUE(WaitUntil([&] { return (sent = MessagesFrom(s->server, kB)).size() == before + 2; }, kWaitMs));
    for (size_t i = before; i < sent.size(); ++i) EXPECT_NE(sent[i].find("<pic/"), std::string::npos) << sent[i];

    // A fetched both: the log shows two more pictures, no placeholder, and
    // A's copies are B's pictures.
    EXPECT_TRUE(WaitUntil(
        [&] {
            return QueryValue(s->chatA, kQueryChatPictures) == shownBefore + 2 &&
                   QueryValue(s->chatA, kQueryChatPlaceholders) == 0;
        },
        kWaitMs))
        << QueryValue(s->chatA, kQueryChatPictures) << " shown, " << QueryValue(s->chatA, kQueryChatPlaceholders)
        << " waiting";
    const std::vector<std::wstring> ofB = FilesIn(AppFolder() + L"12346\\Image");
    ASSERT_EQ(ofB.size(), 2u);
    for (const std::wstring& name : ofB) {
        const std::string mine = ReadFile(AppFolder() + L"12346\\Image\\" + name);
        EXPECT_FALSE(mine.empty());
        EXPECT_EQ(ReadFile(AppFolder() + L"12345\\Image\\" + name), mine) << Narrow(name);
    }
    EXPECT_NE(LogText(s->chatA).find(L"图片："), std::wstring::npos);

    // The picture of A's chat for the documentation.
    OnTop(s->chatA);
    ::Sleep(500);
    testpicture::SaveWindowPicture(s->chatA, WindowsPathFromEnv("QV_TEST_OUT") + L"im_chat.bmp");
}

// A chooses busy in its status menu and turns the automatic reply on in its
// settings panel; B's message then gets "[自动回复] …" once, and the reply
// shows in no window of A.
TEST_F(IMChatEndToEnd, ABusyUserWithTheAutomaticReplyAnswersOnce) {
    ASSERT_TRUE(s->chatB && s->chatA);
    ::SendMessageTimeoutW(s->mainA, WM_INSTANCE_CONTROL, 1, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    // Status menu: 忙碌.
    HWND menu = OpenStatusMenu(s->mainA);
    ASSERT_NE(menu, nullptr) << "the status menu";
    PressKey(VK_DOWN);
    PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return QueryText(s->mainA, kQueryHeaderLines).find(L"小明  [忙碌]") == 0; },
                          kWaitMs));
    // Status menu: 系统设置... (after the four statuses and a separator).
    menu = OpenStatusMenu(s->mainA);
    ASSERT_NE(menu, nullptr) << "the status menu again";
    for (int i = 0; i < 5; ++i) PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    HWND settings = s->a.WaitForWindow(L"系统设置", kWaitMs);
    ASSERT_NE(settings, nullptr) << "the settings panel";
    OnTop(settings);
    ClickControl(settings, 1511);  // the automatic reply, off: turn it on
    ASSERT_TRUE(WaitUntil([&] { return FindControl(settings, 1512) != nullptr; }, kWaitMs)) << "shown as on";
    ClickControl(settings, 1505);  // 确定
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(settings); }, kWaitMs));
    const std::wstring file = AppFolder() + L"12345\\systemSetting.dll";
    EXPECT_EQ(::GetPrivateProfileIntW(L"systemSetting", L"bAutoReply", 0, file.c_str()), 1);

    // B writes; A answers by itself.
    const size_t replies = MessagesFrom(s->server, kA, 1).size();
    const size_t entriesA = static_cast<size_t>(QueryValue(s->chatA, kQueryChatEntries));
    TypeIntoInput(s->chatB, L"在吗？");
    PressKey(VK_RETURN);
    const std::wstring reply = L"[自动回复] 你好，我现在有事不在，一会再和您联系！";
    EXPECT_TRUE(WaitUntil([&] { return LogText(s->chatB).find(reply) != std::wstring::npos; }, kWaitMs))
        << Narrow(LogText(s->chatB));
    ::Sleep(1500);  // time for a second reply, which must not come
    EXPECT_EQ(Count(LogText(s->chatB), reply), 1u);
    const std::vector<std::string> sent = MessagesFrom(s->server, kA, 1);
    ASSERT_EQ(sent.size(), replies + 1) << "one reply of type 1";
    EXPECT_NE(sent.back().find(Ansi(reply)), std::string::npos);
    EXPECT_TRUE(WaitUntil([&] { return LogText(s->chatA).find(L"在吗？") != std::wstring::npos; }, kWaitMs));
    EXPECT_EQ(static_cast<size_t>(QueryValue(s->chatA, kQueryChatEntries)), entriesA + 1) << "no reply in A's log";
    EXPECT_EQ(LogText(s->chatA).find(L"[自动回复]"), std::wstring::npos);

    // Online again.
    menu = OpenStatusMenu(s->mainA);
    ASSERT_NE(menu, nullptr) << "the status menu once more";
    PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    EXPECT_TRUE(WaitUntil([&] { return QueryText(s->mainA, kQueryHeaderLines).find(L"小明  [在线]") == 0; },
                          kWaitMs));
}

// A offers a file from its chat (the send-file button, the open dialog);
// B's chat shows the offer in its transfer page, B accepts, and the file
// arrives intact in B's received files. Both panes widen for the transfer
// and narrow again once it has ended.
TEST_F(IMChatEndToEnd, AFileOfferedAcceptedAndReceivedIntact) {
    ASSERT_TRUE(s->chatB && s->chatA);
    std::string payload(300000, '\0');
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>((i * 2654435761u) >> 13);
    const std::wstring source = AppFolder() + L"payload.bin";
    HANDLE file = ::CreateFileW(source.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(file, payload.data(), static_cast<DWORD>(payload.size()), &written, nullptr);
    ::CloseHandle(file);

    OnTop(s->chatA);
    ClickControl(s->chatA, IDC_IM_CHAT_SEND_FILE);
    HWND dialog = s->a.WaitForWindow(L"打开", kWaitMs);
    ASSERT_NE(dialog, nullptr) << "the open dialog";
    OnTop(dialog);
    HWND name = FindControl(dialog, 1148);
    if (HWND edit = name ? ::FindWindowExW(name, nullptr, L"Edit", nullptr) : nullptr) name = edit;
    if (name) Click(CentreOf(name));
    TypeText(source);
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dialog); }, kWaitMs));
    EXPECT_TRUE(WaitUntil([] { return QueryValue(s->chatA, kQueryChatPane) == 240; }, kWaitMs)) << "A's pane widened";
    EXPECT_TRUE(WaitUntil([] { return LogText(s->chatA).find(L"您尝试给对方发送文件\"payload.bin\"") != std::wstring::npos; },
                          kWaitMs));

    // B: the offer, in the open chat's transfer page.
    EXPECT_TRUE(WaitUntil([] { return QueryValue(s->chatB, kQueryChatTransfer) == 2; }, kWaitMs));
    EXPECT_TRUE(WaitUntil([] { return QueryValue(s->chatB, kQueryChatPane) == 240; }, kWaitMs));
    EXPECT_NE(LogText(s->chatB).find(L"对方请求给您发送文件\"payload.bin\"(293.0KB)，请确认是否接收。"),
              std::wstring::npos)
        << Narrow(LogText(s->chatB));
    OnTop(s->chatB);
    ::Sleep(300);
    ClickControl(s->chatB, 1630);  // 接收

    const std::wstring received = AppFolder() + L"12346\\RecvFile\\payload.bin";
    EXPECT_TRUE(WaitUntil([] { return LogText(s->chatB).find(L"成功接收文件\"payload.bin\"") != std::wstring::npos; },
                          kWaitMs))
        << Narrow(LogText(s->chatB));
    EXPECT_EQ(ReadFile(received), payload) << "the file arrived intact";
    EXPECT_TRUE(WaitUntil([] { return LogText(s->chatA).find(L"成功发送文件\"payload.bin\"") != std::wstring::npos; },
                          kWaitMs));
    EXPECT_TRUE(WaitUntil([] { return QueryValue(s->chatA, kQueryChatPane) == 160; }, kWaitMs));
    EXPECT_TRUE(WaitUntil([] { return QueryValue(s->chatB, kQueryChatPane) == 160; }, kWaitMs));
}

// The server goes away and comes back: both show everyone offline (A's tree
// counts no one online, B's chat says that 小明 is offline), then, after the
// programs have reconnected by themselves, online again.
TEST_F(IMChatEndToEnd, TheServerDropsAndComesBack) {
    ASSERT_TRUE(s->chatB);
    ASSERT_EQ(s->server.Command("REFUSE"), "OK");
    ASSERT_EQ(s->server.Command("DROP"), "OK");
    EXPECT_TRUE(WaitUntil([] { return QueryText(s->mainA, kQueryTreeGroups) == L"我的好友 [0/3]\n同事 [0/2]"; },
                          kWaitMs))
        << Narrow(QueryText(s->mainA, kQueryTreeGroups));
    EXPECT_TRUE(WaitUntil([] { return QueryText(s->chatB, kQueryChatTip) == L"对方\"离线\"，可能无法立即回复您"; },
                          kWaitMs))
        << Narrow(QueryText(s->chatB, kQueryChatTip));

    ASSERT_EQ(s->server.Command("LISTEN"), "OK");
    EXPECT_TRUE(WaitUntil([] { return QueryText(s->mainA, kQueryTreeGroups) == L"我的好友 [1/3]\n同事 [1/2]"; },
                          60000))
        << Narrow(QueryText(s->mainA, kQueryTreeGroups));
    EXPECT_TRUE(WaitUntil([] { return QueryText(s->chatB, kQueryChatTip).empty(); }, 60000))
        << Narrow(QueryText(s->chatB, kQueryChatTip));
    EXPECT_TRUE(WaitUntil([] { return QueryText(s->mainB, kQueryHeaderLines).find(L"张三  [在线]") == 0; }, kWaitMs));

    // And the chat works again.
    TypeIntoInput(s->chatB, L"回来了");
    PressKey(VK_RETURN);
    EXPECT_TRUE(WaitUntil([] { return LogText(s->chatA).find(L"回来了") != std::wstring::npos; }, kWaitMs));
}

}  // namespace
