#include "clientui/FailedMessageText.h"

#include "fw/StringUtil.h"

namespace clientui {

std::wstring FailedMessageText(int32_t timeWord) {
    return fw::FormatString(L"由于网络原因，您%02d:%02d:%02d的消息没有发送成功:(", timeWord / 10000000,
                            timeWord % 10000000 / 100000, timeWord % 100000 / 1000);
}

}  // namespace clientui
