// The proxy/stub code of the library's own interfaces (IMervale,
// IReMervale, IPexoManager), built by widl: its class object, whose class id
// is IID_IMervale, and its registration (the interfaces' ProxyStubClsid32
// and that class's InprocServer32, this module).
#pragma once

#include <objbase.h>

#ifdef __cplusplus
extern "C" {
#endif

// CLASS_E_CLASSNOTAVAILABLE for any class but the proxy/stub factory's.
HRESULT MervaleProxyGetClassObject(REFCLSID clsid, REFIID riid, void** ppv);
// S_OK when no proxy or stub is alive.
HRESULT MervaleProxyCanUnloadNow(void);
HRESULT MervaleProxyRegister(HMODULE module);
HRESULT MervaleProxyUnregister(HMODULE module);

#ifdef __cplusplus
}
#endif
