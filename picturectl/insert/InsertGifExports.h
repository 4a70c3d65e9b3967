// The library's exported insertion functions: a picture file inserted into
// any rich edit of this process, given its window, as a Mervale control.
//
// Each returns the new control's IMervale (not AddRef'd: the rich edit holds
// it while the object is in its text), or NULL when the window has no OLE
// interface, the control cannot be created or the picture cannot be loaded.
// The control's user word holds its IMervale pointer in a 32-bit process;
// in a 64-bit process, where a pointer does not fit the 32-bit word, it is 0.
// The ANSI forms convert the path with the thread's ANSI code page; a path
// longer than kMaxAnsiPath bytes is refused.
#pragma once

#include <windows.h>

struct IMervale;

namespace mervale {
constexpr size_t kMaxAnsiPath = 32767;
}

extern "C" {
IMervale* InsertGifToRichedit2W(HWND richEdit, LPCWSTR path, int width, int height);
IMervale* InsertGifToRicheditW(HWND richEdit, LPCWSTR path);
IMervale* InsertGifToRichedit2A(HWND richEdit, LPCSTR path, int width, int height);
IMervale* InsertGifToRicheditA(HWND richEdit, LPCSTR path);
}
