// CIncomingMessageRouter: the decisions of the chat view about a customer's
// new messages, kept apart from the windows so that a test can drive them
// through a fake engine function table.
//
//   Decide        a window of the peer is open: show the queued messages in
//                 it (flashing the peer in the contact tree first when the
//                 window is hidden behind another); none is open: open one
//                 when the pop-up setting is on or the own account is of
//                 user type 5, else only flash the peer.
//   ShowUnread    copies the peer's unread queue first and then, for each
//                 record of the copy, shows it and pops one record from the
//                 engine's queue: the engine's queue loses exactly as many
//                 records as were shown, and the walk never reads the
//                 engine's container while it may change. At most a
//                 given number of records is taken at a time (the front
//                 of the queue); the rest stays queued for the next call,
//                 so that a flood is shown in slices between which the
//                 program answers.
//   CustomerRecord the record a new conversation window starts from.
//
// UI thread only (the engine's handlers run on the same thread).
#pragma once

#include "clientui/EngineModule.h"

#include <ImEngineApi.h>

#include <cstdint>
#include <functional>
#include <list>

class CPanelBase;

enum class IncomingRoute {
    ShowInWindow,          // the open window shows the messages
    FlashAndShowInWindow,  // the open window is hidden: flash the peer, then show them
    OpenWindow,            // open the peer's conversation window
    FlashOnly,             // the peer flashes in the contact tree; the queue waits
};

struct IncomingContext {
    bool windowOpen = false;
    bool windowVisible = false;
    bool popUp = false;          // the bPopUp setting
    int32_t ownUserType = 0;     // the user type of the own record
};

class CIncomingMessageRouter {
public:
    // Accounts of this user type open every incoming conversation.
    static constexpr int32_t kOpensEveryConversation = 5;

    static IncomingRoute Decide(const IncomingContext& context);

    // The user type of MGetUserInfoBase(MGetCurUserID()); 0 when unknown.
    static int32_t OwnUserType(const CEngineModule& engine);

    // Shows the peer's queued messages, front to back, popping one per
    // shown record; returns how many were shown. Nothing for peer 0 or a
    // missing queue. At most `limit` records (when above 0) are shown; the
    // others stay in the engine's queue.
    static int ShowUnread(const CEngineModule& engine, int32_t peer,
                          const std::function<void(const TextMsgRecord&)>& show, size_t limit = 0);
    // How many records wait in the peer's queue (0 without one).
    static size_t UnreadCount(const CEngineModule& engine, int32_t peer);

    // The customer record of a new conversation window: for an own account
    // of user type 5 an empty record with the id and the id as its name;
    // otherwise the engine's record, and when the engine does not know the
    // customer, the engine is asked for it (MProduceUserInfo(customer, 3))
    // and the record gets the id and the id as its name.
    static UserInfoBase CustomerRecord(const CEngineModule& engine, int32_t customer, int32_t ownUserType);

    // The front-most conversation window that belongs to a customer: the
    // placeholder window of customer 0 is never one (the screenshot hot
    // key and the quick replies go to this window). Null when none.
    static CPanelBase* LastCustomerWindow(const std::list<CPanelBase*>& windows);
};
