// Bitmap tiling and the process-wide contact caches.
#include "clientui/BitmapTiling.h"
#include "clientui/ContactCache.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A 32-bit bitmap that needs no display.
HBITMAP MakeBitmap(int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    return ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

TEST(TileBitmap, RowsFromTheTopAndTheLastTileFlushRight) {
    HDC target = ::CreateCompatibleDC(nullptr);
    HBITMAP canvas = MakeBitmap(12, 8);
    HGDIOBJ oldCanvas = ::SelectObject(target, canvas);
    // A 3 x 2 tile whose first column is red and the rest green.
    HBITMAP tile = MakeBitmap(3, 2);
    {
        HDC memory = ::CreateCompatibleDC(nullptr);
        HGDIOBJ old = ::SelectObject(memory, tile);
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 3; ++x) ::SetPixel(memory, x, y, x == 0 ? RGB(255, 0, 0) : RGB(0, 255, 0));
        }
        ::SelectObject(memory, old);
        ::DeleteDC(memory);
    }
    RECT all = {0, 0, 12, 8};
    HBRUSH white = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    ::FillRect(target, &all, white);

    TileBitmap(tile, target, 1, 1, 9, 6);
    // Tiles at x = 1 and 4 (while a whole tile fits before the right edge),
    // then the last one at 9 - 3 = 6; rows at y = 1, 3 and 5.
    for (int y : {1, 3, 5}) {
        for (int x : {1, 4, 6}) EXPECT_EQ(::GetPixel(target, x, y), RGB(255, 0, 0)) << x << "," << y;
        for (int x : {2, 3, 5, 7, 8}) EXPECT_EQ(::GetPixel(target, x, y), RGB(0, 255, 0)) << x << "," << y;
    }
    EXPECT_EQ(::GetPixel(target, 0, 1), RGB(255, 255, 255));
    EXPECT_EQ(::GetPixel(target, 9, 1), RGB(255, 255, 255));
    EXPECT_EQ(::GetPixel(target, 1, 0), RGB(255, 255, 255));

    // Nothing for a missing bitmap.
    ::FillRect(target, &all, white);
    TileBitmap(nullptr, target, 0, 0, 12, 8);
    EXPECT_EQ(::GetPixel(target, 0, 0), RGB(255, 255, 255));

    ::DeleteObject(tile);
    ::SelectObject(target, oldCanvas);
    ::DeleteObject(canvas);
    ::DeleteDC(target);
}

UserInfoBase User(int32_t id, const char* nickname) {
    UserInfoBase user = {};
    user.userId = id;
    std::strncpy(user.nickname, nickname, sizeof user.nickname - 1);
    return user;
}

TEST(ContactCache, UpdateOverwritesTheFirstCopyInEveryCategory) {
    g_FriendMapCache.clear();
    g_FriendMapCache[L"a"] = {User(1, "one"), User(2, "two"), User(2, "two again")};
    g_FriendMapCache[L"b"] = {User(2, "two"), User(3, "three")};

    UserInfoBase changed = User(2, "renamed");
    changed.status = 4;
    UpdateCachedUser(&changed);
    EXPECT_STREQ(g_FriendMapCache[L"a"][1].nickname, "renamed");
    EXPECT_EQ(g_FriendMapCache[L"a"][1].status, 4);
    EXPECT_STREQ(g_FriendMapCache[L"a"][2].nickname, "two again");
    EXPECT_STREQ(g_FriendMapCache[L"b"][0].nickname, "renamed");
    EXPECT_STREQ(g_FriendMapCache[L"b"][1].nickname, "three");

    UpdateCachedUser(nullptr);
    EXPECT_STREQ(g_FriendMapCache[L"a"][0].nickname, "one");

    // A status alone goes the same way.
    SetCachedUserStatus(2, 1);
    EXPECT_EQ(g_FriendMapCache[L"a"][1].status, 1);
    EXPECT_EQ(g_FriendMapCache[L"b"][0].status, 1);
    EXPECT_EQ(g_FriendMapCache[L"a"][2].status, 0);
    EXPECT_EQ(g_FriendMapCache[L"a"][0].status, 0);

    // Many statuses in one pass: the same records take them (the first of a
    // user in each category; a user listed twice takes the later status).
    SetCachedUserStatuses({{2, 3}, {1, 5}, {9, 1}, {1, 6}});
    EXPECT_EQ(g_FriendMapCache[L"a"][1].status, 3);
    EXPECT_EQ(g_FriendMapCache[L"b"][0].status, 3);
    EXPECT_EQ(g_FriendMapCache[L"a"][2].status, 0);
    EXPECT_EQ(g_FriendMapCache[L"a"][0].status, 6);
    g_FriendMapCache.clear();
}

TEST(ContactCache, StoreReplacesTheListAndKeysTheMembers) {
    const std::vector<GroupUserRecord> team = {{11, 1, "x"}, {12, 2, "y"}};
    StoreUserCache(team);
    ASSERT_EQ(g_GroupUserCache.users.size(), 2u);
    ASSERT_EQ(g_GroupUserCache.members.size(), 2u);
    EXPECT_EQ(g_GroupUserCache.members.at(12).userId, 12);

    // An empty list empties the copy but keeps the members.
    StoreUserCache({});
    EXPECT_TRUE(g_GroupUserCache.users.empty());
    EXPECT_EQ(g_GroupUserCache.members.size(), 2u);

    StoreUserCache({{13, 1, "z"}});
    ASSERT_EQ(g_GroupUserCache.members.size(), 1u);
    EXPECT_EQ(g_GroupUserCache.members.count(13), 1u);
    g_GroupUserCache = GroupUserCache();
}

}  // namespace
