// The history and list files byte for byte, against images built here word
// by word (little-endian, independent of how any compiler lays out the
// records). The same test runs in the native build and in both Windows
// builds, so an engine of either width writes what the other reads.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>

#include "HistoryFiles.h"
#include "HostPorts.h"
#include "TempFolder.h"
#include "TestMessages.h"

namespace {

using enginetest::ReadBytes;
using enginetest::TempFolder;
using enginetest::TextMsg;

std::string Le32(std::initializer_list<int32_t> words) {
    std::string bytes;
    for (int32_t word : words) {
        const auto value = static_cast<uint32_t>(word);
        for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>((value >> shift) & 0xFF);
    }
    return bytes;
}

std::string Zeros(size_t count) { return std::string(count, '\0'); }

std::string Text(const char* text, size_t field) {
    std::string bytes(text);
    bytes.resize(field, '\0');
    return bytes;
}

// Where the bytes differ first, for a readable failure.
::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
    return ::testing::AssertionFailure() << "sizes " << actual.size() << " and " << expected.size()
                                         << ", first difference at byte " << at;
}

class FileBytes : public ::testing::Test {
protected:
    TempFolder temp;
    engine::StdFileSystem files;
    engine::HistoryFiles desk{engine::EngineVariant::Desk, files};
};

TEST_F(FileBytes, AHistoryFileIsItsHeaderThenEachRecordHeadAndText) {
    desk.WriteChatRecord(TextMsg(7, 1, 20261210, 95539000, "hello", 0, 55), temp.Path(), false);
    desk.WriteChatRecord(TextMsg(7, 1, 20261210, 95540000, "second one", 3), temp.Path(), false);

    const std::string expected =
        // header: newest date and time, 0, record count, marker 20, reserved
        Le32({20261210, 95540000, 0, 2, 20}) + Zeros(108) +
        // type, date, time, sender, receiver, extra id, text length, -1,
        // extra-block length, reserved; then the text without its NUL
        Le32({0, 20261210, 95539000, 7, 1, 55, 5, -1, 0}) + Zeros(56) + "hello" +
        Le32({3, 20261210, 95540000, 7, 1, 0, 10, -1, 0}) + Zeros(56) + "second one";
    EXPECT_TRUE(SameBytes(ReadBytes(files, temp.Path() + L"1\\msg\\7.msg"), expected));
}

TEST_F(FileBytes, AListFileIsItsHeaderThenTheFixedSizeRecords) {
    CategoryRecord records[2] = {};
    records[0].id = 1;
    records[0].order = 10;
    std::strcpy(records[0].name, "group 1");
    records[1].id = 2;
    records[1].order = 9;
    std::strcpy(records[1].name, "group 2");
    DatFileHeader header{};
    header.kind = DAT_FILE_KIND;
    header.createDate = 20261210;
    header.createTime = 95539;
    header.changeDate = 20261211;
    header.changeTime = 101500;
    header.recordSize = sizeof(CategoryRecord);
    header.recordCount = 2;
    ASSERT_EQ(desk.WriteDatFile(temp.Path(), L"1\\friendType.dat", header, records, sizeof records), 1);

    const std::string expected =
        // kind 10, created, changed, record size, record count, reserved
        Le32({10, 20261210, 95539, 20261211, 101500, 32, 2}) + Zeros(100) +
        // id, order, name in 24 bytes
        Le32({1, 10}) + Text("group 1", 24) + Le32({2, 9}) + Text("group 2", 24);
    EXPECT_TRUE(SameBytes(ReadBytes(files, temp.Path() + L"1\\friendType.dat"), expected));
}

}  // namespace
