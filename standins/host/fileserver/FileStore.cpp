#include "FileStore.h"

#include <cstdio>
#include <sys/stat.h>

namespace standin {

FileStore::FileStore(std::string folder) : folder_(std::move(folder)) {
    if (!folder_.empty() && folder_.back() != '/') folder_ += '/';
}

bool FileStore::IsSafeName(const std::string& name) {
    // Only the whole names "." and ".." leave the folder; ".." inside a
    // name without separators is part of the name.
    if (name.empty() || name.size() > 63 || name == "." || name == "..") return false;
    for (unsigned char c : name) {
        if (c < 0x20 || c == '/' || c == '\\' || c == ':') return false;
    }
    return true;
}

std::string FileStore::PathOf(const std::string& name) const { return folder_ + name; }

bool FileStore::Write(const std::string& name, int64_t offset, const uint8_t* data, size_t length) {
    if (!IsSafeName(name) || offset < 0) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string path = PathOf(name);
    FILE* file = std::fopen(path.c_str(), "r+b");
    if (!file) file = std::fopen(path.c_str(), "w+b");
    if (!file) return false;
    bool ok = fseeko(file, offset, SEEK_SET) == 0 &&
              (length == 0 || std::fwrite(data, 1, length, file) == length);
    ok = (std::fclose(file) == 0) && ok;
    return ok;
}

std::vector<uint8_t> FileStore::Read(const std::string& name, int64_t offset, size_t length,
                                     int64_t& size) {
    size = -1;
    std::vector<uint8_t> data;
    if (!IsSafeName(name) || offset < 0) return data;
    std::lock_guard<std::mutex> lock(mutex_);
    FILE* file = std::fopen(PathOf(name).c_str(), "rb");
    if (!file) return data;
    struct stat info {};
    if (fstat(fileno(file), &info) == 0) size = info.st_size;
    if (size > offset && fseeko(file, offset, SEEK_SET) == 0) {
        const int64_t available = size - offset;
        data.resize(static_cast<size_t>(std::min<int64_t>(available, static_cast<int64_t>(length))));
        data.resize(std::fread(data.data(), 1, data.size(), file));
    }
    std::fclose(file);
    return data;
}

}  // namespace standin
