// Whether a picture name may stand in a picture tag. The name becomes a file
// name in the local picture folder and the stored name at the file server, so
// it must be one plain file name: 1 to 63 ANSI bytes, no folder separators,
// no characters that a Windows file name cannot hold, no control characters,
// not "." or "..", and no device name (CON, NUL, COM1, ...).
#pragma once

#include <string>

#include "IAnsiCodePage.h"

namespace clientui {

bool IsSafePictureName(const std::wstring& name, const IAnsiCodePage& codePage);

}  // namespace clientui
