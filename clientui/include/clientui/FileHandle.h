// CFileHandle: owns one Win32 file handle and closes it.
#pragma once

#include <windows.h>

class CFileHandle {
public:
    CFileHandle() = default;
    explicit CFileHandle(HANDLE handle) : m_handle(handle) {}
    ~CFileHandle() { Close(); }
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;
    CFileHandle(CFileHandle&& other) noexcept : m_handle(other.Detach()) {}
    CFileHandle& operator=(CFileHandle&& other) noexcept {
        if (this != &other) {
            Close();
            m_handle = other.Detach();
        }
        return *this;
    }

    bool IsValid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    HANDLE Get() const { return m_handle; }
    HANDLE Detach() {
        HANDLE handle = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        return handle;
    }
    void Close() {
        if (IsValid()) ::CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};
