// Stand-in for the Shockwave Flash ActiveX control (class
// {D27CDB6E-AE6D-11CF-96B8-444553540000}), for the tests of the Flash
// pop-up under Wine, which has no Flash. It does what a host of the real
// control relies on, and nothing more:
//
//   - IShockwaveFlash as a dual interface reached by name: the properties
//     WMode, ReadyState, Loop, BackgroundColor and Movie, the method
//     LoadMovie(layer, url);
//   - the _IShockwaveFlashEvents connection point: OnReadyStateChange and
//     FSCommand(command, args);
//   - windowless in-place activation, mouse input through
//     IOleInPlaceObjectWindowless::OnWindowMessage, and drawing through
//     IViewObject::Draw: in WMode "Transparent" a translucent panel over a
//     clear background (premultiplied alpha written into a 32-bit DIB);
//     otherwise the panel on an opaque grey background.
//
// A "movie" is a small text file, one instruction a line:
//
//   ready <ms>           the ready state becomes 4 that long after LoadMovie
//                        (0, the default: before LoadMovie returns)
//   quit <ms>            FSCommand("quit", "") that long after the movie is
//                        complete
//   command <name> <ms>  FSCommand(name, "") that long after it is complete
//   clickquit            a left click on the panel sends FSCommand("quit")
//   text <words>         the caption drawn on the panel
//
// LoadMovie of a file that cannot be read fails with E_FAIL.
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "control/GdiplusHeaders.h"
#include "flash/ShockwaveFlash.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

LONG g_objects = 0;
LONG g_locks = 0;

enum : DISPID {
    kDispidMovie = 0x66,
    kDispidLoop = 0x6a,
    kDispidBackgroundColor = 0x7b,
    kDispidWMode = 0x85,
    kDispidLoadMovie = 0x8e,
    kDispidReadyState = DISPID_READYSTATE,
};

struct Member {
    const wchar_t* name;
    DISPID id;
};
const Member kMembers[] = {
    {L"Movie", kDispidMovie},         {L"Loop", kDispidLoop}, {L"BackgroundColor", kDispidBackgroundColor},
    {L"WMode", kDispidWMode},         {L"LoadMovie", kDispidLoadMovie}, {L"ReadyState", kDispidReadyState},
};

struct Command {
    std::wstring name;
    DWORD delayMs = 0;
};

struct Movie {
    DWORD readyMs = 0;
    std::vector<Command> commands;
    bool clickQuit = false;
    std::wstring text;
};

std::wstring Widen(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

bool ReadMovie(const std::wstring& path, Movie& movie) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::string bytes;
    char piece[4096];
    DWORD read = 0;
    while (ReadFile(file, piece, sizeof piece, &read, nullptr) && read) bytes.append(piece, read);
    CloseHandle(file);
    std::istringstream lines(bytes);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word == "ready") {
            words >> movie.readyMs;
        } else if (word == "quit") {
            Command c{L"quit", 0};
            words >> c.delayMs;
            movie.commands.push_back(c);
        } else if (word == "command") {
            std::string name;
            Command c;
            words >> name >> c.delayMs;
            c.name = Widen(name);
            movie.commands.push_back(c);
        } else if (word == "clickquit") {
            movie.clickQuit = true;
        } else if (word == "text") {
            std::string rest;
            std::getline(words, rest);
            movie.text = Widen(rest.substr(rest.find_first_not_of(' ') == std::string::npos
                                               ? rest.size()
                                               : rest.find_first_not_of(' ')));
        }
    }
    return true;
}

class CFlashStandIn;

// Thread timers of the stand-ins: id -> (object, what it is for).
struct TimerEntry {
    CFlashStandIn* object;
    int command;  // -1: the movie becomes ready; else the index of a command
};
std::map<UINT_PTR, TimerEntry> g_timers;

class CFlashStandIn final : public IDispatch,
                            public IOleObject,
                            public IOleInPlaceObjectWindowless,
                            public IViewObject2,
                            public IConnectionPointContainer,
                            public IPersistStreamInit {
public:
    CFlashStandIn() {
        InterlockedIncrement(&g_objects);
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&m_gdiplus, &input, nullptr);
    }

    // ------------------------------------------------------------ IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
            IsEqualIID(riid, flash::kIidShockwaveFlash)) {
            *ppv = static_cast<IDispatch*>(this);
        } else if (IsEqualIID(riid, IID_IOleObject)) {
            *ppv = static_cast<IOleObject*>(this);
        } else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceObject) ||
                   IsEqualIID(riid, IID_IOleInPlaceObjectWindowless)) {
            *ppv = static_cast<IOleInPlaceObjectWindowless*>(this);
        } else if (IsEqualIID(riid, IID_IViewObject) || IsEqualIID(riid, IID_IViewObject2)) {
            *ppv = static_cast<IViewObject2*>(this);
        } else if (IsEqualIID(riid, IID_IConnectionPointContainer)) {
            *ppv = static_cast<IConnectionPointContainer*>(this);
        } else if (IsEqualIID(riid, IID_IPersist) || IsEqualIID(riid, IID_IPersistStreamInit)) {
            *ppv = static_cast<IPersistStreamInit*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0) delete this;
        return static_cast<ULONG>(refs);
    }

    // ------------------------------------------------------------ IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            for (const Member& m : kMembers) {
                if (_wcsicmp(names[i], m.name) == 0) ids[i] = m.id;
            }
            if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) override {
        const bool put = (flags & DISPATCH_PROPERTYPUT) != 0;
        VARIANT arg;
        VariantInit(&arg);
        auto argument = [&](UINT index, VARTYPE type) {  // in call order
            VariantClear(&arg);
            if (!params || index >= params->cArgs) return false;
            return SUCCEEDED(VariantChangeType(&arg, &params->rgvarg[params->cArgs - 1 - index], 0, type));
        };
        HRESULT hr = S_OK;
        switch (id) {
        case kDispidWMode:
            if (put) {
                if (!argument(0, VT_BSTR)) hr = DISP_E_TYPEMISMATCH;
                else m_wmode.assign(arg.bstrVal ? arg.bstrVal : L"", SysStringLen(arg.bstrVal));
            } else if (result) {
                result->vt = VT_BSTR;
                result->bstrVal = SysAllocString(m_wmode.c_str());
            }
            break;
        case kDispidLoop:
            if (put) {
                if (!argument(0, VT_BOOL)) hr = DISP_E_TYPEMISMATCH;
                else m_loop = arg.boolVal != VARIANT_FALSE;
            } else if (result) {
                result->vt = VT_BOOL;
                result->boolVal = m_loop ? VARIANT_TRUE : VARIANT_FALSE;
            }
            break;
        case kDispidBackgroundColor:
            if (put) {
                if (!argument(0, VT_I4)) hr = DISP_E_TYPEMISMATCH;
                else m_background = arg.lVal;
            } else if (result) {
                result->vt = VT_I4;
                result->lVal = m_background;
            }
            break;
        case kDispidReadyState:
            if (put) {
                hr = DISP_E_MEMBERNOTFOUND;
            } else if (result) {
                result->vt = VT_I4;
                result->lVal = m_readyState;
            }
            break;
        case kDispidMovie:
            if (put) {
                hr = DISP_E_MEMBERNOTFOUND;
            } else if (result) {
                result->vt = VT_BSTR;
                result->bstrVal = SysAllocString(m_movieUrl.c_str());
            }
            break;
        case kDispidLoadMovie:
            if (!(flags & DISPATCH_METHOD) || !argument(1, VT_BSTR)) {
                hr = DISP_E_BADPARAMCOUNT;
            } else {
                hr = LoadMovie(std::wstring(arg.bstrVal ? arg.bstrVal : L"", SysStringLen(arg.bstrVal)));
            }
            break;
        default:
            hr = DISP_E_MEMBERNOTFOUND;
            break;
        }
        VariantClear(&arg);
        return hr;
    }

    // ------------------------------------------------------------ IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override {
        if (m_site) m_site->Release();
        m_site = site;
        if (m_site) m_site->AddRef();
        return S_OK;
    }
    STDMETHODIMP GetClientSite(IOleClientSite** site) override {
        if (!site) return E_POINTER;
        *site = m_site;
        if (m_site) m_site->AddRef();
        return S_OK;
    }
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Close(DWORD) override {
        InPlaceDeactivate();
        return S_OK;
    }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
        if (moniker) *moniker = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject** data) override {
        if (data) *data = nullptr;
        return E_NOTIMPL;
    }
    // Activation is windowless only: a host that cannot do it gets E_FAIL.
    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND, LPCRECT position) override {
        if (verb != OLEIVERB_SHOW && verb != OLEIVERB_INPLACEACTIVATE && verb != OLEIVERB_UIACTIVATE) {
            return OLEOBJ_E_INVALIDVERB;
        }
        if (site && site != m_site) SetClientSite(site);
        if (!m_site) return E_UNEXPECTED;
        if (m_inPlaceSite) return S_OK;
        IOleInPlaceSiteWindowless* windowless = nullptr;
        if (FAILED(m_site->QueryInterface(IID_IOleInPlaceSiteWindowless, reinterpret_cast<void**>(&windowless))) ||
            !windowless) {
            return E_FAIL;
        }
        if (windowless->CanWindowlessActivate() != S_OK) {
            windowless->Release();
            return E_FAIL;
        }
        BOOL noRedraw = FALSE;
        if (FAILED(windowless->OnInPlaceActivateEx(&noRedraw, ACTIVATE_WINDOWLESS))) {
            windowless->Release();
            return E_FAIL;
        }
        m_inPlaceSite = windowless;
        if (position) m_position = *position;
        m_inPlaceSite->InvalidateRect(nullptr, FALSE);
        return S_OK;
    }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override {
        if (verbs) *verbs = nullptr;
        return OLEOBJ_E_NOVERBS;
    }
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID* clsid) override {
        if (!clsid) return E_POINTER;
        *clsid = flash::kClsidShockwaveFlash;
        return S_OK;
    }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR* type) override {
        if (type) *type = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP SetExtent(DWORD, SIZEL*) override { return S_OK; }
    STDMETHODIMP GetExtent(DWORD, SIZEL* size) override {
        if (!size) return E_POINTER;
        size->cx = size->cy = 5000;
        return S_OK;
    }
    STDMETHODIMP Advise(IAdviseSink*, DWORD* connection) override {
        if (connection) *connection = 0;
        return E_NOTIMPL;
    }
    STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** advise) override {
        if (advise) *advise = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override {
        if (!status) return E_POINTER;
        *status = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT |
                  OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE;
        return S_OK;
    }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // ------------------------------------------------------------ IOleInPlaceObjectWindowless
    STDMETHODIMP GetWindow(HWND* window) override {
        if (window) *window = nullptr;
        return E_FAIL;  // windowless
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP InPlaceDeactivate() override {
        StopTimers();
        if (m_inPlaceSite) {
            m_inPlaceSite->OnInPlaceDeactivate();
            m_inPlaceSite->Release();
            m_inPlaceSite = nullptr;
        }
        return S_OK;
    }
    STDMETHODIMP UIDeactivate() override { return S_OK; }
    STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT) override {
        if (position) m_position = *position;
        return S_OK;
    }
    STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnWindowMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) override {
        if (result) *result = 0;
        if (msg == WM_LBUTTONUP && m_movie.clickQuit) {
            const POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            const RECT panel = Panel(m_position);
            if (PtInRect(&panel, at)) {
                FireCommand(L"quit");
                return S_OK;
            }
        }
        return S_FALSE;
    }
    STDMETHODIMP GetDropTarget(IDropTarget** target) override {
        if (target) *target = nullptr;
        return E_NOTIMPL;
    }

    // ------------------------------------------------------------ IViewObject2
    STDMETHODIMP Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                      BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override {
        if (aspect != DVASPECT_CONTENT && aspect != DVASPECT_TRANSPARENT) return DV_E_DVASPECT;
        if (!dc || !bounds) return E_INVALIDARG;
        const RECT area = {bounds->left, bounds->top, bounds->right, bounds->bottom};
        DIBSECTION section{};
        HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
        if (bitmap && GetObjectW(bitmap, sizeof section, &section) == sizeof section &&
            section.dsBm.bmBitsPixel == 32 && section.dsBm.bmBits && section.dsBm.bmHeight > 0) {
            // Straight into the 32-bit surface, premultiplied alpha and all.
            const int width = section.dsBm.bmWidth;
            const int height = section.dsBm.bmHeight;
            BYTE* scan0 = static_cast<BYTE*>(section.dsBm.bmBits);
            INT stride = section.dsBm.bmWidthBytes;
            if (!TopDown(dc, scan0, stride, height)) {
                scan0 += static_cast<size_t>(height - 1) * static_cast<size_t>(stride);
                stride = -stride;
            }
            Gdiplus::Bitmap canvas(width, height, stride, PixelFormat32bppPARGB, scan0);
            Gdiplus::Graphics graphics(&canvas);
            Paint(graphics, area);
        } else {
            Gdiplus::Graphics graphics(dc);
            Paint(graphics, area);
        }
        return S_OK;
    }
    STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colors) override {
        if (colors) *colors = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unfreeze(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP SetAdvise(DWORD, DWORD, IAdviseSink*) override { return S_OK; }
    STDMETHODIMP GetAdvise(DWORD*, DWORD*, IAdviseSink** sink) override {
        if (sink) *sink = nullptr;
        return S_OK;
    }
    STDMETHODIMP GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) override {
        return GetExtent(aspect, size);
    }

    // ------------------------------------------------------------ connection point
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override {
        if (points) *points = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) override {
        if (!point) return E_POINTER;
        *point = nullptr;
        if (!IsEqualIID(riid, flash::kDiidShockwaveFlashEvents)) return CONNECT_E_NOCONNECTION;
        *point = &m_events;
        AddRef();
        return S_OK;
    }

    // The one connection point, _IShockwaveFlashEvents, with one sink; its
    // references are the control's.
    class EventPoint final : public IConnectionPoint {
    public:
        explicit EventPoint(CFlashStandIn* owner) : m_owner(owner) {}
        IDispatch* Sink() const { return m_sink; }
        void Drop() {
            if (m_sink) m_sink->Release();
            m_sink = nullptr;
        }

        STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
            if (!ppv) return E_POINTER;
            if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IConnectionPoint)) {
                *ppv = this;
                AddRef();
                return S_OK;
            }
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        STDMETHODIMP_(ULONG) AddRef() override { return m_owner->AddRef(); }
        STDMETHODIMP_(ULONG) Release() override { return m_owner->Release(); }
        STDMETHODIMP GetConnectionInterface(IID* iid) override {
            if (!iid) return E_POINTER;
            *iid = flash::kDiidShockwaveFlashEvents;
            return S_OK;
        }
        STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override {
            if (!container) return E_POINTER;
            *container = m_owner;
            m_owner->AddRef();
            return S_OK;
        }
        STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
            if (!sink || !cookie) return E_POINTER;
            if (m_sink) return CONNECT_E_ADVISELIMIT;
            if (FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&m_sink)))) {
                m_sink = nullptr;
                return CONNECT_E_CANNOTCONNECT;
            }
            *cookie = 1;
            return S_OK;
        }
        STDMETHODIMP Unadvise(DWORD cookie) override {
            if (cookie != 1 || !m_sink) return CONNECT_E_NOCONNECTION;
            Drop();
            return S_OK;
        }
        STDMETHODIMP EnumConnections(IEnumConnections** connections) override {
            if (connections) *connections = nullptr;
            return E_NOTIMPL;
        }

    private:
        CFlashStandIn* m_owner;
        IDispatch* m_sink = nullptr;
    };
    // ------------------------------------------------------------ IPersistStreamInit
    STDMETHODIMP GetClassID(CLSID* clsid) override { return GetUserClassID(clsid); }
    STDMETHODIMP IsDirty() override { return S_FALSE; }
    STDMETHODIMP Load(LPSTREAM) override { return S_OK; }
    STDMETHODIMP Save(LPSTREAM, BOOL) override { return S_OK; }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override {
        if (size) size->QuadPart = 0;
        return S_OK;
    }
    STDMETHODIMP InitNew() override { return S_OK; }

    // ------------------------------------------------------------ the movie
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
        auto it = g_timers.find(id);
        KillTimer(nullptr, id);
        if (it == g_timers.end()) return;
        const TimerEntry entry = it->second;
        g_timers.erase(it);
        entry.object->AddRef();  // alive through its own event
        if (entry.command < 0) {
            entry.object->BecomeReady();
        } else {
            entry.object->FireCommand(entry.object->m_movie.commands[static_cast<size_t>(entry.command)].name);
        }
        entry.object->Release();
    }

private:
    ~CFlashStandIn() {
        StopTimers();
        m_events.Drop();
        if (m_inPlaceSite) m_inPlaceSite->Release();
        if (m_site) m_site->Release();
        Gdiplus::GdiplusShutdown(m_gdiplus);
        InterlockedDecrement(&g_objects);
    }

    HRESULT LoadMovie(const std::wstring& url) {
        Movie movie;
        if (!ReadMovie(url, movie)) return E_FAIL;
        StopTimers();
        m_movie = movie;
        m_movieUrl = url;
        m_readyState = 3;  // interactive
        if (m_movie.readyMs == 0) {
            BecomeReady();
        } else {
            StartTimer(m_movie.readyMs, -1);
        }
        return S_OK;
    }

    void BecomeReady() {
        m_readyState = flash::kReadyStateComplete;
        for (size_t i = 0; i < m_movie.commands.size(); ++i) {
            StartTimer(std::max<DWORD>(m_movie.commands[i].delayMs, 1), static_cast<int>(i));
        }
        FireEvent(flash::kDispidOnReadyStateChange, {flash::kReadyStateComplete});
        if (m_inPlaceSite) m_inPlaceSite->InvalidateRect(nullptr, FALSE);
    }

    void StartTimer(DWORD ms, int command) {
        const UINT_PTR id = SetTimer(nullptr, 0, ms, &CFlashStandIn::OnTimer);
        if (id) g_timers[id] = {this, command};
    }

    void StopTimers() {
        for (auto it = g_timers.begin(); it != g_timers.end();) {
            if (it->second.object == this) {
                KillTimer(nullptr, it->first);
                it = g_timers.erase(it);
            } else {
                ++it;
            }
        }
    }

    void FireCommand(const std::wstring& name) {
        VARIANT args[2];  // reversed: args, then the command
        VariantInit(&args[0]);
        VariantInit(&args[1]);
        args[0].vt = args[1].vt = VT_BSTR;
        args[0].bstrVal = SysAllocString(L"");
        args[1].bstrVal = SysAllocString(name.c_str());
        DISPPARAMS params{args, nullptr, 2, 0};
        if (IDispatch* sink = m_events.Sink()) {
            sink->AddRef();
            sink->Invoke(flash::kDispidFSCommand, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                         nullptr, nullptr);
            sink->Release();
        }
        VariantClear(&args[0]);
        VariantClear(&args[1]);
    }

    void FireEvent(DISPID id, std::initializer_list<LONG> values) {
        std::vector<VARIANT> args(values.size());
        size_t i = args.size();
        for (LONG value : values) {  // reversed
            --i;
            VariantInit(&args[i]);
            args[i].vt = VT_I4;
            args[i].lVal = value;
        }
        DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
        if (IDispatch* sink = m_events.Sink()) {
            sink->AddRef();
            sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
            sink->Release();
        }
    }

    // Whether the surface's first row in memory is its top row: a pixel set
    // at (0, 0) is looked for there.
    static bool TopDown(HDC dc, BYTE* bits, INT stride, int height) {
        DWORD* first = reinterpret_cast<DWORD*>(bits);
        DWORD* last = reinterpret_cast<DWORD*>(bits + static_cast<size_t>(height - 1) * static_cast<size_t>(stride));
        const DWORD savedFirst = *first, savedLast = *last;
        *first = 0;
        SetPixelV(dc, 0, 0, RGB(1, 2, 3));
        GdiFlush();
        const bool top = (*first & 0x00FFFFFF) == 0x00010203;
        *first = savedFirst;
        *last = savedLast;
        return top;
    }

    // The panel: centred, at most 360 x 160.
    static RECT Panel(const RECT& area) {
        const int width = std::min<int>(360, std::max<int>(0, area.right - area.left - 20));
        const int height = std::min<int>(160, std::max<int>(0, area.bottom - area.top - 20));
        const int left = area.left + (area.right - area.left - width) / 2;
        const int top = area.top + (area.bottom - area.top - height) / 2;
        return RECT{left, top, left + width, top + height};
    }

    void Paint(Gdiplus::Graphics& graphics, const RECT& area) {
        graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
        graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
        if (_wcsicmp(m_wmode.c_str(), L"Transparent") != 0) {
            Gdiplus::SolidBrush grey(Gdiplus::Color(255, 128, 128, 128));
            graphics.FillRectangle(&grey, static_cast<INT>(area.left), static_cast<INT>(area.top),
                                   static_cast<INT>(area.right - area.left), static_cast<INT>(area.bottom - area.top));
        }
        const RECT panel = Panel(area);
        const INT left = panel.left, top = panel.top;
        const INT width = panel.right - panel.left;
        const INT height = panel.bottom - panel.top;
        Gdiplus::SolidBrush fill(Gdiplus::Color(210, 20, 90, 200));
        graphics.FillRectangle(&fill, left, top, width, height);
        Gdiplus::Pen edge(Gdiplus::Color(255, 250, 200, 40), 4.0f);
        graphics.DrawRectangle(&edge, left + 2, top + 2, width - 4, height - 4);
        Gdiplus::SolidBrush star(Gdiplus::Color(255, 250, 200, 40));
        graphics.FillEllipse(&star, left + 20, top + height / 2 - 20, 40, 40);

        Gdiplus::FontFamily family(L"WenQuanYi Micro Hei");
        Gdiplus::FontFamily fallback(L"Tahoma");
        const Gdiplus::FontFamily* face = family.IsAvailable() ? &family : &fallback;
        Gdiplus::Font title(face, 20.0f, Gdiplus::FontStyleBold, Gdiplus::UnitPixel);
        Gdiplus::Font small(face, 14.0f, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
        Gdiplus::SolidBrush white(Gdiplus::Color(255, 255, 255, 255));
        const Gdiplus::PointF titleAt(static_cast<Gdiplus::REAL>(panel.left + 76),
                                      static_cast<Gdiplus::REAL>(panel.top + height / 2 - 34));
        graphics.DrawString(L"Flash stand-in", -1, &title, titleAt, &white);
        const std::wstring caption = m_movie.text.empty() ? m_movieUrl.substr(m_movieUrl.find_last_of(L"\\/") + 1)
                                                          : m_movie.text;
        const Gdiplus::PointF captionAt(static_cast<Gdiplus::REAL>(panel.left + 76),
                                        static_cast<Gdiplus::REAL>(panel.top + height / 2 + 2));
        graphics.DrawString(caption.c_str(), -1, &small, captionAt, &white);
    }

    LONG m_refs = 1;
    ULONG_PTR m_gdiplus = 0;
    IOleClientSite* m_site = nullptr;
    IOleInPlaceSiteWindowless* m_inPlaceSite = nullptr;
    EventPoint m_events{this};
    RECT m_position{};
    std::wstring m_wmode = L"Window";
    std::wstring m_movieUrl;
    Movie m_movie;
    LONG m_readyState = 0;
    bool m_loop = true;
    LONG m_background = -1;
};

class CFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override {
        InterlockedIncrement(&g_locks);
        return 2;
    }
    STDMETHODIMP_(ULONG) Release() override {
        InterlockedDecrement(&g_locks);
        return 1;
    }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        CFlashStandIn* object = new (std::nothrow) CFlashStandIn;
        if (!object) return E_OUTOFMEMORY;
        const HRESULT hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock) InterlockedIncrement(&g_locks);
        else InterlockedDecrement(&g_locks);
        return S_OK;
    }
};

CFactory g_factory;

std::wstring ClassKey() {
    wchar_t guid[40] = {};
    StringFromGUID2(flash::kClsidShockwaveFlash, guid, 40);
    return std::wstring(L"CLSID\\") + guid;
}

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(clsid, flash::kClsidShockwaveFlash)) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, ppv);
}

STDAPI DllCanUnloadNow() { return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
    wchar_t path[MAX_PATH] = {};
    if (!GetModuleFileNameW(reinterpret_cast<HINSTANCE>(&__ImageBase), path, MAX_PATH)) return E_FAIL;
    const std::wstring key = ClassKey();
    const wchar_t name[] = L"Shockwave Flash Object (test stand-in)";
    LONG rc = RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, name, sizeof name);
    const std::wstring server = key + L"\\InprocServer32";
    if (rc == ERROR_SUCCESS) {
        rc = RegSetKeyValueW(HKEY_CLASSES_ROOT, server.c_str(), nullptr, REG_SZ, path,
                             static_cast<DWORD>((wcslen(path) + 1) * sizeof(wchar_t)));
    }
    const wchar_t model[] = L"Apartment";
    if (rc == ERROR_SUCCESS) {
        rc = RegSetKeyValueW(HKEY_CLASSES_ROOT, server.c_str(), L"ThreadingModel", REG_SZ, model, sizeof model);
    }
    return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(rc);
}

STDAPI DllUnregisterServer() {
    LONG rc = RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKey().c_str());
    if (rc == ERROR_SUCCESS) rc = RegDeleteKeyW(HKEY_CLASSES_ROOT, ClassKey().c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(rc);
}
