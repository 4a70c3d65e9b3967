// Writes history files in the engine's format (a 128-byte MsgFileHeader,
// then a 92-byte MsgRecordHead, the extra block and the text per record).
#pragma once

#include <ImEngineApi.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace historytest {

struct FixtureRecord {
    int32_t date;
    int32_t time;
    int32_t sender;
    int32_t receiver;
    int32_t extraId;
    std::string text;  // ANSI bytes
};

// The bytes of a file with records; count overrides the header's count when
// not negative, marker the marker.
inline std::vector<uint8_t> HistoryBytes(const std::vector<FixtureRecord>& records, int32_t count = -1,
                                         int32_t marker = MSG_FILE_MARKER) {
    MsgFileHeader header = {};
    if (!records.empty()) {
        header.newestDate = records.back().date;
        header.newestTime = records.back().time;
    }
    header.count = count >= 0 ? count : static_cast<int32_t>(records.size());
    header.marker = marker;
    std::vector<uint8_t> bytes(reinterpret_cast<const uint8_t*>(&header),
                               reinterpret_cast<const uint8_t*>(&header) + sizeof header);
    for (const FixtureRecord& r : records) {
        MsgRecordHead head = {};
        head.type = 0;
        head.date = r.date;
        head.time = r.time;
        head.senderId = r.sender;
        head.receiverId = r.receiver;
        head.extraId = r.extraId;
        head.textLength = static_cast<int32_t>(r.text.size());
        head.minusOne = -1;
        head.extraLength = 0;
        const uint8_t* p = reinterpret_cast<const uint8_t*>(&head);
        bytes.insert(bytes.end(), p, p + sizeof head);
        bytes.insert(bytes.end(), r.text.begin(), r.text.end());
    }
    return bytes;
}

inline bool WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
    ::CreateDirectoryW(folder.substr(0, folder.find_last_of(L'\\')).c_str(), nullptr);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == bytes.size();
}

// A message text as the clients write it: format prefix, body, and a
// picture tag when picture is given (the picture stands at the body's end).
inline std::string MessageText(const std::string& body, const std::string& picture = std::string()) {
    std::string text = "<format|1|10|255|Arial|/format>" + body;
    if (!picture.empty()) text += " <pic/" + std::to_string(body.size()) + "/" + picture + "/pic>";
    return text;
}

// count records between own and peer: the date changes every 25 records,
// every third is the own one, every tenth answered by agent 3001, every
// 50th carries the picture "missing.jpg".
inline std::vector<FixtureRecord> Conversation(int count, int32_t own, int32_t peer) {
    std::vector<FixtureRecord> records;
    for (int i = 0; i < count; ++i) {
        FixtureRecord r;
        r.date = 20261101 + i / 25;
        const int second = i % 60;
        const int minute = (i / 60) % 60;
        r.time = 9 * 10000000 + minute * 100000 + second * 1000;
        const bool mine = i % 3 == 0;
        r.sender = mine ? own : peer;
        r.receiver = mine ? peer : own;
        r.extraId = (i % 10 == 9) ? 3001 : 0;
        r.text = MessageText("message " + std::to_string(i), i % 50 == 49 ? "missing.jpg" : "");
        records.push_back(r);
    }
    return records;
}

}  // namespace historytest
