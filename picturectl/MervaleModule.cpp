// The entry points of Mervale.dll as an in-process COM server: the class
// objects of the two picture controls, unloading, and registration of the
// AppID, the type library and the classes.
#include <windows.h>
#include <ole2.h>

#include "Mervale_h.h"

#include "com/ClassFactory.h"
#include "com/ClassRegistration.h"
#include "com/ComModule.h"
#include "control/Mervale.h"
#include "control/ReMervale.h"

#include <string>

namespace {

// {37893EAD-3374-48E2-B865-21A938C2B2E1}
const GUID kAppId = {0x37893ead, 0x3374, 0x48e2, {0xb8, 0x65, 0x21, 0xa9, 0x38, 0xc2, 0xb2, 0xe1}};

com::ClassFactory g_mervaleFactory(&com::CreateComObject<mervale::CMervale>);
com::ClassFactory g_reMervaleFactory(&com::CreateComObject<mervale::CReMervale>);

const com::CoClassRegistration kClasses[] = {
    {CLSID_Mervale, L"Mervale Class", L"Mervale.Mervale.1", L"Mervale.Mervale", L"1.2", true, 102,
     mervale::CPictureControl::kMiscStatus},
    {CLSID_ReMervale, L"IReMervale Class", L"Mervale.IReMervale.1", L"Mervale.IReMervale", L"1.0", true, 106,
     mervale::CPictureControl::kMiscStatus},
};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualCLSID(clsid, CLSID_Mervale)) return g_mervaleFactory.QueryInterface(riid, ppv);
    if (IsEqualCLSID(clsid, CLSID_ReMervale)) return g_reMervaleFactory.QueryInterface(riid, ppv);
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return com::ComModule::IsLocked() ? S_FALSE : S_OK; }

STDAPI DllRegisterServer() {
    const std::wstring path = com::ComModule::FileName();
    if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
    HRESULT hr = com::RegisterAppId(kAppId, L"Mervale", path.c_str());
    if (SUCCEEDED(hr)) hr = com::RegisterModuleTypeLibrary();
    for (const auto& entry : kClasses) {
        if (SUCCEEDED(hr)) hr = com::RegisterCoClass(entry, path.c_str(), kAppId, LIBID_MervaleLib);
    }
    return hr;
}

STDAPI DllUnregisterServer() {
    const std::wstring path = com::ComModule::FileName();
    HRESULT hr = S_OK;
    for (const auto& entry : kClasses) {
        const HRESULT one = com::UnregisterCoClass(entry);
        if (SUCCEEDED(hr)) hr = one;
    }
    const HRESULT library = com::UnregisterModuleTypeLibrary();
    const HRESULT appId = com::UnregisterAppId(kAppId, path.c_str());
    if (SUCCEEDED(hr)) hr = library;
    if (SUCCEEDED(hr)) hr = appId;
    return hr;
}
