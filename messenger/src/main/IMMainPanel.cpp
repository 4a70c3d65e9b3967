#include "IMMainPanel.h"

#include "ChatDispatchRules.h"
#include "IMChatPanel.h"
#include "DisplayTitle.h"
#include "IMApp.h"
#include "IMResource.h"

#include "clientui/ClientSettings.h"
#include "clientui/ChatMessageClock.h"
#include "clientui/EngineModule.h"
#include "clientui/FailedMessageText.h"
#include "clientui/IMUserInfoPanel.h"
#include "clientui/InstanceControl.h"
#include "clientui/InstanceControlRule.h"
#include "clientui/MainPanelCore.h"
#include "clientui/OfficeXPMenu.h"
#include "clientui/PanelDrawing.h"
#include "clientui/PanelRegistry.h"

#include "fw/DeviceContext.h"
#include "fw/MemoryDC.h"
#include "fw/MessageBoxSink.h"
#include "fw/StringUtil.h"

#include <commctrl.h>
#include <mmsystem.h>
#include <shlwapi.h>
#include <windowsx.h>

#include <cstring>
#include <vector>

namespace {

using Layout = CMainPanelLayout;

// Commands of the menus: the shared ones and the contacts' own.
using namespace clientui::mainmenu;
constexpr UINT kCmdContactProfile = 32814;
constexpr UINT kCmdSendMessage = 32815;

constexpr UINT kProfilePollMs = 200;
constexpr UINT kUnreadBlinkMs = 500;
constexpr size_t kMaxSearchChars = 400;

constexpr COLORREF kTextColour = 0x7B1C00;
constexpr COLORREF kLeftColumnBottom = 0xF9F3E4;
constexpr COLORREF kWhite = 0xFFFFFF;


const std::wstring kTitle = kMessengerDisplayTitle;

bool EngineConnected() { return g_EngineModule.MGetConnectStatus && g_EngineModule.MGetConnectStatus() != 0; }

RECT WorkArea() {
    RECT work = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

int Width(const RECT& rc) { return rc.right - rc.left; }
int Height(const RECT& rc) { return rc.bottom - rc.top; }

ATOM TextAtom(const std::wstring& text) { return ::GlobalAddAtomW(fw::CutWide(text, 255).c_str()); }

}  // namespace

CIMMainPanel::CIMMainPanel()
    : CPanelBase(IDD_IM_MAIN), m_logonPanel(kMessengerDisplayTitle), m_search(m_codePage) {}

CIMMainPanel::~CIMMainPanel() {
    m_tray.Remove();
    if (m_hBlinkIcon) ::DestroyIcon(m_hBlinkIcon);
}

int32_t CIMMainPanel::OwnId() const { return g_EngineModule.MGetCurUserID ? g_EngineModule.MGetCurUserID() : 0; }

// ---------------------------------------------------------------------------
// Initialisation
// ---------------------------------------------------------------------------

BOOL CIMMainPanel::OnInitDialog() {
    // 1. The panel, the about item of the system menu, the window icon.
    CPanelBase::OnInitDialog();
    SetResizable(true);
    SetMaximizable(true);
    wchar_t about[64] = {};
    if (::LoadStringW(::GetModuleHandleW(nullptr), IDS_ABOUTBOX, about, 64) > 0) {
        if (HMENU system = ::GetSystemMenu(m_hWnd, FALSE)) {
            ::AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuW(system, MF_STRING, IDM_ABOUTBOX, about);
        }
    }
    m_hIcon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    m_hBlinkIcon = static_cast<HICON>(
        ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TRAY_BLINK), IMAGE_ICON, 16, 16, 0));

    // 2. Every engine notification comes here from now on.
    if (g_EngineModule.MInitModule) g_EngineModule.MInitModule(m_hWnd);

    // 3. The own skin (the holder starts with its placeholder).
    m_mainSkin.Load(m_skin.GetProgramFolder());

    // 4. The size held in the settings (no account's settings yet).
    const SIZE size = Layout::AtLeastMinimum(g_ClientSettings.mainPanelWidth, g_ClientSettings.mainPanelHeight);
    SetWindowPos(nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    // 5-6. The friend tree, the search box and its hit list.
    CreateTree();
    CreateSearch();
    const RECT client = GetClientRect();
    PlaceChildren(client.right, client.bottom);

    // 7. The log-on: the panel runs modally here; anything but OK ends the
    // program. Or the command line's account logs on by itself.
    if (GetIMApp() && GetIMApp()->IsManualLogon()) {
        if (m_logonPanel.DoModal(m_hWnd) != IDOK) {
            ::PostQuitMessage(0);
            ShowWindow(SW_HIDE);
            return FALSE;
        }
    } else {
        CMainPanelCore::StartAutomaticLogon(m_logonPanel, GetIMApp() ? GetIMApp()->GetCmdUserID() : 0);
    }

    // 8-9. Docked at the right edge with the size held now; the own id in
    // the window text.
    Dock();
    SetWindowText(fw::FormatString(L"%ls %u", kTitle.c_str(), static_cast<unsigned>(m_user.GetBase().userId)));

    // 10-12. Hot key and tray.
    m_hotKey.Register(m_hWnd);
    AddTrayIcon();
    RefreshTrayTip();

    // 13. Shown after a log-on by hand; after an automatic one it stays
    // hidden until the user opens it from the tray.
    if (GetIMApp() && GetIMApp()->IsManualLogon()) {
        ShowWindow(SW_SHOWNORMAL);
        ::SetForegroundWindow(m_hWnd);
    } else {
        ShowWindow(SW_HIDE);
    }
    return TRUE;
}

void CIMMainPanel::CreateTree() {
    const RECT client = GetClientRect();
    const RECT rect = {1, Layout::kCaptionHeight, client.right - 1, client.bottom - Layout::kBottomHeight};
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | TVS_HASBUTTONS | TVS_LINESATROOT |
                        TVS_DISABLEDRAGDROP | TVS_SHOWSELALWAYS | TVS_FULLROWSELECT;
    if (CIMApp* app = GetIMApp()) {
        m_tree.SetFaceImages(app->GetFaceImageList());
        m_tree.SetStatusImages(app->GetStatusImageList());
    }
    // The tree lies on this window itself: its double click opens the chat
    // here.
    m_tree.SetOpenChatTarget(m_hWnd);
    m_tree.Create(m_hWnd, rect, IDC_IM_TREE, style);
    m_tree.SendMessage(TVM_SETITEMHEIGHT, CIMFriendListTree::kItemUnitHeight);
}

void CIMMainPanel::CreateSearch() {
    if (HWND edit = GetDlgItem(IDC_IM_SEARCH)) m_searchBox.Subclass(edit);
    m_searchBox.SetBitmaps(m_mainSkin.m_strSearchLeft, m_mainSkin.m_strSearchRight, m_mainSkin.m_strSearchMid,
                           m_mainSkin.m_strSearch, m_mainSkin.m_strSearchClose);
    m_searchBox.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_skin.m_fontNormal.Get()), FALSE);
    m_searchBox.ShowWindow(SW_HIDE);
    m_hitList = std::make_unique<CFindListWnd>(nullptr, kMessengerFindList);
    m_hitList->Create(m_hWnd);
}

void CIMMainPanel::Dock() {
    const RECT docked = Layout::DockedRect(WorkArea(), g_ClientSettings.mainPanelWidth,
                                           g_ClientSettings.mainPanelHeight, ::GetSystemMetrics(SM_CYCAPTION));
    SetWindowPos(nullptr, docked.left, docked.top, Width(docked), Height(docked), SWP_NOZORDER | SWP_NOACTIVATE);
}

void CIMMainPanel::AddTrayIcon() {
    m_tray.Add(m_hWnd, kTrayIconId, WM_TRAY_NOTIFY);
    m_tray.SetTip(kTitle);
    SetTrayIcon(STATUS_ONLINE);
}

void CIMMainPanel::OnDestroy() {
    ::KillTimer(m_hWnd, kUnreadTimer);
    ::KillTimer(m_hWnd, kOwnProfileTimer);
    ::KillTimer(m_hWnd, kContactProfileTimer);
    ::KillTimer(m_hWnd, kSearchPrepareTimer);
    m_hotKey.Unregister();
    m_tray.Remove();
    m_friends.clear();
    m_friendById.clear();
    CPanelBase::OnDestroy();
    // The main window's end is the program's end.
    ::PostQuitMessage(0);
}

// ---------------------------------------------------------------------------
// Layout and painting
// ---------------------------------------------------------------------------

RECT CIMMainPanel::ClientArea(int area) const { return Layout::AreaRect(area, GetClientRect()); }

RECT CIMMainPanel::WindowArea(int area) const { return Layout::AreaRect(area, GetWindowRect()); }

void CIMMainPanel::PlaceChildren(int width, int height) {
    const RECT client = {0, 0, width, height};
    const RECT buttons[] = {{width - 35, 1, width - 6, 19}, {width - 56, 1, width - 35, 19},
                            {width - 78, 1, width - 56, 19}};
    const int ids[] = {IDC_PANEL_CLOSE, IDC_PANEL_MAXIMIZE, IDC_PANEL_MINIMIZE};
    for (int i = 0; i < 3; ++i)
        if (HWND button = GetDlgItem(ids[i]))
            ::MoveWindow(button, buttons[i].left, buttons[i].top, Width(buttons[i]), Height(buttons[i]), TRUE);

    if (m_searchBox.IsWindow()) {
        const RECT area = Layout::AreaRect(Layout::kSearch, client);
        const int w = Width(area);
        m_searchBox.SetWindowSize(w, Height(area));
        m_searchBox.SetOneButton(RECT{w - 20 + 3, 5, w - 3, 18}, WM_EDITBTN_CLEAR);
        ::MoveWindow(m_searchBox.GetHwnd(), area.left, area.top, w, Height(area), TRUE);
        m_searchBox.SetEditRect(20, 4, w - 20, 17);
    }
    if (m_tree.IsWindow()) {
        const RECT area = Layout::AreaRect(Layout::kTree, client);
        ::MoveWindow(m_tree.GetHwnd(), area.left, area.top, Width(area), Height(area), TRUE);
    }
}

bool CIMMainPanel::OnSize(UINT type, int cx, int cy) {
    CPanelBase::OnSize(type, cx, cy);
    if (type != SIZE_MINIMIZED) PlaceChildren(cx, cy);
    Invalidate(false);
    return true;
}

void CIMMainPanel::InvalidateArea(int area) {
    const RECT rect = ClientArea(area);
    InvalidateRect(rect, false);
}

HBITMAP CIMMainPanel::StatusBitmap(int32_t status) {
    if (status < 0 || status > 5) return nullptr;
    if (!m_statusLoaded[status]) {
        m_statusLoaded[status] = true;
        const std::wstring path =
            fw::FormatString(L"%lsResource\\Status\\status_%d.bmp", m_skin.GetProgramFolder().c_str(), status);
        CIMResourceComm::LoadBitmapFile(path, m_statusBitmaps[status]);
    }
    return m_statusBitmaps[status].Get();
}

bool CIMMainPanel::OnPaint() {
    fw::CPaintDC paint(m_hWnd);
    if (::IsIconic(m_hWnd)) {
        const RECT client = GetClientRect();
        const int x = (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
        ::DrawIcon(paint, x, y, m_hIcon);
        return true;
    }
    const RECT client = GetClientRect();
    fw::PaintBuffered(paint, client.right, client.bottom, [&](HDC dc) { PaintSurface(dc, client.right, client.bottom); });
    DrawPanelFrame(paint, m_hWnd);
    if (m_tree.IsWindow()) m_tree.Invalidate(false);
    if (m_searchBox.IsWindow()) m_searchBox.Invalidate(false);
    return true;
}

void CIMMainPanel::PaintSurface(HDC dc, int w, int h) {
    const RECT all = {0, 0, w, h};
    ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));

    // Caption: the skin, the window icon, the display title.
    DrawBitmapTiled(m_skin.m_bmpTitle, dc, 0, 0, w, Layout::kCaptionHeight);
    if (m_hIcon) ::DrawIconEx(dc, 5, 5, m_hIcon, 16, 16, 0, nullptr, DI_NORMAL);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, kWhite);
    {
        fw::CSelectObject font(dc, m_skin.m_fontNormal.Get());
        RECT title = {26, 0, 126, Layout::kCaptionHeight};
        ::DrawTextW(dc, kTitle.c_str(), -1, &title, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
    }

    // Header band, own face, left column, bottom band.
    const int headerBottom = Layout::kCaptionHeight + Layout::kHeaderHeight;
    DrawBitmapTiled(m_mainSkin.m_bmpHeader, dc, 0, Layout::kCaptionHeight, w, headerBottom);
    const RECT face = ClientArea(Layout::kFace);
    DrawBitmapAt(dc, m_mainSkin.m_bmpFace, face.left, face.top);
    if (h - Layout::kBottomHeight > headerBottom)
        DrawGradientRect(RECT{0, headerBottom, 1, h - Layout::kBottomHeight}, kWhite, kLeftColumnBottom, dc);
    DrawBitmapTiled(m_skin.m_bmpBottom, dc, 0, h - Layout::kBottomHeight, w, h);

    PaintHeaderTexts(dc);

    DrawBitmapAt(dc, m_skin.m_bmpResize, w - kPanelGripSize, h - kPanelGripSize);
}

void CIMMainPanel::PaintHeaderTexts(HDC dc) {
    const MainHeader header = CIMMainPanelTexts::Header(g_EngineModule, GetLogonState(), kTitle);
    if (header.status >= 0) {
        const RECT status = ClientArea(Layout::kStatus);
        if (HBITMAP bitmap = StatusBitmap(header.status)) {
            const SIZE size = fw::GetBitmapSize(bitmap);
            HDC source = ::CreateCompatibleDC(dc);
            HGDIOBJ old = ::SelectObject(source, bitmap);
            ::TransparentBlt(dc, status.left, status.top, size.cx, size.cy, source, 0, 0, size.cx, size.cy, kWhite);
            ::SelectObject(source, old);
            ::DeleteDC(source);
        }
        if (m_listDown.IsNull())
            m_listDown.Load(m_skin.GetProgramFolder() + L"Resource\\Status\\listDown.png");
        if (!m_listDown.IsNull()) {
            const RECT at = {status.left + 16, status.top, status.left + 16 + m_listDown.GetWidth(),
                             status.top + m_listDown.GetHeight()};
            m_listDown.DrawTransparent(dc, at, kWhite);
        }
    }
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, kTextColour);
    {
        fw::CSelectObject font(dc, m_skin.m_fontBold.Get());
        RECT name = ClientArea(Layout::kName);
        ::DrawTextW(dc, header.nameLine.c_str(), -1, &name,
                    DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    fw::CSelectObject font(dc, m_skin.m_fontNormal.Get());
    RECT signature = ClientArea(Layout::kSignature);
    ::DrawTextW(dc, header.signatureLine.c_str(), -1, &signature,
                DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
}

LRESULT CIMMainPanel::OnGetMinMaxInfo(MINMAXINFO* info) {
    const RECT work = WorkArea();
    info->ptMaxPosition = {work.left, work.top};
    info->ptMaxSize = {Width(work), Height(work)};
    info->ptMinTrackSize = {Layout::kMinWidth, Layout::kMinHeight};
    return 0;
}

// ---------------------------------------------------------------------------
// Message dispatch
// ---------------------------------------------------------------------------

bool CIMMainPanel::PreTranslateMessage(MSG& msg) {
    if (msg.message == WM_KEYDOWN) {
        const UINT key = static_cast<UINT>(msg.wParam);
        if (HitListVisible() && (key == VK_UP || key == VK_DOWN || key == VK_RETURN)) {
            m_hitList->HandleKey(key);
            return true;
        }
        if (key == VK_ESCAPE || key == VK_RETURN) return true;
    }
    return CPanelBase::PreTranslateMessage(msg);
}

LRESULT CIMMainPanel::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INSTANCE_CONTROL) return OnInstanceControl(wParam, lParam);
    if (msg == IMStateQueryMessage()) return OnStateQuery(wParam, lParam);
    // A restarted shell gets the tray icon back.
    if (m_tray.OnShellMessage(msg)) return 0;
    if (msg == WM_MEASUREITEM || msg == WM_DRAWITEM || msg == WM_MENUCHAR) {
        LRESULT result = 0;
        if (COfficeXPMenu::RouteOwnerMessage(msg, wParam, lParam, &result)) return result;
    }
    switch (msg) {
    case WM_IM_CONNECT:
        return OnEngineConnect(wParam);
    case WM_IM_LOGON:
        return OnEngineLogon(wParam, lParam);
    case WM_IM_LOGOUT:
        return OnEngineLogout(wParam);
    case WM_IM_NOTIFY:
        return OnEngineNotify(wParam, lParam);
    case WM_IM_USERSTATUS:
        return OnUserStatus(wParam, lParam);
    case WM_IM_RECONNECTING:
        return OnReconnecting();
    case WM_OPEN_CHAT:
        return OnOpenChat(wParam);
    case WM_IM_CHATMSG:
        return OnAutoReply(wParam);
    case WM_IM_MSGSENT:
        return OnMessageSent(wParam);
    case WM_IM_MSGFAILED:
        return OnMessageFailed(wParam);
    case WM_IM_FILEREQUEST:
        return OnFileRequest(wParam, lParam);
    case WM_CONTACT_MENU:
        return OnContactMenu(wParam);
    case WM_EDITBTN_CLEAR:
        OnSearchClear();
        return 0;
    case WM_TRAY_NOTIFY:
        return OnTrayNotify(wParam, lParam);
    case WM_HOTKEY:
        return OnHotKey(wParam);
    case WM_GETMINMAXINFO:
        return OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(m_hIcon);
    case WM_NCLBUTTONDOWN:
        return OnNcLButtonDown(wParam, lParam);
    case WM_SETCURSOR:
        return OnSetCursor(wParam, lParam);
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
            ShowAbout();
            return 0;
        }
        return CPanelBase::WindowProc(msg, wParam, lParam);
    case WM_ACTIVATE: {
        const LRESULT result = CPanelBase::WindowProc(msg, wParam, lParam);
        HideHitList();
        return result;
    }
    default:
        return CPanelBase::WindowProc(msg, wParam, lParam);
    }
}

bool CIMMainPanel::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    if (id == IDC_IM_SEARCH) {
        if (HIWORD(wParam) == EN_CHANGE) {
            OnSearchChanged();
        } else if (HIWORD(wParam) == EN_KILLFOCUS) {
            HWND focus = ::GetFocus();
            const bool toHitList = m_hitList && m_hitList->IsWindow() &&
                                   (focus == m_hitList->GetHwnd() || ::IsChild(m_hitList->GetHwnd(), focus));
            if (!toHitList) HideHitList();
        }
        return true;
    }
    if (id >= kCmdStatusFirst && id <= kCmdStatusLast) {
        if (g_EngineModule.MProChangeUserStatus)
            g_EngineModule.MProChangeUserStatus(static_cast<int>(id - kCmdStatusFirst));
        return true;
    }
    switch (id) {
    case IDC_PANEL_MINIMIZE:
    case IDC_PANEL_CLOSE:
        HideAnimated();
        return true;
    case kCmdOpenMainPanel:
        ShowAndActivate();
        return true;
    case kCmdExit:
        AskAndExit();
        return true;
    case kCmdSystemSetting:
        OpenSettings();
        return true;
    case kCmdMyProfile:
        RequestProfile(OwnId(), kOwnProfileTimer);
        return true;
    case kCmdContactProfile:
        RequestProfile(m_nChosenContact, kContactProfileTimer);
        return true;
    case kCmdSendMessage:
        SendMessage(WM_OPEN_CHAT, static_cast<WPARAM>(m_nChosenContact), 0);
        return true;
    default:
        return CPanelBase::OnCommand(wParam, lParam);
    }
}

bool CIMMainPanel::OnClose() {
    // Alt+F4 and the system menu's close only hide, like the close button.
    HideAnimated();
    return true;
}

bool CIMMainPanel::OnTimer(UINT_PTR id) {
    switch (id) {
    case kUnreadTimer:
        OnUnreadTick();
        return true;
    case kOwnProfileTimer:
    case kContactProfileTimer:
        OnProfileTick(id);
        return true;
    case kSettingsNoticeTimer:
        ShowSettingsNotice();
        return true;
    case kSearchPrepareTimer:
        ::KillTimer(m_hWnd, kSearchPrepareTimer);
        m_search.Prepare(m_friends);
        return true;
    default:
        return CPanelBase::OnTimer(id);
    }
}

// ---------------------------------------------------------------------------
// Engine messages
// ---------------------------------------------------------------------------

void CIMMainPanel::ShowSettingsNotice() {
    if (LogonPanelOpen()) {
        SetTimer(kSettingsNoticeTimer, 500);
        return;
    }
    KillTimer(kSettingsNoticeTimer);
    const std::wstring notice = std::move(m_settingsNotice);
    m_settingsNotice.clear();
    if (!notice.empty()) ShowMessage(notice, MB_OK | MB_ICONWARNING);
}

HWND CIMMainPanel::MessageOwner() const {
    if (LogonPanelOpen()) return m_logonPanel.GetHwnd();
    return IsWindowVisible() ? m_hWnd : nullptr;
}

int CIMMainPanel::ShowMessage(const std::wstring& text, UINT flags) {
    return fw::ShowMessageBox(MessageOwner(), text, kTitle, flags);
}

CMainPanelCore::ShowMessageFn CIMMainPanel::MessageBoxes() { return [this](const std::wstring& text, UINT flags) { return ShowMessage(text, flags); }; }

LRESULT CIMMainPanel::OnEngineConnect(WPARAM connected) {
    CMainPanelCore::OnConnectResult(connected != 0, m_logonPanel, MessageBoxes());
    return 0;
}

LRESULT CIMMainPanel::OnEngineLogon(WPARAM loggedOn, LPARAM code) {
    if (loggedOn) {
        const int32_t self = OwnId();
        // Read once per account: a reconnect's log-on keeps what the user
        // chose since.
        if (!g_ClientSettings.NeedsAccountFiles(self)) return 0;
        // A settings file that could not be read is moved aside and the
        // user told from the queue (this runs inside the log-on).
        const std::wstring notice = g_ClientSettings.SetAsideDamagedAccountFiles(self);
        if (!notice.empty()) {
            m_settingsNotice = notice;
            SetTimer(kSettingsNoticeTimer, 10);
        }
        g_ClientSettings.LoadUserConfig(self);
        g_ClientSettings.LoadSystemSetting(self);
        return 0;
    }
    const bool manual = GetIMApp() && GetIMApp()->IsManualLogon();
    CMainPanelCore::OnLogonRefused(static_cast<int>(code), manual, m_logonPanel, MessageBoxes());
    SetTrayIcon(STATUS_OFFLINE);
    return 0;
}

LRESULT CIMMainPanel::OnEngineLogout(WPARAM wParam) {
    if (!CMainPanelCore::OnForcedLogout(wParam, MessageBoxes())) return 0;
    RefreshStatuses(true);
    Invalidate(false);
    RefreshTrayTip();
    SetTrayIcon(STATUS_OFFLINE);
    return 0;
}

LRESULT CIMMainPanel::OnReconnecting() {
    RefreshStatuses(true);
    const RECT band = {67, 40, GetClientRect().right, Layout::kCaptionHeight + 40};
    InvalidateRect(band, false);
    return 0;
}

LRESULT CIMMainPanel::OnEngineNotify(WPARAM kind, LPARAM lParam) {
    const int32_t user = static_cast<int32_t>(lParam);
    switch (static_cast<int>(kind)) {
    case NOTIFY_FRIENDLIST:
        OnFriendList();
        break;
    case NOTIFY_NEWMSG:
        OnNewMessage(user);
        break;
    case NOTIFY_STATUSLIST:
        RefreshStatuses(false);
        break;
    case NOTIFY_USERINFO:
        OnUserInfoNotice(user);
        break;
    case NOTIFY_INPUTSTATUS:
        if (CIMChatPanel* chat = FindChat(user)) chat->ShowTyping();
        break;
    case NOTIFY_USERMEMO:
        UpdateUser(user, UserUpdate::Remark);
        break;
    default:
        break;
    }
    return 0;
}

void CIMMainPanel::OnFriendList() {
    m_logonPanel.SetLogonState(kLogonStateLoggedOn);
    if (LogonPanelOpen()) m_logonPanel.PostMessage(WM_IM_CONNECT, 0, 0);
    SetTrayIcon(STATUS_ONLINE);
    if (g_ClientSettings.iState != 0 && g_EngineModule.MProChangeUserStatus)
        g_EngineModule.MProChangeUserStatus(g_ClientSettings.iState);
    FillFriendTree();
    m_searchBox.ShowWindow(SW_SHOW);
    Invalidate(false);
    SetTimer(kSearchPrepareTimer, 1);
}

void CIMMainPanel::FillFriendTree() {
    const int32_t self = OwnId();
    m_tree.DeleteAllItems();
    m_friends.clear();
    m_friendById.clear();
    if (g_EngineModule.MGetFriendList)
        if (const FriendMap* friends = g_EngineModule.MGetFriendList(self)) m_friends = *friends;
    for (const auto& category : m_friends)
        for (const UserInfoBase& record : category.second) m_friendById.emplace(record.userId, record);
    if (g_EngineModule.MGetUserInfoBase)
        if (const UserInfoBase* own = g_EngineModule.MGetUserInfoBase(self)) m_user.SetBase(*own);
    std::vector<CategoryRecord> categories;
    if (g_EngineModule.MGetUserListCategorys)
        if (const std::vector<CategoryRecord>* list = g_EngineModule.MGetUserListCategorys(self)) categories = *list;
    m_tree.InsertGroups(categories);
    m_tree.InsertFriends(m_friends);
    // The window text follows the holder's own id (it was written before an
    // automatic log-on had told it).
    SetWindowText(fw::FormatString(L"%ls %u", kTitle.c_str(), static_cast<unsigned>(m_user.GetBase().userId)));
}

void CIMMainPanel::OnNewMessage(int32_t sender) {
    if (sender <= 0) return;
    CIMChatPanel* open = FindChat(sender);
    switch (CChatDispatchRules::ForNewMessage(g_ClientSettings.bPopUp, open != nullptr)) {
    case CChatDispatchRules::NewMessageAction::OpenChat:
        OpenChat(sender);
        break;
    case CChatDispatchRules::NewMessageAction::ShowInOpenChat:
        TakeUnread(*open, sender);
        break;
    case CChatDispatchRules::NewMessageAction::FlashAndQueue:
        m_tree.FlashUser(sender, true);
        if (m_unread.Add(sender)) SetTimer(kUnreadTimer, kUnreadBlinkMs);
        break;
    }
    PlayNewMessageSound();
}

void CIMMainPanel::PlayNewMessageSound() {
    const std::wstring sound = CChatDispatchRules::SoundFile(
        g_ClientSettings, m_skin.GetProgramFolder(),
        [](const std::wstring& path) { return ::PathFileExistsW(path.c_str()) != FALSE; });
    // Played beside the message loop: the window goes on at once.
    if (!sound.empty())
        ::PlaySoundW(sound.c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT);
}

void CIMMainPanel::OnUserInfoNotice(int32_t userId) {
    if (userId <= 0) return;  // no user: the engine could not store a reply
    if (userId == m_nChosenContact) {
        m_contactProfile.MarkArrived();
    } else if (userId == OwnId()) {
        if (g_EngineModule.MGetUserInfoBase)
            if (const UserInfoBase* base = g_EngineModule.MGetUserInfoBase(userId)) m_user.SetBase(*base);
        if (g_EngineModule.MGetUserInfoExt)
            if (const UserInfoExt* ext = g_EngineModule.MGetUserInfoExt(userId)) m_user.SetExt(*ext);
        SetWindowText(fw::FormatString(L"%ls %u", kTitle.c_str(), static_cast<unsigned>(userId)));
        InvalidateArea(Layout::kName);
        InvalidateArea(Layout::kSignature);
        RefreshTrayTip();
        m_ownProfile.MarkArrived();
    }
    UpdateUser(userId, UserUpdate::Information);
}

void CIMMainPanel::UpdateUser(int32_t userId, UserUpdate update) {
    auto known = m_friendById.find(userId);
    UserInfoBase base = {};
    if (update == UserUpdate::Remark) {
        // The engine writes a remark only into the own friend list (its
        // user map keeps the remark it was last told with the user's
        // information): the shown record takes the remark alone.
        const UserInfoBase* listed = FindListedFriend(userId);
        if (!listed || known == m_friendById.end()) return;
        base = known->second;
        std::memcpy(base.memo, listed->memo, sizeof base.memo);
    } else {
        if (g_EngineModule.MGetUserInfoBase)
            if (const UserInfoBase* record = g_EngineModule.MGetUserInfoBase(userId)) base = *record;
        if (base.userId != userId) return;  // nothing known about the user
    }
    // Statuses reach the tree through the status notices and lists; the
    // status in a stored record may be older than the one shown.
    if (const FriendTreeContact* shown = m_tree.GetModel().FindContact(userId)) base.status = shown->status;
    if (known != m_friendById.end()) {
        known->second = base;
        for (auto& category : m_friends)
            for (UserInfoBase& record : category.second)
                if (record.userId == userId) record = base;
    }
    // An open chat window and an open profile of the user take the new
    // records.
    if (CIMChatPanel* chat = FindChat(userId)) chat->SetPeer(base);
    if (auto* profile = dynamic_cast<CIMUserInfoPanel*>(CPanelRegistry::GetInstance()->FindPanelByUser(userId))) {
        UserInfoExt ext = {};
        if (g_EngineModule.MGetUserInfoExt)
            if (const UserInfoExt* record = g_EngineModule.MGetUserInfoExt(userId)) ext = *record;
        profile->ShowWindow(SW_SHOW);
        profile->Refresh(userId == OwnId(), base, ext);
    }
    m_tree.UpdateUser(base);
    m_tree.Invalidate(false);
}

const UserInfoBase* CIMMainPanel::FindListedFriend(int32_t userId) const {
    const FriendMap* friends = g_EngineModule.MGetFriendList ? g_EngineModule.MGetFriendList(OwnId()) : nullptr;
    if (!friends) return nullptr;
    for (const auto& category : *friends)
        for (const UserInfoBase& record : category.second)
            if (record.userId == userId) return &record;
    return nullptr;
}

LRESULT CIMMainPanel::OnUserStatus(WPARAM userId, LPARAM status) {
    ChangeStatus(static_cast<int32_t>(userId), static_cast<int32_t>(status));
    return 0;
}

void CIMMainPanel::ChangeStatus(int32_t userId, int32_t status) {
    if (userId == OwnId()) {
        InvalidateArea(Layout::kStatus);
        InvalidateArea(Layout::kName);
        RefreshTrayTip();
        return;
    }
    m_tree.SetUserStatus(userId, status);
    auto known = m_friendById.find(userId);
    if (known != m_friendById.end()) known->second.status = status;
    if (CIMChatPanel* chat = FindChat(userId)) {
        chat->ShowStatusNotice(status);
        // A transfer whose peer comes back repeats the answer it may have missed.
        chat->GetTransferPanel().OnPeerStatus(userId, status);
    }
}

void CIMMainPanel::RefreshStatuses(bool everybodyOffline) {
    FriendMap friends;
    if (g_EngineModule.MGetFriendList)
        if (const FriendMap* map = g_EngineModule.MGetFriendList(OwnId())) friends = *map;
    for (const auto& category : friends)
        for (const UserInfoBase& user : category.second)
            ChangeStatus(user.userId, everybodyOffline ? STATUS_OFFLINE : user.status);
    m_tree.Invalidate(false);
    InvalidateArea(Layout::kStatus);
    InvalidateArea(Layout::kName);
}

CIMChatPanel* CIMMainPanel::FindChat(int32_t userId) const {
    return dynamic_cast<CIMChatPanel*>(CPanelRegistry::GetInstance()->FindChatWindow(userId));
}

LRESULT CIMMainPanel::OnOpenChat(WPARAM wParam) { return OpenChat(static_cast<int32_t>(wParam)) ? 0 : -1; }

CIMChatPanel* CIMMainPanel::OpenChat(int32_t id) {
    // A user of type 5 may write to anyone: the chat names the peer by its
    // id. A sender who is not a friend is read the same way.
    UserInfoBase own = {};
    if (g_EngineModule.MGetUserInfoBase)
        if (const UserInfoBase* record = g_EngineModule.MGetUserInfoBase(OwnId())) own = *record;
    UserInfoBase peer = {};
    static const std::map<int32_t, UserInfoBase> kNobody;
    if (!CChatDispatchRules::PeerRecordFor(id, own.userType == 5 ? kNobody : m_friendById, &peer)) return nullptr;
    m_tree.FlashUser(id, false);

    CPanelRegistry* registry = CPanelRegistry::GetInstance();
    CIMChatPanel* chat = FindChat(id);
    if (chat) {
        chat->ShowWindow(SW_SHOWNORMAL);
        TakeUnread(*chat, id);
    } else {
        chat = static_cast<CIMChatPanel*>(registry->CreatePanel(kPanelChat));
        if (!chat) return nullptr;
        chat->SetPeer(peer);
        if (!chat->Create(::GetDesktopWindow())) {
            delete chat;
            return nullptr;
        }
        ::SetForegroundWindow(chat->GetHwnd());
        chat->ShowWindow(SW_SHOWNORMAL);
        TakeUnread(*chat, id);
        registry->AddChatWindow(chat);
    }
    ::SetActiveWindow(chat->GetHwnd());
    return chat;
}

void CIMMainPanel::TakeUnread(CIMChatPanel& chat, int32_t peer) {
    CChatDispatchRules::TakeUnread(g_EngineModule, peer,
                                   [&chat](const TextMsgRecord& record) { chat.ShowMessage(record, false); });
    // The sender's messages are the chat's now.
    m_unread.Remove(peer);
}

LRESULT CIMMainPanel::OnAutoReply(WPARAM sender) {
    clientui::CSystemAnsiCodePage codePage;
    CChatDispatchRules::AutoReply(g_EngineModule, g_ClientSettings, codePage, static_cast<int32_t>(sender),
                                  CChatMessageClock::ForProcess().Next());
    return 0;
}

LRESULT CIMMainPanel::OnMessageSent(WPARAM messageId) {
    TextMsgRecord record;
    std::memset(&record, 0, sizeof record);
    if (g_EngineModule.MGetSendedTextMsg) g_EngineModule.MGetSendedTextMsg(static_cast<int>(messageId), &record);
    if (record.receiverId == 0) return 0;
    if (CIMChatPanel* chat = FindChat(record.receiverId)) chat->ShowMessage(record, true);
    return 0;
}

LRESULT CIMMainPanel::OnMessageFailed(WPARAM timeWord) {
    fw::ShowMessageBox(IsWindowVisible() ? m_hWnd : nullptr,
                       clientui::FailedMessageText(static_cast<int32_t>(timeWord)), kTitle,
                       MB_OK | MB_ICONEXCLAMATION);
    return 0;
}

LRESULT CIMMainPanel::OnFileRequest(WPARAM peerId, LPARAM code) {
    const int32_t peer = static_cast<int32_t>(peerId);
    // The engine's vector is valid only during this call.
    std::vector<FileRequestRecord> requests;
    if (g_EngineModule.MGetSendFileRequest)
        if (const std::vector<FileRequestRecord>* list = g_EngineModule.MGetSendFileRequest(peer)) requests = *list;
    CIMChatPanel* chat = OpenChat(peer);
    if (!chat) return -1;
    if (requests.empty()) {
        chat->ResetFileTransfer();
        return -1;
    }
    chat->OnFileEvent(requests.front(), static_cast<int>(code));
    return 1;
}

// ---------------------------------------------------------------------------
// Tray, menus, commands
// ---------------------------------------------------------------------------

void CIMMainPanel::SetTrayIcon(int index) {
    CIMApp* app = GetIMApp();
    m_tray.SetIcon(app ? app->GetTrayIcon(index) : nullptr, index);
}

void CIMMainPanel::RefreshTrayTip() {
    const TrayState state = ComputeTrayState(g_EngineModule, m_user.GetBase());
    m_tray.SetTip(CIMMainPanelTexts::TrayTip(kTitle, state.nickname, state.status, g_ClientSettings.bPopUp));
    SetTrayIcon(CIMMainPanelTexts::TrayIconIndex(state.status));
}

void CIMMainPanel::OnUnreadTick() {
    switch (m_unread.Tick()) {
    case CUnreadTrayList::TickAction::StopAndRefreshTip:
        RefreshTrayTip();
        KillTimer(kUnreadTimer);
        return;
    case CUnreadTrayList::TickAction::ShowWindowIcon:
        m_tray.SetIcon(m_hIcon, kWindowIconIndex);
        break;
    case CUnreadTrayList::TickAction::ShowBlinkIcon:
        m_tray.SetIcon(m_hBlinkIcon, kBlinkIconIndex);
        break;
    }
    m_tray.SetTip(CIMMainPanelTexts::UnreadTip(kTitle, fw::FromAnsiField(m_user.GetBase().nickname), m_unread.First()));
}

LRESULT CIMMainPanel::OnTrayNotify(WPARAM id, LPARAM mouseMessage) {
    if (id != kTrayIconId) return 0;
    switch (static_cast<UINT>(mouseMessage)) {
    case WM_RBUTTONUP:
        ShowTrayMenu();
        break;
    case WM_LBUTTONDBLCLK:
        if (m_unread.IsEmpty())
            ShowAndActivate();
        else
            OpenChat(m_unread.First());
        break;
    default:
        break;
    }
    return 0;
}

void CIMMainPanel::ShowTrayMenu() {
    // The messenger's menu icons are 11 pixels square.
    CMainPanelCore::ShowTrayMenu(m_hWnd, GetLogonState() == kLogonStateLoggedOn,
                                 GetIMApp() ? GetIMApp()->GetStatusImageList() : nullptr, 11);
}

void CIMMainPanel::ShowStatusMenu() {
    COfficeXPMenu menu;
    menu.SetIconSize(11, 11);
    HIMAGELIST statusIcons = GetIMApp() ? GetIMApp()->GetStatusImageList() : nullptr;
    const wchar_t* names[] = {L"在线", L"忙碌", L"离开", L"请勿打扰"};
    for (int i = 0; i < 4; ++i) menu.AppendItemWithIcon(names[i], kCmdStatusFirst + i, statusIcons, i);
    menu.AppendItem(MF_SEPARATOR, std::wstring(), 0);
    menu.AppendItem(MF_STRING, L"系统设置...", kCmdSystemSetting);
    menu.AppendItem(MF_STRING, L"我的资料...", kCmdMyProfile);
    const RECT status = WindowArea(Layout::kStatus);
    menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_TOPALIGN, status.left, status.bottom, m_hWnd);
    menu.DestroyMenu();
}

LRESULT CIMMainPanel::OnContactMenu(WPARAM userId) {
    m_nChosenContact = static_cast<int32_t>(userId);
    POINT cursor = {};
    ::GetCursorPos(&cursor);
    COfficeXPMenu menu;
    menu.AppendItem(MF_STRING, L"发送即时消息", kCmdSendMessage);
    menu.AppendItem(MF_SEPARATOR, std::wstring(), 0);
    menu.AppendItem(MF_STRING, L"查看资料", kCmdContactProfile);
    menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_TOPALIGN, cursor.x, cursor.y, m_hWnd);
    menu.DestroyMenu();
    return 0;
}

LRESULT CIMMainPanel::OnNcLButtonDown(WPARAM hitCode, LPARAM lParam) {
    HideHitList();
    const POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (hitCode == HTCAPTION) {
        const RECT status = WindowArea(Layout::kStatus);
        if (::PtInRect(&status, pt)) {
            if (GetLogonState() == kLogonStateLoggedOn) ShowStatusMenu();
            return 0;
        }
        const RECT face = WindowArea(Layout::kFace);
        if (::PtInRect(&face, pt)) {
            SendMessage(WM_COMMAND, kCmdMyProfile, 0);
            return 0;
        }
    }
    return CPanelBase::WindowProc(WM_NCLBUTTONDOWN, hitCode, lParam);
}

LRESULT CIMMainPanel::OnSetCursor(WPARAM wParam, LPARAM lParam) {
    if (EngineConnected() && reinterpret_cast<HWND>(wParam) == m_hWnd) {
        POINT pt = {};
        ::GetCursorPos(&pt);
        const RECT status = WindowArea(Layout::kStatus);
        const RECT face = WindowArea(Layout::kFace);
        if (::PtInRect(&status, pt) || ::PtInRect(&face, pt)) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
    }
    return CPanelBase::WindowProc(WM_SETCURSOR, wParam, lParam);
}

void CIMMainPanel::RequestProfile(int32_t userId, UINT_PTR timer) {
    if (g_EngineModule.MProduceUserInfo) g_EngineModule.MProduceUserInfo(userId, 3);
    (timer == kOwnProfileTimer ? m_ownProfile : m_contactProfile).Start(userId);
    SetTimer(timer, kProfilePollMs);
}

void CIMMainPanel::OnProfileTick(UINT_PTR timer) {
    CProfileRequest& request = timer == kOwnProfileTimer ? m_ownProfile : m_contactProfile;
    switch (request.Tick()) {
    case CProfileRequest::TickAction::Wait:
        return;
    case CProfileRequest::TickAction::Idle:
        KillTimer(timer);
        return;
    case CProfileRequest::TickAction::GiveUp:
        KillTimer(timer);
        ShowMessage(CIMMainPanelTexts::ProfileNotArrived(request.UserId()), MB_OK | MB_ICONINFORMATION);
        return;
    case CProfileRequest::TickAction::Open:
        KillTimer(timer);
        break;
    }
    // The profile of the user, reused when open.
    CPanelRegistry::GetInstance()->OpenUserInfo(request.UserId());
}

void CIMMainPanel::OpenSettings() {
    // The settings panel, opened on its page 1 (the opener sets it).
    CPanelRegistry::GetInstance()->OpenSystemSetting();
}

LRESULT CIMMainPanel::OnHotKey(WPARAM id) {
    // The screenshot stays on the clipboard for the user to paste.
    if (m_hotKey.Is(id) && g_EngineModule.ScreenShot)
        g_EngineModule.ScreenShot();
    return 1;
}

void CIMMainPanel::HideAnimated() {
    HideHitList();
    const RECT window = GetWindowRect();
    const RECT work = WorkArea();
    const RECT target = {work.right - Width(window), work.bottom - Layout::kCaptionHeight, work.right, work.bottom};
    if (IsWindowVisible()) ::DrawAnimatedRects(m_hWnd, IDANI_CAPTION, &window, &target);
    ShowWindow(SW_HIDE);
}

void CIMMainPanel::ShowAndActivate() {
    ShowWindow(SW_SHOWNORMAL);
    ::SetForegroundWindow(m_hWnd);
}

LRESULT CIMMainPanel::OnInstanceControl(WPARAM wParam, LPARAM lParam) {
    const int32_t cmdUserId = GetIMApp() ? GetIMApp()->GetCmdUserID() : 0;
    const InstanceControlAction action = CInstanceControlRule::Decide(wParam, lParam, cmdUserId, 0);
    return CMainPanelCore::OnInstanceControl(action, m_logonPanel, [this] { ShowAndActivate(); },
                                             [this] { CloseProgram(); });
}

void CIMMainPanel::AskAndExit() {
    if (ShowMessage(CIMMainPanelTexts::kExitQuestion, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return;
    CloseProgram();
}

void CIMMainPanel::CloseProgram() {
    KillTimer(kUnreadTimer);
    if (!::IsIconic(m_hWnd) && !::IsZoomed(m_hWnd)) {
        const RECT window = GetWindowRect();
        g_ClientSettings.mainPanelWidth = Width(window);
        g_ClientSettings.mainPanelHeight = Height(window);
    }
    DestroyWindow();
}

void CIMMainPanel::ShowAbout() {
    fw::CDialog about(IDD_ABOUTBOX);
    about.DoModal(m_hWnd);
}

LRESULT CIMMainPanel::OnStateQuery(WPARAM what, LPARAM lParam) {
    switch (what) {
    case 0:
        return m_tray.IsShown() ? TextAtom(m_tray.GetTip()) : 0;
    case 1:
        return m_tray.IsShown() ? m_tray.GetIconIndex() : -1;
    case 2: {
        std::wstring rows;
        for (HTREEITEM group = m_tree.GetRootItem(); group; group = m_tree.GetNextSiblingItem(group)) {
            if (!rows.empty()) rows += L"\n";
            rows += m_tree.GetGroupText(group);
        }
        return TextAtom(rows);
    }
    case 3: {
        const MainHeader header = CIMMainPanelTexts::Header(g_EngineModule, GetLogonState(), kTitle);
        return TextAtom(header.nameLine + L"\n" + header.signatureLine);
    }
    case 4:
        return GetLogonState();
    case 5: {
        const FriendTreeContact* contact = m_tree.GetModel().FindContact(static_cast<int32_t>(lParam));
        if (!contact) return 0;
        const auto line = CFriendTreeModel::FirstLine(*contact);
        return TextAtom(line.first + line.second);
    }
    case 6: {
        const FriendTreeContact* contact = m_tree.GetModel().FindContact(static_cast<int32_t>(lParam));
        return contact ? contact->status : -1;
    }
    default:
        return 0;
    }
}

// ---------------------------------------------------------------------------
// Search
// ---------------------------------------------------------------------------

bool CIMMainPanel::HitListVisible() const { return m_hitList && m_hitList->IsWindow() && m_hitList->IsWindowVisible(); }

void CIMMainPanel::HideHitList() {
    if (m_hitList && m_hitList->IsWindow()) m_hitList->ShowWindow(SW_HIDE);
}

void CIMMainPanel::OnSearchChanged() {
    m_searchBox.UpdateTextState();
    std::wstring text = m_searchBox.GetWindowText();
    if (text.size() > kMaxSearchChars) text = fw::CutWide(text, kMaxSearchChars);
    if (text.empty()) {
        HideHitList();
        return;
    }
    m_hitList->ClearList();
    // Placed and shown when it is hidden or the window moved; a keystroke
    // while it shows in its place only changes its rows.
    const RECT area = WindowArea(Layout::kHitList);
    const RECT now = m_hitList->GetWindowRect();
    if (!HitListVisible() || !::EqualRect(&now, &area))
        m_hitList->SetWindowPos(HWND_NOTOPMOST, area.left, area.top, Width(area), Height(area),
                                SWP_NOACTIVATE | SWP_SHOWWINDOW);
    for (const clientui::SearchHit& hit : m_search.Search(m_friends, text))
        m_hitList->AddItem(hit.displayText, hit.userId);
}

void CIMMainPanel::OnSearchClear() {
    m_searchBox.SetWindowText(L"");  // the change searches again and hides the list
    OnSearchChanged();
}
