#include "ContactSearch.h"

#include <gtest/gtest.h>

#include "SystemAnsiCodePage.h"

namespace clientui {
namespace {

class ContactSearchTest : public ::testing::Test {
protected:
    CSystemAnsiCodePage codePage_;
    CContactSearch search_{codePage_};
};

TEST_F(ContactSearchTest, DisplayTextWithAndWithoutThirdText) {
    EXPECT_EQ(CContactSearch::DisplayText(L"张三", 1001), L"张三(1001)");
    EXPECT_EQ(CContactSearch::DisplayText(L"老客户", 1002, L"李四"), L"老客户(1002)(李四)");
    EXPECT_EQ(CContactSearch::DisplayText(L"x", -5), L"x(-5)");
}

struct MatchCase {
    const wchar_t* displayText;
    const wchar_t* searchText;
    SearchMatch match;
};

class ContactMatchTest : public ContactSearchTest,
                         public ::testing::WithParamInterface<MatchCase> {};

TEST_P(ContactMatchTest, RunsTheFourTestsInOrder) {
    const MatchCase& c = GetParam();
    EXPECT_EQ(search_.Match(c.displayText, c.searchText), c.match)
        << "search " << testing::PrintToString(std::wstring(c.searchText));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ContactMatchTest,
    ::testing::Values(
        MatchCase{L"张三(1001)", L"张", SearchMatch::Text},
        MatchCase{L"张三(1001)", L"1001", SearchMatch::Text},
        MatchCase{L"张三(1001)", L"ZS", SearchMatch::Initials},
        MatchCase{L"张三(1001)", L"zs", SearchMatch::Initials},
        MatchCase{L"张三(1001)", L"ZS(10", SearchMatch::Initials},
        MatchCase{L"张三(1001)", L"ZHANGSAN", SearchMatch::FullPinyin},
        MatchCase{L"张三(1001)", L"zhangsan(1001)", SearchMatch::FullPinyin},
        MatchCase{L"张三(1001)", L"GSA", SearchMatch::FullPinyin},
        MatchCase{L"Alice(1003)", L"Ali", SearchMatch::Text},
        MatchCase{L"Alice(1003)", L"ali", SearchMatch::UpperCase},
        // The display text itself is tried before its pinyin.
        MatchCase{L"ZS客服(1004)", L"ZS", SearchMatch::Text},
        MatchCase{L"张三(1001)", L"LS", SearchMatch::None},
        MatchCase{L"张三(1001)", L"张四", SearchMatch::None},
        MatchCase{L"张三(1001)", L"", SearchMatch::None}));

TEST_F(ContactSearchTest, FindsInListOrderAndStopsAtSixHits) {
    std::vector<SearchCandidate> contacts;
    for (int i = 0; i < 8; ++i) {
        int32_t id = 2000 + i;
        contacts.push_back({id, CContactSearch::DisplayText(L"张明", id)});
        if (i == 2) contacts.push_back({3000, CContactSearch::DisplayText(L"李四", 3000)});
    }
    std::vector<SearchHit> hits = search_.Search(contacts, L"zm");
    ASSERT_EQ(hits.size(), CContactSearch::kMaxHits);
    for (size_t i = 0; i < hits.size(); ++i) {
        EXPECT_EQ(hits[i].userId, 2000 + static_cast<int32_t>(i));
        EXPECT_EQ(hits[i].displayText, CContactSearch::DisplayText(L"张明", hits[i].userId));
    }
}

TEST_F(ContactSearchTest, FindsOnlyTheMatchingContacts) {
    std::vector<SearchCandidate> contacts = {
        {1001, L"张三(1001)"}, {1002, L"李四(1002)"}, {1003, L"Alice(1003)"}};
    std::vector<SearchHit> hits = search_.Search(contacts, L"LS");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].userId, 1002);
    EXPECT_TRUE(search_.Search(contacts, L"nobody").empty());
    EXPECT_TRUE(search_.Search(contacts, L"").empty());
    // Digits of the id match every contact whose id holds them.
    EXPECT_EQ(search_.Search(contacts, L"100").size(), 3u);
}

}  // namespace
}  // namespace clientui
