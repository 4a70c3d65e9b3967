// The contact tree in a window: filling from the engine's containers, the
// order and counts it shows, status changes, flashing, a refill while a
// user flashes, and the mouse.
#include "clientui/IMFriendListTree.h"

#include "fw/StringUtil.h"

#include "test_support.h"

#include "fw/Window.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

const std::wstring kFriends = L"\u6211\u7684\u597D\u53CB";
const std::wstring kColleagues = L"\u540C\u4E8B";

// A window that records the contact messages it gets.
class Recorder : public fw::CWindow {
public:
    std::vector<std::pair<UINT, WPARAM>> got;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_OPEN_CHAT || msg == WM_CONTACT_MENU) {
            got.emplace_back(msg, wParam);
            return 0;
        }
        return fw::CWindow::WindowProc(msg, wParam, lParam);
    }
};

// A solid 40x40 blue face, a gray one, and status marks.
fw::CImageList SolidFaces() {
    fw::CImageList list;
    list.Create(40, 40, ILC_COLOR24, 2, 1);
    for (COLORREF colour : {RGB(0, 0, 255), RGB(90, 90, 90)}) {
        CPixelCanvas source(40, 40, colour);
        HDC screen = ::GetDC(nullptr);
        HBITMAP copy = ::CreateCompatibleBitmap(screen, 40, 40);
        HDC dc = ::CreateCompatibleDC(screen);
        HGDIOBJ old = ::SelectObject(dc, copy);
        ::BitBlt(dc, 0, 0, 40, 40, source.Dc(), 0, 0, SRCCOPY);
        ::SelectObject(dc, old);
        ::DeleteDC(dc);
        ::ReleaseDC(nullptr, screen);
        list.Add(copy);
        ::DeleteObject(copy);
    }
    return list;
}

struct TreeFixture {
    Recorder top;
    Recorder middle;
    CIMFriendListTree tree;
    fw::CImageList faces = SolidFaces();

    TreeFixture() {
        top.CreateEx(0, L"", L"contacts", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, RECT{20, 20, 340, 620},
                     nullptr, 0);
        middle.CreateEx(0, L"", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, RECT{0, 0, 300, 560}, top, 1);
        tree.Create(middle, RECT{0, 0, 300, 560}, 2);
        tree.SetFaceImages(faces);
        ::UpdateWindow(top);
        PumpMessages();
    }

    void Fill(const FriendMap& friends) {
        tree.InsertGroups(FixtureCategories());
        tree.InsertFriends(friends);
        ::UpdateWindow(tree);
        PumpMessages();
    }

    HTREEITEM Group(const std::wstring& name) const {
        for (HTREEITEM root = tree.GetRootItem(); root; root = tree.GetNextSiblingItem(root))
            if (tree.GetItemText(root) == name) return root;
        return nullptr;
    }

    std::vector<std::wstring> GroupNames() const {
        std::vector<std::wstring> names;
        for (HTREEITEM root = tree.GetRootItem(); root; root = tree.GetNextSiblingItem(root))
            names.push_back(tree.GetItemText(root));
        return names;
    }

    RECT RowOf(HTREEITEM item) const {
        RECT rc = {};
        tree.GetRowRect(item, &rc);
        return rc;
    }

    int Integral(HTREEITEM item) const {
        TVITEMEXW tv = {};
        tv.mask = TVIF_INTEGRAL;
        tv.hItem = item;
        tree.SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
        return tv.iIntegral;
    }

    LPARAM PointIn(HTREEITEM item) const {
        const RECT rc = RowOf(item);
        return MAKELPARAM(60, (rc.top + rc.bottom) / 2);
    }

    bool IsExpanded(HTREEITEM item) const {
        return tree.SendMessage(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_EXPANDED) & TVIS_EXPANDED;
    }

    COLORREF ScreenPixel(int x, int y) const {
        HDC dc = ::GetDC(tree);
        const COLORREF c = ::GetPixel(dc, x, y);
        ::ReleaseDC(tree, dc);
        return c;
    }
};

TEST(FriendTreeFillTest, GroupsOrderAndCounts) {
    TreeFixture f;
    f.tree.InsertGroups(FixtureCategories());
    EXPECT_EQ(4, f.tree.InsertFriends(FixtureFriends()));
    // The empty category is gone; the map's category without group is left out.
    EXPECT_EQ((std::vector<std::wstring>{kFriends, kColleagues, L"Customers"}), f.GroupNames());
    EXPECT_EQ(nullptr, f.tree.FindUserItem(401));

    EXPECT_EQ((std::vector<int32_t>{102, 104, 105, 106, 103, 101}), f.tree.GetGroupMembers(f.Group(kFriends)));
    EXPECT_EQ((std::vector<int32_t>{203, 201, 202}), f.tree.GetGroupMembers(f.Group(kColleagues)));
    EXPECT_EQ(kFriends + L" [4/6]", f.tree.GetGroupText(f.Group(kFriends)));
    EXPECT_EQ(kColleagues + L" [1/3]", f.tree.GetGroupText(f.Group(kColleagues)));
    EXPECT_EQ(L"Customers [2/2]", f.tree.GetGroupText(f.Group(L"Customers")));

    // Items hold ids and show the nickname; only the first group is open.
    HTREEITEM zhang = f.tree.FindUserItem(102);
    ASSERT_NE(nullptr, zhang);
    EXPECT_EQ(102, f.tree.GetUserId(zhang));
    EXPECT_EQ(L"\u5F20\u4E09", f.tree.GetItemText(zhang));
    EXPECT_EQ(0, f.tree.GetUserId(f.Group(kFriends)));
    EXPECT_TRUE(f.IsExpanded(f.Group(kFriends)));
    EXPECT_FALSE(f.IsExpanded(f.Group(kColleagues)));
    // Large rows are two units high.
    EXPECT_EQ(2, f.Integral(zhang));
    EXPECT_EQ(1, f.Integral(f.Group(kFriends)));
    EXPECT_EQ(CIMFriendListTree::kItemUnitHeight, f.tree.SendMessage(TVM_GETITEMHEIGHT));
}

TEST(FriendTreeFillTest, SmallLayoutRowsAreOneUnit) {
    TreeFixture f;
    f.tree.SetLayout(1);
    f.Fill(FixtureFriends());
    EXPECT_EQ(1, f.Integral(f.tree.FindUserItem(102)));
}

TEST(FriendTreeStatusTest, StatusChangeResortsTheGroup) {
    TreeFixture f;
    f.Fill(FixtureFriends());
    EXPECT_TRUE(f.tree.SetUserStatus(101, STATUS_ONLINE));
    EXPECT_EQ((std::vector<int32_t>{102, 101, 104, 105, 106, 103}), f.tree.GetGroupMembers(f.Group(kFriends)));
    EXPECT_EQ(kFriends + L" [5/6]", f.tree.GetGroupText(f.Group(kFriends)));
    EXPECT_EQ(STATUS_ONLINE, f.tree.GetModel().FindContact(101)->status);
    EXPECT_FALSE(f.tree.SetUserStatus(999, STATUS_ONLINE));
}

// A status list of a whole organisation goes in as one batch: the groups end
// in the order and with the statuses that one change at a time gives.
TEST(FriendTreeStatusTest, BatchOfStatusesEqualsOneAtATime) {
    const std::vector<std::pair<int32_t, int32_t>> statuses = {
        {101, STATUS_ONLINE}, {102, STATUS_OFFLINE}, {203, STATUS_OFFLINE}, {999, STATUS_ONLINE},
        {202, STATUS_ONLINE}, {101, STATUS_OFFLINE}, {104, STATUS_ONLINE}};
    TreeFixture single;
    single.Fill(FixtureFriends());
    for (const auto& entry : statuses) single.tree.SetUserStatus(entry.first, entry.second);
    TreeFixture batch;
    batch.Fill(FixtureFriends());
    EXPECT_EQ(6, batch.tree.SetUserStatuses(statuses));  // 999 has no item; 101 counts twice
    for (const std::wstring& group : single.GroupNames()) {
        EXPECT_EQ(single.tree.GetGroupMembers(single.Group(group)), batch.tree.GetGroupMembers(batch.Group(group)));
        EXPECT_EQ(single.tree.GetGroupText(single.Group(group)), batch.tree.GetGroupText(batch.Group(group)));
    }
    for (int32_t id : {101, 102, 104, 202, 203})
        EXPECT_EQ(single.tree.GetModel().FindContact(id)->status, batch.tree.GetModel().FindContact(id)->status);
    EXPECT_EQ(0, batch.tree.SetUserStatuses({}));
}

// FindUserItem keeps an index of the users' items: it follows items that
// are inserted, changed and deleted, and a refill.
TEST(FriendTreeStatusTest, FoundItemsFollowChangesOfTheTree) {
    TreeFixture f;
    f.Fill(FixtureFriends());
    HTREEITEM zhang = f.tree.FindUserItem(102);
    ASSERT_NE(nullptr, zhang);
    f.tree.DeleteItem(zhang);
    EXPECT_EQ(nullptr, f.tree.FindUserItem(102));

    TVINSERTSTRUCTW tvi = {};
    tvi.hParent = f.Group(kColleagues);
    tvi.hInsertAfter = TVI_LAST;
    tvi.item.mask = TVIF_TEXT | TVIF_PARAM;
    tvi.item.pszText = const_cast<wchar_t*>(L"new");
    tvi.item.lParam = 777;
    HTREEITEM added = reinterpret_cast<HTREEITEM>(f.tree.SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&tvi)));
    ASSERT_NE(nullptr, added);
    EXPECT_EQ(added, f.tree.FindUserItem(777));

    TVITEMW changed = {};
    changed.mask = TVIF_PARAM;
    changed.hItem = added;
    changed.lParam = 778;
    f.tree.SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&changed));
    EXPECT_EQ(nullptr, f.tree.FindUserItem(777));
    EXPECT_EQ(added, f.tree.FindUserItem(778));

    f.Fill(FixtureFriends());
    EXPECT_EQ(nullptr, f.tree.FindUserItem(778));
    HTREEITEM again = f.tree.FindUserItem(102);
    ASSERT_NE(nullptr, again);
    EXPECT_EQ(102, f.tree.GetUserId(again));
}

// The index of the users' items follows every change as a walk of the
// tree would find them (the first item of a user among the groups'
// children first): insertions and deletions it follows itself, other
// changes it walks again after.
TEST(FriendTreeStatusTest, FoundItemsAreTheWalksAfterEveryKindOfChange) {
    TreeFixture f;
    f.Fill(FixtureFriends());
    const auto walked = [&f](int32_t user) -> HTREEITEM {
        std::vector<HTREEITEM> pending;
        for (HTREEITEM root = f.tree.GetRootItem(); root; root = f.tree.GetNextSiblingItem(root))
            for (HTREEITEM child = f.tree.GetChildItem(root); child; child = f.tree.GetNextSiblingItem(child))
                pending.push_back(child);
        for (size_t i = 0; i < pending.size(); ++i) {
            if (f.tree.GetItemData(pending[i]) == static_cast<LPARAM>(user)) return pending[i];
            for (HTREEITEM child = f.tree.GetChildItem(pending[i]); child; child = f.tree.GetNextSiblingItem(child))
                pending.push_back(child);
        }
        return nullptr;
    };
    const auto insert = [&f](HTREEITEM parent, int32_t user, HTREEITEM after = TVI_LAST) {
        TVINSERTSTRUCTW tvi = {};
        tvi.hParent = parent;
        tvi.hInsertAfter = after;
        tvi.item.mask = TVIF_TEXT | TVIF_PARAM;
        tvi.item.pszText = const_cast<wchar_t*>(L"x");
        tvi.item.lParam = user;
        return reinterpret_cast<HTREEITEM>(f.tree.SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&tvi)));
    };
    const HTREEITEM friends = f.Group(kFriends);
    const HTREEITEM colleagues = f.Group(kColleagues);
    ASSERT_TRUE(friends && colleagues);
    const struct {
        const char* what;
        std::function<void()> change;
    } steps[] = {
        {"filled", [] {}},
        {"a user added", [&] { insert(colleagues, 700); }},
        {"a user added first", [&] { insert(friends, 701, TVI_FIRST); }},
        {"a user twice (another group, then the first group)", [&] {
             insert(colleagues, 702);
             insert(friends, 702);
         }},
        {"a user's second item removed", [&] { f.tree.DeleteItem(walked(702)); }},
        {"a text changed", [&] { f.tree.SetItemText(walked(101), L"new"); }},
        {"statuses set", [&] { f.tree.SetUserStatuses({{101, STATUS_ONLINE}, {201, STATUS_BUSY}, {700, STATUS_AWAY}}); }},
        {"a user under a user", [&] { insert(walked(700), 703); }},
        {"that user's parent removed with it", [&] { f.tree.DeleteItem(walked(700)); }},
        {"a group removed with its users", [&] { f.tree.DeleteItem(colleagues); }},
        {"moved first by flashing", [&] {
             f.tree.FlashUser(104, true);
             f.tree.FlashUser(104, false);
         }},
        {"everything removed and filled again", [&] {
             f.tree.DeleteAllItems();
             f.Fill(FixtureFriends());
         }},
    };
    const int32_t users[] = {101, 102, 103, 104, 105, 106, 201, 202, 203, 301, 302, 401, 700, 701, 702, 703, 999};
    for (const auto& step : steps) {
        step.change();
        for (int32_t user : users) EXPECT_EQ(f.tree.FindUserItem(user), walked(user)) << step.what << ": " << user;
    }
}

TEST(FriendTreeStatusTest, UpdatedRecordIsWhatTheRowShows) {
    TreeFixture f;
    FriendMap friends = FixtureFriends();
    f.Fill(friends);
    UserInfoBase changed = {};
    for (const auto& category : friends)
        for (const UserInfoBase& user : category.second)
            if (user.userId == 102) changed = user;
    ASSERT_EQ(102, changed.userId);
    // A new nickname and signature, offline now: the row shows them and the
    // user moves among the offline users.
    fw::CopyToAnsiField(L"王五", changed.nickname);
    fw::CopyToAnsiField(L"new signature", changed.signature);
    changed.status = STATUS_OFFLINE;
    EXPECT_TRUE(f.tree.UpdateUser(changed));
    HTREEITEM item = f.tree.FindUserItem(102);
    EXPECT_EQ(L"王五", f.tree.GetItemText(item));
    const FriendTreeContact* contact = f.tree.GetModel().FindContact(102);
    ASSERT_NE(nullptr, contact);
    EXPECT_EQ(L"new signature", CFriendTreeModel::SignatureLine(*contact));
    EXPECT_NE(102, f.tree.GetGroupMembers(f.Group(kFriends)).front());
    EXPECT_EQ(kFriends + L" [3/6]", f.tree.GetGroupText(f.Group(kFriends)));
    changed.userId = 999;
    EXPECT_FALSE(f.tree.UpdateUser(changed));
}

TEST(FriendTreePaintTest, GroupRowGradientAndFaces) {
    TreeFixture f;
    f.Fill(FixtureFriends());
    f.tree.Invalidate(false);
    ::UpdateWindow(f.tree);
    const RECT group = f.RowOf(f.Group(kFriends));
    EXPECT_EQ(CIMFriendListTree::kGroupTop, f.ScreenPixel(250, group.top));
    const RECT online = f.RowOf(f.tree.FindUserItem(102));
    EXPECT_EQ(RGB(0, 0, 255), f.ScreenPixel(6 + 20, online.top + 6 + 20)) << "face of an online user";
    const RECT offline = f.RowOf(f.tree.FindUserItem(101));
    EXPECT_EQ(RGB(90, 90, 90), f.ScreenPixel(6 + 20, offline.top + 6 + 20)) << "gray face of an offline user";
}

TEST(FriendTreeFlashTest, FlashingUserMovesFirstAndJumps) {
    TreeFixture f;
    f.Fill(FixtureFriends());
    f.tree.FlashUser(105, true);
    EXPECT_TRUE(f.tree.GetModel().IsFlashing(105));
    EXPECT_EQ(105, f.tree.GetGroupMembers(f.Group(kFriends)).front());
    f.tree.Invalidate(false);
    ::UpdateWindow(f.tree);
    const RECT row = f.RowOf(f.tree.FindUserItem(105));
    const int y = row.top + 6 + 20;
    const COLORREF window = ::GetSysColor(COLOR_WINDOW);

    f.tree.SendMessage(WM_TIMER, CIMFriendListTree::kFlashTimer);  // phase 0: in place
    EXPECT_EQ(window, f.ScreenPixel(2, y));
    EXPECT_EQ(RGB(0, 0, 255), f.ScreenPixel(44, y));
    f.tree.SendMessage(WM_TIMER, CIMFriendListTree::kFlashTimer);  // phase 1: 6 pixels left
    EXPECT_EQ(RGB(0, 0, 255), f.ScreenPixel(2, y));
    EXPECT_EQ(window, f.ScreenPixel(44, y));
    f.tree.SendMessage(WM_TIMER, CIMFriendListTree::kFlashTimer);  // and back
    EXPECT_EQ(window, f.ScreenPixel(2, y));

    f.tree.FlashUser(105, false);
    EXPECT_FALSE(f.tree.GetModel().IsFlashing(105));
    f.tree.SendMessage(WM_TIMER, CIMFriendListTree::kFlashTimer);  // nothing left to do
    EXPECT_EQ(window, f.ScreenPixel(2, y));
}

TEST(FriendTreeFlashTest, MovingAUserFirstKeepsTheViewWhereItWas) {
    TreeFixture f;
    f.Fill(FixtureFriends());
    for (HTREEITEM root = f.tree.GetRootItem(); root; root = f.tree.GetNextSiblingItem(root)) f.tree.Expand(root);
    // Expanding may scroll to the opened members: start from the top.
    HTREEITEM top = f.tree.GetRootItem();
    f.tree.SendMessage(TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(top));
    ASSERT_EQ(top, f.tree.GetNextItem(nullptr, TVGN_FIRSTVISIBLE));
    f.tree.SelectItem(f.tree.FindUserItem(104));
    EXPECT_EQ(top, f.tree.GetNextItem(nullptr, TVGN_FIRSTVISIBLE)) << "after selecting";
    f.tree.FlashUser(106, true);
    EXPECT_EQ(top, f.tree.GetNextItem(nullptr, TVGN_FIRSTVISIBLE)) << "after moving first";
}

TEST(FriendTreeFlashTest, WithoutFacePicturesTheStandInFaceJumps) {
    TreeFixture f;
    f.tree.SetFaceImages(nullptr);
    f.Fill(FixtureFriends());
    f.tree.Invalidate(false);
    ::UpdateWindow(f.tree);
    const RECT row = f.RowOf(f.tree.FindUserItem(102));
    auto faceInk = [&f, &row]() {
        int ink = 0;
        const COLORREF window = ::GetSysColor(COLOR_WINDOW);
        for (int y = row.top + 6; y < row.top + 46; y += 2)
            for (int x = 0; x < 46; x += 2) ink += f.ScreenPixel(x, y) != window;
        return ink;
    };
    EXPECT_EQ(0, faceInk()) << "no face picture: the row shows none";
    f.tree.FlashUser(102, true);
    f.tree.SendMessage(WM_TIMER, CIMFriendListTree::kFlashTimer);
    EXPECT_GT(faceInk(), 20) << "icon 141 stands in while the user flashes";
}

TEST(FriendTreeFlashTest, CollapsedGroupBlinks) {
    TreeFixture f;
    f.Fill(FixtureFriends());
    f.tree.FlashUser(202, true);  // in the collapsed colleagues group
    ::UpdateWindow(f.tree);
    const RECT group = f.RowOf(f.Group(kColleagues));
    const int y = (group.top + group.bottom) / 2;
    auto inkInText = [&f, &group, y]() {
        int ink = 0;
        for (int x = 20; x < 200; ++x) {
            const COLORREF c = f.ScreenPixel(x, y);
            if (GetRValue(c) < 80 && GetGValue(c) < 80 && GetBValue(c) < 80) ++ink;
        }
        (void)group;
        return ink;
    };
    f.tree.SendMessage(WM_TIMER, CIMFriendListTree::kFlashTimer);  // phase 0: text shown
    EXPECT_GT(inkInText(), 0);
    f.tree.SendMessage(WM_TIMER, CIMFriendListTree::kFlashTimer);  // phase 1: gradient only
    EXPECT_EQ(0, inkInText());
    // Stopped in the blank phase (the conversation was opened): the group's
    // text comes back without waiting for another reason to repaint.
    f.tree.FlashUser(202, false);
    ::UpdateWindow(f.tree);
    EXPECT_GT(inkInText(), 0) << "the group row stayed blank";
}

TEST(FriendTreeFlashTest, StoppedInTheJumpedPhaseTheFaceIsBackInPlace) {
    TreeFixture f;
    f.Fill(FixtureFriends());
    f.tree.FlashUser(105, true);
    f.tree.Invalidate(false);
    ::UpdateWindow(f.tree);
    const RECT row = f.RowOf(f.tree.FindUserItem(105));
    const int y = row.top + 6 + 20;
    f.tree.SendMessage(WM_TIMER, CIMFriendListTree::kFlashTimer);
    f.tree.SendMessage(WM_TIMER, CIMFriendListTree::kFlashTimer);  // 6 pixels left
    ASSERT_EQ(RGB(0, 0, 255), f.ScreenPixel(2, y));
    f.tree.FlashUser(105, false);
    ::UpdateWindow(f.tree);
    EXPECT_EQ(::GetSysColor(COLOR_WINDOW), f.ScreenPixel(2, y));
    EXPECT_EQ(RGB(0, 0, 255), f.ScreenPixel(44, y));
}

TEST(FriendTreeFlashTest, RefillWhileFlashingKeepsNoReferenceToTheOldContainers) {
    TreeFixture f;
    auto first = std::make_unique<FriendMap>(FixtureFriends());
    f.Fill(*first);
    f.tree.FlashUser(101, true);
    f.tree.FlashUser(105, true);

    // The engine refills its containers: 101 renamed and online, 105 gone.
    FriendMap second = FixtureFriends();
    auto& friends = second.at(kFriends);
    friends.erase(std::remove_if(friends.begin(), friends.end(),
                                 [](const UserInfoBase& u) { return u.userId == 105; }),
                  friends.end());
    for (UserInfoBase& u : friends)
        if (u.userId == 101) u = MakeUser(101, STATUS_ONLINE, L"\u8D75\u516D\u516D");
    // The old containers are overwritten and freed before the tree is filled again.
    for (auto& category : *first)
        for (UserInfoBase& u : category.second) {
            std::memset(&u, 0xCD, sizeof u);
        }
    first.reset();
    f.tree.InsertGroups(FixtureCategories());
    f.tree.InsertFriends(second);

    for (int step = 0; step < 4; ++step) f.tree.SendMessage(WM_TIMER, CIMFriendListTree::kFlashTimer);
    f.tree.Invalidate(false);
    ::UpdateWindow(f.tree);
    PumpMessages();

    EXPECT_TRUE(f.tree.GetModel().IsFlashing(101));
    EXPECT_TRUE(f.tree.GetModel().IsFlashing(105)) << "still listed by id, drawn when it comes back";
    EXPECT_EQ(nullptr, f.tree.FindUserItem(105));
    HTREEITEM renamed = f.tree.FindUserItem(101);
    ASSERT_NE(nullptr, renamed);
    EXPECT_EQ(L"\u8D75\u516D\u516D", f.tree.GetItemText(renamed));
    EXPECT_EQ(L"\u8D75\u516D\u516D", f.tree.GetModel().FindContact(101)->nickname);
    EXPECT_EQ(kFriends + L" [4/5]", f.tree.GetGroupText(f.Group(kFriends)));
    EXPECT_EQ(nullptr, f.tree.GetModel().FindContact(105)) << "copies of the old fill are dropped";
}

TEST(FriendTreeMouseTest, ClicksOnGroupsAndUsers) {
    TreeFixture f;
    f.Fill(FixtureFriends());
    HTREEITEM colleagues = f.Group(kColleagues);
    ASSERT_FALSE(f.IsExpanded(colleagues));
    f.tree.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, f.PointIn(colleagues));
    EXPECT_TRUE(f.IsExpanded(colleagues));
    EXPECT_NE(colleagues, f.tree.GetSelectedItem()) << "groups are never selected by a click";
    f.tree.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, f.PointIn(colleagues));
    EXPECT_FALSE(f.IsExpanded(colleagues));

    // Right click on a group: nothing.
    f.tree.SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, f.PointIn(colleagues));
    EXPECT_TRUE(f.middle.got.empty());
    EXPECT_TRUE(f.top.got.empty());

    // Right click on a user: selected, and the menu is asked of the parent.
    HTREEITEM wang = f.tree.FindUserItem(104);
    f.tree.SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, f.PointIn(wang));
    EXPECT_EQ(wang, f.tree.GetSelectedItem());
    ASSERT_EQ(1u, f.middle.got.size());
    EXPECT_EQ(static_cast<UINT>(WM_CONTACT_MENU), f.middle.got[0].first);
    EXPECT_EQ(104u, f.middle.got[0].second);

    // Double click on a user: the chat is opened by the parent's parent.
    f.tree.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, f.PointIn(f.tree.FindUserItem(106)));
    ASSERT_EQ(1u, f.top.got.size());
    EXPECT_EQ(static_cast<UINT>(WM_OPEN_CHAT), f.top.got[0].first);
    EXPECT_EQ(106u, f.top.got[0].second);
    EXPECT_EQ(1u, f.middle.got.size());

    // Double click on a group: the control's own toggling, no chat.
    RECT label = {};
    std::memcpy(&label, &colleagues, sizeof colleagues);
    f.tree.SendMessage(TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&label));
    const bool before = f.IsExpanded(colleagues);
    f.tree.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON,
                       MAKELPARAM((label.left + label.right) / 2, (label.top + label.bottom) / 2));
    EXPECT_NE(before, f.IsExpanded(colleagues));
    EXPECT_EQ(1u, f.top.got.size());
}

}  // namespace
