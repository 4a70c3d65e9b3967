// COrgInfoTree: the tree of the agents of the own group with each agent's
// current customers below it (control 1130 of the left list panel; the
// registered-user tree, 1132, is drawn the same way). Items carry ids: an
// agent item the agent's id, a customer item the customer's id (its parent
// is its agent).
//
// It paints through a memory bitmap with the platform's drawing of the
// items and its own colours: a selected or focused item on 0xAAEBFA, the
// item under the pointer on 0xFAE1C3, both in black; the strip right of any
// other item's text in the window colour. Each agent shows its status mark
// (the application's status image) from the statuses last refreshed.
//
// UI thread only.
#pragma once

#include "fw/TreeCtrl.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <map>

class COrgInfoTree : public fw::CTreeCtrl {
public:
    static constexpr COLORREF kBackground = 0xFDFCF6;
    static constexpr COLORREF kSelected = 0xAAEBFA;
    static constexpr COLORREF kHot = 0xFAE1C3;
    static constexpr int kItemHeight = 20;

    COrgInfoTree();
    ~COrgInfoTree() override;

    bool Create(HWND parent, const RECT& rect, UINT id);
    // The status marks (11 x 11, by status; not owned; may be null).
    void SetStatusImages(HIMAGELIST statuses) { m_statuses = statuses; }
    // Where the agents' statuses come from (the engine's user records).
    void SetStatusSource(std::function<int32_t(int32_t)> source) { m_statusSource = std::move(source); }
    // Reads the statuses of the agents whose items are visible and repaints.
    void RefreshAgentStatuses();
    // The status last read for an agent (-1: none).
    int32_t AgentStatus(int32_t agent) const;

    // The item whose data is id, searched depth-first; null when none.
    HTREEITEM FindItemByData(LPARAM id) const;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    LRESULT OnCustomDraw(NMTVCUSTOMDRAW* draw);
    void Paint();
    bool IsAgentItem(HTREEITEM item) const;

    HIMAGELIST m_statuses = nullptr;
    std::function<int32_t(int32_t)> m_statusSource;
    std::map<int32_t, int32_t> m_agentStatus;
    HTREEITEM m_hot = nullptr;
};
