// The history manager's decisions without a window, on small history and
// latest-contact files written in the engine's format: the pages, the date
// jump, the search with its date cut-off, damaged files, "latestContact.dat",
// the tree's texts and the reply editor's limit.
#include "HistoryFixture.h"
#include "HistoryPageBook.h"
#include "IMEditReplyPanel.h"
#include "IMMsgMgrModel.h"

#include "SystemAnsiCodePage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using historytest::FixtureRecord;
using historytest::HistoryBytes;
using historytest::MessageText;
using historytest::WriteBytes;

namespace {

constexpr int32_t kOwn = 10001;
constexpr int32_t kPeer = 10002;

class MsgMgrFiles : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        m_folder = std::wstring(temp) + L"im_msgmgr_" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
        ::CreateDirectoryW(m_folder.c_str(), nullptr);
    }
    void TearDown() override {
        // Only what the tests wrote.
        ::DeleteFileW(CIMMsgMgrModel::HistoryPath(m_folder, kOwn, kPeer).c_str());
        ::DeleteFileW((CIMMsgMgrModel::HistoryPath(m_folder, kOwn, kPeer) + L".bad").c_str());
        ::DeleteFileW(CIMMsgMgrModel::LatestContactPath(m_folder, kOwn).c_str());
        ::RemoveDirectoryW((m_folder + L"10001\\msg\\10002").c_str());
        ::RemoveDirectoryW((m_folder + L"10001\\msg").c_str());
        ::RemoveDirectoryW((m_folder + L"10001").c_str());
        ::RemoveDirectoryW(m_folder.c_str());
    }
    // Writes the peer's history in the messenger's layout and loads it.
    bool LoadHistory(CHistoryPageBook& book, const std::vector<uint8_t>& bytes) {
        const std::wstring path = CIMMsgMgrModel::HistoryPath(m_folder, kOwn, kPeer);
        ::CreateDirectoryW((m_folder + L"10001").c_str(), nullptr);
        ::CreateDirectoryW((m_folder + L"10001\\msg").c_str(), nullptr);
        ::CreateDirectoryW((m_folder + L"10001\\msg\\10002").c_str(), nullptr);
        if (!WriteBytes(path, bytes)) return false;
        return book.Load(path);
    }
    std::wstring m_folder;
};

// count records, record i dated days[i] when given, else 20240101.
std::vector<FixtureRecord> Records(int count, const std::vector<int32_t>& days = {}) {
    std::vector<FixtureRecord> records;
    for (int i = 0; i < count; ++i) {
        FixtureRecord r{i < static_cast<int>(days.size()) ? days[static_cast<size_t>(i)] : 20240101,
                        10 * 10000000 + (i % 60) * 1000, i % 2 ? kOwn : kPeer, i % 2 ? kPeer : kOwn, 0,
                        MessageText("message " + std::to_string(i))};
        records.push_back(r);
    }
    return records;
}

}  // namespace

TEST(MsgMgrPages, PageRangesCountFromOneAndShowTheNewestLast) {
    struct Case {
        int count;
        int pages;
        int firstEnd;   // page 1 is [0, firstEnd)
        int lastStart;  // the last page is [lastStart, count)
    } const cases[] = {
        {0, 1, 0, 0}, {1, 1, 1, 0}, {59, 1, 59, 0}, {60, 1, 60, 0},
        {61, 2, 1, 1}, {120, 2, 60, 60}, {121, 3, 1, 61},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        EXPECT_EQ(c.pages, CHistoryPageBook::PageCountFor(c.count));
        int start = -1, end = -1;
        ASSERT_TRUE(CHistoryPageBook::PageRange(c.count, 1, &start, &end));
        EXPECT_EQ(0, start);
        EXPECT_EQ(c.firstEnd, end);
        ASSERT_TRUE(CHistoryPageBook::PageRange(c.count, c.pages, &start, &end));
        EXPECT_EQ(c.lastStart, start);
        EXPECT_EQ(c.count, end);
        // No page 0, none past the last.
        EXPECT_FALSE(CHistoryPageBook::PageRange(c.count, 0, &start, &end));
        EXPECT_FALSE(CHistoryPageBook::PageRange(c.count, c.pages + 1, &start, &end));
    }
    // The pager stays on the first and the last page.
    EXPECT_EQ(1, CIMMsgMgrModel::PreviousPage(1));
    EXPECT_EQ(2, CIMMsgMgrModel::NextPage(2, 2));
    EXPECT_EQ(2, CIMMsgMgrModel::NextPage(1, 2));
}

TEST_F(MsgMgrFiles, DateJumpFindsThePageOfTheDaysOldestRecord) {
    struct Case {
        int count;
        int dayIndex;  // the one record dated 20240305
        int page;
    } const cases[] = {
        {61, 0, 1}, {61, 1, 2}, {61, 60, 2}, {60, 0, 1}, {120, 59, 1},
        {120, 60, 2},  // n = 60: the last page
        {121, 0, 1}, {121, 1, 2}, {121, 60, 2}, {121, 61, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << " records, day at " << c.dayIndex);
        std::vector<int32_t> days(static_cast<size_t>(c.count), 20240101);
        for (int i = c.dayIndex; i < c.count; ++i) days[static_cast<size_t>(i)] = 20240305 + (i > c.dayIndex ? 1 : 0);
        CHistoryPageBook book;
        ASSERT_TRUE(LoadHistory(book, HistoryBytes(Records(c.count, days))));
        int page = 0;
        EXPECT_EQ(CIMMsgMgrModel::kJumpPage, CIMMsgMgrModel::JumpToDate(book, 20240305, &page));
        EXPECT_EQ(c.page, page);
        int start = 0, end = 0;
        ASSERT_TRUE(CHistoryPageBook::PageRange(c.count, page, &start, &end));
        EXPECT_LE(start, c.dayIndex);
        EXPECT_GT(end, c.dayIndex);
        // A day without records, and no history at all.
        EXPECT_EQ(CIMMsgMgrModel::kJumpNoDay, CIMMsgMgrModel::JumpToDate(book, 20240105, &page));
    }
    CHistoryPageBook none;
    int page = 7;
    EXPECT_EQ(CIMMsgMgrModel::kJumpNoHistory, CIMMsgMgrModel::JumpToDate(none, 20240105, &page));
    EXPECT_EQ(0, page);
    EXPECT_EQ(L"没有找到20240105这天的记录！", CIMMsgMgrModel::NoDayText(20240105));
}

TEST_F(MsgMgrFiles, SearchMatchesTheTextBeforeAndAfterThePictureFromTheCutOff) {
    // "<format|1|10|255|Arial|/format>" + body, the picture at its position.
    const std::string prefix = "<format|1|10|255|Arial|/format>";
    std::vector<FixtureRecord> records = {
        {20240301, 100000000, kPeer, kOwn, 0, prefix + "abc before x<pic/12/a.jpg/pic>"},   // 0: before the tag
        {20240302, 100000000, kPeer, kOwn, 0, prefix + "x after abc<pic/0/b.jpg/pic>"},     // 1: after the picture
        {20240303, 100000000, kOwn, kPeer, 0, prefix + "ab cd<pic/2/c.jpg/pic>"},            // 2: "b c" across it
        {20240304, 100000000, kOwn, kPeer, 0, prefix + "plain text"},                        // 3: "Arial" only in the prefix
        {20240305, 100000000, kPeer, kOwn, 0, prefix + "tail <pic/5/d.jpg/pic>abc"},         // 4: after the tag: not shown
        {20240308, 100000000, kPeer, kOwn, 0, prefix + "abc on the cut-off day"},            // 5
        {20240307, 100000000, kPeer, kOwn, 0, prefix + "abc the day before"},                // 6
    };
    CHistoryPageBook book;
    ASSERT_TRUE(LoadHistory(book, HistoryBytes(records)));
    struct Case {
        const wchar_t* keyword;
        int32_t cutOff;
        std::vector<int> hits;
    } const cases[] = {
        {L"abc", 0, {0, 1, 5, 6}},
        {L"after", 0, {1}},
        {L"b c", 0, {}},
        {L"bcd", 0, {}},
        {L"Arial", 0, {}},
        {L"format", 0, {}},
        {L"abc", 20240308, {5}},
        {L"abc", 20240307, {5, 6}},
        {L"abc", 20240309, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.cutOff);
        EXPECT_EQ(c.hits, book.FindRecordsSince(c.keyword, c.cutOff));
    }
    // The hits' page: date and time in each header, every header blue.
    CHistoryPageBook::Style style;
    style.headerPoints = 0;
    const std::vector<int> hits = book.FindRecordsSince(L"abc", 0);
    const std::vector<HistoryPiece> page = book.BuildHitPage(
        hits, 1, [](int32_t, std::wstring*) { return false; }, style);
    ASSERT_FALSE(page.empty());
    EXPECT_EQ(L"10002  2024-03-01  10:00:00\n", page[0].text);
    EXPECT_EQ(CHistoryPageBook::kOtherColour, page[0].colour);
    EXPECT_EQ(0, page[0].sizePoints);
}

TEST(MsgMgrSearch, CutOffDatesCountWholeDaysBack) {
    SYSTEMTIME now = {};
    now.wYear = 2024;
    now.wMonth = 3;
    now.wDay = 8;
    now.wHour = 23;
    now.wMinute = 59;
    EXPECT_EQ(20240301, CIMMsgMgrModel::CutOffDate(CIMMsgMgrModel::kRangeWeek, now));
    EXPECT_EQ(20231209, CIMMsgMgrModel::CutOffDate(CIMMsgMgrModel::kRangeQuarter, now));
    EXPECT_EQ(20230309, CIMMsgMgrModel::CutOffDate(CIMMsgMgrModel::kRangeYear, now));  // 2024 is a leap year
    EXPECT_EQ(0, CIMMsgMgrModel::CutOffDate(CIMMsgMgrModel::kRangeAll, now));
    EXPECT_EQ(0, CIMMsgMgrModel::CutOffDate(-1, now));
}

TEST_F(MsgMgrFiles, DamagedHistoriesShowTheWholeRecordsTheyHold) {
    // The header promises 5 records; the bytes end inside the third.
    std::vector<uint8_t> bytes = HistoryBytes(Records(3), 5);
    bytes.resize(bytes.size() - 4);
    CHistoryPageBook book;
    ASSERT_TRUE(LoadHistory(book, bytes));
    EXPECT_EQ(2, book.GetRecordCount());
    EXPECT_TRUE(book.WasDamaged());
    EXPECT_EQ(1, book.GetPageCount());
    EXPECT_EQ(1, book.FindFirstRecordOn(20240101) + 1);

    // A record whose text length runs far past the file: nothing past it.
    std::vector<FixtureRecord> records = Records(3);
    bytes = HistoryBytes(records);
    const size_t second = sizeof(MsgFileHeader) + sizeof(MsgRecordHead) + records[0].text.size();
    const int32_t huge = 0x7FFFFFF0;
    std::memcpy(bytes.data() + second + offsetof(MsgRecordHead, textLength), &huge, sizeof huge);
    ASSERT_TRUE(LoadHistory(book, bytes));
    EXPECT_EQ(1, book.GetRecordCount());
    EXPECT_TRUE(book.WasDamaged());
    EXPECT_EQ(std::vector<int>{0}, book.FindRecordsSince(L"message", 0));

    // A negative count: nothing.
    bytes = HistoryBytes(Records(2));
    const int32_t negative = -2;
    std::memcpy(bytes.data() + offsetof(MsgFileHeader, count), &negative, sizeof negative);
    ASSERT_TRUE(LoadHistory(book, bytes));
    EXPECT_EQ(0, book.GetRecordCount());
    EXPECT_TRUE(book.FindRecordsSince(L"message", 0).empty());

    // A wrong marker: nothing is shown and the file is kept (moved aside).
    EXPECT_FALSE(LoadHistory(book, HistoryBytes(Records(2), -1, 21)));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES,
              ::GetFileAttributesW((CIMMsgMgrModel::HistoryPath(m_folder, kOwn, kPeer) + L".bad").c_str()));
}

TEST_F(MsgMgrFiles, APageShowsDateLinesOwnNamesInGreenAndStrangersById) {
    std::vector<FixtureRecord> records = {
        {20240301, 101112000, kOwn, kPeer, 0, MessageText("mine")},
        {20240302, 131415000, 777, kOwn, 0, MessageText("a stranger", "p.jpg")},
    };
    CHistoryPageBook book;
    ASSERT_TRUE(LoadHistory(book, HistoryBytes(records)));
    CIMMsgMgrModel model;
    model.SetFriends(kOwn, L"我", {{L"朋友", {{kPeer, 0, L"小王"}}}});
    CHistoryPageBook::Style style;
    style.headerPoints = 0;
    const auto names = [&model](int32_t id, std::wstring* name) { return model.GetNickName(id, name); };
    const std::vector<HistoryPiece> page = book.BuildPage(1, kOwn, names, style);
    std::vector<std::wstring> coloured;
    for (const HistoryPiece& piece : page)
        if (piece.kind == HistoryPiece::kColoured) coloured.push_back(piece.text);
    const std::wstring dash = std::wstring(58, L'-') + L"\n";
    const std::vector<std::wstring> expected = {dash, L"日期：2024-03-01\n", dash, L"我  10:11:12\n", L"    ",
                                                dash, L"日期：2024-03-02\n", dash, L"777  13:14:15\n", L"    "};
    EXPECT_EQ(expected, coloured);
    EXPECT_EQ(CHistoryPageBook::kOwnColour, page[3].colour);
    EXPECT_EQ(CHistoryPageBook::kOtherColour, page[8].colour);
    EXPECT_EQ(HistoryPiece::kPicture, page[page.size() - 2].kind);
    EXPECT_EQ(L"p.jpg", page[page.size() - 2].name);
}

TEST(MsgMgrLatestContacts, TheFileIsReadAsFarAsItsBytesGo) {
    const auto file = [](int32_t count, const std::vector<LatestContactRecord>& records) {
        LatestContactHeader header = {};
        header.count = count;
        std::vector<uint8_t> bytes(reinterpret_cast<const uint8_t*>(&header),
                                   reinterpret_cast<const uint8_t*>(&header) + sizeof header);
        for (const LatestContactRecord& r : records)
            bytes.insert(bytes.end(), reinterpret_cast<const uint8_t*>(&r),
                         reinterpret_cast<const uint8_t*>(&r) + sizeof r);
        return bytes;
    };
    const std::vector<LatestContactRecord> two = {{kPeer, 1, 20240305, 93007}, {777, 1, 20231231, 235959}};
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        size_t kept;
    } cases[] = {
        {"whole", file(2, two), 2},
        {"count above the records", file(1000000, two), 2},
        {"count below the records", file(1, two), 1},
        {"count 0", file(0, two), 0},
        {"negative count", file(-5, two), 0},
        {"half a record", file(2, two), 1},
        {"short header", std::vector<uint8_t>(100, 0), 0},
        {"empty", {}, 0},
    };
    cases[5].bytes.resize(cases[5].bytes.size() - 8);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.kept, CIMMsgMgrModel::ParseLatestContacts(c.bytes.data(), c.bytes.size()).size());
    }
    CIMMsgMgrModel model;
    model.SetLatestContacts(CIMMsgMgrModel::ParseLatestContacts(cases[0].bytes.data(), cases[0].bytes.size()));
    EXPECT_EQ(L"2024-03-05 09:30:07", model.GetLastContactTime(kPeer));
    EXPECT_EQ(L"2023-12-31 23:59:59", model.GetLastContactTime(777));
    EXPECT_EQ(L"", model.GetLastContactTime(4242));
}

TEST_F(MsgMgrFiles, TheLatestContactFileIsReadFromTheAccountsFolder) {
    CIMMsgMgrModel model;
    EXPECT_EQ(0u, model.LoadLatestContacts(CIMMsgMgrModel::LatestContactPath(m_folder, kOwn)));
    LatestContactHeader header = {};
    header.count = 1;
    LatestContactRecord record = {kPeer, 1, 20240305, 93007};
    std::vector<uint8_t> bytes(reinterpret_cast<uint8_t*>(&header), reinterpret_cast<uint8_t*>(&header) + sizeof header);
    bytes.insert(bytes.end(), reinterpret_cast<uint8_t*>(&record), reinterpret_cast<uint8_t*>(&record) + sizeof record);
    ::CreateDirectoryW((m_folder + L"10001").c_str(), nullptr);
    ::CreateDirectoryW((m_folder + L"10001\\msg").c_str(), nullptr);
    ASSERT_TRUE(WriteBytes(CIMMsgMgrModel::LatestContactPath(m_folder, kOwn), bytes));
    EXPECT_EQ(1u, model.LoadLatestContacts(CIMMsgMgrModel::LatestContactPath(m_folder, kOwn)));
    EXPECT_EQ(L"2024-03-05 09:30:07", model.GetLastContactTime(kPeer));
    EXPECT_EQ(m_folder + L"10001\\msg\\10002\\10002.msg", CIMMsgMgrModel::HistoryPath(m_folder, kOwn, kPeer));
}

TEST(MsgMgrTree, TextsNamesAndHeaderClamps) {
    EXPECT_EQ(L"朋友(0/1)", CIMMsgMgrModel::CategoryItemText({L"朋友", {{kPeer, 1, L"小王"}}}));
    EXPECT_EQ(L"朋友(1/2)", CIMMsgMgrModel::CategoryItemText({L"朋友", {{kPeer, 0, L"a"}, {3, 5, L"b"}}}));
    EXPECT_EQ(L"小王(10002)", CIMMsgMgrModel::FriendItemText(L"小王", kPeer));
    struct IdCase {
        const wchar_t* text;
        int32_t id;
    } const ids[] = {{L"小王(10002)", 10002}, {L"a(b)(12)", 12}, {L"系统消息", 0}, {L"所有分组", 0},
                     {L"x(abc)", 0},         {L"x()", 0},       {L"x(99999999999)", 0}};
    for (const IdCase& c : ids) EXPECT_EQ(c.id, CIMMsgMgrModel::PeerIdOfItemText(c.text)) << c.text;

    CIMMsgMgrModel model;
    model.SetFriends(kOwn, L"我", {{L"朋友", {{kPeer, 0, L"小王"}}}});
    std::wstring name;
    EXPECT_TRUE(model.GetNickName(kOwn, &name));
    EXPECT_EQ(L"我", name);
    EXPECT_TRUE(model.GetNickName(kPeer, &name));
    EXPECT_EQ(L"小王", name);
    EXPECT_FALSE(model.GetNickName(777, &name));
    EXPECT_EQ(L"如果没找到就显示此昵称", name);

    EXPECT_EQ(L"与小王(10002)的消息记录", CIMMsgMgrModel::RecordTitle(L"小王(10002)"));
    EXPECT_EQ(L"没有找到与\"abc\"有关的消息", CIMMsgMgrModel::NothingFoundTitle(L"abc"));
    EXPECT_EQ(L"已经找到相关记录3条", CIMMsgMgrModel::FoundTitle(3));
    EXPECT_EQ(L"页/2页", CIMMsgMgrModel::PageCountText(2));

    struct Clamp {
        int column, width, kept;
    } const clamps[] = {{2, 50, 120}, {2, 120, 120}, {2, 121, 121}, {2, 182, 182}, {2, 183, 183},
                        {2, 400, 183}, {0, 10, 80},  {0, 150, 150}, {1, 260, 200}};
    for (const Clamp& c : clamps) EXPECT_EQ(c.kept, CIMMsgMgrModel::ClampColumnWidth(c.column, c.width));
}

TEST(MsgMgrTree, ListColumnsSortAccountsAsNumbersAndTheRestAsText) {
    struct Case {
        int column;
        const wchar_t* first;
        const wchar_t* second;
        int order;
    } const cases[] = {
        {1, L"9", L"10", -1},       {1, L"12346", L"12346", 0},  {1, L"200", L"30", 1},
        {0, L"张三", L"张三", 0},   {0, L"a", L"b", -1},
        {2, L"", L"2024-03-05 09:30:07", -1},
        {2, L"2024-03-05 09:30:07", L"2024-03-05 10:00:00", -1},
        {2, L"2024-12-01 00:00:00", L"2024-03-05 10:00:00", 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.order, CIMMsgMgrModel::CompareListTexts(c.column, c.first, c.second)) << c.first << " " << c.second;
}

TEST(MsgMgrReplyEditor, TheTextStaysWithinTheSettingsAndUnder200Bytes) {
    clientui::CSystemAnsiCodePage codePage;
    const std::wstring chinese99(99, L'中');
    struct Case {
        int kind;
        std::wstring text;
        bool fits;
    } const cases[] = {
        {kReplyKindAddAuto, std::wstring(99, L'a'), true},
        {kReplyKindAddAuto, std::wstring(100, L'a'), false},  // the settings file keeps 99
        {kReplyKindModifyAuto, chinese99, true},              // 198 bytes
        {kReplyKindModifyAuto, chinese99 + L"中", false},
        {kReplyKindAddCommon, chinese99 + L"a", true},        // 199 bytes
        {kReplyKindAddCommon, chinese99 + L"中", false},      // 200 bytes
        {kReplyKindAddAuto, L"", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.kind << " " << c.text.size());
        EXPECT_EQ(c.fits, CIMEditReplyPanel::TextFits(c.kind, c.text, codePage));
    }
}
