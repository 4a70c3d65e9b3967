#include "ComModule.h"

#include "ComPtr.h"

#include <windows.h>
#include <oleauto.h>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace com {

namespace {
LONG g_locks = 0;
}

void ComModule::Lock() { InterlockedIncrement(&g_locks); }
void ComModule::Unlock() { InterlockedDecrement(&g_locks); }
bool ComModule::IsLocked() { return InterlockedCompareExchange(&g_locks, 0, 0) != 0; }

HINSTANCE ComModule::Instance() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

std::wstring ComModule::FileName() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(Instance(), &path[0], static_cast<DWORD>(path.size()));
        if (n == 0) return std::wstring();
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

HRESULT ComModule::LoadTypeLibrary(ITypeLib** library) {
    const std::wstring file = FileName();
    if (file.empty()) return HRESULT_FROM_WIN32(GetLastError());
    return LoadTypeLibEx(file.c_str(), REGKIND_NONE, library);
}

HRESULT ComModule::LoadTypeInfo(REFIID iid, ITypeInfo** info) {
    *info = nullptr;
    ComPtr<ITypeLib> library;
    const HRESULT hr = LoadTypeLibrary(library.Receive());
    if (FAILED(hr)) return hr;
    return library->GetTypeInfoOfGuid(iid, info);
}

HRESULT ComModule::RegisterTypeLibrary() {
    ComPtr<ITypeLib> library;
    HRESULT hr = LoadTypeLibrary(library.Receive());
    if (FAILED(hr)) return hr;
    std::wstring path = FileName();
    return RegisterTypeLib(library.Get(), &path[0], nullptr);
}

HRESULT ComModule::UnregisterTypeLibrary() {
    ComPtr<ITypeLib> library;
    HRESULT hr = LoadTypeLibrary(library.Receive());
    if (FAILED(hr)) return hr;
    TLIBATTR* attr = nullptr;
    hr = library->GetLibAttr(&attr);
    if (FAILED(hr)) return hr;
    // Nothing to remove is not a failure of unregistration.
    BSTR registered = nullptr;
    if (SUCCEEDED(QueryPathOfRegTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid,
                                        &registered))) {
        SysFreeString(registered);
        hr = UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
    }
    library->ReleaseTLibAttr(attr);
    return hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_CANTLOADLIBRARY ? S_OK : hr;
}

}  // namespace com
