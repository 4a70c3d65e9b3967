// CAutoReplyComposer: the automatic reply of either client to an incoming
// message. It goes out only while the switch is on and the own status is
// busy, away or do-not-disturb; its text is the client's format prefix of
// the chat font, the marker "[自动回复] " and the chosen reply (the fixed
// text when the chosen index lies outside the list). The record has type 1,
// which the engine does not keep as sent, so the reply appears in no window.
#pragma once

#include "clientui/ChatMessageClock.h"
#include "clientui/ClientSettings.h"
#include "clientui/EngineModule.h"

#include "IAnsiCodePage.h"

#include <ImEngineApi.h>

#include <cstdint>
#include <functional>
#include <string>

class CAutoReplyComposer {
public:
    // The whole message text in the ANSI code page: the format prefix, the
    // marker and the reply of the settings, cut to the text field without
    // a half character at the end.
    static std::string ComposeText(const std::string& formatPrefix, const CClientSettings& settings,
                                   const clientui::IAnsiCodePage& codePage);
    // The reply record: type 1, the stamp, ownId to receiver, the text.
    static TextMsgRecord ComposeRecord(int32_t ownId, int32_t receiver, const MessageStamp& stamp,
                                       const std::string& text);
    // The whole rule: sends the reply to sender through the engine when it
    // is due for the settings' switch and myStatus. The format prefix is
    // asked for only then. True when a reply was sent.
    static bool ReplyTo(const CEngineModule& engine, const CClientSettings& settings, int32_t myStatus,
                        int32_t ownId, int32_t sender, const MessageStamp& stamp,
                        const std::function<std::string()>& formatPrefix, const clientui::IAnsiCodePage& codePage);
};
