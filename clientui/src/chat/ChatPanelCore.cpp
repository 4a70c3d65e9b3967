#include "clientui/ChatPanelCore.h"

#include "clientui/ClientSettings.h"
#include "clientui/ImageTransfer.h"
#include "clientui/InputMessageBuilder.h"
#include "clientui/PictureFile.h"

#include "ChatFontFormat.h"
#include "MessageParser.h"

#include "fw/ComPtr.h"
#include "fw/GdiObject.h"
#include "fw/MessageBoxSink.h"

#include <commctrl.h>
#include <commdlg.h>
#include <gdiplus.h>
#include <richedit.h>
#include <richole.h>

#include <cstring>

namespace {

constexpr int kFirstButtonId = 1100;
constexpr int kButtonCount = 32;
constexpr COLORREF kOwnColour = 0x408000;
constexpr COLORREF kPeerColour = 0xFF0000;
constexpr COLORREF kNoticeColour = 0x808080;
constexpr COLORREF kTipColour = 0xC5F9FF;

// The three formats of the log: 9 points, "宋体", no effects.
CHARFORMATW LogFormat(COLORREF colour) {
    CHARFORMATW format = {};
    format.cbSize = sizeof format;
    format.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_SIZE | CFM_COLOR | CFM_FACE;
    format.yHeight = 180;
    format.crTextColor = colour;
    wcscpy_s(format.szFaceName, LF_FACESIZE, L"宋体");
    return format;
}

}  // namespace

CChatPanelCore::CChatPanelCore(UINT templateId, const ChatPanelIds& ids, CEngineModule& engine,
                               const std::wstring& programFolder, const FileSizeScale& sizeScale)
    : CPanelBase(templateId, nullptr, programFolder),
      m_ids(ids),
      m_engine(engine),
      m_sessionRules(engine, m_codePage, sizeScale),
      m_programFolder(ResolveSkinProgramFolder(programFolder)) {
    m_fmtOwn = LogFormat(kOwnColour);
    m_fmtPeer = LogFormat(kPeerColour);
    m_fmtNotice = LogFormat(kNoticeColour);
}

CChatPanelCore::~CChatPanelCore() = default;

CSkinBtn& CChatPanelCore::Button(int id) {
    static CSkinBtn none;
    if (id < kFirstButtonId || id >= kFirstButtonId + kButtonCount) return none;
    return m_buttons[id - kFirstButtonId];
}

std::wstring CChatPanelCore::ResourcePath(const wchar_t* relative) const {
    return m_programFolder + L"Resource\\" + relative;
}

void CChatPanelCore::SetImageTransfer(CImageTransfer* transfer) {
    m_transfer = transfer;
    m_downloads = CImageTransferDownloads(transfer);
}

void CChatPanelCore::PlaceControl(int id, int x, int y, int width, int height) {
    HWND control = GetDlgItem(id);
    if (control) ::MoveWindow(control, x, y, width, height, TRUE);
}

// --- initialisation ----------------------------------------------------------

void CChatPanelCore::InitChatSession() {
    m_sendOptions.LoadMenu(::GetModuleHandleW(nullptr), m_ids.sendOptionsMenu);
    OnSetSendOption(g_ClientSettings.sendMsgOpt == 1 ? 1 : 0);

    m_log.SubclassDlgItem(m_ids.log, m_hWnd);
    m_input.SubclassDlgItem(m_ids.input, m_hWnd);
    m_log.SetPictureSource(m_programFolder, OwnUserId(), &m_downloads);
    // No emoticons and no picture files in these windows.
    ::ShowWindow(GetDlgItem(m_ids.emoticon), SW_HIDE);
    ::ShowWindow(GetDlgItem(m_ids.picture), SW_HIDE);

    SetTimer(kTimerFlash, 500);
    m_input.SendMessage(EM_SETEVENTMASK, 0, m_input.SendMessage(EM_GETEVENTMASK) | ENM_CHANGE);
    m_log.SendMessage(EM_SETEVENTMASK, 0, m_log.SendMessage(EM_GETEVENTMASK) | ENM_LINK);
    m_log.SendMessage(EM_AUTOURLDETECT, TRUE, 0);
    ApplyInputFormat(CChatSessionRules::InputFormatFromSettings(g_ClientSettings, m_codePage));
    SetTimer(kTimerPictureSwap, 2000);
}

void CChatPanelCore::AddTooltips(const int* ids, size_t count) {
    if (!m_tooltip.IsWindow() && !m_tooltip.Create(m_hWnd)) return;
    for (size_t i = 0; i < count; ++i) {
        HWND control = GetDlgItem(ids[i]);
        if (!control) continue;
        TOOLINFOW ti = {};
        ti.cbSize = sizeof ti;
        ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        ti.hwnd = m_hWnd;
        ti.uId = reinterpret_cast<UINT_PTR>(control);
        ti.lpszText = LPSTR_TEXTCALLBACKW;
        m_tooltip.SendMessage(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
    m_tooltip.SetMaxTipWidth(300);
}

// --- the tip bar ----------------------------------------------------------------

void CChatPanelCore::SetTipText(const std::wstring& text, bool shown) {
    m_tipText = text;
    m_bTipVisible = shown && !text.empty() ? 1 : 0;
    OnTipBarChanged();
}

void CChatPanelCore::HideTipBar() {
    m_bTipVisible = 0;
    OnTipBarChanged();
}

RECT CChatPanelCore::MeasureTipBar(int left, int top, int right) const {
    RECT bar = {left, top, right, top};
    if (!IsWindow()) return bar;
    HDC dc = ::GetDC(m_hWnd);
    HGDIOBJ old = ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    SIZE text = {};
    ::GetTextExtentPoint32W(dc, m_tipText.c_str(), static_cast<int>(m_tipText.size()), &text);
    TEXTMETRICW metrics = {};
    ::GetTextMetricsW(dc, &metrics);
    ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);
    // The text runs from 20 to the right edge - 16.
    const int textWidth = (right - left) - 36;
    bar.bottom = top + CChatSessionRules::TipBarHeight(text.cx, textWidth, metrics.tmHeight);
    return bar;
}

void CChatPanelCore::DrawTipBar(HDC dc) const {
    fw::CBrush fill(::CreateSolidBrush(kTipColour));
    ::FillRect(dc, &m_rcTip, fill.Get());
    {
        Gdiplus::Graphics graphics(dc);
        Gdiplus::Image icon(ResourcePath(L"tipWndbar\\tipWndbar000.png").c_str());
        if (icon.GetLastStatus() == Gdiplus::Ok) graphics.DrawImage(&icon, m_rcTip.left + 2, m_rcTip.top + 2, 16, 16);
    }
    HGDIOBJ oldFont = ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::SetBkMode(dc, TRANSPARENT);
    RECT text = {m_rcTip.left + 20, m_rcTip.top + 4, m_rcTip.right - 16, m_rcTip.bottom};
    ::DrawTextW(dc, m_tipText.c_str(), -1, &text, DT_LEFT | DT_WORDBREAK);
    ::SelectObject(dc, oldFont);
}

void CChatPanelCore::PlaceTipClose(int width) {
    HWND tipClose = GetDlgItem(m_ids.tipClose);
    if (!tipClose) return;
    ::MoveWindow(tipClose, m_rcTip.right - 16, m_rcTip.top + 4, width, 16, TRUE);
    ::ShowWindow(tipClose, m_bTipVisible ? SW_SHOW : SW_HIDE);
}

// --- messages ---------------------------------------------------------------------

LRESULT CChatPanelCore::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT routed = 0;
    if (COfficeXPMenu::RouteOwnerMessage(msg, wParam, lParam, &routed)) return routed;
    switch (msg) {
    case WM_COMMAND:
        // The input's change notice, before the rich edit's reflection takes it.
        if (LOWORD(wParam) == m_ids.input && HIWORD(wParam) == EN_CHANGE) {
            OnInputChanged();
            return 0;
        }
        break;
    case WM_TRANSFILE_STATE:
        OnFileTransferState(reinterpret_cast<const FileRequestRecord*>(wParam), static_cast<int>(lParam));
        return 0;
    case WM_GETMINMAXINFO:
        FitMaximizedToWorkArea(reinterpret_cast<MINMAXINFO*>(lParam), SIZE{kMinTrackWidth, kMinTrackHeight});
        return 0;
    default: break;
    }
    return CPanelBase::WindowProc(msg, wParam, lParam);
}

bool CChatPanelCore::PreTranslateMessage(MSG& msg) {
    if (m_tooltip.IsWindow()) m_tooltip.RelayEvent(&msg);
    if (msg.message == WM_KEYDOWN) {
        const bool ctrl = (::GetKeyState(VK_CONTROL) & 0x8000) != 0;
        const bool inInput = msg.hwnd == m_input.GetHwnd();
        switch (CChatSessionRules::ActionForKey(static_cast<UINT>(msg.wParam), ctrl, inInput,
                                                g_ClientSettings.sendMsgOpt)) {
        case CChatSessionRules::KeyAction::Close:
            OnClosePanel();
            return true;
        case CChatSessionRules::KeyAction::Send:
            OnSend();
            return true;
        case CChatSessionRules::KeyAction::LineBreak:
            // The line break is put into the input here: a window above may
            // swallow Enter, and a rich edit in a dialog takes Ctrl+Enter
            // for the dialog's own keys.
            m_input.ReplaceSel(L"\r", true);
            return true;
        case CChatSessionRules::KeyAction::None:
            break;
        }
    }
    return CPanelBase::PreTranslateMessage(msg);
}

bool CChatPanelCore::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT command = LOWORD(wParam);
    const int reply = CChatSessionRules::QuickReplyIndex(command);
    if (reply >= 0) {
        OnQuickReply(reply);
        return true;
    }
    const int id = static_cast<int>(command);
    if (id == m_ids.send) {
        OnSend();
    } else if (id == m_ids.close || id == IDC_PANEL_CLOSE || id == IDCANCEL) {
        OnClosePanel();
    } else if (id == IDOK) {
    } else if (id == m_ids.font) {
        OnFont();
    } else if (id == m_ids.screenshot) {
        OnScreenShot();
    } else if (id == m_ids.history) {
        OnHistory();
    } else if (id == m_ids.sendFile) {
        OnSendFile();
    } else if (id == m_ids.sendOptions) {
        OnSendOptions();
    } else if (command == kCmdSendByEnter) {
        OnSetSendOption(0);
    } else if (command == kCmdSendByCtrlEnter) {
        OnSetSendOption(1);
    } else if (id == m_ids.tipClose) {
        HideTipBar();
    } else if (command == ID_QUICKREPLY_SETUP) {
        OnQuickReplySetup();
    } else {
        return CPanelBase::OnCommand(wParam, lParam);
    }
    return true;
}

bool CChatPanelCore::OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) {
    if (hdr && hdr->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(hdr);
        UINT_PTR id = hdr->idFrom;
        if (info->uFlags & TTF_IDISHWND) id = static_cast<UINT_PTR>(::GetDlgCtrlID(reinterpret_cast<HWND>(id)));
        // The tooltip of a button is the string resource with its id.
        info->hinst = ::GetModuleHandleW(nullptr);
        info->lpszText = MAKEINTRESOURCEW(id);
        *result = 0;
        return true;
    }
    return CPanelBase::OnNotify(wParam, hdr, result);
}

// --- the tool commands ------------------------------------------------------------

void CChatPanelCore::ApplyInputFormat(const CHARFORMATW& format) {
    m_inputFormat = format;
    m_inputFormat.cbSize = sizeof m_inputFormat;
    if (!m_input.IsWindow()) return;
    m_input.SetDefaultCharFormat(m_inputFormat);
    m_input.SetSel(0, -1);
    m_input.SetSelectionCharFormat(m_inputFormat);
    m_input.SetSelEnd();
}

void CChatPanelCore::SaveInputFormat() {
    CChatSessionRules::StoreInputFormat(m_inputFormat, g_ClientSettings, m_codePage);
    g_ClientSettings.SaveUserConfig();
}

void CChatPanelCore::OnFont() {
    LOGFONTW font = {};
    HDC screen = ::GetDC(nullptr);
    font.lfHeight = -::MulDiv(m_inputFormat.yHeight / 20, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
    ::ReleaseDC(nullptr, screen);
    font.lfWeight = (m_inputFormat.dwEffects & CFE_BOLD) ? FW_BOLD : FW_NORMAL;
    font.lfItalic = (m_inputFormat.dwEffects & CFE_ITALIC) ? 1 : 0;
    font.lfUnderline = (m_inputFormat.dwEffects & CFE_UNDERLINE) ? 1 : 0;
    font.lfCharSet = DEFAULT_CHARSET;
    wcsncpy_s(font.lfFaceName, LF_FACESIZE, m_inputFormat.szFaceName, _TRUNCATE);
    CHOOSEFONTW choose = {};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = m_hWnd;
    choose.lpLogFont = &font;
    choose.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT;
    choose.rgbColors = m_inputFormat.crTextColor;
    if (!::ChooseFontW(&choose)) return;
    CHARFORMATW format = m_inputFormat;
    format.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_SIZE | CFM_COLOR | CFM_FACE;
    format.dwEffects = (font.lfWeight >= FW_BOLD ? CFE_BOLD : 0) | (font.lfItalic ? CFE_ITALIC : 0) |
                       (font.lfUnderline ? CFE_UNDERLINE : 0);
    format.yHeight = choose.iPointSize * 2;  // tenths of a point to twips
    format.crTextColor = choose.rgbColors;
    wcsncpy_s(format.szFaceName, LF_FACESIZE, font.lfFaceName, _TRUNCATE);
    ApplyInputFormat(format);
    m_input.SetFocus();
}

void CChatPanelCore::OnScreenShot() {
    if (!m_engine.ScreenShot || !m_engine.ScreenShot()) return;
    if (!::OpenClipboard(m_hWnd)) return;
    HBITMAP shared = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP));
    // The clipboard owns its bitmap: take a copy before closing it.
    HBITMAP copy = shared ? static_cast<HBITMAP>(::CopyImage(shared, IMAGE_BITMAP, 0, 0, 0)) : nullptr;
    ::CloseClipboard();
    if (!copy) return;
    fw::CBitmap bitmap(copy);
    fw::CComPtr<IRichEditOle> ole = fw::CComPtr<IRichEditOle>::Adopt(m_input.GetOleInterface());
    if (ole) m_input.InsertStaticPicture(ole.Get(), bitmap.Get());
    m_input.SetFocus();
}

void CChatPanelCore::OnSendOptions() {
    HMENU sub = m_sendOptions.GetSubMenu(0);
    if (!sub) return;
    RECT below = {};
    if (HWND button = GetDlgItem(m_ids.sendOptions)) ::GetWindowRect(button, &below);
    TrackMenu(sub, below);
}

void CChatPanelCore::OnSetSendOption(int option) {
    g_ClientSettings.sendMsgOpt = option;
    HMENU sub = m_sendOptions.GetSubMenu(0);
    if (!sub) return;
    ::CheckMenuItem(sub, kCmdSendByEnter, MF_BYCOMMAND | (option == 0 ? MF_CHECKED : MF_UNCHECKED));
    ::CheckMenuItem(sub, kCmdSendByCtrlEnter, MF_BYCOMMAND | (option == 1 ? MF_CHECKED : MF_UNCHECKED));
}

void CChatPanelCore::OnQuickReply(int index) {
    const auto& replies = g_ClientSettings.quickReplies;
    if (index < 0 || static_cast<size_t>(index) >= replies.size()) return;
    m_input.SetWindowText(replies[static_cast<size_t>(index)]);
    OnSend();
}

bool CChatPanelCore::SendReplyText(const std::wstring& text) {
    if (text.empty() || !IsWindow() || !::IsWindowEnabled(m_hWnd) || !CanSend()) return false;
    m_input.SetWindowText(text);
    OnSend();
    return true;
}

void CChatPanelCore::PopUpQuickReplyMenu() {
    m_quickMenu = std::make_unique<COfficeXPMenu>();
    if (!m_quickMenu->CreatePopupMenu()) return;
    const auto& replies = g_ClientSettings.quickReplies;
    const size_t shown = CChatSessionRules::QuickReplyItemCount(replies.size());
    for (size_t i = 0; i < shown; ++i)
        m_quickMenu->AppendItem(MF_STRING, replies[i], ID_QUICKREPLY_FIRST + static_cast<UINT>(i));
    m_quickMenu->AppendItem(MF_SEPARATOR, std::wstring(), 0);
    m_quickMenu->AppendItem(MF_STRING, L"快捷回复菜单设置...", ID_QUICKREPLY_SETUP);
    RECT below = {};
    if (HWND button = GetDlgItem(m_ids.send)) ::GetWindowRect(button, &below);
    TrackMenu(m_quickMenu->Get(), below);
}

// --- sending ----------------------------------------------------------------------

bool CChatPanelCore::CanSend() const {
    HWND send = GetDlgItem(m_ids.send);
    return !send || ::IsWindowEnabled(send);
}

TextMsgRecord CChatPanelCore::MakeSendRecord(const MessageStamp& stamp) const {
    return CChatSessionRules::MakeRecord(OwnUserId(), PeerUserId(), stamp);
}

void CChatPanelCore::AppendNotice(const std::wstring& line) {
    m_log.AppendMessage(line.c_str(), &m_fmtNotice, &m_fmtNotice);
}

void CChatPanelCore::ShowSystemNotice(const std::wstring& text) { m_log.AppendSystemNotice(text, m_fmtNotice); }

void CChatPanelCore::ResetInput() {
    m_input.SetWindowText(L"");
    m_input.SetDefaultCharFormat(m_inputFormat);
    m_input.SetFocus();
}

void CChatPanelCore::OnSend() {
    if (!CanSend()) return;
    if (m_sessionRules.IsOffline()) {
        ShowSystemNotice(CChatSessionRules::OfflineNotice());
        return;
    }
    if (m_input.GetWindowText().empty()) {
        m_input.SetDefaultCharFormat(m_inputFormat);
        m_input.SetFocus();
        PopUpQuickReplyMenu();
        return;
    }
    const int32_t ownId = OwnUserId();
    CInputMessageBuilder builder(
        m_codePage, [](std::wstring& name) { return MakeJpegImageName(name) != 0; },
        [this, ownId](HBITMAP bitmap, const std::wstring& name, std::wstring& path) {
            return SaveJpegImageAs(m_programFolder, ownId, name, bitmap, path) != 0;
        });
    const InputMessage built = builder.Build(m_input);
    if (!built.message.accepted) {
        ShowSystemNotice(CChatSessionRules::TooLongNotice());
        m_input.SetFocus();
        return;
    }
    if (built.message.notice == clientui::SendNotice::OnePictureOnly)
        ShowOnePictureOnly(clientui::SendNoticeText(clientui::SendNotice::OnePictureOnly));

    TextMsgRecord record = MakeSendRecord(CChatMessageClock::ForProcess().Next());
    const size_t length = built.message.text.size() < sizeof record.text ? built.message.text.size()
                                                                         : sizeof record.text - 1;
    std::memcpy(record.text, built.message.text.data(), length);
    record.text[length] = '\0';
    if (!built.uploadName.empty()) QueueUpload(built.uploadName, built.uploadPath);
    if (m_engine.MSendTextMsg) m_engine.MSendTextMsg(&record);
    ResetInput();
}

void CChatPanelCore::QueueUpload(const std::wstring& name, const std::wstring& path) {
    ImageTransJob job;
    job.head.type = 1;
    job.head.userId = PeerUserId();
    const std::string ansi = m_codePage.ToAnsiCut(name, sizeof job.head.name - 1);
    std::memcpy(job.head.name, ansi.c_str(), ansi.size() + 1);
    job.localPath = path;
    CImageTransfer& transfer = m_transfer ? *m_transfer : CImageTransfer::GetInstance();
    transfer.AddUploadJob(job);
}

// --- showing ------------------------------------------------------------------------

void CChatPanelCore::AppendMessage(const TextMsgRecord& record, bool own, const std::wstring& name) {
    clientui::CMessageParser parser(m_codePage);
    const clientui::ParsedMessage parsed =
        parser.Parse(record.text, sizeof record.text, clientui::ChatFontSpec::ConversationDefault(m_codePage));
    const std::wstring header =
        CChatSessionRules::HeaderLine(name, record.date, record.time, CChatSessionRules::Today());
    const CHARFORMATW body = clientui::CharFormatFromChatFont(parsed.font, m_codePage);
    m_log.AppendMessage(header, parsed, own ? m_fmtOwn : m_fmtPeer, body);
    if (!own) {
        KillTimer(kTimerFlash);
        SetTimer(kTimerFlash, 400);
    }
}

void CChatPanelCore::OnInputChanged() {
    if (!m_counters.OnInputChanged()) return;
    SetTimer(kTimerTypingThrottle, 1000);
    if (m_engine.MProChatInputStatus) m_engine.MProChatInputStatus(PeerUserId());
}

void CChatPanelCore::ShowTypingNotice() {
    if (m_counters.OnTypingNotice()) KillTimer(kTimerTypingDisplay);
    SetTimer(kTimerTypingDisplay, 1000);
    OnTypingDisplay(true);
}

void CChatPanelCore::OnFileTransferState(const FileRequestRecord* record, int state) {
    if (!record) return;
    const bool ownSide = m_engine.MGetCurUserID && record->senderId == m_engine.MGetCurUserID();
    const std::wstring savePath = m_savePathSource ? m_savePathSource(*record) : std::wstring();
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    AppendNotice(CChatSessionRules::FileNoticeLine(now, m_sessionRules.FileNotice(*record, state, ownSide, savePath)));
    OnFileTransferNotice(state, ownSide);
    KillTimer(kTimerFlash);
    Flash(false);
}

void CChatPanelCore::OnFileTransferNotice(int, bool) {}

// --- timers ---------------------------------------------------------------------------

bool CChatPanelCore::OnTimer(UINT_PTR id) {
    switch (id) {
    case kTimerFlash: OnFlashTimer(); return true;
    case kTimerTypingThrottle: OnThrottleTimer(); return true;
    case kTimerTypingDisplay: OnTypingDisplayTimer(); return true;
    case kTimerPictureSwap: m_log.SwapArrivedPictures(); return true;
    default: break;
    }
    return CPanelBase::OnTimer(id);
}

void CChatPanelCore::OnFlashTimer() {
    const CChatWindowCounters::FlashTick tick = m_counters.OnFlashTick();
    if (tick.flashOn) Flash(true);
    if (tick.stop) {
        Flash(false);
        KillTimer(kTimerFlash);
    }
}

void CChatPanelCore::OnThrottleTimer() {
    if (m_counters.OnThrottleTick().stop) KillTimer(kTimerTypingThrottle);
}

void CChatPanelCore::OnTypingDisplayTimer() {
    const bool stop = m_counters.OnDisplayTick().stop;
    if (stop) KillTimer(kTimerTypingDisplay);
    OnTypingDisplay(!stop);
}

// --- platform calls ------------------------------------------------------------------------

void CChatPanelCore::TrackMenu(HMENU menu, const RECT& below) {
    ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN, below.left, below.bottom, 0, m_hWnd, nullptr);
}

void CChatPanelCore::Flash(bool on) {
    HWND top = ::GetAncestor(m_hWnd, GA_ROOT);
    ::FlashWindow(top ? top : m_hWnd, on ? TRUE : FALSE);
}

void CChatPanelCore::ShowOnePictureOnly(const std::wstring& text) {
    // Owned by the window, no caption text of its own, an OK button.
    fw::ShowMessageBox(m_hWnd, text, std::wstring(), MB_OK);
}
