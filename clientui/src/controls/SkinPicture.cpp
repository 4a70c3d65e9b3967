#include "clientui/SkinPicture.h"

#include "fw/DeviceContext.h"
#include "fw/GdiPlusImage.h"

#include <map>
#include <mutex>

namespace {

const COLORREF kMagenta = RGB(255, 0, 255);

// The loaded files: path, size and write time to the bitmap that the
// pictures loaded from it share (held weakly: it goes with its last picture).
struct FileStamp {
    ULONGLONG size = 0;
    ULONGLONG written = 0;
    bool operator==(const FileStamp& other) const { return size == other.size && written == other.written; }
};
struct CacheEntry {
    FileStamp stamp;
    std::weak_ptr<const CSkinPicture::Shared> bitmap;
};
std::mutex g_cacheLock;
std::map<std::wstring, CacheEntry>& Cache() {
    static std::map<std::wstring, CacheEntry> cache;
    return cache;
}

bool StampOf(const std::wstring& path, FileStamp& stamp) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    stamp.size = (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.written = (ULONGLONG(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return true;
}

}  // namespace

bool CSkinPicture::Load(const std::wstring& path) {
    Destroy();
    FileStamp stamp;
    if (!StampOf(path, stamp)) return false;
    {
        std::lock_guard<std::mutex> lock(g_cacheLock);
        auto it = Cache().find(path);
        if (it != Cache().end()) {
            if (it->second.stamp == stamp) m_bitmap = it->second.bitmap.lock();
            if (!m_bitmap) Cache().erase(it);
        }
    }
    if (!m_bitmap) {
        fw::CGdiPlusImage image;
        if (!image.Load(path)) return false;
        HBITMAP bitmap = image.CreateHBitmap(kMagenta);
        if (!bitmap) return false;
        auto shared = std::make_shared<Shared>();
        shared->bitmap.Reset(bitmap);
        shared->size = fw::GetBitmapSize(bitmap);
        m_bitmap = shared;
        std::lock_guard<std::mutex> lock(g_cacheLock);
        // Entries whose bitmap has gone leave the cache as new ones come.
        for (auto it = Cache().begin(); it != Cache().end();) it = it->second.bitmap.expired() ? Cache().erase(it) : ++it;
        Cache()[path] = CacheEntry{stamp, m_bitmap};
    }
    m_size = m_bitmap->size;
    return true;
}

void CSkinPicture::Destroy() {
    m_bitmap.reset();
    m_size = SIZE{0, 0};
}

bool CSkinPicture::DrawTransparent(HDC dc, const RECT& dest, COLORREF key) const {
    if (IsNull() || !dc) return false;
    HDC source = ::CreateCompatibleDC(dc);
    if (!source) return false;
    bool drawn;
    {
        fw::CSelectObject select(source, GetBitmap());
        drawn = ::TransparentBlt(dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, source, 0,
                                 0, m_size.cx, m_size.cy, key) != FALSE;
    }
    ::DeleteDC(source);
    return drawn;
}

bool CSkinPicture::DrawTransparent(HDC dc, int x, int y, COLORREF key) const {
    const RECT dest = {x, y, x + m_size.cx, y + m_size.cy};
    return DrawTransparent(dc, dest, key);
}
