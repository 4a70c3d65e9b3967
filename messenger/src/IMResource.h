/* Resource ids of the messenger program (res/IM.rc). Plain defines, so that
   the resource script can include this file. */
#pragma once

#define IDR_MAINFRAME 128            /* the program icon, also the window icon */
#define IDD_ABOUTBOX 100             /* the about dialog */
#define IDS_ABOUTBOX 101             /* "关于 IM(&A)..." */
#define IDM_ABOUTBOX 0x0010          /* its system-menu command */
#define IDS_SOCKETS_INIT_FAILED 103  /* Winsock could not start */
#define IDD_IM_MAIN 102              /* the main window */
#define IDD_IM_CHAT 104              /* a chat window */
#define IDI_TRAY_BLINK 201           /* the tray icon alternating for unread messages */

/* Pictures the friend tree takes from the program's resources. */
#define IDB_GROUP_CLOSED 139
#define IDB_GROUP_OPEN 140
#define IDI_NO_FACE 141

/* Controls of the main window. */
#define IDC_IM_TREE 1003
#define IDC_IM_SEARCH 1006

/* Controls of the chat window. */
#define IDC_IM_CHAT_NOTICE 1101
