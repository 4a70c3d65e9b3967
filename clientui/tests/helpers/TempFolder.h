// A fresh folder under the temporary folder, removed with its contents at
// the end of the test.
#pragma once

#include <windows.h>

#include <string>

class TempFolder {
public:
    TempFolder() {
        wchar_t base[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, base);
        static int sequence = 0;
        m_path = std::wstring(base) + L"qv-helpers-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                 std::to_wstring(++sequence) + L"\\";
        ::CreateDirectoryW(m_path.c_str(), nullptr);
    }
    ~TempFolder() { RemoveTree(m_path.substr(0, m_path.size() - 1)); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Ends in a backslash.
    const std::wstring& Path() const { return m_path; }

    static void RemoveTree(const std::wstring& folder) {
        WIN32_FIND_DATAW found = {};
        HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name == L"." || name == L"..") continue;
                const std::wstring full = folder + L"\\" + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    RemoveTree(full);
                } else {
                    ::DeleteFileW(full.c_str());
                }
            } while (::FindNextFileW(search, &found));
            ::FindClose(search);
        }
        ::RemoveDirectoryW(folder.c_str());
    }

private:
    std::wstring m_path;
};
