#include "EngineWindow.h"

namespace {

constexpr wchar_t kClassName[] = L"QorvaneEngineWindow";
constexpr UINT kPacketsMessage = WM_APP + 1;
constexpr size_t kMaxWaitingPackets = 4096;
constexpr DWORD kFullPauseMs = 10;
// One dispatch hands out packets for at most this long; what is left waits
// for a posted wake-up or, when input or painting waits, for the resume
// timer, so the thread's input, painting and messages sent to it from other
// threads are served between runs while a flood comes in.
constexpr DWORD kDispatchSliceMs = 50;
constexpr UINT_PTR kResumeTimer = 1;

HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

}  // namespace

bool CEngineWindow::Create() {
    if (window_.load()) return true;
    const HINSTANCE module = ThisModule();
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &CEngineWindow::WindowProc;
    windowClass.hInstance = module;
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    ownerThread_ = GetCurrentThreadId();
    HWND window = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, this);
    window_.store(window);
    return window != nullptr;
}

void CEngineWindow::Destroy() {
    HWND window = window_.exchange(nullptr);
    if (!window) return;
    if (GetCurrentThreadId() == ownerThread_) {
        DestroyWindow(window);
        UnregisterClassW(kClassName, ThisModule());
    } else {
        // Another thread may not destroy the window: detach it from this
        // object and from this module's code, and let its thread close it.
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
    std::lock_guard<std::mutex> lock(lock_);
    inbox_.clear();
    wakePosted_ = false;
}

void CEngineWindow::Wake() {
    // With the lock held.
    HWND window = window_.load();
    if (wakePosted_ || !window) return;
    wakePosted_ = PostMessageW(window, kPacketsMessage, 0, 0) != 0;
}

bool CEngineWindow::Deliver(uint32_t session, std::vector<uint8_t> packet, HANDLE stop) {
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(lock_);
            if (!window_.load()) return false;
            if (inbox_.size() < kMaxWaitingPackets) {
                inbox_.push_back({session, std::move(packet)});
                Wake();
                return true;
            }
            Wake();
        }
        if (stop && WaitForSingleObject(stop, kFullPauseMs) == WAIT_OBJECT_0) return false;
        if (!stop) Sleep(kFullPauseMs);
    }
}

bool CEngineWindow::PostEvent(EngineEvent event, uint32_t session) {
    std::lock_guard<std::mutex> lock(lock_);
    if (!window_.load()) return false;
    inbox_.push_back({session, {}, true, event});
    Wake();
    return true;
}

size_t CEngineWindow::Pending() const {
    std::lock_guard<std::mutex> lock(lock_);
    return inbox_.size();
}

void CEngineWindow::OnPackets() {
    {
        std::lock_guard<std::mutex> lock(lock_);
        // A handler that pumps messages (a modal loop inside a sent
        // notification) must not start a second, overtaking dispatch; the
        // running one takes what arrives meanwhile.
        if (dispatching_) return;
        dispatching_ = true;
    }
    try {
        handler_.BeginPackets();
    } catch (...) {
    }
    // The packets are taken from the inbox a run at a time (one lock per
    // run, not per packet). The wake-up stays marked as posted until the
    // inbox is found empty, so packets that arrive while this dispatch
    // runs cost no further wake-up.
    std::deque<Delivery> run;
    const DWORD sliceStart = GetTickCount();
    for (;;) {
        if (!run.empty() && GetTickCount() - sliceStart >= kDispatchSliceMs) {
            // The slice is used up: the rest goes back in front of the inbox
            // and is taken up after what else waits for the thread. The
            // wake-up stays marked as posted (the timer stands for it).
            std::unique_lock<std::mutex> lock(lock_);
            HWND window = window_.load();
            if (window) {
                while (!run.empty()) {
                    inbox_.push_front(std::move(run.back()));
                    run.pop_back();
                }
                // Input or painting waiting: the resume timer lets them go
                // first. Otherwise a posted wake-up resumes at once (messages
                // sent from other threads are still served before it); the
                // timer alone would leave most of each second idle.
                const bool othersWaiting = (HIWORD(GetQueueStatus(QS_INPUT | QS_PAINT)) & (QS_INPUT | QS_PAINT)) != 0;
                if (!othersWaiting || !SetTimer(window, kResumeTimer, USER_TIMER_MINIMUM, nullptr))
                    wakePosted_ = PostMessageW(window, kPacketsMessage, 0, 0) != 0;
            }
            lock.unlock();
            try {
                handler_.EndPackets();
            } catch (...) {
            }
            lock.lock();
            dispatching_ = false;
            return;
        }
        if (run.empty()) {
            std::unique_lock<std::mutex> lock(lock_);
            if (inbox_.empty() || !window_.load()) {
                wakePosted_ = false;
                lock.unlock();
                try {
                    handler_.EndPackets();
                } catch (...) {
                    // What the run kept is dropped; the next run goes on.
                }
                lock.lock();
                dispatching_ = false;
                return;
            }
            run.swap(inbox_);
        }
        // A window destroyed meanwhile drops what is left (Destroy clears the inbox).
        if (!window_.load()) {
            run.clear();
            continue;
        }
        Delivery next = std::move(run.front());
        run.pop_front();
        Hand(next);
    }
}

void CEngineWindow::Hand(const Delivery& delivery) {
    try {
        if (delivery.isEvent) {
            handler_.HandleEvent(delivery.event, delivery.session);
        } else {
            handler_.HandlePacket(delivery.session, delivery.packet);
        }
    } catch (...) {
        // A packet or event that failed is dropped; the next one goes on.
    }
}

LRESULT CALLBACK CEngineWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<CEngineWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self) {
        if (message == kPacketsMessage) {
            self->OnPackets();
            return 0;
        }
        if (message == WM_TIMER && wParam == kResumeTimer) {
            KillTimer(window, kResumeTimer);
            self->OnPackets();
            return 0;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
