// CChatLeftListPanel: the left list panel of the chat view (template 133),
// below the search box and the upper tabs. It holds the lists the upper
// tabs switch between, one shown at a time: the agent's own customers (the
// contact tree, CIMFriendListTree).
//
// The trees are children of this panel, which is a child of the chat view:
// a contact tree sends WM_OPEN_CHAT to the parent of its parent, so a double
// click on a customer reaches the chat view, which opens the conversation.
//
// UI thread only.
#pragma once

#include "clientui/ChildViewBase.h"
#include "clientui/IMFriendListTree.h"

#include <windows.h>

class CChatLeftListPanel : public CChildViewBase {
public:
    // The list kinds the panel can show (the item data of the upper tabs).
    enum ListKind : int { kKindCustomers = 0, kKindOrganisation = 1, kKindRegistered = 2 };

    CChatLeftListPanel();
    ~CChatLeftListPanel() override;

    // Stores the kind, then shows its list and hides the others; a kind
    // without a list of its own shows and hides nothing, so the list shown
    // before stays on screen.
    void ShowListKind(int kind);
    int GetListKind() const { return m_listKind; }

    CIMFriendListTree& GetCustomerTree() { return m_customerTree; }

    int LayoutControls(int width, int height) override;

protected:
    BOOL OnInitDialog() override;
    bool OnPaint() override;

private:
    CIMFriendListTree m_customerTree;
    int m_listKind = kKindCustomers;
};
