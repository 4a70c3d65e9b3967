#include "RealInput.h"

#include "TavrelDriver.h"

#include <commctrl.h>

#include <cstdlib>
#include <cstring>

namespace tavreltest {

INPUT MouseInput(POINT screen, DWORD flags) {
    const int cx = ::GetSystemMetrics(SM_CXSCREEN);
    const int cy = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = static_cast<LONG>((screen.x * 65536LL + cx / 2) / cx);
    in.mi.dy = static_cast<LONG>((screen.y * 65536LL + cy / 2) / cy);
    in.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | flags;
    return in;
}

namespace {

INPUT MouseAt(POINT screen, DWORD flags) { return MouseInput(screen, flags); }

void Send(std::vector<INPUT> inputs) {
    if (!inputs.empty()) ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

INPUT Key(WORD vk, bool up) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return in;
}

INPUT UnicodeKey(wchar_t c, bool up) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wScan = c;
    in.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
    return in;
}

// The last press of a mouse button: a press at about the same place within
// the double-click time after it would reach the program as the second half
// of a double click (WM_LBUTTONDBLCLK, NM_DBLCLK), not as the click asked for.
struct LastPress {
    bool valid = false;
    POINT at = {};
    DWORD tick = 0;
};

LastPress g_lastLeft;
LastPress g_lastRight;

// Lets the double-click time since the last press near screen run out, as a
// user who clicks the same place again does between two single clicks. The
// platform stamps each injected press with the time it was sent, so the
// distance between the sends is what counts.
void WaitOutDoubleClick(const LastPress& last, POINT screen) {
    if (!last.valid) return;
    const int halfX = ::GetSystemMetrics(SM_CXDOUBLECLK) / 2 + 1;
    const int halfY = ::GetSystemMetrics(SM_CYDOUBLECLK) / 2 + 1;
    if (std::abs(screen.x - last.at.x) > halfX || std::abs(screen.y - last.at.y) > halfY) return;
    // A margin for the tick counts of the test and the platform.
    const DWORD needed = ::GetDoubleClickTime() + 50;
    const DWORD passed = ::GetTickCount() - last.tick;
    if (passed < needed) ::Sleep(needed - passed);
}

void NotePress(LastPress& last, POINT screen) {
    last.valid = true;
    last.at = screen;
    last.tick = ::GetTickCount();
}

}  // namespace

void MoveTo(POINT screen) {
    Send({MouseAt(screen, 0)});
    ::Sleep(30);
}

void Click(POINT screen) {
    WaitOutDoubleClick(g_lastLeft, screen);
    MoveTo(screen);
    Send({MouseAt(screen, MOUSEEVENTF_LEFTDOWN), MouseAt(screen, MOUSEEVENTF_LEFTUP)});
    NotePress(g_lastLeft, screen);
}

void DoubleClick(POINT screen) {
    WaitOutDoubleClick(g_lastLeft, screen);
    MoveTo(screen);
    Send({MouseAt(screen, MOUSEEVENTF_LEFTDOWN), MouseAt(screen, MOUSEEVENTF_LEFTUP),
          MouseAt(screen, MOUSEEVENTF_LEFTDOWN), MouseAt(screen, MOUSEEVENTF_LEFTUP)});
    NotePress(g_lastLeft, screen);
}

void RightClick(POINT screen) {
    WaitOutDoubleClick(g_lastRight, screen);
    MoveTo(screen);
    Send({MouseAt(screen, MOUSEEVENTF_RIGHTDOWN), MouseAt(screen, MOUSEEVENTF_RIGHTUP)});
    NotePress(g_lastRight, screen);
}

POINT CentreOf(HWND window) {
    RECT rc = {};
    ::GetWindowRect(window, &rc);
    return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

POINT ClientPoint(HWND window, int x, int y) {
    POINT p = {x, y};
    ::ClientToScreen(window, &p);
    return p;
}

POINT WindowPoint(HWND window, int x, int y) {
    RECT rc = {};
    ::GetWindowRect(window, &rc);
    return POINT{rc.left + x, rc.top + y};
}

void PressKey(WORD vk, bool ctrl, bool shift) {
    std::vector<INPUT> keys;
    if (ctrl) keys.push_back(Key(VK_CONTROL, false));
    if (shift) keys.push_back(Key(VK_SHIFT, false));
    keys.push_back(Key(vk, false));
    keys.push_back(Key(vk, true));
    if (shift) keys.push_back(Key(VK_SHIFT, true));
    if (ctrl) keys.push_back(Key(VK_CONTROL, true));
    Send(keys);
    ::Sleep(30);
}

void PressAltKey(WORD vk) {
    Send({Key(VK_MENU, false), Key(vk, false), Key(vk, true), Key(VK_MENU, true)});
    ::Sleep(30);
}

void TypeText(const std::wstring& text) {
    for (wchar_t c : text) {
        const SHORT scan = c < 0x80 ? ::VkKeyScanW(c) : -1;
        if (scan != -1 && (HIBYTE(scan) & ~1) == 0) {
            PressKey(LOBYTE(scan), false, (HIBYTE(scan) & 1) != 0);
        } else {
            Send({UnicodeKey(c, false), UnicodeKey(c, true)});
            ::Sleep(30);
        }
    }
}

void RetypeText(HWND edit, const std::wstring& text) {
    Click(CentreOf(edit));
    WaitUntil([&] { return FocusOf(edit) == edit; }, 5000);
    PressKey(VK_HOME, true);
    PressKey(VK_END, true, true);
    PressKey(VK_DELETE);
    TypeText(text);
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

bool BringToFront(HWND top) {
    ::SetWindowPos(top, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    for (int i = 0; i < 50; ++i) {
        ::SetForegroundWindow(top);
        if (::GetForegroundWindow() == top) return true;
        ::Sleep(100);
    }
    return false;
}

COLORREF ScreenPixel(POINT screen) {
    const std::vector<uint32_t> one = ScreenPixels({screen.x, screen.y, screen.x + 1, screen.y + 1});
    return one.empty() ? CLR_INVALID : one[0];
}

std::vector<uint32_t> ScreenPixels(const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    std::vector<uint32_t> pixels;
    if (width <= 0 || height <= 0) return pixels;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        const HGDIOBJ old = ::SelectObject(memory, bitmap);
        ::BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
        ::GdiFlush();
        pixels.resize(static_cast<size_t>(width) * height);
        const auto* source = static_cast<const uint32_t*>(bits);
        // DIB pixels are 0x00RRGGBB; COLORREF order is 0x00BBGGRR.
        for (size_t i = 0; i < pixels.size(); ++i) {
            const uint32_t p = source[i];
            pixels[i] = ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
        }
        ::SelectObject(memory, old);
    }
    if (bitmap) ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return pixels;
}

// ---------------------------------------------------------------------------

CRemoteBuffer::CRemoteBuffer(HWND window, size_t size) : m_size(size) {
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    m_process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (m_process) m_address = ::VirtualAllocEx(m_process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

CRemoteBuffer::~CRemoteBuffer() {
    if (m_address) ::VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
    if (m_process) ::CloseHandle(m_process);
}

bool CRemoteBuffer::Write(size_t offset, const void* data, size_t size) {
    if (!m_address || offset + size > m_size) return false;
    SIZE_T done = 0;
    return ::WriteProcessMemory(m_process, static_cast<char*>(m_address) + offset, data, size, &done) && done == size;
}

bool CRemoteBuffer::Read(size_t offset, void* data, size_t size) const {
    if (!m_address || offset + size > m_size) return false;
    SIZE_T done = 0;
    return ::ReadProcessMemory(m_process, static_cast<char*>(m_address) + offset, data, size, &done) && done == size;
}

bool CRemoteBuffer::ReadAt(const void* address, void* data, size_t size) const {
    if (!m_process) return false;
    SIZE_T done = 0;
    return ::ReadProcessMemory(m_process, address, data, size, &done) && done == size;
}

// ---------------------------------------------------------------------------

namespace {

constexpr size_t kTextOffset = 512;
constexpr size_t kTextChars = 512;

LRESULT SendWithTimeout(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(window, msg, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result)) return 0;
    return static_cast<LRESULT>(result);
}

bool ReadTreeItem(HWND tree, CRemoteBuffer& buffer, HTREEITEM handle, HTREEITEM parent, TreeItem& out) {
    TVITEMW item = {};
    item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE | TVIF_IMAGE | TVIF_HANDLE;
    item.hItem = handle;
    item.stateMask = 0xFFFF;
    item.pszText = reinterpret_cast<wchar_t*>(buffer.At(kTextOffset));
    item.cchTextMax = static_cast<int>(kTextChars);
    const wchar_t empty = 0;
    if (!buffer.Write(0, &item, sizeof item) || !buffer.Write(kTextOffset, &empty, sizeof empty)) return false;
    if (!SendWithTimeout(tree, TVM_GETITEMW, 0, buffer.At())) return false;
    buffer.Read(0, &item, sizeof item);
    std::vector<wchar_t> text(kTextChars, 0);
    // The control may have pointed pszText at its own copy of the text.
    if (item.pszText == reinterpret_cast<wchar_t*>(buffer.At(kTextOffset)))
        buffer.Read(kTextOffset, text.data(), text.size() * sizeof(wchar_t));
    else if (item.pszText)
        buffer.ReadAt(item.pszText, text.data(), (text.size() - 1) * sizeof(wchar_t));
    text.back() = 0;
    out.item = handle;
    out.parent = parent;
    out.text = text.data();
    out.data = item.lParam;
    out.state = item.state;
    out.image = item.iImage;
    // TVM_GETITEMRECT takes the item in the rectangle it fills.
    RECT rc = {};
    std::memcpy(&rc, &handle, sizeof handle);
    buffer.Write(0, &rc, sizeof rc);
    const bool shown = SendWithTimeout(tree, TVM_GETITEMRECT, FALSE, buffer.At()) != 0;
    buffer.Read(0, &rc, sizeof rc);
    RECT client = {};
    ::GetClientRect(tree, &client);
    out.rect = shown ? rc : RECT{};
    out.visible = shown && rc.top >= 0 && rc.bottom <= client.bottom;
    return true;
}

void CollectTree(HWND tree, CRemoteBuffer& buffer, HTREEITEM parent, HTREEITEM first, std::vector<TreeItem>& items) {
    for (HTREEITEM handle = first; handle;
         handle = reinterpret_cast<HTREEITEM>(SendWithTimeout(tree, TVM_GETNEXTITEM, TVGN_NEXT,
                                                               reinterpret_cast<LPARAM>(handle)))) {
        TreeItem item;
        if (!ReadTreeItem(tree, buffer, handle, parent, item)) return;
        items.push_back(item);
        HTREEITEM child = reinterpret_cast<HTREEITEM>(
            SendWithTimeout(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(handle)));
        if (child) CollectTree(tree, buffer, handle, child, items);
        if (items.size() > 100000) return;
    }
}

}  // namespace

std::vector<TreeItem> TreeItems(HWND tree) {
    std::vector<TreeItem> items;
    CRemoteBuffer buffer(tree, kTextOffset + kTextChars * sizeof(wchar_t));
    if (!buffer.Valid()) return items;
    HTREEITEM root = reinterpret_cast<HTREEITEM>(SendWithTimeout(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    CollectTree(tree, buffer, nullptr, root, items);
    return items;
}

HTREEITEM TreeRoot(HWND tree) {
    return reinterpret_cast<HTREEITEM>(SendWithTimeout(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
}

HTREEITEM TreeNext(HWND tree, HTREEITEM item) {
    return reinterpret_cast<HTREEITEM>(
        SendWithTimeout(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
}

HTREEITEM TreeSelection(HWND tree) {
    return reinterpret_cast<HTREEITEM>(SendWithTimeout(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

HTREEITEM TreeChildAt(HWND tree, HTREEITEM parent, int n) {
    HTREEITEM child = reinterpret_cast<HTREEITEM>(
        SendWithTimeout(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(parent)));
    for (int i = 0; child && i < n; ++i) child = TreeNext(tree, child);
    return child;
}

int TreeChildCount(HWND tree, HTREEITEM item) {
    int count = 0;
    for (HTREEITEM child = TreeChildAt(tree, item, 0); child && count < 10000; child = TreeNext(tree, child))
        ++count;
    return count;
}

std::wstring TreeItemText(HWND tree, HTREEITEM item) {
    CRemoteBuffer buffer(tree, kTextOffset + kTextChars * sizeof(wchar_t));
    TreeItem read;
    if (!item || !buffer.Valid() || !ReadTreeItem(tree, buffer, item, nullptr, read)) return std::wstring();
    return read.text;
}

LPARAM TreeItemData(HWND tree, HTREEITEM item) {
    CRemoteBuffer buffer(tree, kTextOffset + kTextChars * sizeof(wchar_t));
    TreeItem read;
    if (!item || !buffer.Valid() || !ReadTreeItem(tree, buffer, item, nullptr, read)) return 0;
    return read.data;
}

bool TreeItemPoint(HWND tree, HTREEITEM item, POINT* point) {
    CRemoteBuffer buffer(tree, sizeof(RECT));
    if (!buffer.Valid()) return false;
    // The item goes in where the rectangle comes out; TRUE: the text's part.
    RECT rc = {};
    static_assert(sizeof rc >= sizeof item, "the item fits the rectangle");
    std::memcpy(&rc, &item, sizeof item);
    if (!buffer.Write(0, &rc, sizeof rc)) return false;
    if (!SendWithTimeout(tree, TVM_GETITEMRECT, TRUE, buffer.At())) return false;
    if (!buffer.Read(0, &rc, sizeof rc)) return false;
    *point = ClientPoint(tree, (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    return true;
}

TreeItem FindTreeItem(HWND tree, LPARAM data) {
    for (const TreeItem& item : TreeItems(tree))
        if (item.data == data) return item;
    return TreeItem();
}

TreeItem FindTreeItemByText(HWND tree, const std::wstring& text) {
    for (const TreeItem& item : TreeItems(tree))
        if (item.text == text) return item;
    return TreeItem();
}

POINT TreeItemPoint(HWND tree, const TreeItem& item, int x) {
    const int right = item.rect.right > x ? x : (item.rect.left + item.rect.right) / 2;
    return ClientPoint(tree, right, (item.rect.top + item.rect.bottom) / 2);
}

// ---------------------------------------------------------------------------

RECT TabRect(HWND tabs, int index) {
    RECT rc = {};
    CRemoteBuffer buffer(tabs, sizeof rc);
    if (!buffer.Valid() || !SendWithTimeout(tabs, TCM_GETITEMRECT, index, buffer.At())) return RECT{};
    buffer.Read(0, &rc, sizeof rc);
    ::MapWindowPoints(tabs, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

int TabCount(HWND tabs) { return static_cast<int>(SendWithTimeout(tabs, TCM_GETITEMCOUNT, 0, 0)); }

int SelectedTab(HWND tabs) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(tabs, TCM_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result)) return -1;
    return static_cast<int>(static_cast<LRESULT>(result));
}

int ListRowCount(HWND list) { return static_cast<int>(SendWithTimeout(list, LVM_GETITEMCOUNT, 0, 0)); }

std::vector<std::wstring> ListRowTexts(HWND list, int row, int columns) {
    std::vector<std::wstring> texts;
    CRemoteBuffer buffer(list, kTextOffset + kTextChars * sizeof(wchar_t));
    if (!buffer.Valid()) return texts;
    for (int column = 0; column < columns; ++column) {
        LVITEMW item = {};
        item.iSubItem = column;
        item.pszText = reinterpret_cast<wchar_t*>(buffer.At(kTextOffset));
        item.cchTextMax = static_cast<int>(kTextChars);
        const wchar_t empty = 0;
        buffer.Write(0, &item, sizeof item);
        buffer.Write(kTextOffset, &empty, sizeof empty);
        SendWithTimeout(list, LVM_GETITEMTEXTW, row, buffer.At());
        std::vector<wchar_t> text(kTextChars, 0);
        buffer.Read(kTextOffset, text.data(), text.size() * sizeof(wchar_t));
        text.back() = 0;
        texts.emplace_back(text.data());
    }
    return texts;
}

RECT ListRowRect(HWND list, int row) {
    RECT rc = {};
    rc.left = LVIR_BOUNDS;
    CRemoteBuffer buffer(list, sizeof rc);
    if (!buffer.Valid() || !buffer.Write(0, &rc, sizeof rc)) return RECT{};
    if (!SendWithTimeout(list, LVM_GETITEMRECT, row, buffer.At())) return RECT{};
    buffer.Read(0, &rc, sizeof rc);
    ::MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

}  // namespace tavreltest
