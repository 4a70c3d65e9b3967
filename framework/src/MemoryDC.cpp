#include "fw/MemoryDC.h"

namespace fw {

CMemoryDC::CMemoryDC(HDC reference, int width, int height)
    : m_width(width > 0 ? width : 1), m_height(height > 0 ? height : 1) {
    HDC screen = reference ? nullptr : ::GetDC(nullptr);
    HDC ref = reference ? reference : screen;
    m_dc = ::CreateCompatibleDC(ref);
    m_bitmap = ::CreateCompatibleBitmap(ref, m_width, m_height);
    if (screen) ::ReleaseDC(nullptr, screen);
    if (m_dc && m_bitmap) m_oldBitmap = ::SelectObject(m_dc, m_bitmap);
}

CMemoryDC::~CMemoryDC() {
    if (m_dc && m_oldBitmap) ::SelectObject(m_dc, m_oldBitmap);
    if (m_bitmap) ::DeleteObject(m_bitmap);
    if (m_dc) ::DeleteDC(m_dc);
}

bool CMemoryDC::CopyTo(HDC target, int x, int y) const {
    if (!IsValid() || !target) return false;
    return ::BitBlt(target, x, y, m_width, m_height, m_dc, 0, 0, SRCCOPY) != FALSE;
}

}  // namespace fw
