#include "DeskWindows.h"

#include "DeskServerControl.h"
#include "chat/ChatMainPanelResource.h"
#include "view/ChatViewResource.h"

#include "clientui/ClientSettings.h"

#include <ImEngineApi.h>

#include <commctrl.h>

#include <cstdlib>

namespace tavreltest {

std::wstring ServerAddress() {
    const char* value = std::getenv("QV_DESK_SERVER");
    std::wstring address;
    for (const char* p = value ? value : ""; *p; ++p) address += static_cast<wchar_t>(*p);
    return address;
}

void WriteServerEntry(const std::wstring& programFolder) {
    ::CreateDirectoryW((programFolder + L"Ini").c_str(), nullptr);
    ::WritePrivateProfileStringW(L"serverList", L"use", ScrambleServerText(ServerAddress()).c_str(),
                                 (programFolder + L"Ini\\IMServerInfo.ini").c_str());
}

void WriteAgentSettings(const std::wstring& programFolder, int32_t account, bool popUp, int sendMsgOpt) {
    const std::wstring folder = programFolder + std::to_wstring(account);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ::WritePrivateProfileStringW(L"systemSetting", L"bPopUp", popUp ? L"1" : L"0",
                                 (folder + L"\\systemSetting.dll").c_str());
    ::WritePrivateProfileStringW(L"chat", L"sendMsgOpt", std::to_wstring(sendMsgOpt).c_str(),
                                 (folder + L"\\Config.dll").c_str());
}

std::string CustomerMessage(uint32_t customer, uint32_t agent, uint32_t time, const std::string& text) {
    std::string hex = CDeskServerControl::WordsHex({0, 20261210, time, customer, agent, 0});
    static const char digits[] = "0123456789abcdef";
    for (unsigned char c : text) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    hex += "00";
    while (hex.size() % 8) hex += "0";
    return "SEND last " + std::to_string(CMD_TEXT_MSG) + " " + hex;
}

LRESULT SendTo(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(window, msg, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

HWND FindMainWindow(const CTavrelProcess& process, const std::wstring& caption) {
    for (HWND window : process.Windows(false))
        if (WindowText(window) == caption) return window;
    return nullptr;
}

namespace {

struct ControlSearch {
    int id;
    std::wstring className;
    HWND found;
};

BOOL CALLBACK MatchControl(HWND child, LPARAM param) {
    auto* search = reinterpret_cast<ControlSearch*>(param);
    if (::GetDlgCtrlID(child) != search->id || ::lstrcmpiW(ClassName(child).c_str(), search->className.c_str()) != 0)
        return TRUE;
    search->found = child;
    return FALSE;
}

BOOL CALLBACK CollectConversation(HWND child, LPARAM param) {
    HWND log = ::GetDlgItem(child, IDC_CHAT_LOG);
    if (log && ::GetParent(log) == child) reinterpret_cast<std::vector<Conversation>*>(param)->push_back({child, log});
    return TRUE;
}

BOOL CALLBACK FindNameBox(HWND child, LPARAM param) {
    if (ClassName(child) != L"Edit" || !::IsWindowVisible(child)) return TRUE;
    if (ClassName(::GetParent(child)).compare(0, 8, L"ComboBox") != 0) return TRUE;
    *reinterpret_cast<HWND*>(param) = child;
    return FALSE;
}

}  // namespace

HWND FileNameBox(HWND dialog) {
    HWND found = nullptr;
    ::EnumChildWindows(dialog, FindNameBox, reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND FindControl(HWND parent, int id, const std::wstring& className) {
    ControlSearch search = {id, className, nullptr};
    ::EnumChildWindows(parent, MatchControl, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<Conversation> Conversations(HWND main) {
    std::vector<Conversation> found;
    ::EnumChildWindows(main, CollectConversation, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::vector<Conversation> OpenConversations(HWND main) {
    std::vector<Conversation> open;
    for (const Conversation& c : Conversations(main))
        if (::IsWindowEnabled(c.window)) open.push_back(c);
    return open;
}

Conversation ShownConversation(HWND main) {
    for (const Conversation& c : OpenConversations(main))
        if (::IsWindowVisible(c.window)) return c;
    return Conversation();
}

bool LogShows(const Conversation& c, const std::wstring& text) {
    return WindowText(c.log).find(text) != std::wstring::npos;
}

HWND CustomerTree(HWND main) { return FindControl(main, IDC_CHAT_CUSTOMER_TREE, WC_TREEVIEWW); }

TreeItem RevealTreeUser(HWND tree, int32_t user, DWORD ms) {
    TreeItem item;
    bool clicked = false;
    const bool shown = WaitUntil(
        [&] {
            item = FindTreeItem(tree, user);
            if (!item.item || item.visible) return item.visible;
            if (!clicked) {
                for (const TreeItem& group : TreeItems(tree)) {
                    if (group.item != item.parent || (group.state & TVIS_EXPANDED) || !group.visible) continue;
                    Click(TreeItemPoint(tree, group));
                    clicked = true;
                }
            }
            return false;
        },
        ms);
    return shown ? item : TreeItem();
}

}  // namespace tavreltest
