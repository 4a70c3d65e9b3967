#include "clientui/ClientSettings.h"

#include "clientui/ProfileFile.h"

#include <fw/Application.h>
#include <fw/StringUtil.h>

#include <algorithm>

CClientSettings g_ClientSettings;

namespace {

const wchar_t kAccountListFile[] = L"IMUsers.dll";
const wchar_t kServerInfoFile[] = L"IMServerInfo.ini";
const wchar_t kUserConfigFile[] = L"Config.dll";
const wchar_t kSystemSettingFile[] = L"systemSetting.dll";
const wchar_t kDefaultFontName[] = L"宋体";

const wchar_t kUserList[] = L"userList";
const wchar_t kServerList[] = L"serverList";
const wchar_t kMain[] = L"main";
const wchar_t kChat[] = L"chat";
const wchar_t kSystemSetting[] = L"systemSetting";

void ReadReplies(const CProfileFile& file, int count, const wchar_t* keyFormat, size_t width,
                 std::vector<std::wstring>* list) {
    list->clear();
    for (int i = 1; i <= count; ++i)
        list->push_back(file.ReadText(kSystemSetting, fw::FormatString(keyFormat, i).c_str(), L"", width));
}

void WriteReplies(CProfileFile& file, const std::vector<std::wstring>& list, const wchar_t* keyFormat) {
    for (size_t i = 0; i < list.size(); ++i)
        file.WriteText(kSystemSetting, fw::FormatString(keyFormat, static_cast<int>(i + 1)).c_str(), list[i]);
}

}  // namespace

CClientSettings::CClientSettings(std::wstring programFolder)
    : fontName(kDefaultFontName), m_folder(std::move(programFolder)) {}

const std::vector<std::wstring>& CClientSettings::DefaultReplies() {
    static const std::vector<std::wstring> replies = {
        L"你好，我现在有事不在，一会再和您联系！",
        L"工作中，请勿打扰！",
        L"我去吃饭了，一会再联系!",
    };
    return replies;
}

std::wstring CClientSettings::GetFolder() const {
    return m_folder.empty() ? fw::CApplication::GetProgramFolder() : m_folder;
}

std::wstring CClientSettings::AccountListPath() const { return GetFolder() + kAccountListFile; }

std::wstring CClientSettings::ServerInfoPath() const { return GetFolder() + L"Ini\\" + kServerInfoFile; }

std::wstring CClientSettings::UserConfigPath() const {
    return GetFolder() + fw::FormatString(L"%d\\", accountId) + kUserConfigFile;
}

std::wstring CClientSettings::SystemSettingPath() const {
    return GetFolder() + fw::FormatString(L"%d\\", accountId) + kSystemSettingFile;
}

void CClientSettings::LoadAccountList(std::vector<std::wstring>& list) const {
    list.clear();
    const CProfileFile file(AccountListPath());
    const int count = file.ReadCount(kUserList, L"count", kMaxAccounts);
    for (int i = 1; i <= count; ++i)
        list.push_back(file.ReadText(kUserList, fw::FormatString(L"%04d", i).c_str(), L"", kAccountWidth));
}

const std::wstring& CClientSettings::LoadServerInfo() {
    const CProfileFile file(ServerInfoPath());
    serverEntry = UnscrambleServerText(file.ReadText(kServerList, L"use", L"", kServerEntryWidth));
    return serverEntry;
}

void CClientSettings::LoadUserConfig(int32_t account) {
    accountId = account;
    const CProfileFile file(UserConfigPath());
    mainPanelWidth = file.ReadInt(kMain, L"mainPanelWidth", 232);
    mainPanelHeight = file.ReadInt(kMain, L"mainPanelHeight", 482);
    underline = file.ReadBool(kChat, L"underline", false);
    bold = file.ReadBool(kChat, L"bold", false);
    italic = file.ReadBool(kChat, L"italic", false);
    textColour = static_cast<COLORREF>(file.ReadInt(kChat, L"crText", 0));
    fontName = file.ReadText(kChat, L"font", kDefaultFontName, kFontNameWidth);
    fontSize = file.ReadInt(kChat, L"fontSize", 10);
    chatPanelWidth = file.ReadInt(kChat, L"chatPanelWidth", 523);
    chatPanelHeight = file.ReadInt(kChat, L"chatPanelHeight", 473);
    sendMsgOpt = file.ReadInt(kChat, L"sendMsgOpt", 0);
    recvChatMsgOpt = file.ReadInt(kChat, L"recvChatMsgOpt", 0);
}

std::wstring CClientSettings::SetAsideDamagedAccountFiles(int32_t account) const {
    if (account == 0) return std::wstring();
    std::wstring notice;
    const std::wstring folder = GetFolder() + fw::FormatString(L"%d\\", account);
    for (const wchar_t* name : {kUserConfigFile, kSystemSettingFile}) {
        const std::wstring aside = SetAsideDamagedSettingsFile(folder + name);
        if (aside.empty()) continue;
        if (!notice.empty()) notice += L"\r\n";
        notice += fw::FormatString(L"设置文件“%ls”已损坏，无法读取，已改用默认设置（原文件已另存为“%ls”）。", name,
                                   aside.substr(aside.find_last_of(L'\\') + 1).c_str());
    }
    return notice;
}

void CClientSettings::SaveUserConfig() {
    if (accountId == 0) return;
    CProfileFile file(UserConfigPath());
    file.WriteInt(kMain, L"mainPanelWidth", mainPanelWidth);
    file.WriteInt(kMain, L"mainPanelHeight", mainPanelHeight);
    file.WriteBool(kChat, L"underline", underline);
    file.WriteBool(kChat, L"bold", bold);
    file.WriteBool(kChat, L"italic", italic);
    file.WriteInt(kChat, L"crText", static_cast<int>(textColour));
    file.WriteText(kChat, L"font", fontName);
    file.WriteInt(kChat, L"fontSize", fontSize);
    file.WriteInt(kChat, L"chatPanelWidth", chatPanelWidth);
    file.WriteInt(kChat, L"chatPanelHeight", chatPanelHeight);
    file.WriteInt(kChat, L"sendMsgOpt", sendMsgOpt);
    file.WriteInt(kChat, L"recvChatMsgOpt", recvChatMsgOpt);
}

void CClientSettings::GetDefaultAutoReply() {
    autoReplies = DefaultReplies();
    iReplyCount = static_cast<int>(autoReplies.size());
}

void CClientSettings::GetDefaultQuickReply() {
    quickReplies = DefaultReplies();
    iQuickReplyCount = static_cast<int>(quickReplies.size());
}

void CClientSettings::LoadSystemSetting(int32_t account) {
    accountId = account;
    const CProfileFile file(SystemSettingPath());
    soundPath = GetFolder() + L"Resource\\Sound\\msg.wav";
    bAutoReply = file.ReadBool(kSystemSetting, L"bAutoReply", false);
    bPopUp = file.ReadBool(kSystemSetting, L"bPopUp", false);
    iSound = file.ReadInt(kSystemSetting, L"iSound", 0);
    iState = file.ReadInt(kSystemSetting, L"iState", 0);
    iListIndex = file.ReadInt(kSystemSetting, L"iListIndex", 0);

    iReplyCount = file.ReadCount(kSystemSetting, L"iReplyCount", kMaxReplies);
    ReadReplies(file, iReplyCount, L"reply%d", kReplyWidth, &autoReplies);
    if (iReplyCount == 0) GetDefaultAutoReply();

    iQuickReplyIndex = file.ReadInt(kSystemSetting, L"iQuickReplyIndex", 0);
    iQuickReplyCount = file.ReadCount(kSystemSetting, L"iQuickReplyCount", kMaxReplies);
    ReadReplies(file, iQuickReplyCount, L"quickReply%d", kQuickReplyWidth, &quickReplies);
    if (iQuickReplyCount == 0) GetDefaultQuickReply();

    soundPath = file.ReadText(kSystemSetting, L"strSound", soundPath, kSoundPathWidth);

    // The selections index the lists: a value from the file that lies
    // outside its list is taken as the nearest entry.
    iListIndex = ClampListIndex(iListIndex, autoReplies.size());
    iQuickReplyIndex = ClampListIndex(iQuickReplyIndex, quickReplies.size());
}

void CClientSettings::SaveQuickReplies() {
    if (accountId == 0) return;
    iQuickReplyCount = static_cast<int>(quickReplies.size());
    iQuickReplyIndex = ClampListIndex(iQuickReplyIndex, quickReplies.size());
    CProfileFile file(SystemSettingPath());
    file.WriteInt(kSystemSetting, L"iQuickReplyIndex", iQuickReplyIndex);
    file.WriteInt(kSystemSetting, L"iQuickReplyCount", iQuickReplyCount);
    WriteReplies(file, quickReplies, L"quickReply%d");
}

void CClientSettings::SaveSystemSetting() {
    if (accountId == 0) return;
    // The lists are what the panels edit; the counts follow them.
    iReplyCount = static_cast<int>(autoReplies.size());
    iQuickReplyCount = static_cast<int>(quickReplies.size());
    CProfileFile file(SystemSettingPath());
    file.WriteBool(kSystemSetting, L"bAutoReply", bAutoReply);
    file.WriteBool(kSystemSetting, L"bPopUp", bPopUp);
    file.WriteInt(kSystemSetting, L"iSound", iSound);
    file.WriteInt(kSystemSetting, L"iState", iState);
    file.WriteInt(kSystemSetting, L"iListIndex", iListIndex);
    file.WriteInt(kSystemSetting, L"iReplyCount", iReplyCount);
    WriteReplies(file, autoReplies, L"reply%d");
    file.WriteInt(kSystemSetting, L"iQuickReplyIndex", iQuickReplyIndex);
    file.WriteInt(kSystemSetting, L"iQuickReplyCount", iQuickReplyCount);
    WriteReplies(file, quickReplies, L"quickReply%d");
    file.WriteText(kSystemSetting, L"strSound", soundPath);
}
