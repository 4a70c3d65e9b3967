// CMsgMgrModel: what the message records tab (CMsgMgrView) decides, without
// a window. It keeps the owner list ("我的客户" and the group's agents), the
// chosen owner's customers (a copy of the engine's contact talk list) paged
// 50 a page and sorted by name or end time, the selection, the history of
// the shown customer (a CHistoryPageBook over the engine's history file),
// its pages and the keyword search over it, the title above the history and
// the two timers' decisions. It tells the view what to show through
// IMsgMgrDisplay; it reads the engine through the table it is given.
//
// Rules kept beyond the plain steps:
//   - every row carries its customer's id: a click shows that customer's
//     history even when two customers have the same name;
//   - a selection never survives a refill, a sort or a page change, so
//     "发起会话" opens whoever is selected now, or nobody;
//   - only pages 1 to the page count exist, for the history, the hits and
//     the customers;
//   - reading a history in search mode searches the records just read (the
//     hits always belong to the customer shown);
//   - a history that cannot be read leaves nothing loaded, so the pager
//     never pages through the previous customer's records;
//   - the reload after new messages needs a customer shown.
//
// UI thread only.
#pragma once

#include "HistoryPageBook.h"

#include "clientui/EngineModule.h"
#include "clientui/ListPager.h"
#include "clientui/PictureDownloadQueue.h"
#include "clientui/PictureObjectInfo.h"

#include "IAnsiCodePage.h"

#include <ImEngineApi.h>

#include <cstdint>
#include <string>
#include <vector>

// One row of the customer list.
struct MsgMgrCustomerRow {
    int32_t userId = 0;
    std::wstring name;     // the talk list's name
    std::wstring endTime;  // "%d-%02d-%02d %02d:%02d:%02d"
    int image = 1;         // 0 online, 1 invisible or offline or unknown
};

// One entry of the owner list.
struct MsgMgrOwner {
    std::wstring name;
    int32_t userId = 0;
};

// Where a picture of the history is shown from.
struct MsgMgrPicture {
    std::wstring path;   // where the picture belongs ("<folder><own>\Image\<name>"); empty for a bad name
    std::wstring shown;  // the file shown: path, or the error placeholder
    int32_t state = PictureObjectInfo::kShown;
    bool downloadQueued = false;
};

// What the view shows for the model.
class IMsgMgrDisplay {
public:
    virtual ~IMsgMgrDisplay() = default;
    // The rich edit holds exactly this text (empty: cleared).
    virtual void ShowHistoryText(const std::wstring& text) = 0;
    // The rich edit is cleared and shows these pieces; every occurrence of
    // highlight (when not empty) is painted red; then it scrolls to the end.
    virtual void ShowHistoryPieces(const std::vector<HistoryPiece>& pieces, const std::wstring& highlight) = 0;
    // The customer list shows these rows (no row selected).
    virtual void ShowCustomerRows(const std::vector<MsgMgrCustomerRow>& rows) = 0;
    // The owner list shows these entries with entry `selected` chosen.
    virtual void ShowOwners(const std::vector<MsgMgrOwner>& owners, int selected) = 0;
    // The one-second retry timer is (re)started.
    virtual void StartRetryTimer() = 0;
};

class CMsgMgrModel {
public:
    static constexpr int kCustomersPerPage = 50;
    static constexpr int kSortByName = 0;
    static constexpr int kSortByEndTime = 1;

    CMsgMgrModel(const CEngineModule& engine, const clientui::IAnsiCodePage& codePage, IMsgMgrDisplay& display);

    // The program folder (ending in a backslash) under which the account
    // folders lie, and the download queue for missing pictures (null: none).
    void SetProgramFolder(const std::wstring& folder) { m_programFolder = folder; }
    void SetDownloadQueue(IPictureDownloadQueue* queue) { m_downloads = queue; }

    // --- filling --------------------------------------------------------------
    // At initialisation: the own customers from the own contact talk list,
    // newest end first; the title for no customer.
    void FillInitial();
    // NOTIFY_FRIENDLIST: "我的客户" (the own id) and the group's agents;
    // entry 0 chosen, its talk list asked for and shown.
    void FillOwnerList(const std::vector<GroupUserRecord>& groupUsers);
    // A group list that came after the owner list: its agents missing from
    // the owner list are added at the end (the choice stays).
    void AddMissingOwners(const std::vector<GroupUserRecord>& groupUsers);
    // NOTIFY_TALKLIST: the chosen owner's talk list again, page 1.
    void FillCustomerList();
    // The owner list's entry `index` was chosen.
    void OnOwnerChanged(int index);

    // --- the customer list --------------------------------------------------
    void ShowCustomerPage(int page);
    void OnCustomerPager(PagerButton button);
    // A click on the header of column (the header has columnCount columns).
    void OnSortClick(int column, int columnCount);
    // A click on row (-1: no row).
    void OnCustomerClicked(int row);
    // "发起会话": the customer of the selected row and its owner; false when
    // no row is selected.
    bool ConversationTarget(int32_t* customer, int32_t* owner) const;

    // --- the history ----------------------------------------------------------
    // WM_SHOW_MSGMGR: the history of agentId's customer customerId; nothing
    // when agentId is not in the owner list.
    void ShowPair(int32_t agentId, int32_t customerId);
    // Reads the pair's history file and shows its last page (its last hit
    // page in search mode); false (and "没有此客户的消息记录") when there is
    // nothing to read.
    bool OpenHistory(int32_t owner, int32_t customer);
    void ShowHistoryPage(int page);
    void OnHistoryPager(PagerButton button);
    // Enter in the history page box: false when the text is not a page that
    // exists (the view then says "请输入正确的页数！").
    bool OnPageBoxEnter(const std::wstring& text);

    // --- search -------------------------------------------------------------------
    // The search button: search mode, and the hits of keyword.
    void OnSearch(const std::wstring& keyword);
    // The clear button, or the box emptied.
    void LeaveSearch();
    // The box's text changed (typing never searches).
    void OnKeywordChanged(const std::wstring& text);
    void SearchHistory(const std::wstring& keyword);
    void ShowSearchPage(int page);

    // --- timers ---------------------------------------------------------------------
    // A message arrived.
    void SetReloadPending() { m_reloadPending = true; }
    // Every 3 s: a pending reload of the shown pair, outside search mode.
    void OnReloadTimer();
    // The one retry, a second after a history could not be read.
    void OnRetryTimer();

    // --- pictures -------------------------------------------------------------------
    // Where the picture called name is shown from; a picture not on disk
    // gets the error placeholder and one download job.
    MsgMgrPicture PlacePicture(const std::wstring& name);

    // --- what the view paints and tests read -----------------------------------------
    const std::wstring& Title() const { return m_title; }
    const std::vector<MsgMgrOwner>& Owners() const { return m_owners; }
    int SelectedOwnerIndex() const { return m_ownerIndex; }
    int32_t OwnerId() const { return m_ownerId; }
    const std::vector<TalkListRecord>& TalkList() const { return m_talkList; }
    const std::vector<MsgMgrCustomerRow>& Rows() const { return m_rows; }
    int CustomerCount() const { return static_cast<int>(m_talkList.size()); }
    int CustomerPageCount() const;
    int CustomerPage() const { return m_customerPage; }
    int SortColumn() const { return m_sortColumn; }
    bool SortAscending() const { return m_sortAscending; }
    int SelectedRow() const { return m_selectedRow; }
    int32_t ShownCustomer() const { return m_shownCustomer; }
    bool IsLoaded() const { return m_book.IsLoaded(); }
    int PageCount() const { return m_book.GetPageCount(); }
    int CurrentPage() const { return m_currentPage; }
    bool InSearchMode() const { return m_searchMode; }
    const std::wstring& Keyword() const { return m_keyword; }
    int HitCount() const { return static_cast<int>(m_hits.size()); }
    int HitPageCount() const { return m_hitPageCount; }
    int CurrentHitPage() const { return m_hitPage; }
    bool ReloadPending() const { return m_reloadPending; }
    // The page and page count the history pager shows (the hits' in search
    // mode).
    int PagerPage() const { return m_searchMode ? m_hitPage : m_currentPage; }
    int PagerPageCount() const { return m_searchMode ? m_hitPageCount : PageCount(); }
    const CHistoryPageBook& Book() const { return m_book; }

    // --- rules shared with the tests ------------------------------------------------------
    // The history file of owner's customer for the own id.
    static std::wstring HistoryPath(const std::wstring& folder, int32_t ownId, int32_t owner, int32_t customer);
    static std::wstring EndTimeText(int32_t date, int32_t hhmmss);
    static std::wstring TitleText(const std::wstring& name, int32_t customer);
    static std::wstring FoundTitle(int hits);
    static std::wstring NotFoundTitle(const std::wstring& keyword);
    // The talk-list orders: by the name bytes, or by end date, time, id.
    static bool NameLess(const TalkListRecord& a, const TalkListRecord& b);
    static bool EndTimeLess(const TalkListRecord& a, const TalkListRecord& b);
    // The name of a talk-list record.
    std::wstring RecordName(const TalkListRecord& record) const;
    // LookUpName: the talk list's name, else the engine's nickname of a
    // known user; false (and the id in decimal) otherwise.
    bool LookUpName(int32_t userId, std::wstring* name) const;
    // The agent who answered for a sender: the full name of a known user.
    bool LookUpAgentName(int32_t userId, std::wstring* name) const;

private:
    int32_t OwnId() const;
    void TakeTalkList(int32_t owner);
    void BuildRows();
    void ClearSelection() { m_selectedRow = -1; }
    bool ReadHistory(int32_t owner, int32_t customer);
    void ShowNothingFound();
    void RefreshAndOpen(int32_t owner, int32_t customer);
    CHistoryPageBook::Style PageStyle() const;
    CHistoryPageBook::NameLookup Names() const;

    const CEngineModule& m_engine;
    const clientui::IAnsiCodePage& m_codePage;
    IMsgMgrDisplay& m_display;
    IPictureDownloadQueue* m_downloads = nullptr;
    std::wstring m_programFolder;

    std::vector<MsgMgrOwner> m_owners;
    int m_ownerIndex = -1;
    int32_t m_ownerId = 0;

    std::vector<TalkListRecord> m_talkList;
    std::vector<MsgMgrCustomerRow> m_rows;
    int m_customerPage = 1;
    int m_sortColumn = kSortByEndTime;
    bool m_sortAscending = false;
    int m_selectedRow = -1;

    CHistoryPageBook m_book;
    int32_t m_shownOwner = 0;
    int32_t m_shownCustomer = 0;
    int m_currentPage = 0;
    bool m_reloadPending = false;

    bool m_searchMode = false;
    std::wstring m_keyword;
    std::vector<int> m_hits;
    int m_hitPageCount = 0;
    int m_hitPage = 0;
    bool m_hitsValid = false;  // a search ran over the records loaded

    std::wstring m_title;
};
