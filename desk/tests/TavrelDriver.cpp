#include "TavrelDriver.h"

#include <cstdlib>

namespace tavreltest {

bool WaitUntil(const std::function<bool()>& ready, DWORD ms, DWORD step) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (ready()) return true;
        if (::GetTickCount() - start >= ms) return false;
        ::Sleep(step);
    }
}

std::wstring WindowsPathFromEnv(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) return std::wstring();
    std::wstring path = L"Z:";
    for (const char* p = value; *p; ++p) path += *p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p));
    if (path.back() != L'\\') path += L'\\';
    return path;
}

std::wstring WindowText(HWND window) {
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return std::wstring();
    // The length may be an upper bound (and the text may grow meanwhile):
    // the copy tells how much there is.
    std::wstring text(static_cast<size_t>(length) + 1024, L'\0');
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG,
                               2000, &copied))
        return std::wstring();
    text.resize(::wcsnlen(text.c_str(), text.size()));
    return text;
}

std::wstring ClassName(HWND window) {
    wchar_t name[256] = {};
    ::GetClassNameW(window, name, 256);
    return name;
}

CTavrelProcess::~CTavrelProcess() {
    if (m_info.hProcess) {
        if (IsRunning()) Kill();
        ::CloseHandle(m_info.hProcess);
        ::CloseHandle(m_info.hThread);
    }
}

bool CTavrelProcess::Start(const std::wstring& folder, const std::wstring& arguments, const wchar_t* name) {
    const std::wstring program = folder + name;
    std::wstring line = L"\"" + program + L"\"";
    if (!arguments.empty()) line += L" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    return ::CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                            &m_info) != FALSE;
}

bool CTavrelProcess::IsRunning() const {
    return m_info.hProcess && ::WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT;
}

bool CTavrelProcess::WaitForExit(DWORD ms) const {
    return !m_info.hProcess || ::WaitForSingleObject(m_info.hProcess, ms) == WAIT_OBJECT_0;
}

DWORD CTavrelProcess::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (m_info.hProcess) ::GetExitCodeProcess(m_info.hProcess, &code);
    return code;
}

void CTavrelProcess::Kill() {
    if (!m_info.hProcess) return;
    ::TerminateProcess(m_info.hProcess, 99);
    ::WaitForSingleObject(m_info.hProcess, 5000);
}

namespace {

struct EnumContext {
    DWORD processId;
    bool visibleOnly;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
    auto* context = reinterpret_cast<EnumContext*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == context->processId && (!context->visibleOnly || ::IsWindowVisible(window)))
        context->windows.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectStatic(HWND child, LPARAM param) {
    auto* texts = reinterpret_cast<std::wstring*>(param);
    if (_wcsicmp(ClassName(child).c_str(), L"Static") == 0) {
        const std::wstring text = WindowText(child);
        if (!text.empty()) {
            if (!texts->empty()) *texts += L"\n";
            *texts += text;
        }
    }
    return TRUE;
}

}  // namespace

std::vector<HWND> CTavrelProcess::Windows(bool visibleOnly) const {
    EnumContext context = {m_info.dwProcessId, visibleOnly, {}};
    if (m_info.dwProcessId) ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&context));
    return context.windows;
}

HWND CTavrelProcess::FindWindowByCaption(const std::wstring& caption) const {
    for (HWND window : Windows())
        if (WindowText(window) == caption) return window;
    return nullptr;
}

HWND CTavrelProcess::WaitForWindow(const std::wstring& caption, DWORD ms) const {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindWindowByCaption(caption)) != nullptr; }, ms);
    return found;
}

HWND CTavrelProcess::FindWindowByPrefix(const std::wstring& prefix) const {
    for (HWND window : Windows())
        if (WindowText(window).compare(0, prefix.size(), prefix) == 0) return window;
    return nullptr;
}

std::wstring MessageBoxText(HWND box) {
    std::wstring texts;
    ::EnumChildWindows(box, CollectStatic, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

void AnswerMessageBox(HWND box, int button) {
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(box, button)));
}

bool SetControlText(HWND control, const std::wstring& text) {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                                 5000, &result) != 0;
}

void ClickButton(HWND button) { ::PostMessageW(button, BM_CLICK, 0, 0); }

}  // namespace tavreltest
