// CIconListCache: an image list with one cached icon per image. An icon is
// extracted from the list on its first use and kept until the cache goes;
// callers never destroy the icons they get.
#pragma once

#include "fw/ImageList.h"

#include <windows.h>

#include <string>
#include <vector>

class CIconListCache {
public:
    CIconListCache() = default;
    ~CIconListCache();
    CIconListCache(const CIconListCache&) = delete;
    CIconListCache& operator=(const CIconListCache&) = delete;

    bool Create(int cx, int cy, UINT flags);
    // Adds a bitmap file with colour key; a file that does not load is
    // skipped. Returns whether the image was added.
    bool AddBitmapFile(const std::wstring& path, COLORREF maskColour);
    // Adds an icon file (loaded at its own size); a file that does not load
    // is skipped (later indices then shift).
    bool AddIconFile(const std::wstring& path);
    // Gives the cache one empty slot per image of the list (the lists are
    // complete once loaded).
    void MakeCache();

    // The cached icon of the image, extracted on first use; null when the
    // list or its cache is missing or the index is outside the list.
    HICON GetIcon(int index);

    int GetImageCount() const { return m_list.GetImageCount(); }
    HIMAGELIST GetList() const { return m_list.Get(); }
    bool HasCache() const { return m_cached; }

private:
    void ReleaseIcons();

    fw::CImageList m_list;
    std::vector<HICON> m_icons;
    bool m_cached = false;
};
