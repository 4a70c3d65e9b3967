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

int32_t ReadWord(const uint8_t* p) {
    int32_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

bool IsNewer(int32_t date, int32_t time, int32_t afterDate, int32_t afterTime) {
    return date > afterDate || (date == afterDate && time > afterTime);
}

// Moves a damaged file aside instead of deleting it.
void MoveAside(const std::wstring& path) {
    const std::wstring aside = path + L".bad";
    ::MoveFileExW(path.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING);
}

}  // namespace

bool IndexHistoryRecords(const uint8_t* data, size_t size, int32_t count, std::vector<uint32_t>& starts) {
    if (count < 0) return false;
    // Never more starts than whole heads fit in the bytes.
    const size_t most = size / sizeof(MsgRecordHead);
    starts.reserve(starts.size() + std::min(static_cast<size_t>(count), most));
    size_t offset = 0;
    for (int32_t index = 0; index < count; ++index) {
        if (size - offset < sizeof(MsgRecordHead)) return false;
        const uint8_t* head = data + offset;
        const int32_t textLength = ReadWord(head + offsetof(MsgRecordHead, textLength));
        const int32_t extraLength = ReadWord(head + offsetof(MsgRecordHead, extraLength));
        const size_t left = size - offset - sizeof(MsgRecordHead);
        if (textLength < 0 || extraLength < 0 || static_cast<size_t>(extraLength) > left ||
            static_cast<size_t>(textLength) > left - static_cast<size_t>(extraLength)) {
            return false;
        }
        starts.push_back(static_cast<uint32_t>(offset));
        offset += sizeof(MsgRecordHead) + static_cast<size_t>(extraLength) + static_cast<size_t>(textLength);
    }
    return true;
}

HistoryRecord HistoryRecordAt(const uint8_t* data, uint32_t start) {
    const uint8_t* head = data + start;
    HistoryRecord record;
    record.type = ReadWord(head + offsetof(MsgRecordHead, type));
    record.date = ReadWord(head + offsetof(MsgRecordHead, date));
    record.time = ReadWord(head + offsetof(MsgRecordHead, time));
    record.senderId = ReadWord(head + offsetof(MsgRecordHead, senderId));
    record.receiverId = ReadWord(head + offsetof(MsgRecordHead, receiverId));
    record.extraId = ReadWord(head + offsetof(MsgRecordHead, extraId));
    record.textLength = ReadWord(head + offsetof(MsgRecordHead, textLength));
    record.marker = ReadWord(head + offsetof(MsgRecordHead, minusOne));
    record.extraLength = ReadWord(head + offsetof(MsgRecordHead, extraLength));
    const uint8_t* text = head + sizeof(MsgRecordHead) + record.extraLength;
    record.text.assign(reinterpret_cast<const char*>(text), static_cast<size_t>(record.textLength));
    return record;
}

namespace {

// The record walk; keeps at most maxKept of the newest whole records.
bool WalkHistoryRecords(const uint8_t* data, size_t size, int32_t count, int32_t afterDate, int32_t afterTime,
                        size_t maxKept, std::vector<HistoryRecord>& records) {
    // First pass: where each whole record starts, bounded by the bytes.
    std::vector<uint32_t> starts;
    const bool whole = IndexHistoryRecords(data, size, count, starts);

    // Second pass: the newest records that are later than the moment.
    const size_t skip = starts.size() > maxKept ? starts.size() - maxKept : 0;
    for (size_t index = skip; index < starts.size(); ++index) {
        const uint8_t* head = data + starts[index];
        const int32_t date = ReadWord(head + offsetof(MsgRecordHead, date));
        const int32_t time = ReadWord(head + offsetof(MsgRecordHead, time));
        if (!IsNewer(date, time, afterDate, afterTime)) continue;
        records.push_back(HistoryRecordAt(data, starts[index]));
    }
    return whole;
}

}  // namespace

bool ParseHistoryRecords(const uint8_t* data, size_t size, int32_t count, int32_t afterDate,
                         int32_t afterTime, std::vector<HistoryRecord>& records) {
    return WalkHistoryRecords(data, size, count, afterDate, afterTime, static_cast<size_t>(kHistoryRecordsShown),
                              records);
}

bool ParseAllHistoryRecords(const uint8_t* data, size_t size, int32_t count, std::vector<HistoryRecord>& records) {
    // Every record: none is older than the moment before any date.
    return WalkHistoryRecords(data, size, count, INT32_MIN, INT32_MIN, SIZE_MAX, records);
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
