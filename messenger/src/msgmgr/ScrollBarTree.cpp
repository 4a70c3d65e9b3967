#include "ScrollBarTree.h"

CScrollBarTree::CScrollBarTree(const std::wstring& skinFolder) : m_horizontal(skinFolder), m_vertical(skinFolder) {}

void CScrollBarTree::OnSubclassed() {
    m_horizontal.Attach(m_hWnd, CScrollBarEx::kHorizontal);
    m_vertical.Attach(m_hWnd, CScrollBarEx::kVertical);
}

LRESULT CScrollBarTree::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PAINT) {
        const LRESULT result = fw::CTreeCtrl::WindowProc(msg, wParam, lParam);
        if (m_horizontal.IsWindow()) m_horizontal.UpdateBar();
        if (m_vertical.IsWindow()) m_vertical.UpdateBar();
        return result;
    }
    return fw::CTreeCtrl::WindowProc(msg, wParam, lParam);
}
