// QueryInterface from a table of the interfaces an object answers.
#pragma once

#include <objbase.h>

#include <initializer_list>

namespace com {

struct InterfaceEntry {
    const IID& iid;
    IUnknown* itf;
};

// Finds riid in the table, hands out an AddRef'd pointer; E_NOINTERFACE else.
inline HRESULT QueryFromTable(REFIID riid, void** ppv, std::initializer_list<InterfaceEntry> table) {
    if (!ppv) return E_POINTER;
    for (const InterfaceEntry& entry : table) {
        if (IsEqualIID(riid, entry.iid)) {
            entry.itf->AddRef();
            *ppv = entry.itf;
            return S_OK;
        }
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

}  // namespace com
