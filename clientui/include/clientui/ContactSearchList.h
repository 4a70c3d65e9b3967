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

#include <vector>

namespace clientui {

// The text a user record is listed by.
std::wstring ContactSearchText(const UserInfoBase& record);

std::vector<clientui::SearchCandidate> ContactSearchCandidates(const FriendMap& friends);

}  // namespace clientui
