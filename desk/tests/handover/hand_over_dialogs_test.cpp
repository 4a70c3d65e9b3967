// The hand-over dialogs as windows (Wine, Xvfb) over a fake engine table:
// the agent list asks for the agents, shows them and shows a refreshed list
// without duplicates; OK without an agent sends nothing and stays open; a
// canned note replaces the whole note; a long note goes out cut; the tip
// window's texts and its endings.
#include "SwitchUserListPanel.h"
#include "SwitchUserTipWnd.h"

#include "SystemAnsiCodePage.h"

#include <commctrl.h>
#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int32_t kOwner = 50002;
constexpr int32_t kCustomer = 60006;

struct FakeEngine {
    int refreshed = 0;
    std::vector<AgentRecord> agents;
    std::vector<SwitchCustomerRecord> switched;
};
FakeEngine g_fake;

void FakeRefresh() { ++g_fake.refreshed; }
std::vector<AgentRecord>* FakeAgents() { return &g_fake.agents; }
void FakeSwitch(const SwitchCustomerRecord* record) { g_fake.switched.push_back(*record); }
UserInfoExt* FakeExt(int id) {
    static UserInfoExt ext;
    ext = UserInfoExt{};
    if (id == kOwner) std::memcpy(ext.fullName, "\xd6\xdc\xc4\xfe", 5);  // 周宁
    return &ext;
}

CEngineModule MakeEngine() {
    CEngineModule engine;
    engine.MRefreshSwitchUserList = FakeRefresh;
    engine.MGetSwitchUserList = FakeAgents;
    engine.MSwitchCustomer = FakeSwitch;
    engine.MGetUserInfoExt = FakeExt;
    return engine;
}
CEngineModule g_engine = MakeEngine();

std::wstring BinFolder() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder = folder.substr(0, folder.find_last_of(L'\\'));
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + L"bin\\";
}

AgentRecord Agent(int32_t id, const char* name) {
    AgentRecord record = {};
    record.agentId = id;
    std::strncpy(record.name, name, sizeof record.name);
    return record;
}

// The dialog with its menu watched.
class CTestListPanel : public CSwitchUserListPanel {
public:
    using CSwitchUserListPanel::CSwitchUserListPanel;
    std::vector<std::pair<UINT, std::wstring>> menu;

protected:
    void TrackMenu(HMENU handle, const RECT&) override {
        menu.clear();
        COfficeXPMenu* drawn = COfficeXPMenu::FromHandle(handle);
        for (int i = 0; drawn && i < ::GetMenuItemCount(handle); ++i)
            menu.emplace_back(::GetMenuItemID(handle, i), drawn->GetItemText(static_cast<UINT>(i), MF_BYPOSITION));
    }
};

class CGdiPlusEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&controls);
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&m_token, &input, nullptr);
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(m_token); }
    ULONG_PTR m_token = 0;
};
::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new CGdiPlusEnvironment);

class HandOverDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        g_fake = FakeEngine();
        g_fake.agents = {Agent(50001, "LinXiao"), Agent(50003, "ChenJing"), Agent(50004, "WangLei")};
    }
    std::wstring Note(CSwitchUserListPanel& panel) { return panel.GetNote(); }
    void Command(CSwitchUserListPanel& panel, UINT id) { panel.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    void Select(CSwitchUserListPanel& panel, int row) {
        LVITEMW item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        panel.GetAgentList().SendMessage(LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    }
    clientui::CSystemAnsiCodePage m_codePage;
};

TEST_F(HandOverDialogs, TheListAsksForTheAgentsAndShowsARefreshedListWithoutDuplicates) {
    CTestListPanel panel(kOwner, kCustomer, g_engine, BinFolder());
    ASSERT_TRUE(panel.Create(nullptr));
    EXPECT_EQ(g_fake.refreshed, 1);
    EXPECT_EQ(Note(panel), L"我在服务其他客户，请帮我回复一下，谢谢!");
    panel.FillAgentList();
    fw::CListCtrl& list = panel.GetAgentList();
    ASSERT_EQ(list.GetItemCount(), 3);
    EXPECT_EQ(list.GetItemText(1, 0), L"ChenJing");
    EXPECT_EQ(list.GetItemData(1), 50003);
    // A second answer replaces the items.
    g_fake.agents = {Agent(50004, "WangLei"), Agent(50001, "LinXiao")};
    panel.FillAgentList();
    ASSERT_EQ(list.GetItemCount(), 2);
    EXPECT_EQ(list.GetItemText(0, 0), L"WangLei");
    EXPECT_EQ(list.GetItemData(1), 50001);
    panel.DestroyWindow();
}

TEST_F(HandOverDialogs, OkWithoutAnAgentSendsNothingAndStaysOpen) {
    CTestListPanel panel(kOwner, kCustomer, g_engine, BinFolder());
    ASSERT_TRUE(panel.Create(nullptr));
    panel.FillAgentList();
    Command(panel, IDOK);
    EXPECT_TRUE(g_fake.switched.empty());
    EXPECT_FALSE(panel.IsEnding());
    EXPECT_TRUE(panel.IsWindowVisible());
    panel.DestroyWindow();
}

// The menu offers the three canned notes; choosing one replaces the whole
// note; commands beyond them change nothing.
TEST_F(HandOverDialogs, ACannedNoteReplacesTheWholeNote) {
    CTestListPanel panel(kOwner, kCustomer, g_engine, BinFolder());
    ASSERT_TRUE(panel.Create(nullptr));
    Command(panel, IDC_SWITCH_CANNED_NOTE);
    ASSERT_EQ(panel.menu.size(), 3u);
    EXPECT_EQ(panel.menu[0], std::make_pair(32912u, std::wstring(L"我正在忙，请帮我回复一下，谢谢")));
    EXPECT_EQ(panel.menu[1], std::make_pair(32913u, std::wstring(L"我正在和客户打电话，请帮我回复一下，谢谢")));
    EXPECT_EQ(panel.menu[2], std::make_pair(32914u, std::wstring(L"我在服务其他客户，请帮我回复一下，谢谢")));
    ::SetWindowTextW(panel.GetDlgItem(IDC_SWITCH_NOTE), L"typed by hand");
    Command(panel, 32913);
    EXPECT_EQ(Note(panel), L"我正在和客户打电话，请帮我回复一下，谢谢");
    for (UINT command = 32915; command <= 32920; ++command) Command(panel, command);
    EXPECT_EQ(Note(panel), L"我正在和客户打电话，请帮我回复一下，谢谢");
    panel.DestroyWindow();
}

// The chosen agent acts for the owner; a note of 61 characters (121 bytes)
// goes out as its first 99 bytes on a character boundary.
TEST_F(HandOverDialogs, OkSendsTheRequestWithTheNoteCut) {
    CTestListPanel panel(kOwner, kCustomer, g_engine, BinFolder());
    ASSERT_TRUE(panel.Create(nullptr));
    panel.FillAgentList();
    Select(panel, 1);
    const std::wstring note = L"x" + std::wstring(60, L'请');
    ::SetWindowTextW(panel.GetDlgItem(IDC_SWITCH_NOTE), note.c_str());
    Command(panel, IDOK);
    ASSERT_EQ(g_fake.switched.size(), 1u);
    const SwitchCustomerRecord& sent = g_fake.switched[0];
    EXPECT_EQ(sent.actingAgent, 50003);
    EXPECT_EQ(sent.owningAgent, kOwner);
    EXPECT_EQ(sent.customerId, kCustomer);
    EXPECT_EQ(std::strlen(sent.note), 99u);
    EXPECT_EQ(m_codePage.FromAnsi(sent.note, 99), L"x" + std::wstring(49, L'请'));
    EXPECT_TRUE(panel.IsEnding());
    EXPECT_EQ(panel.GetResult(), IDOK);
    panel.DestroyWindow();
}

TEST_F(HandOverDialogs, TheTipShowsWhoHandsOverWithTheNoteAndEndsAsChosen) {
    SwitchCustomerRecord record = {};
    record.actingAgent = 50001;
    record.owningAgent = kOwner;
    record.customerId = kCustomer;
    const std::string note = m_codePage.ToAnsi(L"客户要发票，请帮忙");
    std::memcpy(record.note, note.data(), note.size());
    UserInfoExt own = {};
    const std::string name = m_codePage.ToAnsi(L"林晓");
    std::memcpy(own.fullName, name.data(), name.size());
    const struct {
        UINT command;
        INT_PTR result;
    } endings[] = {{IDOK, IDOK}, {IDC_PANEL_CLOSE, IDCANCEL}, {IDCANCEL, IDCANCEL}};
    for (const auto& ending : endings) {
        CSwitchUserTipWnd tip(record, own, g_engine, BinFolder());
        ASSERT_TRUE(tip.Create(nullptr));
        EXPECT_EQ(tip.GetTitle(), L"林晓的提示消息");
        EXPECT_EQ(tip.GetHeadline(), L"50002(周宁)转接给您一个客户");
        EXPECT_EQ(tip.GetNoteLine(), L"附言: 客户要发票，请帮忙");
        EXPECT_EQ(tip.GetRecord().customerId, kCustomer);
        tip.SendMessage(WM_COMMAND, MAKEWPARAM(ending.command, BN_CLICKED), 0);
        EXPECT_TRUE(tip.IsEnding()) << ending.command;
        EXPECT_EQ(tip.GetResult(), ending.result) << ending.command;
        tip.DestroyWindow();
    }
}

}  // namespace
