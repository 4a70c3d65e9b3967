// The notice of a message the server did not deliver, shown by the main
// window of either client.
#pragma once

#include <cstdint>
#include <string>

namespace clientui {

// "由于网络原因，您hh:mm:ss的消息没有发送成功:(" for the message's time word
// (hh*10000000 + mm*100000 + ss*1000 + ms; the time word is also the
// message's id). The fields are the word's own quotients: a word that is no
// time of day (a negative one) shows as such and is never read as the
// time of another message.
std::wstring FailedMessageText(int32_t timeWord);

}  // namespace clientui
