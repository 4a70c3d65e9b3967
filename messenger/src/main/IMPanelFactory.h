// CIMPanelFactory: the messenger's panels by kind for the panel registry
// (CPanelRegistry::CreatePanel): 0 the main window, 2 a chat window, 3 the
// history manager (template 129), 4 a profile panel (template 133), 5 the
// settings panel (template 405, with the messenger's reply editor). The
// reply editor (template 407) is made anew for each edit by the settings
// panel's IReplyEditor (CIMReplyEditor), so kind 6 makes nothing.
#pragma once

#include "clientui/PanelRegistry.h"
#include "clientui/ReplyEditor.h"

class CIMPanelFactory : public IPanelFactory {
public:
    CPanelBase* CreatePanel(int kind) override;

    // The reply editor the settings panels use.
    static IReplyEditor& ReplyEditor();
};
