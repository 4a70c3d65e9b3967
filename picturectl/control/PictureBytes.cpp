#include "PictureBytes.h"

#include <cstring>

namespace mervale {

HRESULT PictureBytes::CopyFrom(IStream* stream) {
    Free();
    STATSTG stat{};
    HRESULT hr = stream->Stat(&stat, STATFLAG_NONAME);
    if (FAILED(hr)) return hr;
    if (stat.cbSize.QuadPart > kMaxCopy) return E_OUTOFMEMORY;
    const size_t size = static_cast<size_t>(stat.cbSize.QuadPart);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size ? size : 1);
    if (!memory) return E_OUTOFMEMORY;

    LARGE_INTEGER start{};
    hr = stream->Seek(start, STREAM_SEEK_SET, nullptr);
    ULONG read = 0;
    if (SUCCEEDED(hr) && size) {
        void* bytes = GlobalLock(memory);
        hr = stream->Read(bytes, static_cast<ULONG>(size), &read);
        GlobalUnlock(memory);
    }
    if (FAILED(hr) || read != size) {
        GlobalFree(memory);
        return FAILED(hr) ? hr : STG_E_READFAULT;
    }
    m_memory = memory;
    m_size = size;
    return S_OK;
}

HRESULT PictureBytes::CopyFrom(const void* data, size_t size) {
    Free();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size ? size : 1);
    if (!memory) return E_OUTOFMEMORY;
    std::memcpy(GlobalLock(memory), data, size);
    GlobalUnlock(memory);
    m_memory = memory;
    m_size = size;
    return S_OK;
}

void PictureBytes::Free() {
    if (m_memory) GlobalFree(m_memory);
    m_memory = nullptr;
    m_size = 0;
}

HRESULT PictureBytes::OpenStream(IStream** stream) const {
    *stream = nullptr;
    if (!m_memory) return E_UNEXPECTED;
    // The stream reads our memory without owning it; its size is the copy's.
    HRESULT hr = CreateStreamOnHGlobal(m_memory, FALSE, stream);
    if (FAILED(hr)) return hr;
    ULARGE_INTEGER size;
    size.QuadPart = m_size;
    hr = (*stream)->SetSize(size);
    if (FAILED(hr)) {
        (*stream)->Release();
        *stream = nullptr;
    }
    return hr;
}

HRESULT PictureBytes::WriteTo(IStream* stream) const {
    if (!m_memory) return E_UNEXPECTED;
    ULONG written = 0;
    HRESULT hr = stream->Write(Lock(), static_cast<ULONG>(m_size), &written);
    Unlock();
    if (SUCCEEDED(hr) && written != m_size) hr = STG_E_WRITEFAULT;
    return hr;
}

const void* PictureBytes::Lock() const { return m_memory ? GlobalLock(m_memory) : nullptr; }
void PictureBytes::Unlock() const {
    if (m_memory) GlobalUnlock(m_memory);
}

}  // namespace mervale
