#include "clientui/LatestContactFile.h"

#include "clientui/FileHandle.h"

#include <ImEngineApi.h>
#include <fw/StringUtil.h>

#include <windows.h>

#include <new>

bool LoadLatestContacts(const std::wstring& programFolder, int32_t ownId, std::vector<LatestContact>& out) {
    out.clear();
    const std::wstring path = programFolder + fw::FormatString(L"%d\\msg\\latestContact.dat", ownId);
    CFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return false;
    LARGE_INTEGER size = {};
    // The engine keeps one record per peer: a file of more than a few MB is
    // not one of its files.
    if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart > (16LL << 20)) return false;
    try {
        std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
        uint32_t got = 0;
        if (!bytes.empty() && (!file.ReadAt(0, bytes.data(), static_cast<uint32_t>(bytes.size()), got) ||
                               got != bytes.size()))
            return false;
        return ParseLatestContacts(bytes.data(), bytes.size(), out);
    } catch (const std::bad_alloc&) {
        return false;
    }
}
