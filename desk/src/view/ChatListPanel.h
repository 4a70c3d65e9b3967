// CChatListPanel: the session list, the lower page "对话列表" of the chat
// view (template 148): one row per open conversation (customer name and
// description; watched conversations read "临时会话(转接或抢接)"), in an
// owner-drawn report list (CListCtrlEx, control 1053, rows 22 high). A
// double click on a row opens that conversation (WM_OPEN_CHAT to the main
// window). The rows follow CSessionListModel.
#pragma once

#include "LeftListRules.h"

#include "clientui/ChildViewBase.h"
#include "clientui/ListCtrlEx.h"

#include <ImEngineApi.h>

#include <cstdint>

class CChatListPanel : public CChildViewBase {
public:
    static constexpr UINT kListId = 1053;
    static constexpr int kRowHeight = 22;

    CChatListPanel();

    // remove: deletes the row of the record's user; otherwise appends a row
    // for a nonzero user: the name and, as description, the category name,
    // or "临时会话(转接或抢接)" for a watched session.
    void UpdateSession(const UserInfoBase& record, bool remove, bool watched);
    int GetRowCount() const;
    int32_t GetRowUser(int row) const;
    const CSessionListModel& GetModel() const { return m_model; }

    int LayoutControls(int width, int height) override;

protected:
    BOOL OnInitDialog() override;
    bool OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) override;
    bool OnPaint() override;

private:
    CListCtrlEx m_list;
    CSessionListModel m_model;
};
