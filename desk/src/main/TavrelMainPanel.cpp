#include "TavrelMainPanel.h"

#include "DeskAutoReply.h"
#include "ConversationHost.h"
#include "DeskGlobals.h"
#include "DeskMessages.h"
#include "clientui/FailedMessageText.h"
#include "clientui/InstanceControlRule.h"
#include "TavrelMainPanelTexts.h"
#include "TrayStatusModel.h"
#include "view/IncomingMessageRouter.h"

#include "HandOverRules.h"
#include "SwitchUserListPanel.h"
#include "SwitchUserTipWnd.h"

#include "DeskResource.h"
#include "DisplayTitle.h"
#include "clientui/InstanceControl.h"
#include "TavrelApp.h"

#include "clientui/ClientSettings.h"
#include "clientui/ContactCache.h"
#include "clientui/EngineModule.h"
#include "clientui/IMUserInfoPanel.h"
#include "clientui/MainPanelCore.h"
#include "clientui/OfficeXPMenu.h"
#include "clientui/PanelDrawing.h"
#include "clientui/PanelRegistry.h"

#include "fw/MemoryDC.h"
#include "fw/MessageBoxSink.h"
#include "fw/StringUtil.h"

#include <mmsystem.h>

#include <cstring>

#include <algorithm>
#include <vector>

const wchar_t kTrayQueryMessageName[] = L"Tavrel-QueryTrayState-7E2C1F0A";

namespace {

const UINT WM_TRAY_QUERY = ::RegisterWindowMessageW(kTrayQueryMessageName);

constexpr int kCaptionStrip = 28;
constexpr int kTabItemHeight = 24;
constexpr COLORREF kTabBackground = 0xEEC366;
constexpr COLORREF kTabGradientEnd = 0xF9E5BA;
constexpr int kTabPaintMode = 2;
constexpr DWORD kTabLookFlags = 0x0F;

using namespace clientui::mainmenu;

const std::wstring kTitle = kDeskDisplayTitle;

int32_t CurrentUserId() { return g_EngineModule.MGetCurUserID ? g_EngineModule.MGetCurUserID() : 0; }

bool EngineConnected() { return g_EngineModule.MGetConnectStatus && g_EngineModule.MGetConnectStatus() != 0; }

HICON TrayIcon(int index) {
    CTavrelApp* app = CTavrelApp::GetApp();
    return app ? app->GetTrayIcon(index) : nullptr;
}

HICON ProgramIcon() { return ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME)); }

}  // namespace

CTavrelMainPanel::CTavrelMainPanel(bool manualLogon, int32_t cmdUserId)
    : CPanelBase(kTemplateId),
      m_logonPanel(kDeskDisplayTitle),
      m_bManualLogon(manualLogon),
      m_nCmdUserID(cmdUserId) {}

CTavrelMainPanel::~CTavrelMainPanel() { m_tray.Remove(); }

// ---------------------------------------------------------------------------
// Initialisation
// ---------------------------------------------------------------------------

BOOL CTavrelMainPanel::OnInitDialog() {
    CPanelBase::OnInitDialog();
    m_strCaption = kTitle;

    if (g_EngineModule.MInitModule) g_EngineModule.MInitModule(m_hWnd);
    g_hMainWnd = m_hWnd;
    // Every entry that names the profile opens it through the registry.
    CPanelRegistry::GetInstance()->SetOpener(&m_panelOpener);

    const HICON icon = ProgramIcon();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));

    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 1000, 700, SWP_NOMOVE | SWP_NOZORDER | SWP_HIDEWINDOW);
    RECT work = {};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    ::SetWindowPos(m_hWnd, nullptr, work.left + (work.right - work.left - 1000) / 2,
                   work.top + (work.bottom - work.top - 700) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);

    CIMResourceComm::LoadBitmapFile(m_skin.SkinPath(L"Resource\\MainPanel\\frame_main_panel_line_2.bmp"), m_bmpBody);
    CreateTabs();

    m_strCaption = CTavrelMainPanelTexts::NotLoggedOnCaption(kTitle);
    SetWindowText(m_strCaption);

    if (m_bManualLogon) {
        // The log-on panel runs inside this initialisation; anything but OK
        // ends the program.
        if (m_logonPanel.DoModal(m_hWnd) != IDOK) {
            ::PostQuitMessage(0);
            EndDialog(IDCANCEL);
            return FALSE;
        }
    } else {
        CMainPanelCore::StartAutomaticLogon(m_logonPanel, m_nCmdUserID);
    }

    m_hotKey.Register(m_hWnd);
    return TRUE;
}

void CTavrelMainPanel::CreateTabs() {
    m_tab.SetPaintMode(kTabPaintMode);
    m_tab.SetBkgndColour(kTabBackground, kTabGradientEnd);
    CEnTabCtrl::SetLookFlags(kTabLookFlags);
    m_tab.SubclassDlgItem(kTabControlId, m_hWnd);
    m_tab.SendMessage(TCM_SETITEMSIZE, 0, MAKELPARAM(0, kTabItemHeight));
    const RECT client = GetClientRect();
    PlaceControls(client.right, client.bottom);

    fw::CDialog* pages[] = {&m_chatView, &m_msgMgrView, &m_clientMgrView};
    const std::vector<MainTabSpec> tabs = CMainTabPlan::InitialTabs();
    for (size_t i = 0; i < tabs.size(); ++i) m_tab.AddTabPage(pages[i], tabs[i].pageTemplate, tabs[i].title);
    m_tabPlan.SetCurrentTab(0);
    m_tab.SetCurSel(0);
    m_tab.ShowTabPage(0);
}

void CTavrelMainPanel::OnDestroy() {
    m_hotKey.Unregister();
    m_tray.Remove();
    CPanelRegistry::GetInstance()->SetOpener(nullptr);
    CPanelBase::OnDestroy();
}

// ---------------------------------------------------------------------------
// Layout and painting
// ---------------------------------------------------------------------------

void CTavrelMainPanel::PlaceControls(int width, int height) {
    struct Place {
        int id, x, cx;
    };
    const Place buttons[] = {{IDC_PANEL_CLOSE, width - 35, 29}, {IDC_PANEL_MAXIMIZE, width - 56, 21},
                             {IDC_PANEL_MINIMIZE, width - 78, 22}};
    for (const Place& b : buttons)
        if (HWND button = ::GetDlgItem(m_hWnd, b.id)) ::MoveWindow(button, b.x, 1, b.cx, 18, TRUE);
    if (m_tab.IsWindow()) {
        ::MoveWindow(m_tab.GetHwnd(), 1, kCaptionStrip, width - 2, height - 2 - kCaptionStrip, TRUE);
        m_tab.PlacePages();
    }
}

bool CTavrelMainPanel::OnSize(UINT type, int cx, int cy) {
    CPanelBase::OnSize(type, cx, cy);
    if (type != SIZE_MINIMIZED) PlaceControls(cx, cy);
    Invalidate(false);
    return true;
}

bool CTavrelMainPanel::OnEraseBkgnd(HDC, LRESULT* result) {
    *result = TRUE;
    return true;
}

bool CTavrelMainPanel::OnPaint() {
    if (::IsIconic(m_hWnd)) return false;
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    const RECT client = GetClientRect();
    const int width = client.right;
    const int height = client.bottom;
    {
        fw::CMemoryDC memory(dc, width, height);
        if (memory.IsValid()) {
            ::FillRect(memory, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
            DrawBitmapTiled(m_skin.m_bmpTitle, memory, 0, 0, width, kCaptionStrip);
            if (m_skin.m_hIcon) ::DrawIconEx(memory, 10, 2, m_skin.m_hIcon, 24, 24, 0, nullptr, DI_NORMAL);
            RECT text = {40, 0, 400, kCaptionStrip};
            const int oldMode = ::SetBkMode(memory, TRANSPARENT);
            const COLORREF oldColour = ::SetTextColor(memory, RGB(255, 255, 255));
            const HGDIOBJ oldFont = ::SelectObject(memory, m_skin.m_fontBold.Get());
            ::DrawTextW(memory, m_strCaption.c_str(), static_cast<int>(m_strCaption.size()), &text,
                        DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS);
            ::SelectObject(memory, oldFont);
            ::SetTextColor(memory, oldColour);
            ::SetBkMode(memory, oldMode);
            DrawBitmapTiled(m_bmpBody, memory, 0, kCaptionStrip, width, height);
            memory.CopyTo(dc);
        }
    }
    DrawPanelFrame(dc, m_hWnd);
    ::EndPaint(m_hWnd, &ps);
    RepaintTabsUnder(ps.rcPaint);
    return true;
}

void CTavrelMainPanel::RepaintTabsUnder(const RECT& painted) {
    // The body is painted over the tab control and its pages (the skinned
    // buttons take their background from it). Their own controls are not
    // asked to paint again with this window, since the pages clip their
    // children; without this they would go on showing the body's bitmap.
    if (!m_tab.IsWindow()) return;
    RECT inTab = painted;
    ::MapWindowPoints(m_hWnd, m_tab.GetHwnd(), reinterpret_cast<POINT*>(&inTab), 2);
    const RECT tabClient = m_tab.GetClientRect();
    if (!::IntersectRect(&inTab, &inTab, &tabClient)) return;
    ::RedrawWindow(m_tab.GetHwnd(), &inTab, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

LRESULT CTavrelMainPanel::OnGetMinMaxInfo(MINMAXINFO* info) {
    FitMaximizedToWorkArea(info, SIZE{800, 600});
    return 0;
}

// ---------------------------------------------------------------------------
// Message dispatch
// ---------------------------------------------------------------------------

namespace {
// The notice about settings files that could not be read.
constexpr UINT_PTR kTimerSettingsNotice = 0x5E7;
}  // namespace

bool CTavrelMainPanel::PreTranslateMessage(MSG& msg) {
    if (msg.message == WM_KEYDOWN && (msg.wParam == VK_ESCAPE || msg.wParam == VK_RETURN)) return true;
    return CPanelBase::PreTranslateMessage(msg);
}

LRESULT CTavrelMainPanel::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INSTANCE_CONTROL) return OnInstanceControl(wParam, lParam);
    if (msg == WM_TRAY_QUERY) return OnTrayQuery(wParam);
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
    case WM_IM_MSGSENT:
        return OnMessageSent(wParam);
    case WM_IM_MSGFAILED:
        return OnMessageFailed(wParam);
    case WM_IM_CHATMSG:
        return OnChatMessage(wParam);
    case WM_IM_PEERSTATUS:
        return OnPeerStatus(wParam, lParam);
    case WM_IM_SWITCHRESULT:
    case WM_IM_SWITCHFAILED:
        return OnSwitchOutcome(msg, wParam, lParam);
    case WM_SWITCH_CUSTOMER:
        return OnSwitchCustomer(wParam, lParam);
    case WM_IM_GRABREQUEST:
        return OnGrabRequest(wParam);
    case WM_IM_TALKLIST:
        m_chatView.OnTalkList(static_cast<int32_t>(wParam), static_cast<int>(lParam));
        return 0;
    case WM_UPDATE_SESSION_LIST:
        m_chatView.UpdateSessionList(wParam, lParam);
        return 0;
    case WM_REFRESH_CHATVIEW:
        m_chatView.RefreshHistory();
        return 0;
    case WM_OPEN_CHAT:
        return OnOpenChat(wParam, lParam);
    case WM_HIDE_POPUP:
        HideChatViewPopup();
        return 0;
    case WM_IM_COMMREPLY:
        ReloadCommonReplies();
        return 0;
    case WM_IM_COMMREPLYSET:
        SetCommonReplyId(wParam, lParam);
        return 0;
    case WM_SHOW_MSGMGR:
        return OnShowMsgMgr(wParam, lParam);
    case WM_SEND_FILE:
        m_chatView.SendFile(static_cast<int32_t>(wParam), static_cast<int32_t>(lParam));
        return 0;
    case WM_IM_FILEREQUEST:
        return OnFileRequest(wParam, lParam);
    case WM_TRAY_NOTIFY:
        return OnTrayNotify(wParam, lParam);
    case WM_HOTKEY:
        return OnHotKey(wParam);
    case WM_SYSCOMMAND:
        return OnSysCommand(wParam, lParam);
    case WM_GETMINMAXINFO:
        return OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(ProgramIcon());
    case WM_NCLBUTTONDOWN:
        HideChatViewPopup();
        return CPanelBase::WindowProc(msg, wParam, lParam);
    case WM_ACTIVATE: {
        const LRESULT result = CPanelBase::WindowProc(msg, wParam, lParam);
        HideChatViewPopup();
        return result;
    }
    default:
        return CPanelBase::WindowProc(msg, wParam, lParam);
    }
}

bool CTavrelMainPanel::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    if (id >= kCmdStatusFirst && id <= kCmdStatusLast) {
        if (g_EngineModule.MProChangeUserStatus)
            g_EngineModule.MProChangeUserStatus(static_cast<int>(id - kCmdStatusFirst));
        return true;
    }
    switch (id) {
    case IDC_PANEL_CLOSE:  // the caption's close button only minimises
        OnMinimize();
        return true;
    case kCmdMyProfile:
        CPanelRegistry::GetInstance()->OpenUserInfo(g_nMyUserID);
        return true;
    case kCmdSystemSetting:
        OpenSystemSetting();
        return true;
    case kCmdOpenMainPanel:
        ShowAndActivate();
        return true;
    case kCmdExit:
        AskAndExit();
        return true;
    default:
        return CPanelBase::OnCommand(wParam, lParam);
    }
}

bool CTavrelMainPanel::OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) {
    if (hdr && hdr->idFrom == kTabControlId && hdr->code == TCN_SELCHANGE) {
        OnTabSelChange();
        *result = 0;
        return true;
    }
    return CPanelBase::OnNotify(wParam, hdr, result);
}

void CTavrelMainPanel::OnTabSelChange() {
    HideChatViewPopup();
    const int selected = m_tab.GetCurSel();
    const int previous = m_tabPlan.CurrentTab();
    if (m_tabPlan.OnSelect(selected, m_tab.GetItemCount()) == TabChoice::OpenProfile) {
        m_tab.SetCurSel(previous);
        m_tab.ShowTabPage(previous);
        CPanelRegistry::GetInstance()->OpenUserInfo(g_nMyUserID);
        return;
    }
    m_tab.ShowTabPage(selected);
}

// ---------------------------------------------------------------------------
// Engine messages
// ---------------------------------------------------------------------------

HWND CTavrelMainPanel::MessageOwner() const { return LogonPanelOpen() ? m_logonPanel.GetHwnd() : m_hWnd; }

int CTavrelMainPanel::ShowMessage(const std::wstring& text, UINT flags) {
    return fw::ShowMessageBox(MessageOwner(), text, kTitle, flags);
}

CMainPanelCore::ShowMessageFn CTavrelMainPanel::MessageBoxes() { return [this](const std::wstring& text, UINT flags) { return ShowMessage(text, flags); }; }

LRESULT CTavrelMainPanel::OnEngineConnect(WPARAM connected) {
    CMainPanelCore::OnConnectResult(connected != 0, m_logonPanel, MessageBoxes());
    return 0;
}

LRESULT CTavrelMainPanel::OnEngineLogon(WPARAM loggedOn, LPARAM code) {
    if (loggedOn) {
        // Read once per account: a reconnect's log-on keeps what the user
        // chose since.
        const int32_t self = CurrentUserId();
        if (g_ClientSettings.NeedsAccountFiles(self)) LoadAccountSettings(self);
        return 0;
    }
    CMainPanelCore::OnLogonRefused(static_cast<int>(code), m_bManualLogon, m_logonPanel, MessageBoxes());
    UpdateTray();
    m_tray.SetIcon(TrayIcon(STATUS_OFFLINE), STATUS_OFFLINE);
    return 0;
}

LRESULT CTavrelMainPanel::OnEngineLogout(WPARAM wParam) {
    if (!CMainPanelCore::OnForcedLogout(wParam, MessageBoxes())) return 0;
    RefreshStatuses(true);
    SetMyStatus(STATUS_OFFLINE);
    RepaintChatView();
    Invalidate(false);
    UpdateTray();
    return 0;
}

LRESULT CTavrelMainPanel::OnEngineNotify(WPARAM kind, LPARAM lParam) {
    const int32_t user = static_cast<int32_t>(lParam);
    switch (static_cast<int>(kind)) {
    case NOTIFY_FRIENDLIST:
        OnLoggedOn();
        break;
    case NOTIFY_NEWMSG:
        // The conversation tab routes the peer's queued messages.
        m_chatView.RouteIncoming(user);
        if (g_ClientSettings.iSound != 0) {
            const std::wstring sound = m_skin.GetProgramFolder() + L"Resource\\Sound\\msg.wav";
            ::PlaySoundW(sound.c_str(), ::GetModuleHandleW(nullptr), SND_FILENAME);
        }
        ::FlashWindow(m_hWnd, TRUE);
        // The message records read the shown history again.
        m_msgMgrView.SetReloadPending();
        break;
    case NOTIFY_STATUSLIST:
        RefreshStatuses(false);
        break;
    case NOTIFY_USERINFO:
        OnUserInfoNotice(user);
        break;
    case NOTIFY_INPUTSTATUS:
        if (IConversationHost* host = FindConversation(user)) host->ShowInputStatus();
        break;
    case NOTIFY_USERMEMO:
        RefreshUserInfo(user);
        break;
    case NOTIFY_GROUPUSERLIST:
        OnGroupUserList();
        break;
    case NOTIFY_USERLIST:
        OnUserList(user);
        break;
    case NOTIFY_ORGROLE:
        OnOrgRole(user);
        break;
    case NOTIFY_SWITCHUSERLIST:
        if (m_pSwitchPanel) m_pSwitchPanel->FillAgentList();
        break;
    case NOTIFY_TALKLIST:
        m_msgMgrView.FillCustomerList();
        m_chatView.RefreshAgentStatuses();
        break;
    case NOTIFY_USERSINFO:
        m_chatView.RefreshAgentStatuses();
        break;
    case NOTIFY_SEARCHRESULT:
        m_searchMsgView.ShowResults();
        break;
    default:
        break;
    }
    return 0;
}

void CTavrelMainPanel::OnLoggedOn() {
    m_bLoggedOn = 1;
    if (LogonPanelOpen()) m_logonPanel.PostMessage(WM_IM_CONNECT, 0, 0);

    // The engine sends the own friend list at once but posts its log-on
    // notice, so the list can come first: the account's settings are then
    // read here, so that the saved status and the quick replies are its own.
    const int32_t self = CurrentUserId();
    if (g_ClientSettings.NeedsAccountFiles(self)) LoadAccountSettings(self);

    // The own friend list comes more than once (the stored list, then the
    // server's): the icon once added stays, its tip and picture are set
    // again. Removing and adding it again would make it blink, and a shell
    // may take its time to take an icon away.
    if (!m_tray.IsShown()) m_tray.Add(m_hWnd, kTrayIconId, WM_TRAY_NOTIFY);
    m_tray.SetTip(kTitle);
    m_tray.SetIcon(TrayIcon(STATUS_ONLINE), STATUS_ONLINE);
    UpdateTray();

    if (g_ClientSettings.iState != 0 && g_EngineModule.MProChangeUserStatus)
        g_EngineModule.MProChangeUserStatus(g_ClientSettings.iState);

    RefreshQuickReplies();
    RefreshChatViewLists();
    RefreshCustomerManager();
    RefreshMessageManager();
    Invalidate(false);
}

void CTavrelMainPanel::OnUserInfoNotice(int32_t userId) {
    if (userId == -1) return;  // the engine could not store the reply
    const int32_t self = CurrentUserId();
    if (userId == self) {
        if (g_EngineModule.MGetUserInfoBase)
            if (const UserInfoBase* base = g_EngineModule.MGetUserInfoBase(self)) g_MyUserInfo = *base;
        // The status word follows the own status as last shown.
        SetMyStatus(g_nMyStatus);
        if (g_EngineModule.MGetUserInfoExt)
            if (const UserInfoExt* ext = g_EngineModule.MGetUserInfoExt(self)) g_MyUserInfoExt = *ext;
        g_nMyUserID = self;
        m_strCaption = CTavrelMainPanelTexts::LoggedOnCaption(kTitle, self, fw::FromAnsiField(g_MyUserInfoExt.fullName));
        SetWindowText(m_strCaption);
        const RECT strip = {0, 0, GetClientRect().right, kCaptionStrip};
        InvalidateRect(strip, false);
        UpdateTray();
    }
    RefreshUserInfo(userId);
}

void CTavrelMainPanel::OnOrgRole(int role) {
    const std::vector<MainTabSpec> tabs = m_tabPlan.OnOrgRole(role);
    if (tabs.empty()) return;
    const int current = m_tabPlan.CurrentTab();
    for (const MainTabSpec& tab : tabs) {
        if (tab.pageTemplate == CMainTabPlan::kSearchMsgTemplate)
            m_tab.AddTabPage(&m_searchMsgView, tab.pageTemplate, tab.title);
        else
            m_tab.InsertItem(m_tab.GetItemCount(), tab.title);
    }
    m_tab.SetCurSel(current);
    m_tab.ShowTabPage(current);
}

void CTavrelMainPanel::OnGroupUserList() {
    std::vector<GroupUserRecord> copy;
    if (g_EngineModule.MGetGroupUserList)
        if (const std::vector<GroupUserRecord>* list = g_EngineModule.MGetGroupUserList()) copy = *list;
    StoreUserCache(copy);
    // The conversation tab's team list is refreshed from the cache; the
    // message records' owner list takes agents that came after it.
    RefreshChatViewTeamList();
    m_msgMgrView.AddMissingOwners();
}

void CTavrelMainPanel::OnUserList(int32_t userId) {
    FriendMap copy;
    if (g_EngineModule.MGetFriendList)
        if (const FriendMap* map = g_EngineModule.MGetFriendList(userId)) copy = *map;
    auto cached = g_GroupUserCache.members.find(userId);
    const FriendListRecord* record = cached == g_GroupUserCache.members.end() ? nullptr : &cached->second;
    m_clientMgrView.UpdateUserCounts(userId, CClientMgrModel::MergeCachedCategories(copy, record));
}

LRESULT CTavrelMainPanel::OnUserStatus(WPARAM userId, LPARAM status) {
    const int32_t user = static_cast<int32_t>(userId);
    const int32_t value = static_cast<int32_t>(status);
    // The own status as the server confirmed it (the own id is not always
    // in the own friend list, so the status list alone would miss it).
    if (user == CurrentUserId()) {
        ApplyOwnStatus(value);
        return 0;
    }
    // Another user: the customer list (re-sorted) and the open conversation.
    SetContactStatus(user, value);
    if (IConversationHost* host = FindConversation(user)) host->SetPeerStatus(value);
    return 0;
}

LRESULT CTavrelMainPanel::OnMessageSent(WPARAM msgId) {
    TextMsgRecord record = {};
    if (g_EngineModule.MGetSendedTextMsg) g_EngineModule.MGetSendedTextMsg(static_cast<int>(msgId), &record);
    if (record.receiverId != 0)
        if (IConversationHost* host = FindConversation(record.receiverId)) host->ShowSentMessage(record);
    return 0;
}

LRESULT CTavrelMainPanel::OnMessageFailed(WPARAM msgId) {
    ShowMessage(clientui::FailedMessageText(static_cast<int32_t>(msgId)), MB_OK | MB_ICONEXCLAMATION);
    return 0;
}

LRESULT CTavrelMainPanel::OnChatMessage(WPARAM sender) {
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    const int32_t self = g_MyUserInfo.userId != 0 ? g_MyUserInfo.userId : g_nMyUserID;
    return CDeskAutoReply::ReplyTo(g_EngineModule, g_ClientSettings, g_nMyStatus, self,
                                       static_cast<int32_t>(sender), now)
               ? 1
               : 0;
}

LRESULT CTavrelMainPanel::OnPeerStatus(WPARAM userId, LPARAM status) {
    if (IConversationHost* host = FindConversation(static_cast<int32_t>(userId)))
        host->SetPeerStatus(static_cast<int32_t>(status));
    return 0;
}

LRESULT CTavrelMainPanel::OnSwitchOutcome(UINT msg, WPARAM customer, LPARAM code) {
    const int32_t id = static_cast<int32_t>(customer);
    const int32_t result = static_cast<int32_t>(code);
    IConversationHost* host = FindConversation(id);
    if (!host) return 0;  // no window: nothing to show
    const CHandOverRules rules(g_EngineModule, m_codePage);
    const int32_t state = msg == WM_IM_SWITCHRESULT ? CHandOverRules::StateAfterResult(result) : kSessionNormal;
    host->ShowSwitchOutcome(rules.StoredRecord(id), result, state);
    return 0;
}

LRESULT CTavrelMainPanel::OnSwitchCustomer(WPARAM ownerAgent, LPARAM customer) {
    if (m_pSwitchPanel) return 0;  // one hand-over dialog at a time
    const int32_t id = static_cast<int32_t>(customer);
    CSwitchUserListPanel panel(static_cast<int32_t>(ownerAgent), id);
    m_pSwitchPanel = &panel;
    const INT_PTR result = panel.DoModal(m_hWnd);
    m_pSwitchPanel = nullptr;
    // The window is looked up after the dialog: it may have closed meanwhile.
    IConversationHost* host = FindConversation(id);
    if (!host) return 0;
    if (result == IDOK) {
        // The dialog sent the request, which the engine stored.
        const CHandOverRules rules(g_EngineModule, m_codePage);
        host->ShowSwitchOutcome(rules.StoredRecord(id), kNoticeHandOverAsked, kSessionHandOverAsked);
    } else {
        host->ShowSwitchOutcome(CHandOverRules::GrabRecord(0, 0, id), kNoticeHandOverCancelled, kSessionNormal);
    }
    return 0;
}

LRESULT CTavrelMainPanel::OnGrabRequest(WPARAM customer) {
    const int32_t id = static_cast<int32_t>(customer);
    const CHandOverRules rules(g_EngineModule, m_codePage);
    SwitchCustomerRecord record = {};
    if (!rules.GrabRequestFor(id, &record)) return 0;
    CSwitchUserTipWnd tip(record, g_MyUserInfoExt);
    if (g_EngineModule.MProduceUserInfo) {
        g_EngineModule.MProduceUserInfo(record.owningAgent, 3);
        g_EngineModule.MProduceUserInfo(record.customerId, 3);
    }
    if (IConversationHost* host = FindConversation(id)) host->ShowSwitchNotice(record, kNoticeHandOverOffered);
    ::FlashWindow(m_hWnd, TRUE);
    m_tipWindows.push_back(&tip);
    const INT_PTR result = tip.DoModal(m_hWnd);
    m_tipWindows.erase(std::find(m_tipWindows.begin(), m_tipWindows.end(), &tip));
    if (result == IDOK) {
        if (g_EngineModule.MConfirmGrabCustomer) g_EngineModule.MConfirmGrabCustomer(&record, kAnswerAccept);
        // The customer's window opens as a watched session of the owner.
        OnOpenChat(static_cast<WPARAM>(record.customerId), static_cast<LPARAM>(record.owningAgent));
    } else if (g_EngineModule.MConfirmGrabCustomer) {
        g_EngineModule.MConfirmGrabCustomer(&record, kAnswerEnd);
    }
    return 0;
}

LRESULT CTavrelMainPanel::OnFileRequest(WPARAM peer, LPARAM code) {
    std::vector<FileRequestRecord> requests;
    if (g_EngineModule.MGetSendFileRequest)
        if (const std::vector<FileRequestRecord>* list = g_EngineModule.MGetSendFileRequest(static_cast<int>(peer)))
            requests = *list;
    if (requests.empty()) {
        m_chatView.ResetFileTransfer();
        return -1;
    }
    // The peer's conversation opens (or comes to the front) and the
    // file-transfer page takes the record with it.
    if (m_chatView.IsWindow()) m_chatView.OnFileRequest(requests.front(), static_cast<int>(code));
    return 1;
}

LRESULT CTavrelMainPanel::OnOpenChat(WPARAM customer, LPARAM owner) {
    if (m_chatView.IsWindow()) m_chatView.SendMessage(WM_OPEN_CHAT, customer, owner);
    m_tab.ShowTabPage(0);
    m_tab.SetCurSel(0);
    m_tabPlan.SetCurrentTab(0);
    return 0;
}

LRESULT CTavrelMainPanel::OnShowMsgMgr(WPARAM agentId, LPARAM customerId) {
    constexpr int kMsgMgrTab = 1;
    m_tab.ShowTabPage(kMsgMgrTab);
    m_tab.SetCurSel(kMsgMgrTab);
    m_tabPlan.SetCurrentTab(kMsgMgrTab);
    // The message records tab then shows that pair's history.
    m_msgMgrView.ShowPair(static_cast<int32_t>(agentId), static_cast<int32_t>(customerId));
    return 0;
}

// ---------------------------------------------------------------------------
// Shared steps
// ---------------------------------------------------------------------------

IConversationHost* CTavrelMainPanel::FindConversation(int32_t userId) {
    return IConversationHost::FromPanel(CPanelRegistry::GetInstance()->FindChatWindow(userId));
}

void CTavrelMainPanel::UpdateTray() {
    const TrayStatus status = CTrayStatusModel::Compute(g_EngineModule, kTitle);
    m_tray.SetTip(status.tip);
    m_tray.SetIcon(TrayIcon(status.iconIndex), status.iconIndex);
}

void CTavrelMainPanel::ApplyOwnStatus(int32_t status) {
    UpdateTray();
    SetMyStatus(status);
    RepaintChatView();
}

void CTavrelMainPanel::RefreshStatuses(bool offline) {
    FriendMap friends;
    if (g_EngineModule.MGetFriendList)
        if (const FriendMap* map = g_EngineModule.MGetFriendList(g_nMyUserID)) friends = *map;
    bool ownSeen = false;
    // The contacts' statuses go to the cache and the tree in one batch: one
    // at a time, each would search the whole tree.
    std::vector<std::pair<int32_t, int32_t>> statuses;
    for (const auto& category : friends) {
        for (const UserInfoBase& user : category.second) {
            const int32_t status = offline ? STATUS_OFFLINE : user.status;
            if (user.userId == g_nMyUserID) {
                ownSeen = true;
                ApplyOwnStatus(status);
                continue;
            }
            statuses.emplace_back(user.userId, status);
        }
    }
    m_chatView.SetContactStatuses(statuses);
    for (const auto& entry : statuses)
        if (IConversationHost* host = FindConversation(entry.first)) host->SetPeerStatus(entry.second);
    if (!ownSeen) {
        // The own id is not among the friends: take the own record.
        int32_t status = STATUS_OFFLINE;
        if (!offline && EngineConnected() && g_EngineModule.MGetUserInfoBase)
            if (const UserInfoBase* own = g_EngineModule.MGetUserInfoBase(g_nMyUserID)) status = own->status;
        ApplyOwnStatus(status);
    }
}

void CTavrelMainPanel::RefreshUserInfo(int32_t userId) {
    UserInfoBase base = {};
    UserInfoExt ext = {};
    if (g_EngineModule.MGetUserInfoBase)
        if (const UserInfoBase* record = g_EngineModule.MGetUserInfoBase(userId)) base = *record;
    if (g_EngineModule.MGetUserInfoExt)
        if (const UserInfoExt* record = g_EngineModule.MGetUserInfoExt(userId)) ext = *record;
    // The customer list and the friend-map cache take the new record
    // together (a user the engine does not know yet changes nothing).
    if (base.userId == userId) m_chatView.UpdateContact(base);
    if (IConversationHost* host = FindConversation(userId)) host->SetUserInfo(base, ext);
    // An open profile panel of the user shows the new records (unless it
    // holds edits not sent yet).
    if (auto* profile = dynamic_cast<CIMUserInfoPanel*>(CPanelRegistry::GetInstance()->FindPanelByUser(userId))) {
        profile->ShowWindow(SW_SHOW);
        profile->RefreshFromEngine(userId == CurrentUserId());
    }
    RepaintContactTree();
}

void CTavrelMainPanel::LoadAccountSettings(int32_t self) {
    g_nMyUserID = self;
    // Shown from the queue: this runs inside the engine's log-on notices.
    const std::wstring notice = g_ClientSettings.SetAsideDamagedAccountFiles(self);
    if (!notice.empty()) {
        m_settingsNotice = notice;
        SetTimer(kTimerSettingsNotice, 10);
    }
    g_ClientSettings.LoadUserConfig(self);
    g_ClientSettings.LoadSystemSetting(self);
    // The reply page shows the account's own quick replies.
    RefreshQuickReplies();
}

void CTavrelMainPanel::ShowSettingsNotice() {
    if (m_settingsNotice.empty()) return;
    if (!m_bLoggedOn || LogonPanelOpen()) {
        SetTimer(kTimerSettingsNotice, 500);
        return;
    }
    KillTimer(kTimerSettingsNotice);
    const std::wstring notice = std::move(m_settingsNotice);
    m_settingsNotice.clear();
    ShowMessage(notice, MB_OK | MB_ICONWARNING);
}

bool CTavrelMainPanel::OnTimer(UINT_PTR id) {
    if (id != kTimerSettingsNotice) return CPanelBase::OnTimer(id);
    ShowSettingsNotice();
    return true;
}

void CTavrelMainPanel::RefreshQuickReplies() {
    if (m_chatView.GetQuickReplyPanel().IsWindow()) m_chatView.GetQuickReplyPanel().LoadOwnReplies();
}

void CTavrelMainPanel::ReloadCommonReplies() {
    if (m_chatView.GetQuickReplyPanel().IsWindow()) m_chatView.GetQuickReplyPanel().LoadCommonReplies();
}

void CTavrelMainPanel::SetCommonReplyId(WPARAM position, LPARAM id) {
    if (m_chatView.GetQuickReplyPanel().IsWindow())
        m_chatView.GetQuickReplyPanel().SetCommonReplyId(static_cast<int>(position), static_cast<int32_t>(id));
}

void CTavrelMainPanel::RepaintChatView() {
    if (m_chatView.IsWindow()) m_chatView.Invalidate(false);
}

void CTavrelMainPanel::ShowAndActivate() {
    ShowWindow(::IsIconic(m_hWnd) ? SW_RESTORE : SW_SHOW);
    ::SetForegroundWindow(m_hWnd);
}

void CTavrelMainPanel::OpenSystemSetting() { CPanelRegistry::GetInstance()->OpenSystemSetting(); }

void CTavrelMainPanel::ShowTrayMenu() {
    CTavrelApp* app = CTavrelApp::GetApp();
    CMainPanelCore::ShowTrayMenu(m_hWnd, m_bLoggedOn, app ? app->GetStatusImageList() : nullptr, 0);
}

LRESULT CTavrelMainPanel::OnTrayNotify(WPARAM id, LPARAM mouseMessage) {
    if (id != kTrayIconId) return 0;
    switch (static_cast<UINT>(mouseMessage)) {
    case WM_RBUTTONUP:
        ShowTrayMenu();
        break;
    case WM_LBUTTONDBLCLK:
        ShowAndActivate();
        break;
    default:
        break;
    }
    return 0;
}

LRESULT CTavrelMainPanel::OnHotKey(WPARAM id) {
    if (!m_hotKey.Is(id)) return 0;
    // The placeholder conversation of customer 0 never takes the screenshot.
    if (IConversationHost* host = IConversationHost::FromPanel(
            CIncomingMessageRouter::LastCustomerWindow(CPanelRegistry::GetInstance()->GetChatWindows()))) {
        host->TakeScreenshot();
        return 0;
    }
    if (g_EngineModule.ScreenShot) g_EngineModule.ScreenShot();  // the picture stays on the clipboard
    return 0;
}

LRESULT CTavrelMainPanel::OnTrayQuery(WPARAM wParam) {
    if (wParam == 1) return m_tray.IsShown() ? m_tray.GetIconIndex() : -1;
    if (!m_tray.IsShown()) return 0;
    return ::GlobalAddAtomW(m_tray.GetTip().c_str());
}

LRESULT CTavrelMainPanel::OnInstanceControl(WPARAM wParam, LPARAM lParam) {
    const InstanceControlAction action =
        CInstanceControlRule::Decide(wParam, lParam, m_nCmdUserID, m_bLoggedOn ? CurrentUserId() : 0);
    return CMainPanelCore::OnInstanceControl(action, m_logonPanel, [this] { ShowAndActivate(); },
                                             [this] { CloseProgram(); });
}

LRESULT CTavrelMainPanel::OnSysCommand(WPARAM wParam, LPARAM lParam) {
    if ((wParam & 0xFFF0) != SC_CLOSE) return CPanelBase::OnSysCommand(wParam, lParam);
    if (EngineConnected()) {
        ShowWindow(SW_MINIMIZE);
        return 0;
    }
    EndDialog(IDCANCEL);
    return 0;
}

bool CTavrelMainPanel::OnClose() {
    // WM_CLOSE follows the rules of Alt+F4.
    OnSysCommand(SC_CLOSE, 0);
    return true;
}

void CTavrelMainPanel::AskAndExit() {
    if (ShowMessage(CTavrelMainPanelTexts::ExitQuestion(kTitle), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    CloseProgram();
}

void CTavrelMainPanel::CloseProgram() {
    // A hand-over dialog or tip window still open is cancelled first, so
    // that its modal run ends and the program can end.
    if (m_pSwitchPanel && m_pSwitchPanel->IsWindow()) m_pSwitchPanel->EndDialog(IDCANCEL);
    for (CSwitchUserTipWnd* tip : m_tipWindows)
        if (tip->IsWindow()) tip->EndDialog(IDCANCEL);
    if (!::IsIconic(m_hWnd) && !::IsZoomed(m_hWnd)) {
        const RECT window = GetWindowRect();
        g_ClientSettings.mainPanelWidth = window.right - window.left;
        g_ClientSettings.mainPanelHeight = window.bottom - window.top;
    }
    EndDialog(IDOK);
}
