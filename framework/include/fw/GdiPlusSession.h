// CGdiPlusSession: GdiplusStartup and GdiplusShutdown of the process.
#pragma once

#include <windows.h>

namespace fw {

class CGdiPlusSession {
public:
    CGdiPlusSession() = default;
    ~CGdiPlusSession() { Shutdown(); }
    CGdiPlusSession(const CGdiPlusSession&) = delete;
    CGdiPlusSession& operator=(const CGdiPlusSession&) = delete;

    // Starts GDI+ with the default start-up input; true when it runs.
    bool Start();
    void Shutdown();
    bool IsRunning() const { return m_token != 0; }

private:
    ULONG_PTR m_token = 0;
};

}  // namespace fw
