#include "ChatMainPanel.h"

#include "clientui/BitmapTiling.h"
#include "clientui/ClientSettings.h"
#include "clientui/ImageTransfer.h"
#include "clientui/InputMessageBuilder.h"
#include "clientui/PanelRegistry.h"
#include "clientui/HistoryFile.h"
#include "clientui/PictureFile.h"
#include "clientui/TransFileSession.h"

#include "ChatFontFormat.h"
#include "MessageParser.h"

#include "fw/ComPtr.h"
#include "fw/GdiObject.h"
#include "fw/MemoryDC.h"
#include "fw/MessageBoxSink.h"

#include <commctrl.h>
#include <commdlg.h>
#include <gdiplus.h>
#include <richedit.h>
#include <richole.h>

#include <cstring>

namespace {

constexpr int kFirstButtonId = IDC_CHAT_SEND;
constexpr int kTopBarHeight = 52;
constexpr COLORREF kOwnColour = 0x408000;
constexpr COLORREF kOtherColour = 0xFF0000;
constexpr COLORREF kNoticeColour = 0x808080;
constexpr COLORREF kCaptionTextColour = 0x7B1C00;
constexpr COLORREF kTipColour = 0xC5F9FF;
constexpr int kMinTrackWidth = 523;
constexpr int kMinTrackHeight = 405;

// The three formats of the log: 9 points, "宋体", no effects.
CHARFORMATW LogFormat(COLORREF colour) {
    CHARFORMATW format = {};
    format.cbSize = sizeof format;
    format.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_SIZE | CFM_COLOR | CFM_FACE;
    format.yHeight = 180;
    format.crTextColor = colour;
    wcscpy_s(format.szFaceName, LF_FACESIZE, L"宋体");
    return format;
}

int32_t TodayWord() {
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    return CChatMessageClock::DateWord(now);
}

}  // namespace

CChatMainPanel::CChatMainPanel(IChatPanelHost& host, int32_t ownerAgent, CEngineModule& engine,
                               const std::wstring& programFolder, const std::wstring& displayTitle)
    : CPanelBase(IDD_CHAT_MAIN_PANEL, nullptr, programFolder),
      m_host(host),
      m_engine(engine),
      m_rules(engine, m_codePage),
      m_handOver(engine, m_codePage),
      m_programFolder(ResolveSkinProgramFolder(programFolder)),
      m_displayTitle(displayTitle),
      m_nOwnerAgent(ownerAgent) {
    m_bOwnSession = ownerAgent == host.MyUserId() ? 1 : 0;
    m_nCaptionHeight = 0;
    m_fmtOwn = LogFormat(kOwnColour);
    m_fmtOther = LogFormat(kOtherColour);
    m_fmtNotice = LogFormat(kNoticeColour);
}

CChatMainPanel::~CChatMainPanel() = default;

bool CChatMainPanel::CreateInParent(HWND parent) { return Create(parent); }

CChatMainPanel* CChatMainPanel::Open(IChatPanelHost& host, HWND parent, int32_t ownerAgent,
                                     const UserInfoBase& customer, const RECT& area, const std::wstring& displayTitle) {
    auto* window = new CChatMainPanel(host, ownerAgent, g_EngineModule, std::wstring(), displayTitle);
    window->SetPeerInfo(customer);
    if (!window->CreateInParent(parent) || !CPanelRegistry::GetInstance()->AddChatWindow(window)) {
        window->Delete();
        return nullptr;
    }
    window->MoveWindow(area);
    window->ShowWindow(SW_SHOW);
    return window;
}

CSkinBtn& CChatMainPanel::GetButton(int id) { return m_buttons[id - kFirstButtonId]; }

std::wstring CChatMainPanel::ResourcePath(const wchar_t* relative) const {
    return m_programFolder + L"Resource\\" + relative;
}

void CChatMainPanel::SetImageTransfer(CImageTransfer* transfer) {
    m_transfer = transfer;
    m_downloads = CImageTransferDownloads(transfer);
}

// --- initialisation --------------------------------------------------------

BOOL CChatMainPanel::OnInitDialog() {
    CPanelBase::OnInitDialog();
    m_nCaptionHeight = 0;
    m_sendOptions.LoadMenu(::GetModuleHandleW(nullptr), IDR_CHAT_SEND_OPTIONS);
    OnSetSendOption(g_ClientSettings.sendMsgOpt == 1 ? 1 : 0);

    m_log.SubclassDlgItem(IDC_CHAT_LOG, m_hWnd);
    m_input.SubclassDlgItem(IDC_CHAT_INPUT, m_hWnd);
    m_hMemo = GetDlgItem(IDC_CHAT_MEMO);
    if (m_hMemo) ::SetWindowTextW(m_hMemo, m_memoText.c_str());
    m_log.SetPictureSource(m_programFolder, m_host.MyUserId(), &m_downloads);
    BindButtons();

    ::ShowWindow(GetDlgItem(IDC_CHAT_EMOTICON), SW_HIDE);
    ::ShowWindow(GetDlgItem(IDC_CHAT_PICTURE), SW_HIDE);
    if (m_bOwnSession) {
        ::ShowWindow(GetDlgItem(IDC_CHAT_GRAB), SW_HIDE);
    } else {
        SetTimer(kTimerPeerStatus, 60000);
        SetTimer(kTimerFirstRefresh, 1000);
        SetTimer(kTimerHistoryRefresh, 10000);
        ::ShowWindow(GetDlgItem(IDC_CHAT_HAND_OVER), SW_HIDE);
        m_input.EnableWindow(false);
        ::EnableWindow(GetDlgItem(IDC_CHAT_SEND), FALSE);
    }
    SetSessionState(1);
    AddTooltips();

    SetTimer(kTimerFlash, 500);
    m_input.SendMessage(EM_SETEVENTMASK, 0, m_input.SendMessage(EM_GETEVENTMASK) | ENM_CHANGE);
    m_log.SendMessage(EM_SETEVENTMASK, 0, m_log.SendMessage(EM_GETEVENTMASK) | ENM_LINK);
    m_log.SendMessage(EM_AUTOURLDETECT, TRUE, 0);

    // The input's format from the chat settings.
    clientui::ChatFontSpec font = clientui::ChatFontSpec::ConversationDefault(m_codePage);
    if (g_ClientSettings.fontSize > 0 && g_ClientSettings.fontSize < 256)
        font.size = static_cast<uint8_t>(g_ClientSettings.fontSize);
    font.effects = static_cast<uint8_t>((g_ClientSettings.bold ? clientui::kChatFontBold : 0) |
                                        (g_ClientSettings.italic ? clientui::kChatFontItalic : 0) |
                                        (g_ClientSettings.underline ? clientui::kChatFontUnderline : 0));
    font.colour = static_cast<int32_t>(g_ClientSettings.textColour);
    if (!g_ClientSettings.fontName.empty()) font.SetFaceName(g_ClientSettings.fontName, m_codePage);
    ApplyInputFormat(clientui::CharFormatFromChatFont(font, m_codePage));

    if (m_customer.status != 0) {
        m_bTipVisible = 1;
        SetPeerStatus(m_customer.status);
    }
    SetTimer(kTimerPictureSwap, 2000);
    m_bChatInitialized = 1;
    UpdateCaption();
    LayoutControls();
    return TRUE;
}

void CChatMainPanel::BindButtons() {
    m_chatSkin.Load(m_programFolder);
    struct Binding {
        int id;
        const SkinButtonPaths* paths;
    };
    const Binding bindings[] = {
        {IDC_CHAT_SEND, &m_chatSkin.m_btnSend},         {IDC_CHAT_CLOSE, &m_chatSkin.m_btnClose},
        {IDC_CHAT_FONT, &m_chatSkin.m_btnSetFont},      {IDC_CHAT_EMOTICON, &m_chatSkin.m_btnSetEmo},
        {IDC_CHAT_PICTURE, &m_chatSkin.m_btnSendPic},   {IDC_CHAT_SCREENSHOT, &m_chatSkin.m_btnScreenshot},
        {IDC_CHAT_HISTORY, &m_chatSkin.m_btnShowMsg},   {IDC_CHAT_SEND_FILE, &m_chatSkin.m_btnSendFile},
        {IDC_CHAT_SEND_OPTIONS, &m_chatSkin.m_btnList}, {IDC_CHAT_GRAB, &m_chatSkin.m_btnGetLine},
        {IDC_CHAT_HAND_OVER, &m_chatSkin.m_btnSwitch},  {IDC_CHAT_TAKE_BACK, &m_chatSkin.m_btnBack},
        {IDC_CHAT_STOP_HAND_OVER, &m_chatSkin.m_btnStop}, {IDC_CHAT_RELEASE_GRAB, &m_chatSkin.m_btnBreak},
    };
    for (const Binding& b : bindings) {
        CSkinBtn& button = GetButton(b.id);
        if (!button.SubclassDlgItem(b.id, m_hWnd)) continue;
        button.SetBitmaps(b.paths->normal, b.paths->hover, b.paths->pressed, b.paths->normal);
    }
    CSkinBtn& tipClose = GetButton(IDC_CHAT_TIP_CLOSE);
    if (tipClose.SubclassDlgItem(IDC_CHAT_TIP_CLOSE, m_hWnd)) {
        const std::wstring base = ResourcePath(L"tipWndbar\\tipWndBar_closeBtn_");
        tipClose.SetBitmaps(base + L"1.png", base + L"2.png", base + L"3.png", base + L"1.png");
    }
}

void CChatMainPanel::AddTooltips() {
    if (!m_tooltip.Create(m_hWnd)) return;
    const int ids[] = {IDC_CHAT_CLOSE, IDC_CHAT_SEND, IDC_CHAT_SEND_OPTIONS, IDC_CHAT_FONT,
                       IDC_CHAT_HISTORY, IDC_CHAT_GRAB, IDC_CHAT_HAND_OVER, IDC_CHAT_TAKE_BACK,
                       IDC_CHAT_STOP_HAND_OVER, IDC_CHAT_RELEASE_GRAB, IDC_CHAT_SEND_FILE, IDC_CHAT_SCREENSHOT};
    for (int id : ids) {
        HWND control = GetDlgItem(id);
        if (!control) continue;
        TOOLINFOW ti = {};
        ti.cbSize = sizeof ti;
        ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        ti.hwnd = m_hWnd;
        ti.uId = reinterpret_cast<UINT_PTR>(control);
        ti.lpszText = LPSTR_TEXTCALLBACKW;
        m_tooltip.SendMessage(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
    m_tooltip.SetMaxTipWidth(300);
    if (m_hMemo) m_tooltip.AddTool(m_hMemo, m_memoText);
}

// --- customer ----------------------------------------------------------------

void CChatMainPanel::SetPeerInfo(const UserInfoBase& record) {
    m_bPeerSet = 1;
    const int32_t shownStatus = m_customer.status;
    m_customer = record;
    // A record with another status changes the tip bar as a status notice does.
    if (m_bChatInitialized && record.status != shownStatus) {
        m_customer.status = shownStatus;
        SetPeerStatus(record.status);
    }
    if (m_bOwnSession && m_customer.nickname[0] == '\0') {
        const std::string name = m_codePage.ToAnsiCut(L"注册用户", sizeof m_customer.nickname - 1);
        std::memcpy(m_customer.nickname, name.c_str(), name.size() + 1);
    }
    m_memoText = m_rules.FieldText(m_customer.memo, sizeof m_customer.memo);
    if (m_hMemo) ::SetWindowTextW(m_hMemo, m_memoText.c_str());
    if (m_hMemo && m_tooltip.IsWindow()) m_tooltip.UpdateTipText(m_hMemo, m_memoText);
    if (IsWindow()) {
        UpdateCaption();
        Invalidate(false);
    }
}

void CChatMainPanel::SetPeerStatus(int32_t status) {
    const bool changed = status != m_customer.status;
    m_customer.status = status;
    // The grab and hand-over buttons follow the status in the normal state
    // only: a request that waits keeps them disabled.
    const PeerStatusButtons buttons = CHandOverRules::ButtonsForStatus(m_nSessionState, m_bOwnSession != 0, status);
    if (buttons.apply && IsWindow()) {
        ::EnableWindow(GetDlgItem(IDC_CHAT_GRAB), buttons.grabEnabled ? TRUE : FALSE);
        ::EnableWindow(GetDlgItem(IDC_CHAT_HAND_OVER), buttons.handOverEnabled ? TRUE : FALSE);
    }
    m_tipText = CChatWindowRules::StatusTip(status);
    // A new status shows its tip in the bar (again, when the agent had
    // closed it); a status without a tip takes the bar away, so that it
    // never stands empty. A repeated status leaves the bar as it is.
    if (changed || !m_bChatInitialized) m_bTipVisible = m_tipText.empty() ? 0 : 1;
    if (!IsWindow()) return;
    LayoutControls();
    Invalidate(false);
}

std::wstring CChatMainPanel::GetCaption() const {
    const std::wstring name = m_rules.FieldText(m_customer.nickname, sizeof m_customer.nickname);
    return CChatWindowRules::Caption(m_bPeerSet != 0, name, m_counters.TypingShown(), m_displayTitle);
}

void CChatMainPanel::UpdateCaption() {
    if (IsWindow()) SetWindowText(GetCaption());
}

// --- layout and painting ------------------------------------------------

void CChatMainPanel::LayoutPanel(int* part, const RECT& client, RECT* out) {
    if (!part || !out) return;
    const int width = client.right - client.left;
    switch (*part) {
    case kPartName: *out = {26, 0, 126, kTopBarHeight}; break;
    case kPartSquare: *out = {130, 5, 146, 21}; break;
    case kPartTyping: *out = {width - 120, 6, width, 26}; break;
    default: break;
    }
}

void CChatMainPanel::PlaceControl(int id, int x, int y, int width, int height) {
    HWND control = GetDlgItem(id);
    if (control) ::MoveWindow(control, x, y, width, height, TRUE);
}

void CChatMainPanel::RecomputeTipRect(const RECT& client) {
    const int width = client.right - client.left;
    m_rcTip = {5, kTopBarHeight, width - 1, kTopBarHeight};
    if (!m_bTipVisible) return;
    HDC dc = ::GetDC(m_hWnd);
    HGDIOBJ old = ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    SIZE text = {};
    ::GetTextExtentPoint32W(dc, m_tipText.c_str(), static_cast<int>(m_tipText.size()), &text);
    TEXTMETRICW metrics = {};
    ::GetTextMetricsW(dc, &metrics);
    ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);
    // The text runs from 20 to the right edge - 16.
    const int textWidth = (m_rcTip.right - m_rcTip.left) - 36;
    m_rcTip.bottom = m_rcTip.top + CChatWindowRules::TipBarHeight(text.cx, textWidth, metrics.tmHeight);
}

void CChatMainPanel::LayoutControls() {
    if (!IsWindow()) return;
    const RECT client = GetClientRect();
    const int w = client.right - client.left;
    const int h = client.bottom - client.top;
    RecomputeTipRect(client);
    const int logTop = m_bTipVisible ? m_rcTip.bottom : kTopBarHeight;
    PlaceControl(IDC_CHAT_LOG, 5, logTop, w - 1 - 5, (h - 144) - logTop);
    for (int id = IDC_CHAT_GRAB; id <= IDC_CHAT_RELEASE_GRAB; ++id) PlaceControl(id, 16, 30, 53, 20);
    PlaceControl(IDC_CHAT_SEND_FILE, 76, 30, 53, 20);
    const int tools[] = {IDC_CHAT_FONT, IDC_CHAT_EMOTICON, IDC_CHAT_PICTURE, IDC_CHAT_SCREENSHOT};
    for (int i = 0; i < 4; ++i) PlaceControl(tools[i], 8 + 55 * i, h - 140, 50, 21);
    PlaceControl(IDC_CHAT_HISTORY, w - 71, h - 140, 70, 21);
    PlaceControl(IDC_CHAT_INPUT, 5, h - 116, w - 1 - 5, 88);
    PlaceControl(IDC_CHAT_CLOSE, w - 131, h - 24, 54, 21);
    PlaceControl(IDC_CHAT_SEND, w - 71, h - 24, 51, 21);
    PlaceControl(IDC_CHAT_SEND_OPTIONS, w - 20, h - 24, 19, 21);
    PlaceControl(IDC_CHAT_MEMO, 150, 9, 120, 16);
    HWND tipClose = GetDlgItem(IDC_CHAT_TIP_CLOSE);
    if (tipClose) {
        ::MoveWindow(tipClose, m_rcTip.right - 16, m_rcTip.top + 4, 12, 16, TRUE);
        ::ShowWindow(tipClose, m_bTipVisible ? SW_SHOW : SW_HIDE);
    }
}

bool CChatMainPanel::OnSize(UINT type, int cx, int cy) {
    CPanelBase::OnSize(type, cx, cy);
    LayoutControls();
    return true;
}

bool CChatMainPanel::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    const RECT client = GetClientRect();
    fw::CMemoryDC memory(dc, client.right, client.bottom);
    if (memory.IsValid()) {
        DrawSurface(memory, client);
        memory.CopyTo(dc);
    }
    ::EndPaint(m_hWnd, &ps);
    return true;
}

void CChatMainPanel::DrawSurface(HDC dc, const RECT& client) {
    const int w = client.right;
    const int h = client.bottom;
    fw::CBrush back(::CreateSolidBrush(RGB(0xEE, 0xF4, 0xFB)));
    ::FillRect(dc, &client, back.Get());
    // Top bar.
    if (m_chatSkin.m_bmpMainBar.Get()) TileBitmap(m_chatSkin.m_bmpMainBar.Get(), dc, 0, 0, w, kTopBarHeight);
    if (m_chatSkin.m_bmpLine3.Get()) TileBitmap(m_chatSkin.m_bmpLine3.Get(), dc, 0, h - 144, w, h - 116);
    ::SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetTextColor(dc, kCaptionTextColour);
    RECT name = {26, 6, 126, 26};
    const std::wstring nick = m_rules.FieldText(m_customer.nickname, sizeof m_customer.nickname);
    ::DrawTextW(dc, nick.c_str(), -1, &name, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    // The memo holder (1116) shows the memo itself; the signature follows.
    RECT signature = {276, 6, w - 124, 26};
    const std::wstring signatureText = m_rules.FieldText(m_customer.signature, sizeof m_customer.signature);
    ::DrawTextW(dc, signatureText.c_str(), -1, &signature, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    if (m_counters.TypingShown()) {
        // The square: a pen that moves on every tick of the notice.
        const wchar_t* frame = m_counters.TypingTicks() % 2 ? L"chat\\InputAnimate16_2.png" : L"chat\\InputAnimate16_1.png";
        Gdiplus::Graphics graphics(dc);
        Gdiplus::Image pen(ResourcePath(frame).c_str());
        if (pen.GetLastStatus() == Gdiplus::Ok) graphics.DrawImage(&pen, 130, 5, 16, 16);
    }
    if (m_counters.TypingShown()) {
        RECT typing = {w - 120, 6, w, 26};
        ::DrawTextW(dc, L"对方正在输入", -1, &typing, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
    }
    ::SelectObject(dc, oldFont);
    if (m_bTipVisible) DrawTipBar(dc);
}

void CChatMainPanel::DrawTipBar(HDC dc) {
    fw::CBrush fill(::CreateSolidBrush(kTipColour));
    ::FillRect(dc, &m_rcTip, fill.Get());
    {
        Gdiplus::Graphics graphics(dc);
        Gdiplus::Image icon(ResourcePath(L"tipWndbar\\tipWndbar000.png").c_str());
        if (icon.GetLastStatus() == Gdiplus::Ok)
            graphics.DrawImage(&icon, m_rcTip.left + 2, m_rcTip.top + 2, 16, 16);
    }
    HGDIOBJ oldFont = ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::SetBkMode(dc, TRANSPARENT);
    RECT text = {m_rcTip.left + 20, m_rcTip.top + 4, m_rcTip.right - 16, m_rcTip.bottom};
    ::DrawTextW(dc, m_tipText.c_str(), -1, &text, DT_LEFT | DT_WORDBREAK);
    ::SelectObject(dc, oldFont);
}

// --- messages ------------------------------------------------------------------

LRESULT CChatMainPanel::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT routed = 0;
    if (COfficeXPMenu::RouteOwnerMessage(msg, wParam, lParam, &routed)) return routed;
    switch (msg) {
    case WM_COMMAND:
        // The input's change notice, before the rich edit's reflection takes it.
        if (LOWORD(wParam) == IDC_CHAT_INPUT && HIWORD(wParam) == EN_CHANGE) {
            OnInputChanged();
            return 0;
        }
        break;
    case WM_TRANSFILE_STATE:
        OnFileTransferState(reinterpret_cast<const FileRequestRecord*>(wParam), static_cast<int>(lParam));
        return 0;
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == m_hMemo && m_hMemo) return OnMemoColour(reinterpret_cast<HDC>(wParam));
        break;
    case WM_SETCURSOR: return OnSetCursor(wParam, lParam);
    case WM_LBUTTONDOWN: return OnLButtonDown(wParam, lParam);
    case WM_NCHITTEST: return ::DefWindowProcW(m_hWnd, msg, wParam, lParam);
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        RECT work = {};
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        info->ptMaxSize = {work.right - work.left, work.bottom - work.top};
        info->ptMaxPosition = {work.left, work.top};
        info->ptMinTrackSize = {kMinTrackWidth, kMinTrackHeight};
        return 0;
    }
    default: break;
    }
    return CPanelBase::WindowProc(msg, wParam, lParam);
}

bool CChatMainPanel::PreTranslateMessage(MSG& msg) {
    if (m_tooltip.IsWindow()) m_tooltip.RelayEvent(&msg);
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
        OnClosePanel();
        return true;
    }
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && msg.hwnd == m_input.GetHwnd()) {
        const bool ctrl = (::GetKeyState(VK_CONTROL) & 0x8000) != 0;
        if (ctrl == (g_ClientSettings.sendMsgOpt == 1)) {
            OnSend();
            return true;
        }
        // A line break, put into the input here: the windows above (the
        // chat view and the main window) swallow Enter, and a rich edit in
        // a dialog takes Ctrl+Enter for the dialog's own keys.
        m_input.ReplaceSel(L"\r", true);
        return true;
    }
    return CPanelBase::PreTranslateMessage(msg);
}

bool CChatMainPanel::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    const int reply = CChatWindowRules::QuickReplyIndex(id);
    if (reply >= 0) {
        OnQuickReply(reply);
        return true;
    }
    switch (id) {
    case IDC_CHAT_SEND: OnSend(); return true;
    case IDC_CHAT_CLOSE:
    case IDC_PANEL_CLOSE:
    case IDCANCEL: OnClosePanel(); return true;
    case IDOK: return true;
    case IDC_CHAT_FONT: OnFont(); return true;
    case IDC_CHAT_SCREENSHOT: OnScreenShot(); return true;
    case IDC_CHAT_HISTORY: OnHistory(); return true;
    case IDC_CHAT_SEND_FILE: OnSendFile(); return true;
    case IDC_CHAT_SEND_OPTIONS: OnSendOptions(); return true;
    case ID_SEND_BY_ENTER: OnSetSendOption(0); return true;
    case ID_SEND_BY_CTRL_ENTER: OnSetSendOption(1); return true;
    case IDC_CHAT_TIP_CLOSE:
        m_bTipVisible = 0;
        LayoutControls();
        Invalidate(false);
        return true;
    case ID_QUICKREPLY_SETUP: ::SendMessageW(GetParent(), WM_QUICKREPLY_SETUP, 0, 0); return true;
    case IDC_CHAT_GRAB: OnGrab(); return true;
    case IDC_CHAT_HAND_OVER: OnHandOver(); return true;
    case IDC_CHAT_TAKE_BACK: OnTakeBack(); return true;
    case IDC_CHAT_STOP_HAND_OVER: OnStopHandOver(); return true;
    case IDC_CHAT_RELEASE_GRAB: OnReleaseGrab(); return true;
    default: break;
    }
    return CPanelBase::OnCommand(wParam, lParam);
}

bool CChatMainPanel::OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) {
    if (hdr && hdr->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(hdr);
        UINT_PTR id = hdr->idFrom;
        if (info->uFlags & TTF_IDISHWND) id = static_cast<UINT_PTR>(::GetDlgCtrlID(reinterpret_cast<HWND>(id)));
        info->hinst = ::GetModuleHandleW(nullptr);
        info->lpszText = MAKEINTRESOURCEW(id);
        *result = 0;
        return true;
    }
    return CPanelBase::OnNotify(wParam, hdr, result);
}

LRESULT CChatMainPanel::OnMemoColour(HDC dc) {
    // The holder lies on the top bar: its brush is the bar's picture, aligned
    // with the bar.
    if (!m_barBrush.Get()) {
        HBITMAP bar = m_chatSkin.m_bmpMainBar.Get();
        m_barBrush = fw::CBrush(bar ? ::CreatePatternBrush(bar) : ::CreateSolidBrush(RGB(0xEE, 0xF4, 0xFB)));
    }
    RECT holder = {};
    ::GetWindowRect(m_hMemo, &holder);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&holder), 2);
    ::SetBrushOrgEx(dc, -holder.left, -holder.top, nullptr);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, kCaptionTextColour);
    ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    return reinterpret_cast<LRESULT>(m_barBrush.Get());
}

LRESULT CChatMainPanel::OnSetCursor(WPARAM wParam, LPARAM lParam) {
    POINT pt = {};
    ::GetCursorPos(&pt);
    ::ScreenToClient(m_hWnd, &pt);
    int part = kPartName;
    RECT name = {};
    LayoutPanel(&part, GetClientRect(), &name);
    if (reinterpret_cast<HWND>(wParam) == m_hWnd && ::PtInRect(&name, pt)) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        // The name area is repainted once each time the cursor comes over it.
        if (!m_overName) {
            m_overName = true;
            InvalidateRect(name, false);
        }
        return TRUE;
    }
    m_overName = false;
    return ::DefWindowProcW(m_hWnd, WM_SETCURSOR, wParam, lParam);
}

LRESULT CChatMainPanel::OnLButtonDown(WPARAM wParam, LPARAM lParam) {
    HWND mainWnd = m_host.MainWindow();
    if (mainWnd) ::SendMessageW(mainWnd, WM_HIDE_POPUP, 0, 0);
    const POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    int part = kPartName;
    RECT name = {};
    LayoutPanel(&part, GetClientRect(), &name);
    if (::PtInRect(&name, pt) && m_bPeerSet) {
        CPanelRegistry::GetInstance()->OpenUserInfo(m_customer.userId);
        return 0;
    }
    return ::DefWindowProcW(m_hWnd, WM_LBUTTONDOWN, wParam, lParam);
}

// --- tool commands -----------------------------------------------------------

void CChatMainPanel::ApplyInputFormat(const CHARFORMATW& format) {
    m_inputFormat = format;
    m_inputFormat.cbSize = sizeof m_inputFormat;
    if (!m_input.IsWindow()) return;
    m_input.SetDefaultCharFormat(m_inputFormat);
    m_input.SetSel(0, -1);
    m_input.SetSelectionCharFormat(m_inputFormat);
    m_input.SetSelEnd();
}

void CChatMainPanel::OnFont() {
    LOGFONTW font = {};
    HDC screen = ::GetDC(nullptr);
    font.lfHeight = -::MulDiv(m_inputFormat.yHeight / 20, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
    ::ReleaseDC(nullptr, screen);
    font.lfWeight = (m_inputFormat.dwEffects & CFE_BOLD) ? FW_BOLD : FW_NORMAL;
    font.lfItalic = (m_inputFormat.dwEffects & CFE_ITALIC) ? 1 : 0;
    font.lfUnderline = (m_inputFormat.dwEffects & CFE_UNDERLINE) ? 1 : 0;
    font.lfCharSet = DEFAULT_CHARSET;
    wcsncpy_s(font.lfFaceName, LF_FACESIZE, m_inputFormat.szFaceName, _TRUNCATE);
    CHOOSEFONTW choose = {};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = m_hWnd;
    choose.lpLogFont = &font;
    choose.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT;
    choose.rgbColors = m_inputFormat.crTextColor;
    if (!::ChooseFontW(&choose)) return;
    CHARFORMATW format = m_inputFormat;
    format.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_SIZE | CFM_COLOR | CFM_FACE;
    format.dwEffects = (font.lfWeight >= FW_BOLD ? CFE_BOLD : 0) | (font.lfItalic ? CFE_ITALIC : 0) |
                       (font.lfUnderline ? CFE_UNDERLINE : 0);
    format.yHeight = choose.iPointSize * 2;  // tenths of a point to twips
    format.crTextColor = choose.rgbColors;
    wcsncpy_s(format.szFaceName, LF_FACESIZE, font.lfFaceName, _TRUNCATE);
    ApplyInputFormat(format);
    m_input.SetFocus();
}

void CChatMainPanel::OnScreenShot() {
    if (!m_engine.ScreenShot || !m_engine.ScreenShot()) return;
    if (!::OpenClipboard(m_hWnd)) return;
    HBITMAP shared = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP));
    // The clipboard owns its bitmap: take a copy before closing it.
    HBITMAP copy = shared ? static_cast<HBITMAP>(::CopyImage(shared, IMAGE_BITMAP, 0, 0, 0)) : nullptr;
    ::CloseClipboard();
    if (!copy) return;
    fw::CBitmap bitmap(copy);
    fw::CComPtr<IRichEditOle> ole = fw::CComPtr<IRichEditOle>::Adopt(m_input.GetOleInterface());
    if (ole) m_input.InsertStaticPicture(ole.Get(), bitmap.Get());
    m_input.SetFocus();
}

void CChatMainPanel::OnHistory() {
    ::SendMessageW(GetParent(), WM_EDITBTN_SEARCH, static_cast<WPARAM>(m_customer.userId),
                   static_cast<LPARAM>(m_nOwnerAgent));
}

void CChatMainPanel::OnSendFile() {
    HWND mainWnd = m_host.MainWindow();
    if (mainWnd)
        ::SendMessageW(mainWnd, WM_SEND_FILE, static_cast<WPARAM>(m_host.MyUserId()),
                       static_cast<LPARAM>(m_customer.userId));
}

void CChatMainPanel::OnSendOptions() {
    HMENU sub = m_sendOptions.GetSubMenu(0);
    if (!sub) return;
    TrackMenu(sub, GetButton(IDC_CHAT_SEND_OPTIONS).GetWindowRect());
}

void CChatMainPanel::OnSetSendOption(int option) {
    g_ClientSettings.sendMsgOpt = option;
    HMENU sub = m_sendOptions.GetSubMenu(0);
    if (!sub) return;
    ::CheckMenuItem(sub, ID_SEND_BY_ENTER, MF_BYCOMMAND | (option == 0 ? MF_CHECKED : MF_UNCHECKED));
    ::CheckMenuItem(sub, ID_SEND_BY_CTRL_ENTER, MF_BYCOMMAND | (option == 1 ? MF_CHECKED : MF_UNCHECKED));
}

void CChatMainPanel::OnQuickReply(int index) {
    const auto& replies = g_ClientSettings.quickReplies;
    if (index < 0 || static_cast<size_t>(index) >= replies.size()) return;
    m_input.SetWindowText(replies[static_cast<size_t>(index)]);
    OnSend();
}

bool CChatMainPanel::SendReplyText(const std::wstring& text) {
    if (text.empty() || !IsWindow() || !::IsWindowEnabled(m_hWnd)) return false;
    HWND send = GetDlgItem(IDC_CHAT_SEND);
    if (!send || !::IsWindowEnabled(send)) return false;
    m_input.SetWindowText(text);
    OnSend();
    return true;
}

void CChatMainPanel::PopUpQuickReplyMenu() {
    m_quickMenu = std::make_unique<COfficeXPMenu>();
    if (!m_quickMenu->CreatePopupMenu()) return;
    const auto& replies = g_ClientSettings.quickReplies;
    const size_t shown = CChatWindowRules::QuickReplyItemCount(replies.size());
    for (size_t i = 0; i < shown; ++i)
        m_quickMenu->AppendItem(MF_STRING, replies[i], ID_QUICKREPLY_FIRST + static_cast<UINT>(i));
    m_quickMenu->AppendItem(MF_SEPARATOR, std::wstring(), 0);
    m_quickMenu->AppendItem(MF_STRING, L"快捷回复菜单设置...", ID_QUICKREPLY_SETUP);
    TrackMenu(m_quickMenu->Get(), GetButton(IDC_CHAT_SEND).GetWindowRect());
}

// --- sending ----------------------------------------------------------------------

bool CChatMainPanel::IsButtonUsable(int id) const {
    HWND button = GetDlgItem(id);
    return button && ::IsWindowVisible(button) && ::IsWindowEnabled(button);
}

void CChatMainPanel::AppendNotice(const std::wstring& line) {
    m_log.AppendMessage(line.c_str(), &m_fmtNotice, &m_fmtNotice);
}

void CChatMainPanel::ShowSystemNotice(const std::wstring& text) { m_log.AppendSystemNotice(text, m_fmtNotice); }

void CChatMainPanel::ResetInput() {
    m_input.SetWindowText(L"");
    m_input.SetDefaultCharFormat(m_inputFormat);
    m_input.SetFocus();
}

void CChatMainPanel::OnSend() {
    if (!::IsWindowEnabled(GetDlgItem(IDC_CHAT_SEND))) return;
    if (m_rules.IsOffline()) {
        ShowSystemNotice(CChatWindowRules::OfflineNotice());
        return;
    }
    if (m_input.GetWindowText().empty()) {
        m_input.SetDefaultCharFormat(m_inputFormat);
        m_input.SetFocus();
        PopUpQuickReplyMenu();
        return;
    }
    const int32_t ownId = m_host.MyUserId();
    CInputMessageBuilder builder(m_codePage, [this, ownId](HBITMAP bitmap, std::wstring& name, std::wstring& path) {
        return SaveJpegImage(m_programFolder, ownId, path, name, bitmap) != 0;
    });
    const InputMessage built = builder.Build(m_input);
    if (!built.message.accepted) {
        ShowSystemNotice(CChatWindowRules::TooLongNotice());
        m_input.SetFocus();
        return;
    }
    if (built.message.notice == clientui::SendNotice::OnePictureOnly)
        ShowOnePictureOnly(clientui::SendNoticeText(clientui::SendNotice::OnePictureOnly));

    TextMsgRecord record = m_rules.MakeRecord(ownId, m_customer.userId, CChatMessageClock::ForProcess().Next());
    const size_t length = built.message.text.size() < sizeof record.text ? built.message.text.size()
                                                                         : sizeof record.text - 1;
    std::memcpy(record.text, built.message.text.data(), length);
    record.text[length] = '\0';
    if (!built.uploadName.empty()) QueueUpload(built.uploadName, built.uploadPath);
    if (m_engine.MSendTextMsg) m_engine.MSendTextMsg(&record);
    ResetInput();
}

void CChatMainPanel::QueueUpload(const std::wstring& name, const std::wstring& path) {
    ImageTransJob job;
    job.head.type = 1;
    job.head.userId = m_customer.userId;
    const std::string ansi = m_codePage.ToAnsiCut(name, sizeof job.head.name - 1);
    std::memcpy(job.head.name, ansi.c_str(), ansi.size() + 1);
    job.localPath = path;
    CImageTransfer& transfer = m_transfer ? *m_transfer : CImageTransfer::GetInstance();
    transfer.AddUploadJob(job);
}

// --- showing ------------------------------------------------------------------------

void CChatMainPanel::ShowMessage(const TextMsgRecord& record, bool sent) {
    if (!IsWindow()) return;
    if (!m_bOwnSession && !m_newest.Accept(record.date, record.time)) return;
    clientui::CMessageParser parser(m_codePage);
    const clientui::ParsedMessage parsed =
        parser.Parse(record.text, sizeof record.text, clientui::ChatFontSpec::ConversationDefault(m_codePage));
    const std::wstring name = m_rules.SenderName(record, sent, m_host.MyInfo());
    const std::wstring header = CChatWindowRules::HeaderLine(name, record.date, record.time, TodayWord());
    const CHARFORMATW body = clientui::CharFormatFromChatFont(parsed.font, m_codePage);
    m_log.AppendMessage(header, parsed, sent ? m_fmtOwn : m_fmtOther, body);
    if (!sent) {
        KillTimer(kTimerFlash);
        SetTimer(kTimerFlash, 400);
    }
}

void CChatMainPanel::OnInputChanged() {
    if (!m_counters.OnInputChanged()) return;
    SetTimer(kTimerTypingThrottle, 1000);
    if (m_engine.MProChatInputStatus) m_engine.MProChatInputStatus(m_customer.userId);
}

void CChatMainPanel::ShowTypingNotice() {
    if (m_counters.OnTypingNotice()) KillTimer(kTimerTypingDisplay);
    SetTimer(kTimerTypingDisplay, 1000);
    int part = kPartSquare;
    RelayoutPanel(this, &part);
    part = kPartTyping;
    RelayoutPanel(this, &part);
    UpdateCaption();
}

void CChatMainPanel::OnFileTransferState(const FileRequestRecord* record, int state) {
    if (!record) return;
    const bool ownSide = m_engine.MGetCurUserID && record->senderId == m_engine.MGetCurUserID();
    const std::wstring savePath = m_savePathSource ? m_savePathSource(*record) : std::wstring();
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    AppendNotice(CChatWindowRules::FileNoticeLine(now, m_rules.FileNotice(*record, state, ownSide, savePath)));
    KillTimer(kTimerFlash);
    Flash(false);
}

// --- timers ---------------------------------------------------------------------------

bool CChatMainPanel::OnTimer(UINT_PTR id) {
    switch (id) {
    case kTimerFlash: OnFlashTimer(); return true;
    case kTimerTypingThrottle: OnThrottleTimer(); return true;
    case kTimerTypingDisplay: OnTypingDisplayTimer(); return true;
    case kTimerPeerStatus:
        if (m_engine.MGetUserStatus) m_engine.MGetUserStatus(m_customer.userId);
        return true;
    case kTimerHistoryRefresh: OnHistoryRefreshTimer(); return true;
    case kTimerFirstRefresh:
        KillTimer(kTimerFirstRefresh);
        OnHistoryRefreshTimer();
        return true;
    case kTimerPictureSwap: m_log.SwapArrivedPictures(); return true;
    default: break;
    }
    return CPanelBase::OnTimer(id);
}

void CChatMainPanel::OnFlashTimer() {
    const CChatWindowCounters::FlashTick tick = m_counters.OnFlashTick();
    if (tick.flashOn) Flash(true);
    if (tick.stop) {
        Flash(false);
        KillTimer(kTimerFlash);
    }
}

void CChatMainPanel::OnThrottleTimer() {
    if (m_counters.OnThrottleTick().stop) KillTimer(kTimerTypingThrottle);
}

void CChatMainPanel::OnTypingDisplayTimer() {
    const bool stop = m_counters.OnDisplayTick().stop;
    int part = kPartSquare;
    RelayoutPanel(this, &part);
    if (!stop) return;
    KillTimer(kTimerTypingDisplay);
    part = kPartTyping;
    RelayoutPanel(this, &part);
    UpdateCaption();
}

void CChatMainPanel::OnHistoryRefreshTimer() {
    if (m_nSessionState != 1 || m_bOwnSession) return;
    if (m_engine.MRefreshMsgRecords) m_engine.MRefreshMsgRecords(m_nOwnerAgent, m_customer.userId, 1);
    RefreshHistory();
}

void CChatMainPanel::RefreshHistory() {
    std::vector<HistoryRecord> records;
    LoadHistoryFile(m_programFolder, m_host.MyUserId(), m_customer.userId, m_nOwnerAgent, records, m_newest.Date(),
                    m_newest.Time());
    for (const HistoryRecord& item : records) {
        if (item.marker >= 0) continue;
        TextMsgRecord record;
        std::memset(&record, 0, sizeof record);
        record.type = item.type;
        record.date = item.date;
        record.time = item.time;
        record.senderId = item.senderId;
        record.receiverId = item.receiverId;
        record.extraId = item.extraId;
        const size_t length = item.text.size() < sizeof record.text ? item.text.size() : sizeof record.text - 1;
        std::memcpy(record.text, item.text.data(), length);
        ShowMessage(record, false);
    }
}

// --- hand-over hooks ------------------------------------------------------------------

void CChatMainPanel::SetSessionState(int32_t state) {
    m_nSessionState = state;
    if (!IsWindow()) return;
    for (int id = IDC_CHAT_GRAB; id <= IDC_CHAT_RELEASE_GRAB; ++id) ::ShowWindow(GetDlgItem(id), SW_HIDE);
    const SessionButtonPlan plan = CHandOverRules::ButtonsFor(state, m_bOwnSession != 0, m_customer.status);
    if (plan.shownButton != 0) {
        HWND button = GetDlgItem(plan.shownButton);
        ::EnableWindow(button, plan.shownEnabled ? TRUE : FALSE);
        ::ShowWindow(button, SW_SHOW);
    }
    const auto apply = [](HWND control, ControlEnable enable) {
        if (control && enable != ControlEnable::Keep) ::EnableWindow(control, enable == ControlEnable::On);
    };
    apply(m_input.GetHwnd(), plan.input);
    apply(GetDlgItem(IDC_CHAT_SEND), plan.send);
    apply(GetDlgItem(IDC_CHAT_SEND_FILE), plan.sendFile);
}

void CChatMainPanel::ShowSwitchNotice(const SwitchCustomerRecord& record, int32_t code) {
    if (!IsWindow()) return;
    const std::wstring customer = m_rules.FieldText(m_customer.nickname, sizeof m_customer.nickname);
    const std::wstring notice =
        m_handOver.Notice(record, code, m_bOwnSession != 0, m_nSessionState, customer);
    if (!notice.empty()) AppendNotice(notice);
}

void CChatMainPanel::OnHandOver() {
    HWND mainWnd = m_host.MainWindow();
    if (mainWnd)
        ::SendMessageW(mainWnd, WM_SWITCH_CUSTOMER, static_cast<WPARAM>(m_nOwnerAgent),
                       static_cast<LPARAM>(m_customer.userId));
}

void CChatMainPanel::OnGrab() {
    const SwitchCustomerRecord record =
        CHandOverRules::GrabRecord(m_host.MyUserId(), m_nOwnerAgent, m_customer.userId);
    if (m_engine.MConfirmGrabCustomer) m_engine.MConfirmGrabCustomer(&record, kAnswerGrab);
}

void CChatMainPanel::OnTakeBack() {
    if (AskYesNo(CHandOverRules::TakeBackQuestion(), CHandOverRules::QuestionCaption()) == IDNO) return;
    OnStopHandOver();
}

void CChatMainPanel::OnStopHandOver() {
    SetSessionState(kSessionEndAsked);
    const SwitchCustomerRecord record = m_handOver.EndRecord(m_host.MyUserId(), m_nOwnerAgent, m_customer.userId);
    if (m_engine.MConfirmGrabCustomer) m_engine.MConfirmGrabCustomer(&record, kAnswerEnd);
}

void CChatMainPanel::OnReleaseGrab() {
    SetSessionState(kSessionReleaseAsked);
    const SwitchCustomerRecord record = m_handOver.EndRecord(m_host.MyUserId(), m_nOwnerAgent, m_customer.userId);
    if (m_engine.MConfirmGrabCustomer) m_engine.MConfirmGrabCustomer(&record, kAnswerRelease);
}

// --- closing ------------------------------------------------------------------------------

bool CChatMainPanel::OnClose() {
    OnClosePanel();
    return true;
}

void CChatMainPanel::OnCancel() { OnClosePanel(); }

void CChatMainPanel::OnClosePanel() {
    if (m_closing || !IsWindow()) return;
    const RECT client = GetClientRect();
    g_ClientSettings.chatPanelWidth = client.right - client.left;
    g_ClientSettings.chatPanelHeight = client.bottom - client.top;

    const int32_t ownId = m_host.MyUserId();
    const SwitchCustomerRecord* handOver =
        m_engine.MGetSwitchCustomerMsg ? m_engine.MGetSwitchCustomerMsg(m_customer.userId) : nullptr;
    if (handOver && handOver->customerId == m_customer.userId && handOver->actingAgent == ownId) {
        const int answer = AskYesNo(CHandOverRules::CloseQuestion(), CHandOverRules::QuestionCaption());
        if (answer != IDYES) return;
        if (IsButtonUsable(IDC_CHAT_STOP_HAND_OVER))
            SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CHAT_STOP_HAND_OVER, BN_CLICKED), 0);
        else if (IsButtonUsable(IDC_CHAT_RELEASE_GRAB))
            SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CHAT_RELEASE_GRAB, BN_CLICKED), 0);
    }
    m_closing = true;

    const clientui::ChatFontSpec font = clientui::ChatFontFromCharFormat(m_inputFormat, m_codePage);
    g_ClientSettings.bold = (font.effects & clientui::kChatFontBold) != 0;
    g_ClientSettings.italic = (font.effects & clientui::kChatFontItalic) != 0;
    g_ClientSettings.underline = (font.effects & clientui::kChatFontUnderline) != 0;
    g_ClientSettings.fontSize = static_cast<int>(m_inputFormat.yHeight / 20);
    g_ClientSettings.textColour = m_inputFormat.crTextColor;
    g_ClientSettings.fontName = m_inputFormat.szFaceName;
    g_ClientSettings.SaveUserConfig();

    // Everything used after the registry has let go of this object is
    // copied first: the object may be gone once CloseChatWindow returns.
    HWND mainWnd = m_host.MainWindow();
    CPanelRegistry* registry = CPanelRegistry::GetInstance();
    UserInfoBase customer = m_customer;
    if (mainWnd) ::SendMessageW(mainWnd, WM_UPDATE_SESSION_LIST, reinterpret_cast<WPARAM>(&customer), 1);
    KillTimer(kTimerPeerStatus);
    DestroyWindow();
    if (registry->Holds(this)) registry->CloseChatWindow(this);
    // From here on this object must not be touched.
    if (CPanelBase* last = registry->GetLastChatWindow()) ::ShowWindow(last->GetHwnd(), SW_SHOW);
    if (mainWnd) ::SendMessageW(mainWnd, WM_REFRESH_CHATVIEW, 0, 0);
}

// --- platform calls ------------------------------------------------------------------------

void CChatMainPanel::TrackMenu(HMENU menu, const RECT& below) {
    ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN, below.left, below.bottom, 0, m_hWnd, nullptr);
}

void CChatMainPanel::Flash(bool on) {
    HWND top = ::GetAncestor(m_hWnd, GA_ROOT);
    ::FlashWindow(top ? top : m_hWnd, on ? TRUE : FALSE);
}

int CChatMainPanel::AskYesNo(const std::wstring& text, const std::wstring& caption) {
    return fw::ShowMessageBox(m_hWnd, text, caption, MB_YESNO | MB_DEFBUTTON2);
}

void CChatMainPanel::ShowOnePictureOnly(const std::wstring& text) {
    fw::ShowMessageBox(m_hWnd, text, m_displayTitle, MB_OK);
}
