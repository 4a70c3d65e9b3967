// CIMMsgMgrModel: what the messenger's history manager decides without a
// window: the friends it lists and their names, the last contact times of
// "latestContact.dat", the texts of the tree, the list and the record area,
// the search's date cut-off, the pager and the date jump. One peer's history
// is held in the shared history core (CHistoryPageBook); the model adds the
// messenger's paths and rules around it.
//
// UI thread only.
#pragma once

#include "HistoryPageBook.h"

#include <ImEngineApi.h>

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// One row of the history manager's friend lists: a friend in its category.
struct MsgMgrFriend {
    int32_t userId = 0;
    int32_t status = 0;
    std::wstring nickname;
};

struct MsgMgrCategory {
    std::wstring name;
    std::vector<MsgMgrFriend> friends;
};

class CIMMsgMgrModel {
public:
    static constexpr int kRangeWeek = 0;
    static constexpr int kRangeQuarter = 1;
    static constexpr int kRangeYear = 2;
    static constexpr int kRangeAll = 3;

    // The own id, the friends by category (map order) and the own nickname,
    // as the window takes them once from the engine's getters.
    void SetFriends(int32_t ownId, const std::wstring& ownNickname, std::vector<MsgMgrCategory> categories);
    void SetFriends(int32_t ownId, const UserInfoBase* own, const FriendMap* friends);
    int32_t GetOwnId() const { return m_ownId; }
    const std::vector<MsgMgrCategory>& GetCategories() const { return m_categories; }

    // The sender name of a record: the own nickname for the own id, a
    // friend's nickname; false (and *name "如果没找到就显示此昵称") for anyone
    // else.
    bool GetNickName(int32_t userId, std::wstring* name) const;

    // ---- texts ----
    static std::wstring FriendItemText(const std::wstring& nickname, int32_t userId);
    static std::wstring CategoryItemText(const std::wstring& name, int online, int total);
    // The category's text in the tree: "%s(%d/%d)" with the friends whose
    // status is 0 counted online.
    static std::wstring CategoryItemText(const MsgMgrCategory& category);
    // The peer id between the last "(" and the last ")" of a friend item's
    // text; 0 when the text holds none (the root, "系统消息").
    static int32_t PeerIdOfItemText(const std::wstring& text);
    static std::wstring RecordTitle(const std::wstring& peer);           // "与%s的消息记录"
    static std::wstring NothingFoundTitle(const std::wstring& keyword);  // "没有找到与"%s"有关的消息"
    static std::wstring FoundTitle(int count);                           // "已经找到相关记录%d条"
    static std::wstring PageCountText(int pages);                        // "页/%d页"
    static std::wstring DateEditText(const SYSTEMTIME& shown);           // "%d-%02d-%02d"
    static std::wstring NoDayText(int32_t date);                         // "没有找到%d这天的记录！"

    // ---- "latestContact.dat" ----
    // "<folder><own>\msg\latestContact.dat" and a peer's history
    // "<folder><own>\msg\<peer>\<peer>.msg" (the folder ends in "\").
    static std::wstring LatestContactPath(const std::wstring& folder, int32_t ownId);
    static std::wstring HistoryPath(const std::wstring& folder, int32_t ownId, int32_t peerId);
    // The records of the file's bytes: the count at +8 of the 128-byte
    // header, never more than the whole 16-byte records the bytes hold; a
    // short header or a negative count gives none.
    static std::vector<LatestContactRecord> ParseLatestContacts(const uint8_t* data, size_t size);
    // Reads the file again (shared for reading and writing; a missing or
    // unreadable file leaves no records). Returns the number of records.
    size_t LoadLatestContacts(const std::wstring& path);
    void SetLatestContacts(std::vector<LatestContactRecord> records) { m_latest = std::move(records); }
    // "%d-%02d-%02d %02d:%02d:%02d" of the peer's first record; empty without one.
    std::wstring GetLastContactTime(int32_t peerId) const;

    // ---- search, pager, date jump ----
    // The first day the range keeps (yyyymmdd): now less 7, 90 or 365 whole
    // days; 0 for "全部" (and any other selection).
    static int32_t CutOffDate(int rangeSel, const SYSTEMTIME& now);
    static int FirstPage(int) { return 1; }
    static int PreviousPage(int page) { return page > 1 ? page - 1 : page; }
    static int NextPage(int page, int pages) { return page < pages ? page + 1 : page; }
    // Header drags: the last-contact column stays within 120..183, the
    // others within 80..200.
    static int ClampColumnWidth(int column, int width);

    // Row order of the contact list sorted by a column: the account (column
    // 1) as a number, the nickname and the last contact time as text (the
    // time's text sorts as the time does; no time comes first). Negative,
    // 0 or positive for ascending order.
    static int CompareListTexts(int column, const std::wstring& first, const std::wstring& second);

    enum JumpResult { kJumpNoHistory, kJumpNoDay, kJumpPage };
    // The page of the oldest record dated date, in *page.
    static JumpResult JumpToDate(const CHistoryPageBook& book, int32_t date, int* page);

private:
    int32_t m_ownId = 0;
    std::wstring m_ownNickname;
    bool m_ownKnown = false;
    std::vector<MsgMgrCategory> m_categories;
    std::vector<LatestContactRecord> m_latest;
};
