#include "OrgInfoTree.h"

#include "LeftListRules.h"

#include "fw/DeviceContext.h"
#include "fw/GdiObject.h"
#include "fw/MemoryDC.h"

#include <cstring>
#include <vector>

COrgInfoTree::COrgInfoTree() = default;

COrgInfoTree::~COrgInfoTree() = default;

bool COrgInfoTree::Create(HWND parent, const RECT& rect, UINT id) {
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS |
                        TVS_TRACKSELECT | TVS_NOHSCROLL;
    if (!CreateEx(0, WC_TREEVIEWW, L"", style, rect, parent, id)) return false;
    SendMessage(TVM_SETITEMHEIGHT, kItemHeight);
    SendMessage(TVM_SETBKCOLOR, 0, kBackground);
    return true;
}

HTREEITEM COrgInfoTree::FindItemByData(LPARAM id) const {
    std::vector<HTREEITEM> pending;
    for (HTREEITEM root = GetRootItem(); root; root = GetNextSiblingItem(root)) pending.push_back(root);
    // Depth-first: an item, then its children, then its next sibling.
    while (!pending.empty()) {
        HTREEITEM item = pending.front();
        pending.erase(pending.begin());
        if (GetItemData(item) == id) return item;
        std::vector<HTREEITEM> children;
        for (HTREEITEM child = GetChildItem(item); child; child = GetNextSiblingItem(child)) children.push_back(child);
        pending.insert(pending.begin(), children.begin(), children.end());
    }
    return nullptr;
}

bool COrgInfoTree::IsAgentItem(HTREEITEM item) const {
    TVITEMW tv = {};
    tv.mask = TVIF_IMAGE | TVIF_PARAM;
    tv.hItem = item;
    SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    return tv.iImage <= CLeftListRules::kAgentSelectedImage && CLeftListRules::IsAgentId(static_cast<int32_t>(tv.lParam));
}

int32_t COrgInfoTree::AgentStatus(int32_t agent) const {
    auto it = m_agentStatus.find(agent);
    return it == m_agentStatus.end() ? -1 : it->second;
}

void COrgInfoTree::RefreshAgentStatuses() {
    if (!m_hWnd || !m_statusSource) return;
    for (HTREEITEM item = GetNextItem(nullptr, TVGN_FIRSTVISIBLE); item; item = GetNextItem(item, TVGN_NEXTVISIBLE)) {
        if (!IsAgentItem(item)) continue;
        const int32_t agent = static_cast<int32_t>(GetItemData(item));
        m_agentStatus[agent] = m_statusSource(agent);
    }
    Invalidate(false);
}

LRESULT COrgInfoTree::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT:
        if (wParam) break;  // a paint into a given DC (the memory bitmap below)
        Paint();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    default:
        break;
    }
    return fw::CTreeCtrl::WindowProc(msg, wParam, lParam);
}

void COrgInfoTree::Paint() {
    fw::CPaintDC paint(m_hWnd);
    const RECT client = GetClientRect();
    fw::CMemoryDC memory(paint, client.right, client.bottom);
    if (!memory.IsValid()) return;
    fw::CBrush background(::CreateSolidBrush(kBackground));
    ::FillRect(memory, &client, background.Get());
    // The platform draws the items into the bitmap (custom draw included).
    DefWindowProc(WM_PAINT, reinterpret_cast<WPARAM>(static_cast<HDC>(memory)), 0);
    memory.CopyTo(paint);
}

bool COrgInfoTree::OnReflectedMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) {
    if (msg != WM_NOTIFY) return false;
    auto* hdr = reinterpret_cast<NMHDR*>(lParam);
    if (!hdr || hdr->hwndFrom != m_hWnd) return false;
    if (hdr->code == NM_CUSTOMDRAW) {
        *result = OnCustomDraw(reinterpret_cast<NMTVCUSTOMDRAW*>(hdr));
        return true;
    }
    if (hdr->code == TVN_ITEMEXPANDEDW || hdr->code == TVN_ITEMEXPANDEDA) RefreshAgentStatuses();
    return false;  // the panel sees the notifications too
}

LRESULT COrgInfoTree::OnCustomDraw(NMTVCUSTOMDRAW* draw) {
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
    case CDDS_ITEMPREPAINT: {
        const UINT state = draw->nmcd.uItemState;
        if (state & (CDIS_SELECTED | CDIS_FOCUS)) {
            draw->clrTextBk = kSelected;
            draw->clrText = RGB(0, 0, 0);
        } else if (state & CDIS_HOT) {
            draw->clrTextBk = kHot;
            draw->clrText = RGB(0, 0, 0);
        }
        // The platform would paint its own highlight over the colour.
        draw->nmcd.uItemState &= ~(CDIS_SELECTED | CDIS_FOCUS);
        return CDRF_NOTIFYPOSTPAINT;
    }
    case CDDS_ITEMPOSTPAINT: {
        HTREEITEM item = reinterpret_cast<HTREEITEM>(draw->nmcd.dwItemSpec);
        RECT text = {};
        std::memcpy(&text, &item, sizeof item);
        if (!SendMessage(TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&text))) return CDRF_DODEFAULT;
        const UINT state = draw->nmcd.uItemState;
        if (!(state & (CDIS_SELECTED | CDIS_FOCUS | CDIS_HOT))) {
            RECT strip = {text.right, text.top, GetClientRect().right, text.bottom};
            fw::CBrush window(::CreateSolidBrush(kBackground));
            ::FillRect(draw->nmcd.hdc, &strip, window.Get());
        }
        if (m_statuses && IsAgentItem(item)) {
            const int32_t status = AgentStatus(static_cast<int32_t>(GetItemData(item)));
            if (status >= 0 && status < ::ImageList_GetImageCount(m_statuses))
                ::ImageList_Draw(m_statuses, status, draw->nmcd.hdc, text.left - 11, text.bottom - 11, ILD_TRANSPARENT);
        }
        return CDRF_DODEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}
