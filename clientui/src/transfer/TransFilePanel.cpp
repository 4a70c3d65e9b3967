#include "clientui/TransFilePanel.h"

#include "clientui/ClientSettings.h"

#include "fw/Application.h"
#include "fw/DeviceContext.h"
#include "fw/MessageBoxSink.h"
#include "fw/MemoryDC.h"
#include "fw/StringUtil.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <mutex>
#include <vector>

namespace {

const COLORREF kBackground = 0xFAFAFA;
const COLORREF kStatusColor = 0x808080;
const wchar_t kFilter[] = L"所有文件 (*.*)\0*.*\0\0";

const wchar_t kTipReceive[] = L"接收文件";
const wchar_t kTipSaveAs[] = L"将文件保存到自定义文件夹下";
const wchar_t kTipRefuse[] = L"拒绝接收该文件";
const wchar_t kTipCancelSend[] = L"取消发送文件";
const wchar_t kTipCancelReceive[] = L"取消接收文件";

bool ShowsProgress(int state) {
    switch (state) {
    case TRANSFER_OFFER_SENT:
    case TRANSFER_OFFER_RECEIVED:
    case TRANSFER_ACCEPTED:
    case TRANSFER_PEER_ACCEPTED:
    case TRANSFER_SENDING:
    case TRANSFER_PREPARING:
    case TRANSFER_RECEIVING:
        return true;
    default:
        return false;
    }
}

bool ShowsName(int state) { return ShowsProgress(state) || state == TRANSFER_FINISHED; }

bool ShowsSize(int state) {
    return state == TRANSFER_OFFER_SENT || state == TRANSFER_OFFER_RECEIVED || state == TRANSFER_ACCEPTED ||
           state == TRANSFER_PEER_ACCEPTED || state == TRANSFER_PREPARING;
}

bool IsRunning(int state) { return state == TRANSFER_SENDING || state == TRANSFER_RECEIVING; }

void DrawLine(HDC dc, const std::wstring& text, RECT rc, UINT format) {
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc, format | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

}  // namespace

// The panel's handle for the worker sinks; cleared when the window goes.
struct CTransFilePanel::PostTarget {
    std::mutex lock;
    HWND hwnd = nullptr;

    void Post(UINT msg, WPARAM wParam, LPARAM lParam) {
        std::lock_guard<std::mutex> hold(lock);
        if (hwnd && ::IsWindow(hwnd)) ::PostMessageW(hwnd, msg, wParam, lParam);
    }
    void Clear() {
        std::lock_guard<std::mutex> hold(lock);
        hwnd = nullptr;
    }
};

// Turns the worker's reports (worker thread) into posted messages.
class CTransFilePanel::WorkerSink : public IFileTransferSink {
public:
    WorkerSink(std::shared_ptr<PostTarget> target, unsigned generation)
        : m_target(std::move(target)), m_generation(generation) {}

    void OnTransferStarted() override { m_target->Post(kMsgWorkerEvent, m_generation, kWorkerStarted); }
    void OnTransferProgress(int32_t bytesDone, int percent) override {
        // One message per step of the bar is enough; the figures follow the timer.
        if (percent == m_lastPercent) return;
        m_lastPercent = percent;
        m_target->Post(kMsgWorkerProgress, m_generation, bytesDone);
    }
    void OnTransferWaiting(bool waiting) override {
        m_target->Post(kMsgWorkerEvent, m_generation, kWorkerWaiting | (waiting ? (1 << 8) : 0));
    }
    void OnTransferEnded(FileTransferResult result) override {
        m_target->Post(kMsgWorkerEvent, m_generation, kWorkerEnded | (static_cast<LPARAM>(result) << 8));
    }

private:
    std::shared_ptr<PostTarget> m_target;
    unsigned m_generation;
    int m_lastPercent = -1;
};

CTransFilePanel::CTransFilePanel(const TransFileControlIds& ids, HINSTANCE instance, CEngineModule& engine)
    : CChildViewBase(ids.templateId, instance),
      m_ids(ids),
      m_session(*this, engine),
      m_target(std::make_shared<PostTarget>()) {
    m_session.SetServer(g_ClientSettings.serverEntry);
    m_session.SetProgramFolder(fw::CApplication::GetProgramFolder());
    m_font.Reset(::CreateFontW(12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, 32, L"宋体"));
}

CTransFilePanel::~CTransFilePanel() {
    m_target->Clear();
    m_session.Close();
    if (m_icon) ::DestroyIcon(m_icon);
}

CButtonST& CTransFilePanel::GetButton(int id) {
    if (id == m_ids.saveAs) return m_btnSaveAs;
    if (id == m_ids.refuse) return m_btnRefuse;
    if (id == m_ids.cancelSend) return m_btnCancelSend;
    if (id == m_ids.cancelReceive) return m_btnCancelReceive;
    return m_btnReceive;
}

BOOL CTransFilePanel::OnInitDialog() {
    {
        std::lock_guard<std::mutex> hold(m_target->lock);
        m_target->hwnd = m_hWnd;
    }
    const struct {
        CButtonST* button;
        int id;
        const wchar_t* tip;
    } buttons[] = {
        {&m_btnReceive, m_ids.receive, kTipReceive},
        {&m_btnSaveAs, m_ids.saveAs, kTipSaveAs},
        {&m_btnRefuse, m_ids.refuse, kTipRefuse},
        {&m_btnCancelSend, m_ids.cancelSend, kTipCancelSend},
        {&m_btnCancelReceive, m_ids.cancelReceive, kTipCancelReceive},
    };
    for (const auto& entry : buttons) {
        if (!entry.button->SubclassDlgItem(entry.id, m_hWnd)) continue;
        entry.button->SetFont(m_font.Get(), false);
        entry.button->SetToolTip(entry.tip);
    }
    m_progress = GetDlgItem(m_ids.progress);
    m_controlsReady = true;
    const RECT client = GetClientRect();
    LayoutControls(client.right - client.left, client.bottom - client.top);
    ShowTransferState(m_session.GetState());
    return TRUE;
}

int CTransFilePanel::LayoutControls(int width, int height) {
    if (!m_controlsReady) return 0;
    (void)height;
    if (m_progress) ::MoveWindow(m_progress, 15, 60, width - 30, 10, TRUE);
    auto place = [&](CButtonST& button, int x, int w) {
        if (button.IsWindow()) ::MoveWindow(button, x, 90, w, 16, TRUE);
    };
    place(m_btnReceive, 15, 28);
    place(m_btnSaveAs, 65, 42);
    place(m_btnRefuse, width - 43, 28);
    place(m_btnCancelSend, width - 43, 28);
    place(m_btnCancelReceive, width - 43, 28);
    Invalidate(false);
    return 0;
}

LRESULT CTransFilePanel::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case kMsgWorkerEvent:
        OnWorkerEvent(wParam, lParam);
        return 0;
    case kMsgShowRefusal:
        OnShowRefusal();
        return 0;
    case kMsgWorkerProgress: {
        const auto& entry = m_session.GetEntry();
        const int32_t done = static_cast<int32_t>(lParam);
        m_session.OnWorkerProgress(static_cast<unsigned>(wParam), done,
                                   entry ? TransferPercent(done, entry->record.fileSize) : 0);
        return 0;
    }
    default:
        return CChildViewBase::WindowProc(msg, wParam, lParam);
    }
}

void CTransFilePanel::OnWorkerEvent(WPARAM generation, LPARAM event) {
    const unsigned id = static_cast<unsigned>(generation);
    if ((event & 0xFF) == kWorkerStarted)
        m_session.OnWorkerStarted(id);
    else if ((event & 0xFF) == kWorkerEnded)
        m_session.OnWorkerEnded(id, static_cast<FileTransferResult>(event >> 8));
    else if ((event & 0xFF) == kWorkerWaiting)
        m_session.OnWorkerWaiting(id, (event >> 8) != 0);
}

void CTransFilePanel::ShowRefusedOffer(const std::wstring& text) {
    // One message at a time: while one is open (or waiting to be shown),
    // further refusals are answered without one.
    if (m_refusalOpen || !m_refusal.empty() || !IsWindow()) return;
    m_refusal = text;
    PostMessage(kMsgShowRefusal, 0, 0);
}

void CTransFilePanel::OnShowRefusal() {
    if (m_refusal.empty()) return;
    const std::wstring text = std::move(m_refusal);
    m_refusal.clear();
    m_refusalOpen = true;
    fw::ShowMessageBox(m_hWnd, text, L"提示----传送文件", MB_OK | MB_ICONINFORMATION);
    m_refusalOpen = false;
}

bool CTransFilePanel::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    if (lParam && HIWORD(wParam) == BN_CLICKED) {
        if (id == m_ids.receive) {
            OnReceive();
            return true;
        }
        if (id == m_ids.saveAs) {
            OnSaveAs();
            return true;
        }
        if (id == m_ids.refuse) {
            m_session.Refuse();
            return true;
        }
        if (id == m_ids.cancelSend) {
            m_session.CancelSend();
            return true;
        }
        if (id == m_ids.cancelReceive) {
            m_session.CancelReceive();
            return true;
        }
    }
    return CChildViewBase::OnCommand(wParam, lParam);
}

void CTransFilePanel::OnReceive() { m_session.Receive(); }

void CTransFilePanel::OnSaveAs() {
    const auto& entry = m_session.GetEntry();
    if (!entry || m_session.GetState() != TRANSFER_OFFER_RECEIVED) return;
    const std::wstring offered = fw::FromAnsiField(entry->record.fileName);
    std::wstring path;
    const bool chosen = m_chooser ? m_chooser(m_hWnd, true, offered, path) : ChooseWithDialog(m_hWnd, true, offered, path);
    if (chosen && !path.empty()) m_session.SaveAs(path);
}

void CTransFilePanel::SendFile(int32_t ownId, int32_t peerId, HWND notifyWnd) {
    if (!m_session.CheckIdle()) return;
    std::wstring path;
    const bool chosen = m_chooser ? m_chooser(m_hWnd, false, std::wstring(), path)
                                  : ChooseWithDialog(m_hWnd, false, std::wstring(), path);
    if (!chosen || path.empty()) return;
    m_session.OfferFile(ownId, peerId, notifyWnd, path);
}

void CTransFilePanel::OnFileEvent(HWND notifyWnd, const FileRequestRecord& record, int code) {
    m_session.OnFileEvent(notifyWnd, record, code);
}

bool CTransFilePanel::ChooseWithDialog(HWND owner, bool save, const std::wstring& offeredName, std::wstring& path) {
    std::vector<wchar_t> buffer(MAX_PATH * 4, L'\0');
    ::lstrcpynW(buffer.data(), offeredName.c_str(), static_cast<int>(buffer.size()));
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = kFilter;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER;
    const BOOL ok = save ? ::GetSaveFileNameW(&ofn) : ::GetOpenFileNameW(&ofn);
    if (!ok) return false;
    path = buffer.data();
    return true;
}

void CTransFilePanel::ShowTransferState(int state) {
    if (!m_controlsReady) return;
    for (CButtonST* button : {&m_btnReceive, &m_btnSaveAs, &m_btnRefuse, &m_btnCancelSend, &m_btnCancelReceive})
        if (button->IsWindow()) button->ShowWindow(SW_HIDE);
    if (m_progress) {
        ::ShowWindow(m_progress, SW_HIDE);
        ::SendMessageW(m_progress, PBM_SETRANGE32, 0, 100);
        ::SendMessageW(m_progress, PBM_SETPOS, 0, 0);
    }
    auto show = [](CButtonST& button) {
        if (button.IsWindow()) button.ShowWindow(SW_SHOW);
    };
    switch (state) {
    case TRANSFER_OFFER_SENT:
    case TRANSFER_PEER_ACCEPTED:
    case TRANSFER_SENDING:
        show(m_btnCancelSend);
        break;
    case TRANSFER_OFFER_RECEIVED:
        show(m_btnReceive);
        show(m_btnSaveAs);
        show(m_btnRefuse);
        break;
    case TRANSFER_ACCEPTED:
    case TRANSFER_PREPARING:
    case TRANSFER_RECEIVING:
        show(m_btnCancelReceive);
        break;
    default:
        break;
    }
    if (m_progress && ShowsProgress(state)) ::ShowWindow(m_progress, SW_SHOW);
    Invalidate(false);
}

void CTransFilePanel::RefreshTransfer() {
    if (IsWindow()) Invalidate(false);
}

void CTransFilePanel::SetTransferProgress(int percent) {
    if (m_progress) ::SendMessageW(m_progress, PBM_SETPOS, percent, 0);
}

void CTransFilePanel::StartSpeedTimer() {
    if (IsWindow()) SetTimer(kSpeedTimerId, kSpeedTimerMs);
}

void CTransFilePanel::StopSpeedTimer() {
    if (IsWindow()) KillTimer(kSpeedTimerId);
}

std::shared_ptr<IFileTransferSink> CTransFilePanel::MakeWorkerSink(unsigned generation) {
    return std::make_shared<WorkerSink>(m_target, generation);
}

bool CTransFilePanel::OnTimer(UINT_PTR id) {
    if (id != kSpeedTimerId) return false;
    m_session.OnSpeedTimer(::GetTickCount());
    return true;
}

void CTransFilePanel::OnDestroy() {
    m_target->Clear();
    KillTimer(kSpeedTimerId);
    m_session.Close();
    m_controlsReady = false;
    m_progress = nullptr;
}

bool CTransFilePanel::OnPaint() {
    fw::CPaintDC paint(m_hWnd);
    const RECT client = GetClientRect();
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width <= 0 || height <= 0) return true;
    fw::CMemoryDC mem(paint.Get(), width, height);
    if (!mem.IsValid()) return true;
    Draw(mem, client);
    mem.CopyTo(paint.Get());
    return true;
}

void CTransFilePanel::DrawFileIcon(HDC dc, int x, int y) {
    const auto& entry = m_session.GetEntry();
    if (!entry) return;
    const std::wstring name = fw::FromAnsiField(entry->record.fileName);
    if (!m_icon || name != m_iconName) {
        if (m_icon) ::DestroyIcon(m_icon);
        m_icon = nullptr;
        SHFILEINFOW info = {};
        if (::SHGetFileInfoW(name.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                             SHGFI_ICON | SHGFI_USEFILEATTRIBUTES))
            m_icon = info.hIcon;
        m_iconName = name;
    }
    if (m_icon) ::DrawIconEx(dc, x, y, m_icon, 32, 32, 0, nullptr, DI_NORMAL);
}

void CTransFilePanel::Draw(HDC dc, const RECT& client) {
    fw::CBrush background(::CreateSolidBrush(kBackground));
    ::FillRect(dc, &client, background.Get());
    ::SetBkMode(dc, TRANSPARENT);
    fw::CSelectObject font(dc, m_font.Get());
    const int width = client.right - client.left;
    const int left = client.left;
    const int top = client.top;
    const int right = client.right;

    ::SetTextColor(dc, kStatusColor);
    DrawLine(dc, m_session.GetStatusText(), RECT{left + 50, top + 15, right - 15, top + 31}, DT_LEFT);

    const auto& entry = m_session.GetEntry();
    if (!entry) return;
    const int state = m_session.GetState();
    ::SetTextColor(dc, RGB(0, 0, 0));
    if (ShowsName(state)) {
        DrawFileIcon(dc, left + 15, top + 15);
        DrawLine(dc, fw::FromAnsiField(entry->record.fileName), RECT{left + 50, top + 32, right - 15, top + 48},
                 DT_LEFT | DT_END_ELLIPSIS);
    }
    const RECT sizeArea = {left + width / 2, top + 72, right - 15, top + 88};
    if (ShowsSize(state)) DrawLine(dc, FormatTransferBytes(entry->record.fileSize), sizeArea, DT_RIGHT);
    if (IsRunning(state)) {
        DrawLine(dc, FormatTransferProgress(entry->bytesDone, entry->record.fileSize), sizeArea, DT_RIGHT);
        DrawLine(dc, FormatTransferSpeed(entry->speed), RECT{left + 15, top + 72, left + 15 + width / 2, top + 88},
                 DT_LEFT);
        DrawLine(dc, FormatTimeLeft(entry->record.fileSize, entry->bytesDone, entry->speed),
                 RECT{left + 15, top + 90, right - 15, top + 106}, DT_LEFT);
    }
}
