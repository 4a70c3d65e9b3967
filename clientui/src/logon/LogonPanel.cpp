#include "clientui/LogonPanel.h"

#include "clientui/ClientSettings.h"
#include "clientui/EngineModule.h"
#include "clientui/PanelDrawing.h"

#include "fw/DeviceContext.h"
#include "fw/MemoryDC.h"
#include "fw/MessageBoxSink.h"
#include "fw/StringUtil.h"

#include <vector>

namespace {

constexpr int kProgramIconId = 128;
constexpr COLORREF kLabelColour = 0x2F1C00;
constexpr COLORREF kRememberColour = 0x0000FF;
constexpr COLORREF kTopBandColour = 0xD6A539;
constexpr COLORREF kBottomBandColour = 0xF9F3E4;
constexpr COLORREF kWhite = 0xFFFFFF;

std::wstring ControlText(HWND control) {
    const int length = ::GetWindowTextLengthW(control);
    if (length <= 0) return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    const int n = ::GetWindowTextW(control, buffer.data(), length + 1);
    return std::wstring(buffer.data(), n > 0 ? static_cast<size_t>(n) : 0);
}

// The control's rectangle in the client coordinates of its parent.
RECT ControlRect(HWND parent, HWND control) {
    RECT rc = {0, 0, 0, 0};
    if (!control) return rc;
    ::GetWindowRect(control, &rc);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

}  // namespace

CLogonPanel::CLogonPanel(std::wstring displayTitle, HINSTANCE instance, std::wstring programFolder)
    : CPanelBase(IDD_LOGON_PANEL, instance, std::move(programFolder)), m_displayTitle(std::move(displayTitle)) {}

CLogonPanel::~CLogonPanel() = default;

void CLogonPanel::SetLogonInfo(const std::wstring& account, const std::wstring& password) {
    m_strAccount = account;
    m_strPassword = password;
    if (IsWindow()) WriteControls();
}

void CLogonPanel::EnableInputs() { EnableControls(true); }

void CLogonPanel::EnableControls(bool enable) {
    if (!IsWindow()) return;
    for (int id : {IDC_LOGON_ACCOUNT, IDC_LOGON_PASSWORD, IDC_LOGON_BUTTON}) {
        if (HWND control = GetDlgItem(id)) ::EnableWindow(control, enable ? TRUE : FALSE);
    }
}

void CLogonPanel::ReadControls() {
    m_strAccount = ControlText(GetDlgItem(IDC_LOGON_ACCOUNT));
    m_strPassword = ControlText(GetDlgItem(IDC_LOGON_PASSWORD));
}

void CLogonPanel::WriteControls() {
    ::SetDlgItemTextW(m_hWnd, IDC_LOGON_ACCOUNT, m_strAccount.c_str());
    ::SetDlgItemTextW(m_hWnd, IDC_LOGON_PASSWORD, m_strPassword.c_str());
}

int CLogonPanel::ShowMessage(const std::wstring& text, UINT flags) {
    return fw::ShowMessageBox(IsWindow() ? m_hWnd : nullptr, text, m_displayTitle, flags);
}

BOOL CLogonPanel::OnInitDialog() {
    // 1. The panel's frame, its own skin and the log-on button's pictures.
    CPanelBase::OnInitDialog();
    m_logonSkin.Load(m_skin.GetProgramFolder());
    if (!m_btnLogon.GetHwnd()) m_btnLogon.SubclassDlgItem(IDC_LOGON_BUTTON, m_hWnd);
    const SkinButtonPaths& login = m_logonSkin.m_btnLogin;
    m_btnLogon.SetBitmaps(login.normal, login.hover, login.pressed, login.normal);

    // 2. Texts from the controls; size, centre and show.
    ReadControls();
    ModifyStyle(0, WS_CLIPCHILDREN);
    SetWindowPos(nullptr, 0, 0, kWidth, kHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CentreOnWorkArea();
    ShowWindow(SW_SHOW);

    // 3. Icons, window text and the background brush.
    const HINSTANCE program = ::GetModuleHandleW(nullptr);
    const auto bigIcon = reinterpret_cast<HICON>(
        ::LoadImageW(program, MAKEINTRESOURCEW(kProgramIconId), IMAGE_ICON, ::GetSystemMetrics(SM_CXICON),
                     ::GetSystemMetrics(SM_CYICON), LR_SHARED));
    const auto smallIcon = reinterpret_cast<HICON>(
        ::LoadImageW(program, MAKEINTRESOURCEW(kProgramIconId), IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                     ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
    SetWindowText(fw::FormatString(L"%ls 登录", m_displayTitle.c_str()));
    m_brushBack.Reset(::CreateSolidBrush(kBackColour));

    // 4. Layout.
    PlaceControls();

    // 5. The accounts used before, and the server entry.
    FillAccountList();
    return TRUE;
}

void CLogonPanel::CentreOnWorkArea() {
    RECT work = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &info)) work = info.rcWork;
    const RECT window = GetWindowRect();
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    const int x = work.left + (work.right - work.left - width) / 2;
    const int y = work.top + (work.bottom - work.top - height) / 2;
    SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CLogonPanel::PlaceControls() {
    const RECT client = GetClientRect();
    const int w = client.right;
    const int h = client.bottom;
    const auto place = [this](int id, int x, int y, int cx, int cy) {
        HWND control = GetDlgItem(id);
        if (!control) return;
        const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (cx < 0 ? SWP_NOSIZE : 0);
        ::SetWindowPos(control, nullptr, x, y, cx < 0 ? 0 : cx, cy < 0 ? 0 : cy, flags);
    };
    if (HWND advert = GetDlgItem(IDC_LOGON_ADVERT)) {
        // The picture first: a bitmap static takes the picture's size.
        ::SendMessageW(advert, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_logonSkin.m_bmpAdvert.Get()));
    }
    place(IDC_LOGON_ADVERT, 9, m_nCaptionHeight + 8, 347, 99);
    place(IDC_LOGON_ACCOUNT, 70, h - 108, -1, -1);
    place(IDC_LOGON_PASSWORD, 70, h - 77, -1, -1);
    place(IDC_LOGON_REMEMBER, 70, h - 46, -1, -1);
    place(IDC_LOGON_BUTTON, w - 113, h - 104, 89, 66);
    place(IDC_PANEL_CLOSE, w - 35, 1, 29, 18);
    place(IDC_PANEL_MINIMIZE, w - 57, 1, 22, 18);
}

void CLogonPanel::FillAccountList() {
    std::vector<std::wstring> accounts;
    g_ClientSettings.LoadAccountList(accounts);
    g_ClientSettings.LoadServerInfo();
    HWND box = GetDlgItem(IDC_LOGON_ACCOUNT);
    if (!box) return;
    // The box is sorted: the file order only decides among equal texts.
    for (const std::wstring& account : accounts)
        ::SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(account.c_str()));
}

void CLogonPanel::OnLogon() {
    // 1. No second start while this one is being checked.
    EnableControls(false);

    // 2. The texts, without white space at the ends.
    ReadControls();
    m_strAccount = TrimLogonText(m_strAccount);
    m_strPassword = TrimLogonText(m_strPassword);

    switch (CheckLogonInputs(m_strAccount, m_strPassword)) {
    case LogonInputProblem::EmptyAccount:
        ShowMessage(L"请输入有效帐号后再登录:)", MB_OK);
        if (IsWindow()) {
            EnableControls(true);
            ::SetFocus(GetDlgItem(IDC_LOGON_ACCOUNT));
        }
        return;
    case LogonInputProblem::EmptyPassword:
        ShowMessage(L"请输入有效密码后再登录:)", MB_OK);
        if (IsWindow()) {
            EnableInputs();
            ::SetFocus(GetDlgItem(IDC_LOGON_PASSWORD));
        }
        return;
    case LogonInputProblem::None:
        break;
    }

    // 3. The log-on itself: the password travels as its digest (type 20).
    // The inputs stay disabled until the main window enables them again or
    // the panel closes.
    if (g_EngineModule.MLogon)
        g_EngineModule.MLogon(m_strAccount.c_str(), m_strPassword.c_str(), LOGON_TYPE_PASSWORD,
                              g_ClientSettings.serverEntry.c_str(), kChatServerPort);
    m_nLogonState = kLogonStateStarted;
}

bool CLogonPanel::OnClose() {
    const bool connected = g_EngineModule.MGetConnectStatus && g_EngineModule.MGetConnectStatus() != 0;
    switch (DecideLogonClose(connected, m_nLogonState)) {
    case LogonCloseAction::Ignore:
        break;
    case LogonCloseAction::Quit:
        ::PostQuitMessage(0);
        break;
    case LogonCloseAction::AskFirst:
        if (ShowMessage(L"当前正在登录, 您确定要退出吗?", MB_YESNO) == IDYES) ::PostQuitMessage(0);
        break;
    }
    return true;
}

bool CLogonPanel::PreTranslateMessage(MSG& msg) {
    if (msg.message == WM_KEYDOWN) {
        if (msg.wParam == VK_RETURN) {
            OnLogon();
            return true;
        }
        if (msg.wParam == VK_ESCAPE) return true;
    }
    return CPanelBase::PreTranslateMessage(msg);
}

LRESULT CLogonPanel::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_IM_CONNECT) {
        // The main window has seen the own friend list: logged on.
        EndDialog(IDOK);
        return TRUE;
    }
    return CPanelBase::WindowProc(msg, wParam, lParam);
}

bool CLogonPanel::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case IDC_LOGON_BUTTON:
        if (HIWORD(wParam) == BN_CLICKED) OnLogon();
        return true;
    case IDOK:
    case IDCANCEL:
        // The panel ends only when logged on or through its close request.
        return true;
    default:
        return CPanelBase::OnCommand(wParam, lParam);
    }
}

HBRUSH CLogonPanel::OnCtlColor(UINT msg, HDC dc, HWND child) {
    if (::GetDlgCtrlID(child) != IDC_LOGON_REMEMBER || m_brushBack.IsNull()) return nullptr;
    ::SetTextColor(dc, kRememberColour);
    ::SetBkMode(dc, TRANSPARENT);
    return m_brushBack;
}

bool CLogonPanel::OnPaint() {
    fw::CPaintDC paint(m_hWnd);
    const RECT client = GetClientRect();
    fw::PaintBuffered(paint, client.right, client.bottom, [&](HDC dc) { PaintSurface(dc, client); });
    DrawPanelFrame(paint, m_hWnd);
    return true;
}

void CLogonPanel::PaintSurface(HDC dc, const RECT& client) {
    const int w = client.right;
    const int h = client.bottom;
    const int caption = m_nCaptionHeight;

    // 1. White surface with a black outline, the panel's 12-pixel font.
    {
        fw::CSelectObject pen(dc, ::GetStockObject(BLACK_PEN));
        fw::CSelectObject brush(dc, ::GetStockObject(WHITE_BRUSH));
        ::Rectangle(dc, 0, 0, w, h);
    }
    fw::CSelectObject font(dc, m_skin.m_fontNormal.Get());

    // 2. Caption strip and the program icon.
    DrawBitmapTiled(m_skin.m_bmpTitle, dc, 0, 0, w, caption);
    if (m_skin.m_hIcon) ::DrawIconEx(dc, 5, 5, m_skin.m_hIcon, 16, 16, 0, nullptr, DI_NORMAL);

    // 3. Title.
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, kWhite);
    const std::wstring title = fw::FormatString(L"%ls 登录", m_displayTitle.c_str());
    RECT titleRect = {26, 0, 200, caption};
    ::DrawTextW(dc, title.c_str(), -1, &titleRect, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);

    // 4. Gradient bands under the caption and at the bottom.
    DrawGradientRect(RECT{0, caption, w, caption + 69}, kTopBandColour, kWhite, dc);
    DrawGradientRect(RECT{0, h - 100, w, h}, kWhite, kBottomBandColour, dc);

    // 5. Labels beside the account box and the password edit.
    ::SetTextColor(dc, kLabelColour);
    DrawLabel(dc, IDC_LOGON_ACCOUNT, L"用户名:");
    DrawLabel(dc, IDC_LOGON_PASSWORD, L"密  码:");
}

void CLogonPanel::DrawLabel(HDC dc, int controlId, const wchar_t* text) {
    HWND control = GetDlgItem(controlId);
    if (!control) return;
    const RECT box = ControlRect(m_hWnd, control);
    RECT label = {20, box.top, box.left, box.bottom};
    ::DrawTextW(dc, text, -1, &label, DT_SINGLELINE | DT_BOTTOM | DT_LEFT | DT_NOPREFIX);
}
