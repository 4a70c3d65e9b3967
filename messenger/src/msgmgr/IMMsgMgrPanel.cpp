#include "IMMsgMgrPanel.h"

#include "DisplayTitle.h"
#include "HistoryLogWriter.h"
#include "IMStateQuery.h"
#include "PictureName.h"

#include "clientui/EngineModule.h"
#include "clientui/PanelDrawing.h"

#include "fw/DeviceContext.h"
#include "fw/MemoryDC.h"
#include "fw/MessageBoxSink.h"
#include "fw/StringUtil.h"

#include <commctrl.h>
#include <richedit.h>
#include <richole.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr COLORREF kTreeBackground = 0xFAF3E3;
constexpr COLORREF kLabelText = 0x141414;
constexpr COLORREF kTitleBack = 0xE1B432;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kButtonText = 0xFF0000;
constexpr DWORD kRecordViewStyle = 0x50300804;  // child, visible, both scroll bars, multi-line, read-only
constexpr wchar_t kPlaceholderPeer[] = L"客户经理—001";
constexpr wchar_t kNoNickname[] = L"如果没找到就显示此昵称";

const wchar_t* const kRanges[] = {L"最近一周", L"最近三月", L"最近一年", L"全部"};

std::wstring WindowTextOf(HWND window) {
    const int length = window ? ::GetWindowTextLengthW(window) : 0;
    if (length <= 0) return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    const int n = ::GetWindowTextW(window, buffer.data(), length + 1);
    return std::wstring(buffer.data(), n > 0 ? static_cast<size_t>(n) : 0);
}

bool FileExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

const wchar_t CIMMsgMgrPanel::kTitle[] = L"消息管理器";
const wchar_t CIMMsgMgrPanel::kRootText[] = L"所有分组";
const wchar_t CIMMsgMgrPanel::kSystemText[] = L"系统消息";
const wchar_t CIMMsgMgrPanel::kNoKeyword[] = L"请输入查找内容！";
const wchar_t CIMMsgMgrPanel::kNoHistory[] = L"没有消息记录";

// ---------------------------------------------------------------------------
// The contact list
// ---------------------------------------------------------------------------

LRESULT CIMMsgMgrList::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHEADERW*>(lParam);
        if (header && (header->hdr.code == HDN_ITEMCHANGINGW || header->hdr.code == HDN_ITEMCHANGINGA) &&
            header->pitem && (header->pitem->mask & HDI_WIDTH))
            header->pitem->cxy = CIMMsgMgrModel::ClampColumnWidth(header->iItem, header->pitem->cxy);
    }
    return CScrollBarList::WindowProc(msg, wParam, lParam);
}

// ---------------------------------------------------------------------------
// The panel
// ---------------------------------------------------------------------------

CIMMsgMgrPanel::CIMMsgMgrPanel(HINSTANCE instance, std::wstring programFolder)
    : CPanelBase(kTemplateId, instance, std::move(programFolder)), m_monthCal(instance) {}

CIMMsgMgrPanel::~CIMMsgMgrPanel() = default;

BOOL CIMMsgMgrPanel::OnInitDialog() {
    CPanelBase::OnInitDialog();
    SetResizable(true);
    SetMaximizable(true);
    m_font.Reset(CreateArialFont(9));
    m_treeBrush.Reset(::CreateSolidBrush(kTreeBackground));
    m_msgSkin.Load(m_skin.GetProgramFolder());
    CopyEngineData();

    const auto place = [this](int id, int x, int y, int w, int h) {
        if (HWND control = GetDlgItem(id)) ::SetWindowPos(control, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    place(kImportExport, 6, 30, 85, 20);
    place(kDelete, 103, 30, 45, 20);
    place(kRefresh, 162, 30, 45, 20);
    place(kSearch, 727, 30, 62, 20);
    place(kCategoryBox, 308, 30, 83, 22);
    place(kRangeBox, 396, 30, 83, 22);
    place(kKeyword, 588, 30, 135, 20);

    m_strPeer = kPlaceholderPeer;
    m_strTitle = CIMMsgMgrModel::RecordTitle(m_strPeer);
    m_bRecordMode = false;

    BindControls();
    FillContactTree();
    m_model.LoadLatestContacts(CIMMsgMgrModel::LatestContactPath(m_skin.GetProgramFolder(), m_model.GetOwnId()));
    FillContactList();
    FillBoxes();

    const RECT none = {0, 0, 0, 0};
    // The date picker opens over the view: the view never paints over it.
    m_view.Create(kRecordViewStyle | WS_CLIPSIBLINGS, none, m_hWnd, kRecordView);
    if (m_view.GetHwnd()) {
        m_view.SetReadOnly(true);
        m_view.SetFont(m_font.Get(), false);
        ::SetScrollRange(m_view.GetHwnd(), SB_HORZ, 0, ::GetSystemMetrics(SM_CXSCREEN), FALSE);
    }
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_DATE_CLASSES};
    ::InitCommonControlsEx(&controls);
    m_monthCal.Create(m_hWnd);

    for (int id : {kDate, kFirst, kPrevious, kNext, kLast, kPageEdit, kDateEdit, kBack})
        if (HWND control = GetDlgItem(id)) ::ShowWindow(control, SW_HIDE);
    if (m_view.GetHwnd()) m_view.ShowWindow(SW_HIDE);
    if (m_monthCal.IsWindow()) m_monthCal.ShowWindow(SW_HIDE);

    SetWindowText(kTitle);
    SetWindowPos(nullptr, 0, 0, kDefaultWidth, kDefaultHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT work = {};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(nullptr, work.left + (work.right - work.left - kDefaultWidth) / 2,
                 work.top + (work.bottom - work.top - kDefaultHeight) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(SW_SHOW);
    m_bInitialised = true;
    Layout();
    return TRUE;
}

void CIMMsgMgrPanel::CopyEngineData() {
    const int32_t own = g_EngineModule.MGetCurUserID ? g_EngineModule.MGetCurUserID() : 0;
    const UserInfoBase* ownRecord = g_EngineModule.MGetUserInfoBase ? g_EngineModule.MGetUserInfoBase(own) : nullptr;
    const FriendMap* friends = g_EngineModule.MGetFriendList ? g_EngineModule.MGetFriendList(own) : nullptr;
    m_model.SetFriends(own, ownRecord, friends);
}

void CIMMsgMgrPanel::BindControls() {
    struct Pictured {
        CSkinBtn* button;
        int id;
        const SkinButtonPaths* paths;
    };
    for (const Pictured& p :
         {Pictured{&m_btnSearch, kSearch, &m_msgSkin.m_btnSearch}, Pictured{&m_btnDate, kDate, &m_msgSkin.m_btnData},
          Pictured{&m_btnFirst, kFirst, &m_msgSkin.m_btnFirst}, Pictured{&m_btnPrevious, kPrevious, &m_msgSkin.m_btnPrew},
          Pictured{&m_btnNext, kNext, &m_msgSkin.m_btnNext}, Pictured{&m_btnLast, kLast, &m_msgSkin.m_btnLast}}) {
        if (!p.button->SubclassDlgItem(p.id, m_hWnd)) continue;
        p.button->SetBitmaps(p.paths->normal, p.paths->hover, p.paths->pressed, p.paths->normal);
    }
    struct Captioned {
        CSkinBtn* button;
        int id;
        const SkinButtonPaths* paths;
        int textX;
        int textY;
    };
    const SkinButtonPaths importIcon = {m_msgSkin.m_strIco01, m_msgSkin.m_strIco01, m_msgSkin.m_strIco01};
    for (const Captioned& c : {Captioned{&m_btnImportExport, kImportExport, &importIcon, 20, 2},
                               Captioned{&m_btnDelete, kDelete, &m_msgSkin.m_btnIco03, 20, 2},
                               Captioned{&m_btnRefresh, kRefresh, &m_msgSkin.m_btnIco02, 20, 2},
                               Captioned{&m_btnBack, kBack, nullptr, 16, 0}}) {
        if (!c.button->SubclassDlgItem(c.id, m_hWnd)) continue;
        if (c.paths) {
            c.button->SetIconImages(c.paths->normal, c.paths->hover);
            c.button->SetIconRect(0, 0, 20, 20);
        } else {
            c.button->SetIconImages(m_msgSkin.m_strBackNormal, m_msgSkin.m_strBackNormal);
            c.button->SetIconRect(0, 0, 16, 16);
        }
        c.button->SetTextPos(c.textX, c.textY);
        c.button->SetTextColors(kButtonText, 0, kWhite);
        c.button->SetFont(m_font.Get(), false);
    }
    m_categoryBox.Attach(GetDlgItem(kCategoryBox));
    m_rangeBox.Attach(GetDlgItem(kRangeBox));
    m_keyword.Attach(GetDlgItem(kKeyword));
    m_pageEdit.Attach(GetDlgItem(kPageEdit));
    m_dateEdit.Attach(GetDlgItem(kDateEdit));
    m_tree.Subclass(GetDlgItem(kTree));
    m_list.Subclass(GetDlgItem(kList));
}

void CIMMsgMgrPanel::FillContactTree() {
    if (!m_tree.IsWindow()) return;
    m_tree.SendMessage(TVM_SETBKCOLOR, 0, kTreeBackground);
    m_tree.DeleteAllItems();
    HTREEITEM root = m_tree.InsertItem(kRootText, TVI_ROOT, TVI_LAST, 0);
    const std::vector<MsgMgrCategory>& categories = m_model.GetCategories();
    for (size_t c = 0; c < categories.size(); ++c) {
        const MsgMgrCategory& category = categories[c];
        HTREEITEM item = m_tree.InsertItem(category.name, root, TVI_LAST, static_cast<LPARAM>(c));
        for (const MsgMgrFriend& member : category.friends)
            m_tree.InsertItem(CIMMsgMgrModel::FriendItemText(member.nickname, member.userId), item, TVI_LAST,
                              member.userId);
        m_tree.SetItemText(item, CIMMsgMgrModel::CategoryItemText(category));
        m_tree.Expand(item);
    }
    m_tree.InsertItem(kSystemText, root, TVI_LAST, -1);
    m_tree.Expand(root);
}

void CIMMsgMgrPanel::FillContactList() {
    if (!m_list.IsWindow()) return;
    m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    if (m_list.GetColumnCount() == 0) {
        m_list.InsertColumn(0, L"昵称", 200);
        m_list.InsertColumn(1, L"帐号", 200);
        m_list.InsertColumn(2, L"最后交流时间", 200);
        m_list.SendMessage(LVM_SETCOLUMNWIDTH, 2, kDefaultWidth - 400 - 200 - 13);
    }
    ShowCategory(-1);
}

void CIMMsgMgrPanel::ShowCategory(int category) {
    if (!m_list.IsWindow()) return;
    // Drawing is held while the rows go in: each row would otherwise make
    // the list update its scroll bars and invalidate itself.
    m_list.SendMessage(WM_SETREDRAW, FALSE);
    m_list.DeleteAllItemsEx();
    const std::vector<MsgMgrCategory>& categories = m_model.GetCategories();
    int row = 0;
    for (size_t c = 0; c < categories.size(); ++c) {
        if (category >= 0 && static_cast<size_t>(category) != c) continue;
        for (const MsgMgrFriend& member : categories[c].friends) {
            const int index = m_list.InsertItemTexts(row, member.nickname);
            if (index < 0) continue;
            m_list.SetItemText(index, 1, std::to_wstring(member.userId));
            m_list.SetItemText(index, 2, m_model.GetLastContactTime(member.userId));
            m_list.StoreItemTexts(index);
            ++row;
        }
    }
    m_list.SendMessage(WM_SETREDRAW, TRUE);
    m_list.Invalidate(true);
}

void CIMMsgMgrPanel::FillBoxes() {
    if (m_categoryBox.IsWindow()) {
        m_categoryBox.ResetContent();
        for (const MsgMgrCategory& category : m_model.GetCategories()) m_categoryBox.AddString(category.name);
        m_categoryBox.SetCurSel(0);
    }
    if (m_rangeBox.IsWindow()) {
        m_rangeBox.ResetContent();
        for (const wchar_t* range : kRanges) m_rangeBox.AddString(range);
        m_rangeBox.SetCurSel(0);
    }
}

HTREEITEM CIMMsgMgrPanel::FindTreeItem(const std::wstring& text) const {
    // Depth first from the first root.
    std::vector<HTREEITEM> pending;
    if (HTREEITEM root = m_tree.GetRootItem()) pending.push_back(root);
    while (!pending.empty()) {
        HTREEITEM item = pending.back();
        pending.pop_back();
        if (m_tree.GetItemText(item) == text) return item;
        if (HTREEITEM next = m_tree.GetNextSiblingItem(item)) pending.push_back(next);
        if (HTREEITEM child = m_tree.GetChildItem(item)) pending.push_back(child);
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// Modes and layout
// ---------------------------------------------------------------------------

void CIMMsgMgrPanel::ShowModeControls() {
    const int record = m_bRecordMode ? SW_SHOW : SW_HIDE;
    for (int id : {kFirst, kPrevious, kNext, kLast, kPageEdit})
        if (HWND control = GetDlgItem(id)) ::ShowWindow(control, record);
    // The date button and the date edit stand for the history, not the hits.
    const int dated = (m_bRecordMode && !m_bSearchMode) ? SW_SHOW : SW_HIDE;
    for (int id : {kDate, kDateEdit})
        if (HWND control = GetDlgItem(id)) ::ShowWindow(control, dated);
    if (m_view.GetHwnd()) m_view.ShowWindow(record);
    if (m_list.IsWindow()) m_list.ShowWindow(m_bRecordMode ? SW_HIDE : SW_SHOW);
    if (HWND back = GetDlgItem(kBack)) ::ShowWindow(back, (m_bRecordMode && m_bSearchMode) ? SW_SHOW : SW_HIDE);
}

void CIMMsgMgrPanel::Layout() {
    if (!m_bInitialised) return;
    const RECT client = GetClientRect();
    const int w = client.right;
    const int h = client.bottom;
    const int top = m_nCaptionHeight + kToolBarHeight;
    const auto place = [this](int id, int x, int y, int cx, int cy) {
        if (HWND control = GetDlgItem(id))
            ::SetWindowPos(control, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    place(IDC_PANEL_CLOSE, w - 35, 1, 29, 18);
    place(IDC_PANEL_MAXIMIZE, w - 56, 1, 21, 18);
    place(IDC_PANEL_MINIMIZE, w - 78, 1, 22, 18);
    place(kTree, 1, top, kTreeWidth, h - top - kBottomBarHeight);
    if (m_bRecordMode) {
        if (m_view.GetHwnd())
            ::SetWindowPos(m_view.GetHwnd(), nullptr, 205, top + 28, w - 1 - 205, h - 29 - (top + 28),
                           SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        place(kList, 205, top, w - 208, h - top - kBottomBarHeight);
    }
    place(kDate, 283, h - 25, 22, 22);
    place(kFirst, w - 192, h - 21, 14, 14);
    place(kPrevious, w - 177, h - 21, 14, 14);
    place(kNext, w - 50, h - 21, 14, 14);
    place(kLast, w - 35, h - 21, 14, 14);
    place(kDateEdit, 210, h - 23, 72, 18);
    place(kPageEdit, w - 138, h - 23, 35, 18);
    place(kBack, w - 50, top + 6, 45, 16);
}

bool CIMMsgMgrPanel::OnSize(UINT type, int cx, int cy) {
    CPanelBase::OnSize(type, cx, cy);
    if (type != SIZE_MINIMIZED) {
        Layout();
        Invalidate(false);
    }
    return true;
}

void CIMMsgMgrPanel::HidePanel() {
    if (m_monthCal.IsWindow()) m_monthCal.ShowWindow(SW_HIDE);
    ShowWindow(SW_HIDE);
}

bool CIMMsgMgrPanel::OnClose() {
    HidePanel();
    return true;
}

bool CIMMsgMgrPanel::PreTranslateMessage(MSG& msg) {
    // Enter and Esc neither search nor close the window.
    if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE) &&
        (msg.hwnd == m_hWnd || ::IsChild(m_hWnd, msg.hwnd)))
        return true;
    return CPanelBase::PreTranslateMessage(msg);
}

LRESULT CIMMsgMgrPanel::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == IMStateQueryMessage()) return OnStateQuery(wParam, lParam);
    switch (msg) {
    case WM_MONTHCAL_SELECT:
        JumpToDate(static_cast<int32_t>(wParam) * 10000 + static_cast<int32_t>(lParam));
        return 1;
    case WM_GETMINMAXINFO:
        FitMaximizedToWorkArea(reinterpret_cast<MINMAXINFO*>(lParam), SIZE{kDefaultWidth, kDefaultHeight});
        return 0;
    case WM_ACTIVATE:
        if (m_monthCal.IsWindow()) m_monthCal.ShowWindow(SW_HIDE);
        Invalidate(false);
        break;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        break;
    default:
        break;
    }
    return CPanelBase::WindowProc(msg, wParam, lParam);
}

bool CIMMsgMgrPanel::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (lParam && code != BN_CLICKED) return CPanelBase::OnCommand(wParam, lParam);
    switch (id) {
    case IDC_PANEL_CLOSE:
        HidePanel();
        return true;
    case kImportExport:
        return true;
    case kDelete:
        if (m_bRecordMode) ClearView();
        return true;
    case kRefresh:
        if (m_bRecordMode) {
            if (m_bSearchMode)
                ShowSearchPage(m_nSearchPage);
            else
                ShowPage(m_nCurPage);
        }
        return true;
    case kSearch:
        OnSearch();
        return true;
    case kBack:
        OnBack();
        return true;
    case kDate:
        OnOpenDatePicker();
        return true;
    case kFirst:
    case kPrevious:
    case kNext:
    case kLast:
        OnPager(id);
        return true;
    default:
        return CPanelBase::OnCommand(wParam, lParam);
    }
}

bool CIMMsgMgrPanel::OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) {
    if (hdr && hdr->idFrom == static_cast<UINT_PTR>(kTree) && hdr->code == NM_CLICK) {
        OnTreeClick();
        *result = 0;
        return true;
    }
    if (hdr && hdr->idFrom == static_cast<UINT_PTR>(kList) && hdr->code == LVN_COLUMNCLICK) {
        OnListColumnClick(reinterpret_cast<NMLISTVIEW*>(hdr)->iSubItem);
        *result = 0;
        return true;
    }
    if (hdr && hdr->idFrom == static_cast<UINT_PTR>(kList) && hdr->code == NM_DBLCLK) {
        OnListDoubleClick(reinterpret_cast<NMITEMACTIVATE*>(hdr)->iItem);
        *result = 0;
        return true;
    }
    return CPanelBase::OnNotify(wParam, hdr, result);
}

// ---------------------------------------------------------------------------
// Entry points
// ---------------------------------------------------------------------------

void CIMMsgMgrPanel::ShowUser(const UserInfoBase& peer) {
    const std::wstring nickname = fw::FromAnsiField(peer.nickname);
    const std::wstring text = fw::FormatString(L"%ls(%d)", nickname.c_str(), peer.userId);
    EnterRecordMode(text, peer.userId);
    if (HTREEITEM item = FindTreeItem(text)) m_tree.SendMessage(TVM_SELECTITEM, TVGN_FIRSTVISIBLE,
                                                                reinterpret_cast<LPARAM>(item));
    Invalidate(false);
    ShowModeControls();
}

void CIMMsgMgrPanel::EnterRecordMode(const std::wstring& peerText, int32_t peerId) {
    // Another peer's history is never shown through the last peer's hits.
    LeaveSearchMode();
    m_nPeerId = peerId;
    m_strPeer = peerText;
    m_strTitle = CIMMsgMgrModel::RecordTitle(m_strPeer);
    m_bRecordMode = true;
    Layout();
    ShowHistory(peerId);
}

void CIMMsgMgrPanel::OnTreeClick() {
    if (!m_tree.IsWindow()) return;
    POINT point = {};
    ::GetCursorPos(&point);
    ::ScreenToClient(m_tree.GetHwnd(), &point);
    UINT flags = 0;
    HTREEITEM item = m_tree.HitTest(point, &flags);
    LeaveSearchMode();
    if (item && (flags & TVHT_ONITEMBUTTON)) {
        m_tree.SelectItem(item);
        m_bRecordMode = false;
    }
    if (item) {
        if (m_tree.GetChildItem(item)) {
            const bool isRoot = m_tree.GetParentItem(item) == nullptr;
            const int category = isRoot ? -1 : static_cast<int>(m_tree.GetItemData(item));
            if (m_categoryBox.IsWindow()) m_categoryBox.SetCurSel(category < 0 ? 0 : category);
            m_bRecordMode = false;
            m_model.LoadLatestContacts(
                CIMMsgMgrModel::LatestContactPath(m_skin.GetProgramFolder(), m_model.GetOwnId()));
            ShowCategory(category);
            Layout();
        } else {
            const std::wstring text = m_tree.GetItemText(item);
            EnterRecordMode(text, CIMMsgMgrModel::PeerIdOfItemText(text));
        }
        Invalidate(false);
    }
    ShowModeControls();
}

void CIMMsgMgrPanel::OnListDoubleClick(int row) {
    if (row < 0 || row >= m_list.GetItemCount()) return;
    const std::wstring nickname = m_list.GetItemText(row, 0);
    const std::wstring account = m_list.GetItemText(row, 1);
    const int32_t peerId = CIMMsgMgrModel::PeerIdOfItemText(L"(" + account + L")");
    EnterRecordMode(nickname, peerId);
    if (HTREEITEM item = FindTreeItem(nickname + L"(" + account + L")"))
        m_tree.SendMessage(TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(item));
    Invalidate(false);
    ShowModeControls();
}

namespace {

struct ListSort {
    int column;
    bool ascending;
};

int CALLBACK CompareContactRows(LPARAM first, LPARAM second, LPARAM param) {
    const auto* sort = reinterpret_cast<const ListSort*>(param);
    const auto* a = reinterpret_cast<const ListRowRecord*>(first);
    const auto* b = reinterpret_cast<const ListRowRecord*>(second);
    const auto text = [sort](const ListRowRecord* row) {
        return row && static_cast<size_t>(sort->column) < row->texts.size() ? row->texts[sort->column]
                                                                            : std::wstring();
    };
    const int order = CIMMsgMgrModel::CompareListTexts(sort->column, text(a), text(b));
    return sort->ascending ? order : -order;
}

}  // namespace

void CIMMsgMgrPanel::OnListColumnClick(int column) {
    // The list has turned its header's arrow: the rows follow it.
    if (column < 0 || column > 2) return;
    ListSort sort = {column, m_list.GetSortColumn() == column ? m_list.IsSortAscending() : true};
    m_list.SendMessage(LVM_SORTITEMS, reinterpret_cast<WPARAM>(&sort), reinterpret_cast<LPARAM>(&CompareContactRows));
}

// ---------------------------------------------------------------------------
// History pages
// ---------------------------------------------------------------------------

bool CIMMsgMgrPanel::LoadHistoryFile(int32_t peerId) {
    m_book.Clear();
    m_nPageCount = 0;
    m_nCurPage = 0;
    if (peerId == 0) return false;
    if (!m_book.Load(CIMMsgMgrModel::HistoryPath(m_skin.GetProgramFolder(), m_model.GetOwnId(), peerId))) return false;
    m_nPageCount = m_book.GetPageCount();
    return true;
}

void CIMMsgMgrPanel::ShowHistory(int32_t peerId) {
    LoadHistoryFile(peerId);
    if (m_bSearchMode)
        ShowSearchPage(m_nSearchPageCount);
    else
        ShowPage(m_nPageCount);
    UpdatePagerTexts();
}

void CIMMsgMgrPanel::ClearView() {
    if (m_view.GetHwnd()) {
        // Emptied with drawing held: the view is painted once, with what
        // comes next.
        m_view.SendMessage(WM_SETREDRAW, FALSE);
        m_view.SetSel(0, -1);
        m_view.ReplaceSel(L"");
        CHARFORMATW plain = {};
        plain.cbSize = sizeof plain;
        plain.dwMask = CFM_COLOR | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE;
        plain.dwEffects = 0;
        plain.crTextColor = 0;
        m_view.SetSelectionCharFormat(plain);
        m_view.SendMessage(WM_SETREDRAW, TRUE);
        m_view.Invalidate(true);
    }
    m_pictures.clear();
}

void CIMMsgMgrPanel::ShowPage(int page) {
    ClearView();
    // A history file that could not be read says so (under the records
    // that could be read, or instead of an empty history).
    const std::wstring& notice = m_book.GetDamageNotice();
    if (!m_book.IsLoaded()) {
        if (!notice.empty()) WritePieces({CHistoryPageBook::NoticePiece(notice)}, std::wstring());
        return;
    }
    m_nCurPage = page;
    int start = 0;
    int end = 0;
    if (!CHistoryPageBook::PageRange(m_book.GetRecordCount(), page, &start, &end)) return;
    CHistoryPageBook::Style style;
    style.headerPoints = 0;
    const auto names = [this](int32_t id, std::wstring* name) { return m_model.GetNickName(id, name); };
    std::vector<HistoryPiece> pieces = m_book.BuildPage(page, m_model.GetOwnId(), names, style);
    if (!notice.empty()) pieces.push_back(CHistoryPageBook::NoticePiece(notice));
    WritePieces(pieces, std::wstring());
    if (end > start) {
        // The date of the last date line drawn: the last record's.
        const int32_t date = m_book.GetRecord(end - 1).date;
        m_stShown = SYSTEMTIME{};
        m_stShown.wYear = static_cast<WORD>(date / 10000);
        m_stShown.wMonth = static_cast<WORD>(date % 10000 / 100);
        m_stShown.wDay = static_cast<WORD>(date % 100);
        m_monthCal.SetCurSel(m_stShown);
        m_strDate = CIMMsgMgrModel::DateEditText(m_stShown);
    }
    if (m_view.GetHwnd()) m_view.SendMessage(WM_VSCROLL, SB_BOTTOM, 0);
}

void CIMMsgMgrPanel::WritePieces(const std::vector<HistoryPiece>& pieces, const std::wstring& highlight) {
    if (!m_view.GetHwnd()) return;
    // Drawing is held while the page goes in: the view shown would
    // otherwise redraw itself at every piece.
    m_view.SendMessage(WM_SETREDRAW, FALSE);
    historylog::WritePage(m_view, pieces, m_codePage, highlight,
                          [this](const std::wstring& name) { return InsertHistoryPicture(name); });
    m_view.SendMessage(WM_SETREDRAW, TRUE);
    m_view.Invalidate(true);
}

bool CIMMsgMgrPanel::InsertHistoryPicture(const std::wstring& name) {
    auto info = std::make_unique<PictureObjectInfo>();
    info->name = name;
    // A name that breaks the file-name rule never becomes a path; nothing is
    // fetched: a missing picture shows the error picture.
    const std::wstring& folder = m_skin.GetProgramFolder();
    if (clientui::IsSafePictureName(name, m_codePage))
        info->path = folder + fw::FormatString(L"%d\\Image\\", m_model.GetOwnId()) + name;
    std::wstring shown = info->path;
    if (!info->path.empty() && FileExists(info->path)) {
        info->state = PictureObjectInfo::kShown;
    } else {
        info->state = PictureObjectInfo::kError;
        shown = folder + L"Resource\\chat\\errorBmp.gif";
    }
    PictureObjectInfo* record = info.get();
    m_pictures.push_back(std::move(info));
    IRichEditOle* ole = m_view.GetOleInterface();
    if (!ole) return false;
    // The writer has selected the picture's stand-in: the picture replaces it.
    const BOOL inserted = m_view.InsertImageObject(ole, shown.c_str(), record);
    ole->Release();
    return inserted != FALSE;
}

void CIMMsgMgrPanel::OnPager(int id) {
    const bool search = m_bSearchMode;
    const int page = search ? m_nSearchPage : m_nCurPage;
    const int pages = search ? m_nSearchPageCount : m_nPageCount;
    int next = page;
    switch (id) {
    case kFirst:
        next = CIMMsgMgrModel::FirstPage(pages);
        break;
    case kPrevious:
        next = CIMMsgMgrModel::PreviousPage(page);
        break;
    case kNext:
        next = CIMMsgMgrModel::NextPage(page, pages);
        break;
    case kLast:
        next = pages;
        break;
    default:
        break;
    }
    if (search)
        ShowSearchPage(next);
    else
        ShowPage(next);
    UpdatePagerTexts();
}

void CIMMsgMgrPanel::UpdatePagerTexts() {
    const int page = m_bSearchMode ? m_nSearchPage : m_nCurPage;
    const int pages = m_bSearchMode ? m_nSearchPageCount : m_nPageCount;
    if (m_pageEdit.IsWindow()) m_pageEdit.SetWindowText(fw::FormatString(L"%d", page));
    if (m_dateEdit.IsWindow()) m_dateEdit.SetWindowText(m_strDate);
    m_strPageCount = CIMMsgMgrModel::PageCountText(pages);
    Invalidate(false);
}

// ---------------------------------------------------------------------------
// Search
// ---------------------------------------------------------------------------

void CIMMsgMgrPanel::OnSearch() {
    if (!m_bRecordMode) return;
    const std::wstring keyword = WindowTextOf(m_keyword.GetHwnd());
    if (keyword.empty()) {
        fw::ShowMessageBox(m_hWnd, kNoKeyword, kMessengerDisplayTitle, MB_OK);
        return;
    }
    m_strKeyword = keyword;
    m_bSearchMode = true;
    StartSearch();
    ShowModeControls();
    UpdatePagerTexts();
}

void CIMMsgMgrPanel::StartSearch() {
    m_nCategorySel = m_categoryBox.IsWindow() ? m_categoryBox.GetCurSel() : -1;
    m_nRangeSel = m_rangeBox.IsWindow() ? m_rangeBox.GetCurSel() : -1;
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    SearchHistory(m_strKeyword, CIMMsgMgrModel::CutOffDate(m_nRangeSel, now));
}

void CIMMsgMgrPanel::ShowNothingFound() {
    ClearView();
    m_strTitle = CIMMsgMgrModel::NothingFoundTitle(m_strKeyword);
    m_nSearchPageCount = 0;
    m_nSearchPage = 0;
    ShowModeControls();
    Invalidate(false);
}

void CIMMsgMgrPanel::SearchHistory(const std::wstring& keyword, int32_t cutOff) {
    m_hits.clear();
    m_nSearchPageCount = 0;
    m_nSearchPage = 0;
    if (!m_book.IsLoaded()) {
        ShowNothingFound();
        return;
    }
    m_hits = m_book.FindRecordsSince(keyword, cutOff);
    if (m_hits.empty()) {
        ShowNothingFound();
        return;
    }
    m_nSearchPageCount = CHistoryPageBook::PageCountFor(static_cast<int>(m_hits.size()));
    ShowSearchPage(m_nSearchPageCount);
}

void CIMMsgMgrPanel::ShowSearchPage(int page) {
    ClearView();
    if (m_hits.empty()) {
        ShowNothingFound();
        return;
    }
    m_nSearchPage = page;
    CHistoryPageBook::Style style;
    style.headerPoints = 0;
    const auto names = [this](int32_t id, std::wstring* name) { return m_model.GetNickName(id, name); };
    WritePieces(m_book.BuildHitPage(m_hits, page, names, style), m_strKeyword);
    m_strTitle = CIMMsgMgrModel::FoundTitle(static_cast<int>(m_hits.size()));
    ShowModeControls();
    Invalidate(false);
}

void CIMMsgMgrPanel::LeaveSearchMode() {
    m_bSearchMode = false;
    m_hits.clear();
    m_nSearchPage = 0;
    m_nSearchPageCount = 0;
}

void CIMMsgMgrPanel::OnBack() {
    LeaveSearchMode();
    ShowPage(m_nCurPage);
    m_strTitle = CIMMsgMgrModel::RecordTitle(m_strPeer);
    ShowModeControls();
    UpdatePagerTexts();
}

// ---------------------------------------------------------------------------
// Date picker and date jump
// ---------------------------------------------------------------------------

void CIMMsgMgrPanel::OnOpenDatePicker() {
    if (!m_monthCal.IsWindow()) return;
    const RECT client = GetClientRect();
    // 270 x 155 above the pager, grown to what the calendar needs to show a
    // whole month with its "today" line.
    int width = 270;
    int height = 155;
    RECT needed = {};
    HWND calendar = m_monthCal.GetCalendar();
    if (calendar && ::SendMessageW(calendar, MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&needed))) {
        width = std::max(width, static_cast<int>(needed.right - needed.left) + 2);
        height = std::max(height, static_cast<int>(needed.bottom - needed.top) + 2);
    }
    m_monthCal.SetWindowPos(HWND_TOP, 283, client.bottom - 25 - height, width, height, SWP_NOACTIVATE);
    if (calendar) ::SetWindowPos(calendar, nullptr, 0, 0, width - 2, height - 2, SWP_NOZORDER | SWP_NOACTIVATE);
    if (m_stShown.wYear) m_monthCal.SetCurSel(m_stShown);
    m_monthCal.ShowWindow(SW_SHOW);
}

void CIMMsgMgrPanel::JumpToDate(int32_t date) {
    if (m_monthCal.IsWindow()) m_monthCal.ShowWindow(SW_HIDE);
    int page = 0;
    switch (CIMMsgMgrModel::JumpToDate(m_book, date, &page)) {
    case CIMMsgMgrModel::kJumpNoHistory:
        fw::ShowMessageBox(m_hWnd, kNoHistory, kMessengerDisplayTitle, MB_OK);
        return;
    case CIMMsgMgrModel::kJumpNoDay:
        fw::ShowMessageBox(m_hWnd, CIMMsgMgrModel::NoDayText(date), kMessengerDisplayTitle, MB_OK);
        return;
    case CIMMsgMgrModel::kJumpPage:
        break;
    }
    // The day is shown in the history, not among the hits.
    if (m_bSearchMode) {
        LeaveSearchMode();
        m_strTitle = CIMMsgMgrModel::RecordTitle(m_strPeer);
    }
    ShowPage(page);
    ShowModeControls();
    UpdatePagerTexts();
}

// ---------------------------------------------------------------------------
// Painting
// ---------------------------------------------------------------------------

bool CIMMsgMgrPanel::OnPaint() {
    fw::CPaintDC paint(m_hWnd);
    const RECT client = GetClientRect();
    {
        fw::CMemoryDC memory(paint, client.right, client.bottom);
        HDC dc = memory.IsValid() ? memory.Get() : paint.Get();
        PaintSurface(dc, client.right, client.bottom);
        // The panel paints under its image buttons (which keep what lies
        // under them as their background) but not over its other controls.
        for (HWND child : {GetDlgItem(kTree), GetDlgItem(kList), m_view.GetHwnd(), GetDlgItem(kCategoryBox),
                           GetDlgItem(kRangeBox), GetDlgItem(kKeyword), GetDlgItem(kPageEdit), GetDlgItem(kDateEdit),
                           m_monthCal.GetHwnd()}) {
            if (!child || !::IsWindowVisible(child)) continue;
            RECT rect = {};
            ::GetWindowRect(child, &rect);
            ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
            ::ExcludeClipRect(paint, rect.left, rect.top, rect.right, rect.bottom);
        }
        if (memory.IsValid()) memory.CopyTo(paint);
    }
    ::SelectClipRgn(paint, nullptr);
    DrawPanelFrame(paint, m_hWnd);
    return true;
}

void CIMMsgMgrPanel::PaintSurface(HDC dc, int w, int h) {
    const int top = m_nCaptionHeight + kToolBarHeight;
    fw::CSelectObject font(dc, m_font.Get());
    ::SetBkMode(dc, TRANSPARENT);

    // Caption.
    const RECT caption = {0, 0, w, m_nCaptionHeight};
    if (m_skin.m_bmpTitle) {
        DrawBitmapTiled(m_skin.m_bmpTitle, dc, 0, 0, w, m_nCaptionHeight);
    } else {
        fw::CBrush back(::CreateSolidBrush(kTitleBack));
        ::FillRect(dc, &caption, back.Get());
    }
    if (m_skin.m_hIcon) ::DrawIconEx(dc, 5, 5, m_skin.m_hIcon, 16, 16, 0, nullptr, DI_NORMAL);
    ::SetTextColor(dc, kLabelText);
    RECT title = {25, 4, 105, 20};
    ::DrawTextW(dc, kTitle, -1, &title, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);

    // Tool bar with its labels.
    DrawBitmapTiled(m_msgSkin.m_bmpToolBar, dc, 0, top - kToolBarHeight, w, top);
    RECT range = {235, 30, 305, 50};
    ::DrawTextW(dc, L"查找范围：", -1, &range, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
    RECT what = {505, 30, 585, 50};
    ::DrawTextW(dc, L"查找内容：", -1, &what, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);

    // Body and bottom band.
    DrawGradientRect(RECT{0, top, w, h - kBottomBarHeight}, kWhite, kTreeBackground, dc);
    DrawBitmapTiled(m_msgSkin.m_bmpBottom ? m_msgSkin.m_bmpBottom.Get() : m_skin.m_bmpBottom.Get(), dc, 0,
                    h - kBottomBarHeight, w, h);

    if (m_bRecordMode) {
        DrawBitmapTiled(m_msgSkin.m_bmpToolBar, dc, 205, top, w - 1, top + 27);
        RECT header = {210, top, w - 60, top + 27};
        ::DrawTextW(dc, m_strTitle.c_str(), -1, &header,
                    DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
        RECT first = {w - 160, h - 23, w - 145, h - 3};
        ::DrawTextW(dc, L"第", -1, &first, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
        RECT count = {w - 103, h - 23, w - 53, h - 3};
        ::DrawTextW(dc, m_strPageCount.c_str(), -1, &count, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
    }
}

// ---------------------------------------------------------------------------
// What a test reads from outside
// ---------------------------------------------------------------------------

int CIMMsgMgrPanel::CountRedHits() {
    if (!m_view.GetHwnd() || m_strKeyword.empty()) return 0;
    const LONG length = m_view.GetTextLength();
    const std::wstring text = m_view.GetTextRange(0, length);
    const CHARRANGE kept = m_view.GetSel();
    int red = 0;
    for (size_t at = text.find(m_strKeyword); at != std::wstring::npos;
         at = text.find(m_strKeyword, at + m_strKeyword.size())) {
        m_view.SetSel(static_cast<LONG>(at), static_cast<LONG>(at + m_strKeyword.size()));
        const CHARFORMATW format = m_view.GetSelectionCharFormat();
        if ((format.dwMask & CFM_COLOR) && !(format.dwEffects & CFE_AUTOCOLOR) &&
            format.crTextColor == CHistoryPageBook::kHitColour)
            ++red;
    }
    m_view.SetSel(kept.cpMin, kept.cpMax);
    return red;
}

LRESULT CIMMsgMgrPanel::OnStateQuery(WPARAM what, LPARAM lParam) {
    const auto atom = [](const std::wstring& text) -> LRESULT {
        return ::GlobalAddAtomW(fw::CutWide(text, 255).c_str());
    };
    switch (what) {
    case kQueryMsgMgrMode:
        return m_bRecordMode ? (m_bSearchMode ? 2 : 1) : 0;
    case kQueryMsgMgrPictures: {
        LRESULT count = 0;
        const LONG objects = m_view.GetHwnd() ? m_view.GetObjectCount() : 0;
        for (LONG i = 0; i < objects; ++i)
            if (const PictureObjectInfo* info = m_view.GetObjectInfo(i))
                if (info->state == PictureObjectInfo::kShown) ++count;
        return count;
    }
    case kQueryMsgMgrPage:
        return m_bSearchMode ? m_nSearchPage : m_nCurPage;
    case kQueryMsgMgrRedHits:
        return CountRedHits();
    case kQueryMsgMgrTitle:
        return atom(m_strTitle);
    case kQueryMsgMgrListRows: {
        std::wstring rows;
        const int count = m_list.IsWindow() ? m_list.GetItemCount() : 0;
        for (int row = 0; row < count; ++row)
            rows += m_list.GetItemText(row, 0) + L"|" + m_list.GetItemText(row, 1) + L"|" +
                    m_list.GetItemText(row, 2) + L"\n";
        return atom(rows);
    }
    case kQueryMsgMgrDayPoint: {
        HWND calendar = m_monthCal.GetCalendar();
        if (!calendar || !::IsWindowVisible(calendar)) return -1;
        RECT area = {};
        ::GetClientRect(calendar, &area);
        const int32_t date = static_cast<int32_t>(lParam);
        for (int y = 2; y < area.bottom; y += 3) {
            for (int x = 2; x < area.right; x += 3) {
                MCHITTESTINFO hit = {};
                hit.cbSize = offsetof(MCHITTESTINFO, rc);
                hit.pt = {x, y};
                ::SendMessageW(calendar, MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
                if (hit.uHit == MCHT_CALENDARDATE &&
                    hit.st.wYear * 10000 + hit.st.wMonth * 100 + hit.st.wDay == date)
                    return static_cast<LRESULT>((x + 2) | ((y + 2) << 16));
            }
        }
        return -1;
    }
    case kQueryMsgMgrCategoryPoint: {
        // lParam 0: the root ("所有分组"); else the friend with that id.
        HTREEITEM root = m_tree.IsWindow() ? m_tree.GetRootItem() : nullptr;
        HTREEITEM item = root;
        if (lParam != 0) {
            item = nullptr;
            const std::wstring suffix = L"(" + std::to_wstring(static_cast<int32_t>(lParam)) + L")";
            for (HTREEITEM c = root ? m_tree.GetChildItem(root) : nullptr; c && !item; c = m_tree.GetNextSiblingItem(c))
                for (HTREEITEM f = m_tree.GetChildItem(c); f && !item; f = m_tree.GetNextSiblingItem(f)) {
                    const std::wstring text = m_tree.GetItemText(f);
                    if (text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0)
                        item = f;
                }
        }
        if (!item) return -1;
        // TVM_GETITEMRECT takes the item in the rectangle's first bytes.
        RECT rect = {};
        std::memcpy(&rect, &item, sizeof item);
        if (!m_tree.SendMessage(TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect))) return -1;
        return static_cast<LRESULT>(((rect.left + rect.right) / 2) | (((rect.top + rect.bottom) / 2) << 16));
    }
    default:
        return 0;
    }
}
