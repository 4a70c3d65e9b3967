#include "RichEditTestSupport.h"

#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include "Mervale_h.h"

namespace richedittest {
namespace {

typedef HRESULT(STDAPICALLTYPE* GetClassObjectFunction)(REFCLSID, REFIID, void**);

// The program's environment: OLE on the test thread, the rich edit's
// library, and the animated-picture class served from bin/Mervale.dll inside
// this process (registered for the process only, so that other test
// programs that register and unregister the library in the same prefix do
// not disturb these tests).
class CRichEditEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
        m_richEdit = ::LoadLibraryW(L"riched20.dll");
        ASSERT_TRUE(m_richEdit);
        const std::wstring tests = TestFolder();
        const std::wstring dll = tests.substr(0, tests.find_last_of(L'\\')) + L"\\bin\\Mervale.dll";
        m_mervale = ::LoadLibraryW(dll.c_str());
        ASSERT_TRUE(m_mervale) << "bin\\Mervale.dll";
        auto getClassObject =
            reinterpret_cast<GetClassObjectFunction>(reinterpret_cast<void*>(::GetProcAddress(m_mervale, "DllGetClassObject")));
        ASSERT_TRUE(getClassObject);
        ASSERT_EQ(S_OK, getClassObject(CLSID_Mervale, IID_IClassFactory, reinterpret_cast<void**>(&m_factory)));
        Register();
    }
    void TearDown() override {
        Revoke();
        if (m_factory) m_factory->Release();
        ::OleUninitialize();
    }

    void Register() {
        if (m_cookie) return;
        ASSERT_EQ(S_OK, ::CoRegisterClassObject(CLSID_Mervale, m_factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                                &m_cookie));
    }
    void Revoke() {
        if (!m_cookie) return;
        ::CoRevokeClassObject(m_cookie);
        m_cookie = 0;
    }
    bool Available() const { return m_cookie != 0; }

private:
    HMODULE m_richEdit = nullptr;
    HMODULE m_mervale = nullptr;
    IClassFactory* m_factory = nullptr;
    DWORD m_cookie = 0;
};

CRichEditEnvironment* const g_environment =
    static_cast<CRichEditEnvironment*>(::testing::AddGlobalTestEnvironment(new CRichEditEnvironment));

void RemoveTree(const std::wstring& folder) {
    std::wstring from = folder;
    if (!from.empty() && from.back() == L'\\') from.pop_back();
    from.push_back(L'\0');  // the list ends with two NULs
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NO_UI;
    ::SHFileOperationW(&operation);
}

}  // namespace

std::wstring TestFolder() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L"\\/"));
}

std::wstring FixturePath(const wchar_t* name) { return TestFolder() + L"\\richedit\\" + name; }

bool CopyFileTo(const std::wstring& from, const std::wstring& to) {
    return ::CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void PumpFor(DWORD ms) {
    const DWORD start = ::GetTickCount();
    do {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(5);
    } while (::GetTickCount() - start < ms);
}

bool PictureControlsAvailable() { return g_environment->Available(); }

void SetPictureControlsAvailable(bool available) {
    if (available) g_environment->Register();
    else g_environment->Revoke();
}

CScratchProgramFolder::CScratchProgramFolder(int ownUserId) : m_ownUserId(ownUserId) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    static int s_counter = 0;
    m_path = std::wstring(temp) + L"richedit-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
             std::to_wstring(++s_counter) + L"\\";
    ::SHCreateDirectoryExW(nullptr, (m_path + L"Resource\\chat").c_str(), nullptr);
    ::SHCreateDirectoryExW(nullptr, ImageFolder().c_str(), nullptr);
    const std::wstring tests = TestFolder();
    const std::wstring skin = tests.substr(0, tests.find_last_of(L'\\')) + L"\\bin\\Resource\\chat\\";
    for (const wchar_t* file : {L"sendingBmp.gif", L"errorBmp.gif"}) {
        CopyFileTo(skin + file, m_path + L"Resource\\chat\\" + file);
    }
}

CScratchProgramFolder::~CScratchProgramFolder() { RemoveTree(m_path); }

std::wstring CScratchProgramFolder::ImageFolder() const {
    return m_path + std::to_wstring(m_ownUserId) + L"\\Image\\";
}

CHostWindow::CHostWindow(bool visible, int width, int height) {
    RECT rect = {30, 30, 30 + width, 30 + height};
    CreateEx(0, L"", L"rich edit", WS_POPUP | WS_CLIPCHILDREN | (visible ? WS_VISIBLE : 0), rect, nullptr, 0);
}

}  // namespace richedittest
