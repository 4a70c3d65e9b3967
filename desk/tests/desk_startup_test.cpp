// The desk start-up's decisions without a window: the command line, the
// account mutex, the face-image mapping and the icon caches of the image
// lists.
#include "clientui/ClientCommandLine.h"
#include "clientui/IconListCache.h"
#include "TavrelApp.h"

#include "fw/Application.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace {

struct CommandLineCase {
    std::vector<std::wstring> items;
    int32_t userId;
    int32_t param;
    bool manual;
    ClientStartMode mode;
};

TEST(ClientCommandLine, ItemsTwoAndThreeDecideTheStart) {
    const CommandLineCase cases[] = {
        {{L"Tavrel.exe"}, 0, 0, true, ClientStartMode::ManualLogon},
        {{L"Tavrel.exe", L"x"}, 0, 0, true, ClientStartMode::ManualLogon},
        {{L"Tavrel.exe", L"x", L"123"}, 123, 0, false, ClientStartMode::AutoLogon},
        {{L"Tavrel.exe", L"x", L"123", L"9"}, 123, 9, false, ClientStartMode::AutoLogon},
        {{L"Tavrel.exe", L"x", L"0", L"5"}, 0, 5, false, ClientStartMode::EndAtOnce},
        {{L"Tavrel.exe", L"x", L"abc"}, 0, 0, true, ClientStartMode::ManualLogon},
        {{L"Tavrel.exe", L"x", L"42abc"}, 42, 0, false, ClientStartMode::AutoLogon},
        {{L"Tavrel.exe", L"x", L"", L"7"}, 0, 7, false, ClientStartMode::EndAtOnce},
        {{L"Tavrel.exe", L"x", L"-3"}, -3, 0, false, ClientStartMode::AutoLogon},
    };
    for (const CommandLineCase& c : cases) {
        std::wstring joined;
        for (const std::wstring& item : c.items) joined += item + L" ";
        SCOPED_TRACE(std::string(joined.begin(), joined.end()));
        const ClientCommandLine line = ParseClientCommandLine(c.items);
        EXPECT_EQ(line.userId, c.userId);
        EXPECT_EQ(line.param, c.param);
        EXPECT_EQ(line.manualLogon, c.manual);
        EXPECT_EQ(DecideClientStart(line), c.mode);
    }
}

TEST(ClientCommandLine, MutexNameIsTheTextFollowedByTheId) {
    EXPECT_EQ(UserMutexName(42), L"4A46911B-21E7-4713-A4B4-A8F25CC66D21" L"42");
    EXPECT_EQ(UserMutexName(10001), L"4A46911B-21E7-4713-A4B4-A8F25CC66D2110001");
}

TEST(DeskStartup, TheSecondHolderOfAnAccountMutexIsRefused) {
    CTavrelApp first;
    CTavrelApp second;
    CTavrelApp other;
    EXPECT_TRUE(first.CreateUserMutex(777001));
    EXPECT_FALSE(second.CreateUserMutex(777001));
    EXPECT_TRUE(other.CreateUserMutex(777002));
}

TEST(DeskStartup, FaceImagesFoldKindAndIndex) {
    const struct {
        int kind, index, image;
    } cases[] = {{0, 0, 0}, {0, 1, 1}, {0, 3, 3}, {0, 4, 1}, {5, 7, 1}, {1, 0, 0}, {-1, 0, -2}, {0, -1, -1}};
    for (const auto& c : cases) EXPECT_EQ(CTavrelApp::FaceImageIndex(c.kind, c.index), c.image) << c.kind << "," << c.index;
}

// The skin painted for the programs lies in <build>/bin/Resource.
std::wstring SkinFolder() { return fw::CApplication::GetProgramFolder() + L"..\\bin\\Resource\\"; }

TEST(IconListCache, IconsComeFromTheListOnceAndOutsideItAreNull) {
    CIconListCache tray;
    ASSERT_TRUE(tray.Create(32, 32, ILC_COLOR32 | ILC_MASK));
    for (int j = 0; j < 6; ++j)
        EXPECT_TRUE(tray.AddIconFile(SkinFolder() + L"Status\\sysTray\\sysTray_" + std::to_wstring(j) + L".ico"));
    EXPECT_EQ(tray.GetIcon(0), nullptr) << "no cache yet";
    tray.MakeCache();
    ASSERT_EQ(tray.GetImageCount(), 6);
    HICON first = tray.GetIcon(0);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(tray.GetIcon(0), first) << "cached";
    EXPECT_NE(tray.GetIcon(5), nullptr);
    EXPECT_EQ(tray.GetIcon(6), nullptr);
    EXPECT_EQ(tray.GetIcon(-1), nullptr);
}

TEST(IconListCache, AFileThatDoesNotLoadIsSkipped) {
    CIconListCache status;
    ASSERT_TRUE(status.Create(11, 11, ILC_COLOR32 | ILC_MASK));
    EXPECT_TRUE(status.AddBitmapFile(SkinFolder() + L"Status\\status_0.bmp", 0xFFFFFF));
    EXPECT_FALSE(status.AddBitmapFile(SkinFolder() + L"Status\\missing.bmp", 0xFFFFFF));
    EXPECT_TRUE(status.AddBitmapFile(SkinFolder() + L"Status\\status_2.bmp", 0xFFFFFF));
    status.MakeCache();
    EXPECT_EQ(status.GetImageCount(), 2);
    EXPECT_NE(status.GetIcon(1), nullptr);
    EXPECT_EQ(status.GetIcon(2), nullptr);

    CIconListCache empty;
    EXPECT_EQ(empty.GetIcon(0), nullptr);
}

}  // namespace
