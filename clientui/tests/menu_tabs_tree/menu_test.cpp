// The owner-drawn menu: the look decisions, measuring and painting of each
// kind of item in both looks (checked pixel by pixel), loading from a MENU
// resource, and the owner window's messages reaching the menu object.
#include "clientui/OfficeXPMenu.h"
#include "clientui/OfficeXPMenuMemDC.h"

#include "TestResources.h"
#include "test_support.h"

#include "fw/DeviceContext.h"
#include "fw/Window.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>

namespace {

using Look = COfficeXPMenuLook::Look;
using Sys = COfficeXPMenuLook::SystemColours;

// Colours of a display where the flat look is chosen (menu and button face
// differ) and of one where the classic look is.
Sys FlatSystem() {
    Sys s;
    s.menu = RGB(255, 255, 255);
    s.btnFace = RGB(236, 233, 216);
    s.menuText = RGB(0, 0, 0);
    s.grayText = RGB(172, 168, 153);
    s.highlight = RGB(49, 106, 197);
    s.highlightText = RGB(255, 255, 255);
    s.btnHighlight = RGB(255, 255, 255);
    s.btnShadow = RGB(128, 128, 128);
    s.light3d = RGB(241, 239, 226);
    return s;
}

Sys ClassicSystem() {
    Sys s = FlatSystem();
    s.menu = RGB(212, 208, 200);
    s.btnFace = RGB(212, 208, 200);
    s.highlight = RGB(10, 36, 106);
    s.light3d = RGB(230, 230, 230);
    return s;
}

// An image list with one solid red icon of width x height.
fw::CImageList RedIcons(int width, int height) {
    fw::CImageList list;
    list.Create(width, height, ILC_COLOR24 | ILC_MASK, 1, 1);
    CPixelCanvas canvas(width, height, RGB(255, 0, 0));
    HBITMAP bitmap = static_cast<HBITMAP>(::GetCurrentObject(canvas.Dc(), OBJ_BITMAP));
    // The canvas keeps its bitmap selected; copy it into a compatible one.
    HDC screen = ::GetDC(nullptr);
    HBITMAP copy = ::CreateCompatibleBitmap(screen, width, height);
    HDC dc = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(dc, copy);
    ::BitBlt(dc, 0, 0, width, height, canvas.Dc(), 0, 0, SRCCOPY);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    (void)bitmap;
    list.AddMasked(copy, RGB(255, 255, 255));
    ::DeleteObject(copy);
    return list;
}

// Paints item position of menu into a canvas, width x height, and returns it.
struct ItemPainting {
    CPixelCanvas canvas;
    RECT rc;
    ItemPainting(const COfficeXPMenu& menu, int position, UINT state, Look look, const Sys& sys, int width = 200,
                 int height = 24)
        : canvas(width, height), rc{0, 0, width, height} {
        DRAWITEMSTRUCT dis = {};
        dis.CtlType = ODT_MENU;
        dis.itemID = 0;
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = state;
        dis.hwndItem = reinterpret_cast<HWND>(menu.Get());
        dis.hDC = canvas.Dc();
        dis.rcItem = rc;
        dis.itemData = reinterpret_cast<ULONG_PTR>(menu.GetItemData(position));
        menu.DrawItemInLook(dis, look, sys);
    }
};

// A menu with one item of each kind.
struct KindsMenu {
    COfficeXPMenu menu;
    fw::CImageList icons = RedIcons(16, 15);
    enum { kPlain, kSeparator, kIcon, kChecked, kShortcut, kShortcutLong };
    KindsMenu() {
        menu.AppendItem(MF_STRING, L"\u6253\u5F00", 10);
        menu.AppendItem(MF_STRING | MF_CHECKED | MF_POPUP, L"ignored", 0);  // a separator whatever the flags
        menu.AppendItemWithIcon(L"\u5728\u7EBF", 11, icons, 0);
        menu.AppendItem(MF_STRING | MF_CHECKED, L"\u603B\u5728\u6700\u524D", 12);
        menu.AppendItem(MF_STRING, L"\u590D\u5236\tCtrl+C", 13);
        menu.AppendItem(MF_STRING, L"\u53E6\u5B58\u4E3A\tCtrl+Shift+S", 14);
    }
};

TEST(MenuLookTest, LookFollowsPaletteStyleAndColours) {
    struct Case {
        bool palette;
        int style;
        COLORREF btnFace, menu;
        Look expected;
    } cases[] = {
        {true, COfficeXPMenuLook::kStyleNT, RGB(1, 1, 1), RGB(2, 2, 2), Look::Classic},
        {false, COfficeXPMenuLook::kStyleNT, RGB(1, 1, 1), RGB(2, 2, 2), Look::Flat},
        {false, COfficeXPMenuLook::kStyleWin95, RGB(1, 1, 1), RGB(2, 2, 2), Look::Flat},
        {false, COfficeXPMenuLook::kStyleNT, RGB(2, 2, 2), RGB(2, 2, 2), Look::Classic},
        // Old styles compare the menu colour with itself: always classic.
        {false, COfficeXPMenuLook::kStyleNT3, RGB(1, 1, 1), RGB(2, 2, 2), Look::Classic},
        {false, COfficeXPMenuLook::kStyleWin32s, RGB(1, 1, 1), RGB(2, 2, 2), Look::Classic},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, COfficeXPMenuLook::ChooseLook(c.palette, c.style, c.btnFace, c.menu))
            << "style " << c.style << " palette " << c.palette;
}

TEST(MenuLookTest, StyleFromPlatformVersion) {
    EXPECT_EQ(COfficeXPMenuLook::kStyleWin32s, COfficeXPMenuLook::StyleFromVersion(0x80000003u));
    EXPECT_EQ(COfficeXPMenuLook::kStyleWin95, COfficeXPMenuLook::StyleFromVersion(0xC3B60004u));
    EXPECT_EQ(COfficeXPMenuLook::kStyleNT3, COfficeXPMenuLook::StyleFromVersion(0x04213303u));
    EXPECT_EQ(COfficeXPMenuLook::kStyleNT, COfficeXPMenuLook::StyleFromVersion(0x0A280105u));
    EXPECT_TRUE(COfficeXPMenuLook::IsNewStyle(COfficeXPMenuLook::ProcessStyle()));
}

TEST(MenuLookTest, LightenTable) {
    struct Case {
        COLORREF colour;
        double factor;
        COLORREF expected;
    } cases[] = {
        {RGB(0, 0, 0), 0.5, RGB(127, 127, 127)},
        {RGB(0, 100, 255), 1.0, RGB(255, 255, 255)},
        {0xEFEEE9, 0.35, RGB(240, 243, 244)},
        {0xC6A684, 0.85, RGB(236, 241, 246)},
        {RGB(10, 20, 30), 0.0, RGB(10, 20, 30)},   // outside (0, 1]: unchanged
        {RGB(10, 20, 30), 1.5, RGB(10, 20, 30)},
        {RGB(10, 20, 30), -0.2, RGB(10, 20, 30)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, COfficeXPMenuLook::Lighten(c.colour, c.factor)) << c.factor;
}

TEST(MenuLookTest, FlatColoursOnTintedMenu) {
    Sys sys = FlatSystem();
    sys.menu = COfficeXPMenuLook::kBandColour;
    const auto c = COfficeXPMenuLook::FlatColours(sys);
    EXPECT_EQ(RGB(255, 255, 255), c.background);
    EXPECT_EQ(COfficeXPMenuLook::Lighten(0xEFEEE9, 0.35), c.band);
    EXPECT_EQ(COfficeXPMenuLook::Lighten(0xC6A684, 0.85), c.highlightFill);
    EXPECT_EQ(COfficeXPMenuLook::Lighten(sys.grayText, 0.55), c.grayText);
    const auto plain = COfficeXPMenuLook::FlatColours(FlatSystem());
    EXPECT_EQ(RGB(255, 255, 255), plain.background);
    EXPECT_EQ(0xEFEEE9u, plain.band);
    EXPECT_EQ(0xCE8E37u, plain.highlightFill);
}

TEST(MenuLookTest, AppendFlagsMakeSeparatorsOfIdZero) {
    EXPECT_EQ(static_cast<UINT>(MF_SEPARATOR | MF_OWNERDRAW),
              COfficeXPMenuLook::AppendFlags(MF_STRING | MF_CHECKED | MF_GRAYED | MF_POPUP, 0));
    EXPECT_EQ(static_cast<UINT>(MF_MENUBARBREAK | MF_SEPARATOR | MF_OWNERDRAW),
              COfficeXPMenuLook::AppendFlags(MF_MENUBARBREAK | MF_CHECKED, 0));
    EXPECT_EQ(static_cast<UINT>(MF_GRAYED | MF_OWNERDRAW), COfficeXPMenuLook::AppendFlags(MF_GRAYED, 7));
}

TEST(MenuLookTest, ShortcutsAreAlignedAfterTheWidestLabel) {
    // Every character 6 pixels wide, a space 2.
    auto measure = [](const std::wstring& text) {
        int width = 0;
        for (wchar_t ch : text) width += ch == L' ' ? 2 : 6;
        return width;
    };
    std::vector<std::wstring> texts = {L"Open\tCtrl+O", L"Save as picture", L"Cut\tCtrl+X", L""};
    COfficeXPMenuLook::AlignShortcuts(texts, measure);
    const int widest = measure(L"Save as picture ");
    EXPECT_GE(measure(COfficeXPMenuLook::Label(texts[0])), widest);
    EXPECT_LT(measure(COfficeXPMenuLook::Label(texts[0])), widest + 2);
    EXPECT_EQ(L"Ctrl+O", COfficeXPMenuLook::Shortcut(texts[0]));
    EXPECT_EQ(L"Save as picture", texts[1]);  // no tab: unchanged
    EXPECT_EQ(measure(COfficeXPMenuLook::Label(texts[0])), measure(COfficeXPMenuLook::Label(texts[2])));
    EXPECT_EQ(L"", COfficeXPMenuLook::Shortcut(L"no tab"));
    EXPECT_EQ(L"F5", COfficeXPMenuLook::Shortcut(L"a\tb\tF5"));
}

TEST(MenuMeasureTest, EachKindOfItem) {
    KindsMenu k;
    const int menuHeight = ::GetSystemMetrics(SM_CYMENU);
    auto measure = [&k](int position) {
        MEASUREITEMSTRUCT mis = {};
        mis.CtlType = ODT_MENU;
        mis.itemData = reinterpret_cast<ULONG_PTR>(k.menu.GetItemData(position));
        k.menu.MeasureItem(&mis);
        return mis;
    };
    const MEASUREITEMSTRUCT separator = measure(KindsMenu::kSeparator);
    EXPECT_EQ(0u, separator.itemWidth);
    EXPECT_EQ(static_cast<UINT>(menuHeight / 2), separator.itemHeight);

    const MEASUREITEMSTRUCT plain = measure(KindsMenu::kPlain);
    EXPECT_GT(plain.itemWidth, static_cast<UINT>(2 * 16 + 1));
    EXPECT_EQ(static_cast<UINT>(std::max(menuHeight, 15 + 4)), plain.itemHeight);
    // A shortcut makes the item wider than its label alone.
    EXPECT_GT(measure(KindsMenu::kShortcutLong).itemWidth, measure(KindsMenu::kShortcut).itemWidth);

    k.menu.SetIconSize(32, 30);
    const MEASUREITEMSTRUCT big = measure(KindsMenu::kIcon);
    EXPECT_EQ(34u, big.itemHeight);
    EXPECT_EQ(plain.itemWidth + 2 * (32 - 16), measure(KindsMenu::kPlain).itemWidth);

    // Data of another menu is not measured.
    MEASUREITEMSTRUCT foreign = {};
    foreign.CtlType = ODT_MENU;
    foreign.itemData = 12345;
    foreign.itemWidth = 77;
    k.menu.MeasureItem(&foreign);
    EXPECT_EQ(77u, foreign.itemWidth);
}

TEST(MenuMeasureTest, SeparatorDataAndIconData) {
    KindsMenu k;
    const COfficeXPMenuData* separator = k.menu.GetItemData(KindsMenu::kSeparator);
    ASSERT_NE(nullptr, separator);
    EXPECT_TRUE(separator->IsSeparator());
    EXPECT_EQ(static_cast<UINT>(MF_SEPARATOR | MF_OWNERDRAW), separator->flags);
    const COfficeXPMenuData* icon = k.menu.GetItemData(KindsMenu::kIcon);
    ASSERT_NE(nullptr, icon);
    EXPECT_EQ(0, icon->imageIndex);
    EXPECT_EQ(0, icon->secondImage);
    EXPECT_EQ(1, icon->imageList.GetImageCount());
    const COfficeXPMenuData* plain = k.menu.GetItemData(KindsMenu::kPlain);
    EXPECT_EQ(-1, plain->imageIndex);
    EXPECT_EQ(-1, plain->secondImage);
    // No image list: no icon.
    k.menu.AppendItemWithIcon(L"none", 20, nullptr, 0);
    EXPECT_FALSE(k.menu.GetItemData(6)->HasIcon());
    for (int pos = 0; pos < k.menu.GetItemCount(); ++pos) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE;
        ASSERT_TRUE(::GetMenuItemInfoW(k.menu, static_cast<UINT>(pos), TRUE, &info));
        EXPECT_TRUE(info.fType & MFT_OWNERDRAW) << pos;
    }
}

TEST(MenuDrawFlatTest, PlainSelectedAndGrayedItems) {
    KindsMenu k;
    const Sys sys = FlatSystem();
    const auto c = COfficeXPMenuLook::FlatColours(sys);
    const int bandRight = 16 + 9;
    {
        ItemPainting p(k.menu, KindsMenu::kPlain, 0, Look::Flat, sys);
        EXPECT_EQ(c.band, p.canvas.Pixel(bandRight / 2, 12));
        EXPECT_EQ(c.background, p.canvas.Pixel(190, 12));
        EXPECT_GT(p.canvas.Count(RECT{bandRight, 0, 200, 24}, sys.menuText), 0) << "label in menu text colour";
        EXPECT_EQ(0, p.canvas.Count(p.rc, c.highlightFill));
    }
    {
        ItemPainting p(k.menu, KindsMenu::kPlain, ODS_SELECTED, Look::Flat, sys);
        EXPECT_EQ(c.highlightFrame, p.canvas.Pixel(0, 0));
        EXPECT_EQ(c.highlightFrame, p.canvas.Pixel(199, 23));
        EXPECT_EQ(c.highlightFill, p.canvas.Pixel(5, 12)) << "the band is covered by the highlight";
        EXPECT_EQ(c.highlightFill, p.canvas.Pixel(190, 12));
    }
    {
        // A grayed item is never drawn selected; its text is gray.
        ItemPainting p(k.menu, KindsMenu::kPlain, ODS_SELECTED | ODS_GRAYED, Look::Flat, sys);
        EXPECT_EQ(0, p.canvas.Count(p.rc, c.highlightFill));
        EXPECT_EQ(c.band, p.canvas.Pixel(5, 12));
        EXPECT_GT(p.canvas.Count(RECT{bandRight, 0, 200, 24}, c.grayText), 0);
        EXPECT_EQ(0, p.canvas.Count(RECT{bandRight, 0, 200, 24}, sys.menuText));
    }
}

TEST(MenuDrawFlatTest, SeparatorIconAndCheckMark) {
    KindsMenu k;
    const Sys sys = FlatSystem();
    const auto c = COfficeXPMenuLook::FlatColours(sys);
    {
        ItemPainting p(k.menu, KindsMenu::kSeparator, 0, Look::Flat, sys, 200, 10);
        EXPECT_EQ(c.band, p.canvas.Pixel(10, 5));
        EXPECT_EQ(c.background, p.canvas.Pixel(100, 1));
        // The etched line at the middle, from 4 pixels right of the band.
        EXPECT_NE(c.background, p.canvas.Pixel(100, 5));
        EXPECT_EQ(c.background, p.canvas.Pixel(16 + 9 + 1, 5));
    }
    {
        ItemPainting p(k.menu, KindsMenu::kIcon, 0, Look::Flat, sys);
        const POINT at = COfficeXPMenuLook::IconOrigin(p.rc, 15);
        EXPECT_EQ(RGB(255, 0, 0), p.canvas.Pixel(at.x, at.y));
        EXPECT_EQ(RGB(255, 0, 0), p.canvas.Pixel(at.x + 15, at.y + 14));
        EXPECT_NE(RGB(255, 0, 0), p.canvas.Pixel(at.x + 16, at.y));
    }
    {
        ItemPainting p(k.menu, KindsMenu::kChecked, ODS_CHECKED, Look::Flat, sys);
        const RECT cell = COfficeXPMenuLook::IconCell(p.rc, 16, 15);
        EXPECT_EQ(c.checkFrame, p.canvas.Pixel(cell.left, cell.top));
        EXPECT_EQ(c.checkFill, p.canvas.Pixel(cell.left + 1, cell.top + 1));
        EXPECT_GT(p.canvas.Count(cell, sys.menuText), 4) << "check mark";
    }
    {
        // Unchecked item without icon: an empty icon column.
        ItemPainting p(k.menu, KindsMenu::kChecked, 0, Look::Flat, sys);
        EXPECT_FALSE(p.canvas.AnyOtherThan(RECT{1, 1, 16 + 8, 23}, c.band));
    }
}

TEST(MenuDrawClassicTest, EachKindOfItem) {
    KindsMenu k;
    const Sys sys = ClassicSystem();
    {
        ItemPainting p(k.menu, KindsMenu::kPlain, 0, Look::Classic, sys);
        EXPECT_EQ(sys.btnFace, p.canvas.Pixel(5, 12)) << "no icon band";
        EXPECT_EQ(sys.btnFace, p.canvas.Pixel(190, 12));
    }
    {
        ItemPainting p(k.menu, KindsMenu::kPlain, ODS_SELECTED, Look::Classic, sys);
        EXPECT_EQ(sys.highlight, p.canvas.Pixel(1, 12)) << "whole item without icon";
        EXPECT_GT(p.canvas.Count(p.rc, sys.highlightText), 0) << "text in highlight text colour";
        EXPECT_EQ(0, p.canvas.Count(p.rc, sys.menuText));
    }
    {
        ItemPainting p(k.menu, KindsMenu::kIcon, ODS_SELECTED, Look::Classic, sys);
        EXPECT_EQ(sys.btnFace, p.canvas.Pixel(0, 12)) << "icon column not highlighted";
        EXPECT_EQ(sys.highlight, p.canvas.Pixel(16 + 5, 12));
        const RECT cell = COfficeXPMenuLook::IconCell(p.rc, 16, 15);
        EXPECT_EQ(sys.btnHighlight, p.canvas.Pixel(cell.left, cell.top)) << "raised frame";
        EXPECT_EQ(sys.btnShadow, p.canvas.Pixel(cell.right - 1, cell.bottom - 1));
        const POINT at = COfficeXPMenuLook::IconOrigin(p.rc, 15);
        EXPECT_EQ(RGB(255, 0, 0), p.canvas.Pixel(at.x + 4, at.y + 4));
    }
    {
        ItemPainting p(k.menu, KindsMenu::kIcon, ODS_SELECTED | ODS_CHECKED, Look::Classic, sys);
        const RECT cell = COfficeXPMenuLook::IconCell(p.rc, 16, 15);
        EXPECT_EQ(sys.btnShadow, p.canvas.Pixel(cell.left, cell.top)) << "sunken frame";
    }
    {
        ItemPainting p(k.menu, KindsMenu::kChecked, ODS_CHECKED, Look::Classic, sys);
        const RECT cell = COfficeXPMenuLook::IconCell(p.rc, 16, 15);
        EXPECT_EQ(sys.btnShadow, p.canvas.Pixel(cell.left, cell.top));
        EXPECT_EQ(sys.light3d, p.canvas.Pixel(cell.left + 1, cell.top + 1));
        EXPECT_GT(p.canvas.Count(cell, sys.menuText), 4);
    }
    {
        // A grayed icon is embossed: no red left, highlight and shadow instead.
        ItemPainting p(k.menu, KindsMenu::kIcon, ODS_GRAYED, Look::Classic, sys);
        const POINT at = COfficeXPMenuLook::IconOrigin(p.rc, 15);
        const RECT icon{at.x, at.y, at.x + 17, at.y + 16};
        EXPECT_EQ(0, p.canvas.Count(icon, RGB(255, 0, 0)));
        EXPECT_GT(p.canvas.Count(icon, ::GetSysColor(COLOR_BTNSHADOW)), 0);
    }
    {
        ItemPainting p(k.menu, KindsMenu::kSeparator, 0, Look::Classic, sys, 200, 10);
        EXPECT_NE(sys.btnFace, p.canvas.Pixel(1, 5)) << "etched line across the whole item";
        EXPECT_EQ(sys.btnFace, p.canvas.Pixel(1, 1));
    }
}

TEST(MenuDrawTest, ShortcutsEndAtTheSameColumn) {
    KindsMenu k;
    for (Look look : {Look::Flat, Look::Classic}) {
        const Sys sys = look == Look::Flat ? FlatSystem() : ClassicSystem();
        ItemPainting shortItem(k.menu, KindsMenu::kShortcut, 0, look, sys, 260);
        ItemPainting longItem(k.menu, KindsMenu::kShortcutLong, 0, look, sys, 260);
        const auto c = look == Look::Flat ? COfficeXPMenuLook::FlatColours(sys)
                                          : COfficeXPMenuLook::ClassicColours(sys, COfficeXPMenuLook::kStyleNT);
        const int a = shortItem.canvas.RightmostInk(2, 22, {c.background, c.band});
        const int b = longItem.canvas.RightmostInk(2, 22, {c.background, c.band});
        EXPECT_GT(a, 200);
        EXPECT_LE(a, 260 - 16);
        EXPECT_NEAR(a, b, 1);
    }
}

TEST(MenuDrawTest, DrawingIntoAWindowDcGoesThroughTheBuffer) {
    HDC screen = ::GetDC(nullptr);
    {
        COfficeXPMenuMemDC buffered(screen, RECT{10, 10, 50, 30});
        EXPECT_TRUE(buffered.IsBuffered());
        POINT origin = {};
        ::GetWindowOrgEx(buffered, &origin);
        EXPECT_EQ(10, origin.x);
        EXPECT_EQ(10, origin.y);
    }
    ::ReleaseDC(nullptr, screen);
    CPixelCanvas canvas(20, 20);
    COfficeXPMenuMemDC direct(canvas.Dc(), RECT{0, 0, 20, 20});
    EXPECT_FALSE(direct.IsBuffered());
    EXPECT_EQ(canvas.Dc(), direct.Get());
}

TEST(MenuLoadTest, EveryItemOfAResourceMenuIsOwnerDrawn) {
    COfficeXPMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDM_TEST_MENU));
    ASSERT_EQ(1, menu.GetItemCount());
    COfficeXPMenu* file = menu.GetSubMenu(0);
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(L"\u6587\u4EF6", menu.GetItemText(0, MF_BYPOSITION));
    ASSERT_EQ(7, file->GetItemCount());
    for (int pos = 0; pos < file->GetItemCount(); ++pos) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_DATA;
        ASSERT_TRUE(::GetMenuItemInfoW(*file, static_cast<UINT>(pos), TRUE, &info));
        EXPECT_TRUE(info.fType & MFT_OWNERDRAW) << pos;
        EXPECT_EQ(reinterpret_cast<ULONG_PTR>(file->GetItemData(pos)), info.dwItemData) << pos;
    }
    EXPECT_TRUE(file->GetItemData(2)->IsSeparator());
    EXPECT_TRUE(::GetMenuState(*file, ID_CMD_DISABLED, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(::GetMenuState(*file, ID_CMD_CHECKED, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_EQ(static_cast<UINT>(ID_CMD_EXIT), ::GetMenuItemID(*file, 6));

    // Shortcut labels are padded to the same width.
    fw::CClientDC screen(nullptr);
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    fw::CFont font(::CreateFontIndirectW(&metrics.lfMenuFont));
    fw::CSelectObject select(screen, font);
    auto width = [&screen](const std::wstring& text) {
        SIZE size = {};
        ::GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &size);
        return static_cast<int>(size.cx);
    };
    const std::wstring open = file->GetItemText(ID_CMD_OPEN);
    const std::wstring save = file->GetItemText(ID_CMD_SAVE);
    EXPECT_EQ(L"Ctrl+O", COfficeXPMenuLook::Shortcut(open));
    EXPECT_EQ(L"Ctrl+Shift+S", COfficeXPMenuLook::Shortcut(save));
    const int widest = width(L"\u4FDD\u5B58\u4E3A\u56FE\u7247(&S) ");
    EXPECT_GE(width(COfficeXPMenuLook::Label(open)), widest);
    EXPECT_GE(width(COfficeXPMenuLook::Label(save)), widest);
    EXPECT_EQ(L"\u9000\u51FA(&X)", file->GetItemText(ID_CMD_EXIT)) << "no tab: unchanged";
}

TEST(MenuLoadTest, SubMenusAreSearchedAndForgottenOnDestroy) {
    COfficeXPMenu menu;
    ASSERT_TRUE(menu.LoadMenu(MAKEINTRESOURCEW(IDM_TEST_MENU)));
    COfficeXPMenu* file = menu.GetSubMenu(0);
    ASSERT_NE(nullptr, file);
    COfficeXPMenu* more = file->GetSubMenu(5);
    ASSERT_NE(nullptr, more);
    EXPECT_EQ(nullptr, file->GetSubMenu(0)) << "a plain item has no sub-menu";

    COfficeXPMenu* owner = nullptr;
    EXPECT_EQ(0, menu.FindMenuOwner(ID_CMD_DEEP, &owner));
    EXPECT_EQ(more, owner);
    EXPECT_EQ(6, menu.FindMenuOwner(ID_CMD_EXIT, &owner));
    EXPECT_EQ(file, owner);
    EXPECT_EQ(-1, menu.FindMenuOwner(4242, &owner));
    EXPECT_EQ(nullptr, owner);
    EXPECT_EQ(L"F5", COfficeXPMenuLook::Shortcut(menu.GetItemText(ID_CMD_DEEP)));
    EXPECT_EQ(L"", menu.GetItemText(4242));

    const HMENU fileHandle = *file;
    const HMENU moreHandle = *more;
    EXPECT_TRUE(COfficeXPMenu::IsOwnerDrawnSubMenu(fileHandle));
    EXPECT_TRUE(COfficeXPMenu::IsOwnerDrawnSubMenu(moreHandle));
    menu.DestroyMenu();
    EXPECT_FALSE(COfficeXPMenu::IsOwnerDrawnSubMenu(fileHandle));
    EXPECT_FALSE(COfficeXPMenu::IsOwnerDrawnSubMenu(moreHandle));
    EXPECT_EQ(nullptr, menu.Get());
    EXPECT_FALSE(::IsMenu(fileHandle));
    EXPECT_FALSE(::IsMenu(moreHandle));
}

TEST(MenuLoadTest, MissingResourceAnswersZero) {
    COfficeXPMenu menu;
    EXPECT_FALSE(menu.LoadMenu(9999));
    EXPECT_FALSE(menu.LoadMenu(L"NO_SUCH_MENU"));
    EXPECT_EQ(nullptr, menu.Get());
}

TEST(MenuLoadTest, ASubMenuOfTheCallerSurvivesTheParent) {
    COfficeXPMenu sub;
    sub.AppendItem(MF_STRING, L"child", 77);
    {
        COfficeXPMenu parent;
        parent.AppendItem(MF_POPUP, L"sub", reinterpret_cast<UINT_PTR>(sub.Get()));
        EXPECT_TRUE(COfficeXPMenu::IsOwnerDrawnSubMenu(sub.Get()));
        EXPECT_EQ(&sub, parent.GetSubMenu(0));
    }
    EXPECT_TRUE(::IsMenu(sub.Get()));
    EXPECT_EQ(L"child", sub.GetItemText(77));
}

// A menu that counts what reaches it.
class CountingMenu : public COfficeXPMenu {
public:
    int draws = 0;
    int measures = 0;
    void DrawItem(DRAWITEMSTRUCT* dis) override {
        ++draws;
        COfficeXPMenu::DrawItem(dis);
    }
    void MeasureItem(MEASUREITEMSTRUCT* mis) override {
        ++measures;
        COfficeXPMenu::MeasureItem(mis);
    }
};

// An owner window that passes the owner-draw messages on to the menus.
class MenuOwner : public fw::CWindow {
protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        LRESULT result = 0;
        if (COfficeXPMenu::RouteOwnerMessage(msg, wParam, lParam, &result)) return result;
        return fw::CWindow::WindowProc(msg, wParam, lParam);
    }
};

CountingMenu* g_trackedMenu = nullptr;
HWND g_trackOwner = nullptr;
RECT g_itemRects[4] = {};

// Once the menu is drawn: reads the item rectangles, then picks the third
// item (the icon item, after the separator) with the keyboard. Ends the menu when it
// takes too long.
void CALLBACK DriveTrackedMenu(HWND, UINT, UINT_PTR, DWORD) {
    static int ticks = 0;
    static int stage = 0;
    ++ticks;
    if (ticks > 100) {
        ::EndMenu();
        return;
    }
    if (!g_trackedMenu || g_trackedMenu->draws < 3) return;
    HMENU menu = g_trackedMenu->Get();
    if (stage == 0) {
        for (int i = 0; i < 4; ++i) ::GetMenuItemRect(g_trackOwner, menu, static_cast<UINT>(i), &g_itemRects[i]);
        ::PostMessageW(g_trackOwner, WM_KEYDOWN, VK_DOWN, 0);
        ::PostMessageW(g_trackOwner, WM_KEYDOWN, VK_DOWN, 0);
        stage = 1;
    } else if (stage == 1) {
        ::PostMessageW(g_trackOwner, WM_KEYDOWN, VK_RETURN, 0);
        stage = 2;
    }
}

TEST(MenuRoutingTest, OwnerDrawMessagesReachTheMenuObject) {
    MenuOwner owner;
    ASSERT_TRUE(owner.CreateEx(0, L"", L"menu owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{50, 50, 350, 250},
                               nullptr, 0));
    PumpMessages();
    CountingMenu menu;
    fw::CImageList icons = RedIcons(16, 15);
    menu.AppendItem(MF_STRING, L"\u6253\u5F00(&O)\tCtrl+O", 10);
    menu.AppendItem(MF_STRING, L"", 0);
    menu.AppendItemWithIcon(L"\u5728\u7EBF", 11, icons, 0);
    menu.AppendItem(MF_STRING, L"\u9000\u51FA(&X)", 12);
    g_trackedMenu = &menu;
    g_trackOwner = owner;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &DriveTrackedMenu);
    ::SetForegroundWindow(owner);
    const UINT chosen = menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RETURNCMD, 100, 100, owner);
    ::KillTimer(nullptr, timer);
    g_trackedMenu = nullptr;
    EXPECT_GE(menu.measures, 4) << "every item measured through the owner";
    EXPECT_GE(menu.draws, 3) << "items drawn through the owner";
    // The menu is laid out with the measured sizes and hit-tested by them.
    const int menuHeight = ::GetSystemMetrics(SM_CYMENU);
    EXPECT_EQ(menuHeight / 2, g_itemRects[1].bottom - g_itemRects[1].top) << "separator";
    EXPECT_EQ(std::max(menuHeight, 15 + 4), g_itemRects[2].bottom - g_itemRects[2].top);
    EXPECT_EQ(g_itemRects[0].bottom, g_itemRects[1].top);
    EXPECT_EQ(g_itemRects[1].bottom, g_itemRects[2].top);
    EXPECT_EQ(11u, chosen) << "the item picked after the separator";

    // Mnemonics of owner-drawn items.
    EXPECT_EQ(MAKELRESULT(0, MNC_EXECUTE),
              owner.SendMessage(WM_MENUCHAR, MAKEWPARAM(L'o', MF_POPUP), reinterpret_cast<LPARAM>(menu.Get())));
    EXPECT_EQ(MAKELRESULT(3, MNC_EXECUTE),
              owner.SendMessage(WM_MENUCHAR, MAKEWPARAM(L'X', MF_POPUP), reinterpret_cast<LPARAM>(menu.Get())));
    EXPECT_EQ(0, owner.SendMessage(WM_MENUCHAR, MAKEWPARAM(L'q', MF_POPUP), reinterpret_cast<LPARAM>(menu.Get())));

    // Owner-drawn items of other menus are left to the window.
    MEASUREITEMSTRUCT foreign = {};
    foreign.CtlType = ODT_MENU;
    foreign.itemData = 4711;
    LRESULT result = 0;
    EXPECT_FALSE(COfficeXPMenu::RouteOwnerMessage(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&foreign), &result));
    DRAWITEMSTRUCT strange = {};
    strange.CtlType = ODT_MENU;
    strange.hwndItem = reinterpret_cast<HWND>(menu.Get());
    strange.itemData = 4711;
    EXPECT_FALSE(COfficeXPMenu::RouteOwnerMessage(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&strange), &result));
    EXPECT_FALSE(COfficeXPMenu::RouteOwnerMessage(WM_INITMENUPOPUP, 0, 0, &result));
}

}  // namespace
