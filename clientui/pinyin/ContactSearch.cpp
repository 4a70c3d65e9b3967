#include "ContactSearch.h"

namespace clientui {

CContactSearch::CContactSearch(const IAnsiCodePage& codePage) : m_converter(codePage) {
    // Syllables in upper case, no separators: the search text is upper-cased
    // before it is compared with them.
    m_converter.SetSeparator(false);
    m_converter.SetUpperCaseFirst(true);
    m_converter.SetUpperCaseOthers(true);
}

std::wstring CContactSearch::DisplayText(const std::wstring& name, int32_t userId,
                                         const std::wstring& third) {
    std::wstring text = name + L"(" + std::to_wstring(userId) + L")";
    if (!third.empty()) text += L"(" + third + L")";
    return text;
}

std::wstring CContactSearch::UpperCase(const std::wstring& text) {
    std::wstring out = text;
    for (wchar_t& c : out) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
    }
    return out;
}

SearchMatch CContactSearch::Match(const std::wstring& displayText,
                                  const std::wstring& searchText) const {
    if (searchText.empty()) return SearchMatch::None;
    if (displayText.find(searchText) != std::wstring::npos) return SearchMatch::Text;
    std::wstring upperSearch = UpperCase(searchText);
    if (UpperCase(displayText).find(upperSearch) != std::wstring::npos) return SearchMatch::UpperCase;

    CPinyinConverter converter = m_converter;
    converter.SetInitialsOnly(true);
    if (converter.ToPinyin(displayText).find(upperSearch) != std::wstring::npos) {
        return SearchMatch::Initials;
    }
    converter.SetInitialsOnly(false);
    if (converter.ToPinyin(displayText).find(upperSearch) != std::wstring::npos) {
        return SearchMatch::FullPinyin;
    }
    return SearchMatch::None;
}

std::vector<SearchHit> CContactSearch::Search(const std::vector<SearchCandidate>& candidates,
                                              const std::wstring& searchText) const {
    std::vector<SearchHit> hits;
    if (searchText.empty()) return hits;
    for (const SearchCandidate& candidate : candidates) {
        if (hits.size() >= kMaxHits) break;
        if (Match(candidate.displayText, searchText) != SearchMatch::None) {
            hits.push_back({candidate.userId, candidate.displayText});
        }
    }
    return hits;
}

}  // namespace clientui
