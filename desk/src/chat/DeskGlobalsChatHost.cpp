#include "DeskGlobalsChatHost.h"

#include "main/DeskGlobals.h"

CDeskGlobalsChatHost& CDeskGlobalsChatHost::Instance() {
    static CDeskGlobalsChatHost host;
    return host;
}

HWND CDeskGlobalsChatHost::MainWindow() const { return g_hMainWnd; }

int32_t CDeskGlobalsChatHost::MyUserId() const { return g_nMyUserID; }

const UserInfoBase& CDeskGlobalsChatHost::MyInfo() const { return g_MyUserInfo; }
