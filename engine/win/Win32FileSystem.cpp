#include "Win32FileSystem.h"

#include <windows.h>

namespace engine {

namespace {

// One open file handle; offsets are absolute. Each read and write moves the
// handle's own file pointer first and then transfers without an OVERLAPPED
// position: under Wine, a transfer that names an OVERLAPPED costs a call to
// the wine server for its completion, the pointer move and a plain transfer
// none. A handle is used by one thread at a time.
class Win32File : public IFile {
public:
    explicit Win32File(HANDLE handle) : handle_(handle) {}
    ~Win32File() override { CloseHandle(handle_); }
    Win32File(const Win32File&) = delete;
    Win32File& operator=(const Win32File&) = delete;

    int64_t Size() override {
        LARGE_INTEGER size;
        return GetFileSizeEx(handle_, &size) ? size.QuadPart : -1;
    }

    size_t ReadAt(int64_t offset, void* buffer, size_t count) override {
        if (offset < 0 || !MoveTo(offset)) return 0;
        size_t done = 0;
        while (done < count) {
            const DWORD chunk = Chunk(count - done);
            DWORD read = 0;
            if (!ReadFile(handle_, static_cast<char*>(buffer) + done, chunk, &read, nullptr) || read == 0) break;
            done += read;
        }
        return done;
    }

    size_t WriteAt(int64_t offset, const void* data, size_t count) override {
        if (offset < 0 || !MoveTo(offset)) return 0;
        size_t done = 0;
        while (done < count) {
            const DWORD chunk = Chunk(count - done);
            DWORD written = 0;
            if (!WriteFile(handle_, static_cast<const char*>(data) + done, chunk, &written, nullptr) ||
                written == 0)
                break;
            done += written;
        }
        return done;
    }

    bool Truncate(int64_t size) override { return size >= 0 && MoveTo(size) && SetEndOfFile(handle_); }

    // Opened without FILE_SHARE_DELETE: while this handle is open, nobody
    // can move or delete the file, so the path still names it as long as
    // it exists.
    bool StillAt(const std::wstring& path) override {
        return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

private:
    bool MoveTo(int64_t offset) {
        LARGE_INTEGER to;
        to.QuadPart = offset;
        return SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN) != 0;
    }
    static DWORD Chunk(size_t left) { return left > 0x10000000u ? 0x10000000u : DWORD(left); }

    HANDLE handle_;
};

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Where the folders that may be created start: after "C:\" or "\\server\share\".
size_t FirstCreatable(const std::wstring& path) {
    if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
        size_t share = path.find(L'\\', 2);
        if (share == std::wstring::npos) return path.size();
        share = path.find(L'\\', share + 1);
        return share == std::wstring::npos ? path.size() : share + 1;
    }
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return 3;
    return path.size() >= 1 && path[0] == L'\\' ? 1 : 0;
}

}  // namespace

std::unique_ptr<IFile> Win32FileSystem::Open(const std::wstring& path, FileOpen mode) {
    const bool write = mode == FileOpen::ReadWriteCreate;
    HANDLE handle = CreateFileW(path.c_str(), write ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                write ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32File>(handle);
}

bool Win32FileSystem::CreateFolders(const std::wstring& path) {
    const size_t last = path.rfind(L'\\');
    if (last == std::wstring::npos) return true;
    const std::wstring folder = path.substr(0, last);
    if (folder.empty() || IsFolder(folder)) return true;
    for (size_t at = FirstCreatable(path); at <= last; ++at) {
        if (at != last && path[at] != L'\\') continue;
        const std::wstring part = path.substr(0, at);
        if (part.empty() || part.back() == L':' || IsFolder(part)) continue;
        if (!CreateDirectoryW(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return IsFolder(folder);
}

bool Win32FileSystem::Delete(const std::wstring& path) { return DeleteFileW(path.c_str()) != 0; }

bool Win32FileSystem::Copy(const std::wstring& from, const std::wstring& to) {
    return CopyFileW(from.c_str(), to.c_str(), FALSE) != 0;
}

bool Win32FileSystem::Rename(const std::wstring& from, const std::wstring& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool Win32FileSystem::Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace engine
