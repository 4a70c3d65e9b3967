// CTrayIcon: the program's icon in the notification area. It keeps the
// record it gave the shell (size field 952), its tip and its icon, and
// removes the icon when it goes. A shell that starts again has lost every
// icon and says so with its "TaskbarCreated" broadcast; the window that
// owns the icon passes its messages through OnShellMessage, which adds the
// icon again as it was.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

class CTrayIcon {
public:
    // The record size the shell is told.
    static constexpr DWORD kRecordSize = 952;

    CTrayIcon() = default;
    ~CTrayIcon();
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // Removes any icon shown before, then adds one for window with the id
    // and the callback message (message, icon, tip and balloon flags).
    bool Add(HWND window, UINT id, UINT callbackMessage);
    // Changes the tip (cut to the tip field) or the icon of the icon shown.
    bool SetTip(const std::wstring& tip);
    bool SetIcon(HICON icon, int iconIndex);
    void Remove();

    // The shell's broadcast that its notification area has (re)started.
    static UINT TaskbarCreatedMessage();
    // For the owner window's procedure: when msg is that broadcast and an
    // icon is shown, adds it to the new notification area with the tip and
    // the picture it has now. True when msg was the broadcast.
    bool OnShellMessage(UINT msg);

    bool IsShown() const { return m_shown; }
    UINT GetId() const { return m_data.uID; }
    const std::wstring& GetTip() const { return m_tip; }
    // The index the shown icon was given; -1 before any.
    int GetIconIndex() const { return m_iconIndex; }

private:
    NOTIFYICONDATAW m_data = {};
    bool m_shown = false;
    std::wstring m_tip;
    int m_iconIndex = -1;
};
