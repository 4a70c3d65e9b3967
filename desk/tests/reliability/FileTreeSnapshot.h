// What files a folder tree holds (size and last write), to tell which ones
// a program created or changed between two snapshots.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tavreltest {

struct FileStamp {
    uint64_t size = 0;
    uint64_t written = 0;
};

using FileTree = std::map<std::wstring, FileStamp>;  // by full path, lower case

// Every file under the folders (recursively).
FileTree SnapshotFiles(const std::vector<std::wstring>& folders);
// The files that are new or changed in after, and those gone from it.
std::vector<std::wstring> ChangedFiles(const FileTree& before, const FileTree& after);
std::vector<std::wstring> GoneFiles(const FileTree& before, const FileTree& after);

}  // namespace tavreltest
