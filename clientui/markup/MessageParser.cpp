#include "MessageParser.h"

#include <cstdint>
#include <climits>
#include <cstring>
#include <vector>

#include "MessageMarkup.h"
#include "PictureName.h"

namespace clientui {

namespace {

std::wstring Widen(const char* ascii) {
    std::wstring out;
    for (const char* p = ascii; *p; ++p) out += static_cast<wchar_t>(*p);
    return out;
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// A decimal number the way the platform's text-to-number call reads it:
// leading blanks, a sign, the digits up to the first other character; no
// digits read as 0; a value beyond the 32-bit range saturates at its end.
int64_t ReadDecimal(const std::wstring& token) {
    size_t i = 0;
    while (i < token.size() && (token[i] == L' ' || token[i] == L'\t')) ++i;
    bool negative = false;
    if (i < token.size() && (token[i] == L'+' || token[i] == L'-')) negative = token[i++] == L'-';
    int64_t value = 0;
    for (; i < token.size() && IsDigit(token[i]); ++i) {
        value = value * 10 + (token[i] - L'0');
        if (value > int64_t(INT32_MAX) + 1) value = int64_t(INT32_MAX) + 1;
    }
    value = negative ? -value : value;
    if (value > INT32_MAX) value = INT32_MAX;
    return value;
}

// The fields between separators; empty fields are skipped (consecutive
// separators count as one).
std::vector<std::wstring> Tokens(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(separator, start);
        if (end == std::wstring::npos) end = text.size();
        if (end > start) out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

}  // namespace

std::wstring ParsedMessage::TextBeforePicture() const {
    if (!picture.present) return body;
    return body.substr(0, picture.position < body.size() ? picture.position : body.size());
}

std::wstring ParsedMessage::TextAfterPicture() const {
    if (!picture.present || picture.position >= body.size()) return std::wstring();
    return body.substr(picture.position + 1);
}

bool CMessageParser::ParseFormatPrefix(const std::wstring& text, ChatFontSpec& font,
                                       std::wstring& body) const {
    static const std::wstring open = Widen(markup::kFormatOpen);
    static const std::wstring close = Widen(markup::kFormatClose);
    // Every client puts the prefix first: a "/format>" elsewhere is text.
    size_t end = text.compare(0, open.size(), open) == 0 ? text.find(close) : std::wstring::npos;
    if (end == std::wstring::npos) {
        body = text;
        return false;
    }
    body = text.substr(end + close.size());

    // The fields lie between the first "|" and the first "/format>".
    size_t bar = text.find(L'|');
    if (bar >= end) return true;
    std::vector<std::wstring> fields = Tokens(text.substr(bar, end - bar), L'|');
    if (fields.size() > 0) font.effects = static_cast<uint8_t>(ReadDecimal(fields[0]));
    if (fields.size() > 1) {
        // A font of size 0 would show nothing: the preset stays.
        uint8_t size = static_cast<uint8_t>(ReadDecimal(fields[1]));
        if (size != 0) font.size = size;
    }
    if (fields.size() > 2) {
        int64_t colour = ReadDecimal(fields[2]);
        // A colour that saturated was no colour: the preset stays. A text
        // colour is an RGB value; the high byte (palette modes) is dropped.
        if (colour > INT32_MIN && colour < INT32_MAX) {
            font.colour = static_cast<int32_t>(static_cast<uint32_t>(colour) & 0x00FFFFFFu);
        }
    }
    if (fields.size() > 3) font.SetFaceName(fields[3], m_codePage);
    return true;
}

PictureTag CMessageParser::ParsePicTag(std::wstring& body) const {
    static const std::wstring open = Widen(markup::kPicOpen);
    static const std::wstring close = Widen(markup::kPicClose);
    PictureTag tag;
    const size_t start = body.find(open);
    if (start == std::wstring::npos) return tag;
    const size_t end = body.find(close);
    // From "<pic" up to the first "/pic>"; nothing when that comes first or
    // is missing.
    const std::wstring section =
        (end != std::wstring::npos && end > start) ? body.substr(start, end - start) : std::wstring();
    body.erase(start);

    // "<pic", position, name; further fields are ignored.
    const std::vector<std::wstring> fields = Tokens(section, L'/');
    if (fields.size() < 2) return tag;
    const int64_t position = ReadDecimal(fields[1]);
    if (position < 0) return tag;
    tag.present = true;
    tag.pastBody = static_cast<uint64_t>(position) > body.size();
    tag.position = static_cast<uint64_t>(position) < body.size() ? static_cast<size_t>(position) : body.size();
    if (fields.size() > 2) tag.name = fields[2];
    tag.nameIsSafe = IsSafePictureName(tag.name, m_codePage);
    return tag;
}

ParsedMessage CMessageParser::Parse(const std::wstring& text, const ChatFontSpec& preset) const {
    ParsedMessage message;
    message.font = preset;
    message.hasPrefix = ParseFormatPrefix(text, message.font, message.body);
    message.faceName = message.font.FaceName(m_codePage);
    message.picture = ParsePicTag(message.body);
    return message;
}

ParsedMessage CMessageParser::Parse(const char* text, size_t fieldSize,
                                    const ChatFontSpec& preset) const {
    size_t length = 0;
    if (text && fieldSize > 0) {
        const void* end = std::memchr(text, '\0', fieldSize);
        length = end ? static_cast<size_t>(static_cast<const char*>(end) - text) : fieldSize;
    }
    return Parse(m_codePage.FromAnsi(text, length), preset);
}

}  // namespace clientui
