// Filling a rectangle with copies of a bitmap (toolbar and frame strips).
#pragma once

#include <windows.h>

// Repeats the bitmap in rows from top while a row's top is above bottom;
// within a row the tiles go from left, and the last tile of the row is
// placed flush against right. Nothing happens for a null or empty bitmap.
void TileBitmap(HBITMAP bitmap, HDC dc, int left, int top, int right, int bottom);
