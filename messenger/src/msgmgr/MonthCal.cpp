#include "MonthCal.h"

#include <commctrl.h>

CMonthCal::CMonthCal(HINSTANCE instance) : fw::CDialog(kTemplateId, instance) {}

BOOL CMonthCal::OnInitDialog() {
    ::GetLocalTime(&m_now);
    m_calendar.Attach(GetDlgItem(kCalendarId));
    return TRUE;
}

void CMonthCal::SetCurSel(const SYSTEMTIME& day) {
    if (!m_calendar.IsWindow()) return;
    SYSTEMTIME shown = day;
    m_calendar.SendMessage(MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&shown));
}

bool CMonthCal::OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) {
    if (hdr && hdr->idFrom == static_cast<UINT_PTR>(kCalendarId) && hdr->code == MCN_SELECT) {
        OnSelect(reinterpret_cast<NMSELCHANGE*>(hdr)->stSelStart);
        *result = 0;
        return true;
    }
    return fw::CDialog::OnNotify(wParam, hdr, result);
}

void CMonthCal::OnSelect(const SYSTEMTIME& day) {
    m_selected = day;
    m_nYear = day.wYear;
    m_nMonth = day.wMonth;
    m_nDay = day.wDay;
    if (HWND parent = GetParent()) ::SendMessageW(parent, WM_MONTHCAL_SELECT, SelectWParam(day), SelectLParam(day));
}
