// CApplication: the program's application object. One exists per process;
// a program derives from it, overrides InitInstance and ExitInstance and
// calls Run from its entry point.
#pragma once

#include "fw/GdiPlusSession.h"

#include <windows.h>

#include <string>

namespace fw {

class CApplication {
public:
    CApplication();
    virtual ~CApplication();
    CApplication(const CApplication&) = delete;
    CApplication& operator=(const CApplication&) = delete;

    // The application object of the process, or null.
    static CApplication* Get();

    // InitInstance; when it answers true, the message loop until WM_QUIT;
    // in every case ExitInstance, whose answer is returned.
    int Run();

    // The ordinary message loop with the pre-translate chain (CMessageLoop).
    int RunMessageLoop();

    // The full path of the program's folder, ending in a backslash, found
    // with the wide platform function (works for any folder name).
    static std::wstring GetProgramFolder();

    bool StartGdiPlus() { return m_gdiplus.Start(); }
    void ShutdownGdiPlus() { m_gdiplus.Shutdown(); }

    HINSTANCE GetInstance() const { return m_instance; }

protected:
    virtual bool InitInstance() { return true; }
    virtual int ExitInstance() { return m_exitCode; }

    int m_exitCode = 0;

private:
    HINSTANCE m_instance;
    CGdiPlusSession m_gdiplus;
};

}  // namespace fw
