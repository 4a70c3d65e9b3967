#include "fw/GdiPlusImage.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstring>
#include <vector>

namespace fw {

struct CGdiPlusImage::StreamHolder {
    IStream* stream = nullptr;
    ~StreamHolder() {
        if (stream) stream->Release();
    }
};

CGdiPlusImage::CGdiPlusImage() = default;

CGdiPlusImage::~CGdiPlusImage() { Destroy(); }

void CGdiPlusImage::Destroy() {
    m_bitmap.reset();  // before the stream it reads from
    m_stream.reset();
}

bool CGdiPlusImage::Load(const std::wstring& path) {
    Destroy();
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size = {};
    std::vector<BYTE> bytes;
    bool ok = ::GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < (256LL << 20);
    if (ok) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        ok = ::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) && got == bytes.size();
    }
    ::CloseHandle(file);
    return ok && LoadFromMemory(bytes.data(), bytes.size());
}

bool CGdiPlusImage::LoadFromMemory(const void* data, size_t size) {
    Destroy();
    if (!data || size == 0) return false;
    HGLOBAL mem = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (!mem) return false;
    void* p = ::GlobalLock(mem);
    std::memcpy(p, data, size);
    ::GlobalUnlock(mem);
    auto holder = std::make_unique<StreamHolder>();
    if (FAILED(::CreateStreamOnHGlobal(mem, TRUE, &holder->stream))) {
        ::GlobalFree(mem);
        return false;
    }
    std::unique_ptr<Gdiplus::Bitmap> bitmap(Gdiplus::Bitmap::FromStream(holder->stream));
    if (!bitmap || bitmap->GetLastStatus() != Gdiplus::Ok) return false;
    m_stream = std::move(holder);
    m_bitmap = std::move(bitmap);
    return true;
}

int CGdiPlusImage::GetWidth() const { return m_bitmap ? static_cast<int>(m_bitmap->GetWidth()) : 0; }

int CGdiPlusImage::GetHeight() const { return m_bitmap ? static_cast<int>(m_bitmap->GetHeight()) : 0; }

bool CGdiPlusImage::Draw(HDC dc, int x, int y) const {
    if (!m_bitmap) return false;
    RECT dest = {x, y, x + GetWidth(), y + GetHeight()};
    return Draw(dc, dest);
}

bool CGdiPlusImage::Draw(HDC dc, const RECT& dest) const {
    if (!m_bitmap || !dc) return false;
    Gdiplus::Graphics g(dc);
    return g.DrawImage(m_bitmap.get(), static_cast<INT>(dest.left), static_cast<INT>(dest.top),
                       static_cast<INT>(dest.right - dest.left), static_cast<INT>(dest.bottom - dest.top)) ==
           Gdiplus::Ok;
}

bool CGdiPlusImage::DrawTransparent(HDC dc, const RECT& dest, COLORREF key) const {
    if (!m_bitmap || !dc) return false;
    Gdiplus::Graphics g(dc);
    Gdiplus::ImageAttributes attributes;
    const Gdiplus::Color colour(255, GetRValue(key), GetGValue(key), GetBValue(key));
    attributes.SetColorKey(colour, colour);
    const Gdiplus::Rect target(dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top);
    return g.DrawImage(m_bitmap.get(), target, 0, 0, GetWidth(), GetHeight(), Gdiplus::UnitPixel, &attributes) ==
           Gdiplus::Ok;
}

HBITMAP CGdiPlusImage::CreateHBitmap(COLORREF background) const {
    if (!m_bitmap) return nullptr;
    HBITMAP out = nullptr;
    const Gdiplus::Color colour(255, GetRValue(background), GetGValue(background), GetBValue(background));
    if (m_bitmap->GetHBITMAP(colour, &out) != Gdiplus::Ok) return nullptr;
    return out;
}

}  // namespace fw
