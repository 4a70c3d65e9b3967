// CButtonST: subclassing reads the button type, check-box mode, double
// clicks, flat hover through TrackMouseEvent, focus on disabling, tooltip
// and the gradient face.
#include "PanelTestSupport.h"

#include "clientui/ButtonST.h"

#include "fw/DeviceContext.h"

using paneltest::Pump;

namespace {

const POINT kOrigin = {80, 80};
const RECT kRect = {10, 10, 110, 40};
const int kFirstId = 2001;
const int kSecondId = 2002;

class ButtonSTTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::SetCursorPos(5, 5);
        const RECT rc = {kOrigin.x, kOrigin.y, kOrigin.x + 260, kOrigin.y + 120};
        ASSERT_TRUE(parent_.CreateEx(0, L"", L"parent", WS_POPUP | WS_VISIBLE, rc, nullptr, 0));
        ::UpdateWindow(parent_);
        ::SetForegroundWindow(parent_);
    }
    void TearDown() override {
        ::SetCursorPos(5, 5);
        for (HWND h : created_) ::DestroyWindow(h);
        parent_.DestroyWindow();
        Pump(10);
    }
    // A button of the given style at kRect (second: to its right), subclassed by button.
    void Make(CButtonST& button, DWORD style, const wchar_t* text = L"OK", bool second = false) {
        const int dx = second ? 130 : 0;
        HWND h = ::CreateWindowExW(0, L"BUTTON", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style,
                                   kRect.left + dx, kRect.top, kRect.right - kRect.left, kRect.bottom - kRect.top,
                                   parent_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(second ? kSecondId : kFirstId)),
                                   nullptr, nullptr);
        ASSERT_TRUE(h);
        created_.push_back(h);
        ASSERT_TRUE(button.Subclass(h));
        ::UpdateWindow(h);
    }
    static void Redraw(CButtonST& button) {
        button.Invalidate(true);
        ::UpdateWindow(button);
    }
    int Clicks() const {
        int n = 0;
        for (WPARAM w : parent_.commands)
            if (HIWORD(w) == BN_CLICKED) ++n;
        return n;
    }

    paneltest::CColourParent parent_{RGB(240, 240, 240)};
    std::vector<HWND> created_;
};

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

TEST_F(ButtonSTTest, SubclassingReadsTheTypeAndMakesTheButtonOwnerDrawn) {
    CButtonST plain, byDefault, check;
    Make(plain, BS_PUSHBUTTON);
    Make(byDefault, BS_DEFPUSHBUTTON, L"Default", true);
    EXPECT_EQ(plain.GetStyle() & BS_TYPEMASK, static_cast<DWORD>(BS_OWNERDRAW));
    EXPECT_FALSE(plain.IsDefault());
    EXPECT_FALSE(plain.IsCheckBox());
    EXPECT_TRUE(byDefault.IsDefault());
    EXPECT_TRUE(byDefault.SendMessage(WM_GETDLGCODE) & DLGC_DEFPUSHBUTTON);
    EXPECT_TRUE(plain.SendMessage(WM_GETDLGCODE) & DLGC_UNDEFPUSHBUTTON);

    // The dialog manager moves the default look with BM_SETSTYLE.
    byDefault.SendMessage(BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    EXPECT_FALSE(byDefault.IsDefault());
    EXPECT_EQ(byDefault.GetStyle() & BS_TYPEMASK, static_cast<DWORD>(BS_OWNERDRAW));
    plain.SendMessage(BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    EXPECT_TRUE(plain.IsDefault());

    Make(check, BS_AUTOCHECKBOX, L"Check");
    EXPECT_TRUE(check.IsCheckBox());
}

TEST_F(ButtonSTTest, CheckBoxModeTogglesOnClickAndDrawsPressedWithoutShiftingTheCaption) {
    CButtonST check;
    Make(check, BS_AUTOCHECKBOX, L"Check");
    Redraw(check);
    const RECT unchecked = check.GetLastCaptionRect();
    EXPECT_FALSE(check.IsPressedDrawn());

    check.SendMessage(BM_CLICK);
    Pump(10);
    EXPECT_EQ(check.GetCheck(), 1);
    EXPECT_EQ(check.SendMessage(BM_GETCHECK), BST_CHECKED);
    Redraw(check);
    EXPECT_TRUE(check.IsPressedDrawn());
    EXPECT_TRUE(SameRect(check.GetLastCaptionRect(), unchecked));
    EXPECT_EQ(Clicks(), 1);

    check.SendMessage(BM_CLICK);
    Pump(10);
    EXPECT_EQ(check.GetCheck(), 0);
    Redraw(check);
    EXPECT_FALSE(check.IsPressedDrawn());
}

TEST_F(ButtonSTTest, APressedPushButtonShiftsItsCaptionByOnePixel) {
    CButtonST push;
    Make(push, BS_PUSHBUTTON, L"Push");
    Redraw(push);
    const RECT normal = push.GetLastCaptionRect();
    push.SendMessage(BM_SETSTATE, TRUE);
    EXPECT_TRUE(push.IsPressedDrawn());
    const RECT pressed = push.GetLastCaptionRect();
    EXPECT_EQ(pressed.left, normal.left + 1);
    EXPECT_EQ(pressed.top, normal.top + 1);
    push.SendMessage(BM_SETSTATE, FALSE);
}

TEST_F(ButtonSTTest, SetCheckWorksOnlyInCheckBoxModeAndIndeterminateChecks) {
    CButtonST check, push;
    Make(check, BS_AUTOCHECKBOX, L"Check");
    Make(push, BS_PUSHBUTTON, L"Push", true);
    const struct {
        WPARAM value;
        int expected;
    } cases[] = {{BST_CHECKED, 1}, {BST_UNCHECKED, 0}, {BST_INDETERMINATE, 1}, {7, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(check.SendMessage(BM_SETCHECK, c.value), 0);
        EXPECT_EQ(check.GetCheck(), c.expected) << c.value;
    }
    push.SendMessage(BM_SETCHECK, BST_CHECKED);
    EXPECT_EQ(push.GetCheck(), 0);
}

TEST_F(ButtonSTTest, ADoubleClickCountsAsTwoClicks) {
    CButtonST push;
    Make(push, BS_PUSHBUTTON, L"Push");
    const LPARAM at = MAKELPARAM(20, 10);
    push.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
    push.SendMessage(WM_LBUTTONUP, 0, at);
    push.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    push.SendMessage(WM_LBUTTONUP, 0, at);
    Pump(10);
    EXPECT_EQ(Clicks(), 2);
}

TEST_F(ButtonSTTest, FlatHoverStartsOverTheButtonAndEndsOnLeaveOrLostFocus) {
    CButtonST push;
    Make(push, BS_PUSHBUTTON, L"Push");
    ::SetCursorPos(kOrigin.x + kRect.left + 20, kOrigin.y + kRect.top + 10);
    push.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
    EXPECT_TRUE(push.IsHovering());
    push.SendMessage(WM_MOUSELEAVE);
    EXPECT_FALSE(push.IsHovering());

    push.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
    ASSERT_TRUE(push.IsHovering());
    push.SendMessage(WM_KILLFOCUS);
    EXPECT_FALSE(push.IsHovering());

    // Not flat: no hover at all.
    push.SetFlat(false);
    push.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
    EXPECT_FALSE(push.IsHovering());
}

TEST_F(ButtonSTTest, DisablingTheFocusedButtonHandsTheFocusOnAndOthersKeepIt) {
    // An edit first in the tab order: a focus handed on from the second
    // button would wrap round to it.
    HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER, 10, 60, 100, 20,
                                  parent_, nullptr, nullptr, nullptr);
    created_.push_back(edit);
    CButtonST first, second;
    Make(first, BS_PUSHBUTTON, L"One");
    Make(second, BS_PUSHBUTTON, L"Two", true);
    ::SetForegroundWindow(parent_);
    first.SetFocus();
    ASSERT_EQ(::GetFocus(), first.GetHwnd());
    first.EnableWindow(false);
    EXPECT_NE(::GetFocus(), first.GetHwnd());

    // The focus now lies elsewhere; disabling the second leaves it there.
    first.EnableWindow(true);
    first.SetFocus();
    second.EnableWindow(false);
    EXPECT_EQ(::GetFocus(), first.GetHwnd());
}

TEST_F(ButtonSTTest, ToolTipGetsOneToolWhoseTextFollowsTheLastCall) {
    CButtonST push;
    Make(push, BS_PUSHBUTTON, L"Push");
    push.SetToolTip(nullptr);
    EXPECT_EQ(push.GetToolTipWindow(), nullptr);
    push.SetToolTip(L"first");
    push.SetToolTip(L"\u53D1\u9001");
    ASSERT_NE(push.GetToolTipWindow(), nullptr);
    EXPECT_EQ(::SendMessageW(push.GetToolTipWindow(), TTM_GETTOOLCOUNT, 0, 0), 1);
    wchar_t text[80] = {};
    TOOLINFOW ti = {};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.hwnd = push.GetHwnd();
    ti.uId = 1;
    ti.lpszText = text;
    ::SendMessageW(push.GetToolTipWindow(), TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&ti));
    EXPECT_STREQ(text, L"\u53D1\u9001");
}

TEST_F(ButtonSTTest, TheFaceIsAGradientTurnedOverWhilePressedAndTheParentGetsANullBrush) {
    CButtonST push;
    Make(push, BS_PUSHBUTTON, L"");
    Redraw(push);
    auto pixel = [&](int x, int y) {
        fw::CClientDC dc(push);
        return ::GetPixel(dc, x, y);
    };
    const COLORREF top = pixel(50, 3);
    const COLORREF bottom = pixel(50, 26);
    EXPECT_GT(GetBValue(top), GetBValue(bottom)) << "light on top";
    push.SendMessage(BM_SETSTATE, TRUE);
    EXPECT_LT(GetBValue(pixel(50, 3)), GetBValue(pixel(50, 26))) << "dark on top while pressed";
    push.SendMessage(BM_SETSTATE, FALSE);

    fw::CClientDC dc(push);
    const LRESULT brush = parent_.SendMessage(WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc.Get()),
                                              reinterpret_cast<LPARAM>(push.GetHwnd()));
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(brush), ::GetStockObject(NULL_BRUSH));
}
