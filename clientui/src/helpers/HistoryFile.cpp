#include "clientui/HistoryFile.h"

#include "clientui/EngineModule.h"
#include "clientui/FileHandle.h"

#include <ImEngineApi.h>
#include <fw/Application.h>
#include <fw/StringUtil.h>

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>

namespace {

// A history file above this size is not read into memory: it cannot be a
// real history (the engine appends one message at a time).
constexpr LONGLONG kMaxHistoryFileBytes = 256LL << 20;

void MoveAside(const std::wstring& path) { MoveFileAside(path); }

}  // namespace

std::wstring MoveFileAside(const std::wstring& path) {
    // The names the engine uses for what it moves aside: ".bad", then
    // ".1.bad", ".2.bad", ...; a name already taken holds an earlier damaged
    // file and is never replaced.
    for (int n = 0; n < 100; ++n) {
        const std::wstring aside = n == 0 ? path + L".bad" : path + fw::FormatString(L".%d.bad", n);
        if (::GetFileAttributesW(aside.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
        if (::MoveFileExW(path.c_str(), aside.c_str(), 0)) return aside;
        if (::GetLastError() != ERROR_ALREADY_EXISTS && ::GetLastError() != ERROR_FILE_EXISTS) break;
    }
    return std::wstring();
}

std::wstring LatestAsideName(const std::wstring& path) {
    // MoveFileAside takes the first free name, so the copies lie at the
    // first names without a gap (one removed by hand may leave one).
    std::wstring latest;
    for (int n = 0; n < 100; ++n) {
        const std::wstring aside = n == 0 ? path + L".bad" : path + fw::FormatString(L".%d.bad", n);
        if (::GetFileAttributesW(aside.c_str()) != INVALID_FILE_ATTRIBUTES) latest = aside;
        else if (n > 0) break;
    }
    return latest;
}

namespace {

// Reads a history file's header and the bytes behind it. `stopAfterHeader`
// may end the read early (HISTORY_NOTHING_NEWER) once the header is known.
template <class StopAfterHeader>
int ReadHistoryFile(const std::wstring& path, MsgFileHeader& header, std::vector<uint8_t>& body,
                    StopAfterHeader stopAfterHeader) {
    CFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return HISTORY_OPEN_FAILED;
    uint32_t got = 0;
    if (!file.ReadAt(0, reinterpret_cast<uint8_t*>(&header), sizeof header, got) || got != sizeof header) {
        return HISTORY_NO_HEADER;
    }
    if (header.marker != MSG_FILE_MARKER) {
        file.Close();
        MoveAside(path);
        return HISTORY_BAD_MARKER;
    }
    if (stopAfterHeader(header)) return HISTORY_NOTHING_NEWER;
    LARGE_INTEGER fileSize = {};
    if (!::GetFileSizeEx(file.Get(), &fileSize) || fileSize.QuadPart < static_cast<LONGLONG>(sizeof header)) {
        return HISTORY_NO_SIZE;
    }
    if (fileSize.QuadPart > kMaxHistoryFileBytes) return HISTORY_READ_FAILED;
    body.resize(static_cast<size_t>(fileSize.QuadPart - sizeof header));
    if (!body.empty()) {
        if (!file.ReadAt(sizeof header, body.data(), static_cast<uint32_t>(body.size()), got) ||
            got != body.size()) {
            return HISTORY_READ_FAILED;
        }
    }
    return HISTORY_OK;
}

}  // namespace

int ReadHistoryFileBytes(const std::wstring& path, MsgFileHeader& header, std::vector<uint8_t>& body) {
    try {
        const int result = ReadHistoryFile(path, header, body, [](const MsgFileHeader&) { return false; });
        if (result != HISTORY_OK) body.clear();  // a short read keeps no part of the file
        return result;
    } catch (const std::bad_alloc&) {
        body.clear();
        return HISTORY_OTHER_FAILURE;
    }
}

int LoadWholeHistoryFile(const std::wstring& path, std::vector<HistoryRecord>& records, bool* damaged) {
    if (damaged) *damaged = false;
    try {
        MsgFileHeader header = {};
        std::vector<uint8_t> body;
        const int result = ReadHistoryFile(path, header, body, [](const MsgFileHeader&) { return false; });
        if (result != HISTORY_OK) return result;
        const bool whole = ParseAllHistoryRecords(body.data(), body.size(), header.count, records);
        if (damaged) *damaged = !whole;
        return HISTORY_OK;
    } catch (const std::bad_alloc&) {
        return HISTORY_OTHER_FAILURE;
    }
}

int LoadHistoryFile(int32_t peerId, int32_t ownerId, std::vector<HistoryRecord>& records,
                    int32_t afterDate, int32_t afterTime) {
    const int32_t ownId = g_EngineModule.MGetCurUserID ? g_EngineModule.MGetCurUserID() : 0;
    return LoadHistoryFile(fw::CApplication::GetProgramFolder(), ownId, peerId, ownerId, records, afterDate,
                           afterTime);
}

int LoadHistoryFile(const std::wstring& programFolder, int32_t ownId, int32_t peerId, int32_t ownerId,
                    std::vector<HistoryRecord>& records, int32_t afterDate, int32_t afterTime) {
    if (peerId == 0 || ownerId == 0) return HISTORY_NO_ID;
    try {
        const std::wstring path =
            ownerId == ownId
                ? programFolder + fw::FormatString(L"%d\\msg\\%d.msg", ownId, peerId)
                : programFolder + fw::FormatString(L"%d\\MyGroup\\%d\\msg\\%d.msg", ownId, ownerId, peerId);

        MsgFileHeader header = {};
        std::vector<uint8_t> body;
        const int result = ReadHistoryFile(path, header, body, [&](const MsgFileHeader& h) {
            return afterDate >= h.newestDate && afterTime >= h.newestTime;
        });
        if (result != HISTORY_OK) return result;
        if (!ParseHistoryRecords(body.data(), body.size(), header.count, afterDate, afterTime, records)) {
            return HISTORY_READ_FAILED;
        }
        return HISTORY_OK;
    } catch (const std::bad_alloc&) {
        return HISTORY_OTHER_FAILURE;
    }
}
