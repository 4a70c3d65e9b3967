#include "ChatWindowRules.h"

#include <cstring>
#include <iterator>

CChatWindowRules::CChatWindowRules(const CEngineModule& engine, const clientui::IAnsiCodePage& codePage)
    : CChatSessionRules(engine, codePage) {}

TextMsgRecord CChatWindowRules::MakeRecord(int32_t ownId, int32_t customerId, const MessageStamp& stamp) const {
    TextMsgRecord record = CChatSessionRules::MakeRecord(ownId, customerId, stamp);
    if (m_engine.MGetSwitchCustomerMsg) {
        const SwitchCustomerRecord* handOver = m_engine.MGetSwitchCustomerMsg(customerId);
        if (handOver && handOver->customerId != 0 && handOver->actingAgent == ownId) record.extraId = ownId;
    }
    return record;
}

std::wstring CChatWindowRules::SenderName(const TextMsgRecord& record, bool sent, const UserInfoBase& own) const {
    std::wstring name;
    if (sent) {
        name = FieldText(own.nickname, sizeof own.nickname);
    } else {
        const UserInfoBase* sender =
            m_engine.MGetUserInfoBase ? m_engine.MGetUserInfoBase(record.senderId) : nullptr;
        if (sender && sender->userId == record.senderId) {
            name = FieldText(sender->nickname, sizeof sender->nickname);
        } else {
            if (m_engine.MProduceUserInfo) m_engine.MProduceUserInfo(record.senderId, 3);
            name = std::to_wstring(record.senderId);
        }
    }
    if (record.extraId != 0) {
        const UserInfoExt* ext = m_engine.MGetUserInfoExt ? m_engine.MGetUserInfoExt(record.extraId) : nullptr;
        const std::wstring agent = ext ? FieldText(ext->fullName, sizeof ext->fullName) : std::wstring();
        name = name + L"（" + agent + L"代回复）";
    }
    return name;
}

bool CWatchedLogFilter::Key::operator<(const Key& other) const {
    if (senderId != other.senderId) return senderId < other.senderId;
    if (date != other.date) return date < other.date;
    return time < other.time;
}

CWatchedLogFilter::Key CWatchedLogFilter::KeyOf(const TextMsgRecord& record) {
    return {record.senderId, record.date, record.time};
}

bool CWatchedLogFilter::NotLater(int32_t date, int32_t time) const {
    return date < m_date || (date == m_date && time <= m_time);
}

void CWatchedLogFilter::NoteLive(const TextMsgRecord& record) {
    // A record the refresh can no longer load needs no key.
    if (!NotLater(record.date, record.time)) m_live.insert(KeyOf(record));
}

bool CWatchedLogFilter::AcceptRefreshed(const TextMsgRecord& record) {
    if (NotLater(record.date, record.time)) return false;
    m_date = record.date;
    m_time = record.time;
    const bool shownLive = m_live.erase(KeyOf(record)) != 0;
    // Keys at or before the new newest cannot be met again.
    for (auto it = m_live.begin(); it != m_live.end();) it = NotLater(it->date, it->time) ? m_live.erase(it) : std::next(it);
    return !shownLive;
}
