// CAutoReplyComposer: the automatic reply to an incoming message. It is sent
// only while the automatic reply is on and the own status is busy, away or
// do-not-disturb; it carries the saved chat font, the marker "[自动回复] "
// and the chosen reply (the fixed text when the chosen index lies outside
// the list). The record has type 1, which the engine does not keep as sent,
// so the reply appears in no window.
#pragma once

#include "clientui/ClientSettings.h"
#include "clientui/EngineModule.h"

#include <ImEngineApi.h>

#include <windows.h>

#include <cstdint>
#include <string>

class CAutoReplyComposer {
public:
    // Whether a reply goes out for this switch and own status.
    static bool ShouldReply(bool autoReplyOn, int32_t myStatus);
    // The reply text of the settings.
    static std::wstring ReplyText(const CClientSettings& settings);
    // The whole message text in the ANSI code page: the format prefix of the
    // settings' font, the marker and the reply, cut to the text field. A
    // font size of 0 counts as 9 and is saved back as 9.
    static std::string ComposeText(CClientSettings& settings);
    // Fills a type-1 record from ownId to receiver at the local time now.
    static void ComposeRecord(CClientSettings& settings, int32_t ownId, int32_t receiver, const SYSTEMTIME& now,
                              TextMsgRecord* record);
    // The whole rule: sends the reply to sender through the engine when it
    // is due. True when a reply was sent.
    static bool ReplyTo(const CEngineModule& engine, CClientSettings& settings, int32_t myStatus, int32_t ownId,
                        int32_t sender, const SYSTEMTIME& now);
};
