// The contacts the search boxes list: their texts (a memo that
// does not begin with "0" comes first, the name in brackets after the id)
// and their order (categories in map order, records in their order), and
// the search over them finding a customer by the pinyin of either text;
// the index of prepared search texts never answering from texts that are
// no longer the contacts' own, whatever changed the friend-map cache.
#include "clientui/ContactSearchList.h"

#include "clientui/ContactCache.h"

#include "SystemAnsiCodePage.h"
#include "fw/StringUtil.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

UserInfoBase Record(int32_t id, const std::wstring& name, const std::wstring& memo) {
    UserInfoBase record = {};
    record.userId = id;
    fw::CopyToAnsiField(name, record.nickname);
    fw::CopyToAnsiField(memo, record.memo);
    return record;
}

TEST(ContactSearchTextTest, MemoFirstUnlessEmptyOrBeginningWithZero) {
    const struct {
        std::wstring name, memo, expected;
    } cases[] = {
        {L"张伟", L"张总", L"张总(60001)(张伟)"},
        {L"张伟", L"", L"张伟(60001)"},
        {L"张伟", L"0号客户", L"张伟(60001)"},
        {L"张伟", L"0", L"张伟(60001)"},
        {L"", L"张总", L"张总(60001)()"},
        {L"Zhang Wei", L"VIP", L"VIP(60001)(Zhang Wei)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(clientui::ContactSearchText(Record(60001, c.name, c.memo)), c.expected)
            << fw::ToAnsi(c.memo);
}

TEST(ContactSearchCandidatesTest, EveryRecordInMapThenVectorOrder) {
    FriendMap friends;
    friends[L"普通客户"] = {Record(60002, L"李芳", L""), Record(60003, L"王强", L"")};
    friends[L"重要客户"] = {Record(60001, L"张伟", L"张总")};
    friends[L"空分组"] = {};
    const auto candidates = clientui::ContactSearchCandidates(friends);
    std::vector<int32_t> ids;
    for (const auto& c : candidates) ids.push_back(c.userId);
    // std::map orders the category names by their wide characters.
    std::vector<int32_t> expected;
    for (const auto& category : friends)
        for (const UserInfoBase& record : category.second) expected.push_back(record.userId);
    EXPECT_EQ(ids, expected);
    ASSERT_EQ(candidates.size(), 3u);
}

TEST(ContactSearchCandidatesTest, ThePinyinOfTheMemoOrTheNameFindsTheCustomer) {
    FriendMap friends;
    friends[L"我的客户"] = {Record(60004, L"刘洋", L""), Record(60006, L"赵磊", L"新客户"),
                           Record(60001, L"张伟", L"张总")};
    const auto candidates = clientui::ContactSearchCandidates(friends);
    clientui::CSystemAnsiCodePage codePage;
    clientui::CContactSearch search(codePage);
    const struct {
        std::wstring text;
        std::vector<int32_t> ids;
    } cases[] = {
        {L"ly", {60004}},        // initials of the name
        {L"LIUYANG", {60004}},   // full pinyin of the name
        {L"XKH", {60006}},       // initials of the memo
        {L"ZL", {60006}},        // initials of the name behind the memo
        {L"ZZ", {60001}},
        {L"600", {60004, 60006, 60001}},
        {L"nobody", {}},
    };
    for (const auto& c : cases) {
        std::vector<int32_t> ids;
        for (const auto& hit : search.Search(candidates, c.text)) ids.push_back(hit.userId);
        EXPECT_EQ(ids, c.ids) << fw::ToAnsi(c.text);
    }
}

// The friend-map cache as the program changes it between two keystrokes,
// step by step; after each step the index answers every query exactly as
// the plain search over freshly made candidates does, and prepares afresh
// only the records whose texts changed.
TEST(ContactSearchIndexTest, AnswersAsThePlainSearchAfterEveryChangeOfTheCache) {
    clientui::CSystemAnsiCodePage codePage;
    clientui::CContactSearch plain(codePage);
    clientui::CContactSearchIndex index(codePage);
    const std::wstring queries[] = {L"zw", L"ZHANGWEI", L"lq", L"lf", L"wq", L"zz", L"xkh", L"600",
                                    L"60001", L"(", L"liu", L"chen", L"cj", L"nobody"};
    const auto ids = [](const std::vector<clientui::SearchHit>& hits) {
        std::vector<int32_t> out;
        for (const auto& hit : hits) out.push_back(hit.userId);
        return out;
    };
    const auto rename = [](int32_t id, const std::wstring& name, const std::wstring& memo) {
        UserInfoBase record = Record(id, name, memo);
        UpdateCachedUser(&record);
    };
    FriendMap other;  // another agent's list
    other[L"我的客户"] = {Record(70001, L"陈静", L""), Record(70002, L"刘洋", L"")};

    const struct {
        const char* step;
        std::function<void()> change;
        size_t prepared;                 // records prepared afresh
        std::wstring query;              // a query whose answer shows the change
        std::vector<int32_t> expected;
    } steps[] = {
        {"first search", [] {
             g_FriendMapCache.clear();
             g_FriendMapCache[L"重要客户"] = {Record(60001, L"张伟", L"")};
             g_FriendMapCache[L"普通客户"] = {Record(60002, L"李芳", L""), Record(60003, L"王强", L"")};
         }, 3, L"zw", {60001}},
        {"nothing changed", [] {}, 0, L"600", {60002, 60003, 60001}},
        {"a status changed", [] { SetCachedUserStatus(60002, STATUS_ONLINE); }, 0, L"lf", {60002}},
        {"statuses of the list", [] { SetCachedUserStatuses({{60001, STATUS_ONLINE}, {60003, STATUS_AWAY}}); },
         0, L"wq", {60003}},
        {"renamed", [&] { rename(60001, L"李强", L""); }, 1, L"zw", {}},
        {"the new name", [] {}, 0, L"lq", {60001}},
        {"a remark given", [&] { rename(60002, L"李芳", L"张总"); }, 1, L"zz", {60002}},
        {"added", [] { g_FriendMapCache[L"普通客户"].insert(g_FriendMapCache[L"普通客户"].begin(),
                                                             Record(60004, L"刘洋", L"新客户")); },
         1, L"xkh", {60004}},
        {"removed", [] {
             auto& list = g_FriendMapCache[L"普通客户"];
             list.erase(list.begin() + 1);  // 60002
         }, 0, L"zz", {}},
        {"moved to another category", [] {
             g_FriendMapCache[L"普通客户"].push_back(g_FriendMapCache[L"重要客户"][0]);
             g_FriendMapCache.erase(L"重要客户");
         }, 0, L"600", {60004, 60003, 60001}},
        {"list refreshed, same contacts", [] { g_FriendMapCache = FriendMap(g_FriendMapCache); }, 0, L"liu",
         {60004}},
        {"another account logged on", [&] { g_FriendMapCache = other; }, 2, L"600", {}},
        {"its customers", [] {}, 0, L"cj", {70001}},
        {"logged off", [] { g_FriendMapCache.clear(); }, 0, L"(", {}},
    };
    for (const auto& step : steps) {
        step.change();
        EXPECT_EQ(ids(index.Search(g_FriendMapCache, step.query)), step.expected) << step.step;
        EXPECT_EQ(index.LastPrepared(), step.prepared) << step.step;
        const auto fresh = clientui::ContactSearchCandidates(g_FriendMapCache);
        for (const std::wstring& query : queries) {
            const auto hits = index.Search(g_FriendMapCache, query);
            const auto expected = plain.Search(fresh, query);
            EXPECT_EQ(ids(hits), ids(expected)) << step.step << ": " << fw::ToAnsi(query);
            for (size_t i = 0; i < hits.size() && i < expected.size(); ++i)
                EXPECT_EQ(hits[i].displayText, expected[i].displayText) << step.step;
        }
    }
    g_FriendMapCache.clear();
}

// A record's texts come from its id, name and memo bytes alone: the same
// customer twice (in two categories) is listed twice, and a changed byte
// after the name's end prepares the record again without changing a hit.
TEST(ContactSearchIndexTest, DuplicatesAndBytesBehindTheText) {
    clientui::CSystemAnsiCodePage codePage;
    clientui::CContactSearchIndex index(codePage);
    FriendMap friends;
    friends[L"a"] = {Record(60001, L"张伟", L"")};
    friends[L"b"] = {Record(60001, L"张伟", L"")};
    ASSERT_EQ(index.Search(friends, L"zw").size(), 2u);
    EXPECT_EQ(index.LastPrepared(), 2u);
    friends[L"b"][0].nickname[sizeof friends[L"b"][0].nickname - 1] = 'x';
    const auto hits = index.Search(friends, L"zw");
    EXPECT_EQ(index.LastPrepared(), 1u);
    ASSERT_EQ(hits.size(), 2u);
    EXPECT_EQ(hits[1].displayText, L"张伟(60001)");
    friends.erase(L"a");
    EXPECT_EQ(index.Search(friends, L"zw").size(), 1u);
    EXPECT_EQ(index.Candidates().size(), 1u);
    EXPECT_TRUE(index.Search(friends, L"").empty());
}

// The texts prepared ahead, a slice at a time before the first search, are
// the ones the search takes: the first search prepares none of them again,
// only a record changed (renamed, or its memo) or added since; and it
// answers as the plain search does.
TEST(ContactSearchIndexTest, TextsPreparedAheadInSlicesAreTakenByTheFirstSearch) {
    clientui::CSystemAnsiCodePage codePage;
    clientui::CContactSearch plain(codePage);
    const auto ids = [](const std::vector<clientui::SearchHit>& hits) {
        std::vector<int32_t> out;
        for (const auto& hit : hits) out.push_back(hit.userId);
        return out;
    };
    const struct {
        const char* what;
        std::function<void(FriendMap&)> change;  // between the slices and the search
        size_t prepared;
    } cases[] = {
        {"nothing changed", [](FriendMap&) {}, 0},
        {"renamed", [](FriendMap& f) { fw::CopyToAnsiField(L"刘洋", f[L"普通客户"][1].nickname); }, 1},
        {"a memo given", [](FriendMap& f) { fw::CopyToAnsiField(L"张总", f[L"重要客户"][0].memo); }, 1},
        {"added", [](FriendMap& f) { f[L"普通客户"].push_back(Record(60009, L"陈静", L"")); }, 1},
        {"removed", [](FriendMap& f) { f[L"普通客户"].pop_back(); }, 0},
    };
    for (const auto& c : cases) {
        FriendMap friends;
        friends[L"重要客户"] = {Record(60001, L"张伟", L""), Record(60002, L"李芳", L"")};
        friends[L"普通客户"] = {Record(60003, L"王强", L""), Record(60004, L"李强", L""), Record(60005, L"赵敏", L"")};
        clientui::CContactSearchIndex index(codePage);
        int slices = 1;
        while (!index.PrepareAhead(friends, 2)) ++slices;
        EXPECT_EQ(slices, 3) << c.what;  // 5 records, 2 a slice
        c.change(friends);
        const auto fresh = clientui::ContactSearchCandidates(friends);
        for (const std::wstring query : {L"600", L"zw", L"lq", L"ly", L"zz", L"cj"}) {
            EXPECT_EQ(ids(index.Search(friends, query)), ids(plain.Search(fresh, query))) << c.what;
            if (query == std::wstring(L"600")) {
                EXPECT_EQ(index.LastPrepared(), c.prepared) << c.what;
            }
        }
        // After a search there is nothing left to prepare ahead.
        EXPECT_TRUE(index.PrepareAhead(friends, 0)) << c.what;
    }
}

}  // namespace
