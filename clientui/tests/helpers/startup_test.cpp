// The start-up pieces both clients share, without a window: the command
// line, the account mutex's name, the face-image mapping, the icon caches of
// the image lists (a missing file keeps its slot) and the lists as each
// client loads them from its skin.
#include "TempFolder.h"

#include "clientui/ClientCommandLine.h"
#include "clientui/ClientImageLists.h"
#include "clientui/IconListCache.h"

#include "fw/Application.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

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
        {{L"IM.exe"}, 0, 0, true, ClientStartMode::ManualLogon},
        {{L"IM.exe", L"x"}, 0, 0, true, ClientStartMode::ManualLogon},
        {{L"IM.exe", L"x", L"123"}, 123, 0, false, ClientStartMode::AutoLogon},
        {{L"IM.exe", L"x", L"123", L"9"}, 123, 9, false, ClientStartMode::AutoLogon},
        {{L"IM.exe", L"x", L"0", L"5"}, 0, 5, false, ClientStartMode::EndAtOnce},
        {{L"IM.exe", L"x", L"abc"}, 0, 0, true, ClientStartMode::ManualLogon},
        {{L"IM.exe", L"x", L"42abc"}, 42, 0, false, ClientStartMode::AutoLogon},
        {{L"IM.exe", L"x", L"", L"7"}, 0, 7, false, ClientStartMode::EndAtOnce},
        {{L"IM.exe", L"x", L"-3"}, -3, 0, false, ClientStartMode::AutoLogon},
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

TEST(ClientImageLists, FaceImagesFoldKindAndIndex) {
    const struct {
        int kind, index, image;
    } cases[] = {{0, 0, 0}, {0, 1, 1}, {0, 3, 3}, {0, 4, 1}, {5, 7, 1}, {1, 0, 0}, {-1, 0, -2}, {0, -1, -1}};
    for (const auto& c : cases)
        EXPECT_EQ(CClientImageLists::FaceImageIndex(c.kind, c.index), c.image) << c.kind << "," << c.index;
}

// The skin painted for the programs lies in <build>/bin/Resource.
std::wstring ProgramFolderWithSkin() { return fw::CApplication::GetProgramFolder() + L"..\\bin\\"; }
std::wstring SkinFolder() { return ProgramFolderWithSkin() + L"Resource\\"; }

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

TEST(IconListCache, AFileThatDoesNotLoadKeepsItsSlotWithoutAnIcon) {
    CIconListCache status;
    ASSERT_TRUE(status.Create(11, 11, ILC_COLOR32 | ILC_MASK));
    EXPECT_TRUE(status.AddBitmapFile(SkinFolder() + L"Status\\status_0.bmp", 0xFFFFFF));
    EXPECT_FALSE(status.AddBitmapFile(SkinFolder() + L"Status\\missing.bmp", 0xFFFFFF));
    EXPECT_TRUE(status.AddBitmapFile(SkinFolder() + L"Status\\status_2.bmp", 0xFFFFFF));
    CIconListCache tray;
    ASSERT_TRUE(tray.Create(32, 32, ILC_COLOR32 | ILC_MASK));
    EXPECT_FALSE(tray.AddIconFile(SkinFolder() + L"Status\\sysTray\\missing.ico"));
    EXPECT_TRUE(tray.AddIconFile(SkinFolder() + L"Status\\sysTray\\sysTray_1.ico"));
    status.MakeCache();
    tray.MakeCache();
    // Index 2 is still status 2.
    EXPECT_EQ(status.GetImageCount(), 3);
    EXPECT_NE(status.GetIcon(0), nullptr);
    EXPECT_EQ(status.GetIcon(1), nullptr);
    EXPECT_NE(status.GetIcon(2), nullptr);
    EXPECT_EQ(tray.GetImageCount(), 2);
    EXPECT_EQ(tray.GetIcon(0), nullptr);
    EXPECT_NE(tray.GetIcon(1), nullptr);

    CIconListCache empty;
    EXPECT_EQ(empty.GetIcon(0), nullptr);
}

TEST(ClientImageLists, TheMessengersListsFromItsSkin) {
    CClientImageLists lists;
    ASSERT_TRUE(lists.Load(ProgramFolderWithSkin(), MessengerFaceList()));
    int cx = 0, cy = 0;
    ASSERT_TRUE(::ImageList_GetIconSize(lists.GetFaceImageList(), &cx, &cy));
    EXPECT_EQ(cx, 40);
    EXPECT_EQ(::ImageList_GetImageCount(lists.GetFaceImageList()), 2);
    ASSERT_TRUE(::ImageList_GetIconSize(lists.GetStatusImageList(), &cx, &cy));
    EXPECT_EQ(cx, 11);

    // Face (kind, index): image index + 2 * kind of two images.
    const struct {
        int kind, index;
        bool face;
    } faces[] = {{0, 0, true}, {0, 1, true}, {3, 0, true}, {5, 7, true}, {0, 4, true},
                 {0, 2, false}, {0, 3, false}, {-1, 0, false}, {-1, 5, false}};
    for (const auto& f : faces)
        EXPECT_EQ(lists.GetFaceIcon(f.kind, f.index) != nullptr, f.face) << f.kind << "," << f.index;
    EXPECT_EQ(lists.GetFaceIcon(5, 7), lists.GetFaceIcon(0, 1)) << "(5, 7) is face image 1";

    // Tray and status icons: one per status 0..5.
    for (int status = 0; status < 6; ++status) {
        EXPECT_NE(lists.GetTrayIcon(status), nullptr) << status;
        EXPECT_NE(lists.GetStatusIcon(status), nullptr) << status;
    }
    EXPECT_EQ(lists.GetTrayIcon(6), nullptr);
    EXPECT_EQ(lists.GetTrayIcon(-1), nullptr);
    EXPECT_EQ(lists.GetStatusIcon(6), nullptr);
}

TEST(ClientImageLists, AMissingTrayIconLeavesTheOthersAtTheirStatus) {
    // A program folder whose skin lacks the tray icon of status 2.
    TempFolder folder;
    const std::wstring tray = folder.Path() + L"Resource\\Status\\sysTray\\";
    ASSERT_EQ(::SHCreateDirectoryExW(nullptr, tray.c_str(), nullptr), ERROR_SUCCESS);
    for (int status = 0; status < 6; ++status) {
        if (status == 2) continue;
        const std::wstring name = L"sysTray_" + std::to_wstring(status) + L".ico";
        ASSERT_TRUE(::CopyFileW((SkinFolder() + L"Status\\sysTray\\" + name).c_str(), (tray + name).c_str(), FALSE));
    }
    CClientImageLists lists;
    ASSERT_TRUE(lists.Load(folder.Path(), MessengerFaceList()));
    EXPECT_EQ(::ImageList_GetImageCount(lists.GetTrayImageList()), 6);
    EXPECT_EQ(lists.GetTrayIcon(2), nullptr);
    EXPECT_NE(lists.GetTrayIcon(5), nullptr) << "offline stays at 5";
    // Neither faces nor status marks in this skin: the slots are there, the
    // icons are not.
    EXPECT_EQ(::ImageList_GetImageCount(lists.GetFaceImageList()), 2);
    EXPECT_EQ(lists.GetFaceIcon(0, 0), nullptr);
    EXPECT_EQ(lists.GetStatusIcon(0), nullptr);
}

}  // namespace
