#include "fw/Application.h"

#include "fw/MessageLoop.h"

#include <vector>

namespace fw {
namespace {

CApplication* g_application = nullptr;

}  // namespace

CApplication::CApplication() : m_instance(::GetModuleHandleW(nullptr)) {
    if (!g_application) g_application = this;
}

CApplication::~CApplication() {
    if (g_application == this) g_application = nullptr;
}

CApplication* CApplication::Get() { return g_application; }

int CApplication::Run() {
    if (InitInstance()) m_exitCode = RunMessageLoop();
    return ExitInstance();
}

int CApplication::RunMessageLoop() { return CMessageLoop::Run(); }

std::wstring CApplication::GetProgramFolder() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return std::wstring();
        if (n < path.size()) {
            std::wstring full(path.data(), n);
            const size_t slash = full.find_last_of(L"\\/");
            return slash == std::wstring::npos ? std::wstring() : full.substr(0, slash + 1);
        }
        if (path.size() >= 32768) return std::wstring();
        path.resize(path.size() * 2);
    }
}

}  // namespace fw
