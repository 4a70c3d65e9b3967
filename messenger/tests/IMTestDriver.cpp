#include "IMTestDriver.h"

#include "RealInput.h"

#include "clientui/ClientSettings.h"

#include <ImEngineApi.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using namespace tavreltest;

namespace imtest {

std::wstring AppFolder() { return WindowsPathFromEnv("QV_DESK_APP"); }

std::wstring Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::wstring(value, value + std::strlen(value)) : std::wstring();
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

std::string Ansi(const std::wstring& text) {
    const int n = ::WideCharToMultiByte(936, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 1), '\0');
    ::WideCharToMultiByte(936, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
    out.resize(std::strlen(out.c_str()));
    return out;
}

void PrepareAppFolder(std::initializer_list<int> accounts) {
    const std::wstring folder = AppFolder();
    ::CreateDirectoryW((folder + L"Ini").c_str(), nullptr);
    ::WritePrivateProfileStringW(L"serverList", L"use", ScrambleServerText(Env("QV_DESK_SERVER")).c_str(),
                                 (folder + L"Ini\\IMServerInfo.ini").c_str());
    for (int account : accounts) {
        const std::wstring own = folder + std::to_wstring(account) + L"\\";
        ::DeleteFileW((own + L"Config.dll").c_str());
        ::DeleteFileW((own + L"systemSetting.dll").c_str());
    }
}

namespace {

struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK MatchControl(HWND child, LPARAM param) {
    auto* search = reinterpret_cast<ControlSearch*>(param);
    if (::GetDlgCtrlID(child) != search->id || !::IsWindowVisible(child)) return TRUE;
    search->found = child;
    return FALSE;
}

}  // namespace

HWND FindControl(HWND window, int id) {
    ControlSearch search = {id, nullptr};
    ::EnumChildWindows(window, MatchControl, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void OnTop(HWND window) {
    ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::SetForegroundWindow(window);
}

void ClickControl(HWND window, int id) {
    HWND control = FindControl(window, id);
    ASSERT_NE(control, nullptr) << "control " << id;
    Click(CentreOf(control));
}

HWND FindHitList(const CTavrelProcess& im) {
    for (HWND window : im.Windows())
        if (HWND list = ::GetDlgItem(window, 1516)) return list;
    return nullptr;
}

std::vector<std::wstring> ListLines(HWND list) {
    std::vector<std::wstring> lines;
    DWORD_PTR count = 0;
    ::SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count);
    for (DWORD_PTR i = 0; i < count && i < 50; ++i) {
        wchar_t line[256] = {};
        DWORD_PTR length = 0;
        ::SendMessageTimeoutW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line), SMTO_ABORTIFHUNG, 5000, &length);
        lines.emplace_back(line);
    }
    return lines;
}

HWND VisibleMenu() {
    for (HWND menu = ::FindWindowExW(nullptr, nullptr, L"#32768", nullptr); menu;
         menu = ::FindWindowExW(nullptr, menu, L"#32768", nullptr))
        if (::IsWindowVisible(menu)) return menu;
    return nullptr;
}

HWND OpenStatusMenu(HWND main) {
    HWND menu = nullptr;
    for (int attempt = 0; attempt < 3 && !menu; ++attempt) {
        OnTop(main);
        ::Sleep(200);
        Click(WindowPoint(main, 67 + 8, 44 + 8));
        WaitUntil([&] { return (menu = VisibleMenu()) != nullptr; }, 5000);
    }
    return menu;
}

int32_t Word(const std::vector<uint8_t>& body, size_t at) {
    if (at + 4 > body.size()) return -1;
    return static_cast<int32_t>(body[at] | body[at + 1] << 8 | body[at + 2] << 16 |
                                static_cast<uint32_t>(body[at + 3]) << 24);
}

std::string MessageText(const ServerPacket& packet) {
    constexpr size_t kTextAt = 24;
    if (packet.body.size() <= kTextAt) return std::string();
    const char* text = reinterpret_cast<const char*>(packet.body.data() + kTextAt);
    return std::string(text, ::strnlen(text, packet.body.size() - kTextAt));
}

std::vector<std::string> MessagesFrom(CDeskServerControl& server, int32_t sender, int32_t type) {
    std::vector<std::string> texts;
    for (const ServerPacket& p : server.PacketsOf(CMD_TEXT_MSG))
        if (Word(p.body, 12) == sender && (type < 0 || Word(p.body, 0) == type)) texts.push_back(MessageText(p));
    return texts;
}

}  // namespace imtest
