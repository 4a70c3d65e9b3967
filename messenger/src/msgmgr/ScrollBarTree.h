// CScrollBarTree: a tree control drawn with the skinned scroll bars
// (CScrollBarEx): the horizontal bar and the vertical bar are attached when
// the tree is subclassed and brought up to date with the tree's scroll state
// after each of its paints. UI thread only.
#pragma once

#include "clientui/ScrollBarEx.h"

#include "fw/TreeCtrl.h"

#include <string>

class CScrollBarTree : public fw::CTreeCtrl {
public:
    // skinFolder: the folder holding "Resource" (empty: the program's).
    explicit CScrollBarTree(const std::wstring& skinFolder = std::wstring());

    void OnSubclassed() override;

    CScrollBarEx& GetHorizontalBar() { return m_horizontal; }
    CScrollBarEx& GetVerticalBar() { return m_vertical; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    CScrollBarEx m_horizontal;
    CScrollBarEx m_vertical;
};
