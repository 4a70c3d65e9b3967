// CButtonST: the general push button of the settings, profile, hand-over,
// reply-editor, search and file-transfer panels: a vertical gradient face
// with a rounded border, optional icons or masked bitmaps for the in-state
// (hovered or pressed) and the out-state, a tooltip, an optional drop-down
// menu, an optional web address to open, and a check-box mode.
//
// Used by subclassing a dialog's button control (SubclassDlgItem), which
// becomes owner-drawn; the parent still receives BN_CLICKED. In flat mode
// (the default) the hover is tracked with TrackMouseEvent and ends at
// WM_MOUSELEAVE, when the focus goes, or when the mode is cancelled.
#pragma once

#include "fw/Button.h"
#include "fw/ToolTipCtrl.h"

#include <windows.h>

#include <string>

class CButtonST : public fw::CButton {
public:
    // Indexes of the six colours.
    enum ColourIndex {
        kColourBkIn = 0,
        kColourFgIn,
        kColourBkOut,
        kColourFgOut,
        kColourBkFocus,
        kColourFgFocus,
        kColourCount
    };
    // Where the image goes relative to the caption.
    enum Align : BYTE { kAlignHorizontal = 0, kAlignVertical = 1, kAlignHorizontalRight = 2 };

    CButtonST();
    ~CButtonST() override;

    // --- options ------------------------------------------------------------
    void SetColor(int index, COLORREF colour, bool repaint = true);
    COLORREF GetColor(int index) const;
    // All six colours from COLOR_BTNFACE (backgrounds) and COLOR_BTNTEXT.
    void SetDefaultColors(bool repaint = true);
    void SetGradientColors(COLORREF light, COLORREF dark, bool repaint = true);
    void SetFlat(bool flat, bool repaint = true);
    void SetDrawBorder(bool draw, bool repaint = true);
    void SetDrawTransparent(bool transparent, bool repaint = true);
    void SetFlatFocus(bool drawFocus, bool repaint = true);
    void SetAlwaysTrack(bool always) { m_bAlwaysTrack = always ? 1 : 0; }
    void SetAlign(Align align, bool repaint = true);
    void SetDisabledBitmapEmbossed(bool embossed) { m_bDisabledBmpEmbossed = embossed ? 1 : 0; }
    // A drop-down menu (its first sub-menu is shown; the button owns and
    // destroys it) whose commands go to owner. Null removes it.
    void SetMenu(HMENU menu, HWND owner, bool repaint = true);
    // A cursor shown over the button (owned; destroyed with the button).
    void SetBtnCursor(HCURSOR cursor);
    // A web address opened on a click when no menu is set (at most 259
    // characters are kept).
    void SetURL(const std::wstring& url);
    // In-state and out-state icons (owned; out may be null).
    void SetIcon(HICON in, HICON out = nullptr);
    // In-state and out-state bitmaps (owned; out may be null), each with the
    // colour that is left out through a mask made here.
    void SetBitmaps(HBITMAP in, COLORREF keyIn, HBITMAP out = nullptr, COLORREF keyOut = 0);
    // The tooltip text; nothing for a null text.
    void SetToolTip(const wchar_t* text);

    // --- state ----------------------------------------------------------------
    bool IsHovering() const { return m_bMouseOnButton != 0; }
    bool IsPressedDrawn() const { return m_bIsPressed != 0; }
    bool IsCheckBox() const { return m_bIsCheckBox != 0; }
    bool IsDefault() const { return m_bIsDefault != 0; }
    int GetCheck() const { return m_nCheck; }
    HWND GetToolTipWindow() const { return m_toolTip.GetHwnd(); }
    // The caption rectangle of the last paint.
    RECT GetLastCaptionRect() const { return m_lastCaption; }

    // Relays every message to the tooltip (created on first use).
    bool PreTranslateMessage(MSG& msg) override;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // A double click counts as a second press.
    LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnSubclassed() override;
    bool OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    virtual void DrawItem(const DRAWITEMSTRUCT& dis);
    // The face: a vertical gradient 2 pixels inside rect (dark on top when
    // pressed). Returns 0.
    virtual DWORD DrawBackground(HDC dc, const RECT& rect);
    // The flat border: rounded outlines, warm while hovered. Returns 0.
    virtual DWORD DrawBorder(HDC dc, const RECT& rect);

    LRESULT OnMouseMove(WPARAM wParam, LPARAM lParam);
    void OnClicked();
    void CancelHover();

private:
    struct IconInfo {
        HICON icon = nullptr;
        int width = 0;
        int height = 0;
    };
    struct BitmapInfo {
        HBITMAP bitmap = nullptr;
        int width = 0;
        int height = 0;
        HBITMAP mask = nullptr;
        DWORD spare = 0;
    };

    void FreeResources();
    void InitToolTip();
    void PaintBackgroundCopy(HDC dc);
    void FreeBackgroundCopy();
    void PrepareImageRect(bool hasTitle, const RECT& item, RECT* title, bool pressed, int width, int height,
                          RECT* image) const;
    void DrawTheIcon(HDC dc, bool hasTitle, const RECT& item, RECT* title, bool pressed, bool disabled);
    void DrawTheBitmap(HDC dc, bool hasTitle, const RECT& item, RECT* title, bool pressed, bool disabled);
    void DrawTheText(HDC dc, const std::wstring& title, RECT* caption, bool pressed, bool disabled);
    // Whether the out-state picture is the one to draw now.
    bool UseOutImage(bool hasOut) const;
    // A mask of bitmap where key is white, and key turned black in bitmap.
    static HBITMAP CreateBitmapMask(HBITMAP bitmap, COLORREF key);
    void Repaint(bool repaint) {
        if (repaint && IsWindow()) Invalidate(true);
    }

    int m_bDisabledBmpEmbossed = 1;
    int m_bIsFlat = 1;
    int m_bMouseOnButton = 0;
    int m_bDrawTransparent = 0;
    int m_bIsPressed = 0;
    int m_bIsFocused = 0;
    int m_bIsDisabled = 0;
    int m_bIsDefault = 0;
    int m_bIsCheckBox = 0;
    BYTE m_byAlign = kAlignHorizontal;
    int m_bDrawBorder = 1;
    int m_bDrawFlatFocus = 0;
    COLORREF m_crColors[kColourCount] = {};
    COLORREF m_crGradientLight = 0xFFFEFD;
    COLORREF m_crGradientDark = 0xE9E5DA;
    HWND m_hParentWndMenu = nullptr;
    int m_bMenuDisplayed = 0;
    HMENU m_hMenu = nullptr;
    HCURSOR m_hCursor = nullptr;
    fw::CToolTipCtrl m_toolTip;
    HDC m_dcBk = nullptr;
    HBITMAP m_bmpBk = nullptr;
    HGDIOBJ m_pbmpOldBk = nullptr;
    int m_bAlwaysTrack = 1;
    int m_nCheck = 0;
    UINT m_nTypeStyle = 0;
    wchar_t m_szURL[260] = {};
    IconInfo m_csIcons[2];
    BitmapInfo m_csBitmaps[2];
    RECT m_lastCaption = {0, 0, 0, 0};
};
