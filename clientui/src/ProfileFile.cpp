#include "clientui/ProfileFile.h"

#include "clientui/HistoryFile.h"
#include "clientui/SettingsText.h"

#include <fw/StringUtil.h>
#include <SystemAnsiCodePage.h>

#include <windows.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cwchar>
#include <vector>

namespace {

// Settings files are small; a larger file is left as it is.
constexpr LONGLONG kMaxConvertBytes = 1 << 20;
const BYTE kUtf16Bom[] = {0xFF, 0xFE};

bool ReadWholeFile(HANDLE file, std::vector<BYTE>* bytes) {
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(file, &size) || size.QuadPart > kMaxConvertBytes) return false;
    bytes->resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (bytes->empty()) return true;
    return ::ReadFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &got, nullptr) && got == bytes->size();
}

bool WriteWholeFile(const std::wstring& path, const void* data, size_t size) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = ::WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
    ::CloseHandle(file);
    return ok;
}

}  // namespace

int CProfileFile::ReadInt(const wchar_t* section, const wchar_t* key, int defaultValue) const {
    wchar_t buffer[64] = {};
    ::GetPrivateProfileStringW(section, key, L"", buffer, 64, m_path.c_str());
    int value = 0;
    return ParseSettingsNumber(buffer, &value) ? value : defaultValue;
}

int CProfileFile::ReadCount(const wchar_t* section, const wchar_t* key, int max) const {
    return BoundSettingsCount(ReadInt(section, key, 0), max);
}

std::wstring CProfileFile::ReadText(const wchar_t* section, const wchar_t* key, const std::wstring& defaultValue,
                                    size_t width) const {
    std::vector<wchar_t> buffer(width + 2, L'\0');
    // One unit more than the width, so that a cut in a surrogate pair shows.
    const DWORD n = ::GetPrivateProfileStringW(section, key, defaultValue.c_str(), buffer.data(),
                                               static_cast<DWORD>(buffer.size()), m_path.c_str());
    return fw::CutWide(std::wstring(buffer.data(), n), width);
}

void CProfileFile::WriteInt(const wchar_t* section, const wchar_t* key, int value) {
    WriteText(section, key, fw::FormatString(L"%d", value));
}

void CProfileFile::WriteText(const wchar_t* section, const wchar_t* key, const std::wstring& value) {
    if (!EnsureUnicode()) return;
    // A line break inside a value would end the line and turn the rest of
    // the text into a line of its own (even a key of its own): it is
    // written as a blank.
    std::wstring line = value;
    for (wchar_t& c : line)
        if (c == L'\r' || c == L'\n') c = L' ';
    ::WritePrivateProfileStringW(section, key, line.c_str(), m_path.c_str());
}

bool CProfileFile::EnsureUnicode() {
    if (m_unicodeChecked) return true;
    HANDLE file = ::CreateFileW(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (::GetLastError() != ERROR_FILE_NOT_FOUND) return false;
        // A new file: UTF-16 from its first byte.
        if (!WriteWholeFile(m_path, kUtf16Bom, sizeof kUtf16Bom)) return false;
        m_unicodeChecked = true;
        return true;
    }
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(file, &size) || size.QuadPart > kMaxConvertBytes) {
        // Not a settings file this program wrote: the profile functions
        // handle it as it is.
        ::CloseHandle(file);
        m_unicodeChecked = true;
        return true;
    }
    std::vector<BYTE> bytes;
    const bool read = ReadWholeFile(file, &bytes);
    ::CloseHandle(file);
    if (!read) return false;
    std::vector<uint8_t> out;
    const clientui::CSystemAnsiCodePage codePage;
    switch (ConvertSettingsFile(bytes.data(), bytes.size(), codePage, out)) {
    case SettingsFileForm::Unicode:
        m_unicodeChecked = true;
        return true;
    case SettingsFileForm::Damaged:
        // Not text: a converted copy would lose its bytes. The file is kept
        // aside (never deleted) and a new one takes its place.
        ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, m_path.c_str());
        if (MoveFileAside(m_path).empty() || !WriteWholeFile(m_path, kUtf16Bom, sizeof kUtf16Bom)) return false;
        m_unicodeChecked = true;
        return true;
    case SettingsFileForm::Legacy: break;
    }
    // Written beside the file and then moved over it, so a failed write
    // never leaves half a file.
    const std::wstring temp = m_path + L".new";
    if (!WriteWholeFile(temp, out.data(), out.size())) {
        ::DeleteFileW(temp.c_str());
        return false;
    }
    // The profile functions may keep the old file cached: flush it first.
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, m_path.c_str());
    if (!::MoveFileExW(temp.c_str(), m_path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        ::DeleteFileW(temp.c_str());
        return false;
    }
    m_unicodeChecked = true;
    return true;
}

std::wstring SetAsideDamagedSettingsFile(const std::wstring& path) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::wstring();
    std::vector<BYTE> bytes;
    const bool read = ReadWholeFile(file, &bytes);
    ::CloseHandle(file);
    if (!read) return std::wstring();  // too large to be ours, or unreadable: left as it is
    std::vector<uint8_t> converted;
    const clientui::CSystemAnsiCodePage codePage;
    if (ConvertSettingsFile(bytes.data(), bytes.size(), codePage, converted) != SettingsFileForm::Damaged)
        return std::wstring();
    // The profile functions may keep the file cached: flush it first.
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, path.c_str());
    return MoveFileAside(path);
}
