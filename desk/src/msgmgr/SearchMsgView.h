// CSearchMsgView: the page of the main window's tab "  搜索消息  " (template
// 149; the tab exists for the organisation roles 1 to 3). An agent asks the
// server's message archive for the messages between two dates that hold
// the keywords typed, sees them in a list (sender, receiver, time, text)
// and opens the local history of a message's two parties with a double
// click (WM_SHOW_MSGMGR to the main window).
//
// The search runs on the server: one request through MSearchMsgRecord,
// answered by NOTIFY_SEARCHRESULT, which the main window passes to
// ShowResults; after 10 s without an answer the status says the search
// timed out, and an answer that comes later is still shown.
// CSearchMsgModel decides; this class is its window.
//
// UI thread only.
#pragma once

#include "MsgMgrResource.h"
#include "SearchMsgModel.h"

#include "clientui/ButtonST.h"
#include "clientui/ChildViewBase.h"
#include "clientui/ListCtrlEx.h"

#include "SystemAnsiCodePage.h"

#include "fw/Edit.h"
#include "fw/GdiObject.h"

class CSearchMsgView : public CChildViewBase {
public:
    static constexpr UINT_PTR kTimeoutTimer = 1025;  // SEARCH_TIMEOUT_TIMER
    static constexpr UINT kTimeoutMs = 10000;
    static constexpr int kRowHeight = 22;
    static constexpr int kListTop = 110;

    explicit CSearchMsgView(const CEngineModule& engine = g_EngineModule);
    ~CSearchMsgView() override;

    // NOTIFY_SEARCHRESULT: the engine's results.
    void ShowResults();
    // The search button, or Enter in the keyword box.
    void StartSearch();

    const CSearchMsgModel& Model() const { return m_model; }

    int LayoutControls(int width, int height) override;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) override;
    bool OnTimer(UINT_PTR id) override;
    bool OnPaint() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Enter in the keyword box searches; Enter and Escape are otherwise
    // swallowed.
    bool PreTranslateMessage(MSG& msg) override;

private:
    int32_t PickerDate(HWND picker) const;
    void FillRows();
    void OnDoubleClick(int row);
    void UpdateButton();
    RECT StatusRect() const;
    void FrameControl(HDC dc, HWND control) const;

    clientui::CSystemAnsiCodePage m_codePage;
    const CEngineModule& m_engine;
    CSearchMsgModel m_model;
    fw::CEdit m_keywords;
    CButtonST m_btnSearch;
    CListCtrlEx m_list;
    HWND m_from = nullptr;
    HWND m_to = nullptr;
    fw::CFont m_font;
    bool m_ready = false;
};
