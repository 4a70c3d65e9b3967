#include "IMMainWindow.h"

#include "IMStateQuery.h"
#include "RealInput.h"

using namespace tavreltest;

namespace imtest {

LRESULT QueryValue(HWND window, WPARAM what, LPARAM lParam) {
    DWORD_PTR value = static_cast<DWORD_PTR>(-2);
    ::SendMessageTimeoutW(window, IMStateQueryMessage(), what, lParam, SMTO_ABORTIFHUNG, 5000, &value);
    return static_cast<LRESULT>(value);
}

std::wstring QueryText(HWND window, WPARAM what, LPARAM lParam) {
    const ATOM atom = static_cast<ATOM>(QueryValue(window, what, lParam));
    if (!atom || atom == static_cast<ATOM>(-2)) return std::wstring();
    wchar_t text[256] = {};
    const UINT n = ::GlobalGetAtomNameW(atom, text, 256);
    ::GlobalDeleteAtom(atom);
    return std::wstring(text, n);
}

HWND FindMainWindow(const CTavrelProcess& im) {
    for (HWND window : im.Windows(false))
        if (WindowText(window).compare(0, 3, L"IM ") == 0 && WindowText(window) != L"IM 登录" &&
            QueryValue(window, kQueryLogonState) != -2)
            return window;
    return nullptr;
}

HWND WaitForLogon(const CTavrelProcess& im, DWORD ms) {
    HWND main = nullptr;
    WaitUntil([&] { return (main = FindMainWindow(im)) != nullptr && QueryValue(main, kQueryLogonState) == 1; }, ms);
    return main;
}

POINT SearchBoxPoint(HWND main) { return WindowPoint(main, 116, 93 + 11); }

}  // namespace imtest
