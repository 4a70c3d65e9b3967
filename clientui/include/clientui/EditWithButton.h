// CEditWithButton: the contact search box of the main windows. A one-line
// edit painted from skin bitmaps (left cap, tiled middle, right cap) with a
// search button and a clear button inside its right end. A click on a button
// sends WM_EDITBTN_SEARCH or WM_EDITBTN_CLEAR (wParam 0, lParam 0) to the
// owner window, or to the parent when there is no owner, only while the box
// holds text, unless the always-notify flag is set.
//
// The owner sets the text rectangle (SetEditRect), the two button rectangles
// and the window size; the text then stays clear of the buttons.
//
// The messenger's box has one button (SetOneButton): the search picture is
// only a mark at (5, 5), the clear picture is drawn in the one button's
// rectangle while the box holds text, and a click there sends the box's
// click message (the same notify rule).
//
// The owner creates the edit with kEditStyle: only a multi-line edit takes
// a formatting rectangle, so only there does the text sit at the
// rectangle's top instead of the box's. The box keeps such an edit to one
// line: Enter, Tab and line-break characters are not typed into it (Enter,
// Tab and Esc stay the dialog's keys), and a pasted text's line breaks
// become blanks.
#pragma once

#include "fw/Edit.h"
#include "fw/GdiObject.h"

#include <string>

#ifndef WM_EDITBTN_CLEAR
#define WM_EDITBTN_CLEAR (WM_USER + 500)   // 1524: the clear button was clicked
#endif
#ifndef WM_EDITBTN_SEARCH
#define WM_EDITBTN_SEARCH (WM_USER + 501)  // 1525: the search button was clicked
#endif

class CEditWithButton : public fw::CEdit {
public:
    // The tiled middle piece covers this many pixels from the top.
    static constexpr int kMiddleHeight = 22;
    // Width of each cap.
    static constexpr int kCapWidth = 3;
    // The edit style the owner creates the box with (plus WS_CHILD and the
    // like).
    static constexpr DWORD kEditStyle = ES_MULTILINE | ES_AUTOHSCROLL;
    // text with every line break ("\r\n", "\r" or "\n") and tab as one blank.
    static std::wstring OneLine(const std::wstring& text);

    CEditWithButton() = default;
    ~CEditWithButton() override = default;

    // The five skin pictures (full paths of bitmap files). A missing file
    // leaves its picture empty. Returns 1.
    BOOL SetBitmaps(const std::wstring& leftCap, const std::wstring& rightCap, const std::wstring& middle,
                    const std::wstring& searchButton, const std::wstring& clearButton);
    // Stores the text rectangle (client coordinates) and applies it.
    void SetEditRect(int left, int top, int right, int bottom);
    void SetSearchButtonRect(const RECT& rc) { m_rcSearchButton = rc; }
    void SetClearButtonRect(const RECT& rc) { m_rcClearButton = rc; }
    void SetWindowSize(int width, int height) { m_nWidth = width; m_nHeight = height; }
    void SetAlwaysNotify(bool always) { m_bAlwaysNotify = always ? 1 : 0; }
    void SetClickMessage(int message) { m_nClickMessage = message; }
    // One button at rc (client coordinates) whose click sends clickMessage.
    void SetOneButton(const RECT& rc, int clickMessage);
    bool IsOneButton() const { return m_bOneButton != 0; }
    int GetClickMessage() const { return m_nClickMessage; }
    // A grey hint drawn in the text rectangle while the box is empty and
    // does not have the focus (empty: none). Repaints.
    void SetCueText(const std::wstring& cue);
    const std::wstring& GetCueText() const { return m_strCue; }

    // Resizes the window to the stored size and sets the formatting
    // rectangle, when the window exists and the text rectangle is set.
    void UpdateEditRect();
    // After a text change: notes whether the box holds text and repaints
    // when that changed.
    void UpdateTextState();

    const RECT& GetEditRect() const { return m_rcEdit; }
    const RECT& GetSearchButtonRect() const { return m_rcSearchButton; }
    const RECT& GetClearButtonRect() const { return m_rcClearButton; }
    bool HasText() const;
    bool GetHasTextFlag() const { return m_bHasText != 0; }

    // Paints the background pieces and the buttons into dc (client size).
    void PaintBackground(HDC dc);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnSubclassed() override;

    bool OnEraseBkgnd(HDC dc, LRESULT* result) override;
    // The pieces around the text rectangle, over what the edit painted.
    void PaintPieces();
    // The cue text, when it shows.
    void PaintCue();
    void OnLButtonUp(POINT point);
    bool OnSetCursor(POINT point);
    // A multi-line edit kept to one line: the paste of one line.
    void PasteOneLine();
    bool IsMultiLine() const;
    // The formatting rectangle (EM_SETRECT) and, for a one-line edit, the
    // margins that keep the text inside it.
    void ApplyFormatRect();
    // Where the button messages go: the owner, else the parent.
    HWND NotifyTarget() const;

private:
    RECT m_rcEdit = {};
    RECT m_rcSearchButton = {};
    RECT m_rcClearButton = {};
    int m_bAlwaysNotify = 0;
    int m_nClickMessage = 4024;
    fw::CBitmap m_bmpSearch;
    fw::CBitmap m_bmpClear;
    fw::CBitmap m_bmpLeft;
    fw::CBitmap m_bmpRight;
    fw::CBitmap m_bmpMiddle;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_bHasText = 0;
    int m_bOneButton = 0;
    std::wstring m_strCue;
};
