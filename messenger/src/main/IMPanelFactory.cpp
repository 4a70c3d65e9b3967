#include "IMPanelFactory.h"

#include "IMChatPanel.h"
#include "IMEditReplyPanel.h"
#include "IMMsgMgrPanel.h"
#include "IMMainPanel.h"
#include "IMPanelOpener.h"

#include "clientui/IMUserInfoPanel.h"
#include "clientui/SystemSettingPanel.h"

#include <new>

CPanelBase* CIMPanelFactory::CreatePanel(int kind) {
    switch (kind) {
    case kPanelMain:
        return new (std::nothrow) CIMMainPanel();
    case kPanelChat:
        return new (std::nothrow) CIMChatPanel();
    case kPanelMsgMgr:
        return new (std::nothrow) CIMMsgMgrPanel();
    case kPanelUserInfo:
        return CIMPanelOpener::NewUserInfoPanel();
    case kPanelSetting:
        return CIMPanelOpener::NewSystemSettingPanel();
    default:
        return nullptr;
    }
}

IReplyEditor& CIMPanelFactory::ReplyEditor() {
    static CIMReplyEditor editor;
    return editor;
}
