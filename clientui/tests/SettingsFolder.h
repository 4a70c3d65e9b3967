// A fresh temporary folder per test, standing in for the program folder,
// removed with everything in it afterwards.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

class CSettingsFolder {
public:
    CSettingsFolder() {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        wchar_t name[MAX_PATH] = {};
        ::GetTempFileNameW(temp, L"set", 0, name);  // creates the file: use its name as a folder
        ::DeleteFileW(name);
        m_path = std::wstring(name) + L"\\";
        ::CreateDirectoryW(name, nullptr);
    }
    ~CSettingsFolder() {
        std::wstring from = m_path.substr(0, m_path.size() - 1);
        from.push_back(L'\0');
        from.push_back(L'\0');
        SHFILEOPSTRUCTW op = {};
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        op.fFlags = FOF_NO_UI;
        ::SHFileOperationW(&op);
    }
    const std::wstring& Path() const { return m_path; }
    std::wstring Make(const std::wstring& sub) const {
        ::CreateDirectoryW((m_path + sub).c_str(), nullptr);
        return m_path + sub + L"\\";
    }

    static void WriteBytes(const std::wstring& path, const std::string& bytes) {
        HANDLE f = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD n = 0;
        ::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
        ::CloseHandle(f);
    }
    // A file as UTF-16 with its byte-order mark.
    static void WriteUnicode(const std::wstring& path, const std::wstring& text) {
        std::string bytes("\xFF\xFE", 2);
        bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
        WriteBytes(path, bytes);
    }
    static std::string ReadBytes(const std::wstring& path) {
        HANDLE f = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) return std::string();
        std::string bytes(::GetFileSize(f, nullptr), '\0');
        DWORD n = 0;
        if (!bytes.empty()) ::ReadFile(f, &bytes[0], static_cast<DWORD>(bytes.size()), &n, nullptr);
        ::CloseHandle(f);
        return bytes;
    }
    static bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

private:
    std::wstring m_path;
};
