#include "TavrelApp.h"

#include "DeskResource.h"
#include "DisplayTitle.h"
#include "clientui/InstanceControl.h"
#include "main/TavrelMainPanel.h"

#include "clientui/ClientSettings.h"
#include "clientui/ClientStartup.h"
#include "clientui/EngineModule.h"
#include "clientui/PanelRegistry.h"

#include "fw/MessageBoxSink.h"
#include "fw/StringUtil.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <winsock2.h>

#include <vector>

CTavrelApp::CTavrelApp() = default;

CTavrelApp::~CTavrelApp() {
    if (m_hUserMutex) ::CloseHandle(m_hUserMutex);
}

CTavrelApp* CTavrelApp::GetApp() { return static_cast<CTavrelApp*>(fw::CApplication::Get()); }

void CTavrelApp::ShowStartupMessage(const std::wstring& text) const {
    fw::ShowMessageBox(nullptr, text, kDeskDisplayTitle, MB_OK | MB_ICONEXCLAMATION);
}

bool CTavrelApp::InitInstance() {
    // 1-3. Common controls (every class of the mask), COM, GDI+.
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof controls;
    controls.dwICC = 0xFF;
    ::InitCommonControlsEx(&controls);
    m_comStarted = SUCCEEDED(::CoInitialize(nullptr));
    StartGdiPlus();

    // 5. Winsock: the engine never starts it itself.
    WSADATA wsa = {};
    if (::WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        wchar_t text[256] = {};
        if (::LoadStringW(GetInstance(), IDS_SOCKETS_INIT_FAILED, text, 256) <= 0)
            lstrcpynW(text, L"Windows 套接字初始化失败。", 256);
        ShowStartupMessage(text);
        return false;
    }
    m_winsockStarted = true;

    // 6. Rich edit 2.0 for the chat input and log. (ActiveX hosting needs
    // nothing more here: the picture controls are created through COM.)
    m_hRichEdit = ::LoadLibraryW(L"riched20.dll");

    // 8-9. The command line decides between the log-on dialog and an
    // automatic log-on of one account.
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
        CTavrelMainPanel mainWindow(m_bManualLogon != FALSE, m_nCmdUserID);
        mainWindow.DoModal(nullptr);
    }
    return false;
}

BOOL CTavrelApp::ReadCommandLine() {
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

BOOL CTavrelApp::CreateUserMutex(int32_t userId) {
    const std::wstring name = UserMutexName(userId);
    m_hUserMutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
    return ::GetLastError() == ERROR_ALREADY_EXISTS ? FALSE : TRUE;
}

void CTavrelApp::InstallMessageFilters() {
    AddMessageFilter(WM_INSTANCE_CONTROL, TRUE, kDeskDisplayTitle);
    AddMessageFilter(WM_INPUTLANGCHANGE, TRUE, kDeskDisplayTitle);
    AddMessageFilter(WM_INPUTLANGCHANGEREQUEST, TRUE, kDeskDisplayTitle);
}

BOOL CTavrelApp::LoadImageLists() { return m_imageLists.Load(m_programFolder, DeskFaceList()); }

int CTavrelApp::ExitInstance() {
    // 1. Settings of the account (nothing while no log-on succeeded).
    g_ClientSettings.SaveUserConfig();
    g_ClientSettings.SaveSystemSetting();

    // 2. Every registered panel, then the registry itself.
    CPanelRegistry::GetInstance()->CloseAll();
    CPanelRegistry::GetInstance()->DestroyAll();
    CPanelRegistry::DestroyInstance();

    // 3. The account's mutex.
    if (m_hUserMutex) {
        ::CloseHandle(m_hUserMutex);
        m_hUserMutex = nullptr;
    }

    // 4. COM and GDI+.
    if (m_comStarted) ::CoUninitialize();
    m_comStarted = false;
    ShutdownGdiPlus();

    const int code = fw::CApplication::ExitInstance();

    // Last: log out of the engine, wait for the log-out to go, unload the
    // engine and the screenshot library; then Winsock, which the engine's
    // socket used.
    g_EngineModule.Unload();
    if (m_winsockStarted) ::WSACleanup();
    m_winsockStarted = false;
    if (m_hRichEdit) ::FreeLibrary(m_hRichEdit);
    m_hRichEdit = nullptr;
    return code;
}
