// Ids of the test programs' dialog templates and controls.
#pragma once

#define IDD_TEST_PANEL 101
#define IDD_TEST_CHILD_VIEW 102
#define IDD_TEST_BARE_PANEL 103

#define IDC_TEST_EDIT 1010
#define IDC_TEST_SURE 1020
#define IDC_TEST_CANCEL 1021
#define IDC_TEST_GRADIENT 1022
#define IDC_TEST_LIST 1030
