// CDeskPanelOpener: how the desk program makes the panels that the panel
// registry opens itself. The main window installs it in the registry for
// its whole life, so every entry that names the profile (the tray's and
// the status menu's "我的资料", the tab "  我的资料  ", a click on the
// customer's name in a conversation) opens the profile panel, and every
// entry that names the settings opens the settings panel (template 147,
// with the desk's reply editor) after the account's settings are read again.
#pragma once

#include "EditQuickReplyPanel.h"

#include "clientui/PanelOpener.h"

class CDeskPanelOpener : public IPanelOpener {
public:
    // The profile panel (template 146) of the user, created with the
    // desktop as parent, brought to the foreground, shown and filled with
    // the user's records as the engine holds them (editable for the
    // logged-on user). A user the engine does not know yet, or knows
    // without an extended record, is asked for.
    CPanelBase* CreateUserInfoPanel(int32_t userId) override;
    CPanelBase* CreateSystemSettingPanel() override;
    void ReloadSystemSetting() override;

private:
    CDeskReplyEditor m_replyEditor;
};
