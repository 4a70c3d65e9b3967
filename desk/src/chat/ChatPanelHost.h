// IChatPanelHost: the program-wide values a desk conversation window reads
// from the main window that owns the session (its handle, the own id and
// the own user record). CDeskGlobalsChatHost (DeskGlobalsChatHost.h)
// reads them from the desk program's globals; a test host gives its own.
#pragma once

#include "main/DeskMessages.h"

#include <ImEngineApi.h>
#include <windows.h>

#include <cstdint>

#ifndef WM_EDITBTN_SEARCH
#define WM_EDITBTN_SEARCH 1525
#endif

class IChatPanelHost {
public:
    virtual ~IChatPanelHost() = default;
    // The main window (g_hMainWnd), to which the program's own messages go.
    virtual HWND MainWindow() const = 0;
    // The own id (g_nMyUserID).
    virtual int32_t MyUserId() const = 0;
    // The own user record (g_MyUserInfo).
    virtual const UserInfoBase& MyInfo() const = 0;
};
