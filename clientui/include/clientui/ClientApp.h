// CClientApp: what the application objects of both client programs share.
// It reads the command line into the account id, the second number and the
// manual log-on flag, decides from them how the program starts (taking the
// account's mutex for an automatic log-on), starts and stops Winsock for the
// engine, lets the instance-control and input-language messages through the
// message filter of newer systems, and owns the image lists and the program
// folder. The programs' own classes keep their order of start-up steps.
#pragma once

#include "clientui/ClientCommandLine.h"
#include "clientui/ClientImageLists.h"

#include "fw/Application.h"

#include <windows.h>

#include <cstdint>
#include <string>

class CClientApp : public fw::CApplication {
public:
    ~CClientApp() override;

    // Fills m_nCmdUserID, m_nCmdParam, m_bManualLogon from GetCommandLineW;
    // FALSE (fields untouched) only when the line cannot be split.
    BOOL ReadCommandLine();
    // Takes the account's mutex (the handle is kept in every case); FALSE
    // when another process already holds it.
    BOOL CreateUserMutex(int32_t userId);
    // The face, tray and status image lists from the skin (always TRUE).
    BOOL LoadImageLists();

    bool IsManualLogon() const { return m_bManualLogon != FALSE; }
    int32_t GetCmdUserID() const { return m_nCmdUserID; }
    int32_t GetCmdParam() const { return m_nCmdParam; }

    // Icons owned by the application object; null outside the lists.
    HICON GetTrayIcon(int index) { return m_imageLists.GetTrayIcon(index); }
    HICON GetStatusIcon(int index) { return m_imageLists.GetStatusIcon(index); }
    HICON GetFaceIcon(int kind, int index) { return m_imageLists.GetFaceIcon(kind, index); }
    HIMAGELIST GetStatusImageList() const { return m_imageLists.GetStatusImageList(); }
    HIMAGELIST GetFaceImageList() const { return m_imageLists.GetFaceImageList(); }

    const std::wstring& GetProgramFolderPath() const { return m_programFolder; }
    // The program's display title (captions of its messages).
    const std::wstring& GetDisplayTitle() const { return m_displayTitle; }
    // The program's main window (owner of its messages); null while there
    // is none. May be asked from any thread.
    virtual HWND GetMainWindow() const { return nullptr; }

protected:
    // displayTitle captions the start-up messages; faces names the program's
    // face images.
    CClientApp(std::wstring displayTitle, const FaceListSpec& faces);

    // Reads the command line and decides: false when the program ends here
    // (a line that cannot be split, a number without an account, or the
    // account running already).
    bool DecideStartFromCommandLine();
    // WSAStartup 2.2; on failure the message "Windows 套接字初始化失败。" (or
    // the program's string IDS_SOCKETS_INIT_FAILED) and false.
    bool StartWinsock(UINT failureTextId);
    void StopWinsock();
    void CloseUserMutex();
    // The instance-control message and the input-language messages.
    void InstallMessageFilters();
    void ShowStartupMessage(const std::wstring& text) const;

    std::wstring m_programFolder;

private:
    const std::wstring m_displayTitle;
    const FaceListSpec& m_faces;
    CClientImageLists m_imageLists;
    HANDLE m_hUserMutex = nullptr;
    BOOL m_bManualLogon = FALSE;
    int32_t m_nCmdUserID = 0;
    int32_t m_nCmdParam = 0;
    bool m_winsockStarted = false;
};
