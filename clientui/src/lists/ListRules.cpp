#include "clientui/ListRules.h"

#include <algorithm>
#include <cstring>

ScrollBarPieces LayoutScrollBar(bool vertical, int width, int length, int arrowMetric, int thumbStart, int thumbEnd,
                                int startCapLength, int endCapLength, SIZE grip) {
    ScrollBarPieces p;
    if (width <= 0 || length <= 0) return p;
    const int arrow = length < 2 * arrowMetric + 1 ? (length - 1) / 2 : arrowMetric;
    // Along the bar: [from, to) mapped to a rectangle across the whole width.
    const auto span = [&](int from, int to) {
        return vertical ? RECT{0, from, width, to} : RECT{from, 0, to, width};
    };
    p.firstArrow = span(0, arrow);
    p.secondArrow = span(length - arrow, length);
    p.trough = span(arrow, length - arrow);
    p.thumb = length > 45 && thumbEnd > thumbStart;
    if (!p.thumb) return p;
    p.thumbStart = span(thumbStart, thumbStart + startCapLength);
    p.thumbMiddle = span(thumbStart + startCapLength, std::max(thumbStart + startCapLength, thumbEnd - endCapLength));
    p.thumbEnd = span(thumbEnd - endCapLength, thumbEnd);
    const int along = vertical ? grip.cy : grip.cx;
    const int across = vertical ? grip.cx : grip.cy;
    const int middle = (thumbStart + thumbEnd) / 2;
    const int from = middle - along / 2;
    const int left = (width - across) / 2;
    p.grip = vertical ? RECT{left, from, left + across, from + along} : RECT{from, left, from + along, left + across};
    return p;
}

std::wstring TrimSpaces(const std::wstring& text) {
    const size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos) return std::wstring();
    const size_t last = text.find_last_not_of(L' ');
    return text.substr(first, last - first + 1);
}

int CompareListRows(const ListRowRecord& a, const ListRowRecord& b, int column, bool ascending) {
    if (a.group != b.group) return a.group < b.group ? -1 : 1;
    const auto text = [column](const ListRowRecord& r) {
        return column >= 0 && static_cast<size_t>(column) < r.texts.size() ? TrimSpaces(r.texts[column])
                                                                          : std::wstring();
    };
    const int order = text(a).compare(text(b));
    const int sign = order < 0 ? -1 : (order > 0 ? 1 : 0);
    return ascending ? sign : -sign;
}

bool ClickSortsAscending(int clicked, int sortColumn, bool ascending) { return clicked != sortColumn || !ascending; }

std::vector<uint8_t> SaveHeaderWidths(const std::vector<int>& widths) {
    std::vector<uint8_t> bytes;
    const auto put = [&bytes](int32_t value) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i)));
    };
    put(static_cast<int32_t>(widths.size()));
    for (int width : widths) put(width);
    return bytes;
}

bool LoadHeaderWidths(const std::vector<uint8_t>& bytes, int columnCount, std::vector<int>& out) {
    const auto word = [&bytes](size_t at) {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(bytes[at + i]) << (8 * i);
        return static_cast<int32_t>(value);
    };
    if (bytes.size() < 4 || columnCount < 0) return false;
    const int32_t count = word(0);
    if (count != columnCount || bytes.size() != 4 + 4 * static_cast<size_t>(count)) return false;
    std::vector<int> widths;
    for (int32_t i = 0; i < count; ++i) widths.push_back(word(4 + 4 * static_cast<size_t>(i)));
    out = widths;
    return true;
}

bool AllRowsChecked(const std::vector<bool>& checked) {
    return !checked.empty() && std::all_of(checked.begin(), checked.end(), [](bool c) { return c; });
}

ListColours DefaultListColours() {
    return ListColours{::GetSysColor(COLOR_WINDOWTEXT),   ::GetSysColor(COLOR_WINDOW),
                       ::GetSysColor(COLOR_HIGHLIGHTTEXT), ::GetSysColor(COLOR_HIGHLIGHT),
                       ::GetSysColor(COLOR_INFOTEXT),      ::GetSysColor(COLOR_INACTIVEBORDER),
                       0xFAF0DC,                           0xFFFFFF};
}

RowLook ListRowLook(const ListColours& colours, int row, bool selected, bool focusedItem, bool listHasFocus,
                    bool showSelectionAlways) {
    if (selected && listHasFocus) return {colours.selectedBackground, colours.selectedText, false};
    if (selected && showSelectionAlways) return {colours.selectedBackground, colours.text, true};
    if (focusedItem && !selected && showSelectionAlways) return {colours.unfocusedSelection, colours.text, false};
    return {row % 2 ? colours.oddRow : colours.evenRow, colours.text, false};
}
