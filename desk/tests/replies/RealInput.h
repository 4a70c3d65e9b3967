// Real input for the desk's end-to-end tests: mouse clicks, double clicks
// and keys queued with SendInput at screen positions, as a user's hardware
// would produce them, and the reading of another process's tree control
// (its item texts and rectangles live in that process: the request goes
// through a buffer allocated there).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace realinput {

// Moves the pointer to p (screen).
void MoveTo(POINT p);
// Moves the pointer to p (screen) and clicks the left button there.
void Click(POINT p);
// Two clicks at p within the double-click time.
void DoubleClick(POINT p);
// Presses and releases one virtual key.
void Key(WORD vk);
// Types the text as Unicode characters (one key press each).
void Type(const std::wstring& text);

// The middle of a window (screen).
POINT Centre(HWND window);
// Brings a top-level window to the front and activates it, so that the
// clicks and keys that follow reach it.
void BringToFront(HWND window);

// Items of a tree control in another process.
HTREEITEM TreeRoot(HWND tree);
HTREEITEM TreeChild(HWND tree, HTREEITEM item);
HTREEITEM TreeNext(HWND tree, HTREEITEM item);
int TreeChildCount(HWND tree, HTREEITEM item);
// The n-th child (0 first); null when there is none.
HTREEITEM TreeChildAt(HWND tree, HTREEITEM parent, int n);
HTREEITEM TreeSelection(HWND tree);
std::wstring TreeItemText(HWND tree, HTREEITEM item);
LPARAM TreeItemData(HWND tree, HTREEITEM item);
// The middle of an item's text (screen); false when it is not shown.
bool TreeItemPoint(HWND tree, HTREEITEM item, POINT* point);

}  // namespace realinput
