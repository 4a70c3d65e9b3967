#include "DeskAutoReply.h"

#include "clientui/AutoReplyComposer.h"

#include "SystemAnsiCodePage.h"

#include "fw/StringUtil.h"

#include <cstdio>

namespace {

constexpr size_t kFaceBytes = 31;

}  // namespace

std::string CDeskAutoReply::FormatPrefix(CClientSettings& settings) {
    const int effects = (settings.bold ? 1 : 0) | (settings.italic ? 2 : 0) | (settings.underline ? 4 : 0);
    if (settings.fontSize == 0) settings.fontSize = 9;
    const std::string face = fw::CutAnsi(fw::ToAnsi(settings.fontName), kFaceBytes);
    char prefix[128] = {};
    std::snprintf(prefix, sizeof prefix, "%s|%d|%d|%d|%s|%s", "<format", effects, settings.fontSize,
                  static_cast<int>(settings.textColour), face.c_str(), "/format>");
    return prefix;
}

std::string CDeskAutoReply::ComposeText(CClientSettings& settings) {
    const clientui::CSystemAnsiCodePage codePage;
    const std::string prefix = FormatPrefix(settings);
    return CAutoReplyComposer::ComposeText(prefix, settings, codePage);
}

bool CDeskAutoReply::ReplyTo(const CEngineModule& engine, CClientSettings& settings, int32_t myStatus, int32_t ownId,
                             int32_t sender, const SYSTEMTIME& now) {
    const clientui::CSystemAnsiCodePage codePage;
    const MessageStamp stamp{CChatMessageClock::DateWord(now), CChatMessageClock::TimeWord(now)};
    return CAutoReplyComposer::ReplyTo(engine, settings, myStatus, ownId, sender, stamp,
                                       [&settings] { return FormatPrefix(settings); }, codePage);
}
