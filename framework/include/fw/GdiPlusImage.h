// CGdiPlusImage: a picture decoded by GDI+ (BMP, GIF, JPEG, PNG, ICO),
// drawn onto a device context, optionally with one colour made transparent.
// The file is read into memory, so it is not kept open. GDI+ must be running
// (CGdiPlusSession) while images exist.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace Gdiplus {
class Bitmap;
}

namespace fw {

class CGdiPlusImage {
public:
    CGdiPlusImage();
    ~CGdiPlusImage();
    CGdiPlusImage(const CGdiPlusImage&) = delete;
    CGdiPlusImage& operator=(const CGdiPlusImage&) = delete;

    // Loads a picture file; false (and an empty image) when it cannot be
    // read or decoded.
    bool Load(const std::wstring& path);
    // Loads a picture from bytes in memory.
    bool LoadFromMemory(const void* data, size_t size);
    void Destroy();

    bool IsNull() const { return !m_bitmap; }
    int GetWidth() const;
    int GetHeight() const;

    // Draws at (x, y) at the picture's own size, or stretched into dest.
    bool Draw(HDC dc, int x, int y) const;
    bool Draw(HDC dc, const RECT& dest) const;
    // Draws into dest with every pixel of colour key left out.
    bool DrawTransparent(HDC dc, const RECT& dest, COLORREF key) const;
    // A new GDI bitmap of the picture over the background colour; the caller
    // owns it. Null when the image is empty.
    HBITMAP CreateHBitmap(COLORREF background) const;

    Gdiplus::Bitmap* GetBitmap() const { return m_bitmap.get(); }

private:
    struct StreamHolder;
    std::unique_ptr<StreamHolder> m_stream;  // GDI+ reads from it while the bitmap lives
    std::unique_ptr<Gdiplus::Bitmap> m_bitmap;
};

}  // namespace fw
