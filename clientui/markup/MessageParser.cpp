#include "MessageParser.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "MessageMarkup.h"
#include "PictureName.h"

namespace clientui {

namespace {

constexpr int64_t kSaturation = int64_t(1) << 40;

std::wstring Widen(const char* ascii) {
    std::wstring out;
    for (const char* p = ascii; *p; ++p) out += static_cast<wchar_t>(*p);
    return out;
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// A decimal number the way the platform's text-to-number call reads it:
// leading blanks, a sign, the digits up to the first other character; no
// digits read as 0. Large values saturate instead of overflowing.
int64_t ReadDecimal(const std::wstring& token) {
    size_t i = 0;
    while (i < token.size() && (token[i] == L' ' || token[i] == L'\t')) ++i;
    bool negative = false;
    if (i < token.size() && (token[i] == L'+' || token[i] == L'-')) negative = token[i++] == L'-';
    int64_t value = 0;
    for (; i < token.size() && IsDigit(token[i]); ++i) {
        if (value < kSaturation) value = value * 10 + (token[i] - L'0');
    }
    return negative ? -value : value;
}

// The fields between separators; empty fields are skipped.
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
    size_t end = text.compare(0, open.size(), open) == 0 ? text.find(close) : std::wstring::npos;
    if (end == std::wstring::npos) {
        body = text;
        return false;
    }
    body = text.substr(end + close.size());

    size_t bar = text.find(L'|');
    if (bar >= end) return true;
    std::vector<std::wstring> fields = Tokens(text.substr(bar, end - bar), L'|');
    if (fields.size() > 0) {
        int64_t effects = ReadDecimal(fields[0]);
        if (effects >= 0 && effects <= 0xFF) font.effects = static_cast<uint8_t>(effects);
    }
    if (fields.size() > 1) {
        int64_t size = ReadDecimal(fields[1]);
        if (size >= 1 && size <= 0xFF) font.size = static_cast<uint8_t>(size);
    }
    if (fields.size() > 2) {
        int64_t colour = ReadDecimal(fields[2]);
        // A text colour is an RGB value; the high byte (palette modes) is dropped.
        if (colour >= INT32_MIN && colour <= INT32_MAX) {
            font.colour = static_cast<int32_t>(static_cast<uint32_t>(colour) & 0x00FFFFFFu);
        }
    }
    if (fields.size() > 3) font.SetFaceName(fields[3], m_codePage);
    return true;
}

PictureTag CMessageParser::ParsePicTag(std::wstring& body) const {
    static const std::wstring open = Widen(markup::kPicOpen) + L"/";
    static const std::wstring close = Widen(markup::kPicClose);
    PictureTag tag;
    if (body.size() < open.size() + close.size() ||
        body.compare(body.size() - close.size(), close.size(), close) != 0) {
        return tag;
    }
    size_t start = body.rfind(open, body.size() - close.size() - open.size());
    if (start == std::wstring::npos) return tag;

    // "position/name" between "<pic/" and "/pic>".
    size_t fieldsStart = start + open.size();
    std::wstring fields = body.substr(fieldsStart, body.size() - close.size() - fieldsStart);
    size_t slash = fields.find(L'/');
    if (slash == std::wstring::npos || fields.find(L'/', slash + 1) != std::wstring::npos) return tag;
    std::wstring position = fields.substr(0, slash);
    std::wstring name = fields.substr(slash + 1);

    size_t digits = (!position.empty() && position[0] == L'-') ? 1 : 0;
    if (digits == position.size()) return tag;
    for (size_t i = digits; i < position.size(); ++i) {
        if (!IsDigit(position[i])) return tag;
    }
    if (!IsSafePictureName(name, m_codePage)) return tag;

    body.erase(start);
    int64_t value = ReadDecimal(position);
    if (value < 0) value = 0;
    if (static_cast<uint64_t>(value) > body.size()) value = static_cast<int64_t>(body.size());
    tag.present = true;
    tag.position = static_cast<size_t>(value);
    tag.name = name;
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
