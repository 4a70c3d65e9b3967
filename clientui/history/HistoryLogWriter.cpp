#include "HistoryLogWriter.h"

#include "ChatFontFormat.h"
#include "HistoryPageBook.h"

#include <richedit.h>

namespace historylog {

void AppendColoured(CMyRichEditCtrl& log, const std::wstring& text, COLORREF colour, int points) {
    if (!log.GetHwnd() || text.empty()) return;
    CHARFORMATW format = {};
    format.cbSize = sizeof(format);
    if (points <= 0) {
        // The log's own face and size.
        log.SendMessage(EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
        format.dwMask &= CFM_FACE | CFM_SIZE | CFM_CHARSET;
    } else {
        format.dwMask = CFM_SIZE;
        format.yHeight = points * 20;
    }
    format.cbSize = sizeof(format);
    format.dwMask |= CFM_COLOR | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE;
    format.dwEffects = 0;
    format.crTextColor = colour;
    log.SetSelEnd();
    log.SetSelectionCharFormat(format);
    log.ReplaceSel(text);
}

void AppendFormatted(CMyRichEditCtrl& log, const std::wstring& text, const clientui::ChatFontSpec& font,
                     const clientui::IAnsiCodePage& codePage) {
    if (!log.GetHwnd() || text.empty()) return;
    CHARFORMATW format = clientui::CharFormatFromChatFont(font, codePage);
    // What the message's prefix does not give stays the log's own.
    if (font.size == 0) format.dwMask &= ~static_cast<DWORD>(CFM_SIZE);
    if (format.szFaceName[0] == L'\0') format.dwMask &= ~static_cast<DWORD>(CFM_FACE);
    log.SetSelEnd();
    log.SetSelectionCharFormat(format);
    log.ReplaceSel(text);
}

int Highlight(CMyRichEditCtrl& log, const std::wstring& keyword, COLORREF colour) {
    if (!log.GetHwnd() || keyword.empty()) return 0;
    // The text as the log counts its characters (one per paragraph break
    // and per picture), so that each range found is a range to select.
    const std::wstring text = log.GetTextRange(0, log.GetTextLength());
    CHARFORMATW format = {};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_COLOR;
    format.crTextColor = colour;
    int painted = 0;
    for (const auto& range : CHistoryPageBook::KeywordRanges(text, keyword)) {
        log.SetSel(static_cast<LONG>(range.first), static_cast<LONG>(range.second));
        log.SetSelectionCharFormat(format);
        ++painted;
    }
    log.SetSelEnd();
    return painted;
}

}  // namespace historylog
