#include "UserRecordIndex.h"

#include <utility>

UserRecordIndex::UserRecordIndex(std::vector<UserInfoBase> users)
    : users_(std::move(users)), removed_(users_.size()) {
    places_.reserve(users_.size());
    for (size_t i = 0; i < users_.size(); ++i) places_[users_[i].userId].push_back(i);
}

void UserRecordIndex::RemoveAll(int32_t userId) {
    auto it = places_.find(userId);
    if (it == places_.end()) return;
    for (size_t i : it->second) removed_[i] = true;
    places_.erase(it);
}

void UserRecordIndex::Put(const UserInfoBase& record) {
    std::vector<size_t>& places = places_[record.userId];
    if (!places.empty()) {
        users_[places.front()] = record;
        return;
    }
    places.push_back(users_.size());
    users_.push_back(record);
    removed_.push_back(false);
}

std::vector<UserInfoBase> UserRecordIndex::Take() const {
    std::vector<UserInfoBase> left;
    left.reserve(users_.size());
    for (size_t i = 0; i < users_.size(); ++i)
        if (!removed_[i]) left.push_back(users_[i]);
    return left;
}
