// Ids of the conversation history pane (template 143).
#pragma once

#define IDD_CHAT_MSG_PANEL 143
#define IDC_MSG_PAGE_FIRST 1331
#define IDC_MSG_PAGE_PREV 1332
#define IDC_MSG_PAGE_NEXT 1333
#define IDC_MSG_PAGE_LAST 1334
#define IDC_MSG_PAGE_EDIT 1335
#define IDC_MSG_LOG 1336
