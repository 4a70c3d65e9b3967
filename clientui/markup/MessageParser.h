// CMessageParser: the reading side of the message markup (MessageMarkup.h),
// the same in every view of both clients (chat logs, history panes, message
// manager views).
//
// The text comes from the network or from a history file, so nothing in it is
// trusted: the parser never reads past the text, and a part that is not
// well-formed is shown as text rather than taken as markup:
// - a text that does not begin with "<format" or has no "/format>" is shown
//   whole with the caller's preset font;
// - a font field that is missing or out of range keeps the preset value;
// - only a well-formed tag at the very end of the text is a picture: one
//   whose position is a decimal number and whose name is a plain file name
//   (PictureName.h); anything else, "<pic" typed by a user included, stays
//   in the text;
// - the picture's position is clamped to the body.
#pragma once

#include <cstddef>
#include <string>

#include "ChatFontSpec.h"
#include "IAnsiCodePage.h"

namespace clientui {

struct PictureTag {
    bool present = false;
    size_t position = 0;  // index into the body, 0 to body length
    std::wstring name;    // file name in the picture folder and at the file server
};

struct ParsedMessage {
    bool hasPrefix = false;  // false: body is the raw text, font the preset
    ChatFontSpec font;
    std::wstring faceName;   // font.face in wide text
    std::wstring body;       // the text to show, without prefix and tag
    PictureTag picture;

    // With a picture: the text before it, and the text after it (the body's
    // character at the position stands for the picture and is not shown).
    // Without one, the whole body and nothing.
    std::wstring TextBeforePicture() const;
    std::wstring TextAfterPicture() const;
};

class CMessageParser {
public:
    explicit CMessageParser(const IAnsiCodePage& codePage) : m_codePage(codePage) {}

    // A message text as it is stored: ANSI bytes up to the first NUL or the
    // end of the field, whichever comes first.
    ParsedMessage Parse(const char* text, size_t fieldSize, const ChatFontSpec& preset) const;
    // A message text already in wide text.
    ParsedMessage Parse(const std::wstring& text, const ChatFontSpec& preset) const;

    // Fills font (pre-set by the caller) from the prefix and gives the body;
    // false when the text has no prefix (body is then the whole text).
    bool ParseFormatPrefix(const std::wstring& text, ChatFontSpec& font, std::wstring& body) const;
    // Takes a picture tag off the end of body.
    PictureTag ParsePicTag(std::wstring& body) const;

private:
    const IAnsiCodePage& m_codePage;
};

}  // namespace clientui
