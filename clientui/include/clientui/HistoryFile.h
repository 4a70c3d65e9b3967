// Reading the newest part of a local history file (".msg", written by the
// engine: a 128-byte MsgFileHeader, then records of a 92-byte MsgRecordHead,
// the extra block and the text without NUL).
#pragma once

#include <cstddef>
#include <ImEngineApi.h>

#include <cstdint>
#include <string>
#include <vector>

// One message as read from a history file.
struct HistoryRecord {
    int32_t type = 0;
    int32_t date = 0;         // yyyymmdd
    int32_t time = 0;         // form of TextMsgRecord
    int32_t senderId = 0;
    int32_t receiverId = 0;
    int32_t extraId = 0;
    int32_t textLength = 0;
    int32_t marker = 0;       // the word at +28 of the head (the engine writes -1)
    int32_t extraLength = 0;
    std::string text;         // 8-bit text, the bytes of the record
};

// Results of LoadHistoryFile.
enum : int {
    HISTORY_OK = 0,              // records appended (possibly none)
    HISTORY_NO_ID = -1,          // peer or owner id missing
    HISTORY_OPEN_FAILED = -2,    // file cannot be opened
    HISTORY_NO_HEADER = -3,      // header cannot be read
    HISTORY_NO_SIZE = -4,        // file size cannot be determined
    HISTORY_READ_FAILED = -5,    // records cannot be read, or the file ends inside one
    HISTORY_NOTHING_NEWER = -23, // nothing newer than the given moment
    HISTORY_BAD_MARKER = -55,    // wrong marker: the file was moved aside (".bad")
    HISTORY_OTHER_FAILURE = -255,
};

// At most this many of the newest records are returned.
constexpr int32_t kHistoryRecordsShown = 20;

// Reads the history of peerId held by ownerId and appends to records every
// one of the newest kHistoryRecordsShown records that is later than
// (afterDate, afterTime). The file is the own history
// "<program folder><own>\msg\<peer>.msg" when the owner is the logged-on user
// (MGetCurUserID), else the group history
// "<program folder><own>\MyGroup\<owner>\msg\<peer>.msg".
int LoadHistoryFile(int32_t peerId, int32_t ownerId, std::vector<HistoryRecord>& records,
                    int32_t afterDate, int32_t afterTime);

// The same with the program folder (ending in a backslash) and the own id
// given.
int LoadHistoryFile(const std::wstring& programFolder, int32_t ownId, int32_t peerId, int32_t ownerId,
                    std::vector<HistoryRecord>& records, int32_t afterDate, int32_t afterTime);

// The record walk over the bytes that follow the header: count records as
// the header says, each bounded by the bytes present. Appends the kept
// records; returns false when the bytes end inside a record (or the count is
// negative): the whole records before the damage are still used.
bool ParseHistoryRecords(const uint8_t* data, size_t size, int32_t count, int32_t afterDate,
                         int32_t afterTime, std::vector<HistoryRecord>& records);

// Every whole record of the bytes that follow the header, as
// ParseHistoryRecords walks them, without its limit and moment.
bool ParseAllHistoryRecords(const uint8_t* data, size_t size, int32_t count, std::vector<HistoryRecord>& records);

// Where each whole record starts among the bytes that follow the header,
// walking count records as the header says, each bounded by the bytes
// present (offsets from data). Returns false when the bytes end inside a
// record (or the count is negative): the whole records before the damage
// are still indexed.
bool IndexHistoryRecords(const uint8_t* data, size_t size, int32_t count, std::vector<uint32_t>& starts);

// The record whose head starts at data + start (an offset that
// IndexHistoryRecords gave for the same bytes).
HistoryRecord HistoryRecordAt(const uint8_t* data, uint32_t start);

// Reads the header of the history file at path and every byte after it with
// one read (the history views keep the bytes and index them). HISTORY_OK,
// or the errors of LoadHistoryFile (a wrong marker moves the file aside).
int ReadHistoryFileBytes(const std::wstring& path, MsgFileHeader& header, std::vector<uint8_t>& body);

// Reads every record of the history file at path (the history panes page
// through all of it). HISTORY_OK with the records; a count that promises
// more records than the bytes hold, or a record running past the end, keeps
// the whole records before it and sets damaged. The errors of
// LoadHistoryFile otherwise (a wrong marker moves the file aside).
int LoadWholeHistoryFile(const std::wstring& path, std::vector<HistoryRecord>& records, bool* damaged = nullptr);

// Moves a damaged file aside instead of deleting it: renamed to the first
// free name of "<path>.bad", "<path>.1.bad", "<path>.2.bad", ... (the names
// the engine uses), so that an earlier damaged file is never replaced. The
// new name, or empty when the file could not be moved.
std::wstring MoveFileAside(const std::wstring& path);

// The last of the names MoveFileAside gives ("<path>.bad", "<path>.1.bad",
// ...) that holds a file: the most recent damaged copy of path kept aside;
// empty when none is there.
std::wstring LatestAsideName(const std::wstring& path);
