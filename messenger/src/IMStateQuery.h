// The registered message through which a test reads from outside what the
// messenger's windows show (a global atom for a text, which the caller
// deletes; a number otherwise).
//   main window: 0 the tray tip (0 without a tray icon), 1 the index of the
//     tray icon shown (-1 without one), 2 the group rows of the friend tree
//     as painted, one a line, 3 the name line and the signature line, 4 the
//     log-on state, 5 the first line of the tree row of the friend whose id
//     is lParam as painted (0 when the tree has no such friend), 6 the
//     status the tree shows for that friend (-1 when none);
//   chat window: 10 the pictures its log shows, 11 the placeholders still
//     waiting for their files, 12 the messages and notices in its log, 13
//     the tip bar's text while the bar shows (0 while it does not), 14 the
//     width of its right pane, 15 the state of its file-transfer page, 16
//     the peer's name line in its header;
//   history manager: 20 its mode (0 list, 1 record, 2 search), 21 the
//     pictures its record view shows, 22 the page shown (of the hits in
//     search mode), 23 the keyword's occurrences painted red in the record
//     view, 24 the caption of the record area, 25 the contact list's rows
//     ("nickname|account|last contact" a line), 26 the point (x | y << 16,
//     client coordinates of the calendar) of the day lParam (yyyymmdd) in
//     the date picker (-1 when it is not in view), 27 the point (client
//     coordinates of the tree) of the text of the root (lParam 0) or of the
//     friend whose id is lParam.
#pragma once

#include <windows.h>

extern const wchar_t kIMStateQueryMessageName[];

enum IMStateQuery : WPARAM {
    kQueryTrayTip = 0,
    kQueryTrayIcon = 1,
    kQueryTreeGroups = 2,
    kQueryHeaderLines = 3,
    kQueryLogonState = 4,
    kQueryTreeRow = 5,
    kQueryTreeStatus = 6,
    kQueryChatPictures = 10,
    kQueryChatPlaceholders = 11,
    kQueryChatEntries = 12,
    kQueryChatTip = 13,
    kQueryChatPane = 14,
    kQueryChatTransfer = 15,
    kQueryChatName = 16,
    kQueryMsgMgrMode = 20,
    kQueryMsgMgrPictures = 21,
    kQueryMsgMgrPage = 22,
    kQueryMsgMgrRedHits = 23,
    kQueryMsgMgrTitle = 24,
    kQueryMsgMgrListRows = 25,
    kQueryMsgMgrDayPoint = 26,
    kQueryMsgMgrCategoryPoint = 27,
};

// The message's number in this process.
UINT IMStateQueryMessage();
