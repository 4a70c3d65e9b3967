// Stand-in for an outside program that controls a running client through
// the registered window message "A41BA791-635E-45D5-AD0F-567EEE66C7DB"
// (WM_INSTANCE_CONTROL), which the clients only receive. It broadcasts the
// message to every top-level window:
//
//   InstanceControl.exe show [account]    wParam 1: show the main window
//   InstanceControl.exe close [account]   wParam 0: end the client
//
// lParam is the account (0 when none is given). Exit code 0 when the
// message was posted, 2 for a wrong command line, 1 when posting failed.
#include <windows.h>

#include <cwchar>
#include <cwctype>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2 || argc > 3) return 2;
    WPARAM show = 0;
    if (std::wcscmp(argv[1], L"show") == 0)
        show = 1;
    else if (std::wcscmp(argv[1], L"close") != 0)
        return 2;
    long account = 0;
    if (argc == 3) {
        wchar_t* end = nullptr;
        account = std::wcstol(argv[2], &end, 10);
        if (!end || *end) return 2;
    }
    const UINT message = ::RegisterWindowMessageW(L"A41BA791-635E-45D5-AD0F-567EEE66C7DB");
    if (!message) return 1;
    return ::PostMessageW(HWND_BROADCAST, message, show, static_cast<LPARAM>(account)) ? 0 : 1;
}
