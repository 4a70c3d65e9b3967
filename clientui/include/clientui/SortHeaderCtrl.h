// CSortHeaderCtrl: the column header of a sortable report list. It draws
// the sort column's arrow (up ascending, down descending), the check-all
// box of a list with check boxes (images 1 and 2 of bitmap resource 137)
// and its own dividers, and saves and loads its column widths.
//
// In the desk build it paints every column itself; in the messenger's
// build (QV_LISTS_MESSENGER) the platform paints the header and only the
// owner-drawn columns (the sort column) are drawn here.
//
// UI thread only.
#pragma once

#include "fw/GdiObject.h"
#include "fw/HeaderCtrl.h"

#include <windows.h>

#include <cstdint>
#include <vector>

class CSortHeaderCtrl : public fw::CHeaderCtrl {
public:
    static constexpr int kHeaderBitmap = 137;

    CSortHeaderCtrl();
    ~CSortHeaderCtrl() override;

    // Stores the sort column and direction, gives that column the
    // owner-draw format and repaints.
    void SetSortArrow(int column, bool ascending);
    int GetSortColumn() const { return m_nSortCol; }
    bool IsSortAscending() const { return m_bSortAsc != 0; }
    void SetShowCheckBox(bool show) { m_bShowCheckBox = show ? 1 : 0; }
    bool IsShowCheckBox() const { return m_bShowCheckBox != 0; }

    // The column widths, saved (the count, then each width) and loaded; a
    // load applies the widths only when the saved count equals the
    // header's column count.
    std::vector<uint8_t> SaveWidths() const;
    bool LoadWidths(const std::vector<uint8_t>& bytes);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    void PaintAll();
    void DrawColumn(HDC dc, int column, const RECT& rc, bool pressed);

    int32_t m_nSortCol = -1;
    int32_t m_bSortAsc = 1;
    BYTE m_bShowCheckBox = 0;
    fw::CFont m_font;
    fw::CBitmap m_marks;
};
