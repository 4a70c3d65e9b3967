// Loads Screenshot.dll from the program folder, calls "ScreenShot" and checks
// that a bitmap of the screen's size is on the clipboard afterwards.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {
int failures = 0;
int passes = 0;

void Check(bool ok, const char* what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAIL", what);
    ok ? ++passes : ++failures;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::printf("usage: screenshot_test <Screenshot.dll>\n");
        return 2;
    }
    HMODULE module = LoadLibraryW(argv[1]);
    Check(module != nullptr, "Screenshot.dll loads");
    if (!module) return 1;
    using ScreenShotFn = int (*)();
    auto shot = reinterpret_cast<ScreenShotFn>(reinterpret_cast<void (*)()>(GetProcAddress(module, "ScreenShot")));
    Check(shot != nullptr, "ScreenShot is exported");
    if (shot) {
        Check(shot() != 0, "ScreenShot reports a picture");
        bool bitmap = false;
        if (OpenClipboard(nullptr)) {
            HBITMAP handle = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
            BITMAP info{};
            if (handle && GetObjectW(handle, sizeof info, &info)) {
                bitmap = info.bmWidth == GetSystemMetrics(SM_CXSCREEN) &&
                         info.bmHeight == GetSystemMetrics(SM_CYSCREEN);
            }
            CloseClipboard();
        }
        Check(bitmap, "the clipboard holds a bitmap of the screen's size");
    }
    FreeLibrary(module);
    std::printf("%d passed, %d failed\n", passes, failures);
    return failures ? 1 : 0;
}
