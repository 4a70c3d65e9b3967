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
    m_loaded.clear();
    return m_list.Create(cx, cy, flags, 1, 0);
}

void CIconListCache::AddBlankSlot() {
    int cx = 0;
    int cy = 0;
    if (m_list.IsNull() || !::ImageList_GetIconSize(m_list, &cx, &cy) || cx <= 0 || cy <= 0) return;
    // A white picture keyed on white: nothing of it is drawn.
    HDC screen = ::GetDC(nullptr);
    fw::CBitmap blank(::CreateCompatibleBitmap(screen, cx, cy));
    if (!blank.IsNull()) {
        HDC dc = ::CreateCompatibleDC(screen);
        HGDIOBJ old = ::SelectObject(dc, blank.Get());
        const RECT all = {0, 0, cx, cy};
        ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        ::SelectObject(dc, old);
        ::DeleteDC(dc);
        if (m_list.AddMasked(blank, RGB(255, 255, 255)) >= 0) m_loaded.push_back(false);
    }
    ::ReleaseDC(nullptr, screen);
}

bool CIconListCache::AddBitmapFile(const std::wstring& path, COLORREF maskColour) {
    fw::CBitmap bitmap(reinterpret_cast<HBITMAP>(
        ::LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    // The list copies the picture; the bitmap goes with this scope.
    if (!bitmap.IsNull() && m_list.AddMasked(bitmap, maskColour) >= 0) {
        m_loaded.push_back(true);
        return true;
    }
    AddBlankSlot();
    return false;
}

bool CIconListCache::AddIconFile(const std::wstring& path) {
    const auto icon = reinterpret_cast<HICON>(::LoadImageW(nullptr, path.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
    const bool added = icon && m_list.AddIcon(icon) >= 0;
    if (icon) ::DestroyIcon(icon);
    if (added) {
        m_loaded.push_back(true);
        return true;
    }
    AddBlankSlot();
    return false;
}

void CIconListCache::MakeCache() {
    ReleaseIcons();
    m_icons.assign(static_cast<size_t>(m_list.GetImageCount()), nullptr);
    m_cached = true;
}

bool CIconListCache::IsLoaded(int index) const {
    return index >= 0 && static_cast<size_t>(index) < m_loaded.size() && m_loaded[static_cast<size_t>(index)];
}

HICON CIconListCache::GetIcon(int index) {
    if (m_list.IsNull() || !m_cached || index < 0 || index >= m_list.GetImageCount() ||
        static_cast<size_t>(index) >= m_icons.size() || !IsLoaded(index))
        return nullptr;
    HICON& slot = m_icons[static_cast<size_t>(index)];
    if (!slot) slot = m_list.ExtractIcon(index);
    return slot;
}
