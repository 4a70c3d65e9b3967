#include "ChatFontSpec.h"

#include <cstring>

#include "MessageMarkup.h"

namespace clientui {

ChatFontSpec ChatFontSpec::ConversationDefault(const IAnsiCodePage& codePage) {
    ChatFontSpec spec;
    spec.size = 9;
    spec.SetFaceName(L"\u5B8B\u4F53", codePage);  // 宋体
    return spec;
}

void ChatFontSpec::SetFaceName(const std::wstring& name, const IAnsiCodePage& codePage) {
    std::string ansi = codePage.ToAnsiCut(name, markup::kMaxFaceBytes);
    std::memset(face, 0, sizeof(face));
    std::memcpy(face, ansi.data(), ansi.size());
}

std::wstring ChatFontSpec::FaceName(const IAnsiCodePage& codePage) const {
    const void* end = std::memchr(face, '\0', sizeof(face));
    size_t length = end ? static_cast<size_t>(static_cast<const char*>(end) - face) : sizeof(face);
    return codePage.FromAnsi(face, length);
}

}  // namespace clientui
