#include "IncomingMessageRouter.h"

#include "clientui/ChatWindowInfo.h"
#include "clientui/PanelBase.h"

#include <cstdio>
#include <cstring>
#include <vector>

IncomingRoute CIncomingMessageRouter::Decide(const IncomingContext& context) {
    if (context.windowOpen)
        return context.windowVisible ? IncomingRoute::ShowInWindow : IncomingRoute::FlashAndShowInWindow;
    if (context.popUp) return IncomingRoute::OpenWindow;
    return context.ownUserType == kOpensEveryConversation ? IncomingRoute::OpenWindow : IncomingRoute::FlashOnly;
}

int32_t CIncomingMessageRouter::OwnUserType(const CEngineModule& engine) {
    if (!engine.MGetCurUserID || !engine.MGetUserInfoBase) return 0;
    const UserInfoBase* own = engine.MGetUserInfoBase(engine.MGetCurUserID());
    return own ? own->userType : 0;
}

int CIncomingMessageRouter::ShowUnread(const CEngineModule& engine, int32_t peer,
                                       const std::function<void(const TextMsgRecord&)>& show, size_t limit) {
    if (peer == 0 || !engine.MGetUnreadMsg) return 0;
    const TextMsgQueue* queue = engine.MGetUnreadMsg(peer);
    if (!queue) return 0;
    // The copy is what is shown; the engine keeps its own queue until each
    // shown record is popped.
    const size_t taken = limit > 0 && limit < queue->size() ? limit : queue->size();
    const std::vector<TextMsgRecord> copy(queue->begin(), queue->begin() + static_cast<std::ptrdiff_t>(taken));
    int shown = 0;
    for (const TextMsgRecord& record : copy) {
        if (show) show(record);
        if (engine.MPopFrontTextMsg) engine.MPopFrontTextMsg(peer);
        ++shown;
    }
    return shown;
}

size_t CIncomingMessageRouter::UnreadCount(const CEngineModule& engine, int32_t peer) {
    if (peer == 0 || !engine.MGetUnreadMsg) return 0;
    const TextMsgQueue* queue = engine.MGetUnreadMsg(peer);
    return queue ? queue->size() : 0;
}

namespace {

void NameById(UserInfoBase& record, int32_t id) {
    std::memset(record.nickname, 0, sizeof record.nickname);
    std::snprintf(record.nickname, sizeof record.nickname, "%d", static_cast<int>(id));
}

}  // namespace

UserInfoBase CIncomingMessageRouter::CustomerRecord(const CEngineModule& engine, int32_t customer,
                                                    int32_t ownUserType) {
    UserInfoBase record = {};
    if (ownUserType == kOpensEveryConversation) {
        record.userId = customer;
        NameById(record, customer);
        return record;
    }
    if (engine.MGetUserInfoBase)
        if (const UserInfoBase* known = engine.MGetUserInfoBase(customer)) record = *known;
    if (record.userId == 0) {
        if (engine.MProduceUserInfo) engine.MProduceUserInfo(customer, 3);
        record.userId = customer;
        NameById(record, customer);
    }
    return record;
}

CPanelBase* CIncomingMessageRouter::LastCustomerWindow(const std::list<CPanelBase*>& windows) {
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        const auto* info = dynamic_cast<const IChatWindowInfo*>(*it);
        if (info && info->GetChatUserId() != 0) return *it;
    }
    return nullptr;
}
