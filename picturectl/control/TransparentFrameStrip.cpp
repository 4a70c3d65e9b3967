#include "TransparentFrameStrip.h"

#include "AnimatedImage.h"

#include "GdiplusHeaders.h"

#include <memory>
#include <set>

namespace mervale {

namespace {

// The first palette entry with alpha 0.
bool PaletteKey(Gdiplus::Image& image, COLORREF& key) {
    const INT size = image.GetPaletteSize();
    if (size <= static_cast<INT>(sizeof(Gdiplus::ColorPalette))) return false;
    std::vector<BYTE> buffer(size);
    auto* palette = reinterpret_cast<Gdiplus::ColorPalette*>(buffer.data());
    if (image.GetPalette(palette, size) != Gdiplus::Ok) return false;
    const UINT capacity = (size - offsetof(Gdiplus::ColorPalette, Entries)) / sizeof(Gdiplus::ARGB);
    const UINT count = std::min(palette->Count, capacity);
    for (UINT i = 0; i < count; ++i) {
        const Gdiplus::ARGB argb = palette->Entries[i];
        if ((argb >> 24) == 0) {
            key = RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
            return true;
        }
    }
    return false;
}

// From the frame's alpha: a colour that no visible pixel has, when some
// pixel is fully transparent.
bool AlphaKey(Gdiplus::Image& image, COLORREF& key) {
    const INT width = static_cast<INT>(image.GetWidth());
    const INT height = static_cast<INT>(image.GetHeight());
    Gdiplus::Bitmap pixels(width, height, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics g(&pixels);
        g.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
        g.DrawImage(&image, 0, 0, width, height);
    }
    Gdiplus::BitmapData data{};
    Gdiplus::Rect all(0, 0, width, height);
    if (pixels.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok) return false;
    bool transparent = false;
    std::set<Gdiplus::ARGB> used;
    for (INT y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const Gdiplus::ARGB*>(static_cast<const BYTE*>(data.Scan0) + y * data.Stride);
        for (INT x = 0; x < width; ++x) {
            if ((row[x] >> 24) == 0) {
                transparent = true;
            } else {
                used.insert(row[x] & 0x00FFFFFF);
            }
        }
    }
    pixels.UnlockBits(&data);
    if (!transparent) return false;
    static const Gdiplus::ARGB kCandidates[] = {0xFF00FF, 0x00FF00, 0x00FFFF, 0xFFFF00, 0x010203};
    for (Gdiplus::ARGB rgb : kCandidates) {
        if (!used.count(rgb)) {
            key = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
            return true;
        }
    }
    for (Gdiplus::ARGB rgb = 1; rgb <= 0xFFFFFF; ++rgb) {
        if (!used.count(rgb)) {
            key = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
            return true;
        }
    }
    return false;
}

}  // namespace

bool TransparentFrameStrip::Build(AnimatedImage& image, UINT currentFrame) {
    Reset();
    if (!image.HasImage()) return false;
    const UINT frames = image.FrameCount();
    const int width = static_cast<int>(image.Width());
    const int height = static_cast<int>(image.Height());
    if (frames == 0 || width <= 0 || height <= 0 || width > 0x7FFF / static_cast<int>(frames)) return false;

    HDC screen = GetDC(nullptr);
    if (!screen) return false;
    m_dc = CreateCompatibleDC(screen);
    m_bitmap = CreateCompatibleBitmap(screen, width * static_cast<int>(frames), height);
    ReleaseDC(nullptr, screen);
    if (!m_dc || !m_bitmap) {
        Reset();
        return false;
    }
    m_oldBitmap = SelectObject(m_dc, m_bitmap);
    m_frameWidth = width;
    m_frameHeight = height;

    bool complete = true;
    for (UINT frame = 0; frame < frames && complete; ++frame) {
        if (frames > 1) image.SelectFrame(frame);
        COLORREF key = 0;
        complete = PaletteKey(*image.Image(), key) || AlphaKey(*image.Image(), key);
        if (!complete) break;
        m_keys.push_back(key);
        const RECT cell{static_cast<LONG>(frame) * width, 0, static_cast<LONG>(frame + 1) * width, height};
        HBRUSH brush = CreateSolidBrush(key);
        FillRect(m_dc, &cell, brush);
        DeleteObject(brush);
        Gdiplus::Graphics g(m_dc);
        g.DrawImage(image.Image(), static_cast<INT>(cell.left), 0, width, height);
    }
    if (frames > 1) image.SelectFrame(currentFrame);
    if (!complete) Reset();
    return complete;
}

void TransparentFrameStrip::Reset() {
    if (m_dc && m_oldBitmap) SelectObject(m_dc, m_oldBitmap);
    if (m_bitmap) DeleteObject(m_bitmap);
    if (m_dc) DeleteDC(m_dc);
    m_dc = nullptr;
    m_bitmap = nullptr;
    m_oldBitmap = nullptr;
    m_keys.clear();
    m_frameWidth = m_frameHeight = 0;
}

void TransparentFrameStrip::Draw(HDC target, int x, int y, int width, int height, UINT frame) const {
    if (!m_dc || frame >= m_keys.size()) return;
    const int sourceX = static_cast<int>(frame) * m_frameWidth;
    TransparentBlt(target, x, y, width, height, m_dc, sourceX, 0, m_frameWidth, m_frameHeight, m_keys[frame]);
}

}  // namespace mervale
