#include "EditQuickReplyPanel.h"

#include "clientui/PanelDrawing.h"

#include "fw/DeviceContext.h"
#include "fw/MemoryDC.h"
#include "fw/StringUtil.h"

#include <vector>

namespace {

constexpr COLORREF kTitleText = 0x141414;
constexpr COLORREF kTopBand = 0xECB338;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kBottomBand = 0xFAF3E3;
constexpr int kEditTop = 40;

HFONT MakeArialFont(int points) {
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ::ReleaseDC(nullptr, screen);
    LOGFONTW font = {};
    font.lfHeight = -::MulDiv(points, dpi, 72);
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, L"Arial", LF_FACESIZE);
    return ::CreateFontIndirectW(&font);
}

std::wstring ControlText(HWND control) {
    const int length = ::GetWindowTextLengthW(control);
    if (length <= 0) return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    const int n = ::GetWindowTextW(control, buffer.data(), length + 1);
    return std::wstring(buffer.data(), n > 0 ? static_cast<size_t>(n) : 0);
}

}  // namespace

CEditQuickReplyPanel::CEditQuickReplyPanel(HINSTANCE instance, std::wstring programFolder)
    : CPanelBase(IDD_EDIT_QUICKREPLY, instance, std::move(programFolder)) {}

CEditQuickReplyPanel::~CEditQuickReplyPanel() = default;

std::wstring CEditQuickReplyPanel::TitleOf(int kind) {
    switch (kind) {
    case kReplyKindAddQuick: return L"新增快捷回复";
    case kReplyKindModifyQuick: return L"修改快捷回复";
    case kReplyKindAddAuto: return L"新增自动回复";
    case kReplyKindModifyAuto: return L"修改自动回复";
    case kReplyKindAddCommon: return L"新增公共回复";
    case kReplyKindModifyCommon: return L"修改公共回复";
    default: return std::wstring();
    }
}

void CEditQuickReplyPanel::SetReplyType(int kind, const std::wstring& text) {
    m_strText = text;
    m_nKind = kind;
    const std::wstring title = TitleOf(kind);
    if (!title.empty()) m_strTitle = title;
}

BOOL CEditQuickReplyPanel::OnInitDialog() {
    CPanelBase::OnInitDialog();
    m_font.Reset(MakeArialFont(9));
    for (CButtonST* button : {&m_btnOk, &m_btnCancel}) {
        const int id = button == &m_btnOk ? IDOK : IDCANCEL;
        if (GetDlgItem(id) && button->SubclassDlgItem(id, m_hWnd)) button->SetFont(m_skin.m_fontNormal.Get(), false);
    }
    if (HWND edit = GetDlgItem(IDC_EDITREPLY_TEXT)) {
        const size_t limit = ReplyTextLimit(m_nKind);
        if (limit) ::SendMessageW(edit, EM_LIMITTEXT, limit, 0);
        ::SetWindowTextW(edit, m_strText.c_str());
    }
    SetWindowText(m_strTitle);
    SetWindowPos(nullptr, 0, 0, kWidth, kHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Over the middle of the window it edits for.
    RECT over = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (HWND owner = ::GetWindow(m_hWnd, GW_OWNER)) ::GetWindowRect(owner, &over);
    SetWindowPos(nullptr, (over.left + over.right - kWidth) / 2, (over.top + over.bottom - kHeight) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT client = GetClientRect();
    PlaceControls(client.right, client.bottom);
    if (HWND edit = GetDlgItem(IDC_EDITREPLY_TEXT)) {
        ::SetFocus(edit);
        ::SendMessageW(edit, EM_SETSEL, 0, -1);
        return FALSE;  // the focus is set
    }
    return TRUE;
}

void CEditQuickReplyPanel::PlaceControls(int width, int height) {
    const auto place = [this](int id, int x, int y, int cx, int cy) {
        if (HWND control = GetDlgItem(id)) ::SetWindowPos(control, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    place(IDC_PANEL_CLOSE, width - 35, 1, 29, 18);
    place(IDOK, width - 150, height - 24, 49, 20);
    place(IDCANCEL, width - 59, height - 24, 49, 20);
    place(IDC_EDITREPLY_TEXT, 12, kEditTop, width - 24, height - kEditTop - 32);
}

bool CEditQuickReplyPanel::OnSize(UINT type, int cx, int cy) {
    CPanelBase::OnSize(type, cx, cy);
    if (type != SIZE_MINIMIZED) PlaceControls(cx, cy);
    return true;
}

bool CEditQuickReplyPanel::PreTranslateMessage(MSG& msg) {
    // Enter neither ends the editor nor breaks the line.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) return true;
    return CPanelBase::PreTranslateMessage(msg);
}

LRESULT CEditQuickReplyPanel::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_GETMINMAXINFO) {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        RECT work = {};
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        info->ptMaxPosition = {work.left, work.top};
        info->ptMaxSize = {work.right - work.left, work.bottom - work.top};
        return 0;
    }
    return CPanelBase::WindowProc(msg, wParam, lParam);
}

bool CEditQuickReplyPanel::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == IDC_PANEL_CLOSE) {
        EndDialog(IDCANCEL);
        return true;
    }
    return CPanelBase::OnCommand(wParam, lParam);
}

void CEditQuickReplyPanel::OnOK() {
    const std::wstring text = NormalizeReplyText(m_nKind, ControlText(GetDlgItem(IDC_EDITREPLY_TEXT)));
    if (text.empty()) {
        // An empty text is not a reply: the editor stays.
        if (HWND edit = GetDlgItem(IDC_EDITREPLY_TEXT)) ::SetFocus(edit);
        return;
    }
    m_strText = text;
    EndDialog(IDOK);
}

bool CEditQuickReplyPanel::OnPaint() {
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
        if (memory.IsValid()) memory.CopyTo(paint);
    }
    DrawPanelFrame(paint, m_hWnd);
    return true;
}

bool CDeskReplyEditor::EditReply(HWND owner, int kind, std::wstring* text) {
    if (!text) return false;
    CEditQuickReplyPanel editor(m_instance, m_programFolder);
    editor.SetReplyType(kind, *text);
    if (editor.DoModal(owner) != IDOK) return false;
    *text = editor.GetText();
    return !text->empty();
}
