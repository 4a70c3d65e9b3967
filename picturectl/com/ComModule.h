// ComModule: what the in-process server as a whole keeps: the count of live
// objects and server locks (for DllCanUnloadNow), and access to the module's
// own file and its embedded type library.
#pragma once

#include <objbase.h>
#include <oaidl.h>

#include <string>

namespace com {

class ComModule {
public:
    static void Lock();
    static void Unlock();
    static bool IsLocked();

    // The module (DLL or program) that these sources are linked into.
    static HINSTANCE Instance();
    static std::wstring FileName();

    // The type library embedded in the module as TYPELIB resource 1.
    static HRESULT LoadTypeLibrary(ITypeLib** library);
    static HRESULT LoadTypeInfo(REFIID iid, ITypeInfo** info);
    // Registers that type library (which also makes the type-library
    // marshaler the proxy of its dual interfaces), and removes it.
    static HRESULT RegisterTypeLibrary();
    static HRESULT UnregisterTypeLibrary();
};

// Holds a module lock for the lifetime of an object.
class ModuleLock {
public:
    ModuleLock() { ComModule::Lock(); }
    ~ModuleLock() { ComModule::Unlock(); }
    ModuleLock(const ModuleLock&) = delete;
    ModuleLock& operator=(const ModuleLock&) = delete;
};

}  // namespace com
