// CChatWindowCounters: the counting rules behind a conversation window's
// timers, apart from the window. Each window has its own counters, so one
// window's flashing or typing notice never shortens or lengthens another's.
//
//   flash (timer 1025): on every tick an odd count flashes the window; the
//     tick that finds 8 un-flashes it and stops the timer (count 0); then the
//     count goes up by one, so after a stop it stands at 1. Starting the
//     timer again never resets it.
//   typing throttle (timer 1026): at most one typing notice to the customer
//     per 8 ticks: the tick that finds the count at 7 allows the next notice,
//     resets the count and stops the timer.
//   typing display (timer 1027): the customer's typing notice stays for 8
//     ticks counted from the first notice of a series; a new notice restarts
//     the timer's period but not the count.
#pragma once

#include <cstdint>

class CChatWindowCounters {
public:
    struct FlashTick {
        bool flashOn = false;  // FlashWindow(TRUE)
        bool stop = false;     // FlashWindow(FALSE) and stop the timer
    };
    struct TypingTick {
        bool stop = false;     // stop the timer; the notice ends / may be sent
    };

    FlashTick OnFlashTick();
    int32_t FlashCount() const { return m_flash; }

    // The input changed: true when a typing notice goes out now (start the
    // throttle timer).
    bool OnInputChanged();
    TypingTick OnThrottleTick();
    bool TypingAllowed() const { return m_typingAllowed != 0; }

    // A typing notice arrived: true when one was already shown (stop the
    // display timer before starting it again).
    bool OnTypingNotice();
    TypingTick OnDisplayTick();
    bool TypingShown() const { return m_typingShown == 0; }
    int32_t DisplayCount() const { return m_displayCount; }
    int32_t TypingTicks() const { return m_typingTicks; }

private:
    int32_t m_flash = 0;
    int32_t m_typingAllowed = 1;
    int32_t m_throttleCount = 0;
    int32_t m_typingShown = 1;  // 0 while the customer's notice is shown
    int32_t m_displayCount = 0;
    int32_t m_typingTicks = 0;
};
