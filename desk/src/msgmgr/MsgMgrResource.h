/* Template and control ids of the message records tab (CMsgMgrView,
   template 130) and the message search tab (CSearchMsgView, template 149).
   Plain defines, so that the resource script can include this file. */
#pragma once

#ifndef IDD_MSGMGR_VIEW
#define IDD_MSGMGR_VIEW 130
#endif
#ifndef IDD_SEARCHMSG_VIEW
#define IDD_SEARCHMSG_VIEW 149
#endif

/* The message records tab. */
#define IDC_MSGMGR_SEARCH 1170        /* the search box */
#define IDC_MSGMGR_REFRESH 1171       /* "刷新": created hidden, no action */
#define IDC_MSGMGR_TALK 1172          /* "发起会话" */
#define IDC_MSGMGR_PAGE_FIRST 1173    /* history pager: first page */
#define IDC_MSGMGR_PAGE_LAST 1174     /* history pager: last page */
#define IDC_MSGMGR_PAGE_NEXT 1175     /* history pager: next page */
#define IDC_MSGMGR_PAGE_PREV 1176     /* history pager: previous page */
#define IDC_MSGMGR_CUSTOMERS 1177     /* the customer list */
#define IDC_MSGMGR_HISTORY 1178       /* the history (read-only rich edit) */
#define IDC_MSGMGR_PAGE_BOX 1179      /* the history page number */
#define IDC_MSGMGR_OWNERS 1180        /* the owner list */
#define IDC_MSGMGR_CUST_FIRST 1336    /* customer pager: first page */
#define IDC_MSGMGR_CUST_PREV 1337     /* customer pager: previous page */
#define IDC_MSGMGR_CUST_NEXT 1338     /* customer pager: next page */
#define IDC_MSGMGR_CUST_LAST 1339     /* customer pager: last page */
#define IDC_MSGMGR_CUST_PAGE_BOX 1340 /* the customer page number */

/* The message search tab. */
#define IDC_SEARCHMSG_KEYWORDS 1550   /* the keyword edit */
#define IDC_SEARCHMSG_START 1551      /* "搜索" */
#define IDC_SEARCHMSG_RESULTS 1552    /* the result list */
#define IDC_SEARCHMSG_FROM 1553       /* start date picker */
#define IDC_SEARCHMSG_TO 1554         /* end date picker */
