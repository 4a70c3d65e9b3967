// The history manager of a real IM.exe under Wine and Xvfb, after a real
// conversation with a second IM.exe through the stand-in chat and file
// servers (with-desk-server.sh --fileserver, data of tests/data), driven by
// real input: clicks and keys at the controls' places on the screen. What
// the manager shows is read from its windows (the record view's text) and,
// for what it paints or holds itself (mode, page, pictures, red hits, the
// list's rows), through the program's state query.
//
// A is 小明 (12345), B is 张三 (12346). Before the programs start, A's
// history with B holds 70 older messages from the first of this month, so
// that the newest page is page 2 and that day lies on page 1.
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

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace imtest;
using namespace tavreltest;

namespace {

constexpr DWORD kWaitMs = 30000;
constexpr int kA = 12345;
constexpr int kB = 12346;
constexpr int kOlder = 70;

// A point a query gave (x | y << 16, client coordinates of window) on the
// screen.
POINT ScreenPoint(HWND window, LRESULT packed) {
    POINT point = {static_cast<LONG>(packed & 0xFFFF), static_cast<LONG>((packed >> 16) & 0xFFFF)};
    ::ClientToScreen(window, &point);
    return point;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == bytes.size();
}

int32_t FirstOfThisMonth() {
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    return now.wYear * 10000 + now.wMonth * 100 + 1;
}

std::wstring TodayText() {
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    wchar_t text[32];
    swprintf(text, 32, L"%04d-%02d-%02d", now.wYear, now.wMonth, now.wDay);
    return text;
}

// A's older history with B: kOlder messages from B on the first of the
// month, "旧消息 0" the oldest.
void SeedOlderHistory() {
    const std::wstring folder = AppFolder() + L"12345\\msg\\12346\\";
    ::CreateDirectoryW((AppFolder() + L"12345").c_str(), nullptr);
    ::CreateDirectoryW((AppFolder() + L"12345\\msg").c_str(), nullptr);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    MsgFileHeader header = {};
    header.count = kOlder;
    header.marker = MSG_FILE_MARKER;
    header.newestDate = FirstOfThisMonth();
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    for (int i = 0; i < kOlder; ++i) {
        const std::string text = "<format|0|10|0|Arial|/format>" + Ansi(L"旧消息 ") + std::to_string(i);
        MsgRecordHead head = {};
        head.date = FirstOfThisMonth();
        head.time = 8 * 10000000 + (i / 60) * 100000 + (i % 60) * 1000;
        head.senderId = kB;
        head.receiverId = kA;
        head.textLength = static_cast<int32_t>(text.size());
        head.minusOne = -1;
        bytes.append(reinterpret_cast<const char*>(&head), sizeof head);
        bytes += text;
    }
    WriteFileBytes(folder + L"12346.msg", bytes);
    ::DeleteFileW((AppFolder() + L"12345\\msg\\latestContact.dat").c_str());
}

void PutPictureOnClipboard() {
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP picture = ::CreateCompatibleBitmap(screen, 96, 64);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(dc, picture);
    const COLORREF colours[] = {RGB(230, 80, 60), RGB(250, 190, 50), RGB(70, 160, 90)};
    for (int i = 0; i < 3; ++i) {
        RECT band = {i * 32, 0, i * 32 + 32, 64};
        HBRUSH brush = ::CreateSolidBrush(colours[i]);
        ::FillRect(dc, &band, brush);
        ::DeleteObject(brush);
    }
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    if (!::OpenClipboard(nullptr)) return;
    ::EmptyClipboard();
    ::SetClipboardData(CF_BITMAP, picture);
    ::CloseClipboard();
}

struct Programs {
    CDeskServerControl server;
    CTavrelProcess a;
    CTavrelProcess b;
    HWND mainA = nullptr;
    HWND mainB = nullptr;
    HWND chatA = nullptr;
    HWND chatB = nullptr;
};
Programs* s = nullptr;

class IMHistoryManagerEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s = new Programs();
        if (AppFolder().empty() || !s->server.Connected()) return;
        PrepareAppFolder({kA, kB});
        SeedOlderHistory();
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

    // Opens a chat through the main window's search box, as its user does.
    static HWND OpenChat(HWND main, const CTavrelProcess& im, const wchar_t* search, const wchar_t* caption) {
        ::SendMessageTimeoutW(main, WM_INSTANCE_CONTROL, 1, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
        WaitUntil([&] { return ::IsWindowVisible(main) != FALSE; }, kWaitMs);
        OnTop(main);
        Click(SearchBoxPoint(main));
        TypeText(search);
        ::Sleep(300);
        PressKey(VK_RETURN);
        return im.WaitForWindow(caption, kWaitMs);
    }

    static void Type(HWND chat, const std::wstring& text) {
        OnTop(chat);
        ClickControl(chat, IDC_IM_CHAT_INPUT);
        TypeText(text);
    }
};

// A sends a picture and two texts with "苹果", B answers; then A's history
// manager, opened with the chat window's history button, shows the newest
// page with the picture, lists B with the time of the answer, finds "苹果"
// and paints the hits red, and jumps to the first of the month picked in
// its calendar.
TEST_F(IMHistoryManagerEndToEnd, TheConversationInTheHistoryManager) {
    s->chatA = OpenChat(s->mainA, s->a, L"zs", L"与 张三 交流中");
    ASSERT_NE(s->chatA, nullptr) << "A's chat";
    ::SetWindowPos(s->chatA, nullptr, 0, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const size_t before = MessagesFrom(s->server, kA).size();
    PutPictureOnClipboard();
    Type(s->chatA, L"苹果和图片：");
    PressKey('V', true);
    ::Sleep(300);
    PressKey(VK_RETURN);
    Type(s->chatA, L"第二个苹果");
    PressKey(VK_RETURN);
    std::vector<std::string> sent;
    ASSERT_TRUE(WaitUntil([&] { return (sent = MessagesFrom(s->server, kA)).size() == before + 2; }, kWaitMs));
    EXPECT_NE(sent[before].find("<pic/"), std::string::npos) << sent[before];

    s->chatB = OpenChat(s->mainB, s->b, L"xm", L"与 小明 交流中");
    ASSERT_NE(s->chatB, nullptr) << "B's chat";
    ::SetWindowPos(s->chatB, nullptr, 620, 420, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Type(s->chatB, L"收到苹果");
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil(
        [] { return WindowText(::GetDlgItem(s->chatA, IDC_IM_CHAT_LOG)).find(L"收到苹果") != std::wstring::npos; },
        kWaitMs));

    // The history button of A's chat.
    OnTop(s->chatA);
    ClickControl(s->chatA, IDC_IM_CHAT_HISTORY);
    HWND manager = s->a.WaitForWindow(L"消息管理器", kWaitMs);
    ASSERT_NE(manager, nullptr) << "the history manager";
    ::SetWindowPos(manager, nullptr, 100, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    OnTop(manager);
    HWND view = ::GetDlgItem(manager, 1216);
    ASSERT_NE(view, nullptr);
    const auto viewText = [view] { return WindowText(view); };
    // Record mode, the newest page (73 messages: page 2 of 2) with the picture.
    EXPECT_TRUE(WaitUntil([&] { return QueryValue(manager, kQueryMsgMgrMode) == 1; }, kWaitMs));
    EXPECT_EQ(QueryValue(manager, kQueryMsgMgrPage), 2);
    EXPECT_NE(viewText().find(L"苹果和图片："), std::wstring::npos) << Narrow(viewText());
    EXPECT_NE(viewText().find(L"收到苹果"), std::wstring::npos);
    EXPECT_NE(viewText().find(L"日期：" + TodayText()), std::wstring::npos);
    EXPECT_EQ(viewText().find(L"旧消息 0\r"), std::wstring::npos) << "the oldest is on page 1";
    EXPECT_EQ(QueryValue(manager, kQueryMsgMgrPictures), 1) << "A's own picture, from A's picture folder";
    EXPECT_EQ(QueryText(manager, kQueryMsgMgrTitle), L"与张三(12346)的消息记录");

    // A click on "所有分组": the list with B's last contact time.
    HWND tree = FindControl(manager, 1208);
    ASSERT_NE(tree, nullptr);
    const LRESULT category = QueryValue(manager, kQueryMsgMgrCategoryPoint, 0);
    ASSERT_GE(category, 0);
    Click(ScreenPoint(tree, category));
    EXPECT_TRUE(WaitUntil([&] { return QueryValue(manager, kQueryMsgMgrMode) == 0; }, kWaitMs));
    const std::wstring rows = QueryText(manager, kQueryMsgMgrListRows);
    EXPECT_NE(rows.find(L"张三|12346|" + TodayText() + L" "), std::wstring::npos) << Narrow(rows);
    ::Sleep(300);
    testpicture::SaveWindowPicture(manager, WindowsPathFromEnv("QV_TEST_OUT") + L"im_msgmgr_list.bmp");

    // A click on 张三 in the tree: the history again.
    const LRESULT peer = QueryValue(manager, kQueryMsgMgrCategoryPoint, kB);
    ASSERT_GE(peer, 0);
    Click(ScreenPoint(tree, peer));
    EXPECT_TRUE(WaitUntil([&] { return QueryValue(manager, kQueryMsgMgrMode) == 1; }, kWaitMs));
    EXPECT_EQ(QueryValue(manager, kQueryMsgMgrPage), 2);

    // The keyword search: three hits, painted red.
    ClickControl(manager, 1213);
    TypeText(L"苹果");
    PressKey(VK_RETURN);  // swallowed: Enter neither searches nor closes
    ::Sleep(300);
    EXPECT_EQ(QueryValue(manager, kQueryMsgMgrMode), 1);
    EXPECT_TRUE(::IsWindowVisible(manager));
    ClickControl(manager, 1202);
    EXPECT_TRUE(WaitUntil([&] { return QueryValue(manager, kQueryMsgMgrMode) == 2; }, kWaitMs));
    EXPECT_EQ(QueryText(manager, kQueryMsgMgrTitle), L"已经找到相关记录3条");
    EXPECT_EQ(QueryValue(manager, kQueryMsgMgrRedHits), 3);
    EXPECT_EQ(viewText().find(L"旧消息"), std::wstring::npos);
    ::Sleep(300);
    testpicture::SaveWindowPicture(manager, WindowsPathFromEnv("QV_TEST_OUT") + L"im_msgmgr_search.bmp");

    // Back: the history again. A new search, then a click on the peer in
    // the tree: that also leaves the hits.
    ClickControl(manager, 1218);
    EXPECT_TRUE(WaitUntil([&] { return QueryValue(manager, kQueryMsgMgrMode) == 1; }, kWaitMs));
    EXPECT_EQ(QueryText(manager, kQueryMsgMgrTitle), L"与张三(12346)的消息记录");
    ClickControl(manager, 1202);
    EXPECT_TRUE(WaitUntil([&] { return QueryValue(manager, kQueryMsgMgrMode) == 2; }, kWaitMs));
    Click(ScreenPoint(tree, peer));
    EXPECT_TRUE(WaitUntil([&] { return QueryValue(manager, kQueryMsgMgrMode) == 1; }, kWaitMs));
    EXPECT_EQ(QueryValue(manager, kQueryMsgMgrPage), 2);

    // The first of the month in the calendar: page 1 with it.
    ClickControl(manager, 1203);
    HWND calendar = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (calendar = FindControl(manager, 1217)) != nullptr; }, kWaitMs));
    LRESULT day = -1;
    ASSERT_TRUE(WaitUntil([&] { return (day = QueryValue(manager, kQueryMsgMgrDayPoint, FirstOfThisMonth())) >= 0; },
                          kWaitMs));
    ::Sleep(300);
    testpicture::SaveWindowPicture(manager, WindowsPathFromEnv("QV_TEST_OUT") + L"im_msgmgr_calendar.bmp");
    Click(ScreenPoint(calendar, day));
    EXPECT_TRUE(WaitUntil([&] { return QueryValue(manager, kQueryMsgMgrPage) == 1; }, kWaitMs));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(calendar); }, kWaitMs)) << "the picker hid";
    EXPECT_NE(viewText().find(L"旧消息 0\r"), std::wstring::npos) << Narrow(viewText());
    wchar_t first[32];
    swprintf(first, 32, L"日期：%04d-%02d-01", FirstOfThisMonth() / 10000, FirstOfThisMonth() / 100 % 100);
    EXPECT_NE(viewText().find(first), std::wstring::npos);
    ::Sleep(300);
    testpicture::SaveWindowPicture(manager, WindowsPathFromEnv("QV_TEST_OUT") + L"im_msgmgr_record.bmp");

    // Closing only hides it.
    ClickControl(manager, 1000);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(manager); }, kWaitMs));
    EXPECT_TRUE(::IsWindow(manager));
}

// A changes its first automatic reply in the settings panel's reply editor,
// turns the automatic reply on and is busy: B's message gets the new text.
TEST_F(IMHistoryManagerEndToEnd, AnAutomaticReplyEditedInTheSettingsIsUsed) {
    ASSERT_TRUE(s->chatA && s->chatB);
    HWND menu = OpenStatusMenu(s->mainA);
    ASSERT_NE(menu, nullptr) << "the status menu";
    PressKey(VK_DOWN);
    PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    menu = OpenStatusMenu(s->mainA);
    ASSERT_NE(menu, nullptr) << "the status menu again";
    for (int i = 0; i < 5; ++i) PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    HWND settings = s->a.WaitForWindow(L"系统设置", kWaitMs);
    ASSERT_NE(settings, nullptr) << "the settings panel";
    OnTop(settings);
    HWND replies = FindControl(settings, 1500);
    ASSERT_NE(replies, nullptr);
    Click(WindowPoint(replies, 60, 8));  // the first reply
    ::Sleep(300);
    ClickControl(settings, 1502);  // 修改
    HWND editor = s->a.WaitForWindow(L"修改自动回复", kWaitMs);
    ASSERT_NE(editor, nullptr) << "the reply editor";
    OnTop(editor);
    EXPECT_EQ(WindowText(::GetDlgItem(editor, 1600)), L"你好，我现在有事不在，一会再和您联系！");
    // The editor opens with the whole text selected: typing replaces it.
    TypeText(L"我在开会，稍后回复");
    PressKey(VK_RETURN);  // one line: Enter neither saves nor breaks it
    EXPECT_TRUE(WaitUntil([&] { return WindowText(::GetDlgItem(editor, 1600)) == L"我在开会，稍后回复"; }, kWaitMs))
        << Narrow(WindowText(::GetDlgItem(editor, 1600)));
    ::Sleep(200);
    EXPECT_TRUE(::IsWindow(editor));
    EXPECT_EQ(WindowText(::GetDlgItem(editor, 1600)), L"我在开会，稍后回复");
    ::Sleep(300);
    testpicture::SaveWindowPicture(editor, WindowsPathFromEnv("QV_TEST_OUT") + L"im_reply_editor.bmp");
    ClickControl(editor, 1602);  // 保存
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(editor); }, kWaitMs));
    OnTop(settings);
    ClickControl(settings, 1511);  // the automatic reply on
    ASSERT_TRUE(WaitUntil([&] { return FindControl(settings, 1512) != nullptr; }, kWaitMs));
    ClickControl(settings, 1505);  // 确定
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(settings); }, kWaitMs));

    Type(s->chatB, L"在吗？");
    PressKey(VK_RETURN);
    const std::wstring reply = L"[自动回复] 我在开会，稍后回复";
    EXPECT_TRUE(WaitUntil(
        [&] { return WindowText(::GetDlgItem(s->chatB, IDC_IM_CHAT_LOG)).find(reply) != std::wstring::npos; },
        kWaitMs))
        << Narrow(WindowText(::GetDlgItem(s->chatB, IDC_IM_CHAT_LOG)));
}

// A's settings files and A's history with B damaged while A is closed
// (zeros, random bytes): A starts again, a message box names the settings
// files it could not read and where they were kept (closed with a real
// click on its OK), and the history manager, opened with the chat window's
// history button, says where the damaged history was kept instead of
// showing an empty history. No byte of them is deleted.
TEST_F(IMHistoryManagerEndToEnd, DamagedSettingsAndHistoryAreNamedAndKept) {
    ::PostMessageW(s->mainA, WM_INSTANCE_CONTROL, 0, 0);
    ASSERT_TRUE(s->a.WaitForExit(kWaitMs));
    s->mainA = nullptr;
    s->chatA = nullptr;
    const std::wstring own = AppFolder() + L"12345\\";
    const std::wstring historyFolder = own + L"msg\\12346\\";
    std::string noise(700, '\0');
    uint32_t seed = 12345;
    for (char& c : noise) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
    const std::string zeros(300, '\0');
    ASSERT_TRUE(WriteFileBytes(own + L"Config.dll", zeros));
    ASSERT_TRUE(WriteFileBytes(own + L"systemSetting.dll", noise.substr(0, 400)));
    ASSERT_TRUE(WriteFileBytes(historyFolder + L"12346.msg", noise));
    // The name of the file in folder that holds bytes (moved aside or not).
    const auto holding = [](const std::wstring& folder, const std::string& bytes) {
        WIN32_FIND_DATAW data;
        HANDLE find = ::FindFirstFileW((folder + L"*").c_str(), &data);
        std::wstring found;
        if (find == INVALID_HANDLE_VALUE) return found;
        do {
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            HANDLE file = ::CreateFileW((folder + data.cFileName).c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
            if (file == INVALID_HANDLE_VALUE) continue;
            std::string content(bytes.size() + 1, '\0');
            DWORD got = 0;
            ::ReadFile(file, &content[0], static_cast<DWORD>(content.size()), &got, nullptr);
            ::CloseHandle(file);
            if (std::string(content.data(), got) == bytes) found = data.cFileName;
        } while (found.empty() && ::FindNextFileW(find, &data));
        ::FindClose(find);
        return found;
    };

    ASSERT_TRUE(s->a.Start(AppFolder(), L"x 12345", L"IM.exe"));
    s->mainA = WaitForLogon(s->a);
    ASSERT_NE(s->mainA, nullptr) << "A logged on again";
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (HWND window : s->a.Windows())
                if (MessageBoxText(window).find(L"设置文件") != std::wstring::npos) box = window;
            return box != nullptr;
        },
        kWaitMs))
        << "no box about the settings files";
    const std::wstring wanted = L"设置文件“Config.dll”已损坏，无法读取，已改用默认设置（原文件已另存为“" +
                                holding(own, zeros) + L"”）。\r\n设置文件“systemSetting.dll”已损坏，无法读取，"
                                L"已改用默认设置（原文件已另存为“" + holding(own, noise.substr(0, 400)) + L"”）。";
    std::wstring text = MessageBoxText(box);
    EXPECT_EQ(text, wanted) << Narrow(text);
    OnTop(box);
    Click(CentreOf(::GetDlgItem(box, IDOK)));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(box); }, kWaitMs)) << "OK did not close the box";

    s->chatA = OpenChat(s->mainA, s->a, L"zs", L"与 张三 交流中");
    ASSERT_NE(s->chatA, nullptr) << "A's chat";
    OnTop(s->chatA);
    ClickControl(s->chatA, IDC_IM_CHAT_HISTORY);
    HWND manager = s->a.WaitForWindow(L"消息管理器", kWaitMs);
    ASSERT_NE(manager, nullptr) << "the history manager";
    HWND view = ::GetDlgItem(manager, 1216);
    ASSERT_NE(view, nullptr);
    std::wstring shown;
    EXPECT_TRUE(WaitUntil(
        [&] {
            const std::wstring aside = holding(historyFolder, noise);
            shown = WindowText(view);
            return aside != L"12346.msg" &&
                   shown.find(L"损坏的消息记录文件已另存为“" + aside + L"”，其中的消息无法显示。") != std::wstring::npos;
        },
        kWaitMs))
        << Narrow(shown);
    EXPECT_FALSE(holding(historyFolder, noise).empty()) << "the history's bytes are kept";
    ::Sleep(300);
    testpicture::SaveWindowPicture(manager, WindowsPathFromEnv("QV_TEST_OUT") + L"im_msgmgr_damaged.bmp");
}

}  // namespace
