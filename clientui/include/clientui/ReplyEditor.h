// IReplyEditor: the small editor in which the user types one reply text
// (an automatic reply, an own quick reply or a common reply). The settings
// panel and the desk's quick-reply page open it; each client brings its own
// editor window and implements this contract.
//
// The kinds number what is edited and how; an editor shows a title by the
// kind and keeps the text within ReplyTextLimit(kind).
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

enum ReplyEditKind : int {
    kReplyKindAddQuick = 0,
    kReplyKindModifyQuick = 1,
    kReplyKindAddAuto = 2,
    kReplyKindModifyAuto = 3,
    kReplyKindAddCommon = 4,
    kReplyKindModifyCommon = 5,
};

// The longest text (UTF-16 units) a reply of the kind may have: what the
// settings file keeps of an automatic reply (99) or of a quick reply (49);
// a common reply travels as one chat message and stays within 200. Another
// kind: 0 (no limit known).
size_t ReplyTextLimit(int kind);

// Whether the kind's replies are kept in the settings file, whose values
// are single lines (the editor keeps such a text on one line).
bool ReplyKindIsStoredInSettings(int kind);

// A reply text as an editor hands it back: line breaks of a text kept in
// the settings file become spaces, and the text is cut to the kind's limit
// (never inside a surrogate pair).
std::wstring NormalizeReplyText(int kind, const std::wstring& text);

class IReplyEditor {
public:
    virtual ~IReplyEditor() = default;
    // Runs the editor modally over owner, titled by the kind and filled
    // with *text. True when the user accepted a text that is not empty;
    // *text is then that text (NormalizeReplyText). False (and *text
    // unchanged) when the user cancelled or closed the editor.
    virtual bool EditReply(HWND owner, int kind, std::wstring* text) = 0;
};
