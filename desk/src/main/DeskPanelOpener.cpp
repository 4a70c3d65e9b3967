#include "DeskPanelOpener.h"

#include "DeskGlobals.h"

#include "clientui/ClientSettings.h"
#include "clientui/EngineModule.h"
#include "clientui/IMUserInfoPanel.h"
#include "clientui/SystemSettingPanel.h"

#include <cstring>
#include <memory>

CPanelBase* CDeskPanelOpener::CreateUserInfoPanel(int32_t userId) {
    auto panel = std::make_unique<CIMUserInfoPanel>(IDD_USERINFO_DESK);
    if (!panel->CreatePanel()) return nullptr;
    ::SetForegroundWindow(panel->GetHwnd());
    panel->ShowWindow(SW_SHOW);
    UserInfoBase base = {};
    UserInfoExt ext = {};
    if (g_EngineModule.MGetUserInfoBase)
        if (const UserInfoBase* stored = g_EngineModule.MGetUserInfoBase(userId)) base = *stored;
    if (g_EngineModule.MGetUserInfoExt)
        if (const UserInfoExt* stored = g_EngineModule.MGetUserInfoExt(userId)) ext = *stored;
    // A user the engine does not know yet, or knows only from a list (no
    // extended record), is asked for: the panel fills again when the
    // records arrive.
    static const UserInfoExt kNoExt = {};
    if (base.userId != userId || std::memcmp(&ext, &kNoExt, sizeof ext) == 0) {
        base.userId = userId;
        if (g_EngineModule.MProduceUserInfo) g_EngineModule.MProduceUserInfo(userId, 3);
    }
    const int32_t self = g_EngineModule.MGetCurUserID ? g_EngineModule.MGetCurUserID() : g_nMyUserID;
    panel->ShowUser(userId == self, ext, base);
    return panel.release();
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
