// Real input for the messenger's end-to-end tests: pointer moves, clicks
// and keys queued with SendInput, so they reach whatever window lies at the
// point (or has the focus) through the program's own message loop.
#pragma once

#include <windows.h>

#include <string>

namespace imtest {

// Moves the pointer to the screen point and clicks the left button there.
void ClickAt(POINT point);
// The left button twice at the point (a double click).
void DoubleClickAt(POINT point);
// The centre of a window's rectangle on the screen.
POINT CentreOf(HWND window);
// A point at (x, y) of a window's rectangle on the screen.
POINT PointIn(HWND window, int x, int y);
// Types the text, one key event pair per character (Unicode input).
void TypeText(const std::wstring& text);
// Presses and releases one virtual key.
void PressKey(WORD virtualKey);
// Presses a key while a modifier key (VK_CONTROL, ...) is held.
void PressKeyWith(WORD modifier, WORD virtualKey);

}  // namespace imtest
