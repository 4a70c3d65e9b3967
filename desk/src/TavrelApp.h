// CTavrelApp: the desk program's application object. It prepares the
// process, decides from the command line whether to log on by itself, binds
// the engine library, makes sure the animated-picture control is registered,
// lets the instance-control message through the message filter, loads the
// image lists, and then runs the whole life of the program inside the main
// window's modal loop. InitInstance always answers false: the program never
// enters the ordinary message loop; ExitInstance then saves the settings and
// releases everything, the engine binding last.
#pragma once

#include "clientui/ClientCommandLine.h"
#include "clientui/ClientImageLists.h"

#include "fw/Application.h"

#include <windows.h>

#include <cstdint>
#include <string>

class CTavrelApp : public fw::CApplication {
public:
    CTavrelApp();
    ~CTavrelApp() override;

    // Fills m_nCmdUserID, m_nCmdParam, m_bManualLogon from GetCommandLineW;
    // false (fields untouched) only when the line cannot be split.
    BOOL ReadCommandLine();
    // Takes the account's mutex (the handle is kept in every case); false
    // when another process already holds it.
    BOOL CreateUserMutex(int32_t userId);
    // The face, tray and status image lists from the skin (always TRUE).
    BOOL LoadImageLists();

    // Icons owned by the application object; null outside the lists.
    HICON GetTrayIcon(int index) { return m_imageLists.GetTrayIcon(index); }
    HICON GetStatusIcon(int index) { return m_imageLists.GetStatusIcon(index); }
    HICON GetFaceIcon(int kind, int index) { return m_imageLists.GetFaceIcon(kind, index); }

    HIMAGELIST GetStatusImageList() const { return m_imageLists.GetStatusImageList(); }
    HIMAGELIST GetFaceImageList() const { return m_imageLists.GetFaceImageList(); }
    const std::wstring& GetProgramFolderPath() const { return m_programFolder; }
    bool IsManualLogon() const { return m_bManualLogon != FALSE; }
    int32_t GetCmdUserID() const { return m_nCmdUserID; }
    int32_t GetCmdParam() const { return m_nCmdParam; }

    static CTavrelApp* GetApp();

protected:
    bool InitInstance() override;
    int ExitInstance() override;

private:
    void InstallMessageFilters();
    void ShowStartupMessage(const std::wstring& text) const;

    CClientImageLists m_imageLists;
    HANDLE m_hUserMutex = nullptr;
    BOOL m_bManualLogon = FALSE;
    int32_t m_nCmdUserID = 0;
    int32_t m_nCmdParam = 0;

    std::wstring m_programFolder;
    bool m_comStarted = false;
    bool m_winsockStarted = false;
    HMODULE m_hRichEdit = nullptr;
};
