// AnimatedImage: one picture decoded by GDI+, with its frames in the time
// dimension and the GIF frame-delay table.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <memory>
#include <vector>

namespace Gdiplus {
class Image;
}

namespace mervale {

class AnimatedImage {
public:
    AnimatedImage();
    ~AnimatedImage();
    AnimatedImage(const AnimatedImage&) = delete;
    AnimatedImage& operator=(const AnimatedImage&) = delete;

    // E_FAIL when GDI+ cannot decode the picture, or when it declares more
    // than PictureBounds allows (checked before GDI+ decodes anything where
    // the format is known, and on what GDI+ reports after). GDI+ keeps the stream (or
    // the file) for as long as the image lives.
    HRESULT LoadFile(const wchar_t* path);
    HRESULT LoadStream(IStream* stream);
    void Reset();

    bool HasImage() const { return m_image != nullptr; }
    Gdiplus::Image* Image() const { return m_image.get(); }
    UINT Width() const;
    UINT Height() const;
    float HorizontalResolution() const;
    float VerticalResolution() const;

    // 1 for a picture without time frames, 0 without a picture.
    UINT FrameCount() const { return m_frameCount; }
    // The 0x5100 table of a GIF, one delay per frame in 10 ms units; empty
    // when the picture has none.
    const std::vector<UINT>& Delays() const { return m_delays; }
    bool HasDelayTable() const { return !m_delays.empty(); }
    // The delay of one frame; 0 when the table lacks it.
    UINT DelayOf(UINT frame) const;
    bool SelectFrame(UINT frame);

    // The file name extension that matches the picture's raw format
    // (".gif", ".bmp", ...); empty for other formats.
    const wchar_t* FileExtension() const;

private:
    HRESULT Adopt(std::unique_ptr<Gdiplus::Image> image);
    void ReadFrames();

    std::unique_ptr<Gdiplus::Image> m_image;
    UINT m_frameCount = 0;
    std::vector<UINT> m_delays;
};

}  // namespace mervale
