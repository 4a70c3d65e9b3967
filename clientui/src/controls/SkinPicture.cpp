#include "clientui/SkinPicture.h"

#include "fw/DeviceContext.h"
#include "fw/GdiPlusImage.h"

namespace {

const COLORREF kMagenta = RGB(255, 0, 255);

}  // namespace

bool CSkinPicture::Load(const std::wstring& path) {
    Destroy();
    fw::CGdiPlusImage image;
    if (!image.Load(path)) return false;
    HBITMAP bitmap = image.CreateHBitmap(kMagenta);
    if (!bitmap) return false;
    m_bitmap.Reset(bitmap);
    m_size = fw::GetBitmapSize(bitmap);
    return true;
}

void CSkinPicture::Destroy() {
    m_bitmap.Reset();
    m_size = SIZE{0, 0};
}

bool CSkinPicture::DrawTransparent(HDC dc, const RECT& dest, COLORREF key) const {
    if (IsNull() || !dc) return false;
    HDC source = ::CreateCompatibleDC(dc);
    if (!source) return false;
    bool drawn;
    {
        fw::CSelectObject select(source, m_bitmap.Get());
        drawn = ::TransparentBlt(dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, source, 0,
                                 0, m_size.cx, m_size.cy, key) != FALSE;
    }
    ::DeleteDC(source);
    return drawn;
}

bool CSkinPicture::DrawTransparent(HDC dc, int x, int y, COLORREF key) const {
    const RECT dest = {x, y, x + m_size.cx, y + m_size.cy};
    return DrawTransparent(dc, dest, key);
}
