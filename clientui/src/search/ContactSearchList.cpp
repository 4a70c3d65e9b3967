#include "clientui/ContactSearchList.h"

#include "clientui/FriendTreeModel.h"
#include "fw/StringUtil.h"

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

}  // namespace clientui
