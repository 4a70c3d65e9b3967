// What the chat view's left lists and session list decide without a
// window: the list a kind shows, an agent's customers and count text, the
// 30-second refresh, the selections, and the session rows.
#include "LeftListRules.h"

#include "fw/StringUtil.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TalkListRecord Talk(int32_t id, int32_t date, int32_t time) {
    TalkListRecord r = {};
    r.userId = id;
    r.date = date;
    r.time = time;
    return r;
}

UserInfoBase Customer(int32_t id, const wchar_t* name, const wchar_t* category) {
    UserInfoBase r = {};
    r.userId = id;
    fw::CopyToAnsiField(name, r.nickname);
    fw::CopyToAnsiField(category, r.category);
    return r;
}

}  // namespace

TEST(LeftListKinds, AKindWithoutAListKeepsThePreviousOne) {
    using R = CLeftListRules;
    EXPECT_EQ(R::ShownList(R::kOrganisation, R::kCustomers), R::kOrganisation);
    EXPECT_EQ(R::ShownList(R::kRegistered, R::kOrganisation), R::kRegistered);
    EXPECT_EQ(R::ShownList(3, R::kOrganisation), R::kOrganisation);  // "组织结构"
    EXPECT_EQ(R::ShownList(3, R::kCustomers), R::kCustomers);
    EXPECT_EQ(R::ShownList(R::kCustomers, R::kRegistered), R::kCustomers);
    // The 30-second refresh asks only while a tree of agents is the kind.
    EXPECT_EQ(R::RefreshTalkKind(R::kOrganisation), TALKLIST_TALK);
    EXPECT_EQ(R::RefreshTalkKind(R::kRegistered), TALKLIST_REGISTERED);
    EXPECT_EQ(R::RefreshTalkKind(3), -1);
    EXPECT_EQ(R::RefreshTalkKind(R::kCustomers), -1);
}

TEST(AgentChildren, LaterDateFirstThenLaterTime) {
    const std::vector<TalkListRecord> sorted = CLeftListRules::SortedCustomers(
        {Talk(1, 20261201, 90000), Talk(2, 20261209, 80000), Talk(3, 20261209, 120000), Talk(4, 20261130, 235959)});
    ASSERT_EQ(sorted.size(), 4u);
    EXPECT_EQ(sorted[0].userId, 3);
    EXPECT_EQ(sorted[1].userId, 2);
    EXPECT_EQ(sorted[2].userId, 1);
    EXPECT_EQ(sorted[3].userId, 4);
}

TEST(AgentChildren, CountSuffixIsReplaced) {
    struct Case {
        const wchar_t* text;
        int count;
        const wchar_t* shown;
    } cases[] = {
        {L"周宁", 3, L"周宁 [3]"},
        {L"周宁 [3]", 1, L"周宁 [1]"},
        {L"周宁 [12]", 0, L"周宁 [0]"},
        {L"[VIP] 周宁", 2, L"[VIP] 周宁 [2]"},
        {L"周宁 [x]", 2, L"周宁 [x] [2]"},
        {L"我的注册用户", 0, L"我的注册用户 [0]"},
    };
    for (const Case& c : cases) EXPECT_EQ(CLeftListRules::AgentText(c.text, c.count), c.shown) << c.count;
}

TEST(TreeSelection, CustomersOpenWatchedAgentsAskForTheirList) {
    using Action = CLeftListRules::Action;
    CLeftListRules::Selection customer;
    customer.byUser = true;
    customer.image = CLeftListRules::kCustomerImage;
    customer.itemData = 60004;
    customer.parentData = 50002;
    Action a = CLeftListRules::OnSelection(customer);
    EXPECT_EQ(a.kind, Action::kOpenWatched);
    EXPECT_EQ(a.customer, 60004);
    EXPECT_EQ(a.agent, 50002);

    CLeftListRules::Selection agent;
    agent.byUser = true;
    agent.image = CLeftListRules::kAgentImage;
    agent.itemData = 50003;
    agent.talkKind = TALKLIST_REGISTERED;
    a = CLeftListRules::OnSelection(agent);
    EXPECT_EQ(a.kind, Action::kAskTalkList);
    EXPECT_EQ(a.agent, 50003);
    EXPECT_EQ(a.talkKind, TALKLIST_REGISTERED);

    // Nothing: an open agent, an id outside the agents', a rebuild, a
    // change the program made, a customer without its agent.
    struct Case {
        const char* why;
        CLeftListRules::Selection s;
    } none[] = {
        {"expanded", [&] { auto s = agent; s.expanded = true; return s; }()},
        {"not an agent id", [&] { auto s = agent; s.itemData = 100000; return s; }()},
        {"root without id", [&] { auto s = agent; s.itemData = 0; return s; }()},
        {"rebuilding", [&] { auto s = customer; s.rebuilding = true; return s; }()},
        {"unknown action", [&] { auto s = customer; s.byUser = false; return s; }()},
        {"no agent", [&] { auto s = customer; s.parentData = 0; return s; }()},
    };
    for (const Case& c : none) EXPECT_EQ(CLeftListRules::OnSelection(c.s).kind, Action::kNone) << c.why;
}

TEST(SessionList, RowsAddedAndRemovedByUser) {
    CSessionListModel model;
    auto change = model.UpdateSession(Customer(60001, L"张伟", L"重要客户"), false, false);
    EXPECT_EQ(change.kind, CSessionListModel::Change::kAdded);
    EXPECT_EQ(change.index, 0);
    change = model.UpdateSession(Customer(60004, L"刘洋", L"我的客户"), false, true);
    EXPECT_EQ(change.index, 1);
    ASSERT_EQ(model.Rows().size(), 2u);
    EXPECT_EQ(model.Rows()[0].name, L"张伟");
    EXPECT_EQ(model.Rows()[0].description, L"重要客户");
    EXPECT_EQ(model.Rows()[1].description, L"临时会话(转接或抢接)");

    // Nobody, or a user already listed, adds no row.
    EXPECT_EQ(model.UpdateSession(Customer(0, L"x", L"y"), false, false).kind, CSessionListModel::Change::kNone);
    EXPECT_EQ(model.UpdateSession(Customer(60001, L"张伟", L"重要客户"), false, false).kind,
              CSessionListModel::Change::kNone);

    change = model.UpdateSession(Customer(60001, L"", L""), true, false);
    EXPECT_EQ(change.kind, CSessionListModel::Change::kRemoved);
    EXPECT_EQ(change.index, 0);
    EXPECT_EQ(model.Find(60004), 0);
    EXPECT_EQ(model.UpdateSession(Customer(60001, L"", L""), true, false).kind, CSessionListModel::Change::kNone);
}
