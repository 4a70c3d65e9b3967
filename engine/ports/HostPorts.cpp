// Host implementations of the engine's platform services.
//
// Files go through C stdio with one absolute seek before every read and
// write (which also satisfies stdio's rule for switching between the two).
// On Windows the wide path is handed to the wide stdio functions; elsewhere
// the Windows path is mapped to a host path (slashes, UTF-8).
#include "HostPorts.h"

#include "AnsiText.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <share.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace engine {

namespace {

namespace fs = std::filesystem;

#ifdef _WIN32

fs::path HostPath(const std::wstring& path) { return fs::path(path); }

FILE* OpenStream(const std::wstring& path, const wchar_t* mode) {
    // Shared for reading and writing, like the platform's own file handles.
    return _wfsopen(path.c_str(), mode, _SH_DENYNO);
}

bool SeekTo(FILE* file, int64_t offset) { return _fseeki64(file, offset, SEEK_SET) == 0; }
int64_t SeekEnd(FILE* file) {
    if (_fseeki64(file, 0, SEEK_END) != 0) return -1;
    return _ftelli64(file);
}
bool CutFile(FILE* file, int64_t size) { return _chsize_s(_fileno(file), size) == 0; }
// The C library cannot tell which file a path names: the caller reopens.
bool SameFile(FILE*, const std::wstring&) { return false; }

#else

// UTF-8 of a wide text (UTF-32 on this host); invalid code points become '?'.
std::string Utf8(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t wc : text) {
        uint32_t c = static_cast<uint32_t>(wc);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = '?';
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string HostPathText(const std::wstring& path) {
    std::wstring mapped = path;
    for (wchar_t& c : mapped) {
        if (c == L'\\') c = L'/';
    }
    return Utf8(mapped);
}

fs::path HostPath(const std::wstring& path) { return fs::path(HostPathText(path)); }

FILE* OpenStream(const std::wstring& path, const wchar_t* mode) {
    std::string narrowMode;
    for (const wchar_t* m = mode; *m; ++m) narrowMode += static_cast<char>(*m);
    return std::fopen(HostPathText(path).c_str(), narrowMode.c_str());
}

bool SeekTo(FILE* file, int64_t offset) {
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}
int64_t SeekEnd(FILE* file) {
    if (fseeko(file, 0, SEEK_END) != 0) return -1;
    return static_cast<int64_t>(ftello(file));
}
bool CutFile(FILE* file, int64_t size) {
    return ftruncate(fileno(file), static_cast<off_t>(size)) == 0;
}
// The open file is still linked under `path`: same device and inode.
bool SameFile(FILE* file, const std::wstring& path) {
    struct stat open {}, named {};
    if (fstat(fileno(file), &open) != 0 || open.st_nlink == 0) return false;
    if (stat(HostPathText(path).c_str(), &named) != 0) return false;
    return open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

#endif

class StdFile : public IFile {
public:
    explicit StdFile(FILE* file) : file_(file) {}
    ~StdFile() override { std::fclose(file_); }
    StdFile(const StdFile&) = delete;
    StdFile& operator=(const StdFile&) = delete;

    int64_t Size() override {
        std::fflush(file_);
        return SeekEnd(file_);
    }

    size_t ReadAt(int64_t offset, void* buffer, size_t count) override {
        if (offset < 0 || count == 0) return 0;
        if (!SeekTo(file_, offset)) return 0;
        size_t done = std::fread(buffer, 1, count, file_);
        std::clearerr(file_);
        return done;
    }

    size_t WriteAt(int64_t offset, const void* data, size_t count) override {
        if (offset < 0 || count == 0) return 0;
        if (!SeekTo(file_, offset)) return 0;
        size_t done = std::fwrite(data, 1, count, file_);
        // A write that cannot reach the disk is not reported as done.
        if (std::fflush(file_) != 0) done = 0;
        std::clearerr(file_);
        return done;
    }

    bool Truncate(int64_t size) override {
        if (size < 0 || std::fflush(file_) != 0) return false;
        return CutFile(file_, size);
    }

    bool StillAt(const std::wstring& path) override { return SameFile(file_, path); }

private:
    FILE* file_;
};

}  // namespace

// ---------------------------------------------------------------------------
// StdFileSystem
// ---------------------------------------------------------------------------

std::unique_ptr<IFile> StdFileSystem::Open(const std::wstring& path, FileOpen mode) {
    FILE* file = nullptr;
    if (mode == FileOpen::Read) {
        file = OpenStream(path, L"rb");
    } else {
        file = OpenStream(path, L"r+b");
        if (!file) {
            // Missing: create it without ever truncating an existing file
            // ("ab" creates, never cuts), then open it for reading and writing.
            FILE* created = OpenStream(path, L"ab");
            if (created) {
                std::fclose(created);
                file = OpenStream(path, L"r+b");
            }
        }
    }
    if (!file) return nullptr;
    return std::make_unique<StdFile>(file);
}

bool StdFileSystem::CreateFolders(const std::wstring& path) {
    size_t last = path.find_last_of(L'\\');
    if (last == std::wstring::npos || last == 0) return true;
    fs::path folder = HostPath(path.substr(0, last));
    std::error_code error;
    if (fs::is_directory(folder, error)) return true;
    fs::create_directories(folder, error);
    return fs::is_directory(folder, error);
}

bool StdFileSystem::Delete(const std::wstring& path) {
    std::error_code error;
    fs::path host = HostPath(path);
    if (fs::is_directory(host, error)) return false;
    return fs::remove(host, error);
}

bool StdFileSystem::Copy(const std::wstring& from, const std::wstring& to) {
#ifdef _WIN32
    // The C++ library's copy_file fails to replace an existing file here.
    return CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
#else
    std::error_code error;
    return fs::copy_file(HostPath(from), HostPath(to), fs::copy_options::overwrite_existing,
                         error);
#endif
}

bool StdFileSystem::Rename(const std::wstring& from, const std::wstring& to) {
#ifdef _WIN32
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) !=
           FALSE;
#else
    std::error_code error;
    fs::rename(HostPath(from), HostPath(to), error);
    return !error;
#endif
}

bool StdFileSystem::Exists(const std::wstring& path) {
    std::error_code error;
    return fs::exists(HostPath(path), error);
}

// ---------------------------------------------------------------------------
// GbkCodePage
// ---------------------------------------------------------------------------

std::string GbkCodePage::ToAnsi(const std::wstring& text) const { return codepage::ToAnsi(text); }

std::wstring GbkCodePage::FromAnsi(const char* text, size_t length) const {
    return codepage::FromAnsi(text, length);
}

bool GbkCodePage::IsLeadByte(unsigned char byte) const { return byte >= 0x81 && byte <= 0xFE; }

// ---------------------------------------------------------------------------
// Clocks
// ---------------------------------------------------------------------------

LocalTime SystemClock::Now() const {
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t seconds = system_clock::to_time_t(now);
    std::tm parts{};
#ifdef _WIN32
    localtime_s(&parts, &seconds);
#else
    localtime_r(&seconds, &parts);
#endif
    LocalTime t;
    t.year = parts.tm_year + 1900;
    t.month = parts.tm_mon + 1;
    t.day = parts.tm_mday;
    t.hour = parts.tm_hour;
    t.minute = parts.tm_min;
    t.second = parts.tm_sec;
    t.millisecond =
        static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return t;
}

void FixedClock::Set(const LocalTime& now) {
    std::lock_guard<std::mutex> lock(mutex_);
    now_ = now;
}

LocalTime FixedClock::Now() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return now_;
}

}  // namespace engine
