// CPanelRegistry: panels and conversation windows, each window object
// deleted exactly once, whoever closes it and whenever.
#include "PanelTestSupport.h"
#include "TestPanels.h"

#include "clientui/PanelRegistry.h"

using paneltest::CTestChatWindow;
using paneltest::CTestPanel;
using paneltest::DeleteCounts;
using paneltest::Pump;

namespace {

// Makes test panels for the registry and counts what it was asked.
class CFakeOpener : public IPanelOpener {
public:
    int userInfoMade = 0;
    int settingMade = 0;
    int reloads = 0;
    // How many settings panels existed at each reload.
    std::vector<int> madeAtReload;
    int nextId = 100;
    std::vector<int32_t> users;

    CPanelBase* CreateUserInfoPanel(int32_t userId) override {
        ++userInfoMade;
        users.push_back(userId);
        auto* panel = new CTestPanel(nextId++);
        panel->Create(nullptr);
        return panel;
    }
    CPanelBase* CreateSystemSettingPanel() override {
        ++settingMade;
        auto* panel = new CTestPanel(nextId++);
        panel->Create(nullptr);
        return panel;
    }
    void ReloadSystemSetting() override {
        ++reloads;
        madeAtReload.push_back(settingMade);
    }
};

class PanelRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteCounts().clear();
        registry_ = CPanelRegistry::GetInstance();
        registry_->SetOpener(&opener_);
    }
    void TearDown() override {
        CPanelRegistry::DestroyInstance();
        Pump(10);
    }
    CTestPanel* NewPanel(int id) {
        auto* panel = new CTestPanel(id);
        EXPECT_TRUE(panel->Create(nullptr));
        return panel;
    }
    CTestChatWindow* NewChat(int id, int32_t user, int kind = kChatKindSingleUser) {
        auto* window = new CTestChatWindow(id, user, kind);
        EXPECT_TRUE(window->Create(nullptr));
        EXPECT_TRUE(registry_->AddChatWindow(window));
        return window;
    }
    static int Id(CPanelBase* panel) { return static_cast<CTestPanel*>(panel)->Id(); }

    CFakeOpener opener_;
    CPanelRegistry* registry_ = nullptr;
};

}  // namespace

TEST_F(PanelRegistryTest, IsOneInstanceUntilDestroyed) {
    EXPECT_EQ(CPanelRegistry::GetInstance(), registry_);
    CPanelRegistry::DestroyInstance();
    CPanelRegistry* fresh = CPanelRegistry::GetInstance();
    EXPECT_TRUE(fresh->GetPanels().empty());
    EXPECT_TRUE(fresh->GetChatWindows().empty());
    EXPECT_EQ(fresh->GetSettingPanel(), nullptr);
}

TEST_F(PanelRegistryTest, RemovePanelDeletesItOnceAndKeepsTheOrderOfTheOthers) {
    CTestPanel* a = NewPanel(1);
    CTestPanel* b = NewPanel(2);
    CTestPanel* c = NewPanel(3);
    for (CTestPanel* p : {a, b, c}) EXPECT_TRUE(registry_->AddPanel(p));
    EXPECT_FALSE(registry_->AddPanel(b)) << "held at most once";
    EXPECT_FALSE(registry_->AddPanel(nullptr));

    registry_->RemovePanel(b);
    EXPECT_EQ(DeleteCounts()[2], 1);
    ASSERT_EQ(registry_->GetPanels().size(), 2u);
    EXPECT_EQ(registry_->GetPanels()[0], a);
    EXPECT_EQ(registry_->GetPanels()[1], c);

    // Absent (already removed, or never held): nothing.
    registry_->RemovePanel(b);
    CTestPanel stranger(9);
    registry_->RemovePanel(&stranger);
    registry_->RemovePanel(nullptr);
    EXPECT_EQ(DeleteCounts()[2], 1);
    EXPECT_EQ(DeleteCounts().count(9), 0u);
    EXPECT_EQ(registry_->GetPanels().size(), 2u);
}

TEST_F(PanelRegistryTest, CloseAllDeletesEveryWindowOnceAndDestroyingTheRegistryDeletesNothingMore) {
    for (int id = 1; id <= 3; ++id) registry_->AddPanel(NewPanel(id));
    NewChat(11, 500);
    NewChat(12, 501);
    registry_->OpenSystemSetting();
    ASSERT_NE(registry_->GetSettingPanel(), nullptr);
    const int settingId = Id(registry_->GetSettingPanel());

    registry_->CloseAll();
    for (int id : {1, 2, 3, 11, 12, settingId}) EXPECT_EQ(DeleteCounts()[id], 1) << id;
    EXPECT_TRUE(registry_->GetPanels().empty());
    EXPECT_TRUE(registry_->GetChatWindows().empty());
    EXPECT_EQ(registry_->GetSettingPanel(), nullptr);

    CPanelRegistry::DestroyInstance();
    Pump(20);
    for (int id : {1, 2, 3, 11, 12, settingId}) EXPECT_EQ(DeleteCounts()[id], 1) << id;
}

TEST_F(PanelRegistryTest, DestroyingTheRegistryClosesWhatIsStillOpen) {
    registry_->AddPanel(NewPanel(1));
    NewChat(2, 42);
    CPanelRegistry::DestroyInstance();
    EXPECT_EQ(DeleteCounts()[1], 1);
    EXPECT_EQ(DeleteCounts()[2], 1);
}

TEST_F(PanelRegistryTest, DestroyAllDeletesThePanelsAndLeavesTheConversations) {
    registry_->AddPanel(NewPanel(1));
    registry_->OpenSystemSetting();
    NewChat(2, 42);
    registry_->DestroyAll();
    EXPECT_EQ(DeleteCounts()[1], 1);
    EXPECT_EQ(registry_->GetSettingPanel(), nullptr);
    EXPECT_EQ(DeleteCounts().count(2), 0u);
    EXPECT_EQ(registry_->GetChatWindows().size(), 1u);
}

TEST_F(PanelRegistryTest, APanelClosedFromInsideItsOwnHandlerIsDeletedOnce) {
    CTestPanel* panel = NewPanel(1);
    registry_->AddPanel(panel);
    // A command runs the panel's handler; closing ends there.
    panel->SendMessage(WM_COMMAND, IDC_PANEL_CLOSE);
    EXPECT_EQ(DeleteCounts()[1], 1);
    registry_->CloseAll();
    EXPECT_EQ(DeleteCounts()[1], 1);
}

TEST_F(PanelRegistryTest, SettingsPanelIsASingletonRecreatedAfterClosing) {
    CPanelBase* first = registry_->OpenSystemSetting();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(registry_->GetSettingPanel(), first);
    EXPECT_EQ(registry_->OpenSystemSetting(), first);
    EXPECT_EQ(opener_.settingMade, 1);
    EXPECT_EQ(opener_.reloads, 1);
    EXPECT_TRUE(registry_->Holds(first));
    EXPECT_TRUE(first->IsWindowVisible());

    const int firstId = Id(first);
    first->SendMessage(WM_COMMAND, IDC_PANEL_CLOSE);
    EXPECT_EQ(DeleteCounts()[firstId], 1);
    EXPECT_EQ(registry_->GetSettingPanel(), nullptr);

    CPanelBase* second = registry_->OpenSystemSetting();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(Id(second), firstId);
    EXPECT_EQ(opener_.settingMade, 2);
    EXPECT_EQ(opener_.reloads, 2);
    // Each reload comes before its panel is made, so the panel fills its
    // controls from the settings as saved.
    EXPECT_EQ(opener_.madeAtReload, std::vector<int>({0, 1}));
}

TEST_F(PanelRegistryTest, OpeningAnOpenProfileShowsItAgain) {
    CPanelBase* first = registry_->OpenUserInfo(700);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(registry_->FindPanelByUser(700), first);
    first->ShowWindow(SW_MINIMIZE);
    Pump(20);
    EXPECT_EQ(registry_->OpenUserInfo(700), first);
    Pump(20);
    EXPECT_FALSE(::IsIconic(first->GetHwnd()));
    EXPECT_EQ(opener_.userInfoMade, 1);

    CPanelBase* other = registry_->OpenUserInfo(701);
    EXPECT_NE(other, first);
    EXPECT_EQ(registry_->FindPanelByUser(701), other);
    EXPECT_EQ(registry_->FindPanelByUser(702), nullptr);
    EXPECT_EQ(registry_->GetPanels().size(), 2u);

    // Closed, it is found no more; opened again it is a new panel.
    registry_->RemovePanel(first);
    EXPECT_EQ(registry_->FindPanelByUser(700), nullptr);
    registry_->OpenUserInfo(700);
    EXPECT_EQ(opener_.userInfoMade, 3);
    EXPECT_EQ(opener_.users, (std::vector<int32_t>{700, 701, 700}));
}

TEST_F(PanelRegistryTest, WithoutAnOpenerNothingOpens) {
    registry_->SetOpener(nullptr);
    EXPECT_EQ(registry_->OpenUserInfo(1), nullptr);
    EXPECT_EQ(registry_->OpenSystemSetting(), nullptr);
    EXPECT_TRUE(registry_->GetPanels().empty());
}

TEST_F(PanelRegistryTest, FindChatWindowFindsTheFirstOneUserConversation) {
    EXPECT_EQ(registry_->FindChatWindow(42), nullptr);
    CTestChatWindow* group = NewChat(1, 42, 2);
    CTestChatWindow* first = NewChat(2, 42);
    NewChat(3, 42);
    CTestChatWindow* other = NewChat(4, 43);
    EXPECT_EQ(registry_->FindChatWindow(42), first) << "not the conversation of another kind";
    EXPECT_EQ(registry_->FindChatWindow(43), other);
    EXPECT_EQ(registry_->FindChatWindow(44), nullptr);
    (void)group;
    EXPECT_FALSE(registry_->AddChatWindow(first));
}

TEST_F(PanelRegistryTest, CloseChatWindowDeletesItOnce) {
    CTestChatWindow* a = NewChat(1, 42);
    CTestChatWindow* b = NewChat(2, 43);
    registry_->CloseChatWindow(a);
    EXPECT_EQ(DeleteCounts()[1], 1);
    registry_->CloseChatWindow(a);
    EXPECT_EQ(DeleteCounts()[1], 1);
    ASSERT_EQ(registry_->GetChatWindows().size(), 1u);
    EXPECT_EQ(registry_->GetLastChatWindow(), b);
    // A conversation window is not a panel: RemovePanel leaves it alone.
    registry_->RemovePanel(b);
    EXPECT_EQ(DeleteCounts().count(2), 0u);
}

TEST_F(PanelRegistryTest, AConversationClosingItselfFromItsHandlerIsDeletedOnce) {
    struct CSelfClosingChat : CTestChatWindow {
        CSelfClosingChat() : CTestChatWindow(1, 42) {}
        bool OnCommand(WPARAM wParam, LPARAM lParam) override {
            if (LOWORD(wParam) == IDC_PANEL_CLOSE) {
                CPanelRegistry::GetInstance()->CloseChatWindow(this);
                return true;
            }
            return CTestChatWindow::OnCommand(wParam, lParam);
        }
    };
    auto* chat = new CSelfClosingChat();
    ASSERT_TRUE(chat->Create(nullptr));
    registry_->AddChatWindow(chat);
    chat->GetCloseButton().SendMessage(BM_CLICK);
    EXPECT_EQ(DeleteCounts()[1], 1);
    EXPECT_TRUE(registry_->GetChatWindows().empty());
}

TEST_F(PanelRegistryTest, LayoutChatWindowsPlacesAllAndShowsOnlyTheLast) {
    const RECT area = {50, 60, 350, 260};
    registry_->LayoutChatWindows(area);  // empty: nothing
    CTestChatWindow* a = NewChat(1, 42);
    CTestChatWindow* b = NewChat(2, 43);
    CTestChatWindow* c = NewChat(3, 44);
    registry_->BringChatWindowToEnd(a);
    EXPECT_EQ(registry_->GetLastChatWindow(), a);
    EXPECT_EQ(registry_->GetChatWindows().front(), b);

    registry_->LayoutChatWindows(area);
    Pump(20);
    for (CTestChatWindow* w : {a, b, c}) {
        const RECT rc = w->GetWindowRect();
        EXPECT_EQ(rc.left, area.left);
        EXPECT_EQ(rc.top, area.top);
        EXPECT_EQ(rc.right, area.right);
        EXPECT_EQ(rc.bottom, area.bottom);
    }
    EXPECT_TRUE(a->IsWindowVisible());
    EXPECT_FALSE(b->IsWindowVisible());
    EXPECT_FALSE(c->IsWindowVisible());

    // Not held, or nothing held: no change.
    CTestChatWindow stranger(9, 1);
    registry_->BringChatWindowToEnd(&stranger);
    EXPECT_EQ(registry_->GetLastChatWindow(), a);
}

namespace {

// Makes a test panel (with its window, as an opener would create it) for
// every kind 0..6, counting the kinds asked for.
class CFakeFactory : public IPanelFactory {
public:
    std::vector<int> kinds;
    int nextId = 200;
    CPanelBase* CreatePanel(int kind) override {
        kinds.push_back(kind);
        auto* panel = new CTestPanel(nextId++);
        panel->Create(nullptr);
        return panel;
    }
};

class PanelKindTest : public PanelRegistryTest {
protected:
    void SetUp() override {
        PanelRegistryTest::SetUp();
        registry_->SetFactory(&factory_);
    }
    CFakeFactory factory_;
};

}  // namespace

TEST_F(PanelKindTest, KindsOneAndOutsideTheTableMakeNothingAndNothingIsRegistered) {
    for (int kind : {1, -1, 7, 100}) EXPECT_EQ(registry_->CreatePanel(kind), nullptr) << kind;
    EXPECT_TRUE(factory_.kinds.empty()) << "the factory is not asked for them";
    CPanelBase* chat = registry_->CreatePanel(kPanelChat);
    ASSERT_NE(chat, nullptr);
    EXPECT_FALSE(registry_->Holds(chat)) << "the opener registers what it opens";
    EXPECT_EQ(registry_->GetMsgMgrPanel(), nullptr);
    EXPECT_EQ(registry_->GetSettingPanel(), nullptr);
    registry_->AddPanel(chat);
    registry_->SetFactory(nullptr);
    EXPECT_EQ(registry_->CreatePanel(kPanelChat), nullptr) << "no factory, no panel";
}

// The history manager is kept only as a singleton; the settings panel is a
// singleton that its opener also registers. Exiting deletes each panel
// exactly once, whatever is open.
TEST_F(PanelKindTest, ExitingDeletesEverySingletonAndRegisteredPanelExactlyOnce) {
    CPanelBase* msgMgr = registry_->CreatePanel(kPanelMsgMgr);
    CPanelBase* setting = registry_->CreatePanel(kPanelSetting);
    CPanelBase* profile = registry_->CreatePanel(kPanelUserInfo);
    ASSERT_TRUE(msgMgr && setting && profile);
    EXPECT_EQ(registry_->GetMsgMgrPanel(), msgMgr);
    EXPECT_EQ(registry_->GetSettingPanel(), setting);
    registry_->AddPanel(setting);
    registry_->AddPanel(profile);
    EXPECT_FALSE(registry_->Holds(msgMgr));

    const int ids[] = {Id(msgMgr), Id(setting), Id(profile)};
    CPanelRegistry::DestroyInstance();
    Pump(20);
    for (int id : ids) EXPECT_EQ(DeleteCounts()[id], 1) << id;
}

TEST_F(PanelKindTest, ClosingTheSettingsPanelClearsItsSingletonAndAnotherCanBeMade) {
    CPanelBase* setting = registry_->CreatePanel(kPanelSetting);
    registry_->AddPanel(setting);
    const int id = Id(setting);
    setting->SendMessage(WM_COMMAND, IDC_PANEL_CLOSE);  // closes from its own handler
    Pump(20);
    EXPECT_EQ(DeleteCounts()[id], 1);
    EXPECT_EQ(registry_->GetSettingPanel(), nullptr);
    CPanelBase* again = registry_->CreatePanel(kPanelSetting);
    EXPECT_EQ(registry_->GetSettingPanel(), again);
    registry_->DestroyAll();  // not registered: only the exit deletes it
    EXPECT_EQ(DeleteCounts().count(Id(again)), 0u);
    const int againId = Id(again);
    CPanelRegistry::DestroyInstance();
    EXPECT_EQ(DeleteCounts()[againId], 1);
    EXPECT_EQ(DeleteCounts()[id], 1);
}
