// PictureBounds: what a picture file declares about its size, read from its
// bytes before any decoder sees them, and whether that stays within the
// bounds the controls draw.
//
// A few kilobytes of GIF or PNG can declare a picture of 10,000 x 10,000
// pixels and many frames; the decoder would then allocate and fill frames
// of that size on the UI thread. The reader walks only the headers: the
// logical screen, image descriptors and extension blocks of a GIF, the
// IHDR chunk of a PNG, the frame header of a JPEG, the header of a BMP.
// Other formats are left to the check after decoding (CheckDecoded).
//
// Portable code: no platform headers; every read is bounded by the input.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mervale {

enum class PictureFormat { Unknown, Gif, Png, Jpeg, Bmp };

enum class PictureVerdict {
    Accepted,       // within the bounds (or a format only the decoder knows)
    TooLarge,       // a side, a frame or the decoded frames beyond the bounds
    NoFrame,        // a GIF without any image
    Malformed,      // a known format whose header cannot be read
};

struct PictureDeclaration {
    PictureFormat format = PictureFormat::Unknown;
    uint32_t width = 0;   // the canvas: a GIF's logical screen, grown to hold every frame
    uint32_t height = 0;
    uint32_t frames = 0;  // GIF images; 1 for the other formats
    uint32_t bytesPerPixel = 4;  // as decoded (a 16-bit PNG decodes to 8)
    PictureVerdict verdict = PictureVerdict::Accepted;
};

class PictureBounds {
public:
    static constexpr uint32_t kMaxSide = 8192;
    // The decoded frames together: width x height x bytes per pixel x frames.
    static constexpr uint64_t kMaxDecodedBytes = 64ull * 1024 * 1024;

    // Reads what the bytes declare and judges it.
    static PictureDeclaration Inspect(const uint8_t* data, size_t size);
    // The same bounds for what a decoder reports after loading a picture of
    // any format.
    static PictureVerdict CheckDecoded(uint64_t width, uint64_t height, uint64_t frames,
                                       uint64_t bytesPerPixel = 4);
};

}  // namespace mervale
