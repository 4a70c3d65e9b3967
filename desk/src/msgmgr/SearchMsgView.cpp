#include "SearchMsgView.h"

#include "DisplayTitle.h"
#include "main/DeskGlobals.h"
#include "main/DeskMessages.h"

#include "clientui/PanelDrawing.h"

#include "fw/MemoryDC.h"
#include "fw/MessageBoxSink.h"
#include "fw/StringUtil.h"

#include <commctrl.h>

namespace {

constexpr wchar_t kStartLabel[] = L"起始日期:";
constexpr wchar_t kEndLabel[] = L"截止日期:";
constexpr wchar_t kHint[] = L"请输入关键字(30个汉字以内), 多个关键字之间, 请使用空格隔开: :)";
constexpr wchar_t kEndBeforeStart[] = L"截止日期必须大于开始日期!";
constexpr wchar_t kNoKeyword[] = L"您没有输入任何有效的关键字,请重新输入!";
constexpr COLORREF kBandTop = 0xFAF3E3;
constexpr COLORREF kBandBottom = 0xF8E3B6;
constexpr COLORREF kHintColour = 0x3232FA;
constexpr COLORREF kFrameColour = 0xFDC860;
constexpr int kBandHeight = 140;
constexpr int kPickerWidth = 120;
constexpr int kTextColumnWidth = 800;
constexpr int kOtherColumnsWidth = 332;

}  // namespace

CSearchMsgView::CSearchMsgView(const CEngineModule& engine)
    : CChildViewBase(IDD_SEARCHMSG_VIEW), m_engine(engine), m_model(engine, m_codePage) {}

CSearchMsgView::~CSearchMsgView() = default;

BOOL CSearchMsgView::OnInitDialog() {
    CChildViewBase::OnInitDialog();
    m_font.Reset(::CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"宋体"));
    m_from = GetDlgItem(IDC_SEARCHMSG_FROM);
    m_to = GetDlgItem(IDC_SEARCHMSG_TO);
    m_keywords.Attach(GetDlgItem(IDC_SEARCHMSG_KEYWORDS));
    m_btnSearch.SubclassDlgItem(IDC_SEARCHMSG_START, m_hWnd);

    const RECT none = {0, 0, 0, 0};
    if (m_list.Create(m_hWnd, none, IDC_SEARCHMSG_RESULTS, kRowHeight)) {
        m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
        m_list.SetColour(CListCtrlEx::kSelectedText, 0x0C0C0C);
        m_list.SetColour(CListCtrlEx::kSelectedBackground, 0xAAEBFA);
        m_list.SetColour(CListCtrlEx::kInfoText, 0);
        m_list.InsertColumn(0, L"发送者", 90);
        m_list.InsertColumn(1, L"接收者", 90);
        m_list.InsertColumn(2, L"时间", 130);
        m_list.InsertColumn(3, L"消息内容", kTextColumnWidth);
    }
    m_ready = true;
    const RECT client = GetClientRect();
    LayoutControls(client.right, client.bottom);
    UpdateButton();
    return TRUE;
}

// ---------------------------------------------------------------------------
// Searching
// ---------------------------------------------------------------------------

int32_t CSearchMsgView::PickerDate(HWND picker) const {
    SYSTEMTIME time = {};
    if (!picker || ::SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time)) != GDT_VALID)
        ::GetLocalTime(&time);
    return CSearchMsgModel::DateOf(time);
}

void CSearchMsgView::StartSearch() {
    const std::wstring text = m_keywords.IsWindow() ? m_keywords.GetWindowText() : std::wstring();
    switch (m_model.StartSearch(PickerDate(m_from), PickerDate(m_to), text)) {
    case CSearchMsgModel::Start::kEndBeforeStart:
        fw::ShowMessageBox(m_hWnd, kEndBeforeStart, kDeskDisplayTitle, MB_OK);
        return;
    case CSearchMsgModel::Start::kNoKeyword:
        fw::ShowMessageBox(m_hWnd, kNoKeyword, kDeskDisplayTitle, MB_OK);
        if (m_keywords.IsWindow()) m_keywords.SetFocus();
        return;
    case CSearchMsgModel::Start::kSent:
        break;
    }
    InvalidateRect(StatusRect(), false);
    KillTimer(kTimeoutTimer);
    SetTimer(kTimeoutTimer, kTimeoutMs);
    if (m_list.IsWindow()) m_list.Invalidate(true);
    UpdateButton();
}

void CSearchMsgView::ShowResults() {
    if (!IsWindow()) return;
    KillTimer(kTimeoutTimer);
    std::vector<MsgSearchResult> results;
    if (m_engine.MGetMsgSearchResult)
        if (const std::vector<MsgSearchResult>* current = m_engine.MGetMsgSearchResult()) results = *current;
    m_model.OnResults(results);
    UpdateButton();
    InvalidateRect(StatusRect(), false);
    FillRows();
}

void CSearchMsgView::FillRows() {
    if (!m_list.IsWindow()) return;
    m_list.SendMessage(WM_SETREDRAW, FALSE);
    m_list.DeleteAllItems();
    const std::vector<SearchResultRow> rows = m_model.Rows();
    for (size_t i = 0; i < rows.size(); ++i) {
        // The row's item data is its record's place in the model's copy.
        const int index = m_list.InsertItem(static_cast<int>(i), rows[i].sender, -1, static_cast<LPARAM>(i));
        if (index < 0) continue;
        m_list.SetItemText(index, 1, rows[i].receiver);
        m_list.SetItemText(index, 2, rows[i].time);
        m_list.SetItemText(index, 3, rows[i].text);
    }
    m_list.SendMessage(WM_SETREDRAW, TRUE);
    m_list.Invalidate(true);
}

void CSearchMsgView::OnDoubleClick(int row) {
    if (row < 0 || !m_list.IsWindow() || row >= m_list.GetItemCount()) return;
    int32_t agent = 0;
    int32_t customer = 0;
    if (!m_model.PairOf(static_cast<int>(m_list.GetItemData(row)), &agent, &customer)) return;
    if (g_hMainWnd)
        ::SendMessageW(g_hMainWnd, WM_SHOW_MSGMGR, static_cast<WPARAM>(agent), static_cast<LPARAM>(customer));
}

void CSearchMsgView::UpdateButton() {
    if (m_btnSearch.IsWindow()) m_btnSearch.EnableWindow(m_model.SearchButtonEnabled());
}

bool CSearchMsgView::OnTimer(UINT_PTR id) {
    if (id != kTimeoutTimer) return false;
    KillTimer(kTimeoutTimer);
    m_model.OnTimeout();
    UpdateButton();
    InvalidateRect(StatusRect(), false);
    return true;
}

// ---------------------------------------------------------------------------
// Layout and painting
// ---------------------------------------------------------------------------

RECT CSearchMsgView::StatusRect() const {
    const RECT client = GetClientRect();
    return {20, 85, client.right - 80, 105};
}

int CSearchMsgView::LayoutControls(int w, int h) {
    if (!m_ready) return 0;
    if (m_from) ::MoveWindow(m_from, 80, 10, kPickerWidth, 20, TRUE);
    if (m_to) ::MoveWindow(m_to, 300, 10, kPickerWidth, 20, TRUE);
    if (m_keywords.IsWindow()) {
        ::MoveWindow(m_keywords.GetHwnd(), 20, 60, w - 100 > 0 ? w - 100 : 0, 20, TRUE);
        RECT format = m_keywords.GetClientRect();
        ::OffsetRect(&format, 4, 4);
        m_keywords.SendMessage(EM_SETRECT, 0, reinterpret_cast<LPARAM>(&format));
    }
    if (m_btnSearch.IsWindow()) ::MoveWindow(m_btnSearch.GetHwnd(), w - 60, 60, 40, 20, TRUE);
    if (m_list.IsWindow()) {
        ::MoveWindow(m_list.GetHwnd(), 0, kListTop, w, h - kListTop > 0 ? h - kListTop : 0, TRUE);
        m_list.SendMessage(LVM_SETCOLUMNWIDTH, 3, w - kOtherColumnsWidth > 0 ? w - kOtherColumnsWidth : 0);
    }
    Invalidate(false);
    return 0;
}

void CSearchMsgView::FrameControl(HDC dc, HWND control) const {
    if (!control) return;
    RECT rc = {};
    ::GetWindowRect(control, &rc);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    ::InflateRect(&rc, 1, 1);
    HBRUSH brush = ::CreateSolidBrush(kFrameColour);
    ::FrameRect(dc, &rc, brush);
    ::DeleteObject(brush);
}

bool CSearchMsgView::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    const RECT client = GetClientRect();
    const int w = client.right;
    const int h = client.bottom;
    if (w > 0 && h > 0) {
        fw::CMemoryDC memory(dc, w, h);
        if (memory.IsValid()) {
            ::FillRect(memory, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
            DrawGradientRect({0, 0, w, kBandHeight}, kBandTop, kBandBottom, memory);
            const int oldMode = ::SetBkMode(memory, TRANSPARENT);
            const COLORREF oldColour = ::SetTextColor(memory, RGB(0, 0, 0));
            const HGDIOBJ oldFont = ::SelectObject(memory, m_font.Get());
            const UINT line = DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX;
            RECT start = {20, 10, 120, 30};
            ::DrawTextW(memory, kStartLabel, -1, &start, line);
            RECT end = {240, 10, 340, 30};
            ::DrawTextW(memory, kEndLabel, -1, &end, line);
            ::SetTextColor(memory, kHintColour);
            RECT hint = {20, 35, w - 80, 55};
            ::DrawTextW(memory, kHint, -1, &hint, line | DT_END_ELLIPSIS);
            ::SetTextColor(memory, RGB(0, 0, 0));
            RECT status = StatusRect();
            const std::wstring text = m_model.StatusText();
            ::DrawTextW(memory, text.c_str(), -1, &status, line | DT_END_ELLIPSIS);
            FrameControl(memory, m_keywords.GetHwnd());
            FrameControl(memory, m_from);
            FrameControl(memory, m_to);
            ::SelectObject(memory, oldFont);
            ::SetTextColor(memory, oldColour);
            ::SetBkMode(memory, oldMode);
            memory.CopyTo(dc);
        }
    }
    ::EndPaint(m_hWnd, &ps);
    return true;
}

// ---------------------------------------------------------------------------
// Messages
// ---------------------------------------------------------------------------

LRESULT CSearchMsgView::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) KillTimer(kTimeoutTimer);
    if (msg == WM_NCDESTROY) m_keywords.Detach();
    return CChildViewBase::WindowProc(msg, wParam, lParam);
}

bool CSearchMsgView::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == IDC_SEARCHMSG_START && HIWORD(wParam) == BN_CLICKED) {
        StartSearch();
        return true;
    }
    return CChildViewBase::OnCommand(wParam, lParam);
}

bool CSearchMsgView::OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) {
    if (hdr && hdr->idFrom == IDC_SEARCHMSG_RESULTS && hdr->code == NM_DBLCLK) {
        OnDoubleClick(reinterpret_cast<const NMITEMACTIVATE*>(hdr)->iItem);
        *result = 0;
        return true;
    }
    return CChildViewBase::OnNotify(wParam, hdr, result);
}

bool CSearchMsgView::PreTranslateMessage(MSG& msg) {
    if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) {
        if (msg.wParam == VK_RETURN && m_keywords.IsWindow() && msg.hwnd == m_keywords.GetHwnd()) StartSearch();
        return true;
    }
    return CChildViewBase::PreTranslateMessage(msg);
}
