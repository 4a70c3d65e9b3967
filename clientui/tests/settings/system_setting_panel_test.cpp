// The settings panel as a window (template 147 from clientui/res) over a
// settings folder of its own, with a fake reply editor and the message
// boxes caught by a sink: it shows the settings as they are, its option
// pairs switch, the reply list keeps to eight and never saves empty,
// the save question's "No" leaves the file as it was, Enter and Escape do
// not close it, and a chosen sound file is saved by OK.
#include "clientui/ClientSettings.h"
#include "clientui/PanelRegistry.h"
#include "clientui/SystemSettingPanel.h"

#include "fw/GdiPlusSession.h"
#include "fw/ListCtrl.h"
#include "fw/MessageBoxSink.h"
#include "fw/MessageLoop.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "SettingsFolder.h"

namespace {

constexpr int32_t kAccount = 30001;

void Pump(DWORD ms = 30) {
    const DWORD start = ::GetTickCount();
    MSG msg;
    do {
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) fw::CMessageLoop::Process(msg);
        ::Sleep(5);
    } while (::GetTickCount() - start < ms);
}

// Answers each edit with the next scripted text (none: cancelled) and
// remembers what it was asked.
class CFakeEditor : public IReplyEditor {
public:
    struct Call {
        int kind;
        std::wstring text;
    };
    bool EditReply(HWND, int kind, std::wstring* text) override {
        calls.push_back({kind, *text});
        if (answers.empty()) return false;
        *text = answers.front();
        answers.erase(answers.begin());
        return true;
    }
    std::vector<Call> calls;
    std::vector<std::wstring> answers;
};

struct Box {
    std::wstring text, caption;
    UINT flags;
};

// The panel with the file dialog answered by the test.
class CTestSettingPanel : public CIMSystemSettingPanel {
public:
    using CIMSystemSettingPanel::CIMSystemSettingPanel;
    std::wstring chosenFile;

protected:
    bool ChooseSoundFile(std::wstring* path) override {
        if (chosenFile.empty()) return false;
        *path = chosenFile;
        return true;
    }
};

class SystemSettingPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        gdiplus.Start();
        file = folder.Make(std::to_wstring(kAccount)) + L"systemSetting.dll";
        ::WritePrivateProfileStringW(L"systemSetting", L"bAutoReply", L"1", file.c_str());
        ::WritePrivateProfileStringW(L"systemSetting", L"iState", L"2", file.c_str());
        ::WritePrivateProfileStringW(L"systemSetting", L"iListIndex", L"1", file.c_str());
        settings.LoadSystemSetting(kAccount);
        savedSink = fw::SetMessageBoxSink([this](HWND, const std::wstring& text, const std::wstring& caption, UINT flags) {
            boxes.push_back({text, caption, flags});
            return answer;
        });
    }
    void TearDown() override {
        CPanelRegistry::DestroyInstance();
        Pump(10);
        fw::SetMessageBoxSink(savedSink);
    }

    // A panel held by the registry, as the programs open it.
    CTestSettingPanel* Open() {
        auto* panel = new CTestSettingPanel(editor, settings);
        EXPECT_TRUE(panel->Create(nullptr));
        CPanelRegistry::GetInstance()->AddPanel(panel);
        Pump();
        return panel;
    }
    static HWND Item(CPanelBase* panel, int id) { return ::GetDlgItem(panel->GetHwnd(), id); }
    static bool Shown(CPanelBase* panel, int id) { return ::IsWindowVisible(Item(panel, id)) != FALSE; }
    static void Click(CPanelBase* panel, int id) {
        panel->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(panel, id)));
        Pump();
    }
    static std::vector<std::wstring> Rows(CPanelBase* panel) {
        fw::CListCtrl list(Item(panel, IDC_SETTING_REPLY_LIST));
        std::vector<std::wstring> rows;
        for (int i = 0; i < list.GetItemCount(); ++i) rows.push_back(list.GetItemText(i, 0) + L" " + list.GetItemText(i, 1));
        return rows;
    }
    static bool IsOpen(CPanelBase* panel) { return CPanelRegistry::GetInstance()->Holds(panel); }

    fw::CGdiPlusSession gdiplus;
    CSettingsFolder folder;
    std::wstring file;
    CClientSettings settings{folder.Path()};
    CFakeEditor editor;
    std::vector<Box> boxes;
    int answer = IDOK;
    fw::MessageBoxSink savedSink;
};

TEST_F(SystemSettingPanelTest, ShowsTheSettingsAsTheyAre) {
    CTestSettingPanel* panel = Open();
    wchar_t title[64] = {};
    ::GetWindowTextW(panel->GetHwnd(), title, 64);
    EXPECT_STREQ(title, L"系统设置");
    const RECT window = panel->GetWindowRect();
    EXPECT_EQ(window.right - window.left, 500);
    EXPECT_EQ(window.bottom - window.top, 410);

    EXPECT_EQ(::SendMessageW(Item(panel, IDC_SETTING_STATE), CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(::SendMessageW(Item(panel, IDC_SETTING_STATE), CB_GETCOUNT, 0, 0), 4);
    // Automatic replies on, pop-up off, no sound.
    EXPECT_TRUE(Shown(panel, IDC_SETTING_AUTOREPLY_ON));
    EXPECT_FALSE(Shown(panel, IDC_SETTING_AUTOREPLY_OFF));
    EXPECT_TRUE(Shown(panel, IDC_SETTING_POPUP_OFF));
    EXPECT_FALSE(Shown(panel, IDC_SETTING_POPUP_ON));
    EXPECT_TRUE(Shown(panel, IDC_SETTING_SOUND_NONE_ON));
    EXPECT_TRUE(Shown(panel, IDC_SETTING_SOUND_DEFAULT));
    EXPECT_FALSE(Shown(panel, IDC_SETTING_SOUND_NONE));
    EXPECT_FALSE(Shown(panel, IDC_SETTING_SOUND_DEFAULT_ON));
    for (int id : {IDC_SETTING_QUICK_LIST, IDC_SETTING_QUICK_EDIT, IDC_SETTING_QUICK_UP, IDC_SETTING_QUICK_DOWN})
        EXPECT_FALSE(Shown(panel, id)) << id;

    const std::vector<std::wstring>& defaults = CClientSettings::DefaultReplies();
    EXPECT_EQ(Rows(panel), std::vector<std::wstring>({L"1 " + defaults[0], L"2 " + defaults[1], L"3 " + defaults[2]}));
    EXPECT_EQ(::SendMessageW(Item(panel, IDC_SETTING_REPLY_LIST), LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                             LVNI_SELECTED),
              1);
    wchar_t path[MAX_PATH] = {};
    ::GetWindowTextW(Item(panel, IDC_SETTING_SOUND_PATH), path, MAX_PATH);
    EXPECT_EQ(std::wstring(path), folder.Path() + L"Resource\\Sound\\msg.wav");
    EXPECT_FALSE(panel->IsChanged());
}

TEST_F(SystemSettingPanelTest, OptionPairsSwitchTheSettingsAtOnce) {
    CTestSettingPanel* panel = Open();
    Click(panel, IDC_SETTING_AUTOREPLY_ON);
    EXPECT_FALSE(settings.bAutoReply);
    EXPECT_TRUE(Shown(panel, IDC_SETTING_AUTOREPLY_OFF));
    EXPECT_FALSE(Shown(panel, IDC_SETTING_AUTOREPLY_ON));
    Click(panel, IDC_SETTING_POPUP_OFF);
    EXPECT_TRUE(settings.bPopUp);
    EXPECT_TRUE(Shown(panel, IDC_SETTING_POPUP_ON));
    Click(panel, IDC_SETTING_SOUND_DEFAULT);
    EXPECT_EQ(settings.iSound, 1);
    EXPECT_TRUE(Shown(panel, IDC_SETTING_SOUND_DEFAULT_ON));
    EXPECT_TRUE(Shown(panel, IDC_SETTING_SOUND_NONE));
    Click(panel, IDC_SETTING_SOUND_DEFAULT_ON);  // chosen already
    EXPECT_EQ(settings.iSound, 1);
    Click(panel, IDC_SETTING_SOUND_NONE);
    EXPECT_EQ(settings.iSound, 0);
    EXPECT_TRUE(Shown(panel, IDC_SETTING_SOUND_NONE_ON));
    EXPECT_TRUE(panel->IsChanged());
}

TEST_F(SystemSettingPanelTest, RepliesGoThroughTheEditorUpToEight) {
    CTestSettingPanel* panel = Open();
    editor.answers = {L"four"};
    Click(panel, IDC_SETTING_REPLY_ADD);
    ASSERT_EQ(editor.calls.size(), 1u);
    EXPECT_EQ(editor.calls[0].kind, kReplyKindAddAuto);
    EXPECT_EQ(editor.calls[0].text, L"");
    EXPECT_EQ(Rows(panel).back(), L"4 four");

    // Row 2 is selected (the file's index): it is changed.
    editor.answers = {L"second"};
    Click(panel, IDC_SETTING_REPLY_MODIFY);
    ASSERT_EQ(editor.calls.size(), 2u);
    EXPECT_EQ(editor.calls[1].kind, kReplyKindModifyAuto);
    EXPECT_EQ(editor.calls[1].text, CClientSettings::DefaultReplies()[1]);
    EXPECT_EQ(Rows(panel)[1], L"2 second");

    // A cancelled edit changes nothing.
    Click(panel, IDC_SETTING_REPLY_ADD);
    EXPECT_EQ(Rows(panel).size(), 4u);

    for (int i = 5; i <= 8; ++i) {
        editor.answers = {L"r" + std::to_wstring(i)};
        Click(panel, IDC_SETTING_REPLY_ADD);
    }
    EXPECT_EQ(Rows(panel).size(), 8u);
    const size_t asked = editor.calls.size();
    Click(panel, IDC_SETTING_REPLY_ADD);
    EXPECT_EQ(editor.calls.size(), asked) << "the editor opened for a ninth reply";
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"最多设置8条自动回复留言。");
    EXPECT_EQ(boxes[0].caption, L"提示");
    EXPECT_EQ(settings.autoReplies.size(), 8u);
}

TEST_F(SystemSettingPanelTest, AnEmptyListIsNeverSavedAndThePanelStays) {
    CTestSettingPanel* panel = Open();
    for (int i = 0; i < 3; ++i) Click(panel, IDC_SETTING_REPLY_DELETE);
    EXPECT_TRUE(Rows(panel).empty());
    EXPECT_FALSE(settings.bAutoReply);
    EXPECT_TRUE(Shown(panel, IDC_SETTING_AUTOREPLY_OFF)) << "the switch shows the automatic replies off";
    const std::string before = CSettingsFolder::ReadBytes(file);
    Click(panel, IDC_SETTING_OK);
    Click(panel, IDC_SETTING_APPLY);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, L"不能自动回复空内容！");
    EXPECT_EQ(boxes[1].text, L"不能自动回复空内容！");
    EXPECT_TRUE(IsOpen(panel));
    EXPECT_TRUE(panel->IsWindowVisible());
    EXPECT_EQ(CSettingsFolder::ReadBytes(file), before);

    // Yes to the question with an empty list: refused, the panel stays.
    answer = IDYES;
    Click(panel, IDC_SETTING_CANCEL);
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[2].text, L"是否保存刚才的设置？");
    EXPECT_EQ(boxes[2].flags & MB_YESNO, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(boxes[3].text, L"不能自动回复空内容！");
    EXPECT_TRUE(IsOpen(panel));
}

TEST_F(SystemSettingPanelTest, NoToTheQuestionLeavesTheFileAndTheSettingsAsSaved) {
    const std::string before = CSettingsFolder::ReadBytes(file);
    CTestSettingPanel* panel = Open();
    Click(panel, IDC_SETTING_POPUP_OFF);
    Click(panel, IDC_SETTING_REPLY_DELETE);
    answer = IDNO;
    Click(panel, IDC_PANEL_CLOSE);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"是否保存刚才的设置？");
    EXPECT_EQ(boxes[0].caption, L"提示");
    Pump();
    EXPECT_FALSE(IsOpen(panel)) << "the panel did not close";
    EXPECT_EQ(CSettingsFolder::ReadBytes(file), before);
    EXPECT_FALSE(settings.bPopUp);
    EXPECT_EQ(settings.autoReplies.size(), 3u);
}

TEST_F(SystemSettingPanelTest, WithoutChangesCancelClosesWithoutAsking) {
    CTestSettingPanel* panel = Open();
    Click(panel, IDC_SETTING_CANCEL);
    Pump();
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(IsOpen(panel));
}

TEST_F(SystemSettingPanelTest, EnterAndEscapeDoNotCloseIt) {
    CTestSettingPanel* panel = Open();
    Click(panel, IDC_SETTING_POPUP_OFF);
    ::SetForegroundWindow(panel->GetHwnd());
    ::SetFocus(Item(panel, IDC_SETTING_REPLY_LIST));
    for (WPARAM key : {VK_RETURN, VK_ESCAPE, VK_DOWN}) {
        ::PostMessageW(Item(panel, IDC_SETTING_REPLY_LIST), WM_KEYDOWN, key, 1);
        Pump(60);
    }
    EXPECT_TRUE(IsOpen(panel));
    EXPECT_TRUE(panel->IsWindowVisible());
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(::SendMessageW(Item(panel, IDC_SETTING_REPLY_LIST), LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                             LVNI_SELECTED),
              1)
        << "an arrow key moved the selection";
}

TEST_F(SystemSettingPanelTest, AChosenSoundFileIsSavedByOk) {
    CTestSettingPanel* panel = Open();
    panel->chosenFile = L"C:\\sounds\\ding.wav";
    Click(panel, IDC_SETTING_BROWSE);
    wchar_t path[MAX_PATH] = {};
    ::GetWindowTextW(Item(panel, IDC_SETTING_SOUND_PATH), path, MAX_PATH);
    EXPECT_STREQ(path, L"C:\\sounds\\ding.wav");
    Click(panel, IDC_SETTING_OK);
    Pump();
    EXPECT_FALSE(IsOpen(panel));
    wchar_t saved[MAX_PATH] = {};
    ::GetPrivateProfileStringW(L"systemSetting", L"strSound", L"", saved, MAX_PATH, file.c_str());
    EXPECT_STREQ(saved, L"C:\\sounds\\ding.wav");
}

}  // namespace
