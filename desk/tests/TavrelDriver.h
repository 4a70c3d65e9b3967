// Drives the real Tavrel.exe from outside, as a user would: starts it with a
// command line, finds its windows (EnumWindows, by process and caption),
// types into its controls (WM_SETTEXT), clicks (BM_CLICK, posted), and reads
// its message boxes (dialog windows with the caption; their static texts).
// Every wait has a deadline; a process still running when its object goes
// is ended.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace tavreltest {

// Waits until ready() is true or ms have passed; true when it became true.
bool WaitUntil(const std::function<bool()>& ready, DWORD ms, DWORD step = 100);

// A Unix path from the environment as a Windows path (drive Z:).
std::wstring WindowsPathFromEnv(const char* name);

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);

class CTavrelProcess {
public:
    CTavrelProcess() = default;
    ~CTavrelProcess();
    CTavrelProcess(const CTavrelProcess&) = delete;
    CTavrelProcess& operator=(const CTavrelProcess&) = delete;

    // Starts "<folder>\<program>" (the desk's by default) with the
    // arguments after the program.
    bool Start(const std::wstring& folder, const std::wstring& arguments, const wchar_t* program = L"Tavrel.exe");
    bool IsRunning() const;
    // Waits for the end; false when it is still running after ms.
    bool WaitForExit(DWORD ms) const;
    DWORD ExitCode() const;
    void Kill();
    DWORD Id() const { return m_info.dwProcessId; }

    // The top-level windows of the process (visible ones only, or all).
    std::vector<HWND> Windows(bool visibleOnly = true) const;
    // Its visible top-level window with exactly this caption; null when none.
    HWND FindWindowByCaption(const std::wstring& caption) const;
    // Waits for such a window.
    HWND WaitForWindow(const std::wstring& caption, DWORD ms) const;
    // Its visible top-level window whose caption starts with prefix.
    HWND FindWindowByPrefix(const std::wstring& prefix) const;

private:
    PROCESS_INFORMATION m_info = {};
};

// The texts of a message box (the static controls of the dialog), joined.
std::wstring MessageBoxText(HWND box);
// Answers a message box with the button (IDOK, IDYES, IDNO).
void AnswerMessageBox(HWND box, int button);

// Sets a control's text without waiting on a busy program for long.
bool SetControlText(HWND control, const std::wstring& text);
// Clicks a button; posted, so a message box that the click opens does not
// hold the driver.
void ClickButton(HWND button);

}  // namespace tavreltest
