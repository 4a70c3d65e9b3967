// Reading history files: the newest 20 records after a moment, the error
// codes, and damaged files that give the whole records before the damage.
#include "clientui/HistoryFile.h"

#include "TempFolder.h"

#include <ImEngineApi.h>

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int32_t kOwnId = 1001;
constexpr int32_t kPeerId = 2002;
constexpr int32_t kOtherAgent = 3003;
constexpr int32_t kDate = 20261210;

struct FixtureRecord {
    int32_t date;
    int32_t time;
    std::string text;
    std::string extra;
};

// Time of day of message i: 10:00:00 plus i seconds.
int32_t TimeOf(int i) { return 10 * 10000000 + i * 1000; }

std::vector<uint8_t> RecordBytes(const FixtureRecord& record, int32_t index) {
    MsgRecordHead head = {};
    head.type = index % 3;
    head.date = record.date;
    head.time = record.time;
    head.senderId = kPeerId;
    head.receiverId = kOwnId;
    head.extraId = index;
    head.textLength = static_cast<int32_t>(record.text.size());
    head.minusOne = -1;
    head.extraLength = static_cast<int32_t>(record.extra.size());
    std::vector<uint8_t> bytes(sizeof head);
    std::memcpy(bytes.data(), &head, sizeof head);
    bytes.insert(bytes.end(), record.extra.begin(), record.extra.end());
    bytes.insert(bytes.end(), record.text.begin(), record.text.end());
    return bytes;
}

class HistoryFileTest : public ::testing::Test {
protected:
    std::wstring OwnPath() const { return m_folder.Path() + L"1001\\msg\\2002.msg"; }
    std::wstring GroupPath() const { return m_folder.Path() + L"1001\\MyGroup\\3003\\msg\\2002.msg"; }

    // n messages "message <i>", i from 1; every fifth carries an extra block.
    static std::vector<FixtureRecord> Messages(int n) {
        std::vector<FixtureRecord> records;
        for (int i = 1; i <= n; ++i) {
            records.push_back({kDate, TimeOf(i), "message " + std::to_string(i),
                               i % 5 == 0 ? std::string("extra block ") + std::to_string(i) : std::string()});
        }
        return records;
    }

    static std::vector<uint8_t> FileBytes(const std::vector<FixtureRecord>& records, int32_t marker = MSG_FILE_MARKER,
                                          int64_t count = -1) {
        MsgFileHeader header = {};
        if (!records.empty()) {
            header.newestDate = records.back().date;
            header.newestTime = records.back().time;
        }
        header.count = count >= 0 ? static_cast<int32_t>(count) : static_cast<int32_t>(records.size());
        header.marker = marker;
        std::vector<uint8_t> bytes(sizeof header);
        std::memcpy(bytes.data(), &header, sizeof header);
        for (size_t i = 0; i < records.size(); ++i) {
            const std::vector<uint8_t> record = RecordBytes(records[i], static_cast<int32_t>(i + 1));
            bytes.insert(bytes.end(), record.begin(), record.end());
        }
        return bytes;
    }

    static void WriteFile(const std::wstring& path, const std::vector<uint8_t>& bytes) {
        const std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
        for (size_t at = folder.find(L'\\', 3); ; at = folder.find(L'\\', at + 1)) {
            ::CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
            if (at == std::wstring::npos) break;
        }
        HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        ::CloseHandle(file);
        ASSERT_EQ(written, bytes.size());
    }

    static std::vector<uint8_t> ReadFile(const std::wstring& path) {
        std::vector<uint8_t> bytes;
        HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return bytes;
        bytes.resize(::GetFileSize(file, nullptr));
        DWORD got = 0;
        if (!bytes.empty()) ::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
        ::CloseHandle(file);
        bytes.resize(got);
        return bytes;
    }

    int Load(int32_t owner, std::vector<HistoryRecord>& out, int32_t afterDate = 0, int32_t afterTime = 0) {
        return LoadHistoryFile(m_folder.Path(), kOwnId, kPeerId, owner, out, afterDate, afterTime);
    }

    static std::vector<std::string> Texts(const std::vector<HistoryRecord>& records) {
        std::vector<std::string> texts;
        for (const HistoryRecord& record : records) texts.push_back(record.text);
        return texts;
    }

    static std::vector<std::string> Range(int first, int last) {
        std::vector<std::string> texts;
        for (int i = first; i <= last; ++i) texts.push_back("message " + std::to_string(i));
        return texts;
    }

    TempFolder m_folder;
};

TEST_F(HistoryFileTest, OlderMomentGivesTheNewestTwentyInFileOrder) {
    WriteFile(OwnPath(), FileBytes(Messages(25)));
    std::vector<HistoryRecord> records;
    ASSERT_EQ(Load(kOwnId, records, kDate - 1, 0), HISTORY_OK);
    EXPECT_EQ(Texts(records), Range(6, 25));
    const HistoryRecord& tenth = records[4];  // message 10 carries an extra block
    EXPECT_EQ(tenth.date, kDate);
    EXPECT_EQ(tenth.time, TimeOf(10));
    EXPECT_EQ(tenth.senderId, kPeerId);
    EXPECT_EQ(tenth.receiverId, kOwnId);
    EXPECT_EQ(tenth.extraId, 10);
    EXPECT_EQ(tenth.type, 1);
    EXPECT_EQ(tenth.marker, -1);
    EXPECT_EQ(tenth.textLength, 10);
    EXPECT_EQ(tenth.extraLength, static_cast<int32_t>(std::string("extra block 10").size()));
}

TEST_F(HistoryFileTest, OnlyRecordsLaterThanTheMomentAreAppended) {
    WriteFile(OwnPath(), FileBytes(Messages(25)));
    std::vector<HistoryRecord> records(1);  // what was there stays
    ASSERT_EQ(Load(kOwnId, records, kDate, TimeOf(22)), HISTORY_OK);
    ASSERT_EQ(records.size(), 4u);
    records.erase(records.begin());
    EXPECT_EQ(Texts(records), Range(23, 25));
}

TEST_F(HistoryFileTest, AnotherOwnerReadsTheGroupHistory) {
    WriteFile(GroupPath(), FileBytes(Messages(3)));
    std::vector<HistoryRecord> records;
    EXPECT_EQ(Load(kOwnId, records), HISTORY_OPEN_FAILED);
    ASSERT_EQ(Load(kOtherAgent, records), HISTORY_OK);
    EXPECT_EQ(Texts(records), Range(1, 3));
}

TEST_F(HistoryFileTest, ErrorCodes) {
    std::vector<HistoryRecord> records;
    EXPECT_EQ(LoadHistoryFile(m_folder.Path(), kOwnId, 0, kOwnId, records, 0, 0), HISTORY_NO_ID);
    EXPECT_EQ(LoadHistoryFile(m_folder.Path(), kOwnId, kPeerId, 0, records, 0, 0), HISTORY_NO_ID);
    EXPECT_EQ(Load(kOwnId, records), HISTORY_OPEN_FAILED);

    std::vector<uint8_t> bytes = FileBytes(Messages(2));
    bytes.resize(100);
    WriteFile(OwnPath(), bytes);
    EXPECT_EQ(Load(kOwnId, records), HISTORY_NO_HEADER);

    WriteFile(OwnPath(), FileBytes(Messages(2)));
    EXPECT_EQ(Load(kOwnId, records, kDate, TimeOf(2)), HISTORY_NOTHING_NEWER);
    EXPECT_EQ(Load(kOwnId, records, kDate + 1, TimeOf(3)), HISTORY_NOTHING_NEWER);
    EXPECT_TRUE(records.empty());
}

TEST_F(HistoryFileTest, WrongMarkerMovesTheFileAside) {
    WriteFile(OwnPath(), FileBytes(Messages(2), 21));
    std::vector<HistoryRecord> records;
    EXPECT_EQ(Load(kOwnId, records), HISTORY_BAD_MARKER);
    EXPECT_TRUE(records.empty());
    EXPECT_FALSE(::PathFileExistsW(OwnPath().c_str()));
    EXPECT_TRUE(::PathFileExistsW((OwnPath() + L".bad").c_str()));
}

// A file damaged again after an earlier one was moved aside: both stay,
// the earlier one is never replaced.
TEST_F(HistoryFileTest, ASecondDamagedFileKeepsTheFirstOneMovedAside) {
    const std::vector<uint8_t> first = FileBytes(Messages(2), 21);
    const std::vector<uint8_t> second = FileBytes(Messages(3), 0);
    std::vector<HistoryRecord> records;
    WriteFile(OwnPath(), first);
    EXPECT_EQ(Load(kOwnId, records), HISTORY_BAD_MARKER);
    WriteFile(OwnPath(), second);
    EXPECT_EQ(Load(kOwnId, records), HISTORY_BAD_MARKER);
    EXPECT_FALSE(::PathFileExistsW(OwnPath().c_str()));
    EXPECT_EQ(ReadFile(OwnPath() + L".bad"), first);
    EXPECT_EQ(ReadFile(OwnPath() + L".1.bad"), second);
}

TEST_F(HistoryFileTest, DamagedFileGivesTheWholeRecordsBeforeTheDamage) {
    const std::vector<uint8_t> good = FileBytes(Messages(8));
    const size_t headerBytes = sizeof(MsgFileHeader);
    size_t sixthEnd = headerBytes;  // end of message 6
    for (int i = 1; i <= 6; ++i) sixthEnd += RecordBytes(Messages(8)[i - 1], i).size();
    const size_t seventhTextLength = offsetof(MsgRecordHead, textLength);
    const size_t seventhExtraLength = offsetof(MsgRecordHead, extraLength);

    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"ends inside a text", std::vector<uint8_t>(good.begin(), good.begin() + sixthEnd + 95)},
        {"ends inside a head", std::vector<uint8_t>(good.begin(), good.begin() + sixthEnd + 40)},
        {"count above the records", FileBytes(Messages(6), MSG_FILE_MARKER, 0x7FFFFFFF)},
        {"text length past the end",
         [&] {
             std::vector<uint8_t> b = good;
             const int32_t huge = 0x7FFFFFF0;
             std::memcpy(b.data() + sixthEnd + seventhTextLength, &huge, 4);
             return b;
         }()},
        {"negative extra length",
         [&] {
             std::vector<uint8_t> b = good;
             const int32_t negative = -100;
             std::memcpy(b.data() + sixthEnd + seventhExtraLength, &negative, 4);
             return b;
         }()},
    };
    for (const auto& c : cases) {
        WriteFile(OwnPath(), c.bytes);
        std::vector<HistoryRecord> records;
        EXPECT_EQ(Load(kOwnId, records), HISTORY_READ_FAILED) << c.what;
        EXPECT_EQ(Texts(records), Range(1, 6)) << c.what;
    }

    // A negative count reads nothing.
    WriteFile(OwnPath(), FileBytes(Messages(3), MSG_FILE_MARKER, 0x80000000));
    std::vector<HistoryRecord> records;
    EXPECT_EQ(Load(kOwnId, records), HISTORY_READ_FAILED);
    EXPECT_TRUE(records.empty());
}

TEST_F(HistoryFileTest, BytesBeyondTheCountAreIgnored) {
    WriteFile(OwnPath(), FileBytes(Messages(5), MSG_FILE_MARKER, 3));
    std::vector<HistoryRecord> records;
    ASSERT_EQ(Load(kOwnId, records), HISTORY_OK);
    EXPECT_EQ(Texts(records), Range(1, 3));
}

}  // namespace
