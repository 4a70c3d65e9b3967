// Program-wide values of the desk program that the main window keeps and
// the other desk windows read: the main window's handle (the target of the
// program's own messages), the logged-on user's id, copies of the own user
// records (refreshed on every user-info notice for the own id) and the own
// status. UI thread only.
#pragma once

#include <ImEngineApi.h>

#include <windows.h>

#include <cstdint>

extern HWND g_hMainWnd;
extern int32_t g_nMyUserID;
extern UserInfoBase g_MyUserInfo;
extern UserInfoExt g_MyUserInfoExt;
extern int32_t g_nMyStatus;

// Sets the own status: g_nMyStatus and the status word of g_MyUserInfo
// together, so that the two never differ.
void SetMyStatus(int32_t status);
