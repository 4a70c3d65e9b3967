#include "HandOverRules.h"

#include "fw/StringUtil.h"

#include <cstring>

CHandOverRules::CHandOverRules(const CEngineModule& engine, const clientui::IAnsiCodePage& codePage)
    : m_engine(engine), m_codePage(codePage) {}

// --- the conversation window ----------------------------------------------------

SessionButtonPlan CHandOverRules::ButtonsFor(int32_t state, bool ownSession, int32_t customerStatus) {
    using E = ControlEnable;
    SessionButtonPlan plan;
    switch (state) {
    case kSessionNormal:
        if (ownSession) {
            plan = {kHandOverButton, true, E::On, E::On, E::On};
        } else {
            plan = {kGrabButton, customerStatus < STATUS_OFFLINE, E::Off, E::Off, E::Off};
        }
        break;
    case kSessionHandOverAsked: plan = {kHandOverButton, false, E::Keep, E::Keep, E::Off}; break;
    case kSessionHandedOver:
        if (ownSession) {
            plan = {kTakeBackButton, true, E::Off, E::Off, E::Off};
        } else {
            plan = {kStopButton, true, E::On, E::On, E::On};
        }
        break;
    case kSessionGrabAsked: plan = {kGrabButton, false, E::Keep, E::Keep, E::Off}; break;
    case kSessionGrabbed:
        if (ownSession) {
            plan = {0, false, E::Off, E::Off, E::Off};
        } else {
            plan = {kReleaseButton, true, E::On, E::On, E::On};
        }
        break;
    default: break;  // 4, 7 and anything else: every hand-over button hidden
    }
    return plan;
}

PeerStatusButtons CHandOverRules::ButtonsForStatus(int32_t state, bool ownSession, int32_t customerStatus) {
    PeerStatusButtons buttons;
    if (state != kSessionNormal) return buttons;
    buttons.apply = true;
    buttons.grabEnabled = !ownSession && customerStatus < STATUS_OFFLINE;
    buttons.handOverEnabled = ownSession;
    return buttons;
}

int32_t CHandOverRules::StateAfterResult(int32_t code) {
    if (code == 1) return kSessionHandedOver;
    if (code == 2) return kSessionGrabbed;
    return kSessionNormal;
}

bool CHandOverRules::AnswerApplies(int32_t state, int32_t code) {
    // The program's own notices of the hand-over dialog are no answers.
    if (code >= kNoticeHandOverCancelled && code <= kNoticeHandOverOffered) return true;
    const bool refusal = code < 0 || code > 4;
    return !(refusal && (state == kSessionHandedOver || state == kSessionGrabbed));
}

int32_t CHandOverRules::OpeningState(const SwitchCustomerRecord& record, int32_t ownId, bool ownSession,
                                     int32_t customer, int32_t heldState) {
    if (record.customerId != customer || customer == 0 || record.actingAgent == 0) return kSessionNormal;
    const bool noted = record.note[0] != '\0';
    const int32_t held = heldState == kSessionGrabbed ? kSessionGrabbed : kSessionHandedOver;
    if (ownSession) {
        if (record.actingAgent == ownId || record.owningAgent != ownId) return kSessionNormal;
        return noted ? kSessionHandOverAsked : held;
    }
    // A watched session is held when the own agent acts for the owner; a
    // noted record is a request offered to him, which its answer settles.
    if (record.actingAgent != ownId || noted) return kSessionNormal;
    return held;
}

int32_t CHandOverRules::SessionOwner(const SwitchCustomerRecord* record, int32_t ownId, int32_t customer,
                                     int32_t owner) {
    if (!record || owner != ownId || customer == 0 || record->customerId != customer) return owner;
    // A noted record is a request still waiting for its answer.
    if (record->actingAgent != ownId || record->owningAgent == 0 || record->note[0] != '\0') return owner;
    return record->owningAgent;
}

void CHandOverRules::KeepActingAgent(const SwitchCustomerRecord& record, int32_t ownId, SwitchCustomerRecord* held) {
    if (held && record.actingAgent != 0 && record.actingAgent != ownId) *held = record;
}

SwitchCustomerRecord CHandOverRules::NoticeRecord(const SwitchCustomerRecord& record, const SwitchCustomerRecord& held,
                                                  int32_t ownId, int32_t ownerAgent) {
    if (record.actingAgent != 0) return record;
    SwitchCustomerRecord named = record;
    if (held.actingAgent != 0) {
        named.actingAgent = held.actingAgent;
        if (named.owningAgent == 0) named.owningAgent = held.owningAgent;
    } else if (ownerAgent != ownId) {
        named.actingAgent = ownerAgent;
        if (named.owningAgent == 0) named.owningAgent = ownerAgent;
    }
    return named;
}

SwitchCustomerRecord CHandOverRules::GrabRecord(int32_t ownId, int32_t ownerAgent, int32_t customer) {
    SwitchCustomerRecord record;
    std::memset(&record, 0, sizeof record);
    record.actingAgent = ownId;
    record.owningAgent = ownerAgent;
    record.customerId = customer;
    return record;
}

SwitchCustomerRecord CHandOverRules::EndRecord(int32_t ownId, int32_t ownerAgent, int32_t customer) const {
    const SwitchCustomerRecord* stored =
        m_engine.MGetSwitchCustomerMsg ? m_engine.MGetSwitchCustomerMsg(customer) : nullptr;
    if (stored && stored->customerId != 0) return *stored;
    return GrabRecord(ownId, ownerAgent, customer);
}

SwitchCustomerRecord CHandOverRules::StoredRecord(int32_t customer) const {
    SwitchCustomerRecord record;
    std::memset(&record, 0, sizeof record);
    if (m_engine.MGetSwitchCustomerMsg)
        if (const SwitchCustomerRecord* stored = m_engine.MGetSwitchCustomerMsg(customer)) record = *stored;
    if (record.customerId == 0) record.customerId = customer;
    return record;
}

std::wstring CHandOverRules::TakeBackQuestion() {
    return L"回接将会导致之前的老师不能与该客户进行对话。\r\n确认回接吗？";
}

std::wstring CHandOverRules::CloseQuestion() {
    return L"关闭对话框将结束与该客户的对话，会话权将转交给原客服老师。\r\n确认关闭吗？";
}

std::wstring CHandOverRules::QuestionCaption() { return L"提示框"; }

std::wstring CHandOverRules::FieldText(const char* field, size_t size) const {
    const void* end = std::memchr(field, 0, size);
    const size_t length = end ? static_cast<size_t>(static_cast<const char*>(end) - field) : size;
    return m_codePage.FromAnsi(field, length);
}

std::wstring CHandOverRules::AgentName(int32_t agentId) const {
    const UserInfoExt* ext = m_engine.MGetUserInfoExt ? m_engine.MGetUserInfoExt(agentId) : nullptr;
    return ext ? FieldText(ext->fullName, sizeof ext->fullName) : std::wstring();
}

std::wstring CHandOverRules::UserName(int32_t userId) const {
    const UserInfoBase* base = m_engine.MGetUserInfoBase ? m_engine.MGetUserInfoBase(userId) : nullptr;
    return base ? FieldText(base->nickname, sizeof base->nickname) : std::wstring();
}

std::wstring CHandOverRules::Notice(const SwitchCustomerRecord& record, int32_t code, bool own, int32_t stateBefore,
                                    const std::wstring& windowCustomer) const {
    const std::wstring owner = AgentName(record.owningAgent);
    const std::wstring acting = AgentName(record.actingAgent);
    const wchar_t* text = nullptr;
    switch (code) {
    case -1:
        text = own ? L"转接失败." : L"转接客户失败. 将由原来的客服继续回答该客户的问题.";
        break;
    case -2:
        if (!own) text = L"抢接失败. 将由原来的客服继续回答该客户的问题.";
        break;
    case -3: text = own ? L"回接客户失败." : L"中止转接对话失败."; break;
    case -4:
        if (!own) text = L"中止抢接对话失败.";
        break;
    case 1:
        if (own) {
            return fw::FormatString(
                L"系统提示:\r\n 转接到 %ls 成功. 将由 %ls 回复该客户,他们的对话也将同时显示到这个页面.\r\n",
                acting.c_str(), acting.c_str());
        }
        return fw::FormatString(L"系统提示:\r\n 转接入%d(%ls) 的一个客户(%ls)成功. \r\n", record.owningAgent,
                                owner.c_str(), UserName(record.customerId).c_str());
    case 2:
        if (own) {
            return fw::FormatString(
                L"系统提示:\r\n %ls 客户已被 %ls 抢接成功. 将由 %ls 回复该客户,您将不能和该客户直接对话.\r\n",
                windowCustomer.c_str(), acting.c_str(), acting.c_str());
        }
        return fw::FormatString(L"系统提示:\r\n 抢接 %ls 的 %ls 客户成功. 您可以同该客户对话了.\r\n", owner.c_str(),
                                windowCustomer.c_str());
    case 3:
        if (own) {
            if (stateBefore == kSessionEndAsked) text = L"回接客户成功， 您可以和该客户交流了。";
            else if (stateBefore == kSessionHandedOver) text = L"转接老师已经中止了与该客户的对话， 您可以和该客户交流了。";
            else if (stateBefore == kSessionHandOverAsked) text = L"该老师正在忙，拒绝了您的转接请求。";
        } else {
            if (stateBefore == kSessionEndAsked) text = L"中止转接对话成功，会话权转交给原客服。";
            else if (stateBefore == kSessionNormal) text = L"您拒绝了对方的转接请求。";
            else text = L"原客服已经回接了该客户， 您不能和该客户交流了。";
        }
        break;
    case 4:
        text = own ? L"之前抢接的老师释放了该客户，会话权转交给了您。" : L"释放该客户成功，会话权转交给原客服。";
        break;
    case kNoticeHandOverCancelled: text = L"您没有转接该客户。"; break;
    case kNoticeHandOverAsked:
        return fw::FormatString(L"系统提示:\r\n 正在为您转接到 %ls，请稍后。\r\n", acting.c_str());
    case kNoticeHandOverOffered:
        return fw::FormatString(L"系统提示:\r\n %d(%ls)转接给您一个客户, 并附言:%ls\r\n", record.owningAgent,
                                owner.c_str(), FieldText(record.note, sizeof record.note).c_str());
    case kNoticeHeldByColleague:
        return fw::FormatString(L"系统提示:\r\n %ls 之前由 %ls 接待，在 %ls 会话结束之前，您不能与该客户对话。\r\n",
                                windowCustomer.c_str(), acting.c_str(), acting.c_str());
    case kNoticeStillYours:
        return fw::FormatString(L"系统提示:\r\n %ls 之前由您接待，由于没有释放会话权，该客户继续由您接待。\r\n",
                                windowCustomer.c_str());
    default: break;
    }
    if (!text) return std::wstring();
    return std::wstring(L"系统提示:\r\n ") + text + L"\r\n";
}

// --- the main window ------------------------------------------------------------

bool CHandOverRules::GrabRequestFor(int32_t customer, SwitchCustomerRecord* record) const {
    const SwitchCustomerRecord* stored =
        m_engine.MGetSwitchCustomerMsg ? m_engine.MGetSwitchCustomerMsg(customer) : nullptr;
    if (!stored || stored->customerId != customer || customer == 0) return false;
    if (record) *record = *stored;
    return true;
}

// --- the hand-over dialog ---------------------------------------------------------

std::wstring CHandOverRules::DefaultNote() { return L"我在服务其他客户，请帮我回复一下，谢谢!"; }

const wchar_t* CHandOverRules::CannedNote(UINT command) {
    static const wchar_t* const kNotes[kCannedNoteCount] = {
        L"我正在忙，请帮我回复一下，谢谢",
        L"我正在和客户打电话，请帮我回复一下，谢谢",
        L"我在服务其他客户，请帮我回复一下，谢谢",
    };
    if (command < ID_CANNED_NOTE_FIRST || command >= ID_CANNED_NOTE_FIRST + kCannedNoteCount) return nullptr;
    return kNotes[command - ID_CANNED_NOTE_FIRST];
}

std::vector<HandOverAgent> CHandOverRules::Agents() const {
    std::vector<HandOverAgent> agents;
    const std::vector<AgentRecord>* list = m_engine.MGetSwitchUserList ? m_engine.MGetSwitchUserList() : nullptr;
    if (!list) return agents;
    const std::vector<AgentRecord> copy = *list;
    for (const AgentRecord& record : copy) agents.push_back({record.agentId, FieldText(record.name, sizeof record.name)});
    return agents;
}

SwitchCustomerRecord CHandOverRules::HandOverRecord(int32_t agentId, int32_t ownerAgent, int32_t customer,
                                                   const std::wstring& note) const {
    SwitchCustomerRecord record = GrabRecord(agentId, ownerAgent, customer);
    const std::string bytes = m_codePage.ToAnsiCut(note, kMaxNoteBytes);
    std::memcpy(record.note, bytes.data(), bytes.size());
    record.note[bytes.size()] = '\0';
    return record;
}

// --- the tip window -----------------------------------------------------------------

std::wstring CHandOverRules::TipTitle(const UserInfoExt& own) const {
    return FieldText(own.fullName, sizeof own.fullName) + L"的提示消息";
}

std::wstring CHandOverRules::TipHeadline(const SwitchCustomerRecord& record) const {
    return fw::FormatString(L"%d(%ls)转接给您一个客户", record.owningAgent, AgentName(record.owningAgent).c_str());
}

std::wstring CHandOverRules::TipNote(const SwitchCustomerRecord& record) const {
    return L"附言: " + FieldText(record.note, sizeof record.note);
}
