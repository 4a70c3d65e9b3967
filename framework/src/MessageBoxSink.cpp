#include "fw/MessageBoxSink.h"

#include <utility>

namespace fw {
namespace {

MessageBoxSink& CurrentSink() {
    static MessageBoxSink sink;
    return sink;
}

}  // namespace

MessageBoxSink SetMessageBoxSink(MessageBoxSink sink) {
    MessageBoxSink old = std::move(CurrentSink());
    CurrentSink() = std::move(sink);
    return old;
}

int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) {
    const MessageBoxSink& sink = CurrentSink();
    if (sink) return sink(owner, text, caption, flags);
    return ::MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
}

}  // namespace fw
