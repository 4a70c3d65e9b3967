// CIMPanelFactory: the messenger's panels by kind for the panel registry
// (CPanelRegistry::CreatePanel): 0 the main window, 2 a chat window, 4 a
// profile panel (template 133), 5 the settings panel (template 405, with
// the messenger's reply editor). The history manager (3) and the reply
// editor's own panel (6) are not in the program yet: those kinds make
// nothing, and the commands that would open them say so.
#pragma once

#include "clientui/PanelRegistry.h"
#include "clientui/ReplyEditor.h"

class CIMPanelFactory : public IPanelFactory {
public:
    CPanelBase* CreatePanel(int kind) override;

    // The reply editor the settings panels use.
    static IReplyEditor& ReplyEditor();
};
