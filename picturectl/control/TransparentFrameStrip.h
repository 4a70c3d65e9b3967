// TransparentFrameStrip: all frames of a picture side by side in one bitmap,
// each on its own transparent colour, for drawing with TransparentBlt.
//
// A frame's transparent colour is the first palette entry whose alpha is 0.
// A frame without such an entry (GDI+ decodes multi-frame GIFs to 32-bit
// ARGB without a palette) that has fully transparent pixels gets a key
// colour that none of its visible pixels uses. A frame without a colour
// means no strip.
#pragma once

#include <windows.h>

#include <vector>

namespace mervale {

class AnimatedImage;

class TransparentFrameStrip {
public:
    TransparentFrameStrip() = default;
    TransparentFrameStrip(const TransparentFrameStrip&) = delete;
    TransparentFrameStrip& operator=(const TransparentFrameStrip&) = delete;
    ~TransparentFrameStrip() { Reset(); }

    // Renders every frame; leaves `image` on frame `currentFrame`. False
    // (and no strip) when a frame has no transparent colour.
    bool Build(AnimatedImage& image, UINT currentFrame);
    void Reset();
    bool Empty() const { return m_dc == nullptr; }

    // Copies one frame's strip to the target rectangle.
    void Draw(HDC target, int x, int y, int width, int height, UINT frame) const;

private:
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_oldBitmap = nullptr;
    int m_frameWidth = 0;
    int m_frameHeight = 0;
    std::vector<COLORREF> m_keys;
};

}  // namespace mervale
