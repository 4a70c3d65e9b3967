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
#define IDD_IM_MSGMGR 129            /* the history manager */
#define IDD_IM_MONTHCAL 131          /* the history manager's date picker */
#define IDD_IM_USERINFO 133          /* the profile panel (clientui's template) */
#define IDI_IM_CHAT 200              /* the chat window's icon */
#define IDI_TRAY_BLINK 201           /* the tray icon alternating for unread messages */
#define IDR_IM_SEND_OPTIONS 402      /* the chat window's send-options menu */
#define IDD_IM_SETTING 405           /* the settings panel (clientui's template) */
#define IDD_IM_EDITREPLY 407         /* the automatic-reply editor */
#define IDD_IM_TRANSFILE 409         /* the file-transfer page of a chat window */

/* Pictures the friend tree takes from the program's resources. */
#define IDB_GROUP_CLOSED 139
#define IDB_GROUP_OPEN 140
#define IDI_NO_FACE 141

/* Controls of the main window. */
#define IDC_IM_TREE 1003
#define IDC_IM_SEARCH 1006

/* Controls of the chat window (their tooltips are strings of the same ids). */
#define IDC_IM_CHAT_INPUT 1100
#define IDC_IM_CHAT_LOG 1101
#define IDC_IM_CHAT_SEND 1102
#define IDC_IM_CHAT_CLOSE 1103
#define IDC_IM_CHAT_FONT 1104
#define IDC_IM_CHAT_EMOTICON 1105
#define IDC_IM_CHAT_PICTURE 1106
#define IDC_IM_CHAT_SCREENSHOT 1107
#define IDC_IM_CHAT_HISTORY 1108
#define IDC_IM_CHAT_SEND_FILE 1109
#define IDC_IM_CHAT_SEND_OPTIONS 1110
#define IDC_IM_CHAT_TIP_CLOSE 1112
#define IDC_IM_CHAT_SIGNATURE 1113
#define IDC_IM_CHAT_TAB 1608

/* The send-options menu's entries. */
#define ID_IM_SEND_BY_ENTER 32771
#define ID_IM_SEND_BY_CTRL_ENTER 32772
