// The desk's list merges (the own registered and contact lists, friend
// updates into "userlist.dat" and "friendUpdate.dat") give exactly the
// lists, in exactly the order, that the plain one-record-at-a-time merge
// below gives: duplicates, replacements, removals and category changes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "TestSupport.h"

using namespace sessiontest;
using engine::EngineVariant;

namespace {

const std::wstring kOwn = std::to_wstring(kOwnId) + L"\\";

// ---- The reference: each record looked for from the list's start -------------------

struct TalkItem {
    int32_t id;
    std::string tag;
    bool operator==(const TalkItem& o) const { return id == o.id && tag == o.tag; }
};

void ReferenceTalkMerge(std::vector<TalkItem>& target, const std::vector<TalkItem>& added) {
    for (const TalkItem& item : added) {
        size_t i = 0;
        while (i < target.size() && target[i].id != item.id) ++i;
        if (i < target.size()) {
            target[i] = item;
        } else {
            target.push_back(item);
        }
    }
}

struct UserItem {
    int32_t id;
    std::string nickname;
    std::string category;
    bool operator==(const UserItem& o) const {
        return id == o.id && nickname == o.nickname && category == o.category;
    }
};

struct UpdateItem {
    int32_t a, b, operation, category, tag;
    bool operator==(const UpdateItem& o) const {
        return a == o.a && b == o.b && operation == o.operation && category == o.category && tag == o.tag;
    }
};

struct EntryItem {
    int32_t id;
    int32_t category;
    std::string nickname;
};

std::ostream& operator<<(std::ostream& out, const TalkItem& t) { return out << t.id << ":" << t.tag; }
std::ostream& operator<<(std::ostream& out, const UserItem& u) {
    return out << u.id << ":" << u.nickname << "/" << u.category;
}
std::ostream& operator<<(std::ostream& out, const UpdateItem& u) {
    return out << u.a << "-" << u.b << " op" << u.operation << " c" << u.category << " #" << u.tag;
}

const char* CategoryName(int32_t id) {
    switch (id) {
        case 1: return "A";
        case 2: return "B";
        default: return "";  // not among the filed categories
    }
}

void ReferenceFriendUpdate(int32_t user, std::vector<UserItem>& users, std::vector<UpdateItem>& kept,
                           const std::vector<UpdateItem>& updates, const std::vector<EntryItem>& entries) {
    std::vector<std::pair<int32_t, int32_t>> friendCategory;
    auto setCategory = [&](int32_t id, int32_t category) {
        for (auto& fc : friendCategory)
            if (fc.first == id) {
                fc.second = category;
                return;
            }
        friendCategory.emplace_back(id, category);
    };
    for (const UpdateItem& u : updates) {
        int32_t friendId;
        if (u.a == user) {
            friendId = u.b;
        } else if (u.b == user) {
            friendId = u.a;
        } else {
            continue;
        }
        if (u.operation == 1) {
            size_t i = 0;
            while (i < kept.size() && !((kept[i].a == user && kept[i].b == friendId) ||
                                        (kept[i].b == user && kept[i].a == friendId)))
                ++i;
            if (i < kept.size()) {
                kept[i] = u;
            } else {
                kept.push_back(u);
            }
        }
        if (u.operation == 0 || u.category == 5) {
            std::vector<UserItem> left;
            for (const UserItem& x : users)
                if (x.id != friendId) left.push_back(x);
            users = left;
        } else if (u.operation == 2) {
            for (UserItem& x : users)
                if (x.id == friendId) x.category = CategoryName(u.category);
        }
        setCategory(friendId, u.category);
    }
    for (EntryItem e : entries) {
        if (e.category < 1)
            for (const auto& fc : friendCategory)
                if (fc.first == e.id) e.category = fc.second;
        if (e.category < 1) e.category = 5;
        const UserItem record{e.id, e.nickname, CategoryName(e.category)};
        size_t i = 0;
        while (i < users.size() && users[i].id != record.id) ++i;
        if (i < users.size()) {
            users[i] = record;
        } else {
            users.push_back(record);
        }
    }
}

// ---- The session's merge ---------------------------------------------------------------

template <class R>
void WriteDat(SessionFixture& f, const std::wstring& relative, const std::vector<R>& records) {
    DatFileHeader h{};
    h.kind = DAT_FILE_KIND;
    h.createDate = h.changeDate = 20261201;
    h.createTime = h.changeTime = 80000;
    h.recordSize = sizeof(R);
    h.recordCount = static_cast<int32_t>(records.size());
    std::string bytes = enginetest::Bytes(&h, sizeof h);
    for (const R& r : records) bytes += enginetest::Bytes(&r, sizeof r);
    ASSERT_TRUE(enginetest::WriteBytes(f.files, f.Root() + relative, bytes));
}

template <class R>
std::vector<R> ReadDat(SessionFixture& f, const std::wstring& relative) {
    return DatRecordsOf<R>(f.File(f.Root() + relative));
}

TalkListRecord TalkRecord(const TalkItem& t, int32_t time) {
    TalkListRecord r{};
    r.userId = t.id;
    r.date = 20261210;
    r.time = time;
    std::strncpy(r.carried, t.tag.c_str(), sizeof r.carried - 1);
    return r;
}

std::vector<TalkItem> TalkItems(const std::vector<TalkListRecord>& records) {
    std::vector<TalkItem> items;
    for (const TalkListRecord& r : records) items.push_back({r.userId, r.carried});
    return items;
}

TEST(ListMerge, OwnTalkListsMergeAsRecordByRecord) {
    const struct {
        const char* name;
        std::vector<TalkItem> kept, added;
    } cases[] = {
        {"into an empty list", {}, {{5, "a"}, {6, "b"}, {7, "c"}}},
        {"replacements keep their places, new ones go last",
         {{1, "k1"}, {2, "k2"}, {3, "k3"}},
         {{3, "n3"}, {9, "n9"}, {1, "n1"}}},
        {"an id twice in the reply: the later one wins, at the first one's place",
         {{1, "k1"}},
         {{4, "x"}, {1, "y"}, {4, "z"}, {1, "w"}}},
        {"an id twice in the kept list: only its first record is replaced",
         {{2, "first"}, {3, "k3"}, {2, "second"}},
         {{2, "new"}}},
        {"every record the same id", {{8, "k"}}, {{8, "a"}, {8, "b"}, {8, "c"}}},
        {"nothing in common", {{1, "k1"}, {2, "k2"}}, {{3, "n3"}, {4, "n4"}}},
    };
    for (int32_t kind : {TALKLIST_REGISTERED, TALKLIST_CONTACT}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (kind == TALKLIST_CONTACT ? " / contacts" : " / registered"));
            SessionFixture g(EngineVariant::Desk);
            for (const TalkItem& t : c.kept) g.store.ownTalkLists[kind].push_back(TalkRecord(t, 1));
            std::vector<uint8_t> body = Cat({W(kOwnId), W(kind), W(static_cast<int32_t>(c.added.size()))});
            for (const TalkItem& t : c.added) {
                const auto bytes = Rec(TalkRecord(t, 93000));
                body.insert(body.end(), bytes.begin(), bytes.end());
            }
            EXPECT_TRUE(g.Deliver(CMD_UPDATE_TALK_LIST, body));
            std::vector<TalkItem> expected = c.kept;
            ReferenceTalkMerge(expected, c.added);
            EXPECT_EQ(TalkItems(g.store.ownTalkLists[kind]), expected);
        }
    }
}

UserInfoBase FileUser(const UserItem& u) {
    UserInfoBase r{};
    r.userId = u.id;
    r.status = STATUS_OFFLINE;
    std::strncpy(r.nickname, u.nickname.c_str(), sizeof r.nickname - 1);
    std::strncpy(r.category, u.category.c_str(), sizeof r.category - 1);
    return r;
}

TEST(ListMerge, FriendUpdatesMergeAsRecordByRecord) {
    constexpr int32_t me = kOwnId;
    const struct {
        const char* name;
        std::vector<UserItem> users;
        std::vector<UpdateItem> kept, updates;
        std::vector<EntryItem> entries;
    } cases[] = {
        {"added, removed, moved and new entries",
         {{100, "u100", "A"}, {101, "u101", "A"}, {102, "u102", "A"}},
         {},
         {{me, 101, 0, 1, 1}, {102, me, 2, 2, 2}, {me, 103, 1, 1, 3}, {700, 701, 1, 1, 4}},
         {{103, 0, "e103"}, {104, 0, "e104"}}},
        {"an id twice in the file: a move changes both, an entry replaces the first",
         {{100, "first", "A"}, {200, "u200", "A"}, {100, "second", "A"}},
         {},
         {{me, 100, 2, 2, 1}},
         {{100, 1, "entry"}}},
        {"removed twice, then entered again: it goes last",
         {{100, "u100", "A"}, {200, "u200", "A"}, {100, "again", "B"}, {300, "u300", "B"}},
         {},
         {{me, 100, 0, 1, 1}, {100, me, 0, 1, 2}},
         {{100, 2, "back"}, {300, 1, "e300"}}},
        {"category 5 removes; a move after a removal finds nothing",
         {{100, "u100", "A"}, {200, "u200", "B"}},
         {},
         {{me, 200, 1, 5, 1}, {me, 200, 2, 1, 2}, {me, 100, 2, 2, 3}},
         {}},
        {"kept updates: the first of each friend is replaced, whichever side the user is on",
         {},
         {{me, 10, 1, 1, 1}, {20, me, 1, 1, 2}, {me, 10, 1, 2, 3}, {30, 31, 1, 1, 4}},
         {{10, me, 1, 2, 5}, {me, 20, 1, 1, 6}, {me, 40, 1, 1, 7}, {40, me, 1, 2, 8}, {me, me, 1, 1, 9}},
         {}},
        {"entries twice in the reply, with and without a category",
         {{100, "u100", "A"}},
         {},
         {{me, 500, 1, 2, 1}},
         {{500, 0, "one"}, {600, 0, "two"}, {500, 1, "three"}, {600, 2, "four"}, {100, 0, "five"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SessionFixture f(EngineVariant::Desk);
        std::vector<UserInfoBase> fileUsers;
        for (const UserItem& u : c.users) fileUsers.push_back(FileUser(u));
        std::vector<FriendUpdateRecord> fileKept;
        for (const UpdateItem& u : c.kept) fileKept.push_back({u.a, u.b, u.operation, u.category, u.tag, 0});
        CategoryRecord a{}, b{};
        a.id = 1, a.order = 2, std::strcpy(a.name, "A");
        b.id = 2, b.order = 1, std::strcpy(b.name, "B");
        WriteDat(f, kOwn + L"userlist.dat", fileUsers);
        WriteDat(f, kOwn + L"friendUpdate.dat", fileKept);
        WriteDat(f, kOwn + L"friendType.dat", std::vector<CategoryRecord>{a, b});

        std::vector<uint8_t> body = Cat({W(kOwnId), W(20261210), W(80000), H(uint16_t(c.updates.size())),
                                         H(uint16_t(c.entries.size()))});
        for (const UpdateItem& u : c.updates) {
            const auto bytes = Rec(FriendUpdateRecord{u.a, u.b, u.operation, u.category, u.tag, 0});
            body.insert(body.end(), bytes.begin(), bytes.end());
        }
        for (const EntryItem& e : c.entries)
            body = Cat({body, W(e.id), W(e.category), W(0), W(0), T(e.nickname), T(""), T("")});
        EXPECT_TRUE(f.Deliver(CMD_GET_FRIEND_UPDATE, body));

        std::vector<UserItem> expectedUsers = c.users;
        std::vector<UpdateItem> expectedKept = c.kept;
        ReferenceFriendUpdate(kOwnId, expectedUsers, expectedKept, c.updates, c.entries);
        std::vector<UserItem> users;
        for (const UserInfoBase& u : ReadDat<UserInfoBase>(f, kOwn + L"userlist.dat"))
            users.push_back({u.userId, u.nickname, u.category});
        std::vector<UpdateItem> kept;
        for (const FriendUpdateRecord& u : ReadDat<FriendUpdateRecord>(f, kOwn + L"friendUpdate.dat"))
            kept.push_back({u.userA, u.userB, u.operation, u.categoryId, u.carried1});
        EXPECT_EQ(users, expectedUsers);
        EXPECT_EQ(kept, expectedKept);
    }
}

}  // namespace
