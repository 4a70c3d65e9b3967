#include "ClientMgrView.h"

#include "DisplayTitle.h"
#include "main/DeskGlobals.h"
#include "main/DeskMessages.h"

#include "clientui/ContactCache.h"
#include "clientui/EngineModule.h"
#include "clientui/IMResourceComm.h"
#include "clientui/PanelDrawing.h"

#include "fw/Application.h"
#include "fw/DeviceContext.h"
#include "fw/MemoryDC.h"
#include "fw/MessageBoxSink.h"
#include "fw/StringUtil.h"

#include <commctrl.h>
#include <windowsx.h>

namespace {

constexpr wchar_t kMyCustomers[] = L"我的客户";
constexpr wchar_t kOtherAgents[] = L"其他客服老师";
constexpr wchar_t kBrowseByGroup[] = L"按组浏览";
constexpr wchar_t kBadPage[] = L"请输入正确的页数！";
constexpr wchar_t kSearchCue[] = L"帐号/昵称";

constexpr int kTreeItemHeight = 20;
constexpr int kListColumns = 8;
constexpr COLORREF kOddRowColour = 0xFFF9EC;
constexpr COLORREF kBandTop = 0xFFFFFF;
constexpr COLORREF kBandBottom = 0xF2D2A9;
constexpr int kSearchWidth = 150;
constexpr int kSearchHeight = 20;


int32_t CurrentUserId() { return g_EngineModule.MGetCurUserID ? g_EngineModule.MGetCurUserID() : 0; }


}  // namespace

CClientMgrView::CClientMgrView()
    : CChildViewBase(IDD_CLIENTMGR_VIEW), m_list(WM_CLAMP_COLUMNS), m_strTitle(kMyCustomers) {}

CClientMgrView::~CClientMgrView() = default;

// ---------------------------------------------------------------------------
// Initialisation
// ---------------------------------------------------------------------------

BOOL CClientMgrView::OnInitDialog() {
    CChildViewBase::OnInitDialog();
    m_programFolder = fw::CApplication::GetProgramFolder();
    LoadSkin();
    BindControls();
    m_list.SetImageList(m_listImages.Get(), LVSIL_SMALL);
    m_tree.SetImageList(m_treeImages.Get(), TVSIL_NORMAL);
    if (m_btnRefresh.IsWindow()) m_btnRefresh.ShowWindow(SW_HIDE);
    const RECT client = GetClientRect();
    LayoutControls(client.right, client.bottom);
    return TRUE;
}

void CClientMgrView::LoadSkin() {
    const std::wstring& folder = m_programFolder;
    CIMResourceComm::LoadBitmapFile(folder + L"Resource\\msgMgr\\ToolBar.bmp", m_bmpToolBar);
    CIMResourceComm::LoadBitmapFile(folder + L"Resource\\comm\\frame_bottom.bmp", m_bmpBottom);

    m_listImages.Create(16, 16, ILC_COLOR16 | ILC_MASK, 2, 1);
    for (const wchar_t* name : {L"boy_0.bmp", L"boy_1.bmp"}) {
        fw::CBitmap face;
        CIMResourceComm::LoadBitmapFile(folder + L"Resource\\Face\\small\\" + name, face);
        m_listImages.AddMasked(face, RGB(255, 255, 255));
    }
    m_treeImages.Create(16, 13, ILC_COLORDDB | ILC_MASK, 2, 1);
    for (const wchar_t* name : {L"folder_01.bmp", L"folder_02.bmp"}) {
        fw::CBitmap folderPicture;
        CIMResourceComm::LoadBitmapFile(folder + L"Resource\\TavrelRes\\" + name, folderPicture);
        m_treeImages.AddMasked(folderPicture, RGB(255, 255, 255));
    }

    // "Arial" 9 points for the texts painted on the view.
    HDC screen = ::GetDC(nullptr);
    const int height = -::MulDiv(9, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
    ::ReleaseDC(nullptr, screen);
    m_font.Reset(::CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Arial"));
}

void CClientMgrView::BindControls() {
    const std::wstring pager = m_programFolder + L"Resource\\msgMgr\\";
    struct PagerSkin {
        CSkinBtn* button;
        int id;
        const wchar_t* name;
    };
    const PagerSkin buttons[] = {{&m_btnFirst, IDC_CLIENTMGR_FIRST, L"first"},
                                 {&m_btnPrev, IDC_CLIENTMGR_PREV, L"prew"},
                                 {&m_btnNext, IDC_CLIENTMGR_NEXT, L"next"},
                                 {&m_btnLast, IDC_CLIENTMGR_LAST, L"last"}};
    for (const PagerSkin& b : buttons) {
        if (!b.button->SubclassDlgItem(b.id, m_hWnd)) continue;
        const std::wstring base = pager + b.name;
        b.button->SetBitmaps(base + L"-01.bmp", base + L"-02.bmp", base + L"-03.bmp", base + L"-01.bmp");
    }
    const std::wstring talk = m_programFolder + L"Resource\\TavrelRes\\talk_";
    if (m_btnTalk.SubclassDlgItem(IDC_CLIENTMGR_TALK, m_hWnd))
        m_btnTalk.SetBitmaps(talk + L"01.bmp", talk + L"02.bmp", talk + L"03.bmp", talk + L"01.bmp");
    m_btnRefresh.SubclassDlgItem(IDC_CLIENTMGR_REFRESH, m_hWnd);

    m_tree.Attach(GetDlgItem(IDC_CLIENTMGR_TREE));
    m_tree.SendMessage(TVM_SETITEMHEIGHT, kTreeItemHeight, 0);
    m_list.Subclass(GetDlgItem(IDC_CLIENTMGR_LIST));
    m_pageBox.Attach(GetDlgItem(IDC_CLIENTMGR_PAGE));

    const std::wstring search = m_programFolder + L"Resource\\comm\\search\\";
    m_searchBox.SetBitmaps(search + L"left.bmp", search + L"right.bmp", search + L"mid.bmp", search + L"search.bmp",
                           search + L"close.bmp");
    m_searchBox.SetWindowSize(kSearchWidth, kSearchHeight);
    m_searchBox.SetSearchButtonRect({kSearchWidth - 34, 4, kSearchWidth - 22, 16});
    m_searchBox.SetClearButtonRect({kSearchWidth - 18, 4, kSearchWidth - 6, 16});
    if (m_searchBox.SubclassDlgItem(IDC_CLIENTMGR_SEARCH, m_hWnd)) {
        m_searchBox.SetEditRect(6, 4, kSearchWidth - 38, 18);
        m_searchBox.SetCueText(kSearchCue);
    }
}

void CClientMgrView::CreateColumns() {
    if (m_bColumnsMade || !m_list.IsWindow()) return;
    struct Column {
        const wchar_t* title;
        int width;
    };
    const Column columns[kListColumns] = {{L"", 40},          {L"客户昵称", 120}, {L"姓名", 80},
                                          {L"结束时间", 120}, {L"所属分组", 140}, {L"公司名称", 120},
                                          {L"所属地", 120},   {L"联系地址", 120}};
    for (int i = 0; i < kListColumns; ++i) m_list.InsertColumn(i, columns[i].title, columns[i].width);
    m_bColumnsMade = true;
}

// ---------------------------------------------------------------------------
// What the main window calls
// ---------------------------------------------------------------------------

void CClientMgrView::BuildTree() {
    if (g_FriendMapCache.empty() || !m_tree.IsWindow()) return;
    if (m_bTreeBuilt) {
        // Built once; later friend lists keep the own counts (and the rows
        // they stand for) in step, and agents that came later are added.
        ApplyCounts(m_hMine, g_FriendMapCache);
        AddMissingAgents();
        return;
    }
    m_tree.DeleteAllItems();
    const int32_t self = CurrentUserId();
    m_hMine = m_tree.InsertItem(kMyCustomers, TVI_ROOT, TVI_LAST, 0, 1, self);
    size_t total = 0;
    for (const auto& category : g_FriendMapCache) {
        m_tree.InsertItem(CClientMgrModel::CategoryNodeText(category.first, category.second.size()), m_hMine, TVI_LAST,
                          0, 1, 0);
        total += category.second.size();
    }
    m_tree.SetItemText(m_hMine, CClientMgrModel::CategoryNodeText(kMyCustomers, total));
    m_hOthers = m_tree.InsertItem(kOtherAgents, TVI_ROOT, TVI_LAST, 0, 1, 0);
    AddMissingAgents();
    m_tree.Expand(m_hMine);
    m_bTreeBuilt = true;
}

void CClientMgrView::AddMissingAgents() {
    if (!m_hOthers) return;
    for (const GroupUserRecord& agent : g_GroupUserCache.users) {
        if (agent.userId == 0 || FindNodeByData(m_tree.GetChildItem(m_hOthers), agent.userId)) continue;
        m_tree.InsertItem(GroupUserName(agent), m_hOthers, TVI_LAST, 0, 1, agent.userId);
    }
}

void CClientMgrView::FillFirstPage() {
    if (!m_list.IsWindow()) return;
    m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES | LVS_EX_SUBITEMIMAGES);
    CreateColumns();
    const int32_t self = CurrentUserId();
    TakeTalkList(self);
    m_model.ShowOwner(self, ClientScope(), g_FriendMapCache);
    ShowRows(m_model.CurrentRows(g_FriendMapCache));
    // The list shows the own customers again: so do the title and the pager.
    m_strTitle = kMyCustomers;
    ShowPager(true);
    Invalidate(false);
}

void CClientMgrView::UpdateUserCounts(int32_t userId, const FriendMap& friendMap) {
    if (!m_tree.IsWindow()) return;
    HTREEITEM node = FindNodeByData(m_tree.GetRootItem(), userId);
    if (!node || !m_tree.GetParentItem(node)) return;
    ApplyCounts(node, friendMap);
}

void CClientMgrView::ApplyCounts(HTREEITEM node, const FriendMap& friendMap) {
    if (!node) return;
    std::vector<HTREEITEM> children;
    std::vector<std::wstring> texts;
    for (HTREEITEM child = m_tree.GetChildItem(node); child; child = m_tree.GetNextSiblingItem(child)) {
        children.push_back(child);
        texts.push_back(m_tree.GetItemText(child));
    }
    const CountUpdate update = CClientMgrModel::UpdateCounts(m_tree.GetItemText(node), texts, friendMap);
    for (const CountUpdate::Child& child : update.children) {
        if (child.index >= 0)
            m_tree.SetItemText(children[static_cast<size_t>(child.index)], child.text);
        else
            m_tree.InsertItem(child.text, node, TVI_LAST, 0, 1, 0);
    }
    m_tree.SetItemText(node, update.nodeText);
}

// Depth first in tree order: a node, then its children, then its next
// sibling.
HTREEITEM CClientMgrView::FindNodeByData(HTREEITEM from, LPARAM data) const {
    for (HTREEITEM item = from; item; item = m_tree.GetNextSiblingItem(item)) {
        if (m_tree.GetItemData(item) == data) return item;
        if (HTREEITEM found = FindNodeByData(m_tree.GetChildItem(item), data)) return found;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// Filling
// ---------------------------------------------------------------------------

FriendMap CClientMgrView::OwnerFriends(int32_t owner) const {
    FriendMap copy;
    if (g_EngineModule.MGetFriendList)
        if (const FriendMap* map = g_EngineModule.MGetFriendList(owner)) copy = *map;
    return copy;
}

void CClientMgrView::TakeTalkList(int32_t owner) {
    m_talkList.clear();
    if (g_EngineModule.MGetTalkList)
        if (const std::vector<TalkListRecord>* list = g_EngineModule.MGetTalkList(owner, TALKLIST_CONTACT))
            m_talkList = *list;
}

void CClientMgrView::FillOwner(int32_t owner, const ClientScope& scope) {
    TakeTalkList(owner);
    const FriendMap friends = OwnerFriends(owner);
    m_model.ShowOwner(owner, scope, friends);
    ShowRows(m_model.CurrentRows(friends));
    ShowPager(true);
}

void CClientMgrView::ShowPage(int page) {
    if (!m_model.GoToPage(page)) return;
    ShowRows(m_model.CurrentRows(OwnerFriends(m_model.Owner())));
    InvalidateRect(PagerLabel(), false);
}

void CClientMgrView::ShowRows(const std::vector<ClientRow>& rows) {
    if (!m_list.IsWindow()) return;
    m_list.SendMessage(WM_SETREDRAW, FALSE);
    m_list.DeleteAllItems();
    m_rows = rows;
    m_nSelectedRow = -1;
    for (size_t i = 0; i < rows.size(); ++i) {
        const ClientRow& row = rows[i];
        LVITEMW first = {};
        first.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        first.iItem = static_cast<int>(i);
        first.pszText = const_cast<wchar_t*>(L"");
        first.iImage = I_IMAGENONE;  // column 0 holds only the check box
        first.lParam = row.userId;
        const int index = static_cast<int>(m_list.SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&first)));
        if (index < 0) continue;
        LVITEMW name = {};
        name.mask = LVIF_TEXT | LVIF_IMAGE;
        name.iItem = index;
        name.iSubItem = 1;
        name.pszText = const_cast<wchar_t*>(row.name.c_str());
        name.iImage = row.status == STATUS_ONLINE ? 0 : 1;
        m_list.SendMessage(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&name));
        m_list.SetItemText(index, 4, row.category);
        if (row.endTime) m_list.SetItemText(index, 3, CClientMgrModel::EndTimeText(m_talkList, row.userId));
    }
    m_list.SendMessage(WM_SETREDRAW, TRUE);
    m_list.Invalidate(true);
    if (m_pageBox.IsWindow()) m_pageBox.SetWindowText(fw::FormatString(L"%d", m_model.CurrentPage()));
}

// ---------------------------------------------------------------------------
// Layout and painting
// ---------------------------------------------------------------------------

int CClientMgrView::LayoutControls(int cx, int cy) {
    auto place = [](fw::CWindow& control, int x, int y, int width, int height) {
        if (control.IsWindow()) ::MoveWindow(control.GetHwnd(), x, y, width > 0 ? width : 0, height > 0 ? height : 0, TRUE);
    };
    place(m_btnTalk, 20, 3, 76, 20);
    place(m_searchBox, cx - 160, 2, kSearchWidth, kSearchHeight);
    place(m_tree, 0, kTopBand, kTreeWidth, cy - 78);
    place(m_list, kTreeWidth, kTopBand, cx - 242, cy - 78);
    place(m_btnFirst, cx - 192, cy - 21, 14, 14);
    place(m_btnPrev, cx - 177, cy - 21, 14, 14);
    place(m_btnNext, cx - 50, cy - 21, 14, 14);
    place(m_btnLast, cx - 35, cy - 21, 14, 14);
    place(m_pageBox, cx - 138, cy - 23, 35, 18);
    Invalidate(false);
    return 0;
}

RECT CClientMgrView::TitleBand() const {
    const RECT client = GetClientRect();
    return {kTreeWidth, 30, client.right - 10, kTopBand};
}

RECT CClientMgrView::PagerLabel() const {
    const RECT client = GetClientRect();
    return {client.right - 160, client.bottom - 23, client.right, client.bottom - 3};
}

bool CClientMgrView::OnPaint() {
    fw::CPaintDC paint(m_hWnd);
    HDC dc = paint;
    const RECT client = GetClientRect();
    const int cx = client.right;
    const int cy = client.bottom;
    {
        fw::CMemoryDC memory(dc, cx, cy);
        if (memory.IsValid()) {
            ::FillRect(memory, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
            DrawBitmapTiled(m_bmpToolBar, memory, 0, 0, cx, 27);
            DrawGradientRect({0, 27, cx, kTopBand}, kBandTop, kBandBottom, memory);
            DrawBitmapTiled(m_bmpBottom, memory, 0, cy - kBottomBar, cx, cy - kBottomBar + 1);
            const int oldMode = ::SetBkMode(memory, TRANSPARENT);
            const COLORREF oldColour = ::SetTextColor(memory, RGB(0, 0, 0));
            const HGDIOBJ oldFont = ::SelectObject(memory, m_font.Get());
            const UINT line = DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS | DT_NOPREFIX;
            RECT browse = {10, 30, 100, kTopBand};
            ::DrawTextW(memory, kBrowseByGroup, -1, &browse, line);
            RECT title = TitleBand();
            ::DrawTextW(memory, m_strTitle.c_str(), -1, &title, line);
            if (m_model.PagingVisible()) {
                RECT page = {cx - 160, cy - 23, cx - 145, cy - 3};
                ::DrawTextW(memory, L"第", -1, &page, line);
                RECT count = {cx - 100, cy - 23, cx - 33, cy - 3};
                const std::wstring pages = fw::FormatString(L"页/%d页", m_model.PageCount());
                ::DrawTextW(memory, pages.c_str(), -1, &count, line);
            }
            ::SelectObject(memory, oldFont);
            ::SetTextColor(memory, oldColour);
            ::SetBkMode(memory, oldMode);
            memory.CopyTo(dc);
        }
    }
    return true;
}

// ---------------------------------------------------------------------------
// Messages
// ---------------------------------------------------------------------------

LRESULT CClientMgrView::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_EDITBTN_SEARCH:
        OnSearch();
        return 0;
    case WM_EDITBTN_CLEAR:
        OnClearSearch();
        return 0;
    case WM_CLAMP_COLUMNS:
        m_list.ClampColumns(kListColumns);
        return 0;
    default:
        return CChildViewBase::WindowProc(msg, wParam, lParam);
    }
}

bool CClientMgrView::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    if (id == IDC_CLIENTMGR_SEARCH && code == EN_CHANGE) {
        OnSearchTextChanged();
        return true;
    }
    if (code != BN_CLICKED) return CChildViewBase::OnCommand(wParam, lParam);
    switch (id) {
    case IDC_CLIENTMGR_FIRST:
        OnPager(PagerButton::First);
        return true;
    case IDC_CLIENTMGR_PREV:
        OnPager(PagerButton::Previous);
        return true;
    case IDC_CLIENTMGR_NEXT:
        OnPager(PagerButton::Next);
        return true;
    case IDC_CLIENTMGR_LAST:
        OnPager(PagerButton::Last);
        return true;
    case IDC_CLIENTMGR_TALK:
        OnStartConversation();
        return true;
    case IDC_CLIENTMGR_REFRESH:
        return true;
    default:
        return CChildViewBase::OnCommand(wParam, lParam);
    }
}

bool CClientMgrView::OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) {
    if (!hdr) return CChildViewBase::OnNotify(wParam, hdr, result);
    if (hdr->idFrom == IDC_CLIENTMGR_TREE && hdr->code == NM_CLICK) {
        OnTreeClick();
        *result = 0;
        return true;
    }
    if (hdr->idFrom == IDC_CLIENTMGR_LIST && hdr->code == NM_CLICK) {
        OnListClick(reinterpret_cast<const NMITEMACTIVATE*>(hdr));
        *result = 0;
        return true;
    }
    if (hdr->idFrom == IDC_CLIENTMGR_LIST && hdr->code == NM_CUSTOMDRAW) {
        *result = OnListCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(hdr));
        return true;
    }
    return CChildViewBase::OnNotify(wParam, hdr, result);
}

bool CClientMgrView::PreTranslateMessage(MSG& msg) {
    if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) {
        if (msg.wParam == VK_RETURN && m_pageBox.IsWindow() && msg.hwnd == m_pageBox.GetHwnd()) OnPageBoxEnter();
        return true;
    }
    return CChildViewBase::PreTranslateMessage(msg);
}

// ---------------------------------------------------------------------------
// Handlers
// ---------------------------------------------------------------------------

void CClientMgrView::OnTreeClick() {
    const DWORD position = ::GetMessagePos();
    POINT point = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    ::ScreenToClient(m_tree.GetHwnd(), &point);
    UINT flags = 0;
    HTREEITEM item = m_tree.HitTest(point, &flags);
    if (!item) return;
    m_tree.SelectItem(item);
    const std::wstring text = m_tree.GetItemText(item);
    m_strTitle = text;
    InvalidateRect(TitleBand(), false);
    if (flags & TVHT_ONITEMBUTTON) return;

    LPARAM owner = m_tree.GetItemData(item);
    ClientScope scope;
    if (owner == 0) {
        // A category node: its parent is the owner.
        HTREEITEM parent = m_tree.GetParentItem(item);
        if (!parent) return;  // "其他客服老师" itself
        owner = m_tree.GetItemData(parent);
        if (owner == 0) return;
        scope.all = false;
        scope.category = CClientMgrModel::NodeName(text);
    }
    const int32_t id = static_cast<int32_t>(owner);
    if (g_EngineModule.MUpdateTalkList) g_EngineModule.MUpdateTalkList(id, TALKLIST_CONTACT);
    FillOwner(id, scope);
    InvalidateRect(PagerLabel(), false);
}

void CClientMgrView::OnListClick(const NMITEMACTIVATE* activate) {
    if (activate) m_nSelectedRow = activate->iItem;
}

LRESULT CClientMgrView::OnListCustomDraw(NMLVCUSTOMDRAW* draw) {
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
        if (draw->nmcd.dwItemSpec % 2 == 1) draw->clrTextBk = kOddRowColour;
        draw->clrText = RGB(0, 0, 0);
        if (draw->nmcd.dwDrawStage & CDDS_SUBITEM) return CDRF_NEWFONT;
        return draw->iSubItem != 0 ? CDRF_NOTIFYSUBITEMDRAW : CDRF_DODEFAULT;
    default:
        return CDRF_DODEFAULT;
    }
}

void CClientMgrView::OnPager(PagerButton button) {
    const int target = m_model.PagerTarget(button);
    if (target == 0) return;
    ShowPage(target);
}

void CClientMgrView::OnPageBoxEnter() {
    const int page = CClientMgrModel::PageFromBox(m_pageBox.GetWindowText(), m_model.PageCount());
    if (page == 0) {
        fw::ShowMessageBox(m_hWnd, kBadPage, kDeskDisplayTitle, MB_OK);
        m_pageBox.SetFocus();
        return;
    }
    ShowPage(page);
}

void CClientMgrView::OnSearch() {
    m_strKeyword = m_searchBox.GetWindowText();
    m_searchBox.UpdateTextState();
    m_searchBox.Invalidate(false);
    std::vector<ClientRow> rows;
    if (!m_model.Search(m_strKeyword, OwnerFriends(m_model.Owner()), &rows)) return;
    ShowRows(rows);
    ShowPager(false);
    InvalidateRect(PagerLabel(), false);
}

void CClientMgrView::OnClearSearch() {
    m_searchBox.SetWindowText(L"");
    m_searchBox.UpdateTextState();
    m_searchBox.Invalidate(false);
    m_strKeyword.clear();
    LeaveSearch();
}

void CClientMgrView::OnSearchTextChanged() {
    m_strKeyword = m_searchBox.GetWindowText();
    if (m_strKeyword.empty()) LeaveSearch();
    m_searchBox.UpdateTextState();
    m_searchBox.Invalidate(false);
}

void CClientMgrView::LeaveSearch() {
    m_model.ClearSearch();
    // The page shown before the search.
    ShowPage(m_model.CurrentPage());
    ShowPager(true);
    InvalidateRect(PagerLabel(), false);
}

void CClientMgrView::ShowPager(bool show) {
    for (fw::CWindow* control : std::initializer_list<fw::CWindow*>{&m_btnFirst, &m_btnPrev, &m_btnNext, &m_btnLast,
                                                                     &m_pageBox})
        if (control->IsWindow()) control->ShowWindow(show ? SW_SHOW : SW_HIDE);
}

void CClientMgrView::OnStartConversation() {
    const int row = m_nSelectedRow;
    if (row < 0 || row >= m_list.GetItemCount() || static_cast<size_t>(row) >= m_rows.size()) return;
    if (g_hMainWnd)
        ::SendMessageW(g_hMainWnd, WM_OPEN_CHAT, static_cast<WPARAM>(m_rows[static_cast<size_t>(row)].userId),
                       static_cast<LPARAM>(m_model.Owner()));
}
