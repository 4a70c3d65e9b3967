// Shared by the tests of the picture manager and the Flash pop-up: the
// registered Mervale.dll and the Flash stand-in in the test prefix, the
// message pump, windows and screen pixels.
#pragma once

#include "TestSupport.h"

#include "Mervale_h.h"
#include "com/Bstr.h"

#include <richedit.h>
#include <richole.h>

#include <string>
#include <vector>

namespace managertest {

using ServerEntry = HRESULT(STDAPICALLTYPE*)();

inline std::wstring TestsFolder() { return picturetest::ProgramFolder(); }
inline std::wstring FlashStandInPath() { return TestsFolder() + L"\\FlashStandIn.dll"; }

inline HRESULT CallEntry(const std::wstring& library, const char* name) {
    HMODULE module = LoadLibraryW(library.c_str());
    if (!module) return HRESULT_FROM_WIN32(GetLastError());
    auto entry = reinterpret_cast<ServerEntry>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    const HRESULT hr = entry ? entry() : E_NOTIMPL;
    FreeLibrary(module);
    return hr;
}

// DllCanUnloadNow of a library this process has loaded; S_OK when it holds
// no object (a library not loaded holds none).
inline HRESULT CanUnloadNow(const wchar_t* moduleName) {
    HMODULE module = GetModuleHandleW(moduleName);
    if (!module) return S_OK;
    auto entry = reinterpret_cast<ServerEntry>(reinterpret_cast<void (*)()>(GetProcAddress(module, "DllCanUnloadNow")));
    return entry ? entry() : E_NOTIMPL;
}

// OLE on the test thread, Mervale.dll and the Flash stand-in registered in
// the prefix for the whole program (the stand-in is unregistered again).
class RegisteredEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        ASSERT_EQ(S_OK, CallEntry(picturetest::MervaleDllPath(), "DllRegisterServer"));
        ASSERT_EQ(S_OK, CallEntry(FlashStandInPath(), "DllRegisterServer"));
        m_richEdit = LoadLibraryW(L"riched20.dll");
        ASSERT_TRUE(m_richEdit);
    }
    void TearDown() override {
        CallEntry(FlashStandInPath(), "DllUnregisterServer");
        CoFreeUnusedLibraries();
        OleUninitialize();
        if (m_richEdit) FreeLibrary(m_richEdit);
    }

private:
    HMODULE m_richEdit = nullptr;
};

// Runs the thread's messages for a while.
inline void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    } while (GetTickCount() - start < ms);
}

// Runs the messages until the condition holds; false after the time-out.
template <class Condition>
bool PumpUntil(Condition condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) return false;
        PumpFor(10);
    }
    return true;
}

inline OLE_HANDLE Handle(HWND window) { return static_cast<OLE_HANDLE>(reinterpret_cast<UINT_PTR>(window)); }
inline HWND WindowOf(OLE_HANDLE handle) {
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(handle)));
}

inline std::wstring ClassName(HWND window) {
    wchar_t name[128] = {};
    GetClassNameW(window, name, 128);
    return name;
}

struct WindowSearch {
    const wchar_t* name;
    std::vector<HWND> found;
};

inline BOOL CALLBACK CollectWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    if (ClassName(window) == search->name) search->found.push_back(window);
    return TRUE;
}

// The top-level windows of this thread with the class name.
inline std::vector<HWND> ThreadWindows(const wchar_t* className) {
    WindowSearch search{className, {}};
    EnumThreadWindows(GetCurrentThreadId(), &CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// What the screen shows at a point (read back from the display).
inline COLORREF ScreenPixel(POINT at) {
    HDC screen = GetDC(nullptr);
    const COLORREF color = GetPixel(screen, at.x, at.y);
    ReleaseDC(nullptr, screen);
    return color;
}

}  // namespace managertest
