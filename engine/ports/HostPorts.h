// Host implementations of the engine's platform services: files, the ANSI
// code page (GBK), and clocks. Used by the unit tests, the native tools and
// the Windows build's tests.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "EnginePorts.h"

namespace engine {

// Files through the C++ library. Paths are Windows paths: on a Windows host
// they are used as they are; elsewhere backslashes become slashes and the
// text is encoded as UTF-8.
class StdFileSystem : public IFileSystem {
public:
    std::unique_ptr<IFile> Open(const std::wstring& path, FileOpen mode) override;
    bool CreateFolders(const std::wstring& path) override;
    bool Delete(const std::wstring& path) override;
    bool Copy(const std::wstring& from, const std::wstring& to) override;
    bool Rename(const std::wstring& from, const std::wstring& to) override;
    bool Exists(const std::wstring& path) override;
};

// The ANSI code page: GBK (code page 936). On Windows the system's ANSI code
// page is used (936 on the target systems); elsewhere iconv's "GBK".
class GbkCodePage : public ICodePage {
public:
    std::string ToAnsi(const std::wstring& text) const override;
    std::wstring FromAnsi(const char* text, size_t length) const override;
    using ICodePage::FromAnsi;
    bool IsLeadByte(unsigned char byte) const override;
};

// The local time of the host.
class SystemClock : public IClock {
public:
    LocalTime Now() const override;
};

// A clock that stands still at the time it is set to.
class FixedClock : public IClock {
public:
    FixedClock() = default;
    explicit FixedClock(const LocalTime& now) : now_(now) {}
    void Set(const LocalTime& now);
    LocalTime Now() const override;

private:
    mutable std::mutex mutex_;
    LocalTime now_;
};

}  // namespace engine
