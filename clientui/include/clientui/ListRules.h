// What the skinned scroll bar, the sortable header and the report lists
// decide without a window: where the pieces of a skinned scroll bar go, the
// order of two rows and of a header click, the saved column widths, the
// check-all state and the colours of an owner-drawn row.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// The pieces of a skinned scroll bar in its own client coordinates.
struct ScrollBarPieces {
    RECT firstArrow = {};   // up or left
    RECT secondArrow = {};  // down or right
    RECT trough = {};
    bool thumb = false;     // no thumb on a bar of 45 pixels or less
    RECT thumbStart = {};   // top or left cap
    RECT thumbMiddle = {};
    RECT thumbEnd = {};     // bottom or right cap
    RECT grip = {};
};

// A bar of width (across) and length (along); arrowMetric is the system's
// arrow length (SM_CYVSCROLL or SM_CXHSCROLL); thumbStart and thumbEnd are
// the thumb's ends along the bar; the caps and the grip keep their bitmaps'
// lengths (along the bar), the grip also its breadth.
ScrollBarPieces LayoutScrollBar(bool vertical, int width, int length, int arrowMetric, int thumbStart, int thumbEnd,
                                int startCapLength, int endCapLength, SIZE grip);

// The record a CScrollBarList keeps as the item data of every row.
struct ListRowRecord {
    std::vector<std::wstring> texts;  // one per column
    LPARAM previousData = 0;          // the row's item data before
    void* pointer = nullptr;          // the caller's
    int32_t group = 5;                // rows of a smaller group come first
};

// Row order: the smaller sort group first, whatever the direction; within a
// group the texts of the column, trimmed of spaces at both ends, compared
// case-sensitively, ascending or descending. A column a record has no text
// for compares as empty. Negative, 0 or positive.
int CompareListRows(const ListRowRecord& a, const ListRowRecord& b, int column, bool ascending);
// A click on a column header: ascending when another column than the sort
// column is clicked or the order is descending; a second click on the same
// column reverses the order.
bool ClickSortsAscending(int clicked, int sortColumn, bool ascending);
// The text without spaces at both ends.
std::wstring TrimSpaces(const std::wstring& text);

// Saved header widths: the column count, then each width (little-endian
// 32-bit words).
std::vector<uint8_t> SaveHeaderWidths(const std::vector<int>& widths);
// The widths of saved bytes, only when they hold exactly columnCount
// widths; false (out untouched) otherwise.
bool LoadHeaderWidths(const std::vector<uint8_t>& bytes, int columnCount, std::vector<int>& out);

// The check-all box of a list with check boxes: set when no row is
// unchecked (an empty list counts as unchecked); the header image of
// column 0 is 2 when set, else 1.
bool AllRowsChecked(const std::vector<bool>& checked);
inline int CheckAllImage(bool checkAll) { return checkAll ? 2 : 1; }

// The colours of an owner-drawn report list (CListCtrlEx), in the order it
// keeps them.
struct ListColours {
    COLORREF text;
    COLORREF background;
    COLORREF selectedText;
    COLORREF selectedBackground;
    COLORREF infoText;
    COLORREF unfocusedSelection;  // selected, the list without the focus
    COLORREF oddRow;
    COLORREF evenRow;
};
ListColours DefaultListColours();

// How one row is filled: its background, its text colour and whether an
// outline is drawn around it.
struct RowLook {
    COLORREF background;
    COLORREF text;
    bool outline;
};
RowLook ListRowLook(const ListColours& colours, int row, bool selected, bool focusedItem, bool listHasFocus,
                    bool showSelectionAlways);
