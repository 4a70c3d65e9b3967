#include "ChatDispatchRules.h"

#include "clientui/AutoReplyComposer.h"
#include "clientui/ChatSessionRules.h"

#include "ChatFontFormat.h"
#include "MessageBuilder.h"

#include "fw/StringUtil.h"

#include <cstring>
#include <vector>

CChatDispatchRules::NewMessageAction CChatDispatchRules::ForNewMessage(bool popUp, bool chatOpen) {
    if (popUp) return NewMessageAction::OpenChat;
    return chatOpen ? NewMessageAction::ShowInOpenChat : NewMessageAction::FlashAndQueue;
}

bool CChatDispatchRules::PeerRecordFor(int32_t peerId, const std::map<int32_t, UserInfoBase>& friends,
                                       UserInfoBase* peer) {
    if (peerId <= 0) return false;
    auto known = friends.find(peerId);
    if (known != friends.end()) {
        *peer = known->second;
        return true;
    }
    std::memset(peer, 0, sizeof *peer);
    peer->userId = peerId;
    const std::string name = std::to_string(peerId);
    std::memcpy(peer->nickname, name.c_str(), name.size() + 1);
    return true;
}

size_t CChatDispatchRules::TakeUnread(const CEngineModule& engine, int32_t peerId,
                                      const std::function<void(const TextMsgRecord&)>& show) {
    if (!engine.MGetUnreadMsg) return 0;
    // The engine's queue is copied first: it changes as messages are taken.
    std::vector<TextMsgRecord> records;
    if (const TextMsgQueue* queue = engine.MGetUnreadMsg(peerId)) records.assign(queue->begin(), queue->end());
    for (const TextMsgRecord& record : records) {
        show(record);
        if (engine.MPopFrontTextMsg) engine.MPopFrontTextMsg(peerId);
    }
    return records.size();
}

std::string CChatDispatchRules::AutoReplyPrefix(const CClientSettings& settings,
                                                const clientui::IAnsiCodePage& codePage) {
    // The configured chat font as a character format, then as the font of
    // a message, as the input's font is taken.
    const CHARFORMATW format = CChatSessionRules::InputFormatFromSettings(settings, codePage);
    const clientui::ChatFontSpec font = clientui::ChatFontFromCharFormat(format, codePage);
    return clientui::CMessageBuilder(codePage).FormatPrefix(font);
}

std::string CChatDispatchRules::AutoReplyText(const CClientSettings& settings,
                                              const clientui::IAnsiCodePage& codePage) {
    return CAutoReplyComposer::ComposeText(AutoReplyPrefix(settings, codePage), settings, codePage);
}

bool CChatDispatchRules::AutoReply(const CEngineModule& engine, const CClientSettings& settings,
                                   const clientui::IAnsiCodePage& codePage, int32_t sender, const MessageStamp& stamp) {
    if (sender <= 0 || !engine.MGetCurUserID || !engine.MSendTextMsg) return false;
    const int32_t self = engine.MGetCurUserID();
    const UserInfoBase* own = engine.MGetUserInfoBase ? engine.MGetUserInfoBase(self) : nullptr;
    if (!own) return false;
    return CAutoReplyComposer::ReplyTo(engine, settings, own->status, self, sender, stamp,
                                       [&] { return AutoReplyPrefix(settings, codePage); }, codePage);
}

std::wstring CChatDispatchRules::SoundFile(const CClientSettings& settings, const std::wstring& programFolder,
                                           const std::function<bool(const std::wstring&)>& exists) {
    if (settings.iSound == 0) return std::wstring();
    if (!settings.soundPath.empty() && exists(settings.soundPath)) return settings.soundPath;
    return programFolder + L"Resource\\Sound\\msg.wav";
}
