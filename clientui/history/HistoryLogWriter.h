// How the history views write a page into their read-only rich edit: date
// lines and headers in their colours, each message in its own font, its
// picture, and the keyword painted red. Both history views (the
// conversation's history pane and the message records tab) write through
// these.
#pragma once

#include "ChatFontSpec.h"
#include "IAnsiCodePage.h"

#include "clientui/MyRichEditCtrl.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct HistoryPiece;

namespace historylog {

// Writes a whole page into the log in one go (the log's text is replaced):
// the pieces become one rich-text stream, which the log takes in a single
// EM_STREAMIN, so that it lays its text out once instead of once per piece.
// Coloured pieces of size 0 and message text without a size or face take
// the log's default face and size. Each picture stands as one character
// that insertPicture replaces (the character is selected when it is
// called); when it puts no picture there (false), the character goes. Every occurrence of highlight in the page's text (headers
// included; matching case, each search going on after the last one found;
// nothing for an empty keyword) is painted red. Returns false when the log
// did not take the stream.
bool WritePage(CMyRichEditCtrl& log, const std::vector<HistoryPiece>& pieces,
               const clientui::IAnsiCodePage& codePage, const std::wstring& highlight,
               const std::function<bool(const std::wstring&)>& insertPicture);
// The rich-text stream of the pieces (ASCII; other characters escaped),
// with the log's default face (ANSI) and size in points and the hits of
// highlight in red; pictureAt gets the character position of each
// picture's stand-in, in order.
std::string PageRtf(const std::vector<HistoryPiece>& pieces, const std::string& defaultFace, int defaultPoints,
                    const std::wstring& highlight, std::vector<long>* pictureAt);
// The log's text of the pieces: one character per position (a break as
// "\r", a picture as U+FFFC).
std::wstring PageText(const std::vector<HistoryPiece>& pieces);

}  // namespace historylog
