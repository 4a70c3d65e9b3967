// The Flash pop-up of the registered Mervale.dll, shown by the picture
// manager over a window on the test display, with the Flash stand-in
// (FlashStandIn.dll) registered under the Flash class id: the layered
// pop-up covers the parent's client area and lets it show through where the
// movie is transparent, ends on the movie's "quit" and on its time-out, and
// leaves no window and no object behind.
//
// With QV_FLASH_SHOT set to a file name, the test of the click writes a
// screenshot of the pop-up over its parent's client area there (PNG).
#include "ManagerTestSupport.h"

#include "control/GdiplusHeaders.h"

#include <cstdlib>
#include <fstream>

using com::Bstr;
using com::ComPtr;
using managertest::Handle;
using managertest::PumpFor;
using managertest::PumpUntil;
using managertest::ScreenPixel;
using managertest::ThreadWindows;
using managertest::WindowOf;

namespace {

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new managertest::RegisteredEnvironment);

constexpr ULONG kNoTimeOut = 0xFFFFFFFF;
constexpr COLORREF kParentColour = RGB(250, 240, 180);
const wchar_t kPopupClass[] = L"AtlAxWin80";

// A movie for the stand-in (see standins/flash), in the temporary folder.
std::wstring WriteMovie(const wchar_t* name, const char* text) {
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + name;
    std::ofstream(path.c_str(), std::ios::binary) << text;
    return path;
}

bool IsParentColour(COLORREF c) {
    return std::abs(GetRValue(c) - 250) < 12 && std::abs(GetGValue(c) - 240) < 12 && std::abs(GetBValue(c) - 180) < 12;
}

// The stand-in's panel: blue, over whatever lies below.
bool IsPanelColour(COLORREF c) { return GetBValue(c) > GetRValue(c) + 60 && GetBValue(c) > GetGValue(c) + 30; }

RECT ClientOnScreen(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

POINT Centre(const RECT& rect) { return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

// A real click, as the user gives it.
void ClickAt(POINT at, bool right = false) {
    SetCursorPos(at.x, at.y);
    PumpFor(50);
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
}

// The screen's rectangle as a PNG file.
void SaveScreenshot(const RECT& area, const wchar_t* file) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, old);
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    {
        Gdiplus::Bitmap picture(bitmap, nullptr);
        const CLSID png = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
        picture.Save(file, &png, nullptr);
    }
    Gdiplus::GdiplusShutdown(token);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

LRESULT CALLBACK ParentProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        SetBkMode(dc, TRANSPARENT);
        const wchar_t text[] = L"\u4F1A\u8BDD\u7A97\u53E3: the Flash pop-up lies over this window";
        TextOutW(dc, 16, 16, text, static_cast<int>(wcslen(text)));
        EndPaint(window, &ps);
        return 0;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

class FlashPopup : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &ParentProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = CreateSolidBrush(kParentColour);
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
        wc.lpszClassName = L"FlashPopupParent";
        RegisterClassW(&wc);
    }

    // One parent for the tests (a top-level window takes a while to go
    // under a display without a window manager); a test that destroys it
    // gets a new one.
    static void TearDownTestSuite() {
        if (s_parent) DestroyWindow(s_parent);
        s_parent = nullptr;
    }

    void SetUp() override {
        if (!IsWindow(s_parent)) {
            s_parent = CreateWindowExW(0, L"FlashPopupParent", L"Flash pop-up parent",
                                       WS_OVERLAPPEDWINDOW | WS_VISIBLE, 120, 100, 640, 420, nullptr, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
        }
        m_parent = s_parent;
        ASSERT_TRUE(m_parent);
        // The display is shared with other tests' programs, whose windows
        // may stay on top: the clicks and screen reads here are for this one.
        SetWindowPos(m_parent, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        SetForegroundWindow(m_parent);
        UpdateWindow(m_parent);
        PumpFor(100);
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_PexoManager, nullptr, CLSCTX_INPROC_SERVER, IID_IPexoManager,
                                         m_manager.ReceiveVoid()));
    }

    // Nothing stays behind: no pop-up, no Flash control, no object of the
    // library once the manager is gone.
    void TearDown() override {
        m_manager.Reset();
        PumpFor(50);
        EXPECT_TRUE(ThreadWindows(kPopupClass).empty());
        EXPECT_EQ(S_OK, managertest::CanUnloadNow(L"FlashStandIn.dll"));
        EXPECT_EQ(S_OK, managertest::CanUnloadNow(L"Mervale.dll"));
    }

    HWND Show(const std::wstring& movie, ULONG timeOut, HRESULT expected = S_OK) {
        Bstr text(movie.c_str());
        OLE_HANDLE popup = 0;
        EXPECT_EQ(expected, m_manager->ShowFlash(Handle(m_parent), text.Get(), timeOut, &popup));
        return WindowOf(popup);
    }

    // The pop-up as the user sees it: a layered pop-up of the host class,
    // owned by the parent, exactly over its client area, showing the movie's
    // panel in the middle and the parent itself where the movie is clear.
    void ExpectShownOverParent(HWND popup) {
        ASSERT_TRUE(IsWindow(popup));
        EXPECT_EQ(std::wstring(kPopupClass), managertest::ClassName(popup));
        EXPECT_TRUE(GetWindowLongW(popup, GWL_EXSTYLE) & WS_EX_LAYERED);
        EXPECT_TRUE(GetWindowLongW(popup, GWL_STYLE) & WS_POPUP);
        EXPECT_TRUE(IsWindowVisible(popup));
        EXPECT_EQ(m_parent, GetWindow(popup, GW_OWNER));
        RECT popupRect{};
        GetWindowRect(popup, &popupRect);
        const RECT client = ClientOnScreen(m_parent);
        EXPECT_TRUE(EqualRect(&popupRect, &client));
        const POINT middle = Centre(client);
        EXPECT_TRUE(PumpUntil([&] { return IsPanelColour(ScreenPixel(middle)); }, 5000))
            << std::hex << ScreenPixel(middle);
        const POINT corner{client.left + 8, client.bottom - 8};
        EXPECT_TRUE(IsParentColour(ScreenPixel(corner))) << std::hex << ScreenPixel(corner);
    }

    bool WaitGone(HWND popup, DWORD ms = 10000) {
        return PumpUntil([&] { return !IsWindow(popup); }, ms);
    }

    static HWND s_parent;
    HWND m_parent = nullptr;
    ComPtr<IPexoManager> m_manager;
};

HWND FlashPopup::s_parent = nullptr;

// Other commands are not for the pop-up; "quit" (any case) ends it.
TEST_F(FlashPopup, ShowsTheMovieOverItsParentAndEndsOnQuit) {
    struct QuitCase {
        const wchar_t* file;
        const char* movie;
    };
    const QuitCase cases[] = {
        {L"quit.txt", "command hello 100\nquit 3000\ntext quits after 3 s\n"},
        {L"quit_capitals.txt", "command QUIT 1500\n"},
    };
    for (const QuitCase& c : cases) {
        HWND popup = Show(WriteMovie(c.file, c.movie), kNoTimeOut);
        ExpectShownOverParent(popup);
        PumpFor(700);
        EXPECT_TRUE(IsWindow(popup)) << c.movie;
        EXPECT_TRUE(WaitGone(popup)) << c.movie;
        EXPECT_TRUE(ThreadWindows(kPopupClass).empty());
        PumpFor(20);
        EXPECT_EQ(S_OK, managertest::CanUnloadNow(L"FlashStandIn.dll")) << c.movie;
    }
}

// The time-out counts from the moment the movie is completely loaded; a
// movie that never gets there ends after the time-out all the same.
TEST_F(FlashPopup, EndsOnItsTimeOut) {
    const DWORD start = GetTickCount();
    HWND popup = Show(WriteMovie(L"slow.txt", "ready 300\n"), 700);
    ASSERT_TRUE(IsWindow(popup));
    EXPECT_TRUE(WaitGone(popup));
    EXPECT_GE(GetTickCount() - start, 950u);

    popup = Show(WriteMovie(L"never.txt", "ready 600000\n"), 500);
    ASSERT_TRUE(IsWindow(popup));
    EXPECT_TRUE(WaitGone(popup));
}

// Without a time-out the pop-up stays until the movie quits: here when the
// user clicks the movie's panel.
TEST_F(FlashPopup, WithoutATimeOutItStaysUntilTheUserClicksQuit) {
    HWND popup = Show(WriteMovie(L"click.txt", "clickquit\ntext \xE7\x82\xB9\xE5\x87\xBB\xE5\x85\xB3\xE9\x97\xAD (click to close)\n"),
                      kNoTimeOut);
    ExpectShownOverParent(popup);
    PumpFor(1500);
    ASSERT_TRUE(IsWindow(popup));
    if (const char* shot = std::getenv("QV_FLASH_SHOT")) {
        const RECT area = ClientOnScreen(m_parent);
        const std::string narrow(shot);
        SaveScreenshot(area, std::wstring(narrow.begin(), narrow.end()).c_str());
    }
    // A right click is not the movie's: nothing ends.
    ClickAt(Centre(ClientOnScreen(m_parent)), true);
    PumpFor(500);
    EXPECT_TRUE(IsWindow(popup));
    ClickAt(Centre(ClientOnScreen(m_parent)));
    EXPECT_TRUE(WaitGone(popup));
}

TEST_F(FlashPopup, AFailedLoadLeavesNoPopUp) {
    EXPECT_EQ(nullptr, Show(L"Z:\\no\\such\\movie.swf", 1000, E_FAIL));
    EXPECT_TRUE(ThreadWindows(kPopupClass).empty());
    Bstr movie(WriteMovie(L"quit.txt", "quit 100\n").c_str());
    OLE_HANDLE popup = 0;
    EXPECT_EQ(E_FAIL, m_manager->ShowFlash(Handle(nullptr), movie.Get(), 1000, &popup));
    EXPECT_EQ(E_INVALIDARG, m_manager->ShowFlash(Handle(m_parent), movie.Get(), 1000, nullptr));
    EXPECT_TRUE(ThreadWindows(kPopupClass).empty());
}

// The pop-up belongs to its parent: it goes when the parent goes.
TEST_F(FlashPopup, GoesWithItsParent) {
    HWND popup = Show(WriteMovie(L"long.txt", "quit 600000\n"), kNoTimeOut);
    ASSERT_TRUE(IsWindow(popup));
    DestroyWindow(m_parent);
    EXPECT_FALSE(IsWindow(popup));
}

// Late-bound, as a script calls it.
TEST_F(FlashPopup, ShowFlashThroughIDispatch) {
    ComPtr<IDispatch> dispatch = m_manager.As<IDispatch>(IID_IDispatch);
    VARIANT args[3];  // reversed: time-out, movie, parent
    for (VARIANT& v : args) VariantInit(&v);
    args[2].vt = VT_I4;
    args[2].lVal = static_cast<LONG>(Handle(m_parent));
    args[1].vt = VT_BSTR;
    args[1].bstrVal = SysAllocString(WriteMovie(L"script.txt", "quit 500\n").c_str());
    args[0].vt = VT_I4;
    args[0].lVal = -1;  // 0xFFFFFFFF: no time-out
    DISPPARAMS params{args, nullptr, 3, 0};
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(S_OK, dispatch->Invoke(3, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr,
                                     nullptr));
    ASSERT_EQ(S_OK, VariantChangeType(&result, &result, 0, VT_UI4));
    HWND popup = WindowOf(result.ulVal);
    EXPECT_EQ(std::wstring(kPopupClass), managertest::ClassName(popup));
    EXPECT_TRUE(WaitGone(popup));
    VariantClear(&args[1]);
}

}  // namespace
