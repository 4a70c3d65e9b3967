// What the two hand-over dialogs paint alike: their 9-point "Arial" font,
// the colour of their texts and the background colour they choose.
#pragma once

#include "fw/GdiObject.h"

#include <windows.h>

constexpr COLORREF kHandOverTextColour = 0x141414;
constexpr COLORREF kHandOverBackground = 0xE1B432;

// A 9-point "Arial" font for the screen of window.
fw::CFont CreateHandOverFont(HWND window);
