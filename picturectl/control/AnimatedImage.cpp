#include "AnimatedImage.h"

#include "GdiplusHeaders.h"
#include "bounds/PictureBounds.h"

#include <algorithm>

namespace mervale {

namespace {
constexpr PROPID kFrameDelayTag = 0x5100;  // PropertyTagFrameDelay
}

AnimatedImage::AnimatedImage() = default;
AnimatedImage::~AnimatedImage() = default;

namespace {

bool WithinBounds(const void* bytes, size_t size) {
    return PictureBounds::Inspect(static_cast<const uint8_t*>(bytes), size).verdict == PictureVerdict::Accepted;
}

// What the file's bytes declare, read through a view of the file; a file
// that cannot be read is left to the decoder, which then fails on it too.
bool FileWithinBounds(const wchar_t* path) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return true;
    bool within = true;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && static_cast<ULONGLONG>(size.QuadPart) <= SIZE_MAX) {
        if (HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr)) {
            if (const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0)) {
                within = WithinBounds(view, static_cast<size_t>(size.QuadPart));
                UnmapViewOfFile(view);
            }
            CloseHandle(mapping);
        }
    }
    CloseHandle(file);
    return within;
}

// A stream on global memory (the control's copy of a picture) is read in
// place; another stream is left to the check after decoding.
bool StreamWithinBounds(IStream* stream) {
    HGLOBAL memory = nullptr;
    STATSTG stat{};
    if (FAILED(GetHGlobalFromStream(stream, &memory)) || FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return true;
    const void* bytes = GlobalLock(memory);
    if (!bytes) return true;
    const size_t size = static_cast<size_t>(std::min<ULONGLONG>(stat.cbSize.QuadPart, GlobalSize(memory)));
    const bool within = WithinBounds(bytes, size);
    GlobalUnlock(memory);
    return within;
}

}  // namespace

HRESULT AnimatedImage::LoadFile(const wchar_t* path) {
    Reset();
    if (!FileWithinBounds(path)) return E_FAIL;
    return Adopt(std::make_unique<Gdiplus::Image>(path));
}

HRESULT AnimatedImage::LoadStream(IStream* stream) {
    Reset();
    if (!StreamWithinBounds(stream)) return E_FAIL;
    return Adopt(std::make_unique<Gdiplus::Image>(stream));
}

// Keeps a decoded picture that stays within the bounds: a picture beyond
// them is refused like one that cannot be decoded.
HRESULT AnimatedImage::Adopt(std::unique_ptr<Gdiplus::Image> image) {
    if (image->GetLastStatus() != Gdiplus::Ok || image->GetWidth() == 0) return E_FAIL;
    m_image = std::move(image);
    ReadFrames();
    if (PictureBounds::CheckDecoded(Width(), Height(), m_frameCount) != PictureVerdict::Accepted) {
        Reset();
        return E_FAIL;
    }
    return S_OK;
}

void AnimatedImage::Reset() {
    m_image.reset();
    m_frameCount = 0;
    m_delays.clear();
}

UINT AnimatedImage::Width() const { return m_image ? m_image->GetWidth() : 0; }
UINT AnimatedImage::Height() const { return m_image ? m_image->GetHeight() : 0; }
float AnimatedImage::HorizontalResolution() const { return m_image ? m_image->GetHorizontalResolution() : 0; }
float AnimatedImage::VerticalResolution() const { return m_image ? m_image->GetVerticalResolution() : 0; }

UINT AnimatedImage::DelayOf(UINT frame) const { return frame < m_delays.size() ? m_delays[frame] : 0; }

bool AnimatedImage::SelectFrame(UINT frame) {
    if (!m_image || frame >= m_frameCount || m_frameCount < 2) return false;
    return m_image->SelectActiveFrame(&Gdiplus::FrameDimensionTime, frame) == Gdiplus::Ok;
}

void AnimatedImage::ReadFrames() {
    m_frameCount = 1;
    GUID format{};
    if (m_image->GetRawFormat(&format) != Gdiplus::Ok || format != Gdiplus::ImageFormatGIF) return;

    const UINT dimensions = m_image->GetFrameDimensionsCount();
    if (dimensions == 0) return;
    std::vector<GUID> ids(dimensions);
    if (m_image->GetFrameDimensionsList(ids.data(), dimensions) != Gdiplus::Ok) return;
    const UINT frames = m_image->GetFrameCount(&ids[0]);
    if (frames > 1) m_frameCount = frames;

    // The delay table: one 32-bit value per frame, bounded by the item's length.
    const UINT size = m_image->GetPropertyItemSize(kFrameDelayTag);
    if (size < sizeof(Gdiplus::PropertyItem)) return;
    std::vector<BYTE> buffer(size);
    auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
    if (m_image->GetPropertyItem(kFrameDelayTag, size, item) != Gdiplus::Ok || !item->value) return;
    const BYTE* first = static_cast<const BYTE*>(item->value);
    const BYTE* end = buffer.data() + buffer.size();
    if (first < buffer.data() || first > end) return;
    const size_t available = static_cast<size_t>(end - first) / 4;
    const size_t count = std::min<size_t>({item->length / 4u, available, m_frameCount});
    const UINT* values = reinterpret_cast<const UINT*>(first);
    m_delays.assign(values, values + count);
    if (!m_delays.empty()) m_delays.resize(m_frameCount, 0);
}

const wchar_t* AnimatedImage::FileExtension() const {
    GUID format{};
    if (!m_image || m_image->GetRawFormat(&format) != Gdiplus::Ok) return L"";
    struct Entry {
        const GUID& format;
        const wchar_t* extension;
    };
    static const Entry kExtensions[] = {
        {Gdiplus::ImageFormatGIF, L".gif"},   {Gdiplus::ImageFormatMemoryBMP, L".bmp"},
        {Gdiplus::ImageFormatBMP, L".bmp"},   {Gdiplus::ImageFormatEMF, L".emf"},
        {Gdiplus::ImageFormatWMF, L".wmf"},   {Gdiplus::ImageFormatJPEG, L".jpg"},
        {Gdiplus::ImageFormatPNG, L".png"},   {Gdiplus::ImageFormatTIFF, L".tif"},
        {Gdiplus::ImageFormatEXIF, L".tif"},  {Gdiplus::ImageFormatIcon, L".ico"},
    };
    for (const Entry& e : kExtensions) {
        if (format == e.format) return e.extension;
    }
    return L"";
}

}  // namespace mervale
