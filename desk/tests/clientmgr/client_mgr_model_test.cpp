// The customer management view's decisions without a window: paging across
// categories, the search by name or id, the pager and the page box, the
// texts of the count nodes, the end time and the column width clamp.
#include "ClientMgrModel.h"

#include "fw/StringUtil.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// A category of n users with ids first .. first + n - 1, named "c<id>".
std::vector<UserInfoBase> Users(int32_t first, int n, int32_t status = STATUS_ONLINE) {
    std::vector<UserInfoBase> users;
    for (int i = 0; i < n; ++i) {
        UserInfoBase user = {};
        user.userId = first + i;
        user.status = status;
        fw::CopyToAnsiField(fw::FormatString(L"c%d", first + i), user.nickname);
        users.push_back(user);
    }
    return users;
}

UserInfoBase User(int32_t id, const std::wstring& name, int32_t status = STATUS_ONLINE) {
    UserInfoBase user = {};
    user.userId = id;
    user.status = status;
    fw::CopyToAnsiField(name, user.nickname);
    return user;
}

// 120 customers as categories of the given sizes, named "A", "B", ... so
// that the map's key order is the order given; ids 1000, 2000, ...
FriendMap Categories(const std::vector<int>& sizes) {
    FriendMap map;
    for (size_t i = 0; i < sizes.size(); ++i)
        map[std::wstring(1, static_cast<wchar_t>(L'A' + i))] = Users(static_cast<int32_t>(1000 * (i + 1)), sizes[i]);
    return map;
}

// A run of rows: category name, first id, count.
struct RowRun {
    std::wstring category;
    int32_t firstId;
    int count;
};

std::vector<RowRun> RunsOf(const std::vector<ClientRow>& rows) {
    std::vector<RowRun> runs;
    for (const ClientRow& row : rows) {
        if (!runs.empty() && runs.back().category == row.category &&
            runs.back().firstId + runs.back().count == row.userId) {
            ++runs.back().count;
            continue;
        }
        runs.push_back({row.category, row.userId, 1});
    }
    return runs;
}

void ExpectRuns(const std::vector<ClientRow>& rows, const std::vector<RowRun>& expected) {
    const std::vector<RowRun> runs = RunsOf(rows);
    ASSERT_EQ(runs.size(), expected.size());
    for (size_t i = 0; i < runs.size(); ++i) {
        EXPECT_EQ(runs[i].category, expected[i].category) << "run " << i;
        EXPECT_EQ(runs[i].firstId, expected[i].firstId) << "run " << i;
        EXPECT_EQ(runs[i].count, expected[i].count) << "run " << i;
    }
}

}  // namespace

// Pages of 50 walk every category in key order, then user order.
TEST(ClientMgrPaging, PagesAcrossCategories) {
    struct Case {
        std::vector<int> sizes;
        int page;
        std::vector<RowRun> rows;
    };
    const Case cases[] = {
        // 30, 40, 50: page 1 = the 30 and 20 of the second; page 2 = the
        // last 20 of the second and the first 30 of the third; page 3 = the
        // last 20 of the third.
        {{30, 40, 50}, 1, {{L"A", 1000, 30}, {L"B", 2000, 20}}},
        {{30, 40, 50}, 2, {{L"B", 2020, 20}, {L"C", 3000, 30}}},
        {{30, 40, 50}, 3, {{L"C", 3030, 20}}},
        // 60, 10, 10, 40: page 2 = the last 10 of the first, all of the
        // second and third, the first 20 of the fourth.
        {{60, 10, 10, 40}, 1, {{L"A", 1000, 50}}},
        {{60, 10, 10, 40}, 2, {{L"A", 1050, 10}, {L"B", 2000, 10}, {L"C", 3000, 10}, {L"D", 4000, 20}}},
        {{60, 10, 10, 40}, 3, {{L"D", 4020, 20}}},
        // Past the last page: nothing.
        {{30, 40, 50}, 4, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "page " << c.page << " of " << c.sizes.size() << " categories");
        const FriendMap map = Categories(c.sizes);
        CClientMgrModel model;
        model.ShowOwner(50001, ClientScope(), map);
        EXPECT_EQ(model.Count(), 120u);
        EXPECT_EQ(model.PageCount(), 3);
        const bool exists = model.GoToPage(c.page);
        EXPECT_EQ(exists, c.page <= 3);
        ExpectRuns(CClientMgrModel::PageRows(map, ClientScope(), c.page), c.rows);
        if (exists) {
            const std::vector<ClientRow> rows = model.CurrentRows(map);
            ExpectRuns(rows, c.rows);
            for (const ClientRow& row : rows) EXPECT_TRUE(row.endTime);  // every category: the end time shows
        }
    }
}

TEST(ClientMgrPaging, PageCountsAndEmptyOwner) {
    const std::pair<size_t, int> counts[] = {{0, 1}, {1, 1}, {50, 1}, {51, 2}, {100, 2}, {101, 3}, {120, 3}};
    for (const auto& c : counts) EXPECT_EQ(CClientMgrModel::PageCountOf(c.first), c.second) << c.first;

    // An owner the engine does not know: an empty map, no rows, one page.
    CClientMgrModel model;
    model.ShowOwner(50009, ClientScope(), FriendMap());
    EXPECT_EQ(model.PageCount(), 1);
    EXPECT_TRUE(model.CurrentRows(FriendMap()).empty());
    // A category with no users yet counts 0.
    FriendMap map;
    map[L"空"];
    EXPECT_EQ(CClientMgrModel::CountUsers(map, ClientScope()), 0u);
}

// A category node names its category exactly: "VIP" does not take in "VIP2",
// and the count agrees with the rows.
TEST(ClientMgrPaging, CategoryNodeListsOnlyItsCategory) {
    FriendMap map;
    map[L"VIP"] = Users(100, 3);
    map[L"VIP2"] = Users(200, 60);
    struct Case {
        std::wstring nodeText;
        std::vector<RowRun> page1;
        size_t count;
    };
    const Case cases[] = {
        {L"VIP(3)", {{L"VIP", 100, 3}}, 3},
        {L"VIP2(60)", {{L"VIP2", 200, 50}}, 60},
    };
    for (const Case& c : cases) {
        ClientScope scope;
        scope.all = false;
        scope.category = CClientMgrModel::NodeName(c.nodeText);
        CClientMgrModel model;
        model.ShowOwner(50001, scope, map);
        EXPECT_EQ(model.Count(), c.count);
        const std::vector<ClientRow> rows = model.CurrentRows(map);
        ExpectRuns(rows, c.page1);
        for (const ClientRow& row : rows) EXPECT_FALSE(row.endTime);  // one category: no end time
    }
    // The second page of VIP2 holds its last 10.
    ClientScope vip2;
    vip2.all = false;
    vip2.category = L"VIP2";
    ExpectRuns(CClientMgrModel::PageRows(map, vip2, 2), {{L"VIP2", 250, 10}});
}

TEST(ClientMgrPaging, PagerAndPageBox) {
    const FriendMap map = Categories({30, 40, 50});
    CClientMgrModel model;
    model.ShowOwner(50001, ClientScope(), map);
    struct Step {
        PagerButton button;
        int target;  // 0: nothing happens
    };
    // From page 1: first and previous do nothing; next goes to 2, last to 3.
    const Step onFirst[] = {{PagerButton::First, 0}, {PagerButton::Previous, 0}, {PagerButton::Next, 2},
                            {PagerButton::Last, 3}};
    for (const Step& s : onFirst) EXPECT_EQ(model.PagerTarget(s.button), s.target);
    ASSERT_TRUE(model.GoToPage(3));
    const Step onLast[] = {{PagerButton::First, 1}, {PagerButton::Previous, 2}, {PagerButton::Next, 0},
                           {PagerButton::Last, 0}};
    for (const Step& s : onLast) EXPECT_EQ(model.PagerTarget(s.button), s.target);
    EXPECT_FALSE(model.GoToPage(0));
    EXPECT_FALSE(model.GoToPage(4));
    EXPECT_EQ(model.CurrentPage(), 3);

    // The page box: a page of 1 .. page count, else 0 (the view refuses it).
    const std::pair<std::wstring, int> boxes[] = {
        {L"1", 1}, {L"3", 3}, {L"03", 3}, {L"0", 0}, {L"4", 0}, {L"-1", 0}, {L"", 0},
        {L"2a", 0}, {L" 2", 0}, {L"99999999999", 0}, {L"２", 0},
    };
    for (const auto& b : boxes) EXPECT_EQ(CClientMgrModel::PageFromBox(b.first, 3), b.second) << fw::ToAnsi(b.first);
}

// A search finds by name (case-sensitive substring) or by the exact id,
// lists the last match walked first, hides the pager, and clearing it
// returns to the page shown before.
TEST(ClientMgrSearch, ByNameOrIdInReverseOrder) {
    FriendMap map;
    map[L"A"] = {User(10, L"王123"), User(123, L"李四"), User(11, L"abc")};
    map[L"B"] = {User(12, L"x1234"), User(13, L"ABC"), User(1230, L"赵六")};
    struct Case {
        std::wstring keyword;
        std::vector<int32_t> ids;  // top to bottom
    };
    const Case cases[] = {
        {L"123", {12, 123, 10}},     // names holding "123" and the user 123, not 1230
        {L"abc", {11}},              // case-sensitive
        {L"李", {123}},
        {L"1230", {1230}},           // by id only
        {L"nobody", {}},
    };
    for (const Case& c : cases) {
        const std::vector<ClientRow> rows = CClientMgrModel::SearchRows(map, ClientScope(), c.keyword);
        std::vector<int32_t> ids;
        for (const ClientRow& row : rows) {
            ids.push_back(row.userId);
            EXPECT_FALSE(row.endTime);
        }
        EXPECT_EQ(ids, c.ids) << fw::ToAnsi(c.keyword);
    }
    // Within one category node only its users.
    ClientScope b;
    b.all = false;
    b.category = L"B";
    const std::vector<ClientRow> inB = CClientMgrModel::SearchRows(map, b, L"123");
    ASSERT_EQ(inB.size(), 1u);
    EXPECT_EQ(inB[0].userId, 12);
}

TEST(ClientMgrSearch, NoLimitOfFiftyAndClearingReturns) {
    const FriendMap map = Categories({60, 10, 10, 40});
    CClientMgrModel model;
    model.ShowOwner(50001, ClientScope(), map);
    ASSERT_TRUE(model.GoToPage(2));

    std::vector<ClientRow> rows;
    EXPECT_FALSE(model.Search(L"", map, &rows));  // an empty keyword does nothing
    EXPECT_TRUE(model.PagingVisible());
    ASSERT_TRUE(model.Search(L"c", map, &rows));
    EXPECT_EQ(rows.size(), 120u);  // every name holds "c": no page limit
    EXPECT_EQ(rows.front().userId, 4039);
    EXPECT_EQ(rows.back().userId, 1000);
    EXPECT_TRUE(model.SearchMode());
    EXPECT_FALSE(model.PagingVisible());

    model.ClearSearch();
    EXPECT_FALSE(model.SearchMode());
    EXPECT_TRUE(model.PagingVisible());
    EXPECT_EQ(model.CurrentPage(), 2);
    ExpectRuns(model.CurrentRows(map), {{L"A", 1050, 10}, {L"B", 2000, 10}, {L"C", 3000, 10}, {L"D", 4000, 20}});
}

TEST(ClientMgrSearch, DecimalNumbers) {
    const std::pair<std::wstring, int32_t> numbers[] = {
        {L"123", 123}, {L"0", 0}, {L"2147483647", 2147483647}, {L"2147483648", 0}, {L"12a", 0},
        {L"+5", 0},    {L"", 0},  {L"60001", 60001},
    };
    for (const auto& n : numbers) EXPECT_EQ(CClientMgrModel::DecimalNumber(n.first), n.second) << fw::ToAnsi(n.first);
}

// The texts of a user's node and its category nodes when the user's friend
// map arrives.
TEST(ClientMgrTree, UpdateUserCountsTexts) {
    FriendMap map;
    map[L"VIP"] = Users(1, 2);
    map[L"VIP2"] = Users(10, 3);
    map[L"普通"] = {};
    struct Case {
        std::wstring node;
        std::vector<std::wstring> children;
        std::wstring nodeText;
        std::vector<CountUpdate::Child> updates;
    };
    const Case cases[] = {
        // No children yet: one new child per category, the node counts all.
        {L"周宁", {}, L"周宁(5)", {{-1, L"VIP(2)"}, {-1, L"VIP2(3)"}, {-1, L"普通(0)"}}},
        // Children there: each gets its new count by its exact name (VIP2
        // does not take VIP's), an earlier count in the node text goes.
        {L"周宁(7)",
         {L"VIP2(9)", L"VIP(1)"},
         L"周宁(5)",
         {{1, L"VIP(2)"}, {0, L"VIP2(3)"}, {-1, L"普通(0)"}}},
        // A name with brackets of its own keeps them.
        {L"王(磊)(2)", {}, L"王(磊)(5)", {{-1, L"VIP(2)"}, {-1, L"VIP2(3)"}, {-1, L"普通(0)"}}},
    };
    for (const Case& c : cases) {
        const CountUpdate update = CClientMgrModel::UpdateCounts(c.node, c.children, map);
        EXPECT_EQ(update.nodeText, c.nodeText);
        ASSERT_EQ(update.children.size(), c.updates.size());
        for (size_t i = 0; i < c.updates.size(); ++i) {
            EXPECT_EQ(update.children[i].index, c.updates[i].index) << i;
            EXPECT_EQ(update.children[i].text, c.updates[i].text) << i;
        }
    }
    const std::pair<std::wstring, std::wstring> names[] = {
        {L"VIP(3)", L"VIP"}, {L"我的客户(120)", L"我的客户"}, {L"a(b)", L"a(b)"}, {L"()", L"()"}, {L"x()", L"x()"},
        {L"(5)", L""},       {L"plain", L"plain"},
    };
    for (const auto& n : names) EXPECT_EQ(CClientMgrModel::NodeName(n.first), n.second) << fw::ToAnsi(n.first);
}

TEST(ClientMgrTree, MergeCachedCategories) {
    FriendMap map;
    map[L"VIP"] = Users(1, 2);
    FriendListRecord cached;
    CategoryRecord vip = {};
    fw::CopyToAnsiField(L"VIP", vip.name);
    CategoryRecord fresh = {};
    fw::CopyToAnsiField(L"新客户", fresh.name);
    cached.categories = {vip, fresh};
    const FriendMap merged = CClientMgrModel::MergeCachedCategories(map, &cached);
    ASSERT_EQ(merged.size(), 2u);
    EXPECT_EQ(merged.at(L"VIP").size(), 2u);  // the map's users stay
    EXPECT_TRUE(merged.at(L"新客户").empty());
    EXPECT_EQ(CClientMgrModel::MergeCachedCategories(map, nullptr).size(), 1u);
}

TEST(ClientMgrRows, EndTimeAndWidthClamp) {
    const std::vector<TalkListRecord> talks = {{7, 20261209, 101500, {}}, {8, 20260101, 90503, {}},
                                               {7, 20250101, 0, {}}};
    EXPECT_EQ(CClientMgrModel::EndTimeText(talks, 7), L"2026-12-09 10:15:00");  // the first record of the user
    EXPECT_EQ(CClientMgrModel::EndTimeText(talks, 8), L"2026-01-01 09:05:03");
    EXPECT_EQ(CClientMgrModel::EndTimeText(talks, 9), L"");

    struct Width {
        int column, asked, kept;
    };
    const Width widths[] = {{0, 10, 40},   {0, 300, 40},  {1, 50, 120},  {1, 120, 120}, {1, 121, 121},
                            {4, 259, 259}, {4, 260, 260}, {7, 900, 260}, {3, -5, 120}};
    for (const Width& w : widths)
        EXPECT_EQ(CClientMgrModel::ClampColumnWidth(w.column, w.asked), w.kept) << w.column << " " << w.asked;
}
