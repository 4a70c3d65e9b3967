// The text shown for a file size in notices and lists.
#pragma once

#include <cstdint>
#include <string>

// Up to 999 bytes "<n>字节"; up to 1023999 "<x.xx>KB" (bytes / 1024); above
// that "<x.xx>MB" (bytes / 1024000). The quotients are single precision.
void FormatFileSize(uint32_t bytes, std::wstring& text);
