// EngineLibrary: one engine DLL of the bin folder, loaded and bound by name
// as the clients bind it.
#pragma once

#include <windows.h>

#include <string>

#include "ImEngineApi.h"

class EngineLibrary {
public:
    // Loads "<this program's folder>..\bin\<file>" and binds every export
    // the build has (`desk`: all 41; else the 23 of both builds).
    bool Load(const wchar_t* file, bool desk);
    void Unload();
    ~EngineLibrary() { Unload(); }
    HMODULE Module() const { return module_; }
    std::string missing;  // the first name that could not be bound

#define IM_DECLARE_POINTER(name, builds) PFN_##name name = nullptr;
    IM_ENGINE_EXPORTS(IM_DECLARE_POINTER)
#undef IM_DECLARE_POINTER

private:
    HMODULE module_ = nullptr;
};

// "<this program's folder>..\bin\" (where the deliverables are).
std::wstring BinFolder();
