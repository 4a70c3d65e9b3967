// PictureBytes: an in-memory copy of a picture's file bytes on global memory,
// readable as a stream.
#pragma once

#include <windows.h>
#include <objidl.h>

#include "../com/ComPtr.h"

namespace mervale {

class PictureBytes {
public:
    // Copies larger than this go to a temporary file instead.
    static constexpr ULONGLONG kMaxCopy = 256ull * 1024 * 1024;

    PictureBytes() = default;
    PictureBytes(const PictureBytes&) = delete;
    PictureBytes& operator=(const PictureBytes&) = delete;
    ~PictureBytes() { Free(); }

    // Reads the whole stream from its start. E_OUTOFMEMORY when the copy
    // cannot be allocated; a failure code when fewer bytes than the stream's
    // size could be read (nothing is kept then).
    HRESULT CopyFrom(IStream* stream);
    HRESULT CopyFrom(const void* data, size_t size);
    void Free();

    bool Empty() const { return m_memory == nullptr; }
    size_t Size() const { return m_size; }
    // A new stream over the copy, positioned at its start.
    HRESULT OpenStream(IStream** stream) const;
    // Writes the copy into a stream.
    HRESULT WriteTo(IStream* stream) const;
    // The bytes for a moment: call Unlock() after.
    const void* Lock() const;
    void Unlock() const;

private:
    HGLOBAL m_memory = nullptr;
    size_t m_size = 0;
};

}  // namespace mervale
