// Saves a rectangle of the screen (screen coordinates) as a 24-bit BMP file:
// what the tests' pictures for the documentation are made of. Under Xvfb the
// screen holds whatever windows lie over the rectangle.
#pragma once

#include <windows.h>

#include <string>

namespace testpicture {

inline bool SaveScreenArea(const RECT& area, const std::wstring& path) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return false;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    ::GdiFlush();
    const DWORD stride = ((width * 3 + 3) / 4) * 4;
    const DWORD imageSize = stride * height;
    info.bmiHeader.biSizeImage = imageSize;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + imageSize;
    bool ok = false;
    HANDLE out = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out != INVALID_HANDLE_VALUE && bits) {
        DWORD written = 0;
        ok = ::WriteFile(out, &file, sizeof file, &written, nullptr) &&
             ::WriteFile(out, &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr) &&
             ::WriteFile(out, bits, imageSize, &written, nullptr);
    }
    if (out != INVALID_HANDLE_VALUE) ::CloseHandle(out);
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return ok;
}

// The window's whole rectangle, as the screen shows it.
inline bool SaveWindowPicture(HWND window, const std::wstring& path) {
    RECT area = {};
    return ::GetWindowRect(window, &area) && SaveScreenArea(area, path);
}

}  // namespace testpicture
