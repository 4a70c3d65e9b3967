// Chat messages as the engine's tests build them: every field not given is
// zero, and the text is cut to what the record holds.
#pragma once

#include <cstdint>
#include <cstring>

#include "ImEngineApi.h"

namespace enginetest {

inline TextMsgRecord TextMsg(int32_t sender, int32_t receiver, int32_t date, int32_t time, const char* text,
                             int32_t type = 0, int32_t extraId = 0) {
    TextMsgRecord msg{};
    msg.type = type;
    msg.date = date;
    msg.time = time;
    msg.senderId = sender;
    msg.receiverId = receiver;
    msg.extraId = extraId;
    std::strncpy(msg.text, text, sizeof msg.text - 1);
    return msg;
}

}  // namespace enginetest
