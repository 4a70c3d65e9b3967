/* Resource ids of the desk conversation window (ChatMainPanel.rc). Plain
   defines, so that the resource script can include this file. */
#pragma once

#define IDD_CHAT_MAIN_PANEL 131
#define IDR_CHAT_SEND_OPTIONS 138

#define IDC_CHAT_INPUT 1100
#define IDC_CHAT_LOG 1101
#define IDC_CHAT_SEND 1102
#define IDC_CHAT_CLOSE 1103
#define IDC_CHAT_FONT 1104
#define IDC_CHAT_EMOTICON 1105
#define IDC_CHAT_PICTURE 1106
#define IDC_CHAT_SCREENSHOT 1107
#define IDC_CHAT_HISTORY 1108
#define IDC_CHAT_SEND_FILE 1109
#define IDC_CHAT_SEND_OPTIONS 1112
#define IDC_CHAT_TIP_CLOSE 1115
#define IDC_CHAT_MEMO 1116
#define IDC_CHAT_GRAB 1117
#define IDC_CHAT_HAND_OVER 1118
#define IDC_CHAT_TAKE_BACK 1119
#define IDC_CHAT_STOP_HAND_OVER 1120
#define IDC_CHAT_RELEASE_GRAB 1121

#define ID_SEND_BY_ENTER 32771
#define ID_SEND_BY_CTRL_ENTER 32772
