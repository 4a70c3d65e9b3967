// A sortable report list with the skinned scroll bars in a window (Wine,
// Xvfb), driven with real clicks (SendInput) on the skinned bar's arrow and
// trough and on the header: the bar lies over the system bar and follows
// the list, the header sorts and reverses, column 0 checks and unchecks all
// rows, checking the last unchecked row sets the check-all box, the widths
// are saved and loaded. QV_LIST_SHOT names a picture of the list to save.
#include "clientui/ScrollBarList.h"
#include "clientui/ToolTips.h"

#include "ScreenPicture.h"

#include "fw/Window.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 300;

void Pump(DWORD ms) {
    const DWORD start = ::GetTickCount();
    do {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(10);
    } while (::GetTickCount() - start < ms);
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms = 10000) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        Pump(20);
        if (done()) return true;
        if (::GetTickCount() - start >= ms) return false;
    }
}

// A click, after the platform's double-click time, so that two clicks on
// the same place are two clicks.
void ClickAt(POINT p) {
    Pump(::GetDoubleClickTime() + 50);
    const int cx = ::GetSystemMetrics(SM_CXSCREEN);
    const int cy = ::GetSystemMetrics(SM_CYSCREEN);
    auto at = [&](DWORD flags) {
        INPUT in = {};
        in.type = INPUT_MOUSE;
        in.mi.dx = static_cast<LONG>((p.x * 65536LL + cx / 2) / cx);
        in.mi.dy = static_cast<LONG>((p.y * 65536LL + cy / 2) / cy);
        in.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | flags;
        return in;
    };
    INPUT move = at(0);
    ::SendInput(1, &move, sizeof move);
    Pump(50);
    INPUT press[] = {at(MOUSEEVENTF_LEFTDOWN), at(MOUSEEVENTF_LEFTUP)};
    ::SendInput(2, press, sizeof(INPUT));
    Pump(100);
}

std::wstring BinFolder() {
    std::wstring folder;
    for (const char* p = QV_TEST_BIN_DIR; *p; ++p) folder += static_cast<wchar_t>(*p == '/' ? '\\' : *p);
    return L"Z:" + folder + L"\\";
}

class Host : public fw::CWindow {};

class ListWindow : public ::testing::Test {
protected:
    void SetUp() override {
        host.CreateEx(WS_EX_TOPMOST, L"", L"list", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, RECT{60, 60, 520, 440},
                      nullptr, 0);
        ASSERT_TRUE(list.Create(host, RECT{10, 10, 450, 370}, 100));
        list.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES);
        // Column 0 holds the rows' check boxes (and the header's check-all box).
        list.InsertColumn(0, L"", 40);
        list.InsertColumn(1, L"客户", 100);
        list.InsertColumn(2, L"编号", 110);
        list.InsertColumn(3, L"最后会话", 140);
        list.SetHeaderBitmap();
        for (int i = 0; i < kRows; ++i) {
            // Every 60th row belongs to a group of its own, which comes first.
            const int row = list.InsertItemTexts(i, L"", nullptr, i % 60 == 7 ? 1 : 5);
            wchar_t number[16];
            std::swprintf(number, 16, L"%05d", (i * 7919) % 1000);
            list.SetItemText(row, 1, L"客户" + std::to_wstring(i));
            list.SetItemText(row, 2, number);
            list.SetItemText(row, 3, L"2026-12-" + std::to_wstring(10 + i % 20));
            list.StoreItemTexts(row);
        }
        ::SetForegroundWindow(host);
        ::UpdateWindow(host);
        Pump(300);
    }

    int TopIndex() { return static_cast<int>(list.SendMessage(LVM_GETTOPINDEX)); }
    RECT BarRect() { return list.GetVerticalBar().GetWindowRect(); }
    std::vector<std::wstring> Column(int column, int count) {
        std::vector<std::wstring> texts;
        for (int i = 0; i < count; ++i) texts.push_back(list.GetItemText(i, column));
        return texts;
    }
    POINT HeaderCentre(int column) {
        RECT rc = list.GetHeaderCtrl().GetItemRect(column);
        ::MapWindowPoints(list.GetHeaderCtrl(), nullptr, reinterpret_cast<POINT*>(&rc), 2);
        return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    }
    bool Checked(int row) {
        return (list.SendMessage(LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) ==
               INDEXTOSTATEIMAGEMASK(2);
    }
    int HeaderImage() {
        HDITEMW item = {};
        item.mask = HDI_IMAGE;
        list.GetHeaderCtrl().GetItem(0, &item);
        return item.iImage;
    }

    Host host;
    CScrollBarList list{BinFolder()};
};

TEST_F(ListWindow, TheSkinnedBarLiesOverTheSystemBarAndScrollsTheList) {
    SCROLLBARINFO info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(::GetScrollBarInfo(list, OBJID_VSCROLL, &info));
    ASSERT_TRUE(PumpUntil([&] { return list.GetVerticalBar().IsWindowVisible(); }));
    const RECT bar = BarRect();
    EXPECT_EQ(bar.left, info.rcScrollBar.left);
    EXPECT_EQ(bar.top, info.rcScrollBar.top);
    EXPECT_EQ(bar.bottom, info.rcScrollBar.bottom);
    // All rows fit across: no horizontal bar, so none of the skin either.
    EXPECT_FALSE(list.GetHorizontalBar().IsWindowVisible());

    const std::vector<uint32_t> before = [&] {
        std::vector<uint32_t> p;
        HDC dc = ::GetDC(nullptr);
        for (int y = bar.top; y < bar.bottom; y += 4) p.push_back(::GetPixel(dc, bar.left + 8, y));
        ::ReleaseDC(nullptr, dc);
        return p;
    }();
    // The down arrow scrolls one row; the trough below the thumb a page.
    ASSERT_EQ(TopIndex(), 0);
    ClickAt({(bar.left + bar.right) / 2, bar.bottom - 5});
    EXPECT_TRUE(PumpUntil([&] { return TopIndex() == 1; })) << TopIndex();
    ClickAt({(bar.left + bar.right) / 2, bar.bottom - 40});
    EXPECT_TRUE(PumpUntil([&] { return TopIndex() > 5; })) << TopIndex();
    // The skin follows: the thumb moved down.
    HDC dc = ::GetDC(nullptr);
    std::vector<uint32_t> after;
    for (int y = bar.top; y < bar.bottom; y += 4) after.push_back(::GetPixel(dc, bar.left + 8, y));
    ::ReleaseDC(nullptr, dc);
    EXPECT_NE(before, after) << "the skinned bar was not painted again";

    const char* shot = std::getenv("QV_LIST_SHOT");
    if (shot && *shot) {
        std::wstring path = L"Z:";
        for (const char* p = shot; *p; ++p) path += static_cast<wchar_t>(*p == '/' ? '\\' : *p);
        // Sorted by the number, as a user would have it on the picture.
        ClickAt(HeaderCentre(2));
        Pump(300);
        EXPECT_TRUE(testpicture::SaveWindowPicture(host, path));
    }
}

TEST_F(ListWindow, HeaderClicksSortReverseAndCheckAll) {
    ClickAt(HeaderCentre(2));
    ASSERT_TRUE(PumpUntil([&] { return list.GetSortColumn() == 2; }));
    EXPECT_TRUE(list.IsSortAscending());
    EXPECT_EQ(list.GetHeaderCtrl().GetSortColumn(), 2);
    // The rows of the smaller group first, each part in ascending order.
    std::vector<std::wstring> numbers = Column(2, kRows);
    const int firstGroup = kRows / 60;
    for (int i = 0; i < kRows; ++i) {
        const bool inFirst = list.GetRowRecord(i)->group == 1;
        EXPECT_EQ(inFirst, i < firstGroup) << i;
        if (i > 0 && i != firstGroup) {
            EXPECT_LE(numbers[i - 1], numbers[i]) << i;
        }
    }

    ClickAt(HeaderCentre(2));
    ASSERT_TRUE(PumpUntil([&] { return !list.IsSortAscending(); }));
    numbers = Column(2, kRows);
    EXPECT_EQ(list.GetRowRecord(0)->group, 1) << "the group comes first in both directions";
    for (int i = firstGroup + 1; i < kRows; ++i) EXPECT_GE(numbers[i - 1], numbers[i]) << i;
    ClickAt(HeaderCentre(2));
    EXPECT_TRUE(PumpUntil([&] { return list.IsSortAscending(); }));

    // Column 0 checks every row, then unchecks them.
    EXPECT_EQ(HeaderImage(), 1);
    ClickAt(HeaderCentre(0));
    ASSERT_TRUE(PumpUntil([&] { return list.IsCheckAll(); }));
    EXPECT_TRUE(Checked(0) && Checked(kRows - 1));
    EXPECT_EQ(HeaderImage(), 2);
    EXPECT_EQ(list.GetSortColumn(), 2) << "column 0 of a list with check boxes does not sort";

    // A click on a row's box unchecks it: the header box follows; checking
    // the last unchecked row sets it again.
    RECT row = {LVIR_BOUNDS, 0, 0, 0};
    list.SendMessage(LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&row));
    POINT box = {row.left + 8, (row.top + row.bottom) / 2};
    ::ClientToScreen(list, &box);
    ClickAt(box);
    ASSERT_TRUE(PumpUntil([&] { return !Checked(2); })) << "the click missed the row's box";
    EXPECT_FALSE(list.IsCheckAll());
    EXPECT_EQ(HeaderImage(), 1);
    ClickAt(box);
    ASSERT_TRUE(PumpUntil([&] { return Checked(2); }));
    EXPECT_TRUE(list.IsCheckAll());
    EXPECT_EQ(HeaderImage(), 2);
    ClickAt(HeaderCentre(0));
    EXPECT_TRUE(PumpUntil([&] { return !list.IsCheckAll() && !Checked(0) && !Checked(kRows - 1); }));
}

TEST_F(ListWindow, WidthsLoadOnlyForTheSameColumnCount) {
    const std::vector<uint8_t> saved = list.GetHeaderCtrl().SaveWidths();
    HDITEMW item = {};
    item.mask = HDI_WIDTH;
    item.cxy = 50;
    list.GetHeaderCtrl().SetItem(2, item);
    EXPECT_TRUE(list.GetHeaderCtrl().LoadWidths(saved));
    const RECT restored = list.GetHeaderCtrl().GetItemRect(2);
    EXPECT_EQ(restored.right - restored.left, 110);
    const std::vector<uint8_t> twoColumns = SaveHeaderWidths({10, 20});
    EXPECT_FALSE(list.GetHeaderCtrl().LoadWidths(twoColumns));
    EXPECT_EQ(list.GetHeaderCtrl().GetItemRect(2).right - list.GetHeaderCtrl().GetItemRect(2).left, 110);
}

TEST_F(ListWindow, RowRecordsGoWithTheRowsAndTooltipsAttach) {
    ASSERT_NE(list.GetRowRecord(0), nullptr);
    EXPECT_EQ(list.GetRowRecord(0)->texts.size(), 4u);
    EXPECT_EQ(list.GetRowRecord(0)->texts[1], L"客户0");
    list.DeleteAllItemsEx();
    EXPECT_EQ(list.GetItemCount(), 0);

    CToolTips tips;
    ASSERT_TRUE(tips.Create(host));
    EXPECT_TRUE(tips.AddTool(list, L"列表"));
    EXPECT_EQ(tips.SendMessage(TTM_GETTOOLCOUNT), 1);
    EXPECT_FALSE(tips.AddTool(nullptr, L"none"));
}

}  // namespace
