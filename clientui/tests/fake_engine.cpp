// A stand-in engine library for the binding tests: every export of the
// engine's list as a stub (the .def file decides which names it exports),
// and a log of what happened to it, kept in the environment variable
// FAKE_LIBRARY_LOG so that it outlives the library.
#include <ImEngineApi.h>

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

void AppendLog(const char* entry) {
    char buffer[512] = {};
    const DWORD n = ::GetEnvironmentVariableA("FAKE_LIBRARY_LOG", buffer, sizeof buffer);
    std::string log(buffer, n < sizeof buffer ? n : 0);
    log += entry;
    ::SetEnvironmentVariableA("FAKE_LIBRARY_LOG", log.c_str());
}

}  // namespace

extern "C" {
#define FAKE_STUB(name, builds) \
    int fake_##name() { return 0; }
IM_ENGINE_EXPORTS(FAKE_STUB)
#undef FAKE_STUB

void fake_logout(int flag) {
    char entry[32];
    std::snprintf(entry, sizeof entry, "logout(%d);", flag);
    AppendLog(entry);
}
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_DETACH) AppendLog("engine-unloaded;");
    return TRUE;
}
