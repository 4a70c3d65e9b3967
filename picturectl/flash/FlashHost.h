// CFlashHost: a Flash movie shown in a transparent pop-up over a window.
//
// The pop-up is a layered window (class "AtlAxWin80", registered by this
// library) exactly over the parent's client area and owned by the parent.
// It hosts the Shockwave Flash control windowless through our own site
// (CAxHostSite), with WMode "Transparent", and paints it with
// IViewObject::Draw (DVASPECT_TRANSPARENT) into a 32-bit buffer that it
// publishes with UpdateLayeredWindow (per-pixel alpha).
//
// It ends when the movie sends the FSCommand "quit" (any case) or, unless
// the time-out is 0xFFFFFFFF, when the time-out has passed after the movie
// was completely loaded (timer 153, every 100 ms). A movie that never
// completes its loading ends after the time-out counted from the start.
// Ending releases the control and destroys the window; the object deletes
// itself once its window is gone.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include "../com/ComModule.h"
#include "../com/ComPtr.h"
#include "FlashEventSink.h"

#include <string>

namespace flash {

class CAxHostSite;

class CFlashHost final : private FlashEventHandler {
public:
    static constexpr UINT_PTR kTimerId = 153;
    static constexpr UINT kTimerPeriodMs = 100;
    static constexpr DWORD kNoTimeOut = 0xFFFFFFFF;
    static const wchar_t kWindowClass[];  // "AtlAxWin80"

    CFlashHost();
    ~CFlashHost();
    CFlashHost(const CFlashHost&) = delete;
    CFlashHost& operator=(const CFlashHost&) = delete;

    // Shows the movie over parent's client area. On success the object
    // belongs to its window from here on (it deletes itself when the window
    // is destroyed). On failure nothing is left on the screen and the caller
    // deletes the object.
    BOOL Create(HWND parent, const wchar_t* movie, DWORD timeOut);
    HWND Window() const { return m_window; }

    // At unload: the window class must not outlive the window procedure.
    static void UnregisterWindowClass();

private:
    static LRESULT CALLBACK StaticWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    static bool RegisterWindowClass();
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);

    HRESULT CreateControl();
    HRESULT PutProperty(const wchar_t* name, VARIANT value);
    HRESULT GetProperty(const wchar_t* name, VARIANT* value);
    HRESULT CallMethod(const wchar_t* name, VARIANT* args, UINT count);
    LONG ReadyState();

    void OnTimer();
    void OnMovieComplete();
    void Paint();
    bool EnsureBuffer(int width, int height);
    void FreeBuffer();
    void End();
    void ReleaseControl();

    // FlashEventHandler
    void OnFSCommand(const std::wstring& command, const std::wstring& args) override;
    void OnReadyStateChange(LONG state) override;

    com::ModuleLock m_moduleLock;
    bool m_comInitialized = false;

    HWND m_parent = nullptr;
    HWND m_window = nullptr;
    com::ComPtr<IDispatch> m_flash;  // IShockwaveFlash, used late-bound
    com::ComPtr<IViewObject> m_view;
    com::ComPtr<IOleInPlaceObjectWindowless> m_windowless;
    CAxHostSite* m_site = nullptr;
    CFlashEventSink* m_sink = nullptr;
    com::ComPtr<IConnectionPoint> m_connection;
    DWORD m_cookie = 0xCDCDCDCD;  // until advised
    bool m_released = false;

    std::wstring m_movie;
    DWORD m_timeOut = kNoTimeOut;
    DWORD m_deadline = kNoTimeOut;  // GetTickCount, when m_hasDeadline
    bool m_hasDeadline = false;
    UINT_PTR m_timer = 0;           // kTimerId while set
    bool m_complete = false;
    bool m_ending = false;

    // The paint buffer: a memory DC with a 32-bit top-down DIB section.
    HDC m_bufferDc = nullptr;
    HBITMAP m_buffer = nullptr;
    HGDIOBJ m_oldBitmap = nullptr;
    void* m_bits = nullptr;
    SIZE m_bufferSize{};

    // Deletion waits until no handler of this object is running.
    int m_depth = 0;
    bool m_ownedByWindow = false;
    bool m_destroyed = false;
};

}  // namespace flash
