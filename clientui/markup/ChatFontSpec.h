// ChatFontSpec: the font of a message, as its format prefix carries it and as
// the conversation windows turn it into a rich-edit character format.
#pragma once

#include <cstdint>
#include <string>

#include "IAnsiCodePage.h"

namespace clientui {

enum ChatFontEffect : uint8_t {
    kChatFontBold = 1,
    kChatFontItalic = 2,
    kChatFontUnderline = 4,
};

struct ChatFontSpec {
    uint8_t size = 0;     // points
    uint8_t effects = 0;  // ChatFontEffect bits
    int32_t colour = 0;   // COLORREF 0x00BBGGRR
    char face[32] = {};   // ANSI, NUL-terminated, at most 31 bytes

    // The preset of the conversation windows and the automatic replies:
    // 9 points, no effects, black, "宋体". (The history views start from the
    // all-zero record that the default constructor gives.)
    static ChatFontSpec ConversationDefault(const IAnsiCodePage& codePage);

    // Sets the face from a wide name, cut to 31 ANSI bytes on a character
    // boundary.
    void SetFaceName(const std::wstring& name, const IAnsiCodePage& codePage);
    std::wstring FaceName(const IAnsiCodePage& codePage) const;
};

}  // namespace clientui
