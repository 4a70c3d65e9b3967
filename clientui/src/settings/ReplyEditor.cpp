#include "clientui/ReplyEditor.h"

#include "clientui/ClientSettings.h"

#include "fw/StringUtil.h"

namespace {

constexpr size_t kCommonReplyWidth = 200;

}  // namespace

size_t ReplyTextLimit(int kind) {
    switch (kind) {
    case kReplyKindAddQuick:
    case kReplyKindModifyQuick:
        return kQuickReplyWidth;
    case kReplyKindAddAuto:
    case kReplyKindModifyAuto:
        return kReplyWidth;
    case kReplyKindAddCommon:
    case kReplyKindModifyCommon:
        return kCommonReplyWidth;
    default:
        return 0;
    }
}

bool ReplyKindIsStoredInSettings(int kind) {
    return kind >= kReplyKindAddQuick && kind <= kReplyKindModifyAuto;
}

std::wstring NormalizeReplyText(int kind, const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    const bool oneLine = ReplyKindIsStoredInSettings(kind);
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (oneLine && (c == L'\r' || c == L'\n')) {
            // "\r\n" is one break: one space.
            if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
            out += L' ';
            continue;
        }
        out += c;
    }
    const size_t limit = ReplyTextLimit(kind);
    return limit ? fw::CutWide(out, limit) : out;
}
