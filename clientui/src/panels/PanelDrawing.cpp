#include "clientui/PanelDrawing.h"

#include "fw/DeviceContext.h"
#include "fw/GdiObject.h"

void DrawGradientRect(const RECT& rect, COLORREF top, COLORREF bottom, HDC dc) {
    if (!dc) return;
    TRIVERTEX vertices[2] = {};
    vertices[0].x = rect.left;
    vertices[0].y = rect.top;
    vertices[0].Red = static_cast<COLOR16>(GetRValue(top) << 8);
    vertices[0].Green = static_cast<COLOR16>(GetGValue(top) << 8);
    vertices[0].Blue = static_cast<COLOR16>(GetBValue(top) << 8);
    vertices[1].x = rect.right;
    vertices[1].y = rect.bottom;
    vertices[1].Red = static_cast<COLOR16>(GetRValue(bottom) << 8);
    vertices[1].Green = static_cast<COLOR16>(GetGValue(bottom) << 8);
    vertices[1].Blue = static_cast<COLOR16>(GetBValue(bottom) << 8);
    GRADIENT_RECT gradient = {0, 1};
    ::GradientFill(dc, vertices, 2, &gradient, 1, GRADIENT_FILL_RECT_V);
}

void DrawBitmapAt(HDC dc, HBITMAP bitmap, int x, int y) {
    if (!dc || !bitmap) return;
    const SIZE size = fw::GetBitmapSize(bitmap);
    HDC source = ::CreateCompatibleDC(dc);
    if (!source) return;
    {
        fw::CSelectObject select(source, bitmap);
        ::BitBlt(dc, x, y, size.cx, size.cy, source, 0, 0, SRCCOPY);
    }
    ::DeleteDC(source);
}

void DrawBitmapTiled(HBITMAP bitmap, HDC dc, int left, int top, int right, int bottom) {
    if (!dc || !bitmap) return;
    const SIZE size = fw::GetBitmapSize(bitmap);
    if (size.cx <= 0 || size.cy <= 0) return;
    HDC source = ::CreateCompatibleDC(dc);
    if (!source) return;
    {
        fw::CSelectObject select(source, bitmap);
        for (int y = top; y < bottom; y += size.cy) {
            for (int x = left; x < right; x += size.cx) {
                // The last tile of a row ends at the right edge.
                const int tileX = x + size.cx > right ? right - size.cx : x;
                ::BitBlt(dc, tileX, y, size.cx, size.cy, source, 0, 0, SRCCOPY);
            }
        }
    }
    ::DeleteDC(source);
}

void DrawPanelFrame(HDC dc, HWND panel) {
    if (!dc || !panel) return;
    fw::CRgn region(::CreateRectRgn(0, 0, 0, 0));
    if (region.IsNull()) return;
    const int kind = ::GetWindowRgn(panel, region);
    if (kind == ERROR || kind == NULLREGION) {
        RECT client = {};
        ::GetClientRect(panel, &client);
        ::SetRectRgn(region, client.left, client.top, client.right, client.bottom);
    }
    fw::CBrush brush(::CreateSolidBrush(kPanelFrameColour));
    ::FrameRgn(dc, region, brush, 1, 1);
}

HFONT CreateArialFont(int points) {
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ::ReleaseDC(nullptr, screen);
    LOGFONTW font = {};
    font.lfHeight = -::MulDiv(points, dpi, 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, L"Arial", LF_FACESIZE);
    return ::CreateFontIndirectW(&font);
}
