// OpenFileCache: a few files kept open for reading and writing between
// uses, so that appending to the same history file message after message
// costs no open and close each time.
//
// A kept file is handed out again only while its path still names it (see
// IFile::StillAt); a file moved aside, deleted or replaced behind the
// cache's back is closed and the path opened anew. The least recently used
// file is closed when the cache is full. Whoever renames or deletes a path
// through the file system closes it here first (Close). Every write goes
// to the file at once, so a reader opening the path sees it.
//
// Not thread-safe: one owner thread (the engine's UI thread).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "EnginePorts.h"

namespace engine {

class OpenFileCache {
public:
    static constexpr size_t kDefaultCapacity = 8;

    explicit OpenFileCache(IFileSystem& files, size_t capacity = kDefaultCapacity);
    OpenFileCache(const OpenFileCache&) = delete;
    OpenFileCache& operator=(const OpenFileCache&) = delete;

    // One use of a file: a kept one, or (where the platform cannot tell
    // whether a path still names its file) one opened for this use alone
    // and closed when the use ends.
    class Use {
    public:
        Use() = default;
        explicit Use(IFile* kept) : file_(kept) {}
        explicit Use(std::unique_ptr<IFile> own) : file_(own.get()), own_(std::move(own)) {}
        IFile* operator->() const { return file_; }
        IFile& operator*() const { return *file_; }
        explicit operator bool() const { return file_ != nullptr; }

    private:
        IFile* file_ = nullptr;
        std::unique_ptr<IFile> own_;
    };

    // The file at `path` open for reading and writing, created when missing
    // and never truncated; empty when it cannot be opened. A kept file is
    // valid until the next call on this cache.
    Use Open(const std::wstring& path);
    // Closes the file of `path` if it is kept (before it is renamed or
    // deleted, or after a failed write).
    void Close(const std::wstring& path);
    void CloseAll();
    size_t OpenCount() const { return entries_.size(); }

private:
    struct Entry {
        std::wstring path;
        std::unique_ptr<IFile> file;
    };

    IFileSystem& files_;
    const size_t capacity_;
    std::vector<Entry> entries_;  // most recently used last
};

}  // namespace engine
