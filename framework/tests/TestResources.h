// Ids of the test dialogs.
#pragma once

#define IDD_TEST_DIALOG 100
#define IDD_PLAIN_DIALOG 101
#define IDC_TEST_EDIT 1001
#define IDC_TEST_BUTTON 1002
