#include "HandOverPainting.h"

fw::CFont CreateHandOverFont(HWND window) {
    HDC dc = ::GetDC(window);
    const int height = -::MulDiv(9, dc ? ::GetDeviceCaps(dc, LOGPIXELSY) : 96, 72);
    if (dc) ::ReleaseDC(window, dc);
    return fw::CFont(::CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                   DEFAULT_PITCH | FF_SWISS, L"Arial"));
}
