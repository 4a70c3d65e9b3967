// The skinned tab control: its colour rules, its pages following the
// selection, and what it paints.
#include "clientui/EnTabCtrl.h"

#include "TestResources.h"
#include "test_support.h"

#include "fw/Dialog.h"
#include "fw/Window.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace {

constexpr DWORD kBothClients = 0x0F;
const COLORREF kFace = RGB(212, 208, 200);

TEST(TabLookTest, TabColourRules) {
    using T = CEnTabCtrl;
    const COLORREF bg = RGB(100, 150, 200);
    const COLORREF none = CBaseTabCtrl::kNoColour;
    struct Case {
        DWORD flags;
        COLORREF background;
        bool selected;
        COLORREF expected;
    } cases[] = {
        // Not selected, not flat: darkened by 0.9 (background only with the colour bit).
        {0x00, bg, false, T::Darken(kFace, 0.9)},
        {T::kUseBkgndColour, bg, false, T::Darken(bg, 0.9)},
        {T::kUseBkgndColour, none, false, T::Darken(kFace, 0.9)},
        // Not selected, flat, not behind: the background when given.
        {T::kFlat, bg, false, bg},
        {T::kFlat, none, false, kFace},
        // Tabs behind: darkened even when flat.
        {T::kFlat | T::kTabsBehind | T::kUseBkgndColour, bg, false, T::Darken(bg, 0.9)},
        // Selected: lightened by 1.4 with the lighten bit, else the button face.
        {T::kLightenSelected | T::kUseBkgndColour, bg, true, T::Lighten(bg, 1.4)},
        {T::kLightenSelected, bg, true, T::Lighten(kFace, 1.4)},
        {kBothClients, bg, true, T::Lighten(bg, 1.4)},
        {T::kFlat | T::kUseBkgndColour, bg, true, kFace},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, T::ComputeTabColour(c.flags, c.background, kFace, c.selected))
            << "flags " << c.flags << " selected " << c.selected;
}

TEST(TabLookTest, TextColourAndColourArithmetic) {
    using T = CEnTabCtrl;
    const COLORREF bg = RGB(100, 150, 200);
    const COLORREF text = RGB(1, 2, 3);
    EXPECT_EQ(text, T::ComputeTabTextColour(kBothClients, bg, kFace, text, true));
    EXPECT_EQ(RGB(50, 75, 100), T::ComputeTabTextColour(T::kFlat, bg, kFace, text, false));
    EXPECT_EQ(RGB(50, 75, 100), T::ComputeTabTextColour(T::kUseBkgndColour, bg, kFace, text, false));
    EXPECT_EQ(T::Darken(kFace, 0.5), T::ComputeTabTextColour(T::kGradientFaces, bg, kFace, text, false));
    EXPECT_EQ(T::Darken(kFace, 0.5), T::ComputeTabTextColour(T::kFlat, CBaseTabCtrl::kNoColour, kFace, text, false));

    EXPECT_EQ(RGB(90, 135, 180), T::Darken(bg, 0.9));
    EXPECT_EQ(bg, T::Darken(bg, 1.7)) << "factor clamped to 1";
    EXPECT_EQ(RGB(0, 0, 0), T::Darken(bg, -1.0));
    EXPECT_EQ(RGB(140, 210, 255), T::Lighten(bg, 1.4)) << "each channel clamped to 255";
    EXPECT_EQ(bg, T::Lighten(bg, 0.5)) << "factor at least 1";
}

TEST(TabLookTest, GradientFacesNeedMoreThan15BitsPerPixel) {
    EXPECT_TRUE(CEnTabCtrl::UseGradientFaces(kBothClients, 32));
    EXPECT_TRUE(CEnTabCtrl::UseGradientFaces(kBothClients, 16));
    EXPECT_FALSE(CEnTabCtrl::UseGradientFaces(kBothClients, 15));
    EXPECT_FALSE(CEnTabCtrl::UseGradientFaces(kBothClients, 8)) << "256 colours: plain fills";
    EXPECT_FALSE(CEnTabCtrl::UseGradientFaces(0x07, 32));
}

class Page : public fw::CDialog {
public:
    explicit Page(UINT id) : fw::CDialog(id) {}
};

// A top-level window holding a tab control with two pages.
struct TabFixture {
    fw::CWindow frame;
    CEnTabCtrl tabs;
    Page one{IDD_TAB_PAGE_ONE};
    Page two{IDD_TAB_PAGE_TWO};

    explicit TabFixture(bool withPages = true) {
        CEnTabCtrl::SetLookFlags(kBothClients);
        frame.CreateEx(0, L"", L"tabs", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, RECT{40, 40, 460, 340},
                       nullptr, 0);
        tabs.SetBkgndColour(RGB(230, 240, 250), RGB(180, 200, 230));
        tabs.Create(frame, RECT{10, 10, 410, 260}, 100);
        tabs.SetFont(static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)));
        if (withPages) {
            tabs.AddTabPage(&one, IDD_TAB_PAGE_ONE, L"\u8054\u7CFB\u4EBA");
            tabs.AddTabPage(&two, IDD_TAB_PAGE_TWO, L"\u6700\u8FD1\u4F1A\u8BDD");
        }
        ::UpdateWindow(frame);
        PumpMessages();
    }

    // Clicks the middle of tab index.
    void ClickTab(int index) {
        const RECT rc = tabs.GetItemRect(index);
        const LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
        tabs.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
        tabs.SendMessage(WM_LBUTTONUP, 0, at);
        PumpMessages();
    }
};

TEST(TabPagesTest, PagesArePlacedAndFollowTheSelection) {
    TabFixture f;
    ASSERT_TRUE(f.tabs.IsWindow());
    EXPECT_TRUE(f.tabs.GetStyle() & TCS_OWNERDRAWFIXED);
    ASSERT_EQ(2, f.tabs.GetItemCount());
    ASSERT_EQ(2, f.tabs.GetPageCount());
    EXPECT_EQ(f.tabs.GetHwnd(), f.one.GetParent());
    EXPECT_TRUE(f.one.IsWindowVisible());
    EXPECT_FALSE(f.two.IsWindowVisible());

    // Below the first tab, over the rest of the client area.
    const RECT client = f.tabs.GetClientRect();
    const RECT firstTab = f.tabs.GetItemRect(0);
    RECT page = f.two.GetWindowRect();
    ::MapWindowPoints(nullptr, f.tabs, reinterpret_cast<POINT*>(&page), 2);
    EXPECT_EQ(0, page.left);
    EXPECT_EQ(firstTab.bottom + 2, page.top);
    EXPECT_EQ(client.right, page.right);
    EXPECT_EQ(client.bottom, page.bottom);

    f.ClickTab(1);
    EXPECT_EQ(1, f.tabs.GetCurSel());
    EXPECT_FALSE(f.one.IsWindowVisible());
    EXPECT_TRUE(f.two.IsWindowVisible());
    f.ClickTab(0);
    EXPECT_TRUE(f.one.IsWindowVisible());
    EXPECT_FALSE(f.two.IsWindowVisible());

    f.tabs.ShowTabPage(1);
    EXPECT_TRUE(f.two.IsWindowVisible());
    f.tabs.ShowTabPage(2);  // beyond the page list: nothing changes
    f.tabs.ShowTabPage(-1);
    EXPECT_TRUE(f.two.IsWindowVisible());
    EXPECT_FALSE(f.one.IsWindowVisible());

    // Resizing moves the pages with the control.
    f.tabs.SetWindowPos(nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
    page = f.one.GetWindowRect();
    ::MapWindowPoints(nullptr, f.tabs, reinterpret_cast<POINT*>(&page), 2);
    EXPECT_EQ(f.tabs.GetClientRect().right, page.right);
    EXPECT_EQ(f.tabs.GetClientRect().bottom, page.bottom);
}

TEST(TabPagesTest, AddingWithoutPageOrWithAnotherTemplateDoesNothing) {
    TabFixture f(false);
    EXPECT_FALSE(f.tabs.AddTabPage(nullptr, IDD_TAB_PAGE_ONE, L"x"));
    EXPECT_FALSE(f.tabs.AddTabPage(&f.one, IDD_TAB_PAGE_TWO, L"x"));
    EXPECT_EQ(0, f.tabs.GetItemCount());
    EXPECT_EQ(0, f.tabs.GetPageCount());
}

class TabHost : public fw::CDialog {
public:
    TabHost() : fw::CDialog(IDD_TAB_HOST) {}
    CEnTabCtrl tabs;
    Page one{IDD_TAB_PAGE_ONE};
    Page two{IDD_TAB_PAGE_TWO};

protected:
    BOOL OnInitDialog() override {
        tabs.SubclassDlgItem(IDC_TAB_STRIP, m_hWnd);
        tabs.AddTabPage(&one, IDD_TAB_PAGE_ONE, L"\u8054\u7CFB\u4EBA");
        tabs.AddTabPage(&two, IDD_TAB_PAGE_TWO, L"\u6700\u8FD1\u4F1A\u8BDD");
        return TRUE;
    }
};

TEST(TabPagesTest, TabStripOfADialogTemplate) {
    CEnTabCtrl::SetLookFlags(kBothClients);
    TabHost host;
    ASSERT_TRUE(host.Create(nullptr));
    PumpMessages();
    EXPECT_TRUE(host.tabs.GetStyle() & TCS_OWNERDRAWFIXED);
    ASSERT_EQ(2, host.tabs.GetPageCount());
    EXPECT_TRUE(host.one.IsWindowVisible());
    // A click on the second tab reaches the control through the dialog.
    const RECT rc = host.tabs.GetItemRect(1);
    const LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    host.tabs.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
    host.tabs.SendMessage(WM_LBUTTONUP, 0, at);
    PumpMessages();
    EXPECT_TRUE(host.two.IsWindowVisible());
    EXPECT_FALSE(host.one.IsWindowVisible());
    host.DestroyWindow();
}

// What the control shows, read back from its window.
struct Shot {
    CPixelCanvas canvas;
    explicit Shot(HWND hWnd) : canvas(400, 250) {
        ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        HDC dc = ::GetDC(hWnd);
        ::BitBlt(canvas.Dc(), 0, 0, 400, 250, dc, 0, 0, SRCCOPY);
        ::ReleaseDC(hWnd, dc);
    }
};

TEST(TabPaintTest, FacesStripAndEmptyControl) {
    TabFixture f;
    Shot shot(f.tabs);
    const RECT selected = f.tabs.GetItemRect(0);
    const RECT other = f.tabs.GetItemRect(1);
    const COLORREF bg = RGB(230, 240, 250);
    // The selected tab: its top band in the selected colour, the bottom
    // of its face near white.
    const int mid = (selected.left + selected.right) / 2;
    EXPECT_EQ(f.tabs.TabColour(true), shot.canvas.Pixel(selected.left + 4, selected.top - 2));
    const COLORREF low = shot.canvas.Pixel(selected.left + 4, selected.bottom);
    EXPECT_GT(GetRValue(low) + GetGValue(low) + GetBValue(low), 3 * 240);
    // The other tab starts in the unselected colour and runs to 0xF9E5BA.
    EXPECT_EQ(f.tabs.TabColour(false), shot.canvas.Pixel(other.left + 4, other.top));
    const COLORREF otherLow = shot.canvas.Pixel(other.left + 4, other.bottom + 1);
    EXPECT_NEAR(GetRValue(CEnTabCtrl::kFaceBottom), GetRValue(otherLow), 12);
    EXPECT_NEAR(GetBValue(CEnTabCtrl::kFaceBottom), GetBValue(otherLow), 12);
    // Frame: a dark line on the right edge of the unselected tab.
    EXPECT_EQ(CEnTabCtrl::Darken(f.tabs.TabColour(false), 0.75), shot.canvas.Pixel(other.right - 1, other.top + 4));
    // Text in the tab text colour somewhere on the selected face.
    EXPECT_GT(shot.canvas.Count(RECT{selected.left, selected.top, selected.right, selected.bottom},
                                f.tabs.TabTextColour(true)),
              0);
    // Above the tabs: the background; right of the strip: the gradient from it.
    EXPECT_EQ(CEnTabCtrl::kSelectedFaceBottom, shot.canvas.Pixel(mid, selected.top - 1))
        << "the selected tab rises 2 pixels";
    EXPECT_EQ(bg, shot.canvas.Pixel(1, 0));
    EXPECT_EQ(bg, shot.canvas.Pixel(other.right + 20, 0));
    const COLORREF lowerRight = shot.canvas.Pixel(other.right + 20, other.bottom);
    EXPECT_NE(bg, lowerRight);

    // No tabs: only the background.
    TabFixture empty(false);
    Shot blank(empty.tabs);
    EXPECT_FALSE(blank.canvas.AnyOtherThan(RECT{0, 0, 400, 250}, bg));
}

TEST(TabPaintTest, ImageOnlyTabShowsItsImageCentred) {
    TabFixture f;
    fw::CImageList images;
    images.Create(16, 16, ILC_COLOR24, 2, 1);
    for (COLORREF colour : {RGB(255, 0, 0), RGB(0, 160, 0)}) {
        CPixelCanvas source(16, 16, colour);
        HDC screen = ::GetDC(nullptr);
        HBITMAP copy = ::CreateCompatibleBitmap(screen, 16, 16);
        HDC dc = ::CreateCompatibleDC(screen);
        HGDIOBJ old = ::SelectObject(dc, copy);
        ::BitBlt(dc, 0, 0, 16, 16, source.Dc(), 0, 0, SRCCOPY);
        ::SelectObject(dc, old);
        ::DeleteDC(dc);
        ::ReleaseDC(nullptr, screen);
        images.Add(copy);
        ::DeleteObject(copy);
    }
    f.tabs.SetImageList(images);
    f.tabs.SetImageSize(16, 16);
    f.tabs.InsertItem(2, L"", 0);
    f.tabs.SetCurSel(0);

    CPixelCanvas canvas(400, 60, RGB(1, 2, 3));
    DRAWITEMSTRUCT dis = {};
    dis.CtlType = ODT_TAB;
    dis.hwndItem = f.tabs;
    dis.hDC = canvas.Dc();
    dis.itemID = 2;
    dis.rcItem = RECT{100, 10, 160, 40};
    f.tabs.PaintTab(&dis);  // not selected: the next image (green)
    const int x = (100 + 160) / 2 - 8 - 3;
    EXPECT_EQ(RGB(0, 160, 0), canvas.Pixel(x + 1, 27));
    EXPECT_EQ(RGB(0, 160, 0), canvas.Pixel(x + 15, 27));
    EXPECT_NE(RGB(0, 160, 0), canvas.Pixel(x + 17, 27));
    EXPECT_EQ(0, canvas.Count(RECT{100, 10, 160, 40}, RGB(255, 0, 0)));

    f.tabs.SetCurSel(2);
    f.tabs.PaintTab(&dis);  // selected: its own image (red)
    EXPECT_GT(canvas.Count(RECT{100, 10, 160, 40}, RGB(255, 0, 0)), 200);
    f.tabs.SetImageList(nullptr);
}

}  // namespace
