// The frame drawing functions on a memory surface.
#include "PanelTestSupport.h"

#include "clientui/PanelDrawing.h"

#include "fw/DeviceContext.h"
#include "fw/GdiObject.h"
#include "fw/MemoryDC.h"

namespace {

// A bitmap of width x height whose column x has the colour RGB(x * 10, 0, 0).
HBITMAP MakeColumnBitmap(HDC reference, int width, int height) {
    HBITMAP bitmap = ::CreateCompatibleBitmap(reference, width, height);
    HDC dc = ::CreateCompatibleDC(reference);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y) ::SetPixel(dc, x, y, RGB(x * 10, 0, 0));
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    return bitmap;
}

void Clear(fw::CMemoryDC& mem, COLORREF colour) {
    fw::CBrush brush(::CreateSolidBrush(colour));
    const RECT all = {0, 0, mem.GetWidth(), mem.GetHeight()};
    ::FillRect(mem, &all, brush);
}

}  // namespace

TEST(PanelDrawing, TiledRowsEndWithATileFlushAgainstTheRightEdge) {
    fw::CMemoryDC mem(nullptr, 40, 20);
    ASSERT_TRUE(mem.IsValid());
    Clear(mem, RGB(0, 0, 255));
    fw::CBitmap tile(MakeColumnBitmap(mem, 4, 3));
    // 10 wide: tiles at 0 and 4, then one at 10 - 4 = 6; rows at 0, 3, 6.
    DrawBitmapTiled(tile, mem, 0, 0, 10, 7);
    EXPECT_EQ(::GetPixel(mem, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(::GetPixel(mem, 5, 0), RGB(10, 0, 0));
    EXPECT_EQ(::GetPixel(mem, 6, 0), RGB(0, 0, 0)) << "the last tile starts at 6";
    EXPECT_EQ(::GetPixel(mem, 9, 0), RGB(30, 0, 0)) << "and ends at the right edge";
    EXPECT_EQ(::GetPixel(mem, 10, 0), RGB(0, 0, 255));
    // The row that starts above the bottom edge is drawn whole.
    EXPECT_EQ(::GetPixel(mem, 1, 8), RGB(10, 0, 0));
    EXPECT_EQ(::GetPixel(mem, 1, 9), RGB(0, 0, 255));

    // A one-pixel band still gets one whole row (bars drawn from a strip).
    Clear(mem, RGB(0, 0, 255));
    DrawBitmapTiled(tile, mem, 0, 10, 8, 11);
    EXPECT_EQ(::GetPixel(mem, 3, 12), RGB(30, 0, 0));
}

TEST(PanelDrawing, BitmapAtItsOwnSizeAndNothingForNone) {
    fw::CMemoryDC mem(nullptr, 20, 20);
    Clear(mem, RGB(0, 0, 255));
    fw::CBitmap bitmap(MakeColumnBitmap(mem, 3, 2));
    DrawBitmapAt(mem, bitmap, 5, 6);
    EXPECT_EQ(::GetPixel(mem, 7, 7), RGB(20, 0, 0));
    EXPECT_EQ(::GetPixel(mem, 8, 7), RGB(0, 0, 255));
    EXPECT_EQ(::GetPixel(mem, 7, 8), RGB(0, 0, 255));
    DrawBitmapAt(mem, nullptr, 0, 0);
    DrawBitmapTiled(nullptr, mem, 0, 0, 20, 20);
    EXPECT_EQ(::GetPixel(mem, 0, 0), RGB(0, 0, 255));
}

TEST(PanelDrawing, GradientRunsFromTheTopColourToTheBottomColour) {
    fw::CMemoryDC mem(nullptr, 10, 101);
    Clear(mem, RGB(0, 0, 0));
    DrawGradientRect(RECT{0, 0, 10, 101}, RGB(255, 255, 255), RGB(0, 0, 200), mem);
    const COLORREF top = ::GetPixel(mem, 5, 0);
    const COLORREF bottom = ::GetPixel(mem, 5, 100);
    EXPECT_GE(GetRValue(top), 250);
    EXPECT_LE(GetRValue(bottom), 5);
    EXPECT_GE(GetBValue(bottom), 195);
    const COLORREF middle = ::GetPixel(mem, 5, 50);
    EXPECT_NEAR(GetRValue(middle), 128, 8);
}
