// CPanelRegistry: the one registry of the open panels (settings and profile
// panels) and of the open conversation windows of a client. It owns every
// window it holds: removing a window from it deletes the window object
// (fw::CWindow::Delete, so a panel that closes itself from one of its own
// handlers is deleted once that handler has returned). Each window object is
// deleted exactly once: an entry is taken out before its object goes, and a
// window is held at most once.
//
// One instance per process, created on first use (GetInstance) and
// destroyed by DestroyInstance at exit. UI thread only.
//
// Panels by kind (CreatePanel, the messenger's panel factory): the program
// gives the registry an IPanelFactory; CreatePanel makes a panel object of a
// kind without its window and without registering it (the opener creates
// the window and registers it). Two kinds are singletons: the history
// manager (kind 3, kept only here, never in the list) and the settings
// panel (kind 5, also registered by its opener). Destroying the registry
// deletes every panel of its lists once, then the singletons that are
// still set; a singleton that was also in a list is deleted only there.
#pragma once

#include "clientui/ChatWindowInfo.h"
#include "clientui/PanelOpener.h"

#include <windows.h>

#include <cstdint>
#include <list>
#include <vector>

class CPanelBase;

// Kinds of panels that CPanelRegistry::CreatePanel makes.
enum PanelKind : int {
    kPanelMain = 0,
    kPanelNone = 1,
    kPanelChat = 2,
    kPanelMsgMgr = 3,
    kPanelUserInfo = 4,
    kPanelSetting = 5,
    kPanelEditReply = 6,
};

// Makes the panel objects of the kinds a program has (allocated with new,
// without a window). Null for a kind it does not make.
class IPanelFactory {
public:
    virtual ~IPanelFactory() = default;
    virtual CPanelBase* CreatePanel(int kind) = 0;
};

class CPanelRegistry {
public:
    static CPanelRegistry* GetInstance();
    // CloseAll, then deletes the registry and resets the global pointer.
    static void DestroyInstance();

    CPanelRegistry() = default;
    ~CPanelRegistry();
    CPanelRegistry(const CPanelRegistry&) = delete;
    CPanelRegistry& operator=(const CPanelRegistry&) = delete;

    // What makes the profile and settings panels (not owned).
    void SetOpener(IPanelOpener* opener) { m_opener = opener; }
    // What makes panels by kind (not owned).
    void SetFactory(IPanelFactory* factory) { m_factory = factory; }

    // --- panels by kind ---------------------------------------------------
    // A new panel object of the kind from the factory; null for kind 1,
    // kinds outside 0..6, a kind the factory does not make, or without a
    // factory. Kind 3 becomes the history-manager singleton, kind 5 the
    // settings singleton (a singleton made before is replaced only when it
    // is no longer set). Not registered.
    CPanelBase* CreatePanel(int kind);
    CPanelBase* GetMsgMgrPanel() const { return m_pMsgMgrPanel; }

    // --- panels --------------------------------------------------------
    // Appends a panel (allocated with new); false when it is null or held
    // already.
    bool AddPanel(CPanelBase* panel);
    // Deletes the panel and erases its entry, keeping the order of the
    // others; nothing when it is not held. Clears the settings pointer when
    // the panel is the settings panel.
    void RemovePanel(CPanelBase* panel);
    // Deletes every panel of the vector once and empties it; a singleton
    // deleted there is cleared.
    void DestroyAll();
    // The open profile panel that shows the user; null when none.
    CPanelBase* FindPanelByUser(int32_t userId) const;
    // Shows the user's open profile panel, or opens a new one; in both cases
    // brings it to the foreground and activates it.
    CPanelBase* OpenUserInfo(int32_t userId);
    // Creates the settings panel when none exists (after reloading the
    // system settings, so that the new panel shows them as saved), then
    // brings it to the foreground and shows it normally.
    CPanelBase* OpenSystemSetting();
    CPanelBase* GetSettingPanel() const { return m_pSettingPanel; }
    const std::vector<CPanelBase*>& GetPanels() const { return m_panels; }

    // --- conversation windows -------------------------------------------
    // Appends a conversation window (allocated with new, deriving from
    // IChatWindowInfo); false when it is null or held already.
    bool AddChatWindow(CPanelBase* window);
    // Deletes the window and removes its entry; nothing when it is not held.
    void CloseChatWindow(CPanelBase* window);
    // The first conversation with one user whose id is userId; null when none.
    CPanelBase* FindChatWindow(int32_t userId) const;
    // Moves and sizes every conversation window to rect hidden, without
    // changing the Z order or activating; then shows the last one normally.
    // Nothing for an empty list.
    void LayoutChatWindows(const RECT& rect);
    // Moves the window's entry to the end of the list (front-most).
    void BringChatWindowToEnd(CPanelBase* window);
    // The front-most conversation window; null when none.
    CPanelBase* GetLastChatWindow() const;
    const std::list<CPanelBase*>& GetChatWindows() const { return m_chatWindows; }

    // Deletes every panel and every conversation window, empties both lists,
    // then deletes the singletons still set (each object once) and clears
    // them.
    void CloseAll();

    bool Holds(const CPanelBase* window) const;

private:
    struct ProfileEntry {
        CPanelBase* panel;
        int32_t userId;
    };

    static void DeleteWindowObject(CPanelBase* window);
    // Clears the singleton pointers that name the window.
    void ForgetSingleton(const CPanelBase* window);

    std::vector<CPanelBase*> m_panels;
    std::list<CPanelBase*> m_chatWindows;
    CPanelBase* m_pSettingPanel = nullptr;
    CPanelBase* m_pMsgMgrPanel = nullptr;
    // The profile panels among m_panels and the user each shows.
    std::vector<ProfileEntry> m_profiles;
    IPanelOpener* m_opener = nullptr;
    IPanelFactory* m_factory = nullptr;

    static CPanelRegistry* s_instance;
};
