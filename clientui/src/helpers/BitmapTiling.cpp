#include "clientui/BitmapTiling.h"

#include <fw/DeviceContext.h>

#include <memory>
#include <type_traits>

void TileBitmap(HBITMAP bitmap, HDC dc, int left, int top, int right, int bottom) {
    if (!bitmap || !dc) return;
    BITMAP info = {};
    if (!::GetObjectW(bitmap, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0) return;
    const int width = info.bmWidth;
    const int height = info.bmHeight;

    std::unique_ptr<std::remove_pointer_t<HDC>, decltype(&::DeleteDC)> source(::CreateCompatibleDC(dc),
                                                                              &::DeleteDC);
    if (!source) return;
    fw::CSelectObject selected(source.get(), bitmap);
    for (int y = top; y < bottom; y += height) {
        int x = left;
        while (x + width < right) {
            ::BitBlt(dc, x, y, width, height, source.get(), 0, 0, SRCCOPY);
            x += width;
        }
        ::BitBlt(dc, right - width, y, width, height, source.get(), 0, 0, SRCCOPY);
    }
}
