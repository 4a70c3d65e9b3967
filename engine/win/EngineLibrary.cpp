// The library's application object and its entry point. Built once per
// library: QV_ENGINE_MESSENGER selects the messenger's object (Ulvarn.dll).
#include <winsock2.h>
#include <windows.h>

#include "EngineInstance.h"
#include "ModuleApp.h"

namespace {
#ifdef QV_ENGINE_MESSENGER
CModuleApp theApp;
#else
CKestrinApp theApp;
#endif
}  // namespace

CKestrinApp& EngineApp() { return theApp; }

// Attach: the application object is constructed already (static
// initialisation); InitInstance completes it. Detach on FreeLibrary runs the
// log-out path: the loader lock is held, so only the workers' stopped
// events are waited for, never their thread handles (see WorkerThreadEntry.h).
// At process end the workers are gone already and nothing is waited for.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    try {
        switch (reason) {
            case DLL_PROCESS_ATTACH:
                DisableThreadLibraryCalls(instance);
                return theApp.InitInstance();
            case DLL_PROCESS_DETACH:
                theApp.ExitInstance(reserved != nullptr);
                break;
            default:
                break;
        }
    } catch (...) {
        return reason == DLL_PROCESS_ATTACH ? FALSE : TRUE;
    }
    return TRUE;
}
