/* Template and control ids of the customer management view (the page of
   the main window's tab "  客户管理  "). Plain defines, so that the
   resource script can include this file. */
#pragma once

#define IDD_CLIENTMGR_VIEW 136

#define IDC_CLIENTMGR_REFRESH 1158    /* "刷新": created hidden, no action */
#define IDC_CLIENTMGR_TALK 1200       /* "发起会话" */
#define IDC_CLIENTMGR_TREE 1201       /* the group tree */
#define IDC_CLIENTMGR_LIST 1202       /* the customer list */
#define IDC_CLIENTMGR_FIRST 1203      /* pager: first page */
#define IDC_CLIENTMGR_PREV 1204       /* pager: previous page */
#define IDC_CLIENTMGR_NEXT 1205       /* pager: next page */
#define IDC_CLIENTMGR_LAST 1206       /* pager: last page */
#define IDC_CLIENTMGR_PAGE 1207       /* the page number box */
#define IDC_CLIENTMGR_SEARCH 1208     /* the search box */
