#include "clientui/ReplyEditPanel.h"

#include "clientui/PanelDrawing.h"

#include "fw/DeviceContext.h"
#include "fw/MemoryDC.h"

namespace {

constexpr COLORREF kTitleText = 0x141414;
constexpr COLORREF kTopBand = 0xECB338;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kBottomBand = 0xFAF3E3;

}  // namespace

CReplyEditPanel::CReplyEditPanel(UINT templateId, HINSTANCE instance, std::wstring programFolder, SIZE size,
                                 bool keepMinimum)
    : CPanelBase(templateId, instance, std::move(programFolder)), m_size(size), m_bKeepMinimum(keepMinimum) {}

void CReplyEditPanel::InitReplyEditor() {
    m_font.Reset(CreateArialFont(9));
    SetWindowText(m_strTitle);
    PlaceOverOwner(m_size.cx, m_size.cy);
}

std::wstring CReplyEditPanel::ItemText(int id) const {
    HWND item = GetDlgItem(id);
    return item ? fw::CWindow(item).GetWindowText() : std::wstring();
}

LRESULT CReplyEditPanel::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_GETMINMAXINFO) {
        FitMaximizedToWorkArea(reinterpret_cast<MINMAXINFO*>(lParam), m_bKeepMinimum ? m_size : SIZE{0, 0});
        return 0;
    }
    return CPanelBase::WindowProc(msg, wParam, lParam);
}

bool CReplyEditPanel::OnPaint() {
    fw::CPaintDC paint(m_hWnd);
    const RECT client = GetClientRect();
    const int w = client.right;
    const int h = client.bottom;
    {
        fw::CMemoryDC memory(paint, w, h);
        HDC dc = memory.IsValid() ? memory.Get() : paint.Get();
        DrawBitmapTiled(m_skin.m_bmpTitle, dc, 0, 0, w, m_nCaptionHeight);
        if (m_skin.m_hIcon) ::DrawIconEx(dc, 5, 5, m_skin.m_hIcon, 16, 16, 0, nullptr, DI_NORMAL);
        DrawGradientRect(RECT{0, m_nCaptionHeight, w, m_nCaptionHeight + 60}, kTopBand, kWhite, dc);
        DrawGradientRect(RECT{0, m_nCaptionHeight + 60, w, h}, kWhite, kBottomBand, dc);
        fw::CSelectObject font(dc, m_font.Get());
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, kTitleText);
        RECT title = {25, 4, 185, 20};
        ::DrawTextW(dc, m_strTitle.c_str(), -1, &title, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
        PaintBody(dc, w);
        if (memory.IsValid()) memory.CopyTo(paint);
    }
    DrawPanelFrame(paint, m_hWnd);
    return true;
}
