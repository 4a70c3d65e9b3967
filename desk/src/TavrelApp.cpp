#include "TavrelApp.h"

#include "DeskResource.h"
#include "DisplayTitle.h"
#include "clientui/InstanceControl.h"
#include "main/DeskGlobals.h"
#include "main/TavrelMainPanel.h"

#include "clientui/ClientSettings.h"
#include "clientui/ClientStartup.h"
#include "clientui/EngineModule.h"
#include "clientui/ImageTransfer.h"
#include "clientui/PanelRegistry.h"

#include "fw/MessageBoxSink.h"
#include "fw/StringUtil.h"

#include <commctrl.h>
#include <objbase.h>


CTavrelApp::CTavrelApp() : CClientApp(kDeskDisplayTitle, DeskFaceList()) {}

CTavrelApp* CTavrelApp::GetApp() { return static_cast<CTavrelApp*>(fw::CApplication::Get()); }

bool CTavrelApp::InitInstance() {
    // 1-3. Common controls (every class of the mask), COM, GDI+.
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof controls;
    controls.dwICC = 0xFF;
    ::InitCommonControlsEx(&controls);
    m_comStarted = SUCCEEDED(::CoInitialize(nullptr));
    StartGdiPlus();

    // 5. Winsock: the engine never starts it itself.
    if (!StartWinsock(IDS_SOCKETS_INIT_FAILED)) return false;

    // 6. Rich edit 2.0 for the chat input and log. (ActiveX hosting needs
    // nothing more here: the picture controls are created through COM.)
    m_hRichEdit = ::LoadLibraryW(L"riched20.dll");

    // 8-9. The command line decides between the log-on dialog and an
    // automatic log-on of one account.
    if (!DecideStartFromCommandLine()) return false;

    // 10. The program folder (wide, so any folder name works).
    m_programFolder = GetProgramFolder();

    // 11. The engine and the screenshot library.
    if (!g_EngineModule.Load(kDeskEngineBinding, m_programFolder)) return false;

    // 12. The animated-picture control must be registered; the outside
    // registration program does it, and start-up goes on without waiting.
    if (!IsImageControlRegistered()) StartControlRegistration(m_programFolder);

    // 13. Let the instance-control message (and the input-language
    // messages) through the message filter of newer systems.
    InstallMessageFilters();

    // 14. Image lists.
    LoadImageLists();

    // 15. The main window, run modally for the life of the program.
    {
        CTavrelMainPanel mainWindow(IsManualLogon(), GetCmdUserID());
        mainWindow.DoModal(nullptr);
    }
    return false;
}

HWND CTavrelApp::GetMainWindow() const { return g_hMainWnd; }

int CTavrelApp::ExitInstance() {
    // 1. Settings of the account (nothing while no log-on succeeded).
    g_ClientSettings.SaveUserConfig();
    g_ClientSettings.SaveSystemSetting();

    // 2. Every registered panel, then the registry itself.
    CPanelRegistry::GetInstance()->CloseAll();
    CPanelRegistry::GetInstance()->DestroyAll();
    CPanelRegistry::DestroyInstance();

    // The picture transfers' workers (the file transfers ended with their
    // panels above): interrupted and joined while Winsock is still up.
    CImageTransfer::StopInstance();

    // 3. The account's mutex.
    CloseUserMutex();

    // 4. COM and GDI+.
    if (m_comStarted) ::CoUninitialize();
    m_comStarted = false;
    ShutdownGdiPlus();

    const int code = fw::CApplication::ExitInstance();

    // Last: log out of the engine, wait for the log-out to go, unload the
    // engine and the screenshot library; then Winsock, which the engine's
    // socket used.
    g_EngineModule.Unload();
    StopWinsock();
    if (m_hRichEdit) ::FreeLibrary(m_hRichEdit);
    m_hRichEdit = nullptr;
    return code;
}
