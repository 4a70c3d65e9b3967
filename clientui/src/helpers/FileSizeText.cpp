#include "clientui/FileSizeText.h"

#include <fw/StringUtil.h>

const FileSizeScale kDeskFileSizeScale = {999, 1023999, 1024.0f, 1024000.0f, 2};
const FileSizeScale kMessengerFileSizeScale = {1023, 0xFFFFF, 1024.0f, 1048576.0f, 1};

void FormatFileSize(uint32_t bytes, std::wstring& text, const FileSizeScale& scale) {
    if (bytes <= scale.maxBytes) {
        text = fw::FormatString(L"%u\u5B57\u8282", bytes);  // 字节
        return;
    }
    const bool kilo = bytes <= scale.maxKilobytes;
    const float quotient = static_cast<float>(bytes) / (kilo ? scale.kilobyte : scale.megabyte);
    text = fw::FormatString(kilo ? L"%.*fKB" : L"%.*fMB", scale.decimals, static_cast<double>(quotient));
}
