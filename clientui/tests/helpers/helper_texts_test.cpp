// Status names, file-size texts, picture names and the failed-message notice.
#include "clientui/FailedMessageText.h"
#include "clientui/FileIcon.h"
#include "clientui/FileSizeText.h"
#include "clientui/PictureFile.h"
#include "clientui/StatusName.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cwctype>
#include <set>

namespace {

// Decision logic: the notice names the message by the fields of its own time
// word. A word that is no time of day (negative) keeps its signs, so it is
// never shown as the time of another message (-143005250 is not 14:30:05).
TEST(FailedMessageText, TheNoticeShowsTheFieldsOfTheTimeWord) {
    const struct {
        int32_t timeWord;
        const wchar_t* clock;
    } cases[] = {
        {143005250, L"14:30:05"},   {0, L"00:00:00"},          {235959999, L"23:59:59"},
        {90100500, L"09:01:00"},    {999, L"00:00:00"},        {-143005250, L"-14:-30:-5"},
        {-1000, L"00:00:-1"},       {INT32_MIN, L"-214:-74:-83"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(clientui::FailedMessageText(c.timeWord),
                  std::wstring(L"由于网络原因，您") + c.clock + L"的消息没有发送成功:(")
            << c.timeWord;
}

TEST(StatusName, EveryStatusHasItsText) {
    const struct {
        int status;
        const wchar_t* text;
    } cases[] = {
        {0, L"\u5728\u7EBF"},             {1, L"\u5FD9\u788C"}, {2, L"\u79BB\u5F00"},
        {3, L"\u8BF7\u52FF\u6253\u6270"}, {4, L"\u9690\u8EAB"}, {5, L"\u79BB\u7EBF"},
        {-1, L"\u79BB\u7EBF"},            {6, L"\u79BB\u7EBF"}, {1000, L"\u79BB\u7EBF"},
    };
    for (const auto& c : cases) {
        std::wstring text = L"old";
        GetStatusName(c.status, text);
        EXPECT_EQ(text, c.text) << "status " << c.status;
    }
}

TEST(StatusName, TheMessengerReadsAnUnknownStatusAsOnline) {
    const struct {
        int status;
        const wchar_t* text;
    } cases[] = {
        {0, L"\u5728\u7EBF"}, {4, L"\u9690\u8EAB"}, {5, L"\u79BB\u7EBF"},
        {7, L"\u5728\u7EBF"}, {-1, L"\u5728\u7EBF"},
    };
    for (const auto& c : cases) {
        std::wstring text;
        GetStatusName(c.status, text, 0);
        EXPECT_EQ(text, c.text) << "status " << c.status;
    }
}

TEST(FileSizeText, ThresholdsAndRounding) {
    const struct {
        uint32_t bytes;
        const wchar_t* text;
    } cases[] = {
        {0, L"0\u5B57\u8282"},
        {999, L"999\u5B57\u8282"},
        {1000, L"0.98KB"},
        {1024, L"1.00KB"},
        {1023999, L"1000.00KB"},
        {1024000, L"1.00MB"},
        {1536000, L"1.50MB"},
        {4294967295u, L"4194.30MB"},  // read as unsigned, never negative
    };
    for (const auto& c : cases) {
        std::wstring text;
        FormatFileSize(c.bytes, text);
        EXPECT_EQ(text, c.text) << c.bytes << " bytes";
    }
}

TEST(FileSizeText, TheMessengersThresholdsAndOneDecimal) {
    const struct {
        uint32_t bytes;
        const wchar_t* text;
    } cases[] = {
        {0, L"0\u5B57\u8282"},
        {1023, L"1023\u5B57\u8282"},
        {1024, L"1.0KB"},
        {1536, L"1.5KB"},
        {1048575, L"1024.0KB"},
        {1048576, L"1.0MB"},
        {4294967295u, L"4096.0MB"},
    };
    for (const auto& c : cases) {
        std::wstring text;
        FormatFileSize(c.bytes, text, kMessengerFileSizeScale);
        EXPECT_EQ(text, c.text) << c.bytes << " bytes";
    }
}

TEST(FileIcon, TheShellsIconOfAFileNameWhetherTheFileExistsOrNot) {
    SHFILEINFOW info = {};
    const int index = GetFileIconIndex(L"C:\\nowhere\\report.txt", info);
    EXPECT_GE(index, 0);
    EXPECT_EQ(index, info.iIcon);
    EXPECT_NE(info.hIcon, nullptr) << "an icon handle for the caller";
    if (info.hIcon) ::DestroyIcon(info.hIcon);
}

TEST(PictureName, FormatOfDayAndIdentifier) {
    const UUID id = {0x0000ABCD, 0x12AB, 0xCDEF, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0xFE, 0xFF}};
    // Month and day, the 32-bit part, the 16-bit parts (the second in lower
    // case) and the first six final bytes; the last two are not used.
    EXPECT_EQ(FormatImageFileName(1, 2, id), L"01020000ABCD12ABcdef010203040506");
    const UUID high = {0xFFFFFFFF, 0xFFFF, 0xABCD, {0xAB, 0xCD, 0xEF, 0x00, 0x10, 0x20, 0, 0}};
    EXPECT_EQ(FormatImageFileName(12, 31, high), L"1231FFFFFFFFFFFFabcdABCDEF001020");
}

TEST(PictureName, NewNamesAreDistinctAndOfTheFixedForm) {
    std::set<std::wstring> names;
    for (int i = 0; i < 50; ++i) {
        std::wstring name;
        ASSERT_EQ(MakeImageFileName(name), 1);
        ASSERT_EQ(name.size(), 32u) << name;
        for (wchar_t c : name) EXPECT_TRUE(std::iswxdigit(c)) << name;
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 50u);
}

}  // namespace
