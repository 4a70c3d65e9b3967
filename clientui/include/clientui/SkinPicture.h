// CSkinPicture: one picture of a skinned control, decoded through GDI+ from
// any format it reads (BMP, PNG, GIF, JPEG, ICO) and kept as a GDI bitmap, so
// that painting needs no GDI+ and can leave a key colour out with
// TransparentBlt. Transparent pixels of the file come out in magenta
// (0xFF00FF), the key colour of the skin. GDI+ must be running while Load is
// called.
//
// The pictures are read-only once loaded, so the pictures of one file are
// one bitmap: Load takes the bitmap that another picture already holds for
// the same file (unchanged since: same size and write time) instead of
// decoding the file again. The bitmap goes with the last picture that
// holds it. Every window of a kind shows the same skin files, so a new
// window needs no decoding and no new bitmaps.
#pragma once

#include "fw/GdiObject.h"

#include <windows.h>

#include <memory>
#include <string>

class CSkinPicture {
public:
    CSkinPicture() = default;
    CSkinPicture(const CSkinPicture&) = delete;
    CSkinPicture& operator=(const CSkinPicture&) = delete;

    // Replaces the picture with the file's; a file that cannot be read or
    // decoded leaves the picture empty. Returns whether it loaded.
    bool Load(const std::wstring& path);
    void Destroy();

    bool IsNull() const { return !m_bitmap || m_bitmap->bitmap.IsNull(); }
    int GetWidth() const { return m_size.cx; }
    int GetHeight() const { return m_size.cy; }
    HBITMAP GetBitmap() const { return m_bitmap ? m_bitmap->bitmap.Get() : nullptr; }

    // Draws the whole picture stretched into dest, leaving every pixel of
    // colour key out (TransparentBlt). Nothing happens for an empty picture.
    bool DrawTransparent(HDC dc, const RECT& dest, COLORREF key) const;
    // The same at the picture's own size with its top-left corner at (x, y).
    bool DrawTransparent(HDC dc, int x, int y, COLORREF key) const;

    // The bitmap of one file, shared by the pictures loaded from it.
    struct Shared {
        fw::CBitmap bitmap;
        SIZE size = {0, 0};
    };

private:
    std::shared_ptr<const Shared> m_bitmap;
    SIZE m_size = {0, 0};
};
