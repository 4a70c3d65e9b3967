#include "MsgMgrModel.h"

#include "PictureName.h"

#include "clientui/ContactCache.h"

#include "fw/StringUtil.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr wchar_t kMyCustomers[] = L"我的客户";
constexpr wchar_t kLoading[] = L"正在加载消息记录，请稍后。。。";
constexpr wchar_t kNoRecords[] = L"没有此客户的消息记录";
// The pagers' page boxes take up to 9 digits; "previous" needs the page
// before to exist, as a list can shrink under the shown page.
constexpr CListPager::Limits kPagerLimits{9, true};

bool FileExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

CMsgMgrModel::CMsgMgrModel(const CEngineModule& engine, const clientui::IAnsiCodePage& codePage,
                           IMsgMgrDisplay& display)
    : m_engine(engine), m_codePage(codePage), m_display(display), m_title(TitleText(L"0", 0)) {}

int32_t CMsgMgrModel::OwnId() const { return m_engine.MGetCurUserID ? m_engine.MGetCurUserID() : 0; }

// ---------------------------------------------------------------------------
// Rules
// ---------------------------------------------------------------------------

std::wstring CMsgMgrModel::HistoryPath(const std::wstring& folder, int32_t ownId, int32_t owner, int32_t customer) {
    if (owner == ownId) return folder + fw::FormatString(L"%d\\msg\\%d.msg", ownId, customer);
    return folder + fw::FormatString(L"%d\\MyGroup\\%d\\msg\\%d.msg", ownId, owner, customer);
}

std::wstring CMsgMgrModel::EndTimeText(int32_t date, int32_t hhmmss) {
    return fw::FormatString(L"%d-%02d-%02d %02d:%02d:%02d", date / 10000, date % 10000 / 100, date % 100,
                            hhmmss / 10000, hhmmss % 10000 / 100, hhmmss % 100);
}

std::wstring CMsgMgrModel::TitleText(const std::wstring& name, int32_t customer) {
    return fw::FormatString(L"消息记录 - %ls(%d)", name.c_str(), customer);
}

std::wstring CMsgMgrModel::FoundTitle(int hits) { return fw::FormatString(L"已经找到相关记录%d条", hits); }

std::wstring CMsgMgrModel::NotFoundTitle(const std::wstring& keyword) {
    return fw::FormatString(L"没有找到与\"%ls\"有关的消息", keyword.c_str());
}

namespace {

// The name field of a talk-list record, up to its NUL.
size_t NameLength(const TalkListRecord& record) {
    const void* nul = std::memchr(record.carried, 0, sizeof record.carried);
    return nul ? static_cast<size_t>(static_cast<const char*>(nul) - record.carried) : sizeof record.carried;
}

}  // namespace

bool CMsgMgrModel::NameLess(const TalkListRecord& a, const TalkListRecord& b) {
    const size_t la = NameLength(a), lb = NameLength(b);
    const int order = std::memcmp(a.carried, b.carried, std::min(la, lb));  // unsigned bytes
    return order != 0 ? order < 0 : la < lb;
}

bool CMsgMgrModel::EndTimeLess(const TalkListRecord& a, const TalkListRecord& b) {
    if (a.date != b.date) return a.date < b.date;
    if (a.time != b.time) return a.time < b.time;
    return a.userId < b.userId;
}

std::wstring CMsgMgrModel::RecordName(const TalkListRecord& record) const {
    return m_codePage.FromAnsi(record.carried, NameLength(record));
}

bool CMsgMgrModel::LookUpName(int32_t userId, std::wstring* name) const {
    *name = fw::FormatString(L"%d", userId);
    for (const TalkListRecord& record : m_talkList) {
        if (record.userId == userId) {
            *name = RecordName(record);
            return true;
        }
    }
    if (m_engine.MGetUserInfoBase) {
        const UserInfoBase* info = m_engine.MGetUserInfoBase(userId);
        if (info && info->userId == userId) {
            *name = fw::FromAnsiField(info->nickname);
            return true;
        }
    }
    return false;
}

bool CMsgMgrModel::LookUpAgentName(int32_t userId, std::wstring* name) const {
    if (!m_engine.MGetUserInfoBase || !m_engine.MGetUserInfoExt) return false;
    const UserInfoBase* info = m_engine.MGetUserInfoBase(userId);
    if (!info || info->userId != userId) return false;
    const UserInfoExt* ext = m_engine.MGetUserInfoExt(userId);
    if (!ext) return false;
    *name = fw::FromAnsiField(ext->fullName);
    return !name->empty();
}

CHistoryPageBook::NameLookup CMsgMgrModel::Names() const {
    return [this](int32_t id, std::wstring* name) { return LookUpName(id, name); };
}

CHistoryPageBook::Style CMsgMgrModel::PageStyle() const {
    CHistoryPageBook::Style style;
    style.headerPoints = 0;  // the colour only: the log's own size stays
    style.agentNames = [this](int32_t id, std::wstring* name) { return LookUpAgentName(id, name); };
    return style;
}

// ---------------------------------------------------------------------------
// Filling
// ---------------------------------------------------------------------------

void CMsgMgrModel::TakeTalkList(int32_t owner) {
    m_talkList.clear();
    if (m_engine.MGetTalkList)
        if (const std::vector<TalkListRecord>* list = m_engine.MGetTalkList(owner, TALKLIST_CONTACT))
            m_talkList = *list;
}

void CMsgMgrModel::BuildRows() {
    m_rows.clear();
    const size_t first = static_cast<size_t>(m_customerPage - 1) * kCustomersPerPage;
    for (size_t i = first; i < m_talkList.size() && i < first + kCustomersPerPage; ++i) {
        const TalkListRecord& record = m_talkList[i];
        MsgMgrCustomerRow row;
        row.userId = record.userId;
        row.name = RecordName(record);
        row.endTime = EndTimeText(record.date, record.time);
        row.image = 1;
        if (m_engine.MGetUserInfoBase) {
            const UserInfoBase* info = m_engine.MGetUserInfoBase(record.userId);
            if (info && info->userId == record.userId) row.image = info->status > STATUS_DND ? 1 : 0;
        }
        m_rows.push_back(std::move(row));
    }
}

void CMsgMgrModel::FillInitial() {
    m_ownerId = OwnId();
    TakeTalkList(m_ownerId);
    if (m_talkList.size() >= 2)
        std::stable_sort(m_talkList.begin(), m_talkList.end(),
                         [](const TalkListRecord& a, const TalkListRecord& b) { return EndTimeLess(b, a); });
    m_customerPage = 1;
    ClearSelection();
    BuildRows();
    m_display.ShowCustomerRows(m_rows);
    std::wstring name;
    LookUpName(0, &name);
    m_title = TitleText(name, 0);
}

void CMsgMgrModel::FillOwnerList(const std::vector<GroupUserRecord>& groupUsers) {
    m_ownerId = OwnId();
    m_owners.clear();
    m_owners.push_back({kMyCustomers, m_ownerId});
    for (const GroupUserRecord& user : groupUsers) m_owners.push_back({GroupUserName(user), user.userId});
    if (m_engine.MUpdateTalkList) m_engine.MUpdateTalkList(m_ownerId, TALKLIST_CONTACT);
    m_ownerIndex = 0;
    m_display.ShowOwners(m_owners, m_ownerIndex);
    FillCustomerList();
}

void CMsgMgrModel::AddMissingOwners(const std::vector<GroupUserRecord>& groupUsers) {
    if (m_owners.empty()) return;  // the owner list comes with the friend list
    bool added = false;
    for (const GroupUserRecord& user : groupUsers) {
        const bool known = std::any_of(m_owners.begin() + 1, m_owners.end(),
                                       [&user](const MsgMgrOwner& owner) { return owner.userId == user.userId; });
        if (known || user.userId == 0) continue;
        m_owners.push_back({GroupUserName(user), user.userId});
        added = true;
    }
    if (added) m_display.ShowOwners(m_owners, m_ownerIndex);
}

void CMsgMgrModel::FillCustomerList() {
    TakeTalkList(m_ownerId);
    m_customerPage = 1;
    ClearSelection();
    BuildRows();
    m_display.ShowCustomerRows(m_rows);
}

void CMsgMgrModel::OnOwnerChanged(int index) {
    if (index < 0 || static_cast<size_t>(index) >= m_owners.size()) return;
    m_ownerIndex = index;
    m_ownerId = m_owners[static_cast<size_t>(index)].userId;
    if (m_engine.MUpdateTalkList) m_engine.MUpdateTalkList(m_ownerId, TALKLIST_CONTACT);
    FillCustomerList();
    // The history shown belonged to the previous owner.
    m_book.Clear();
    m_hits.clear();
    m_hitsValid = false;
    m_hitPageCount = m_hitPage = 0;
    m_currentPage = 0;
    m_shownCustomer = 0;
    m_shownOwner = 0;
    m_display.ShowHistoryText(std::wstring());
}

// ---------------------------------------------------------------------------
// The customer list
// ---------------------------------------------------------------------------

int CMsgMgrModel::CustomerPageCount() const {
    const int count = CustomerCount();
    return count <= 0 ? 1 : (count + kCustomersPerPage - 1) / kCustomersPerPage;
}

void CMsgMgrModel::ShowCustomerPage(int page) {
    if (page < 1 || page > CustomerPageCount()) return;
    m_customerPage = page;
    ClearSelection();
    BuildRows();
    m_display.ShowCustomerRows(m_rows);
}

void CMsgMgrModel::OnCustomerPager(PagerButton button) {
    const int target = CListPager::Target(button, m_customerPage, CustomerPageCount(), kPagerLimits);
    if (target != 0) ShowCustomerPage(target);
}

void CMsgMgrModel::OnSortClick(int column, int columnCount) {
    if (column >= 0 && column < columnCount) {
        // A second click on the same column reverses the order.
        const bool ascending = column != m_sortColumn || !m_sortAscending;
        m_sortColumn = column;
        m_sortAscending = ascending;
        if (!m_talkList.empty() && (column == kSortByName || column == kSortByEndTime)) {
            const auto less = column == kSortByName ? &NameLess : &EndTimeLess;
            std::stable_sort(m_talkList.begin(), m_talkList.end(),
                             [less, ascending](const TalkListRecord& a, const TalkListRecord& b) {
                                 return ascending ? less(a, b) : less(b, a);
                             });
        }
    }
    // The page shows its rows again, in the new order, none selected.
    ShowCustomerPage(m_customerPage);
}

bool CMsgMgrModel::ConversationTarget(int32_t* customer, int32_t* owner) const {
    if (m_selectedRow < 0 || static_cast<size_t>(m_selectedRow) >= m_rows.size()) return false;
    *customer = m_rows[static_cast<size_t>(m_selectedRow)].userId;
    *owner = m_ownerId;
    return true;
}

void CMsgMgrModel::OnCustomerClicked(int row) {
    if (m_ownerIndex >= 0 && static_cast<size_t>(m_ownerIndex) < m_owners.size())
        m_ownerId = m_owners[static_cast<size_t>(m_ownerIndex)].userId;
    if (row < 0 || static_cast<size_t>(row) >= m_rows.size()) {
        ClearSelection();  // a click beside the rows chooses nobody
        return;
    }
    m_selectedRow = row;
    const MsgMgrCustomerRow& chosen = m_rows[static_cast<size_t>(row)];
    m_shownCustomer = chosen.userId;
    RefreshAndOpen(m_ownerId, m_shownCustomer);
    m_title = TitleText(chosen.name, chosen.userId);
}

void CMsgMgrModel::RefreshAndOpen(int32_t owner, int32_t customer) {
    // The engine fetches what the server holds into the file; what is there
    // now is shown, and read once more a second later when there is nothing.
    if (m_engine.MRefreshMsgRecords) m_engine.MRefreshMsgRecords(owner, customer, 1);
    if (!OpenHistory(owner, customer)) m_display.StartRetryTimer();
}

// ---------------------------------------------------------------------------
// The history
// ---------------------------------------------------------------------------

void CMsgMgrModel::ShowPair(int32_t agentId, int32_t customerId) {
    int index = -1;
    for (size_t i = 0; i < m_owners.size(); ++i) {
        if (m_owners[i].userId == agentId) {
            index = static_cast<int>(i);
            break;
        }
    }
    if (index < 0) return;  // not an owner this view knows
    if (index != m_ownerIndex) {
        OnOwnerChanged(index);
        m_display.ShowOwners(m_owners, m_ownerIndex);
    }
    m_shownCustomer = customerId;
    RefreshAndOpen(agentId, customerId);
    std::wstring name;
    const UserInfoBase* info = m_engine.MGetUserInfoBase ? m_engine.MGetUserInfoBase(customerId) : nullptr;
    if (info && info->userId == customerId)
        name = fw::FromAnsiField(info->nickname);
    else
        LookUpName(customerId, &name);
    m_title = TitleText(name, customerId);
}

bool CMsgMgrModel::ReadHistory(int32_t owner, int32_t customer) {
    m_currentPage = 0;
    m_hits.clear();
    m_hitsValid = false;
    m_hitPageCount = m_hitPage = 0;
    if (owner == 0 || customer == 0) {
        m_book.Clear();
        return false;
    }
    m_shownOwner = owner;
    // Load drops what was loaded (whatever the outcome) and reads into its
    // blocks again.
    return m_book.Load(HistoryPath(m_programFolder, OwnId(), owner, customer));
}

bool CMsgMgrModel::OpenHistory(int32_t owner, int32_t customer) {
    m_display.ShowHistoryText(kLoading);
    if (!ReadHistory(owner, customer)) {
        // A file that could not be read says so under the usual text.
        const std::wstring& notice = m_book.GetDamageNotice();
        m_display.ShowHistoryText(notice.empty() ? std::wstring(kNoRecords) : kNoRecords + std::wstring(L"\r\n") + notice);
        return false;
    }
    if (m_searchMode)
        SearchHistory(m_keyword);  // the hits of the records just read
    else
        ShowHistoryPage(m_book.GetPageCount());
    return true;
}

void CMsgMgrModel::ShowHistoryPage(int page) {
    if (!m_book.IsLoaded() || page < 1 || page > m_book.GetPageCount()) return;
    m_currentPage = page;
    std::vector<HistoryPiece> pieces = m_book.BuildPage(page, OwnId(), Names(), PageStyle());
    if (!m_book.GetDamageNotice().empty()) pieces.push_back(CHistoryPageBook::NoticePiece(m_book.GetDamageNotice()));
    m_display.ShowHistoryPieces(pieces, std::wstring());
}

void CMsgMgrModel::OnHistoryPager(PagerButton button) {
    if (m_searchMode) {
        const int target = CListPager::Target(button, m_hitPage, m_hitPageCount, kPagerLimits);
        if (target != 0) ShowSearchPage(target);
        return;
    }
    const int target = CListPager::Target(button, m_currentPage, m_book.GetPageCount(), kPagerLimits);
    if (target != 0) ShowHistoryPage(target);
}

bool CMsgMgrModel::OnPageBoxEnter(const std::wstring& text) {
    const int page = CListPager::PageFromText(text, PagerPageCount(), kPagerLimits);
    if (page == 0) return false;
    if (m_searchMode)
        ShowSearchPage(page);
    else
        ShowHistoryPage(page);
    return true;
}

// ---------------------------------------------------------------------------
// Search
// ---------------------------------------------------------------------------

void CMsgMgrModel::OnSearch(const std::wstring& keyword) {
    m_keyword = keyword;
    m_searchMode = true;
    SearchHistory(keyword);
}

void CMsgMgrModel::OnKeywordChanged(const std::wstring& text) {
    m_keyword = text;
    if (text.empty() && m_searchMode) LeaveSearch();
}

void CMsgMgrModel::ShowNothingFound() {
    m_hits.clear();
    m_hitPageCount = m_hitPage = 0;
    m_display.ShowHistoryText(std::wstring());
    m_title = NotFoundTitle(m_keyword);
}

void CMsgMgrModel::SearchHistory(const std::wstring& keyword) {
    m_keyword = keyword;
    m_hits.clear();
    m_hitPageCount = m_hitPage = 0;
    if (!m_book.IsLoaded()) {
        ShowNothingFound();
        return;
    }
    m_hits = m_book.FindRecords(keyword);
    m_hitsValid = true;
    if (m_hits.empty()) {
        ShowNothingFound();
        return;
    }
    m_hitPageCount = CHistoryPageBook::PageCountFor(static_cast<int>(m_hits.size()));
    ShowSearchPage(m_hitPageCount);
}

void CMsgMgrModel::ShowSearchPage(int page) {
    if (m_hits.empty()) {
        ShowNothingFound();
        return;
    }
    if (page < 1 || page > m_hitPageCount) return;
    m_hitPage = page;
    m_display.ShowHistoryPieces(m_book.BuildHitPage(m_hits, page, Names(), PageStyle()), m_keyword);
    m_title = FoundTitle(static_cast<int>(m_hits.size()));
}

void CMsgMgrModel::LeaveSearch() {
    m_hits.clear();
    m_hitsValid = false;
    m_hitPageCount = m_hitPage = 0;
    m_searchMode = false;
    m_display.ShowHistoryText(std::wstring());
    if (m_book.IsLoaded()) ShowHistoryPage(m_currentPage >= 1 ? m_currentPage : m_book.GetPageCount());
    std::wstring name;
    LookUpName(m_shownCustomer, &name);
    m_title = TitleText(name, m_shownCustomer);
}

// ---------------------------------------------------------------------------
// Timers
// ---------------------------------------------------------------------------

void CMsgMgrModel::OnReloadTimer() {
    if (!m_reloadPending || m_searchMode) return;
    m_reloadPending = false;
    if (m_shownCustomer == 0) return;  // nobody's history is shown
    OpenHistory(m_ownerId, m_shownCustomer);
}

void CMsgMgrModel::OnRetryTimer() {
    m_reloadPending = false;
    OpenHistory(m_ownerId, m_shownCustomer);
}

// ---------------------------------------------------------------------------
// Pictures
// ---------------------------------------------------------------------------

MsgMgrPicture CMsgMgrModel::PlacePicture(const std::wstring& name) {
    MsgMgrPicture picture;
    const int32_t own = OwnId();
    const bool safe = clientui::IsSafePictureName(name, m_codePage);
    // A name that breaks the file-name rule never becomes a path.
    if (safe) picture.path = m_programFolder + fw::FormatString(L"%d\\Image\\", own) + name;
    if (safe && FileExists(picture.path)) {
        picture.shown = picture.path;
        picture.state = PictureObjectInfo::kShown;
        return picture;
    }
    picture.state = PictureObjectInfo::kError;
    picture.shown = m_programFolder + L"Resource\\chat\\errorBmp.gif";
    if (safe && m_downloads) {
        m_downloads->QueuePictureDownload(own, m_codePage.ToAnsi(name), picture.path);
        picture.downloadQueued = true;
    }
    return picture;
}
