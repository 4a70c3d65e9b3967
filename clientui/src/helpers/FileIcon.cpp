#include "clientui/FileIcon.h"

int GetFileIconIndex(const std::wstring& path, SHFILEINFOW& info) {
    info = SHFILEINFOW{};
    if (!::SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, SHGFI_ICON | SHGFI_USEFILEATTRIBUTES)) return -1;
    return info.iIcon;
}
