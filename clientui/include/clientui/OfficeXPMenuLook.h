// COfficeXPMenuLook: the decisions behind an owner-drawn menu item, kept
// apart from any window so that they can be checked on their own: which of
// the two looks is painted, the colours of each look, the flags an appended
// item gets, the geometry of the icon column, and the alignment of shortcut
// texts.
//
// Flat look: a tinted icon band on the left and a framed blue highlight.
// Classic look: system 3-D colours, no band.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class COfficeXPMenuLook {
public:
    enum class Look { Flat, Classic };

    // Draw styles, chosen once from the platform version.
    enum Style { kStyleWin32s = 0, kStyleWin95 = 1, kStyleNT3 = 2, kStyleNT = 3 };

    // The system colours a menu item is painted with.
    struct SystemColours {
        COLORREF menu = 0;           // COLOR_MENU
        COLORREF btnFace = 0;        // COLOR_BTNFACE
        COLORREF menuText = 0;       // COLOR_MENUTEXT
        COLORREF grayText = 0;       // COLOR_GRAYTEXT
        COLORREF highlight = 0;      // COLOR_HIGHLIGHT
        COLORREF highlightText = 0;  // COLOR_HIGHLIGHTTEXT
        COLORREF btnHighlight = 0;   // COLOR_BTNHIGHLIGHT
        COLORREF btnShadow = 0;      // COLOR_BTNSHADOW
        COLORREF light3d = 0;        // COLOR_3DLIGHT
        static SystemColours FromSystem();
    };

    // The colours of one look, derived from the system colours.
    struct Colours {
        COLORREF background = 0;
        COLORREF band = 0;            // flat look only
        COLORREF highlightFill = 0;
        COLORREF highlightFrame = 0;  // flat look only
        COLORREF text = 0;
        COLORREF selectedText = 0;
        COLORREF grayText = 0;
        COLORREF checkFrame = 0;      // flat look: frame of a checked item's cell
        COLORREF checkFill = 0;       // cell behind the check mark
    };

    static constexpr COLORREF kBandColour = 0xEFEEE9;
    static constexpr COLORREF kHighlightFill = 0xCE8E37;
    static constexpr COLORREF kHighlightFrame = 0xC6A684;

    // The draw style from GetVersion()'s answer: 0 Win32s, 1 Windows 95
    // family (major above 3), 2 NT 3.x, 3 NT above 3.
    static int StyleFromVersion(DWORD version);
    // The process's draw style, computed once.
    static int ProcessStyle();
    static bool IsNewStyle(int style) { return style == kStyleWin95 || style == kStyleNT; }

    // The classic look on a palette display; otherwise flat when the button
    // face (new styles) or the menu colour (old styles) differs from the menu
    // colour, else classic.
    static Look ChooseLook(bool paletteDisplay, int style, COLORREF btnFace, COLORREF menu);

    static Colours FlatColours(const SystemColours& sys);
    static Colours ClassicColours(const SystemColours& sys, int style);

    // channel + x * (255 - channel) for each of red, green and blue,
    // truncated; a factor outside (0, 1] leaves the colour unchanged.
    static COLORREF Lighten(COLORREF colour, double factor);

    // The flags an item is appended with: id 0 makes a separator (only
    // MF_MENUBARBREAK of the given flags is kept), every item is owner-drawn.
    static UINT AppendFlags(UINT flags, UINT_PTR id);

    // The icon cell of an item: its vertical offset f, the cell rectangle and
    // the point where the icon is drawn.
    static int IconOffset(const RECT& item, int iconHeight);
    static RECT IconCell(const RECT& item, int iconWidth, int iconHeight);
    static POINT IconOrigin(const RECT& item, int iconHeight);
    // Left edge of the item's text.
    static int TextLeft(const RECT& item, int iconWidth) { return item.left + iconWidth + 9; }
    // Right edge of the band of the flat look.
    static int BandRight(const RECT& item, int iconWidth) { return item.left + iconWidth + 9; }

    // The label (text before the first tab) and the shortcut (text after the
    // last tab; empty without a tab).
    static std::wstring Label(const std::wstring& text);
    static std::wstring Shortcut(const std::wstring& text);

    // Lines up the shortcuts of one menu: the widest label followed by one
    // space is measured; in every text with a tab, spaces are appended to the
    // label until it is at least that wide, then the tab and the shortcut
    // follow. measure gives a text's width in pixels.
    static void AlignShortcuts(std::vector<std::wstring>& texts,
                               const std::function<int(const std::wstring&)>& measure);
};
