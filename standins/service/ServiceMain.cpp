// Stand-in for the outside registration program: registers (or unregisters)
// an in-process COM server library.
//
//   Service.exe "<path of the library>" -Register
//   Service.exe "<path of the library>" -Unregister
//
// It loads the library and calls its DllRegisterServer / DllUnregisterServer.
// The exit code is 0 on success, 1 on a bad command line, 2 when the library
// cannot be loaded or lacks the entry point, 3 when the entry point failed.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>

namespace {

enum ExitCode { kOk = 0, kUsage = 1, kNotLoadable = 2, kFailed = 3 };

int RunEntryPoint(const std::wstring& library, const char* entryName) {
    HMODULE module = LoadLibraryExW(library.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) return kNotLoadable;
    using EntryFn = HRESULT(STDAPICALLTYPE*)();
    auto entry = reinterpret_cast<EntryFn>(reinterpret_cast<void (*)()>(GetProcAddress(module, entryName)));
    int result = kNotLoadable;
    if (entry) {
        // Registration code may use COM (type libraries).
        const HRESULT init = CoInitialize(nullptr);
        result = SUCCEEDED(entry()) ? kOk : kFailed;
        if (SUCCEEDED(init)) CoUninitialize();
    }
    FreeLibrary(module);
    return result;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return kUsage;
    int result = kUsage;
    if (argc == 3) {
        const std::wstring library = argv[1];
        const std::wstring action = argv[2];
        if (_wcsicmp(action.c_str(), L"-Register") == 0) {
            result = RunEntryPoint(library, "DllRegisterServer");
        } else if (_wcsicmp(action.c_str(), L"-Unregister") == 0) {
            result = RunEntryPoint(library, "DllUnregisterServer");
        }
    }
    LocalFree(argv);
    return result;
}
