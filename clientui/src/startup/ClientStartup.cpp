#include "clientui/ClientStartup.h"

#include "fw/MessageBoxSink.h"
#include "fw/StringUtil.h"

#include <Mervale_h.h>

#include <objbase.h>
#include <shellapi.h>

namespace {

using PFN_ChangeWindowMessageFilter = BOOL(WINAPI*)(UINT message, DWORD flag);
constexpr DWORD kMessageFilterAdd = 1;     // MSGFLT_ADD
constexpr DWORD kMessageFilterRemove = 2;  // MSGFLT_REMOVE

}  // namespace

BOOL IsImageControlRegistered() {
    IMervale* control = nullptr;
    const HRESULT hr = ::CoCreateInstance(CLSID_Mervale, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                                          IID_IMervale, reinterpret_cast<void**>(&control));
    if (FAILED(hr) || !control) return FALSE;
    control->Release();
    return TRUE;
}

void StartControlRegistration(const std::wstring& programFolder) {
    const std::wstring file = fw::FormatString(L"%ls%ls", programFolder.c_str(), L"Service.exe");
    const std::wstring parameters =
        fw::FormatString(L"\"%ls%ls\" %ls", programFolder.c_str(), L"Mervale.dll", L"-Register");
    ::ShellExecuteW(nullptr, L"open", file.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL);
}

BOOL AddMessageFilter(UINT message, BOOL allow, const std::wstring& caption) {
    if (LOBYTE(LOWORD(::GetVersion())) < 6) return 1;
    HMODULE user32 = ::LoadLibraryW(L"user32.dll");
    if (!user32) return 0;
    const auto change = reinterpret_cast<PFN_ChangeWindowMessageFilter>(
        reinterpret_cast<void (*)()>(::GetProcAddress(user32, "ChangeWindowMessageFilter")));
    if (!change) {
        ::FreeLibrary(user32);
        fw::ShowMessageBox(nullptr, L"create windowmessage filter failed", caption, MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    const BOOL result = change(message, allow ? kMessageFilterAdd : kMessageFilterRemove);
    ::FreeLibrary(user32);
    return result;
}
