// ComPtr: owns one reference to a COM interface.
#pragma once

#include <objbase.h>

#include <utility>

namespace com {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a new reference to p.
    explicit ComPtr(T* p) : m_p(p) { if (m_p) m_p->AddRef(); }
    ComPtr(const ComPtr& other) : ComPtr(other.m_p) {}
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(const ComPtr& other) {
        ComPtr(other).Swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        ComPtr(std::move(other)).Swap(*this);
        return *this;
    }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    // The address to receive a new reference (the old one is released first).
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
    void Swap(ComPtr& other) noexcept { std::swap(m_p, other.m_p); }

    // Asks the object for another interface; an empty pointer when it has none.
    template <class U>
    ComPtr<U> As(REFIID iid) const {
        ComPtr<U> result;
        if (m_p) m_p->QueryInterface(iid, result.ReceiveVoid());
        return result;
    }

private:
    T* m_p = nullptr;
};

}  // namespace com
