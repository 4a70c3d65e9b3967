// The entry points of Mervale.dll as an in-process COM server: the class
// objects (first the proxy/stub code's, then the module's classes Mervale,
// PexoManager and ReMervale), unloading, and registration.
//
// Registration runs the registry scripts through the registrar, in this
// order: 101 (the AppID), the type library, 104 (Mervale), 105 (PexoManager),
// 107 (ReMervale), then the proxy/stubs of the library's interfaces.
// Unregistration undoes the module's part (scripts and type library) first,
// then the proxy/stubs.
#include <windows.h>
#include <ole2.h>

#include "Mervale_h.h"

#include "com/ClassFactory.h"
#include "com/ComModule.h"
#include "com/ProxyStubs.h"
#include "com/Registrar.h"
#include "control/Mervale.h"
#include "control/ReMervale.h"
#include "flash/FlashHost.h"
#include "manager/PexoManager.h"

#include <string>

namespace {

const wchar_t kAppId[] = L"{37893EAD-3374-48E2-B865-21A938C2B2E1}";

com::ClassFactory g_mervaleFactory(&com::CreateComObject<mervale::CMervale>);
com::ClassFactory g_pexoManagerFactory(&com::CreateComObject<mervale::CPexoManager>);
com::ClassFactory g_reMervaleFactory(&com::CreateComObject<mervale::CReMervale>);

// The registry scripts (resources of type REGISTRY), in registration order;
// the type library is registered after the AppID.
struct ScriptEntry {
    UINT id;
    bool typeLibraryBefore;
};
const ScriptEntry kScripts[] = {
    {101, false},  // AppID
    {104, true},   // Mervale
    {105, false},  // PexoManager
    {107, false},  // ReMervale
};

com::Registrar MakeRegistrar(const std::wstring& modulePath) {
    com::Registrar registrar;
    registrar.AddReplacement(L"MODULE", modulePath);
    registrar.AddReplacement(L"APPID", kAppId);
    registrar.AddReplacement(L"OLEMISC", std::to_wstring(mervale::CPictureControl::kMiscStatus));
    return registrar;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* reserved) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    // Unloaded by FreeLibrary (not at process end): no frame timer may fire
    // into the unloaded code, and the pop-up's window class goes.
    if (reason == DLL_PROCESS_DETACH && !reserved) {
        mervale::CAnimationTimer::StopAll();
        flash::CFlashHost::UnregisterWindowClass();
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    const HRESULT proxy = MervaleProxyGetClassObject(clsid, riid, ppv);
    if (proxy != CLASS_E_CLASSNOTAVAILABLE) return proxy;
    if (IsEqualCLSID(clsid, CLSID_Mervale)) return g_mervaleFactory.QueryInterface(riid, ppv);
    if (IsEqualCLSID(clsid, CLSID_PexoManager)) return g_pexoManagerFactory.QueryInterface(riid, ppv);
    if (IsEqualCLSID(clsid, CLSID_ReMervale)) return g_reMervaleFactory.QueryInterface(riid, ppv);
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() {
    const HRESULT proxy = MervaleProxyCanUnloadNow();
    if (proxy != S_OK) return proxy;
    return com::ComModule::IsLocked() ? S_FALSE : S_OK;
}

STDAPI DllRegisterServer() {
    const std::wstring path = com::ComModule::FileName();
    if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
    const com::Registrar registrar = MakeRegistrar(path);
    HRESULT hr = S_OK;
    for (const ScriptEntry& script : kScripts) {
        if (SUCCEEDED(hr) && script.typeLibraryBefore) hr = com::ComModule::RegisterTypeLibrary();
        if (SUCCEEDED(hr)) hr = registrar.RunResource(com::ComModule::Instance(), script.id, true);
    }
    if (SUCCEEDED(hr)) hr = MervaleProxyRegister(com::ComModule::Instance());
    return hr;
}

STDAPI DllUnregisterServer() {
    const std::wstring path = com::ComModule::FileName();
    if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
    const com::Registrar registrar = MakeRegistrar(path);
    HRESULT hr = S_OK;
    for (const ScriptEntry& script : kScripts) {
        const HRESULT one = registrar.RunResource(com::ComModule::Instance(), script.id, false);
        if (SUCCEEDED(hr)) hr = one;
    }
    const HRESULT library = com::ComModule::UnregisterTypeLibrary();
    const HRESULT proxies = MervaleProxyUnregister(com::ComModule::Instance());
    if (SUCCEEDED(hr)) hr = library;
    if (SUCCEEDED(hr)) hr = proxies;
    return hr;
}
