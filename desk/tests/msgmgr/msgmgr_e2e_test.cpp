// The message records tab and the message search tab of the real
// Tavrel.exe, driven as the manager 林晓 (50001) drives them: real clicks,
// double clicks and keys (SendInput) at the places where the program shows
// its items. Against the stand-in chat server with the demo organisation
// plus an archive of 周宁's (50002) messages with 刘洋 (60004), and the
// stand-in file server; the customer 张伟 (60001) is a messenger engine host
// in this test program. What is checked is what the manager sees: the
// history's text, its picture and its red hits on the screen, the result
// list, the tab and the owner shown.
//
// Pictures of the history with a search and of the search results are saved
// for the documentation when QV_MSGMGR_SHOTS names a folder.
#include <winsock2.h>

#include "CustomerHost.h"
#include "DeskServerControl.h"
#include "DeskWindows.h"
#include "DisplayTitle.h"
#include "RealInput.h"
#include "ScreenPicture.h"
#include "TavrelDriver.h"
#include "clientui/InstanceControl.h"
#include "msgmgr/MsgMgrResource.h"

#include "fw/StringUtil.h"

#include <ImEngineApi.h>

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using namespace tavreltest;

namespace {

constexpr int32_t kManager = 50001;
constexpr int32_t kCustomer = 60001;  // 张伟
constexpr DWORD kWaitMs = 30000;
constexpr DWORD kExitWaitMs = 20000;
constexpr int kMsgMgrTab = 1;
constexpr int kSearchTab = 3;
const std::wstring kManagerCaption = std::wstring(kDeskDisplayTitle) + L" - 50001 - 林晓 ";
const std::string kPictureName = "h28_refund.bmp";
constexpr COLORREF kPictureColour = RGB(0x12, 0xC4, 0x7A);

std::string Ansi(const std::wstring& text) {
    std::string out(text.size() * 2 + 1, '\0');
    out.resize(::WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &out[0],
                                     static_cast<int>(out.size()), nullptr, nullptr));
    return out;
}

// A 40 x 40 bitmap file of one colour.
bool WritePicture(const std::wstring& path) {
    constexpr int kSide = 40;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = kSide;
    info.biHeight = kSide;
    info.biPlanes = 1;
    info.biBitCount = 24;
    const int stride = (kSide * 3 + 3) & ~3;
    std::string pixels(static_cast<size_t>(stride * kSide), '\0');
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            char* p = &pixels[static_cast<size_t>(y * stride + x * 3)];
            p[0] = static_cast<char>(GetBValue(kPictureColour));
            p[1] = static_cast<char>(GetGValue(kPictureColour));
            p[2] = static_cast<char>(GetRValue(kPictureColour));
        }
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
    std::ofstream out(path.c_str(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    return out.good();
}

int32_t FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return static_cast<int32_t>(data.nFileSizeLow);
}

// The text of a control in the program (a rich edit's whole text).
std::wstring ControlText(HWND control) {
    const LRESULT length = SendTo(control, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0) return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    DWORD_PTR got = 0;
    ::SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG,
                          5000, &got);
    text.resize(got);
    return text;
}

bool Shows(HWND control, const std::wstring& part) { return ControlText(control).find(part) != std::wstring::npos; }

// How many pixels of a window's client area on the screen match.
template <class Match>
int CountPixels(HWND window, Match match) {
    RECT area = {};
    ::GetClientRect(window, &area);
    ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&area), 2);
    int count = 0;
    for (uint32_t pixel : ScreenPixels(area))
        if (match(pixel)) ++count;
    return count;
}

// Red text, its edges smoothed towards the white background.
bool IsRed(uint32_t pixel) {
    const int r = GetRValue(pixel), g = GetGValue(pixel), b = GetBValue(pixel);
    return r > 240 && g < 0xA0 && b < 0xA0 && (g > b ? g - b : b - g) < 8;
}

// The folder for the pictures of the documentation, empty when none are asked for.
std::wstring ShotFolder() {
    const char* folder = std::getenv("QV_MSGMGR_SHOTS");
    if (!folder || !*folder) return std::wstring();
    std::wstring path = L"Z:";
    for (const char* p = folder; *p; ++p) path += static_cast<wchar_t>(*p == '/' ? '\\' : *p);
    return path + L"\\";
}

void SaveShot(HWND main, const wchar_t* name) {
    const std::wstring folder = ShotFolder();
    if (!folder.empty()) testpicture::SaveWindowPicture(main, folder + name);
}

// The date a picker shows, yyyymmdd (0 when it cannot be read).
int32_t PickerDate(HWND picker) {
    CRemoteBuffer buffer(picker, sizeof(SYSTEMTIME));
    if (SendTo(picker, DTM_GETSYSTEMTIME, 0, buffer.At()) != GDT_VALID) return 0;
    SYSTEMTIME time = {};
    buffer.Read(0, &time, sizeof time);
    return time.wYear * 10000 + time.wMonth * 100 + time.wDay;
}

class MsgMgrE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ServerAddress().empty()) << "run through with-desk-server.sh";
        ASSERT_TRUE(std::getenv("QV_FILESERVER_DIR")) << "run with --fileserver";
        // The customer's engine and the file-server client need Winsock,
        // which a host program starts.
        WSADATA wsa = {};
        ASSERT_EQ(::WSAStartup(MAKEWORD(2, 2), &wsa), 0);
        m_wsa = true;
        app = WindowsPathFromEnv("QV_DESK_APP");
        WriteServerEntry(app);
        ASSERT_TRUE(customer.Loaded()) << "no customer engine";
    }

    void TearDown() override {
        if (HasFailure()) {
            const RECT screen = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
            testpicture::SaveScreenArea(screen, L"msgmgr_e2e_failure.bmp");
        }
        if (main && process.IsRunning()) {
            SendTo(main, WM_INSTANCE_CONTROL, 0, 0);
            EXPECT_TRUE(process.WaitForExit(kExitWaitMs));
        }
        if (m_wsa) ::WSACleanup();
    }

    // Pumps the customer's messages while waiting.
    bool Wait(const std::function<bool()>& ready, DWORD ms = kWaitMs) { return customer.PumpUntil(ready, ms); }

    HWND Control(int id, const wchar_t* className) {
        HWND found = nullptr;
        Wait([&] { return (found = FindControl(main, id, className)) != nullptr; }, 10000);
        return found;
    }

    void ClickTab(int index) {
        HWND tabs = FindControl(main, 1010, L"SysTabControl32");
        ASSERT_TRUE(tabs);
        ASSERT_TRUE(Wait([&] { return TabCount(tabs) > index; })) << "no tab " << index;
        const RECT tab = TabRect(tabs, index);
        Click({(tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2});
        ASSERT_TRUE(Wait([&] { return SelectedTab(tabs) == index; }, 10000)) << "tab " << index << " not chosen";
    }

    // A real click in the middle of a list row.
    void ClickRow(HWND list, int row, bool twice = false) {
        const RECT rect = ListRowRect(list, row);
        const POINT point = {rect.left + 40, (rect.top + rect.bottom) / 2};
        if (twice)
            DoubleClick(point);
        else
            Click(point);
    }

    // A click into a box, then the text typed.
    void TypeInto(HWND box, const std::wstring& text) {
        Click(CentreOf(box));
        ASSERT_TRUE(Wait([&] { return FocusOf(box) == box; }, 5000)) << "the box did not take the focus";
        TypeText(text);
    }

    // The date typed into a picker: year, month and day field by field.
    void TypeDate(HWND picker, int year, int month, int day) {
        const RECT rect = [&] {
            RECT r = {};
            ::GetWindowRect(picker, &r);
            return r;
        }();
        Click({rect.left + 14, (rect.top + rect.bottom) / 2});  // the year, the first field
        ASSERT_TRUE(Wait([&] { return FocusOf(picker) == picker; }, 5000));
        TypeText(std::to_wstring(year));
        PressKey(VK_RIGHT);
        TypeText(fw::FormatString(L"%02d", month));
        PressKey(VK_RIGHT);
        TypeText(fw::FormatString(L"%02d", day));
        const int32_t wanted = year * 10000 + month * 100 + day;
        ASSERT_TRUE(Wait([&] { return PickerDate(picker) == wanted; }, 5000))
            << "the picker shows " << PickerDate(picker);
    }

    std::wstring app;
    CTavrelProcess process;
    HWND main = nullptr;
    CCustomerHost customer;
    bool m_wsa = false;
};

TEST_F(MsgMgrE2E, HistoryWithPictureKeywordSearchAndTheServerSearchOpeningAPair) {
    WriteAgentSettings(app, kManager, false);
    ASSERT_TRUE(process.Start(app, L"run " + std::to_wstring(kManager)));
    ASSERT_TRUE(Wait([&] { return (main = FindMainWindow(process, kManagerCaption)) != nullptr; }));
    SendTo(main, WM_INSTANCE_CONTROL, 1, 0);
    ASSERT_TRUE(BringToFront(main));

    // The customer writes: a picture (on the file server first) with text,
    // then two more lines.
    ASSERT_TRUE(customer.Logon(kCustomer, ServerAddress()));
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring picture = std::wstring(temp) + L"h28_refund_" + std::to_wstring(::GetCurrentProcessId()) +
                                 L".bmp";
    ASSERT_TRUE(WritePicture(picture));
    ASSERT_TRUE(UploadToFileServer(ServerAddress(), picture, kPictureName, FileSize(picture)));
    ::DeleteFileW(picture.c_str());
    ASSERT_TRUE(customer.SendText(kManager, Ansi(L"请看退货照片 <pic/6/") + kPictureName + "/pic>"));
    ASSERT_TRUE(customer.SendText(kManager, Ansi(L"退货的单号是 A1207")));
    ASSERT_TRUE(customer.SendText(kManager, Ansi(L"好的，谢谢")));

    // The message records: the customer's row, clicked.
    ClickTab(kMsgMgrTab);
    HWND customers = Control(IDC_MSGMGR_CUSTOMERS, L"SysListView32");
    HWND history = Control(IDC_MSGMGR_HISTORY, L"RichEdit20W");
    ASSERT_TRUE(customers && history);
    ASSERT_TRUE(Wait([&] {
        return ListRowCount(customers) >= 1 && ListRowTexts(customers, 0, 2).front() == L"张伟";
    })) << "the own customers are not listed";
    ClickRow(customers, 0);
    ASSERT_TRUE(Wait([&] { return Shows(history, L"好的，谢谢"); })) << ControlText(history);
    const std::wstring page = ControlText(history);
    EXPECT_NE(page.find(L"日期："), std::wstring::npos);
    EXPECT_NE(page.find(L"张伟  "), std::wstring::npos) << "the header names the customer";
    EXPECT_NE(page.find(L"请看退货照片"), std::wstring::npos);

    // The picture was not on disk: the view fetched it; shown again, it is
    // on the page.
    const std::wstring image = app + std::to_wstring(kManager) + L"\\Image\\" + std::wstring(kPictureName.begin(), kPictureName.end());
    ASSERT_TRUE(Wait([&] { return FileSize(image) > 0; })) << "the picture was not fetched";
    ClickRow(customers, 0);
    ASSERT_TRUE(Wait([&] { return CountPixels(history, [](uint32_t p) { return p == kPictureColour; }) >= 900; },
                     15000))
        << "the picture is not on the page";
    EXPECT_EQ(CountPixels(history, IsRed), 0) << "nothing red before a search";

    // A keyword search: typed into the search box, the search button clicked.
    HWND searchBox = Control(IDC_MSGMGR_SEARCH, L"Edit");
    ASSERT_TRUE(searchBox);
    TypeInto(searchBox, L"退货");
    ASSERT_TRUE(Wait([&] { return ControlText(searchBox) == L"退货"; }, 5000));
    Click(ClientPoint(searchBox, 150 - 28, 10));
    ASSERT_TRUE(Wait([&] { return !Shows(history, L"好的，谢谢") && Shows(history, L"退货的单号是"); }))
        << ControlText(history);
    EXPECT_TRUE(Shows(history, L"请看退货照片"));
    EXPECT_TRUE(Wait([&] { return CountPixels(history, IsRed) > 40; }, 10000)) << "the hits are not red";
    SaveShot(main, L"desk_history_search.bmp");

    // The clear button ends the search: the page shows every message again.
    Click(ClientPoint(searchBox, 150 - 12, 10));
    ASSERT_TRUE(Wait([&] { return Shows(history, L"好的，谢谢"); }, 10000)) << ControlText(history);
    EXPECT_EQ(ControlText(searchBox), L"");

    // The manager's search of the archive over a range of dates.
    ClickTab(kSearchTab);
    HWND from = Control(IDC_SEARCHMSG_FROM, L"SysDateTimePick32");
    HWND to = Control(IDC_SEARCHMSG_TO, L"SysDateTimePick32");
    HWND keywords = Control(IDC_SEARCHMSG_KEYWORDS, L"Edit");
    HWND results = Control(IDC_SEARCHMSG_RESULTS, L"SysListView32");
    ASSERT_TRUE(from && to && keywords && results);
    TypeDate(from, 2026, 12, 1);
    TypeDate(to, 2026, 12, 8);
    TypeInto(keywords, L"退货运费");
    PressKey(VK_RETURN);
    ASSERT_TRUE(Wait([&] { return ListRowCount(results) == 2; })) << ListRowCount(results) << " rows";
    const std::vector<std::wstring> first = ListRowTexts(results, 0, 4);
    const std::vector<std::wstring> second = ListRowTexts(results, 1, 4);
    EXPECT_EQ(first[2], L"2026-12-05 10:00:00");
    EXPECT_EQ(first[3], L"请问退货运费谁承担？");
    EXPECT_EQ(first[1], L"周宁");
    EXPECT_EQ(second[0], L"周宁");
    EXPECT_EQ(second[3], L"退货运费由我们承担，请放心寄回。");
    SaveShot(main, L"desk_message_search.bmp");

    // A double click on 周宁's answer opens that pair's history.
    ClickRow(results, 1, true);
    HWND tabs = FindControl(main, 1010, L"SysTabControl32");
    ASSERT_TRUE(Wait([&] { return SelectedTab(tabs) == kMsgMgrTab; }, 10000)) << "the history tab did not open";
    HWND owners = Control(IDC_MSGMGR_OWNERS, L"ComboBox");
    EXPECT_TRUE(Wait([&] { return ControlText(owners) == L"周宁"; }, 10000)) << ControlText(owners);
    // The engine fetches the pair's records; the view reads again a second
    // after it found none. A user whose server was slower clicks the row.
    bool shown = Wait([&] { return Shows(history, L"退货运费由我们承担"); }, 8000);
    if (!shown) {
        ASSERT_TRUE(Wait([&] { return ListRowCount(customers) >= 1; }));
        ClickRow(customers, 0);
        shown = Wait([&] { return Shows(history, L"退货运费由我们承担"); });
    }
    ASSERT_TRUE(shown) << ControlText(history);
    EXPECT_TRUE(Shows(history, L"请问退货运费谁承担？"));
    EXPECT_TRUE(Shows(history, L"退货运费能退吗？")) << "the whole history of the pair, not only the hits";
    SaveShot(main, L"desk_history_pair.bmp");
}

}  // namespace
