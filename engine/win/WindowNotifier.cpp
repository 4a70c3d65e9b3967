#include "WindowNotifier.h"

namespace engine {

void WindowNotifier::Post(unsigned message, uintptr_t wParam, intptr_t lParam) {
    if (HWND window = window_.load()) PostMessageW(window, message, WPARAM(wParam), LPARAM(lParam));
}

void WindowNotifier::Send(unsigned message, uintptr_t wParam, intptr_t lParam) {
    if (HWND window = window_.load()) SendMessageW(window, message, WPARAM(wParam), LPARAM(lParam));
}

}  // namespace engine
