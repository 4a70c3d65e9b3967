// Registration of an in-process server's classes, AppID and type library
// under HKEY_CLASSES_ROOT.
#pragma once

#include <objbase.h>

namespace com {

// What one coclass writes into the registry.
struct CoClassRegistration {
    const CLSID& clsid;
    const wchar_t* description;               // "Mervale Class"
    const wchar_t* progId;                    // "Mervale.Mervale.1"
    const wchar_t* versionIndependentProgId;  // "Mervale.Mervale"
    const wchar_t* version;                   // "1.2"
    bool control;                             // Control, Insertable, MiscStatus, ToolboxBitmap32
    int toolboxBitmap;                        // bitmap resource id in the module
    DWORD miscStatus;                         // OLEMISC_... for DVASPECT_CONTENT
};

HRESULT RegisterAppId(const GUID& appId, const wchar_t* name, const wchar_t* moduleFileName);
HRESULT UnregisterAppId(const GUID& appId, const wchar_t* moduleFileName);

// InprocServer32 (apartment), ProgIDs, AppID, Programmable, TypeLib, Version.
HRESULT RegisterCoClass(const CoClassRegistration& entry, const wchar_t* modulePath, const GUID& appId,
                        const GUID& libId);
HRESULT UnregisterCoClass(const CoClassRegistration& entry);

// The module's embedded type library (also registers the type-library
// marshaler for its dual interfaces), and its removal.
HRESULT RegisterModuleTypeLibrary();
HRESULT UnregisterModuleTypeLibrary();

}  // namespace com
