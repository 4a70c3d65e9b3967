// CClientSettings: the client's settings in memory and the four settings
// files behind them:
//   "IMUsers.dll"          program folder          accounts used before (read only)
//   "Ini\IMServerInfo.ini" program folder          the server entry, stored scrambled (read only)
//   "<id>\Config.dll"      account folder          window sizes and the chat font
//   "<id>\systemSetting.dll" account folder        replies, sound, pop-up, status
// g_ClientSettings is the one object of a client process; the panels read and
// change it in place. UI thread only.
#pragma once

#include "clientui/SettingsText.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Bounds of the counts read from the files.
constexpr int kMaxAccounts = 1000;
constexpr int kMaxReplies = 100;

// Widths (characters) of the texts read from the files.
constexpr size_t kAccountWidth = 31;
constexpr size_t kServerEntryWidth = 31;
constexpr size_t kFontNameWidth = 31;
constexpr size_t kReplyWidth = 99;
constexpr size_t kQuickReplyWidth = 49;
constexpr size_t kSoundPathWidth = 259;

class CClientSettings {
public:
    // programFolder: the folder holding the files, ending in a backslash;
    // empty for the program's own folder.
    explicit CClientSettings(std::wstring programFolder = std::wstring());

    // --- values -----------------------------------------------------------
    std::wstring serverEntry;                 // unscrambled
    std::vector<std::wstring> autoReplies;
    std::vector<std::wstring> quickReplies;
    std::wstring soundPath;
    int32_t accountId = 0;                    // whose files were loaded; 0 = none

    bool underline = false;
    bool bold = false;
    bool italic = false;
    COLORREF textColour = 0;
    std::wstring fontName;
    int fontSize = 10;

    int chatPanelWidth = 523;
    int chatPanelHeight = 473;
    int mainPanelWidth = 232;
    int mainPanelHeight = 482;
    int sendMsgOpt = 0;
    int recvChatMsgOpt = 0;

    bool bAutoReply = false;
    bool bPopUp = false;
    int iSound = 0;
    int iState = 0;
    int iListIndex = 0;
    int iReplyCount = 0;        // equals autoReplies.size() after loading
    int iQuickReplyIndex = 0;
    int iQuickReplyCount = 0;   // equals quickReplies.size() after loading

    // --- files ------------------------------------------------------------
    // Empties list, then appends the accounts of "IMUsers.dll" in order.
    void LoadAccountList(std::vector<std::wstring>& list) const;
    // Reads the server entry, unscrambles it, keeps and returns it.
    const std::wstring& LoadServerInfo();
    // Whether the account's files still have to be read: an account other
    // than the one whose files are loaded. The engine reports a log-on
    // again after each of its reconnects; what the user chose since the
    // files were read lives here until it is saved, and must not be read
    // over with the files' older values.
    bool NeedsAccountFiles(int32_t account) const { return account != 0 && account != accountId; }
    // Remembers the account and reads its "Config.dll".
    void LoadUserConfig(int32_t account);
    // Before the account's settings are read: each of its "Config.dll" and
    // "systemSetting.dll" that holds no settings text is moved aside (its
    // defaults then stand). The user's notice, one line per file; empty
    // when there was none.
    std::wstring SetAsideDamagedAccountFiles(int32_t account) const;
    // Writes every "Config.dll" key; nothing while no account is loaded.
    void SaveUserConfig();
    // Remembers the account and reads its "systemSetting.dll". The two
    // selection indexes are brought within their lists.
    void LoadSystemSetting(int32_t account);
    // Writes every "systemSetting.dll" key; nothing while no account is
    // loaded. The counts written are the lengths of the lists.
    void SaveSystemSetting();
    // Writes only the quick-reply keys (index, count, texts); nothing while
    // no account is loaded. The quick-reply page writes its edits at once,
    // so that a reload of the file (the settings panel reloads it) never
    // loses them.
    void SaveQuickReplies();
    // The three default replies.
    void GetDefaultAutoReply();
    void GetDefaultQuickReply();

    static const std::vector<std::wstring>& DefaultReplies();

    std::wstring GetFolder() const;
    std::wstring AccountListPath() const;
    std::wstring ServerInfoPath() const;
    std::wstring UserConfigPath() const;
    std::wstring SystemSettingPath() const;

private:
    std::wstring m_folder;
};

extern CClientSettings g_ClientSettings;
