/* Resource ids of the hand-over dialogs (HandOverDialogs.rc). Plain
   defines, so that the resource script can include this file. */
#pragma once

#define IDD_SWITCH_USER_LIST 144
#define IDD_SWITCH_USER_TIP 145

#define IDC_SWITCH_AGENT_LIST 1440
#define IDC_SWITCH_NOTE 1441
#define IDC_SWITCH_CANNED_NOTE 1442
