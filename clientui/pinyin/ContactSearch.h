// CContactSearch: the contact search of both main windows. A contact is found
// by part of its display text or by the pinyin of its Chinese name, in full
// or by initials (ZS and ZHANGSAN both find "张三(1001)"). The hits carry the
// contact's user id, never a pointer into the caller's lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "PinyinConverter.h"

namespace clientui {

struct SearchCandidate {
    int32_t userId = 0;
    std::wstring displayText;  // see CContactSearch::DisplayText
};

// A candidate with the texts every search compares with, made once
// (CContactSearch::Prepare) and kept while its display text stays.
struct PreparedCandidate {
    int32_t userId = 0;
    std::wstring displayText;
    std::wstring upperCase;   // UpperCase(displayText)
    std::wstring initials;    // the pinyin initials, upper case
    std::wstring fullPinyin;  // the full pinyin, upper case
};

struct SearchHit {
    int32_t userId = 0;
    std::wstring displayText;
};

// Which test found a contact; the tests run in this order.
enum class SearchMatch {
    None,
    Text,        // the display text contains the search text as typed
    UpperCase,   // the upper-cased texts
    Initials,    // the pinyin initials contain the upper-cased search text
    FullPinyin,  // the full pinyin contains the upper-cased search text
};

class CContactSearch {
public:
    static constexpr size_t kMaxHits = 6;

    explicit CContactSearch(const IAnsiCodePage& codePage);

    // "%s(%d)(%s)" of name, id and third text, or "%s(%d)" of name and id
    // when the third text is empty.
    static std::wstring DisplayText(const std::wstring& name, int32_t userId,
                                    const std::wstring& third = std::wstring());

    // Upper case of the ASCII letters, the rest unchanged.
    static std::wstring UpperCase(const std::wstring& text);

    SearchMatch Match(const std::wstring& displayText, const std::wstring& searchText) const;

    // The texts Match compares a display text with, converted once.
    PreparedCandidate Prepare(int32_t userId, const std::wstring& displayText) const;
    // Match over texts made by Prepare: the same outcome, no conversion.
    static SearchMatch Match(const PreparedCandidate& candidate, const std::wstring& searchText);

    // The first kMaxHits candidates, in their order, that match; an empty
    // search text finds nobody.
    std::vector<SearchHit> Search(const std::vector<SearchCandidate>& candidates,
                                  const std::wstring& searchText) const;
    // The same over prepared candidates.
    static std::vector<SearchHit> Search(const std::vector<PreparedCandidate>& candidates,
                                         const std::wstring& searchText);

private:
    // The ANSI pinyin of ToPinyinAnsi as wide text.
    std::wstring WidePinyin(const std::string& pinyin) const;

    const IAnsiCodePage& m_codePage;
    CPinyinConverter m_converter;
};

}  // namespace clientui
