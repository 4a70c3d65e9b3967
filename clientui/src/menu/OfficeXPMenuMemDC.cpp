#include "clientui/OfficeXPMenuMemDC.h"

COfficeXPMenuMemDC::COfficeXPMenuMemDC(HDC target, const RECT& rect) : m_target(target), m_rect(rect) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (::GetObjectType(target) != OBJ_MEMDC && width > 0 && height > 0) {
        m_dc = ::CreateCompatibleDC(target);
        m_bitmap = m_dc ? ::CreateCompatibleBitmap(target, width, height) : nullptr;
        if (m_bitmap) {
            m_oldBitmap = ::SelectObject(m_dc, m_bitmap);
            ::SetWindowOrgEx(m_dc, rect.left, rect.top, &m_oldOrigin);
            // Start from what the target shows, so that parts an item does
            // not paint stay as they were.
            ::BitBlt(m_dc, rect.left, rect.top, width, height, target, rect.left, rect.top, SRCCOPY);
            return;
        }
        if (m_dc) ::DeleteDC(m_dc);
        m_dc = nullptr;
    }
    m_dc = target;  // draw straight into the target
}

COfficeXPMenuMemDC::~COfficeXPMenuMemDC() {
    if (!m_bitmap) return;
    ::BitBlt(m_target, m_rect.left, m_rect.top, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top, m_dc,
             m_rect.left, m_rect.top, SRCCOPY);
    ::SetWindowOrgEx(m_dc, m_oldOrigin.x, m_oldOrigin.y, nullptr);
    ::SelectObject(m_dc, m_oldBitmap);
    ::DeleteObject(m_bitmap);
    ::DeleteDC(m_dc);
}
