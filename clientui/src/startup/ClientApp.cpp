#include "clientui/ClientApp.h"

#include "clientui/ClientStartup.h"
#include "clientui/InstanceControl.h"

#include "fw/MessageBoxSink.h"

#include <shellapi.h>
#include <winsock2.h>

#include <utility>
#include <vector>

CClientApp::CClientApp(std::wstring displayTitle, const FaceListSpec& faces)
    : m_displayTitle(std::move(displayTitle)), m_faces(faces) {}

CClientApp::~CClientApp() { CloseUserMutex(); }

BOOL CClientApp::ReadCommandLine() {
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

BOOL CClientApp::CreateUserMutex(int32_t userId) {
    const std::wstring name = UserMutexName(userId);
    m_hUserMutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
    return ::GetLastError() == ERROR_ALREADY_EXISTS ? FALSE : TRUE;
}

BOOL CClientApp::LoadImageLists() { return m_imageLists.Load(m_programFolder, m_faces); }

bool CClientApp::DecideStartFromCommandLine() {
    ReadCommandLine();
    const ClientCommandLine line = {m_nCmdUserID, m_nCmdParam, m_bManualLogon != FALSE};
    switch (DecideClientStart(line)) {
    case ClientStartMode::ManualLogon:
        return m_bManualLogon != FALSE;  // FALSE here: the command line could not be split
    case ClientStartMode::AutoLogon:
        return CreateUserMutex(m_nCmdUserID) != FALSE;  // FALSE: that account runs already
    case ClientStartMode::EndAtOnce:
        break;
    }
    return false;
}

bool CClientApp::StartWinsock(UINT failureTextId) {
    // The engine never starts Winsock itself.
    WSADATA wsa = {};
    if (::WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        wchar_t text[256] = {};
        if (::LoadStringW(GetInstance(), failureTextId, text, 256) <= 0)
            lstrcpynW(text, L"Windows 套接字初始化失败。", 256);
        ShowStartupMessage(text);
        return false;
    }
    m_winsockStarted = true;
    return true;
}

void CClientApp::StopWinsock() {
    if (m_winsockStarted) ::WSACleanup();
    m_winsockStarted = false;
}

void CClientApp::CloseUserMutex() {
    if (m_hUserMutex) ::CloseHandle(m_hUserMutex);
    m_hUserMutex = nullptr;
}

void CClientApp::InstallMessageFilters() {
    AddMessageFilter(WM_INSTANCE_CONTROL, TRUE, m_displayTitle);
    AddMessageFilter(WM_INPUTLANGCHANGE, TRUE, m_displayTitle);
    AddMessageFilter(WM_INPUTLANGCHANGEREQUEST, TRUE, m_displayTitle);
}

void CClientApp::ShowStartupMessage(const std::wstring& text) const {
    fw::ShowMessageBox(nullptr, text, m_displayTitle, MB_OK | MB_ICONEXCLAMATION);
}
