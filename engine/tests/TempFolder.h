// A fresh folder under the host's temporary folder for one test, removed
// with everything in it when the test ends, and small file helpers that go
// through the host file system (so they work alike natively and under Wine).
#pragma once

#include <chrono>
#include <filesystem>
#include <random>
#include <string>

#include "HostPorts.h"

namespace enginetest {

class TempFolder {
public:
    TempFolder() {
        std::random_device random;
        const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
        const std::wstring name = L"qv-engine-" + std::to_wstring(random()) + L"-" +
                                  std::to_wstring(static_cast<unsigned long long>(ticks) % 1000000);
        host_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::create_directories(host_);
        // The engine's paths use backslashes; the host file system maps them.
        path_ = host_.wstring() + L"\\";
    }
    ~TempFolder() {
        std::error_code error;
        std::filesystem::remove_all(host_, error);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder as an engine path, with its trailing backslash.
    const std::wstring& Path() const { return path_; }

private:
    std::filesystem::path host_;
    std::wstring path_;
};

// The whole content of a file; empty when it cannot be read.
inline std::string ReadBytes(engine::IFileSystem& files, const std::wstring& path) {
    std::string bytes;
    auto file = files.Open(path, engine::FileOpen::Read);
    if (!file) return bytes;
    const int64_t size = file->Size();
    if (size <= 0) return bytes;
    bytes.resize(static_cast<size_t>(size));
    bytes.resize(file->ReadAt(0, &bytes[0], bytes.size()));
    return bytes;
}

// Replaces a file's content (its folders are created).
inline bool WriteBytes(engine::IFileSystem& files, const std::wstring& path, const std::string& bytes) {
    files.CreateFolders(path);
    files.Delete(path);
    auto file = files.Open(path, engine::FileOpen::ReadWriteCreate);
    if (!file) return false;
    return bytes.empty() || file->WriteAt(0, bytes.data(), bytes.size()) == bytes.size();
}

inline std::string Bytes(const void* data, size_t size) {
    return std::string(static_cast<const char*>(data), size);
}

}  // namespace enginetest
