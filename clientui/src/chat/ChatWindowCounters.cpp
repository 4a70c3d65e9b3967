#include "clientui/ChatWindowCounters.h"

namespace {
constexpr int32_t kFlashStopCount = 8;
constexpr int32_t kThrottleTicks = 7;
constexpr int32_t kDisplayTicks = 8;
}  // namespace

CChatWindowCounters::FlashTick CChatWindowCounters::OnFlashTick() {
    FlashTick tick;
    if (m_flash % 2 == 1) tick.flashOn = true;
    if (m_flash == kFlashStopCount) {
        tick.stop = true;
        m_flash = 0;
    }
    ++m_flash;
    return tick;
}

bool CChatWindowCounters::OnInputChanged() {
    if (!m_typingAllowed) return false;
    m_typingAllowed = 0;
    return true;
}

CChatWindowCounters::TypingTick CChatWindowCounters::OnThrottleTick() {
    TypingTick tick;
    if (m_throttleCount == kThrottleTicks) {
        m_typingAllowed = 1;
        m_throttleCount = 0;
        tick.stop = true;
    } else {
        ++m_throttleCount;
    }
    return tick;
}

bool CChatWindowCounters::OnTypingNotice() {
    const bool wasShown = m_typingShown == 0;
    m_typingShown = 0;
    return wasShown;
}

CChatWindowCounters::TypingTick CChatWindowCounters::OnDisplayTick() {
    TypingTick tick;
    ++m_displayCount;
    ++m_typingTicks;
    if (m_displayCount >= kDisplayTicks) {
        m_typingShown = 1;
        m_displayCount = 0;
        m_typingTicks = 0;
        tick.stop = true;
    }
    return tick;
}
