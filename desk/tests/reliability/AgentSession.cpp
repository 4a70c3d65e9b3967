#include "AgentSession.h"

#include "DisplayTitle.h"
#include "ScreenPicture.h"
#include "chat/ChatMainPanelResource.h"
#include "clientui/InstanceControl.h"

#include <commctrl.h>

#include <fstream>
#include <iterator>

namespace tavreltest {

namespace {

const std::wstring kAgentCaption = std::wstring(kDeskDisplayTitle) + L" - 50002 - 周宁 ";

}  // namespace

CAgentSession::~CAgentSession() {
    if (m_process.IsRunning()) Stop();
}

void CAgentSession::Pump(DWORD ms) {
    if (m_pump) {
        m_pump(ms);
    } else {
        ::Sleep(ms);
    }
}

bool CAgentSession::Wait(const std::function<bool()>& ready, DWORD ms) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (ready()) return true;
        if (::GetTickCount() - start >= ms) return false;
        Pump(50);
    }
}

bool CAgentSession::Start(const std::wstring& programFolder, bool popUp, bool keepFiles) {
    if (!keepFiles) {
        WriteServerEntry(programFolder);
        WriteAgentSettings(programFolder, kSoakAgent, popUp);
    }
    const auto failed = [&](const char* step) {
        m_startFailure = step;
        return false;
    };
    if (!m_process.Start(programFolder, L"run " + std::to_wstring(kSoakAgent))) return failed("the program did not start");
    if (!Wait([&] { return (m_main = FindMainWindow(m_process, kAgentCaption)) != nullptr; }))
        return failed(m_process.IsRunning() ? "no logged-on main window" : "the program ended");
    SendTo(m_main, WM_INSTANCE_CONTROL, 1, 0);
    if (!BringToFront(m_main)) return failed("the main window did not come to the front");
    if (!Wait([&] { return (m_tree = CustomerTree(m_main)) != nullptr; })) return failed("no customer tree");
    if (!Wait([&] { return GroupOrder(m_tree, L"我的客户").size() == 2; }))
        return failed("the customer tree did not show both customers");
    return true;
}

bool CAgentSession::Stop() {
    if (!m_process.IsRunning()) return true;
    if (m_main) SendTo(m_main, WM_INSTANCE_CONTROL, 0, 0);
    if (Wait([&] { return !m_process.IsRunning(); }, 20000)) return true;
    m_process.Kill();
    return false;
}

bool CAgentSession::Responsive(DWORD ms) const {
    DWORD_PTR result = 0;
    return m_main && ::SendMessageTimeoutW(m_main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, ms, &result) != 0;
}

bool CAgentSession::ExpandCustomers() {
    const TreeItem group = FindGroup(m_tree, L"我的客户");
    if (!group.item) return false;
    if (!(group.state & TVIS_EXPANDED)) Click(TreeItemPoint(m_tree, group));
    return Wait([&] { return (FindGroup(m_tree, L"我的客户").state & TVIS_EXPANDED) != 0; }, 10000);
}

Conversation CAgentSession::Open(int32_t customer) {
    const TreeItem item = RevealTreeUser(m_tree, customer, 10000);
    if (!item.item) return Conversation();
    DoubleClick(TreeItemPoint(m_tree, item));
    Conversation shown;
    const std::wstring name = customer == kSoakCustomer ? L"赵磊" : L"刘洋";
    const bool opened = Wait([&] {
        shown = ShownConversation(m_main);
        return shown.window && ::IsWindowVisible(shown.window) &&
               WindowText(shown.window).find(name) != std::wstring::npos;
    });
    return opened ? shown : Conversation();
}

bool CAgentSession::Close(const Conversation& chat) {
    HWND button = ::GetDlgItem(chat.window, IDC_CHAT_CLOSE);
    if (!button) return false;
    Click(CentreOf(button));
    return Wait([&] { return !::IsWindow(chat.window); }, 10000);
}

bool CAgentSession::FocusInput(const Conversation& chat) {
    HWND input = ::GetDlgItem(chat.window, IDC_CHAT_INPUT);
    if (!input) return false;
    if (FocusOf(m_main) == input) return true;
    Click(CentreOf(input));
    return Wait([&] { return FocusOf(m_main) == input; }, 5000);
}

std::wstring CAgentSession::InputText(const Conversation& chat) const {
    return WindowText(::GetDlgItem(chat.window, IDC_CHAT_INPUT));
}

std::vector<HWND> CAgentSession::MessageBoxes() const {
    std::vector<HWND> boxes;
    for (HWND window : m_process.Windows())
        if (ClassName(window) == L"#32770" && !MessageBoxText(window).empty()) boxes.push_back(window);
    return boxes;
}

std::vector<HWND> CAgentSession::OtherWindows() const {
    std::vector<HWND> others;
    for (HWND window : m_process.Windows())
        if (window != m_main) others.push_back(window);
    return others;
}

void CAgentSession::SaveScreen(const std::wstring& name) const {
    const RECT screen = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    testpicture::SaveScreenArea(screen, name);
}

std::vector<LPARAM> GroupOrder(HWND tree, const std::wstring& groupPrefix) {
    std::vector<LPARAM> ids;
    HTREEITEM group = nullptr;
    for (const TreeItem& item : TreeItems(tree)) {
        if (!item.parent) group = item.text.compare(0, groupPrefix.size(), groupPrefix) == 0 ? item.item : nullptr;
        else if (group && item.parent == group) ids.push_back(item.data);
    }
    return ids;
}

TreeItem FindGroup(HWND tree, const std::wstring& prefix) {
    for (const TreeItem& item : TreeItems(tree))
        if (!item.parent && item.text.compare(0, prefix.size(), prefix) == 0) return item;
    return TreeItem();
}

std::string ReadAll(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteAll(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return out.good();
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string PatternBytes(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(x >> 16);
    }
    return bytes;
}

size_t CountOf(const std::wstring& text, const std::wstring& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

}  // namespace tavreltest
