// The four settings files: defaults for missing files, round trips of every
// key, the reply lists and their counts, the account list and the scrambled
// server entry.
#include <clientui/ClientSettings.h>

#include <fw/StringUtil.h>

#include <gtest/gtest.h>

#include "SettingsFolder.h"

namespace {

constexpr int32_t kAccount = 10086;

const std::vector<std::wstring> kDefaultReplies = {
    L"你好，我现在有事不在，一会再和您联系！",
    L"工作中，请勿打扰！",
    L"我去吃饭了，一会再联系!",
};

TEST(ClientSettings, MissingFilesGiveTheDefaults) {
    CSettingsFolder folder;
    CClientSettings s(folder.Path());
    std::vector<std::wstring> accounts = {L"stale"};
    s.LoadAccountList(accounts);
    EXPECT_TRUE(accounts.empty());
    EXPECT_EQ(s.LoadServerInfo(), L"");

    s.LoadUserConfig(kAccount);
    EXPECT_EQ(s.accountId, kAccount);
    EXPECT_EQ(s.mainPanelWidth, 232);
    EXPECT_EQ(s.mainPanelHeight, 482);
    EXPECT_FALSE(s.underline);
    EXPECT_FALSE(s.bold);
    EXPECT_FALSE(s.italic);
    EXPECT_EQ(s.textColour, 0u);
    EXPECT_EQ(s.fontName, L"宋体");
    EXPECT_EQ(s.fontSize, 10);
    EXPECT_EQ(s.chatPanelWidth, 523);
    EXPECT_EQ(s.chatPanelHeight, 473);
    EXPECT_EQ(s.sendMsgOpt, 0);
    EXPECT_EQ(s.recvChatMsgOpt, 0);

    s.LoadSystemSetting(kAccount);
    EXPECT_FALSE(s.bAutoReply);
    EXPECT_FALSE(s.bPopUp);
    EXPECT_EQ(s.iSound, 0);
    EXPECT_EQ(s.iState, 0);
    EXPECT_EQ(s.iListIndex, 0);
    EXPECT_EQ(s.iQuickReplyIndex, 0);
    EXPECT_EQ(s.autoReplies, kDefaultReplies);
    EXPECT_EQ(s.iReplyCount, 3);
    EXPECT_EQ(s.quickReplies, kDefaultReplies);
    EXPECT_EQ(s.iQuickReplyCount, 3);
    EXPECT_EQ(s.soundPath, folder.Path() + L"Resource\\Sound\\msg.wav");
}

TEST(ClientSettings, NothingIsSavedBeforeAnAccountIsLoaded) {
    CSettingsFolder folder;
    folder.Make(L"0");
    CClientSettings s(folder.Path());
    s.SaveUserConfig();
    s.SaveSystemSetting();
    EXPECT_FALSE(CSettingsFolder::Exists(folder.Path() + L"0\\Config.dll"));
    EXPECT_FALSE(CSettingsFolder::Exists(folder.Path() + L"0\\systemSetting.dll"));
}

TEST(ClientSettings, UserConfigRoundTrips) {
    CSettingsFolder folder;
    folder.Make(std::to_wstring(kAccount));
    CClientSettings s(folder.Path());
    s.LoadUserConfig(kAccount);
    s.mainPanelWidth = 300;
    s.mainPanelHeight = 600;
    s.underline = true;
    s.bold = true;
    s.italic = false;
    s.textColour = RGB(1, 2, 3);
    s.fontName = L"微软雅黑";
    s.fontSize = 14;
    s.chatPanelWidth = 640;
    s.chatPanelHeight = 480;
    s.sendMsgOpt = 1;
    s.recvChatMsgOpt = 2;
    s.SaveUserConfig();
    EXPECT_EQ(CSettingsFolder::ReadBytes(s.UserConfigPath()).substr(0, 2), std::string("\xFF\xFE", 2));

    CClientSettings t(folder.Path());
    t.LoadUserConfig(kAccount);
    EXPECT_EQ(t.mainPanelWidth, 300);
    EXPECT_EQ(t.mainPanelHeight, 600);
    EXPECT_TRUE(t.underline);
    EXPECT_TRUE(t.bold);
    EXPECT_FALSE(t.italic);
    EXPECT_EQ(t.textColour, RGB(1, 2, 3));
    EXPECT_EQ(t.fontName, L"微软雅黑");
    EXPECT_EQ(t.fontSize, 14);
    EXPECT_EQ(t.chatPanelWidth, 640);
    EXPECT_EQ(t.chatPanelHeight, 480);
    EXPECT_EQ(t.sendMsgOpt, 1);
    EXPECT_EQ(t.recvChatMsgOpt, 2);
}

TEST(ClientSettings, BooleansReadNonzeroAsOnAndAreWrittenAsOneOrZero) {
    CSettingsFolder folder;
    const std::wstring dir = folder.Make(std::to_wstring(kAccount));
    CSettingsFolder::WriteUnicode(dir + L"Config.dll", L"[chat]\r\nunderline=5\r\nbold=0\r\nitalic=-1\r\n");
    CClientSettings s(folder.Path());
    s.LoadUserConfig(kAccount);
    EXPECT_TRUE(s.underline);
    EXPECT_FALSE(s.bold);
    EXPECT_TRUE(s.italic);
    s.SaveUserConfig();
    wchar_t value[8] = {};
    ::GetPrivateProfileStringW(L"chat", L"underline", L"", value, 8, (dir + L"Config.dll").c_str());
    EXPECT_STREQ(value, L"1");
}

TEST(ClientSettings, SystemSettingRoundTrips) {
    CSettingsFolder folder;
    folder.Make(std::to_wstring(kAccount));
    CClientSettings s(folder.Path());
    s.LoadSystemSetting(kAccount);
    s.bAutoReply = true;
    s.bPopUp = true;
    s.iSound = 2;
    s.iState = 3;
    s.iListIndex = 1;
    s.autoReplies = {L"稍等", L"马上回来 \uD55C"};
    s.iQuickReplyIndex = 0;
    s.quickReplies = {L"好的"};
    s.soundPath = L"D:\\声音\\ding.wav";
    s.SaveSystemSetting();
    EXPECT_EQ(s.iReplyCount, 2) << "the counts follow the lists";
    EXPECT_EQ(s.iQuickReplyCount, 1);

    CClientSettings t(folder.Path());
    t.LoadSystemSetting(kAccount);
    EXPECT_TRUE(t.bAutoReply);
    EXPECT_TRUE(t.bPopUp);
    EXPECT_EQ(t.iSound, 2);
    EXPECT_EQ(t.iState, 3);
    EXPECT_EQ(t.iListIndex, 1);
    EXPECT_EQ(t.autoReplies, s.autoReplies);
    EXPECT_EQ(t.iReplyCount, 2);
    EXPECT_EQ(t.quickReplies, s.quickReplies);
    EXPECT_EQ(t.iQuickReplyCount, 1);
    EXPECT_EQ(t.soundPath, s.soundPath);
}

TEST(ClientSettings, ZeroReplyCountGivesTheDefaultsAndSavingWritesThem) {
    CSettingsFolder folder;
    const std::wstring dir = folder.Make(std::to_wstring(kAccount));
    const std::wstring path = dir + L"systemSetting.dll";
    CSettingsFolder::WriteUnicode(path, L"[systemSetting]\r\niReplyCount=0\r\nreply1=ignored\r\n");
    CClientSettings s(folder.Path());
    s.LoadSystemSetting(kAccount);
    EXPECT_EQ(s.autoReplies, kDefaultReplies);
    EXPECT_EQ(s.iReplyCount, 3);
    s.SaveSystemSetting();
    wchar_t value[128] = {};
    ::GetPrivateProfileStringW(L"systemSetting", L"reply3", L"", value, 128, path.c_str());
    EXPECT_EQ(value, kDefaultReplies[2]);
    EXPECT_EQ(::GetPrivateProfileIntW(L"systemSetting", L"iReplyCount", 0, path.c_str()), 3u);
}

TEST(ClientSettings, LoweringACountLeavesOldKeysThatAreNeverReadAgain) {
    CSettingsFolder folder;
    folder.Make(std::to_wstring(kAccount));
    CClientSettings s(folder.Path());
    s.LoadSystemSetting(kAccount);
    s.autoReplies = {L"r1", L"r2", L"r3", L"r4", L"r5"};
    s.SaveSystemSetting();
    s.autoReplies.resize(2);
    s.SaveSystemSetting();
    wchar_t value[16] = {};
    ::GetPrivateProfileStringW(L"systemSetting", L"reply5", L"", value, 16, s.SystemSettingPath().c_str());
    EXPECT_STREQ(value, L"r5");
    CClientSettings t(folder.Path());
    t.LoadSystemSetting(kAccount);
    EXPECT_EQ(t.autoReplies, (std::vector<std::wstring>{L"r1", L"r2"}));
}

TEST(ClientSettings, CountsAndTextsFromTheFileAreBounded) {
    CSettingsFolder folder;
    const std::wstring dir = folder.Make(std::to_wstring(kAccount));
    const std::wstring longReply(150, L'长');
    CSettingsFolder::WriteUnicode(dir + L"systemSetting.dll",
                                  L"[systemSetting]\r\niReplyCount=2000000000\r\nreply1=" + longReply +
                                      L"\r\niQuickReplyCount=-4\r\niSound=loud\r\nquickReply1=" + longReply + L"\r\n");
    CSettingsFolder::WriteUnicode(dir + L"Config.dll", L"[main]\r\nmainPanelWidth=wide\r\n[chat]\r\nfont=" +
                                                           std::wstring(40, L'F') + L"\r\n");
    CClientSettings s(folder.Path());
    s.LoadSystemSetting(kAccount);
    EXPECT_EQ(s.iReplyCount, kMaxReplies);
    ASSERT_EQ(s.autoReplies.size(), static_cast<size_t>(kMaxReplies));
    EXPECT_EQ(s.autoReplies[0], std::wstring(99, L'长'));
    EXPECT_EQ(s.autoReplies[1], L"");
    EXPECT_EQ(s.quickReplies, kDefaultReplies) << "a negative count reads as none";
    EXPECT_EQ(s.iSound, 0);
    s.LoadUserConfig(kAccount);
    EXPECT_EQ(s.mainPanelWidth, 232);
    EXPECT_EQ(s.fontName, std::wstring(31, L'F'));
}

TEST(ClientSettings, AnsiFilesOfEarlierVersionsStillRead) {
    CSettingsFolder folder;
    const std::wstring dir = folder.Make(std::to_wstring(kAccount));
    const std::string reply = fw::ToAnsi(L"老版本的回复");
    CSettingsFolder::WriteBytes(dir + L"systemSetting.dll",
                                "[systemSetting]\r\niReplyCount=1\r\nreply1=" + reply + "\r\niQuickReplyCount=1\r\n"
                                "quickReply1=" + reply + "\r\n");
    CClientSettings s(folder.Path());
    s.LoadSystemSetting(kAccount);
    EXPECT_EQ(s.autoReplies, (std::vector<std::wstring>{L"老版本的回复"}));
    s.autoReplies.push_back(L"新 \uD55C");
    s.SaveSystemSetting();
    CClientSettings t(folder.Path());
    t.LoadSystemSetting(kAccount);
    EXPECT_EQ(t.autoReplies, s.autoReplies);
    EXPECT_EQ(t.quickReplies, (std::vector<std::wstring>{L"老版本的回复"}));
}

// A settings file that is no text cannot be read: it is moved aside (its
// bytes kept), the defaults stand, and the notice names it; text, an old
// version's text, a file cut short and a missing file are read as they are.
TEST(ClientSettings, FilesThatAreNoTextAreMovedAsideAndNamed) {
    CSettingsFolder folder;
    const std::wstring dir = folder.Make(std::to_wstring(kAccount));
    CClientSettings s(folder.Path());
    EXPECT_EQ(s.SetAsideDamagedAccountFiles(kAccount), L"") << "no files";

    const std::string zeros(300, '\0');
    const std::string random("\x8f\x01\xfe\x00\x13\xa0\xff\x7f", 8);
    CSettingsFolder::WriteBytes(dir + L"Config.dll", zeros);
    CSettingsFolder::WriteBytes(dir + L"systemSetting.dll", random);
    EXPECT_EQ(s.SetAsideDamagedAccountFiles(kAccount),
              L"设置文件“Config.dll”已损坏，无法读取，已改用默认设置（原文件已另存为“Config.dll.bad”）。\r\n"
              L"设置文件“systemSetting.dll”已损坏，无法读取，已改用默认设置（原文件已另存为“systemSetting.dll.bad”）。");
    EXPECT_EQ(CSettingsFolder::ReadBytes(dir + L"Config.dll.bad"), zeros);
    EXPECT_EQ(CSettingsFolder::ReadBytes(dir + L"systemSetting.dll.bad"), random);
    s.LoadUserConfig(kAccount);
    s.LoadSystemSetting(kAccount);
    EXPECT_EQ(s.fontSize, 10);
    EXPECT_EQ(s.autoReplies, kDefaultReplies);

    // Damaged again: an earlier copy aside is never replaced.
    CSettingsFolder::WriteBytes(dir + L"Config.dll", random);
    EXPECT_EQ(s.SetAsideDamagedAccountFiles(kAccount),
              L"设置文件“Config.dll”已损坏，无法读取，已改用默认设置（原文件已另存为“Config.dll.1.bad”）。");
    EXPECT_EQ(CSettingsFolder::ReadBytes(dir + L"Config.dll.bad"), zeros);

    // Text is read as it is, whatever it holds.
    const std::string texts[] = {
        std::string("\xff\xfe[\0c\0h", 6),                 // UTF-16 cut short
        "[chat]\r\nfontSize=12\r\n",                     // an old version's text
        fw::ToAnsi(L"[chat]\r\nfont=黑体\r\nfontSi"),    // cut inside a line
    };
    for (const std::string& text : texts) {
        CSettingsFolder::WriteBytes(dir + L"Config.dll", text);
        EXPECT_EQ(s.SetAsideDamagedAccountFiles(kAccount), L"");
        EXPECT_EQ(CSettingsFolder::ReadBytes(dir + L"Config.dll"), text);
    }
}

TEST(ClientSettings, AccountListReadsCountEntriesInOrder) {
    CSettingsFolder folder;
    CSettingsFolder::WriteUnicode(folder.Path() + L"IMUsers.dll",
                                  L"[userList]\r\ncount=2\r\n0001=10086\r\n0002=" + std::wstring(40, L'9') +
                                      L"\r\n0003=beyond\r\n");
    CClientSettings s(folder.Path());
    std::vector<std::wstring> accounts;
    s.LoadAccountList(accounts);
    EXPECT_EQ(accounts, (std::vector<std::wstring>{L"10086", std::wstring(31, L'9')}));
}

TEST(ServerEntry, ScramblesAndUnscramblesToTheFixtureValues) {
    struct Case {
        std::wstring plain;
        std::wstring stored;
    };
    const Case cases[] = {
        {L"192.168.1.10", L"65072:<508=3"},
        {L"10.0.0.7", L";0622443"},
        {L"", L""},
        {L"?", L"A"},                  // one unit: only shifted
        {std::wstring(1, wchar_t(0xFFFF)), std::wstring(1, wchar_t(0x0001))},  // modulo 65536
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UnscrambleServerText(c.stored), c.plain) << fw::ToAnsi(c.stored);
        EXPECT_EQ(ScrambleServerText(c.plain), c.stored) << fw::ToAnsi(c.plain);
    }
}

TEST(ServerEntry, LoadServerInfoUnscramblesTheStoredEntry) {
    CSettingsFolder folder;
    const std::wstring ini = folder.Make(L"Ini");
    CSettingsFolder::WriteBytes(ini + L"IMServerInfo.ini", "[serverList]\r\nuse=65072:<508=3\r\n");
    CClientSettings s(folder.Path());
    EXPECT_EQ(s.LoadServerInfo(), L"192.168.1.10");
    EXPECT_EQ(s.serverEntry, L"192.168.1.10");
}

}  // namespace
