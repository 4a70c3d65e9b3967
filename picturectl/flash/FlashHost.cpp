#include "FlashHost.h"

#include "../com/Bstr.h"
#include "AxHostSite.h"
#include "ShockwaveFlash.h"

#include <cstring>

namespace flash {

const wchar_t CFlashHost::kWindowClass[] = L"AtlAxWin80";

namespace {

// Posted by the "quit" command: the control is not released from inside
// its own event.
constexpr UINT kEndMessage = WM_APP + 153;

int g_hosts = 0;  // live hosts; the window class goes with the last one

VARIANT BoolVariant(bool value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

bool IsForwardedInput(UINT msg) {
    return (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) || (msg >= WM_KEYFIRST && msg <= WM_KEYLAST) ||
           msg == WM_SETCURSOR;
}

}  // namespace

CFlashHost::CFlashHost() {
    m_comInitialized = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    ++g_hosts;
}

CFlashHost::~CFlashHost() {
    ReleaseControl();
    if (m_window) {
        m_ownedByWindow = false;
        DestroyWindow(m_window);
    }
    FreeBuffer();
    if (--g_hosts == 0) UnregisterClassW(kWindowClass, com::ComModule::Instance());
    if (m_comInitialized) CoUninitialize();
}

void CFlashHost::UnregisterWindowClass() { UnregisterClassW(kWindowClass, com::ComModule::Instance()); }

bool CFlashHost::RegisterWindowClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(com::ComModule::Instance(), kWindowClass, &wc)) return true;
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &CFlashHost::StaticWindowProc;
    wc.hInstance = com::ComModule::Instance();
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.lpszClassName = kWindowClass;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

BOOL CFlashHost::Create(HWND parent, const wchar_t* movie, DWORD timeOut) {
    if (m_window || !parent || !IsWindow(parent)) return FALSE;
    m_parent = parent;
    m_movie = movie ? movie : L"";
    m_timeOut = timeOut;

    RECT area{};
    if (!GetClientRect(parent, &area)) return FALSE;
    MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&area), 2);
    if (!RegisterWindowClass()) return FALSE;
    m_window = CreateWindowExW(WS_EX_LAYERED, kWindowClass, L"", WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS, area.left,
                               area.top, area.right - area.left, area.bottom - area.top, parent, nullptr,
                               com::ComModule::Instance(), this);
    if (!m_window) return FALSE;
    SetWindowPos(m_window, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);

    HRESULT hr = CreateControl();
    if (SUCCEEDED(hr) && !m_movie.empty()) {
        VARIANT args[2];  // reversed: the movie, then layer 0
        VariantInit(&args[0]);
        VariantInit(&args[1]);
        args[0].vt = VT_BSTR;
        args[0].bstrVal = SysAllocString(m_movie.c_str());
        args[1].vt = VT_I4;
        args[1].lVal = 0;
        hr = args[0].bstrVal ? CallMethod(L"LoadMovie", args, 2) : E_OUTOFMEMORY;
        VariantClear(&args[0]);
    }
    if (SUCCEEDED(hr) && ReadyState() == kReadyStateComplete) OnMovieComplete();
    if (SUCCEEDED(hr) && m_timeOut != kNoTimeOut) {
        if (!m_hasDeadline) {
            // Counted from now until the movie is complete.
            m_deadline = GetTickCount() + m_timeOut;
            m_hasDeadline = true;
        }
        m_timer = SetTimer(m_window, kTimerId, kTimerPeriodMs, nullptr);
        if (!m_timer) hr = HRESULT_FROM_WIN32(GetLastError());
    }
    if (FAILED(hr)) {
        // Nothing of a failed pop-up stays: the caller deletes this object.
        ReleaseControl();
        DestroyWindow(m_window);
        m_window = nullptr;
        return FALSE;
    }
    m_ownedByWindow = true;
    Paint();
    return TRUE;
}

// The control, hosted windowless and transparent in the pop-up.
HRESULT CFlashHost::CreateControl() {
    HRESULT hr = CoCreateInstance(kClsidShockwaveFlash, nullptr, CLSCTX_INPROC_SERVER, kIidShockwaveFlash,
                                  m_flash.ReceiveVoid());
    if (FAILED(hr)) return hr;
    if (!m_flash) return E_NOINTERFACE;
    auto ole = m_flash.As<IOleObject>(IID_IOleObject);
    if (!ole) return E_NOINTERFACE;
    m_site = CAxHostSite::Create(m_window);
    if (!m_site) return E_OUTOFMEMORY;
    hr = ole->SetClientSite(static_cast<IOleClientSite*>(m_site));
    if (FAILED(hr)) return hr;
    if (auto init = m_flash.As<IPersistStreamInit>(IID_IPersistStreamInit)) init->InitNew();

    auto container = m_flash.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
    if (!container) return E_NOINTERFACE;
    hr = container->FindConnectionPoint(kDiidShockwaveFlashEvents, m_connection.Receive());
    if (FAILED(hr)) return hr;
    if (!m_connection) return E_NOINTERFACE;
    m_sink = CFlashEventSink::Create(this);
    if (!m_sink) return E_OUTOFMEMORY;
    DWORD cookie = 0;
    hr = m_connection->Advise(m_sink, &cookie);
    if (FAILED(hr)) return hr;
    m_cookie = cookie;

    VARIANT mode;
    VariantInit(&mode);
    mode.vt = VT_BSTR;
    mode.bstrVal = SysAllocString(L"Transparent");
    hr = mode.bstrVal ? PutProperty(L"WMode", mode) : E_OUTOFMEMORY;
    VariantClear(&mode);
    if (FAILED(hr)) return hr;

    m_view = m_flash.As<IViewObject>(IID_IViewObject);
    m_windowless = m_flash.As<IOleInPlaceObjectWindowless>(IID_IOleInPlaceObjectWindowless);
    if (!m_view || !m_windowless) return E_NOINTERFACE;

    RECT client{};
    GetClientRect(m_window, &client);
    hr = ole->DoVerb(OLEIVERB_SHOW, nullptr, static_cast<IOleClientSite*>(m_site), 0, m_window, &client);
    if (FAILED(hr)) return hr;
    // Only a windowless control can be drawn into the layered window.
    if (!m_site->IsActive()) return E_FAIL;
    m_windowless->SetObjectRects(&client, &client);
    return S_OK;
}

HRESULT CFlashHost::PutProperty(const wchar_t* name, VARIANT value) {
    if (!m_flash) return E_UNEXPECTED;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = m_flash->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &put, 1, 1};
    return m_flash->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                           nullptr);
}

HRESULT CFlashHost::GetProperty(const wchar_t* name, VARIANT* value) {
    VariantInit(value);
    if (!m_flash) return E_UNEXPECTED;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = m_flash->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    return m_flash->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value, nullptr, nullptr);
}

HRESULT CFlashHost::CallMethod(const wchar_t* name, VARIANT* args, UINT count) {
    if (!m_flash) return E_UNEXPECTED;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = m_flash->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    DISPPARAMS params{args, nullptr, count, 0};
    return m_flash->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
}

LONG CFlashHost::ReadyState() {
    VARIANT state;
    LONG value = -1;
    if (SUCCEEDED(GetProperty(L"ReadyState", &state)) && SUCCEEDED(VariantChangeType(&state, &state, 0, VT_I4))) {
        value = state.lVal;
    }
    VariantClear(&state);
    return value;
}

// The movie plays once; the time-out counts from here.
void CFlashHost::OnMovieComplete() {
    if (m_complete || m_released) return;
    m_complete = true;
    PutProperty(L"Loop", BoolVariant(false));
    if (m_timeOut != kNoTimeOut) {
        m_deadline = GetTickCount() + m_timeOut;
        m_hasDeadline = true;
    }
}

void CFlashHost::OnTimer() {
    if (!m_complete && ReadyState() == kReadyStateComplete) OnMovieComplete();
    if (m_hasDeadline && static_cast<LONG>(GetTickCount() - m_deadline) >= 0) End();
}

void CFlashHost::OnFSCommand(const std::wstring& command, const std::wstring&) {
    if (_wcsicmp(command.c_str(), L"quit") != 0 || !m_window || m_ending) return;
    if (m_timer) KillTimer(m_window, kTimerId);
    m_timer = 0;
    m_hasDeadline = false;
    ShowWindow(m_window, SW_HIDE);
    PostMessageW(m_window, kEndMessage, 0, 0);
}

void CFlashHost::OnReadyStateChange(LONG state) {
    if (state == kReadyStateComplete) OnMovieComplete();
}

void CFlashHost::End() {
    if (m_ending || !m_window) return;
    m_ending = true;
    if (m_timer) KillTimer(m_window, kTimerId);
    m_timer = 0;
    ShowWindow(m_window, SW_HIDE);
    ReleaseControl();
    DestroyWindow(m_window);
}

// Once: the events are unadvised, the control leaves its in-place state and
// its site, and every interface on it is released.
void CFlashHost::ReleaseControl() {
    if (m_released) return;
    m_released = true;
    if (m_connection && m_cookie != 0xCDCDCDCD) m_connection->Unadvise(m_cookie);
    m_connection.Reset();
    if (m_sink) {
        m_sink->Detach();
        m_sink->Release();
        m_sink = nullptr;
    }
    if (m_windowless) m_windowless->InPlaceDeactivate();
    if (m_flash) {
        if (auto ole = m_flash.As<IOleObject>(IID_IOleObject)) {
            ole->Close(OLECLOSE_NOSAVE);
            ole->SetClientSite(nullptr);
        }
    }
    m_windowless.Reset();
    m_view.Reset();
    m_flash.Reset();
    if (m_site) {
        m_site->Detach();
        m_site->Release();
        m_site = nullptr;
    }
}

// ---------------------------------------------------------------- painting

bool CFlashHost::EnsureBuffer(int width, int height) {
    if (m_buffer && m_bufferSize.cx == width && m_bufferSize.cy == height) return true;
    FreeBuffer();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    m_bufferDc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (!m_bufferDc) return false;
    m_buffer = CreateDIBSection(m_bufferDc, &info, DIB_RGB_COLORS, &m_bits, nullptr, 0);
    if (!m_buffer || !m_bits) {
        FreeBuffer();
        return false;
    }
    m_oldBitmap = SelectObject(m_bufferDc, m_buffer);
    m_bufferSize = {width, height};
    return true;
}

void CFlashHost::FreeBuffer() {
    if (m_bufferDc && m_oldBitmap) SelectObject(m_bufferDc, m_oldBitmap);
    if (m_buffer) DeleteObject(m_buffer);
    if (m_bufferDc) DeleteDC(m_bufferDc);
    m_bufferDc = nullptr;
    m_buffer = nullptr;
    m_oldBitmap = nullptr;
    m_bits = nullptr;
    m_bufferSize = {};
}

// The control draws itself transparently over a clear buffer, which is then
// the window's picture with per-pixel alpha (premultiplied, as the layered
// window takes it). What it leaves without alpha stays see-through.
void CFlashHost::Paint() {
    if (!m_window || !m_view || m_ending) return;
    RECT client{};
    GetClientRect(m_window, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width <= 0 || height <= 0 || !EnsureBuffer(width, height)) return;

    DWORD* pixels = static_cast<DWORD*>(m_bits);
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::memset(pixels, 0, count * sizeof(DWORD));
    RECTL bounds{0, 0, width, height};
    HRESULT hr = m_view->Draw(DVASPECT_TRANSPARENT, -1, nullptr, nullptr, nullptr, m_bufferDc, &bounds, nullptr,
                              nullptr, 0);
    GdiFlush();
    if (SUCCEEDED(hr)) {
        for (size_t i = 0; i < count; ++i) {
            if ((pixels[i] >> 24) == 0) pixels[i] = 0;
        }
    } else {
        // A control without the transparent aspect draws opaquely.
        m_view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, m_bufferDc, &bounds, nullptr, nullptr, 0);
        GdiFlush();
        for (size_t i = 0; i < count; ++i) pixels[i] |= 0xFF000000u;
    }

    RECT window{};
    GetWindowRect(m_window, &window);
    POINT position{window.left, window.top};
    SIZE size{width, height};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    HDC screen = GetDC(nullptr);
    UpdateLayeredWindow(m_window, screen, &position, &size, m_bufferDc, &source, 0, &blend, ULW_ALPHA);
    ReleaseDC(nullptr, screen);
}

// ---------------------------------------------------------------- window

LRESULT CALLBACK CFlashHost::StaticWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* host = static_cast<CFlashHost*>(create->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(host));
        if (host) host->m_window = window;
    }
    auto* host = reinterpret_cast<CFlashHost*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!host) return DefWindowProcW(window, msg, wParam, lParam);
    ++host->m_depth;
    const LRESULT result = host->WindowProc(msg, wParam, lParam);
    if (--host->m_depth == 0 && host->m_destroyed && host->m_ownedByWindow) delete host;
    return result;
}

LRESULT CFlashHost::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    const HWND window = m_window;
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        EndPaint(window, &ps);
        Paint();
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_TIMER:
        if (wParam == kTimerId) {
            OnTimer();
            return 0;
        }
        break;
    case kEndMessage:
        End();
        return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
        return 0;  // no context menu of the movie
    case WM_DESTROY:
        if (m_timer) KillTimer(window, kTimerId);
        m_timer = 0;
        ReleaseControl();
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        m_window = nullptr;
        m_destroyed = true;
        break;
    default:
        if (IsForwardedInput(msg) && m_windowless && !m_released) {
            LRESULT result = 0;
            if (m_windowless->OnWindowMessage(msg, wParam, lParam, &result) == S_OK) return result;
        }
        break;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

}  // namespace flash
