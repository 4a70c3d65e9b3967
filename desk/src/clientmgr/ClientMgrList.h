// CClientMgrList: the customer list of the customer management view. While
// the user drags a column's edge, the header tells the list (its parent)
// before each width change: the width asked for is kept within the column's
// bounds (CClientMgrModel::ClampColumnWidth), and the owner gets
// clampMessage posted so that it can set widths that the header took
// unchanged back within those bounds.
#pragma once

#include "fw/ListCtrl.h"

class CClientMgrList : public fw::CListCtrl {
public:
    explicit CClientMgrList(UINT clampMessage) : m_clampMessage(clampMessage) {}

    // Brings every column's width back within its bounds.
    void ClampColumns(int columns);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    UINT m_clampMessage;
};
