#include "DeskData.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>

namespace chatserver {

namespace {

constexpr size_t kMaxLine = 4096;
constexpr size_t kMaxLines = 100000;

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// Splits at '|'; the last field keeps any further '|' when `maxFields` is reached.
std::vector<std::string> Split(const std::string& line, size_t maxFields) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (fields.size() + 1 < maxFields) {
        const size_t bar = line.find('|', start);
        if (bar == std::string::npos) break;
        fields.push_back(Trim(line.substr(start, bar - start)));
        start = bar + 1;
    }
    fields.push_back(Trim(line.substr(start)));
    return fields;
}

bool Int(const std::string& text, int32_t& out) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno || !end || *end || value < INT32_MIN || value > INT32_MAX) return false;
    out = int32_t(value);
    return true;
}

// Reads fields[first..] into the given integers.
template <class... Values>
bool Ints(const std::vector<std::string>& fields, size_t first, Values&... values) {
    size_t i = first;
    bool ok = true;
    ((ok = ok && i < fields.size() && Int(fields[i++], values)), ...);
    return ok;
}

}  // namespace

bool DeskData::Load(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read desk data file " + path;
        return false;
    }
    std::string line;
    for (size_t n = 0; n < kMaxLines && std::getline(in, line); ++n) {
        if (line.size() > kMaxLine) continue;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        AddLine(line);
    }
    return true;
}

bool DeskData::AddLine(const std::string& rawLine) {
    const std::string line = Trim(rawLine);
    if (line.empty() || line[0] == '#') return false;
    const size_t bar = line.find('|');
    const std::string kind = Trim(line.substr(0, bar));
    // The text field is the last one and may hold '|' itself.
    auto fieldsOf = [&](size_t count) { return Split(line, count); };

    if (kind == "agent") {
        const auto f = fieldsOf(4);
        DeskAgent a;
        if (f.size() != 4 || !Ints(f, 1, a.id) || !Int(f[3], a.role)) return false;
        a.name = f[2];
        agents.push_back(a);
    } else if (kind == "group") {
        const auto f = fieldsOf(5);
        int32_t agent = 0;
        DeskGroupMember m;
        if (f.size() != 5 || !Ints(f, 1, agent, m.userId, m.role)) return false;
        m.name = f[4];
        groups[agent].push_back(m);
    } else if (kind == "category") {
        const auto f = fieldsOf(5);
        int32_t owner = 0;
        DeskCategory c;
        if (f.size() != 5 || !Ints(f, 1, owner, c.id, c.order)) return false;
        c.name = f[4];
        categories[owner].push_back(c);
    } else if (kind == "friend") {
        const auto f = fieldsOf(9);
        int32_t owner = 0;
        DeskFriend u;
        if (f.size() != 9 || !Ints(f, 1, owner, u.userId, u.categoryId, u.word, u.userType)) return false;
        u.name = f[6];
        u.memo = f[7];
        u.signature = f[8];
        friends[owner].push_back(u);
    } else if (kind == "list") {
        const auto f = fieldsOf(7);
        int32_t owner = 0, listKind = 0;
        DeskListEntry e;
        if (f.size() != 7 || !Ints(f, 1, owner, listKind, e.userId, e.date, e.time)) return false;
        if (listKind < 0 || listKind > 2) return false;
        e.name = f[6];
        lists[listKind][owner].push_back(e);
    } else if (kind == "stamp") {
        const auto f = fieldsOf(3);
        if (f.size() != 3 || !Ints(f, 1, stampDate, stampTime)) return false;
    } else if (kind == "update") {
        const auto f = fieldsOf(8);
        int32_t owner = 0;
        DeskFriendUpdate u;
        if (f.size() != 8 || !Ints(f, 1, owner, u.userA, u.userB, u.operation, u.categoryId, u.date, u.time))
            return false;
        updates[owner].push_back(u);
    } else if (kind == "message") {
        const auto f = fieldsOf(7);
        DeskMessage m;
        if (f.size() != 7 || !Ints(f, 1, m.senderId, m.receiverId, m.type, m.date, m.time)) return false;
        m.text = f[6];
        archive.push_back(m);
    } else if (kind == "customer") {
        const auto f = fieldsOf(3);
        int32_t id = 0, owner = 0;
        if (f.size() != 3 || !Ints(f, 1, id, owner)) return false;
        customerOwners[id] = owner;
    } else if (kind == "switch") {
        const auto f = fieldsOf(6);
        int32_t agent = 0;
        DeskSwitchRecord s;
        if (f.size() != 6 || !Ints(f, 1, agent, s.acting, s.owning, s.customer, s.word)) return false;
        switchRecords[agent].push_back(s);
    } else if (kind == "reply") {
        const auto f = fieldsOf(4);
        DeskCommonReply r;
        if (f.size() != 4 || !Ints(f, 1, r.id, r.position)) return false;
        r.text = f[3];
        replies.push_back(r);
    } else {
        return false;
    }
    return true;
}

}  // namespace chatserver
