#include "PictureControl.h"

#include "../com/Bstr.h"
#include "../com/InterfaceTable.h"

#include "GdiplusHeaders.h"
#include <mmsystem.h>
#include <psapi.h>
#include <richedit.h>
#include <richole.h>

#include <algorithm>
#include <climits>
#include <initializer_list>
#include <vector>

namespace mervale {

namespace {

constexpr DISPID kDispidDisplaySize = 6;
constexpr DISPID kDispidREMode = 7;
constexpr PROPCAT kCategoryDisplaySize = 1;
constexpr PROPCAT kCategoryREMode = 2;

// A frame whose delay is 0, or so short (10 ms or less) that it would keep
// the thread busy, lasts this long, as browsers show such pictures.
constexpr DWORD kDefaultFrameMs = 100;
constexpr UINT kShortestDelay = 2;  // in 10 ms units: 1 and 0 are too short

const wchar_t kContentsStream[] = L"Contents";
const wchar_t kImageDataStream[] = L"ImageData";

LONG PixelsToHimetric(LONG pixels, int dpi) { return MulDiv(pixels, 2540, dpi > 0 ? dpi : 96); }

// The module that a resource-instance handle names. An OLE_HANDLE is 32 bits
// wide in every build, and a 64-bit process loads its modules above 4 GB, so
// there the handle is matched against the loaded modules' low 32 bits; it
// names a module only when exactly one matches.
HMODULE ModuleOfHandle(OLE_HANDLE handle) {
#ifdef _WIN64
    std::vector<HMODULE> modules(256);
    for (;;) {
        DWORD needed = 0;
        const DWORD size = DWORD(modules.size() * sizeof(HMODULE));
        if (!EnumProcessModules(GetCurrentProcess(), modules.data(), size, &needed)) return nullptr;
        if (needed <= size) {
            modules.resize(needed / sizeof(HMODULE));
            break;
        }
        modules.resize(needed / sizeof(HMODULE) + 16);
    }
    HMODULE found = nullptr;
    for (HMODULE module : modules) {
        if (static_cast<OLE_HANDLE>(reinterpret_cast<UINT_PTR>(module)) != handle) continue;
        if (found) return nullptr;  // two modules share the low half: ambiguous
        found = module;
    }
    return found;
#else
    return reinterpret_cast<HMODULE>(static_cast<UINT_PTR>(handle));
#endif
}

}  // namespace

CPictureControl::CPictureControl(const CLSID& clsid, CAnimationTimer& timer) : m_clsid(clsid), m_timer(timer) {
    m_deadline = timeGetTime();
}

CPictureControl::~CPictureControl() { Reset(); }

// ---------------------------------------------------------------- IUnknown

HRESULT CPictureControl::InternalQueryInterface(REFIID riid, void** ppv, IDispatch* dispatch, REFIID dispatchIid) {
    return com::QueryFromTable(riid, ppv,
                               {
                                   {IID_IUnknown, static_cast<IOleObject*>(this)},
                                   {IID_IDispatch, dispatch},
                                   {dispatchIid, dispatch},
                                   {IID_IOleObject, static_cast<IOleObject*>(this)},
                                   {IID_IViewObject, static_cast<IViewObject2*>(this)},
                                   {IID_IViewObject2, static_cast<IViewObject2*>(this)},
                                   {IID_IPersist, static_cast<IPersistStorage*>(this)},
                                   {IID_IPersistStorage, static_cast<IPersistStorage*>(this)},
                                   {IID_ICategorizeProperties, static_cast<ICategorizeProperties*>(this)},
                               });
}

ULONG CPictureControl::InternalAddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }

ULONG CPictureControl::InternalRelease() {
    const LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 0) delete this;
    return static_cast<ULONG>(refs);
}

void CPictureControl::HoldForTick() { static_cast<IOleObject*>(this)->AddRef(); }
void CPictureControl::ReleaseAfterTick() { static_cast<IOleObject*>(this)->Release(); }

// ---------------------------------------------------------------- loading

void CPictureControl::Reset() {
    LeaveTimer();
    m_image.Reset();
    OnPictureReset();
    m_bytes.Free();
    m_tempFile.Delete();
    m_path.clear();
    m_frameIndex = 0;
    m_playing = false;
    m_timerState = TimerState::NotJoined;
    m_deadline = timeGetTime();
}

HRESULT CPictureControl::LoadPictureFile(BSTR fileName) {
    if (!fileName || !*fileName) return E_INVALIDARG;
    Reset();
    if (FAILED(m_image.LoadFile(fileName))) return E_FAIL;
    m_path = fileName;
    SetUpFrames();
    MarkDirty();
    return S_OK;
}

HRESULT CPictureControl::LoadPictureResource(OLE_HANDLE instance, LPCWSTR name, LPCWSTR type) {
    if (!name || !type) return E_INVALIDARG;
    HMODULE module = ModuleOfHandle(instance);
    if (!module) return E_FAIL;
    HRSRC resource = FindResourceW(module, name, type);
    if (!resource) return E_FAIL;
    const DWORD size = SizeofResource(module, resource);
    HGLOBAL loaded = size ? LoadResource(module, resource) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return E_FAIL;

    com::ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.Receive()))) return E_FAIL;
    ULONG written = 0;
    if (FAILED(stream->Write(bytes, size, &written)) || written != size) return E_FAIL;
    return LoadFromStreamObject(stream.Get());
}

HRESULT CPictureControl::LoadPictureStream(IUnknown* object) {
    if (!object) return E_INVALIDARG;
    com::ComPtr<IStream> stream;
    if (FAILED(object->QueryInterface(IID_IStream, stream.ReceiveVoid())) || !stream) return E_INVALIDARG;
    return LoadFromStreamObject(stream.Get());
}

// Keeps a copy of the stream's bytes (GDI+ then reads the copy, so the
// caller's stream may go away); a picture too large to copy goes through a
// temporary file.
HRESULT CPictureControl::LoadFromStreamObject(IStream* stream) {
    Reset();
    HRESULT hr = m_bytes.CopyFrom(stream);
    if (SUCCEEDED(hr)) {
        com::ComPtr<IStream> copy;
        hr = m_bytes.OpenStream(copy.Receive());
        if (SUCCEEDED(hr)) hr = m_image.LoadStream(copy.Get());
    } else if (hr == E_OUTOFMEMORY) {
        hr = m_tempFile.Write(stream, L"");
        if (SUCCEEDED(hr)) {
            m_path = m_tempFile.Path();
            hr = m_image.LoadFile(m_path.c_str());
        }
    } else {
        LARGE_INTEGER start{};
        hr = stream->Seek(start, STREAM_SEEK_SET, nullptr);
        if (SUCCEEDED(hr)) hr = m_image.LoadStream(stream);
    }
    if (FAILED(hr)) {
        Reset();
        return E_FAIL;
    }
    SetUpFrames();
    MarkDirty();
    return S_OK;
}

void CPictureControl::SetUpFrames() {
    if (HDC screen = GetDC(nullptr)) {
        m_dpiX = GetDeviceCaps(screen, LOGPIXELSX);
        m_dpiY = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    } else {
        m_dpiX = static_cast<int>(m_image.HorizontalResolution() + 0.5f);
        m_dpiY = static_cast<int>(m_image.VerticalResolution() + 0.5f);
    }
    UpdateExtent();

    m_frameIndex = 0;
    if (m_image.FrameCount() > 1 && JoinTimer()) m_deadline = timeGetTime() + FrameDurationMs(0);
    OnFramesReady();
    NotifyExtentChanged();
}

DWORD CPictureControl::FrameDurationMs(UINT frame) const {
    const UINT delay = m_image.DelayOf(frame);
    return delay >= kShortestDelay ? delay * 10 : kDefaultFrameMs;
}

// The display size when it is set and not larger than the picture, else
// the picture's own size; per axis.
SIZE CPictureControl::DrawnSize() const {
    const LONG width = static_cast<LONG>(m_image.Width());
    const LONG height = static_cast<LONG>(m_image.Height());
    SIZE size{width, height};
    if (m_displayWidth > 0 && m_displayWidth <= width) size.cx = m_displayWidth;
    if (m_displayHeight > 0 && m_displayHeight <= height) size.cy = m_displayHeight;
    return size;
}

void CPictureControl::UpdateExtent() {
    const SIZE drawn = DrawnSize();
    m_extent.cx = PixelsToHimetric(drawn.cx, m_dpiX);
    m_extent.cy = PixelsToHimetric(drawn.cy, m_dpiY);
}

void CPictureControl::NotifyExtentChanged() {
    SendViewChange();
    if (m_site) m_site->RequestNewObjectLayout();
}

// ---------------------------------------------------------------- animation

bool CPictureControl::JoinTimer() {
    if (!m_timer.Start()) return false;
    m_timer.Add(this);
    m_timerState = TimerState::Joined;
    m_playing = true;
    return true;
}

void CPictureControl::LeaveTimer() {
    m_timer.Remove(this);
    m_playing = false;
}

HRESULT CPictureControl::Play() {
    if (m_image.FrameCount() <= 1 || !m_image.HasDelayTable() || m_playing) return S_OK;
    return JoinTimer() ? S_OK : E_FAIL;
}

// Stop holds until Play: a repaint does not restart the animation, even when
// the control had already left the timer because it was out of view.
HRESULT CPictureControl::Stop() {
    if (m_image.FrameCount() <= 1) return S_OK;
    LeaveTimer();
    m_timerState = TimerState::Stopped;
    return S_OK;
}

void CPictureControl::OnFrameTime(DWORD now) {
    const UINT frames = m_image.FrameCount();
    if (frames < 2) return;
    if (static_cast<LONG>(now - m_deadline) < 0) return;
    m_frameIndex = (m_frameIndex + 1) % frames;
    m_image.SelectFrame(m_frameIndex);
    m_deadline = now + FrameDurationMs(m_frameIndex);
    InvalidateView();
}

// Asks for a repaint of the control's new frame. The control never becomes
// in-place active (it has no verbs), so the request always goes through the
// container: in a rich edit by invalidating the control's part of its
// window, elsewhere through the view advise sink.
void CPictureControl::InvalidateView() {
    if (!m_reMode) {
        SendViewChange();
        return;
    }
    auto site = m_site.As<IOleInPlaceSite>(IID_IOleInPlaceSite);
    if (!site) {
        SendViewChange();
        return;
    }
    com::ComPtr<IOleInPlaceFrame> frame;
    com::ComPtr<IOleInPlaceUIWindow> document;
    RECT position{}, clip{};
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof frameInfo;
    const bool haveContext =
        SUCCEEDED(site->GetWindowContext(frame.Receive(), document.Receive(), &position, &clip, &frameInfo));

    HWND window = nullptr;
    if (SUCCEEDED(site->GetWindow(&window)) && window) {
        if (haveContext) {
            InvalidateInContainer(window, position, clip);
        } else {
            InvalidateWhereShown(window);
        }
        return;
    }
    if (!haveContext) {
        SendViewChange();
        return;
    }
    HWND frameWindow = nullptr;
    if (!frame || FAILED(frame->GetWindow(&frameWindow)) || !frameWindow) frameWindow = frameInfo.hwndFrame;
    RECT visible{};
    if (frameWindow && IntersectRect(&visible, &position, &clip)) InvalidateRect(frameWindow, &visible, FALSE);
    CountUnpaintedTick();
}

// The container tells where the object is: out of view leaves the timer.
void CPictureControl::InvalidateInContainer(HWND window, const RECT& position, const RECT& clip) {
    RECT visible{};
    if (!IntersectRect(&visible, &position, &clip) || !IsWindowVisible(window)) {
        LeaveTimer();
        return;
    }
    if (position.top < 0) {
        InvalidateRect(window, &visible, TRUE);
    } else if (m_viewSink) {
        SendViewChange();
    } else {
        InvalidateRect(window, &visible, FALSE);
    }
}

// A container that does not tell where the object is (the rich edit gives
// no position through the site): the rich edit itself says where the
// object's character is now, and the control was drawn last at the same
// offset from it, so a scroll moves the rectangle with the text. Without
// that answer the rectangle where it was drawn last is all there is. Out
// of the client area, the control leaves the timer; when it is not drawn
// where it was asked to be (hidden behind another window), the unpainted
// ticks add up.
void CPictureControl::InvalidateWhereShown(HWND window) {
    if (!m_hasDrawn || !IsWindowVisible(window)) {
        LeaveTimer();
        return;
    }
    RECT shown = m_lastDrawn;
    POINT at{};
    if (m_drawnAtKnown && CharacterPoint(window, at)) OffsetRect(&shown, at.x - m_drawnAt.x, at.y - m_drawnAt.y);
    RECT client{}, visible{};
    GetClientRect(window, &client);
    if (!IntersectRect(&visible, &shown, &client)) {
        LeaveTimer();
        return;
    }
    InvalidateRect(window, &visible, FALSE);
    CountUnpaintedTick();
}

// The point of the object's character in the rich edit's client area, from
// the rich edit's own object list. The object's index is remembered, so a
// tick usually reads one entry (or two, after the log dropped an object
// before it); otherwise one search through the list finds it again.
bool CPictureControl::CharacterPoint(HWND window, POINT& at) {
    com::ComPtr<IRichEditOle> richEdit;
    if (!SendMessageW(window, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(richEdit.Receive())) || !richEdit) {
        return false;
    }
    const IOleObject* self = static_cast<IOleObject*>(this);
    auto cpAt = [&](LONG index, LONG& cp) {
        REOBJECT object{};
        object.cbStruct = sizeof object;
        if (FAILED(richEdit->GetObject(index, &object, REO_GETOBJ_POLEOBJ))) return false;
        const bool mine = object.poleobj == self;
        if (object.poleobj) object.poleobj->Release();
        if (mine) cp = object.cp;
        return mine;
    };
    const LONG count = richEdit->GetObjectCount();
    LONG cp = -1;
    const LONG hint = m_objectIndex;
    bool found = false;
    for (LONG index : {hint, hint - 1}) {
        if (!found && index >= 0 && index < count && cpAt(index, cp)) {
            m_objectIndex = index;
            found = true;
        }
    }
    for (LONG index = 0; !found && index < count; ++index) {
        if (index != hint && index != hint - 1 && cpAt(index, cp)) {
            m_objectIndex = index;
            found = true;
        }
    }
    if (!found) return false;
    POINTL point{};
    SendMessageW(window, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&point), cp);
    at = {point.x, point.y};
    return true;
}

// The rich edit's window, when the control sits in one (REMode).
HWND CPictureControl::RichEditWindow() const {
    HWND window = nullptr;
    if (!m_reMode) return nullptr;
    auto site = m_site.As<IOleInPlaceSite>(IID_IOleInPlaceSite);
    if (!site || FAILED(site->GetWindow(&window))) return nullptr;
    return window;
}

void CPictureControl::CountUnpaintedTick() {
    if (++m_unpaintedTicks > kMaxUnpaintedTicks) LeaveTimer();
}

void CPictureControl::SendViewChange() {
    if (m_viewSink) m_viewSink->OnViewChange(DVASPECT_CONTENT, -1);
}

// ---------------------------------------------------------------- drawing

void CPictureControl::OnDraw(HDC dc, const RECT& bounds) {
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
    if (m_image.HasImage()) {
        if (m_reMode) m_unpaintedTicks = 0;
        const SIZE drawn = DrawnSize();
        DrawFrame(dc, bounds.left, bounds.bottom - drawn.cy, drawn.cx, drawn.cy);
        m_lastDrawn = bounds;
        m_hasDrawn = true;
        // Where the object's character was at this paint: a later scroll
        // moves the picture by as much as it moves the character.
        HWND window = RichEditWindow();
        m_drawnAtKnown = window && WindowFromDC(dc) == window && CharacterPoint(window, m_drawnAt);

        const UINT frames = m_image.FrameCount();
        if (frames > 1 && !m_playing && m_timerState != TimerState::Stopped && JoinTimer()) {
            m_frameIndex %= frames;
            m_deadline = timeGetTime() + FrameDurationMs(m_frameIndex);
        }
    }
    RestoreDC(dc, saved);
}

void CPictureControl::DrawFrame(HDC dc, int x, int y, int width, int height) {
    Gdiplus::Graphics graphics(dc);
    graphics.DrawImage(m_image.Image(), x, y, width, height);
}

STDMETHODIMP CPictureControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                                   LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!dc || !bounds) return E_INVALIDARG;
    const RECT rect{bounds->left, bounds->top, bounds->right, bounds->bottom};
    OnDraw(dc, rect);
    return S_OK;
}

STDMETHODIMP CPictureControl::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colors) {
    if (colors) *colors = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CPictureControl::Freeze(DWORD, LONG, void*, DWORD*) { return E_NOTIMPL; }
STDMETHODIMP CPictureControl::Unfreeze(DWORD) { return E_NOTIMPL; }

STDMETHODIMP CPictureControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
    m_viewSink = com::ComPtr<IAdviseSink>(sink);
    m_viewAspects = aspects;
    m_viewFlags = flags;
    return S_OK;
}

STDMETHODIMP CPictureControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
    if (aspects) *aspects = m_viewAspects;
    if (flags) *flags = m_viewFlags;
    if (sink) {
        *sink = m_viewSink.Get();
        if (*sink) (*sink)->AddRef();
    }
    return S_OK;
}

STDMETHODIMP CPictureControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
    return GetExtent(aspect, size);
}

// ---------------------------------------------------------------- IOleObject

STDMETHODIMP CPictureControl::SetClientSite(IOleClientSite* site) {
    m_site = com::ComPtr<IOleClientSite>(site);
    m_unpaintedTicks = 0;
    return S_OK;
}

STDMETHODIMP CPictureControl::GetClientSite(IOleClientSite** site) {
    if (!site) return E_POINTER;
    *site = m_site.Get();
    if (*site) (*site)->AddRef();
    return S_OK;
}

STDMETHODIMP CPictureControl::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

// The container is done with the object: it stops animating (a later paint
// would bring it back) and the advise sinks hear of the close.
STDMETHODIMP CPictureControl::Close(DWORD saveOption) {
    if (m_dirty && m_site && (saveOption == OLECLOSE_SAVEIFDIRTY || saveOption == OLECLOSE_PROMPTSAVE)) {
        m_site->SaveObject();
    }
    LeaveTimer();
    if (m_oleAdvise) m_oleAdvise->SendOnClose();
    return S_OK;
}

STDMETHODIMP CPictureControl::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }

STDMETHODIMP CPictureControl::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CPictureControl::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }

STDMETHODIMP CPictureControl::GetClipboardData(DWORD, IDataObject** data) {
    if (data) *data = nullptr;
    return E_NOTIMPL;
}

// A windowless picture has nothing to activate or open.
STDMETHODIMP CPictureControl::DoVerb(LONG, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) { return E_NOTIMPL; }

STDMETHODIMP CPictureControl::EnumVerbs(IEnumOLEVERB** verbs) {
    if (verbs) *verbs = nullptr;
    return OLEOBJ_E_NOVERBS;
}

// The picture is always drawn from the control itself: nothing is cached.
STDMETHODIMP CPictureControl::Update() { return S_OK; }
STDMETHODIMP CPictureControl::IsUpToDate() { return S_OK; }

STDMETHODIMP CPictureControl::GetUserClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = m_clsid;
    return S_OK;
}

STDMETHODIMP CPictureControl::GetUserType(DWORD form, LPOLESTR* type) {
    if (!type) return E_POINTER;
    return OleRegGetUserType(m_clsid, form, type);
}

STDMETHODIMP CPictureControl::SetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!size) return E_POINTER;
    m_extent = *size;
    MarkDirty();
    return S_OK;
}

STDMETHODIMP CPictureControl::GetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!size) return E_POINTER;
    *size = m_extent;
    return S_OK;
}

STDMETHODIMP CPictureControl::Advise(IAdviseSink* sink, DWORD* connection) {
    if (!m_oleAdvise) {
        const HRESULT hr = CreateOleAdviseHolder(m_oleAdvise.Receive());
        if (FAILED(hr)) return hr;
    }
    return m_oleAdvise->Advise(sink, connection);
}

STDMETHODIMP CPictureControl::Unadvise(DWORD connection) {
    return m_oleAdvise ? m_oleAdvise->Unadvise(connection) : OLE_E_NOCONNECTION;
}

STDMETHODIMP CPictureControl::EnumAdvise(IEnumSTATDATA** advise) {
    if (!advise) return E_POINTER;
    *advise = nullptr;
    if (!m_oleAdvise) {
        const HRESULT hr = CreateOleAdviseHolder(m_oleAdvise.Receive());
        if (FAILED(hr)) return hr;
    }
    return m_oleAdvise->EnumAdvise(advise);
}

STDMETHODIMP CPictureControl::GetMiscStatus(DWORD, DWORD* status) {
    if (!status) return E_POINTER;
    *status = kMiscStatus;
    return S_OK;
}

STDMETHODIMP CPictureControl::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// ---------------------------------------------------------------- IPersistStorage

STDMETHODIMP CPictureControl::GetClassID(CLSID* clsid) { return GetUserClassID(clsid); }
STDMETHODIMP CPictureControl::IsDirty() { return m_dirty ? S_OK : S_FALSE; }
STDMETHODIMP CPictureControl::InitNew(IStorage* storage) { return storage ? S_OK : E_INVALIDARG; }

// The picture does not depend on "Contents": whatever that stream holds (or
// when it is missing), a readable "ImageData" still gives the picture, with
// the properties that "Contents" gave before any damage.
STDMETHODIMP CPictureControl::Load(IStorage* storage) {
    if (!storage) return E_INVALIDARG;
    com::ComPtr<IStream> contents;
    HRESULT propertiesResult = storage->OpenStream(kContentsStream, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                                   contents.Receive());
    if (SUCCEEDED(propertiesResult)) {
        PropertyMapReader properties;
        propertiesResult = properties.ReadFrom(contents.Get(), PropertyMap());
        LoadProperties(properties);
    }
    contents.Reset();

    com::ComPtr<IStream> image;
    HRESULT hr = storage->OpenStream(kImageDataStream, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, image.Receive());
    if (hr == STG_E_FILENOTFOUND) {
        Reset();  // saved without a picture: then the properties are all there is
        hr = propertiesResult;
    } else if (SUCCEEDED(hr)) {
        hr = LoadFromStreamObject(image.Get());
    }
    m_dirty = false;
    return hr;
}

STDMETHODIMP CPictureControl::Save(IStorage* storage, BOOL sameAsLoad) {
    if (!storage) return E_INVALIDARG;
    constexpr DWORD kCreate = STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
    com::ComPtr<IStream> contents;
    HRESULT hr = storage->CreateStream(kContentsStream, kCreate, 0, 0, contents.Receive());
    if (FAILED(hr)) return hr;
    PropertyMapWriter properties(m_extent);
    SaveProperties(properties);
    hr = properties.WriteTo(contents.Get());
    if (FAILED(hr)) return hr;

    if (!m_path.empty() || !m_bytes.Empty()) {
        com::ComPtr<IStream> image;
        hr = storage->CreateStream(kImageDataStream, kCreate, 0, 0, image.Receive());
        if (SUCCEEDED(hr)) hr = CopyPictureInto(image.Get());
    } else {
        // No picture: a stale one from an earlier save must not come back.
        hr = storage->DestroyElement(kImageDataStream);
        if (hr == STG_E_FILENOTFOUND) hr = S_OK;
    }
    if (SUCCEEDED(hr) && sameAsLoad) m_dirty = false;
    return hr;
}

// The picture's file in 1024-byte pieces, else the in-memory copy.
HRESULT CPictureControl::CopyPictureInto(IStream* stream) const {
    if (m_path.empty()) return m_bytes.WriteTo(stream);
    HANDLE file = CreateFileW(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        // The file has gone; the copy (when there is one) still has the bytes.
        return m_bytes.Empty() ? HRESULT_FROM_WIN32(GetLastError()) : m_bytes.WriteTo(stream);
    }
    HRESULT hr = S_OK;
    BYTE piece[1024];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, piece, sizeof piece, &read, nullptr)) {
            hr = HRESULT_FROM_WIN32(GetLastError());
            break;
        }
        if (read == 0) break;
        ULONG written = 0;
        hr = stream->Write(piece, read, &written);
        if (SUCCEEDED(hr) && written != read) hr = STG_E_WRITEFAULT;
        if (FAILED(hr)) break;
    }
    CloseHandle(file);
    return hr;
}

STDMETHODIMP CPictureControl::SaveCompleted(IStorage*) { return S_OK; }
STDMETHODIMP CPictureControl::HandsOffStorage() { return S_OK; }

std::vector<PropertyMapEntry> CPictureControl::PropertyMap() const {
    return {
        {L"Enabled", VT_BOOL},
        {TextPropertyName(), VT_BSTR},
        {L"_displaywidth", VT_I4, true},
        {L"_displayheight", VT_I4, true},
        {L"_REMode", VT_BOOL, true},
    };
}

void CPictureControl::SaveProperties(PropertyMapWriter& out) const {
    out.Bool(m_enabled);
    out.Text(m_text);
    out.Data(m_displayWidth);
    out.Data(m_displayHeight);
    out.Data(m_reMode ? TRUE : FALSE);
}

void CPictureControl::LoadProperties(const PropertyMapReader& in) {
    LONG number = 0;
    VARIANT_BOOL flag = VARIANT_FALSE;
    SIZEL extent{};
    if (in.Extent(extent) && extent.cx >= 0 && extent.cy >= 0) m_extent = extent;
    if (in.Bool(L"Enabled", flag)) m_enabled = flag;
    in.Text(TextPropertyName(), m_text);
    // A display size outside the range of a pixel size is not a size.
    if (in.Long(L"_displaywidth", number) && number >= -1 && number <= SHRT_MAX) {
        m_displayWidth = static_cast<short>(number);
    }
    if (in.Long(L"_displayheight", number) && number >= -1 && number <= SHRT_MAX) {
        m_displayHeight = static_cast<short>(number);
    }
    if (in.Bool(L"_REMode", flag)) m_reMode = flag != VARIANT_FALSE;
}

// ---------------------------------------------------------------- ICategorizeProperties

STDMETHODIMP CPictureControl::MapPropertyToCategory(DISPID id, PROPCAT* category) {
    if (!category) return E_POINTER;
    switch (id) {
    case kDispidDisplaySize:
        *category = kCategoryDisplaySize;
        return S_OK;
    case kDispidREMode:
        *category = kCategoryREMode;
        return S_OK;
    default:
        return E_FAIL;
    }
}

STDMETHODIMP CPictureControl::GetCategoryName(PROPCAT category, LCID, BSTR* name) {
    if (!name) return E_POINTER;
    *name = nullptr;
    switch (category) {
    case kCategoryDisplaySize:
        *name = SysAllocString(L"DisplaySize");
        break;
    case kCategoryREMode:
        *name = SysAllocString(L"REMode");
        break;
    default:
        return E_FAIL;
    }
    return *name ? S_OK : E_OUTOFMEMORY;
}

// ---------------------------------------------------------------- properties

HRESULT CPictureControl::SetEnabled(VARIANT_BOOL enabled) {
    m_enabled = enabled ? VARIANT_TRUE : VARIANT_FALSE;
    MarkDirty();
    return S_OK;
}

HRESULT CPictureControl::GetEnabled(VARIANT_BOOL* enabled) {
    if (!enabled) return E_POINTER;
    *enabled = m_enabled;
    return S_OK;
}

HRESULT CPictureControl::SetText(BSTR text) {
    m_text.assign(text ? text : L"", text ? SysStringLen(text) : 0);
    MarkDirty();
    return S_OK;
}

HRESULT CPictureControl::GetText(BSTR* text) {
    if (!text) return E_POINTER;
    *text = SysAllocStringLen(m_text.data(), static_cast<UINT>(m_text.size()));
    return *text ? S_OK : E_OUTOFMEMORY;
}

HRESULT CPictureControl::GetFilePath(BSTR* path) {
    if (!path) return E_INVALIDARG;
    *path = nullptr;
    if (m_path.empty() && !m_bytes.Empty()) {
        // GDI+ still reads the picture from the copy, so the copy stays
        // until the picture is reset; the file becomes the picture's path.
        const HRESULT hr = m_tempFile.Write(m_bytes.Lock(), m_bytes.Size(), m_image.FileExtension());
        m_bytes.Unlock();
        if (SUCCEEDED(hr)) m_path = m_tempFile.Path();
    }
    if (m_path.empty()) return S_FALSE;
    *path = SysAllocString(m_path.c_str());
    return *path ? S_OK : E_OUTOFMEMORY;
}

HRESULT CPictureControl::GetDisplaySize(LONG* size) {
    if (!size) return E_POINTER;
    *size = MAKELONG(static_cast<WORD>(m_displayWidth), static_cast<WORD>(m_displayHeight));
    return S_OK;
}

HRESULT CPictureControl::SetDisplaySize(LONG size) {
    if (LOWORD(size) == 0 || HIWORD(size) == 0) return E_INVALIDARG;
    const short width = static_cast<short>(LOWORD(size));
    const short height = static_cast<short>(HIWORD(size));
    if (width == m_displayWidth && height == m_displayHeight) return S_OK;
    m_displayWidth = width;
    m_displayHeight = height;
    MarkDirty();
    if (m_image.HasImage()) {
        UpdateExtent();
        NotifyExtentChanged();
    }
    return S_OK;
}

HRESULT CPictureControl::GetREMode(VARIANT_BOOL* mode) {
    if (!mode) return E_POINTER;
    *mode = m_reMode ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT CPictureControl::SetREMode(VARIANT_BOOL mode) {
    m_reMode = mode != VARIANT_FALSE;
    MarkDirty();
    return S_OK;
}

HRESULT CPictureControl::AboutBox() {
    HWND owner = nullptr;
    if (auto site = m_site.As<IOleInPlaceSite>(IID_IOleInPlaceSite)) site->GetWindow(&owner);
    // "Mervale animated-picture control, version 1.2" / "About Mervale"
    MessageBoxW(owner, L"Mervale \u52A8\u753B\u56FE\u7247\u63A7\u4EF6\r\n\u7248\u672C 1.2",
                L"\u5173\u4E8E Mervale", MB_OK | MB_ICONINFORMATION);
    return S_OK;
}

}  // namespace mervale
