#include "SearchMsgModel.h"

#include "fw/StringUtil.h"

#include <cstring>

namespace {

constexpr int32_t kCustomerType = 4;

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == 0x3000; }

}  // namespace

CSearchMsgModel::CSearchMsgModel(const CEngineModule& engine, const clientui::IAnsiCodePage& codePage)
    : m_engine(engine), m_codePage(codePage) {}

std::wstring CSearchMsgModel::Trim(const std::wstring& text) {
    size_t first = 0;
    while (first < text.size() && IsBlank(text[first])) ++first;
    size_t last = text.size();
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

std::wstring CSearchMsgModel::TimeText(int32_t date, int32_t hhmmss) {
    return fw::FormatString(L"%d-%02d-%02d %02d:%02d:%02d", date / 10000, date % 10000 / 100, date % 100,
                            hhmmss / 10000, hhmmss % 10000 / 100, hhmmss % 100);
}

MsgSearchRequest CSearchMsgModel::BuildRequest(int32_t startDate, int32_t endDate, const std::wstring& keywords,
                                               const clientui::IAnsiCodePage& codePage) {
    MsgSearchRequest request = {};
    request.startDate = startDate;
    request.endDate = endDate;
    // The field holds 63 bytes and its NUL: a longer text is cut on a
    // character boundary.
    const std::string ansi = codePage.ToAnsiCut(Trim(keywords), kMaxKeywordBytes);
    std::memcpy(request.keywords, ansi.data(), ansi.size());
    return request;
}

CSearchMsgModel::Start CSearchMsgModel::StartSearch(int32_t startDate, int32_t endDate,
                                                    const std::wstring& keywords) {
    if (endDate < startDate) return Start::kEndBeforeStart;
    if (Trim(keywords).empty()) return Start::kNoKeyword;
    m_request = BuildRequest(startDate, endDate, keywords, m_codePage);
    if (m_engine.MSearchMsgRecord) m_engine.MSearchMsgRecord(&m_request);
    m_state = kSearching;
    return Start::kSent;
}

void CSearchMsgModel::OnTimeout() { m_state = kTimedOut; }

void CSearchMsgModel::OnResults(const std::vector<MsgSearchResult>& results) {
    m_results = results;
    m_state = kDone;
}

std::wstring CSearchMsgModel::StatusText() const {
    switch (m_state) {
    case kSearching: return L"数据正在穿越中, 请稍候... :)";
    case kDone:
        return fw::FormatString(L"搜索完毕, 共有 %d 条数据与条件相匹配:)", static_cast<int>(m_results.size()));
    case kTimedOut: return L"由于网络原因，查询超时，请等一会再重试:)";
    case kWaiting:
    default: return L"等待输入, 请输入相关条件进行搜索 :)";
    }
}

std::wstring CSearchMsgModel::PartyName(int32_t userId) const {
    const UserInfoBase* base = m_engine.MGetUserInfoBase ? m_engine.MGetUserInfoBase(userId) : nullptr;
    if (!base || base->userId == 0) {
        // Not known yet: the engine asks the server; the id stands meanwhile.
        if (m_engine.MProduceUserInfo) m_engine.MProduceUserInfo(userId, 1);
        return fw::FormatString(L"%d", userId);
    }
    std::wstring name;
    if (base->userType == kCustomerType) {
        const UserInfoExt* ext = m_engine.MGetUserInfoExt ? m_engine.MGetUserInfoExt(userId) : nullptr;
        if (ext) name = fw::FromAnsiField(ext->fullName);
    }
    // A customer whose full name is not known yet goes by the nickname; a
    // party without any name by its id.
    if (name.empty()) name = fw::FromAnsiField(base->nickname);
    if (name.empty()) name = fw::FormatString(L"%d", userId);
    return name;
}

std::vector<SearchResultRow> CSearchMsgModel::Rows() const {
    std::vector<SearchResultRow> rows;
    rows.reserve(m_results.size());
    for (const MsgSearchResult& result : m_results) {
        SearchResultRow row;
        row.sender = PartyName(result.senderId);
        row.receiver = PartyName(result.receiverId);
        row.time = TimeText(result.date, result.time);
        row.text = fw::FromAnsiField(result.text);
        rows.push_back(std::move(row));
    }
    return rows;
}

bool CSearchMsgModel::PairOf(int row, int32_t* agent, int32_t* customer) const {
    if (row < 0 || static_cast<size_t>(row) >= m_results.size()) return false;
    const MsgSearchResult& result = m_results[static_cast<size_t>(row)];
    auto known = [this](int32_t id) -> const UserInfoBase* {
        const UserInfoBase* base = m_engine.MGetUserInfoBase ? m_engine.MGetUserInfoBase(id) : nullptr;
        return base && base->userId == id ? base : nullptr;
    };
    // The sender's user type says who is the customer; while the engine
    // does not know the sender yet, the receiver's type says it.
    bool senderIsCustomer = false;
    if (const UserInfoBase* sender = known(result.senderId))
        senderIsCustomer = sender->userType == kCustomerType;
    else if (const UserInfoBase* receiver = known(result.receiverId))
        senderIsCustomer = receiver->userType != kCustomerType;
    *customer = senderIsCustomer ? result.senderId : result.receiverId;
    *agent = senderIsCustomer ? result.receiverId : result.senderId;
    return true;
}
