#include "clientui/AutoReplyComposer.h"

#include "clientui/ChatSessionRules.h"

#include "fw/StringUtil.h"

#include <cstring>

std::string CAutoReplyComposer::ComposeText(const std::string& formatPrefix, const CClientSettings& settings,
                                            const clientui::IAnsiCodePage& codePage) {
    const std::string body = codePage.ToAnsi(L"[自动回复] " + CAutoReplyRules::ReplyText(settings));
    return fw::CutAnsi(formatPrefix + body, TEXTMSG_TEXT_SIZE - 1);
}

TextMsgRecord CAutoReplyComposer::ComposeRecord(int32_t ownId, int32_t receiver, const MessageStamp& stamp,
                                                const std::string& text) {
    TextMsgRecord record = CChatSessionRules::MakeRecord(ownId, receiver, stamp);
    record.type = 1;
    const size_t length = text.size() < sizeof record.text ? text.size() : sizeof record.text - 1;
    std::memcpy(record.text, text.data(), length);
    record.text[length] = '\0';
    return record;
}

bool CAutoReplyComposer::ReplyTo(const CEngineModule& engine, const CClientSettings& settings, int32_t myStatus,
                                 int32_t ownId, int32_t sender, const MessageStamp& stamp,
                                 const std::function<std::string()>& formatPrefix,
                                 const clientui::IAnsiCodePage& codePage) {
    if (!CAutoReplyRules::ShouldReply(settings.bAutoReply, myStatus) || !engine.MSendTextMsg) return false;
    const TextMsgRecord record = ComposeRecord(ownId, sender, stamp, ComposeText(formatPrefix(), settings, codePage));
    engine.MSendTextMsg(&record);
    return true;
}
