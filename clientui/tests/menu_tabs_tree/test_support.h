// Helpers of the menu, tab and tree tests and of the demo program.
#pragma once

#include "ImEngineApi.h"

#include "fw/ImageList.h"

#include <windows.h>

#include <string>
#include <vector>

// A 32-bit DIB section in a memory DC, to draw into and read pixels back.
class CPixelCanvas {
public:
    CPixelCanvas(int width, int height, COLORREF fill = RGB(1, 2, 3));
    ~CPixelCanvas();
    CPixelCanvas(const CPixelCanvas&) = delete;
    CPixelCanvas& operator=(const CPixelCanvas&) = delete;

    HDC Dc() const { return m_dc; }
    COLORREF Pixel(int x, int y) const;
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // Number of pixels of colour inside rc.
    int Count(const RECT& rc, COLORREF colour) const;
    // Whether some pixel inside rc differs from colour.
    bool AnyOtherThan(const RECT& rc, COLORREF colour) const;
    // Rightmost column in [top, bottom) holding a pixel of none of the given
    // background colours; -1 when none.
    int RightmostInk(int top, int bottom, const std::vector<COLORREF>& backgrounds) const;

private:
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    DWORD* m_bits = nullptr;
    int m_width;
    int m_height;
};

// The folder of the build's programs (holding "Resource"), ending in a backslash.
std::wstring SkinBinFolder();

// Runs the message queue of this thread until it is empty.
void PumpMessages();
// Runs messages for about ms milliseconds.
void PumpFor(DWORD ms);

// A user record as the engine keeps it; texts are converted to the ANSI code page.
UserInfoBase MakeUser(int32_t id, int32_t status, const std::wstring& nickname, const std::wstring& memo = L"",
                      const std::wstring& signature = L"", int32_t faceKind = 0);
CategoryRecord MakeCategory(int32_t id, const std::wstring& name);

// Image lists of the skin: faces 40x40 (Resource\Face\0_0.bmp, 0_1.bmp), or
// 16x16 (Resource\Face\small\boy_0.bmp, boy_1.bmp), status marks 11x11
// (Resource\Status\status_0..5.bmp); white is transparent.
fw::CImageList LoadFaceImages(const std::wstring& binFolder, bool small);
fw::CImageList LoadStatusImages(const std::wstring& binFolder);

// The contact fixture: groups with Chinese names, every status, a remark
// "0", an empty category and an unknown one.
std::vector<CategoryRecord> FixtureCategories();
FriendMap FixtureFriends();

// Writes the window's client area (or the whole screen for null) as a
// 24-bit BMP file.
bool SaveWindowBitmap(HWND hWnd, const std::wstring& path);
