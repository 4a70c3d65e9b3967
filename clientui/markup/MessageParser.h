// CMessageParser: the reading side of the message markup (MessageMarkup.h),
// the same in every view of both clients (chat logs, history panes, message
// manager views).
//
// The text comes from the network or from a history file, so nothing in it is
// trusted and the parser never reads past the text. It reads the text the way
// every client of the system does, with a few guards:
// - the format prefix counts only at the very start of the text ("<format"
//   first, then the first "/format>"); a text without it is shown whole with
//   the caller's preset font. The fields lie between the first "|" and the
//   first "/format>": effects (kept as a byte), size (a byte; 0 keeps the
//   preset, as such a font would show nothing), colour (its high byte is
//   dropped: a text colour is an RGB value), face; missing fields keep the
//   preset, further ones are ignored, non-numeric text reads as 0;
// - the body is cut at the first "<pic": the tag and anything after it are
//   not shown. The part up to the first "/pic>" is split on "/": the second
//   field is the position, the third the name, further fields are ignored.
//   Without "/pic>" (or with it before "<pic") there is no picture. A
//   negative position shows no picture; a position past the body is taken
//   as the body's end;
// - a picture whose name breaks the file-name rule (PictureName.h) is still
//   a picture at its position, but its name never becomes a path: the views
//   show the error placeholder for it (PictureTag::nameIsSafe).
#pragma once

#include <cstddef>
#include <string>

#include "ChatFontSpec.h"
#include "IAnsiCodePage.h"

namespace clientui {

struct PictureTag {
    bool present = false;     // a tag with a position of 0 or more
    size_t position = 0;      // index into the body, 0 to body length
    bool pastBody = false;    // the tag's position lay beyond the body's end (position is then the end)
    std::wstring name;        // file name in the picture folder and at the file server
    bool nameIsSafe = false;  // the name keeps the file-name rule; else the error placeholder
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
    // Cuts body at its first "<pic" and reads the tag there.
    PictureTag ParsePicTag(std::wstring& body) const;

private:
    const IAnsiCodePage& m_codePage;
};

}  // namespace clientui
