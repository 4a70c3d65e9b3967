// CDeskPanelOpener: how the desk program makes the panels that the panel
// registry opens itself. The main window installs it in the registry for
// its whole life, so every entry that names the profile (the tray's and
// the status menu's "我的资料", the tab "  我的资料  ", a click on the
// customer's name in a conversation) opens the profile panel.
#pragma once

#include "clientui/PanelOpener.h"

class CDeskPanelOpener : public IPanelOpener {
public:
    // The profile panel (template 146) of the user, created with the
    // desktop as parent, brought to the foreground, shown and filled with
    // the user's records as the engine holds them (editable for the
    // logged-on user). A user the engine does not know yet, or knows
    // without an extended record, is asked for.
    CPanelBase* CreateUserInfoPanel(int32_t userId) override;
    // The settings panel is not in the program yet: null.
    CPanelBase* CreateSystemSettingPanel() override;
    void ReloadSystemSetting() override;
};
