// CChatPlaceholderPanel: what opens for a friend while the messenger has no
// chat window yet. A small panel (template 104) titled "与 <name> 交流中" that
// says plainly that chatting is not there yet. It is registered as the
// friend's conversation, so a second opening shows the same window, and
// closing it deletes it through the registry.
#pragma once

#include "clientui/ChatWindowInfo.h"
#include "clientui/PanelBase.h"

#include <ImEngineApi.h>

#include <string>

class CChatPlaceholderPanel : public CPanelBase, public IChatWindowInfo {
public:
    static constexpr int kWidth = 360;
    static constexpr int kHeight = 160;
    static const wchar_t kNotice[];  // what the window says

    CChatPlaceholderPanel();
    ~CChatPlaceholderPanel() override;

    // The friend's record (before the window is created).
    void SetPeer(const UserInfoBase& peer);
    const std::wstring& GetTitle() const { return m_title; }

    int GetChatKind() const override { return kChatKindSingleUser; }
    int32_t GetChatUserId() const override { return m_peer.userId; }

protected:
    BOOL OnInitDialog() override;
    bool OnPaint() override;
    bool OnClose() override;
    HBRUSH OnCtlColor(UINT msg, HDC dc, HWND child) override;
    void OnOK() override {}
    void OnCancel() override {}

private:
    UserInfoBase m_peer;
    std::wstring m_title;
};
