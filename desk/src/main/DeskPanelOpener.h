// CDeskPanelOpener: makes the panels that the panel registry opens for the
// desk program: the settings panel (template 147, with the desk's reply
// editor), and reloads the system settings of the logged-on account before
// a new settings panel shows them. The main window owns it and gives it to
// the registry while it exists.
#pragma once

#include "EditQuickReplyPanel.h"

#include "clientui/PanelOpener.h"

class CDeskPanelOpener : public IPanelOpener {
public:
    CPanelBase* CreateUserInfoPanel(int32_t userId) override;
    CPanelBase* CreateSystemSettingPanel() override;
    void ReloadSystemSetting() override;

private:
    CDeskReplyEditor m_replyEditor;
};
