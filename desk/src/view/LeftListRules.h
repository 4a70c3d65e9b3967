// What the chat view's left lists decide without a window: which list a
// kind shows, the order and the count text of an agent's customers, which
// talk list the 30-second refresh asks for, and what a selection in the
// organisation or registered-user tree does.
#pragma once

#include <ImEngineApi.h>

#include <cstdint>
#include <string>
#include <vector>

class CLeftListRules {
public:
    // The list kinds (the item data of the chat view's upper tabs as far as
    // the left panel has a list for them).
    enum ListKind : int { kCustomers = 0, kOrganisation = 1, kRegistered = 2 };
    // Images of the organisation and registered-user trees.
    enum TreeImage : int { kAgentImage = 0, kAgentSelectedImage = 1, kCustomerImage = 2, kCustomerSelectedImage = 3 };

    // The list shown after the kind was chosen: the kind's own list, or, for
    // a kind without a list, the one shown before.
    static int ShownList(int kind, int shownBefore);

    // An agent's customers in the order the trees show them: the later date
    // first, on the same date the later time.
    static std::vector<TalkListRecord> SortedCustomers(std::vector<TalkListRecord> list);
    // The text of an agent's item: its name followed by " [count]"; a count
    // suffix the text already had is replaced.
    static std::wstring AgentText(const std::wstring& current, int count);
    // Agents are the ids 1 to 99999.
    static bool IsAgentId(int32_t id) { return id >= 1 && id <= 99999; }

    // The talk list kind the 30-second refresh asks for while a kind is
    // shown (0 for the organisation tree, 1 for the registered users), or -1.
    static int RefreshTalkKind(int shownKind);

    // A selection in the organisation tree (kind 0 lists) or the
    // registered-user tree (kind 1 lists).
    struct Selection {
        bool rebuilding = false;  // the tree is being filled
        bool byUser = false;      // a click or a key chose it (not the program)
        int image = 0;            // the item's image
        int32_t itemData = 0;     // customer id or agent id
        int32_t parentData = 0;   // the agent of a customer item
        bool expanded = false;    // an agent item already open
        int talkKind = 0;         // 0 organisation, 1 registered users
    };
    struct Action {
        enum Kind { kNone, kOpenWatched, kAskTalkList } kind = kNone;
        int32_t customer = 0;
        int32_t agent = 0;   // the session's agent, or the agent whose list is asked for
        int talkKind = 0;
    };
    static Action OnSelection(const Selection& selection);
};

// The session list of the chat view ("对话列表"): one row per open
// conversation, by user id.
class CSessionListModel {
public:
    struct Row {
        int32_t userId = 0;
        std::wstring name;
        std::wstring description;
    };
    // What UpdateSession changed: a row appended, a row removed (its index),
    // or nothing.
    struct Change {
        enum Kind { kNone, kAdded, kRemoved } kind = kNone;
        int index = -1;
    };

    // remove: the row of the record's user goes. Otherwise a nonzero user
    // gets a row (once) with its name and, as description, its category, or
    // "临时会话(转接或抢接)" for a watched conversation.
    Change UpdateSession(const UserInfoBase& record, bool remove, bool watched);
    const std::vector<Row>& Rows() const { return m_rows; }
    int Find(int32_t userId) const;

private:
    std::vector<Row> m_rows;
};
