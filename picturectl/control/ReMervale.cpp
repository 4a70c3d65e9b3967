#include "ReMervale.h"

namespace mervale {

CReMervale::CReMervale() : PictureControlT<IReMervale>(CLSID_ReMervale, SharedTimer()) {}

CAnimationTimer& CReMervale::SharedTimer() {
    static CAnimationTimer timer(kTimerId);
    return timer;
}

STDMETHODIMP CReMervale::put_BackStyle(LONG style) {
    m_backStyle = style;
    MarkDirty();
    return S_OK;
}

STDMETHODIMP CReMervale::get_BackStyle(LONG* style) {
    if (!style) return E_POINTER;
    *style = m_backStyle;
    return S_OK;
}

STDMETHODIMP CReMervale::put_TabStop(VARIANT_BOOL tabStop) {
    m_tabStop = tabStop ? VARIANT_TRUE : VARIANT_FALSE;
    MarkDirty();
    return S_OK;
}

STDMETHODIMP CReMervale::get_TabStop(VARIANT_BOOL* tabStop) {
    if (!tabStop) return E_POINTER;
    *tabStop = m_tabStop;
    return S_OK;
}

void CReMervale::OnFramesReady() { m_strip.Build(Picture(), FrameIndex()); }
void CReMervale::OnPictureReset() { m_strip.Reset(); }

// Without a strip the picture is drawn through GDI+, which keeps its alpha.
void CReMervale::DrawFrame(HDC dc, int x, int y, int width, int height) {
    if (m_strip.Empty()) {
        PictureControlT<IReMervale>::DrawFrame(dc, x, y, width, height);
    } else {
        m_strip.Draw(dc, x, y, width, height, FrameIndex());
    }
}

// The stock properties follow the shared ones in the map.
std::vector<PropertyMapEntry> CReMervale::PropertyMap() const {
    std::vector<PropertyMapEntry> map = PictureControlT<IReMervale>::PropertyMap();
    map.push_back({L"BackStyle", VT_I4});
    map.push_back({L"TabStop", VT_BOOL});
    return map;
}

void CReMervale::SaveProperties(PropertyMapWriter& out) const {
    PictureControlT<IReMervale>::SaveProperties(out);
    out.Long(m_backStyle);
    out.Bool(m_tabStop);
}

void CReMervale::LoadProperties(const PropertyMapReader& in) {
    PictureControlT<IReMervale>::LoadProperties(in);
    in.Long(L"BackStyle", m_backStyle);
    in.Bool(L"TabStop", m_tabStop);
}

}  // namespace mervale
