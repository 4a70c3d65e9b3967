// Saving a bitmap as a JPEG picture and reading it back.
#include "clientui/PictureFile.h"

#include "TempFolder.h"

#include <fw/GdiPlusImage.h>
#include <fw/GdiPlusSession.h>

#include <gtest/gtest.h>
#include <objidl.h>
#include <gdiplus.h>
#include <shlwapi.h>

#include <cstdlib>
#include <vector>

namespace {

// A 64 x 48 bitmap: left half red, right half blue.
HBITMAP MakeTwoColourBitmap() {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 64;
    info.bmiHeader.biHeight = -48;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return nullptr;
    auto* pixels = static_cast<uint32_t*>(bits);
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) pixels[y * 64 + x] = x < 32 ? 0x00FF0000 : 0x000000FF;  // BGRA words
    }
    return bitmap;
}

bool Near(int a, int b) { return std::abs(a - b) <= 24; }

class PictureFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_gdiplus.Start()); }

    fw::CGdiPlusSession m_gdiplus;
    TempFolder m_folder;
};

TEST_F(PictureFileTest, JpegRoundTrip) {
    HBITMAP bitmap = MakeTwoColourBitmap();
    ASSERT_NE(bitmap, nullptr);
    std::wstring path, name;
    ASSERT_EQ(SaveJpegImage(m_folder.Path(), 77, path, name, bitmap), 1);
    ::DeleteObject(bitmap);

    ASSERT_EQ(name.size(), 36u) << name;
    EXPECT_EQ(name.substr(32), L".JPG");
    EXPECT_EQ(path, m_folder.Path() + L"77\\Image\\" + name);

    std::vector<unsigned char> bytes(4);
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD got = 0;
    ::ReadFile(file, bytes.data(), 4, &got, nullptr);
    ::CloseHandle(file);
    bytes.resize(got);
    ASSERT_GT(bytes.size(), 3u);
    EXPECT_EQ(bytes[0], 0xFF);  // a JPEG stream starts with the SOI marker
    EXPECT_EQ(bytes[1], 0xD8);

    fw::CGdiPlusImage image;
    ASSERT_TRUE(image.Load(path));
    ASSERT_EQ(image.GetWidth(), 64);
    ASSERT_EQ(image.GetHeight(), 48);
    Gdiplus::Color left, right;
    ASSERT_EQ(image.GetBitmap()->GetPixel(10, 24, &left), Gdiplus::Ok);
    ASSERT_EQ(image.GetBitmap()->GetPixel(54, 24, &right), Gdiplus::Ok);
    EXPECT_TRUE(Near(left.GetR(), 255) && Near(left.GetG(), 0) && Near(left.GetB(), 0));
    EXPECT_TRUE(Near(right.GetR(), 0) && Near(right.GetG(), 0) && Near(right.GetB(), 255));
}

TEST_F(PictureFileTest, EachSaveMakesANewFile) {
    HBITMAP bitmap = MakeTwoColourBitmap();
    std::wstring first, second, name;
    ASSERT_EQ(SaveJpegImage(m_folder.Path(), 77, first, name, bitmap), 1);
    ASSERT_EQ(SaveJpegImage(m_folder.Path(), 77, second, name, bitmap), 1);
    ::DeleteObject(bitmap);
    EXPECT_NE(first, second);
    EXPECT_TRUE(::PathFileExistsW(first.c_str()));
    EXPECT_TRUE(::PathFileExistsW(second.c_str()));
}

TEST_F(PictureFileTest, NoBitmapSavesNothing) {
    std::wstring path = L"unchanged", name = L"unchanged";
    EXPECT_EQ(SaveJpegImage(m_folder.Path(), 77, path, name, nullptr), 0);
    EXPECT_EQ(path, L"unchanged");
    EXPECT_FALSE(::PathFileExistsW((m_folder.Path() + L"77").c_str()));
}

TEST_F(PictureFileTest, TheJpegEncoderIsFound) {
    CLSID clsid = {};
    EXPECT_TRUE(GetEncoderClsid(L"image/jpeg", clsid));
    EXPECT_FALSE(GetEncoderClsid(L"image/none", clsid));
}

}  // namespace
