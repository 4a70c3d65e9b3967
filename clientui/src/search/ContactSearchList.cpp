#include "clientui/ContactSearchList.h"

#include "clientui/FriendTreeModel.h"
#include "fw/StringUtil.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace clientui {

std::wstring ContactSearchText(const UserInfoBase& record) {
    const std::wstring name = fw::FromAnsiField(record.nickname);
    const std::wstring memo = fw::FromAnsiField(record.memo);
    const std::wstring id = L"(" + std::to_wstring(record.userId) + L")";
    if (CFriendTreeModel::IsRemark(memo)) return memo + id + L"(" + name + L")";
    return name + id;
}

std::vector<clientui::SearchCandidate> ContactSearchCandidates(const FriendMap& friends) {
    std::vector<clientui::SearchCandidate> candidates;
    for (const auto& category : friends)
        for (const UserInfoBase& record : category.second)
            candidates.push_back({record.userId, ContactSearchText(record)});
    return candidates;
}

CContactSearchIndex::Key CContactSearchIndex::KeyOf(const UserInfoBase& record) {
    Key key;
    key.userId = record.userId;
    std::memcpy(key.nickname, record.nickname, sizeof key.nickname);
    std::memcpy(key.memo, record.memo, sizeof key.memo);
    return key;
}

bool CContactSearchIndex::SameKey(const Key& key, const UserInfoBase& record) {
    return key.userId == record.userId && std::memcmp(key.nickname, record.nickname, sizeof key.nickname) == 0 &&
           std::memcmp(key.memo, record.memo, sizeof key.memo) == 0;
}

void CContactSearchIndex::Refresh(const FriendMap& friends) {
    m_lastPrepared = 0;
    // Mostly nothing changed between two keystrokes, or a customer was
    // renamed in place: one comparison a record, and the renamed ones are
    // prepared again where they stand.
    std::vector<std::pair<size_t, const UserInfoBase*>> renamed;
    size_t count = 0;
    bool sameIds = true;
    for (const auto& category : friends) {
        for (const UserInfoBase& record : category.second) {
            if (count >= m_keys.size() || m_keys[count].userId != record.userId) {
                sameIds = false;
                break;
            }
            if (!SameKey(m_keys[count], record)) renamed.emplace_back(count, &record);
            ++count;
        }
        if (!sameIds) break;
    }
    if (sameIds && count == m_keys.size()) {
        for (const auto& entry : renamed) {
            m_keys[entry.first] = KeyOf(*entry.second);
            m_candidates[entry.first] = m_search.Prepare(entry.second->userId, ContactSearchText(*entry.second));
        }
        m_lastPrepared = renamed.size();
        return;
    }

    // Records came, went or moved: the records still there take their texts
    // along (found by id), the others are prepared.
    size_t total = 0;
    for (const auto& category : friends) total += category.second.size();
    // The old entries by id (a sorted array: one allocation).
    std::vector<std::pair<int32_t, size_t>> oldAt;
    oldAt.reserve(m_keys.size());
    for (size_t i = 0; i < m_keys.size(); ++i) oldAt.emplace_back(m_keys[i].userId, i);
    std::sort(oldAt.begin(), oldAt.end());
    std::vector<bool> taken(m_keys.size(), false);
    std::vector<Key> keys;
    std::vector<PreparedCandidate> candidates;
    keys.reserve(total);
    candidates.reserve(total);
    for (const auto& category : friends) {
        for (const UserInfoBase& record : category.second) {
            size_t reuse = m_keys.size();
            auto it = std::lower_bound(oldAt.begin(), oldAt.end(), std::make_pair(record.userId, size_t{0}));
            for (; it != oldAt.end() && it->first == record.userId; ++it) {
                if (!taken[it->second] && SameKey(m_keys[it->second], record)) {
                    reuse = it->second;
                    break;
                }
            }
            keys.push_back(KeyOf(record));
            const auto ahead = reuse < m_keys.size() ? m_ahead.end() : m_ahead.find(record.userId);
            if (reuse < m_keys.size()) {
                taken[reuse] = true;
                candidates.push_back(std::move(m_candidates[reuse]));
            } else if (ahead != m_ahead.end() && SameKey(ahead->second.first, record)) {
                candidates.push_back(std::move(ahead->second.second));
                m_ahead.erase(ahead);
            } else {
                candidates.push_back(m_search.Prepare(record.userId, ContactSearchText(record)));
                ++m_lastPrepared;
            }
        }
    }
    m_keys = std::move(keys);
    m_candidates = std::move(candidates);
    m_ahead.clear();
}

bool CContactSearchIndex::PrepareAhead(const FriendMap& friends, size_t limit) {
    if (!m_keys.empty()) return true;
    size_t prepared = 0;
    for (const auto& category : friends) {
        for (const UserInfoBase& record : category.second) {
            const auto it = m_ahead.find(record.userId);
            if (it != m_ahead.end() && SameKey(it->second.first, record)) continue;
            if (prepared == limit) return false;
            m_ahead[record.userId] = {KeyOf(record), m_search.Prepare(record.userId, ContactSearchText(record))};
            ++prepared;
        }
    }
    return true;
}

std::vector<SearchHit> CContactSearchIndex::Search(const FriendMap& friends, const std::wstring& searchText) {
    if (searchText.empty()) return {};
    Refresh(friends);
    return CContactSearch::Search(m_candidates, searchText);
}

}  // namespace clientui
