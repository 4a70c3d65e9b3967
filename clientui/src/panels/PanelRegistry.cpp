#include "clientui/PanelRegistry.h"

#include "clientui/PanelBase.h"

#include <algorithm>

CPanelRegistry* CPanelRegistry::s_instance = nullptr;

CPanelRegistry* CPanelRegistry::GetInstance() {
    if (!s_instance) s_instance = new CPanelRegistry();
    return s_instance;
}

void CPanelRegistry::DestroyInstance() {
    CPanelRegistry* registry = s_instance;
    if (!registry) return;
    registry->CloseAll();
    s_instance = nullptr;
    delete registry;
}

CPanelRegistry::~CPanelRegistry() {
    CloseAll();
    if (s_instance == this) s_instance = nullptr;
}

void CPanelRegistry::DeleteWindowObject(CPanelBase* window) {
    // Destroys the window and deletes the object, or does so once the
    // object's own handler that asked for it has returned.
    if (window) window->Delete();
}

void CPanelRegistry::ForgetSingleton(const CPanelBase* window) {
    if (window == m_pSettingPanel) m_pSettingPanel = nullptr;
    if (window == m_pMsgMgrPanel) m_pMsgMgrPanel = nullptr;
}

CPanelBase* CPanelRegistry::CreatePanel(int kind) {
    if (kind < kPanelMain || kind > kPanelEditReply || kind == kPanelNone || !m_factory) return nullptr;
    CPanelBase* panel = m_factory->CreatePanel(kind);
    if (!panel) return nullptr;
    if (kind == kPanelMsgMgr && !m_pMsgMgrPanel) m_pMsgMgrPanel = panel;
    if (kind == kPanelSetting && !m_pSettingPanel) m_pSettingPanel = panel;
    return panel;
}

bool CPanelRegistry::Holds(const CPanelBase* window) const {
    if (!window) return false;
    return std::find(m_panels.begin(), m_panels.end(), window) != m_panels.end() ||
           std::find(m_chatWindows.begin(), m_chatWindows.end(), window) != m_chatWindows.end();
}

bool CPanelRegistry::AddPanel(CPanelBase* panel) {
    if (!panel || Holds(panel)) return false;
    m_panels.push_back(panel);
    return true;
}

void CPanelRegistry::RemovePanel(CPanelBase* panel) {
    if (!panel) return;
    auto it = std::find(m_panels.begin(), m_panels.end(), panel);
    if (it == m_panels.end()) return;
    ForgetSingleton(panel);
    m_profiles.erase(std::remove_if(m_profiles.begin(), m_profiles.end(),
                                    [panel](const ProfileEntry& e) { return e.panel == panel; }),
                     m_profiles.end());
    // The entry goes first, so a call that the deletion itself causes finds
    // nothing left to delete.
    m_panels.erase(it);
    DeleteWindowObject(panel);
}

void CPanelRegistry::DestroyAll() {
    std::vector<CPanelBase*> panels;
    panels.swap(m_panels);
    m_profiles.clear();
    for (CPanelBase* panel : panels) {
        ForgetSingleton(panel);
        DeleteWindowObject(panel);
    }
}

CPanelBase* CPanelRegistry::FindPanelByUser(int32_t userId) const {
    for (const ProfileEntry& entry : m_profiles)
        if (entry.userId == userId) return entry.panel;
    return nullptr;
}

CPanelBase* CPanelRegistry::OpenUserInfo(int32_t userId) {
    CPanelBase* panel = FindPanelByUser(userId);
    if (panel) {
        panel->ShowWindow(SW_SHOWNORMAL);
    } else {
        if (!m_opener) return nullptr;
        panel = m_opener->CreateUserInfoPanel(userId);
        if (!panel) return nullptr;
        AddPanel(panel);  // false when the opener registered it already
        m_profiles.push_back(ProfileEntry{panel, userId});
    }
    if (panel->IsWindow()) {
        ::SetForegroundWindow(panel->GetHwnd());
        ::SetActiveWindow(panel->GetHwnd());
    }
    return panel;
}

CPanelBase* CPanelRegistry::OpenSystemSetting() {
    if (!m_pSettingPanel) {
        if (!m_opener) return nullptr;
        // The new panel fills its controls from the settings in memory:
        // they are read from the file first, so that it shows what was saved.
        m_opener->ReloadSystemSetting();
        CPanelBase* panel = m_opener->CreateSystemSettingPanel();
        if (!panel) return nullptr;
        m_pSettingPanel = panel;
        AddPanel(panel);
    }
    if (m_pSettingPanel->IsWindow()) {
        ::SetForegroundWindow(m_pSettingPanel->GetHwnd());
        m_pSettingPanel->ShowWindow(SW_SHOWNORMAL);
    }
    return m_pSettingPanel;
}

bool CPanelRegistry::AddChatWindow(CPanelBase* window) {
    if (!window || Holds(window)) return false;
    m_chatWindows.push_back(window);
    return true;
}

void CPanelRegistry::CloseChatWindow(CPanelBase* window) {
    if (!window) return;
    auto it = std::find(m_chatWindows.begin(), m_chatWindows.end(), window);
    if (it == m_chatWindows.end()) return;
    m_chatWindows.erase(it);
    DeleteWindowObject(window);
}

CPanelBase* CPanelRegistry::FindChatWindow(int32_t userId) const {
    for (CPanelBase* window : m_chatWindows) {
        const auto* info = dynamic_cast<const IChatWindowInfo*>(window);
        if (info && info->GetChatKind() == kChatKindSingleUser && info->GetChatUserId() == userId) return window;
    }
    return nullptr;
}

void CPanelRegistry::LayoutChatWindows(const RECT& rect) {
    if (m_chatWindows.empty()) return;
    // Every window but the last is hidden; the last one is placed without
    // being hidden on the way, so that a window already shown is not drawn
    // again from nothing.
    CPanelBase* last = m_chatWindows.back();
    for (CPanelBase* window : m_chatWindows) {
        if (!window->IsWindow() || window == last) continue;
        // One hidden already in its place stays as it is.
        if (!window->IsWindowVisible()) {
            RECT now = window->GetWindowRect();
            ::MapWindowPoints(nullptr, ::GetParent(window->GetHwnd()), reinterpret_cast<POINT*>(&now), 2);
            if (::EqualRect(&now, &rect)) continue;
        }
        window->SetWindowPos(nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                             SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    }
    if (last->IsWindow()) {
        last->SetWindowPos(nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                           SWP_NOZORDER | SWP_NOACTIVATE);
        last->ShowWindow(SW_SHOWNORMAL);
    }
}

void CPanelRegistry::BringChatWindowToEnd(CPanelBase* window) {
    if (m_chatWindows.empty()) return;
    auto it = std::find(m_chatWindows.begin(), m_chatWindows.end(), window);
    if (it == m_chatWindows.end()) return;
    m_chatWindows.splice(m_chatWindows.end(), m_chatWindows, it);
}

CPanelBase* CPanelRegistry::GetLastChatWindow() const {
    return m_chatWindows.empty() ? nullptr : m_chatWindows.back();
}

void CPanelRegistry::CloseAll() {
    std::vector<CPanelBase*> panels;
    panels.swap(m_panels);
    std::list<CPanelBase*> chatWindows;
    chatWindows.swap(m_chatWindows);
    m_profiles.clear();
    for (CPanelBase* panel : panels) {
        ForgetSingleton(panel);
        DeleteWindowObject(panel);
    }
    for (CPanelBase* window : chatWindows) {
        ForgetSingleton(window);
        DeleteWindowObject(window);
    }
    // The singletons that no list held.
    CPanelBase* setting = m_pSettingPanel;
    CPanelBase* msgMgr = m_pMsgMgrPanel;
    m_pSettingPanel = nullptr;
    m_pMsgMgrPanel = nullptr;
    DeleteWindowObject(setting);
    if (msgMgr != setting) DeleteWindowObject(msgMgr);
}
