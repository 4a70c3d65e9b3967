#include "ContactSearch.h"

namespace clientui {

CContactSearch::CContactSearch(const IAnsiCodePage& codePage) : m_codePage(codePage), m_converter(codePage) {
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

PreparedCandidate CContactSearch::Prepare(int32_t userId, const std::wstring& displayText) const {
    PreparedCandidate prepared;
    prepared.userId = userId;
    prepared.displayText = displayText;
    prepared.upperCase = UpperCase(displayText);
    // CPinyinConverter::ToPinyin for both forms, the text converted to the
    // code page once.
    const std::string ansi = displayText.empty() ? std::string() : m_codePage.ToAnsi(displayText);
    if (ansi.empty()) return prepared;
    CPinyinConverter converter = m_converter;
    converter.SetInitialsOnly(true);
    prepared.initials = WidePinyin(converter.ToPinyinAnsi(ansi));
    converter.SetInitialsOnly(false);
    prepared.fullPinyin = WidePinyin(converter.ToPinyinAnsi(ansi));
    return prepared;
}

std::wstring CContactSearch::WidePinyin(const std::string& pinyin) const {
    // Mostly ASCII letters and digits, which the code page keeps as they are.
    bool ascii = true;
    for (char c : pinyin) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (!ascii) return m_codePage.FromAnsi(pinyin);
    return std::wstring(pinyin.begin(), pinyin.end());
}

namespace {

SearchMatch MatchUpper(const PreparedCandidate& candidate, const std::wstring& searchText,
                       const std::wstring& upperSearch) {
    if (searchText.empty()) return SearchMatch::None;
    if (candidate.displayText.find(searchText) != std::wstring::npos) return SearchMatch::Text;
    if (candidate.upperCase.find(upperSearch) != std::wstring::npos) return SearchMatch::UpperCase;
    if (candidate.initials.find(upperSearch) != std::wstring::npos) return SearchMatch::Initials;
    if (candidate.fullPinyin.find(upperSearch) != std::wstring::npos) return SearchMatch::FullPinyin;
    return SearchMatch::None;
}

}  // namespace

SearchMatch CContactSearch::Match(const PreparedCandidate& candidate, const std::wstring& searchText) {
    return MatchUpper(candidate, searchText, UpperCase(searchText));
}

SearchMatch CContactSearch::Match(const std::wstring& displayText,
                                  const std::wstring& searchText) const {
    if (searchText.empty()) return SearchMatch::None;
    return Match(Prepare(0, displayText), searchText);
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

std::vector<SearchHit> CContactSearch::Search(const std::vector<PreparedCandidate>& candidates,
                                              const std::wstring& searchText) {
    std::vector<SearchHit> hits;
    if (searchText.empty()) return hits;
    const std::wstring upperSearch = UpperCase(searchText);
    for (const PreparedCandidate& candidate : candidates) {
        if (hits.size() >= kMaxHits) break;
        if (MatchUpper(candidate, searchText, upperSearch) != SearchMatch::None) {
            hits.push_back({candidate.userId, candidate.displayText});
        }
    }
    return hits;
}

}  // namespace clientui
