#include "EngineHost.h"

#include "BenchDriver.h"

#include <algorithm>

namespace qvbench {

CEngineHost::CEngineHost(const std::wstring& folder, const wchar_t* library) {
    m_module = ::LoadLibraryW((folder + library).c_str());
    if (!m_module) return;
    m_init = reinterpret_cast<PFN_MInitModule>(reinterpret_cast<void*>(::GetProcAddress(m_module, "MInitModule")));
    m_logon = reinterpret_cast<PFN_MLogon>(reinterpret_cast<void*>(::GetProcAddress(m_module, "MLogon")));
    m_logout = reinterpret_cast<PFN_MLogonOut>(reinterpret_cast<void*>(::GetProcAddress(m_module, "MLogonOut")));
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QvBenchEngineHost";
    ::RegisterClassW(&wc);
    m_window =
        ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ::SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

CEngineHost::~CEngineHost() {
    if (m_window) ::DestroyWindow(m_window);
}

double CEngineHost::Logon(int32_t account, const wchar_t* password, const std::wstring& server, bool group) {
    if (!group) m_group = 1;  // not waited for
    m_init(m_window);
    const double start = Now();
    m_logon(std::to_wstring(account).c_str(), password, LOGON_TYPE_PASSWORD, server.c_str(), 7012);
    const double deadline = start + kWaitMs;
    MSG msg;
    while (!(m_friends && m_group) && Now() < deadline) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    }
    const double end = std::max(m_friends, m_group);
    if (m_logout) m_logout(1);
    for (const double until = Now() + 500; Now() < until;) {
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        ::Sleep(10);
    }
    return m_friends && m_group ? end - start : 0;
}

LRESULT CALLBACK CEngineHost::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CEngineHost*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message == WM_IM_NOTIFY) {
        if (wParam == NOTIFY_FRIENDLIST && !self->m_friends) self->m_friends = Now();
        if (wParam == NOTIFY_GROUPUSERLIST && !self->m_group) self->m_group = Now();
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace qvbench
