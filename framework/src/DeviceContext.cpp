#include "fw/DeviceContext.h"

namespace fw {
namespace {

thread_local CPrintRedirect* t_redirect = nullptr;

}  // namespace

CPrintRedirect::CPrintRedirect(HWND hWnd, HDC dc) : m_hWnd(hWnd), m_dc(dc), m_outer(t_redirect) {
    t_redirect = this;
}

CPrintRedirect::~CPrintRedirect() { t_redirect = m_outer; }

CPaintDC::CPaintDC(HWND hWnd) : m_hWnd(hWnd) {
    CPrintRedirect* redirect = t_redirect;
    if (redirect && redirect->m_hWnd == hWnd && redirect->m_dc) {
        m_savedState = ::SaveDC(redirect->m_dc);
        if (m_savedState) {
            redirect->m_used = true;
            m_dc = redirect->m_dc;
            m_ps.hdc = m_dc;
            ::GetClientRect(hWnd, &m_ps.rcPaint);
            return;
        }
    }
    m_dc = ::BeginPaint(hWnd, &m_ps);
}

CPaintDC::~CPaintDC() {
    if (m_savedState)
        ::RestoreDC(m_dc, m_savedState);
    else
        ::EndPaint(m_hWnd, &m_ps);
}

}  // namespace fw
