#include "IMPanelFactory.h"

#include "ChatPlaceholderPanel.h"
#include "IMMainPanel.h"

#include <new>

CPanelBase* CIMPanelFactory::CreatePanel(int kind) {
    switch (kind) {
    case kPanelMain:
        return new (std::nothrow) CIMMainPanel();
    case kPanelChat:
        return new (std::nothrow) CChatPlaceholderPanel();
    default:
        return nullptr;
    }
}
