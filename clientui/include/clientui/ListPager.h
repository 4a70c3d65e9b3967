// CListPager: the rules of a paged list's four pager buttons and its page
// box. The lists differ only in the limits below.
#pragma once

#include <cstddef>
#include <string>

// The pager buttons.
enum class PagerButton { First, Previous, Next, Last };

class CListPager {
public:
    struct Limits {
        // The most digits a page box takes; a longer text is no page.
        size_t maxDigits;
        // Whether "previous" also needs the page before to exist (a list that
        // shrank under the shown page does not page back from beyond its end).
        bool previousWithinCount;
    };

    // The page a button leads to among pageCount pages from page current; 0
    // when the button does nothing there (no pages, first and last on their
    // own page, previous on page 1, next on the last page).
    static int Target(PagerButton button, int current, int pageCount, const Limits& limits);
    // A page number typed into a page box: 1 to pageCount, else 0 (digits
    // only, at most the limit's number of them).
    static int PageFromText(const std::wstring& text, int pageCount, const Limits& limits);
};
