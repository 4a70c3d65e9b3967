// Wide strings and the 8-bit boundary.
//
// Texts inside the program are UTF-16 (std::wstring). Texts in records, on
// the wire and in old files are 8-bit in the ANSI code page; they are
// converted here, and cut on a character boundary when a field has a fixed
// size, so that a field never ends in half a double-byte character.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

namespace fw {

// printf-style formatting into a wide string. Wide formats always name the
// argument width: %ls for wide and %hs for 8-bit texts.
std::wstring FormatString(const wchar_t* format, ...);
std::wstring FormatStringV(const wchar_t* format, va_list args);

// ANSI code page <-> UTF-16.
std::string ToAnsi(const std::wstring& text);
std::wstring FromAnsi(const std::string& text);
// Reads an 8-bit text field of fieldSize bytes: up to its first NUL, never
// past the field.
std::wstring FromAnsiField(const char* field, size_t fieldSize);

// The longest start of an ANSI text that has at most maxBytes bytes and does
// not end inside a double-byte character.
std::string CutAnsi(const std::string& ansi, size_t maxBytes);
// The longest start of a wide text with at most maxUnits code units that
// does not end inside a surrogate pair.
std::wstring CutWide(const std::wstring& text, size_t maxUnits);

// Converts text to the ANSI code page into a fixed field of fieldSize bytes:
// as many whole characters as fit in fieldSize - 1 bytes, then NUL; the rest
// of the field is zeroed. Returns the number of text bytes written.
size_t CopyToAnsiField(const std::wstring& text, char* field, size_t fieldSize);
template <size_t N>
size_t CopyToAnsiField(const std::wstring& text, char (&field)[N]) {
    return CopyToAnsiField(text, field, N);
}
template <size_t N>
std::wstring FromAnsiField(const char (&field)[N]) {
    return FromAnsiField(field, N);
}

// Copies text into a wide field of fieldUnits units (NUL included), cut on
// a character boundary, rest zeroed. Returns the number of units written.
size_t CopyToWideField(const std::wstring& text, wchar_t* field, size_t fieldUnits);

// Bytes of the text in the ANSI code page, without a NUL.
size_t AnsiLength(const std::wstring& text);

}  // namespace fw
