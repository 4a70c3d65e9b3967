// The quick-reply page's decisions without a window: which buttons a
// selection allows (organisation roles, roots and replies, first and last
// replies, common replies waiting for the server), the own list edited by
// position even with equal texts, the changes sent for common replies (a
// delete sends no text), moves that take the ids along, the server's
// answers, and the editor's kinds and titles.
#include "EditQuickReplyPanel.h"
#include "QuickReplyModel.h"

#include "SystemAnsiCodePage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int kOwn = REPLY_ROOT_OWN;
constexpr int kCommon = REPLY_ROOT_COMMON;

ReplySelection Sel(int root, int index) { return ReplySelection{root, index}; }

ReplyButtons Buttons(bool add, bool modify, bool remove, bool up, bool down) {
    ReplyButtons b;
    b.add = add;
    b.modify = modify;
    b.remove = remove;
    b.up = up;
    b.down = down;
    return b;
}

std::string Describe(const ReplyButtons& b) {
    std::string s;
    s += b.add ? "add " : "- ";
    s += b.modify ? "modify " : "- ";
    s += b.remove ? "delete " : "- ";
    s += b.up ? "up " : "- ";
    s += b.down ? "down" : "-";
    return s;
}

CommReplyRecord Record(int32_t id, int32_t position, const std::string& text) {
    CommReplyRecord record;
    record.id = id;
    record.position = position;
    record.text = text;
    return record;
}

class QuickReplyModelTest : public ::testing::Test {
protected:
    QuickReplyModelTest() : model(own, codePage) {
        own = {L"own A", L"own B", L"own C"};
        model.SetCommonReplies({Record(11, 0, "common A"), Record(12, 1, "common B"), Record(13, 2, "common C")});
    }
    std::vector<int32_t> CommonIds() const {
        std::vector<int32_t> ids;
        for (const CommonReply& r : model.Common()) ids.push_back(r.id);
        return ids;
    }
    std::vector<std::wstring> CommonTexts() const {
        std::vector<std::wstring> texts;
        for (const CommonReply& r : model.Common()) texts.push_back(r.text);
        return texts;
    }

    clientui::CSystemAnsiCodePage codePage;
    std::vector<std::wstring> own;
    CQuickReplyModel model;
};

TEST_F(QuickReplyModelTest, ButtonsFollowTheRoleTheRootAndTheNeighbours) {
    struct Case {
        const char* name;
        ReplySelection selection;
        int role;
        ReplyButtons expected;
    };
    const Case cases[] = {
        {"nothing selected", Sel(0, -1), 2, Buttons(false, false, false, false, false)},
        {"own root, agent", Sel(kOwn, -1), 4, Buttons(true, false, false, false, false)},
        {"first own reply, agent", Sel(kOwn, 0), 4, Buttons(true, true, true, false, true)},
        {"middle own reply, agent", Sel(kOwn, 1), 4, Buttons(true, true, true, true, true)},
        {"last own reply, agent", Sel(kOwn, 2), 4, Buttons(true, true, true, true, false)},
        {"common root, agent", Sel(kCommon, -1), 4, Buttons(false, false, false, false, false)},
        {"common reply, agent", Sel(kCommon, 1), 4, Buttons(false, false, false, false, false)},
        {"common reply, no role", Sel(kCommon, 1), 0, Buttons(false, false, false, false, false)},
        {"common root, manager", Sel(kCommon, -1), 2, Buttons(true, false, false, false, false)},
        {"first common reply, manager", Sel(kCommon, 0), 2, Buttons(true, true, true, false, true)},
        {"last common reply, role 1", Sel(kCommon, 2), 1, Buttons(true, true, true, true, false)},
        {"middle common reply, role 3", Sel(kCommon, 1), 3, Buttons(true, true, true, true, true)},
        {"a reply past the list", Sel(kOwn, 9), 2, Buttons(true, false, false, false, false)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Describe(model.Buttons(c.selection, c.role)), Describe(c.expected)) << c.name;
}

TEST_F(QuickReplyModelTest, ACommonReplyWaitingForTheServerIsNeitherChangedNorDeletedNorMoved) {
    CommReplyChange change;
    int operation = -1;
    ASSERT_EQ(model.Add(kCommon, L"new one", &change, &operation), 3);
    EXPECT_TRUE(model.HasPendingChanges());
    // The new reply has no id yet; while the answer is out nothing moves or
    // goes (the answer names the reply by its position).
    EXPECT_EQ(Describe(model.Buttons(Sel(kCommon, 3), 2)), Describe(Buttons(true, false, false, false, false)));
    EXPECT_EQ(Describe(model.Buttons(Sel(kCommon, 1), 2)), Describe(Buttons(true, true, false, false, false)));
    EXPECT_EQ(model.Modify(Sel(kCommon, 3), L"too early"), -1);
    EXPECT_EQ(model.Delete(Sel(kCommon, 1)), -2);
    EXPECT_EQ(model.Move(Sel(kCommon, 1), 1), -1);
    // Own replies are not held up.
    EXPECT_EQ(Describe(model.Buttons(Sel(kOwn, 1), 4)), Describe(Buttons(true, true, true, true, true)));

    // The answer gives the reply at its position its id.
    EXPECT_FALSE(model.AssignCommonId(7, 99)) << "no reply there";
    EXPECT_TRUE(model.AssignCommonId(3, 14));
    EXPECT_EQ(CommonIds(), std::vector<int32_t>({11, 12, 13, 14}));
    EXPECT_FALSE(model.HasPendingChanges());
    EXPECT_FALSE(model.AssignCommonId(3, 15)) << "an answer nobody waits for changes nothing";
    EXPECT_EQ(Describe(model.Buttons(Sel(kCommon, 3), 2)), Describe(Buttons(true, true, true, true, false)));
}

TEST_F(QuickReplyModelTest, ANewListFromTheServerEndsTheWait) {
    model.Add(kCommon, L"new one");
    model.SetCommonReplies({Record(11, 0, "common A"), Record(20, 1, "new one")});
    EXPECT_FALSE(model.HasPendingChanges());
    EXPECT_EQ(CommonIds(), std::vector<int32_t>({11, 20}));
    EXPECT_EQ(CommonTexts(), std::vector<std::wstring>({L"common A", L"new one"}));
}

TEST_F(QuickReplyModelTest, CommonRepliesAreReadFromTheAnsiCodePageUpToTheirNul) {
    std::string withNul("hello", 5);
    withNul += '\0';
    withNul += "hidden";
    model.SetCommonReplies({Record(1, 0, "\xc4\xfa\xba\xc3"), Record(2, 1, withNul)});  // 您好 in GBK
    EXPECT_EQ(CommonTexts(), std::vector<std::wstring>({L"您好", L"hello"}));
}

TEST_F(QuickReplyModelTest, CommonChangesCarryIdPositionAndTextAndADeleteNoText) {
    CommReplyChange change;
    int operation = -1;
    ASSERT_EQ(model.Add(kCommon, L"请稍候", &change, &operation), 3);
    EXPECT_EQ(operation, COMMREPLY_OP_SET);
    EXPECT_EQ(change.id, 0);
    EXPECT_EQ(change.position, 3);
    EXPECT_EQ(change.text, "\xc7\xeb\xc9\xd4\xba\xf2");  // GBK
    ASSERT_TRUE(model.AssignCommonId(3, 14));

    ASSERT_EQ(model.Modify(Sel(kCommon, 1), L"changed", &change, &operation), 1);
    EXPECT_EQ(operation, COMMREPLY_OP_SET);
    EXPECT_EQ(change.id, 12);
    EXPECT_EQ(change.position, 1);
    EXPECT_EQ(change.text, "changed");
    ASSERT_TRUE(model.AssignCommonId(1, 12));

    // Gone from the list before any answer; the selection moves to the
    // reply now at its place, or to the one before the last.
    ASSERT_EQ(model.Delete(Sel(kCommon, 1), &change, &operation), 1);
    EXPECT_EQ(operation, COMMREPLY_OP_DELETE);
    EXPECT_EQ(change.id, 12);
    EXPECT_EQ(change.position, 1);
    EXPECT_TRUE(change.text.empty());
    EXPECT_EQ(CommonIds(), std::vector<int32_t>({11, 13, 14}));
    EXPECT_EQ(model.Delete(Sel(kCommon, 2)), 1);
    EXPECT_EQ(model.Delete(Sel(kCommon, 0)), 0);
    EXPECT_EQ(model.Delete(Sel(kCommon, 0)), -1) << "the root is empty";
    EXPECT_TRUE(model.Common().empty());
}

TEST_F(QuickReplyModelTest, MovingACommonReplyTakesItsIdAlongAndSendsNothing) {
    EXPECT_EQ(model.Move(Sel(kCommon, 0), -1), -1) << "the first cannot go up";
    EXPECT_EQ(model.Move(Sel(kCommon, 2), 1), -1) << "the last cannot go down";
    ASSERT_EQ(model.Move(Sel(kCommon, 0), 1), 1);
    EXPECT_EQ(CommonIds(), std::vector<int32_t>({12, 11, 13}));
    EXPECT_EQ(CommonTexts(), std::vector<std::wstring>({L"common B", L"common A", L"common C"}));
    EXPECT_FALSE(model.HasPendingChanges());
    // A change of the moved reply names it by its own id.
    CommReplyChange change;
    ASSERT_EQ(model.Modify(Sel(kCommon, 1), L"A again", &change), 1);
    EXPECT_EQ(change.id, 11);
    EXPECT_EQ(change.position, 1);
}

TEST_F(QuickReplyModelTest, OwnRepliesWithEqualTextsAreEditedWhereTheyStand) {
    own = {L"same", L"other", L"same", L"last"};
    // The second "same" (index 2) is changed, not the first.
    ASSERT_EQ(model.Modify(Sel(kOwn, 2), L"third"), 2);
    EXPECT_EQ(own, std::vector<std::wstring>({L"same", L"other", L"third", L"last"}));
    ASSERT_EQ(model.Modify(Sel(kOwn, 2), L"same"), 2);

    // Moving the second "same" down keeps the list in the tree's order.
    ASSERT_EQ(model.Move(Sel(kOwn, 2), 1), 3);
    EXPECT_EQ(own, std::vector<std::wstring>({L"same", L"other", L"last", L"same"}));
    ASSERT_EQ(model.Move(Sel(kOwn, 3), -1), 2);
    EXPECT_EQ(own, std::vector<std::wstring>({L"same", L"other", L"same", L"last"}));
    EXPECT_EQ(model.Move(Sel(kOwn, 0), -1), -1) << "the first own reply goes nowhere";
    EXPECT_EQ(own, std::vector<std::wstring>({L"same", L"other", L"same", L"last"}));

    // Deleting the second "same" leaves the first.
    ASSERT_EQ(model.Delete(Sel(kOwn, 2)), 2);
    EXPECT_EQ(own, std::vector<std::wstring>({L"same", L"other", L"last"}));
    ASSERT_EQ(model.Add(kOwn, L"same"), 3);
    EXPECT_EQ(own, std::vector<std::wstring>({L"same", L"other", L"last", L"same"}));
    EXPECT_EQ(model.Add(kOwn, L""), -1);
    EXPECT_EQ(model.Text(Sel(kOwn, 3)), L"same");
    EXPECT_FALSE(model.HasPendingChanges()) << "own replies are not sent";
}

TEST(QuickReplyEditorKinds, FollowTheRootAndTheActionWithTheirTitles) {
    EXPECT_EQ(CQuickReplyModel::AddKind(REPLY_ROOT_OWN), kReplyKindAddQuick);
    EXPECT_EQ(CQuickReplyModel::ModifyKind(REPLY_ROOT_OWN), kReplyKindModifyQuick);
    EXPECT_EQ(CQuickReplyModel::AddKind(REPLY_ROOT_COMMON), kReplyKindAddCommon);
    EXPECT_EQ(CQuickReplyModel::ModifyKind(REPLY_ROOT_COMMON), kReplyKindModifyCommon);

    const wchar_t* titles[] = {L"新增快捷回复", L"修改快捷回复", L"新增自动回复",
                               L"修改自动回复", L"新增公共回复", L"修改公共回复"};
    for (int kind = 0; kind < 6; ++kind) {
        CEditQuickReplyPanel editor;
        editor.SetReplyType(kind, L"text");
        EXPECT_EQ(editor.GetTitle(), titles[kind]) << kind;
        EXPECT_EQ(editor.GetKind(), kind);
        EXPECT_EQ(editor.GetText(), L"text");
    }
    // Another kind keeps the title it had.
    CEditQuickReplyPanel editor;
    editor.SetReplyType(kReplyKindModifyCommon, L"");
    editor.SetReplyType(6, L"x");
    EXPECT_EQ(editor.GetTitle(), L"修改公共回复");
    EXPECT_EQ(editor.GetKind(), 6);
}

}  // namespace
