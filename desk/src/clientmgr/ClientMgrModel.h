// CClientMgrModel: the decisions of the customer management view without
// its window: which customers a page, a search or a tree node shows, how
// many pages there are, what the pager and the page box do, the texts of
// the tree's count nodes and the column width clamp.
//
// The customers come from a friend map (category name -> users, walked in
// the map's key order, then in user order). A category node of the tree
// names its category exactly: its text is "<name>(<count>)", and the name is
// that text without the count, so that "VIP" and "VIP2" stay apart and the
// count of a node always agrees with the rows it lists.
//
// UI thread only (like the view); no window, no engine.
#pragma once

#include "clientui/ListPager.h"

#include <ImEngineApi.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One customer row of the list.
struct ClientRow {
    int32_t userId = 0;
    int32_t status = STATUS_OFFLINE;
    std::wstring name;      // the nickname
    std::wstring category;  // the category the user was listed under
    bool endTime = false;   // the row shows the end of the last conversation
};

// What the list shows: every category of the owner, or one category.
struct ClientScope {
    bool all = true;
    std::wstring category;  // when not all: the category's exact name
};

// A tree node's new text and what happens to its children when a user's
// friend map arrives (UpdateUserCounts).
struct CountUpdate {
    struct Child {
        int index;  // the child to change, -1 for a new child
        std::wstring text;
    };
    std::wstring nodeText;
    std::vector<Child> children;
};

class CClientMgrModel {
public:
    static constexpr int kPageSize = 50;

    // --- browsing ----------------------------------------------------------
    // Shows the owner's customers (all or one category) from the first page:
    // the count and the page count from map, paging visible, search left.
    void ShowOwner(int32_t owner, const ClientScope& scope, const FriendMap& map);
    // The rows of the current page. Also the rows to show after the search
    // is cleared.
    std::vector<ClientRow> CurrentRows(const FriendMap& map) const;
    // Makes page current; false (nothing changes) for a page outside
    // 1 .. page count.
    bool GoToPage(int page);
    // The page a pager button leads to; 0 when the button does nothing
    // there (first and last on their own page, previous on page 1, next on
    // the last page).
    int PagerTarget(PagerButton button) const;

    // --- search --------------------------------------------------------------
    // A search for keyword over the current scope: the matches with the
    // last match walked first; the pager hides. An empty keyword changes
    // nothing and answers false.
    bool Search(const std::wstring& keyword, const FriendMap& map, std::vector<ClientRow>* rows);
    // Leaves the search: the pager shows again and the page shown before
    // the search is current.
    void ClearSearch();

    int32_t Owner() const { return m_owner; }
    const ClientScope& Scope() const { return m_scope; }
    size_t Count() const { return m_count; }
    int PageCount() const { return m_pageCount; }
    int CurrentPage() const { return m_page; }
    bool PagingVisible() const { return m_pagingVisible; }
    bool SearchMode() const { return m_searchMode; }

    // --- rules -----------------------------------------------------------------
    // ceil(count / 50), at least 1.
    static int PageCountOf(size_t count);
    // The users of the scope: every category's, or the named category's (0
    // when the map has no such category).
    static size_t CountUsers(const FriendMap& map, const ClientScope& scope);
    // The rows of one page of the scope (at most 50): the users with the
    // overall indexes (page - 1) * 50 .. page * 50 - 1 in walk order. Rows
    // of every category show the end time, rows of one category do not.
    static std::vector<ClientRow> PageRows(const FriendMap& map, const ClientScope& scope, int page);
    // The users of the scope whose nickname holds keyword (case-sensitive)
    // or whose id is keyword read as a decimal number, last match first; no
    // limit of 50.
    static std::vector<ClientRow> SearchRows(const FriendMap& map, const ClientScope& scope,
                                             const std::wstring& keyword);
    // A text of decimal digits only as a positive number; 0 for anything
    // else (empty, signs, blanks, letters, a value above 2^31 - 1).
    static int32_t DecimalNumber(const std::wstring& text);
    // The page a page-box text names; 0 when it is not a page of pageCount
    // pages (the view then says "请输入正确的页数！").
    static int PageFromBox(const std::wstring& text, int pageCount);

    // "%s(%d)": the text of a category node.
    static std::wstring CategoryNodeText(const std::wstring& name, size_t count);
    // The name a node text stands for: the text without a trailing
    // "(<digits>)".
    static std::wstring NodeName(const std::wstring& text);
    // The new texts of a user's node (nodeText, its children childTexts)
    // for the user's friend map: each category sets the count of the child
    // that names it, or adds one; the node shows the total.
    static CountUpdate UpdateCounts(const std::wstring& nodeText, const std::vector<std::wstring>& childTexts,
                                    const FriendMap& map);
    // A copy of another user's friend map with an (empty) entry for every
    // category that the user's cached lists name and the map lacks.
    static FriendMap MergeCachedCategories(const FriendMap& map, const FriendListRecord* cached);

    // "%d-%02d-%02d %02d:%02d:%02d" of the first talk-list record of the
    // user; empty when there is none.
    static std::wstring EndTimeText(const std::vector<TalkListRecord>& talkList, int32_t userId);
    // A new width for a column being resized: column 0 keeps 40 pixels;
    // others stay within 120 .. 260.
    static int ClampColumnWidth(int column, int width);

private:
    int32_t m_owner = 0;
    ClientScope m_scope;
    size_t m_count = 0;
    int m_pageCount = 1;
    int m_page = 1;
    bool m_pagingVisible = true;
    bool m_searchMode = false;
};
