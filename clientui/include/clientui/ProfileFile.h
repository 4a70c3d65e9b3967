// CProfileFile: one INI-format settings file read and written with the
// platform's private-profile functions.
//
// Numbers are decimal text. A number that is present but not a decimal
// integer in range reads as the caller's default. Texts are cut to a width
// on a character boundary.
//
// Before the first write the file is made a UTF-16 file with a byte-order
// mark (a new file is created that way; a file in the ANSI code page or in
// UTF-8 from an earlier version is converted, keeping every line), so the
// profile functions keep every character whatever the code page. Files that
// earlier versions wrote in the ANSI code page read as before.
#pragma once

#include <string>

class CProfileFile {
public:
    explicit CProfileFile(std::wstring path) : m_path(std::move(path)) {}

    const std::wstring& GetPath() const { return m_path; }

    int ReadInt(const wchar_t* section, const wchar_t* key, int defaultValue) const;
    // A count: a negative or unreadable value gives 0, a larger one than max
    // gives max.
    int ReadCount(const wchar_t* section, const wchar_t* key, int max) const;
    bool ReadBool(const wchar_t* section, const wchar_t* key, bool defaultValue) const {
        return ReadInt(section, key, defaultValue ? 1 : 0) != 0;
    }
    // At most width characters (the rest is cut).
    std::wstring ReadText(const wchar_t* section, const wchar_t* key, const std::wstring& defaultValue,
                          size_t width) const;

    // Writes fail silently (for example when the folder does not exist).
    // A line break in a text is written as a blank: a value is one line.
    void WriteInt(const wchar_t* section, const wchar_t* key, int value);
    void WriteBool(const wchar_t* section, const wchar_t* key, bool value) { WriteInt(section, key, value ? 1 : 0); }
    void WriteText(const wchar_t* section, const wchar_t* key, const std::wstring& value);

    // Makes the file UTF-16 with a byte-order mark (see above). False when
    // the file can neither be created nor converted.
    bool EnsureUnicode();

private:
    std::wstring m_path;
    bool m_unicodeChecked = false;
};

// A settings file that holds no settings text (NUL bytes, or bytes that are
// no text of its code page) cannot be read: it is moved aside beside itself
// (never deleted), so that the defaults stand and the next write starts a
// new file. The name it was moved to; empty when the file is missing, is
// text, or could not be moved.
std::wstring SetAsideDamagedSettingsFile(const std::wstring& path);
