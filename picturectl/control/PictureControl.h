// CPictureControl: the windowless picture control behind both coclasses.
//
// It shows one picture decoded by GDI+ and animates multi-frame GIFs on the
// frame timer of its class. Inside a rich edit (REMode) it repaints itself
// through the rich edit's window and leaves the timer while it is scrolled
// out of view; its next paint brings it back. Its properties and picture
// bytes persist into the container's storage ("Contents", "ImageData").
//
// The OLE side (IOleObject, IViewObject2, IPersistStorage,
// ICategorizeProperties) lives here; PictureControlT adds the class's dual
// interface on top.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include "Mervale_h.h"

#include "../com/ComModule.h"
#include "../com/ComPtr.h"
#include "AnimatedImage.h"
#include "AnimationTimer.h"
#include "GdiplusSession.h"
#include "PictureBytes.h"
#include "PropertyMapStream.h"
#include "TempPictureFile.h"

#include <string>

namespace mervale {

enum class TimerState { NotJoined = 0, Joined = 1, Stopped = 2 };

class CPictureControl : public IOleObject,
                        public IViewObject2,
                        public IPersistStorage,
                        public ICategorizeProperties,
                        public FrameClient {
public:
    // OLEMISC_RECOMPOSEONRESIZE | CANTLINKINSIDE | INSIDEOUT | ACTIVATEWHENVISIBLE | SETCLIENTSITEFIRST
    static constexpr DWORD kMiscStatus = 0x20191;
    // Frame ticks without a paint after which a control in a rich edit
    // counts as scrolled out of view and leaves the timer.
    static constexpr int kMaxUnpaintedTicks = 16;

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override;
    STDMETHODIMP GetClientSite(IOleClientSite** site) override;
    STDMETHODIMP SetHostNames(LPCOLESTR container, LPCOLESTR object) override;
    STDMETHODIMP Close(DWORD saveOption) override;
    STDMETHODIMP SetMoniker(DWORD which, IMoniker* moniker) override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    STDMETHODIMP InitFromData(IDataObject* data, BOOL creation, DWORD reserved) override;
    STDMETHODIMP GetClipboardData(DWORD reserved, IDataObject** data) override;
    STDMETHODIMP DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index, HWND parent,
                        LPCRECT position) override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override;
    STDMETHODIMP Update() override;
    STDMETHODIMP IsUpToDate() override;
    STDMETHODIMP GetUserClassID(CLSID* clsid) override;
    STDMETHODIMP GetUserType(DWORD form, LPOLESTR* type) override;
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP Advise(IAdviseSink* sink, DWORD* connection) override;
    STDMETHODIMP Unadvise(DWORD connection) override;
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** advise) override;
    STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
    STDMETHODIMP SetColorScheme(LOGPALETTE* palette) override;

    // IViewObject2
    STDMETHODIMP Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device, HDC targetInfo,
                      HDC dc, LPCRECTL bounds, LPCRECTL metafileBounds, BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR),
                      ULONG_PTR contArg) override;
    STDMETHODIMP GetColorSet(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device,
                             HDC targetInfo, LOGPALETTE** colors) override;
    STDMETHODIMP Freeze(DWORD aspect, LONG index, void* aspectInfo, DWORD* freeze) override;
    STDMETHODIMP Unfreeze(DWORD freeze) override;
    STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
    STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
    STDMETHODIMP GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device, LPSIZEL size) override;

    // IPersistStorage
    STDMETHODIMP GetClassID(CLSID* clsid) override;
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP InitNew(IStorage* storage) override;
    STDMETHODIMP Load(IStorage* storage) override;
    STDMETHODIMP Save(IStorage* storage, BOOL sameAsLoad) override;
    STDMETHODIMP SaveCompleted(IStorage* storage) override;
    STDMETHODIMP HandsOffStorage() override;

    // ICategorizeProperties
    STDMETHODIMP MapPropertyToCategory(DISPID id, PROPCAT* category) override;
    STDMETHODIMP GetCategoryName(PROPCAT category, LCID locale, BSTR* name) override;

    // FrameClient: the frame routine, called by the class's timer.
    void OnFrameTime(DWORD now) override;
    void HoldForTick() override;
    void ReleaseAfterTick() override;

    // The members of the dual interfaces.
    HRESULT SetEnabled(VARIANT_BOOL enabled);
    HRESULT GetEnabled(VARIANT_BOOL* enabled);
    HRESULT SetText(BSTR text);
    HRESULT GetText(BSTR* text);
    HRESULT LoadPictureFile(BSTR fileName);
    HRESULT LoadPictureResource(OLE_HANDLE instance, LPCWSTR name, LPCWSTR type);
    HRESULT LoadPictureStream(IUnknown* object);
    HRESULT Play();
    HRESULT Stop();
    HRESULT GetFilePath(BSTR* path);
    HRESULT GetDisplaySize(LONG* size);
    HRESULT SetDisplaySize(LONG size);
    HRESULT GetREMode(VARIANT_BOOL* mode);
    HRESULT SetREMode(VARIANT_BOOL mode);
    HRESULT AboutBox();

    // The animation state, as the frame routine sees it.
    UINT FrameCount() const { return m_image.FrameCount(); }
    const std::vector<UINT>& FrameDelays() const { return m_image.Delays(); }
    UINT FrameIndex() const { return m_frameIndex; }
    bool IsPlaying() const { return m_playing; }
    TimerState GetTimerState() const { return m_timerState; }

protected:
    CPictureControl(const CLSID& clsid, CAnimationTimer& timer);
    virtual ~CPictureControl();

    HRESULT InternalQueryInterface(REFIID riid, void** ppv, IDispatch* dispatch, REFIID dispatchIid);
    ULONG InternalAddRef();
    ULONG InternalRelease();

    // Hooks of the transparent variant.
    virtual void OnFramesReady() {}
    virtual void OnPictureReset() {}
    // Draws the current frame into the rectangle (x, y, width, height).
    virtual void DrawFrame(HDC dc, int x, int y, int width, int height);
    // The named properties of "Contents", in map order (after the extent).
    virtual std::vector<PropertyMapEntry> PropertyMap() const;
    virtual void SaveProperties(PropertyMapWriter& out) const;
    virtual void LoadProperties(const PropertyMapReader& in);
    virtual const wchar_t* TextPropertyName() const { return L"Text"; }

    AnimatedImage& Picture() { return m_image; }
    void MarkDirty() { m_dirty = true; }

private:
    HRESULT LoadFromStreamObject(IStream* stream);
    void Reset();
    void SetUpFrames();
    SIZE DrawnSize() const;
    void UpdateExtent();
    void NotifyExtentChanged();
    void OnDraw(HDC dc, const RECT& bounds);
    DWORD FrameDurationMs(UINT frame) const;

    bool JoinTimer();
    void LeaveTimer();
    void InvalidateView();
    void InvalidateInContainer(HWND window, const RECT& position, const RECT& clip);
    void InvalidateWhereShown(HWND window);
    bool CharacterPoint(HWND window, POINT& at);
    HWND RichEditWindow() const;
    void CountUnpaintedTick();
    void SendViewChange();
    HRESULT CopyPictureInto(IStream* stream) const;

    LONG m_refs = 0;
    com::ModuleLock m_moduleLock;
    GdiplusSession m_gdiplus;  // before the image: GDI+ outlives it
    const CLSID& m_clsid;
    CAnimationTimer& m_timer;

    com::ComPtr<IOleClientSite> m_site;
    com::ComPtr<IOleAdviseHolder> m_oleAdvise;
    com::ComPtr<IAdviseSink> m_viewSink;
    DWORD m_viewAspects = 0;
    DWORD m_viewFlags = 0;

    // The picture and where its bytes are.
    AnimatedImage m_image;
    std::wstring m_path;         // the picture's file, when it has one
    TempPictureFile m_tempFile;  // our own file (then m_path is its path)
    PictureBytes m_bytes;        // the bytes when loaded from a stream

    // Animation.
    UINT m_frameIndex = 0;  // the frame shown
    DWORD m_deadline = 0;   // when the next frame is due (timeGetTime)
    TimerState m_timerState = TimerState::NotJoined;
    bool m_playing = false;
    int m_unpaintedTicks = 0;
    RECT m_lastDrawn{};
    bool m_hasDrawn = false;
    POINT m_drawnAt{};           // the object's character point at that paint
    bool m_drawnAtKnown = false;
    LONG m_objectIndex = -1;     // the object's index in the rich edit, as last found

    // Properties.
    VARIANT_BOOL m_enabled = VARIANT_FALSE;
    std::wstring m_text;
    short m_displayWidth = -1;  // -1: not set
    short m_displayHeight = -1;
    bool m_reMode = false;
    SIZEL m_extent{};  // HIMETRIC
    int m_dpiX = 96;
    int m_dpiY = 96;
    bool m_dirty = false;
};

}  // namespace mervale
