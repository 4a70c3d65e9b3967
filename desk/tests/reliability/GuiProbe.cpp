// QvGuiProbe.dll: counts the USER objects of the process it is loaded into.
// The leak test loads it into the program under test and runs its export
// on a thread there (CreateRemoteThread): Wine answers GetGuiResources
// with 0, and USER handles of menus, icons and accelerators can be told
// apart only inside their own process.
//
// Handles are probed by their 16-bit index (the platform takes such a
// handle for whatever generation the object has): a window of this
// process, a menu, an icon or cursor, an accelerator table.
#include <windows.h>

namespace {

constexpr UINT_PTR kFirstHandle = 0x0020;
constexpr UINT_PTR kLastHandle = 0xFFEF;

}  // namespace

// The thread's exit code: the count of the kinds asked for (bit 0 windows,
// bit 1 menus, bit 2 icons and cursors, bit 3 accelerator tables; 0: all).
extern "C" __declspec(dllexport) DWORD WINAPI QvCountUserObjects(LPVOID kinds) {
    UINT_PTR which = reinterpret_cast<UINT_PTR>(kinds);
    if (which == 0) which = 0xF;
    const DWORD self = ::GetCurrentProcessId();
    DWORD count = 0;
    for (UINT_PTR value = kFirstHandle; value <= kLastHandle; value += 2) {
        HWND window = reinterpret_cast<HWND>(value);
        if (::IsWindow(window)) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if ((which & 1) && owner == self) ++count;
            continue;
        }
        if (::IsMenu(reinterpret_cast<HMENU>(value))) {
            if (which & 2) ++count;
            continue;
        }
        ICONINFO info = {};
        if (::GetIconInfo(reinterpret_cast<HICON>(value), &info)) {
            if (info.hbmMask) ::DeleteObject(info.hbmMask);
            if (info.hbmColor) ::DeleteObject(info.hbmColor);
            if (which & 4) ++count;
            continue;
        }
        if (::CopyAcceleratorTableW(reinterpret_cast<HACCEL>(value), nullptr, 0) > 0 && (which & 8)) ++count;
    }
    return count;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
