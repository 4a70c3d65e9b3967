// CGdiObject: owns one GDI object (pen, brush, font, bitmap, region) and
// deletes it when it goes. Move-only.
#pragma once

#include <windows.h>

namespace fw {

template <typename Handle>
class CGdiObject {
public:
    CGdiObject() = default;
    explicit CGdiObject(Handle handle) : m_handle(handle) {}
    ~CGdiObject() { Reset(); }

    CGdiObject(CGdiObject&& other) noexcept : m_handle(other.Release()) {}
    CGdiObject& operator=(CGdiObject&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    Handle Get() const { return m_handle; }
    operator Handle() const { return m_handle; }
    bool IsNull() const { return m_handle == nullptr; }

    // Takes ownership of handle, deleting the object held before.
    void Reset(Handle handle = nullptr) {
        if (m_handle && m_handle != handle) ::DeleteObject(m_handle);
        m_handle = handle;
    }
    Handle Release() {
        Handle h = m_handle;
        m_handle = nullptr;
        return h;
    }

private:
    Handle m_handle = nullptr;
};

using CPen = CGdiObject<HPEN>;
using CBrush = CGdiObject<HBRUSH>;
using CFont = CGdiObject<HFONT>;
using CBitmap = CGdiObject<HBITMAP>;
using CRgn = CGdiObject<HRGN>;

// Size of a bitmap in pixels; {0, 0} for none.
inline SIZE GetBitmapSize(HBITMAP bitmap) {
    BITMAP bm = {};
    if (!bitmap || !::GetObjectW(bitmap, sizeof bm, &bm)) return SIZE{0, 0};
    return SIZE{bm.bmWidth, bm.bmHeight};
}

}  // namespace fw
