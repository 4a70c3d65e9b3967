/* Resource ids of the settings panel's dialog template (clientui/res/
   SystemSettingPanel.rc, template 147). Plain defines, so that resource
   scripts can include it. A client with a template of its own gives the
   panel its ids (SystemSettingPanelSpec). */
#pragma once

#define IDD_SYSTEM_SETTING_PANEL 147

#define IDC_SETTING_REPLY_LIST 1500     /* list view: the automatic replies (number, text) */
#define IDC_SETTING_REPLY_ADD 1501      /* "添加" */
#define IDC_SETTING_REPLY_MODIFY 1502   /* "修改" */
#define IDC_SETTING_REPLY_DELETE 1503   /* "删除" */
#define IDC_SETTING_POPUP_OFF 1504      /* pop-up switch, shown while off */
#define IDC_SETTING_OK 1505             /* "确定" */
#define IDC_SETTING_CANCEL 1506         /* "取消" */
#define IDC_SETTING_APPLY 1507          /* "应用" */
#define IDC_SETTING_STATE 1508          /* combo box: status after log-on */
#define IDC_SETTING_SOUND_DEFAULT 1509  /* "默认声音", shown while not chosen */
#define IDC_SETTING_SOUND_NONE 1510     /* "关闭声音", shown while not chosen */
#define IDC_SETTING_AUTOREPLY_OFF 1511  /* automatic-reply switch, shown while off */
#define IDC_SETTING_AUTOREPLY_ON 1512   /* automatic-reply switch, shown while on */
#define IDC_SETTING_POPUP_ON 1513       /* pop-up switch, shown while on */
#define IDC_SETTING_SOUND_DEFAULT_ON 1514 /* "默认声音", shown while chosen */
#define IDC_SETTING_SOUND_NONE_ON 1515  /* "关闭声音", shown while chosen */
#define IDC_SETTING_QUICK_EDIT 1516     /* quick-reply edit (never shown here) */
#define IDC_SETTING_BROWSE 1517         /* "浏览" */
#define IDC_SETTING_SOUND_PATH 1518     /* edit: the sound file (read only) */
#define IDC_SETTING_NAV_LIST 1519       /* list view: the pages ("基本设置") */
#define IDC_SETTING_QUICK_LIST 1520     /* quick-reply list (never shown here) */
#define IDC_SETTING_QUICK_UP 1521       /* "上移" (never shown here) */
#define IDC_SETTING_QUICK_DOWN 1522     /* "下移" (never shown here) */
