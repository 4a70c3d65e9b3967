// Decision logic of PictureBounds: what a picture's header declares and the
// verdict on it, for hand-made headers of each format it reads.
#include <gtest/gtest.h>

#include "bounds/PictureBounds.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

using mervale::PictureBounds;
using mervale::PictureFormat;
using mervale::PictureVerdict;

namespace {

using Bytes = std::vector<uint8_t>;

void Le16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void Le32(Bytes& b, uint32_t v) {
    Le16(b, v & 0xFFFF);
    Le16(b, v >> 16);
}
void Be16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
}
void Be32(Bytes& b, uint32_t v) {
    Be16(b, v >> 16);
    Be16(b, v & 0xFFFF);
}
void Text(Bytes& b, const char* text, size_t length) { b.insert(b.end(), text, text + length); }

// "GIF89a", the logical screen with a colour table of two entries, then the
// images (left, top, width, height), each with one empty data sub-block,
// and the trailer unless cut.
Bytes Gif(uint32_t width, uint32_t height, std::initializer_list<std::initializer_list<uint32_t>> images,
          bool trailer = true) {
    Bytes b;
    Text(b, "GIF89a", 6);
    Le16(b, width);
    Le16(b, height);
    b.insert(b.end(), {0x80, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF});
    for (const auto& image : images) {
        b.insert(b.end(), {0x21, 0xF9, 4, 0, 10, 0, 0, 0});  // graphic control, delay 10
        b.push_back(0x2C);
        for (uint32_t v : image) Le16(b, v);
        b.insert(b.end(), {0, 2, 2, 0x4C, 0x01, 0});  // no local table; LZW size 2; clear, end
    }
    if (trailer) b.push_back(0x3B);
    return b;
}

Bytes Png(uint32_t width, uint32_t height, uint8_t depth) {
    Bytes b;
    Text(b, "\x89PNG\r\n\x1a\n", 8);
    Be32(b, 13);
    Text(b, "IHDR", 4);
    Be32(b, width);
    Be32(b, height);
    b.insert(b.end(), {depth, 6, 0, 0, 0, 0, 0, 0, 0});  // colour type 6, then the CRC (not checked)
    return b;
}

// SOI, an APP0 segment, then a baseline frame header.
Bytes Jpeg(uint32_t width, uint32_t height) {
    Bytes b = {0xFF, 0xD8, 0xFF, 0xE0};
    Be16(b, 6);
    Text(b, "JFIF", 4);
    b.insert(b.end(), {0xFF, 0xC0});
    Be16(b, 11);
    b.push_back(8);
    Be16(b, height);
    Be16(b, width);
    b.insert(b.end(), {1, 1, 0x11, 0});
    return b;
}

Bytes Bmp(int32_t width, int32_t height) {
    Bytes b;
    Text(b, "BM", 2);
    b.insert(b.end(), 12, 0);
    Le32(b, 40);
    Le32(b, static_cast<uint32_t>(width));
    Le32(b, static_cast<uint32_t>(height));
    Le16(b, 1);
    Le16(b, 32);
    return b;
}

struct BoundsCase {
    const char* what;
    Bytes bytes;
    PictureFormat format;
    uint32_t width, height, frames;
    PictureVerdict verdict;
};

TEST(PictureBounds, DeclaredSizesAndTheirVerdicts) {
    const Bytes twoFrames = Gif(32, 32, {{0, 0, 32, 32}, {0, 0, 32, 32}});
    const Bytes onePixel = Png(1, 1, 8);
    const BoundsCase cases[] = {
        {"a small GIF of two frames", twoFrames, PictureFormat::Gif, 32, 32, 2, PictureVerdict::Accepted},
        {"a GIF cut in its second frame", Bytes(twoFrames.begin(), twoFrames.end() - 4), PictureFormat::Gif, 32, 32,
         2, PictureVerdict::Accepted},
        {"a GIF without an image", Gif(32, 32, {}), PictureFormat::Gif, 32, 32, 0, PictureVerdict::NoFrame},
        {"a GIF cut in its header", Bytes(twoFrames.begin(), twoFrames.begin() + 9), PictureFormat::Gif, 0, 0, 0,
         PictureVerdict::Malformed},
        {"a GIF of 10,000 x 10,000", Gif(10000, 10000, {{0, 0, 10000, 10000}}), PictureFormat::Gif, 10000, 10000, 1,
         PictureVerdict::TooLarge},
        {"a small screen with an image far outside it", Gif(16, 16, {{0, 0, 16, 16}, {60000, 0, 16, 16}}),
         PictureFormat::Gif, 60016, 16, 2, PictureVerdict::TooLarge},
        {"a GIF at the side bound", Gif(8192, 1, {{0, 0, 8192, 1}}), PictureFormat::Gif, 8192, 1, 1,
         PictureVerdict::Accepted},
        {"a GIF one past the side bound", Gif(8193, 1, {{0, 0, 8193, 1}}), PictureFormat::Gif, 8193, 1, 1,
         PictureVerdict::TooLarge},
        {"a GIF whose frames together are too large",
         Gif(2048, 2048, {{0, 0, 2048, 2048}, {0, 0, 2048, 2048}, {0, 0, 2048, 2048}, {0, 0, 2048, 2048},
                          {0, 0, 2048, 2048}}),
         PictureFormat::Gif, 2048, 2048, 5, PictureVerdict::TooLarge},
        {"a GIF whose four frames just fit",
         Gif(2048, 2048, {{0, 0, 2048, 2048}, {0, 0, 2048, 2048}, {0, 0, 2048, 2048}, {0, 0, 2048, 2048}}),
         PictureFormat::Gif, 2048, 2048, 4, PictureVerdict::Accepted},
        {"a PNG of 640 x 480", Png(640, 480, 8), PictureFormat::Png, 640, 480, 1, PictureVerdict::Accepted},
        {"a PNG of 20,000 x 20,000", Png(20000, 20000, 8), PictureFormat::Png, 20000, 20000, 1,
         PictureVerdict::TooLarge},
        {"a 16-bit PNG of 3,000 x 3,000 (8 bytes a pixel decoded)", Png(3000, 3000, 16), PictureFormat::Png, 3000,
         3000, 1, PictureVerdict::TooLarge},
        {"a PNG of 0xFFFFFFFF x 0xFFFFFFFF", Png(0xFFFFFFFF, 0xFFFFFFFF, 8), PictureFormat::Png, 0xFFFFFFFF,
         0xFFFFFFFF, 1, PictureVerdict::TooLarge},
        {"a PNG without its header chunk", Bytes(onePixel.begin(), onePixel.begin() + 12), PictureFormat::Png,
         0, 0, 1, PictureVerdict::Malformed},
        {"a JPEG of 1920 x 1080", Jpeg(1920, 1080), PictureFormat::Jpeg, 1920, 1080, 1, PictureVerdict::Accepted},
        {"a JPEG of 65,535 x 65,535", Jpeg(65535, 65535), PictureFormat::Jpeg, 65535, 65535, 1,
         PictureVerdict::TooLarge},
        {"a JPEG without a frame header", Bytes{0xFF, 0xD8, 0xFF, 0xD9}, PictureFormat::Jpeg, 0, 0, 1,
         PictureVerdict::Malformed},
        {"a top-down BMP of 800 x 600", Bmp(800, -600), PictureFormat::Bmp, 800, 600, 1, PictureVerdict::Accepted},
        {"a BMP of 100,000 x 2", Bmp(100000, 2), PictureFormat::Bmp, 100000, 2, 1, PictureVerdict::TooLarge},
        {"bytes of no known format", Bytes{'I', 'I', 42, 0}, PictureFormat::Unknown, 0, 0, 0,
         PictureVerdict::Accepted},
        {"nothing", Bytes{}, PictureFormat::Unknown, 0, 0, 0, PictureVerdict::Accepted},
    };
    for (const BoundsCase& c : cases) {
        const auto declared = PictureBounds::Inspect(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(c.format, declared.format) << c.what;
        EXPECT_EQ(c.verdict, declared.verdict) << c.what;
        if (c.verdict != PictureVerdict::Malformed) {
            EXPECT_EQ(c.width, declared.width) << c.what;
            EXPECT_EQ(c.height, declared.height) << c.what;
            EXPECT_EQ(c.frames, declared.frames) << c.what;
        }
    }
}

// What a decoder reports of a format the headers do not tell.
TEST(PictureBounds, DecodedSizesAgainstTheBounds) {
    EXPECT_EQ(PictureVerdict::Accepted, PictureBounds::CheckDecoded(4096, 4096, 1));
    EXPECT_EQ(PictureVerdict::TooLarge, PictureBounds::CheckDecoded(4096, 4097, 1));
    EXPECT_EQ(PictureVerdict::TooLarge, PictureBounds::CheckDecoded(8193, 1, 1));
    EXPECT_EQ(PictureVerdict::TooLarge, PictureBounds::CheckDecoded(100, 100, 1700));
    EXPECT_EQ(PictureVerdict::Accepted, PictureBounds::CheckDecoded(100, 100, 1600));
    EXPECT_EQ(PictureVerdict::TooLarge, PictureBounds::CheckDecoded(1, 1, ~0ull));
}

}  // namespace
