/* Templates and control ids of the chat view (the page of the main
   window's first tab, template 129 in the program's script) and its lower
   pages. */
#pragma once

#define IDD_CHAT_LEFT_LIST 133
#define IDD_CHAT_QUICKREPLY_PAGE 134
#define IDD_CHAT_SESSION_PAGE 148

#define IDC_CHAT_LOWER_TABS 1030
#define IDC_CHAT_UPPER_TABS 1050
#define IDC_CHAT_SEARCH_EDIT 1051
#define IDC_CHAT_CUSTOMER_TREE 1052
