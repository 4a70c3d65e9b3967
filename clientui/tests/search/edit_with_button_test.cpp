// CEditWithButton: which click sends which message, the text rectangle and
// window size it gives itself, the one line it keeps, and the clear button
// shown only with text.
#include "clientui/EditWithButton.h"

#include "SearchTestHost.h"
#include "fw/Application.h"
#include "fw/MemoryDC.h"

#include <gtest/gtest.h>

namespace {

using searchtest::CRecordingHost;

constexpr RECT kTextRect = {4, 4, 150, 20};
constexpr RECT kSearchRect = {155, 3, 171, 19};
constexpr RECT kClearRect = {177, 3, 193, 19};

class EditWithButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.IsWindow());
        HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | CEditWithButton::kEditStyle, 0, 28,
                                      120, 20, host.GetHwnd(), reinterpret_cast<HMENU>(1051), nullptr, nullptr);
        ASSERT_NE(nullptr, edit);
        ASSERT_TRUE(box.Subclass(edit));
        box.SetWindowSize(199, 22);
        box.SetSearchButtonRect(kSearchRect);
        box.SetClearButtonRect(kClearRect);
        box.SetEditRect(kTextRect.left, kTextRect.top, kTextRect.right, kTextRect.bottom);
    }

    void Click(POINT point) { box.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y)); }

    CRecordingHost host;
    CEditWithButton box;
};

TEST_F(EditWithButtonTest, ButtonClicksSendTheirMessagesOnlyWithTextOrAlwaysNotify) {
    struct Case {
        const wchar_t* text;
        bool alwaysNotify;
        POINT point;
        UINT expected;  // 0: nothing
    } cases[] = {
        {L"zs", false, {160, 10}, WM_EDITBTN_SEARCH},
        {L"zs", false, {180, 10}, WM_EDITBTN_CLEAR},
        {L"zs", false, {50, 10}, 0},   // in the text
        {L"", false, {180, 10}, 0},    // empty box: the clear button sends nothing
        {L"", false, {160, 10}, 0},
        {L"", true, {180, 10}, WM_EDITBTN_CLEAR},
        {L"", true, {160, 10}, WM_EDITBTN_SEARCH},
    };
    for (const Case& c : cases) {
        host.sent.clear();
        box.SetAlwaysNotify(c.alwaysNotify);
        box.SetWindowText(c.text);
        Click(c.point);
        if (c.expected == 0) {
            EXPECT_TRUE(host.sent.empty()) << "text '" << (c.text[0] ? "zs" : "") << "' x " << c.point.x;
        } else {
            ASSERT_EQ(1u, host.sent.size()) << "x " << c.point.x;
            EXPECT_EQ(c.expected, host.sent[0].msg);
            EXPECT_EQ(0u, host.sent[0].wParam);
            EXPECT_EQ(0, host.sent[0].lParam);
        }
    }
    EXPECT_EQ(1524, WM_EDITBTN_CLEAR);
    EXPECT_EQ(1525, WM_EDITBTN_SEARCH);
}

TEST_F(EditWithButtonTest, GivesItselfItsSizeAndKeepsTheTextClearOfTheButtons) {
    const RECT window = box.GetWindowRect();
    EXPECT_EQ(199, window.right - window.left);
    EXPECT_EQ(22, window.bottom - window.top);
    // The text ends before the search button: the formatting rectangle
    // (or, in a one-line edit, the margins) says so.
    auto textRight = [this] {
        RECT format = {};
        box.SendMessage(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
        const DWORD margins = static_cast<DWORD>(box.SendMessage(EM_GETMARGINS));
        const RECT client = box.GetClientRect();
        const LONG byMargin = client.right - HIWORD(margins);
        return format.right < byMargin ? format.right : byMargin;
    };
    EXPECT_LE(textRight(), kSearchRect.left);
    EXPECT_EQ(kTextRect.left, LOWORD(box.SendMessage(EM_GETMARGINS)));

    // A new font keeps the rectangle.
    box.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    EXPECT_LE(textRight(), kSearchRect.left);
}

TEST_F(EditWithButtonTest, TheTextSitsInTheTextRectangle) {
    RECT format = {};
    box.SendMessage(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
    EXPECT_EQ(kTextRect.top, format.top);
    EXPECT_GE(format.left, kTextRect.left);
    EXPECT_LE(format.right, kTextRect.right);
}

TEST(EditWithButtonOneLineTest, LineBreaksAndTabsBecomeBlanks) {
    const struct {
        const wchar_t* text;
        const wchar_t* expected;
    } cases[] = {
        {L"zs", L"zs"},
        {L"zhang\r\nsan", L"zhang san"},
        {L"a\rb\nc\td", L"a b c d"},
        {L"\r\n\r\n", L"  "},
        {L"张三\n", L"张三 "},
        {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(CEditWithButton::OneLine(c.text), c.expected);
}

TEST_F(EditWithButtonTest, KeepsToOneLine) {
    // Enter, Tab and line breaks typed are not taken; other characters are.
    for (const wchar_t c : {L'z', L'\r', L'\n', L'\t', L's'}) box.SendMessage(WM_CHAR, c, 1);
    EXPECT_EQ(box.GetWindowText(), L"zs");
    // The dialog keeps Enter, Tab and Esc.
    MSG enter = {};
    enter.hwnd = box.GetHwnd();
    enter.message = WM_KEYDOWN;
    enter.wParam = VK_RETURN;
    const LRESULT code = box.SendMessage(WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter));
    EXPECT_EQ(0, code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE | DLGC_WANTTAB));

    // A pasted text of two lines is one line.
    const std::wstring pasted = L"zhang\r\nsan";
    // Opened without an owner window: a later EmptyClipboard of another
    // program then has no window of this test to wait for.
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, (pasted.size() + 1) * sizeof(wchar_t));
    ASSERT_NE(nullptr, block);
    ::memcpy(::GlobalLock(block), pasted.c_str(), (pasted.size() + 1) * sizeof(wchar_t));
    ::GlobalUnlock(block);
    ASSERT_NE(nullptr, ::SetClipboardData(CF_UNICODETEXT, block));
    ::CloseClipboard();
    box.SendMessage(EM_SETSEL, 2, 2);
    box.SendMessage(WM_PASTE);
    EXPECT_EQ(box.GetWindowText(), L"zszhang san");
    EXPECT_EQ(1, box.SendMessage(EM_GETLINECOUNT));
}

TEST_F(EditWithButtonTest, TextStateFollowsTheText) {
    box.SetWindowText(L"abc");
    box.UpdateTextState();
    EXPECT_TRUE(box.GetHasTextFlag());
    box.SetWindowText(L"");
    box.UpdateTextState();
    EXPECT_FALSE(box.GetHasTextFlag());
}

TEST_F(EditWithButtonTest, ClearButtonIsPaintedOnlyWhileTheBoxHoldsText) {
    const std::wstring skin = fw::CApplication::GetProgramFolder() + L"..\\bin\\Resource\\Comm\\search\\";
    box.SetBitmaps(skin + L"left.bmp", skin + L"right.bmp", skin + L"mid.bmp", skin + L"search.bmp",
                   skin + L"close.bmp");
    HDC screen = ::GetDC(nullptr);
    fw::CMemoryDC withText(screen, 199, 22);
    fw::CMemoryDC empty(screen, 199, 22);
    ::ReleaseDC(nullptr, screen);
    const RECT all = {0, 0, 199, 22};
    ::FillRect(withText, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::FillRect(empty, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));

    box.SetWindowText(L"zs");
    box.PaintBackground(withText);
    box.SetWindowText(L"");
    box.PaintBackground(empty);
    EXPECT_FALSE(box.GetHasTextFlag());

    int differing = 0;
    for (int y = kClearRect.top; y < kClearRect.bottom; ++y)
        for (int x = kClearRect.left; x < kClearRect.right; ++x)
            if (::GetPixel(withText, x, y) != ::GetPixel(empty, x, y)) ++differing;
    EXPECT_GT(differing, 0) << "the clear button is drawn with text";
    // The search button is there in both.
    int same = 0;
    for (int y = kSearchRect.top; y < kSearchRect.bottom; ++y)
        for (int x = kSearchRect.left; x < kSearchRect.right; ++x)
            if (::GetPixel(withText, x, y) == ::GetPixel(empty, x, y)) ++same;
    EXPECT_EQ((kSearchRect.right - kSearchRect.left) * (kSearchRect.bottom - kSearchRect.top), same);
}

// The messenger's box: one button, whose click sends the box's click
// message with text in the box (or always-notify); the search picture is only
// a mark at (5, 5).
TEST_F(EditWithButtonTest, OneButtonSendsTheClickMessageAndTheSearchMarkNothing) {
    constexpr RECT kButton = {176, 5, 196, 18};
    box.SetOneButton(kButton, WM_EDITBTN_CLEAR);
    EXPECT_TRUE(box.IsOneButton());
    EXPECT_EQ(WM_EDITBTN_CLEAR, box.GetClickMessage());
    const struct {
        const wchar_t* text;
        bool alwaysNotify;
        POINT point;
        UINT expected;
    } cases[] = {
        {L"zs", false, {180, 10}, WM_EDITBTN_CLEAR},
        {L"zs", false, {8, 8}, 0},  // the search mark
        {L"zs", false, {160, 10}, 0},
        {L"", false, {180, 10}, 0},
        {L"", true, {180, 10}, WM_EDITBTN_CLEAR},
    };
    for (const auto& c : cases) {
        host.sent.clear();
        box.SetAlwaysNotify(c.alwaysNotify);
        box.SetWindowText(c.text);
        Click(c.point);
        if (c.expected == 0) {
            EXPECT_TRUE(host.sent.empty()) << "x " << c.point.x;
        } else {
            ASSERT_EQ(1u, host.sent.size()) << "x " << c.point.x;
            EXPECT_EQ(c.expected, host.sent[0].msg);
        }
    }
    box.SetClickMessage(4024);
    box.SetWindowText(L"zs");
    host.sent.clear();
    Click(POINT{180, 10});
    ASSERT_EQ(1u, host.sent.size());
    EXPECT_EQ(4024u, host.sent[0].msg);

    // The mark is painted at (5, 5) with or without text; the button's
    // picture only with text.
    const std::wstring skin = fw::CApplication::GetProgramFolder() + L"..\\bin\\Resource\\Comm\\search\\";
    box.SetBitmaps(skin + L"left.bmp", skin + L"right.bmp", skin + L"mid.bmp", skin + L"search.bmp",
                   skin + L"close.bmp");
    HDC screen = ::GetDC(nullptr);
    fw::CMemoryDC withText(screen, 199, 22);
    fw::CMemoryDC empty(screen, 199, 22);
    fw::CMemoryDC bare(screen, 199, 22);
    ::ReleaseDC(nullptr, screen);
    const RECT all = {0, 0, 199, 22};
    for (HDC dc : {static_cast<HDC>(withText), static_cast<HDC>(empty), static_cast<HDC>(bare)})
        ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    box.PaintBackground(withText);
    box.SetWindowText(L"");
    box.PaintBackground(empty);
    int markPixels = 0, buttonDiffers = 0;
    for (int y = 5; y < 17; ++y)
        for (int x = 5; x < 17; ++x) {
            EXPECT_EQ(::GetPixel(withText, x, y), ::GetPixel(empty, x, y));
            if (::GetPixel(empty, x, y) != ::GetPixel(bare, x, y)) ++markPixels;
        }
    for (int y = kButton.top; y < kButton.bottom; ++y)
        for (int x = kButton.left; x < kButton.right; ++x)
            if (::GetPixel(withText, x, y) != ::GetPixel(empty, x, y)) ++buttonDiffers;
    EXPECT_GT(markPixels, 0) << "the search mark is drawn";
    EXPECT_GT(buttonDiffers, 0) << "the button's picture is drawn with text";
}

}  // namespace
