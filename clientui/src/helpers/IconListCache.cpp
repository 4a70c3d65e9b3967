#include "clientui/IconListCache.h"

#include "fw/GdiObject.h"

CIconListCache::~CIconListCache() { ReleaseIcons(); }

void CIconListCache::ReleaseIcons() {
    for (HICON icon : m_icons)
        if (icon) ::DestroyIcon(icon);
    m_icons.clear();
    m_cached = false;
}

bool CIconListCache::Create(int cx, int cy, UINT flags) {
    ReleaseIcons();
    return m_list.Create(cx, cy, flags, 1, 0);
}

bool CIconListCache::AddBitmapFile(const std::wstring& path, COLORREF maskColour) {
    fw::CBitmap bitmap(reinterpret_cast<HBITMAP>(
        ::LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    if (bitmap.IsNull()) return false;
    // The list copies the picture; the bitmap goes with this scope.
    return m_list.AddMasked(bitmap, maskColour) >= 0;
}

bool CIconListCache::AddIconFile(const std::wstring& path) {
    const auto icon = reinterpret_cast<HICON>(::LoadImageW(nullptr, path.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
    if (!icon) return false;
    const bool added = m_list.AddIcon(icon) >= 0;
    ::DestroyIcon(icon);
    return added;
}

void CIconListCache::MakeCache() {
    ReleaseIcons();
    m_icons.assign(static_cast<size_t>(m_list.GetImageCount()), nullptr);
    m_cached = true;
}

HICON CIconListCache::GetIcon(int index) {
    if (m_list.IsNull() || !m_cached || index < 0 || index >= m_list.GetImageCount() ||
        static_cast<size_t>(index) >= m_icons.size())
        return nullptr;
    HICON& slot = m_icons[static_cast<size_t>(index)];
    if (!slot) slot = m_list.ExtractIcon(index);
    return slot;
}
