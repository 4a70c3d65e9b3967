/* The proxy/stub side of the library: the list of widl's proxy files, the
 * class object that makes proxies and stubs of the library's interfaces,
 * and the release routines that the stubs of the dual interfaces call
 * (their IDispatch part is delegated to the platform's IDispatch stub). */
#define PROXY_DELEGATION
#include <rpcproxy.h>

#include "Mervale_h.h"
#include "ProxyStubs.h"

extern const ExtendedProxyFileInfo Mervale_ProxyFileInfo;

static const ProxyFileInfo* g_proxyFiles[] = {(const ProxyFileInfo*)&Mervale_ProxyFileInfo, NULL};
static CStdPSFactoryBuffer g_factory;

ULONG WINAPI CStdStubBuffer_Release(IRpcStubBuffer* This) {
    return NdrCStdStubBuffer_Release(This, (IPSFactoryBuffer*)&g_factory);
}

ULONG WINAPI CStdStubBuffer2_Release(IRpcStubBuffer* This) {
    return NdrCStdStubBuffer2_Release(This, (IPSFactoryBuffer*)&g_factory);
}

HRESULT MervaleProxyGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    return NdrDllGetClassObject(clsid, riid, ppv, g_proxyFiles, &IID_IMervale, &g_factory);
}

HRESULT MervaleProxyCanUnloadNow(void) { return NdrDllCanUnloadNow(&g_factory); }

HRESULT MervaleProxyRegister(HMODULE module) { return NdrDllRegisterProxy(module, g_proxyFiles, &IID_IMervale); }

HRESULT MervaleProxyUnregister(HMODULE module) { return NdrDllUnregisterProxy(module, g_proxyFiles, &IID_IMervale); }
