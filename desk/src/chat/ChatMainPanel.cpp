#include "ChatMainPanel.h"

#include "clientui/BitmapTiling.h"
#include "clientui/ClientSettings.h"
#include "clientui/HistoryFile.h"
#include "clientui/PanelRegistry.h"

#include "fw/DeviceContext.h"
#include "fw/MemoryDC.h"
#include "fw/MessageBoxSink.h"

#include <commctrl.h>
#include <gdiplus.h>

#include <cstring>
#include <map>

const ChatPanelIds kDeskChatPanelIds = {
    IDC_CHAT_INPUT,      IDC_CHAT_LOG,     IDC_CHAT_SEND,      IDC_CHAT_CLOSE,        IDC_CHAT_FONT,
    IDC_CHAT_EMOTICON,   IDC_CHAT_PICTURE, IDC_CHAT_SCREENSHOT, IDC_CHAT_HISTORY,     IDC_CHAT_SEND_FILE,
    IDC_CHAT_SEND_OPTIONS, IDC_CHAT_TIP_CLOSE, IDR_CHAT_SEND_OPTIONS,
};

namespace {

constexpr int kTopBarHeight = 52;
// Where the typing notice's square stands on the top bar.
constexpr RECT kTypingSquare = {130, 5, 146, 21};
constexpr COLORREF kCaptionTextColour = 0x7B1C00;

// The state of every customer whose session a hand-over (3) or a grab (6)
// holds, as this program's windows last showed it: a window opened again
// for the customer opens in it (the engine's record does not tell a grab
// from a hand-over).
std::map<int32_t, int32_t>& HeldSessionStates() {
    static std::map<int32_t, int32_t> states;
    return states;
}

}  // namespace

CChatMainPanel::CChatMainPanel(IChatPanelHost& host, int32_t ownerAgent, CEngineModule& engine,
                               const std::wstring& programFolder, const std::wstring& displayTitle)
    : CChatPanelCore(IDD_CHAT_MAIN_PANEL, kDeskChatPanelIds, engine, programFolder),
      m_host(host),
      m_rules(engine, m_codePage),
      m_handOver(engine, m_codePage),
      m_displayTitle(displayTitle),
      m_nOwnerAgent(ownerAgent) {
    m_bOwnSession = ownerAgent == host.MyUserId() ? 1 : 0;
    m_nCaptionHeight = 0;
    // The window paints its own surface and has no caption buttons.
    m_bFrameSkin = 0;
}
CChatMainPanel::~CChatMainPanel() = default;

bool CChatMainPanel::CreateInParent(HWND parent) { return Create(parent); }

CChatMainPanel* CChatMainPanel::Open(IChatPanelHost& host, HWND parent, int32_t ownerAgent,
                                     const UserInfoBase& customer, const RECT& area, const std::wstring& displayTitle) {
    auto* window = new CChatMainPanel(host, ownerAgent, g_EngineModule, std::wstring(), displayTitle);
    window->SetPeerInfo(customer);
    window->m_createArea = area;
    window->m_hasCreateArea = true;
    if (!window->CreateInParent(parent) || !CPanelRegistry::GetInstance()->AddChatWindow(window)) {
        window->Delete();
        return nullptr;
    }
    window->MoveWindow(area);
    window->ShowWindow(SW_SHOW);
    return window;
}

// --- initialisation --------------------------------------------------------

BOOL CChatMainPanel::OnInitDialog() {
    CPanelBase::OnInitDialog();
    m_nCaptionHeight = 0;
    // Placed first and laid out once at the end: the steps between change
    // the tip bar and the buttons, each of which would lay it out again.
    m_layoutHeld = true;
    if (m_hasCreateArea)
        SetWindowPos(nullptr, m_createArea.left, m_createArea.top, m_createArea.right - m_createArea.left,
                     m_createArea.bottom - m_createArea.top, SWP_NOZORDER | SWP_NOACTIVATE);
    InitChatSession();
    m_hMemo = GetDlgItem(IDC_CHAT_MEMO);
    if (m_hMemo) ::SetWindowTextW(m_hMemo, m_memoText.c_str());
    BindButtons();

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
    // A session that a hand-over or a grab holds opens as it stands.
    const SwitchCustomerRecord stored = m_handOver.StoredRecord(m_customer.userId);
    CHandOverRules::KeepActingAgent(stored, m_host.MyUserId(), &m_heldRecord);
    const auto held = HeldSessionStates().find(m_customer.userId);
    SetSessionState(CHandOverRules::OpeningState(stored, m_host.MyUserId(), m_bOwnSession != 0, m_customer.userId,
                                                 held != HeldSessionStates().end() ? held->second : 0));

    if (m_customer.status != 0) {
        m_bTipVisible = 1;
        SetPeerStatus(m_customer.status);
    }
    m_bChatInitialized = 1;
    UpdateCaption();
    m_layoutHeld = false;
    LayoutControls();
    return TRUE;
}
void CChatMainPanel::BindButtons() {
    m_chatSkin = ChatPanelSkin::Shared(m_programFolder, ChatSkinSet::Desk);
    struct Binding {
        int id;
        const SkinButtonPaths* paths;
    };
    const Binding bindings[] = {
        {IDC_CHAT_SEND, &m_chatSkin->m_btnSend},         {IDC_CHAT_CLOSE, &m_chatSkin->m_btnClose},
        {IDC_CHAT_FONT, &m_chatSkin->m_btnSetFont},      {IDC_CHAT_EMOTICON, &m_chatSkin->m_btnSetEmo},
        {IDC_CHAT_PICTURE, &m_chatSkin->m_btnSendPic},   {IDC_CHAT_SCREENSHOT, &m_chatSkin->m_btnScreenshot},
        {IDC_CHAT_HISTORY, &m_chatSkin->m_btnShowMsg},   {IDC_CHAT_SEND_FILE, &m_chatSkin->m_btnSendFile},
        {IDC_CHAT_SEND_OPTIONS, &m_chatSkin->m_btnList}, {IDC_CHAT_GRAB, &m_chatSkin->m_btnGetLine},
        {IDC_CHAT_HAND_OVER, &m_chatSkin->m_btnSwitch},  {IDC_CHAT_TAKE_BACK, &m_chatSkin->m_btnBack},
        {IDC_CHAT_STOP_HAND_OVER, &m_chatSkin->m_btnStop}, {IDC_CHAT_RELEASE_GRAB, &m_chatSkin->m_btnBreak},
    };
    for (const Binding& b : bindings) {
        CSkinBtn& button = Button(b.id);
        if (!button.SubclassDlgItem(b.id, m_hWnd)) continue;
        button.SetBitmaps(b.paths->normal, b.paths->hover, b.paths->pressed, b.paths->normal);
    }
    CSkinBtn& tipClose = Button(IDC_CHAT_TIP_CLOSE);
    if (tipClose.SubclassDlgItem(IDC_CHAT_TIP_CLOSE, m_hWnd)) {
        const std::wstring base = ResourcePath(L"tipWndbar\\tipWndBar_closeBtn_");
        tipClose.SetBitmaps(base + L"1.png", base + L"2.png", base + L"3.png", base + L"1.png");
    }
}

bool CChatMainPanel::PreTranslateMessage(MSG& msg) {
    if (msg.message == WM_MOUSEMOVE && !m_tooltip.IsWindow() && m_bChatInitialized) AddButtonTooltips();
    return CChatPanelCore::PreTranslateMessage(msg);
}

void CChatMainPanel::AddButtonTooltips() {
    const int ids[] = {IDC_CHAT_CLOSE, IDC_CHAT_SEND, IDC_CHAT_SEND_OPTIONS, IDC_CHAT_FONT,
                       IDC_CHAT_HISTORY, IDC_CHAT_GRAB, IDC_CHAT_HAND_OVER, IDC_CHAT_TAKE_BACK,
                       IDC_CHAT_STOP_HAND_OVER, IDC_CHAT_RELEASE_GRAB, IDC_CHAT_SEND_FILE, IDC_CHAT_SCREENSHOT};
    AddTooltips(ids, sizeof ids / sizeof ids[0]);
    if (m_hMemo && m_tooltip.IsWindow()) m_tooltip.AddTool(m_hMemo, m_memoText);
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

void CChatMainPanel::OnTipBarChanged() {
    if (!IsWindow()) return;
    LayoutControls();
    Invalidate(false);
}
void CChatMainPanel::LayoutControls() {
    if (!IsWindow() || m_layoutHeld) return;
    const RECT client = GetClientRect();
    const int w = client.right - client.left;
    const int h = client.bottom - client.top;
    m_rcTip = MeasureTipBar(5, kTopBarHeight, w - 1);
    if (!m_bTipVisible) m_rcTip.bottom = m_rcTip.top;
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
    PlaceTipClose();
}

bool CChatMainPanel::OnSize(UINT type, int cx, int cy) {
    CPanelBase::OnSize(type, cx, cy);
    LayoutControls();
    return true;
}

bool CChatMainPanel::OnPaint() {
    fw::CPaintDC paint(m_hWnd);
    HDC dc = paint;
    const RECT client = GetClientRect();
    // Only the part asked for is drawn off-screen: each skinned button takes
    // the surface under it once, asking for its own small rectangle. The
    // pictures drawn through GDI+ (the tip bar's icon, the typing square)
    // are drawn into a surface of the whole window only.
    RECT box = client;
    RECT clip = {};
    if (::GetClipBox(dc, &clip) != ERROR && ::IntersectRect(&box, &client, &clip) && DrawsWithGdiplus(box))
        box = client;
    if (::IsRectEmpty(&box)) return true;
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    fw::CMemoryDC memory(dc, width, height);
    if (memory.IsValid()) {
        ::SetViewportOrgEx(memory, -box.left, -box.top, nullptr);
        DrawSurface(memory, client, box);
        ::BitBlt(dc, box.left, box.top, width, height, memory, box.left, box.top, SRCCOPY);
    }
    return true;
}

bool CChatMainPanel::DrawsWithGdiplus(const RECT& box) const {
    RECT overlap = {};
    return (m_bTipVisible && ::IntersectRect(&overlap, &box, &m_rcTip)) ||
           (m_counters.TypingShown() && ::IntersectRect(&overlap, &box, &kTypingSquare));
}

void CChatMainPanel::DrawSurface(HDC dc, const RECT& client, const RECT& box) {
    const int w = client.right;
    const int h = client.bottom;
    fw::CBrush back(::CreateSolidBrush(RGB(0xEE, 0xF4, 0xFB)));
    ::FillRect(dc, &client, back.Get());
    // Top bar.
    if (m_chatSkin && m_chatSkin->m_bmpMainBar.Get())
        TileBitmap(m_chatSkin->m_bmpMainBar.Get(), dc, 0, 0, w, kTopBarHeight);
    if (m_chatSkin && m_chatSkin->m_bmpLine3.Get())
        TileBitmap(m_chatSkin->m_bmpLine3.Get(), dc, 0, h - 144, w, h - 116);
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
    RECT overlap = {};
    if (m_counters.TypingShown() && ::IntersectRect(&overlap, &box, &kTypingSquare)) {
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
    if (m_bTipVisible && ::IntersectRect(&overlap, &box, &m_rcTip)) DrawTipBar(dc);
}

// --- messages ------------------------------------------------------------------

LRESULT CChatMainPanel::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == m_hMemo && m_hMemo) return OnMemoColour(reinterpret_cast<HDC>(wParam));
        break;
    case WM_SETCURSOR: return OnSetCursor(wParam, lParam);
    case WM_LBUTTONDOWN: return OnLButtonDown(wParam, lParam);
    case WM_NCHITTEST: return ::DefWindowProcW(m_hWnd, msg, wParam, lParam);
    default: break;
    }
    return CChatPanelCore::WindowProc(msg, wParam, lParam);
}
bool CChatMainPanel::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case IDC_CHAT_GRAB: OnGrab(); return true;
    case IDC_CHAT_HAND_OVER: OnHandOver(); return true;
    case IDC_CHAT_TAKE_BACK: OnTakeBack(); return true;
    case IDC_CHAT_STOP_HAND_OVER: OnStopHandOver(); return true;
    case IDC_CHAT_RELEASE_GRAB: OnReleaseGrab(); return true;
    default: break;
    }
    return CChatPanelCore::OnCommand(wParam, lParam);
}
LRESULT CChatMainPanel::OnMemoColour(HDC dc) {
    // The holder lies on the top bar: its brush is the bar's picture, aligned
    // with the bar.
    if (!m_barBrush.Get()) {
        HBITMAP bar = m_chatSkin ? m_chatSkin->m_bmpMainBar.Get() : nullptr;
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

void CChatMainPanel::OnHistory() {
    ::SendMessageW(GetParent(), WM_EDITBTN_SEARCH, static_cast<WPARAM>(m_customer.userId),
                   static_cast<LPARAM>(m_nOwnerAgent));
}

void CChatMainPanel::OnQuickReplySetup() { ::SendMessageW(GetParent(), WM_QUICKREPLY_SETUP, 0, 0); }

void CChatMainPanel::OnSendFile() {
    HWND mainWnd = m_host.MainWindow();
    if (mainWnd)
        ::SendMessageW(mainWnd, WM_SEND_FILE, static_cast<WPARAM>(m_host.MyUserId()),
                       static_cast<LPARAM>(m_customer.userId));
}

// --- sending ----------------------------------------------------------------------

bool CChatMainPanel::IsButtonUsable(int id) const {
    HWND button = GetDlgItem(id);
    return button && ::IsWindowVisible(button) && ::IsWindowEnabled(button);
}

TextMsgRecord CChatMainPanel::MakeSendRecord(const MessageStamp& stamp) const {
    return m_rules.MakeRecord(m_host.MyUserId(), m_customer.userId, stamp);
}
// --- showing ------------------------------------------------------------------------

void CChatMainPanel::ShowMessage(const TextMsgRecord& record, bool sent) {
    if (!IsWindow()) return;
    // A live message always shows; the history refresh skips it later.
    if (!m_bOwnSession) m_watchedLog.NoteLive(record);
    AppendRecord(record, sent);
}

void CChatMainPanel::AppendRecord(const TextMsgRecord& record, bool sent) {
    AppendMessage(record, sent, m_rules.SenderName(record, sent, m_host.MyInfo()));
}
void CChatMainPanel::OnTypingDisplay(bool typing) {
    int part = kPartSquare;
    RelayoutPanel(this, &part);
    part = kPartTyping;
    RelayoutPanel(this, &part);
    (void)typing;
    UpdateCaption();
}
// --- timers ---------------------------------------------------------------------------

bool CChatMainPanel::OnTimer(UINT_PTR id) {
    switch (id) {
    case kTimerPeerStatus:
        if (m_engine.MGetUserStatus) m_engine.MGetUserStatus(m_customer.userId);
        return true;
    case kTimerHistoryRefresh: OnHistoryRefreshTimer(); return true;
    case kTimerFirstRefresh:
        KillTimer(kTimerFirstRefresh);
        OnHistoryRefreshTimer();
        return true;
    default: break;
    }
    return CChatPanelCore::OnTimer(id);
}
void CChatMainPanel::OnHistoryRefreshTimer() {
    if (m_nSessionState != 1 || m_bOwnSession) return;
    if (m_engine.MRefreshMsgRecords) m_engine.MRefreshMsgRecords(m_nOwnerAgent, m_customer.userId, 1);
    RefreshHistory();
}

void CChatMainPanel::RefreshHistory() {
    std::vector<HistoryRecord> records;
    LoadHistoryFile(m_programFolder, m_host.MyUserId(), m_customer.userId, m_nOwnerAgent, records, m_watchedLog.Date(),
                    m_watchedLog.Time());
    CChatLogEdit::CBatch batch(m_log);
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
        if (m_watchedLog.AcceptRefreshed(record)) AppendRecord(record, false);
    }
}

// --- hand-over hooks ------------------------------------------------------------------

void CChatMainPanel::SetSessionState(int32_t state) {
    m_nSessionState = state;
    if (state == kSessionHandedOver || state == kSessionGrabbed)
        HeldSessionStates()[m_customer.userId] = state;
    else if (state == kSessionNormal)
        HeldSessionStates().erase(m_customer.userId);
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

void CChatMainPanel::ShowSwitchOutcome(const SwitchCustomerRecord& record, int32_t code, int32_t newState) {
    if (!CHandOverRules::AnswerApplies(m_nSessionState, code)) return;
    ShowSwitchNotice(record, code);
    SetSessionState(newState);
}

void CChatMainPanel::ShowSwitchNotice(const SwitchCustomerRecord& record, int32_t code) {
    if (!IsWindow()) return;
    const int32_t ownId = m_host.MyUserId();
    CHandOverRules::KeepActingAgent(record, ownId, &m_heldRecord);
    const std::wstring customer = m_rules.FieldText(m_customer.nickname, sizeof m_customer.nickname);
    const SwitchCustomerRecord named = CHandOverRules::NoticeRecord(record, m_heldRecord, ownId, m_nOwnerAgent);
    const std::wstring notice = m_handOver.Notice(named, code, m_bOwnSession != 0, m_nSessionState, customer);
    if (!notice.empty()) AppendNotice(notice);
}

void CChatMainPanel::OnHandOver() {
    HWND mainWnd = m_host.MainWindow();
    if (mainWnd)
        ::SendMessageW(mainWnd, WM_SWITCH_CUSTOMER, static_cast<WPARAM>(m_nOwnerAgent),
                       static_cast<LPARAM>(m_customer.userId));
}

void CChatMainPanel::OnGrab() {
    // The button stays disabled until the answer: one grab at a time.
    SetSessionState(kSessionGrabAsked);
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

    SaveInputFormat();

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

int CChatMainPanel::AskYesNo(const std::wstring& text, const std::wstring& caption) {
    return fw::ShowMessageBox(m_hWnd, text, caption, MB_YESNO | MB_DEFBUTTON2);
}

void CChatMainPanel::ShowOnePictureOnly(const std::wstring& text) {
    fw::ShowMessageBox(m_hWnd, text, m_displayTitle, MB_OK);
}
