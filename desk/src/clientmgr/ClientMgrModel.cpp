#include "ClientMgrModel.h"

#include "fw/StringUtil.h"


namespace {

ClientRow MakeRow(const UserInfoBase& user, const std::wstring& category, bool endTime) {
    ClientRow row;
    row.userId = user.userId;
    row.status = user.status;
    row.name = fw::FromAnsiField(user.nickname);
    row.category = category;
    row.endTime = endTime;
    return row;
}

bool InScope(const ClientScope& scope, const std::wstring& category) {
    return scope.all || category == scope.category;
}

}  // namespace

// ---------------------------------------------------------------------------
// Browsing
// ---------------------------------------------------------------------------

void CClientMgrModel::ShowOwner(int32_t owner, const ClientScope& scope, const FriendMap& map) {
    m_owner = owner;
    m_scope = scope;
    m_count = CountUsers(map, scope);
    m_pageCount = PageCountOf(m_count);
    m_page = 1;
    m_pagingVisible = true;
    m_searchMode = false;
}

std::vector<ClientRow> CClientMgrModel::CurrentRows(const FriendMap& map) const {
    return PageRows(map, m_scope, m_page);
}

bool CClientMgrModel::GoToPage(int page) {
    if (page < 1 || page > m_pageCount) return false;
    m_page = page;
    return true;
}

namespace {

// The customer list's page box takes up to 10 digits; its page never lies
// beyond its count.
constexpr CListPager::Limits kPagerLimits{10, false};

}  // namespace

int CClientMgrModel::PagerTarget(PagerButton button) const {
    return CListPager::Target(button, m_page, m_pageCount, kPagerLimits);
}

// ---------------------------------------------------------------------------
// Search
// ---------------------------------------------------------------------------

bool CClientMgrModel::Search(const std::wstring& keyword, const FriendMap& map, std::vector<ClientRow>* rows) {
    if (keyword.empty()) return false;
    m_searchMode = true;
    m_pagingVisible = false;
    if (rows) *rows = SearchRows(map, m_scope, keyword);
    return true;
}

void CClientMgrModel::ClearSearch() {
    m_searchMode = false;
    m_pagingVisible = true;
}

// ---------------------------------------------------------------------------
// Rules
// ---------------------------------------------------------------------------

int CClientMgrModel::PageCountOf(size_t count) {
    const size_t pages = (count + kPageSize - 1) / kPageSize;
    return pages < 1 ? 1 : static_cast<int>(pages);
}

size_t CClientMgrModel::CountUsers(const FriendMap& map, const ClientScope& scope) {
    if (!scope.all) {
        auto it = map.find(scope.category);
        return it == map.end() ? 0 : it->second.size();
    }
    size_t count = 0;
    for (const auto& category : map) count += category.second.size();
    return count;
}

std::vector<ClientRow> CClientMgrModel::PageRows(const FriendMap& map, const ClientScope& scope, int page) {
    std::vector<ClientRow> rows;
    if (page < 1) return rows;
    const size_t first = static_cast<size_t>(page - 1) * kPageSize;
    size_t index = 0;
    for (const auto& category : map) {
        if (!InScope(scope, category.first)) continue;
        const std::vector<UserInfoBase>& users = category.second;
        if (index + users.size() <= first) {
            index += users.size();
            continue;
        }
        for (size_t i = first > index ? first - index : 0; i < users.size(); ++i) {
            rows.push_back(MakeRow(users[i], category.first, scope.all));
            if (rows.size() == static_cast<size_t>(kPageSize)) return rows;
        }
        index += users.size();
    }
    return rows;
}

std::vector<ClientRow> CClientMgrModel::SearchRows(const FriendMap& map, const ClientScope& scope,
                                                   const std::wstring& keyword) {
    std::vector<ClientRow> rows;
    if (keyword.empty()) return rows;
    const int32_t id = DecimalNumber(keyword);
    for (const auto& category : map) {
        if (!InScope(scope, category.first)) continue;
        for (const UserInfoBase& user : category.second) {
            ClientRow row = MakeRow(user, category.first, false);
            if (row.name.find(keyword) != std::wstring::npos || (id != 0 && user.userId == id))
                rows.insert(rows.begin(), std::move(row));
        }
    }
    return rows;
}

int32_t CClientMgrModel::DecimalNumber(const std::wstring& text) {
    if (text.empty() || text.size() > 10) return 0;
    int64_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return 0;
        value = value * 10 + (c - L'0');
    }
    return value > 0x7FFFFFFF ? 0 : static_cast<int32_t>(value);
}

int CClientMgrModel::PageFromBox(const std::wstring& text, int pageCount) {
    return CListPager::PageFromText(text, pageCount, kPagerLimits);
}

std::wstring CClientMgrModel::CategoryNodeText(const std::wstring& name, size_t count) {
    return fw::FormatString(L"%ls(%d)", name.c_str(), static_cast<int>(count));
}

std::wstring CClientMgrModel::NodeName(const std::wstring& text) {
    if (text.size() < 3 || text.back() != L')') return text;
    size_t open = text.size() - 1;
    while (open > 0 && text[open - 1] >= L'0' && text[open - 1] <= L'9') --open;
    // At least one digit between the brackets.
    if (open == 0 || open == text.size() - 1 || text[open - 1] != L'(') return text;
    return text.substr(0, open - 1);
}

CountUpdate CClientMgrModel::UpdateCounts(const std::wstring& nodeText, const std::vector<std::wstring>& childTexts,
                                          const FriendMap& map) {
    CountUpdate update;
    std::vector<std::wstring> names;
    names.reserve(childTexts.size());
    for (const std::wstring& text : childTexts) names.push_back(NodeName(text));
    size_t total = 0;
    for (const auto& category : map) {
        const size_t count = category.second.size();
        total += count;
        const std::wstring text = CategoryNodeText(category.first, count);
        int index = -1;
        for (size_t i = 0; i < names.size(); ++i) {
            if (names[i] == category.first) {
                index = static_cast<int>(i);
                break;
            }
        }
        update.children.push_back({index, text});
    }
    update.nodeText = CategoryNodeText(NodeName(nodeText), total);
    return update;
}

FriendMap CClientMgrModel::MergeCachedCategories(const FriendMap& map, const FriendListRecord* cached) {
    FriendMap merged = map;
    if (!cached) return merged;
    for (const CategoryRecord& category : cached->categories) {
        const std::wstring name = fw::FromAnsiField(category.name);
        if (!name.empty()) merged.emplace(name, std::vector<UserInfoBase>());
    }
    return merged;
}

std::wstring CClientMgrModel::EndTimeText(const std::vector<TalkListRecord>& talkList, int32_t userId) {
    for (const TalkListRecord& record : talkList) {
        if (record.userId != userId) continue;
        const int32_t date = record.date;
        const int32_t time = record.time;
        return fw::FormatString(L"%d-%02d-%02d %02d:%02d:%02d", date / 10000, date % 10000 / 100, date % 100,
                                time / 10000, time % 10000 / 100, time % 100);
    }
    return std::wstring();
}

int CClientMgrModel::ClampColumnWidth(int column, int width) {
    if (column == 0) return 40;
    if (width <= 120) return 120;
    if (width >= 260) return 260;
    return width;
}
