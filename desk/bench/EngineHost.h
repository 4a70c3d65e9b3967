// CEngineHost: the log-on's baseline in the client benchmarks. The engine
// library of a program folder (Kestrin.dll, Ulvarn.dll) on a message-only
// window: the log-on and the lists a client waits for (the friend list, and
// a manager's group when asked), timed from the log-on call, no window shown.
#pragma once

#include <ImEngineApi.h>

#include <windows.h>

#include <cstdint>
#include <string>

namespace qvbench {

class CEngineHost {
public:
    CEngineHost(const std::wstring& folder, const wchar_t* library);
    ~CEngineHost();
    CEngineHost(const CEngineHost&) = delete;
    CEngineHost& operator=(const CEngineHost&) = delete;
    bool Ready() const { return m_init && m_logon && m_window; }

    // Milliseconds from the log-on call to the lists; 0 on a failure.
    double Logon(int32_t account, const wchar_t* password, const std::wstring& server, bool group);

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HMODULE m_module = nullptr;
    PFN_MInitModule m_init = nullptr;
    PFN_MLogon m_logon = nullptr;
    PFN_MLogonOut m_logout = nullptr;
    HWND m_window = nullptr;
    double m_friends = 0;
    double m_group = 0;
};

}  // namespace qvbench
