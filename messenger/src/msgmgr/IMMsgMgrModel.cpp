#include "IMMsgMgrModel.h"


#include "fw/StringUtil.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace {

constexpr size_t kHeaderBytes = sizeof(LatestContactHeader);
constexpr size_t kRecordBytes = sizeof(LatestContactRecord);
// One record per peer the user ever heard from: a file beyond this is
// damaged, and only its first records are read.
constexpr size_t kLatestContactMaxBytes = kHeaderBytes + 65536 * kRecordBytes;

}  // namespace

void CIMMsgMgrModel::SetFriends(int32_t ownId, const std::wstring& ownNickname,
                                std::vector<MsgMgrCategory> categories) {
    m_ownId = ownId;
    m_ownNickname = ownNickname;
    m_ownKnown = true;
    m_categories = std::move(categories);
}

void CIMMsgMgrModel::SetFriends(int32_t ownId, const UserInfoBase* own, const FriendMap* friends) {
    std::vector<MsgMgrCategory> categories;
    if (friends) {
        for (const auto& entry : *friends) {
            MsgMgrCategory category;
            category.name = entry.first;
            for (const UserInfoBase& record : entry.second) {
                MsgMgrFriend item;
                item.userId = record.userId;
                item.status = record.status;
                item.nickname = fw::FromAnsiField(record.nickname);
                category.friends.push_back(std::move(item));
            }
            categories.push_back(std::move(category));
        }
    }
    SetFriends(ownId, own && own->userId == ownId ? fw::FromAnsiField(own->nickname) : std::wstring(),
               std::move(categories));
    m_ownKnown = own && own->userId == ownId;
}

bool CIMMsgMgrModel::GetNickName(int32_t userId, std::wstring* name) const {
    *name = L"如果没找到就显示此昵称";
    if (userId == m_ownId) {
        if (!m_ownKnown) return false;
        *name = m_ownNickname;
        return true;
    }
    for (const MsgMgrCategory& category : m_categories)
        for (const MsgMgrFriend& item : category.friends)
            if (item.userId == userId) {
                *name = item.nickname;
                return true;
            }
    return false;
}

std::wstring CIMMsgMgrModel::FriendItemText(const std::wstring& nickname, int32_t userId) {
    return nickname + L"(" + std::to_wstring(userId) + L")";
}

std::wstring CIMMsgMgrModel::CategoryItemText(const std::wstring& name, int online, int total) {
    return fw::FormatString(L"%ls(%d/%d)", name.c_str(), online, total);
}

std::wstring CIMMsgMgrModel::CategoryItemText(const MsgMgrCategory& category) {
    const int online = static_cast<int>(std::count_if(category.friends.begin(), category.friends.end(),
                                                      [](const MsgMgrFriend& f) { return f.status == 0; }));
    return CategoryItemText(category.name, online, static_cast<int>(category.friends.size()));
}

int32_t CIMMsgMgrModel::PeerIdOfItemText(const std::wstring& text) {
    const size_t open = text.rfind(L'(');
    const size_t close = text.rfind(L')');
    if (open == std::wstring::npos || close == std::wstring::npos || close <= open + 1) return 0;
    int64_t value = 0;
    for (size_t i = open + 1; i < close; ++i) {
        const wchar_t c = text[i];
        if (c < L'0' || c > L'9') return 0;
        value = value * 10 + (c - L'0');
        if (value > INT32_MAX) return 0;
    }
    return static_cast<int32_t>(value);
}

std::wstring CIMMsgMgrModel::RecordTitle(const std::wstring& peer) {
    return fw::FormatString(L"与%ls的消息记录", peer.c_str());
}

std::wstring CIMMsgMgrModel::NothingFoundTitle(const std::wstring& keyword) {
    return fw::FormatString(L"没有找到与\"%ls\"有关的消息", keyword.c_str());
}

std::wstring CIMMsgMgrModel::FoundTitle(int count) { return fw::FormatString(L"已经找到相关记录%d条", count); }

std::wstring CIMMsgMgrModel::PageCountText(int pages) { return fw::FormatString(L"页/%d页", pages); }

std::wstring CIMMsgMgrModel::DateEditText(const SYSTEMTIME& shown) {
    return fw::FormatString(L"%d-%02d-%02d", shown.wYear, shown.wMonth, shown.wDay);
}

std::wstring CIMMsgMgrModel::NoDayText(int32_t date) { return fw::FormatString(L"没有找到%d这天的记录！", date); }

std::wstring CIMMsgMgrModel::LatestContactPath(const std::wstring& folder, int32_t ownId) {
    return folder + std::to_wstring(ownId) + L"\\msg\\latestContact.dat";
}

std::wstring CIMMsgMgrModel::HistoryPath(const std::wstring& folder, int32_t ownId, int32_t peerId) {
    const std::wstring peer = std::to_wstring(peerId);
    return folder + std::to_wstring(ownId) + L"\\msg\\" + peer + L"\\" + peer + L".msg";
}

std::vector<LatestContactRecord> CIMMsgMgrModel::ParseLatestContacts(const uint8_t* data, size_t size) {
    std::vector<LatestContactRecord> records;
    if (!data || size < kHeaderBytes) return records;
    LatestContactHeader header;
    std::memcpy(&header, data, kHeaderBytes);
    if (header.count <= 0) return records;
    const size_t present = (size - kHeaderBytes) / kRecordBytes;
    const size_t count = std::min(static_cast<size_t>(header.count), present);
    records.resize(count);
    if (count) std::memcpy(records.data(), data + kHeaderBytes, count * kRecordBytes);
    return records;
}

size_t CIMMsgMgrModel::LoadLatestContacts(const std::wstring& path) {
    m_latest.clear();
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    LARGE_INTEGER size = {};
    std::vector<uint8_t> bytes;
    if (::GetFileSizeEx(file, &size) && size.QuadPart > 0) {
        bytes.resize(static_cast<size_t>(std::min<LONGLONG>(size.QuadPart, kLatestContactMaxBytes)));
        DWORD read = 0;
        if (!::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) read = 0;
        bytes.resize(read);
    }
    ::CloseHandle(file);
    m_latest = ParseLatestContacts(bytes.data(), bytes.size());
    return m_latest.size();
}

std::wstring CIMMsgMgrModel::GetLastContactTime(int32_t peerId) const {
    for (const LatestContactRecord& record : m_latest) {
        if (record.peerId != peerId) continue;
        return fw::FormatString(L"%d-%02d-%02d %02d:%02d:%02d", record.date / 10000, record.date % 10000 / 100,
                                record.date % 100, record.time / 10000, record.time % 10000 / 100,
                                record.time % 100);
    }
    return std::wstring();
}

int32_t CIMMsgMgrModel::CutOffDate(int rangeSel, const SYSTEMTIME& now) {
    int days = 0;
    switch (rangeSel) {
    case kRangeWeek:
        days = 7;
        break;
    case kRangeQuarter:
        days = 90;
        break;
    case kRangeYear:
        days = 365;
        break;
    default:
        return 0;
    }
    FILETIME moment = {};
    if (!::SystemTimeToFileTime(&now, &moment)) return 0;
    ULARGE_INTEGER value;
    value.LowPart = moment.dwLowDateTime;
    value.HighPart = moment.dwHighDateTime;
    value.QuadPart -= static_cast<ULONGLONG>(days) * 24ULL * 3600ULL * 10000000ULL;
    moment.dwLowDateTime = value.LowPart;
    moment.dwHighDateTime = value.HighPart;
    SYSTEMTIME then = {};
    if (!::FileTimeToSystemTime(&moment, &then)) return 0;
    return then.wYear * 10000 + then.wMonth * 100 + then.wDay;
}

int CIMMsgMgrModel::ClampColumnWidth(int column, int width) {
    if (column == 2) {
        if (width <= 120) return 120;
        if (width > 182) return 183;
        return width;
    }
    return std::clamp(width, 80, 200);
}

CIMMsgMgrModel::JumpResult CIMMsgMgrModel::JumpToDate(const CHistoryPageBook& book, int32_t date, int* page) {
    *page = 0;
    if (!book.IsLoaded()) return kJumpNoHistory;
    const int index = book.FindFirstRecordOn(date);
    if (index < 0) return kJumpNoDay;
    *page = CHistoryPageBook::PageOfRecord(book.GetRecordCount(), index);
    return kJumpPage;
}

int CIMMsgMgrModel::CompareListTexts(int column, const std::wstring& first, const std::wstring& second) {
    if (column == 1) {
        const long long a = std::wcstoll(first.c_str(), nullptr, 10);
        const long long b = std::wcstoll(second.c_str(), nullptr, 10);
        return a < b ? -1 : (a > b ? 1 : 0);
    }
    return first.compare(second) < 0 ? -1 : (first == second ? 0 : 1);
}
