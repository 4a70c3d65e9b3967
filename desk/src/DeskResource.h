/* Resource ids of the desk program (res/Tavrel.rc). Plain defines, so that
   the resource script can include this file. */
#pragma once

#define IDR_MAINFRAME 128            /* the program icon */
#define IDS_SOCKETS_INIT_FAILED 103  /* Winsock could not start */

/* The temporary window that hosts the log-on until the main window exists. */
#define IDD_LOGON_HOST 900
#define IDC_LOGON_HOST_STATE 901
