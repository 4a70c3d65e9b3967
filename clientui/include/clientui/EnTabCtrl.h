// CEnTabCtrl: the skinned tab strip of the main windows: tabs with gradient
// faces and one child dialog page per tab, which the control creates, places
// below the tabs and shows for the selected tab.
//
// The look flags are one word shared by every CEnTabCtrl of the process
// (both clients set 0x0F before the first page is shown).
#pragma once

#include "clientui/BaseTabCtrl.h"

#include "fw/Dialog.h"

#include <vector>

class CEnTabCtrl : public CBaseTabCtrl {
public:
    enum LookFlags : DWORD {
        kFlat = 0x01,            // flat tabs
        kUseBkgndColour = 0x02,  // tabs take the background colour
        kLightenSelected = 0x04, // the selected tab is lightened
        kGradientFaces = 0x08,   // gradient tab faces (more than 15 bits per pixel)
        kTabsBehind = 0x10,      // unselected tabs lie behind the page
    };

    CEnTabCtrl() = default;

    static void SetLookFlags(DWORD flags);
    static DWORD GetLookFlags();

    // Appends a tab with title and creates page (whose template is
    // templateId) as a child dialog of the control, placed in the page area.
    // Returns false, doing nothing, without a page or when the page is not
    // made from templateId or cannot be created. The page object stays the
    // caller's.
    bool AddTabPage(fw::CDialog* page, UINT templateId, const std::wstring& title);
    // Shows the page of index and hides the others; an index beyond the page
    // list changes nothing.
    void ShowTabPage(int index);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    fw::CDialog* GetPage(int index) const;

    void PaintTab(DRAWITEMSTRUCT* dis) override;
    void PaintPageFrame(DRAWITEMSTRUCT* dis) override {}
    void PaintTabFrame(DRAWITEMSTRUCT* dis) override;
    COLORREF TabColour(bool selected) const override;
    COLORREF TabTextColour(bool selected) const override;

    // The colour rules behind TabColour and TabTextColour, for look flags,
    // a background colour (kNoColour: none given) and the system colours.
    static COLORREF ComputeTabColour(DWORD flags, COLORREF background, COLORREF buttonFace, bool selected);
    static COLORREF ComputeTabTextColour(DWORD flags, COLORREF background, COLORREF buttonFace,
                                         COLORREF windowText, bool selected);
    // Whether tab faces are gradients: the gradient flag on a display of more
    // than 15 bits per pixel.
    static bool UseGradientFaces(DWORD flags, int bitsPerPixel);
    // Channels multiplied by factor clamped to 0..1 (rounded).
    static COLORREF Darken(COLORREF colour, double factor);
    // Channels multiplied by factor (at least 1), each rounded and clamped to 255.
    static COLORREF Lighten(COLORREF colour, double factor);
    // Bottom colour of a tab face gradient.
    static constexpr COLORREF kSelectedFaceBottom = 0xFFFFFF;
    static constexpr COLORREF kFaceBottom = 0xF9E5BA;

    // Places every page below the first tab and shows the selected one.
    void PlacePages();

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    bool WantsOwnerDraw() const override { return CBaseTabCtrl::WantsOwnerDraw() || GetLookFlags() != 0; }

private:
    std::vector<fw::CDialog*> m_pages;  // one per tab, in tab order
};
