/* Forced into the widl-generated proxy code (C): the platform headers of the
 * build declare the IUnknown proxy routines for C++ only, and the generated
 * proxy tables name them. */
#pragma once
#include <objbase.h>

HRESULT STDMETHODCALLTYPE IUnknown_QueryInterface_Proxy(IUnknown* This, REFIID riid, void** ppvObject);
ULONG STDMETHODCALLTYPE IUnknown_AddRef_Proxy(IUnknown* This);
ULONG STDMETHODCALLTYPE IUnknown_Release_Proxy(IUnknown* This);
