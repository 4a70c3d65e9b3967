// CIMApp: the messenger program's application object. Its start-up prepares
// the platform services, reads the command line, takes the account's mutex,
// binds the messenger engine "Ulvarn.dll" (23 exports) and the screenshot
// library, makes sure the animated-picture control is registered, loads the
// image lists, lets the instance-control message through the message filter
// and creates the main window modeless; the ordinary message loop then runs
// until the main window is destroyed. ExitInstance saves "Config.dll",
// closes every registered panel, releases the mutex and GDI+, and unloads
// the engine last (logging out first).
#pragma once

#include "clientui/ClientApp.h"

#include <windows.h>

#include <atomic>

class CIMMainPanel;

class CIMApp : public CClientApp {
public:
    CIMApp();
    ~CIMApp() override;
    HWND GetMainWindow() const override { return m_hMainWnd.load(); }

protected:
    bool InitInstance() override;
    int ExitInstance() override;

private:
    HMODULE m_hRichEdit1 = nullptr;
    HMODULE m_hRichEdit2 = nullptr;
    CIMMainPanel* m_pMainPanel = nullptr;
    std::atomic<HWND> m_hMainWnd{nullptr};
};

// The application object (set by its constructor).
CIMApp* GetIMApp();
