#include "EngineTestHost.h"

#include <tlhelp32.h>


namespace {
constexpr wchar_t kHostClass[] = L"QorvaneEngineTestHost";
}

EngineTestHost::EngineTestHost() {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &EngineTestHost::WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kHostClass;
    RegisterClassExW(&windowClass);
    window_ = CreateWindowExW(0, kHostClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), this);
}

EngineTestHost::~EngineTestHost() {
    if (window_) DestroyWindow(window_);
}

LRESULT CALLBACK EngineTestHost::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<EngineTestHost*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message >= IM_WM_USER + 100 && message <= IM_WM_USER + 140) {
        // Posted when it is the queued message the loop is dispatching;
        // anything else reached the procedure through SendMessage.
        const MSG* queued = self->dispatching_;
        const bool posted = queued && queued->hwnd == window && queued->message == message &&
                            queued->wParam == wParam && queued->lParam == lParam;
        if (posted) self->dispatching_ = nullptr;
        self->messages_.push_back({message, wParam, lParam, posted, GetCurrentThreadId()});
        if (self->onMessage) {
            const RecordedMessage recorded = self->messages_.back();  // the hook may record more
            self->onMessage(recorded);
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void EngineTestHost::PumpOnce(DWORD waitMs) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, waitMs, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        const MSG* previous = dispatching_;
        dispatching_ = msg.hwnd == window_ ? &msg : nullptr;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        dispatching_ = previous;
    }
}

void EngineTestHost::Pump(DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= ms) break;
        PumpOnce(ms - elapsed);
    }
    PumpOnce(0);
}

bool EngineTestHost::PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        PumpOnce(0);
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        PumpOnce(20);
    }
}

int EngineTestHost::WaitFor(UINT message, long long wParam, DWORD timeoutMs, size_t from) {
    int found = -1;
    PumpUntil(
        [&] {
            for (size_t i = from; i < messages_.size(); ++i) {
                const RecordedMessage& m = messages_[i];
                if (m.message == message && (wParam < 0 || m.wParam == WPARAM(wParam))) {
                    found = int(i);
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

size_t EngineTestHost::Count(UINT message) const {
    size_t count = 0;
    for (const RecordedMessage& m : messages_) count += m.message == message;
    return count;
}

int ProcessThreadCount() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    int count = 0;
    const DWORD self = GetCurrentProcessId();
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == self;
    CloseHandle(snapshot);
    return count;
}
