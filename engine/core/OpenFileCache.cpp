#include "OpenFileCache.h"

#include <utility>

namespace engine {

OpenFileCache::OpenFileCache(IFileSystem& files, size_t capacity)
    : files_(files), capacity_(capacity == 0 ? 1 : capacity) {}

OpenFileCache::Use OpenFileCache::Open(const std::wstring& path) {
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].path != path) continue;
        Entry kept = std::move(entries_[i]);
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
        // Moved aside, deleted or replaced since: that file is not this path's any more.
        if (!kept.file->StillAt(path)) break;
        entries_.push_back(std::move(kept));
        return Use(entries_.back().file.get());
    }
    std::unique_ptr<IFile> file = files_.Open(path, FileOpen::ReadWriteCreate);
    if (!file) return Use();
    // A platform that cannot tell whether the path still names the file
    // gets its file for this use only.
    if (!file->StillAt(path)) return Use(std::move(file));
    if (entries_.size() >= capacity_) entries_.erase(entries_.begin());
    entries_.push_back(Entry{path, std::move(file)});
    return Use(entries_.back().file.get());
}

void OpenFileCache::Close(const std::wstring& path) {
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].path == path) {
            entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
}

void OpenFileCache::CloseAll() {
    entries_.clear();
}

}  // namespace engine
