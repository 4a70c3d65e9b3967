#include "IMChatRules.h"

#include <cstring>

namespace {

RECT At(int x, int y, int width, int height) { return RECT{x, y, x + width, y + height}; }

std::wstring Field(const char* field, size_t size, const clientui::IAnsiCodePage& codePage) {
    const void* end = std::memchr(field, 0, size);
    const size_t length = end ? static_cast<size_t>(static_cast<const char*>(end) - field) : size;
    return codePage.FromAnsi(field, length);
}

}  // namespace

IMChatLayout IMChatLayout::For(int w, int h, int p) {
    IMChatLayout l = {};
    l.closeButton = At(w - 35, 1, 29, 18);
    l.maximizeButton = At(w - 56, 1, 21, 18);
    l.minimizeButton = At(w - 78, 1, 22, 18);
    l.input = RECT{kLeftMargin, h - 116, w - p, h - kBottomBand};
    l.log = RECT{kLeftMargin, kLogTop, w - p, l.input.top - kToolBand};
    const int toolY = h - 140;
    l.font = At(8, toolY, 50, 21);
    l.emoticon = At(63, toolY, 50, 21);
    l.picture = At(118, toolY, 50, 21);
    l.screenshot = At(173, toolY, 50, 21);
    l.history = At(w - p - 70, toolY, 70, 21);
    const int bottomY = h - 24;
    l.close = At(w - p - 130, bottomY, 54, 21);
    l.send = At(w - p - 70, bottomY, 51, 21);
    l.sendOptions = At(w - p - 19, bottomY, 19, 21);
    l.sendFile = At(67, 74, 53, 20);
    l.tab = RECT{w - p + 1, 78, w - p + 1 + (p - 2), h - 2};
    l.signature = RECT{67, 54, w - 10, 68};
    return l;
}

const wchar_t CIMChatTexts::kHistoryMissing[] = L"消息管理器还没有提供，请留意以后的版本。";

std::wstring CIMChatTexts::Nickname(const UserInfoBase& peer, const clientui::IAnsiCodePage& codePage) {
    return Field(peer.nickname, sizeof peer.nickname, codePage);
}

std::wstring CIMChatTexts::NameLine(const UserInfoBase& peer, const clientui::IAnsiCodePage& codePage) {
    const std::wstring nickname = Nickname(peer, codePage);
    const std::wstring memo = Field(peer.memo, sizeof peer.memo, codePage);
    if (!memo.empty() && memo[0] != L'0') return memo + L"(" + nickname + L")";
    return nickname;
}

std::wstring CIMChatTexts::SignatureLine(const UserInfoBase& peer, const clientui::IAnsiCodePage& codePage) {
    const std::wstring signature = Field(peer.signature, sizeof peer.signature, codePage);
    if (signature.empty() || signature[0] == L'0') return L"暂无个性签名信息";
    return signature;
}
