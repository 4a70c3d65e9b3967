#include "AccountBook.h"

#include <fstream>
#include <sstream>

namespace chatserver {

namespace {
constexpr size_t kMaxLine = 1024;
constexpr size_t kMaxAccounts = 100000;
}  // namespace

bool AccountBook::Load(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read accounts file " + path;
        return false;
    }
    std::string line;
    while (accounts_.size() < kMaxAccounts && std::getline(in, line)) {
        if (line.size() > kMaxLine) continue;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        std::istringstream fields(line);
        long long id = 0;
        Account account;
        if (!(fields >> id >> account.password)) continue;
        if (id <= 0 || id > 0x7FFFFFFF) continue;
        account.id = int32_t(id);
        fields >> account.nickname;
        accounts_[account.id] = account;
    }
    return true;
}

const Account* AccountBook::Find(int32_t id) const {
    auto it = accounts_.find(id);
    return it == accounts_.end() ? nullptr : &it->second;
}

}  // namespace chatserver
