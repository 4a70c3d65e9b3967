// The record walk over a history file's bytes: plain C++, shared by the
// history readers of both clients and built natively for the fuzz target.
#include "clientui/HistoryFile.h"

#include <ImEngineApi.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

int32_t ReadWord(const uint8_t* p) {
    int32_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

bool IsNewer(int32_t date, int32_t time, int32_t afterDate, int32_t afterTime) {
    return date > afterDate || (date == afterDate && time > afterTime);
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
