// CDeskAutoReply: the desk's automatic reply, sent by the shared composer.
// The desk's own part is the reply's font: the settings' values taken as
// they are (a size of 0 counts as 9 and is saved back), where the messenger
// takes its input's character format.
#pragma once

#include "clientui/ClientSettings.h"
#include "clientui/EngineModule.h"

#include <windows.h>

#include <cstdint>
#include <string>

class CDeskAutoReply {
public:
    // "<format|effects|size|colour|face|/format>" of the settings' chat font,
    // the face cut to 31 bytes.
    static std::string FormatPrefix(CClientSettings& settings);
    // The whole message text in the ANSI code page, cut to the text field.
    static std::string ComposeText(CClientSettings& settings);
    // Sends the reply to sender through the engine when it is due, stamped
    // with the local time now. True when a reply was sent.
    static bool ReplyTo(const CEngineModule& engine, CClientSettings& settings, int32_t myStatus, int32_t ownId,
                        int32_t sender, const SYSTEMTIME& now);
};
