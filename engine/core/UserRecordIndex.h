// UserRecordIndex: the user records of a friend-update merge, found by id:
// each id's places in the list (in list order), a removal leaving a gap that
// Take closes. Each step costs the same however long the list is, and the
// records left keep their order.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "ImEngineApi.h"

class UserRecordIndex {
public:
    explicit UserRecordIndex(std::vector<UserInfoBase> users);
    // Every record of the id.
    template <class F>
    void ForEach(int32_t userId, F change) {
        auto it = places_.find(userId);
        if (it == places_.end()) return;
        for (size_t i : it->second) change(users_[i]);
    }
    void RemoveAll(int32_t userId);
    // Replaces the id's first record, or appends it.
    void Put(const UserInfoBase& record);
    // The records left, in their order.
    std::vector<UserInfoBase> Take() const;

private:
    std::vector<UserInfoBase> users_;
    std::vector<bool> removed_;
    std::unordered_map<int32_t, std::vector<size_t>> places_;
};
