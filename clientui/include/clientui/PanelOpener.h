// IPanelOpener: makes the panels that the panel registry opens itself (the
// profile panel and the settings panel, which live with their own code).
// The program gives the registry one (CPanelRegistry::SetOpener).
#pragma once

#include <cstdint>

class CPanelBase;

class IPanelOpener {
public:
    virtual ~IPanelOpener() = default;
    // A new profile panel (allocated with new) created modeless from its
    // template with the desktop as parent, brought to the foreground, shown
    // and filled with the user's records (editable for the logged-on user).
    // Null when it could not be made.
    virtual CPanelBase* CreateUserInfoPanel(int32_t userId) = 0;
    // A new settings panel (allocated with new) created modeless from its
    // template with the desktop as parent. Null when it could not be made.
    virtual CPanelBase* CreateSystemSettingPanel() = 0;
    // Reloads the system settings of the logged-on account.
    virtual void ReloadSystemSetting() = 0;
};
