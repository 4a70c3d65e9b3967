// TempPictureFile: a control's own temporary copy of its picture, named
// "QOX" + four hexadecimal digits + ".tmp" + the picture's extension, in the
// temporary folder. GetTempFileNameW reserves the unique ".tmp" name; the
// reservation is kept while the picture file exists (so no other control
// gets the same name) and both are deleted together.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <string>

namespace mervale {

class TempPictureFile {
public:
    TempPictureFile() = default;
    TempPictureFile(const TempPictureFile&) = delete;
    TempPictureFile& operator=(const TempPictureFile&) = delete;
    ~TempPictureFile() { Delete(); }

    // Writes the bytes to a new file; on failure nothing is left behind.
    HRESULT Write(const void* data, size_t size, const wchar_t* extension);
    // Copies the stream from its start in 1024-byte pieces.
    HRESULT Write(IStream* stream, const wchar_t* extension);
    void Delete();

    bool Exists() const { return !m_path.empty(); }
    const std::wstring& Path() const { return m_path; }

private:
    template <class Fill>
    HRESULT Create(const wchar_t* extension, Fill fill);

    std::wstring m_reservation;  // the empty ".tmp" file
    std::wstring m_path;         // the picture file (may be the same name)
};

}  // namespace mervale
