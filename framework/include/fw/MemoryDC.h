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

// Paints through draw(HDC) into a memory surface of width x height and copies
// it to target, so that the window never shows a half-drawn state; when the
// surface cannot be made, draw paints straight onto target.
template <class Draw>
void PaintBuffered(HDC target, int width, int height, Draw&& draw) {
    CMemoryDC memory(target, width, height);
    if (memory.IsValid()) {
        draw(memory.Get());
        memory.CopyTo(target);
    } else {
        draw(target);
    }
}

}  // namespace fw
