// The client's main window as the engine's notifier: posted notifications
// go through its queue (PostMessageW), sent ones call it at once
// (SendMessageW; the engine sends only from the window's own thread).
#pragma once

#include <windows.h>

#include <atomic>

#include "EnginePorts.h"

namespace engine {

class WindowNotifier : public INotifier {
public:
    void SetWindow(HWND window) { window_.store(window); }
    HWND Window() const { return window_.load(); }
    void Post(unsigned message, uintptr_t wParam, intptr_t lParam) override;
    void Send(unsigned message, uintptr_t wParam, intptr_t lParam) override;

private:
    std::atomic<HWND> window_{nullptr};
};

}  // namespace engine
