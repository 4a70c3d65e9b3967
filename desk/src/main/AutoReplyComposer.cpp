#include "AutoReplyComposer.h"

#include "clientui/ChatSessionRules.h"

#include "fw/StringUtil.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr wchar_t kReplyMarker[] = L"[自动回复] ";
constexpr size_t kFaceBytes = 31;

}  // namespace

bool CAutoReplyComposer::ShouldReply(bool autoReplyOn, int32_t myStatus) {
    return CAutoReplyRules::ShouldReply(autoReplyOn, myStatus);
}

std::wstring CAutoReplyComposer::ReplyText(const CClientSettings& settings) {
    return CAutoReplyRules::ReplyText(settings);
}

std::string CAutoReplyComposer::ComposeText(CClientSettings& settings) {
    const int effects = (settings.bold ? 1 : 0) | (settings.italic ? 2 : 0) | (settings.underline ? 4 : 0);
    if (settings.fontSize == 0) settings.fontSize = 9;
    const std::string face = fw::CutAnsi(fw::ToAnsi(settings.fontName), kFaceBytes);
    const std::string body = fw::ToAnsi(std::wstring(kReplyMarker) + ReplyText(settings));
    char prefix[128] = {};
    std::snprintf(prefix, sizeof prefix, "%s|%d|%d|%d|%s|%s", "<format", effects, settings.fontSize,
                  static_cast<int>(settings.textColour), face.c_str(), "/format>");
    return fw::CutAnsi(std::string(prefix) + body, TEXTMSG_TEXT_SIZE - 1);
}

void CAutoReplyComposer::ComposeRecord(CClientSettings& settings, int32_t ownId, int32_t receiver,
                                       const SYSTEMTIME& now, TextMsgRecord* record) {
    std::memset(record, 0, sizeof *record);
    record->type = 1;
    record->date = now.wYear * 10000 + now.wMonth * 100 + now.wDay;
    record->time = now.wHour * 10000000 + now.wMinute * 100000 + now.wSecond * 1000 + now.wMilliseconds;
    record->senderId = ownId;
    record->receiverId = receiver;
    record->extraId = 0;
    const std::string text = ComposeText(settings);
    std::memcpy(record->text, text.data(), text.size());
}

bool CAutoReplyComposer::ReplyTo(const CEngineModule& engine, CClientSettings& settings, int32_t myStatus,
                                 int32_t ownId, int32_t sender, const SYSTEMTIME& now) {
    if (!ShouldReply(settings.bAutoReply, myStatus) || !engine.MSendTextMsg) return false;
    TextMsgRecord record;
    ComposeRecord(settings, ownId, sender, now, &record);
    engine.MSendTextMsg(&record);
    return true;
}
