// Scoped device contexts and selections: every DC and every selected object
// is given back when the scope ends.
#pragma once

#include <windows.h>

namespace fw {

// GetDC / ReleaseDC.
class CClientDC {
public:
    explicit CClientDC(HWND hWnd) : m_hWnd(hWnd), m_dc(::GetDC(hWnd)) {}
    ~CClientDC() { if (m_dc) ::ReleaseDC(m_hWnd, m_dc); }
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;
    HDC Get() const { return m_dc; }
    operator HDC() const { return m_dc; }

private:
    HWND m_hWnd;
    HDC m_dc;
};

// BeginPaint / EndPaint, for WM_PAINT. While the window answers
// fw::PrintClientMessage() (a CPrintRedirect for it is alive on this thread), it
// stands for the caller's DC instead: the paint handler then draws its whole
// client area there, the screen and the update region stay untouched, and
// the DC's state is given back as it was.
class CPaintDC {
public:
    explicit CPaintDC(HWND hWnd);
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    HDC Get() const { return m_dc; }
    operator HDC() const { return m_dc; }
    const PAINTSTRUCT& GetPaintStruct() const { return m_ps; }
    // Whether this paints into a print-client caller's DC.
    bool IsPrinting() const { return m_savedState != 0; }

private:
    HWND m_hWnd;
    PAINTSTRUCT m_ps = {};
    HDC m_dc = nullptr;
    int m_savedState = 0;  // SaveDC of the caller's DC while printing
};

// Sends the CPaintDC objects of hWnd made on this thread while the scope
// lives to dc (see CPaintDC). Scopes nest; the inner one wins while it lives.
class CPrintRedirect {
public:
    CPrintRedirect(HWND hWnd, HDC dc);
    ~CPrintRedirect();
    CPrintRedirect(const CPrintRedirect&) = delete;
    CPrintRedirect& operator=(const CPrintRedirect&) = delete;
    // Whether a CPaintDC has painted into dc.
    bool WasUsed() const { return m_used; }

private:
    friend class CPaintDC;
    HWND m_hWnd;
    HDC m_dc;
    bool m_used = false;
    CPrintRedirect* m_outer;
};

// SelectObject for the scope; the previous object is selected back.
class CSelectObject {
public:
    CSelectObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(object ? ::SelectObject(dc, object) : nullptr) {}
    ~CSelectObject() { if (m_old) ::SelectObject(m_dc, m_old); }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

}  // namespace fw
