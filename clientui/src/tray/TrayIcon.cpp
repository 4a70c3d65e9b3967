#include "clientui/TrayIcon.h"

static_assert(sizeof(NOTIFYICONDATAW) >= CTrayIcon::kRecordSize, "tray record");

CTrayIcon::~CTrayIcon() { Remove(); }

bool CTrayIcon::Add(HWND window, UINT id, UINT callbackMessage) {
    Remove();
    m_data = {};
    m_data.cbSize = kRecordSize;
    m_data.hWnd = window;
    m_data.uID = id;
    m_data.uCallbackMessage = callbackMessage;
    m_data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
    // Without a notification area the shell refuses; the record is kept all
    // the same, so that its tip and icon stay what the program last set.
    const bool added = ::Shell_NotifyIconW(NIM_ADD, &m_data) != FALSE;
    m_shown = true;
    m_tip.clear();
    m_iconIndex = -1;
    return added;
}

bool CTrayIcon::SetTip(const std::wstring& tip) {
    if (!m_shown) return false;
    lstrcpynW(m_data.szTip, tip.c_str(), ARRAYSIZE(m_data.szTip));
    m_tip = m_data.szTip;
    m_data.uFlags = NIF_TIP;
    return ::Shell_NotifyIconW(NIM_MODIFY, &m_data) != FALSE;
}

bool CTrayIcon::SetIcon(HICON icon, int iconIndex) {
    if (!m_shown) return false;
    m_data.hIcon = icon;
    m_iconIndex = iconIndex;
    m_data.uFlags = NIF_ICON;
    return ::Shell_NotifyIconW(NIM_MODIFY, &m_data) != FALSE;
}

void CTrayIcon::Remove() {
    if (!m_shown) return;
    m_data.uFlags = 0;
    ::Shell_NotifyIconW(NIM_DELETE, &m_data);
    m_shown = false;
}

UINT CTrayIcon::TaskbarCreatedMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

bool CTrayIcon::OnShellMessage(UINT msg) {
    if (msg == 0 || msg != TaskbarCreatedMessage()) return false;
    if (!m_shown) return true;
    NOTIFYICONDATAW data = m_data;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    // The broadcast can also come while the icon is still there (another
    // program sent it): then the icon is only brought up to date.
    if (!::Shell_NotifyIconW(NIM_ADD, &data)) ::Shell_NotifyIconW(NIM_MODIFY, &data);
    return true;
}
