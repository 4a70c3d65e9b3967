#include "RealInput.h"

#include <cstring>
#include <vector>

namespace realinput {

namespace {

INPUT MouseAt(POINT p, DWORD flags) {
    const int cx = ::GetSystemMetrics(SM_CXSCREEN);
    const int cy = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = static_cast<LONG>((p.x * 65536LL + cx / 2) / cx);
    in.mi.dy = static_cast<LONG>((p.y * 65536LL + cy / 2) / cy);
    in.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | flags;
    return in;
}

INPUT KeyInput(WORD vk, WORD scan, DWORD flags) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = scan;
    in.ki.dwFlags = flags;
    return in;
}

void Send(std::vector<INPUT>& inputs) {
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

LRESULT SendTo(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(window, msg, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

// A buffer inside the process that owns a window.
class CRemoteBuffer {
public:
    CRemoteBuffer(HWND window, size_t size) : m_size(size) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(window, &pid);
        m_process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (m_process)
            m_address = ::VirtualAllocEx(m_process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~CRemoteBuffer() {
        if (m_address) ::VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
        if (m_process) ::CloseHandle(m_process);
    }
    CRemoteBuffer(const CRemoteBuffer&) = delete;
    CRemoteBuffer& operator=(const CRemoteBuffer&) = delete;

    bool Valid() const { return m_address != nullptr; }
    char* Address() const { return static_cast<char*>(m_address); }
    bool Write(size_t offset, const void* data, size_t size) {
        SIZE_T done = 0;
        return offset + size <= m_size &&
               ::WriteProcessMemory(m_process, Address() + offset, data, size, &done) && done == size;
    }
    bool Read(size_t offset, void* data, size_t size) const {
        SIZE_T done = 0;
        return offset + size <= m_size &&
               ::ReadProcessMemory(m_process, Address() + offset, data, size, &done) && done == size;
    }

private:
    HANDLE m_process = nullptr;
    void* m_address = nullptr;
    size_t m_size;
};

}  // namespace

void MoveTo(POINT p) {
    std::vector<INPUT> inputs = {MouseAt(p, 0)};
    Send(inputs);
}

void Click(POINT p) {
    std::vector<INPUT> inputs = {MouseAt(p, 0), MouseAt(p, MOUSEEVENTF_LEFTDOWN), MouseAt(p, MOUSEEVENTF_LEFTUP)};
    Send(inputs);
}

void DoubleClick(POINT p) {
    std::vector<INPUT> inputs = {MouseAt(p, 0), MouseAt(p, MOUSEEVENTF_LEFTDOWN), MouseAt(p, MOUSEEVENTF_LEFTUP),
                                 MouseAt(p, MOUSEEVENTF_LEFTDOWN), MouseAt(p, MOUSEEVENTF_LEFTUP)};
    Send(inputs);
}

void Key(WORD vk) {
    const WORD scan = static_cast<WORD>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    std::vector<INPUT> inputs = {KeyInput(vk, scan, 0), KeyInput(vk, scan, KEYEVENTF_KEYUP)};
    Send(inputs);
}

void Type(const std::wstring& text) {
    std::vector<INPUT> inputs;
    for (wchar_t c : text) {
        inputs.push_back(KeyInput(0, c, KEYEVENTF_UNICODE));
        inputs.push_back(KeyInput(0, c, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP));
    }
    if (!inputs.empty()) Send(inputs);
}

POINT Centre(HWND window) {
    RECT rc = {};
    ::GetWindowRect(window, &rc);
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

void BringToFront(HWND window) {
    ::SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    ::SetForegroundWindow(window);
}

HTREEITEM TreeRoot(HWND tree) {
    return reinterpret_cast<HTREEITEM>(SendTo(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
}

HTREEITEM TreeChild(HWND tree, HTREEITEM item) {
    return reinterpret_cast<HTREEITEM>(SendTo(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
}

HTREEITEM TreeNext(HWND tree, HTREEITEM item) {
    return reinterpret_cast<HTREEITEM>(SendTo(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
}

HTREEITEM TreeSelection(HWND tree) {
    return reinterpret_cast<HTREEITEM>(SendTo(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

int TreeChildCount(HWND tree, HTREEITEM item) {
    int count = 0;
    for (HTREEITEM child = TreeChild(tree, item); child && count < 10000; child = TreeNext(tree, child)) ++count;
    return count;
}

HTREEITEM TreeChildAt(HWND tree, HTREEITEM parent, int n) {
    HTREEITEM child = TreeChild(tree, parent);
    for (int i = 0; child && i < n; ++i) child = TreeNext(tree, child);
    return child;
}

std::wstring TreeItemText(HWND tree, HTREEITEM item) {
    constexpr int kChars = 512;
    CRemoteBuffer buffer(tree, sizeof(TVITEMW) + kChars * sizeof(wchar_t));
    if (!buffer.Valid()) return std::wstring();
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = reinterpret_cast<wchar_t*>(buffer.Address() + sizeof(TVITEMW));
    tv.cchTextMax = kChars;
    const wchar_t none = 0;
    if (!buffer.Write(0, &tv, sizeof tv) || !buffer.Write(sizeof tv, &none, sizeof none)) return std::wstring();
    if (!SendTo(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(buffer.Address()))) return std::wstring();
    // The control may have pointed pszText at its own copy.
    if (!buffer.Read(0, &tv, sizeof tv)) return std::wstring();
    std::wstring text(kChars, L'\0');
    CRemoteBuffer* source = &buffer;
    if (tv.pszText != reinterpret_cast<wchar_t*>(buffer.Address() + sizeof(TVITEMW))) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(tree, &pid);
        HANDLE process = ::OpenProcess(PROCESS_VM_READ, FALSE, pid);
        SIZE_T done = 0;
        if (process) {
            ::ReadProcessMemory(process, tv.pszText, &text[0], (kChars - 1) * sizeof(wchar_t), &done);
            ::CloseHandle(process);
        }
        source = nullptr;
    }
    if (source && !source->Read(sizeof tv, &text[0], (kChars - 1) * sizeof(wchar_t))) return std::wstring();
    text.resize(::wcsnlen(text.c_str(), kChars));
    return text;
}

LPARAM TreeItemData(HWND tree, HTREEITEM item) {
    CRemoteBuffer buffer(tree, sizeof(TVITEMW));
    if (!buffer.Valid()) return 0;
    TVITEMW tv = {};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    if (!buffer.Write(0, &tv, sizeof tv)) return 0;
    if (!SendTo(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(buffer.Address()))) return 0;
    if (!buffer.Read(0, &tv, sizeof tv)) return 0;
    return tv.lParam;
}

bool TreeItemPoint(HWND tree, HTREEITEM item, POINT* point) {
    CRemoteBuffer buffer(tree, sizeof(RECT));
    if (!buffer.Valid()) return false;
    // The item goes in where the rectangle comes out.
    RECT rc = {};
    static_assert(sizeof rc >= sizeof item, "the item fits the rectangle");
    std::memcpy(&rc, &item, sizeof item);
    if (!buffer.Write(0, &rc, sizeof rc)) return false;
    if (!SendTo(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(buffer.Address()))) return false;
    if (!buffer.Read(0, &rc, sizeof rc)) return false;
    POINT p = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    ::ClientToScreen(tree, &p);
    *point = p;
    return true;
}

}  // namespace realinput
