#include "IMApp.h"

#include "DisplayTitle.h"
#include "IMResource.h"
#include "main/IMMainPanel.h"
#include "main/IMPanelFactory.h"
#include "main/IMPanelOpener.h"

#include "clientui/ClientCommandLine.h"
#include "clientui/ClientSettings.h"
#include "clientui/ClientStartup.h"
#include "clientui/EngineModule.h"
#include "clientui/ImageTransfer.h"
#include "clientui/InstanceControl.h"
#include "clientui/PanelRegistry.h"

#include "fw/MessageBoxSink.h"

#include <commctrl.h>
#include <objbase.h>


namespace {

CIMApp* g_imApp = nullptr;

// What makes the messenger's panels by kind.
CIMPanelFactory g_panelFactory;
CIMPanelOpener g_panelOpener;

}  // namespace

CIMApp* GetIMApp() { return g_imApp; }

CIMApp::CIMApp() : CClientApp(kMessengerDisplayTitle, MessengerFaceList()) {
    if (!g_imApp) g_imApp = this;
}

CIMApp::~CIMApp() {
    delete m_pMainPanel;
    if (g_imApp == this) g_imApp = nullptr;
}

bool CIMApp::InitInstance() {
    // 1. Common controls (every class of the mask), COM, GDI+.
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof controls;
    controls.dwICC = 0xFF;
    ::InitCommonControlsEx(&controls);
    ::CoInitialize(nullptr);
    StartGdiPlus();

    // 2. Both rich-edit versions.
    m_hRichEdit1 = ::LoadLibraryW(L"riched32.dll");
    m_hRichEdit2 = ::LoadLibraryW(L"riched20.dll");

    // 3. Winsock: the engine never starts it itself.
    if (!StartWinsock(IDS_SOCKETS_INIT_FAILED)) return false;

    // 5-6. The command line: the log-on dialog, or one account's automatic
    // log-on under its mutex, or (a second number without an account) the
    // end.
    if (!DecideStartFromCommandLine()) return false;

    // 7. The program folder (wide, so any folder name works).
    m_programFolder = GetProgramFolder();

    // 8. The engine and the screenshot library.
    if (!g_EngineModule.Load(kMessengerEngineBinding, m_programFolder)) return false;

    // 9. The animated-picture control must be registered; the outside
    // registration program does it, and start-up goes on without waiting.
    if (!IsImageControlRegistered()) StartControlRegistration(m_programFolder);

    // 10-11. Image lists, then the message filter of newer systems.
    LoadImageLists();
    InstallMessageFilters();

    // 12. The main window, modeless; the message loop runs until it goes.
    CPanelRegistry::GetInstance()->SetFactory(&g_panelFactory);
    CPanelRegistry::GetInstance()->SetOpener(&g_panelOpener);
    m_pMainPanel = static_cast<CIMMainPanel*>(CPanelRegistry::GetInstance()->CreatePanel(kPanelMain));
    if (!m_pMainPanel || !m_pMainPanel->Create(nullptr)) return false;
    m_hMainWnd = m_pMainPanel->GetHwnd();
    return true;
}

int CIMApp::ExitInstance() {
    // The main window is gone by now (or was never made).
    m_hMainWnd = nullptr;
    delete m_pMainPanel;
    m_pMainPanel = nullptr;

    // 1. The window sizes and the chat font ("Config.dll" only; nothing
    // while no log-on succeeded).
    g_ClientSettings.SaveUserConfig();

    // 2. Every registered panel, then the registry itself.
    CPanelRegistry::DestroyInstance();

    // The picture transfers' workers (the file transfers ended with their
    // panels above): interrupted and joined while Winsock is still up.
    CImageTransfer::StopInstance();

    // 3. The account's mutex.
    CloseUserMutex();

    // 4. GDI+ (COM stays until the process ends).
    ShutdownGdiPlus();

    const int code = fw::CApplication::ExitInstance();

    // Last: log out of the engine, wait for the log-out to go, unload the
    // engine and the screenshot library; then Winsock, which the engine's
    // socket used.
    g_EngineModule.Unload();
    StopWinsock();
    if (m_hRichEdit2) ::FreeLibrary(m_hRichEdit2);
    if (m_hRichEdit1) ::FreeLibrary(m_hRichEdit1);
    m_hRichEdit1 = m_hRichEdit2 = nullptr;
    return code;
}
