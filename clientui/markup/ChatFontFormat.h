// Conversions between ChatFontSpec and the rich edit's character format, for
// the conversation windows and the message views (Windows only).
#pragma once

#include <windows.h>
#include <richedit.h>

#include "ChatFontSpec.h"

namespace clientui {

// The font of an input whose whole text is selected, as the message prefix
// carries it. Starts from the conversation preset (9 points, "宋体"); effects
// from CFE_BOLD, CFE_ITALIC and CFE_UNDERLINE; colour, size (twips / 20, kept
// within 1 to 255 points) and face are taken from the format whatever its
// mask says.
ChatFontSpec ChatFontFromCharFormat(const CHARFORMATW& format, const IAnsiCodePage& codePage);

// The character format of a message body: mask CFM_BOLD | CFM_ITALIC |
// CFM_UNDERLINE | CFM_SIZE | CFM_COLOR | CFM_FACE, height = size * 20 twips.
CHARFORMATW CharFormatFromChatFont(const ChatFontSpec& font, const IAnsiCodePage& codePage);

}  // namespace clientui
