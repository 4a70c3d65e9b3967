// CFileHandle: owns one Win32 file handle and closes it.
#pragma once

#include <windows.h>

#include <cstdint>

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

    // Reads up to `length` bytes at `offset`; `got` receives how many came.
    bool ReadAt(int64_t offset, uint8_t* buffer, uint32_t length, uint32_t& got) const {
        got = 0;
        if (!Seek(offset)) return false;
        DWORD read = 0;
        if (!::ReadFile(m_handle, buffer, length, &read, nullptr)) return false;
        got = read;
        return true;
    }
    // Writes all `length` bytes at `offset`.
    bool WriteAt(int64_t offset, const uint8_t* data, uint32_t length) const {
        if (!Seek(offset)) return false;
        DWORD written = 0;
        return ::WriteFile(m_handle, data, length, &written, nullptr) && written == length;
    }

private:
    bool Seek(int64_t offset) const {
        LARGE_INTEGER position = {};
        position.QuadPart = offset;
        return ::SetFilePointerEx(m_handle, position, nullptr, FILE_BEGIN) != 0;
    }

    HANDLE m_handle = INVALID_HANDLE_VALUE;
};
