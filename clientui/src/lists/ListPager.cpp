#include "clientui/ListPager.h"

#include <cstdint>

int CListPager::Target(PagerButton button, int current, int pageCount, const Limits& limits) {
    if (pageCount < 1) return 0;
    switch (button) {
    case PagerButton::First: return current != 1 ? 1 : 0;
    case PagerButton::Previous:
        return current > 1 && (!limits.previousWithinCount || current - 1 <= pageCount) ? current - 1 : 0;
    case PagerButton::Next: return current < pageCount ? current + 1 : 0;
    case PagerButton::Last: return current != pageCount ? pageCount : 0;
    }
    return 0;
}

int CListPager::PageFromText(const std::wstring& text, int pageCount, const Limits& limits) {
    if (text.empty() || text.size() > limits.maxDigits) return 0;
    int64_t number = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return 0;
        // Past the page count it is no page: stop before it can overflow.
        if (number <= pageCount) number = number * 10 + (c - L'0');
    }
    return number >= 1 && number <= pageCount ? static_cast<int>(number) : 0;
}
