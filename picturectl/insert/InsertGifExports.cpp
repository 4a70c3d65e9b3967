#include "InsertGifExports.h"

#include "Mervale_h.h"
#include "PictureInsertion.h"

#include <cstring>
#include <string>

namespace {

// The rich edit's OLE interface, for a window of the calling thread only:
// another process cannot hand an interface pointer back through a message,
// and a control placed in another thread's rich edit would animate on the
// calling thread's timer while it is drawn by a thread that may never
// pump its messages (the interface also belongs to that thread's apartment).
IRichEditOle* OleInterfaceOf(HWND window) {
    if (!window || !IsWindow(window)) return nullptr;
    DWORD process = 0;
    const DWORD thread = GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || thread != GetCurrentThreadId()) return nullptr;
    IRichEditOle* ole = nullptr;
    SendMessageW(window, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(&ole));
    return ole;
}

// The path in the thread's ANSI code page as wide text; false for a path
// without its end within the bound, or one that does not convert.
bool WidePath(LPCSTR path, std::wstring& wide) {
    if (!path) return false;
    const size_t length = strnlen(path, mervale::kMaxAnsiPath + 1);
    if (length > mervale::kMaxAnsiPath) return false;
    wide.clear();
    if (length == 0) return true;
    const int count = MultiByteToWideChar(CP_THREAD_ACP, 0, path, static_cast<int>(length), nullptr, 0);
    if (count <= 0) return false;
    wide.resize(static_cast<size_t>(count));
    return MultiByteToWideChar(CP_THREAD_ACP, 0, path, static_cast<int>(length), &wide[0], count) == count;
}

}  // namespace

extern "C" IMervale* InsertGifToRichedit2W(HWND richEdit, LPCWSTR path, int width, int height) {
    IRichEditOle* ole = OleInterfaceOf(richEdit);
    if (!ole) return nullptr;
    IMervale* control = nullptr;
    if (FAILED(mervale::CreatePictureControl(&control)) || !control) {
        ole->Release();
        return nullptr;
    }
    mervale::PictureInsertion what;
    what.path = path;
    what.width = width;
    what.height = height;
#ifndef _WIN64
    what.user = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(control));
#endif
    const HRESULT hr = mervale::InsertPictureControl(ole, control, what);
    ole->Release();
    // The rich edit holds the inserted object; the library's own reference goes.
    IMervale* inserted = SUCCEEDED(hr) ? control : nullptr;
    control->Release();
    return inserted;
}

extern "C" IMervale* InsertGifToRicheditW(HWND richEdit, LPCWSTR path) {
    return InsertGifToRichedit2W(richEdit, path, 0, 0);
}

extern "C" IMervale* InsertGifToRichedit2A(HWND richEdit, LPCSTR path, int width, int height) {
    std::wstring wide;
    if (!WidePath(path, wide)) return nullptr;
    return InsertGifToRichedit2W(richEdit, wide.c_str(), width, height);
}

extern "C" IMervale* InsertGifToRicheditA(HWND richEdit, LPCSTR path) {
    return InsertGifToRichedit2A(richEdit, path, 0, 0);
}
