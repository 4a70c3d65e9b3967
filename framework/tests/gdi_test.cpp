// GDI and GDI+ helpers: memory DCs draw and copy; a decoded picture draws
// with its colour key left out.
#include <fw/DeviceContext.h>
#include <fw/GdiObject.h>
#include <fw/GdiPlusImage.h>
#include <fw/GdiPlusSession.h>
#include <fw/MemoryDC.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kMagenta = RGB(255, 0, 255);

// A 24-bit BMP file of one row: red, magenta.
std::vector<BYTE> TwoPixelBmp() {
    const DWORD rowBytes = 8;  // 2 * 3 padded to 4
    BITMAPFILEHEADER fh = {};
    BITMAPINFOHEADER ih = {};
    ih.biSize = sizeof ih;
    ih.biWidth = 2;
    ih.biHeight = 1;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    ih.biCompression = BI_RGB;
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + rowBytes;
    std::vector<BYTE> bytes(fh.bfSize, 0);
    std::memcpy(bytes.data(), &fh, sizeof fh);
    std::memcpy(bytes.data() + sizeof fh, &ih, sizeof ih);
    const BYTE pixels[8] = {0, 0, 255, 255, 0, 255, 0, 0};  // BGR red, BGR magenta
    std::memcpy(bytes.data() + fh.bfOffBits, pixels, sizeof pixels);
    return bytes;
}

void Fill(HDC dc, int w, int h, COLORREF colour) {
    fw::CBrush brush(::CreateSolidBrush(colour));
    RECT rc = {0, 0, w, h};
    ::FillRect(dc, &rc, brush);
}

TEST(Gdi, MemoryDcDrawsAndCopiesInOnePiece) {
    fw::CMemoryDC source(nullptr, 4, 4);
    ASSERT_TRUE(source.IsValid());
    Fill(source, 4, 4, kRed);
    fw::CMemoryDC target(nullptr, 8, 8);
    Fill(target, 8, 8, kBlue);
    EXPECT_TRUE(source.CopyTo(target, 4, 4));
    EXPECT_EQ(::GetPixel(target, 5, 5), kRed);
    EXPECT_EQ(::GetPixel(target, 1, 1), kBlue);
    const SIZE size = fw::GetBitmapSize(source.GetBitmap());
    EXPECT_EQ(size.cx, 4);
    EXPECT_EQ(size.cy, 4);
}

TEST(Gdi, GdiObjectOwnsAndMovesItsHandle) {
    fw::CBrush a(::CreateSolidBrush(kRed));
    HBRUSH h = a;
    fw::CBrush b(std::move(a));
    EXPECT_TRUE(a.IsNull());
    EXPECT_EQ(b.Get(), h);
    b.Reset();
    EXPECT_EQ(::GetObjectType(h), 0u) << "deleted";
}

TEST(GdiPlusImage, DecodesAndDrawsWithTheColourKeyLeftOut) {
    fw::CGdiPlusSession gdiplus;
    ASSERT_TRUE(gdiplus.Start());
    {
        fw::CGdiPlusImage image;
        const std::vector<BYTE> bmp = TwoPixelBmp();
        ASSERT_TRUE(image.LoadFromMemory(bmp.data(), bmp.size()));
        EXPECT_EQ(image.GetWidth(), 2);
        EXPECT_EQ(image.GetHeight(), 1);

        fw::CMemoryDC dc(nullptr, 2, 1);
        Fill(dc, 2, 1, kBlue);
        EXPECT_TRUE(image.DrawTransparent(dc, RECT{0, 0, 2, 1}, kMagenta));
        EXPECT_EQ(::GetPixel(dc, 0, 0), kRed);
        EXPECT_EQ(::GetPixel(dc, 1, 0), kBlue);

        fw::CBitmap bitmap(image.CreateHBitmap(kBlue));
        const SIZE size = fw::GetBitmapSize(bitmap);
        EXPECT_EQ(size.cx, 2);

        fw::CGdiPlusImage broken;
        const BYTE junk[16] = {1, 2, 3};
        EXPECT_FALSE(broken.LoadFromMemory(junk, sizeof junk));
        EXPECT_TRUE(broken.IsNull());
        EXPECT_FALSE(broken.Load(L"C:\\no\\such\\picture.gif"));
        EXPECT_FALSE(broken.Draw(dc, 0, 0));
    }
    gdiplus.Shutdown();
}

}  // namespace
