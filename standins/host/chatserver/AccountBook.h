// The stand-in server's accounts, read from a small text file:
//   <user id> <password> [<nickname>]
// one account a line; '#' starts a comment. The password is taken as the
// bytes of the file (ANSI code page on the client's side).
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace chatserver {

struct Account {
    int32_t id = 0;
    std::string password;
    std::string nickname;
};

class AccountBook {
public:
    // False when the file cannot be read; malformed lines are skipped.
    bool Load(const std::string& path, std::string& error);
    void Add(const Account& account) { accounts_[account.id] = account; }
    const Account* Find(int32_t id) const;
    size_t Size() const { return accounts_.size(); }
    template <class Visit>
    void ForEach(Visit visit) const {
        for (const auto& entry : accounts_) visit(entry.second);
    }

private:
    std::map<int32_t, Account> accounts_;
};

}  // namespace chatserver
