/* Resource ids of the desk program (res/Tavrel.rc). Plain defines, so that
   the resource script can include this file. */
#pragma once

#define IDR_MAINFRAME 128            /* the program icon */
#define IDS_SOCKETS_INIT_FAILED 103  /* Winsock could not start */

/* The main window and the pages of its tabs. */
#define IDD_TAVREL_MAIN 102
#define IDC_MAIN_TAB 1010
#define IDD_CHAT_VIEW 129
#define IDD_MSGMGR_VIEW 130
#define IDD_CLIENTMGR_VIEW 136
#define IDD_SEARCHMSG_VIEW 149
