// What the skinned scroll bar, the sortable header and the report lists
// decide without a window.
#include "clientui/ListPager.h"
#include "clientui/ListRules.h"

#include <gtest/gtest.h>

namespace {

ListRowRecord Row(int32_t group, std::vector<std::wstring> texts) {
    ListRowRecord row;
    row.group = group;
    row.texts = std::move(texts);
    return row;
}

int Length(const RECT& rc, bool vertical) { return vertical ? rc.bottom - rc.top : rc.right - rc.left; }

}  // namespace

TEST(ScrollBarLayout, ArrowsTroughAndThumbAlongTheBar) {
    for (const bool vertical : {true, false}) {
        const ScrollBarPieces p = LayoutScrollBar(vertical, 17, 200, 17, 40, 100, 3, 3, SIZE{8, 8});
        EXPECT_EQ(Length(p.firstArrow, vertical), 17);
        EXPECT_EQ(Length(p.secondArrow, vertical), 17);
        EXPECT_EQ(Length(p.trough, vertical), 200 - 34);
        ASSERT_TRUE(p.thumb);
        EXPECT_EQ(vertical ? p.thumbStart.top : p.thumbStart.left, 40);
        EXPECT_EQ(vertical ? p.thumbEnd.bottom : p.thumbEnd.right, 100);
        EXPECT_EQ(Length(p.thumbMiddle, vertical), 60 - 6);
        // The grip sits in the middle of the thumb, across the middle of the bar.
        EXPECT_EQ(vertical ? (p.grip.top + p.grip.bottom) / 2 : (p.grip.left + p.grip.right) / 2, 70);
        EXPECT_EQ(vertical ? p.grip.left : p.grip.top, (17 - 8) / 2);
    }
}

TEST(ScrollBarLayout, ShortBarsGetHalfArrowsAndNoThumb) {
    struct Case {
        int length;
        int arrow;
        bool thumb;
    } cases[] = {{30, 14, false}, {34, 16, false}, {35, 17, false}, {45, 17, false}, {46, 17, true}};
    for (const Case& c : cases) {
        const ScrollBarPieces p = LayoutScrollBar(true, 17, c.length, 17, 18, 28, 3, 3, SIZE{8, 8});
        EXPECT_EQ(Length(p.firstArrow, true), c.arrow) << c.length;
        EXPECT_EQ(p.secondArrow.bottom, c.length) << c.length;
        EXPECT_EQ(p.thumb, c.thumb) << c.length;
    }
    EXPECT_FALSE(LayoutScrollBar(true, 0, 100, 17, 20, 30, 3, 3, SIZE{8, 8}).thumb);
}

TEST(ListSort, SmallerGroupFirstThenTrimmedTextByDirection) {
    const ListRowRecord a = Row(5, {L"  beta ", L"2"});
    const ListRowRecord b = Row(5, {L"alpha", L"10"});
    const ListRowRecord first = Row(1, {L"zeta", L"9"});
    EXPECT_GT(CompareListRows(a, b, 0, true), 0);
    EXPECT_LT(CompareListRows(a, b, 0, false), 0);
    // Texts compare as strings, case-sensitively.
    EXPECT_GT(CompareListRows(a, b, 1, true), 0);
    EXPECT_LT(CompareListRows(Row(5, {L"Beta"}), Row(5, {L"beta"}), 0, true), 0);
    // The group wins in both directions.
    EXPECT_LT(CompareListRows(first, b, 0, true), 0);
    EXPECT_LT(CompareListRows(first, b, 0, false), 0);
    // A column a row has no text for is empty; equal rows are equal.
    EXPECT_EQ(CompareListRows(Row(5, {L"x"}), b, 3, true), 0);
    EXPECT_EQ(CompareListRows(Row(5, {L" x"}), Row(5, {L"x  "}), 0, false), 0);
    EXPECT_EQ(TrimSpaces(L"   "), L"");
}

TEST(ListSort, SecondClickReversesThirdRestores) {
    int column = -1;
    bool ascending = true;
    const auto click = [&](int clicked) {
        ascending = ClickSortsAscending(clicked, column, ascending);
        column = clicked;
        return ascending;
    };
    EXPECT_TRUE(click(2));
    EXPECT_FALSE(click(2));
    EXPECT_TRUE(click(2));
    EXPECT_FALSE(click(2));
    EXPECT_TRUE(click(1));  // another column starts ascending
}

TEST(HeaderWidths, LoadedOnlyForTheSameColumnCount) {
    const std::vector<uint8_t> saved = SaveHeaderWidths({120, 80, 300});
    EXPECT_EQ(saved.size(), 16u);
    std::vector<int> widths = {1, 2, 3};
    EXPECT_TRUE(LoadHeaderWidths(saved, 3, widths));
    EXPECT_EQ(widths, (std::vector<int>{120, 80, 300}));
    std::vector<int> other = {7, 7};
    EXPECT_FALSE(LoadHeaderWidths(saved, 2, other));
    EXPECT_EQ(other, (std::vector<int>{7, 7}));
    std::vector<uint8_t> cut(saved.begin(), saved.end() - 1);
    EXPECT_FALSE(LoadHeaderWidths(cut, 3, other));
    EXPECT_FALSE(LoadHeaderWidths({}, 0, other));
}

TEST(CheckAll, SetOnlyWhenNoRowIsUnchecked) {
    EXPECT_TRUE(AllRowsChecked({true, true}));
    EXPECT_FALSE(AllRowsChecked({true, false}));
    EXPECT_FALSE(AllRowsChecked({}));
    EXPECT_EQ(CheckAllImage(true), 2);
    EXPECT_EQ(CheckAllImage(false), 1);
}

TEST(ListRowLook, SelectionFocusAndAlternatingRows) {
    ListColours c = DefaultListColours();
    c.selectedBackground = 0xAAEBFA;
    c.selectedText = 0x0C0C0C;
    EXPECT_EQ(ListRowLook(c, 3, true, true, true, true).background, 0xAAEBFAu);
    EXPECT_EQ(ListRowLook(c, 3, true, true, true, true).text, 0x0C0C0Cu);
    const RowLook unfocused = ListRowLook(c, 3, true, false, false, true);
    EXPECT_EQ(unfocused.background, 0xAAEBFAu);
    EXPECT_TRUE(unfocused.outline);
    EXPECT_EQ(ListRowLook(c, 2, false, true, false, true).background, c.unfocusedSelection);
    EXPECT_EQ(ListRowLook(c, 1, false, false, true, true).background, 0xFAF0DCu);
    EXPECT_EQ(ListRowLook(c, 2, false, false, true, true).background, 0xFFFFFFu);
    // Without LVS_SHOWSELALWAYS a selection of an unfocused list is not shown.
    EXPECT_EQ(ListRowLook(c, 2, true, false, false, false).background, 0xFFFFFFu);
}

// Decision logic of the shared pager: the two lists' limits side by side.
TEST(ListPager, ButtonsAndPageBoxUnderEachListsLimits) {
    const CListPager::Limits bounded{9, true};     // previous needs the page before
    const CListPager::Limits unbounded{10, false};  // previous from any page above 1
    const struct {
        PagerButton button;
        int current, pageCount, bounded, unbounded;
    } buttons[] = {
        {PagerButton::First, 3, 5, 1, 1},    {PagerButton::First, 1, 5, 0, 0},
        {PagerButton::Previous, 3, 5, 2, 2}, {PagerButton::Previous, 1, 5, 0, 0},
        {PagerButton::Previous, 7, 5, 0, 6},  // the list shrank under page 7
        {PagerButton::Next, 4, 5, 5, 5},     {PagerButton::Next, 5, 5, 0, 0},
        {PagerButton::Last, 2, 5, 5, 5},     {PagerButton::Last, 5, 5, 0, 0},
        {PagerButton::Next, 1, 0, 0, 0},     // no pages: no button does anything
    };
    for (const auto& c : buttons) {
        EXPECT_EQ(CListPager::Target(c.button, c.current, c.pageCount, bounded), c.bounded) << c.current;
        EXPECT_EQ(CListPager::Target(c.button, c.current, c.pageCount, unbounded), c.unbounded) << c.current;
    }
    const struct {
        const wchar_t* text;
        int bounded, unbounded;
    } boxes[] = {
        {L"3", 3, 3},           {L"0", 0, 0},           {L"", 0, 0},  {L"3a", 0, 0}, {L"-3", 0, 0},
        {L"000000003", 3, 3},   {L"0000000003", 0, 3},  // ten digits: only the 10-digit box
        {L"99999999999", 0, 0}, {L"2147483648", 0, 0},  {L"6", 0, 0},
    };
    for (const auto& b : boxes) {
        EXPECT_EQ(CListPager::PageFromText(b.text, 5, bounded), b.bounded);
        EXPECT_EQ(CListPager::PageFromText(b.text, 5, unbounded), b.unbounded);
    }
}
