// CIMPanelOpener: how the messenger makes the panels that the panel registry
// opens itself. The main window installs it in the registry for its whole
// life, so the main window's "我的资料" and "查看资料", a click on the peer's
// name in a chat window and the profile panel's own button open the profile
// panel (template 133), and the settings commands ("系统设置...", the chat
// window's "快捷回复菜单设置...") open the settings panel (template 405, one
// page, the quick-reply controls hidden) after the account's settings are
// read again.

#pragma once

#include "clientui/PanelOpener.h"
#include "clientui/ReplyEditor.h"

class CIMUserInfoPanel;
class CIMSystemSettingPanel;

class CIMPanelOpener : public IPanelOpener {
public:
    // The profile panel of the user, created with the desktop as parent,
    // brought to the foreground, shown and filled with the user's records as
    // the engine holds them (editable for the logged-on user).
    CPanelBase* CreateUserInfoPanel(int32_t userId) override;
    // The settings panel, created with the desktop as parent, on its page 1.
    CPanelBase* CreateSystemSettingPanel() override;
    void ReloadSystemSetting() override;

    // The panel objects, without their windows.
    static CIMUserInfoPanel* NewUserInfoPanel();
    static CIMSystemSettingPanel* NewSystemSettingPanel();
};
