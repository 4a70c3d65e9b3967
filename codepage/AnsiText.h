// Conversion between wide text and the ANSI code page, the one place that
// does it for the engine, the client libraries and the framework.
//
// The system takes the ANSI code page to be 936 (GBK). The Windows build
// converts with the system's ANSI code page (CP_ACP); the native build with
// iconv's "GBK", so that both builds produce the same bytes. A character the
// code page cannot hold, or an invalid or cut byte sequence, becomes "?" and
// the conversion goes on after it. An empty result stands for an empty text
// or a failed conversion (also for a text too long to convert in one call).
#pragma once

#include <cstddef>
#include <string>

namespace codepage {

std::string ToAnsi(const std::wstring& text);
std::wstring FromAnsi(const char* text, size_t length);

}  // namespace codepage
