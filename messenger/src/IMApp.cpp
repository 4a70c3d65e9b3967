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
#include "clientui/InstanceControl.h"
#include "clientui/PanelRegistry.h"

#include "fw/MessageBoxSink.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <winsock2.h>

#include <vector>

namespace {

CIMApp* g_imApp = nullptr;

// What makes the messenger's panels by kind.
CIMPanelFactory g_panelFactory;
CIMPanelOpener g_panelOpener;

}  // namespace

CIMApp* GetIMApp() { return g_imApp; }

CIMApp::CIMApp() {
    if (!g_imApp) g_imApp = this;
}

CIMApp::~CIMApp() {
    delete m_pMainPanel;
    if (m_hUserMutex) ::CloseHandle(m_hUserMutex);
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
    WSADATA wsa = {};
    if (::WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        wchar_t text[256] = {};
        if (::LoadStringW(GetInstance(), IDS_SOCKETS_INIT_FAILED, text, 256) <= 0)
            lstrcpynW(text, L"Windows 套接字初始化失败。", 256);
        fw::ShowMessageBox(nullptr, text, kMessengerDisplayTitle, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    m_winsockStarted = true;

    // 5-6. The command line: the log-on dialog, or one account's automatic
    // log-on under its mutex, or (a second number without an account) the
    // end.
    ReadCommandLine();
    const ClientCommandLine line = {m_nCmdUserID, m_nCmdParam, m_bManualLogon != FALSE};
    switch (DecideClientStart(line)) {
    case ClientStartMode::ManualLogon:
        if (!m_bManualLogon) return false;  // the command line could not be split
        break;
    case ClientStartMode::AutoLogon:
        if (!CreateUserMutex(m_nCmdUserID)) return false;  // that account runs already
        break;
    case ClientStartMode::EndAtOnce:
        return false;
    }

    // 7. The program folder (wide, so any folder name works).
    m_programFolder = GetProgramFolder();

    // 8. The engine and the screenshot library.
    if (!g_EngineModule.Load(kMessengerEngineBinding, m_programFolder)) return false;

    // 9. The animated-picture control must be registered; the outside
    // registration program does it, and start-up goes on without waiting.
    if (!IsImageControlRegistered()) StartControlRegistration(m_programFolder);

    // 10-11. Image lists, then the message filter of newer systems.
    LoadImageLists();
    AddMessageFilter(WM_INSTANCE_CONTROL, TRUE, kMessengerDisplayTitle);
    AddMessageFilter(WM_INPUTLANGCHANGE, TRUE, kMessengerDisplayTitle);
    AddMessageFilter(WM_INPUTLANGCHANGEREQUEST, TRUE, kMessengerDisplayTitle);

    // 12. The main window, modeless; the message loop runs until it goes.
    CPanelRegistry::GetInstance()->SetFactory(&g_panelFactory);
    CPanelRegistry::GetInstance()->SetOpener(&g_panelOpener);
    m_pMainPanel = static_cast<CIMMainPanel*>(CPanelRegistry::GetInstance()->CreatePanel(kPanelMain));
    if (!m_pMainPanel || !m_pMainPanel->Create(nullptr)) return false;
    return true;
}

BOOL CIMApp::ReadCommandLine() {
    int count = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!argv) return FALSE;
    std::vector<std::wstring> items;
    for (int i = 0; i < count; ++i) items.emplace_back(argv[i] ? argv[i] : L"");
    ::LocalFree(argv);
    const ClientCommandLine line = ParseClientCommandLine(items);
    m_nCmdUserID = line.userId;
    m_nCmdParam = line.param;
    m_bManualLogon = line.manualLogon ? TRUE : FALSE;
    return TRUE;
}

BOOL CIMApp::CreateUserMutex(int32_t userId) {
    const std::wstring name = UserMutexName(userId);
    m_hUserMutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
    return ::GetLastError() == ERROR_ALREADY_EXISTS ? FALSE : TRUE;
}

BOOL CIMApp::LoadImageLists() { return m_imageLists.Load(m_programFolder, MessengerFaceList()); }

int CIMApp::ExitInstance() {
    // The main window is gone by now (or was never made).
    delete m_pMainPanel;
    m_pMainPanel = nullptr;

    // 1. The window sizes and the chat font ("Config.dll" only; nothing
    // while no log-on succeeded).
    g_ClientSettings.SaveUserConfig();

    // 2. Every registered panel, then the registry itself.
    CPanelRegistry::DestroyInstance();

    // 3. The account's mutex.
    if (m_hUserMutex) {
        ::CloseHandle(m_hUserMutex);
        m_hUserMutex = nullptr;
    }

    // 4. GDI+ (COM stays until the process ends).
    ShutdownGdiPlus();

    const int code = fw::CApplication::ExitInstance();

    // Last: log out of the engine, wait for the log-out to go, unload the
    // engine and the screenshot library; then Winsock, which the engine's
    // socket used.
    g_EngineModule.Unload();
    if (m_winsockStarted) ::WSACleanup();
    m_winsockStarted = false;
    if (m_hRichEdit2) ::FreeLibrary(m_hRichEdit2);
    if (m_hRichEdit1) ::FreeLibrary(m_hRichEdit1);
    m_hRichEdit1 = m_hRichEdit2 = nullptr;
    return code;
}
