// CChatMessageClock: the date and time words of the messages a client sends.
// The engine keys the messages it still holds by their time word, so two
// messages sent within one millisecond would share an entry: the clock makes
// every time word it gives unique within the process by moving a clash one
// millisecond later than the last word given.
#pragma once

#include <windows.h>

#include <cstdint>

struct MessageStamp {
    int32_t date = 0;  // yyyymmdd
    int32_t time = 0;  // hh*10000000 + mm*100000 + ss*1000 + ms
};

class CChatMessageClock {
public:
    // The one clock of the process (UI thread only).
    static CChatMessageClock& ForProcess();

    // The stamp of now (local time), unique among the stamps this clock gave.
    MessageStamp Next();
    // The same for a given local time (tests).
    MessageStamp Next(const SYSTEMTIME& now);

    static int32_t DateWord(const SYSTEMTIME& t);
    static int32_t TimeWord(const SYSTEMTIME& t);
    // Milliseconds since midnight of a time word, and back.
    static int64_t MillisecondsOf(int32_t timeWord);
    static int32_t TimeWordOf(int64_t milliseconds);

private:
    MessageStamp m_last;
};
