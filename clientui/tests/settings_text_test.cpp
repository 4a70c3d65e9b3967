// The platform-free parts of reading settings and latest-contact files:
// which settings files are converted, kept or taken as damaged, and the
// records of "latestContact.dat" (none for a short or foreign file).
#include <clientui/LatestContactFile.h>
#include <clientui/SettingsText.h>

#include <ImEngineApi.h>
#include <SystemAnsiCodePage.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

TEST(SettingsText, FormsOfASettingsFile) {
    const clientui::CSystemAnsiCodePage codePage;
    const struct {
        const char* what;
        std::string bytes;
        SettingsFileForm form;
        std::wstring text;  // the converted text (Legacy)
    } cases[] = {
        {"UTF-16 little-endian", std::string("\xFF\xFE[\0s\0]\0", 8), SettingsFileForm::Unicode, L""},
        {"UTF-16 big-endian", std::string("\xFE\xFF\0[", 4), SettingsFileForm::Unicode, L""},
        {"empty", "", SettingsFileForm::Legacy, L""},
        {"code page 936", "k=\xC4\xE3\xBA\xC3", SettingsFileForm::Legacy, L"k=\u4F60\u597D"},
        {"UTF-8 with its mark", "\xEF\xBB\xBFk=\xE4\xBD\xA0\xF0\x9F\x98\x80", SettingsFileForm::Legacy,
         L"k=\u4F60\U0001F600"},
        {"zeros", std::string(64, '\0'), SettingsFileForm::Damaged, L""},
        {"a NUL inside text", std::string("[s]\r\nk=1\0\r\n", 11), SettingsFileForm::Damaged, L""},
        {"an invalid double-byte sequence", "k=\x81\x20", SettingsFileForm::Damaged, L""},
        {"a cut double-byte character", "k=\xC4", SettingsFileForm::Damaged, L""},
        {"an overlong UTF-8 form", "\xEF\xBB\xBFk=\xC0\xAF", SettingsFileForm::Damaged, L""},
        {"a UTF-8 surrogate", "\xEF\xBB\xBFk=\xED\xA0\x80", SettingsFileForm::Damaged, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<uint8_t> in = Bytes(c.bytes);
        std::vector<uint8_t> out;
        EXPECT_EQ(ConvertSettingsFile(in.data(), in.size(), codePage, out), c.form);
        if (c.form != SettingsFileForm::Legacy) {
            EXPECT_TRUE(out.empty());
            continue;
        }
        ASSERT_GE(out.size(), 2u);
        EXPECT_EQ(out[0], 0xFF);
        EXPECT_EQ(out[1], 0xFE);
        std::wstring text;
        for (size_t i = 2; i + 1 < out.size(); i += 2) text += static_cast<wchar_t>(out[i] | out[i + 1] << 8);
        EXPECT_EQ(text, c.text);
    }
}

std::vector<uint8_t> LatestFile(int32_t count, const std::vector<LatestContactRecord>& records) {
    LatestContactHeader header = {};
    header.date = 20261210;
    header.time = 101112;
    header.count = count;
    std::vector<uint8_t> bytes(sizeof header);
    std::memcpy(bytes.data(), &header, sizeof header);
    for (const LatestContactRecord& r : records) {
        const uint8_t* p = reinterpret_cast<const uint8_t*>(&r);
        bytes.insert(bytes.end(), p, p + sizeof r);
    }
    return bytes;
}

TEST(LatestContactFile, RecordsOrNoneForAShortOrForeignFile) {
    const std::vector<LatestContactRecord> two = {{7, 1, 20261209, 81500}, {9, 1, 20261210, 101112}};
    std::vector<uint8_t> cut = LatestFile(2, two);
    cut.pop_back();
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        bool ok;
        size_t records;
    } cases[] = {
        {"two records", LatestFile(2, two), true, 2},
        {"no records", LatestFile(0, {}), true, 0},
        {"fewer counted than present", LatestFile(1, two), true, 1},
        {"the second record cut", cut, false, 0},
        {"count above the records", LatestFile(0x7FFFFFFF, two), false, 0},
        {"negative count", LatestFile(-1, two), false, 0},
        {"short header", std::vector<uint8_t>(100, 0), false, 0},
        {"empty", {}, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<LatestContact> out = {{1, 2, 3}};
        EXPECT_EQ(ParseLatestContacts(c.bytes.data(), c.bytes.size(), out), c.ok);
        ASSERT_EQ(out.size(), c.records);
        if (c.records) {
            EXPECT_EQ(out[0].peerId, 7);
            EXPECT_EQ(out[0].date, 20261209);
            EXPECT_EQ(out[0].time, 81500);
        }
    }
}

}  // namespace
