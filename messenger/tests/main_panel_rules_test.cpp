// The messenger main window's decisions without a window: its areas and
// docking, the header band's texts (status names, signature rule), the tray
// tip, the unread senders that make the tray blink, the bounded wait for a
// profile, the contact search over the friend map, the own user's
// placeholder and the main window's skin record. The engine is a table of
// fake functions over a small fixture.
#include "main/IMUser.h"
#include "main/MainPanelRules.h"
#include "main/MainPanelSkin.h"

#include "SystemAnsiCodePage.h"

#include "fw/Application.h"
#include "fw/StringUtil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// A fake engine: the own id, the own record, the connection.
struct FakeEngine {
    static int32_t self;
    static int connected;
    static int offline;
    static UserInfoBase own;

    static CEngineModule Table() {
        CEngineModule engine;
        engine.MGetCurUserID = []() -> int { return self; };
        engine.MGetConnectStatus = []() -> int { return connected; };
        engine.MIsOffline = []() -> int { return offline; };
        engine.MGetUserInfoBase = [](int id) -> UserInfoBase* { return id == self ? &own : nullptr; };
        return engine;
    }
    static void Reset(int32_t id, const wchar_t* nickname, const wchar_t* signature, int32_t status) {
        self = id;
        connected = 1;
        offline = 0;
        std::memset(&own, 0, sizeof own);
        own.userId = id;
        own.status = status;
        fw::CopyToAnsiField(nickname, own.nickname);
        fw::CopyToAnsiField(signature, own.signature);
    }
};
int32_t FakeEngine::self = 0;
int FakeEngine::connected = 0;
int FakeEngine::offline = 0;
UserInfoBase FakeEngine::own = {};

UserInfoBase Friend(int32_t id, const wchar_t* nickname, const wchar_t* memo = L"") {
    UserInfoBase record = {};
    record.userId = id;
    fw::CopyToAnsiField(nickname, record.nickname);
    fw::CopyToAnsiField(memo, record.memo);
    return record;
}

bool Same(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// ---------------------------------------------------------------------------

TEST(MainPanelLayout, AreasInTheWindowAndInTheClientRectangle) {
    const RECT client = {0, 0, 232, 482};
    const struct {
        int area;
        RECT expected;
    } cases[] = {
        {CMainPanelLayout::kCaption, {26, 0, 232, 28}},   {CMainPanelLayout::kFace, {5, 36, 58, 87}},
        {CMainPanelLayout::kStatus, {67, 44, 99, 60}},    {CMainPanelLayout::kName, {103, 36, 212, 62}},
        {CMainPanelLayout::kSignature, {67, 62, 212, 88}}, {CMainPanelLayout::kSearch, {1, 93, 231, 115}},
        {CMainPanelLayout::kHitList, {3, 116, 229, 215}}, {CMainPanelLayout::kTree, {1, 115, 231, 454}},
        {3, client},                                      {42, client},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(Same(CMainPanelLayout::AreaRect(c.area, client), c.expected)) << "area " << c.area;
    // In screen coordinates the offsets start at the window's corner.
    const RECT window = {1000, 50, 1232, 532};
    EXPECT_TRUE(Same(CMainPanelLayout::AreaRect(CMainPanelLayout::kStatus, window), RECT{1067, 94, 1099, 110}));
    EXPECT_TRUE(Same(CMainPanelLayout::AreaRect(CMainPanelLayout::kHitList, window), RECT{1003, 166, 1229, 265}));
}

TEST(MainPanelLayout, DockedAtTheRightEdgeBelowTheCaptionHeightAtLeastTheMinimum) {
    const RECT work = {0, 0, 1280, 770};
    const struct {
        int width, height;
        RECT expected;
    } cases[] = {
        {232, 482, {1048, 19, 1280, 501}},
        {100, 100, {1050, 19, 1280, 349}},  // raised to 230 x 330
        {300, 600, {980, 19, 1280, 619}},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(Same(CMainPanelLayout::DockedRect(work, c.width, c.height, 19), c.expected)) << c.width;
}

TEST(IMMainPanelTexts, StatusNamesReadAnUnknownStatusAsOnline) {
    const struct {
        int32_t status;
        const wchar_t* name;
    } cases[] = {{0, L"在线"}, {1, L"忙碌"}, {2, L"离开"}, {3, L"请勿打扰"},
                 {4, L"隐身"}, {5, L"离线"}, {7, L"在线"}, {-1, L"在线"}};
    for (const auto& c : cases) EXPECT_EQ(CIMMainPanelTexts::StatusText(c.status), c.name) << c.status;
    EXPECT_EQ(CIMMainPanelTexts::NameLine(L"张三", 7), L"张三  [在线]");
    EXPECT_EQ(CIMMainPanelTexts::NameLine(L"张三", 1), L"张三  [忙碌]");
}

TEST(IMMainPanelTexts, ASignatureThatIsEmptyOrBeginsWithZeroIsReplaced) {
    const struct {
        const wchar_t* signature;
        const wchar_t* line;
    } cases[] = {{L"", L"暂无个性签名信息"},
                 {L"0abc", L"暂无个性签名信息"},
                 {L"0", L"暂无个性签名信息"},
                 {L"今天很忙", L"今天很忙"},
                 {L"10 点开会", L"10 点开会"}};
    for (const auto& c : cases) EXPECT_EQ(CIMMainPanelTexts::SignatureLine(c.signature), c.line);
}

TEST(IMMainPanelTexts, TheHeaderBeforeDuringAndAfterTheLogOn) {
    const CEngineModule engine = FakeEngine::Table();
    FakeEngine::Reset(0, L"", L"", 0);
    MainHeader header = CIMMainPanelTexts::Header(engine, 0, L"IM");
    EXPECT_EQ(header.nameLine, L"未登录");
    EXPECT_NE(header.signatureLine.find(L"IM"), std::wstring::npos) << "the prompt names the program";
    EXPECT_EQ(header.status, -1);

    FakeEngine::Reset(12345, L"小明", L"0abc", 2);
    header = CIMMainPanelTexts::Header(engine, 2, L"IM");
    EXPECT_EQ(header.nameLine, L"正在获取相关信息...");
    EXPECT_EQ(header.signatureLine, L"");

    header = CIMMainPanelTexts::Header(engine, 1, L"IM");
    EXPECT_EQ(header.nameLine, L"小明  [离开]");
    EXPECT_EQ(header.signatureLine, L"暂无个性签名信息");
    EXPECT_EQ(header.status, 2);

    FakeEngine::own.status = 7;
    EXPECT_EQ(CIMMainPanelTexts::Header(engine, 1, L"IM").nameLine, L"小明  [在线]");

    FakeEngine::offline = 1;
    header = CIMMainPanelTexts::Header(engine, 1, L"IM");
    EXPECT_EQ(header.nameLine, L"小明  [离线]");
    EXPECT_EQ(header.status, 5);
    FakeEngine::offline = 0;
    FakeEngine::connected = 0;
    EXPECT_EQ(CIMMainPanelTexts::Header(engine, 1, L"IM").status, 5);
}

TEST(IMMainPanelTexts, TheTrayTipNamesTheUserTheStatusAndWhatANewMessageDoes) {
    EXPECT_EQ(CIMMainPanelTexts::TrayTip(L"IM", L"小明", 0, false), L" IM:小明 \r\n 状态:在线 \r\n 会话:任务栏闪烁 ");
    EXPECT_EQ(CIMMainPanelTexts::TrayTip(L"IM", L"小明", 3, true),
              L" IM:小明 \r\n 状态:请勿打扰 \r\n 会话:自动弹出会话窗口 ");
    EXPECT_EQ(CIMMainPanelTexts::TrayTip(L"IM", L"小明", 5, true).find(L"状态:离线"), 10u);
    const std::wstring tip = CIMMainPanelTexts::TrayTip(L"IM", std::wstring(200, L'长'), 0, false);
    EXPECT_EQ(tip.size(), 127u) << "cut to the tip field";
    EXPECT_EQ(CIMMainPanelTexts::UnreadTip(L"IM", L"小明", 12346), L"IM: 小明\r\n来自 12346 的未读消息");
    const struct {
        int32_t status;
        int icon;
    } icons[] = {{0, 0}, {3, 3}, {5, 5}, {7, 0}, {-1, 0}};
    for (const auto& c : icons) EXPECT_EQ(CIMMainPanelTexts::TrayIconIndex(c.status), c.icon) << c.status;
}

TEST(IMMainPanelTexts, TheTrayShowsTheHolderBeforeTheLogOnAndOfflineWhileNotConnected) {
    const CEngineModule engine = FakeEngine::Table();
    const CIMUser holder;
    FakeEngine::Reset(0, L"", L"", 0);
    TrayState state = ComputeTrayState(engine, holder.GetBase());
    EXPECT_EQ(state.nickname, L"未登录");
    EXPECT_EQ(state.status, 0) << "the placeholder's status while 'connected'";
    FakeEngine::connected = 0;
    EXPECT_EQ(ComputeTrayState(engine, holder.GetBase()).status, 5);

    FakeEngine::Reset(12345, L"小明", L"", 1);
    state = ComputeTrayState(engine, holder.GetBase());
    EXPECT_EQ(state.nickname, L"小明");
    EXPECT_EQ(state.status, 1);
    FakeEngine::connected = 0;
    EXPECT_EQ(ComputeTrayState(engine, holder.GetBase()).status, 5);
}

TEST(IMUser, StartsWithThePlaceholder) {
    const CIMUser user;
    EXPECT_EQ(user.GetBase().userId, 0);
    EXPECT_EQ(fw::FromAnsiField(user.GetBase().nickname), L"未登录");
    EXPECT_EQ(fw::FromAnsiField(user.GetBase().signature), L"更多功能，请登录查看:)");
    const auto* ext = reinterpret_cast<const unsigned char*>(&user.GetExt());
    EXPECT_EQ(ext[0], 1);
    for (size_t i = 1; i < sizeof(UserInfoExt); ++i) EXPECT_EQ(ext[i], 0) << i;
}

TEST(UnreadTrayList, EachSenderOnceInOrderOfArrivalAndTheTimerStartsWithTheFirst) {
    CUnreadTrayList list;
    EXPECT_TRUE(list.Add(12346)) << "the first starts the timer";
    EXPECT_FALSE(list.Add(12347));
    EXPECT_FALSE(list.Add(12346)) << "present already";
    ASSERT_EQ(list.Items().size(), 2u);
    EXPECT_EQ(list.First(), 12346);
    EXPECT_EQ(list.Items().front().kind, 1);
    EXPECT_EQ(list.Items().front().reserved, 0);
    list.Remove(99);  // not there: nothing
    EXPECT_EQ(list.Items().size(), 2u);
    list.Remove(12346);
    EXPECT_EQ(list.First(), 12347);
    list.Remove(12347);
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.First(), 0);
}

TEST(UnreadTrayList, TheTrayIconAlternatesWhileSomethingIsUnreadThenTheTipComesBack) {
    using A = CUnreadTrayList::TickAction;
    CUnreadTrayList list;
    list.Add(12346);
    const A expected[] = {A::ShowWindowIcon, A::ShowBlinkIcon, A::ShowWindowIcon, A::ShowBlinkIcon};
    for (A action : expected) EXPECT_EQ(list.Tick(), action);
    list.Remove(12346);
    EXPECT_EQ(list.Tick(), A::StopAndRefreshTip);
}

TEST(ProfileRequest, OpensWhenTheProfileArrivesAndGivesUpAfterItsBound) {
    using A = CProfileRequest::TickAction;
    CProfileRequest request;
    EXPECT_EQ(request.Tick(), A::Idle);
    request.Start(12346);
    EXPECT_EQ(request.Tick(), A::Wait);
    request.MarkArrived();
    EXPECT_EQ(request.Tick(), A::Open);
    EXPECT_FALSE(request.IsPending());
    EXPECT_EQ(request.Tick(), A::Idle);

    request.Start(12347);
    int waits = 0;
    A action = A::Wait;
    while ((action = request.Tick()) == A::Wait) ++waits;
    EXPECT_EQ(action, A::GiveUp);
    EXPECT_EQ(waits, CProfileRequest::kMaxTicks - 1) << "about ten seconds of 200 ms ticks";
    EXPECT_EQ(request.UserId(), 12347);
    EXPECT_EQ(request.Tick(), A::Idle) << "and then stops";
}

TEST(FriendSearch, FindsByNameIdPinyinAndRemarkAtMostSixHits) {
    FriendMap friends;
    friends[L"我的好友"] = {Friend(12346, L"张三"), Friend(12347, L"李四", L"老李"), Friend(12348, L"王五"),
                          Friend(12349, L"赵六", L"0")};
    friends[L"同事"] = {Friend(22001, L"钱七"), Friend(22002, L"孙八"), Friend(22003, L"周九"),
                      Friend(22004, L"吴十")};
    clientui::CSystemAnsiCodePage codePage;
    CFriendSearch search(codePage);
    const struct {
        std::wstring text;
        std::vector<int32_t> ids;
    } cases[] = {
        {L"zs", {12346}},                // initials, typed in lower case
        {L"ZHANGSAN", {12346}},          // full pinyin
        {L"张", {12346}},                // part of the name
        {L"laoli", {12347}},             // the remark's pinyin
        {L"LS", {12347}},                // the name behind the remark
        {L"2348", {12348}},              // digits of the id
        {L"zl", {12349}},                // a remark "0" is no remark
        {L"2200", {22001, 22002, 22003, 22004}},
        {L"(", {22001, 22002, 22003, 22004, 12346, 12347}},  // eight match: the first six in map order
        {L"nobody", {}},
        {L"", {}},
    };
    for (const auto& c : cases) {
        std::vector<int32_t> ids;
        std::vector<std::wstring> texts;
        for (const auto& hit : search.Search(friends, c.text)) {
            ids.push_back(hit.userId);
            texts.push_back(hit.displayText);
        }
        EXPECT_EQ(ids, c.ids) << fw::ToAnsi(c.text);
        if (c.text == L"zs") {
            ASSERT_EQ(texts.size(), 1u);
            EXPECT_EQ(texts[0], L"张三(12346)");
        }
        if (c.text == L"laoli") {
            ASSERT_EQ(texts.size(), 1u);
            EXPECT_EQ(texts[0], L"老李(12347)(李四)");
        }
    }
}

TEST(FriendSearch, SevenMatchesGiveSix) {
    FriendMap friends;
    for (int i = 0; i < 7; ++i) friends[L"好友"].push_back(Friend(30001 + i, L"张三"));
    clientui::CSystemAnsiCodePage codePage;
    CFriendSearch search(codePage);
    const auto hits = search.Search(friends, L"zs");
    ASSERT_EQ(hits.size(), 6u);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(hits[static_cast<size_t>(i)].userId, 30001 + i);
}

// The skin painted for the programs lies in <build>/bin/Resource.
TEST(MainPanelSkin, FindsItsPicturesUnderTheProgramFolder) {
    const std::wstring folder = fw::CApplication::GetProgramFolder() + L"..\\bin\\";
    MainPanelSkin skin;
    EXPECT_TRUE(skin.Load(folder));
    EXPECT_FALSE(skin.m_bmpHeader.IsNull());
    EXPECT_FALSE(skin.m_bmpFace.IsNull());
    for (const std::wstring* path : {&skin.m_strSearchLeft, &skin.m_strSearchRight, &skin.m_strSearchMid,
                                     &skin.m_strSearch, &skin.m_strSearchClose}) {
        EXPECT_EQ(path->compare(0, folder.size() + 20, folder + L"Resource\\Comm\\search"), 0) << fw::ToAnsi(*path);
        EXPECT_NE(::GetFileAttributesW(path->c_str()), INVALID_FILE_ATTRIBUTES) << fw::ToAnsi(*path);
    }
    // Without the folder the pictures stay empty and the paths are still made.
    MainPanelSkin bare;
    EXPECT_TRUE(bare.Load(L"Z:\\nonexistent\\"));
    EXPECT_TRUE(bare.m_bmpHeader.IsNull());
    EXPECT_EQ(bare.m_strSearchClose, L"Z:\\nonexistent\\Resource\\Comm\\search\\close.bmp");
}

}  // namespace
