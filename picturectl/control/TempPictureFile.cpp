#include "TempPictureFile.h"

#include <algorithm>

namespace mervale {

namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE h) : m_h(h) {}
    ~FileHandle() {
        if (m_h != INVALID_HANDLE_VALUE) CloseHandle(m_h);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE Get() const { return m_h; }
    bool Valid() const { return m_h != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_h;
};

HRESULT WriteAll(HANDLE file, const void* data, DWORD size) {
    DWORD written = 0;
    if (!WriteFile(file, data, size, &written, nullptr)) return HRESULT_FROM_WIN32(GetLastError());
    return written == size ? S_OK : STG_E_WRITEFAULT;
}

}  // namespace

template <class Fill>
HRESULT TempPictureFile::Create(const wchar_t* extension, Fill fill) {
    Delete();
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathW(MAX_PATH + 1, folder);
    if (n == 0 || n > MAX_PATH) return E_FAIL;
    wchar_t reservation[MAX_PATH] = {};
    if (GetTempFileNameW(folder, L"QOX", 0, reservation) == 0) return HRESULT_FROM_WIN32(GetLastError());
    const std::wstring path = std::wstring(reservation) + extension;

    HRESULT hr;
    {
        FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        hr = file.Valid() ? fill(file.Get()) : HRESULT_FROM_WIN32(GetLastError());
    }
    if (FAILED(hr)) {
        DeleteFileW(path.c_str());
        if (path != reservation) DeleteFileW(reservation);
        return hr;
    }
    m_reservation = reservation;
    m_path = path;
    return S_OK;
}

HRESULT TempPictureFile::Write(const void* data, size_t size, const wchar_t* extension) {
    return Create(extension, [&](HANDLE file) {
        const BYTE* bytes = static_cast<const BYTE*>(data);
        for (size_t done = 0; done < size;) {
            const DWORD piece = static_cast<DWORD>(std::min<size_t>(1024, size - done));
            const HRESULT hr = WriteAll(file, bytes + done, piece);
            if (FAILED(hr)) return hr;
            done += piece;
        }
        return S_OK;
    });
}

HRESULT TempPictureFile::Write(IStream* stream, const wchar_t* extension) {
    return Create(extension, [&](HANDLE file) {
        LARGE_INTEGER start{};
        HRESULT hr = stream->Seek(start, STREAM_SEEK_SET, nullptr);
        BYTE piece[1024];
        while (SUCCEEDED(hr)) {
            ULONG read = 0;
            hr = stream->Read(piece, sizeof piece, &read);
            if (FAILED(hr) || read == 0) break;
            hr = WriteAll(file, piece, read);
        }
        return FAILED(hr) ? hr : S_OK;
    });
}

void TempPictureFile::Delete() {
    if (!m_path.empty()) DeleteFileW(m_path.c_str());
    if (!m_reservation.empty() && m_reservation != m_path) DeleteFileW(m_reservation.c_str());
    m_path.clear();
    m_reservation.clear();
}

}  // namespace mervale
