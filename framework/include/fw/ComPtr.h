// CComPtr: owns one reference to a COM interface and releases it when it goes.
#pragma once

#include <objbase.h>

#include <cstddef>
#include <utility>

namespace fw {

template <class T>
class CComPtr {
public:
    CComPtr() = default;
    CComPtr(std::nullptr_t) {}
    // Takes a new reference to p.
    explicit CComPtr(T* p) : m_p(p) {
        if (m_p) m_p->AddRef();
    }
    CComPtr(const CComPtr& other) : CComPtr(other.m_p) {}
    CComPtr(CComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ~CComPtr() { Reset(); }

    CComPtr& operator=(const CComPtr& other) {
        CComPtr(other).Swap(*this);
        return *this;
    }
    CComPtr& operator=(CComPtr&& other) noexcept {
        CComPtr(std::move(other)).Swap(*this);
        return *this;
    }

    // Adopts a reference that the caller already holds (no AddRef).
    static CComPtr Adopt(T* p) {
        CComPtr result;
        result.m_p = p;
        return result;
    }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    // The address to receive a new reference; the old one is released first.
    T** Receive() {
        Reset();
        return &m_p;
    }
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

    void Reset() {
        if (m_p) std::exchange(m_p, nullptr)->Release();
    }
    // Hands the reference to the caller.
    T* Detach() { return std::exchange(m_p, nullptr); }
    void Swap(CComPtr& other) noexcept { std::swap(m_p, other.m_p); }

    // Asks the object for another interface; empty when it has none.
    template <class U>
    CComPtr<U> As(REFIID iid) const {
        CComPtr<U> result;
        if (m_p) m_p->QueryInterface(iid, result.ReceiveVoid());
        return result;
    }

private:
    T* m_p = nullptr;
};

}  // namespace fw
