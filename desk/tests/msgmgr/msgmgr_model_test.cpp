// The message records tab and the message search tab decide without a
// window: CMsgMgrModel and CSearchMsgModel through a fake engine table and
// a display that records what it was told to show, over history files
// written in the engine's format.
#include "MsgMgrModel.h"
#include "SearchMsgModel.h"

#include "HistoryFixture.h"

#include "SystemAnsiCodePage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using historytest::Conversation;
using historytest::FixtureRecord;
using historytest::HistoryBytes;
using historytest::MessageText;
using historytest::WriteBytes;

constexpr int32_t kOwn = 50001;
constexpr int32_t kAgent = 50002;
constexpr int32_t kCustomer = 60001;

// ---------------------------------------------------------------------------
// The engine's side
// ---------------------------------------------------------------------------

struct FakeEngine {
    std::map<int, std::vector<TalkListRecord>> talkLists;
    std::map<int, UserInfoBase> users;
    std::map<int, UserInfoExt> exts;
    std::vector<MsgSearchResult> results;
    std::vector<int> talkListUpdates;
    std::vector<std::vector<int>> refreshes;
    std::vector<MsgSearchRequest> requests;
    std::vector<std::pair<int, int>> produced;
};
FakeEngine* g_fake = nullptr;

int FakeCurrentUser() { return kOwn; }
std::vector<TalkListRecord>* FakeTalkList(int user, int kind) {
    return kind == TALKLIST_CONTACT ? &g_fake->talkLists[user] : nullptr;
}
int FakeUpdateTalkList(int user, int) {
    g_fake->talkListUpdates.push_back(user);
    return 1;
}
int FakeRefresh(int owner, int customer, int flag) {
    g_fake->refreshes.push_back({owner, customer, flag});
    return 1;
}
UserInfoBase* FakeUserInfo(int id) { return &g_fake->users[id]; }  // like the engine: empty records for unknowns
UserInfoExt* FakeUserExt(int id) { return &g_fake->exts[id]; }
void FakeSearch(const MsgSearchRequest* request) { g_fake->requests.push_back(*request); }
std::vector<MsgSearchResult>* FakeResults() { return &g_fake->results; }
int FakeProduce(int id, int kind) {
    g_fake->produced.emplace_back(id, kind);
    return 1;
}

// ---------------------------------------------------------------------------
// The view's side
// ---------------------------------------------------------------------------

struct RecordingDisplay : IMsgMgrDisplay {
    void ShowHistoryText(const std::wstring& value) override {
        text = value;
        pieces.clear();
        highlight.clear();
        ++shows;
    }
    void ShowHistoryPieces(const std::vector<HistoryPiece>& value, const std::wstring& keyword) override {
        text.clear();
        pieces = value;
        highlight = keyword;
        ++shows;
    }
    void ShowCustomerRows(const std::vector<MsgMgrCustomerRow>& value) override { rows = value; }
    void ShowOwners(const std::vector<MsgMgrOwner>& value, int chosen) override {
        owners = value;
        selected = chosen;
    }
    void StartRetryTimer() override { ++retries; }

    // The texts of the pieces, a picture as "[name]".
    std::wstring Shown() const {
        std::wstring all = text;
        for (const HistoryPiece& p : pieces) all += p.kind == HistoryPiece::kPicture ? L"[" + p.name + L"]" : p.text;
        return all;
    }
    int Count(const std::wstring& part) const {
        const std::wstring all = Shown();
        int n = 0;
        for (size_t at = all.find(part); at != std::wstring::npos; at = all.find(part, at + 1)) ++n;
        return n;
    }

    std::wstring text;
    std::vector<HistoryPiece> pieces;
    std::wstring highlight;
    std::vector<MsgMgrCustomerRow> rows;
    std::vector<MsgMgrOwner> owners;
    int selected = -1;
    int retries = 0;
    int shows = 0;
};

struct RecordingQueue : IPictureDownloadQueue {
    void QueuePictureDownload(int32_t own, const std::string& name, const std::wstring& path) override {
        jobs.push_back({own, name, path});
    }
    bool HasGivenUpPictureDownload(const std::wstring&) const override { return false; }
    struct Job {
        int32_t own;
        std::string name;
        std::wstring path;
    };
    std::vector<Job> jobs;
};

TalkListRecord Talk(int32_t id, int32_t date, int32_t time, const char* name) {
    TalkListRecord record = {};
    record.userId = id;
    record.date = date;
    record.time = time;
    std::strncpy(record.carried, name, sizeof record.carried - 1);
    return record;
}

void Know(FakeEngine& fake, int32_t id, int32_t type, const char* nickname, const char* fullName, int32_t status) {
    UserInfoBase& base = fake.users[id];
    base.userId = id;
    base.userType = type;
    base.status = status;
    std::strncpy(base.nickname, nickname, sizeof base.nickname - 1);
    std::strncpy(fake.exts[id].fullName, fullName, sizeof fake.exts[id].fullName - 1);
}

std::wstring TempFolder() {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"msgmgr-model-" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class MsgMgrModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_fake = &fake;
        engine.MGetCurUserID = FakeCurrentUser;
        engine.MGetTalkList = FakeTalkList;
        engine.MUpdateTalkList = FakeUpdateTalkList;
        engine.MRefreshMsgRecords = FakeRefresh;
        engine.MGetUserInfoBase = FakeUserInfo;
        engine.MGetUserInfoExt = FakeUserExt;
        engine.MSearchMsgRecord = FakeSearch;
        engine.MGetMsgSearchResult = FakeResults;
        engine.MProduceUserInfo = FakeProduce;
        ::CreateDirectoryW(folder.c_str(), nullptr);
        model.SetProgramFolder(folder);
        model.SetDownloadQueue(&queue);
    }
    void TearDown() override {
        g_fake = nullptr;
        for (const std::wstring& path : written) {
            ::DeleteFileW(path.c_str());
            ::DeleteFileW((path + L".bad").c_str());
        }
    }
    // Writes the own history of a customer (or owner's group history).
    std::wstring WriteHistory(int32_t customer, const std::vector<uint8_t>& bytes, int32_t owner = kOwn) {
        const std::wstring path = CMsgMgrModel::HistoryPath(folder, kOwn, owner, customer);
        // The folders on the way.
        for (size_t at = path.find(L'\\', folder.size()); at != std::wstring::npos; at = path.find(L'\\', at + 1))
            ::CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
        EXPECT_TRUE(WriteBytes(path, bytes));
        written.push_back(path);
        return path;
    }
    // The owner list with the own customers chosen, and one customer row.
    void ShowCustomerRow(int32_t customer, const char* name = "zhang") {
        fake.talkLists[kOwn] = {Talk(customer, 20261209, 101500, name)};
        model.FillOwnerList({});
    }

    FakeEngine fake;
    CEngineModule engine;
    clientui::CSystemAnsiCodePage codePage;
    RecordingDisplay display;
    RecordingQueue queue;
    CMsgMgrModel model{engine, codePage, display};
    std::wstring folder = TempFolder();
    std::vector<std::wstring> written;
};

// ---------------------------------------------------------------------------
// Owners and customers
// ---------------------------------------------------------------------------

TEST_F(MsgMgrModelTest, OwnerListHoldsTheOwnCustomersAndTheGroupsAgents) {
    GroupUserRecord agent = {};
    agent.userId = kAgent;
    std::strcpy(agent.carried + 12, "zhou");
    fake.talkLists[kAgent] = {Talk(60004, 20261205, 100000, "liu")};
    model.FillOwnerList({agent});
    ASSERT_EQ(display.owners.size(), 2u);
    EXPECT_EQ(display.owners[0].name, L"我的客户");
    EXPECT_EQ(display.owners[0].userId, kOwn);
    EXPECT_EQ(display.owners[1].name, L"zhou");
    EXPECT_EQ(display.selected, 0);
    EXPECT_EQ(fake.talkListUpdates, std::vector<int>{kOwn});

    // A group list that comes later adds its agents, the choice stays.
    GroupUserRecord late = agent;
    late.userId = 50003;
    model.AddMissingOwners({agent, late});
    ASSERT_EQ(display.owners.size(), 3u);
    EXPECT_EQ(display.owners[2].userId, 50003);
    EXPECT_EQ(display.selected, 0);

    model.OnOwnerChanged(1);
    EXPECT_EQ(model.OwnerId(), kAgent);
    EXPECT_EQ(fake.talkListUpdates.back(), kAgent);
    ASSERT_EQ(display.rows.size(), 1u);
    EXPECT_EQ(display.rows[0].name, L"liu");
    EXPECT_EQ(display.rows[0].endTime, L"2026-12-05 10:00:00");
}

TEST_F(MsgMgrModelTest, CustomersArePagedFiftyAPageAndAChoiceNeverOutlivesItsPage) {
    struct Case {
        int customers;
        int pages;
        size_t lastPageRows;
    } cases[] = {{50, 1, 50}, {51, 2, 1}, {0, 1, 0}, {130, 3, 30}};
    for (const Case& c : cases) {
        fake.talkLists[kOwn].clear();
        for (int i = 0; i < c.customers; ++i)
            fake.talkLists[kOwn].push_back(Talk(61000 + i, 20261201, 90000 + i, "c"));
        model.FillOwnerList({});
        EXPECT_EQ(model.CustomerPageCount(), c.pages) << c.customers;
        EXPECT_EQ(model.CustomerPage(), 1);
        model.OnCustomerPager(PagerButton::Last);
        EXPECT_EQ(model.CustomerPage(), c.pages) << c.customers;
        EXPECT_EQ(display.rows.size(), c.lastPageRows) << c.customers;
        model.ShowCustomerPage(c.pages + 1);  // no such page
        EXPECT_EQ(model.CustomerPage(), c.pages);
    }
    // 130 customers: next from the last page does nothing, previous goes back.
    model.OnCustomerPager(PagerButton::Next);
    EXPECT_EQ(model.CustomerPage(), 3);
    model.OnCustomerPager(PagerButton::Previous);
    EXPECT_EQ(model.CustomerPage(), 2);
    EXPECT_EQ(display.rows.front().userId, 61050);

    // A chosen row is forgotten when the page changes: "发起会话" then
    // opens nobody.
    model.OnCustomerClicked(3);
    int32_t customer = 0, owner = 0;
    ASSERT_TRUE(model.ConversationTarget(&customer, &owner));
    EXPECT_EQ(customer, 61053);
    EXPECT_EQ(owner, kOwn);
    model.OnCustomerPager(PagerButton::First);
    EXPECT_FALSE(model.ConversationTarget(&customer, &owner));
    model.OnCustomerClicked(2);
    model.OnSortClick(0, 2);
    EXPECT_FALSE(model.ConversationTarget(&customer, &owner)) << "a sort forgets the choice";
    model.OnCustomerClicked(2);
    model.FillCustomerList();
    EXPECT_FALSE(model.ConversationTarget(&customer, &owner)) << "a refill forgets the choice";
    model.OnCustomerClicked(-1);
    EXPECT_FALSE(model.ConversationTarget(&customer, &owner));
}

TEST_F(MsgMgrModelTest, SortingTogglesOnASecondClickOfTheSameColumn) {
    fake.talkLists[kOwn] = {Talk(1, 20261201, 120000, "b"), Talk(2, 20261203, 80000, "\xD5\xC5"),
                            Talk(3, 20261203, 80000, "a"), Talk(4, 20261202, 100000, "B")};
    auto order = [&] {
        std::vector<int32_t> ids;
        for (const MsgMgrCustomerRow& row : display.rows) ids.push_back(row.userId);
        return ids;
    };
    // The first fill: newest end first.
    model.FillInitial();
    EXPECT_EQ(order(), (std::vector<int32_t>{3, 2, 4, 1}));
    EXPECT_EQ(model.SortColumn(), 1);
    EXPECT_FALSE(model.SortAscending());

    model.OnSortClick(1, 2);  // "结束时间": ascending (date, time, then id)
    EXPECT_EQ(order(), (std::vector<int32_t>{1, 4, 2, 3}));
    EXPECT_TRUE(model.SortAscending());
    model.OnSortClick(1, 2);  // again: descending
    EXPECT_EQ(order(), (std::vector<int32_t>{3, 2, 4, 1}));
    EXPECT_FALSE(model.SortAscending());
    model.OnSortClick(0, 2);  // "客户": by the name bytes, unsigned, ascending
    EXPECT_EQ(order(), (std::vector<int32_t>{4, 3, 1, 2}));
    EXPECT_EQ(model.SortColumn(), 0);
    EXPECT_TRUE(model.SortAscending());
    model.OnSortClick(5, 2);  // beyond the header: no sort, the page shown again
    EXPECT_EQ(order(), (std::vector<int32_t>{4, 3, 1, 2}));
    EXPECT_EQ(model.SortColumn(), 0);
}

TEST_F(MsgMgrModelTest, ARowShowsItsOwnCustomerEvenWhenNamesRepeat) {
    fake.talkLists[kOwn] = {Talk(60001, 20261209, 90000, "same"), Talk(60009, 20261208, 90000, "same")};
    Know(fake, 60009, 4, "same", "", STATUS_ONLINE);
    WriteHistory(60009, HistoryBytes({{20261208, 90000000, 60009, kOwn, 0, MessageText("from the second")}}));
    model.FillOwnerList({});
    EXPECT_EQ(display.rows[0].image, 1) << "unknown to the engine: offline picture";
    EXPECT_EQ(display.rows[1].image, 0) << "online";
    model.OnCustomerClicked(1);
    EXPECT_EQ(fake.refreshes.back(), (std::vector<int>{kOwn, 60009, 1}));
    EXPECT_EQ(model.ShownCustomer(), 60009);
    EXPECT_NE(display.Shown().find(L"from the second"), std::wstring::npos);
    EXPECT_EQ(model.Title(), L"消息记录 - same(60009)");
}

// ---------------------------------------------------------------------------
// History pages
// ---------------------------------------------------------------------------

TEST_F(MsgMgrModelTest, PagesOfSixtyFromTheNewestEnd) {
    struct Case {
        int records;
        int pages;
        int firstOnLast;   // the first message shown on the last page
        int onFirstPage;   // messages on page 1
    } cases[] = {{60, 1, 0, 60}, {61, 2, 1, 1}, {120, 2, 60, 60}, {130, 3, 70, 10}, {30, 1, 0, 30}, {0, 1, -1, 0}};
    ShowCustomerRow(kCustomer);
    for (const Case& c : cases) {
        WriteHistory(kCustomer, HistoryBytes(Conversation(c.records, kOwn, kCustomer)));
        model.OnCustomerClicked(0);
        ASSERT_TRUE(model.IsLoaded()) << c.records;
        EXPECT_EQ(model.PageCount(), c.pages) << c.records;
        EXPECT_EQ(model.CurrentPage(), c.pages) << "the newest page first";
        if (c.firstOnLast >= 0) {
            EXPECT_EQ(display.Count(L"    message " + std::to_wstring(c.firstOnLast) + L"\n") +
                          display.Count(L"    message " + std::to_wstring(c.firstOnLast) + L" "),
                      1)
                << c.records;
            EXPECT_EQ(display.Count(L"    message " + std::to_wstring(c.records - 1)), 1) << c.records;
        } else {
            EXPECT_TRUE(display.pieces.empty()) << "page 1 of 1 shows nothing";
        }
        model.OnHistoryPager(PagerButton::First);
        EXPECT_EQ(model.CurrentPage(), 1);
        EXPECT_EQ(display.Count(L"    message "), c.onFirstPage) << c.records;
        // Pages 1 to the page count only.
        const int shows = display.shows;
        model.OnHistoryPager(PagerButton::Previous);
        model.ShowHistoryPage(0);
        model.ShowHistoryPage(c.pages + 1);
        EXPECT_EQ(display.shows, shows) << c.records;
        EXPECT_EQ(model.CurrentPage(), 1);
        EXPECT_FALSE(model.OnPageBoxEnter(L"0"));
        EXPECT_FALSE(model.OnPageBoxEnter(std::to_wstring(c.pages + 1)));
        EXPECT_FALSE(model.OnPageBoxEnter(L"x1"));
        EXPECT_TRUE(model.OnPageBoxEnter(std::to_wstring(c.pages)));
        EXPECT_EQ(model.CurrentPage(), c.pages);
    }
}

TEST_F(MsgMgrModelTest, PagesShowDateLinesHeadersInTheirColoursAndTheAgentWhoAnswered) {
    Know(fake, 3001, 1, "wang", "Wang Lei", STATUS_ONLINE);
    ShowCustomerRow(kCustomer, "Zhang");
    WriteHistory(kCustomer, HistoryBytes({
                                {20261101, 91000000, kCustomer, kOwn, 0, MessageText("q1")},
                                {20261101, 91100000, kOwn, kCustomer, 0, MessageText("a1")},
                                {20261102, 80000000, kOwn, kCustomer, 3001, MessageText("a2")},
                                {20261102, 80001000, kOwn, kCustomer, 3002, MessageText("a3")},
                            }));
    model.OnCustomerClicked(0);
    const std::wstring dashes = std::wstring(58, L'-') + L"\n";
    EXPECT_EQ(display.Shown(), dashes + L"日期：2026-11-01\n" + dashes + L"Zhang  09:10:00\n    q1\n" +
                                   L"50001  09:11:00\n    a1\n" + dashes + L"日期：2026-11-02\n" + dashes +
                                   L"50001(Wang Lei代回复)  08:00:00\n    a2\n" + L"50001(3002代回复)  08:00:01\n    a3\n");
    std::vector<COLORREF> headers;
    for (const HistoryPiece& p : display.pieces) {
        if (p.kind != HistoryPiece::kColoured) continue;
        EXPECT_EQ(p.sizePoints, 0) << "the log's own size";
        if (p.text.find(L":") != std::wstring::npos && p.text.find(L"日期") == std::wstring::npos)
            headers.push_back(p.colour);
    }
    EXPECT_EQ(headers, (std::vector<COLORREF>{0xFF0000, 0x408000, 0x408000, 0x408000}));
}

TEST_F(MsgMgrModelTest, HistoriesThatCannotBeReadShowNoRecordsAndAreReadOnceMore) {
    ShowCustomerRow(kCustomer);
    model.OnCustomerClicked(0);  // no file yet: the engine is fetching it
    EXPECT_EQ(display.text, L"没有此客户的消息记录");
    EXPECT_EQ(display.retries, 1);
    EXPECT_FALSE(model.IsLoaded());
    model.OnHistoryPager(PagerButton::First);
    EXPECT_EQ(display.text, L"没有此客户的消息记录") << "nothing to page through";

    // The retry a second later finds what the engine wrote.
    WriteHistory(kCustomer, HistoryBytes(Conversation(5, kOwn, kCustomer)));
    model.OnRetryTimer();
    EXPECT_EQ(display.Count(L"    message "), 5);

    // A wrong marker: the file is moved aside, never deleted, and the
    // history says where it lies (as long as it lies there).
    const std::wstring path = WriteHistory(kCustomer, HistoryBytes(Conversation(5, kOwn, kCustomer), -1, 21));
    model.OnCustomerClicked(0);
    const std::wstring aside =
        L"损坏的消息记录文件已另存为“" + path.substr(path.find_last_of(L'\\') + 1) + L".bad”，其中的消息无法显示。";
    EXPECT_EQ(display.text, L"没有此客户的消息记录\r\n" + aside);
    EXPECT_FALSE(Exists(path));
    EXPECT_TRUE(Exists(path + L".bad"));

    // A short header: it could not be read. A count promising more than
    // the bytes hold; the last record cut: the whole records are shown,
    // and under them that the rest could not be read.
    std::vector<uint8_t> bytes = HistoryBytes(Conversation(5, kOwn, kCustomer));
    bytes.resize(60);
    WriteHistory(kCustomer, bytes);
    model.OnCustomerClicked(0);
    EXPECT_EQ(display.text, L"没有此客户的消息记录\r\n消息记录文件已损坏，无法读取。\n" + aside);
    WriteHistory(kCustomer, HistoryBytes(Conversation(5, kOwn, kCustomer), 400));
    model.OnCustomerClicked(0);
    EXPECT_EQ(display.Count(L"    message "), 5);
    EXPECT_EQ(display.Count(L"消息记录文件已损坏，只显示了其中能读取的消息。\n" + aside + L"\n"), 1);
    bytes = HistoryBytes(Conversation(5, kOwn, kCustomer));
    bytes.resize(bytes.size() - 3);
    WriteHistory(kCustomer, bytes);
    model.OnCustomerClicked(0);
    EXPECT_EQ(display.Count(L"    message "), 4);
    EXPECT_EQ(display.Count(L"只显示了其中能读取的消息"), 1);
    EXPECT_EQ(display.retries, 3);
    ::DeleteFileW((path + L".bad").c_str());
}

// ---------------------------------------------------------------------------
// Search
// ---------------------------------------------------------------------------

TEST_F(MsgMgrModelTest, KeywordSearchFindsTheShownTextOnlyAndPaintsEveryHit) {
    ShowCustomerRow(kCustomer);
    std::vector<FixtureRecord> records = {
        {20261101, 90000000, kCustomer, kOwn, 0, MessageText("a refund please")},
        {20261101, 90100000, kOwn, kCustomer, 0, MessageText("which order?")},
        {20261102, 90000000, kCustomer, kOwn, 0, MessageText("Refund of order 7", "refund.jpg")},
        {20261102, 90100000, kOwn, kCustomer, 0, MessageText("refund sent, refund done")},
        {20261102, 90200000, kOwn, kCustomer, 0, "<format|0|9|0|refund|/format>thanks"},
    };
    WriteHistory(kCustomer, HistoryBytes(records));
    model.OnCustomerClicked(0);
    model.OnSearch(L"refund");
    EXPECT_TRUE(model.InSearchMode());
    EXPECT_EQ(model.HitCount(), 2) << "case-sensitive; the picture's name and the prefix are not text";
    EXPECT_EQ(model.Title(), L"已经找到相关记录2条");
    EXPECT_EQ(display.highlight, L"refund");
    const std::wstring shown = display.Shown();
    EXPECT_NE(shown.find(L"zhang  2026-11-01  09:00:00\n  a refund please\n"), std::wstring::npos) << "hit header";
    EXPECT_NE(shown.find(L"refund sent, refund done"), std::wstring::npos);
    EXPECT_EQ(shown.find(L"日期"), std::wstring::npos) << "no date lines";
    for (const HistoryPiece& p : display.pieces) {
        if (p.kind == HistoryPiece::kColoured) {
            EXPECT_EQ(p.colour, 0xFF0000) << "every hit header blue";
        }
    }
    EXPECT_EQ(CHistoryPageBook::KeywordRanges(L"refund sent, refund done", L"refund"),
              (std::vector<std::pair<size_t, size_t>>{{0, 6}, {13, 19}}));

    model.OnSearch(L"nothing");
    EXPECT_EQ(model.HitCount(), 0);
    EXPECT_EQ(model.Title(), L"没有找到与\"nothing\"有关的消息");
    EXPECT_EQ(display.text, L"");
    model.OnSearch(L"");  // an empty keyword lists every record, painting nothing
    EXPECT_EQ(model.HitCount(), 5);
    EXPECT_EQ(display.highlight, L"");

    // Leaving the search: the page shown before, the customer's title.
    model.OnKeywordChanged(L"");
    EXPECT_FALSE(model.InSearchMode());
    EXPECT_EQ(model.Title(), L"消息记录 - zhang(60001)");
    EXPECT_EQ(display.Count(L"    "), 5);
}

TEST_F(MsgMgrModelTest, HitsArePagedAndTheReloadWaitsForTheSearchToEnd) {
    ShowCustomerRow(kCustomer);
    WriteHistory(kCustomer, HistoryBytes(Conversation(130, kOwn, kCustomer)));
    model.OnCustomerClicked(0);
    model.OnSearch(L"message 1");  // 1, 10-19, 100-129: 41 hits
    EXPECT_EQ(model.HitCount(), 41);
    EXPECT_EQ(model.HitPageCount(), 1);
    model.OnSearch(L"message");
    EXPECT_EQ(model.HitPageCount(), 3);
    EXPECT_EQ(model.CurrentHitPage(), 3);
    EXPECT_EQ(model.PagerPage(), 3);
    model.OnHistoryPager(PagerButton::First);
    EXPECT_EQ(model.CurrentHitPage(), 1);
    EXPECT_EQ(display.Count(L"  message "), 10);
    EXPECT_TRUE(model.OnPageBoxEnter(L"2"));
    EXPECT_EQ(model.CurrentHitPage(), 2);
    EXPECT_FALSE(model.OnPageBoxEnter(L"4"));

    // A new message while the search is shown: nothing reloads.
    WriteHistory(kCustomer, HistoryBytes(Conversation(131, kOwn, kCustomer)));
    model.SetReloadPending();
    const int shows = display.shows;
    model.OnReloadTimer();
    EXPECT_EQ(display.shows, shows);
    EXPECT_TRUE(model.ReloadPending());
    // The first tick after the search was left reloads the pair.
    model.LeaveSearch();
    model.OnReloadTimer();
    EXPECT_FALSE(model.ReloadPending());
    EXPECT_EQ(model.Book().GetRecordCount(), 131);
    EXPECT_EQ(display.Count(L"    message 130"), 1);

    // A history read in search mode is searched at once: the hits belong
    // to the customer shown.
    model.OnSearch(L"message 13");
    EXPECT_EQ(model.HitCount(), 2);
    WriteHistory(60002, HistoryBytes({{20261101, 1000, 60002, kOwn, 0, MessageText("other message 13")}}));
    fake.talkLists[kOwn].push_back(Talk(60002, 20261101, 1, "li"));
    model.FillCustomerList();
    model.OnCustomerClicked(1);
    EXPECT_EQ(model.HitCount(), 1);
    EXPECT_NE(display.Shown().find(L"other message 13"), std::wstring::npos);
}

// ---------------------------------------------------------------------------
// One pair, pictures
// ---------------------------------------------------------------------------

TEST_F(MsgMgrModelTest, ShowPairSwitchesToTheAgentAndReadsItsGroupHistory) {
    GroupUserRecord agent = {};
    agent.userId = kAgent;
    std::strcpy(agent.carried + 12, "zhou");
    Know(fake, 60004, 4, "liu", "Liu Yang", STATUS_OFFLINE);
    model.FillOwnerList({agent});
    model.ShowPair(40000, 60004);  // not an owner here: nothing
    EXPECT_TRUE(fake.refreshes.empty());
    EXPECT_EQ(display.selected, 0);

    WriteHistory(60004, HistoryBytes({{20261205, 100000000, 60004, kAgent, 0, MessageText("who pays the return")}}),
                 kAgent);
    model.ShowPair(kAgent, 60004);
    EXPECT_EQ(display.selected, 1);
    EXPECT_EQ(model.OwnerId(), kAgent);
    EXPECT_EQ(fake.refreshes.back(), (std::vector<int>{kAgent, 60004, 1}));
    EXPECT_NE(display.Shown().find(L"who pays the return"), std::wstring::npos);
    EXPECT_EQ(model.Title(), L"消息记录 - liu(60004)");
    EXPECT_EQ(display.retries, 0);
}

TEST_F(MsgMgrModelTest, AMissingPictureShowsThePlaceholderAndIsFetchedOncePerRendering) {
    ShowCustomerRow(kCustomer);
    WriteHistory(kCustomer, HistoryBytes({{20261101, 1000, kCustomer, kOwn, 0, MessageText("look", "p1.jpg")},
                                          {20261101, 2000, kCustomer, kOwn, 0, MessageText("far") + " <pic/99/p2.jpg/pic>"},
                                          {20261101, 3000, kCustomer, kOwn, 0, MessageText("bad", "..")}}));
    model.OnCustomerClicked(0);
    EXPECT_EQ(display.Count(L"[p1.jpg]"), 1);
    EXPECT_EQ(display.Count(L"p2.jpg"), 0) << "a picture beyond its text is no picture";
    EXPECT_EQ(display.Count(L"    far \n"), 1);

    const std::wstring image = folder + L"50001\\Image\\p1.jpg";
    MsgMgrPicture picture = model.PlacePicture(L"p1.jpg");
    EXPECT_EQ(picture.state, PictureObjectInfo::kError);
    EXPECT_EQ(picture.shown, folder + L"Resource\\chat\\errorBmp.gif");
    ASSERT_EQ(queue.jobs.size(), 1u);
    EXPECT_EQ(queue.jobs[0].own, kOwn);
    EXPECT_EQ(queue.jobs[0].name, "p1.jpg");
    EXPECT_EQ(queue.jobs[0].path, image);
    model.PlacePicture(L"p1.jpg");
    EXPECT_EQ(queue.jobs.size(), 2u) << "each rendering asks again";
    model.PlacePicture(L"..");
    EXPECT_EQ(queue.jobs.size(), 2u) << "a bad name is never fetched";

    ::CreateDirectoryW((folder + L"50001").c_str(), nullptr);
    ::CreateDirectoryW((folder + L"50001\\Image").c_str(), nullptr);
    ASSERT_TRUE(WriteBytes(image, {1, 2, 3}));
    written.push_back(image);
    picture = model.PlacePicture(L"p1.jpg");
    EXPECT_EQ(picture.state, PictureObjectInfo::kShown);
    EXPECT_EQ(picture.shown, image);
    EXPECT_EQ(queue.jobs.size(), 2u);
}

// ---------------------------------------------------------------------------
// The server search
// ---------------------------------------------------------------------------

MsgSearchResult Result(int32_t sender, int32_t receiver, const char* text) {
    MsgSearchResult r = {};
    r.senderId = sender;
    r.receiverId = receiver;
    r.date = 20261205;
    r.time = 100203;
    std::strncpy(r.text, text, sizeof r.text - 1);
    return r;
}

TEST_F(MsgMgrModelTest, SearchRequestsAreBuiltFromTheDatesAndTheTrimmedKeywords) {
    CSearchMsgModel search(engine, codePage);
    EXPECT_EQ(search.StatusText(), L"等待输入, 请输入相关条件进行搜索 :)");
    EXPECT_EQ(search.StartSearch(20261205, 20261204, L"refund"), CSearchMsgModel::Start::kEndBeforeStart);
    EXPECT_EQ(search.StartSearch(20261201, 20261205, L"  \t "), CSearchMsgModel::Start::kNoKeyword);
    EXPECT_TRUE(fake.requests.empty());
    EXPECT_EQ(search.GetState(), CSearchMsgModel::kWaiting);

    EXPECT_EQ(search.StartSearch(20261205, 20261205, L"  退货 运费 "), CSearchMsgModel::Start::kSent);
    ASSERT_EQ(fake.requests.size(), 1u);
    EXPECT_EQ(fake.requests[0].startDate, 20261205);
    EXPECT_EQ(fake.requests[0].endDate, 20261205);
    EXPECT_EQ(std::string(fake.requests[0].keywords), codePage.ToAnsi(L"退货 运费"));

    // 40 Chinese characters do not fit 63 bytes: cut after the 31st.
    const std::wstring long40(40, L'退');
    const MsgSearchRequest cut = CSearchMsgModel::BuildRequest(1, 2, L"a" + long40, codePage);
    EXPECT_EQ(std::strlen(cut.keywords), 63u);
    EXPECT_EQ(codePage.FromAnsi(std::string(cut.keywords)), L"a" + std::wstring(31, L'退'));
    const MsgSearchRequest even = CSearchMsgModel::BuildRequest(1, 2, long40, codePage);
    EXPECT_EQ(std::strlen(even.keywords), 62u) << "never half a character";
    EXPECT_EQ(even.keywords[63], '\0');
}

TEST_F(MsgMgrModelTest, SearchStatesTimeOutAndALateResultIsStillShown) {
    CSearchMsgModel search(engine, codePage);
    ASSERT_EQ(search.StartSearch(20261201, 20261231, L"refund"), CSearchMsgModel::Start::kSent);
    EXPECT_EQ(search.GetState(), CSearchMsgModel::kSearching);
    EXPECT_FALSE(search.SearchButtonEnabled());
    EXPECT_EQ(search.StatusText(), L"数据正在穿越中, 请稍候... :)");
    search.OnTimeout();
    EXPECT_EQ(search.GetState(), CSearchMsgModel::kTimedOut);
    EXPECT_TRUE(search.SearchButtonEnabled());
    EXPECT_EQ(search.StatusText(), L"由于网络原因，查询超时，请等一会再重试:)");
    search.OnResults({Result(60004, kAgent, "a"), Result(kAgent, 60004, "b")});
    EXPECT_EQ(search.GetState(), CSearchMsgModel::kDone);
    EXPECT_EQ(search.StatusText(), L"搜索完毕, 共有 2 条数据与条件相匹配:)");
    // A new search from any state; an answer without records.
    ASSERT_EQ(search.StartSearch(20261201, 20261231, L"none"), CSearchMsgModel::Start::kSent);
    search.OnResults({});
    EXPECT_EQ(search.StatusText(), L"搜索完毕, 共有 0 条数据与条件相匹配:)");
    EXPECT_TRUE(search.Rows().empty());
}

TEST_F(MsgMgrModelTest, SearchRowsNameThePartiesAndADoubleClickGivesAgentThenCustomer) {
    Know(fake, 60004, 4, "liu-nick", "Liu Yang", STATUS_OFFLINE);  // a customer: the full name
    Know(fake, kAgent, 1, "zhou", "Zhou Ning", STATUS_ONLINE);     // an agent: the nickname
    CSearchMsgModel search(engine, codePage);
    search.OnResults({Result(60004, kAgent, "who pays"), Result(kAgent, 60004, "we do"), Result(77777, kAgent, "?")});
    const std::vector<SearchResultRow> rows = search.Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].sender, L"Liu Yang");
    EXPECT_EQ(rows[0].receiver, L"zhou");
    EXPECT_EQ(rows[0].time, L"2026-12-05 10:02:03");
    EXPECT_EQ(rows[0].text, L"who pays");
    EXPECT_EQ(rows[1].sender, L"zhou");
    EXPECT_EQ(rows[2].sender, L"77777") << "unknown: the id, and its information asked for";
    EXPECT_EQ(fake.produced, (std::vector<std::pair<int, int>>{{77777, 1}}));
    Know(fake, 60005, 4, "chen", "", STATUS_OFFLINE);  // no full name yet
    search.OnResults({Result(60005, kAgent, "x")});
    EXPECT_EQ(search.Rows()[0].sender, L"chen");
    search.OnResults({Result(60004, kAgent, "who pays"), Result(kAgent, 60004, "we do"), Result(77777, kAgent, "?")});

    int32_t agent = 0, customer = 0;
    ASSERT_TRUE(search.PairOf(0, &agent, &customer));  // sent by the customer
    EXPECT_EQ(agent, kAgent);
    EXPECT_EQ(customer, 60004);
    ASSERT_TRUE(search.PairOf(1, &agent, &customer));  // the receiver is the customer
    EXPECT_EQ(agent, kAgent);
    EXPECT_EQ(customer, 60004);
    // The customer's record not there yet: the agent's type decides.
    fake.users.erase(60004);
    ASSERT_TRUE(search.PairOf(0, &agent, &customer));
    EXPECT_EQ(agent, kAgent);
    EXPECT_EQ(customer, 60004);
    EXPECT_FALSE(search.PairOf(3, &agent, &customer));
    EXPECT_FALSE(search.PairOf(-1, &agent, &customer));
}

}  // namespace
