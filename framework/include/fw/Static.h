// CStatic: static texts and pictures.
#pragma once

#include "fw/Window.h"

namespace fw {

class CStatic : public CWindow {
public:
    CStatic() = default;
    explicit CStatic(HWND hWnd) : CWindow(hWnd) {}

    HICON SetIcon(HICON icon) {
        return reinterpret_cast<HICON>(SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(icon)));
    }
    HBITMAP SetBitmap(HBITMAP bitmap) {
        return reinterpret_cast<HBITMAP>(SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    }
};

}  // namespace fw
