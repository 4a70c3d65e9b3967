#include "clientui/OfficeXPMenuLook.h"

#include <algorithm>

COfficeXPMenuLook::SystemColours COfficeXPMenuLook::SystemColours::FromSystem() {
    SystemColours c;
    c.menu = ::GetSysColor(COLOR_MENU);
    c.btnFace = ::GetSysColor(COLOR_BTNFACE);
    c.menuText = ::GetSysColor(COLOR_MENUTEXT);
    c.grayText = ::GetSysColor(COLOR_GRAYTEXT);
    c.highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    c.highlightText = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
    c.btnHighlight = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    c.btnShadow = ::GetSysColor(COLOR_BTNSHADOW);
    c.light3d = ::GetSysColor(COLOR_3DLIGHT);
    return c;
}

int COfficeXPMenuLook::StyleFromVersion(DWORD version) {
    const DWORD major = LOBYTE(LOWORD(version));
    const bool nt = (version & 0x80000000u) == 0;
    if (nt) return major > 3 ? kStyleNT : kStyleNT3;
    return major > 3 ? kStyleWin95 : kStyleWin32s;
}

int COfficeXPMenuLook::ProcessStyle() {
    static const int style = StyleFromVersion(::GetVersion());
    return style;
}

COfficeXPMenuLook::Look COfficeXPMenuLook::ChooseLook(bool paletteDisplay, int style, COLORREF btnFace,
                                                      COLORREF menu) {
    if (paletteDisplay) return Look::Classic;
    const COLORREF compared = IsNewStyle(style) ? btnFace : menu;
    return compared != menu ? Look::Flat : Look::Classic;
}

COLORREF COfficeXPMenuLook::Lighten(COLORREF colour, double factor) {
    if (!(factor > 0.0 && factor <= 1.0)) return colour;
    auto channel = [factor](int value) {
        return static_cast<BYTE>(value + factor * (255 - value));
    };
    return RGB(channel(GetRValue(colour)), channel(GetGValue(colour)), channel(GetBValue(colour)));
}

COfficeXPMenuLook::Colours COfficeXPMenuLook::FlatColours(const SystemColours& sys) {
    Colours c;
    const bool tinted = sys.menu == kBandColour;
    c.background = tinted ? RGB(255, 255, 255) : sys.menu;
    c.band = tinted ? Lighten(kBandColour, 0.35) : kBandColour;
    c.highlightFill = tinted ? Lighten(kHighlightFrame, 0.85) : kHighlightFill;
    c.highlightFrame = kHighlightFrame;
    c.text = sys.menuText;
    c.selectedText = sys.menuText;
    c.grayText = tinted ? Lighten(sys.grayText, 0.55) : sys.grayText;
    c.checkFrame = kHighlightFrame;
    c.checkFill = Lighten(kHighlightFrame, 0.85);
    return c;
}

COfficeXPMenuLook::Colours COfficeXPMenuLook::ClassicColours(const SystemColours& sys, int style) {
    Colours c;
    c.background = IsNewStyle(style) ? sys.btnFace : sys.menu;
    c.band = c.background;
    c.highlightFill = sys.highlight;
    c.highlightFrame = sys.highlight;
    c.text = sys.menuText;
    c.selectedText = sys.highlightText;
    c.grayText = sys.grayText;
    c.checkFrame = c.background;
    c.checkFill = sys.light3d;
    return c;
}

UINT COfficeXPMenuLook::AppendFlags(UINT flags, UINT_PTR id) {
    if (id == 0) return (flags & MF_MENUBARBREAK) | MF_SEPARATOR | MF_OWNERDRAW;
    return flags | MF_OWNERDRAW;
}

int COfficeXPMenuLook::IconOffset(const RECT& item, int iconHeight) {
    const int f = (item.bottom - item.top - iconHeight - 4) / 2;
    return f < 0 ? 0 : f;
}

RECT COfficeXPMenuLook::IconCell(const RECT& item, int iconWidth, int iconHeight) {
    const int f = IconOffset(item, iconHeight);
    return RECT{item.left + 1, item.top + f + 1, item.left + iconWidth + 3, item.top + f + iconHeight + 3};
}

POINT COfficeXPMenuLook::IconOrigin(const RECT& item, int iconHeight) {
    return POINT{item.left + 3, item.top + IconOffset(item, iconHeight) + 2};
}

std::wstring COfficeXPMenuLook::Label(const std::wstring& text) {
    const size_t tab = text.find(L'\t');
    return tab == std::wstring::npos ? text : text.substr(0, tab);
}

std::wstring COfficeXPMenuLook::Shortcut(const std::wstring& text) {
    const size_t tab = text.rfind(L'\t');
    return tab == std::wstring::npos ? std::wstring() : text.substr(tab + 1);
}

void COfficeXPMenuLook::AlignShortcuts(std::vector<std::wstring>& texts,
                                       const std::function<int(const std::wstring&)>& measure) {
    int widest = 0;
    for (const std::wstring& text : texts) widest = std::max(widest, measure(Label(text) + L" "));
    for (std::wstring& text : texts) {
        const size_t tab = text.find(L'\t');
        if (tab == std::wstring::npos) continue;
        std::wstring label = text.substr(0, tab);
        const std::wstring rest = text.substr(tab);  // the tab and the shortcut
        // A space has a width, so this ends; the bound guards a measure that
        // answers 0 for everything.
        for (int guard = 0; guard < 512 && measure(label) < widest; ++guard) label += L' ';
        text = label + rest;
    }
}
