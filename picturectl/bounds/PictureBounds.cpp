#include "PictureBounds.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace mervale {

namespace {

// Reads little- and big-endian values off a byte range; a read past its
// end fails and leaves the reader failed.
class Bytes {
public:
    Bytes(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    size_t Left() const { return m_size - m_at; }
    size_t At() const { return m_at; }
    bool Skip(size_t count) {
        if (count > Left()) {
            m_at = m_size;
            return false;
        }
        m_at += count;
        return true;
    }
    bool Byte(uint32_t& value) {
        if (Left() < 1) return false;
        value = m_data[m_at++];
        return true;
    }
    bool Le16(uint32_t& value) {
        if (Left() < 2) return false;
        value = uint32_t(m_data[m_at]) | uint32_t(m_data[m_at + 1]) << 8;
        m_at += 2;
        return true;
    }
    bool Le32(uint32_t& value) {
        uint32_t low = 0, high = 0;
        if (Left() < 4 || !Le16(low) || !Le16(high)) return false;
        value = low | high << 16;
        return true;
    }
    bool Be16(uint32_t& value) {
        if (Left() < 2) return false;
        value = uint32_t(m_data[m_at]) << 8 | uint32_t(m_data[m_at + 1]);
        m_at += 2;
        return true;
    }
    bool Be32(uint32_t& value) {
        uint32_t high = 0, low = 0;
        if (Left() < 4 || !Be16(high) || !Be16(low)) return false;
        value = high << 16 | low;
        return true;
    }
    bool StartsWith(const char* text, size_t length) const {
        return Left() >= length && std::memcmp(m_data + m_at, text, length) == 0;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

// GIF sub-blocks up to and including the terminator; false when the data
// end first.
bool SkipSubBlocks(Bytes& in) {
    for (;;) {
        uint32_t length = 0;
        if (!in.Byte(length)) return false;
        if (length == 0) return true;
        if (!in.Skip(length)) return false;
    }
}

// A GIF: header, logical screen, then blocks until the trailer or the end
// of the data (a truncated picture keeps the frames that began). The
// canvas grows to hold every image's rectangle.
void ReadGif(Bytes& in, PictureDeclaration& out) {
    out.format = PictureFormat::Gif;
    uint32_t width = 0, height = 0, flags = 0, ignored = 0;
    if (!in.Skip(6) || !in.Le16(width) || !in.Le16(height) || !in.Byte(flags) || !in.Byte(ignored) ||
        !in.Byte(ignored)) {
        out.verdict = PictureVerdict::Malformed;
        return;
    }
    if ((flags & 0x80) && !in.Skip(3u << ((flags & 0x07) + 1))) {
        out.verdict = PictureVerdict::Malformed;
        return;
    }
    out.width = width;
    out.height = height;
    for (bool more = true; more;) {
        uint32_t introducer = 0;
        if (!in.Byte(introducer)) break;
        switch (introducer) {
        case 0x21:  // extension: label, sub-blocks
            more = in.Skip(1) && SkipSubBlocks(in);
            break;
        case 0x2C: {  // image: descriptor, local colour table, LZW size, sub-blocks
            uint32_t left = 0, top = 0, w = 0, h = 0, imageFlags = 0;
            if (!in.Le16(left) || !in.Le16(top) || !in.Le16(w) || !in.Le16(h) || !in.Byte(imageFlags)) {
                more = false;
                break;
            }
            ++out.frames;
            out.width = std::max(out.width, left + w);
            out.height = std::max(out.height, top + h);
            more = (!(imageFlags & 0x80) || in.Skip(3u << ((imageFlags & 0x07) + 1))) && in.Skip(1) &&
                   SkipSubBlocks(in);
            break;
        }
        default:  // the trailer (0x3B), or a byte no block begins with
            more = false;
            break;
        }
    }
    if (out.frames == 0) out.verdict = PictureVerdict::NoFrame;
}

// A PNG: the signature, then the IHDR chunk, which comes first.
void ReadPng(Bytes& in, PictureDeclaration& out) {
    out.format = PictureFormat::Png;
    out.frames = 1;
    uint32_t length = 0, width = 0, height = 0, depth = 0;
    if (!in.Skip(8) || !in.Be32(length) || !in.StartsWith("IHDR", 4) || !in.Skip(4) || length < 13 ||
        !in.Be32(width) || !in.Be32(height) || !in.Byte(depth)) {
        out.verdict = PictureVerdict::Malformed;
        return;
    }
    out.width = width;
    out.height = height;
    if (depth == 16) out.bytesPerPixel = 8;
}

// A JPEG: markers and their segments up to the first frame header (SOF0 to
// SOF15, without DHT, JPG and DAC).
void ReadJpeg(Bytes& in, PictureDeclaration& out) {
    out.format = PictureFormat::Jpeg;
    out.frames = 1;
    in.Skip(2);
    for (;;) {
        uint32_t prefix = 0, marker = 0;
        if (!in.Byte(prefix) || prefix != 0xFF) break;
        do {
            if (!in.Byte(marker)) marker = 0;
        } while (marker == 0xFF);
        if (marker == 0 || marker == 0xD9 || marker == 0xDA) break;  // no frame header before the data
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no segment
        uint32_t length = 0;
        if (!in.Be16(length) || length < 2) break;
        const bool frameHeader = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frameHeader) {
            uint32_t precision = 0, height = 0, width = 0;
            if (!in.Byte(precision) || !in.Be16(height) || !in.Be16(width)) break;
            out.width = width;
            out.height = height;
            return;
        }
        if (!in.Skip(length - 2)) break;
    }
    out.verdict = PictureVerdict::Malformed;
}

// A BMP: the file header, then the size of the information header, which
// tells its kind: the old core header has 16-bit sides, the others 32-bit
// signed ones (a negative height is a top-down picture).
void ReadBmp(Bytes& in, PictureDeclaration& out) {
    out.format = PictureFormat::Bmp;
    out.frames = 1;
    uint32_t headerSize = 0, width = 0, height = 0;
    if (!in.Skip(14) || !in.Le32(headerSize)) {
        out.verdict = PictureVerdict::Malformed;
        return;
    }
    if (headerSize == 12) {
        if (!in.Le16(width) || !in.Le16(height)) out.verdict = PictureVerdict::Malformed;
    } else if (headerSize >= 40) {
        if (!in.Le32(width) || !in.Le32(height)) out.verdict = PictureVerdict::Malformed;
        width = static_cast<uint32_t>(std::abs(static_cast<int64_t>(static_cast<int32_t>(width))));
        height = static_cast<uint32_t>(std::abs(static_cast<int64_t>(static_cast<int32_t>(height))));
    } else {
        out.verdict = PictureVerdict::Malformed;
    }
    out.width = width;
    out.height = height;
}

}  // namespace

PictureDeclaration PictureBounds::Inspect(const uint8_t* data, size_t size) {
    PictureDeclaration out;
    Bytes in(data, data ? size : 0);
    if (in.StartsWith("GIF87a", 6) || in.StartsWith("GIF89a", 6)) {
        ReadGif(in, out);
    } else if (in.StartsWith("\x89PNG\r\n\x1a\n", 8)) {
        ReadPng(in, out);
    } else if (in.StartsWith("\xFF\xD8", 2)) {
        ReadJpeg(in, out);
    } else if (in.StartsWith("BM", 2)) {
        ReadBmp(in, out);
    } else {
        return out;  // a format for the decoder to judge
    }
    if (out.verdict == PictureVerdict::Accepted) {
        out.verdict = CheckDecoded(out.width, out.height, out.frames, out.bytesPerPixel);
    }
    return out;
}

PictureVerdict PictureBounds::CheckDecoded(uint64_t width, uint64_t height, uint64_t frames,
                                          uint64_t bytesPerPixel) {
    if (width > kMaxSide || height > kMaxSide) return PictureVerdict::TooLarge;
    // Each factor is bounded here, so the product cannot overflow.
    if (frames > kMaxDecodedBytes || bytesPerPixel > 16) return PictureVerdict::TooLarge;
    const uint64_t frameBytes = width * height * bytesPerPixel;
    if (frameBytes > kMaxDecodedBytes) return PictureVerdict::TooLarge;
    if (frameBytes * std::max<uint64_t>(frames, 1) > kMaxDecodedBytes) return PictureVerdict::TooLarge;
    return PictureVerdict::Accepted;
}

}  // namespace mervale
