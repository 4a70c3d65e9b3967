// A stand-in COM server for the registration program's test: each entry point
// writes its name into the file named by QV_FAKE_SERVER_LOG.
#include <windows.h>

#include <cstdio>

namespace {
HRESULT Record(const char* what) {
    wchar_t path[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"QV_FAKE_SERVER_LOG", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return E_FAIL;
    FILE* file = _wfopen(path, L"ab");
    if (!file) return E_FAIL;
    std::fprintf(file, "%s\n", what);
    std::fclose(file);
    return S_OK;
}
}  // namespace

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() { return Record("register"); }
extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() { return Record("unregister"); }
