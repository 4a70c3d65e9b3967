#include "LeftListRules.h"

#include "fw/StringUtil.h"

#include <algorithm>
#include <cwctype>

int CLeftListRules::ShownList(int kind, int shownBefore) {
    return kind == kCustomers || kind == kOrganisation || kind == kRegistered ? kind : shownBefore;
}

std::vector<TalkListRecord> CLeftListRules::SortedCustomers(std::vector<TalkListRecord> list) {
    std::stable_sort(list.begin(), list.end(), [](const TalkListRecord& a, const TalkListRecord& b) {
        if (a.date != b.date) return a.date > b.date;
        return a.time > b.time;
    });
    return list;
}

std::wstring CLeftListRules::AgentText(const std::wstring& current, int count) {
    std::wstring name = current;
    // An earlier " [n]" at the end goes.
    if (!name.empty() && name.back() == L']') {
        const size_t open = name.rfind(L" [");
        if (open != std::wstring::npos) {
            const std::wstring digits = name.substr(open + 2, name.size() - open - 3);
            if (!digits.empty() && std::all_of(digits.begin(), digits.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
                name.erase(open);
        }
    }
    return fw::FormatString(L"%ls [%d]", name.c_str(), count);
}

int CLeftListRules::RefreshTalkKind(int shownKind) {
    if (shownKind == kOrganisation) return TALKLIST_TALK;
    if (shownKind == kRegistered) return TALKLIST_REGISTERED;
    return -1;
}

CLeftListRules::Action CLeftListRules::OnSelection(const Selection& s) {
    Action action;
    if (s.rebuilding || !s.byUser) return action;
    if (s.image > kAgentSelectedImage) {
        if (s.itemData == 0 || s.parentData == 0) return action;
        action.kind = Action::kOpenWatched;
        action.customer = s.itemData;
        action.agent = s.parentData;
        return action;
    }
    if (IsAgentId(s.itemData) && !s.expanded) {
        action.kind = Action::kAskTalkList;
        action.agent = s.itemData;
        action.talkKind = s.talkKind;
    }
    return action;
}

int CSessionListModel::Find(int32_t userId) const {
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].userId == userId) return static_cast<int>(i);
    return -1;
}

CSessionListModel::Change CSessionListModel::UpdateSession(const UserInfoBase& record, bool remove, bool watched) {
    Change change;
    const int existing = Find(record.userId);
    if (remove) {
        if (existing < 0) return change;
        m_rows.erase(m_rows.begin() + existing);
        change.kind = Change::kRemoved;
        change.index = existing;
        return change;
    }
    if (record.userId == 0 || existing >= 0) return change;
    Row row;
    row.userId = record.userId;
    row.name = fw::FromAnsiField(record.nickname);
    row.description = watched ? std::wstring(L"临时会话(转接或抢接)") : fw::FromAnsiField(record.category);
    m_rows.push_back(row);
    change.kind = Change::kAdded;
    change.index = static_cast<int>(m_rows.size()) - 1;
    return change;
}
