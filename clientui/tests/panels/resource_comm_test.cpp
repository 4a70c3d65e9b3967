// The skin loader: every picture comes from "Resource" in the program
// folder, whatever the current folder is; a missing file leaves its picture
// empty. The test program lies beside a copy of the generated skin.
#include "PanelTestSupport.h"

#include "clientui/ChatPanelSkin.h"
#include "clientui/IMResourceComm.h"
#include "clientui/LogonPanelSkin.h"
#include "clientui/MsgMgrSkin.h"
#include "clientui/SystemSettingSkin.h"
#include "clientui/UserInfoSkin.h"

#include <functional>

using paneltest::CScratchFolder;
using paneltest::FileExists;

namespace {

// Changes the current folder for the scope.
class CCurrentFolder {
public:
    explicit CCurrentFolder(const std::wstring& folder) {
        ::GetCurrentDirectoryW(MAX_PATH, m_saved);
        ::SetCurrentDirectoryW(folder.c_str());
    }
    ~CCurrentFolder() { ::SetCurrentDirectoryW(m_saved); }

private:
    wchar_t m_saved[MAX_PATH] = {};
};

std::vector<std::wstring> PathsOf(const SkinButtonPaths& p) { return {p.normal, p.hover, p.pressed}; }

LOGFONTW FontOf(HFONT font) {
    LOGFONTW lf = {};
    ::GetObjectW(font, sizeof lf, &lf);
    return lf;
}

void ExpectFont(HFONT font, int height, int weight, bool underline) {
    ASSERT_NE(font, nullptr);
    const LOGFONTW lf = FontOf(font);
    EXPECT_EQ(lf.lfHeight, height);
    EXPECT_EQ(lf.lfWeight, weight);
    EXPECT_EQ(lf.lfUnderline != 0, underline);
    EXPECT_STREQ(lf.lfFaceName, L"\u5B8B\u4F53");
}

}  // namespace

TEST(ResourceComm, LoadsEveryPictureFromTheProgramFolderWhateverTheCurrentFolder) {
    CScratchFolder elsewhere;
    CCurrentFolder current(elsewhere.Path());

    CIMResourceComm skin;
    EXPECT_EQ(skin.GetProgramFolder(), fw::CApplication::GetProgramFolder());
    EXPECT_FALSE(skin.IsLoaded());
    EXPECT_TRUE(skin.Load());
    EXPECT_TRUE(skin.IsLoaded());

    EXPECT_FALSE(skin.m_bmpTitle.IsNull());
    EXPECT_FALSE(skin.m_bmpBottom.IsNull());
    EXPECT_FALSE(skin.m_bmpResize.IsNull());
    EXPECT_NE(skin.m_hIcon, nullptr);
    for (int i = 0; i < kScrollSkinBitmapCount; ++i)
        EXPECT_FALSE(skin.m_bmpScroll[i].IsNull()) << "scroll bitmap " << i;
    const SIZE resize = fw::GetBitmapSize(skin.m_bmpResize);
    EXPECT_EQ(resize.cx, 13);
    EXPECT_EQ(resize.cy, 13);

    ExpectFont(skin.m_fontNormal, 12, FW_NORMAL, false);
    ExpectFont(skin.m_fontUnderline, 13, FW_NORMAL, true);
    ExpectFont(skin.m_fontBold, 13, 700, false);

    const std::wstring btn = fw::CApplication::GetProgramFolder() + L"Resource\\Comm\\btn\\";
    EXPECT_EQ(skin.m_btnMin.normal, btn + L"min01.bmp");
    EXPECT_EQ(skin.m_btnMax.pressed, btn + L"max03.bmp");
    EXPECT_EQ(skin.m_btnRestore.hover, btn + L"max02.bmp");
    EXPECT_EQ(skin.m_btnClose.hover, btn + L"close02.bmp");
    EXPECT_EQ(skin.m_btnSure.normal, btn + L"sure_01.bmp");
    EXPECT_EQ(skin.m_btnApply.pressed, btn + L"apply_03.bmp");
    for (const SkinButtonPaths* button : {&skin.m_btnMin, &skin.m_btnMax, &skin.m_btnRestore, &skin.m_btnClose,
                                          &skin.m_btnSure, &skin.m_btnCancel, &skin.m_btnApply})
        for (const std::wstring& path : PathsOf(*button)) EXPECT_TRUE(FileExists(path)) << path.c_str();
}

TEST(ResourceComm, WithoutTheResourceFolderEveryPictureStaysEmpty) {
    CScratchFolder empty;
    CIMResourceComm skin(empty.Path());
    EXPECT_TRUE(skin.Load());
    EXPECT_TRUE(skin.IsLoaded());
    EXPECT_TRUE(skin.m_bmpTitle.IsNull());
    EXPECT_TRUE(skin.m_bmpBottom.IsNull());
    EXPECT_TRUE(skin.m_bmpResize.IsNull());
    EXPECT_EQ(skin.m_hIcon, nullptr);
    for (int i = 0; i < kScrollSkinBitmapCount; ++i) EXPECT_TRUE(skin.m_bmpScroll[i].IsNull());
    // The fonts do not come from files; the button paths are still formed.
    EXPECT_FALSE(skin.m_fontNormal.IsNull());
    EXPECT_EQ(skin.m_btnClose.normal, empty.Path() + L"Resource\\Comm\\btn\\close01.bmp");
}

TEST(ResourceComm, LoadingIntoAHeldBitmapReplacesItAndAFailedLoadEmptiesIt) {
    CScratchFolder folder;
    const std::wstring first = folder.File(L"first.bmp");
    const std::wstring second = folder.File(L"second.bmp");
    ASSERT_TRUE(paneltest::WriteBmp(first, 4, 3, RGB(1, 2, 3)));
    ASSERT_TRUE(paneltest::WriteBmp(second, 6, 5, RGB(4, 5, 6)));

    fw::CBitmap bitmap;
    ASSERT_TRUE(CIMResourceComm::LoadBitmapFile(first, bitmap));
    const HBITMAP old = bitmap.Get();
    ASSERT_TRUE(CIMResourceComm::LoadBitmapFile(second, bitmap));
    EXPECT_NE(bitmap.Get(), old);
    EXPECT_EQ(::GetObjectType(old), 0u) << "the replaced bitmap is released";
    EXPECT_EQ(fw::GetBitmapSize(bitmap).cx, 6);

    EXPECT_FALSE(CIMResourceComm::LoadBitmapFile(folder.Path() + L"missing.bmp", bitmap));
    EXPECT_TRUE(bitmap.IsNull());
}

// Every per-panel record finds all its bitmaps and button pictures in the
// generated skin, under the program folder.
TEST(ResourceComm, PanelSkinRecordsFindEveryFile) {
    CScratchFolder elsewhere;
    CCurrentFolder current(elsewhere.Path());
    const std::wstring root = fw::CApplication::GetProgramFolder();

    struct Case {
        const char* name;
        std::function<void(std::vector<const fw::CBitmap*>*, std::vector<std::wstring>*)> load;
    };
    LogonPanelSkin logon;
    ChatPanelSkin chat;
    MsgMgrSkin msgMgr;
    UserInfoSkin userInfo;
    SystemSettingSkin setting;
    const Case cases[] = {
        {"LogonPanelSkin",
         [&](auto* bitmaps, auto* paths) {
             EXPECT_TRUE(logon.Load());
             *bitmaps = {&logon.m_bmpAdvert};
             *paths = PathsOf(logon.m_btnLogin);
         }},
        {"ChatPanelSkin",
         [&](auto* bitmaps, auto* paths) {
             EXPECT_TRUE(chat.Load());
             *bitmaps = {&chat.m_bmpLine2, &chat.m_bmpDeskLine2, &chat.m_bmpLine3, &chat.m_bmpMainBar,
                         &chat.m_bmpFace};
             for (const SkinButtonPaths* b :
                  {&chat.m_btnSetFont, &chat.m_btnSetEmo, &chat.m_btnSendPic, &chat.m_btnScreenshot,
                   &chat.m_btnShowMsg, &chat.m_btnClose, &chat.m_btnSend, &chat.m_btnList, &chat.m_btnSendFile,
                   &chat.m_btnSwitch, &chat.m_btnGetLine, &chat.m_btnBreak, &chat.m_btnStop, &chat.m_btnBack})
                 for (const std::wstring& p : PathsOf(*b)) paths->push_back(p);
         }},
        {"MsgMgrSkin",
         [&](auto* bitmaps, auto* paths) {
             EXPECT_TRUE(msgMgr.Load());
             *bitmaps = {&msgMgr.m_bmpToolBar, &msgMgr.m_bmpBottom};
             *paths = {msgMgr.m_strIco01, msgMgr.m_strBackNormal};
             for (const SkinButtonPaths* b : {&msgMgr.m_btnIco03, &msgMgr.m_btnIco02, &msgMgr.m_btnSearch,
                                              &msgMgr.m_btnData, &msgMgr.m_btnFirst, &msgMgr.m_btnLast,
                                              &msgMgr.m_btnNext, &msgMgr.m_btnPrew})
                 for (const std::wstring& p : PathsOf(*b)) paths->push_back(p);
         }},
        {"UserInfoSkin",
         [&](auto* bitmaps, auto* paths) {
             EXPECT_TRUE(userInfo.Load());
             *bitmaps = {&userInfo.m_bmpBottom, &userInfo.m_bmpPicture};
             *paths = {userInfo.m_strSystem};
             for (const SkinButtonPaths* b : {&userInfo.m_btnRefresh, &userInfo.m_btnApply, &userInfo.m_btnChangePic})
                 for (const std::wstring& p : PathsOf(*b)) paths->push_back(p);
         }},
        {"SystemSettingSkin",
         [&](auto* bitmaps, auto* paths) {
             EXPECT_TRUE(setting.Load());
             *bitmaps = {&setting.m_bmpIcon};
             *paths = {setting.m_strChoiceMulti[0], setting.m_strChoiceMulti[1], setting.m_strChoiceSingle[0],
                       setting.m_strChoiceSingle[1]};
             for (const SkinButtonPaths* b : {&setting.m_btnAddMes, &setting.m_btnCorrect, &setting.m_btnDeleteMes})
                 for (const std::wstring& p : PathsOf(*b)) paths->push_back(p);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<const fw::CBitmap*> bitmaps;
        std::vector<std::wstring> paths;
        c.load(&bitmaps, &paths);
        for (size_t i = 0; i < bitmaps.size(); ++i) EXPECT_FALSE(bitmaps[i]->IsNull()) << "bitmap " << i;
        for (const std::wstring& path : paths) {
            EXPECT_EQ(path.compare(0, root.size(), root), 0) << path.c_str();
            EXPECT_TRUE(FileExists(path)) << path.c_str();
        }
    }
}

TEST(ResourceComm, PanelSkinRecordsWithoutTheResourceFolderStayEmpty) {
    CScratchFolder empty;
    ChatPanelSkin chat;
    EXPECT_TRUE(chat.Load(empty.Path()));
    EXPECT_TRUE(chat.m_bmpLine2.IsNull());
    EXPECT_TRUE(chat.m_bmpFace.IsNull());
    EXPECT_EQ(chat.m_btnSend.hover, empty.Path() + L"Resource\\chat\\btn\\send_02.bmp");
    EXPECT_EQ(chat.m_btnBack.pressed, empty.Path() + L"Resource\\TavrelRes\\back_03.bmp");
}

TEST(ResourceComm, TheMessengersChatSkinHasFourBitmapsAndNoHandOverButtons) {
    ChatPanelSkin chat;
    EXPECT_TRUE(chat.Load(std::wstring(), ChatSkinSet::Messenger));
    for (const fw::CBitmap* bitmap : {&chat.m_bmpLine2, &chat.m_bmpLine3, &chat.m_bmpMainBar, &chat.m_bmpFace})
        EXPECT_FALSE(bitmap->IsNull());
    EXPECT_TRUE(chat.m_bmpDeskLine2.IsNull());
    EXPECT_TRUE(FileExists(chat.m_btnSendFile.pressed)) << chat.m_btnSendFile.pressed.c_str();
    for (const SkinButtonPaths* b : {&chat.m_btnSwitch, &chat.m_btnGetLine, &chat.m_btnBreak, &chat.m_btnStop,
                                     &chat.m_btnBack})
        EXPECT_TRUE(b->normal.empty() && b->hover.empty() && b->pressed.empty());
}
