#include "ChatView.h"

#include "clientui/ContactSearchList.h"
#include "IncomingMessageRouter.h"

#include "ChatMainPanel.h"
#include "DeskGlobalsChatHost.h"
#include "DeskResource.h"
#include "DisplayTitle.h"
#include "TavrelApp.h"
#include "main/DeskGlobals.h"
#include "main/DeskMessages.h"

#include "clientui/ClientSettings.h"
#include "clientui/ContactCache.h"
#include "clientui/EngineModule.h"
#include "clientui/IMResourceComm.h"
#include "clientui/OfficeXPMenu.h"
#include "clientui/PanelDrawing.h"
#include "clientui/PanelRegistry.h"
#include "clientui/StatusName.h"

#include "fw/MemoryDC.h"
#include "fw/StringUtil.h"

#include <commctrl.h>
#include <windowsx.h>

#include <string>

namespace {

constexpr int kTabHeight = 20;
constexpr int kSearchTop = 28;
constexpr int kSearchWidth = 199;
constexpr int kSearchHeight = 22;
constexpr int kTabPaintMode = 2;
constexpr COLORREF kUpperTabColour = 0xFFFFFF;
constexpr COLORREF kUpperTabEnd = 0xF5E0B0;
constexpr COLORREF kLowerTabColour = 0xF5E0B0;
constexpr COLORREF kLowerTabEnd = 0xEFEFEF;
constexpr COLORREF kStatusText = 0x7B1C00;
constexpr COLORREF kStatusFrame = 0xF9E4AB;
constexpr RECT kStatusArea = {8, 6, 108, 24};
constexpr int kStatusIconX = 11;
constexpr int kStatusIconSize = 11;
constexpr int kStatusTextX = 27;
constexpr int kStatusTextMax = 68;

constexpr UINT kCmdStatusFirst = 32800;
constexpr UINT kCmdStatusLast = 32805;
constexpr UINT kCmdMyProfile = 32810;
constexpr UINT kCmdSystemSetting = 32811;

// The item data of the upper tabs: the list kind each shows.
constexpr int kKindCustomers = 0;
constexpr int kKindTeam = 1;
constexpr int kKindRegistered = 2;
constexpr int kKindOrganisation = 3;

constexpr int kLowerTabQuickReply = 0;
constexpr int kLowerTabHistory = 1;
constexpr int kLowerTabFileTransfer = 3;

// The search box reads at most this many characters.
constexpr int kSearchTextMax = 400;
// Where the result pop-up lies, relative to the chat view's window.
constexpr RECT kSearchPopupArea = {3, 51, 200, 150};

int32_t CurrentUserId() { return g_EngineModule.MGetCurUserID ? g_EngineModule.MGetCurUserID() : 0; }

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    const size_t slash = folder.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
}

bool IsChatWindowVisible(CPanelBase* window) { return window && ::IsWindowVisible(window->GetHwnd()); }

}  // namespace

CChatView::CChatView()
    : CChildViewBase(IDD_CHAT_VIEW), m_quickReplyPage(m_replyEditor), m_transFilePanel(kDeskTransFileIds) {
    // A double-clicked reply goes out in the conversation the agent used
    // last (never the placeholder of customer 0).
    m_quickReplyPage.SetReplySender([](const std::wstring& text) {
        auto* window = dynamic_cast<CChatMainPanel*>(
            CIncomingMessageRouter::LastCustomerWindow(CPanelRegistry::GetInstance()->GetChatWindows()));
        return window != nullptr && window->SendReplyText(text);
    });
}

CChatView::~CChatView() = default;

// ---------------------------------------------------------------------------
// Initialisation
// ---------------------------------------------------------------------------

BOOL CChatView::OnInitDialog() {
    CChildViewBase::OnInitDialog();
    LoadSkin();
    m_searchPopup.Create(m_hWnd);  // hidden until a search shows it
    CreateSearchBox();
    CreateUpperTabs();
    if (m_leftList.Create(m_hWnd)) m_leftList.ShowWindow(SW_SHOW);
    CreateLowerTabs();
    const RECT client = GetClientRect();
    LayoutControls(client.right, client.bottom);
    CreatePlaceholderWindow();
    if (m_searchBox.IsWindow()) ::SetFocus(m_searchBox.GetHwnd());
    return FALSE;  // the focus is set
}

void CChatView::LoadSkin() {
    const std::wstring folder = ProgramFolder();
    CIMResourceComm::LoadBitmapFile(folder + L"Resource\\TavrelRes\\leftPanel.top.bmp", m_bmpTop);
    CIMResourceComm::LoadBitmapFile(folder + L"Resource\\Comm\\frame_bottom.bmp", m_bmpBottom);
    m_listTypeImages.Create(16, 16, ILC_COLOR24 | ILC_MASK, 8, 2);
    for (int i = 0; i < 8; ++i) {
        fw::CBitmap picture;
        if (CIMResourceComm::LoadBitmapFile(folder + fw::FormatString(L"Resource\\TavrelRes\\listType_%02d.bmp", i),
                                            picture))
            m_listTypeImages.AddMasked(picture, RGB(255, 0, 255));
    }
    LOGFONTW font = {};
    font.lfHeight = -12;
    font.lfCharSet = GB2312_CHARSET;
    lstrcpynW(font.lfFaceName, L"宋体", LF_FACESIZE);
    m_statusFont.Reset(::CreateFontIndirectW(&font));
}

void CChatView::CreateSearchBox() {
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | CEditWithButton::kEditStyle;
    HWND edit = ::CreateWindowExW(0, L"EDIT", L"", style, 0, kSearchTop, kSearchWidth, kSearchHeight, m_hWnd,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_CHAT_SEARCH_EDIT)), nullptr, nullptr);
    const std::wstring folder = ProgramFolder() + L"Resource\\comm\\search\\";
    m_searchBox.SetBitmaps(folder + L"left.bmp", folder + L"right.bmp", folder + L"mid.bmp", folder + L"search.bmp",
                           folder + L"close.bmp");
    m_searchBox.SetWindowSize(kSearchWidth, kSearchHeight);
    m_searchBox.SetSearchButtonRect({kSearchWidth - 34, 5, kSearchWidth - 22, 17});
    m_searchBox.SetClearButtonRect({kSearchWidth - 18, 5, kSearchWidth - 6, 17});
    m_searchBox.Subclass(edit);
    m_searchBox.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_statusFont.Get()), FALSE);
    m_searchBox.SetEditRect(6, 5, kSearchWidth - 38, 19);
}

void CChatView::OnSearchTextChanged() {
    m_searchBox.UpdateTextState();
    std::wstring text = m_searchBox.GetWindowText();
    if (text.size() > kSearchTextMax) text.resize(kSearchTextMax);
    if (text.empty() || !m_searchPopup.IsWindow()) {
        HideSearchPopup();
        return;
    }
    m_searchPopup.ClearList();
    RECT view = {};
    ::GetWindowRect(m_hWnd, &view);
    const RECT wanted = {view.left + kSearchPopupArea.left, view.top + kSearchPopupArea.top,
                         view.left + kSearchPopupArea.right, view.top + kSearchPopupArea.bottom};
    // While the pop-up already shows in its place (the keystrokes after the
    // first), it stays as it is: placing a top-level window costs the
    // window system a round trip for every keystroke.
    RECT shown = {};
    if (!m_searchPopup.IsWindowVisible() || !::GetWindowRect(m_searchPopup.GetHwnd(), &shown) ||
        !::EqualRect(&shown, &wanted))
        ::SetWindowPos(m_searchPopup.GetHwnd(), HWND_TOP, wanted.left, wanted.top, wanted.right - wanted.left,
                       wanted.bottom - wanted.top, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    for (const clientui::SearchHit& hit : m_contactSearch.Search(g_FriendMapCache, text))
        m_searchPopup.AddItem(hit.displayText, hit.userId);
}

void CChatView::OnSearchAheadTimer() {
    // Slices while nothing waits, for at most half a frame a tick: input
    // that comes meanwhile is handled before the next slice.
    const DWORD start = ::GetTickCount();
    bool done = false;
    do {
        done = m_contactSearch.PrepareAhead(g_FriendMapCache, kSearchAheadSlice);
    } while (!done && !::GetInputState() && ::GetTickCount() - start < kSearchAheadTickMs);
    if (done) KillTimer(kTimerSearchAhead);
}

void CChatView::HideSearchPopup() {
    if (m_searchPopup.IsWindow() && m_searchPopup.IsWindowVisible()) m_searchPopup.ShowWindow(SW_HIDE);
}

void CChatView::OnSearchKillFocus() {
    const HWND focus = ::GetFocus();
    const HWND popup = m_searchPopup.GetHwnd();
    if (popup && focus && (focus == popup || ::IsChild(popup, focus))) return;
    HideSearchPopup();
}

bool CChatView::PreTranslateMessage(MSG& msg) {
    if (msg.message == WM_KEYDOWN && msg.hwnd == m_searchBox.GetHwnd() && m_searchPopup.IsWindow() &&
        m_searchPopup.IsWindowVisible() &&
        (msg.wParam == VK_RETURN || msg.wParam == VK_UP || msg.wParam == VK_DOWN))
        return m_searchPopup.HandleKey(static_cast<UINT>(msg.wParam));
    return CChildViewBase::PreTranslateMessage(msg);
}

void CChatView::OnSearchClear() {
    // A multi-line edit reports no change for a text that is set: search
    // again here, which hides the pop-up.
    m_searchBox.SetWindowText(L"");
    OnSearchTextChanged();
}

void CChatView::CreateUpperTabs() {
    ::CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TCS_OWNERDRAWFIXED |
                      TCS_FIXEDWIDTH | TCS_TOOLTIPS, 0, kListTop, kLeftWidth, kTabHeight + 4, m_hWnd,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_CHAT_UPPER_TABS)), nullptr, nullptr);
    m_upperTabs.SetPaintMode(kTabPaintMode);
    m_upperTabs.SetBkgndColour(kUpperTabColour, kUpperTabEnd);
    m_upperTabs.SubclassDlgItem(IDC_CHAT_UPPER_TABS, m_hWnd);
    m_upperTabs.SendMessage(TCM_SETITEMSIZE, 0, MAKELPARAM(40, kTabHeight));
    m_upperTabs.SendMessage(TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_listTypeImages.Get()));
    const int kinds[] = {kKindCustomers, kKindRegistered, kKindOrganisation};
    for (int i = 0; i < 3; ++i) {
        TCITEMW item = {};
        item.mask = TCIF_IMAGE | TCIF_PARAM | TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(L"");
        item.iImage = 2 * kinds[i];
        item.lParam = kinds[i];
        m_upperTabs.SendMessage(TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
}

void CChatView::CreateLowerTabs() {
    ::CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                      TCS_OWNERDRAWFIXED, 0, 0, kRightWidth, 100, m_hWnd,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_CHAT_LOWER_TABS)), nullptr, nullptr);
    m_lowerTabs.SetPaintMode(kTabPaintMode);
    m_lowerTabs.SetBkgndColour(kLowerTabColour, kLowerTabEnd);
    m_lowerTabs.SubclassDlgItem(IDC_CHAT_LOWER_TABS, m_hWnd);
    m_lowerTabs.SendMessage(TCM_SETITEMSIZE, 0, MAKELPARAM(0, kTabHeight));
    m_lowerTabs.AddTabPage(&m_quickReplyPage, IDD_CHAT_QUICKREPLY_PAGE, L" 快捷回复 ");
    m_lowerTabs.AddTabPage(&m_historyPane, IDD_CHAT_MSG_PANEL, L" 消息记录 ");
    m_lowerTabs.AddTabPage(&m_sessionList, IDD_CHAT_SESSION_PAGE, L"对话列表");
    m_lowerTabs.AddTabPage(&m_transFilePanel, IDD_TRANSFILE_PANEL, L"文件传输");
    m_lowerTabs.InsertItem(m_lowerTabs.GetItemCount(), L" 客户印象 ");
    ShowLowerTab(kLowerTabQuickReply);
}

void CChatView::CreatePlaceholderWindow() {
    // Shown while no conversation is open; it belongs to customer 0, so it
    // is never found for a user and never taken as the last conversation.
    UserInfoBase empty = {};
    fw::CopyToAnsiField(L"昵称(分组名称)", empty.nickname);
    CChatMainPanel* placeholder = CChatMainPanel::Open(CDeskGlobalsChatHost::Instance(), m_hWnd, g_nMyUserID, empty,
                                                       ConversationArea(), kDeskDisplayTitle);
    if (placeholder) placeholder->EnableWindow(false);
}

// ---------------------------------------------------------------------------
// Layout and painting
// ---------------------------------------------------------------------------

RECT CChatView::ConversationArea() const {
    const RECT client = GetClientRect();
    RECT area = {client.left + kLeftWidth + 1, client.top, client.right - kRightWidth, client.bottom};
    if (area.right < area.left) area.right = area.left;
    return area;
}

int CChatView::LayoutControls(int width, int height) {
    const int upperHeight = kTabHeight + 4;
    if (m_searchBox.IsWindow()) ::MoveWindow(m_searchBox.GetHwnd(), 0, kSearchTop, kSearchWidth, kSearchHeight, TRUE);
    if (m_upperTabs.IsWindow()) ::MoveWindow(m_upperTabs.GetHwnd(), 0, kListTop, kLeftWidth, upperHeight, TRUE);
    if (m_leftList.IsWindow()) {
        // Directly below the upper tabs, down to 27 pixels above the bottom.
        const int top = kListTop + upperHeight;
        const int bottom = height - 27;
        ::MoveWindow(m_leftList.GetHwnd(), 0, top, kLeftWidth, bottom > top ? bottom - top : 0, TRUE);
    }
    if (m_lowerTabs.IsWindow()) {
        ::MoveWindow(m_lowerTabs.GetHwnd(), width - kRightWidth, 0, kRightWidth,
                     height > kBottomBar ? height - kBottomBar : 0, TRUE);
        m_lowerTabs.PlacePages();
    }
    LayoutConversations();
    Invalidate(false);
    return 0;
}

void CChatView::LayoutConversations() {
    if (!m_hWnd) return;
    CPanelRegistry::GetInstance()->LayoutChatWindows(ConversationArea());
}

bool CChatView::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    const RECT client = GetClientRect();
    {
        fw::CMemoryDC memory(dc, client.right, client.bottom);
        if (memory.IsValid()) {
            ::FillRect(memory, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
            DrawBitmapTiled(m_bmpTop, memory, 0, 0, kLeftWidth, 56);
            DrawStatusArea(memory);
            DrawBitmapTiled(m_bmpBottom, memory, 0, client.bottom - kBottomBar, client.right, client.bottom);
            memory.CopyTo(dc);
        }
    }
    ::EndPaint(m_hWnd, &ps);
    return true;
}

void CChatView::DrawStatusArea(HDC dc) {
    const int status = g_nMyStatus >= 0 && g_nMyStatus <= 5 ? g_nMyStatus : 5;
    const int middle = (kStatusArea.top + kStatusArea.bottom) / 2;
    // The status icon of the application's list (its mask makes the
    // corners transparent).
    CTavrelApp* app = CTavrelApp::GetApp();
    if (HICON icon = app ? app->GetStatusIcon(status) : nullptr)
        ::DrawIconEx(dc, kStatusIconX, middle - kStatusIconSize / 2, icon, kStatusIconSize, kStatusIconSize, 0,
                     nullptr, DI_NORMAL);
    std::wstring name;
    GetStatusName(status, name);
    const HGDIOBJ oldFont = ::SelectObject(dc, m_statusFont.Get());
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = ::SetTextColor(dc, kStatusText);
    RECT text = {kStatusTextX, kStatusArea.top, kStatusTextX + kStatusTextMax, kStatusArea.bottom};
    RECT measured = text;
    ::DrawTextW(dc, name.c_str(), static_cast<int>(name.size()), &measured,
                DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_CALCRECT | DT_END_ELLIPSIS);
    ::DrawTextW(dc, name.c_str(), static_cast<int>(name.size()), &text,
                DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS);
    // The drop-down mark right after the text: a small filled triangle.
    const int markX = (measured.right < text.right ? measured.right : text.right) + 4;
    POINT mark[3] = {{markX, middle - 1}, {markX + 6, middle - 1}, {markX + 3, middle + 2}};
    fw::CBrush markBrush(::CreateSolidBrush(kStatusText));
    fw::CPen markPen(::CreatePen(PS_SOLID, 1, kStatusText));
    const HGDIOBJ oldBrush = ::SelectObject(dc, markBrush.Get());
    const HGDIOBJ oldPen = ::SelectObject(dc, markPen.Get());
    ::Polygon(dc, mark, 3);
    if (m_overStatus) {
        fw::CPen framePen(::CreatePen(PS_SOLID, 1, kStatusFrame));
        ::SelectObject(dc, framePen.Get());
        ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
        ::RoundRect(dc, kStatusArea.left, kStatusArea.top, kStatusArea.right, kStatusArea.bottom, 3, 3);
        ::SelectObject(dc, markPen.Get());
    }
    ::SelectObject(dc, oldPen);
    ::SelectObject(dc, oldBrush);
    ::SetTextColor(dc, oldColour);
    ::SetBkMode(dc, oldMode);
    ::SelectObject(dc, oldFont);
}

// ---------------------------------------------------------------------------
// Messages
// ---------------------------------------------------------------------------

LRESULT CChatView::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_MEASUREITEM || msg == WM_DRAWITEM || msg == WM_MENUCHAR) {
        LRESULT result = 0;
        if (COfficeXPMenu::RouteOwnerMessage(msg, wParam, lParam, &result)) return result;
    }
    switch (msg) {
    case WM_OPEN_CHAT:
        OpenChat(static_cast<int32_t>(wParam), static_cast<int32_t>(lParam));
        return 0;
    case WM_TIMER:
        if (wParam == kTimerUnreadBacklog) {
            OnUnreadBacklogTimer();
            return 0;
        }
        if (wParam == kTimerSearchAhead) {
            OnSearchAheadTimer();
            return 0;
        }
        break;
    case WM_QUICKREPLY_SETUP:
        ShowLowerTab(kLowerTabQuickReply);
        return 0;
    case WM_EDITBTN_SEARCH:
        // From a conversation window's history command (wParam the
        // customer, lParam the agent). The search box's own button sends no
        // customer and leaves the history as it is.
        ShowHistory(static_cast<int32_t>(wParam), static_cast<int32_t>(lParam));
        return 0;
    case WM_EDITBTN_CLEAR:
        OnSearchClear();
        return 0;
    case WM_LBUTTONDOWN: {
        HideSearchPopup();
        const POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (::PtInRect(&kStatusArea, at)) {
            OnStatusAreaClick();
            return 0;
        }
        break;
    }
    case WM_MOUSEMOVE: {
        const POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const bool over = ::PtInRect(&kStatusArea, at) != FALSE;
        if (over != m_overStatus) {
            m_overStatus = over;
            InvalidateRect(kStatusArea, false);
            if (over) {
                TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, m_hWnd, 0};
                ::TrackMouseEvent(&track);
            }
        }
        break;
    }
    case WM_MOUSELEAVE:
        if (m_overStatus) {
            m_overStatus = false;
            InvalidateRect(kStatusArea, false);
        }
        return 0;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == m_hWnd && LOWORD(lParam) == HTCLIENT) {
            POINT at = {};
            ::GetCursorPos(&at);
            ::ScreenToClient(m_hWnd, &at);
            ::SetCursor(::LoadCursorW(nullptr, ::PtInRect(&kStatusArea, at) ? IDC_HAND : IDC_ARROW));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return CChildViewBase::WindowProc(msg, wParam, lParam);
}

bool CChatView::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    if ((id >= kCmdStatusFirst && id <= kCmdStatusLast) || id == kCmdMyProfile || id == kCmdSystemSetting) {
        // The status menu's commands are the main window's.
        if (g_hMainWnd) ::SendMessageW(g_hMainWnd, WM_COMMAND, wParam, lParam);
        return true;
    }
    if (id == IDC_CHAT_SEARCH_EDIT && HIWORD(wParam) == EN_CHANGE) {
        OnSearchTextChanged();
        return true;
    }
    if (id == IDC_CHAT_SEARCH_EDIT && HIWORD(wParam) == EN_SETFOCUS) {
        // The agent is about to type: the customers' search texts are made
        // now rather than on the first keystroke.
        m_contactSearch.Refresh(g_FriendMapCache);
    }
    if (id == IDC_CHAT_SEARCH_EDIT && HIWORD(wParam) == EN_KILLFOCUS) {
        OnSearchKillFocus();
        return true;
    }
    return CChildViewBase::OnCommand(wParam, lParam);
}

bool CChatView::OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) {
    if (hdr && hdr->code == TCN_SELCHANGE) {
        if (hdr->idFrom == IDC_CHAT_UPPER_TABS) {
            OnUpperTabChange();
            *result = 0;
            return true;
        }
        if (hdr->idFrom == IDC_CHAT_LOWER_TABS) {
            OnLowerTabChange();
            *result = 0;
            return true;
        }
    }
    if (hdr && hdr->code == TTN_GETDISPINFOW && m_upperTabs.IsWindow() &&
        hdr->hwndFrom == reinterpret_cast<HWND>(m_upperTabs.SendMessage(TCM_GETTOOLTIPS, 0, 0))) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(hdr);
        TCITEMW item = {};
        item.mask = TCIF_PARAM;
        m_upperTabs.SendMessage(TCM_GETITEMW, hdr->idFrom, reinterpret_cast<LPARAM>(&item));
        const wchar_t* tip = item.lParam == kKindCustomers    ? L"我的客户"
                             : item.lParam == kKindTeam       ? L"我的组员"
                             : item.lParam == kKindRegistered ? L"免费用户"
                                                              : L"组织结构";
        info->lpszText = const_cast<wchar_t*>(tip);
        *result = 0;
        return true;
    }
    return CChildViewBase::OnNotify(wParam, hdr, result);
}

void CChatView::OnUpperTabChange() {
    const int selected = m_upperTabs.GetCurSel();
    TCITEMW item = {};
    item.mask = TCIF_PARAM;
    m_upperTabs.SendMessage(TCM_GETITEMW, selected, reinterpret_cast<LPARAM>(&item));
    m_leftList.ShowListKind(static_cast<int>(item.lParam));
    HideSearchPopup();
}

void CChatView::OnLowerTabChange() {
    HideSearchPopup();
    m_lowerTabs.ShowTabPage(m_lowerTabs.GetCurSel());
    if (m_lowerTabs.GetCurSel() == kLowerTabHistory) LoadPendingHistory();
}

void CChatView::ShowLowerTab(int index) {
    m_lowerTabs.SetCurSel(index);
    m_lowerTabs.ShowTabPage(index);
    if (index == kLowerTabHistory) LoadPendingHistory();
}

void CChatView::OnStatusAreaClick() {
    if (CurrentUserId() == 0) return;
    COfficeXPMenu menu;
    CTavrelApp* app = CTavrelApp::GetApp();
    HIMAGELIST icons = app ? app->GetStatusImageList() : nullptr;
    const wchar_t* names[] = {L"在线", L"忙碌", L"离开", L"请勿打扰"};
    for (int i = 0; i < 4; ++i) menu.AppendItemWithIcon(names[i], kCmdStatusFirst + i, icons, i);
    menu.AppendItem(MF_SEPARATOR, std::wstring(), 0);
    menu.AppendItem(MF_STRING, L"系统设置...", kCmdSystemSetting);
    menu.AppendItem(MF_STRING, L"我的资料...", kCmdMyProfile);
    POINT corner = {kStatusArea.left, kStatusArea.bottom};
    ::ClientToScreen(m_hWnd, &corner);
    menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_TOPALIGN, corner.x, corner.y, m_hWnd);
    menu.DestroyMenu();
}

// ---------------------------------------------------------------------------
// Routing and conversations
// ---------------------------------------------------------------------------

void CChatView::RouteIncoming(int32_t peer) {
    if (peer == 0) return;
    CPanelBase* open = CPanelRegistry::GetInstance()->FindChatWindow(peer);
    auto* window = dynamic_cast<CChatMainPanel*>(open);
    IncomingContext context;
    context.windowOpen = window != nullptr;
    context.windowVisible = IsChatWindowVisible(window);
    context.popUp = g_ClientSettings.bPopUp;
    context.ownUserType = CIncomingMessageRouter::OwnUserType(g_EngineModule);
    switch (CIncomingMessageRouter::Decide(context)) {
    case IncomingRoute::FlashAndShowInWindow:
        GetCustomerTree().FlashUser(peer, true);
        ShowUnread(peer, *window);
        break;
    case IncomingRoute::ShowInWindow:
        ShowUnread(peer, *window);
        break;
    case IncomingRoute::OpenWindow:
        OpenChat(peer, CurrentUserId());
        break;
    case IncomingRoute::FlashOnly:
        GetCustomerTree().FlashUser(peer, true);
        break;
    }
}

void CChatView::ShowUnread(int32_t peer, CChatMainPanel& window) {
    // A notice whose message an earlier slice already showed finds nothing.
    if (CIncomingMessageRouter::UnreadCount(g_EngineModule, peer) == 0) return;
    {
        // The messages that arrived together go into the log as one batch:
        // drawn and scrolled once.
        CChatLogEdit::CBatch batch(window.GetLog());
        CIncomingMessageRouter::ShowUnread(
            g_EngineModule, peer, [&window](const TextMsgRecord& record) { window.ShowMessage(record, false); },
            kUnreadSlice);
    }
    if (CIncomingMessageRouter::UnreadCount(g_EngineModule, peer) > 0 && m_backlog.insert(peer).second &&
        m_backlog.size() == 1)
        SetTimer(kTimerUnreadBacklog, kUnreadBacklogMs);
}

void CChatView::OnUnreadBacklogTimer() {
    // The next slice of each backlog; input and painting come between the
    // slices (a timer waits behind them).
    const std::set<int32_t> peers = m_backlog;
    m_backlog.clear();
    for (int32_t peer : peers) {
        auto* window = dynamic_cast<CChatMainPanel*>(CPanelRegistry::GetInstance()->FindChatWindow(peer));
        // A window closed meanwhile: the messages stay queued in the engine.
        if (window && window->IsWindow()) ShowUnread(peer, *window);
    }
    if (m_backlog.empty()) KillTimer(kTimerUnreadBacklog);
}

void CChatView::OpenChat(int32_t customer, int32_t owner) {
    // Customer 0 is the placeholder's: there is no conversation to open.
    if (customer == 0) return;
    if (owner == 0) owner = g_nMyUserID;
    if (g_EngineModule.MGetSwitchCustomerMsg)
        owner = CHandOverRules::SessionOwner(g_EngineModule.MGetSwitchCustomerMsg(customer), g_nMyUserID, customer, owner);
    const UserInfoBase record = CIncomingMessageRouter::CustomerRecord(
        g_EngineModule, customer, CIncomingMessageRouter::OwnUserType(g_EngineModule));
    GetCustomerTree().FlashUser(customer, false);

    CPanelRegistry* registry = CPanelRegistry::GetInstance();
    auto* window = dynamic_cast<CChatMainPanel*>(registry->FindChatWindow(customer));
    if (window) {
        window->ShowWindow(SW_SHOW);
        ShowUnread(customer, *window);
    } else {
        const bool watched = owner != g_nMyUserID;
        if (watched && g_EngineModule.MRefreshMsgRecords) g_EngineModule.MRefreshMsgRecords(owner, customer, 1);
        window = CChatMainPanel::Open(CDeskGlobalsChatHost::Instance(), m_hWnd, owner, record, ConversationArea(),
                                      kDeskDisplayTitle);
        if (!window) return;
        // A finished receive names the file where the page saved it.
        window->SetSavePathSource([this](const FileRequestRecord&) {
            const auto& entry = m_transFilePanel.GetSession().GetEntry();
            return entry ? entry->localPath : std::wstring();
        });
        ::SetWindowPos(window->GetHwnd(), nullptr, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        ShowUnread(customer, *window);
        m_sessionList.UpdateSession(record, false, watched);
    }
    registry->BringChatWindowToEnd(window);
    if (g_hMainWnd) ::SendMessageW(g_hMainWnd, WM_REFRESH_CHATVIEW, 0, 0);
    LayoutConversations();
}

void CChatView::RefreshHistory() {
    // The front-most conversation of a customer (never the placeholder of
    // customer 0); the tab shown stays as it is.
    const auto* window = dynamic_cast<const CChatMainPanel*>(
        CIncomingMessageRouter::LastCustomerWindow(CPanelRegistry::GetInstance()->GetChatWindows()));
    if (!window) return;
    // A hidden pane reads the history when its tab comes up: opening a
    // conversation does not wait for a history nobody sees.
    m_pendingHistory = {window->GetChatUserId(), window->GetOwnerAgent()};
    if (m_historyPane.IsWindow() && ::IsWindowVisible(m_historyPane.GetHwnd())) LoadPendingHistory();
}

void CChatView::LoadPendingHistory() {
    if (m_pendingHistory.first == 0) return;
    const std::pair<int32_t, int32_t> pending = m_pendingHistory;
    m_pendingHistory = {0, 0};
    LoadHistoryPage(pending.first, pending.second);
}

void CChatView::ShowHistory(int32_t customer, int32_t agent) {
    if (customer == 0) return;
    m_pendingHistory = {0, 0};
    LoadHistoryPage(customer, agent);
    ShowLowerTab(kLowerTabHistory);
}

void CChatView::LoadHistoryPage(int32_t customer, int32_t agent) {
    if (!m_historyPane.IsWindow()) return;
    m_historyPane.SetMyUserId(g_nMyUserID);
    // Agent 0 or the own id: the own history; another agent's (a watched
    // conversation) lies in the group folder of that agent.
    m_historyPane.LoadHistory(agent, customer);
    m_historyPane.ShowPage(m_historyPane.GetPageCount());
}

void CChatView::UpdateSessionList(WPARAM wParam, LPARAM lParam) {
    const auto* record = reinterpret_cast<const UserInfoBase*>(wParam);
    if (!record) return;
    m_sessionList.UpdateSession(*record, lParam == 1, false);
}

// ---------------------------------------------------------------------------
// Customer list
// ---------------------------------------------------------------------------

void CChatView::RefreshCustomers() {
    m_leftList.RefreshCustomers();
    // The search texts are made now, a slice at a time (timers wait behind
    // input and painting), rather than when the agent starts to search.
    SetTimer(kTimerSearchAhead, 1);
}

void CChatView::RefreshTeamList() {
    if (!g_GroupUserCache.users.empty()) AddTeamTab();
    m_leftList.RefreshGroups();
}

void CChatView::OnTalkList(int32_t user, int kind) { m_leftList.OnTalkList(user, kind); }

void CChatView::RefreshAgentStatuses() { m_leftList.RefreshAgentStatuses(); }

bool CChatView::AddTeamTab() {
    if (m_teamTabAdded) return true;
    if (!m_upperTabs.IsWindow()) return false;
    TCITEMW item = {};
    item.mask = TCIF_IMAGE | TCIF_PARAM | TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(L"");
    item.iImage = 2;
    item.lParam = kKindTeam;
    if (m_upperTabs.SendMessage(TCM_INSERTITEMW, 1, reinterpret_cast<LPARAM>(&item)) < 0) return false;
    // The tips follow the tabs' item data, so all four read right.
    m_teamTabAdded = true;
    m_upperTabs.Invalidate(false);
    return true;
}

void CChatView::SetContactStatus(int32_t userId, int32_t status) { SetContactStatuses({{userId, status}}); }

void CChatView::SetContactStatuses(const std::vector<std::pair<int32_t, int32_t>>& statuses) {
    SetCachedUserStatuses(statuses);
    if (GetCustomerTree().IsWindow()) GetCustomerTree().SetUserStatuses(statuses);
    // A transfer whose peer comes back repeats the answer it may have missed.
    for (const auto& [user, status] : statuses) m_transFilePanel.OnPeerStatus(user, status);
}

void CChatView::UpdateContact(const UserInfoBase& record) {
    if (record.userId == 0) return;
    UpdateCachedUser(&record);
    if (GetCustomerTree().IsWindow()) GetCustomerTree().UpdateUser(record);
    m_leftList.RefreshUserName(record.userId);
}

void CChatView::RepaintContactTree() {
    if (GetCustomerTree().IsWindow()) GetCustomerTree().Invalidate(false);
}

// ---------------------------------------------------------------------------
// File transfer
// ---------------------------------------------------------------------------

void CChatView::PrepareFileTransfer() {
    m_transFilePanel.GetSession().SetServer(g_ClientSettings.serverEntry);
}

bool CChatView::SendFile(int32_t ownId, int32_t customer) {
    auto* window = dynamic_cast<CChatMainPanel*>(CPanelRegistry::GetInstance()->FindChatWindow(customer));
    if (!window || !m_transFilePanel.IsWindow()) return false;
    PrepareFileTransfer();
    ShowLowerTab(kLowerTabFileTransfer);
    m_transFilePanel.SendFile(ownId, customer, window->GetHwnd());
    return true;
}

void CChatView::OnFileRequest(const FileRequestRecord& record, int code) {
    OpenChat(record.senderId, record.receiverId);
    auto* window = dynamic_cast<CChatMainPanel*>(CPanelRegistry::GetInstance()->FindChatWindow(record.senderId));
    if (!window || !m_transFilePanel.IsWindow()) return;
    PrepareFileTransfer();
    m_transFilePanel.OnFileEvent(window->GetHwnd(), record, code);
    ShowLowerTab(kLowerTabFileTransfer);
}

void CChatView::ResetFileTransfer() {
    if (m_transFilePanel.IsWindow()) m_transFilePanel.SetState(TRANSFER_IDLE);
}
