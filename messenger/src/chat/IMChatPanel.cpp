#include "IMChatPanel.h"

#include "DisplayTitle.h"
#include "IMChatRules.h"
#include "IMResource.h"
#include "IMStateQuery.h"

#include "clientui/ClientSettings.h"
#include "clientui/PanelDrawing.h"
#include "clientui/PanelRegistry.h"
#include "clientui/SkinPicture.h"
#include "clientui/SystemSettingPanel.h"

#include "fw/DeviceContext.h"
#include "fw/MemoryDC.h"
#include "fw/MessageBoxSink.h"
#include "fw/StringUtil.h"

#include <commctrl.h>
#include <gdiplus.h>
#include <richedit.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <map>

const ChatPanelIds kIMChatPanelIds = {
    IDC_IM_CHAT_INPUT,     IDC_IM_CHAT_LOG,         IDC_IM_CHAT_SEND,       IDC_IM_CHAT_CLOSE,
    IDC_IM_CHAT_FONT,      IDC_IM_CHAT_EMOTICON,    IDC_IM_CHAT_PICTURE,    IDC_IM_CHAT_SCREENSHOT,
    IDC_IM_CHAT_HISTORY,   IDC_IM_CHAT_SEND_FILE,   IDC_IM_CHAT_SEND_OPTIONS, IDC_IM_CHAT_TIP_CLOSE,
    IDR_IM_SEND_OPTIONS,
};

namespace {

constexpr COLORREF kNameColour = 0x7B1C00;
constexpr COLORREF kSignatureBackground = 0xF7E0B0;
constexpr COLORREF kStripTop = 0xFDFAEB;
constexpr COLORREF kStripBottom = 0xFAF3E3;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kControlFrame = 0xD0CFCE;
constexpr COLORREF kTabColour = 0xFBEED4;
constexpr COLORREF kTabEnd = 0xFFFAF1;
constexpr DWORD kTabLookFlags = 15;
constexpr int kTabItemHeight = 16;
constexpr int kRightStripLow = 117;

int Width(const RECT& rc) { return rc.right - rc.left; }
int Height(const RECT& rc) { return rc.bottom - rc.top; }

// Keeps a button picture of the chat windows for the program's life. The
// picture cache shares a file's bitmap only while some picture holds it, so
// without this each chat window opened after the last one closed would
// decode every button file again.
void KeepButtonPicture(const std::wstring& path) {
    static std::map<std::wstring, CSkinPicture> kept;  // UI thread only
    CSkinPicture& picture = kept[path];
    if (picture.IsNull()) picture.Load(path);
}

void KeepButtonPictures(const std::initializer_list<std::wstring>& paths) {
    for (const std::wstring& path : paths) KeepButtonPicture(path);
}

void FrameAround(HDC dc, const RECT& rc, COLORREF colour) {
    RECT frame = rc;
    ::InflateRect(&frame, 1, 1);
    fw::CBrush brush(::CreateSolidBrush(colour));
    ::FrameRect(dc, &frame, brush.Get());
}

}  // namespace

CIMChatPanel::CIMChatPanel(CEngineModule& engine, const std::wstring& programFolder)
    : CChatPanelCore(IDD_IM_CHAT, kIMChatPanelIds, engine, programFolder, kMessengerFileSizeScale),
      m_transferPanel(kMessengerTransFileIds, nullptr, engine) {
    m_transferPanel.GetSession().SetFillServingAgent(false);
}

CIMChatPanel::~CIMChatPanel() {
    if (m_hIcon) ::DestroyIcon(m_hIcon);
}

int32_t CIMChatPanel::OwnUserId() const { return m_engine.MGetCurUserID ? m_engine.MGetCurUserID() : 0; }

std::wstring CIMChatPanel::GetTitle() const {
    return CChatSessionRules::Caption(true, CIMChatTexts::Nickname(m_peer, m_codePage), m_counters.TypingShown(),
                                      kMessengerDisplayTitle);
}

// ---------------------------------------------------------------------------
// Initialisation
// ---------------------------------------------------------------------------

BOOL CIMChatPanel::OnInitDialog() {
    CPanelBase::OnInitDialog();
    SetResizable(true);
    SetMaximizable(true);
    m_chatSkin.Load(m_programFolder, ChatSkinSet::Messenger);
    InitChatSession();
    BindButtons();

    if (HWND signature = GetDlgItem(IDC_IM_CHAT_SIGNATURE)) {
        m_signature.Subclass(signature);
        m_signature.SendMessage(EM_SETBKGNDCOLOR, 0, kSignatureBackground);
    }
    const int tools[] = {IDC_IM_CHAT_CLOSE,   IDC_IM_CHAT_SEND,      IDC_IM_CHAT_SEND_OPTIONS, IDC_IM_CHAT_FONT,
                         IDC_IM_CHAT_HISTORY, IDC_IM_CHAT_SEND_FILE, IDC_IM_CHAT_SCREENSHOT};
    AddTooltips(tools, sizeof tools / sizeof tools[0]);
    if (m_tooltip.IsWindow() && m_signature.IsWindow()) {
        m_tooltip.AddTool(m_signature.GetHwnd(), CIMChatTexts::SignatureLine(m_peer, m_codePage));
        m_tooltip.Activate(true);
    }
    UpdateSignature();

    // The size of the last chat window, centred on the work area.
    const SIZE size = {std::max(g_ClientSettings.chatPanelWidth, static_cast<int>(kMinTrackWidth)),
                       std::max(g_ClientSettings.chatPanelHeight, static_cast<int>(kMinTrackHeight))};
    RECT work = {};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(nullptr, work.left + (Width(work) - size.cx) / 2, work.top + (Height(work) - size.cy) / 2, size.cx,
                 size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    m_hIcon = static_cast<HICON>(
        ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_IM_CHAT), IMAGE_ICON, 16, 16, 0));
    if (m_hIcon) {
        SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
        SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    }
    UpdateTitle();

    if (m_peer.status != STATUS_ONLINE) ShowStatusNotice(m_peer.status);
    CreateTransferPage();
    m_bLayoutReady = true;
    LayoutControls();
    return TRUE;
}

void CIMChatPanel::BindButtons() {
    struct Binding {
        int id;
        const SkinButtonPaths* paths;
    };
    const Binding bindings[] = {
        {IDC_IM_CHAT_FONT, &m_chatSkin.m_btnSetFont},       {IDC_IM_CHAT_EMOTICON, &m_chatSkin.m_btnSetEmo},
        {IDC_IM_CHAT_PICTURE, &m_chatSkin.m_btnSendPic},    {IDC_IM_CHAT_SCREENSHOT, &m_chatSkin.m_btnScreenshot},
        {IDC_IM_CHAT_HISTORY, &m_chatSkin.m_btnShowMsg},    {IDC_IM_CHAT_SEND_FILE, &m_chatSkin.m_btnSendFile},
        {IDC_IM_CHAT_SEND, &m_chatSkin.m_btnSend},          {IDC_IM_CHAT_SEND_OPTIONS, &m_chatSkin.m_btnList},
        {IDC_IM_CHAT_CLOSE, &m_chatSkin.m_btnClose},
    };
    for (const Binding& b : bindings) {
        CSkinBtn& button = Button(b.id);
        if (!button.SubclassDlgItem(b.id, m_hWnd)) continue;
        button.SetBitmaps(b.paths->normal, b.paths->hover, b.paths->pressed, b.paths->normal);
        KeepButtonPictures({b.paths->normal, b.paths->hover, b.paths->pressed});
    }
    CSkinBtn& tipClose = Button(IDC_IM_CHAT_TIP_CLOSE);
    if (tipClose.SubclassDlgItem(IDC_IM_CHAT_TIP_CLOSE, m_hWnd)) {
        const std::wstring base = ResourcePath(L"tipWndbar\\tipWndBar_closeBtn_");
        tipClose.SetBitmaps(base + L"1.png", base + L"2.png", base + L"3.png", base + L"1.png");
        KeepButtonPictures({base + L"1.png", base + L"2.png", base + L"3.png"});
        tipClose.ShowWindow(SW_HIDE);
    }
}

void CIMChatPanel::CreateTransferPage() {
    if (!m_tab.SubclassDlgItem(IDC_IM_CHAT_TAB, m_hWnd)) return;
    CEnTabCtrl::SetLookFlags(kTabLookFlags);
    m_tab.SetBkgndColour(kTabColour, kTabEnd);
    m_tab.SendMessage(TCM_SETITEMSIZE, 0, MAKELPARAM(0, kTabItemHeight));
    m_tab.AddTabPage(&m_transferPanel, IDD_IM_TRANSFILE, L"文件传输");
    m_tab.ShowTabPage(0);
    // A finished receive names the file where the page saved it.
    SetSavePathSource([this](const FileRequestRecord&) {
        const auto& entry = m_transferPanel.GetSession().GetEntry();
        return entry ? entry->localPath : std::wstring();
    });
}

// ---------------------------------------------------------------------------
// The peer, the title, the notices
// ---------------------------------------------------------------------------

void CIMChatPanel::SetPeer(const UserInfoBase& peer) {
    m_peer = peer;
    if (!IsWindow()) return;
    UpdateTitle();
    UpdateSignature();
    if (m_bLayoutReady) LayoutControls();
    Invalidate(false);
}

void CIMChatPanel::UpdateTitle() {
    if (IsWindow()) SetWindowText(GetTitle());
}

void CIMChatPanel::UpdateSignature() {
    const std::wstring text = CIMChatTexts::SignatureLine(m_peer, m_codePage);
    if (m_signature.IsWindow()) m_signature.SetWindowText(text);
    if (m_tooltip.IsWindow() && m_signature.IsWindow()) m_tooltip.UpdateTipText(m_signature.GetHwnd(), text);
}

void CIMChatPanel::ShowMessage(const TextMsgRecord& record, bool own) {
    if (!IsWindow()) return;
    std::wstring name;
    if (own) {
        const UserInfoBase* self = m_engine.MGetUserInfoBase ? m_engine.MGetUserInfoBase(OwnUserId()) : nullptr;
        if (self) name = CIMChatTexts::Nickname(*self, m_codePage);
    } else {
        name = CIMChatTexts::Nickname(m_peer, m_codePage);
    }
    AppendMessage(record, own, name);
}

void CIMChatPanel::ShowStatusNotice(int32_t status) { ShowTipText(CChatSessionRules::StatusTip(status)); }

void CIMChatPanel::ShowTipText(const std::wstring& text) { SetTipText(text, !text.empty()); }

void CIMChatPanel::OnTipBarChanged() {
    if (!IsWindow()) return;
    if (m_bLayoutReady) LayoutControls();
    Invalidate(false);
    m_log.Invalidate(true);
}

void CIMChatPanel::OnTypingDisplay(bool) {
    int part = kPartTypingPicture;
    RelayoutPanel(this, &part);
    part = kPartTypingText;
    RelayoutPanel(this, &part);
    UpdateTitle();
}

// ---------------------------------------------------------------------------
// File transfers
// ---------------------------------------------------------------------------

void CIMChatPanel::OnSendFile() {
    m_transferPanel.GetSession().SetServer(g_ClientSettings.serverEntry);
    m_transferPanel.SendFile(OwnUserId(), m_peer.userId, m_hWnd);
}

void CIMChatPanel::OnFileEvent(const FileRequestRecord& record, int code) {
    m_transferPanel.GetSession().SetServer(g_ClientSettings.serverEntry);
    m_transferPanel.OnFileEvent(m_hWnd, record, code);
}

void CIMChatPanel::ResetFileTransfer() {
    if (m_transferPanel.IsWindow()) m_transferPanel.SetState(TRANSFER_IDLE);
}

void CIMChatPanel::OnFileTransferNotice(int state, bool ownSide) {
    SetPaneWidth(CChatSessionRules::TransferPaneWidth(state, ownSide, m_nPaneWidth));
}

void CIMChatPanel::SetPaneWidth(int width) {
    if (width == m_nPaneWidth) return;
    const int difference = width - m_nPaneWidth;
    m_nPaneWidth = width;
    if (!IsWindow()) return;
    // The window's right edge moves by the difference; the log keeps its width.
    if (!IsPanelMaximized()) {
        const RECT window = GetWindowRect();
        SetWindowPos(nullptr, 0, 0, Width(window) + difference, Height(window),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    LayoutControls();
    Invalidate(false);
}

// ---------------------------------------------------------------------------
// Commands
// ---------------------------------------------------------------------------

void CIMChatPanel::OnHistory() {
    CPanelRegistry* registry = CPanelRegistry::GetInstance();
    CPanelBase* manager = registry->GetMsgMgrPanel();
    if (!manager) manager = registry->CreatePanel(kPanelMsgMgr);
    if (!manager) {
        ShowInfo(CIMChatTexts::kHistoryMissing);
        return;
    }
    if (!manager->IsWindow() && !manager->Create(::GetDesktopWindow())) return;
    ::SetForegroundWindow(manager->GetHwnd());
    manager->ShowWindow(SW_SHOWNORMAL);
    if (auto* view = dynamic_cast<IPeerHistoryView*>(manager)) view->ShowUser(m_peer);
}

void CIMChatPanel::OnQuickReplySetup() {
    CPanelBase* panel = CPanelRegistry::GetInstance()->OpenSystemSetting();
    if (auto* settings = dynamic_cast<CIMSystemSettingPanel*>(panel)) settings->SetCurrentPage(1);
}

void CIMChatPanel::OpenPeerProfile() {
    CPanelBase* profile = CPanelRegistry::GetInstance()->OpenUserInfo(m_peer.userId);
    if (profile && profile->IsWindow()) ::SetActiveWindow(profile->GetHwnd());
}

void CIMChatPanel::ShowInfo(const std::wstring& text) {
    fw::ShowMessageBox(m_hWnd, text, kMessengerDisplayTitle, MB_OK | MB_ICONINFORMATION);
}

bool CIMChatPanel::OnClose() {
    OnClosePanel();
    return true;
}

void CIMChatPanel::OnCancel() { OnClosePanel(); }

void CIMChatPanel::OnClosePanel() {
    if (m_closing || !IsWindow()) return;
    m_closing = true;
    // The next chat window opens with this size and this font.
    if (!::IsIconic(m_hWnd)) {
        const RECT client = GetClientRect();
        g_ClientSettings.chatPanelWidth = Width(client);
        g_ClientSettings.chatPanelHeight = Height(client);
    }
    SaveInputFormat();
    CPanelRegistry* registry = CPanelRegistry::GetInstance();
    if (registry->Holds(this))
        registry->CloseChatWindow(this);  // deletes this object once the handler has returned
    else
        DestroyWindow();
}

// ---------------------------------------------------------------------------
// Layout and painting
// ---------------------------------------------------------------------------

void CIMChatPanel::LayoutPanel(int* part, const RECT& client, RECT* out) {
    if (!part || !out) return;
    switch (*part) {
    case kPartTypingPicture: *out = {130, 5, 146, 21}; break;
    case kPartTypingText: *out = {150, 0, 270, IMChatLayout::kCaptionHeight}; break;
    case kPartName: *out = m_rcName; break;
    default: break;
    }
    (void)client;
}

void CIMChatPanel::LayoutControls() {
    if (!IsWindow()) return;
    const RECT client = GetClientRect();
    const IMChatLayout l = IMChatLayout::For(client.right, client.bottom, m_nPaneWidth);
    const auto place = [this](int id, const RECT& rc) { PlaceControl(id, rc.left, rc.top, Width(rc), Height(rc)); };
    place(IDC_PANEL_CLOSE, l.closeButton);
    place(IDC_PANEL_MAXIMIZE, l.maximizeButton);
    place(IDC_PANEL_MINIMIZE, l.minimizeButton);
    place(IDC_IM_CHAT_INPUT, l.input);
    place(IDC_IM_CHAT_FONT, l.font);
    place(IDC_IM_CHAT_EMOTICON, l.emoticon);
    place(IDC_IM_CHAT_PICTURE, l.picture);
    place(IDC_IM_CHAT_SCREENSHOT, l.screenshot);
    place(IDC_IM_CHAT_HISTORY, l.history);
    place(IDC_IM_CHAT_CLOSE, l.close);
    place(IDC_IM_CHAT_SEND, l.send);
    place(IDC_IM_CHAT_SEND_OPTIONS, l.sendOptions);
    place(IDC_IM_CHAT_SEND_FILE, l.sendFile);
    place(IDC_IM_CHAT_SIGNATURE, l.signature);
    place(IDC_IM_CHAT_TAB, l.tab);
    if (m_tab.IsWindow()) m_tab.PlacePages();

    // The tip bar takes the top of the log's place; the log starts one
    // pixel under it.
    RECT log = l.log;
    m_rcTip = MeasureTipBar(log.left, log.top, log.right);
    if (m_bTipVisible) {
        log.top = std::min(m_rcTip.bottom + 1, log.bottom);
    } else {
        m_rcTip.bottom = m_rcTip.top;
    }
    place(IDC_IM_CHAT_LOG, log);
    PlaceTipClose(16);

    // The peer's name: its text's width, at most w - 180.
    const std::wstring name = CIMChatTexts::NameLine(m_peer, m_codePage);
    HDC dc = ::GetDC(m_hWnd);
    HGDIOBJ old = ::SelectObject(dc, m_skin.m_fontNormal.Get() ? m_skin.m_fontNormal.Get() : ::GetStockObject(DEFAULT_GUI_FONT));
    SIZE extent = {};
    ::GetTextExtentPoint32W(dc, name.c_str(), static_cast<int>(name.size()), &extent);
    ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);
    const int nameWidth = std::max(0, std::min(static_cast<int>(extent.cx), static_cast<int>(client.right) - 180));
    m_rcName = {67, 28, 67 + nameWidth, 28 + 26};
}

bool CIMChatPanel::OnSize(UINT type, int cx, int cy) {
    CPanelBase::OnSize(type, cx, cy);
    if (type != SIZE_MINIMIZED && m_bLayoutReady) LayoutControls();
    return true;
}

bool CIMChatPanel::OnPaint() {
    fw::CPaintDC paint(m_hWnd);
    const RECT client = GetClientRect();
    fw::PaintBuffered(paint, client.right, client.bottom, [&](HDC dc) { PaintSurface(dc, client.right, client.bottom); });
    DrawPanelFrame(paint, m_hWnd);
    return true;
}

void CIMChatPanel::PaintSurface(HDC dc, int w, int h) {
    const RECT all = {0, 0, w, h};
    ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    const IMChatLayout l = IMChatLayout::For(w, h, m_nPaneWidth);
    const int p = m_nPaneWidth;
    const int top = IMChatLayout::kLogTop;
    const int bottom = h - IMChatLayout::kBottomBand;

    PaintHeader(dc, w);

    // The left margin and the right strip, from the header band down.
    if (bottom > top) {
        DrawGradientRect(RECT{0, top, IMChatLayout::kLeftMargin, bottom}, kStripTop, kWhite, dc);
        const int low = std::max(top, bottom - kRightStripLow);
        if (low > top) DrawGradientRect(RECT{w - p, top, w, low}, kStripTop, kWhite, dc);
        DrawGradientRect(RECT{w - p, low, w, bottom}, kWhite, kStripBottom, dc);
    }
    // The tool-bar band between the log and the input, the bottom band.
    DrawBitmapTiled(m_chatSkin.m_bmpLine3, dc, 0, h - 144, w - p, h - 116);
    DrawBitmapTiled(m_skin.m_bmpBottom, dc, 0, bottom, w, h);

    RECT log = l.log;
    if (m_bTipVisible) log.top = std::min(m_rcTip.bottom + 1, log.bottom);
    FrameAround(dc, log, kControlFrame);
    FrameAround(dc, l.input, kControlFrame);
    DrawBitmapAt(dc, m_skin.m_bmpResize, w - kPanelGripSize, h - kPanelGripSize);
    if (m_bTipVisible) DrawTipBar(dc);
    FrameAround(dc, l.tab, kControlFrame);
}

void CIMChatPanel::PaintHeader(HDC dc, int w) {
    // The caption: the skin, the window icon, the display title.
    DrawBitmapTiled(m_skin.m_bmpTitle, dc, 0, 0, w, IMChatLayout::kCaptionHeight);
    if (m_hIcon) ::DrawIconEx(dc, 5, 5, m_hIcon, 16, 16, 0, nullptr, DI_NORMAL);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, kWhite);
    HFONT normal = m_skin.m_fontNormal.Get() ? m_skin.m_fontNormal.Get()
                                             : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    {
        fw::CSelectObject font(dc, normal);
        RECT title = {26, 0, 126, IMChatLayout::kCaptionHeight};
        ::DrawTextW(dc, kMessengerDisplayTitle, -1, &title, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
        if (m_counters.TypingShown()) {
            const std::wstring frame = fw::FormatString(L"%lsResource\\chat\\InputAnimate16_%d.png",
                                                        m_programFolder.c_str(), m_counters.TypingTicks() % 2 + 1);
            Gdiplus::Graphics graphics(dc);
            Gdiplus::Image pen(frame.c_str());
            if (pen.GetLastStatus() == Gdiplus::Ok) graphics.DrawImage(&pen, 130, 5, 16, 16);
            RECT typing = {150, 0, 270, IMChatLayout::kCaptionHeight};
            ::DrawTextW(dc, L"对方正在输入", -1, &typing, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
        }
    }

    // The header band with the peer's face and name.
    DrawBitmapTiled(m_chatSkin.m_bmpLine2, dc, 0, IMChatLayout::kCaptionHeight, w, IMChatLayout::kLogTop);
    DrawBitmapAt(dc, m_chatSkin.m_bmpFace, 10, 36);
    ::SetTextColor(dc, kNameColour);
    HFONT nameFont = m_bOverName && m_skin.m_fontUnderline.Get() ? m_skin.m_fontUnderline.Get() : normal;
    fw::CSelectObject font(dc, nameFont);
    RECT name = m_rcName;
    const std::wstring text = CIMChatTexts::NameLine(m_peer, m_codePage);
    ::DrawTextW(dc, text.c_str(), -1, &name, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
}

// ---------------------------------------------------------------------------
// Messages
// ---------------------------------------------------------------------------

bool CIMChatPanel::PointOnName(POINT screen) const {
    POINT pt = screen;
    ::ScreenToClient(m_hWnd, &pt);
    return ::PtInRect(&m_rcName, pt) != FALSE;
}

LRESULT CIMChatPanel::OnSetCursor(WPARAM wParam, LPARAM lParam) {
    POINT cursor = {};
    ::GetCursorPos(&cursor);
    const bool over = reinterpret_cast<HWND>(wParam) == m_hWnd && PointOnName(cursor);
    if (over != m_bOverName) {
        // The name is drawn in the hover font while the cursor is over it.
        m_bOverName = over;
        InvalidateRect(m_rcName, false);
    }
    if (over) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
    }
    return CChatPanelCore::WindowProc(WM_SETCURSOR, wParam, lParam);
}

LRESULT CIMChatPanel::OnNcLButtonDown(WPARAM hitCode, LPARAM lParam) {
    const POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (PointOnName(pt)) {
        OpenPeerProfile();
        return 0;
    }
    return CChatPanelCore::WindowProc(WM_NCLBUTTONDOWN, hitCode, lParam);
}

LRESULT CIMChatPanel::OnStateQuery(WPARAM what) {
    switch (what) {
    case kQueryChatPictures:
    case kQueryChatPlaceholders: {
        LRESULT count = 0;
        const LONG objects = m_log.GetObjectCount();
        for (LONG i = 0; i < objects; ++i) {
            const PictureObjectInfo* info = m_log.GetObjectInfo(i);
            if (!info) continue;
            if (what == kQueryChatPictures ? info->state == PictureObjectInfo::kShown
                                           : info->state == PictureObjectInfo::kPlaceholder)
                ++count;
        }
        return count;
    }
    case kQueryChatEntries: return static_cast<LRESULT>(m_log.GetEntryCount());
    case kQueryChatTip:
        return m_bTipVisible ? ::GlobalAddAtomW(fw::CutWide(m_tipText, 255).c_str()) : 0;
    case kQueryChatPane: return m_nPaneWidth;
    case kQueryChatTransfer: return m_transferPanel.GetSession().GetState();
    case kQueryChatName:
        return ::GlobalAddAtomW(fw::CutWide(CIMChatTexts::NameLine(m_peer, m_codePage), 255).c_str());
    default: return 0;
    }
}

LRESULT CIMChatPanel::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == IMStateQueryMessage()) return OnStateQuery(wParam);
    switch (msg) {
    case WM_SETCURSOR: return OnSetCursor(wParam, lParam);
    case WM_NCLBUTTONDOWN: return OnNcLButtonDown(wParam, lParam);
    default: return CChatPanelCore::WindowProc(msg, wParam, lParam);
    }
}
