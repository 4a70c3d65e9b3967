// Mervale.dll as its clients meet it: registered in the prefix, created by
// CoCreateInstance, driven through its vtables and through IDispatch, and
// persisted into a storage on global memory.
#include "TestSupport.h"

#include "Mervale_h.h"
#include "com/Bstr.h"

#include <oleauto.h>
#include <olectl.h>

#include <functional>
#include <thread>

using com::Bstr;
using com::ComPtr;
using picturetest::FixturePath;

namespace {

const auto* const g_ole = ::testing::AddGlobalTestEnvironment(new picturetest::OleEnvironment);

using ServerEntry = HRESULT(STDAPICALLTYPE*)();

HRESULT CallServerEntry(const char* name) {
    HMODULE library = LoadLibraryW(picturetest::MervaleDllPath().c_str());
    if (!library) return HRESULT_FROM_WIN32(GetLastError());
    auto entry = reinterpret_cast<ServerEntry>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
    const HRESULT hr = entry ? entry() : E_NOTIMPL;
    FreeLibrary(library);
    return hr;
}

// The default value of HKEY_CLASSES_ROOT\key, or "<missing>".
std::wstring ClassesValue(const std::wstring& key, const wchar_t* name = nullptr) {
    wchar_t value[512] = {};
    DWORD bytes = sizeof value;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &bytes) != ERROR_SUCCESS) {
        return L"<missing>";
    }
    return value;
}

template <class Itf>
ComPtr<Itf> Create(REFCLSID clsid) {
    ComPtr<Itf> object;
    CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(Itf), object.ReceiveVoid());
    return object;
}

class MervaleCom : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(S_OK, CallServerEntry("DllRegisterServer")); }
};

TEST(MervaleRegistration, RegistersAndUnregistersInThePrefix) {
    ASSERT_EQ(S_OK, CallServerEntry("DllRegisterServer"));

    const std::wstring mervale = L"CLSID\\{D4B02AAF-6E53-41E3-B411-9C9F90BCF237}";
    const std::wstring reMervale = L"CLSID\\{162A1EDD-CE3D-4D14-B7BC-35BCBA83320E}";
    struct Expected {
        std::wstring key;
        const wchar_t* name;
        std::wstring value;
    };
    const Expected entries[] = {
        {mervale + L"\\InprocServer32", nullptr, picturetest::MervaleDllPath()},
        {mervale + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {mervale + L"\\ProgID", nullptr, L"Mervale.Mervale.1"},
        {mervale + L"\\MiscStatus\\1", nullptr, L"131473"},
        {mervale + L"\\Version", nullptr, L"1.2"},
        {mervale + L"\\TypeLib", nullptr, L"{B8403CF3-C476-4637-81C3-B01BDFB453C4}"},
        {reMervale + L"\\ProgID", nullptr, L"Mervale.IReMervale.1"},
        {reMervale + L"\\Version", nullptr, L"1.0"},
        {L"Mervale.Mervale\\CurVer", nullptr, L"Mervale.Mervale.1"},
        {L"AppID\\{37893EAD-3374-48E2-B865-21A938C2B2E1}", nullptr, L"Mervale"},
        {L"AppID\\Mervale.dll", L"AppID", L"{37893EAD-3374-48E2-B865-21A938C2B2E1}"},
        // A 64-bit server's type library registers under "win64".
#ifdef _WIN64
        {L"TypeLib\\{B8403CF3-C476-4637-81C3-B01BDFB453C4}\\1.2\\0\\win64", nullptr, picturetest::MervaleDllPath()},
#else
        {L"TypeLib\\{B8403CF3-C476-4637-81C3-B01BDFB453C4}\\1.2\\0\\win32", nullptr, picturetest::MervaleDllPath()},
#endif
        // The type-library marshaler is the proxy of both dual interfaces.
        {L"Interface\\{9E6035ED-C26F-4798-AACA-22D793D6FED1}\\ProxyStubClsid32", nullptr,
         L"{00020424-0000-0000-C000-000000000046}"},
        {L"Interface\\{FBDB6CDF-8F51-4C8B-A8E9-AD653F70D118}\\ProxyStubClsid32", nullptr,
         L"{00020424-0000-0000-C000-000000000046}"},
    };
    for (const Expected& e : entries) {
        EXPECT_STREQ(e.value.c_str(), ClassesValue(e.key, e.name).c_str()) << e.key.c_str();
    }
    EXPECT_TRUE(Create<IMervale>(CLSID_Mervale));
    EXPECT_TRUE(Create<IReMervale>(CLSID_ReMervale));

    ASSERT_EQ(S_OK, CallServerEntry("DllUnregisterServer"));
    for (const Expected& e : entries) {
        EXPECT_STREQ(L"<missing>", ClassesValue(e.key, e.name).c_str()) << e.key.c_str();
    }
    IUnknown* object = nullptr;
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              CoCreateInstance(CLSID_Mervale, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, (void**)&object));
}

TEST_F(MervaleCom, CreatesBothClassesWithTheirInterfaces) {
    auto mervale = Create<IMervale>(CLSID_Mervale);
    auto reMervale = Create<IReMervale>(CLSID_ReMervale);
    ASSERT_TRUE(mervale);
    ASSERT_TRUE(reMervale);
    for (IUnknown* object : {static_cast<IUnknown*>(mervale.Get()), static_cast<IUnknown*>(reMervale.Get())}) {
        for (const IID* iid : {&IID_IDispatch, &IID_IOleObject, &IID_IViewObject2, &IID_IPersistStorage,
                               &IID_ICategorizeProperties}) {
            ComPtr<IUnknown> itf;
            EXPECT_EQ(S_OK, object->QueryInterface(*iid, itf.ReceiveVoid()));
        }
    }
}

// A failing member is reported by Invoke either as its own code or as an
// exception that carries it.
HRESULT MemberResult(HRESULT invokeResult, const EXCEPINFO& exception) {
    if (invokeResult != DISP_E_EXCEPTION) return invokeResult;
    return exception.scode ? exception.scode : static_cast<HRESULT>(exception.wCode);
}

HRESULT Invoke(IDispatch* object, DISPID id, WORD flags, std::vector<VARIANT> args, VARIANT* result) {
    DISPPARAMS params{};
    DISPID named = DISPID_PROPERTYPUT;
    // Arguments go in reverse order.
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    params.cArgs = static_cast<UINT>(reversed.size());
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    if (flags & DISPATCH_PROPERTYPUT) {
        params.cNamedArgs = 1;
        params.rgdispidNamedArgs = &named;
    }
    EXCEPINFO exception{};
    UINT argError = 0;
    const HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &exception, &argError);
    const HRESULT member = MemberResult(hr, exception);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return member;
}

VARIANT BoolArg(bool value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

VARIANT LongArg(LONG value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

TEST_F(MervaleCom, NamesMapToTheDispidsOfTheInterface) {
    auto mervale = Create<IMervale>(CLSID_Mervale);
    ASSERT_TRUE(mervale);
    const std::pair<const wchar_t*, DISPID> names[] = {
        {L"Enabled", -514},      {L"Text", -517},  {L"LoadFromFile", 1}, {L"LoadFromResource", 2},
        {L"Play", 3},            {L"Stop", 4},     {L"GetFilePath", 5},  {L"DisplaySize", 6},
        {L"REMode", 7},          {L"AboutBox", -552}, {L"LoadFromStream", 8},
    };
    for (const auto& [name, expected] : names) {
        LPOLESTR text = const_cast<LPOLESTR>(name);
        DISPID id = 0;
        EXPECT_EQ(S_OK, mervale->GetIDsOfNames(IID_NULL, &text, 1, LOCALE_USER_DEFAULT, &id)) << name;
        EXPECT_EQ(expected, id) << name;
    }
}

// Each case writes through one route and reads through the other.
TEST_F(MervaleCom, InvokeByDispidReachesTheVtableMembers) {
    auto control = Create<IMervale>(CLSID_Mervale);
    ASSERT_TRUE(control);
    IDispatch* dispatch = control.Get();
    const std::wstring gif = FixturePath(L"three_frames.gif");

    // LoadFromFile by Invoke, GetFilePath by the vtable, and the reverse.
    VARIANT file;
    VariantInit(&file);
    file.vt = VT_BSTR;
    file.bstrVal = SysAllocString(gif.c_str());
    EXPECT_EQ(S_OK, Invoke(dispatch, 1, DISPATCH_METHOD, {file}, nullptr));
    VariantClear(&file);
    Bstr path;
    EXPECT_EQ(S_OK, control->GetFilePath(path.Receive()));
    EXPECT_STREQ(gif.c_str(), path.Text());
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(S_OK, Invoke(dispatch, 5, DISPATCH_METHOD, {}, &result));
    ASSERT_EQ(VT_BSTR, result.vt);
    EXPECT_STREQ(gif.c_str(), result.bstrVal);
    VariantClear(&result);

    // LoadFromResource by Invoke: the fixture is a resource of this program.
    VARIANT instance = LongArg(static_cast<LONG>(reinterpret_cast<UINT_PTR>(GetModuleHandleW(nullptr))));
    VARIANT name, type;
    VariantInit(&name);
    VariantInit(&type);
    name.vt = type.vt = VT_BSTR;
    name.bstrVal = SysAllocString(L"THREE_FRAMES");
    type.bstrVal = SysAllocString(L"GIF");
    EXPECT_EQ(S_OK, Invoke(dispatch, 2, DISPATCH_METHOD, {instance, name, type}, nullptr));
    SysFreeString(name.bstrVal);
    name.bstrVal = SysAllocString(L"NO_SUCH");
    EXPECT_EQ(E_FAIL, Invoke(dispatch, 2, DISPATCH_METHOD, {instance, name, type}, nullptr));
    VariantClear(&name);
    VariantClear(&type);
    EXPECT_EQ(S_OK, control->LoadFromFile(Bstr(gif.c_str()).Get()));

    // Text: put by Invoke, get by the vtable; then put by the vtable, get by Invoke.
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(L"\u5FAE\u7B11");
    EXPECT_EQ(S_OK, Invoke(dispatch, DISPID_TEXT, DISPATCH_PROPERTYPUT, {text}, nullptr));
    VariantClear(&text);
    Bstr got;
    EXPECT_EQ(S_OK, control->get_Text(got.Receive()));
    EXPECT_STREQ(L"\u5FAE\u7B11", got.Text());
    Bstr other(L"smile");
    EXPECT_EQ(S_OK, control->put_Text(other.Get()));
    EXPECT_EQ(S_OK, Invoke(dispatch, DISPID_TEXT, DISPATCH_PROPERTYGET, {}, &result));
    ASSERT_EQ(VT_BSTR, result.vt);
    EXPECT_STREQ(L"smile", result.bstrVal);
    VariantClear(&result);

    // The LONG and VARIANT_BOOL properties, both ways.
    struct PropertyCase {
        const char* name;
        DISPID id;
        VARIANT value;
        std::function<LONG()> readByVtable;
    };
    const PropertyCase cases[] = {
        {"DisplaySize", 6, LongArg(MAKELONG(20, 18)),
         [&] { LONG v = 0; control->get_DisplaySize(&v); return v; }},
        {"REMode", 7, BoolArg(true), [&] { VARIANT_BOOL v = 0; control->get_REMode(&v); return LONG(v); }},
        {"Enabled", DISPID_ENABLED, BoolArg(true),
         [&] { VARIANT_BOOL v = 0; control->get_Enabled(&v); return LONG(v); }},
    };
    for (const PropertyCase& c : cases) {
        EXPECT_EQ(S_OK, Invoke(dispatch, c.id, DISPATCH_PROPERTYPUT, {c.value}, nullptr)) << c.name;
        const LONG expected = c.value.vt == VT_BOOL ? c.value.boolVal : c.value.lVal;
        EXPECT_EQ(expected, c.readByVtable()) << c.name;
        EXPECT_EQ(S_OK, Invoke(dispatch, c.id, DISPATCH_PROPERTYGET, {}, &result)) << c.name;
        EXPECT_EQ(c.value.vt, result.vt) << c.name;
        EXPECT_EQ(expected, result.vt == VT_BOOL ? result.boolVal : result.lVal) << c.name;
        VariantClear(&result);
    }
    EXPECT_EQ(S_OK, control->put_DisplaySize(MAKELONG(10, 12)));
    EXPECT_EQ(S_OK, Invoke(dispatch, 6, DISPATCH_PROPERTYGET, {}, &result));
    EXPECT_EQ(MAKELONG(10, 12), result.lVal);

    // The member's own error comes back through Invoke as well.
    EXPECT_EQ(E_INVALIDARG, Invoke(dispatch, 6, DISPATCH_PROPERTYPUT, {LongArg(MAKELONG(0, 5))}, nullptr));
    VARIANT none;
    VariantInit(&none);
    none.vt = VT_UNKNOWN;
    none.punkVal = nullptr;
    EXPECT_EQ(E_INVALIDARG, Invoke(dispatch, 8, DISPATCH_METHOD, {none}, nullptr));
    EXPECT_EQ(S_OK, Invoke(dispatch, 4, DISPATCH_METHOD, {}, nullptr));
    EXPECT_EQ(S_OK, Invoke(dispatch, 3, DISPATCH_METHOD, {}, nullptr));

    // The transparent variant's own stock property.
    auto reMervale = Create<IReMervale>(CLSID_ReMervale);
    ASSERT_TRUE(reMervale);
    EXPECT_EQ(S_OK, Invoke(reMervale.Get(), DISPID_BACKSTYLE, DISPATCH_PROPERTYPUT, {LongArg(1)}, nullptr));
    LONG backStyle = 0;
    EXPECT_EQ(S_OK, reMervale->get_BackStyle(&backStyle));
    EXPECT_EQ(1, backStyle);
}

// A client in another apartment gets a proxy built from the registered type
// library; its calls reach the control on the creating thread.
TEST_F(MervaleCom, AnotherApartmentCallsThroughTheTypeLibraryMarshaler) {
    auto control = Create<IMervale>(CLSID_Mervale);
    ASSERT_TRUE(control);
    ComPtr<IStream> marshaled;
    ASSERT_EQ(S_OK, CoMarshalInterThreadInterfaceInStream(IID_IMervale, control.Get(), marshaled.Receive()));

    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HRESULT unmarshal = E_UNEXPECTED, putSize = E_UNEXPECTED, putText = E_UNEXPECTED;
    bool gotProxy = false;
    std::thread client([&] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        {
            ComPtr<IMervale> proxy;
            unmarshal = CoGetInterfaceAndReleaseStream(marshaled.Detach(), IID_IMervale, proxy.ReceiveVoid());
            if (SUCCEEDED(unmarshal)) {
                gotProxy = static_cast<IUnknown*>(proxy.Get()) != static_cast<IUnknown*>(control.Get());
                putSize = proxy->put_DisplaySize(MAKELONG(7, 9));
                Bstr text(L"\u4EE3\u7406");
                putText = proxy->put_Text(text.Get());
            }
        }
        CoUninitialize();
        SetEvent(done);
    });
    // The calls are served by this thread's apartment: keep its messages moving.
    DWORD index = 0;
    const HRESULT waited = CoWaitForMultipleHandles(0, 10000, 1, &done, &index);
    client.join();
    CloseHandle(done);
    ASSERT_EQ(S_OK, waited);

    EXPECT_EQ(S_OK, unmarshal);
    EXPECT_TRUE(gotProxy);
    EXPECT_EQ(S_OK, putSize);
    EXPECT_EQ(S_OK, putText);
    LONG size = 0;
    control->get_DisplaySize(&size);
    EXPECT_EQ(MAKELONG(7, 9), size);
    Bstr text;
    control->get_Text(text.Receive());
    EXPECT_STREQ(L"\u4EE3\u7406", text.Text());
}

TEST_F(MervaleCom, RefusesWhatIsNotAPicture) {
    auto control = Create<IMervale>(CLSID_Mervale);
    ASSERT_TRUE(control);
    const std::wstring text = FixturePath(L"not_a_picture.txt");
    Bstr textFile(text.c_str());
    EXPECT_EQ(E_FAIL, control->LoadFromFile(textFile.Get()));
    Bstr missing(FixturePath(L"no_such_file.gif").c_str());
    EXPECT_EQ(E_FAIL, control->LoadFromFile(missing.Get()));
    auto textStream = picturetest::StreamOf(picturetest::ReadFileBytes(text));
    EXPECT_EQ(E_FAIL, control->LoadFromStream(textStream.Get()));
    Bstr path;
    EXPECT_EQ(S_FALSE, control->GetFilePath(path.Receive()));
    EXPECT_EQ(nullptr, path.Get());
}

TEST_F(MervaleCom, LoadFromStreamWantsAStream) {
    auto control = Create<IMervale>(CLSID_Mervale);
    ASSERT_TRUE(control);
    EXPECT_EQ(E_INVALIDARG, control->LoadFromStream(nullptr));
    EXPECT_EQ(E_INVALIDARG, control->LoadFromStream(control.Get()));  // an object without IStream
}

// What the object shows and persists, read through its interfaces.
struct Snapshot {
    std::wstring text;
    LONG displaySize = 0;
    VARIANT_BOOL reMode = 0;
    VARIANT_BOOL enabled = 0;
    std::vector<BYTE> pictureBytes;  // from the file GetFilePath names
};

template <class Itf>
Snapshot Take(Itf* control) {
    Snapshot s;
    Bstr text, path;
    control->get_Text(text.Receive());
    s.text = text.Text();
    control->get_DisplaySize(&s.displaySize);
    control->get_REMode(&s.reMode);
    control->get_Enabled(&s.enabled);
    if (control->GetFilePath(path.Receive()) == S_OK) s.pictureBytes = picturetest::ReadFileBytes(path.Text());
    return s;
}

template <class Itf>
void ExpectRoundTrip(REFCLSID clsid, bool fromStream) {
    const std::vector<BYTE> gif = picturetest::ReadFileBytes(FixturePath(L"three_frames.gif"));
    ASSERT_FALSE(gif.empty());
    auto original = Create<Itf>(clsid);
    ASSERT_TRUE(original);
    if (fromStream) {
        auto stream = picturetest::StreamOf(gif);
        ASSERT_EQ(S_OK, original->LoadFromStream(stream.Get()));
    } else {
        Bstr file(FixturePath(L"three_frames.gif").c_str());
        ASSERT_EQ(S_OK, original->LoadFromFile(file.Get()));
    }
    Bstr text(L"\u5FAE\u7B11 smile");
    original->put_Text(text.Get());
    original->put_DisplaySize(MAKELONG(20, 18));
    original->put_REMode(VARIANT_TRUE);
    original->put_Enabled(VARIANT_TRUE);

    auto storage = picturetest::StorageOnGlobalMemory();
    ASSERT_TRUE(storage);
    auto persist = ComPtr<Itf>(original).template As<IPersistStorage>(IID_IPersistStorage);
    ASSERT_TRUE(persist);
    ASSERT_EQ(S_OK, persist->Save(storage.Get(), FALSE));
    ASSERT_EQ(S_OK, storage->Commit(STGC_DEFAULT));

    // The picture's bytes, unchanged, in "ImageData".
    ComPtr<IStream> imageData;
    ASSERT_EQ(S_OK, storage->OpenStream(L"ImageData", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                        imageData.Receive()));
    EXPECT_EQ(gif, picturetest::StreamBytes(imageData.Get()));
    imageData.Reset();

    auto copy = Create<Itf>(clsid);
    ASSERT_TRUE(copy);
    auto copyPersist = ComPtr<Itf>(copy).template As<IPersistStorage>(IID_IPersistStorage);
    ASSERT_EQ(S_OK, copyPersist->Load(storage.Get()));

    const Snapshot before = Take(original.Get());
    const Snapshot after = Take(copy.Get());
    EXPECT_EQ(before.text, after.text);
    EXPECT_EQ(MAKELONG(20, 18), after.displaySize);
    EXPECT_EQ(VARIANT_TRUE, after.reMode);
    EXPECT_EQ(VARIANT_TRUE, after.enabled);
    EXPECT_EQ(gif, before.pictureBytes);
    EXPECT_EQ(gif, after.pictureBytes);

    // A picture that came from a stream gets the control's own temporary file.
    Bstr path;
    ASSERT_EQ(S_OK, copy->GetFilePath(path.Receive()));
    const std::wstring name = path.Text();
    const std::wstring file = name.substr(name.find_last_of(L'\\') + 1);
    EXPECT_EQ(0u, file.find(L"QOX")) << file;
    EXPECT_EQ(file.size() - 4, file.rfind(L".gif")) << file;

    // Released, the control removes its file and the name's reservation.
    copyPersist.Reset();
    copy.Reset();
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(name.c_str())) << file;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(name.substr(0, name.size() - 4).c_str())) << file;
}

// Replaces the whole of a storage's stream with the bytes.
void RewriteStream(IStorage* storage, const wchar_t* name, const std::vector<BYTE>& bytes) {
    ComPtr<IStream> stream;
    ASSERT_EQ(S_OK, storage->CreateStream(name, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0,
                                          stream.Receive()));
    ULONG written = 0;
    if (!bytes.empty()) ASSERT_EQ(S_OK, stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written));
}

std::vector<BYTE> StreamOfStorage(IStorage* storage, const wchar_t* name) {
    ComPtr<IStream> stream;
    if (FAILED(storage->OpenStream(name, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.Receive()))) return {};
    return picturetest::StreamBytes(stream.Get());
}

// The little-endian bytes of a property map, built independently of the
// control: version, extent, then serialised variants.
struct MapBytes {
    std::vector<BYTE> bytes;
    template <class T>
    MapBytes& Raw(T value) {
        const BYTE* p = reinterpret_cast<const BYTE*>(&value);
        bytes.insert(bytes.end(), p, p + sizeof value);
        return *this;
    }
    MapBytes& Bool(bool value) { return Raw<WORD>(VT_BOOL).Raw<SHORT>(value ? -1 : 0); }
    MapBytes& Long(LONG value) { return Raw<WORD>(VT_I4).Raw<LONG>(value); }
    MapBytes& Text(const std::wstring& text) {
        Raw<WORD>(VT_BSTR).Raw<ULONG>(static_cast<ULONG>((text.size() + 1) * 2));
        for (wchar_t c : text) Raw<WORD>(c);
        return Raw<WORD>(0);
    }
};

// "Contents" holds the property map in the COM framework's layout: the
// extent, then Enabled, Text, _displaywidth, _displayheight and _REMode (and
// the transparent variant's BackStyle and TabStop) as serialised variants.
TEST_F(MervaleCom, ContentsHoldsThePropertyMapInTheFrameworkLayout) {
    for (bool transparent : {false, true}) {
        ComPtr<IMervale> plain;
        ComPtr<IReMervale> reMervale;
        ComPtr<IPersistStorage> persist;
        ComPtr<IOleObject> ole;
        if (transparent) {
            reMervale = Create<IReMervale>(CLSID_ReMervale);
            ASSERT_TRUE(reMervale);
            Bstr file(FixturePath(L"three_frames.gif").c_str());
            ASSERT_EQ(S_OK, reMervale->LoadFromFile(file.Get()));
            Bstr text(L"\u5FAE\u7B11");
            reMervale->put_Text(text.Get());
            reMervale->put_DisplaySize(MAKELONG(20, 18));
            reMervale->put_BackStyle(1);
            persist = reMervale.As<IPersistStorage>(IID_IPersistStorage);
            ole = reMervale.As<IOleObject>(IID_IOleObject);
        } else {
            plain = Create<IMervale>(CLSID_Mervale);
            ASSERT_TRUE(plain);
            Bstr file(FixturePath(L"three_frames.gif").c_str());
            ASSERT_EQ(S_OK, plain->LoadFromFile(file.Get()));
            Bstr text(L"\u5FAE\u7B11");
            plain->put_Text(text.Get());
            plain->put_DisplaySize(MAKELONG(20, 18));
            plain->put_REMode(VARIANT_TRUE);
            plain->put_Enabled(VARIANT_TRUE);
            persist = plain.As<IPersistStorage>(IID_IPersistStorage);
            ole = plain.As<IOleObject>(IID_IOleObject);
        }
        ASSERT_TRUE(persist);
        SIZEL extent{};
        ASSERT_EQ(S_OK, ole->GetExtent(DVASPECT_CONTENT, &extent));
        auto storage = picturetest::StorageOnGlobalMemory();
        ASSERT_EQ(S_OK, persist->Save(storage.Get(), FALSE));

        MapBytes expected;
        expected.Raw<DWORD>(0x0800).Raw<LONG>(extent.cx).Raw<LONG>(extent.cy);
        if (transparent) {
            expected.Bool(false).Text(L"\u5FAE\u7B11").Long(20).Long(18).Bool(false).Long(1).Bool(false);
        } else {
            expected.Bool(true).Text(L"\u5FAE\u7B11").Long(20).Long(18).Bool(true);
        }
        EXPECT_EQ(expected.bytes, StreamOfStorage(storage.Get(), L"Contents")) << "transparent " << transparent;
    }
}

// Whatever "Contents" holds, a readable "ImageData" still gives the picture;
// the properties read before any damage are kept.
TEST_F(MervaleCom, DamagedContentsStillLoadsThePictureFromImageData) {
    const std::vector<BYTE> gif = picturetest::ReadFileBytes(FixturePath(L"three_frames.gif"));
    ASSERT_FALSE(gif.empty());
    MapBytes good;
    good.Raw<DWORD>(0x0800).Raw<LONG>(635).Raw<LONG>(635).Bool(true).Text(L"keep").Long(20).Long(18).Bool(true);
    std::vector<BYTE> cutInText(good.bytes.begin(), good.bytes.begin() + 4 + 8 + 4 + 2 + 4 + 3);
    MapBytes hugeText;
    hugeText.Raw<DWORD>(0x0800).Raw<LONG>(635).Raw<LONG>(635).Bool(true).Raw<WORD>(VT_BSTR).Raw<ULONG>(0x7FFFFFF0);
    MapBytes objectValue;
    objectValue.Raw<DWORD>(0x0800).Raw<LONG>(635).Raw<LONG>(635).Raw<WORD>(VT_UNKNOWN).Raw<ULONG>(0);
    MapBytes newerLayout;
    newerLayout.Raw<DWORD>(0x0900).Raw<LONG>(635).Raw<LONG>(635).Bool(true);
    MapBytes oddText;
    oddText.Raw<DWORD>(0x0800).Raw<LONG>(635).Raw<LONG>(635).Bool(true).Raw<WORD>(VT_BSTR).Raw<ULONG>(3).Raw<BYTE>(1)
        .Raw<WORD>(0);
    std::vector<BYTE> noise(300);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<BYTE>(i * 37 + 11);

    struct DamageCase {
        const char* what;
        bool removeContents;
        std::vector<BYTE> contents;
        bool keepsEnabled;  // read completely before the damage
    };
    const DamageCase cases[] = {
        {"missing", true, {}, false},
        {"empty", false, {}, false},
        {"three bytes", false, {1, 2, 3}, false},
        {"noise", false, noise, false},
        {"cut inside the text", false, cutInText, true},
        {"text longer than the stream", false, hugeText.bytes, true},
        {"an object value", false, objectValue.bytes, false},
        {"a newer layout", false, newerLayout.bytes, false},
        {"an odd text length", false, oddText.bytes, true},
    };
    for (const DamageCase& c : cases) {
        auto original = Create<IMervale>(CLSID_Mervale);
        ASSERT_TRUE(original);
        auto stream = picturetest::StreamOf(gif);
        ASSERT_EQ(S_OK, original->LoadFromStream(stream.Get()));
        original->put_Enabled(VARIANT_TRUE);
        auto storage = picturetest::StorageOnGlobalMemory();
        ASSERT_EQ(S_OK, original.As<IPersistStorage>(IID_IPersistStorage)->Save(storage.Get(), FALSE));
        if (c.removeContents) {
            ASSERT_EQ(S_OK, storage->DestroyElement(L"Contents")) << c.what;
        } else {
            RewriteStream(storage.Get(), L"Contents", c.contents);
        }

        auto copy = Create<IMervale>(CLSID_Mervale);
        ASSERT_TRUE(copy);
        EXPECT_EQ(S_OK, copy.As<IPersistStorage>(IID_IPersistStorage)->Load(storage.Get())) << c.what;
        const Snapshot after = Take(copy.Get());
        EXPECT_EQ(gif, after.pictureBytes) << c.what;
        EXPECT_EQ(c.keepsEnabled ? VARIANT_TRUE : VARIANT_FALSE, after.enabled) << c.what;
        EXPECT_EQ(L"", after.text) << c.what;
        EXPECT_EQ(LONG(0xFFFFFFFF), after.displaySize) << c.what;  // never read: still unset
    }

    // Without a picture, damaged properties are a failed load.
    auto storage = picturetest::StorageOnGlobalMemory();
    RewriteStream(storage.Get(), L"Contents", noise);
    auto empty = Create<IMervale>(CLSID_Mervale);
    EXPECT_TRUE(FAILED(empty.As<IPersistStorage>(IID_IPersistStorage)->Load(storage.Get())));
}

TEST_F(MervaleCom, PersistStorageRoundTripKeepsPictureAndProperties) {
    ExpectRoundTrip<IMervale>(CLSID_Mervale, false);
    ExpectRoundTrip<IMervale>(CLSID_Mervale, true);
    ExpectRoundTrip<IReMervale>(CLSID_ReMervale, false);
    ExpectRoundTrip<IReMervale>(CLSID_ReMervale, true);
}

}  // namespace
