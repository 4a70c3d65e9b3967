// The Win32 ports: files with wide paths (also outside the ANSI code page),
// the sharing the history files need, and the ANSI code page (936 here).
#include <windows.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "HistoryFiles.h"
#include "Win32CodePage.h"
#include "Win32FileSystem.h"

namespace {

using engine::FileOpen;

class Win32Files : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        // A Thai letter: outside code page 936.
        root_ = std::wstring(temp) + L"qv-ports-" + std::to_wstring(GetCurrentProcessId()) + L"\\\u0E01\u0E02\\";
    }
    engine::Win32FileSystem files_;
    std::wstring root_;
};

TEST_F(Win32Files, FoldersFilesAndMovesWorkWithWidePaths) {
    const std::wstring path = root_ + L"10001\\msg\\42\\42.msg";
    ASSERT_TRUE(files_.CreateFolders(path));
    EXPECT_TRUE(files_.Exists(root_ + L"10001\\msg\\42"));
    EXPECT_TRUE(files_.CreateFolders(path));  // again: nothing to do

    EXPECT_EQ(files_.Open(path, FileOpen::Read), nullptr);
    {
        auto file = files_.Open(path, FileOpen::ReadWriteCreate);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(file->Size(), 0);
        EXPECT_EQ(file->WriteAt(0, "header--", 8), 8u);
        EXPECT_EQ(file->WriteAt(8, "record", 6), 6u);
        // A reader may open the file while it is being written.
        auto reader = files_.Open(path, FileOpen::Read);
        ASSERT_NE(reader, nullptr);
        char buffer[16] = {};
        EXPECT_EQ(reader->ReadAt(8, buffer, sizeof buffer), 6u);
        EXPECT_EQ(std::string(buffer), "record");
        EXPECT_TRUE(file->Truncate(8));
        EXPECT_EQ(file->Size(), 8);
    }
    const std::wstring copy = root_ + L"copy.msg";
    const std::wstring moved = root_ + L"moved.bad";
    EXPECT_TRUE(files_.Copy(path, copy));
    EXPECT_TRUE(files_.Copy(path, copy));  // replaces
    EXPECT_TRUE(files_.Rename(copy, moved));
    EXPECT_FALSE(files_.Exists(copy));
    EXPECT_TRUE(files_.Copy(path, copy));
    EXPECT_TRUE(files_.Rename(copy, moved));  // replaces
    EXPECT_TRUE(files_.Delete(moved));
    EXPECT_FALSE(files_.Exists(moved));
    EXPECT_TRUE(files_.Delete(path));
}

// The records a reader finds in a history file, opened as the clients'
// history views open it (shared for reading and writing).
int RecordsInFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    std::string bytes(1 << 16, '\0');
    DWORD read = 0;
    if (!ReadFile(file, &bytes[0], DWORD(bytes.size()), &read, nullptr)) read = 0;
    CloseHandle(file);
    bytes.resize(read);
    MsgFileHeader header{};
    if (bytes.size() < sizeof header) return -1;
    std::memcpy(&header, bytes.data(), sizeof header);
    int records = 0;
    for (size_t at = sizeof header; bytes.size() - at >= sizeof(MsgRecordHead); ++records) {
        MsgRecordHead head{};
        std::memcpy(&head, bytes.data() + at, sizeof head);
        at += sizeof head + size_t(head.textLength);
        if (at > bytes.size()) return -1;
    }
    return header.count == records ? records : -1;
}

TEST_F(Win32Files, AHistoryFileKeptOpenIsReadableAfterEveryAppendAndFreedByCloseFiles) {
    engine::HistoryFiles history(engine::EngineVariant::Messenger, files_);
    const std::wstring path = history.ChatHistoryPath(root_, 10001, 42);
    for (int i = 0; i < 3; ++i) {
        TextMsgRecord msg{};
        msg.date = 20261210;
        msg.time = 95539000 + i;
        msg.senderId = 42;
        msg.receiverId = 10001;
        std::strcpy(msg.text, "kept open");
        ASSERT_TRUE(history.AppendMsgRecord(msg, path, engine::HistoryFiles::AppendRule::KeepAll));
        EXPECT_EQ(RecordsInFile(path), i + 1);
    }
    EXPECT_EQ(history.OpenFiles(), 1u);
    // Open without delete sharing: nobody moves the file under the engine,
    // so its path keeps naming the open file.
    const std::wstring moved = path + L".moved";
    EXPECT_FALSE(MoveFileExW(path.c_str(), moved.c_str(), MOVEFILE_REPLACE_EXISTING));
    history.CloseFiles();
    EXPECT_EQ(history.OpenFiles(), 0u);
    EXPECT_TRUE(MoveFileExW(path.c_str(), moved.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_TRUE(files_.Delete(moved));
}

TEST(Win32CodePageTest, ConvertsThroughCodePage936) {
    ASSERT_EQ(GetACP(), 936u);
    engine::Win32CodePage codePage;
    const std::string online = codePage.ToAnsi(L"\u5728\u7EBF");  // the status text "online"
    EXPECT_EQ(online, "\xD4\xDA\xCF\xDF");
    EXPECT_EQ(codePage.FromAnsi(online), L"\u5728\u7EBF");
    EXPECT_TRUE(codePage.IsLeadByte(0xD4));
    EXPECT_FALSE(codePage.IsLeadByte('a'));
    EXPECT_EQ(codePage.ToAnsi(L""), "");
    EXPECT_EQ(codePage.FromAnsi(nullptr, 5), L"");
}

}  // namespace
