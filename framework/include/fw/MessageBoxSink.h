// Message boxes behind a replaceable sink. The program's message boxes all go
// through ShowMessageBox; a test installs its own sink to see the text,
// caption and flags without a window.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace fw {

using MessageBoxSink =
    std::function<int(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags)>;

// Installs sink and returns the one before; an empty sink restores the
// platform's MessageBoxW.
MessageBoxSink SetMessageBoxSink(MessageBoxSink sink);

// Shows a message box through the current sink and returns its answer.
int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags);

}  // namespace fw
