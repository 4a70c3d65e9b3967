// The text shown for a file size in notices and lists. The two clients
// differ only in their thresholds, divisors and decimals (FileSizeScale).
#pragma once

#include <cstdint>
#include <string>

struct FileSizeScale {
    uint32_t maxBytes;      // up to this many: "<n>字节"
    uint32_t maxKilobytes;  // up to this many bytes: kilobytes, above: megabytes
    float kilobyte;         // divisor of the kilobytes
    float megabyte;         // divisor of the megabytes
    int decimals;
};

// The desk's: up to 999 bytes "<n>字节"; up to 1023999 "<x.xx>KB" (bytes /
// 1024); above that "<x.xx>MB" (bytes / 1024000).
extern const FileSizeScale kDeskFileSizeScale;
// The messenger's: below 1024 bytes "<n>字节"; up to 1048575 "<x.x>KB"
// (bytes / 1024); above that "<x.x>MB" (bytes / 1048576).
extern const FileSizeScale kMessengerFileSizeScale;

// The quotients are single precision.
void FormatFileSize(uint32_t bytes, std::wstring& text, const FileSizeScale& scale = kDeskFileSizeScale);
