// CButtonST in a window (under the test X display): the gradient face and
// the border in each drawing state, check-box mode, double clicks, the
// default-button style and the tooltip.
#include "clientui/ButtonST.h"

#include "fw/MemoryDC.h"
#include "fw/Window.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <windows.h>

#include <cstdlib>
#include <memory>

namespace {

constexpr int kWidth = 80;
constexpr int kHeight = 24;
constexpr COLORREF kGradientLight = 0xFFFEFD;
constexpr COLORREF kGradientDark = 0xE9E5DA;

class TestButton : public CButtonST {
public:
    using CButtonST::DrawItem;
};

class ClickCounter : public fw::CWindow {
public:
    int clicks = 0;

protected:
    bool OnCommand(WPARAM wParam, LPARAM) override {
        if (HIWORD(wParam) == BN_CLICKED) ++clicks;
        return true;
    }
};

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

class ButtonSTTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.CreateEx(0, L"", L"buttons", WS_POPUP | WS_VISIBLE, RECT{0, 0, 300, 200}, nullptr, 0));
    }
    void TearDown() override { host.DestroyWindow(); }

    std::unique_ptr<TestButton> Make(DWORD type, const wchar_t* caption = L"OK", int x = 10) {
        HWND hwnd = ::CreateWindowExW(0, L"BUTTON", caption, WS_CHILD | WS_VISIBLE | type, x, 10, kWidth, kHeight,
                                      host, reinterpret_cast<HMENU>(static_cast<INT_PTR>(100 + x)), nullptr, nullptr);
        auto button = std::make_unique<TestButton>();
        EXPECT_TRUE(button->Subclass(hwnd));
        return button;
    }

    // Draws the button for the item state into a memory bitmap and reads
    // pixels from it.
    struct Drawing {
        std::unique_ptr<fw::CMemoryDC> dc;
        COLORREF At(int x, int y) const { return ::GetPixel(dc->Get(), x, y); }
        bool Has(COLORREF colour, const RECT& area) const {
            for (int y = area.top; y < area.bottom; ++y)
                for (int x = area.left; x < area.right; ++x)
                    if (At(x, y) == colour) return true;
            return false;
        }
    };
    Drawing Draw(TestButton& button, UINT itemState) {
        Drawing drawing;
        drawing.dc = std::make_unique<fw::CMemoryDC>(nullptr, kWidth, kHeight);
        DRAWITEMSTRUCT dis = {};
        dis.CtlType = ODT_BUTTON;
        dis.hwndItem = button.GetHwnd();
        dis.hDC = drawing.dc->Get();
        dis.rcItem = RECT{0, 0, kWidth, kHeight};
        dis.itemState = itemState;
        button.DrawItem(dis);
        return drawing;
    }

    ClickCounter host;
};

// Colours differ by a few steps where a gradient is sampled.
bool Near(COLORREF a, COLORREF b, int tolerance = 6) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

}  // namespace

TEST_F(ButtonSTTest, SubclassingMakesThePushButtonOwnerDrawn) {
    auto plain = Make(BS_PUSHBUTTON);
    EXPECT_EQ(plain->GetStyle() & 0x1F, static_cast<DWORD>(BS_OWNERDRAW));
    EXPECT_FALSE(plain->IsDefault());
    EXPECT_FALSE(plain->IsCheckBox());
    EXPECT_EQ(plain->SendMessage(WM_GETDLGCODE) & DLGC_UNDEFPUSHBUTTON, static_cast<LRESULT>(DLGC_UNDEFPUSHBUTTON));

    auto preferred = Make(BS_DEFPUSHBUTTON, L"Go", 100);
    EXPECT_TRUE(preferred->IsDefault());
    EXPECT_EQ(preferred->SendMessage(WM_GETDLGCODE) & DLGC_DEFPUSHBUTTON, static_cast<LRESULT>(DLGC_DEFPUSHBUTTON));
    // The dialog manager moves the default away: the style stays owner-drawn.
    preferred->SendMessage(BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    EXPECT_FALSE(preferred->IsDefault());
    EXPECT_EQ(preferred->GetStyle() & 0x1F, static_cast<DWORD>(BS_OWNERDRAW));
    preferred->SendMessage(BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    EXPECT_TRUE(preferred->IsDefault());
}

TEST_F(ButtonSTTest, TheFaceIsAVerticalGradientThatTurnsOverWhenPressed) {
    auto button = Make(BS_PUSHBUTTON);
    const Drawing normal = Draw(*button, 0);
    EXPECT_TRUE(Near(normal.At(5, 2), kGradientLight)) << std::hex << normal.At(5, 2);
    EXPECT_TRUE(Near(normal.At(5, kHeight - 3), kGradientDark)) << std::hex << normal.At(5, kHeight - 3);
    // Two outlines: 0xBDB2AB outside, white inside.
    EXPECT_EQ(normal.At(kWidth / 2, 0), 0xBDB2ABu);
    EXPECT_EQ(normal.At(kWidth / 2, 1), 0xFFFFFFu);
    EXPECT_FALSE(button->IsPressedDrawn());

    const Drawing pressed = Draw(*button, ODS_SELECTED | ODS_FOCUS);
    EXPECT_TRUE(button->IsPressedDrawn());
    EXPECT_TRUE(Near(pressed.At(5, 2), kGradientDark)) << std::hex << pressed.At(5, 2);
    EXPECT_TRUE(Near(pressed.At(5, kHeight - 3), kGradientLight)) << std::hex << pressed.At(5, kHeight - 3);
    EXPECT_EQ(pressed.At(kWidth / 2, 0), 0xBDB2ABu);
}

TEST_F(ButtonSTTest, HoveringDrawsTheWarmThreeLineBorder) {
    auto button = Make(BS_PUSHBUTTON);
    const RECT rc = button->GetWindowRect();
    ::SetCursorPos((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    Pump();
    button->SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(kWidth / 2, kHeight / 2));
    if (!button->IsHovering()) GTEST_SKIP() << "the display does not move the cursor";
    const Drawing hovered = Draw(*button, 0);
    EXPECT_EQ(hovered.At(kWidth / 2, 0), 0xB1844Eu);
    EXPECT_EQ(hovered.At(kWidth / 2, 1), 0xFFD156u);
    EXPECT_EQ(hovered.At(kWidth / 2, 2), 0xFEEEC5u);
    // Pressed while hovered: the plain border again.
    const Drawing pressed = Draw(*button, ODS_SELECTED);
    EXPECT_EQ(pressed.At(kWidth / 2, 0), 0xBDB2ABu);
    button->SendMessage(WM_MOUSELEAVE);
    EXPECT_FALSE(button->IsHovering());
    ::SetCursorPos(600, 600);
}

TEST_F(ButtonSTTest, ADisabledCaptionIsEmbossedAndARaisedButtonFramesItsFocus) {
    auto button = Make(BS_PUSHBUTTON, L"WWWW");
    const RECT caption = {10, 4, kWidth - 10, kHeight - 4};
    const Drawing enabled = Draw(*button, 0);
    EXPECT_TRUE(enabled.Has(::GetSysColor(COLOR_BTNTEXT), caption));
    const Drawing disabled = Draw(*button, ODS_DISABLED);
    EXPECT_TRUE(disabled.Has(::GetSysColor(COLOR_BTNSHADOW), caption));
    EXPECT_TRUE(disabled.Has(::GetSysColor(COLOR_BTNHIGHLIGHT), caption));
    EXPECT_FALSE(disabled.Has(::GetSysColor(COLOR_BTNTEXT), caption));

    button->SetFlat(false);
    const Drawing focused = Draw(*button, ODS_FOCUS);
    EXPECT_EQ(focused.At(kWidth / 2, 0), 0x000000u);  // the black frame
}

TEST_F(ButtonSTTest, CheckBoxModeTogglesOnClicksAndDrawsPressedWithoutShiftingTheCaption) {
    auto push = Make(BS_PUSHBUTTON, L"Push", 10);
    EXPECT_EQ(push->SendMessage(BM_SETCHECK, BST_CHECKED), 0);
    EXPECT_EQ(push->GetCheck(), 0);
    Draw(*push, 0);
    const RECT pushUp = push->GetLastCaptionRect();
    Draw(*push, ODS_SELECTED);
    const RECT pushDown = push->GetLastCaptionRect();
    EXPECT_EQ(pushDown.left, pushUp.left + 1);
    EXPECT_EQ(pushDown.top, pushUp.top + 1);

    auto check = Make(BS_AUTOCHECKBOX, L"Check", 100);
    EXPECT_TRUE(check->IsCheckBox());
    Draw(*check, 0);
    const RECT up = check->GetLastCaptionRect();
    EXPECT_FALSE(check->IsPressedDrawn());
    // Indeterminate counts as checked.
    check->SendMessage(BM_SETCHECK, BST_INDETERMINATE);
    EXPECT_EQ(check->SendMessage(BM_GETCHECK), 1);
    const Drawing checked = Draw(*check, 0);
    EXPECT_TRUE(check->IsPressedDrawn());
    EXPECT_TRUE(Near(checked.At(5, 2), kGradientDark));
    const RECT down = check->GetLastCaptionRect();
    EXPECT_EQ(down.left, up.left);
    EXPECT_EQ(down.top, up.top);

    // A click toggles; the parent still sees it.
    const LPARAM centre = MAKELPARAM(kWidth / 2, kHeight / 2);
    check->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, centre);
    check->SendMessage(WM_LBUTTONUP, 0, centre);
    Pump();
    EXPECT_EQ(check->SendMessage(BM_GETCHECK), 0);
    EXPECT_EQ(host.clicks, 1);
}

TEST_F(ButtonSTTest, ADoubleClickCountsAsTwoClicks) {
    auto button = Make(BS_PUSHBUTTON);
    const LPARAM centre = MAKELPARAM(kWidth / 2, kHeight / 2);
    button->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, centre);
    button->SendMessage(WM_LBUTTONUP, 0, centre);
    button->SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, centre);
    button->SendMessage(WM_LBUTTONUP, 0, centre);
    Pump();
    EXPECT_EQ(host.clicks, 2);
}

TEST_F(ButtonSTTest, TheTooltipHasOneToolWhoseTextFollows) {
    auto button = Make(BS_PUSHBUTTON);
    button->SetToolTip(nullptr);
    button->SetToolTip(L"接收文件");
    ASSERT_TRUE(button->GetToolTipWindow());
    button->SetToolTip(L"取消接收文件");
    EXPECT_EQ(::SendMessageW(button->GetToolTipWindow(), TTM_GETTOOLCOUNT, 0, 0), 1);
    wchar_t text[64] = {};
    TOOLINFOW ti = {};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.hwnd = button->GetHwnd();
    ti.uId = 1;
    ti.lpszText = text;
    ::SendMessageW(button->GetToolTipWindow(), TTM_GETTEXTW, 64, reinterpret_cast<LPARAM>(&ti));
    EXPECT_STREQ(text, L"取消接收文件");
}
