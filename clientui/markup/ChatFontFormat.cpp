#include "ChatFontFormat.h"

#include <cwchar>

namespace clientui {

ChatFontSpec ChatFontFromCharFormat(const CHARFORMATW& format, const IAnsiCodePage& codePage) {
    ChatFontSpec font = ChatFontSpec::ConversationDefault(codePage);
    uint8_t effects = 0;
    if (format.dwEffects & CFE_BOLD) effects |= kChatFontBold;
    if (format.dwEffects & CFE_ITALIC) effects |= kChatFontItalic;
    if (format.dwEffects & CFE_UNDERLINE) effects |= kChatFontUnderline;
    font.effects = effects;
    font.colour = static_cast<int32_t>(format.crTextColor);
    LONG points = format.yHeight / 20;
    if (points < 1) points = 1;
    if (points > 255) points = 255;
    font.size = static_cast<uint8_t>(points);
    size_t length = wcsnlen(format.szFaceName, LF_FACESIZE);
    font.SetFaceName(std::wstring(format.szFaceName, length), codePage);
    return font;
}

CHARFORMATW CharFormatFromChatFont(const ChatFontSpec& font, const IAnsiCodePage& codePage) {
    CHARFORMATW format = {};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_SIZE | CFM_COLOR | CFM_FACE;
    if (font.effects & kChatFontBold) format.dwEffects |= CFE_BOLD;
    if (font.effects & kChatFontItalic) format.dwEffects |= CFE_ITALIC;
    if (font.effects & kChatFontUnderline) format.dwEffects |= CFE_UNDERLINE;
    format.yHeight = static_cast<LONG>(font.size) * 20;
    format.crTextColor = static_cast<COLORREF>(font.colour);
    std::wstring face = font.FaceName(codePage);
    face.resize(face.size() < LF_FACESIZE - 1 ? face.size() : LF_FACESIZE - 1);
    std::wmemcpy(format.szFaceName, face.c_str(), face.size() + 1);
    return format;
}

}  // namespace clientui
