#include "DeskPanelOpener.h"

#include "DeskGlobals.h"

#include "clientui/ClientSettings.h"
#include "clientui/SystemSettingPanel.h"

CPanelBase* CDeskPanelOpener::CreateUserInfoPanel(int32_t) {
    // The profile panel is not in the program yet.
    return nullptr;
}

CPanelBase* CDeskPanelOpener::CreateSystemSettingPanel() {
    auto* panel = new CIMSystemSettingPanel(m_replyEditor, g_ClientSettings);
    if (!panel->Create(::GetDesktopWindow())) {
        delete panel;
        return nullptr;
    }
    return panel;
}

void CDeskPanelOpener::ReloadSystemSetting() {
    if (g_nMyUserID != 0) g_ClientSettings.LoadSystemSetting(g_nMyUserID);
}
