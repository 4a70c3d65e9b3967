// The one rule for file names that travel between clients: picture names in
// picture tags and picture jobs, and file names in file offers. Such a name
// becomes the last part of a local path (the picture folder, the received-
// files folder) and the stored name at the file server, so it must be one
// plain file name:
// - not empty, and not the path components "." or ".." (".." inside a name,
//   as in "report..v2.doc", is an ordinary part of the name);
// - no folder separators, drive colons, wildcards or other characters that a
//   Windows file name cannot hold, and no control characters;
// - no trailing dot or space (the platform would drop it: another file);
// - no device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an
//   extension);
// - an ANSI form that fits its field and that every character survives (a
//   character the code page cannot hold would become "?": another name).
#pragma once

#include <cstddef>
#include <string>

#include "IAnsiCodePage.h"

namespace clientui {

enum class FileNameProblem {
    None,
    Empty,
    PathComponent,       // "." or ".."
    ForbiddenCharacter,  // separator, colon, wildcard, quote, angle bracket, bar, control character
    TrailingDotOrSpace,
    DeviceName,
    TooLong,             // the ANSI form is longer than its field allows
    NotInCodePage,       // a character would not survive the ANSI code page
};

// Checks name against the rule; maxAnsiBytes is the longest ANSI form the
// name's field takes (without its NUL).
FileNameProblem CheckFileName(const std::wstring& name, const IAnsiCodePage& codePage, size_t maxAnsiBytes);

// A picture name: the rule with the 63 bytes of the picture job's name field.
bool IsSafePictureName(const std::wstring& name, const IAnsiCodePage& codePage);

}  // namespace clientui
