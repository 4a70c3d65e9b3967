// A stand-in screenshot library for the binding tests.
#include <windows.h>

#include <string>

extern "C" int fake_screenshot() { return 1; }

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_DETACH) {
        char buffer[512] = {};
        const DWORD n = ::GetEnvironmentVariableA("FAKE_LIBRARY_LOG", buffer, sizeof buffer);
        std::string log(buffer, n < sizeof buffer ? n : 0);
        log += "screenshot-unloaded;";
        ::SetEnvironmentVariableA("FAKE_LIBRARY_LOG", log.c_str());
    }
    return TRUE;
}
