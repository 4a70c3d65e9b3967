// CReMervale: the picture control drawn transparently (coclass ReMervale,
// IReMervale): its frames are pre-rendered into a strip and copied with
// their transparent colour left out. It has its own frame timer and the
// stock BackStyle and TabStop properties.
#pragma once

#include "PictureControlT.h"
#include "TransparentFrameStrip.h"

namespace mervale {

class CReMervale final : public PictureControlT<IReMervale> {
public:
    // The id the timer of this class asks for.
    static constexpr UINT_PTR kTimerId = 0xFF00;

    CReMervale();
    static CAnimationTimer& SharedTimer();

    STDMETHODIMP put_BackStyle(LONG style) override;
    STDMETHODIMP get_BackStyle(LONG* style) override;
    STDMETHODIMP put_TabStop(VARIANT_BOOL tabStop) override;
    STDMETHODIMP get_TabStop(VARIANT_BOOL* tabStop) override;

    bool HasFrameStrip() const { return !m_strip.Empty(); }

protected:
    void OnFramesReady() override;
    void OnPictureReset() override;
    void DrawFrame(HDC dc, int x, int y, int width, int height) override;
    std::vector<PropertyMapEntry> PropertyMap() const override;
    void SaveProperties(PropertyMapWriter& out) const override;
    void LoadProperties(const PropertyMapReader& in) override;
    const wchar_t* TextPropertyName() const override { return L"\u6587\u672C"; }  // "text"

private:
    TransparentFrameStrip m_strip;
    LONG m_backStyle = 0;
    VARIANT_BOOL m_tabStop = VARIANT_FALSE;
};

}  // namespace mervale
