#include "ClassRegistration.h"

#include "ComModule.h"
#include "ComPtr.h"
#include "RegistryKey.h"

#include <oleauto.h>

#include <string>

namespace com {

namespace {

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

HRESULT FromWin32(LONG rc) { return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(rc); }

// Writes a key's default value (or a named value) below HKEY_CLASSES_ROOT.
HRESULT WriteValue(const std::wstring& keyPath, const wchar_t* name, const std::wstring& value) {
    RegistryKey key;
    LONG rc = key.Create(HKEY_CLASSES_ROOT, keyPath.c_str());
    if (rc == ERROR_SUCCESS) rc = key.SetString(name, value.c_str());
    return FromWin32(rc);
}

HRESULT WriteKey(const std::wstring& keyPath) {
    RegistryKey key;
    return FromWin32(key.Create(HKEY_CLASSES_ROOT, keyPath.c_str()));
}

const wchar_t* FileNamePart(const wchar_t* path) {
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p; ++p) {
        if (*p == L'\\' || *p == L'/') name = p + 1;
    }
    return name;
}

}  // namespace

HRESULT RegisterAppId(const GUID& appId, const wchar_t* name, const wchar_t* moduleFileName) {
    const std::wstring id = GuidText(appId);
    HRESULT hr = WriteValue(L"AppID\\" + id, nullptr, name);
    if (SUCCEEDED(hr)) hr = WriteValue(std::wstring(L"AppID\\") + FileNamePart(moduleFileName), L"AppID", id);
    return hr;
}

HRESULT UnregisterAppId(const GUID& appId, const wchar_t* moduleFileName) {
    RegistryKey::DeleteTree(HKEY_CLASSES_ROOT, (std::wstring(L"AppID\\") + FileNamePart(moduleFileName)).c_str());
    return FromWin32(RegistryKey::DeleteTree(HKEY_CLASSES_ROOT, (L"AppID\\" + GuidText(appId)).c_str()));
}

HRESULT RegisterCoClass(const CoClassRegistration& entry, const wchar_t* modulePath, const GUID& appId,
                        const GUID& libId) {
    const std::wstring clsid = GuidText(entry.clsid);
    const std::wstring classKey = L"CLSID\\" + clsid;
    const std::wstring progKey = entry.progId;
    const std::wstring indepKey = entry.versionIndependentProgId;

    // Each step below runs only while every earlier one has succeeded.
    HRESULT hr = S_OK;
    auto value = [&hr](const std::wstring& key, const wchar_t* name, const std::wstring& text) {
        if (SUCCEEDED(hr)) hr = WriteValue(key, name, text);
    };
    auto key = [&hr](const std::wstring& path) {
        if (SUCCEEDED(hr)) hr = WriteKey(path);
    };

    value(progKey, nullptr, entry.description);
    value(progKey + L"\\CLSID", nullptr, clsid);
    value(indepKey, nullptr, entry.description);
    value(indepKey + L"\\CLSID", nullptr, clsid);
    value(indepKey + L"\\CurVer", nullptr, entry.progId);

    value(classKey, nullptr, entry.description);
    value(classKey, L"AppID", GuidText(appId));
    value(classKey + L"\\ProgID", nullptr, entry.progId);
    value(classKey + L"\\VersionIndependentProgID", nullptr, entry.versionIndependentProgId);
    value(classKey + L"\\InprocServer32", nullptr, modulePath);
    value(classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
    key(classKey + L"\\Programmable");
    value(classKey + L"\\TypeLib", nullptr, GuidText(libId));
    value(classKey + L"\\Version", nullptr, entry.version);
    if (entry.control) {
        key(progKey + L"\\Insertable");
        key(classKey + L"\\Control");
        key(classKey + L"\\Insertable");
        value(classKey + L"\\ToolboxBitmap32", nullptr,
              std::wstring(modulePath) + L", " + std::to_wstring(entry.toolboxBitmap));
        value(classKey + L"\\MiscStatus", nullptr, L"0");
        value(classKey + L"\\MiscStatus\\1", nullptr, std::to_wstring(entry.miscStatus));
    }
    return hr;
}

HRESULT UnregisterCoClass(const CoClassRegistration& entry) {
    LONG rc = RegistryKey::DeleteTree(HKEY_CLASSES_ROOT, (L"CLSID\\" + GuidText(entry.clsid)).c_str());
    LONG rc2 = RegistryKey::DeleteTree(HKEY_CLASSES_ROOT, entry.progId);
    LONG rc3 = RegistryKey::DeleteTree(HKEY_CLASSES_ROOT, entry.versionIndependentProgId);
    if (rc == ERROR_SUCCESS) rc = rc2;
    if (rc == ERROR_SUCCESS) rc = rc3;
    return FromWin32(rc);
}

HRESULT RegisterModuleTypeLibrary() {
    ComPtr<ITypeLib> library;
    HRESULT hr = ComModule::LoadTypeLibrary(library.Receive());
    if (FAILED(hr)) return hr;
    std::wstring path = ComModule::FileName();
    return RegisterTypeLib(library.Get(), &path[0], nullptr);
}

HRESULT UnregisterModuleTypeLibrary() {
    ComPtr<ITypeLib> library;
    HRESULT hr = ComModule::LoadTypeLibrary(library.Receive());
    if (FAILED(hr)) return hr;
    TLIBATTR* attr = nullptr;
    hr = library->GetLibAttr(&attr);
    if (FAILED(hr)) return hr;
    hr = UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
    library->ReleaseTLibAttr(attr);
    // Nothing to remove is not a failure of unregistration.
    return hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_CANTLOADLIBRARY ? S_OK : hr;
}

}  // namespace com
