#include "ChatLeftListPanel.h"

#include "ChatViewResource.h"
#include "TavrelApp.h"

#include <commctrl.h>

CChatLeftListPanel::CChatLeftListPanel() : CChildViewBase(IDD_CHAT_LEFT_LIST) {}

CChatLeftListPanel::~CChatLeftListPanel() = default;

BOOL CChatLeftListPanel::OnInitDialog() {
    CChildViewBase::OnInitDialog();
    const RECT client = GetClientRect();
    m_customerTree.Create(m_hWnd, client, IDC_CHAT_CUSTOMER_TREE,
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_SHOWSELALWAYS | TVS_NOHSCROLL);
    if (CTavrelApp* app = CTavrelApp::GetApp()) {
        m_customerTree.SetFaceImages(app->GetFaceImageList());
        m_customerTree.SetStatusImages(app->GetStatusImageList());
    }
    LayoutControls(client.right, client.bottom);
    ShowListKind(m_listKind);
    return TRUE;
}

int CChatLeftListPanel::LayoutControls(int width, int height) {
    if (m_customerTree.IsWindow()) ::MoveWindow(m_customerTree.GetHwnd(), 0, 0, width, height, TRUE);
    return 0;
}

void CChatLeftListPanel::ShowListKind(int kind) {
    m_listKind = kind;
    if (kind != kKindCustomers && kind != kKindOrganisation && kind != kKindRegistered) return;
    if (m_customerTree.IsWindow()) m_customerTree.ShowWindow(kind == kKindCustomers ? SW_SHOW : SW_HIDE);
}

bool CChatLeftListPanel::OnPaint() {
    // The trees cover the panel; what shows between them is white.
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    ::FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::EndPaint(m_hWnd, &ps);
    return true;
}
