// The shell's icon of a file name, as transfer lists show it.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

// The system image-list index of the icon the shell shows for the path (the
// file need not exist: its name decides). Fills info, whose icon handle is
// the caller's to destroy; -1 when the shell gives nothing.
int GetFileIconIndex(const std::wstring& path, SHFILEINFOW& info);
