// The host file system, code page and clocks that the engine core is tested on.
#include <gtest/gtest.h>

#include "HostPorts.h"
#include "TempFolder.h"

namespace {

using engine::FileOpen;
using enginetest::ReadBytes;
using enginetest::TempFolder;
using enginetest::WriteBytes;

class StdFileSystemTest : public ::testing::Test {
protected:
    TempFolder temp;
    engine::StdFileSystem files;
};

TEST_F(StdFileSystemTest, ReadWriteCreateCreatesAMissingFileAndNeverTruncates) {
    const std::wstring path = temp.Path() + L"a.bin";
    {
        auto file = files.Open(path, FileOpen::ReadWriteCreate);
        ASSERT_TRUE(file);
        EXPECT_EQ(file->Size(), 0);
        EXPECT_EQ(file->WriteAt(0, "hello", 5), 5u);
    }
    {
        auto file = files.Open(path, FileOpen::ReadWriteCreate);
        ASSERT_TRUE(file);
        EXPECT_EQ(file->Size(), 5);
        // Absolute offsets: a write past the end leaves a zero gap.
        EXPECT_EQ(file->WriteAt(8, "XY", 2), 2u);
        EXPECT_EQ(file->WriteAt(1, "E", 1), 1u);
        char buffer[16] = {};
        EXPECT_EQ(file->ReadAt(0, buffer, sizeof buffer), 10u);  // short read at the end
        EXPECT_EQ(std::string(buffer, 10), std::string("hEllo\0\0\0XY", 10));
        EXPECT_EQ(file->ReadAt(10, buffer, 4), 0u);
        EXPECT_EQ(file->ReadAt(-1, buffer, 4), 0u);
    }
    EXPECT_EQ(ReadBytes(files, path), std::string("hEllo\0\0\0XY", 10));
}

TEST_F(StdFileSystemTest, ReadModeNeedsAnExistingFileAndDoesNotWrite) {
    const std::wstring path = temp.Path() + L"r.bin";
    EXPECT_FALSE(files.Open(path, FileOpen::Read));
    EXPECT_FALSE(files.Exists(path));
    ASSERT_TRUE(WriteBytes(files, path, "abc"));
    auto file = files.Open(path, FileOpen::Read);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->WriteAt(0, "x", 1), 0u);
    file.reset();
    EXPECT_EQ(ReadBytes(files, path), "abc");
}

TEST_F(StdFileSystemTest, TruncateCutsTheFile) {
    const std::wstring path = temp.Path() + L"t.bin";
    auto file = files.Open(path, FileOpen::ReadWriteCreate);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->WriteAt(0, "123456", 6), 6u);
    EXPECT_TRUE(file->Truncate(2));
    EXPECT_EQ(file->Size(), 2);
    file.reset();
    EXPECT_EQ(ReadBytes(files, path), "12");
}

TEST_F(StdFileSystemTest, FoldersAreCreatedUpToTheLastBackslash) {
    // A folder name outside the ANSI code page works too.
    const std::wstring path = temp.Path() + L"1\\msg\\\u4E2D\u6587\u0E01\\7.msg";
    EXPECT_TRUE(files.CreateFolders(path));
    EXPECT_TRUE(files.CreateFolders(path));  // already there
    EXPECT_FALSE(files.Exists(path));
    ASSERT_TRUE(WriteBytes(files, path, "x"));
    EXPECT_TRUE(files.Exists(path));
    EXPECT_TRUE(files.Exists(temp.Path() + L"1\\msg"));
}

TEST_F(StdFileSystemTest, CopyRenameAndDeleteReplaceTheirTarget) {
    const std::wstring a = temp.Path() + L"a.txt";
    const std::wstring b = temp.Path() + L"b.txt";
    const std::wstring c = temp.Path() + L"c.txt";
    ASSERT_TRUE(WriteBytes(files, a, "first"));
    ASSERT_TRUE(WriteBytes(files, b, "second, longer"));

    EXPECT_TRUE(files.Copy(a, b));
    EXPECT_EQ(ReadBytes(files, b), "first");
    EXPECT_EQ(ReadBytes(files, a), "first");

    ASSERT_TRUE(WriteBytes(files, c, "third"));
    EXPECT_TRUE(files.Rename(c, a));
    EXPECT_FALSE(files.Exists(c));
    EXPECT_EQ(ReadBytes(files, a), "third");

    EXPECT_TRUE(files.Delete(a));
    EXPECT_FALSE(files.Exists(a));
    EXPECT_FALSE(files.Delete(a));
    EXPECT_FALSE(files.Copy(a, c));
    EXPECT_FALSE(files.Rename(a, c));
}

// Whether a path still names an open file: the C library on Windows cannot
// tell (always no); elsewhere the file's identity decides.
TEST_F(StdFileSystemTest, AnOpenFileTellsWhetherItsPathStillNamesIt) {
    const std::wstring path = temp.Path() + L"f.msg";
    const std::wstring moved = temp.Path() + L"f.msg.bad";
    auto file = files.Open(path, FileOpen::ReadWriteCreate);
    ASSERT_NE(file, nullptr);
#ifdef _WIN32
    EXPECT_FALSE(file->StillAt(path));
#else
    EXPECT_TRUE(file->StillAt(path));
    EXPECT_FALSE(file->StillAt(moved));
    ASSERT_TRUE(files.Rename(path, moved));
    EXPECT_FALSE(file->StillAt(path)) << "moved aside";
    EXPECT_TRUE(file->StillAt(moved));
    ASSERT_TRUE(WriteBytes(files, path, "new"));
    EXPECT_FALSE(file->StillAt(path)) << "another file at the path";
    ASSERT_TRUE(files.Delete(moved));
    EXPECT_FALSE(file->StillAt(moved)) << "deleted";
#endif
}

TEST(GbkCodePage, ConvertsBothWays) {
    struct Case {
        std::wstring wide;
        std::string ansi;
    };
    const Case cases[] = {
        {L"", ""},
        {L"abc 123", "abc 123"},
        {L"\u5BC6\u7801", "\xC3\xDC\xC2\xEB"},                          // the password text
        {L"\u767B\u5F55\u6210\u529F", "\xB5\xC7\xC2\xBC\xB3\xC9\xB9\xA6"},  // a log text
        {L"id:42 \u4E2D\u6587.", "id:42 \xD6\xD0\xCE\xC4."},
    };
    engine::GbkCodePage codePage;
    for (const Case& c : cases) {
        EXPECT_EQ(codePage.ToAnsi(c.wide), c.ansi);
        EXPECT_EQ(codePage.FromAnsi(c.ansi), c.wide);
    }
}

TEST(GbkCodePage, CharacterOutsideTheCodePageBecomesAQuestionMark) {
    engine::GbkCodePage codePage;
    EXPECT_EQ(codePage.ToAnsi(L"a\u0E01b"), "a?b");
}

TEST(GbkCodePage, LeadBytes) {
    engine::GbkCodePage codePage;
    const struct {
        unsigned char byte;
        bool lead;
    } cases[] = {{0x00, false}, {0x41, false}, {0x7F, false}, {0x80, false},
                 {0x81, true},  {0xC3, true},  {0xFE, true},  {0xFF, false}};
    for (const auto& c : cases) EXPECT_EQ(codePage.IsLeadByte(c.byte), c.lead) << int(c.byte);
}

TEST(Clocks, FixedClockStandsStillUntilSet) {
    engine::LocalTime t;
    t.year = 2026;
    t.month = 12;
    t.day = 10;
    t.hour = 9;
    t.minute = 5;
    t.second = 7;
    engine::FixedClock clock(t);
    EXPECT_EQ(clock.Now().Date(), 20261210);
    EXPECT_EQ(clock.Now().Hhmmss(), 90507);
    t.second = 8;
    clock.Set(t);
    EXPECT_EQ(clock.Now().Hhmmss(), 90508);
}

TEST(Clocks, SystemClockGivesAPlausibleLocalTime) {
    const engine::LocalTime now = engine::SystemClock().Now();
    EXPECT_GE(now.year, 2020);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    EXPECT_GE(now.day, 1);
    EXPECT_LE(now.day, 31);
    EXPECT_LE(now.hour, 23);
    EXPECT_LE(now.minute, 59);
    EXPECT_LE(now.second, 60);
    EXPECT_LE(now.millisecond, 999);
}

}  // namespace
