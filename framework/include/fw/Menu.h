// CMenu: owns a menu (or wraps one it does not own) and destroys what it
// owns when it goes.
#pragma once

#include <windows.h>

#include <string>

namespace fw {

class CMenu {
public:
    CMenu() = default;
    ~CMenu() { Destroy(); }
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    bool CreatePopupMenu() { return Own(::CreatePopupMenu()); }
    bool CreateMenu() { return Own(::CreateMenu()); }
    bool LoadMenu(HINSTANCE instance, UINT id) { return Own(::LoadMenuW(instance, MAKEINTRESOURCEW(id))); }
    // Wraps a menu owned elsewhere (for example a submenu).
    void AttachShared(HMENU menu) {
        Destroy();
        m_menu = menu;
        m_owned = false;
    }
    void Destroy() {
        if (m_menu && m_owned) ::DestroyMenu(m_menu);
        m_menu = nullptr;
        m_owned = false;
    }
    HMENU Get() const { return m_menu; }
    operator HMENU() const { return m_menu; }

    bool AppendMenu(UINT flags, UINT_PTR id, const std::wstring& text) {
        return ::AppendMenuW(m_menu, flags, id, text.c_str()) != FALSE;
    }
    bool AppendSeparator() { return ::AppendMenuW(m_menu, MF_SEPARATOR, 0, nullptr) != FALSE; }
    int GetItemCount() const { return ::GetMenuItemCount(m_menu); }
    HMENU GetSubMenu(int pos) const { return ::GetSubMenu(m_menu, pos); }
    void CheckItem(UINT id, bool checked) { ::CheckMenuItem(m_menu, id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED)); }
    void EnableItem(UINT id, bool enabled) { ::EnableMenuItem(m_menu, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED)); }
    // Shows the menu at a screen point for owner; with TPM_RETURNCMD the
    // chosen command is returned.
    UINT TrackPopupMenu(UINT flags, int x, int y, HWND owner) const {
        return static_cast<UINT>(::TrackPopupMenu(m_menu, flags, x, y, 0, owner, nullptr));
    }

private:
    bool Own(HMENU menu) {
        Destroy();
        m_menu = menu;
        m_owned = menu != nullptr;
        return m_owned;
    }
    HMENU m_menu = nullptr;
    bool m_owned = false;
};

}  // namespace fw
