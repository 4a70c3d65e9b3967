// What the messenger's main window decides about chats without a window:
// where a new message goes, which record a chat opens with, the hand-over of
// a peer's unread messages, the automatic reply and the sound of a new
// message. The engine is reached through a CEngineModule
// table, so tests drive these with fake functions.
#pragma once

#include "clientui/ChatMessageClock.h"
#include "clientui/ClientSettings.h"
#include "clientui/EngineModule.h"

#include "IAnsiCodePage.h"

#include <ImEngineApi.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>

class CChatDispatchRules {
public:
    // Where a new message of a sender goes: its chat opens (pop-up on), its
    // open chat takes it, or the sender's row flashes and the sender waits
    // in the unread list.
    enum class NewMessageAction { OpenChat, ShowInOpenChat, FlashAndQueue };
    static NewMessageAction ForNewMessage(bool popUp, bool chatOpen);

    // The record a chat with peerId opens with: the friend's record from
    // the tree's copy; for anybody else (a user of type 5 may write to
    // anyone, and a stranger's message must still be readable) a record
    // with the id and the id in decimal as nickname. False for an id of 0
    // or below.
    static bool PeerRecordFor(int32_t peerId, const std::map<int32_t, UserInfoBase>& friends, UserInfoBase* peer);

    // Hands the peer's unread messages to show, oldest first, taking each
    // from the engine's queue once it is shown. Returns how many.
    static size_t TakeUnread(const CEngineModule& engine, int32_t peerId,
                             const std::function<void(const TextMsgRecord&)>& show);

    // The automatic reply's format prefix: the configured chat font taken
    // as the chat input's character format (the desk takes the settings'
    // values as they are).
    static std::string AutoReplyPrefix(const CClientSettings& settings, const clientui::IAnsiCodePage& codePage);
    // The automatic reply's text (ANSI, fits the text field): the prefix,
    // "[自动回复] " and the reply.
    static std::string AutoReplyText(const CClientSettings& settings, const clientui::IAnsiCodePage& codePage);
    // The whole rule, for the own record's status: sends the reply to
    // sender when the switch is on and the own status is busy, away or
    // do-not-disturb. True when sent.
    static bool AutoReply(const CEngineModule& engine, const CClientSettings& settings,
                          const clientui::IAnsiCodePage& codePage, int32_t sender, const MessageStamp& stamp);

    // The sound file of a new message: the chosen file when it exists, else
    // "Resource\Sound\msg.wav" of the program folder; empty while the sound
    // is off.
    static std::wstring SoundFile(const CClientSettings& settings, const std::wstring& programFolder,
                                  const std::function<bool(const std::wstring&)>& exists);
};
