#include "fw/GdiPlusSession.h"

#include <objidl.h>
#include <gdiplus.h>

namespace fw {

bool CGdiPlusSession::Start() {
    if (m_token) return true;
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
    m_token = token;
    return true;
}

void CGdiPlusSession::Shutdown() {
    if (!m_token) return;
    Gdiplus::GdiplusShutdown(m_token);
    m_token = 0;
}

}  // namespace fw
