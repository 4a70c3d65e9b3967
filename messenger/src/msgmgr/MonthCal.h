// CMonthCal: the history manager's date picker, a child dialog (template
// 131) holding one month calendar (1217). A day chosen in the calendar is
// sent to the parent as WM_MONTHCAL_SELECT: wParam the year, lParam
// month * 100 + day. UI thread only.
#pragma once

#include "fw/Dialog.h"
#include "fw/Window.h"

#include <windows.h>

constexpr UINT WM_MONTHCAL_SELECT = WM_USER + 100;

class CMonthCal : public fw::CDialog {
public:
    static constexpr UINT kTemplateId = 131;
    static constexpr int kCalendarId = 1217;

    explicit CMonthCal(HINSTANCE instance = nullptr);

    // The calendar's current selection follows the date shown.
    void SetCurSel(const SYSTEMTIME& day);
    HWND GetCalendar() const { return m_calendar.GetHwnd(); }
    int GetYear() const { return m_nYear; }
    int GetMonth() const { return m_nMonth; }
    int GetDay() const { return m_nDay; }

    // The parameters of WM_MONTHCAL_SELECT for a day.
    static WPARAM SelectWParam(const SYSTEMTIME& day) { return day.wYear; }
    static LPARAM SelectLParam(const SYSTEMTIME& day) { return day.wMonth * 100 + day.wDay; }

protected:
    BOOL OnInitDialog() override;
    bool OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) override;
    void OnOK() override {}
    void OnCancel() override {}

private:
    void OnSelect(const SYSTEMTIME& day);

    fw::CWindow m_calendar;
    SYSTEMTIME m_selected = {};
    SYSTEMTIME m_now = {};
    int m_nYear = 0;
    int m_nMonth = 0;
    int m_nDay = 0;
};
