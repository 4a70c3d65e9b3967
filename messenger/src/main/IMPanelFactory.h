// CIMPanelFactory: the messenger's panels by kind for the panel registry
// (CPanelRegistry::CreatePanel): 0 the main window, 2 a chat window. The
// history manager (3), the profile (4), the settings (5) and the reply
// editor (6) are not in the program yet: those kinds make nothing, and the
// commands that would open them say so.
#pragma once

#include "clientui/PanelRegistry.h"

class CIMPanelFactory : public IPanelFactory {
public:
    CPanelBase* CreatePanel(int kind) override;
};
