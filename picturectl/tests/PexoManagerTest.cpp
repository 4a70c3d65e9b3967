// The picture manager and the insertion exports of the registered
// Mervale.dll, in a real rich edit on the test display: every export puts an
// animated picture into the text, GetObjectsInfo lists what the text holds,
// and the manager answers late-bound calls through IDispatch, in this
// apartment and from another one.
#include "ManagerTestSupport.h"

#include <oleauto.h>

#include <functional>
#include <sstream>
#include <thread>

using com::Bstr;
using com::ComPtr;
using managertest::Handle;
using managertest::PumpFor;
using managertest::PumpUntil;

namespace {

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new managertest::RegisteredEnvironment);

using InsertW = IMervale*(__cdecl*)(HWND, LPCWSTR);
using Insert2W = IMervale*(__cdecl*)(HWND, LPCWSTR, int, int);
using InsertA = IMervale*(__cdecl*)(HWND, LPCSTR);
using Insert2A = IMervale*(__cdecl*)(HWND, LPCSTR, int, int);

template <class Fn>
Fn Export(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

std::string Ansi(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, &ansi[0], n, nullptr, nullptr);
    ansi.resize(static_cast<size_t>(n > 0 ? n - 1 : 0));
    return ansi;
}

std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == separator) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

// A bitmap as an OLE data object (CF_BITMAP on TYMED_GDI), to make a static
// picture with OleCreateStaticFromData.
class BitmapData final : public IDataObject {
public:
    explicit BitmapData(HBITMAP bitmap) : m_bitmap(bitmap) {}
    ~BitmapData() { DeleteObject(m_bitmap); }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override { return --m_refs; }  // lives on the test's stack
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
        medium->tymed = TYMED_GDI;
        medium->hBitmap = static_cast<HBITMAP>(OleDuplicateData(m_bitmap, CF_BITMAP, 0));
        medium->pUnkForRelease = nullptr;
        return medium->hBitmap ? S_OK : E_OUTOFMEMORY;
    }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC* format) override {
        return format && format->cfFormat == CF_BITMAP && (format->tymed & TYMED_GDI) ? S_OK : DV_E_FORMATETC;
    }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        if (out) out->ptd = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    HBITMAP m_bitmap;
    ULONG m_refs = 1;
};

class PexoManagerTest : public ::testing::Test {
protected:
    // One frame for the tests (a top-level window takes a while to go under
    // a display without a window manager); each test has its own rich edit.
    static void SetUpTestSuite() {
        s_frame = CreateWindowExW(0, L"STATIC", L"PexoManager", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60, 520, 300,
                                  nullptr, nullptr, nullptr, nullptr);
    }
    static void TearDownTestSuite() {
        if (s_frame) DestroyWindow(s_frame);
        s_frame = nullptr;
    }

    void SetUp() override {
        m_library = LoadLibraryW(picturetest::MervaleDllPath().c_str());
        ASSERT_TRUE(m_library);
        m_frame = s_frame;
        ASSERT_TRUE(m_frame);
        m_edit = CreateWindowExW(0, RICHEDIT_CLASSW, L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE, 0, 0, 500, 200,
                                 m_frame, nullptr, nullptr, nullptr);
        m_button = CreateWindowExW(0, L"BUTTON", L"not a rich edit", WS_CHILD | WS_VISIBLE, 0, 210, 200, 30, m_frame,
                                   nullptr, nullptr, nullptr);
        ASSERT_TRUE(m_edit && m_button);
        ASSERT_TRUE(SendMessageW(m_edit, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(m_ole.Receive())));
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_PexoManager, nullptr, CLSCTX_INPROC_SERVER, IID_IPexoManager,
                                         m_manager.ReceiveVoid()));
    }

    void TearDown() override {
        m_manager.Reset();
        m_ole.Reset();
        if (m_edit) DestroyWindow(m_edit);
        if (m_button) DestroyWindow(m_button);
        PumpFor(20);
        if (m_library) FreeLibrary(m_library);
    }

    void AppendText(const wchar_t* text) {
        SendMessageW(m_edit, EM_SETSEL, -1, -1);
        SendMessageW(m_edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
        SendMessageW(m_edit, EM_SETSEL, -1, -1);
    }

    std::wstring ObjectsInfo(HRESULT* result = nullptr) {
        Bstr info;
        const HRESULT hr = m_manager->GetObjectsInfo(Handle(m_edit), info.Receive());
        if (result) *result = hr;
        return std::wstring(info.Text(), info.Length());
    }

    LONG CpOf(LONG index) {
        REOBJECT object{};
        object.cbStruct = sizeof object;
        if (FAILED(m_ole->GetObject(index, &object, REO_GETOBJ_NO_INTERFACES))) return -1;
        return object.cp;
    }

    // The colours the object at cp shows while the messages run for ms:
    // bit 0 red, bit 1 green, bit 2 blue (the fixture's three frames).
    int FramesSeen(LONG cp, DWORD ms) {
        int seen = 0;
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < ms && seen != 7) {
            PumpFor(15);
            POINTL at{};
            SendMessageW(m_edit, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), cp);
            HDC dc = GetDC(m_edit);
            for (int y = at.y; y < at.y + 40; y += 2) {
                for (int x = at.x; x < at.x + 30; x += 2) {
                    const COLORREF c = GetPixel(dc, x, y);
                    if (c == RGB(255, 0, 0)) seen |= 1;
                    if (c == RGB(0, 160, 0)) seen |= 2;
                    if (c == RGB(0, 0, 255)) seen |= 4;
                }
            }
            ReleaseDC(m_edit, dc);
        }
        return seen;
    }

    static HWND s_frame;
    HMODULE m_library = nullptr;
    HWND m_frame = nullptr;
    HWND m_edit = nullptr;
    HWND m_button = nullptr;
    ComPtr<IRichEditOle> m_ole;
    ComPtr<IPexoManager> m_manager;
};

// Each export inserts an animated picture at the selection, and
// GetObjectsInfo gives one line per picture: position, text, width, height
// (65535 while the display size is unset) and file path.
TEST_F(PexoManagerTest, EachExportInsertsAnAnimatedPictureThatGetObjectsInfoLists) {
    const std::wstring gif = picturetest::FixturePath(L"three_frames.gif");
    // A copy under a Chinese name, for the ANSI forms (code page 936).
    const std::wstring chinese = picturetest::FixturePath(L"\u52A8\u753B.gif");
    ASSERT_TRUE(CopyFileW(gif.c_str(), chinese.c_str(), FALSE));
    ASSERT_EQ(936u, GetACP());
    const std::string chineseAnsi = Ansi(chinese);

    struct ExportCase {
        const char* name;
        std::function<IMervale*()> insert;
        std::wstring path;
        int width, height;  // as listed
    };
    const ExportCase cases[] = {
        {"InsertGifToRicheditW",
         [&] { return Export<InsertW>(m_library, "InsertGifToRicheditW")(m_edit, gif.c_str()); }, gif, 65535, 65535},
        {"InsertGifToRichedit2W",
         [&] { return Export<Insert2W>(m_library, "InsertGifToRichedit2W")(m_edit, gif.c_str(), 20, 18); }, gif, 20,
         18},
        {"InsertGifToRicheditA",
         [&] { return Export<InsertA>(m_library, "InsertGifToRicheditA")(m_edit, chineseAnsi.c_str()); }, chinese,
         65535, 65535},
        {"InsertGifToRichedit2A",
         [&] { return Export<Insert2A>(m_library, "InsertGifToRichedit2A")(m_edit, chineseAnsi.c_str(), 16, 22); },
         chinese, 16, 22},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const ExportCase& c = cases[i];
        AppendText(L" picture: ");
        IMervale* control = c.insert();
        ASSERT_TRUE(control) << c.name;
        EXPECT_EQ(static_cast<LONG>(i + 1), m_ole->GetObjectCount()) << c.name;
        Bstr text((L"\u56FE" + std::to_wstring(i)).c_str());  // "picture" and the number
        EXPECT_EQ(S_OK, control->put_Text(text.Get())) << c.name;

        // The object is the returned control, carrying REMode and Enabled.
        REOBJECT object{};
        object.cbStruct = sizeof object;
        ASSERT_EQ(S_OK, m_ole->GetObject(static_cast<LONG>(i), &object, REO_GETOBJ_POLEOBJ)) << c.name;
        ComPtr<IOleObject> ole = ComPtr<IOleObject>::Adopt(object.poleobj);
        auto same = ole.As<IMervale>(IID_IMervale);
        EXPECT_EQ(static_cast<IUnknown*>(control), static_cast<IUnknown*>(same.Get())) << c.name;
        EXPECT_EQ(REO_BELOWBASELINE, object.dwFlags & REO_BELOWBASELINE) << c.name;
#ifndef _WIN64
        EXPECT_EQ(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(control)), object.dwUser) << c.name;
#endif
        VARIANT_BOOL flag = VARIANT_FALSE;
        control->get_REMode(&flag);
        EXPECT_EQ(VARIANT_TRUE, flag) << c.name;
        control->get_Enabled(&flag);
        EXPECT_EQ(VARIANT_TRUE, flag) << c.name;
    }
    UpdateWindow(m_edit);

    // Every picture plays its three frames in the rich edit.
    for (LONG i = 0; i < 4; ++i) EXPECT_EQ(7, FramesSeen(CpOf(i), 4000)) << cases[i].name;

    HRESULT hr = E_FAIL;
    const std::wstring info = ObjectsInfo(&hr);
    ASSERT_EQ(S_OK, hr);
    ASSERT_FALSE(info.empty());
    EXPECT_EQ(L'\n', info.back());
    const std::vector<std::wstring> lines = Split(info.substr(0, info.size() - 1), L'\n');
    ASSERT_EQ(4u, lines.size()) << info.c_str();
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::vector<std::wstring> fields = Split(lines[i], L'\t');
        ASSERT_EQ(5u, fields.size()) << lines[i].c_str();
        EXPECT_EQ(std::to_wstring(CpOf(static_cast<LONG>(i))), fields[0]) << cases[i].name;
        EXPECT_EQ(L"\u56FE" + std::to_wstring(i), fields[1]) << cases[i].name;
        EXPECT_EQ(std::to_wstring(cases[i].width), fields[2]) << cases[i].name;
        EXPECT_EQ(std::to_wstring(cases[i].height), fields[3]) << cases[i].name;
        EXPECT_EQ(cases[i].path, fields[4]) << cases[i].name;
    }
    DeleteFileW(chinese.c_str());
}

// A rich edit made and served by a thread of its own, which pumps its
// messages until the object goes.
class OtherThreadRichEdit {
public:
    OtherThreadRichEdit() {
        HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        m_thread = std::thread([this, ready] {
            m_threadId = GetCurrentThreadId();
            HWND edit = CreateWindowExW(0, RICHEDIT_CLASSW, L"", WS_OVERLAPPEDWINDOW | ES_MULTILINE, 0, 0, 200, 100,
                                        nullptr, nullptr, nullptr, nullptr);
            m_window = edit;
            SetEvent(ready);
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
            if (edit) DestroyWindow(edit);
        });
        WaitForSingleObject(ready, 5000);
        CloseHandle(ready);
    }
    ~OtherThreadRichEdit() {
        PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
        m_thread.join();
    }
    HWND Window() const { return m_window; }

private:
    std::thread m_thread;
    DWORD m_threadId = 0;
    HWND m_window = nullptr;
};

TEST_F(PexoManagerTest, RefusesWhatCannotBeInserted) {
    const std::wstring gif = picturetest::FixturePath(L"three_frames.gif");
    auto insert2W = Export<Insert2W>(m_library, "InsertGifToRichedit2W");
    auto insertA = Export<InsertA>(m_library, "InsertGifToRicheditA");
    const std::wstring text = picturetest::FixturePath(L"not_a_picture.txt");
    // A path without its end within 32767 bytes.
    std::string endless(40000, 'a');
    endless.back() = 'a';
    struct RefusalCase {
        const char* what;
        std::function<IMervale*()> insert;
    };
    const RefusalCase cases[] = {
        {"not a rich edit", [&] { return insert2W(m_button, gif.c_str(), 0, 0); }},
        {"no window", [&] { return insert2W(nullptr, gif.c_str(), 0, 0); }},
        {"a destroyed window", [&] {
             HWND gone = CreateWindowExW(0, RICHEDIT_CLASSW, L"", WS_CHILD, 0, 0, 10, 10, m_frame, nullptr, nullptr,
                                         nullptr);
             DestroyWindow(gone);
             return insert2W(gone, gif.c_str(), 0, 0);
         }},
        {"a rich edit of another thread of the process", [&] {
             OtherThreadRichEdit other;
             return other.Window() ? insert2W(other.Window(), gif.c_str(), 0, 0)
                                   : reinterpret_cast<IMervale*>(1);  // no such rich edit: the case fails
         }},
        {"not a picture", [&] { return insert2W(m_edit, text.c_str(), 0, 0); }},
        {"a picture of 10,000 x 10,000 pixels",
         [&] { return insert2W(m_edit, picturetest::FixturePath(L"huge.png").c_str(), 0, 0); }},
        {"no path", [&] { return insert2W(m_edit, nullptr, 0, 0); }},
        {"an ANSI path without an end", [&] { return insertA(m_edit, endless.data()); }},
        {"no ANSI path", [&] { return insertA(m_edit, nullptr); }},
    };
    for (const RefusalCase& c : cases) {
        EXPECT_EQ(nullptr, c.insert()) << c.what;
        EXPECT_EQ(0, m_ole->GetObjectCount()) << c.what;
    }

    IDispatch* object = reinterpret_cast<IDispatch*>(1);
    Bstr file(gif.c_str());
    EXPECT_EQ(E_FAIL, m_manager->InsertImage(Handle(m_button), file.Get(), 0, 0, &object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(E_POINTER, m_manager->InsertImage(Handle(m_edit), file.Get(), 0, 0, nullptr));
    Bstr info;
    EXPECT_EQ(E_INVALIDARG, m_manager->GetObjectsInfo(Handle(m_button), info.Receive()));
    EXPECT_EQ(E_INVALIDARG, m_manager->GetObjectsInfo(Handle(m_edit), nullptr));
    // A failure comes with an error object that says what went wrong.
    auto support = m_manager.As<ISupportErrorInfo>(IID_ISupportErrorInfo);
    ASSERT_TRUE(support);
    EXPECT_EQ(S_OK, support->InterfaceSupportsErrorInfo(IID_IPexoManager));
    EXPECT_EQ(S_FALSE, support->InterfaceSupportsErrorInfo(IID_IMervale));
    EXPECT_EQ(E_FAIL, m_manager->InsertImage(Handle(m_button), file.Get(), 0, 0, &object));
    ComPtr<IErrorInfo> error;
    ASSERT_EQ(S_OK, GetErrorInfo(0, error.Receive()));
    Bstr description;
    error->GetDescription(description.Receive());
    EXPECT_NE(0u, description.Length());

    // A zero width with a nonzero height leaves the display size unset.
    ASSERT_EQ(S_OK, m_manager->InsertImage(Handle(m_edit), file.Get(), 0, 30, &object));
    ASSERT_TRUE(object);
    ComPtr<IDispatch> inserted = ComPtr<IDispatch>::Adopt(object);
    LONG size = 0;
    inserted.As<IMervale>(IID_IMervale)->get_DisplaySize(&size);
    EXPECT_EQ(LONG(0xFFFFFFFF), size);
}

// A static picture (a bitmap) is no Mervale object: the listing fails.
TEST_F(PexoManagerTest, GetObjectsInfoFailsOnAStaticPicture) {
    Bstr file(picturetest::FixturePath(L"three_frames.gif").c_str());
    IDispatch* object = nullptr;
    ASSERT_EQ(S_OK, m_manager->InsertImage(Handle(m_edit), file.Get(), 0, 0, &object));
    ComPtr<IDispatch> picture = ComPtr<IDispatch>::Adopt(object);

    HDC screen = GetDC(nullptr);
    BitmapData data(CreateCompatibleBitmap(screen, 16, 16));
    ReleaseDC(nullptr, screen);
    FORMATETC format{CF_BITMAP, nullptr, DVASPECT_CONTENT, -1, TYMED_GDI};
    auto storage = picturetest::StorageOnGlobalMemory();
    ComPtr<IOleClientSite> site;
    ASSERT_EQ(S_OK, m_ole->GetClientSite(site.Receive()));
    ComPtr<IOleObject> still;
    ASSERT_EQ(S_OK, OleCreateStaticFromData(&data, IID_IOleObject, OLERENDER_FORMAT, &format, site.Get(),
                                            storage.Get(), still.ReceiveVoid()));
    REOBJECT reObject{};
    reObject.cbStruct = sizeof reObject;
    reObject.cp = REO_CP_SELECTION;
    still->GetUserClassID(&reObject.clsid);
    reObject.poleobj = still.Get();
    reObject.pstg = storage.Get();
    reObject.polesite = site.Get();
    reObject.dvaspect = DVASPECT_CONTENT;
    SendMessageW(m_edit, EM_SETSEL, -1, -1);
    ASSERT_EQ(S_OK, m_ole->InsertObject(&reObject));
    ASSERT_EQ(2, m_ole->GetObjectCount());

    HRESULT hr = S_OK;
    EXPECT_EQ(L"", ObjectsInfo(&hr));
    EXPECT_EQ(E_FAIL, hr);
}

HWND PexoManagerTest::s_frame = nullptr;

HRESULT MemberResult(HRESULT invokeResult, const EXCEPINFO& exception) {
    if (invokeResult != DISP_E_EXCEPTION) return invokeResult;
    return exception.scode ? exception.scode : static_cast<HRESULT>(exception.wCode);
}

// Late-bound, as a script would call it: names to dispids, then Invoke.
TEST_F(PexoManagerTest, LateBoundCallsThroughIDispatch) {
    ComPtr<IDispatch> dispatch = m_manager.As<IDispatch>(IID_IDispatch);
    ASSERT_TRUE(dispatch);
    DISPID ids[3] = {};
    const wchar_t* names[] = {L"InsertImage", L"GetObjectsInfo", L"ShowFlash"};
    for (int i = 0; i < 3; ++i) {
        LPOLESTR name = const_cast<LPOLESTR>(names[i]);
        ASSERT_EQ(S_OK, dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &ids[i])) << i;
        EXPECT_EQ(i + 1, ids[i]);
    }

    // InsertImage(hwnd, path, 20, 18) gives the picture as IDispatch.
    VARIANT args[4];  // reversed
    for (VARIANT& v : args) VariantInit(&v);
    args[3].vt = VT_I4;
    args[3].lVal = static_cast<LONG>(Handle(m_edit));
    args[2].vt = VT_BSTR;
    args[2].bstrVal = SysAllocString(picturetest::FixturePath(L"three_frames.gif").c_str());
    args[1].vt = VT_I4;
    args[1].lVal = 20;
    args[0].vt = VT_I4;
    args[0].lVal = 18;
    DISPPARAMS params{args, nullptr, 4, 0};
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO exception{};
    ASSERT_EQ(S_OK, dispatch->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, &exception,
                                     nullptr));
    ASSERT_EQ(VT_DISPATCH, result.vt);
    ASSERT_TRUE(result.pdispVal);
    ComPtr<IMervale> picture;
    EXPECT_EQ(S_OK, result.pdispVal->QueryInterface(IID_IMervale, picture.ReceiveVoid()));
    VariantClear(&result);
    EXPECT_EQ(1, m_ole->GetObjectCount());

    // GetObjectsInfo(hwnd) as a BSTR, the same as through the vtable.
    VARIANT window;
    VariantInit(&window);
    window.vt = VT_I4;
    window.lVal = static_cast<LONG>(Handle(m_edit));
    DISPPARAMS one{&window, nullptr, 1, 0};
    ASSERT_EQ(S_OK, dispatch->Invoke(2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &one, &result, &exception,
                                     nullptr));
    ASSERT_EQ(VT_BSTR, result.vt);
    EXPECT_EQ(ObjectsInfo(), std::wstring(result.bstrVal, SysStringLen(result.bstrVal)));
    EXPECT_NE(std::wstring::npos, std::wstring(result.bstrVal).find(L"\t20\t18\t"));
    VariantClear(&result);

    // A failing member: its code comes back, with the error's description.
    args[3].lVal = static_cast<LONG>(Handle(m_button));
    exception = EXCEPINFO{};
    const HRESULT hr =
        dispatch->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, &exception, nullptr);
    EXPECT_EQ(E_FAIL, MemberResult(hr, exception));
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    VariantClear(&args[2]);
}

// Another apartment reaches the manager through the library's proxies.
TEST_F(PexoManagerTest, AnotherApartmentListsThePicturesThroughTheProxy) {
    Bstr file(picturetest::FixturePath(L"three_frames.gif").c_str());
    IDispatch* object = nullptr;
    ASSERT_EQ(S_OK, m_manager->InsertImage(Handle(m_edit), file.Get(), 0, 0, &object));
    ComPtr<IDispatch> picture = ComPtr<IDispatch>::Adopt(object);
    const std::wstring expected = ObjectsInfo();

    ComPtr<IStream> marshaled;
    ASSERT_EQ(S_OK, CoMarshalInterThreadInterfaceInStream(IID_IPexoManager, m_manager.Get(), marshaled.Receive()));
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HRESULT call = E_UNEXPECTED;
    std::wstring listed;
    const OLE_HANDLE edit = Handle(m_edit);
    std::thread client([&] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        {
            ComPtr<IPexoManager> proxy;
            if (SUCCEEDED(CoGetInterfaceAndReleaseStream(marshaled.Detach(), IID_IPexoManager, proxy.ReceiveVoid()))) {
                Bstr info;
                call = proxy->GetObjectsInfo(edit, info.Receive());
                listed.assign(info.Text(), info.Length());
            }
        }
        CoUninitialize();
        SetEvent(done);
    });
    DWORD index = 0;
    const HRESULT waited = CoWaitForMultipleHandles(0, 10000, 1, &done, &index);
    client.join();
    CloseHandle(done);
    ASSERT_EQ(S_OK, waited);
    EXPECT_EQ(S_OK, call);
    EXPECT_EQ(expected, listed);
}

}  // namespace
