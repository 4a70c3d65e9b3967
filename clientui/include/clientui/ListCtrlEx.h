// CListCtrlEx: an owner-drawn report list (LVS_OWNERDRAWFIXED) with rows of
// a height of its own, alternating row colours and a Chinese font, for
// result lists that need their own colours. It keeps eight colours (text,
// background, selected text, selected background, info text, the selection
// of a list without the focus, odd rows, even rows) that its owner may
// change one by one.
//
// Desk build only. UI thread only.
#pragma once

#include "clientui/ListRules.h"

#include "fw/GdiObject.h"
#include "fw/ImageList.h"
#include "fw/ListCtrl.h"

#include <windows.h>

class CListCtrlEx : public fw::CListCtrl {
public:
    enum Colour : int {
        kText,
        kBackground,
        kSelectedText,
        kSelectedBackground,
        kInfoText,
        kUnfocusedSelection,
        kOddRow,
        kEvenRow,
    };

    CListCtrlEx();
    ~CListCtrlEx() override;

    // Creates the list (report, owner-drawn rows) with rows of rowHeight.
    bool Create(HWND parent, const RECT& rect, UINT id, int rowHeight,
                DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL);
    void SetColour(Colour which, COLORREF colour);
    COLORREF GetColour(Colour which) const;
    const ListColours& GetColours() const { return m_colours; }
    int GetRowHeight() const { return m_rowHeight; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    void DrawRow(const DRAWITEMSTRUCT& item);

    ListColours m_colours;
    fw::CFont m_font;
    fw::CImageList m_rowSpacer;
    int m_rowHeight = 0;
};
