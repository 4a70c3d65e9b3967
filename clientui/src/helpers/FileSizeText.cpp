#include "clientui/FileSizeText.h"

#include <fw/StringUtil.h>

void FormatFileSize(uint32_t bytes, std::wstring& text) {
    if (bytes <= 999) {
        text = fw::FormatString(L"%u\u5B57\u8282", bytes);  // 字节
    } else if (bytes <= 1023999) {
        const float kilobytes = static_cast<float>(bytes) / 1024.0f;
        text = fw::FormatString(L"%.2fKB", static_cast<double>(kilobytes));
    } else {
        const float megabytes = static_cast<float>(bytes) / 1024000.0f;
        text = fw::FormatString(L"%.2fMB", static_cast<double>(megabytes));
    }
}
