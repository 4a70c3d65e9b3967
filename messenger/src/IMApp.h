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

#include "clientui/ClientImageLists.h"

#include "fw/Application.h"

#include <windows.h>

#include <cstdint>
#include <string>

class CIMMainPanel;

class CIMApp : public fw::CApplication {
public:
    CIMApp();
    ~CIMApp() override;

    // Fills m_nCmdUserID, m_nCmdParam, m_bManualLogon from GetCommandLineW;
    // FALSE (fields untouched) only when the line cannot be split.
    BOOL ReadCommandLine();
    // Takes the account's mutex (the handle is kept in every case); FALSE
    // when another process already holds it.
    BOOL CreateUserMutex(int32_t userId);
    // The face, tray and status image lists from the skin (always TRUE).
    BOOL LoadImageLists();

    BOOL IsManualLogon() const { return m_bManualLogon; }
    const int32_t& GetCmdUserID() const { return m_nCmdUserID; }
    int32_t GetCmdParam() const { return m_nCmdParam; }

    // Icons owned by the application object; null outside the lists.
    HICON GetTrayIcon(const int& index) { return m_imageLists.GetTrayIcon(index); }
    HICON GetStatusIcon(const int& index) { return m_imageLists.GetStatusIcon(index); }
    HICON GetFaceIcon(int kind, int index) { return m_imageLists.GetFaceIcon(kind, index); }
    HIMAGELIST GetStatusImageList() const { return m_imageLists.GetStatusImageList(); }
    HIMAGELIST GetFaceImageList() const { return m_imageLists.GetFaceImageList(); }

    const std::wstring& GetProgramFolderPath() const { return m_programFolder; }

protected:
    bool InitInstance() override;
    int ExitInstance() override;

private:
    CClientImageLists m_imageLists;
    HANDLE m_hUserMutex = nullptr;
    BOOL m_bManualLogon = FALSE;
    int32_t m_nCmdUserID = 0;
    int32_t m_nCmdParam = 0;

    std::wstring m_programFolder;
    bool m_winsockStarted = false;
    HMODULE m_hRichEdit1 = nullptr;
    HMODULE m_hRichEdit2 = nullptr;
    CIMMainPanel* m_pMainPanel = nullptr;
};

// The application object (set by its constructor).
CIMApp* GetIMApp();
