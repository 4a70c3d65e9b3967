/* Control ids of the profile panel's dialog template (clientui/res/
   UserInfoPanel.rc). Plain defines, so that resource scripts can include
   it. The desk client's template is 146; a program may give the template
   another id by defining IDD_USERINFO_PANEL before it includes the script. */
#pragma once

#define IDD_USERINFO_DESK 146

#define IDC_USERINFO_OK 1400         /* "确定" */
#define IDC_USERINFO_CLOSE 1401      /* "关闭" (own profile) */
#define IDC_USERINFO_APPLY 1402      /* "应用" */
#define IDC_USERINFO_UPDATE 1403     /* "更新" (another user's profile) */
#define IDC_USERINFO_CANCEL 1404     /* closes like the caption's close button */
#define IDC_USERINFO_PICTURE 1405    /* no action */
#define IDC_USERINFO_SETTINGS 1406   /* "系统设置" */
#define IDC_USERINFO_NICKNAME 1408
#define IDC_USERINFO_ID 1409
#define IDC_USERINFO_GENDER 1410
#define IDC_USERINFO_AGE 1411
#define IDC_USERINFO_DEPARTMENT 1412
#define IDC_USERINFO_EMAIL 1413
#define IDC_USERINFO_SIGNATURE 1414
#define IDC_USERINFO_LOGIN 1415
#define IDC_USERINFO_DESCRIPTION 1416
#define IDC_USERINFO_PAGES 1417      /* the navigation list */
#define IDC_USERINFO_FULLNAME 1418
#define IDC_USERINFO_YEAR 1419
#define IDC_USERINFO_MONTH 1420
#define IDC_USERINFO_DAY 1421
#define IDC_USERINFO_STAR 1422
#define IDC_USERINFO_ANIMAL 1423
#define IDC_USERINFO_BLOOD 1424
#define IDC_USERINFO_PHONE 1425
#define IDC_USERINFO_MOBILE 1426
#define IDC_USERINFO_REMARK 1427
