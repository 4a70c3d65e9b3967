#include "ConversationHost.h"

#include "clientui/PanelBase.h"

IConversationHost* IConversationHost::FromPanel(CPanelBase* panel) {
    return dynamic_cast<IConversationHost*>(panel);
}
