// CMemoryDC: an off-screen device context with its own compatible bitmap of
// a given size, for drawing a surface in one piece and copying it out.
#pragma once

#include <windows.h>

namespace fw {

class CMemoryDC {
public:
    // A DC compatible with reference (null: the screen) holding a bitmap of
    // width x height pixels.
    CMemoryDC(HDC reference, int width, int height);
    ~CMemoryDC();
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;

    bool IsValid() const { return m_dc && m_bitmap; }
    HDC Get() const { return m_dc; }
    operator HDC() const { return m_dc; }
    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    HBITMAP GetBitmap() const { return m_bitmap; }

    // Copies the whole surface to (x, y) of target.
    bool CopyTo(HDC target, int x = 0, int y = 0) const;

private:
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_oldBitmap = nullptr;
    int m_width = 0;
    int m_height = 0;
};

}  // namespace fw
