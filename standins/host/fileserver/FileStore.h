// The stand-in file server's storage: one folder, files by stored name.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace standin {

class FileStore {
public:
    explicit FileStore(std::string folder);

    // A stored name is safe when it is a plain file name: no separators, not
    // "." or ".." (".." inside a name is fine), no control characters, at
    // most 63 bytes.
    static bool IsSafeName(const std::string& name);

    // Writes `data` at `offset` of the named file (created when missing).
    bool Write(const std::string& name, int64_t offset, const uint8_t* data, size_t length);
    // Reads up to `length` bytes from `offset`; `size` gets the file's size
    // (-1 when there is no such file).
    std::vector<uint8_t> Read(const std::string& name, int64_t offset, size_t length, int64_t& size);

private:
    std::string PathOf(const std::string& name) const;

    std::string folder_;
    std::mutex mutex_;
};

}  // namespace standin
