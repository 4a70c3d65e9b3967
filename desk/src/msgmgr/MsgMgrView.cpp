#include "MsgMgrView.h"

#include "DisplayTitle.h"
#include "HistoryLogWriter.h"
#include "main/DeskGlobals.h"
#include "main/DeskMessages.h"

#include "clientui/ContactCache.h"
#include "clientui/IMResourceComm.h"
#include "clientui/MsgMgrSkin.h"
#include "clientui/PanelDrawing.h"

#include "fw/Application.h"
#include "fw/DeviceContext.h"
#include "fw/MemoryDC.h"
#include "fw/MessageBoxSink.h"
#include "fw/StringUtil.h"

#include <commctrl.h>
#include <richedit.h>
#include <richole.h>

namespace {

constexpr wchar_t kCustomerList[] = L"客户列表";
constexpr wchar_t kBadPage[] = L"请输入正确的页数！";
constexpr wchar_t kSearchCue[] = L"查找客户或消息…";
constexpr int kColumnWidth = 148;
constexpr int kSearchWidth = 150;
constexpr int kSearchHeight = 20;
constexpr COLORREF kBandTop = 0xFFFFFF;
constexpr COLORREF kBandBottom = 0xF2D2A9;

}  // namespace

// ---------------------------------------------------------------------------
// The customer list
// ---------------------------------------------------------------------------

int CMsgMgrCustomerList::ClampWidth(int width) {
    if (width <= 140) return 140;
    if (width >= 200) return 200;
    return width;
}

LRESULT CMsgMgrCustomerList::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHEADERW*>(lParam);
        if (header && (header->hdr.code == HDN_ITEMCHANGINGW || header->hdr.code == HDN_ITEMCHANGINGA) &&
            header->pitem && (header->pitem->mask & HDI_WIDTH)) {
            header->pitem->cxy = ClampWidth(header->pitem->cxy);
        }
    }
    return CScrollBarList::WindowProc(msg, wParam, lParam);
}

// ---------------------------------------------------------------------------
// The view
// ---------------------------------------------------------------------------

CMsgMgrView::CMsgMgrView(const CEngineModule& engine)
    : CChildViewBase(IDD_MSGMGR_VIEW), m_model(engine, m_codePage, *this) {
    m_model.SetDownloadQueue(&m_downloads);
}

CMsgMgrView::~CMsgMgrView() = default;

void CMsgMgrView::SetProgramFolder(const std::wstring& folder) {
    m_programFolder = folder;
    m_model.SetProgramFolder(folder);
}

BOOL CMsgMgrView::OnInitDialog() {
    CChildViewBase::OnInitDialog();
    if (m_programFolder.empty()) SetProgramFolder(fw::CApplication::GetProgramFolder());
    LoadSkin();
    BindControls();
    m_list.SetImageList(m_listImages.Get(), LVSIL_SMALL);
    m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    CreateColumns();
    m_model.FillInitial();
    SetTimer(kReloadTimer, kReloadMs);
    m_ready = true;
    const RECT client = GetClientRect();
    LayoutControls(client.right, client.bottom);
    Refresh();
    return TRUE;
}

void CMsgMgrView::LoadSkin() {
    const std::wstring& folder = m_programFolder;
    CIMResourceComm::LoadBitmapFile(folder + L"Resource\\msgMgr\\ToolBar.bmp", m_bmpToolBar);
    CIMResourceComm::LoadBitmapFile(folder + L"Resource\\comm\\frame_bottom.bmp", m_bmpBottom);
    m_listImages.Create(16, 16, ILC_COLOR16 | ILC_MASK, 2, 1);
    for (const wchar_t* name : {L"boy_0.bmp", L"boy_1.bmp"}) {
        fw::CBitmap face;
        CIMResourceComm::LoadBitmapFile(folder + L"Resource\\Face\\small\\" + name, face);
        m_listImages.AddMasked(face, RGB(255, 255, 255));
    }
    // "Arial" 9 points for the texts painted on the view.
    HDC screen = ::GetDC(nullptr);
    const int height = -::MulDiv(9, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
    ::ReleaseDC(nullptr, screen);
    m_font.Reset(::CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Arial"));
}

void CMsgMgrView::BindControls() {
    MsgMgrSkin skin;
    skin.Load(m_programFolder);
    struct PagerSkin {
        CSkinBtn* button;
        int id;
        const SkinButtonPaths* paths;
    };
    const PagerSkin pagers[] = {
        {&m_btnFirst, IDC_MSGMGR_PAGE_FIRST, &skin.m_btnFirst},    {&m_btnPrev, IDC_MSGMGR_PAGE_PREV, &skin.m_btnPrew},
        {&m_btnNext, IDC_MSGMGR_PAGE_NEXT, &skin.m_btnNext},       {&m_btnLast, IDC_MSGMGR_PAGE_LAST, &skin.m_btnLast},
        {&m_btnCustFirst, IDC_MSGMGR_CUST_FIRST, &skin.m_btnFirst}, {&m_btnCustPrev, IDC_MSGMGR_CUST_PREV, &skin.m_btnPrew},
        {&m_btnCustNext, IDC_MSGMGR_CUST_NEXT, &skin.m_btnNext},   {&m_btnCustLast, IDC_MSGMGR_CUST_LAST, &skin.m_btnLast},
    };
    for (const PagerSkin& p : pagers) {
        if (!p.button->SubclassDlgItem(p.id, m_hWnd)) continue;
        p.button->SetBitmaps(p.paths->normal, p.paths->hover, p.paths->pressed, p.paths->normal);
    }
    const std::wstring talk = m_programFolder + L"Resource\\TavrelRes\\talk_";
    if (m_btnTalk.SubclassDlgItem(IDC_MSGMGR_TALK, m_hWnd))
        m_btnTalk.SetBitmaps(talk + L"01.bmp", talk + L"02.bmp", talk + L"03.bmp", talk + L"01.bmp");
    if (m_btnRefresh.SubclassDlgItem(IDC_MSGMGR_REFRESH, m_hWnd)) m_btnRefresh.ShowWindow(SW_HIDE);

    m_list.Subclass(GetDlgItem(IDC_MSGMGR_CUSTOMERS));
    m_pageBox.Attach(GetDlgItem(IDC_MSGMGR_PAGE_BOX));
    m_custPageBox.Attach(GetDlgItem(IDC_MSGMGR_CUST_PAGE_BOX));
    m_owners.Attach(GetDlgItem(IDC_MSGMGR_OWNERS));

    const std::wstring search = m_programFolder + L"Resource\\comm\\search\\";
    m_searchBox.SetBitmaps(search + L"left.bmp", search + L"right.bmp", search + L"mid.bmp", search + L"search.bmp",
                           search + L"close.bmp");
    m_searchBox.SetWindowSize(kSearchWidth, kSearchHeight);
    m_searchBox.SetSearchButtonRect({kSearchWidth - 34, 4, kSearchWidth - 22, 16});
    m_searchBox.SetClearButtonRect({kSearchWidth - 18, 4, kSearchWidth - 6, 16});
    if (m_searchBox.SubclassDlgItem(IDC_MSGMGR_SEARCH, m_hWnd)) {
        m_searchBox.SetEditRect(6, 4, kSearchWidth - 38, 18);
        m_searchBox.SetCueText(kSearchCue);
    }

    // The history: read-only, both scroll bars, its text wrapping at its
    // width, in the view's font.
    const RECT none = {0, 0, 0, 0};
    m_history.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY,
                     none, m_hWnd, IDC_MSGMGR_HISTORY);
    if (m_history.GetHwnd()) {
        m_history.SetReadOnly(true);
        m_history.SetFont(GetFont(), false);
        m_history.SendMessage(EM_SETTARGETDEVICE, 0, 0);
    }
}

void CMsgMgrView::CreateColumns() {
    if (m_columnsMade || !m_list.IsWindow()) return;
    if (m_list.GetColumnCount() == 0) {
        m_list.InsertColumn(0, L"客户", kColumnWidth);
        m_list.InsertColumn(1, L"结束时间", kColumnWidth);
    }
    // The first order: the newest end first.
    m_list.SortColumn(CMsgMgrModel::kSortByEndTime, false);
    m_columnsMade = true;
}

// ---------------------------------------------------------------------------
// What the main window calls
// ---------------------------------------------------------------------------

void CMsgMgrView::FillOwnerList() {
    if (!IsWindow()) return;
    m_model.FillOwnerList(g_GroupUserCache.users);
    Refresh();
}

void CMsgMgrView::AddMissingOwners() {
    if (!IsWindow()) return;
    m_model.AddMissingOwners(g_GroupUserCache.users);
}

void CMsgMgrView::FillCustomerList() {
    if (!IsWindow()) return;
    m_model.FillCustomerList();
    Refresh();
}

void CMsgMgrView::ShowPair(int32_t agentId, int32_t customerId) {
    if (!IsWindow()) return;
    m_model.ShowPair(agentId, customerId);
    Refresh();
}

// ---------------------------------------------------------------------------
// What the model shows
// ---------------------------------------------------------------------------

void CMsgMgrView::ShowHistoryText(const std::wstring& text) {
    if (!m_history.GetHwnd()) return;
    m_history.SetWindowText(text);
    // The objects that carried the pictures are gone with the text.
    m_pictures.clear();
}

void CMsgMgrView::ShowHistoryPieces(const std::vector<HistoryPiece>& pieces, const std::wstring& highlight) {
    ShowHistoryText(std::wstring());
    if (!m_history.GetHwnd()) return;
    m_history.SendMessage(WM_SETREDRAW, FALSE);
    historylog::WritePage(m_history, pieces, m_codePage, highlight,
                          [this](const std::wstring& name) { return ShowPicture(name); });
    m_history.SendMessage(WM_SETREDRAW, TRUE);
    m_history.Invalidate(true);
    m_history.PostMessage(WM_VSCROLL, SB_BOTTOM, 0);
}

// At the selection (the picture's stand-in).
bool CMsgMgrView::ShowPicture(const std::wstring& name) {
    const MsgMgrPicture place = m_model.PlacePicture(name);
    auto info = std::make_unique<PictureObjectInfo>();
    info->state = place.state;
    info->path = place.path;
    info->name = name;
    PictureObjectInfo* record = info.get();
    m_pictures.push_back(std::move(info));
    IRichEditOle* ole = m_history.GetOleInterface();
    if (!ole) return false;
    const BOOL inserted = m_history.InsertImageObject(ole, place.shown.c_str(), record);
    ole->Release();
    return inserted != FALSE;
}

void CMsgMgrView::ShowCustomerRows(const std::vector<MsgMgrCustomerRow>& rows) {
    if (!m_list.IsWindow()) return;
    m_list.SendMessage(WM_SETREDRAW, FALSE);
    m_list.DeleteAllItemsEx();
    for (size_t i = 0; i < rows.size(); ++i) {
        const MsgMgrCustomerRow& row = rows[i];
        const int index = m_list.InsertItemTexts(static_cast<int>(i), row.name);
        if (index < 0) continue;
        LVITEMW image = {};
        image.mask = LVIF_IMAGE;
        image.iItem = index;
        image.iImage = row.image;
        m_list.SendMessage(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&image));
        m_list.SetItemText(index, 1, row.endTime);
        m_list.StoreItemTexts(index);
    }
    m_list.SendMessage(WM_SETREDRAW, TRUE);
    m_list.Invalidate(true);
}

void CMsgMgrView::ShowOwners(const std::vector<MsgMgrOwner>& owners, int selected) {
    if (!m_owners.IsWindow()) return;
    m_owners.ResetContent();
    for (const MsgMgrOwner& owner : owners) {
        const int index = m_owners.AddString(owner.name);
        if (index >= 0) m_owners.SetItemData(index, owner.userId);
    }
    m_owners.SetCurSel(selected);
}

void CMsgMgrView::StartRetryTimer() {
    KillTimer(kRetryTimer);
    SetTimer(kRetryTimer, kRetryMs);
}

// ---------------------------------------------------------------------------
// Layout and painting
// ---------------------------------------------------------------------------

int CMsgMgrView::LayoutControls(int cx, int cy) {
    if (!m_ready) return 0;
    auto place = [](HWND control, int x, int y, int width, int height) {
        if (control) ::MoveWindow(control, x, y, width > 0 ? width : 0, height > 0 ? height : 0, TRUE);
    };
    place(m_btnTalk.GetHwnd(), 20, 3, 76, 20);
    place(m_searchBox.GetHwnd(), cx - 160, 2, kSearchWidth, kSearchHeight);
    place(m_list.GetHwnd(), 0, kTopBand, kListWidth, cy - 78);
    place(m_history.GetHwnd(), kListWidth, kTopBand, cx - 302, cy - 78);
    place(m_btnFirst.GetHwnd(), cx - 192, cy - 21, 14, 14);
    place(m_btnPrev.GetHwnd(), cx - 177, cy - 21, 14, 14);
    place(m_btnNext.GetHwnd(), cx - 50, cy - 21, 14, 14);
    place(m_btnLast.GetHwnd(), cx - 35, cy - 21, 14, 14);
    place(m_pageBox.GetHwnd(), cx - 138, cy - 23, 35, 18);
    place(m_btnCustFirst.GetHwnd(), 108, cy - 21, 14, 14);
    place(m_btnCustPrev.GetHwnd(), 123, cy - 21, 14, 14);
    place(m_btnCustNext.GetHwnd(), 250, cy - 21, 14, 14);
    place(m_btnCustLast.GetHwnd(), 265, cy - 21, 14, 14);
    place(m_custPageBox.GetHwnd(), 162, cy - 23, 35, 18);
    // A drop-down list's height includes its list.
    place(m_owners.GetHwnd(), 4, cy - 24, 100, 200);
    Invalidate(false);
    return 0;
}

RECT CMsgMgrView::TitleBand() const {
    const RECT client = GetClientRect();
    return {kListWidth, 30, client.right, kTopBand};
}

void CMsgMgrView::DrawPagerLabel(HDC dc, int x, int cy, int pageCount) const {
    const UINT line = DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX;
    RECT word = {x - 160, cy - 23, x - 145, cy - 3};
    ::DrawTextW(dc, L"第", -1, &word, line);
    RECT count = {x - 100, cy - 23, x - 33, cy - 3};
    const std::wstring pages = fw::FormatString(L"页/%d页", pageCount);
    ::DrawTextW(dc, pages.c_str(), -1, &count, line);
}

bool CMsgMgrView::OnPaint() {
    fw::CPaintDC paint(m_hWnd);
    HDC dc = paint;
    const RECT client = GetClientRect();
    const int cx = client.right;
    const int cy = client.bottom;
    if (cx > 0 && cy > 0) {
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
            RECT customers = {10, 30, 100, kTopBand};
            ::DrawTextW(memory, kCustomerList, -1, &customers, line);
            RECT title = {kListWidth, 30, cx - 10, kTopBand};
            ::DrawTextW(memory, m_model.Title().c_str(), -1, &title, line);
            DrawPagerLabel(memory, cx, cy, m_model.PagerPageCount());
            DrawPagerLabel(memory, kListWidth, cy, m_model.CustomerPageCount());
            ::SelectObject(memory, oldFont);
            ::SetTextColor(memory, oldColour);
            ::SetBkMode(memory, oldMode);
            memory.CopyTo(dc);
        }
    }
    return true;
}

void CMsgMgrView::SetBoxNumber(fw::CEdit& box, int number) {
    if (!box.IsWindow()) return;
    const std::wstring text = fw::FormatString(L"%d", number);
    if (box.GetWindowText() != text) box.SetWindowText(text);
}

void CMsgMgrView::Refresh() {
    if (!IsWindow()) return;
    SetBoxNumber(m_pageBox, m_model.PagerPage());
    SetBoxNumber(m_custPageBox, m_model.CustomerPage());
    const RECT client = GetClientRect();
    InvalidateRect(TitleBand(), false);
    InvalidateRect({client.right - 160, client.bottom - 23, client.right, client.bottom - 3}, false);
    InvalidateRect({kListWidth - 160, client.bottom - 23, kListWidth, client.bottom - 3}, false);
}

// ---------------------------------------------------------------------------
// Messages
// ---------------------------------------------------------------------------

LRESULT CMsgMgrView::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_EDITBTN_SEARCH:
        OnSearch();
        return 0;
    case WM_EDITBTN_CLEAR:
        OnClearSearch();
        return 0;
    case WM_DESTROY:
        KillTimer(kReloadTimer);
        KillTimer(kRetryTimer);
        break;
    case WM_NCDESTROY:
        m_pageBox.Detach();
        m_custPageBox.Detach();
        m_owners.Detach();
        break;
    default:
        break;
    }
    return CChildViewBase::WindowProc(msg, wParam, lParam);
}

bool CMsgMgrView::OnTimer(UINT_PTR id) {
    if (id == kReloadTimer) {
        m_model.OnReloadTimer();
        Refresh();
        return true;
    }
    if (id == kRetryTimer) {
        KillTimer(kRetryTimer);  // one retry
        m_model.OnRetryTimer();
        Refresh();
        return true;
    }
    return false;
}

bool CMsgMgrView::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    if (id == IDC_MSGMGR_SEARCH && code == EN_CHANGE) {
        OnSearchTextChanged();
        return true;
    }
    if (id == IDC_MSGMGR_OWNERS && code == CBN_SELCHANGE) {
        m_model.OnOwnerChanged(m_owners.GetCurSel());
        Refresh();
        return true;
    }
    if (code != BN_CLICKED) return CChildViewBase::OnCommand(wParam, lParam);
    switch (id) {
    case IDC_MSGMGR_PAGE_FIRST: m_model.OnHistoryPager(PagerButton::First); break;
    case IDC_MSGMGR_PAGE_PREV: m_model.OnHistoryPager(PagerButton::Previous); break;
    case IDC_MSGMGR_PAGE_NEXT: m_model.OnHistoryPager(PagerButton::Next); break;
    case IDC_MSGMGR_PAGE_LAST: m_model.OnHistoryPager(PagerButton::Last); break;
    case IDC_MSGMGR_CUST_FIRST: m_model.OnCustomerPager(PagerButton::First); break;
    case IDC_MSGMGR_CUST_PREV: m_model.OnCustomerPager(PagerButton::Previous); break;
    case IDC_MSGMGR_CUST_NEXT: m_model.OnCustomerPager(PagerButton::Next); break;
    case IDC_MSGMGR_CUST_LAST: m_model.OnCustomerPager(PagerButton::Last); break;
    case IDC_MSGMGR_TALK: OnStartConversation(); break;
    case IDC_MSGMGR_REFRESH: break;
    default: return CChildViewBase::OnCommand(wParam, lParam);
    }
    Refresh();
    return true;
}

bool CMsgMgrView::OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) {
    if (hdr && hdr->idFrom == IDC_MSGMGR_CUSTOMERS) {
        if (hdr->code == NM_CLICK) {
            m_model.OnCustomerClicked(reinterpret_cast<const NMITEMACTIVATE*>(hdr)->iItem);
            Refresh();
            *result = 0;
            return true;
        }
        if (hdr->code == LVN_COLUMNCLICK) {
            m_model.OnSortClick(reinterpret_cast<const NMLISTVIEW*>(hdr)->iSubItem, m_list.GetColumnCount());
            Refresh();
            *result = 0;
            return true;
        }
    }
    return CChildViewBase::OnNotify(wParam, hdr, result);
}

bool CMsgMgrView::PreTranslateMessage(MSG& msg) {
    if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) {
        if (msg.wParam == VK_RETURN && m_pageBox.IsWindow() && msg.hwnd == m_pageBox.GetHwnd()) OnPageBoxEnter();
        return true;
    }
    return CChildViewBase::PreTranslateMessage(msg);
}

void CMsgMgrView::OnPageBoxEnter() {
    if (!m_model.OnPageBoxEnter(m_pageBox.GetWindowText())) {
        fw::ShowMessageBox(m_hWnd, kBadPage, kDeskDisplayTitle, MB_OK);
        m_pageBox.SetFocus();
        return;
    }
    Refresh();
}

void CMsgMgrView::OnSearch() {
    const std::wstring keyword = m_searchBox.GetWindowText();
    m_searchBox.UpdateTextState();
    m_model.OnSearch(keyword);
    m_searchBox.Invalidate(false);
    Refresh();
}

void CMsgMgrView::OnClearSearch() {
    m_searchBox.SetWindowText(L"");  // EN_CHANGE leaves search mode
    m_searchBox.UpdateTextState();
    m_searchBox.Invalidate(false);
    if (m_model.InSearchMode()) m_model.LeaveSearch();
    Refresh();
}

void CMsgMgrView::OnSearchTextChanged() {
    m_searchBox.UpdateTextState();
    m_model.OnKeywordChanged(m_searchBox.GetWindowText());
    Refresh();
}

void CMsgMgrView::OnStartConversation() {
    int32_t customer = 0;
    int32_t owner = 0;
    if (!m_model.ConversationTarget(&customer, &owner)) return;
    if (g_hMainWnd)
        ::SendMessageW(g_hMainWnd, WM_OPEN_CHAT, static_cast<WPARAM>(customer), static_cast<LPARAM>(owner));
}
