// CEmptyTabPage: the page of a main-window tab whose view is not in the
// program yet: a white child dialog of the view's template.
#pragma once

#include "clientui/ChildViewBase.h"

class CEmptyTabPage : public CChildViewBase {
public:
    explicit CEmptyTabPage(UINT templateId) : CChildViewBase(templateId) {}

protected:
    bool OnPaint() override;
};
