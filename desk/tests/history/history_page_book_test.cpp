// CHistoryPageBook: page arithmetic, the read of a generated history file
// bounded by its bytes, what a page shows, the keyword rules, and the
// rich-text stream a page is written with.
#include "HistoryPageBook.h"

#include "HistoryFixture.h"
#include "HistoryLogWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

using historytest::Conversation;
using historytest::FixtureRecord;
using historytest::HistoryBytes;
using historytest::MessageText;
using historytest::WriteBytes;

constexpr int32_t kOwn = 2001;
constexpr int32_t kPeer = 5001;

std::wstring TempPath(const wchar_t* name) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"history-book-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + name;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(HistoryPageRange, OnlyPagesOneToTheLastExistAndTheLastHoldsTheNewest) {
    struct Case {
        int count;
        int page;
        bool exists;
        int start;
        int end;
    } cases[] = {
        {60, 1, true, 0, 60},   {61, 1, true, 0, 1},    {61, 2, true, 1, 61},   {120, 1, true, 0, 60},
        {120, 2, true, 60, 120}, {130, 1, true, 0, 10}, {130, 2, true, 10, 70}, {130, 3, true, 70, 130},
        {30, 1, true, 0, 30},   {0, 1, true, 0, 0},     {61, 0, false, 0, 0},   {61, 3, false, 0, 0},
        {0, 2, false, 0, 0},    {130, -1, false, 0, 0}, {130, 4, false, 0, 0},
    };
    for (const Case& c : cases) {
        int start = -7, end = -7;
        EXPECT_EQ(c.exists, CHistoryPageBook::PageRange(c.count, c.page, &start, &end))
            << c.count << " records, page " << c.page;
        if (c.exists) {
            EXPECT_EQ(c.start, start) << c.count << "/" << c.page;
            EXPECT_EQ(c.end, end) << c.count << "/" << c.page;
        }
    }
    EXPECT_EQ(1, CHistoryPageBook::PageCountFor(0));
    EXPECT_EQ(1, CHistoryPageBook::PageCountFor(60));
    EXPECT_EQ(2, CHistoryPageBook::PageCountFor(61));
    EXPECT_EQ(6, CHistoryPageBook::PageCountFor(350));
}

class HistoryBookFile : public ::testing::Test {
protected:
    void TearDown() override {
        ::DeleteFileW(path.c_str());
        ::DeleteFileW((path + L".bad").c_str());
    }
    std::wstring path = TempPath(L"5001.msg");
    CHistoryPageBook book;
};

TEST_F(HistoryBookFile, ReadsAGeneratedHistoryOfAFewHundredRecords) {
    ASSERT_TRUE(WriteBytes(path, HistoryBytes(Conversation(350, kOwn, kPeer))));
    ASSERT_TRUE(book.Load(path));
    EXPECT_EQ(350, book.GetRecordCount());
    EXPECT_EQ(6, book.GetPageCount());
    EXPECT_FALSE(book.WasDamaged());
    EXPECT_EQ("<format|1|10|255|Arial|/format>message 348", book.GetRecord(348).text);
}

// The search takes a record whose bytes hold the keyword's bytes without
// taking it apart only when they are certainly shown text; it answers as
// the shown texts do: not for bytes that straddle two characters, nor in
// the format prefix, nor in a picture's name; after a pair whose trail
// byte is a letter, around a picture and after a prefix never closed it
// finds what the text taken apart shows.
TEST_F(HistoryBookFile, TheSearchFindsTheKeywordOnlyWhereItIsShown) {
    const std::string prefix = "<format|1|10|255|Arial|/format>";
    // GBK: 巴 B0CD, 恕 CBA1, 退 CDCB, 款 BFEE; so "巴恕" holds the bytes of 退.
    const std::vector<FixtureRecord> records = {
        {20240301, 100000000, kPeer, kOwn, 0, prefix + "\xb0\xcd\xcb\xa1"},                      // 0: 巴恕
        {20240301, 100000001, kPeer, kOwn, 0, prefix + "\xcd\xcb\xbf\xee"},                      // 1: 退款
        {20240301, 100000002, kPeer, kOwn, 0, "<format|1|10|255|\xcd\xcb|/format>plain"},      // 2: 退 the face
        {20240301, 100000003, kPeer, kOwn, 0, prefix + "\xcd" "a" "\xcd\xcb"},                  // 3: CD61, 退
        {20240301, 100000004, kPeer, kOwn, 0, prefix + "\xcd\xcb<pic/1/a.jpg/pic>"},             // 4: 退, picture
        {20240301, 100000005, kPeer, kOwn, 0, prefix + "x<pic/1/\xcd\xcb.jpg/pic>"},            // 5: 退 its name
        {20240301, 100000006, kPeer, kOwn, 0, "<format|1|10|255|Arial|\xcd\xcb"},               // 6: never closed
        {20240301, 100000007, kPeer, kOwn, 0, prefix + "\xb0\xcd\xcd\xcb"},                      // 7: 巴 then 退
    };
    ASSERT_TRUE(WriteBytes(path, HistoryBytes(records)));
    ASSERT_TRUE(book.Load(path));
    const struct {
        const wchar_t* keyword;
        std::vector<int> hits;
    } cases[] = {
        {L"\u9000", {1, 3, 4, 6, 7}},  // 退
        {L"\u5DF4", {0, 7}},           // 巴
        {L"\u6055", {0}},              // 恕
        {L"\u9000\u6B3E", {1}},        // 退款
        {L"plain", {2}},
        {L"Arial", {6}},  // shown only where the prefix is never closed
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.hits, book.FindRecords(c.keyword)) << c.hits.size();
        for (int i = 0; i < book.GetRecordCount(); ++i)
            EXPECT_EQ(std::count(c.hits.begin(), c.hits.end(), i) == 1,
                      book.RecordMatches(book.GetRecord(i), c.keyword))
                << i;
    }
}

TEST_F(HistoryBookFile, RecordsAreBoundedByTheBytesRead) {
    struct Case {
        const char* what;
        int32_t headerCount;
        size_t cut;  // bytes taken off the end
        int expected;
    } cases[] = {
        {"count promises more records than present", 500, 0, 100},
        {"last record runs past the end", -1, 5, 99},
        {"only half a head left", -1, 158 - 46, 99},  // the last record is 92 + 66 bytes
        {"count below the records present", 10, 0, 10},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = HistoryBytes(Conversation(100, kOwn, kPeer), c.headerCount);
        bytes.resize(bytes.size() - c.cut);
        ASSERT_TRUE(WriteBytes(path, bytes));
        ASSERT_TRUE(book.Load(path)) << c.what;
        EXPECT_EQ(c.expected, book.GetRecordCount()) << c.what;
        int start = 0, end = 0;
        ASSERT_TRUE(CHistoryPageBook::PageRange(book.GetRecordCount(), book.GetPageCount(), &start, &end));
        EXPECT_EQ(book.GetRecordCount(), end) << c.what;
        EXPECT_FALSE(book.BuildPage(book.GetPageCount(), kOwn, nullptr).empty()) << c.what;
    }
}

TEST_F(HistoryBookFile, UnreadableFilesLoadNothing) {
    EXPECT_FALSE(book.Load(path)) << "missing";
    EXPECT_EQ(0, book.GetPageCount());

    std::vector<uint8_t> bytes = HistoryBytes(Conversation(5, kOwn, kPeer));
    bytes.resize(100);
    ASSERT_TRUE(WriteBytes(path, bytes));
    EXPECT_FALSE(book.Load(path)) << "short header";
    EXPECT_TRUE(Exists(path)) << "a short header is left alone";

    ASSERT_TRUE(WriteBytes(path, HistoryBytes(Conversation(5, kOwn, kPeer), -1, 21)));
    EXPECT_FALSE(book.Load(path)) << "wrong marker";
    EXPECT_FALSE(Exists(path)) << "the damaged file is moved aside";
    EXPECT_TRUE(Exists(path + L".bad")) << "not deleted";
    EXPECT_EQ(0, book.GetPageCount());
    EXPECT_TRUE(book.BuildPage(1, kOwn, nullptr).empty());
}

// What the views tell the user about a file they could not read: nothing
// for a whole file or none at all; that it could not be read, wholly or
// after its first records; and the name of the damaged copy kept aside (by
// this read or an earlier one, or by the engine), also beside a newer file.
TEST_F(HistoryBookFile, TheNoticeSaysWhatCouldNotBeReadAndWhereItWasKept) {
    const std::wstring unreadable = L"消息记录文件已损坏，无法读取。";
    const std::wstring partly = L"消息记录文件已损坏，只显示了其中能读取的消息。";
    const auto aside = [](const std::wstring& name) {
        return L"损坏的消息记录文件已另存为“" + name + L"”，其中的消息无法显示。";
    };
    const std::wstring name = path.substr(path.find_last_of(L'\\') + 1);

    book.Load(path);
    EXPECT_EQ(book.GetDamageNotice(), L"") << "no file";
    ASSERT_TRUE(WriteBytes(path, HistoryBytes(Conversation(5, kOwn, kPeer))));
    book.Load(path);
    EXPECT_EQ(book.GetDamageNotice(), L"") << "a whole file";

    std::vector<uint8_t> bytes = HistoryBytes(Conversation(5, kOwn, kPeer));
    bytes.resize(bytes.size() - 5);
    ASSERT_TRUE(WriteBytes(path, bytes));
    ASSERT_TRUE(book.Load(path));
    EXPECT_EQ(book.GetDamageNotice(), partly) << "the last record cut";
    bytes.resize(100);
    ASSERT_TRUE(WriteBytes(path, bytes));
    EXPECT_FALSE(book.Load(path));
    EXPECT_EQ(book.GetDamageNotice(), unreadable) << "a short header";

    ASSERT_TRUE(WriteBytes(path, HistoryBytes(Conversation(5, kOwn, kPeer), -1, 0)));
    EXPECT_FALSE(book.Load(path));
    EXPECT_EQ(book.GetDamageNotice(), aside(name + L".bad")) << "moved aside by this read";
    EXPECT_FALSE(book.Load(path));
    EXPECT_EQ(book.GetDamageNotice(), aside(name + L".bad")) << "moved aside before";
    ASSERT_TRUE(WriteBytes(path, HistoryBytes(Conversation(5, kOwn, kPeer))));
    ASSERT_TRUE(book.Load(path));
    EXPECT_EQ(book.GetDamageNotice(), aside(name + L".bad")) << "a new file beside the copy";
    EXPECT_FALSE(book.BuildPage(1, kOwn, nullptr).empty());
    ASSERT_TRUE(WriteBytes(path, HistoryBytes(Conversation(5, kOwn, kPeer), -1, 21)));
    EXPECT_FALSE(book.Load(path));
    EXPECT_EQ(book.GetDamageNotice(), aside(name + L".1.bad")) << "the latest copy";
    ::DeleteFileW((path + L".1.bad").c_str());

    book.Clear();
    EXPECT_EQ(book.GetDamageNotice(), L"");
    const HistoryPiece piece = CHistoryPageBook::NoticePiece(unreadable);
    EXPECT_EQ(piece.text, unreadable + L"\n");
    EXPECT_EQ(piece.kind, HistoryPiece::kColoured);
}

// The blocks of a read are read into again: nothing of a larger history
// read before shows in a smaller one, and a failed read leaves nothing.
TEST_F(HistoryBookFile, EachReadHoldsOnlyItsOwnFile) {
    ASSERT_TRUE(WriteBytes(path, HistoryBytes(Conversation(350, kOwn, kPeer))));
    ASSERT_TRUE(book.Load(path));
    ASSERT_TRUE(WriteBytes(path, HistoryBytes(Conversation(3, kOwn, kPeer), 5)));
    ASSERT_TRUE(book.Load(path));
    EXPECT_EQ(3, book.GetRecordCount()) << "a count promising more finds only the bytes of this file";
    EXPECT_EQ("<format|1|10|255|Arial|/format>message 2", book.GetRecord(2).text);
    ::DeleteFileW(path.c_str());
    EXPECT_FALSE(book.Load(path));
    EXPECT_FALSE(book.IsLoaded());
    EXPECT_EQ(0, book.GetRecordCount());
    EXPECT_EQ(0, book.GetPageCount());
}

TEST_F(HistoryBookFile, AnEmptyHistoryHasOnePageShowingNothing) {
    ASSERT_TRUE(WriteBytes(path, HistoryBytes({})));
    ASSERT_TRUE(book.Load(path));
    EXPECT_EQ(1, book.GetPageCount());
    EXPECT_TRUE(book.BuildPage(1, kOwn, nullptr).empty());
}

// The texts of the pieces of one page, joined, and the colours of the
// header lines.
std::wstring Joined(const std::vector<HistoryPiece>& pieces) {
    std::wstring all;
    for (const HistoryPiece& p : pieces) all += p.kind == HistoryPiece::kPicture ? L"[" + p.name + L"]" : p.text;
    return all;
}

TEST(HistoryPage, DateLinesHeadersFontsAndPictures) {
    std::vector<FixtureRecord> records = {
        {20261101, 9 * 10000000 + 5 * 100000 + 7 * 1000 + 250, kPeer, kOwn, 0, MessageText("hello")},
        {20261101, 9 * 10000000 + 6 * 100000, kOwn, kPeer, 0, MessageText("hi")},
        {20261102, 10 * 10000000, kPeer, kOwn, 3001, MessageText("look", "p1.jpg")},
        {20261102, 10 * 10000000 + 1000, kPeer, kOwn, 0, "no prefix"},
    };
    CHistoryPageBook book;
    book.SetRecords([&] {
        std::vector<HistoryRecord> out;
        ParseAllHistoryRecords(HistoryBytes(records).data() + sizeof(MsgFileHeader),
                               HistoryBytes(records).size() - sizeof(MsgFileHeader), 4, out);
        return out;
    }());
    ASSERT_EQ(4, book.GetRecordCount());
    const std::map<int32_t, std::wstring> names = {{kPeer, L"Alice"}};
    const auto lookup = [&names](int32_t id, std::wstring* name) {
        auto it = names.find(id);
        if (it == names.end()) return false;
        *name = it->second;
        return true;
    };
    const std::vector<HistoryPiece> pieces = book.BuildPage(1, kOwn, lookup);
    const std::wstring dashes = std::wstring(58, L'-') + L"\n";
    const std::wstring expected = dashes + L"\u65E5\u671F\uFF1A2026-11-01\n" + dashes +
                                  L"Alice  09:05:07\n    hello\n" + L"2001  09:06:00\n    hi\n" + dashes +
                                  L"\u65E5\u671F\uFF1A2026-11-02\n" + dashes +
                                  L"Alice(3001\u4EE3\u56DE\u590D)  10:00:00\n    look[p1.jpg]\r\n" +
                                  L"Alice  10:00:01\n    no prefix\n";
    EXPECT_EQ(expected, Joined(pieces));

    // Header colours: own messages dark green, others blue; date lines blue.
    std::vector<COLORREF> headerColours;
    for (const HistoryPiece& p : pieces)
        if (p.kind == HistoryPiece::kColoured && p.text.find(L":") != std::wstring::npos &&
            p.text.find(L"\u65E5") == std::wstring::npos)
            headerColours.push_back(p.colour);
    EXPECT_EQ((std::vector<COLORREF>{0xFF0000, 0x408000, 0xFF0000, 0xFF0000}), headerColours);
    for (const HistoryPiece& p : pieces) {
        if (p.kind == HistoryPiece::kColoured) {
            EXPECT_EQ(10, p.sizePoints);
        }
    }

    // The body carries its own font; a text without prefix the zero font.
    const HistoryPiece* hello = nullptr;
    const HistoryPiece* plain = nullptr;
    for (const HistoryPiece& p : pieces) {
        if (p.text == L"hello\n") hello = &p;
        if (p.text == L"no prefix\n") plain = &p;
    }
    ASSERT_TRUE(hello && plain);
    EXPECT_EQ(10, hello->font.size);
    EXPECT_EQ(1, hello->font.effects);
    EXPECT_EQ(255, hello->font.colour);
    EXPECT_STREQ("Arial", hello->font.face);
    EXPECT_EQ(0, plain->font.size);
}

TEST(HistoryPage, EveryPageStartsWithADateLine) {
    CHistoryPageBook book;
    std::vector<HistoryRecord> records;
    const std::vector<uint8_t> bytes = HistoryBytes(Conversation(130, kOwn, kPeer));
    ParseAllHistoryRecords(bytes.data() + sizeof(MsgFileHeader), bytes.size() - sizeof(MsgFileHeader), 130, records);
    book.SetRecords(records);
    ASSERT_EQ(3, book.GetPageCount());
    for (int page = 1; page <= 3; ++page) {
        const std::vector<HistoryPiece> pieces = book.BuildPage(page, kOwn, nullptr);
        ASSERT_GE(pieces.size(), 2u);
        EXPECT_EQ(CHistoryPageBook::DashLine(), pieces[0].text) << "page " << page;
        EXPECT_EQ(L'\u65E5', pieces[1].text[0]) << "page " << page;
    }
    // Page 2 holds records 10..69: dates of records 10, 25, 50 -> three lines.
    int dateLines = 0;
    for (const HistoryPiece& p : book.BuildPage(2, kOwn, nullptr))
        if (p.text.rfind(L"\u65E5\u671F", 0) == 0) ++dateLines;
    EXPECT_EQ(3, dateLines);
    EXPECT_TRUE(book.BuildPage(0, kOwn, nullptr).empty());
    EXPECT_TRUE(book.BuildPage(4, kOwn, nullptr).empty());
}

TEST(HistoryKeyword, MatchingAndHighlightRules) {
    CHistoryPageBook book;
    HistoryRecord inPrefix;
    inPrefix.text = MessageText("plain words");
    HistoryRecord picture;
    picture.text = MessageText("before", "Arial.jpg");
    struct Case {
        const HistoryRecord* record;
        const wchar_t* keyword;
        bool matches;
    } cases[] = {
        {&inPrefix, L"words", true},  {&inPrefix, L"Arial", false},  // only inside the prefix
        {&inPrefix, L"WORDS", false},                                // case-sensitive
        {&inPrefix, L"", true},                                      // empty lists every record
        {&picture, L"before", true},  {&picture, L"Arial", false},   // the picture's name is not text
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.matches, book.RecordMatches(*c.record, c.keyword)) << std::string(c.record->text);

    using Ranges = std::vector<std::pair<size_t, size_t>>;
    EXPECT_TRUE(CHistoryPageBook::KeywordRanges(L"anything", L"").empty()) << "empty keyword highlights nothing";
    EXPECT_EQ((Ranges{{0, 2}, {2, 4}}), CHistoryPageBook::KeywordRanges(L"aaaaa", L"aa")) << "each search advances";
    EXPECT_EQ((Ranges{{4, 7}}), CHistoryPageBook::KeywordRanges(L"the catalog", L"cat")) << "inside a longer word";
    EXPECT_TRUE(CHistoryPageBook::KeywordRanges(L"Cat", L"cat").empty());
}

// The stream a page is written with: what the log will count as its text,
// the hits of a keyword in their own red group (headers included, every
// character of a hit and none beside it), the characters that RTF reserves
// escaped, and each picture's stand-in where the log will hold it.
TEST(HistoryLogStream, TextPositionsHitsEscapesAndPictures) {
    auto coloured = [](const std::wstring& text) {
        HistoryPiece p;
        p.text = text;
        p.colour = CHistoryPageBook::kOtherColour;
        return p;
    };
    HistoryPiece picture;
    picture.kind = HistoryPiece::kPicture;
    picture.name = L"a.jpg";
    HistoryPiece body;
    body.kind = HistoryPiece::kFormatted;
    body.text = L"x{y}\\z\t\u9000\u6B3E\r\n";
    const std::vector<HistoryPiece> pieces = {coloured(L"\u9000\u6B3E  09:00:00\n"), coloured(L"ab"), picture, body};

    EXPECT_EQ(L"\u9000\u6B3E  09:00:00\rab\xFFFCx{y}\\z\t\u9000\u6B3E\r", historylog::PageText(pieces))
        << "a break is one character, a picture one";

    std::vector<long> pictures;
    const std::string rtf = historylog::PageRtf(pieces, "Arial", 9, L"\u9000\u6B3E", &pictures);
    EXPECT_EQ(std::vector<long>{15}, pictures) << "the stand-in after the header, its break and \"ab\"";
    EXPECT_NE(std::string::npos, rtf.find("{\\colortbl;\\red255\\green0\\blue0;")) << "entry 1 is the hits' red";
    // Both hits (in the header and in the body) whole in one red group.
    const std::string hit = "{\\cf1 \\u-28672?\\u27454?}";
    const size_t first = rtf.find(hit);
    ASSERT_NE(std::string::npos, first) << rtf;
    EXPECT_NE(std::string::npos, rtf.find(hit, first + 1)) << rtf;
    EXPECT_EQ(std::string::npos, rtf.find("\\cf1 ", rtf.find(hit, first + 1) + hit.size())) << "nothing else is red";
    EXPECT_NE(std::string::npos, rtf.find("x\\{y\\}\\\\z\\tab ")) << rtf;
    EXPECT_NE(std::string::npos, rtf.find("{\\fonttbl{\\f0\\fnil\\fcharset134 Arial;}"));
    EXPECT_NE(std::string::npos, rtf.find("\\fs18")) << "the log's own 9 points for the headers";

    // No keyword, or a keyword nowhere: no red group, and no endless search.
    EXPECT_EQ(std::string::npos, historylog::PageRtf(pieces, "Arial", 9, L"", nullptr).find("\\cf1 "));
    EXPECT_EQ(std::string::npos, historylog::PageRtf(pieces, "Arial", 9, L"nowhere", nullptr).find("\\cf1 "));
}

}  // namespace
