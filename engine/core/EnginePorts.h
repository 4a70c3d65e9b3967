// The few services the portable engine core needs from its platform.
// The Windows build implements them on Win32 (engine/win); the native build
// and the unit tests implement them on the host (engine/ports/HostPorts.*).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace engine {

// Local date and time of day.
struct LocalTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0, millisecond = 0;

    int32_t Date() const { return year * 10000 + month * 100 + day; }            // yyyymmdd
    int32_t Hhmmss() const { return hour * 10000 + minute * 100 + second; }       // hhmmss
};

class IClock {
public:
    virtual ~IClock() = default;
    virtual LocalTime Now() const = 0;
};

// Conversion between UTF-16 and the ANSI code page (936, GBK, in this system).
class ICodePage {
public:
    virtual ~ICodePage() = default;
    virtual std::string ToAnsi(const std::wstring& text) const = 0;
    virtual std::wstring FromAnsi(const char* text, size_t length) const = 0;
    std::wstring FromAnsi(const std::string& text) const { return FromAnsi(text.data(), text.size()); }
    // True when the byte opens a two-byte character of the code page.
    virtual bool IsLeadByte(unsigned char byte) const = 0;
};

// An open file; offsets are absolute. Reads and writes report the bytes done.
class IFile {
public:
    virtual ~IFile() = default;
    virtual int64_t Size() = 0;  // -1 on failure
    virtual size_t ReadAt(int64_t offset, void* buffer, size_t count) = 0;
    virtual size_t WriteAt(int64_t offset, const void* data, size_t count) = 0;
    // Cuts the file to `size` bytes (used to take back a failed append).
    // A platform without it answers false and the file keeps its bytes.
    virtual bool Truncate(int64_t size) { return false; }
    // Whether `path` still names this open file: it was not moved, deleted
    // or replaced since it was opened. Keeping a file open across uses is
    // safe only where this can be told; a platform that cannot answers
    // false, and the file is opened anew each time.
    virtual bool StillAt(const std::wstring& path) { return false; }
};

enum class FileOpen {
    Read,             // existing file, read only
    ReadWriteCreate,  // read and write, created when missing, never truncated
};

// Paths are Windows paths with backslashes; the host implementation maps them.
class IFileSystem {
public:
    virtual ~IFileSystem() = default;
    virtual std::unique_ptr<IFile> Open(const std::wstring& path, FileOpen mode) = 0;
    // Creates every folder of the path up to its last backslash.
    virtual bool CreateFolders(const std::wstring& path) = 0;
    virtual bool Delete(const std::wstring& path) = 0;
    virtual bool Copy(const std::wstring& from, const std::wstring& to) = 0;    // replaces `to`
    virtual bool Rename(const std::wstring& from, const std::wstring& to) = 0;  // replaces `to`
    virtual bool Exists(const std::wstring& path) = 0;
};

// The client's main window, as the engine sees it.
class INotifier {
public:
    virtual ~INotifier() = default;
    // Queued: the engine goes on at once.
    virtual void Post(unsigned message, uintptr_t wParam, intptr_t lParam) = 0;
    // Handled before the call returns.
    virtual void Send(unsigned message, uintptr_t wParam, intptr_t lParam) = 0;
};

class IEventLog {
public:
    virtual ~IEventLog() = default;
    virtual void Write(const std::wstring& text) = 0;
};

// Everything the core is handed by its platform.
struct EnginePorts {
    IClock* clock = nullptr;
    ICodePage* codePage = nullptr;
    IFileSystem* files = nullptr;
    INotifier* notifier = nullptr;
    IEventLog* log = nullptr;
};

}  // namespace engine
