#include "RealInput.h"

#include <vector>

namespace imtest {

namespace {

INPUT MouseAt(POINT point, DWORD flags) {
    const int cx = ::GetSystemMetrics(SM_CXSCREEN);
    const int cy = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = static_cast<LONG>((point.x * 65536LL + cx / 2) / cx);
    in.mi.dy = static_cast<LONG>((point.y * 65536LL + cy / 2) / cy);
    in.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | flags;
    return in;
}

void Send(std::vector<INPUT> inputs) {
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace

void ClickAt(POINT point) {
    Send({MouseAt(point, 0), MouseAt(point, MOUSEEVENTF_LEFTDOWN), MouseAt(point, MOUSEEVENTF_LEFTUP)});
}

void DoubleClickAt(POINT point) {
    Send({MouseAt(point, 0), MouseAt(point, MOUSEEVENTF_LEFTDOWN), MouseAt(point, MOUSEEVENTF_LEFTUP),
          MouseAt(point, MOUSEEVENTF_LEFTDOWN), MouseAt(point, MOUSEEVENTF_LEFTUP)});
}

POINT CentreOf(HWND window) {
    RECT rc = {};
    ::GetWindowRect(window, &rc);
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

POINT PointIn(HWND window, int x, int y) {
    RECT rc = {};
    ::GetWindowRect(window, &rc);
    return POINT{rc.left + x, rc.top + y};
}

void TypeText(const std::wstring& text) {
    std::vector<INPUT> inputs;
    for (wchar_t c : text) {
        INPUT down = {};
        down.type = INPUT_KEYBOARD;
        down.ki.wScan = c;
        down.ki.dwFlags = KEYEVENTF_UNICODE;
        INPUT up = down;
        up.ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        inputs.push_back(down);
        inputs.push_back(up);
    }
    if (!inputs.empty()) Send(inputs);
}

void PressKey(WORD virtualKey) {
    INPUT down = {};
    down.type = INPUT_KEYBOARD;
    down.ki.wVk = virtualKey;
    INPUT up = down;
    up.ki.dwFlags = KEYEVENTF_KEYUP;
    Send({down, up});
}

void PressKeyWith(WORD modifier, WORD virtualKey) {
    INPUT keys[4] = {};
    for (INPUT& key : keys) key.type = INPUT_KEYBOARD;
    keys[0].ki.wVk = modifier;
    keys[1].ki.wVk = virtualKey;
    keys[2].ki.wVk = virtualKey;
    keys[2].ki.dwFlags = KEYEVENTF_KEYUP;
    keys[3].ki.wVk = modifier;
    keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
    Send({keys[0], keys[1], keys[2], keys[3]});
}

}  // namespace imtest
