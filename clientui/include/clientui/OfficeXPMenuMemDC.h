// COfficeXPMenuMemDC: the off-screen DC through which one menu item is
// painted. It holds a memory bitmap of the item rectangle's size whose
// origin is moved to the rectangle's top-left corner, so the item is drawn in
// the target's coordinates; on destruction the rectangle is copied back to
// the target in one piece. When the target is itself a memory DC, drawing
// goes straight into it.
#pragma once

#include <windows.h>

class COfficeXPMenuMemDC {
public:
    COfficeXPMenuMemDC(HDC target, const RECT& rect);
    ~COfficeXPMenuMemDC();
    COfficeXPMenuMemDC(const COfficeXPMenuMemDC&) = delete;
    COfficeXPMenuMemDC& operator=(const COfficeXPMenuMemDC&) = delete;

    HDC Get() const { return m_dc; }
    operator HDC() const { return m_dc; }
    // Whether drawing goes through an own bitmap (false: straight into the target).
    bool IsBuffered() const { return m_bitmap != nullptr; }

private:
    HDC m_target;
    RECT m_rect;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_oldBitmap = nullptr;
    POINT m_oldOrigin = {0, 0};
};
