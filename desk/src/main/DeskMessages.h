/* The desk program's own window messages between its windows. Most go to
   the main window (g_hMainWnd); WM_OPEN_CHAT goes to the conversation page.
   Plain defines, guarded, so that a shared header may define one too. */
#pragma once

#include <windows.h>

#ifndef WM_TRAY_NOTIFY
#define WM_TRAY_NOTIFY 0x466          /* tray icon: wParam icon id, lParam mouse message */
#endif
#ifndef WM_OPEN_CHAT
#define WM_OPEN_CHAT (WM_USER + 104)  /* wParam contact id, lParam owner agent or 0 */
#endif
#ifndef WM_SWITCH_CUSTOMER
#define WM_SWITCH_CUSTOMER 0x477      /* wParam owner agent, lParam customer */
#endif
#ifndef WM_QUICKREPLY_SETUP
#define WM_QUICKREPLY_SETUP 0x47B
#endif
#ifndef WM_UPDATE_SESSION_LIST
#define WM_UPDATE_SESSION_LIST 0x47C  /* wParam, lParam for the session list */
#endif
#ifndef WM_SHOW_MSGMGR
#define WM_SHOW_MSGMGR (WM_USER + 125) /* wParam agent, lParam customer */
#endif
#ifndef WM_REFRESH_CHATVIEW
#define WM_REFRESH_CHATVIEW 0x47E
#endif
#ifndef WM_HIDE_POPUP
#define WM_HIDE_POPUP 0x47F
#endif
#ifndef WM_SEND_FILE
#define WM_SEND_FILE 0x482            /* wParam own id, lParam customer */
#endif
