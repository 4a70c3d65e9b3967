// Bstr: owns one BSTR.
#pragma once

#include <oleauto.h>

#include <utility>

namespace com {

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const wchar_t* text) : m_s(text ? SysAllocString(text) : nullptr) {}
    Bstr(const wchar_t* text, UINT length) : m_s(SysAllocStringLen(text, length)) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& other) noexcept : m_s(std::exchange(other.m_s, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept {
        std::swap(m_s, other.m_s);
        return *this;
    }
    ~Bstr() { SysFreeString(m_s); }

    BSTR Get() const { return m_s; }
    UINT Length() const { return SysStringLen(m_s); }
    const wchar_t* Text() const { return m_s ? m_s : L""; }
    BSTR* Receive() {
        SysFreeString(std::exchange(m_s, nullptr));
        return &m_s;
    }
    BSTR Detach() { return std::exchange(m_s, nullptr); }

private:
    BSTR m_s = nullptr;
};

}  // namespace com
