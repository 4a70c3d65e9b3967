// CIconListCache: an image list with one cached icon per image. An icon is
// extracted from the list on its first use and kept until the cache goes;
// callers never destroy the icons they get.
//
// Every file added takes one slot, whether it loads or not: a file that
// does not load leaves a blank, transparent image in its slot, whose icon
// is null. So an index keeps its meaning (a status number, a face number)
// when a skin file is missing.
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
    // Adds a bitmap file with colour key. Returns whether the file loaded;
    // one that does not load leaves a blank slot.
    bool AddBitmapFile(const std::wstring& path, COLORREF maskColour);
    // Adds an icon file (loaded at its own size). Returns whether the file
    // loaded; one that does not load leaves a blank slot.
    bool AddIconFile(const std::wstring& path);
    // Gives the cache one empty slot per image of the list (the lists are
    // complete once loaded).
    void MakeCache();

    // The cached icon of the image, extracted on first use; null when the
    // list or its cache is missing, the index is outside the list or its
    // file did not load.
    HICON GetIcon(int index);

    int GetImageCount() const { return m_list.GetImageCount(); }
    HIMAGELIST GetList() const { return m_list.Get(); }
    bool HasCache() const { return m_cached; }
    // Whether the image of the slot came from its file.
    bool IsLoaded(int index) const;

private:
    void ReleaseIcons();
    // Appends a blank image that draws nothing.
    void AddBlankSlot();

    fw::CImageList m_list;
    std::vector<bool> m_loaded;  // one per slot
    std::vector<HICON> m_icons;
    bool m_cached = false;
};
