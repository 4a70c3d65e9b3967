// Stand-in for the outside screenshot library: "ScreenShot" captures the
// primary screen and places it on the clipboard as a bitmap.
//
// The real component lets the user choose a screen area; this stand-in takes
// the whole screen, which is all the clients need to exercise their paste path.
#include <windows.h>

namespace {

// Owns a screen DC for the capture.
class ScreenDC {
public:
    ScreenDC() : dc_(GetDC(nullptr)) {}
    ~ScreenDC() {
        if (dc_) ReleaseDC(nullptr, dc_);
    }
    ScreenDC(const ScreenDC&) = delete;
    ScreenDC& operator=(const ScreenDC&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

HBITMAP CaptureScreen() {
    ScreenDC screen;
    if (!screen.get()) return nullptr;
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    if (width <= 0 || height <= 0) return nullptr;

    HDC memory = CreateCompatibleDC(screen.get());
    if (!memory) return nullptr;
    HBITMAP bitmap = CreateCompatibleBitmap(screen.get(), width, height);
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        const BOOL copied = BitBlt(memory, 0, 0, width, height, screen.get(), 0, 0, SRCCOPY | CAPTUREBLT);
        SelectObject(memory, old);
        if (!copied) {
            DeleteObject(bitmap);
            bitmap = nullptr;
        }
    }
    DeleteDC(memory);
    return bitmap;
}

}  // namespace

// Nonzero when a bitmap has been placed on the clipboard.
extern "C" int ScreenShot() {
    HBITMAP bitmap = CaptureScreen();
    if (!bitmap) return 0;
    if (!OpenClipboard(nullptr)) {
        DeleteObject(bitmap);
        return 0;
    }
    EmptyClipboard();
    // On success the clipboard owns the bitmap.
    const bool placed = SetClipboardData(CF_BITMAP, bitmap) != nullptr;
    CloseClipboard();
    if (!placed) DeleteObject(bitmap);
    return placed ? 1 : 0;
}
