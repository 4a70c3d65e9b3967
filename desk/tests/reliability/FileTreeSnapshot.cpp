#include "FileTreeSnapshot.h"

#include <cwctype>

namespace tavreltest {

namespace {

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

void Walk(const std::wstring& folder, FileTree& tree, int depth) {
    if (depth > 24) return;
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + L"\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) Walk(path, tree, depth + 1);
            continue;
        }
        FileStamp stamp;
        stamp.size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        stamp.written = (uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
        tree[Lower(path)] = stamp;
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
}

}  // namespace

FileTree SnapshotFiles(const std::vector<std::wstring>& folders) {
    FileTree tree;
    for (std::wstring folder : folders) {
        while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
        Walk(folder, tree, 0);
    }
    return tree;
}

std::vector<std::wstring> ChangedFiles(const FileTree& before, const FileTree& after) {
    std::vector<std::wstring> changed;
    for (const auto& [path, stamp] : after) {
        auto old = before.find(path);
        if (old == before.end() || old->second.size != stamp.size || old->second.written != stamp.written)
            changed.push_back(path);
    }
    return changed;
}

std::vector<std::wstring> GoneFiles(const FileTree& before, const FileTree& after) {
    std::vector<std::wstring> gone;
    for (const auto& [path, stamp] : before)
        if (!after.count(path)) gone.push_back(path);
    return gone;
}

}  // namespace tavreltest
