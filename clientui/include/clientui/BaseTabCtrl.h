// CBaseTabCtrl: a tab control that paints itself and hands each part of the
// painting to a virtual operation, which a derived control overrides.
//
// Paint modes: 0, the platform paints everything; 1, the platform paints and
// the tabs are owner-drawn (through PaintTab and PaintTabFrame); 2 or more,
// the control paints everything itself: the background strip on
// WM_ERASEBKGND, then on WM_PAINT the page frame, every unselected tab from
// the last to the first, and the selected tab last, raised by 2 pixels.
#pragma once

#include "fw/TabCtrl.h"

#include <windows.h>

#include <string>

class CBaseTabCtrl : public fw::CTabCtrl {
public:
    // A colour that is not given (COLOR_BTNFACE stands in).
    static constexpr COLORREF kNoColour = static_cast<COLORREF>(-1);

    CBaseTabCtrl() = default;

    // Face, icon and text of one tab.
    virtual void PaintTab(DRAWITEMSTRUCT* dis) {}
    // Frame of the page area.
    virtual void PaintPageFrame(DRAWITEMSTRUCT* dis) {}
    // Edges of one tab.
    virtual void PaintTabFrame(DRAWITEMSTRUCT* dis) {}
    virtual COLORREF TabColour(bool selected) const { return ::GetSysColor(COLOR_BTNFACE); }
    virtual COLORREF TabTextColour(bool selected) const { return ::GetSysColor(COLOR_WINDOWTEXT); }

    // Takes over a tab control of a dialog; with a nonzero paint mode the
    // control becomes owner-drawn (TCS_OWNERDRAWFIXED).
    bool SubclassTab(HWND tab);
    bool SubclassDlgItem(UINT id, HWND parent) { return SubclassTab(::GetDlgItem(parent, id)); }
    // Creates a tab control child of parent and takes it over.
    bool Create(HWND parent, const RECT& rect, UINT id, DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS);

    void SetPaintMode(int mode) { m_paintMode = mode; }
    int GetPaintMode() const { return m_paintMode; }
    // Background and gradient end colours (kNoColour: COLOR_BTNFACE).
    void SetBkgndColour(COLORREF background, COLORREF gradientEnd) {
        m_bkgndColour = background;
        m_gradientEndColour = gradientEnd;
    }
    COLORREF GetBkgndColour() const { return m_bkgndColour; }
    // Size of the tab images, used to centre an image in a tab without text.
    void SetImageSize(int width, int height) { m_imageWidth = width; m_imageHeight = height; }

    // The page area: the client rectangle adjusted by TCM_ADJUSTRECT.
    RECT GetPageRect() const;

    // Fills rc with a vertical gradient from top to bottom colour in bands of
    // two pixels (the last band may be one pixel).
    static void FillGradientBands(HDC dc, const RECT& rc, COLORREF top, COLORREF bottom);
    // The colour, or COLOR_BTNFACE when it is kNoColour.
    static COLORREF OrButtonFace(COLORREF colour) {
        return colour == kNoColour ? ::GetSysColor(COLOR_BTNFACE) : colour;
    }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    // Whether the control should be owner-drawn after subclassing.
    virtual bool WantsOwnerDraw() const { return m_paintMode != 0; }

    bool OnPaintAll();
    void OnEraseStrip(HDC dc);

    COLORREF m_bkgndColour = kNoColour;
    COLORREF m_gradientEndColour = kNoColour;
    int m_paintMode = 2;
    int m_imageWidth = 0;
    int m_imageHeight = 0;
};
