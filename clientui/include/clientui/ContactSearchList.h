// The contacts the search box of a main window searches: every user record of
// every category of a friend map, categories in map order and records in
// their order, each with the text it is listed by in the result pop-up.
//
//   a memo that counts as a remark (the contact tree's rule):  memo(id)(name)
//   otherwise:                                                 name(id)
//
// The candidates are copies (id and text), so a refill of the friend map
// while the pop-up shows never leaves a hit pointing into freed records.
#pragma once

#include "ContactSearch.h"

#include <ImEngineApi.h>

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

namespace clientui {

// The text a user record is listed by.
std::wstring ContactSearchText(const UserInfoBase& record);

std::vector<clientui::SearchCandidate> ContactSearchCandidates(const FriendMap& friends);

// The contacts of a friend map with the texts the search compares (display
// text, upper case, pinyin initials and full pinyin) converted once, so that
// a keystroke only compares. Before every search the index is brought in
// line with the map it is given: a record keeps its prepared texts while its
// id, name and memo (all its text depends on) are byte for byte those they
// were made from, wherever it moved; any other record is prepared afresh,
// and records no longer in the map leave. So the hits are always those
// CContactSearch::Search(ContactSearchCandidates(friends), text) gives,
// whatever changed the map in between (a refill, another account's list,
// a renamed, added or removed customer), with no notice needed.
class CContactSearchIndex {
public:
    explicit CContactSearchIndex(const IAnsiCodePage& codePage) : m_search(codePage) {}

    // Brings the index in line with friends.
    void Refresh(const FriendMap& friends);
    // Before the first Refresh: prepares the search texts of at most limit
    // more records of friends, for the Refresh to take; true when every
    // record has them (always true after a Refresh). Called in slices while
    // the program is idle, so that neither the first search nor any input
    // waits for the texts of many records.
    bool PrepareAhead(const FriendMap& friends, size_t limit);
    // Refresh, then the first CContactSearch::kMaxHits matches in map order.
    std::vector<SearchHit> Search(const FriendMap& friends, const std::wstring& searchText);

    const std::vector<PreparedCandidate>& Candidates() const { return m_candidates; }
    // How many records the last Refresh had to prepare afresh.
    size_t LastPrepared() const { return m_lastPrepared; }

private:
    // What a record's search texts are made from.
    struct Key {
        int32_t userId = 0;
        char nickname[sizeof(UserInfoBase::nickname)] = {};
        char memo[sizeof(UserInfoBase::memo)] = {};
    };
    static Key KeyOf(const UserInfoBase& record);
    static bool SameKey(const Key& key, const UserInfoBase& record);

    CContactSearch m_search;
    std::vector<Key> m_keys;  // one per candidate, same order
    std::vector<PreparedCandidate> m_candidates;
    // PrepareAhead's texts by user, until a Refresh takes them.
    std::unordered_map<int32_t, std::pair<Key, PreparedCandidate>> m_ahead;
    size_t m_lastPrepared = 0;
};

}  // namespace clientui
