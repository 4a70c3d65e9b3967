// How the history views write a page into their read-only rich edit: text
// in a colour (date lines, headers), text in a message's own font, and the
// keyword painted red. Both history views (the conversation's history pane
// and the message records tab) write through these.
#pragma once

#include "ChatFontSpec.h"
#include "IAnsiCodePage.h"

#include "clientui/MyRichEditCtrl.h"

#include <windows.h>

#include <string>

namespace historylog {

// Appends text at the very end in colour, without effects, in points (0:
// the log's default face and size), so that a header never takes the font
// of the message before it.
void AppendColoured(CMyRichEditCtrl& log, const std::wstring& text, COLORREF colour, int points);
// Appends text at the very end in the message's font; what its prefix does
// not give (size 0, no face) stays the log's own.
void AppendFormatted(CMyRichEditCtrl& log, const std::wstring& text, const clientui::ChatFontSpec& font,
                     const clientui::IAnsiCodePage& codePage);
// Paints every occurrence of keyword in the log's text (matching case, each
// search going on after the last one found) in colour; nothing for an empty
// keyword. Returns how many were painted.
int Highlight(CMyRichEditCtrl& log, const std::wstring& keyword, COLORREF colour);

}  // namespace historylog
