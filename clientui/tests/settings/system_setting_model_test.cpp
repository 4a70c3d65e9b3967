// The settings panel's decisions without a window: the options change the
// settings at once and mark the panel changed; the automatic replies (at
// most eight, the selection after a delete, the emptied list switching
// automatic replies off); saving refuses an empty list and writes only what
// changed; discarding reads the file again. Also the reply editor
// contract's text rules and the clamped indexes of the settings file.
#include "clientui/ClientSettings.h"
#include "clientui/ReplyEditor.h"
#include "clientui/SystemSettingModel.h"

#include <gtest/gtest.h>

#include "SettingsFolder.h"

namespace {

constexpr int32_t kAccount = 30001;

class SystemSettingModelTest : public ::testing::Test {
protected:
    SystemSettingModelTest() : settings(folder.Path()) {
        folder.Make(std::to_wstring(kAccount));
        settings.LoadSystemSetting(kAccount);
    }
    std::wstring File() const { return settings.SystemSettingPath(); }
    std::wstring Read(const wchar_t* key) const {
        wchar_t value[300] = {};
        ::GetPrivateProfileStringW(L"systemSetting", key, L"<none>", value, 300, File().c_str());
        return value;
    }

    CSettingsFolder folder;
    CClientSettings settings;
};

TEST_F(SystemSettingModelTest, EveryOptionChangesTheSettingsAtOnceAndMarksChanged) {
    struct Case {
        const char* name;
        void (*change)(CSystemSettingModel&);
        bool (*applied)(const CClientSettings&);
    };
    const Case cases[] = {
        {"auto reply on", [](CSystemSettingModel& m) { m.SetAutoReply(true); },
         [](const CClientSettings& s) { return s.bAutoReply; }},
        {"pop-up on", [](CSystemSettingModel& m) { m.SetPopUp(true); }, [](const CClientSettings& s) { return s.bPopUp; }},
        {"default sound", [](CSystemSettingModel& m) { m.SetSound(1); },
         [](const CClientSettings& s) { return s.iSound == 1; }},
        {"busy after log-on", [](CSystemSettingModel& m) { m.SetState(1); },
         [](const CClientSettings& s) { return s.iState == 1; }},
        {"sound file", [](CSystemSettingModel& m) { m.SetSoundPath(L"C:\\ding.wav"); },
         [](const CClientSettings& s) { return s.soundPath == L"C:\\ding.wav"; }},
        {"a click on a row", [](CSystemSettingModel& m) { m.Select(2); },
         [](const CClientSettings& s) { return s.iListIndex == 2; }},
    };
    for (const Case& c : cases) {
        settings.LoadSystemSetting(kAccount);
        CSystemSettingModel model(settings);
        EXPECT_FALSE(model.IsChanged()) << c.name;
        c.change(model);
        EXPECT_TRUE(c.applied(settings)) << c.name;
        EXPECT_TRUE(model.IsChanged()) << c.name;
    }
}

TEST_F(SystemSettingModelTest, AtMostEightRepliesAndNoEmptyOne) {
    CSystemSettingModel model(settings);
    ASSERT_EQ(model.ReplyCount(), 3);  // the defaults
    EXPECT_FALSE(model.Add(L""));
    for (int i = 4; i <= 8; ++i) EXPECT_TRUE(model.Add(L"reply " + std::to_wstring(i))) << i;
    EXPECT_EQ(settings.iReplyCount, 8);
    EXPECT_FALSE(model.CanAdd());
    EXPECT_FALSE(model.Add(L"ninth"));
    EXPECT_EQ(model.ReplyCount(), 8);
    EXPECT_EQ(settings.autoReplies.back(), L"reply 8");
}

TEST_F(SystemSettingModelTest, ModifyChangesTheSelectedReplyOnly) {
    CSystemSettingModel model(settings);
    model.Select(-1);
    EXPECT_FALSE(model.ModifySelected(L"changed"));
    model.Select(1);
    EXPECT_FALSE(model.ModifySelected(L""));
    EXPECT_TRUE(model.ModifySelected(L"changed"));
    EXPECT_EQ(settings.autoReplies[1], L"changed");
    EXPECT_EQ(settings.autoReplies[0], CClientSettings::DefaultReplies()[0]);
}

TEST_F(SystemSettingModelTest, DeleteMovesTheSelectionAndTheLastOneSwitchesAutoReplyOff) {
    settings.bAutoReply = true;
    CSystemSettingModel model(settings);
    EXPECT_EQ(model.Selected(), 0) << "the file's index";
    // Nothing selected: nothing to delete.
    model.Select(-1);
    EXPECT_FALSE(model.DeleteSelected());

    model.Select(2);
    ASSERT_TRUE(model.DeleteSelected());
    EXPECT_EQ(model.Selected(), 1) << "the previous row";
    EXPECT_EQ(settings.iListIndex, 1);
    model.Select(0);
    ASSERT_TRUE(model.DeleteSelected());
    EXPECT_EQ(model.Selected(), 0) << "stays on the first while rows remain";
    EXPECT_EQ(settings.autoReplies, std::vector<std::wstring>({CClientSettings::DefaultReplies()[1]}));
    EXPECT_TRUE(settings.bAutoReply);
    ASSERT_TRUE(model.DeleteSelected());
    EXPECT_EQ(model.Selected(), -1);
    EXPECT_EQ(settings.iReplyCount, 0);
    EXPECT_FALSE(settings.bAutoReply) << "no reply left to send";
    EXPECT_EQ(settings.iListIndex, 0);
}

TEST_F(SystemSettingModelTest, SaveRefusesAnEmptyListAndWritesOnlyWhenChanged) {
    CSystemSettingModel model(settings);
    EXPECT_EQ(model.Save(), CSystemSettingModel::SaveOutcome::NothingChanged);
    EXPECT_EQ(Read(L"bPopUp"), L"<none>") << "nothing was written";

    model.SetPopUp(true);
    EXPECT_EQ(model.Save(), CSystemSettingModel::SaveOutcome::Saved);
    EXPECT_FALSE(model.IsChanged());
    EXPECT_EQ(Read(L"bPopUp"), L"1");

    for (int i = 0; i < 3; ++i) {
        model.Select(0);
        ASSERT_TRUE(model.DeleteSelected());
    }
    EXPECT_EQ(model.Save(), CSystemSettingModel::SaveOutcome::EmptyList);
    EXPECT_TRUE(model.IsChanged()) << "the refused changes are still to be saved";
    EXPECT_EQ(Read(L"iReplyCount"), L"3");
    ASSERT_TRUE(model.Add(L"back soon"));
    EXPECT_EQ(model.Save(), CSystemSettingModel::SaveOutcome::Saved);
    EXPECT_EQ(Read(L"iReplyCount"), L"1");
    EXPECT_EQ(Read(L"reply1"), L"back soon");
}

TEST_F(SystemSettingModelTest, DiscardReadsTheFileAgainSoALaterSaveKeepsWhatWasSaved) {
    CSystemSettingModel model(settings);
    model.SetAutoReply(true);
    model.Select(1);
    ASSERT_EQ(model.Save(), CSystemSettingModel::SaveOutcome::Saved);
    const std::string saved = CSettingsFolder::ReadBytes(File());

    model.SetAutoReply(false);
    model.SetSound(1);
    ASSERT_TRUE(model.Add(L"not kept"));
    model.Discard();
    EXPECT_FALSE(model.IsChanged());
    EXPECT_TRUE(settings.bAutoReply);
    EXPECT_EQ(settings.iSound, 0);
    EXPECT_EQ(settings.autoReplies, CClientSettings::DefaultReplies());
    EXPECT_EQ(model.Selected(), 1);
    // What the program saves at exit is what was saved before.
    settings.SaveSystemSetting();
    EXPECT_EQ(CSettingsFolder::ReadBytes(File()), saved);
}

TEST(SystemSettingsFile, SelectionIndexesFromTheFileAreBroughtWithinTheirLists) {
    struct Case {
        const wchar_t* listIndex;
        const wchar_t* quickIndex;
        int expectedList, expectedQuick;
    };
    const Case cases[] = {{L"1", L"2", 1, 2}, {L"7", L"9", 1, 2}, {L"-4", L"-1", 0, 0}, {L"x", L"", 0, 0}};
    for (const Case& c : cases) {
        CSettingsFolder folder;
        const std::wstring file = folder.Make(std::to_wstring(kAccount)) + L"systemSetting.dll";
        ::WritePrivateProfileStringW(L"systemSetting", L"iReplyCount", L"2", file.c_str());
        ::WritePrivateProfileStringW(L"systemSetting", L"reply1", L"a", file.c_str());
        ::WritePrivateProfileStringW(L"systemSetting", L"reply2", L"b", file.c_str());
        ::WritePrivateProfileStringW(L"systemSetting", L"iListIndex", c.listIndex, file.c_str());
        ::WritePrivateProfileStringW(L"systemSetting", L"iQuickReplyIndex", c.quickIndex, file.c_str());
        CClientSettings settings(folder.Path());
        settings.LoadSystemSetting(kAccount);
        EXPECT_EQ(settings.iListIndex, c.expectedList) << c.listIndex;
        EXPECT_EQ(settings.iQuickReplyIndex, c.expectedQuick) << c.quickIndex;  // three default quick replies
    }
}

TEST(SystemSettingsFile, SavingTheQuickRepliesWritesOnlyTheirKeys) {
    CSettingsFolder folder;
    folder.Make(std::to_wstring(kAccount));
    CClientSettings settings(folder.Path());
    settings.LoadSystemSetting(kAccount);
    settings.bAutoReply = true;  // not saved by SaveQuickReplies
    settings.quickReplies = {L"one", L"two"};
    settings.SaveQuickReplies();
    CClientSettings read(folder.Path());
    read.LoadSystemSetting(kAccount);
    EXPECT_EQ(read.quickReplies, std::vector<std::wstring>({L"one", L"two"}));
    EXPECT_EQ(read.iQuickReplyCount, 2);
    EXPECT_FALSE(read.bAutoReply);
}

TEST(ReplyEditorContract, TextsKeptInTheSettingsFileStayOnOneLineWithinTheirLimit) {
    struct Case {
        int kind;
        std::wstring in, out;
    };
    const std::wstring long99(99, L'字');
    const Case cases[] = {
        {kReplyKindAddAuto, L"two\r\nlines", L"two lines"},
        {kReplyKindModifyQuick, L"a\nb\rc", L"a b c"},
        {kReplyKindAddCommon, L"two\r\nlines", L"two\r\nlines"},
        {kReplyKindAddAuto, long99 + L"more", long99},
        {kReplyKindAddQuick, std::wstring(60, L'x'), std::wstring(49, L'x')},
        {kReplyKindModifyCommon, std::wstring(250, L'y'), std::wstring(200, L'y')},
    };
    for (const Case& c : cases) EXPECT_EQ(NormalizeReplyText(c.kind, c.in), c.out) << c.kind;
    EXPECT_EQ(ReplyTextLimit(kReplyKindModifyAuto), kReplyWidth);
    EXPECT_EQ(ReplyTextLimit(kReplyKindAddQuick), kQuickReplyWidth);
    EXPECT_EQ(ReplyTextLimit(7), 0u);
}

}  // namespace
