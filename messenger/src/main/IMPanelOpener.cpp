#include "IMPanelOpener.h"

#include "DisplayTitle.h"
#include "IMPanelFactory.h"
#include "IMResource.h"

#include "clientui/ClientSettings.h"
#include "clientui/EngineModule.h"
#include "clientui/IMUserInfoPanel.h"
#include "clientui/SystemSettingPanel.h"

#include "fw/MessageBoxSink.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

// The messenger's settings template: the shared control ids under its own
// template number.
SystemSettingPanelSpec MessengerSettingSpec() {
    SystemSettingPanelSpec messenger;
    messenger.templateId = IDD_IM_SETTING;
    return messenger;
}

int32_t OwnId() { return g_EngineModule.MGetCurUserID ? g_EngineModule.MGetCurUserID() : 0; }

}  // namespace

CIMUserInfoPanel* CIMPanelOpener::NewUserInfoPanel() { return new (std::nothrow) CIMUserInfoPanel(IDD_IM_USERINFO); }

CIMSystemSettingPanel* CIMPanelOpener::NewSystemSettingPanel() {
    return new (std::nothrow)
        CIMSystemSettingPanel(CIMPanelFactory::ReplyEditor(), g_ClientSettings, MessengerSettingSpec());
}

CPanelBase* CIMPanelOpener::CreateUserInfoPanel(int32_t userId) {
    std::unique_ptr<CIMUserInfoPanel> panel(NewUserInfoPanel());
    if (!panel || !panel->CreatePanel()) return nullptr;
    ::SetForegroundWindow(panel->GetHwnd());
    panel->ShowWindow(SW_SHOW);
    UserInfoBase base = {};
    UserInfoExt ext = {};
    if (g_EngineModule.MGetUserInfoBase)
        if (const UserInfoBase* stored = g_EngineModule.MGetUserInfoBase(userId)) base = *stored;
    if (g_EngineModule.MGetUserInfoExt)
        if (const UserInfoExt* stored = g_EngineModule.MGetUserInfoExt(userId)) ext = *stored;
    // A user the engine does not know yet is asked for: the panel fills
    // again when the records arrive.
    if (base.userId != userId) {
        base.userId = userId;
        if (g_EngineModule.MProduceUserInfo) g_EngineModule.MProduceUserInfo(userId, 3);
    }
    panel->ShowUser(userId == OwnId(), ext, base);
    return panel.release();
}

CPanelBase* CIMPanelOpener::CreateSystemSettingPanel() {
    std::unique_ptr<CIMSystemSettingPanel> panel(NewSystemSettingPanel());
    if (!panel || !panel->Create(::GetDesktopWindow())) return nullptr;
    panel->SetCurrentPage(1);
    return panel.release();
}

void CIMPanelOpener::ReloadSystemSetting() {
    const int32_t self = OwnId();
    if (self != 0) g_ClientSettings.LoadSystemSetting(self);
}
