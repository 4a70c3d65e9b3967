// The contacts the search boxes list: their texts (a memo that
// does not begin with "0" comes first, the name in brackets after the id)
// and their order (categories in map order, records in their order), and
// the search over them finding a customer by the pinyin of either text.
#include "clientui/ContactSearchList.h"

#include "SystemAnsiCodePage.h"
#include "fw/StringUtil.h"

#include <gtest/gtest.h>

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

}  // namespace
