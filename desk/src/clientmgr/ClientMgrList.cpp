#include "ClientMgrList.h"

#include "ClientMgrModel.h"

#include <commctrl.h>

void CClientMgrList::ClampColumns(int columns) {
    if (!IsWindow()) return;
    for (int column = 0; column < columns; ++column) {
        const int width = static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column)));
        const int clamped = CClientMgrModel::ClampColumnWidth(column, width);
        if (clamped != width) SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), clamped);
    }
}

LRESULT CClientMgrList::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHEADERW*>(lParam);
        if (header && (header->hdr.code == HDN_ITEMCHANGINGW || header->hdr.code == HDN_ITEMCHANGINGA) &&
            header->pitem && (header->pitem->mask & HDI_WIDTH)) {
            header->pitem->cxy = CClientMgrModel::ClampColumnWidth(header->iItem, header->pitem->cxy);
            const LRESULT result = fw::CListCtrl::WindowProc(msg, wParam, lParam);
            ::PostMessageW(GetParent(), m_clampMessage, 0, 0);
            return result;
        }
    }
    return fw::CListCtrl::WindowProc(msg, wParam, lParam);
}
