#include "EngineLibrary.h"

std::wstring BinFolder() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    folder = folder.substr(0, folder.rfind(L'\\') + 1);
    return folder + L"..\\bin\\";
}

bool EngineLibrary::Load(const wchar_t* file, bool desk) {
    Unload();
    module_ = LoadLibraryW((BinFolder() + file).c_str());
    if (!module_) {
        missing = "(library)";
        return false;
    }
#define IM_BIND(name, builds)                                                              \
    if (desk || std::string(#builds) == "both") {                                          \
        name = reinterpret_cast<PFN_##name>(reinterpret_cast<void*>(GetProcAddress(module_, #name))); \
        if (!name && missing.empty()) missing = #name;                                     \
    }
    IM_ENGINE_EXPORTS(IM_BIND)
#undef IM_BIND
    return missing.empty();
}

void EngineLibrary::Unload() {
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
}
