// CChildViewBase: lays its controls out for each new size, never erases,
// and keeps Enter and Escape from closing its panel.
#include "PanelTestSupport.h"
#include "TestPanels.h"

#include "clientui/PanelRegistry.h"

#include "fw/DeviceContext.h"

using paneltest::CTestChildView;
using paneltest::CTestPanel;
using paneltest::DeleteCounts;
using paneltest::Pump;

TEST(ChildView, LaysOutItsControlsForEveryNewSizeInsideItsPanel) {
    auto* panel = new CTestPanel(1);
    ASSERT_TRUE(panel->Create(nullptr));
    CPanelRegistry::GetInstance()->AddPanel(panel);
    CTestChildView view;
    ASSERT_TRUE(view.Create(panel->GetHwnd()));
    EXPECT_EQ(view.GetParent(), panel->GetHwnd());

    view.MoveWindow(RECT{10, 40, 210, 190});
    ASSERT_FALSE(view.layouts.empty());
    EXPECT_EQ(view.layouts.back().cx, 200);
    EXPECT_EQ(view.layouts.back().cy, 150);
    const RECT list = fw::CWindow(view.GetDlgItem(IDC_TEST_LIST)).GetWindowRect();
    EXPECT_EQ(list.right - list.left, 200);

    {
        fw::CClientDC dc(view);
        EXPECT_EQ(view.SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.Get())), TRUE);
    }

    // Enter and Escape inside the view are swallowed; other keys are not.
    HWND listHwnd = view.GetDlgItem(IDC_TEST_LIST);
    for (WPARAM key : {static_cast<WPARAM>(VK_RETURN), static_cast<WPARAM>(VK_ESCAPE)}) {
        MSG msg = {listHwnd, WM_KEYDOWN, key, 0, 0, {0, 0}};
        EXPECT_TRUE(fw::CMessageLoop::PreTranslate(msg)) << key;
    }
    MSG other = {listHwnd, WM_KEYDOWN, VK_DOWN, 0, 0, {0, 0}};
    EXPECT_FALSE(fw::CMessageLoop::PreTranslate(other));

    // Escape posted to the list goes nowhere: the panel stays open.
    ::SetFocus(listHwnd);
    ::PostMessageW(listHwnd, WM_KEYDOWN, VK_ESCAPE, 0);
    Pump(50);
    EXPECT_TRUE(panel->IsWindow());
    EXPECT_FALSE(panel->IsEnding());
    EXPECT_EQ(DeleteCounts().count(1), 0u);

    view.DestroyWindow();
    CPanelRegistry::DestroyInstance();
    EXPECT_EQ(DeleteCounts()[1], 1);
}
