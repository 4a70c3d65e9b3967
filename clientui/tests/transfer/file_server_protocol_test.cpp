// The file server's blocks and replies: layout, and the checks that keep
// a bad reply from being used.
#include "clientui/FileServerProtocol.h"

#include <ImEngineApi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

uint32_t WordAt(const std::vector<uint8_t>& bytes, size_t offset) {
    uint32_t value;
    std::memcpy(&value, bytes.data() + offset, 4);
    return value;
}

std::vector<uint8_t> Reply(uint32_t command, uint32_t bodyLength, std::vector<int32_t> words) {
    std::vector<uint8_t> out(24, 0);
    const uint32_t header[6] = {command, 0, PACKET_MARK, 0, 0, bodyLength};
    std::memcpy(out.data(), header, sizeof header);
    for (int32_t word : words) {
        out.resize(out.size() + 4);
        std::memcpy(out.data() + out.size() - 4, &word, 4);
    }
    out.resize(out.size() + 16, 0);
    return out;
}

TEST(FileServerProtocol, UploadRequestLayout) {
    const uint8_t data[5] = {1, 2, 3, 4, 5};
    const std::vector<uint8_t> request = BuildUploadRequest(1234, "1210ABC.JPG", 512000, data, 5);
    ASSERT_EQ(request.size(), 24u + 92u + 5u);
    EXPECT_EQ(WordAt(request, 0), 40u);
    EXPECT_EQ(WordAt(request, 8), PACKET_MARK);
    EXPECT_EQ(WordAt(request, 20), 97u);
    EXPECT_EQ(WordAt(request, 24), 1234u);
    EXPECT_STREQ(reinterpret_cast<const char*>(request.data() + 28), "1210ABC.JPG");
    for (size_t i = 28 + 11; i < 28 + 64; ++i) EXPECT_EQ(request[i], 0) << i;
    EXPECT_EQ(WordAt(request, 92), 512000u);
    EXPECT_EQ(WordAt(request, 96), 5u);
    for (size_t i = 100; i < 116; ++i) EXPECT_EQ(request[i], 0) << i;
    EXPECT_EQ(std::memcmp(request.data() + 116, data, 5), 0);
}

TEST(FileServerProtocol, DownloadRequestLayout) {
    const std::vector<uint8_t> request = BuildDownloadRequest("1210ABC.JPG", 700, 512000);
    ASSERT_EQ(request.size(), 112u);
    EXPECT_EQ(WordAt(request, 0), 41u);
    EXPECT_EQ(WordAt(request, 20), 88u);
    EXPECT_STREQ(reinterpret_cast<const char*>(request.data() + 24), "1210ABC.JPG");
    EXPECT_EQ(WordAt(request, 88), 700u);
    EXPECT_EQ(WordAt(request, 92), 512000u);
}

TEST(FileServerProtocol, RequestsRefuseWhatDoesNotFit) {
    const std::string longest(63, 'a');
    EXPECT_FALSE(BuildDownloadRequest(longest, 0, 1).empty());
    EXPECT_TRUE(BuildDownloadRequest(longest + "a", 0, 1).empty());
    EXPECT_TRUE(BuildDownloadRequest("", 0, 1).empty());
    EXPECT_TRUE(BuildDownloadRequest("a", -1, 1).empty());
    EXPECT_TRUE(BuildUploadRequest(0, "a", -5, nullptr, 0).empty());
    EXPECT_TRUE(BuildUploadRequest(0, "a", 0, nullptr, 10).empty());
}

TEST(FileServerProtocol, StoredNames) {
    EXPECT_EQ(MakeStoredName(1, 12, 10, "1210ABC.JPG"), "1210ABC.JPG");
    EXPECT_EQ(MakeStoredName(0, 3, 7, "report.doc"), "0307report.doc");
    EXPECT_EQ(MakeStoredName(0, 3, 7, std::string(59, 'x')), "0307" + std::string(59, 'x'));
    EXPECT_EQ(MakeStoredName(0, 3, 7, std::string(60, 'x')), "");
    EXPECT_EQ(MakeStoredName(1, 3, 7, std::string(64, 'x')), "");
}

// The date's name first, then the day before and the day after, across
// the ends of months and years and the leap day.
TEST(FileServerProtocol, StoredNamesAroundADate) {
    const struct {
        int year, month, day;
        std::vector<std::string> names;
    } cases[] = {
        {2026, 6, 15, {"0615f.bin", "0614f.bin", "0616f.bin"}},
        {2026, 3, 1, {"0301f.bin", "0228f.bin", "0302f.bin"}},
        {2024, 3, 1, {"0301f.bin", "0229f.bin", "0302f.bin"}},
        {2024, 2, 28, {"0228f.bin", "0227f.bin", "0229f.bin"}},
        {2026, 12, 31, {"1231f.bin", "1230f.bin", "0101f.bin"}},
        {2027, 1, 1, {"0101f.bin", "1231f.bin", "0102f.bin"}},
        {2026, 4, 30, {"0430f.bin", "0429f.bin", "0501f.bin"}},
        {2026, 13, 1, {}},
        {2026, 1, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.year << "-" << c.month << "-" << c.day);
        EXPECT_EQ(StoredNamesAround(c.year, c.month, c.day, "f.bin"), c.names);
    }
    EXPECT_TRUE(StoredNamesAround(2026, 6, 15, std::string(60, 'x')).empty());
}

TEST(FileServerProtocol, UploadReplies) {
    FileUploadReply reply;
    ASSERT_TRUE(ParseUploadReply(Reply(40, 28, {0, 1000, 500}).data(), 52, reply));
    EXPECT_EQ(reply.status, 0);
    EXPECT_EQ(reply.offset, 1000);
    EXPECT_EQ(reply.length, 500);
    EXPECT_TRUE(IsUploadBlockStored(reply, 1000, 500));
    EXPECT_TRUE(IsUploadBlockStored(reply, 1000, 800));   // part of the block stored
    EXPECT_FALSE(IsUploadBlockStored(reply, 1000, 400));  // more than was sent
    EXPECT_FALSE(IsUploadBlockStored(reply, 0, 500));     // another offset

    EXPECT_FALSE(ParseUploadReply(Reply(41, 28, {0, 0, 0}).data(), 52, reply));  // wrong command
    EXPECT_FALSE(ParseUploadReply(Reply(40, 29, {0, 0, 0}).data(), 52, reply));  // wrong body length
    EXPECT_FALSE(ParseUploadReply(Reply(40, 28, {0, 0, 0}).data(), 51, reply));  // too short
    ASSERT_TRUE(ParseUploadReply(Reply(40, 28, {1, 0, 0}).data(), 52, reply));
    EXPECT_FALSE(IsUploadBlockStored(reply, 0, 100));  // refused
    ASSERT_TRUE(ParseUploadReply(Reply(40, 28, {0, 0, 0}).data(), 52, reply));
    EXPECT_FALSE(IsUploadBlockStored(reply, 0, 100));  // nothing stored
}

TEST(FileServerProtocol, DownloadReplies) {
    constexpr uint32_t kMax = 512000;
    FileDownloadReply reply;
    ASSERT_TRUE(ParseDownloadReplyHead(Reply(41, 32 + 100, {0, 5000, 200, 100}).data(), 56, kMax, reply));
    EXPECT_EQ(reply.fileSize, 5000);
    EXPECT_EQ(reply.offset, 200);
    EXPECT_EQ(reply.dataLength, 100);
    EXPECT_TRUE(IsDownloadReplyInBounds(reply, 200, kMax));
    EXPECT_FALSE(IsDownloadReplyInBounds(reply, 0, kMax));   // data not where it was asked
    EXPECT_FALSE(IsDownloadReplyInBounds(reply, 200, 50));   // more than asked

    ASSERT_TRUE(ParseDownloadReplyHead(Reply(41, 32, {0, 5000, 5000, 0}).data(), 56, kMax, reply));
    EXPECT_TRUE(IsDownloadReplyInBounds(reply, 5000, kMax));
    ASSERT_TRUE(ParseDownloadReplyHead(Reply(41, 32 + 10, {0, 100, 95, 10}).data(), 56, kMax, reply));
    EXPECT_FALSE(IsDownloadReplyInBounds(reply, 95, kMax));  // past the file size

    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
    } bad[] = {
        {"wrong command", Reply(40, 32, {0, 0, 0, 0})},
        {"data above the cap", Reply(41, 32 + kMax + 1, {0, 1 << 30, 0, static_cast<int32_t>(kMax + 1)})},
        {"huge data length", Reply(41, 32, {0, 0, 0, 0x7FFFFFFF})},
        {"negative data length", Reply(41, 32, {0, 0, 0, -1})},
        {"negative offset", Reply(41, 32, {0, 0, -4, 0})},
        {"negative size", Reply(41, 32, {0, -1, 0, 0})},
        {"body length not matching the data", Reply(41, 32 + 99, {0, 5000, 0, 100})},
    };
    for (const auto& c : bad) EXPECT_FALSE(ParseDownloadReplyHead(c.bytes.data(), 56, kMax, reply)) << c.what;
}

}  // namespace
