// CScrollBarList: the sortable report list of the history and search
// views: skinned scroll bars over its system bars (CScrollBarEx), a sort
// header (CSortHeaderCtrl) whose column clicks sort the rows, a check-all
// box in the header of a list with check boxes, alternating row colours,
// and one record per row (ListRowRecord, the row's item data, owned by the
// list): the texts of its columns, the row's previous item data, a
// caller's pointer and a sort group.
//
// The messenger's build (QV_LISTS_MESSENGER) keeps only the painting of
// the bars and the column-click sort (no check-all tracking, no row
// colours); it frees its row records when the list goes, as the desk's
// does.
//
// Attach the list with Subclass (a dialog's list control) or create it
// with Create. UI thread only.
#pragma once

#include "clientui/ListRules.h"
#include "clientui/ScrollBarEx.h"
#include "clientui/SortHeaderCtrl.h"

#include "fw/ImageList.h"
#include "fw/ListCtrl.h"

#include <windows.h>

#include <cstdint>
#include <string>

class CScrollBarList : public fw::CListCtrl {
public:
    static constexpr COLORREF kOddRowColour = 0xFFF9EC;
    static constexpr COLORREF kSelectedRowColour = 0xAAEBFA;

    // skinFolder: the folder holding "Resource" for the scroll bars (empty:
    // the program's).
    explicit CScrollBarList(const std::wstring& skinFolder = std::wstring());
    ~CScrollBarList() override;

    bool Create(HWND parent, const RECT& rect, UINT id,
                DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS);

    // Sorts by column (a column outside the header changes nothing): stores
    // the column and direction and shows the header's arrow; the rows are
    // sorted only in a list with check boxes (the other lists' views order
    // their rows themselves).
    void SortColumn(int column, bool ascending);
    // The header's images from bitmap resource 137; column 0 shows image 1
    // (the unchecked check-all box).
    void SetHeaderBitmap();
    // Inserts a row at index row with the first column's text and gives it
    // a record (group 5 unless given) sized to the columns; returns the
    // row's index (-1 when it could not be inserted).
    int InsertItemTexts(int row, const std::wstring& first, void* pointer = nullptr, int32_t group = 5);
    // Copies the current texts of every column into the row's record.
    void StoreItemTexts(int row);
    // Frees every row record, then deletes every row.
    void DeleteAllItemsEx();

    // The record of a row, or null.
    ListRowRecord* GetRowRecord(int row) const;
    int GetColumnCount() const;
    int GetSortColumn() const { return m_nSortCol; }
    bool IsSortAscending() const { return m_bSortAsc != 0; }
    bool IsCheckAll() const { return m_bCheckAll != 0; }
    bool HasCheckBoxes() const;
    CSortHeaderCtrl& GetHeaderCtrl() { return m_header; }
    CScrollBarEx& GetVerticalBar() { return m_vertical; }
    CScrollBarEx& GetHorizontalBar() { return m_horizontal; }

    void OnSubclassed() override;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    void OnColumnClick(int column);
    void SetCheckAll(bool checked);
    void UpdateCheckAllFromRows();
    void ShowCheckAllImage();
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW* draw);
    void FreeRecords();
    static int CALLBACK CompareRows(LPARAM a, LPARAM b, LPARAM self);

    CSortHeaderCtrl m_header;
    BYTE m_bHeaderImages = 0;
    fw::CImageList m_headerImages;
    CScrollBarEx m_horizontal;
    CScrollBarEx m_vertical;
    int32_t m_bCheckAll = 0;
    int32_t m_nSortCol = -1;
    int32_t m_bSortAsc = 1;
    int32_t m_reserved = 0;
};
