// Files on Win32 with wide paths. History and list files are opened shared
// for reading and writing: the clients' history views read them while the
// engine appends.
#pragma once

#include "EnginePorts.h"

namespace engine {

class Win32FileSystem : public IFileSystem {
public:
    std::unique_ptr<IFile> Open(const std::wstring& path, FileOpen mode) override;
    // Creates each folder of the path up to its last backslash (the wide
    // counterpart of MakeSureDirectoryPathExists).
    bool CreateFolders(const std::wstring& path) override;
    bool Delete(const std::wstring& path) override;
    bool Copy(const std::wstring& from, const std::wstring& to) override;
    bool Rename(const std::wstring& from, const std::wstring& to) override;
    bool Exists(const std::wstring& path) override;
};

}  // namespace engine
