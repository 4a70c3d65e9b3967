// Drawing functions that the panels' paint handlers share.
#pragma once

#include <windows.h>

// One vertical two-colour gradient over rect: the top edge in top, the
// bottom edge in bottom.
void DrawGradientRect(const RECT& rect, COLORREF top, COLORREF bottom, HDC dc);

// Copies the whole bitmap to (x, y) at its own size; nothing for a null
// bitmap.
void DrawBitmapAt(HDC dc, HBITMAP bitmap, int x, int y);

// Repeats the bitmap over (left, top, right, bottom) in rows from the top
// while a row's top is above the bottom edge; within a row tiles go from the
// left and the last tile is placed flush against the right edge. Nothing for
// a null bitmap.
void DrawBitmapTiled(HBITMAP bitmap, HDC dc, int left, int top, int right, int bottom);

// Outlines the window region of panel (its rounded shape) with a one-pixel
// frame in 0x6E6E6E; the whole client rectangle when it has no region.
void DrawPanelFrame(HDC dc, HWND panel);

// A new "Arial" font of the size in points at the screen's resolution
// (normal weight, the default character set); the caller owns it.
HFONT CreateArialFont(int points);

// The colour of the panel frame.
constexpr COLORREF kPanelFrameColour = 0x6E6E6E;
