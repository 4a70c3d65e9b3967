#include "clientui/ScrollBarList.h"

#include <commctrl.h>

CScrollBarList::CScrollBarList(const std::wstring& skinFolder) : m_horizontal(skinFolder), m_vertical(skinFolder) {}

CScrollBarList::~CScrollBarList() {
    // A list that outlives its object (a subclassed control) keeps no
    // pointer to freed records.
    if (IsWindow()) FreeRecords();
}

bool CScrollBarList::Create(HWND parent, const RECT& rect, UINT id, DWORD style) {
    if (!CreateEx(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", style, rect, parent, id)) return false;
    return true;
}

void CScrollBarList::OnSubclassed() {
    m_horizontal.Attach(m_hWnd, CScrollBarEx::kHorizontal);
    m_vertical.Attach(m_hWnd, CScrollBarEx::kVertical);
    if (HWND header = GetHeader()) m_header.Subclass(header);
}

int CScrollBarList::GetColumnCount() const { return m_header.IsWindow() ? m_header.GetItemCount() : 0; }

bool CScrollBarList::HasCheckBoxes() const {
    return (SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE) & LVS_EX_CHECKBOXES) != 0;
}

ListRowRecord* CScrollBarList::GetRowRecord(int row) const {
    return reinterpret_cast<ListRowRecord*>(GetItemData(row));
}

// --- rows -------------------------------------------------------------------

int CScrollBarList::InsertItemTexts(int row, const std::wstring& first, void* pointer, int32_t group) {
    auto* record = new ListRowRecord;
    record->texts.resize(static_cast<size_t>(GetColumnCount() > 0 ? GetColumnCount() : 1));
    record->texts[0] = first;
    record->pointer = pointer;
    record->group = group;
    const int index = InsertItem(row, first);
    if (index < 0) {
        delete record;
        return -1;
    }
    record->previousData = GetItemData(index);
    SetItemData(index, reinterpret_cast<LPARAM>(record));
    return index;
}

void CScrollBarList::StoreItemTexts(int row) {
    ListRowRecord* record = GetRowRecord(row);
    if (!record) return;
    const int columns = GetColumnCount();
    record->texts.resize(static_cast<size_t>(columns > 0 ? columns : 1));
    for (int column = 0; column < static_cast<int>(record->texts.size()); ++column)
        record->texts[column] = GetItemText(row, column);
}

void CScrollBarList::FreeRecords() {
    const int count = GetItemCount();
    for (int row = 0; row < count; ++row) {
        delete GetRowRecord(row);
        SetItemData(row, 0);
    }
}

void CScrollBarList::DeleteAllItemsEx() {
    FreeRecords();
    DeleteAllItems();
}

// --- sorting and the check-all box ---------------------------------------------

int CALLBACK CScrollBarList::CompareRows(LPARAM a, LPARAM b, LPARAM self) {
    const auto* list = reinterpret_cast<const CScrollBarList*>(self);
    const auto* first = reinterpret_cast<const ListRowRecord*>(a);
    const auto* second = reinterpret_cast<const ListRowRecord*>(b);
    if (!first || !second) return first ? -1 : (second ? 1 : 0);
    return CompareListRows(*first, *second, list->m_header.GetSortColumn(), list->m_header.IsSortAscending());
}

void CScrollBarList::SortColumn(int column, bool ascending) {
    if (column < 0 || column >= GetColumnCount()) return;
    m_nSortCol = column;
    m_bSortAsc = ascending ? 1 : 0;
    m_header.SetSortArrow(column, ascending);
    if (HasCheckBoxes()) SendMessage(LVM_SORTITEMS, reinterpret_cast<WPARAM>(this), reinterpret_cast<LPARAM>(&CompareRows));
}

void CScrollBarList::OnColumnClick(int column) {
    if (column == 0 && HasCheckBoxes()) {
        SetCheckAll(m_bCheckAll == 0);
        return;
    }
    SortColumn(column, ClickSortsAscending(column, m_nSortCol, m_bSortAsc != 0));
}

void CScrollBarList::SetHeaderBitmap() {
    if (!m_header.IsWindow()) return;
    m_headerImages.Create(16, 16, ILC_COLOR24 | ILC_MASK, 3, 3);
    if (HBITMAP marks = ::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(CSortHeaderCtrl::kHeaderBitmap))) {
        ::ImageList_AddMasked(m_headerImages.Get(), marks, RGB(255, 0, 255));
        ::DeleteObject(marks);
    }
    m_header.SendMessage(HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_headerImages.Get()));
    m_header.SetShowCheckBox(true);
    m_bHeaderImages = 1;
    ShowCheckAllImage();
}

void CScrollBarList::ShowCheckAllImage() {
    HDITEMW item = {};
    item.mask = HDI_FORMAT | HDI_IMAGE;
    if (!m_header.GetItem(0, &item)) return;
    item.fmt |= HDF_IMAGE | HDF_BITMAP_ON_RIGHT;
    item.iImage = CheckAllImage(m_bCheckAll != 0);
    m_header.SetItem(0, item);
    m_header.Invalidate(false);
}

void CScrollBarList::SetCheckAll(bool checked) {
    const int count = GetItemCount();
    m_bCheckAll = checked ? 1 : 0;
    for (int row = 0; row < count; ++row) {
        LVITEMW item = {};
        item.stateMask = LVIS_STATEIMAGEMASK;
        item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
        SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }
    m_bCheckAll = checked ? 1 : 0;  // the row changes above recomputed it
    ShowCheckAllImage();
}

void CScrollBarList::UpdateCheckAllFromRows() {
    std::vector<bool> checked;
    const int count = GetItemCount();
    for (int row = 0; row < count; ++row) {
        const UINT state = static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK));
        checked.push_back((state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2));
    }
    const int32_t flag = AllRowsChecked(checked) ? 1 : 0;
    if (flag == m_bCheckAll) return;
    m_bCheckAll = flag;
    ShowCheckAllImage();
}

// --- messages -------------------------------------------------------------------

LRESULT CScrollBarList::OnCustomDraw(NMLVCUSTOMDRAW* draw) {
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        const int row = static_cast<int>(draw->nmcd.dwItemSpec);
        const bool selected =
            (SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) & LVIS_SELECTED) != 0;
        draw->clrText = RGB(0, 0, 0);
        if (selected) {
            draw->clrTextBk = kSelectedRowColour;
            // The platform would paint its own highlight over the colour.
            draw->nmcd.uItemState &= ~(CDIS_SELECTED | CDIS_FOCUS);
        } else if (row % 2) {
            draw->clrTextBk = kOddRowColour;
        } else {
            draw->clrTextBk = static_cast<COLORREF>(SendMessage(LVM_GETBKCOLOR));
        }
        return CDRF_NOTIFYSUBITEMDRAW;
    }
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
        return CDRF_NEWFONT;
    default:
        return CDRF_DODEFAULT;
    }
}

bool CScrollBarList::OnReflectedMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) {
    if (msg != WM_NOTIFY) return false;
    auto* hdr = reinterpret_cast<NMHDR*>(lParam);
    if (!hdr || hdr->hwndFrom != m_hWnd) return false;
    switch (hdr->code) {
    case LVN_COLUMNCLICK:
        OnColumnClick(reinterpret_cast<NMLISTVIEW*>(hdr)->iSubItem);
        return false;  // the view sees the click too
#ifndef QV_LISTS_MESSENGER
    case LVN_ITEMCHANGED: {
        const auto* change = reinterpret_cast<NMLISTVIEW*>(hdr);
        if (m_bHeaderImages && (change->uChanged & LVIF_STATE)) UpdateCheckAllFromRows();
        return false;
    }
    case NM_CUSTOMDRAW:
        *result = OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(hdr));
        return true;
#endif
    default:
        return false;
    }
}

LRESULT CScrollBarList::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT: {
        const LRESULT result = fw::CListCtrl::WindowProc(msg, wParam, lParam);
        m_horizontal.UpdateBar();
        m_vertical.UpdateBar();
        return result;
    }
    case WM_SIZE:
    case WM_WINDOWPOSCHANGED:
    case WM_SHOWWINDOW: {
        const LRESULT result = fw::CListCtrl::WindowProc(msg, wParam, lParam);
        m_horizontal.UpdateBar();
        m_vertical.UpdateBar();
        return result;
    }
    case WM_DESTROY:
        FreeRecords();
        break;
    default:
        break;
    }
    return fw::CListCtrl::WindowProc(msg, wParam, lParam);
}
