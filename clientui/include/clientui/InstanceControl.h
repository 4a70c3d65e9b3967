// WM_INSTANCE_CONTROL: the registered window message through which another
// program controls a running client ("A41BA791-635E-45D5-AD0F-567EEE66C7DB").
// wParam nonzero: show the main window and bring it to the front. wParam 0:
// close the client, unless lParam is nonzero and names another account.
//
// Registered during static initialisation, before the application starts.
#pragma once

#include <windows.h>

extern const wchar_t kInstanceControlMessageName[];
extern const UINT WM_INSTANCE_CONTROL;
