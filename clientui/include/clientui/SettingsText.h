// The parts of reading the settings files that need no platform: numbers and
// texts as the settings take them, the stored server entry's scrambling, and
// the form a settings file of an earlier version is converted to before the
// first write. Plain C++ (the fuzz target runs it natively); the platform's
// profile functions find the sections and keys (ProfileFile.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "IAnsiCodePage.h"

// A number's text: blanks around a decimal integer in the 32-bit range;
// false for anything else (the caller's default then stands).
bool ParseSettingsNumber(const std::wstring& text, int* value);
// A count read from a file: a negative value gives 0, one above max gives max.
int BoundSettingsCount(int value, int max);
// An index into a list of count entries, as the file may hold anything:
// within the list, 0 for an empty one.
int ClampListIndex(int index, size_t count);
// At most width UTF-16 units, never ending inside a surrogate pair.
std::wstring CutSettingsText(const std::wstring& text, size_t width);

// The program's scrambling of the stored server entry, on UTF-16 units:
// Unscramble reverses the text and subtracts 2, 4, 6, 2, 4, 6, ... from its
// units (modulo 65536); Scramble is its inverse.
std::wstring UnscrambleServerText(const std::wstring& text);
std::wstring ScrambleServerText(const std::wstring& text);

// What a settings file's bytes are, before the first write makes it UTF-16.
enum class SettingsFileForm {
    Unicode,  // UTF-16 with its byte-order mark: used as it is
    Legacy,   // text of an earlier version (ANSI code page, or UTF-8 with its
              // mark): converted, every line kept
    Damaged,  // neither: NUL bytes, or bytes that are no text of its code
              // page (a converted copy would lose them)
};

// Classifies the bytes; for Legacy, utf16 gets the converted file (the
// UTF-16 mark and the text in little-endian units).
SettingsFileForm ConvertSettingsFile(const uint8_t* bytes, size_t size, const clientui::IAnsiCodePage& codePage,
                                     std::vector<uint8_t>& utf16);
