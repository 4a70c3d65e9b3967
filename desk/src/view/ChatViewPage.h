// CChatViewPage: a lower page of the chat view whose contents come from
// another view (quick replies, history pane, file transfer): a white child
// dialog of its template.
#pragma once

#include "clientui/ChildViewBase.h"

class CChatViewPage : public CChildViewBase {
public:
    explicit CChatViewPage(UINT templateId) : CChildViewBase(templateId) {}

protected:
    bool OnPaint() override;
};
