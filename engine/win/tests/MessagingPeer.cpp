#include "MessagingPeer.h"

#include <psapi.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "ModuleApp.h"

namespace {

const wchar_t kPeerWindowClass[] = L"QvMessagingPeer";

void RegisterPeerClass(WNDPROC proc) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kPeerWindowClass;
    RegisterClassExW(&wc);  // a second registration fails harmlessly
}

int32_t ReadInt(const std::vector<uint8_t>& bytes, size_t at) {
    int32_t v = 0;
    std::memcpy(&v, bytes.data() + at, sizeof v);
    return v;
}

}  // namespace

MessagingPeer::MessagingPeer(int32_t ownId, int32_t peerId, std::wstring hostFolder, size_t capacity,
                             engine::EngineTimings timings)
    : ownId_(ownId),
      peerId_(peerId),
      folder_(std::move(hostFolder)),
      outcomeCount_(capacity),
      acked_(capacity),
      received_(capacity) {
    RegisterPeerClass(&MessagingPeer::WindowProc);
    window_ = CreateWindowExW(0, kPeerWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    EngineOptions options;
    options.timings = timings;
    options.hostFolder = folder_;
    app_ = std::make_unique<CModuleApp>(options);
    app_->InitInstance();
    app_->InitModule(window_);
}

MessagingPeer::~MessagingPeer() {
    app_.reset();
    if (window_) DestroyWindow(window_);
}

void MessagingPeer::Logon(const std::wstring& password, uint16_t port) {
    app_->ConnectAndLogon(std::to_wstring(ownId_), password, LOGON_TYPE_PASSWORD, L"127.0.0.1", port);
}

void MessagingPeer::Logout() {
    app_->Logout(true);
    loggedOn_ = false;
}

void MessagingPeer::Send(size_t n) {
    TextMsgRecord msg = {};
    msg.type = 0;
    msg.date = 20261210;
    msg.time = kFirstMsgTime + int32_t(n);
    msg.senderId = ownId_;
    msg.receiverId = peerId_;
    std::snprintf(msg.text, sizeof msg.text, "message %u from %d", unsigned(n), int(ownId_));
    ++sent_;
    app_->SendTextMsg(msg);
}

bool MessagingPeer::Number(int32_t msgTime, size_t& n) const {
    if (msgTime < kFirstMsgTime || size_t(msgTime - kFirstMsgTime) >= outcomeCount_.size()) return false;
    n = size_t(msgTime - kFirstMsgTime);
    return true;
}

LRESULT CALLBACK MessagingPeer::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<MessagingPeer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message >= WM_IM_USERSTATUS && message <= WM_IM_FILEREQUEST) {
        self->OnEngineMessage(message, wParam, lParam);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void MessagingPeer::OnEngineMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_IM_LOGON:
            loggedOn_ = wParam == 1;
            if (loggedOn_) ++logons_;
            break;
        case WM_IM_RECONNECTING:
            ++reconnects_;
            break;
        case WM_IM_MSGSENT:
        case WM_IM_MSGFAILED: {
            // As a client does: the held copy is taken with the outcome.
            TextMsgRecord held;
            app_->Store().TakeSentMsg(int32_t(wParam), held);
            size_t n;
            if (!Number(int32_t(wParam), n)) break;
            const bool delivered = message == WM_IM_MSGSENT;
            if (outcomeCount_[n] < 255) ++outcomeCount_[n];
            if (delivered && acked_[n] < 255) ++acked_[n];
            ++outcomes_;
            if (onOutcome) onOutcome(n, delivered);
            break;
        }
        case WM_IM_NOTIFY:
            if (wParam == NOTIFY_NEWMSG) TakeUnread();
            break;
        default:
            break;
    }
}

void MessagingPeer::TakeUnread() {
    CDataTree& store = app_->Store();
    for (;;) {
        TextMsgRecord msg;
        {
            std::lock_guard<std::mutex> lock(store.unreadLock);
            auto it = store.unreadMsgs.find(peerId_);
            if (it == store.unreadMsgs.end() || it->second.empty()) return;
            msg = it->second.front();
        }
        store.PopReceivedMsg(peerId_);  // MPopFrontTextMsg
        ++receivedTotal_;
        size_t n;
        if (msg.senderId != peerId_ || !Number(msg.time, n)) {
            ++foreign_;
            continue;
        }
        if (received_[n] < 255) ++received_[n];
        if (onReceived) onReceived(n);
    }
}

std::wstring MessagingPeer::HistoryPath() const {
    // The messenger keeps a folder per peer.
    const std::wstring peer = std::to_wstring(peerId_);
    return folder_ + std::to_wstring(ownId_) + L"\\msg\\" + peer + L"\\" + peer + L".msg";
}

std::vector<uint8_t> MessagingPeer::HistoryCounts() const {
    std::vector<uint8_t> counts(outcomeCount_.size());
    HANDLE file = CreateFileW(HistoryPath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return counts;
    std::vector<uint8_t> bytes;
    LARGE_INTEGER size = {};
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < (256 << 20)) {
        bytes.resize(size_t(size.QuadPart));
        DWORD done = 0;
        if (!ReadFile(file, bytes.data(), DWORD(bytes.size()), &done, nullptr)) done = 0;
        bytes.resize(done);
    }
    CloseHandle(file);
    // Header of 128 bytes, then records: a 92-byte head, the extra block, the text.
    size_t at = 128;
    while (at + 92 <= bytes.size()) {
        const int32_t time = ReadInt(bytes, at + 8);
        const int32_t sender = ReadInt(bytes, at + 12);
        const int32_t textLength = ReadInt(bytes, at + 24);
        const int32_t extraLength = ReadInt(bytes, at + 32);
        if (textLength < 0 || extraLength < 0) break;
        size_t n;
        if (sender == peerId_ && Number(time, n) && counts[n] < 255) ++counts[n];
        at += 92 + size_t(extraLength) + size_t(textLength);
    }
    return counts;
}

size_t ProcessPrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof counters) &&
        counters.PrivateUsage != 0)
        return counters.PrivateUsage;
    // The page-file usage is the same figure where the extended counters
    // are not filled in.
    PROCESS_MEMORY_COUNTERS basic = {};
    basic.cb = sizeof basic;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &basic, sizeof basic)) return 0;
    return basic.PagefileUsage;
}

std::wstring MakeTempFolder(const wchar_t* prefix) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + prefix + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                std::to_wstring(GetTickCount()) + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

void RemoveFolderTree(const std::wstring& folder) {
    if (folder.size() < 4) return;
    std::wstring from = folder.substr(0, folder.size() - 1);
    from.push_back(L'\0');  // a double-NUL list of one
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationW(&op);
}
