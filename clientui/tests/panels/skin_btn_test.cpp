// CSkinBtn: a picture per state, hover through the mouse messages, pressed
// and disabled from the draw requests, the caption only with an icon, and
// the parent's background wherever no picture covers the button.
#include "PanelTestSupport.h"

#include "clientui/SkinBtn.h"

#include "fw/DeviceContext.h"
#include "fw/GdiObject.h"

using paneltest::CScratchFolder;
using paneltest::Pump;

namespace {

const COLORREF kParentColour = RGB(10, 120, 30);
const COLORREF kNormal = RGB(200, 0, 0);
const COLORREF kHover = RGB(0, 200, 0);
const COLORREF kPressed = RGB(0, 0, 200);
const COLORREF kDisabled = RGB(128, 128, 128);
const COLORREF kIcon = RGB(250, 220, 0);
const COLORREF kMagenta = RGB(255, 0, 255);
const int kButtonId = 1234;
const RECT kButtonRect = {20, 20, 100, 44};  // in the parent
const POINT kParentOrigin = {60, 60};

class SkinBtnTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(paneltest::WriteBmp(normal_, 80, 24, kNormal, kMagenta));
        ASSERT_TRUE(paneltest::WriteBmp(hover_, 80, 24, kHover, kMagenta));
        ASSERT_TRUE(paneltest::WriteBmp(pressed_, 80, 24, kPressed, kMagenta));
        ASSERT_TRUE(paneltest::WriteBmp(disabled_, 80, 24, kDisabled, kMagenta));
        ASSERT_TRUE(paneltest::WriteBmp(icon_, 16, 16, kIcon, RGB(255, 255, 255)));
        MoveCursorAway();
        const RECT parentRect = {kParentOrigin.x, kParentOrigin.y, kParentOrigin.x + 200, kParentOrigin.y + 100};
        ASSERT_TRUE(parent_.CreateEx(0, L"", L"parent", WS_POPUP | WS_VISIBLE, parentRect, nullptr, 0));
        ::UpdateWindow(parent_);
        ::SetForegroundWindow(parent_);
        HWND hwnd = ::CreateWindowExW(0, L"BUTTON", L"Caption", WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON,
                                      kButtonRect.left, kButtonRect.top, kButtonRect.right - kButtonRect.left,
                                      kButtonRect.bottom - kButtonRect.top, parent_,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)), nullptr, nullptr);
        ASSERT_TRUE(hwnd);
        ASSERT_TRUE(button_.Subclass(hwnd));
        button_.SetBitmaps(normal_, hover_, pressed_, disabled_);
        button_.SetTextPos(20, 4);
        button_.ShowWindow(SW_SHOW);
        ::UpdateWindow(hwnd);
        Pump();
    }
    void TearDown() override {
        MoveCursorAway();
        button_.DestroyWindow();
        parent_.DestroyWindow();
        Pump(10);
    }

    static void MoveCursorAway() { ::SetCursorPos(5, 5); }
    void MoveCursorOnButton() {
        ::SetCursorPos(kParentOrigin.x + kButtonRect.left + 40, kParentOrigin.y + kButtonRect.top + 12);
    }
    void Hover() {
        MoveCursorOnButton();
        button_.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(40, 12));
    }
    COLORREF PixelAt(int x, int y) {
        fw::CClientDC dc(button_);
        return ::GetPixel(dc, x, y);
    }
    // Pixels of the caption area that differ from the given colour.
    int CaptionPixelsOtherThan(COLORREF colour) {
        fw::CClientDC dc(button_);
        int count = 0;
        for (int y = 4; y < 20; ++y)
            for (int x = 20; x < 78; ++x)
                if (::GetPixel(dc, x, y) != colour) ++count;
        return count;
    }

    CScratchFolder folder_;
    std::wstring normal_ = folder_.File(L"normal.bmp");
    std::wstring hover_ = folder_.File(L"hover.bmp");
    std::wstring pressed_ = folder_.File(L"pressed.bmp");
    std::wstring disabled_ = folder_.File(L"disabled.bmp");
    std::wstring icon_ = folder_.File(L"icon.bmp");
    paneltest::CColourParent parent_{kParentColour};
    CSkinBtn button_;
};

}  // namespace

TEST_F(SkinBtnTest, BecomesOwnerDrawnAndKeepsTheParentsBackgroundUnderMagenta) {
    EXPECT_EQ(button_.GetStyle() & BS_TYPEMASK, static_cast<DWORD>(BS_OWNERDRAW));
    EXPECT_TRUE(button_.IsBackgroundSaved());
    button_.Paint();
    EXPECT_EQ(button_.GetState(), CSkinBtn::kNormal);
    EXPECT_EQ(PixelAt(10, 10), kNormal);
    EXPECT_EQ(PixelAt(0, 0), kParentColour) << "magenta is transparent";
    const RECT inParent = button_.GetRectInParent();
    EXPECT_EQ(inParent.left, kButtonRect.left);
    EXPECT_EQ(inParent.top, kButtonRect.top);
    EXPECT_EQ(inParent.right, kButtonRect.right);
    EXPECT_EQ(inParent.bottom, kButtonRect.bottom);
}

TEST_F(SkinBtnTest, HoverStartsWithAMouseMoveAndEndsAtTheFirstTickOutside) {
    Hover();
    EXPECT_TRUE(button_.IsHovering());
    EXPECT_EQ(button_.GetState(), CSkinBtn::kHover);
    EXPECT_EQ(PixelAt(10, 10), kHover);

    // Still inside: the tick changes nothing.
    button_.SendMessage(WM_TIMER, CSkinBtn::kHoverTimerId);
    EXPECT_TRUE(button_.IsHovering());

    MoveCursorAway();
    button_.SendMessage(WM_TIMER, CSkinBtn::kHoverTimerId);
    EXPECT_FALSE(button_.IsHovering());
    EXPECT_EQ(button_.GetState(), CSkinBtn::kNormal);
    EXPECT_EQ(PixelAt(10, 10), kNormal);
}

TEST_F(SkinBtnTest, MouseLeaveEndsTheHoverOnlyWhenTheCursorIsOutside) {
    Hover();
    button_.SendMessage(WM_MOUSELEAVE);
    EXPECT_TRUE(button_.IsHovering()) << "the cursor is still on the button";
    MoveCursorAway();
    button_.SendMessage(WM_MOUSELEAVE);
    EXPECT_FALSE(button_.IsHovering());
    EXPECT_EQ(PixelAt(10, 10), kNormal);
}

TEST_F(SkinBtnTest, TheRunningTimerEndsTheHoverByItself) {
    Hover();
    MoveCursorAway();
    Pump(200);
    EXPECT_FALSE(button_.IsHovering());
    EXPECT_EQ(PixelAt(10, 10), kNormal);
}

TEST_F(SkinBtnTest, PressedWithTheFocusShowsThePressedPicture) {
    ::SetForegroundWindow(parent_);
    button_.SetFocus();
    ASSERT_EQ(::GetFocus(), button_.GetHwnd());
    button_.SendMessage(BM_SETSTATE, TRUE);
    EXPECT_EQ(button_.GetState(), CSkinBtn::kPressed);
    EXPECT_EQ(PixelAt(10, 10), kPressed);
    button_.SendMessage(BM_SETSTATE, FALSE);
    EXPECT_EQ(button_.GetState(), CSkinBtn::kNormal);

    // Released while the mouse is still over it: back to hover.
    Hover();
    button_.SendMessage(BM_SETSTATE, TRUE);
    EXPECT_EQ(button_.GetState(), CSkinBtn::kPressed);
    button_.SendMessage(BM_SETSTATE, FALSE);
    EXPECT_EQ(button_.GetState(), CSkinBtn::kHover);
    EXPECT_EQ(PixelAt(10, 10), kHover);
}

TEST_F(SkinBtnTest, HoveredWithoutTheFocusStaysHoveredWhenRedrawn) {
    Hover();
    ::SetFocus(parent_);
    button_.Invalidate(false);
    ::UpdateWindow(button_);
    EXPECT_EQ(button_.GetState(), CSkinBtn::kHover);
    EXPECT_EQ(PixelAt(10, 10), kHover);
}

TEST_F(SkinBtnTest, DisabledShowsTheDisabledPictureAndIgnoresTheMouse) {
    button_.EnableWindow(false);
    Pump(10);
    EXPECT_EQ(button_.GetState(), CSkinBtn::kDisabled);
    EXPECT_EQ(PixelAt(10, 10), kDisabled);
    Hover();
    EXPECT_FALSE(button_.IsHovering());
    EXPECT_EQ(PixelAt(10, 10), kDisabled);

    MoveCursorAway();
    button_.EnableWindow(true);
    Pump(10);
    EXPECT_NE(button_.GetState(), CSkinBtn::kDisabled);
    EXPECT_EQ(PixelAt(10, 10), kNormal);
    Hover();
    EXPECT_TRUE(button_.IsHovering());
}

TEST_F(SkinBtnTest, WhileDisabledTheHoverWaitsForTheFirstTickAfterEnabling) {
    Hover();
    button_.EnableWindow(false);
    MoveCursorAway();
    button_.SendMessage(WM_TIMER, CSkinBtn::kHoverTimerId);
    EXPECT_TRUE(button_.IsHovering());
    button_.EnableWindow(true);
    button_.SendMessage(WM_TIMER, CSkinBtn::kHoverTimerId);
    EXPECT_FALSE(button_.IsHovering());
    EXPECT_EQ(button_.GetState(), CSkinBtn::kNormal);
}

TEST_F(SkinBtnTest, AClickReachesTheParent) {
    button_.SendMessage(BM_CLICK);
    Pump(10);
    ASSERT_EQ(parent_.commands.size(), 1u);
    EXPECT_EQ(LOWORD(parent_.commands[0]), kButtonId);
    EXPECT_EQ(HIWORD(parent_.commands[0]), BN_CLICKED);
}

TEST_F(SkinBtnTest, TheCaptionIsDrawnOnlyWithTheStatesIcon) {
    button_.SetTextColors(RGB(0, 0, 0), RGB(255, 255, 255), RGB(255, 255, 255));
    EXPECT_EQ(CaptionPixelsOtherThan(kNormal), 0) << "no icon: no caption";

    button_.SetIconImages(icon_, folder_.Path() + L"no-hover-icon.bmp");
    button_.Paint();
    EXPECT_GT(CaptionPixelsOtherThan(kNormal), 0) << "icon: caption drawn";
    EXPECT_EQ(PixelAt(8, 8), kIcon);
    EXPECT_EQ(PixelAt(0, 0), kParentColour);

    Hover();
    EXPECT_EQ(CaptionPixelsOtherThan(kHover), 0) << "no hover icon: neither icon nor caption while hovered";
    EXPECT_EQ(PixelAt(8, 8), kHover);
}

TEST_F(SkinBtnTest, AStatePictureThatFailedToLoadShowsTheSavedBackground) {
    button_.SetBitmaps(folder_.Path() + L"missing.bmp", hover_, pressed_, disabled_);
    button_.Paint();
    EXPECT_EQ(PixelAt(10, 10), kParentColour);
    Hover();
    EXPECT_EQ(PixelAt(10, 10), kHover);
}

// The saved background on parents that paint under their children and on
// parents that clip them (and so paint nothing under the button), whether
// they paint in WM_PAINT or in WM_ERASEBKGND; and again after the button has
// moved within its parent. The parent's left half and right half differ, and
// the magenta corner of the button must show the half it lies on.
namespace {

const COLORREF kLeftHalf = RGB(20, 90, 200);
const COLORREF kRightHalf = RGB(230, 160, 20);
const RECT kLeftPlace = {20, 20, 100, 44};
const RECT kRightPlace = {110, 50, 190, 74};

class CTwoColourParent : public fw::CWindow {
public:
    explicit CTwoColourParent(bool paintsInErase) : m_paintsInErase(paintsInErase) {}

protected:
    bool OnPaint() override {
        if (m_paintsInErase) return false;
        fw::CPaintDC dc(m_hWnd);
        Fill(dc);
        return true;
    }
    bool OnEraseBkgnd(HDC dc, LRESULT* result) override {
        if (m_paintsInErase) Fill(dc);
        *result = 1;
        return true;
    }

private:
    void Fill(HDC dc) const {
        const RECT client = GetClientRect();
        const int middle = client.right / 2;
        fw::CBrush left(::CreateSolidBrush(kLeftHalf));
        fw::CBrush right(::CreateSolidBrush(kRightHalf));
        const RECT leftRect = {0, 0, middle, client.bottom};
        const RECT rightRect = {middle, 0, client.right, client.bottom};
        ::FillRect(dc, &leftRect, left);
        ::FillRect(dc, &rightRect, right);
    }
    bool m_paintsInErase;
};

struct ParentCase {
    const char* name;
    DWORD style;
    bool paintsInErase;
};

const ParentCase kParentCases[] = {
    {"PaintsUnderItsChildren", 0, false},
    {"ClipsItsChildrenAndPaintsInWmPaint", WS_CLIPCHILDREN, false},
    {"ClipsItsChildrenAndPaintsInWmEraseBkgnd", WS_CLIPCHILDREN, true},
};

class SkinBtnParentTest : public ::testing::TestWithParam<ParentCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(paneltest::WriteBmp(normal_, 80, 24, kNormal, kMagenta));
        ::SetCursorPos(5, 5);
        const RECT parentRect = {kParentOrigin.x, kParentOrigin.y, kParentOrigin.x + 200, kParentOrigin.y + 100};
        ASSERT_TRUE(parent_.CreateEx(WS_EX_TOPMOST, L"", L"parent", WS_POPUP | GetParam().style, parentRect,
                                     nullptr, 0));
        // The button is there before the parent is first shown, as a
        // dialog's buttons are.
        HWND hwnd = ::CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, kLeftPlace.left,
                                      kLeftPlace.top, 80, 24, parent_,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)), nullptr, nullptr);
        ASSERT_TRUE(hwnd);
        ASSERT_TRUE(button_.Subclass(hwnd));
        button_.SetBitmaps(normal_, normal_, normal_, normal_);
        parent_.ShowWindow(SW_SHOW);
        ::SetForegroundWindow(parent_);
        ::UpdateWindow(parent_);
        Pump();
    }
    void TearDown() override {
        button_.DestroyWindow();
        parent_.DestroyWindow();
        Pump(10);
    }
    // What the screen shows at (x, y) of the button.
    COLORREF ScreenPixel(int x, int y) {
        POINT pt = {x, y};
        ::ClientToScreen(button_, &pt);
        fw::CClientDC screen(nullptr);
        return ::GetPixel(screen, pt.x, pt.y);
    }
    // Waits until the button's magenta corner and its middle show the
    // expected colours on the screen.
    bool ShowsCornerAndFace(COLORREF corner) {
        return paneltest::PumpUntil([&] { return ScreenPixel(0, 0) == corner && ScreenPixel(10, 10) == kNormal; });
    }

    CScratchFolder folder_;
    std::wstring normal_ = folder_.File(L"normal.bmp");
    CTwoColourParent parent_{GetParam().paintsInErase};
    CSkinBtn button_;
};

}  // namespace

TEST_P(SkinBtnParentTest, TheTransparentCornerShowsTheParentUnderTheButtonWhereverItIs) {
    ASSERT_TRUE(button_.IsBackgroundSaved());
    EXPECT_TRUE(ShowsCornerAndFace(kLeftHalf)) << std::hex << "corner 0x" << ScreenPixel(0, 0);

    // A repaint of the parent and of the button keeps it.
    parent_.Invalidate(true);
    ::UpdateWindow(parent_);
    button_.Invalidate(true);
    ::UpdateWindow(button_);
    EXPECT_TRUE(ShowsCornerAndFace(kLeftHalf)) << std::hex << "corner 0x" << ScreenPixel(0, 0);

    // Moved onto the other half (and resized back and forth, as a caption
    // button is when its window changes size): the copy is taken again.
    button_.MoveWindow(RECT{kRightPlace.left, kRightPlace.top, kRightPlace.right - 10, kRightPlace.bottom});
    button_.MoveWindow(kRightPlace);
    EXPECT_TRUE(ShowsCornerAndFace(kRightHalf)) << std::hex << "corner 0x" << ScreenPixel(0, 0);
    const RECT inParent = button_.GetRectInParent();
    EXPECT_EQ(inParent.left, kRightPlace.left);
    EXPECT_EQ(inParent.top, kRightPlace.top);
}

INSTANTIATE_TEST_SUITE_P(Parents, SkinBtnParentTest, ::testing::ValuesIn(kParentCases),
                         [](const ::testing::TestParamInfo<ParentCase>& info) { return info.param.name; });

TEST(SkinPictureTest, PicturesOfOneUnchangedFileShareOneBitmap) {
    // Every window of a kind loads the same skin files: the second load of a
    // file takes the first one's bitmap; a file changed since is read anew,
    // and a picture loaded before keeps what it had.
    CScratchFolder folder;
    const std::wstring path = folder.File(L"shared.bmp");
    ASSERT_TRUE(paneltest::WriteBmp(path, 40, 20, kNormal));
    CSkinPicture first, second;
    ASSERT_TRUE(first.Load(path));
    ASSERT_TRUE(second.Load(path));
    EXPECT_EQ(first.GetBitmap(), second.GetBitmap());
    EXPECT_EQ(second.GetWidth(), 40);

    ASSERT_TRUE(paneltest::WriteBmp(path, 30, 10, kHover));
    CSkinPicture changed;
    ASSERT_TRUE(changed.Load(path));
    EXPECT_NE(changed.GetBitmap(), first.GetBitmap());
    EXPECT_EQ(changed.GetWidth(), 30);
    EXPECT_EQ(changed.GetHeight(), 10);
    EXPECT_EQ(first.GetWidth(), 40);
    EXPECT_EQ(fw::GetBitmapSize(first.GetBitmap()).cx, 40);

    // Gone with its last picture: the others still draw theirs.
    first.Destroy();
    EXPECT_TRUE(first.IsNull());
    EXPECT_FALSE(second.IsNull());
    EXPECT_EQ(fw::GetBitmapSize(second.GetBitmap()).cx, 40);
    CSkinPicture missing;
    EXPECT_FALSE(missing.Load(folder.File(L"missing.bmp")));
    EXPECT_TRUE(missing.IsNull());
}
