#include "DeskGlobals.h"

HWND g_hMainWnd = nullptr;
int32_t g_nMyUserID = 0;
UserInfoBase g_MyUserInfo = {};
UserInfoExt g_MyUserInfoExt = {};
int32_t g_nMyStatus = STATUS_OFFLINE;

void SetMyStatus(int32_t status) {
    g_nMyStatus = status;
    g_MyUserInfo.status = status;
}
