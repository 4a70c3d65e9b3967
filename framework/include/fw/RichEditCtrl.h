// CRichEditCtrl: the rich-edit control (RichEdit 2.0 and later, class
// RICHEDIT_CLASSW). The program loads the control's library ("riched20.dll")
// before it creates one.
//
// Character positions are the control's own: a paragraph break counts as one
// character, although the window text holds it as "\r\n", and an embedded
// object counts as one character.
#pragma once

#include "fw/Window.h"

#include <richedit.h>
#include <richole.h>

#include <string>

namespace fw {

class CRichEditCtrl : public CWindow {
public:
    CRichEditCtrl() = default;
    explicit CRichEditCtrl(HWND hWnd) : CWindow(hWnd) {}

    // Selection.
    CHARRANGE GetSel() const {
        CHARRANGE range = {};
        SendMessage(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
        return range;
    }
    void SetSel(LONG start, LONG end) {
        CHARRANGE range = {start, end};
        SendMessage(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    }
    // Puts the caret after the last character.
    void SetSelEnd() { SetSel(-1, -1); }
    void ReplaceSel(const std::wstring& text, bool canUndo = false) {
        SendMessage(EM_REPLACESEL, canUndo, reinterpret_cast<LPARAM>(text.c_str()));
    }
    // SEL_EMPTY, SEL_TEXT, SEL_OBJECT, SEL_MULTICHAR, SEL_MULTIOBJECT bits.
    WORD GetSelectionType() const { return static_cast<WORD>(SendMessage(EM_SELECTIONTYPE)); }
    void HideSelection(bool hide, bool permanent) { SendMessage(EM_HIDESELECTION, hide, permanent); }
    void ScrollCaret() { SendMessage(EM_SCROLLCARET); }

    // Formats.
    CHARFORMATW GetSelectionCharFormat() const {
        CHARFORMATW format = {};
        format.cbSize = sizeof format;
        SendMessage(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        return format;
    }
    bool SetSelectionCharFormat(const CHARFORMATW& format) {
        CHARFORMATW copy = format;
        return SendMessage(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&copy)) != 0;
    }
    bool SetDefaultCharFormat(const CHARFORMATW& format) {
        CHARFORMATW copy = format;
        return SendMessage(EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&copy)) != 0;
    }
    bool SetParaFormat(const PARAFORMAT2& format) {
        PARAFORMAT2 copy = format;
        return SendMessage(EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&copy)) != 0;
    }

    // Text. The length counts characters as the control does.
    LONG GetTextLength() const {
        GETTEXTLENGTHEX how = {GTL_NUMCHARS | GTL_PRECISE, 1200};
        return static_cast<LONG>(SendMessage(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&how)));
    }
    // The characters from start up to (not including) end.
    std::wstring GetTextRange(LONG start, LONG end) const {
        if (end <= start) return std::wstring();
        std::wstring buffer(static_cast<size_t>(end - start) * 2 + 1, L'\0');
        TEXTRANGEW range = {{start, end}, &buffer[0]};
        LRESULT got = SendMessage(EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
        buffer.resize(got > 0 ? static_cast<size_t>(got) : 0);
        return buffer;
    }
    LONG LineIndex(LONG line = -1) const { return static_cast<LONG>(SendMessage(EM_LINEINDEX, line)); }
    LONG LineFromChar(LONG cp) const { return static_cast<LONG>(SendMessage(EM_EXLINEFROMCHAR, 0, cp)); }

    // Behaviour.
    DWORD GetEventMask() const { return static_cast<DWORD>(SendMessage(EM_GETEVENTMASK)); }
    DWORD SetEventMask(DWORD mask) { return static_cast<DWORD>(SendMessage(EM_SETEVENTMASK, 0, mask)); }
    void SetReadOnly(bool readOnly) { SendMessage(EM_SETREADONLY, readOnly); }
    void SetAutoURLDetect(bool detect) { SendMessage(EM_AUTOURLDETECT, detect); }
    void SetBackgroundColor(COLORREF colour) { SendMessage(EM_SETBKGNDCOLOR, 0, colour); }

    // OLE: the control's IRichEditOle (a new reference, or null) and the
    // callback through which it asks its container for storages.
    IRichEditOle* GetOleInterface() const {
        IRichEditOle* ole = nullptr;
        if (!SendMessage(EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(&ole))) return nullptr;
        return ole;
    }
    bool SetOleCallback(IRichEditOleCallback* callback) {
        return SendMessage(EM_SETOLECALLBACK, 0, reinterpret_cast<LPARAM>(callback)) != 0;
    }
};

}  // namespace fw
