// The contact tree's decisions without a window: user order, counts and
// group texts, face and status pictures, row texts, the flashing list.
#include "clientui/FriendTreeModel.h"

#include "test_support.h"

#include "fw/StringUtil.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

FriendTreeContact Contact(int32_t id, int32_t status, const std::wstring& nickname, const std::wstring& memo = L"",
                          const std::wstring& signature = L"", int32_t face = 0) {
    return FriendTreeContact::FromRecord(MakeUser(id, status, nickname, memo, signature, face));
}

TEST(FriendTreeOrderTest, OrderTable) {
    // GBK bytes: zhang D5C5 < zhao D5D4; li C0EE < wu CEE2 < zheng D6A3.
    const std::wstring zhang = L"\u5F20\u4E09", zhao = L"\u8D75\u516D", li = L"\u674E\u56DB",
                       wu = L"\u5434\u4E5D", zheng = L"\u90D1\u5341";
    struct Case {
        int32_t statusA;
        std::wstring a;
        int32_t statusB;
        std::wstring b;
        int expected;  // sign of CompareUsers(a, b)
        const char* why;
    } cases[] = {
        {STATUS_ONLINE, zhao, STATUS_BUSY, zhang, -1, "online before busy whatever the names"},
        {STATUS_BUSY, zhang, STATUS_AWAY, zhang, -1, "busy before away"},
        {STATUS_AWAY, li, STATUS_DND, li, -1, "away before do not disturb"},
        {STATUS_DND, zhao, STATUS_INVISIBLE, li, -1, "do not disturb before invisible"},
        {STATUS_ONLINE, zhang, STATUS_ONLINE, zhao, -1, "same status: by name bytes"},
        {STATUS_ONLINE, zhao, STATUS_ONLINE, zhang, 1, "same status: by name bytes"},
        {STATUS_INVISIBLE, zheng, STATUS_OFFLINE, wu, 1, "invisible among offline by name, not before"},
        {STATUS_OFFLINE, li, STATUS_INVISIBLE, wu, -1, "offline and invisible by name"},
        {STATUS_ONLINE, L"Bob", STATUS_ONLINE, zhang, -1, "unsigned bytes: ASCII before GBK"},
        {STATUS_ONLINE, L"Bo", STATUS_ONLINE, L"Bob", -1, "a prefix first"},
        {STATUS_ONLINE, L"Bob", STATUS_ONLINE, L"Bob", 0, "equal"},
    };
    for (const Case& c : cases) {
        const int got = CFriendTreeModel::CompareUsers(Contact(1, c.statusA, c.a), Contact(2, c.statusB, c.b));
        EXPECT_EQ(c.expected, (got > 0) - (got < 0)) << c.why;
    }
}

TEST(FriendTreeOrderTest, SortedGroupOfEveryStatus) {
    std::vector<FriendTreeContact> users;
    const FriendMap friends = FixtureFriends();
    for (const UserInfoBase& u : friends.at(L"\u6211\u7684\u597D\u53CB"))
        users.push_back(FriendTreeContact::FromRecord(u));
    std::stable_sort(users.begin(), users.end(), &CFriendTreeModel::UserBefore);
    std::vector<int32_t> ids;
    for (const auto& u : users) ids.push_back(u.userId);
    EXPECT_EQ((std::vector<int32_t>{102, 104, 105, 106, 103, 101}), ids);
}

TEST(FriendTreeCountTest, CountsAndGroupTexts) {
    CFriendTreeModel model;
    const FriendMap friends = FixtureFriends();
    for (const UserInfoBase& u : friends.at(L"\u540C\u4E8B")) model.SetContact(FriendTreeContact::FromRecord(u));
    const auto counts = model.CountGroup({201, 202, 203});
    EXPECT_EQ(1, counts.first);
    EXPECT_EQ(3, counts.second);
    EXPECT_EQ(L"\u540C\u4E8B [1/3]", CFriendTreeModel::GroupText(L"\u540C\u4E8B", counts.first, counts.second));
    EXPECT_EQ(L"\u540C\u4E8B", CFriendTreeModel::GroupText(L"\u540C\u4E8B", 0, 0));
    for (int32_t status = 0; status <= 5; ++status) EXPECT_EQ(status < 4, CFriendTreeModel::IsOnline(status));
    EXPECT_TRUE(model.SetStatus(202, STATUS_ONLINE));
    EXPECT_EQ(2, model.CountGroup({201, 202, 203}).first);
    EXPECT_FALSE(model.SetStatus(999, STATUS_ONLINE));
}

TEST(FriendTreePictureTest, FaceAndStatusMarks) {
    struct Case {
        int32_t status, face;
        int expected;
    } cases[] = {
        {STATUS_ONLINE, 0, 0}, {STATUS_BUSY, 0, 0}, {STATUS_AWAY, 3, 0}, {STATUS_DND, 7, 0},
        {STATUS_INVISIBLE, 0, 1}, {STATUS_OFFLINE, 0, 1}, {9, 0, 1},
        {STATUS_ONLINE, -1, -1}, {STATUS_OFFLINE, -1, -1},  // a negative face number: no face
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, CFriendTreeModel::FaceImage(c.status, c.face)) << c.status << "/" << c.face;
    for (int32_t status = 0; status <= 5; ++status)
        EXPECT_EQ(status >= 1 && status <= 3, CFriendTreeModel::HasStatusMark(status)) << status;
}

TEST(FriendTreeTextTest, RemarkNicknameAndSignature) {
    const auto withRemark = CFriendTreeModel::FirstLine(Contact(1, 0, L"\u5F20\u4E09", L"\u8001\u5F20"));
    EXPECT_EQ(L"\u8001\u5F20", withRemark.first);
    EXPECT_EQ(L"(\u5F20\u4E09)", withRemark.second);
    for (const wchar_t* noRemark : {L"", L"0", L"0abc"}) {
        const auto line = CFriendTreeModel::FirstLine(Contact(1, 0, L"\u674E\u56DB", noRemark));
        EXPECT_EQ(L"\u674E\u56DB", line.first) << "remark '" << fw::ToAnsi(noRemark) << "'";
        EXPECT_EQ(L"", line.second);
    }
    const std::wstring placeholder = L"\u6682\u65E0\u4E2A\u6027\u7B7E\u540D\u4FE1\u606F";
    EXPECT_EQ(placeholder, CFriendTreeModel::SignatureLine(Contact(1, 0, L"a", L"", L"")));
    EXPECT_EQ(placeholder, CFriendTreeModel::SignatureLine(Contact(1, 0, L"a", L"", L"0")));
    EXPECT_EQ(L"\u6B22\u8FCE", CFriendTreeModel::SignatureLine(Contact(1, 0, L"a", L"", L"\u6B22\u8FCE")));
}

TEST(FriendTreeTextTest, RecordFieldsAreReadWithinTheirSize) {
    UserInfoBase u = MakeUser(7, STATUS_BUSY, L"x");
    std::fill(std::begin(u.nickname), std::end(u.nickname), 'N');  // no NUL in the field
    std::fill(std::begin(u.memo), std::end(u.memo), 'M');
    const FriendTreeContact c = FriendTreeContact::FromRecord(u);
    EXPECT_EQ(24u, c.nicknameBytes.size());
    EXPECT_EQ(std::wstring(24, L'N'), c.nickname);
    EXPECT_EQ(std::wstring(16, L'M'), c.memo);
    EXPECT_EQ(7, c.userId);
    EXPECT_EQ(STATUS_BUSY, c.status);
}

TEST(FriendTreeFlashTest, ListAndPhases) {
    CFriendTreeModel model;
    EXPECT_TRUE(model.AddFlash(5)) << "first user: the list was empty";
    EXPECT_FALSE(model.AddFlash(6));
    EXPECT_FALSE(model.AddFlash(5)) << "not added twice";
    ASSERT_EQ(2u, model.FlashEntries().size());
    using Step = std::vector<std::pair<int32_t, int>>;
    EXPECT_EQ((Step{{5, 0}, {6, 0}}), model.TakeFlashStep());
    EXPECT_EQ((Step{{5, 1}, {6, 1}}), model.TakeFlashStep());
    model.RemoveFlash(5);
    EXPECT_FALSE(model.IsFlashing(5));
    EXPECT_EQ((Step{{6, 0}}), model.TakeFlashStep());
    model.AddFlash(5);  // starts again at phase 0
    EXPECT_EQ((Step{{6, 1}, {5, 0}}), model.TakeFlashStep());
    model.RemoveFlash(5);
    model.RemoveFlash(6);
    EXPECT_TRUE(model.TakeFlashStep().empty());
    EXPECT_TRUE(model.AddFlash(9));
}

}  // namespace
