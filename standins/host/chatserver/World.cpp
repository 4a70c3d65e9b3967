#include "World.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

#include "AccountBook.h"
#include "PacketFramer.h"

namespace chatserver {

namespace {

constexpr size_t kMaxLine = 2048;
constexpr size_t kMaxUsers = 100000;
constexpr size_t kMaxCategories = 255;  // the count travels in one byte
constexpr size_t kMaxFriends = 65535;   // and this one in 16 bits

// At most `max` bytes of `text`, never ending inside a two-byte character
// of the ANSI code page (a byte from 0x81 opens one).
std::string Cut(const std::string& text, size_t max) {
    size_t at = 0;
    while (at < text.size()) {
        const size_t step = static_cast<unsigned char>(text[at]) >= 0x81 && at + 1 < text.size() ? 2 : 1;
        if (at + step > max) break;
        at += step;
    }
    return text.substr(0, at);
}

// A NUL-terminated field of `size` bytes.
void CopyField(char* field, size_t size, const std::string& text) {
    std::memset(field, 0, size);
    const std::string kept = Cut(text, size - 1);
    std::memcpy(field, kept.data(), kept.size());
}

std::string FieldText(const char* field, size_t size) {
    const void* nul = std::memchr(field, 0, size);
    return std::string(field, nul ? static_cast<const char*>(nul) - field : size);
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// "-" is the empty text.
std::string TextValue(const std::string& text) {
    const std::string trimmed = Trim(text);
    return trimmed == "-" ? std::string() : trimmed;
}

// "<a> | <b>": both halves, the second empty without a bar.
void SplitBar(const std::string& text, std::string& first, std::string& second) {
    const size_t bar = text.find('|');
    first = TextValue(text.substr(0, bar));
    second = bar == std::string::npos ? std::string() : TextValue(text.substr(bar + 1));
}

bool ParseInt(const std::string& text, int32_t& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (!end || *end || value < INT32_MIN || value > INT32_MAX) return false;
    out = int32_t(value);
    return true;
}

// The first `count` blank-separated words as numbers, and the rest of the line.
bool Numbers(std::istringstream& in, size_t count, std::vector<int32_t>& out, std::string& rest) {
    out.clear();
    for (size_t i = 0; i < count; ++i) {
        std::string word;
        int32_t value = 0;
        if (!(in >> word) || !ParseInt(word, value)) return false;
        out.push_back(value);
    }
    std::getline(in, rest);
    return true;
}

bool Fail(std::string& error, const char* text) {
    error = text;
    return false;
}

void AppendText(std::vector<uint8_t>& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
}

}  // namespace

bool World::Load(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read world file " + path;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!LoadText(text.str(), error)) {
        error = path + ":" + error;
        return false;
    }
    return true;
}

bool World::LoadText(const std::string& text, std::string& error) {
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.size() > kMaxLine) {
            error = std::to_string(number) + ": line too long";
            return false;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        if (Trim(line).empty()) continue;
        std::string why;
        if (!ParseLine(line, why)) {
            error = std::to_string(number) + ": " + why;
            return false;
        }
    }
    return true;
}

bool World::ParseLine(const std::string& line, std::string& error) {
    std::istringstream in(line);
    std::string kind, rest;
    in >> kind;
    std::vector<int32_t> n;
    if (kind == "user") {
        if (!Numbers(in, 3, n, rest) || n[0] <= 0)
            return Fail(error, "user <id> <type> <word> <nickname> [| <signature>]");
        if (!Find(n[0]) && users_.size() >= kMaxUsers) return Fail(error, "too many users");
        WorldUser& user = UserAt(n[0]);
        user.userType = n[1];
        user.word = n[2];
        std::string nickname, signature;
        SplitBar(rest, nickname, signature);
        user.nickname = Cut(nickname, sizeof(UserInfoBase::nickname) - 1);
        user.signature = Cut(signature, sizeof(UserInfoBase::signature) - 1);
        return true;
    }
    if (kind == "ext") {
        if (!Numbers(in, 4, n, rest) || !Find(n[0]))
            return Fail(error, "ext <known user id> <gender> <birth> <blood> <full name> [| <login name>]");
        UserInfoExt& ext = UserAt(n[0]).ext;
        std::memset(&ext, 0, sizeof ext);
        ext.gender = uint8_t(n[1] != 0);
        ext.birthDate = n[2];
        ext.bloodType = n[3];
        std::string fullName, loginName;
        SplitBar(rest, fullName, loginName);
        CopyField(ext.fullName, sizeof ext.fullName, fullName);
        CopyField(ext.loginName, sizeof ext.loginName, loginName);
        return true;
    }
    if (kind == "category") {
        if (!Numbers(in, 3, n, rest) || !Find(n[0]))
            return Fail(error, "category <known owner> <id> <order> <name>");
        WorldUser& owner = UserAt(n[0]);
        if (owner.categories.size() >= kMaxCategories) return Fail(error, "too many categories");
        owner.categories.push_back({n[1], n[2], Cut(TextValue(rest), sizeof(CategoryRecord::name) - 1)});
        return true;
    }
    if (kind == "friend") {
        if (!Numbers(in, 3, n, rest) || !Find(n[0]))
            return Fail(error, "friend <known owner> <friend id> <category id> [<remark>]");
        WorldUser& owner = UserAt(n[0]);
        if (owner.friends.size() >= kMaxFriends) return Fail(error, "too many friends");
        owner.friends.push_back({n[1], n[2]});
        const std::string remark = TextValue(rest);
        if (!remark.empty()) owner.remarks[n[1]] = Cut(remark, sizeof(UserInfoBase::memo) - 1);
        return true;
    }
    if (kind == "crowd") {
        if (!Numbers(in, 4, n, rest) || !Find(n[0]) || n[2] <= 0 || n[3] < 0 || n[3] > int32_t(kMaxFriends) ||
            n[2] > INT32_MAX - n[3])
            return Fail(error, "crowd <known owner> <category id> <first id> <count>");
        UserAt(n[0]).crowds.push_back({n[1], n[2], n[3]});
        return true;
    }
    return Fail(error, ("unknown entry '" + kind + "'").c_str());
}

std::string World::CrowdText(const char* what, int32_t id, size_t length) {
    const std::string seed = std::string(what) + " " + std::to_string(id) + " ";
    std::string text;
    while (text.size() < length) text += seed;
    text.resize(length);
    return text;
}

void World::AddAccounts(const AccountBook& accounts) {
    accounts.ForEach([this](const Account& account) {
        if (Find(account.id) || users_.size() >= kMaxUsers) return;
        UserAt(account.id).nickname = Cut(account.nickname, sizeof(UserInfoBase::nickname) - 1);
    });
}

WorldUser& World::UserAt(int32_t id) {
    WorldUser& user = users_[id];
    user.id = id;
    return user;
}

WorldUser* World::Find(int32_t id) {
    auto it = users_.find(id);
    return it == users_.end() ? nullptr : &it->second;
}

const WorldUser* World::Find(int32_t id) const {
    auto it = users_.find(id);
    return it == users_.end() ? nullptr : &it->second;
}

std::vector<uint8_t> World::FriendListBody(int32_t ownerId) const {
    std::vector<uint8_t> body(4, 0);
    const WorldUser* owner = Find(ownerId);
    if (!owner) return body;
    const size_t categories = std::min(owner->categories.size(), kMaxCategories);
    size_t users = 0;
    for (size_t i = 0; i < categories; ++i) {
        const WorldCategory& c = owner->categories[i];
        AppendWord(body, uint32_t(c.id));
        AppendWord(body, uint32_t(c.order));
        AppendText(body, c.name);
    }
    for (const WorldFriend& f : owner->friends) {
        const WorldUser* user = Find(f.userId);
        if (!user || users >= kMaxFriends) continue;
        AppendWord(body, uint32_t(user->id));
        AppendWord(body, uint32_t(f.categoryId));
        AppendWord(body, uint32_t(user->word));
        AppendWord(body, uint32_t(user->userType));
        AppendText(body, user->nickname);
        auto remark = owner->remarks.find(user->id);
        AppendText(body, remark == owner->remarks.end() ? std::string() : remark->second);
        AppendText(body, user->signature);
        ++users;
    }
    for (const WorldCrowd& crowd : owner->crowds) {
        for (int32_t i = 0; i < crowd.count && users < kMaxFriends; ++i) {
            const int32_t id = crowd.firstId + i;
            AppendWord(body, uint32_t(id));
            AppendWord(body, uint32_t(crowd.categoryId));
            AppendWord(body, 0);
            AppendWord(body, 5);
            AppendText(body, CrowdText("customer", id, sizeof(UserInfoBase::nickname) - 1));
            AppendText(body, CrowdText("memo", id, sizeof(UserInfoBase::memo) - 1));
            AppendText(body, CrowdText("the signature of customer", id, sizeof(UserInfoBase::signature) - 1));
            ++users;
        }
    }
    body[0] = uint8_t(categories);
    body[2] = uint8_t(users);
    body[3] = uint8_t(users >> 8);
    return body;
}

UserInfoBase World::BaseRecord(int32_t id, int32_t viewerId, int32_t status) const {
    UserInfoBase record;
    std::memset(&record, 0, sizeof record);
    const WorldUser* user = Find(id);
    if (!user) return record;
    record.userId = id;
    record.carried = user->word;
    record.userType = user->userType;
    record.status = status;
    CopyField(record.nickname, sizeof record.nickname, user->nickname);
    CopyField(record.signature, sizeof record.signature, user->signature);
    if (const WorldUser* viewer = Find(viewerId)) {
        auto remark = viewer->remarks.find(id);
        if (remark != viewer->remarks.end()) CopyField(record.memo, sizeof record.memo, remark->second);
        for (const WorldFriend& f : viewer->friends) {
            if (f.userId != id) continue;
            for (const WorldCategory& c : viewer->categories)
                if (c.id == f.categoryId) CopyField(record.category, sizeof record.category, c.name);
            break;
        }
    }
    return record;
}

UserInfoExt World::ExtRecord(int32_t id) const {
    const WorldUser* user = Find(id);
    if (user) return user->ext;
    UserInfoExt ext;
    std::memset(&ext, 0, sizeof ext);
    return ext;
}

std::vector<int32_t> World::WatchersOf(int32_t id) const {
    std::vector<int32_t> out;
    for (const auto& [ownerId, owner] : users_)
        if (IsFriendOf(ownerId, id)) out.push_back(ownerId);
    return out;
}

bool World::IsFriendOf(int32_t ownerId, int32_t id) const {
    const WorldUser* owner = Find(ownerId);
    if (!owner) return false;
    for (const WorldFriend& f : owner->friends)
        if (f.userId == id) return true;
    return false;
}

bool World::SetRemark(int32_t ownerId, int32_t target, const std::string& text) {
    WorldUser* owner = Find(ownerId);
    if (!owner || !Find(target)) return false;
    owner->remarks[target] = Cut(text, sizeof(UserInfoBase::memo) - 1);
    return true;
}

bool World::UpdateProfile(int32_t id, const UserInfoBase& base, const UserInfoExt& ext) {
    WorldUser* user = Find(id);
    if (!user) return false;
    user->nickname = FieldText(base.nickname, sizeof base.nickname);
    user->signature = FieldText(base.signature, sizeof base.signature);
    user->remarks[id] = FieldText(base.memo, sizeof base.memo);
    const std::string loginName = FieldText(user->ext.loginName, sizeof user->ext.loginName);
    user->ext = ext;
    CopyField(user->ext.fullName, sizeof user->ext.fullName, FieldText(ext.fullName, sizeof ext.fullName));
    CopyField(user->ext.loginName, sizeof user->ext.loginName, loginName);
    return true;
}

bool World::StoreMessage(int32_t receiver, std::vector<uint8_t> body) {
    if (!Find(receiver)) return false;
    auto& queue = pending_[receiver];
    if (queue.size() >= kMaxPendingPerUser) return false;
    queue.push_back(std::move(body));
    return true;
}

std::deque<std::vector<uint8_t>> World::TakeMessages(int32_t receiver) {
    auto it = pending_.find(receiver);
    if (it == pending_.end()) return {};
    std::deque<std::vector<uint8_t>> out = std::move(it->second);
    pending_.erase(it);
    return out;
}

}  // namespace chatserver
