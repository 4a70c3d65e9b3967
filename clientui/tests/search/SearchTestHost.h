// A top-level window that records the messages its search controls send.
#pragma once

#include "fw/Window.h"

#include <windows.h>

#include <vector>

namespace searchtest {

struct SentMessage {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

class CRecordingHost : public fw::CWindow {
public:
    explicit CRecordingHost(bool visible = false) {
        RECT rect = {40, 40, 440, 340};
        CreateEx(0, L"", L"search host", WS_POPUP | WS_CLIPCHILDREN | (visible ? WS_VISIBLE : 0), rect, nullptr, 0);
    }
    ~CRecordingHost() override {
        if (IsWindow()) DestroyWindow();
    }
    std::vector<SentMessage> sent;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg >= WM_USER && msg < 0x8000) {
            sent.push_back({msg, wParam, lParam});
            return 0;
        }
        return fw::CWindow::WindowProc(msg, wParam, lParam);
    }
};

// Runs the thread's messages for a while.
inline void PumpFor(DWORD ms) {
    const DWORD start = ::GetTickCount();
    do {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(5);
    } while (::GetTickCount() - start < ms);
}

}  // namespace searchtest
