// CEngineModule: the client's one binding to its engine library and to the
// screenshot library. Every engine call of the client goes through the
// function pointers of g_EngineModule; nothing else calls GetProcAddress.
//
// The pointers are declared from the engine's export list, so each has the
// export's own signature. Which library and which names a client binds, and
// in which order they are looked up, is a CEngineBinding table: the desk
// client binds all 41 engine exports (kDeskEngineBinding), another client
// passes its own table (kMessengerEngineBinding: 23 exports).
//
// Life cycle: zero at start-up; Load once, before any window exists; Unload
// once, explicitly at the very end of the program's exit path (not from a
// static destructor, which would run while the process is being torn down).
#pragma once

#include <ImEngineApi.h>

#include <windows.h>

#include <cstddef>
#include <string>

// The screenshot library's only export: no arguments, nonzero when a
// picture was put on the clipboard.
extern "C" typedef int (*PFN_ScreenShot)();

// One id per bindable export.
enum class EngineExport : int {
#define IM_EXPORT_ID(name, builds) name,
    IM_ENGINE_EXPORTS(IM_EXPORT_ID)
#undef IM_EXPORT_ID
    ScreenShot,
    Count
};

// What one client binds: its engine file and the names in lookup order.
struct CEngineBinding {
    const wchar_t* engineFile;
    const EngineExport* lookupOrder;
    size_t count;
};

// The desk client: "Kestrin.dll", 41 engine exports and "ScreenShot".
extern const CEngineBinding kDeskEngineBinding;
// The messenger: "Ulvarn.dll", the 23 exports of both builds and "ScreenShot".
extern const CEngineBinding kMessengerEngineBinding;

extern const wchar_t kScreenshotFile[];       // "Screenshot.dll"
extern const wchar_t kEngineDisplayName[];    // shown when the engine is missing
extern const wchar_t kScreenshotDisplayName[];

class CEngineModule {
public:
#define IM_EXPORT_FIELD(name, builds) PFN_##name name = nullptr;
    IM_ENGINE_EXPORTS(IM_EXPORT_FIELD)
#undef IM_EXPORT_FIELD
    PFN_ScreenShot ScreenShot = nullptr;

    HMODULE m_hEngine = nullptr;
    HMODULE m_hScreenshot = nullptr;

    // Loads folder + fileName with LoadLibraryW into *handle (null on
    // failure). On failure shows "<display name>DLL未找到！", caption "错误",
    // MB_ICONERROR, without owner, and returns FALSE.
    BOOL LoadDll(HMODULE* handle, const std::wstring& folder, const wchar_t* fileName, const wchar_t* displayName);

    // The desk binding from the program folder.
    BOOL Load();
    // Loads the engine library, then the screenshot library, then looks the
    // names up in the table's order; at the first missing name it returns
    // FALSE without a message (the names found so far stay bound).
    BOOL Load(const CEngineBinding& binding, const std::wstring& folder);

    // Logs out with the flag 1 and waits 1000 ms when MLogonOut is bound,
    // then frees the engine library and the screenshot library.
    void Unload();

    static const char* ExportName(EngineExport id);
    bool IsBound(EngineExport id) const;
    // Number of bound pointers.
    size_t BoundCount() const;

private:
    void SetPointer(EngineExport id, FARPROC proc);
};

extern CEngineModule g_EngineModule;
