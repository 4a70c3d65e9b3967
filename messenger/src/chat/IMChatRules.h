// What the messenger's chat window decides without a window: where its
// controls lie for a client size and a transfer-pane width, and the texts of
// its header (the peer's name line and signature). The decisions it shares
// with the desk's conversation window are CChatSessionRules'.
#pragma once

#include "IAnsiCodePage.h"

#include <ImEngineApi.h>
#include <windows.h>

#include <string>

struct IMChatLayout {
    static constexpr int kLeftMargin = 5;
    static constexpr int kCaptionHeight = 28;
    static constexpr int kHeaderHeight = 68;
    static constexpr int kBottomBand = 28;
    static constexpr int kToolBand = 28;
    static constexpr int kInputHeight = 88;
    static constexpr int kLogTop = kCaptionHeight + kHeaderHeight;  // 96

    RECT closeButton;
    RECT maximizeButton;
    RECT minimizeButton;
    RECT input;
    RECT log;  // without the tip bar
    RECT font;
    RECT emoticon;
    RECT picture;
    RECT screenshot;
    RECT history;
    RECT close;
    RECT send;
    RECT sendOptions;
    RECT sendFile;
    RECT tab;
    RECT signature;

    // The places in a client area w x h with a right pane p wide.
    static IMChatLayout For(int w, int h, int pane);
};

class CIMChatTexts {
public:
    // "<memo>(<nickname>)" when the memo is not empty and does not begin
    // with "0", else the nickname.
    static std::wstring NameLine(const UserInfoBase& peer, const clientui::IAnsiCodePage& codePage);
    // The signature, or "暂无个性签名信息" when it is empty or begins with "0".
    static std::wstring SignatureLine(const UserInfoBase& peer, const clientui::IAnsiCodePage& codePage);
    // The peer's nickname.
    static std::wstring Nickname(const UserInfoBase& peer, const clientui::IAnsiCodePage& codePage);
    // What the history button says while the history manager is not in the
    // program.
    static const wchar_t kHistoryMissing[];
};
