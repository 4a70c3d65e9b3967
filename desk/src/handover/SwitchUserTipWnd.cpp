#include "SwitchUserTipWnd.h"

#include "HandOverPainting.h"

#include "clientui/PanelDrawing.h"

#include "fw/DeviceContext.h"
#include "fw/MemoryDC.h"

namespace {

constexpr COLORREF kAcceptTextIn = 0xD08935;
constexpr COLORREF kAcceptTextOut = 0;

}  // namespace

CSwitchUserTipWnd::CSwitchUserTipWnd(const SwitchCustomerRecord& record, const UserInfoExt& own,
                                     CEngineModule& engine, const std::wstring& programFolder)
    : CPanelBase(IDD_SWITCH_USER_TIP, nullptr, programFolder),
      m_rules(engine, m_codePage),
      m_record(record),
      m_own(own) {
    m_nCaptionHeight = kCaptionHeight;
    m_bMaximizable = 0;
    m_bResizable = 0;
}

CSwitchUserTipWnd::~CSwitchUserTipWnd() = default;

std::wstring CSwitchUserTipWnd::GetTitle() const { return m_rules.TipTitle(m_own); }

std::wstring CSwitchUserTipWnd::GetHeadline() const { return m_rules.TipHeadline(m_record); }

std::wstring CSwitchUserTipWnd::GetNoteLine() const { return m_rules.TipNote(m_record); }

BOOL CSwitchUserTipWnd::OnInitDialog() {
    CPanelBase::OnInitDialog();
    m_font = CreateHandOverFont(m_hWnd);
    if (m_btnAccept.SubclassDlgItem(IDOK, m_hWnd)) {
        m_btnAccept.SetColor(CButtonST::kColourFgIn, kAcceptTextIn);
        m_btnAccept.SetColor(CButtonST::kColourFgOut, kAcceptTextOut);
    }
    CIMResourceComm::LoadBitmapFile(m_skin.SkinPath(L"Resource\\TavrelRes\\switchIcon.bmp"), m_bmpIcon);
    // The title names the window for the task bar too.
    SetWindowText(GetTitle());
    LayoutControls();
    return TRUE;
}

void CSwitchUserTipWnd::LayoutControls() {
    if (!IsWindow()) return;
    const RECT client = GetClientRect();
    if (HWND close = GetDlgItem(IDC_PANEL_CLOSE)) ::MoveWindow(close, client.right - 35, 1, 29, 18, TRUE);
    if (HWND accept = GetDlgItem(IDOK)) ::MoveWindow(accept, client.right - 60, client.bottom - 24, 49, 20, TRUE);
}

bool CSwitchUserTipWnd::OnSize(UINT type, int cx, int cy) {
    CPanelBase::OnSize(type, cx, cy);
    LayoutControls();
    return true;
}

bool CSwitchUserTipWnd::OnPaint() {
    fw::CPaintDC paint(m_hWnd);
    const RECT client = GetClientRect();
    fw::PaintBuffered(paint, client.right, client.bottom, [&](HDC dc) { DrawSurface(dc, client); });
    DrawPanelFrame(paint, m_hWnd);
    return true;
}

void CSwitchUserTipWnd::DrawSurface(HDC dc, const RECT& client) {
    const int w = client.right;
    const int h = client.bottom;
    const int caption = m_nCaptionHeight;
    ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    DrawBitmapTiled(m_skin.m_bmpTitle, dc, 0, 0, w, caption);
    if (m_skin.m_hIcon) ::DrawIconEx(dc, 5, 3, m_skin.m_hIcon, 16, 16, 0, nullptr, DI_NORMAL);

    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, kHandOverTextColour);
    {
        fw::CSelectObject font(dc, m_font.Get());
        RECT title = {25, 4, 185, 20};
        const std::wstring text = GetTitle();
        ::DrawTextW(dc, text.c_str(), -1, &title, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    DrawBitmapAt(dc, m_bmpIcon.Get(), 5, caption + 5);
    {
        fw::CSelectObject bold(dc, m_skin.m_fontBold.Get() ? m_skin.m_fontBold.Get() : m_font.Get());
        RECT headline = {55, caption, w - 5, caption + 24};
        const std::wstring text = GetHeadline();
        ::DrawTextW(dc, text.c_str(), -1, &headline,
                    DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    {
        fw::CSelectObject font(dc, m_font.Get());
        RECT note = {55, caption + 24, w - 5, h - 20};
        const std::wstring text = GetNoteLine();
        ::DrawTextW(dc, text.c_str(), -1, &note, DT_LEFT | DT_WORDBREAK | DT_END_ELLIPSIS | DT_NOPREFIX);
    }
}
