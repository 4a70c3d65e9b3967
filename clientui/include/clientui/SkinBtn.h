// CSkinBtn: a button painted entirely from picture files, one per state
// (normal, hover, pressed, disabled), with an optional icon pair and a
// caption, composed over a copy of the parent's background so that the
// button may have any shape (magenta 0xFF00FF is transparent).
//
// Used by subclassing a dialog's button control (SubclassDlgItem), which then
// becomes owner-drawn. The parent still receives the clicks (BN_CLICKED).
//
// The copy of the parent's background is taken at the button's first erase
// and again at the first erase after the button has moved or changed size
// within its parent: from the screen under the button, or, when the parent
// clips its children (and so paints nothing under them), from the parent's
// own drawing through fw::PrintClientMessage() (PRF_CLIENT | PRF_ERASEBKGND);
// a parent that does not answer it leaves the screen's copy.
//
// The hover state starts with the first mouse move over the enabled button
// and ends when the cursor has left its window rectangle: at the next tick of
// timer 1 (every 10 ms while hovered) or at WM_MOUSELEAVE, whichever comes
// first. Pressed and disabled come from the draw request. GDI+ must be
// running while pictures are loaded.
#pragma once

#include "clientui/SkinPicture.h"

#include "fw/Button.h"
#include "fw/GdiObject.h"

#include <windows.h>

#include <string>

class CSkinBtn : public fw::CButton {
public:
    enum State { kNormal = 0, kHover = 1, kPressed = 2, kDisabled = 3 };
    static constexpr UINT_PTR kHoverTimerId = 1;
    static constexpr UINT kHoverTimerMs = 10;

    CSkinBtn();
    ~CSkinBtn() override;

    // The four state pictures, loaded in this order; a path that fails to
    // load leaves that picture empty (not drawn). No repaint.
    void SetBitmaps(const std::wstring& normal, const std::wstring& hover, const std::wstring& pressed,
                    const std::wstring& disabled);
    // The icon (states 0, 2, 3) and the hover icon (state 1). No repaint.
    void SetIconImages(const std::wstring& icon, const std::wstring& hoverIcon);
    // Where the icon is drawn, stretched. No repaint.
    void SetIconRect(int left, int top, int right, int bottom);
    // Where the caption starts; repaints.
    void SetTextPos(int x, int y);
    // Caption colours (states 0 and 3; states 1 and 2) and the icons' key
    // colour; repaints.
    void SetTextColors(COLORREF normal, COLORREF hover, COLORREF iconKey);

    // Composes the current state and shows it at once.
    void Paint();

    // The button's window rectangle relative to its parent's window rectangle.
    RECT GetRectInParent() const;

    int GetState() const { return m_nState; }
    bool IsHovering() const { return m_bHover != 0; }
    bool IsBackgroundSaved() const { return m_bBackSaved != 0; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnSubclassed() override;
    bool OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    bool OnTimer(UINT_PTR id) override;
    bool OnEraseBkgnd(HDC dc, LRESULT* result) override;

    // Chooses the state from the draw request and paints it.
    virtual void DrawItem(const DRAWITEMSTRUCT& dis);

    LRESULT OnMouseMove(WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseLeave();
    LRESULT OnEnable(WPARAM wParam, LPARAM lParam);
    LRESULT OnWindowPosChanged(WPARAM wParam, LPARAM lParam);

private:
    // Composes the current state into target (the button's client area).
    void Compose(HDC target);
    bool CursorInWindow() const;
    void EndHover();
    // Copies the parent's background under the button (see the top).
    void SaveBackground(HDC dc);
    void DropBackground();
    // The button's window rectangle in its parent's client coordinates.
    RECT GetRectInParentClient() const;

    CSkinPicture m_imgNormal;
    CSkinPicture m_imgHover;
    CSkinPicture m_imgPressed;
    CSkinPicture m_imgDisabled;
    int m_nState = kNormal;
    COLORREF m_crNormalText = RGB(0, 0, 0);
    COLORREF m_crHoverText = RGB(255, 255, 255);
    BYTE m_bHover = 0;
    BYTE m_bEnabled = 1;
    fw::CFont m_font;
    COLORREF m_crIconKey = RGB(255, 255, 255);
    BYTE m_bBackSaved = 0;
    CSkinPicture m_imgHoverIcon;
    CSkinPicture m_imgIcon;
    POINT m_ptText = {21, 0};
    RECT m_rcIcon = {0, 0, 16, 16};
    // The copy of the parent's background under the button.
    HDC m_dcBack = nullptr;
    fw::CBitmap m_bmpBack;
    HGDIOBJ m_oldBack = nullptr;
    // Where the button lay in the parent's client area when it was copied.
    RECT m_rcSaved = {0, 0, 0, 0};
};
