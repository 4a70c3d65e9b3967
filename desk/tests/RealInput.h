// Real input and outside reading for the tests that drive the real
// programs (Tavrel.exe, IM.exe) as a user does.
//
// Input goes through SendInput: the platform (Wine's X11 driver, through
// the display) delivers it to whatever window lies under the pointer or
// has the keyboard focus, through the program's own window tree and
// message loop. Nothing is posted to a window the test picked.
//
// What the program shows is read from outside: its tree and list controls
// through messages whose buffers lie in the program's own memory (written
// and read with WriteProcessMemory/ReadProcessMemory), and pixels from the
// screen.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tavreltest {

// --- pointer ---------------------------------------------------------------
// Click and RightClick are single clicks: one that follows a press of the
// same button at the same place within the double-click time waits until
// that time has run out, so that it never becomes a double click.
void MoveTo(POINT screen);
void Click(POINT screen);
void DoubleClick(POINT screen);
void RightClick(POINT screen);
// The centre of a window on the screen.
POINT CentreOf(HWND window);
// A point of a window's client area on the screen.
POINT ClientPoint(HWND window, int x, int y);
// A point of a window's rectangle (its frame included) on the screen.
POINT WindowPoint(HWND window, int x, int y);
// One absolute pointer event at a screen point (move plus flags), for
// callers that time the moment they send it themselves.
INPUT MouseInput(POINT screen, DWORD flags);

// --- keyboard --------------------------------------------------------------
// One key press (down and up); with Ctrl and/or Shift held around it.
void PressKey(WORD vk, bool ctrl = false, bool shift = false);
// One key press with Alt held around it (Alt+F4: the window's close).
void PressAltKey(WORD vk);
// Types the text: letters, digits and the common signs as their keys, any
// other character as a Unicode key packet (as an input method gives it).
void TypeText(const std::wstring& text);

// Replaces the text of an edit box by typing: a click into it, Ctrl+Home
// and Ctrl+Shift+End select everything, Delete, then the text (none: the
// box is emptied).
void RetypeText(HWND edit, const std::wstring& text);

// The window with the keyboard focus in the thread of window (another
// process's too); null when none.
HWND FocusOf(HWND window);

// Puts a top-level window above every other window of the display and makes
// it the foreground window; true once it is.
bool BringToFront(HWND top);

// --- reading the screen -----------------------------------------------------
COLORREF ScreenPixel(POINT screen);
// The pixels of a screen rectangle, row by row (0x00BBGGRR).
std::vector<uint32_t> ScreenPixels(const RECT& area);

// --- a process's memory -------------------------------------------------------
// A block of memory inside another process, for the buffers of messages
// that carry pointers.
class CRemoteBuffer {
public:
    CRemoteBuffer(HWND window, size_t size);
    ~CRemoteBuffer();
    CRemoteBuffer(const CRemoteBuffer&) = delete;
    CRemoteBuffer& operator=(const CRemoteBuffer&) = delete;

    bool Valid() const { return m_address != nullptr; }
    // The block's address in the other process, at an offset.
    LPARAM At(size_t offset = 0) const { return reinterpret_cast<LPARAM>(static_cast<char*>(m_address) + offset); }
    bool Write(size_t offset, const void* data, size_t size);
    bool Read(size_t offset, void* data, size_t size) const;
    // Reads anywhere in the other process (a pointer a control handed back).
    bool ReadAt(const void* address, void* data, size_t size) const;

private:
    HANDLE m_process = nullptr;
    void* m_address = nullptr;
    size_t m_size = 0;
};

// --- tree controls -------------------------------------------------------------
struct TreeItem {
    HTREEITEM item = nullptr;  // the handle, valid in the program
    HTREEITEM parent = nullptr;
    std::wstring text;
    LPARAM data = 0;
    UINT state = 0;
    int image = 0;
    RECT rect = {};            // the item's row, client coordinates
    bool visible = false;      // the row lies inside the client area
};

// Every item of the tree, in tree order (the children of an expanded item
// after it; the items of collapsed groups too).
std::vector<TreeItem> TreeItems(HWND tree);
// The first item whose data equals data; an item with a null handle when none.
TreeItem FindTreeItem(HWND tree, LPARAM data);
// The first item whose text equals text.
TreeItem FindTreeItemByText(HWND tree, const std::wstring& text);
// The screen point at the middle of an item's text row (a little right of
// the face picture).
POINT TreeItemPoint(HWND tree, const TreeItem& item, int x = 80);

// Single items by handle, as the tree gives them.
HTREEITEM TreeRoot(HWND tree);
HTREEITEM TreeNext(HWND tree, HTREEITEM item);
HTREEITEM TreeSelection(HWND tree);
int TreeChildCount(HWND tree, HTREEITEM item);
// The n-th child (0 first); null when there is none.
HTREEITEM TreeChildAt(HWND tree, HTREEITEM parent, int n);
std::wstring TreeItemText(HWND tree, HTREEITEM item);
LPARAM TreeItemData(HWND tree, HTREEITEM item);
// The middle of an item's text on the screen; false when it is not shown.
bool TreeItemPoint(HWND tree, HTREEITEM item, POINT* point);

// --- tab controls --------------------------------------------------------------
// The screen rectangle of a tab of a tab control (another process's too).
RECT TabRect(HWND tabs, int index);
int TabCount(HWND tabs);
int SelectedTab(HWND tabs);

// --- report list controls --------------------------------------------------------
// The texts of a row's columns.
std::vector<std::wstring> ListRowTexts(HWND list, int row, int columns);
int ListRowCount(HWND list);
// The row's rectangle on the screen.
RECT ListRowRect(HWND list, int row);

}  // namespace tavreltest
