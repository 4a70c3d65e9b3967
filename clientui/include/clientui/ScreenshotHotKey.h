// CScreenshotHotKey: the Ctrl+Numpad0 hot key of a main window, which takes
// a screenshot. Its id comes from a global atom, so the two clients running
// side by side ask for the same key under the same name.
#pragma once

#include <windows.h>

class CScreenshotHotKey {
public:
    CScreenshotHotKey() = default;
    CScreenshotHotKey(const CScreenshotHotKey&) = delete;
    CScreenshotHotKey& operator=(const CScreenshotHotKey&) = delete;
    ~CScreenshotHotKey() { Unregister(); }

    // Adds the atom and registers the key for window; without an atom there
    // is no hot key.
    void Register(HWND window);
    // Unregisters the key and deletes the atom (the window is still alive).
    void Unregister();
    // Whether a WM_HOTKEY id is this key.
    bool Is(WPARAM id) const { return m_id >= 0 && static_cast<int>(id) == m_id; }

private:
    HWND m_window = nullptr;
    int m_id = -1;
};
