#include "clientui/ChatMessageClock.h"

namespace {
constexpr int64_t kDayMs = 24LL * 60 * 60 * 1000;
}

CChatMessageClock& CChatMessageClock::ForProcess() {
    static CChatMessageClock clock;
    return clock;
}

MessageStamp CChatMessageClock::Next() {
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    return Next(now);
}

MessageStamp CChatMessageClock::Next(const SYSTEMTIME& now) {
    MessageStamp stamp;
    stamp.date = DateWord(now);
    stamp.time = TimeWord(now);
    if (stamp.date == m_last.date && MillisecondsOf(stamp.time) <= MillisecondsOf(m_last.time)) {
        const int64_t later = MillisecondsOf(m_last.time) + 1;
        // The last millisecond of a day has no later word on that day; keep
        // the last word then (a clash the engine treats as one entry).
        if (later < kDayMs) stamp.time = TimeWordOf(later);
        else stamp.time = m_last.time;
    }
    m_last = stamp;
    return stamp;
}

int32_t CChatMessageClock::DateWord(const SYSTEMTIME& t) { return t.wYear * 10000 + t.wMonth * 100 + t.wDay; }

int32_t CChatMessageClock::TimeWord(const SYSTEMTIME& t) {
    return t.wHour * 10000000 + t.wMinute * 100000 + t.wSecond * 1000 + t.wMilliseconds;
}

int64_t CChatMessageClock::MillisecondsOf(int32_t timeWord) {
    const int64_t hours = timeWord / 10000000;
    const int64_t minutes = timeWord % 10000000 / 100000;
    const int64_t rest = timeWord % 100000;  // seconds * 1000 + ms
    return (hours * 60 + minutes) * 60000 + rest;
}

int32_t CChatMessageClock::TimeWordOf(int64_t milliseconds) {
    const int64_t hours = milliseconds / 3600000;
    const int64_t minutes = milliseconds % 3600000 / 60000;
    const int64_t rest = milliseconds % 60000;
    return static_cast<int32_t>(hours * 10000000 + minutes * 100000 + rest);
}
