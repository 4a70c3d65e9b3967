/* Resource ids of the log-on panel's dialog template (clientui/res/
   LogonPanel.rc). Plain defines, so that resource scripts can include it. */
#pragma once

#define IDD_LOGON_PANEL 132

#define IDC_LOGON_ADVERT 1300   /* static picture: the advert bitmap */
#define IDC_LOGON_ACCOUNT 1301  /* drop-down combo box, sorted: the account */
#define IDC_LOGON_PASSWORD 1302 /* password edit */
#define IDC_LOGON_REMEMBER 1303 /* check box, shown in red; its state is not used */
#define IDC_LOGON_BUTTON 1304   /* skinned log-on button */
