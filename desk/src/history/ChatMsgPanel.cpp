#include "ChatMsgPanel.h"

#include "HistoryLogWriter.h"
#include "PictureName.h"
#include "clientui/EngineModule.h"
#include "clientui/IMResourceComm.h"
#include "fw/Application.h"
#include "fw/DeviceContext.h"
#include "fw/MemoryDC.h"
#include "fw/MessageBoxSink.h"
#include "fw/StringUtil.h"

#include <ImEngineApi.h>
#include <richedit.h>
#include <richole.h>

namespace {

constexpr wchar_t kBadPageText[] = L"\u8BF7\u8F93\u5165\u6B63\u786E\u7684\u9875\u6570\uFF01";  // 请输入正确的页数！
constexpr wchar_t kPageWord[] = L"\u7B2C";                                                      // 第
constexpr wchar_t kCaption[] = L"Qorvane \u5BA2\u670D";

// The engine's nickname of a known user (its record carries its own id).
bool EngineNickname(int32_t userId, std::wstring* name) {
    if (!g_EngineModule.MGetUserInfoBase) return false;
    const UserInfoBase* info = g_EngineModule.MGetUserInfoBase(userId);
    if (!info || info->userId != userId) return false;
    *name = fw::FromAnsiField(info->nickname, sizeof(info->nickname));
    return true;
}

}  // namespace

CChatMsgPanel::CChatMsgPanel(HINSTANCE instance)
    : fw::CDialog(IDD_CHAT_MSG_PANEL, instance), m_names(&EngineNickname) {}

CChatMsgPanel::~CChatMsgPanel() {
    if (IsWindow()) DestroyWindow();
}

bool CChatMsgPanel::Create(HWND parent) { return fw::CDialog::Create(parent); }

BOOL CChatMsgPanel::OnInitDialog() {
    if (m_programFolder.empty()) m_programFolder = fw::CApplication::GetProgramFolder();
    const RECT client = GetClientRect();
    RECT logRect = client;
    logRect.bottom -= kInitialBottom;
    m_log.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY, logRect,
                 GetHwnd(), IDC_MSG_LOG);
    if (m_log.GetHwnd()) m_log.SetReadOnly(true);

    const std::wstring skin = m_programFolder + L"Resource\\msgMgr\\";
    struct ButtonSkin {
        CSkinBtn* button;
        int id;
        const wchar_t* name;
    };
    const ButtonSkin buttons[] = {{&m_btnFirst, IDC_MSG_PAGE_FIRST, L"first"},
                                  {&m_btnPrev, IDC_MSG_PAGE_PREV, L"prew"},
                                  {&m_btnNext, IDC_MSG_PAGE_NEXT, L"next"},
                                  {&m_btnLast, IDC_MSG_PAGE_LAST, L"last"}};
    for (const ButtonSkin& b : buttons) {
        if (!b.button->SubclassDlgItem(b.id, GetHwnd())) continue;
        const std::wstring base = skin + b.name;
        b.button->SetBitmaps(base + L"-01.bmp", base + L"-02.bmp", base + L"-03.bmp", base + L"-01.bmp");
    }
    m_pageBox.Attach(GetDlgItem(IDC_MSG_PAGE_EDIT));
    CIMResourceComm::LoadBitmapFile(m_programFolder + L"Resource\\Comm\\frame_bottom.bmp", m_bmpBottom);
    // "Arial" 9 points for the page texts.
    HDC screen = ::GetDC(nullptr);
    const int height = -::MulDiv(9, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
    ::ReleaseDC(nullptr, screen);
    m_font.Reset(::CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Arial"));
    Layout(client.right - client.left, client.bottom - client.top, kInitialBottom);
    UpdatePageBox();
    return FALSE;
}

std::wstring CChatMsgPanel::GetHistoryPath(int32_t ownerId, int32_t peerId) const {
    if (ownerId == 0 || ownerId == m_nMyUserId) {
        return m_programFolder + fw::FormatString(L"%d\\msg\\%d.msg", m_nMyUserId, peerId);
    }
    return m_programFolder + fw::FormatString(L"%d\\MyGroup\\%d\\msg\\%d.msg", m_nMyUserId, ownerId, peerId);
}

BOOL CChatMsgPanel::LoadHistory(int32_t ownerId, int32_t peerId) {
    if (peerId == 0) return FALSE;  // nobody to show: keep the shown history
    if (m_programFolder.empty()) m_programFolder = fw::CApplication::GetProgramFolder();
    if (ownerId == 0) ownerId = m_nMyUserId;
    m_nCurPage = 0;
    m_nPageCount = 0;
    m_nRecordCount = 0;
    m_nShownOwner = ownerId;
    m_nShownPeer = peerId;
    if (!m_book.Load(GetHistoryPath(ownerId, peerId))) return FALSE;
    m_nRecordCount = m_book.GetRecordCount();
    m_nPageCount = m_book.GetPageCount();
    return TRUE;
}

void CChatMsgPanel::ClearLog() {
    if (m_log.GetHwnd()) m_log.SetWindowText(L"");
    // The objects that carried these records are gone with the text.
    m_pictures.clear();
}

void CChatMsgPanel::ShowPage(int page) {
    if (!m_book.IsLoaded()) {
        ClearLog();
        // A history file that could not be read says so instead of an
        // empty history.
        if (!m_book.GetDamageNotice().empty())
            historylog::WritePage(m_log, {CHistoryPageBook::NoticePiece(m_book.GetDamageNotice())}, m_codePage,
                                  std::wstring(), [](const std::wstring&) { return false; });
        m_nCurPage = 0;
        UpdatePageBox();
        InvalidatePageText();
        return;
    }
    if (page < 1 || page > m_nPageCount) return;
    ClearLog();
    m_nCurPage = page;
    std::vector<HistoryPiece> pieces = m_book.BuildPage(page, m_nMyUserId, m_names);
    // What could not be read stands under the records.
    if (!m_book.GetDamageNotice().empty()) pieces.push_back(CHistoryPageBook::NoticePiece(m_book.GetDamageNotice()));
    historylog::WritePage(m_log, pieces, m_codePage, std::wstring(), [this](const std::wstring& name) { return ShowPicture(name); });
    if (m_log.GetHwnd()) m_log.SendMessage(WM_VSCROLL, SB_BOTTOM, 0);
    UpdatePageBox();
    InvalidatePageText();
}

bool CChatMsgPanel::FileExists(const std::wstring& path) const {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CChatMsgPanel::ShowPicture(const std::wstring& name) {
    auto info = std::make_unique<PictureObjectInfo>();
    info->name = name;
    // A name that breaks the file-name rule never becomes a path.
    const bool safe = clientui::IsSafePictureName(name, m_codePage);
    if (safe) info->path = m_programFolder + fw::FormatString(L"%d\\Image\\", m_nMyUserId) + name;
    std::wstring shown = info->path;
    if (safe && FileExists(info->path)) {
        info->state = PictureObjectInfo::kShown;
    } else {
        // Nothing fetches a picture here: the error placeholder stays.
        info->state = PictureObjectInfo::kError;
        shown = m_programFolder + L"Resource\\chat\\errorBmp.gif";
    }
    PictureObjectInfo* record = info.get();
    m_pictures.push_back(std::move(info));
    if (!m_log.GetHwnd()) return false;
    IRichEditOle* ole = m_log.GetOleInterface();
    if (!ole) return false;
    const BOOL inserted = m_log.InsertImageObject(ole, shown.c_str(), record);
    ole->Release();
    return inserted != FALSE;
}

std::wstring CChatMsgPanel::PageCountText() const {
    return fw::FormatString(L"\u9875/%d\u9875", m_nPageCount);
}

void CChatMsgPanel::UpdatePageBox() {
    if (m_pageBox.GetHwnd()) m_pageBox.SetWindowText(fw::FormatString(L"%d", m_nCurPage));
}

void CChatMsgPanel::InvalidatePageText() {
    if (!IsWindow()) return;
    const RECT client = GetClientRect();
    RECT rc = {client.right - 160, client.bottom - kBottomBar, client.right, client.bottom};
    InvalidateRect(rc, true);
}

void CChatMsgPanel::OnFirstPage() {
    if (m_nPageCount >= 1 && m_nCurPage != 1) ShowPage(1);
}

void CChatMsgPanel::OnPrevPage() {
    if (m_nCurPage > 1) ShowPage(m_nCurPage - 1);
}

void CChatMsgPanel::OnNextPage() {
    if (m_nCurPage < m_nPageCount) ShowPage(m_nCurPage + 1);
}

void CChatMsgPanel::OnLastPage() {
    if (m_nPageCount >= 1 && m_nCurPage != m_nPageCount) ShowPage(m_nPageCount);
}

void CChatMsgPanel::OnPageBoxEnter() {
    const std::wstring text = m_pageBox.GetHwnd() ? m_pageBox.GetWindowText() : std::wstring();
    // Digits only, and not so many that they overflow.
    long long number = 0;
    bool digits = !text.empty() && text.size() <= 9;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            digits = false;
            break;
        }
        number = number * 10 + (c - L'0');
    }
    if (!digits || number <= 0 || number > m_nPageCount) {
        fw::ShowMessageBox(GetHwnd(), kBadPageText, kCaption, MB_OK | MB_ICONWARNING);
        if (m_pageBox.GetHwnd()) {
            m_pageBox.SetFocus();
            m_pageBox.SetSel(0, -1);
        }
        return;
    }
    if (static_cast<int>(number) != m_nCurPage) ShowPage(static_cast<int>(number));
}

bool CChatMsgPanel::PreTranslateMessage(MSG& msg) {
    if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) {
        if (msg.wParam == VK_RETURN && m_pageBox.GetHwnd() && msg.hwnd == m_pageBox.GetHwnd()) OnPageBoxEnter();
        return true;
    }
    return fw::CDialog::PreTranslateMessage(msg);
}

bool CChatMsgPanel::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case IDC_MSG_PAGE_FIRST: OnFirstPage(); return true;
        case IDC_MSG_PAGE_PREV: OnPrevPage(); return true;
        case IDC_MSG_PAGE_NEXT: OnNextPage(); return true;
        case IDC_MSG_PAGE_LAST: OnLastPage(); return true;
        default: break;
        }
    }
    return fw::CDialog::OnCommand(wParam, lParam);
}

void CChatMsgPanel::Layout(int width, int height, int bottomGap) {
    if (m_log.GetHwnd()) {
        ::MoveWindow(m_log.GetHwnd(), 0, 0, width, height - bottomGap > 0 ? height - bottomGap : 0, TRUE);
    }
    const int top = height - 21;
    const struct {
        int id;
        int x;
    } buttons[] = {{IDC_MSG_PAGE_FIRST, width - 192},
                   {IDC_MSG_PAGE_PREV, width - 177},
                   {IDC_MSG_PAGE_NEXT, width - 50},
                   {IDC_MSG_PAGE_LAST, width - 35}};
    for (const auto& b : buttons) {
        if (HWND button = GetDlgItem(b.id)) ::MoveWindow(button, b.x, top, 14, 14, TRUE);
    }
    if (m_pageBox.GetHwnd()) ::MoveWindow(m_pageBox.GetHwnd(), width - 138, height - 23, 35, 18, TRUE);
}

bool CChatMsgPanel::OnSize(UINT, int cx, int cy) {
    m_resized = true;
    Layout(cx, cy, kBottomBar);
    Invalidate();
    return true;
}

bool CChatMsgPanel::OnEraseBkgnd(HDC, LRESULT* result) {
    *result = 1;  // painted whole in OnPaint
    return true;
}

bool CChatMsgPanel::OnPaint() {
    fw::CPaintDC paint(m_hWnd);
    HDC dc = paint;
    const RECT client = GetClientRect();
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width > 0 && height > 0) {
        fw::CMemoryDC memory(dc, width, height);
        if (memory.IsValid()) {
            ::FillRect(memory, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
            if (m_bmpBottom.Get()) {
                BITMAP info = {};
                ::GetObjectW(m_bmpBottom.Get(), sizeof(info), &info);
                HDC source = ::CreateCompatibleDC(memory);
                HGDIOBJ old = ::SelectObject(source, m_bmpBottom.Get());
                ::StretchBlt(memory, 0, height - kBottomBar, width, kBottomBar, source, 0, 0, info.bmWidth,
                             info.bmHeight, SRCCOPY);
                ::SelectObject(source, old);
                ::DeleteDC(source);
            }
            HGDIOBJ oldFont = ::SelectObject(memory, m_font.Get() ? m_font.Get() : ::GetStockObject(DEFAULT_GUI_FONT));
            ::SetBkMode(memory, TRANSPARENT);
            ::SetTextColor(memory, RGB(0, 0, 0));
            RECT word = {client.right - 160, client.bottom - 23, client.right - 145, client.bottom - 3};
            ::DrawTextW(memory, kPageWord, -1, &word, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
            RECT count = {client.right - 100, client.bottom - 23, client.right - 33, client.bottom - 3};
            const std::wstring text = PageCountText();
            ::DrawTextW(memory, text.c_str(), -1, &count, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
            ::SelectObject(memory, oldFont);
            memory.CopyTo(dc);
        }
    }
    return true;
}

LRESULT CChatMsgPanel::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCDESTROY) {
        m_pageBox.Detach();
    }
    return fw::CDialog::WindowProc(msg, wParam, lParam);
}
