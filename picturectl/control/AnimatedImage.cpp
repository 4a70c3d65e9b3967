#include "AnimatedImage.h"

#include "GdiplusHeaders.h"

#include <algorithm>

namespace mervale {

namespace {
constexpr PROPID kFrameDelayTag = 0x5100;  // PropertyTagFrameDelay
}

AnimatedImage::AnimatedImage() = default;
AnimatedImage::~AnimatedImage() = default;

HRESULT AnimatedImage::LoadFile(const wchar_t* path) {
    Reset();
    auto image = std::make_unique<Gdiplus::Image>(path);
    if (image->GetLastStatus() != Gdiplus::Ok || image->GetWidth() == 0) return E_FAIL;
    m_image = std::move(image);
    ReadFrames();
    return S_OK;
}

HRESULT AnimatedImage::LoadStream(IStream* stream) {
    Reset();
    auto image = std::make_unique<Gdiplus::Image>(stream);
    if (image->GetLastStatus() != Gdiplus::Ok || image->GetWidth() == 0) return E_FAIL;
    m_image = std::move(image);
    ReadFrames();
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
