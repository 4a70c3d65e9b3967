// IConversationHost: what the main window asks of an open conversation
// window when it dispatches the engine's notifications. A conversation
// window (a CPanelBase held by the panel registry) implements it besides
// IChatWindowInfo; the main window finds the window of a user with
// CPanelRegistry::FindChatWindow and reaches it through FromPanel.
#pragma once

#include <ImEngineApi.h>

#include <cstdint>

class CPanelBase;

class IConversationHost {
public:
    virtual ~IConversationHost() = default;

    // The peer's status changed (status list, peer status, forced log-out):
    // show it; the window also enables its grab and hand-over buttons.
    virtual void SetPeerStatus(int32_t status) = 0;
    // The peer is typing.
    virtual void ShowInputStatus() = 0;
    // A message of this window was delivered: show it as sent.
    virtual void ShowSentMessage(const TextMsgRecord& record) = 0;
    // The peer's records changed: take them and repaint.
    virtual void SetUserInfo(const UserInfoBase& base, const UserInfoExt& ext) = 0;
    // The screenshot hot key: take a screenshot into the input.
    virtual void TakeScreenshot() = 0;
    // A hand-over outcome for this window's customer: the record, the
    // notice of the code, and the new session state.
    virtual void ShowSwitchOutcome(const SwitchCustomerRecord& record, int32_t code, int32_t newState) = 0;
    // A hand-over notice alone (the session state stays).
    virtual void ShowSwitchNotice(const SwitchCustomerRecord& record, int32_t code) = 0;

    // The conversation host of an open window (null for any other panel).
    static IConversationHost* FromPanel(CPanelBase* panel);
};
