#include "clientui/ChatSessionRules.h"

#include "clientui/FileSizeText.h"

#include "ChatFontFormat.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

CChatSessionRules::CChatSessionRules(const CEngineModule& engine, const clientui::IAnsiCodePage& codePage,
                                     const FileSizeScale& sizeScale)
    : m_engine(engine), m_codePage(codePage), m_sizeScale(sizeScale) {}

bool CChatSessionRules::IsOffline() const { return !m_engine.MIsOffline || m_engine.MIsOffline() != 0; }

TextMsgRecord CChatSessionRules::MakeRecord(int32_t ownId, int32_t peerId, const MessageStamp& stamp) {
    TextMsgRecord record;
    std::memset(&record, 0, sizeof record);
    record.type = 0;
    record.date = stamp.date;
    record.time = stamp.time;
    record.senderId = ownId;
    record.receiverId = peerId;
    record.extraId = 0;
    return record;
}

std::wstring CChatSessionRules::OfflineNotice() { return L"您现在处于离线状态，不能发送消息."; }

std::wstring CChatSessionRules::TooLongNotice() { return L"您发送的消息长度超过了限制，请分割后再发。"; }

CChatSessionRules::KeyAction CChatSessionRules::ActionForKey(UINT key, bool ctrl, bool inInput, int sendMsgOpt) {
    if (key == VK_ESCAPE) return KeyAction::Close;
    if (key != VK_RETURN) return KeyAction::None;
    if (ctrl && sendMsgOpt == 1) return KeyAction::Send;
    if (!inInput) return KeyAction::None;
    if (!ctrl && sendMsgOpt == 0) return KeyAction::Send;
    // The other Enter breaks the line, whichever option is set.
    return KeyAction::LineBreak;
}

std::wstring CChatSessionRules::FieldText(const char* field, size_t size) const {
    const void* end = std::memchr(field, 0, size);
    const size_t length = end ? static_cast<size_t>(static_cast<const char*>(end) - field) : size;
    return m_codePage.FromAnsi(field, length);
}

std::wstring CChatSessionRules::HeaderLine(const std::wstring& name, int32_t date, int32_t time, int32_t today) {
    const int hours = time / 10000000;
    const int minutes = time % 10000000 / 100000;
    const int seconds = time % 100000 / 1000;
    wchar_t buffer[64];
    if (date == today) {
        std::swprintf(buffer, 64, L" %02d:%02d:%02d\r\n", hours, minutes, seconds);
    } else {
        std::swprintf(buffer, 64, L" %02d-%02d %02d:%02d:%02d\r\n", date % 10000 / 100, date % 100, hours, minutes,
                      seconds);
    }
    return name + buffer;
}

int32_t CChatSessionRules::Today() {
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    return CChatMessageClock::DateWord(now);
}

std::wstring CChatSessionRules::StatusTip(int32_t status) {
    switch (status) {
    case STATUS_BUSY:
    case STATUS_AWAY: return L"对方\"离开(忙碌)\"，可能无法立即回复您";
    case STATUS_DND: return L"对方为\"请勿打扰\"状态，可能不方便接收您的消息";
    case STATUS_OFFLINE: return L"对方\"离线\"，可能无法立即回复您";
    default: return std::wstring();
    }
}

namespace {

std::wstring Fill(const wchar_t* format, const std::wstring& a, const std::wstring& b = std::wstring(),
                  const std::wstring& c = std::wstring()) {
    // Each %ls of the pattern takes the next value in turn.
    std::wstring out;
    const std::wstring* values[] = {&a, &b, &c};
    size_t next = 0;
    for (const wchar_t* p = format; *p; ++p) {
        if (p[0] == L'%' && p[1] == L'l' && p[2] == L's') {
            if (next < 3) out += *values[next++];
            p += 2;
        } else {
            out += *p;
        }
    }
    return out;
}

}  // namespace

std::wstring CChatSessionRules::FileNotice(const FileRequestRecord& record, int state, bool ownSide,
                                           const std::wstring& savePath) const {
    const std::wstring name = FieldText(record.fileName, sizeof record.fileName);
    std::wstring size;
    FormatFileSize(static_cast<uint32_t>(record.fileSize < 0 ? 0 : record.fileSize), size, m_sizeScale);
    if (ownSide) {
        switch (state) {
        case 1: return Fill(L"您尝试给对方发送文件\"%ls\"(%ls)，等待对方接收。", name, size);
        case 3: return Fill(L"您接受了对方的请求，等待对方发送文件\"%ls\"。", name);
        case 4: return Fill(L"您拒绝接收\"%ls\"(%ls)，文件传输失败。", name, size);
        case 10: return Fill(L"您取消发送\"%ls\"(%ls)，文件发送中止。", name, size);
        case 11: return Fill(L"您取消接收\"%ls\"(%ls)，文件传输中止。", name, size);
        case 12: return Fill(L"成功发送文件\"%ls\"(%ls)。", name, size);
        default: return std::wstring();
        }
    }
    switch (state) {
    case 2: return Fill(L"对方请求给您发送文件\"%ls\"(%ls)，请确认是否接收。", name, size);
    case 5: return Fill(L"对方同意接收\"%ls\"(%ls)，准备发送。", name, size);
    case 6: return Fill(L"对方拒绝接收\"%ls\"(%ls)，文件发送失败。", name, size);
    case 10: return Fill(L"对方取消发送\"%ls\"(%ls)，文件接收失败。", name, size);
    case 11: return Fill(L"对方取消接收\"%ls\"(%ls)，文件发送失败。", name, size);
    case 12: return Fill(L"成功接收文件\"%ls\"(%ls)。保存位置：%ls", name, size, savePath);
    default: return std::wstring();
    }
}

int CChatSessionRules::TransferPaneWidth(int state, bool ownSide, int current) {
    if (ownSide) {
        switch (state) {
        case 1:
        case 3: return kTransferPaneWide;
        case 4:
        case 10:
        case 11:
        case 12: return kTransferPaneNarrow;
        default: return current;
        }
    }
    switch (state) {
    case 2:
    case 5: return kTransferPaneWide;
    case 6:
    case 11:
    case 12: return kTransferPaneNarrow;
    default: return current;  // 10 among them: the receiver keeps its pane
    }
}

std::wstring CChatSessionRules::FileNoticeLine(const SYSTEMTIME& now, const std::wstring& text) {
    wchar_t buffer[32];
    std::swprintf(buffer, 32, L"%02d:%02d:%02d\r\n ", now.wHour, now.wMinute, now.wSecond);
    return buffer + text + L"\r\n";
}

std::wstring CChatSessionRules::Caption(bool peerSet, const std::wstring& name, bool typing,
                                        const std::wstring& title) {
    if (!peerSet) return title;
    if (typing) return name + L" 正在输入";
    return L"与 " + name + L" 交流中";
}

int CChatSessionRules::TipBarHeight(int textWidth, int barWidth, int lineHeight) {
    int lines = 1;
    if (barWidth > 0) lines = textWidth <= 0 ? 0 : (textWidth + barWidth - 1) / barWidth;
    return lines * lineHeight + 8;
}

size_t CChatSessionRules::QuickReplyItemCount(size_t replies) {
    return replies < kMaxQuickReplyItems ? replies : kMaxQuickReplyItems;
}

int CChatSessionRules::QuickReplyIndex(UINT command) {
    if (command < ID_QUICKREPLY_FIRST || command > ID_QUICKREPLY_LAST) return -1;
    return static_cast<int>(command - ID_QUICKREPLY_FIRST);
}

CHARFORMATW CChatSessionRules::InputFormatFromSettings(const CClientSettings& settings,
                                                       const clientui::IAnsiCodePage& codePage) {
    clientui::ChatFontSpec font = clientui::ChatFontSpec::ConversationDefault(codePage);
    if (settings.fontSize > 0 && settings.fontSize < 256) font.size = static_cast<uint8_t>(settings.fontSize);
    font.effects = static_cast<uint8_t>((settings.bold ? clientui::kChatFontBold : 0) |
                                        (settings.italic ? clientui::kChatFontItalic : 0) |
                                        (settings.underline ? clientui::kChatFontUnderline : 0));
    font.colour = static_cast<int32_t>(settings.textColour);
    if (!settings.fontName.empty()) font.SetFaceName(settings.fontName, codePage);
    return clientui::CharFormatFromChatFont(font, codePage);
}

void CChatSessionRules::StoreInputFormat(const CHARFORMATW& format, CClientSettings& settings,
                                         const clientui::IAnsiCodePage& codePage) {
    const clientui::ChatFontSpec font = clientui::ChatFontFromCharFormat(format, codePage);
    settings.bold = (font.effects & clientui::kChatFontBold) != 0;
    settings.italic = (font.effects & clientui::kChatFontItalic) != 0;
    settings.underline = (font.effects & clientui::kChatFontUnderline) != 0;
    settings.fontSize = static_cast<int>(format.yHeight / 20);
    settings.textColour = format.crTextColor;
    settings.fontName = format.szFaceName;
}

const wchar_t CAutoReplyRules::kFixedReply[] = L"您好，我现在有事不在，一会再和您联系。";

bool CAutoReplyRules::ShouldReply(bool autoReplyOn, int32_t myStatus) {
    return autoReplyOn && (myStatus == STATUS_BUSY || myStatus == STATUS_AWAY || myStatus == STATUS_DND);
}

std::wstring CAutoReplyRules::ReplyText(const CClientSettings& settings) {
    const int index = settings.iListIndex;
    if (index >= 0 && static_cast<size_t>(index) < settings.autoReplies.size()) return settings.autoReplies[index];
    return kFixedReply;
}
