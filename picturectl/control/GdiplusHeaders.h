// The GDI+ C++ headers need the COM base types, which WIN32_LEAN_AND_MEAN
// leaves out of <windows.h>.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <propidl.h>

#include <gdiplus.h>
