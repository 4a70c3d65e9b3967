// Resource ids of the menu, tab and tree tests.
#pragma once

#define IDM_TEST_MENU 300
#define IDD_TAB_PAGE_ONE 310
#define IDD_TAB_PAGE_TWO 311
#define IDC_PAGE_LABEL 320
#define IDD_TAB_HOST 312
#define IDC_TAB_STRIP 321

#define ID_CMD_OPEN 1001
#define ID_CMD_SAVE 1002
#define ID_CMD_DISABLED 1003
#define ID_CMD_CHECKED 1004
#define ID_CMD_DEEP 1005
#define ID_CMD_EXIT 1006
