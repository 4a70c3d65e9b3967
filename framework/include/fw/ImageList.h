// CImageList: owns an image list and destroys it when it goes. Move-only.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace fw {

class CImageList {
public:
    CImageList() = default;
    ~CImageList() { Destroy(); }
    CImageList(CImageList&& other) noexcept : m_list(other.m_list) { other.m_list = nullptr; }
    CImageList& operator=(CImageList&& other) noexcept {
        if (this != &other) {
            Destroy();
            m_list = other.m_list;
            other.m_list = nullptr;
        }
        return *this;
    }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    bool Create(int cx, int cy, UINT flags, int initial, int grow) {
        Destroy();
        m_list = ::ImageList_Create(cx, cy, flags, initial, grow);
        return m_list != nullptr;
    }
    void Destroy() {
        if (m_list) ::ImageList_Destroy(m_list);
        m_list = nullptr;
    }
    HIMAGELIST Get() const { return m_list; }
    operator HIMAGELIST() const { return m_list; }
    bool IsNull() const { return m_list == nullptr; }

    int Add(HBITMAP image, HBITMAP mask = nullptr) { return m_list ? ::ImageList_Add(m_list, image, mask) : -1; }
    int AddMasked(HBITMAP image, COLORREF maskColour) {
        return m_list ? ::ImageList_AddMasked(m_list, image, maskColour) : -1;
    }
    int AddIcon(HICON icon) { return m_list ? ::ImageList_ReplaceIcon(m_list, -1, icon) : -1; }
    int GetImageCount() const { return m_list ? ::ImageList_GetImageCount(m_list) : 0; }
    // A new icon of image index; the caller destroys it. Null when out of range.
    HICON ExtractIcon(int index) const {
        if (!m_list || index < 0 || index >= GetImageCount()) return nullptr;
        return ::ImageList_GetIcon(m_list, index, ILD_NORMAL);
    }
    bool Draw(HDC dc, int index, int x, int y, UINT style = ILD_NORMAL) const {
        return m_list && ::ImageList_Draw(m_list, index, dc, x, y, style);
    }

private:
    HIMAGELIST m_list = nullptr;
};

}  // namespace fw
