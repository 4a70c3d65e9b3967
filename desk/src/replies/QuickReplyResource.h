/* Templates and control ids of the quick-reply page (template 134, a lower
   page of the chat view) and of the reply editor (template 135), in
   QuickReply.rc. Plain defines, so that the resource script can include it. */
#pragma once

#ifndef IDD_CHAT_QUICKREPLY_PAGE
#define IDD_CHAT_QUICKREPLY_PAGE 134
#endif
#define IDD_EDIT_QUICKREPLY 135

#define IDC_QUICKREPLY_TREE 1151
#define IDC_QUICKREPLY_ADD 1152
#define IDC_QUICKREPLY_DELETE 1153
#define IDC_QUICKREPLY_UP 1154
#define IDC_QUICKREPLY_DOWN 1155
#define IDC_QUICKREPLY_MODIFY 1156
#define IDC_QUICKREPLY_REFRESH 1157

#define IDC_EDITREPLY_TEXT 1159
