// Mervale.dll as its clients meet it: registered in the prefix, created by
// CoCreateInstance, driven through its vtables and through IDispatch, and
// persisted into a storage on global memory.
#include "TestSupport.h"

#include "Mervale_h.h"
#include "com/Bstr.h"

#include <oleauto.h>
#include <olectl.h>

#include <algorithm>
#include <iterator>
#include <functional>
#include <initializer_list>
#include <thread>
#include <utility>
#include <vector>

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

// Every key and value below key, one sorted line each ("path|name|type|data").
void DumpKey(HKEY key, const std::wstring& path, std::vector<std::wstring>& lines) {
    lines.push_back(path + L"\\");
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD nameLength = 16384, type = 0, bytes = 0;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) break;
        std::vector<BYTE> data(bytes + 2);
        nameLength = 16384;
        DWORD size = bytes;
        RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data.data(), &size);
        std::wstring hex;
        for (DWORD b = 0; b < size; ++b) {
            wchar_t two[4];
            swprintf(two, 4, L"%02x", data[b]);
            hex += two;
        }
        lines.push_back(path + L"|" + name + L"|" + std::to_wstring(type) + L"|" + hex);
    }
    std::vector<std::wstring> children;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        children.emplace_back(name, length);
    }
    for (const std::wstring& child : children) {
        HKEY sub = nullptr;
        if (RegOpenKeyExW(key, child.c_str(), 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
        DumpKey(sub, path + L"\\" + child, lines);
        RegCloseKey(sub);
    }
}

std::vector<std::wstring> Dump(HKEY key) {
    std::vector<std::wstring> lines;
    DumpKey(key, L"", lines);
    std::sort(lines.begin(), lines.end());
    return lines;
}

// The prefix's own classes (both views) and the user's.
std::vector<std::wstring> DumpPrefixClasses() {
    std::vector<std::wstring> lines;
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        HKEY classes = nullptr;
        if (RegOpenKeyExW(root, L"Software\\Classes", 0, KEY_READ, &classes) != ERROR_SUCCESS) continue;
        DumpKey(classes, root == HKEY_LOCAL_MACHINE ? L"HKLM" : L"HKCU", lines);
        RegCloseKey(classes);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

void ExpectSameLines(const std::vector<std::wstring>& before, const std::vector<std::wstring>& after) {
    std::vector<std::wstring> left, removed;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(left));
    std::set_difference(before.begin(), before.end(), after.begin(), after.end(), std::back_inserter(removed));
    for (const std::wstring& line : left) ADD_FAILURE() << "left: " << line.c_str();
    for (const std::wstring& line : removed) ADD_FAILURE() << "removed: " << line.c_str();
}

bool ClassesKeyExists(const std::wstring& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    RegCloseKey(opened);
    return true;
}

// This process's HKEY_CLASSES_ROOT redirected to a key of its own, holding
// the shared parents that a real one has (each with an entry of someone
// else), so that registration can be compared with what was there before
// while other test programs use the prefix's classes.
class PrivateClassesRoot {
public:
    PrivateClassesRoot() {
        m_path = L"Software\\QorvaneTests\\Classes" + std::to_wstring(GetCurrentProcessId());
        RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str());
        RegCreateKeyExW(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key, nullptr);
        for (const wchar_t* parent : {L"CLSID", L"AppID", L"Interface", L"TypeLib"}) {
            HKEY other = nullptr;
            const std::wstring path = std::wstring(parent) + L"\\{00000000-1111-2222-3333-444444444444}";
            RegCreateKeyExW(m_key, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &other, nullptr);
            RegSetValueExW(other, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"other"), 12);
            RegCloseKey(other);
        }
        m_overridden = RegOverridePredefKey(HKEY_CLASSES_ROOT, m_key) == ERROR_SUCCESS;
    }
    ~PrivateClassesRoot() {
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        RegCloseKey(m_key);
        RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, m_path.c_str());
    }
    bool Active() const { return m_key && m_overridden; }
    HKEY Key() const { return m_key; }

private:
    std::wstring m_path;
    HKEY m_key = nullptr;
    bool m_overridden = false;
};

struct ExpectedEntry {
    std::wstring key;
    const wchar_t* name;  // null: the key's default value
    std::wstring value;   // empty: only the key must be there
};

std::vector<ExpectedEntry> ExpectedRegistration() {
    const std::wstring dll = picturetest::MervaleDllPath();
    const std::wstring mervale = L"CLSID\\{D4B02AAF-6E53-41E3-B411-9C9F90BCF237}";
    const std::wstring reMervale = L"CLSID\\{162A1EDD-CE3D-4D14-B7BC-35BCBA83320E}";
    const std::wstring manager = L"CLSID\\{2974FD6C-372B-4020-A8D3-529D065F3BBA}";
    const std::wstring appId = L"{37893EAD-3374-48E2-B865-21A938C2B2E1}";
    const std::wstring libId = L"{B8403CF3-C476-4637-81C3-B01BDFB453C4}";
    const std::wstring proxies = L"{9E6035ED-C26F-4798-AACA-22D793D6FED1}";
    std::vector<ExpectedEntry> entries = {
        {L"AppID\\" + appId, nullptr, L"Mervale"},
        {L"AppID\\Mervale.DLL", L"AppID", appId},
        // 104: Mervale
        {L"Mervale.Mervale.1", nullptr, L"Mervale Class"},
        {L"Mervale.Mervale.1\\CLSID", nullptr, L"{D4B02AAF-6E53-41E3-B411-9C9F90BCF237}"},
        {L"Mervale.Mervale.1\\Insertable", nullptr, L""},
        {L"Mervale.Mervale\\CurVer", nullptr, L"Mervale.Mervale.1"},
        {mervale, nullptr, L"Mervale Class"},
        {mervale, L"AppID", appId},
        {mervale + L"\\ProgID", nullptr, L"Mervale.Mervale.1"},
        {mervale + L"\\VersionIndependentProgID", nullptr, L"Mervale.Mervale"},
        {mervale + L"\\InprocServer32", nullptr, dll},
        {mervale + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {mervale + L"\\Programmable", nullptr, L""},
        {mervale + L"\\Control", nullptr, L""},
        {mervale + L"\\Insertable", nullptr, L""},
        {mervale + L"\\ToolboxBitmap32", nullptr, dll + L", 102"},
        {mervale + L"\\MiscStatus", nullptr, L"0"},
        {mervale + L"\\MiscStatus\\1", nullptr, L"131473"},
        {mervale + L"\\TypeLib", nullptr, libId},
        {mervale + L"\\Version", nullptr, L"1.2"},
        // 105: PexoManager
        {L"Mervale.PexoManager.1\\CLSID", nullptr, L"{2974FD6C-372B-4020-A8D3-529D065F3BBA}"},
        {L"Mervale.PexoManager\\CurVer", nullptr, L"Mervale.PexoManager.1"},
        {manager, nullptr, L"PexoManager Class"},
        {manager + L"\\ProgID", nullptr, L"Mervale.PexoManager.1"},
        {manager + L"\\InprocServer32", nullptr, dll},
        {manager + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {manager + L"\\TypeLib", nullptr, libId},
        {manager + L"\\Version", nullptr, L"1.2"},
        // 107: ReMervale
        {L"Mervale.IReMervale.1\\Insertable", nullptr, L""},
        {L"Mervale.IReMervale\\CurVer", nullptr, L"Mervale.IReMervale.1"},
        {reMervale, nullptr, L"IReMervale Class"},
        {reMervale + L"\\ProgID", nullptr, L"Mervale.IReMervale.1"},
        {reMervale + L"\\InprocServer32", nullptr, dll},
        {reMervale + L"\\ToolboxBitmap32", nullptr, dll + L", 106"},
        {reMervale + L"\\MiscStatus\\1", nullptr, L"131473"},
        {reMervale + L"\\Version", nullptr, L"1.0"},
        // The type library; a 64-bit server's registers under "win64".
#ifdef _WIN64
        {L"TypeLib\\" + libId + L"\\1.2\\0\\win64", nullptr, dll},
#else
        {L"TypeLib\\" + libId + L"\\1.2\\0\\win32", nullptr, dll},
#endif
        // The library's own proxy/stubs serve its three interfaces.
        {L"CLSID\\" + proxies + L"\\InprocServer32", nullptr, dll},
    };
    for (const wchar_t* iid : {L"{9E6035ED-C26F-4798-AACA-22D793D6FED1}", L"{FBDB6CDF-8F51-4C8B-A8E9-AD653F70D118}",
                               L"{C51DA89C-924D-4AE7-B740-09CC68192E09}"}) {
        entries.push_back({std::wstring(L"Interface\\") + iid + L"\\ProxyStubClsid32", nullptr, proxies});
    }
    return entries;
}

void ExpectRegistered(const char* how) {
    for (const ExpectedEntry& e : ExpectedRegistration()) {
        if (e.value.empty() && !e.name) {
            EXPECT_TRUE(ClassesKeyExists(e.key)) << how << ": " << e.key.c_str();
        } else {
            EXPECT_STREQ(e.value.c_str(), ClassesValue(e.key, e.name).c_str()) << how << ": " << e.key.c_str();
        }
    }
    // PexoManager is no control.
    for (const wchar_t* key : {L"\\Control", L"\\Insertable", L"\\MiscStatus"}) {
        EXPECT_FALSE(ClassesKeyExists(std::wstring(L"CLSID\\{2974FD6C-372B-4020-A8D3-529D065F3BBA}") + key))
            << how;
    }
}

void ExpectUnregistered(const char* how) {
    for (const ExpectedEntry& e : ExpectedRegistration()) {
        EXPECT_FALSE(ClassesKeyExists(e.key) && (!e.name || ClassesValue(e.key, e.name) != L"<missing>"))
            << how << ": " << e.key.c_str();
    }
}

// Registration writes what the scripts, the type library and the
// proxy/stubs say, and unregistration takes exactly that away again, to the
// last value. The registration runs in a classes root of this process's own
// (other test programs use the prefix's classes meanwhile); what the type
// library writes into the prefix's 32-bit view besides is checked there.
TEST(MervaleRegistration, UnregistrationLeavesTheClassesAsTheyWere) {
    ASSERT_EQ(S_OK, CallServerEntry("DllUnregisterServer"));  // the prefix's registration out of the way
    ASSERT_EQ(S_OK, CallServerEntry("DllUnregisterServer"));  // with nothing to remove, too
    const std::vector<std::wstring> prefixBefore = DumpPrefixClasses();
    {
        PrivateClassesRoot root;
        ASSERT_TRUE(root.Active());
        const std::vector<std::wstring> before = Dump(root.Key());

        ASSERT_EQ(S_OK, CallServerEntry("DllRegisterServer"));
        ExpectRegistered("registered");
        const std::vector<std::wstring> once = Dump(root.Key());
        EXPECT_NE(before, once);
        // Registering twice changes nothing.
        ASSERT_EQ(S_OK, CallServerEntry("DllRegisterServer"));
        EXPECT_EQ(once, Dump(root.Key()));

        ASSERT_EQ(S_OK, CallServerEntry("DllUnregisterServer"));
        ExpectSameLines(before, Dump(root.Key()));
    }
    ExpectSameLines(prefixBefore, DumpPrefixClasses());
}

// Service.exe, the program the clients start, registers the library in the
// prefix through its entry points, and unregisters it again.
TEST(MervaleRegistration, ServiceRegistersAndUnregistersTheLibrary) {
    const std::wstring tests = picturetest::ProgramFolder();
    const std::wstring service = tests.substr(0, tests.find_last_of(L"\\/")) + L"\\bin\\Service.exe";
    auto run = [&](const wchar_t* action) {
        std::wstring commandLine = L"\"" + service + L"\" \"" + picturetest::MervaleDllPath() + L"\" " + action;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(service.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &process)) {
            return DWORD(0xFFFFFFFF);
        }
        WaitForSingleObject(process.hProcess, 60000);
        DWORD code = 0xFFFFFFFF;
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return code;
    };
    ASSERT_EQ(0u, run(L"-Register"));
    ExpectRegistered("Service.exe -Register");
    EXPECT_TRUE(Create<IMervale>(CLSID_Mervale));
    ASSERT_EQ(0u, run(L"-Unregister"));
    ExpectUnregistered("Service.exe -Unregister");
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

// A client in another apartment gets a proxy from the library's own
// proxy/stub code; its calls reach the control on the creating thread.
TEST_F(MervaleCom, AnotherApartmentCallsThroughTheLibrarysProxies) {
    CLSID proxyClass{};
    ASSERT_EQ(S_OK, CoGetPSClsid(IID_IMervale, &proxyClass));
    EXPECT_TRUE(IsEqualCLSID(IID_IMervale, proxyClass));
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
    if (!bytes.empty()) {
        ASSERT_EQ(S_OK, stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written));
    }
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

// "Contents" as the property map's layout gives it, byte by byte, for a
// control showing the fixture at 20 x 18 pixels (96 dpi) with the text "微笑".
const BYTE kContentsHead[] = {
    0x00, 0x08, 0x00, 0x00,  // layout version 0x0800
    0x11, 0x02, 0x00, 0x00,  // _cx: 529 HIMETRIC (20 pixels)
    0xDC, 0x01, 0x00, 0x00,  // _cy: 476 HIMETRIC (18 pixels)
};
const BYTE kEnabledTrue[] = {0x0B, 0x00, 0xFF, 0xFF};   // Enabled: VT_BOOL, VARIANT_TRUE
const BYTE kEnabledFalse[] = {0x0B, 0x00, 0x00, 0x00};  // Enabled: VT_BOOL, VARIANT_FALSE
const BYTE kSmileText[] = {
    0x08, 0x00,              // Text: VT_BSTR
    0x06, 0x00, 0x00, 0x00,  // 6 bytes with the NUL
    0xAE, 0x5F, 0x11, 0x7B, 0x00, 0x00,
};
const BYTE kDisplaySizeData[] = {
    0x14, 0x00, 0x00, 0x00,  // _displaywidth: 20, data entry
    0x12, 0x00, 0x00, 0x00,  // _displayheight: 18, data entry
};
const BYTE kREModeTrueData[] = {0x01, 0x00, 0x00, 0x00};   // _REMode: TRUE, data entry
const BYTE kREModeFalseData[] = {0x00, 0x00, 0x00, 0x00};  // _REMode: FALSE, data entry
const BYTE kReMervaleStock[] = {
    0x03, 0x00, 0x01, 0x00, 0x00, 0x00,  // BackStyle: VT_I4, 1
    0x0B, 0x00, 0x00, 0x00,              // TabStop: VT_BOOL, VARIANT_FALSE
};
// What the controls' earlier writer stored for the three data entries:
// serialised VARIANTs.
const BYTE kTypedDisplaySizeAndREMode[] = {
    0x03, 0x00, 0x14, 0x00, 0x00, 0x00,  // VT_I4, 20
    0x03, 0x00, 0x12, 0x00, 0x00, 0x00,  // VT_I4, 18
    0x0B, 0x00, 0xFF, 0xFF,              // VT_BOOL, VARIANT_TRUE
};

std::vector<BYTE> Joined(std::initializer_list<std::pair<const BYTE*, size_t>> parts) {
    std::vector<BYTE> bytes;
    for (const auto& part : parts) bytes.insert(bytes.end(), part.first, part.first + part.second);
    return bytes;
}
template <size_t N>
std::pair<const BYTE*, size_t> Part(const BYTE (&table)[N]) {
    return {table, N};
}

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// The control writes "Contents" as the layout gives it: the extent, Enabled
// and Text as serialised variants, _displaywidth, _displayheight and _REMode
// as 32-bit data entries (and the transparent variant's BackStyle and
// TabStop as variants).
TEST_F(MervaleCom, ContentsHoldsThePropertyMapInTheFrameworkLayout) {
    ASSERT_EQ(96, ScreenDpi());  // the extents of the tables
    for (bool transparent : {false, true}) {
        ComPtr<IMervale> plain;
        ComPtr<IReMervale> reMervale;
        ComPtr<IPersistStorage> persist;
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
        }
        ASSERT_TRUE(persist);
        auto storage = picturetest::StorageOnGlobalMemory();
        ASSERT_EQ(S_OK, persist->Save(storage.Get(), FALSE));

        const std::vector<BYTE> expected =
            transparent ? Joined({Part(kContentsHead), Part(kEnabledFalse), Part(kSmileText), Part(kDisplaySizeData),
                                  Part(kREModeFalseData), Part(kReMervaleStock)})
                        : Joined({Part(kContentsHead), Part(kEnabledTrue), Part(kSmileText), Part(kDisplaySizeData),
                                  Part(kREModeTrueData)});
        EXPECT_EQ(expected, StreamOfStorage(storage.Get(), L"Contents")) << "transparent " << transparent;
    }
}

// "Contents" in the layout, as another writer makes it, and in the form of
// the controls' earlier writer: both give the display size, REMode and Text.
TEST_F(MervaleCom, ContentsOfEitherFormGivesTheDisplaySize) {
    const std::vector<BYTE> gif = picturetest::ReadFileBytes(FixturePath(L"three_frames.gif"));
    struct FormCase {
        const char* what;
        std::vector<BYTE> contents;
    };
    const FormCase cases[] = {
        {"the layout", Joined({Part(kContentsHead), Part(kEnabledTrue), Part(kSmileText), Part(kDisplaySizeData),
                               Part(kREModeTrueData)})},
        {"the earlier writer's typed values",
         Joined({Part(kContentsHead), Part(kEnabledTrue), Part(kSmileText), Part(kTypedDisplaySizeAndREMode)})},
    };
    for (const FormCase& c : cases) {
        auto storage = picturetest::StorageOnGlobalMemory();
        ASSERT_TRUE(storage);
        RewriteStream(storage.Get(), L"Contents", c.contents);
        RewriteStream(storage.Get(), L"ImageData", gif);
        auto control = Create<IMervale>(CLSID_Mervale);
        ASSERT_TRUE(control);
        EXPECT_EQ(S_OK, control.As<IPersistStorage>(IID_IPersistStorage)->Load(storage.Get())) << c.what;
        const Snapshot loaded = Take(control.Get());
        EXPECT_EQ(MAKELONG(20, 18), loaded.displaySize) << c.what;
        EXPECT_EQ(VARIANT_TRUE, loaded.reMode) << c.what;
        EXPECT_EQ(VARIANT_TRUE, loaded.enabled) << c.what;
        EXPECT_EQ(L"\u5FAE\u7B11", loaded.text) << c.what;
        EXPECT_EQ(gif, loaded.pictureBytes) << c.what;
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
