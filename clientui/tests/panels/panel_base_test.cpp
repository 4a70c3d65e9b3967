// CPanelBase: the surface is the caption, size codes only when resizable,
// double click and maximise, caption buttons, closing through the registry.
#include "PanelTestSupport.h"
#include "TestPanels.h"

#include "clientui/PanelRegistry.h"

using paneltest::CTestPanel;
using paneltest::DeleteCounts;
using paneltest::Pump;
using paneltest::PumpUntil;

namespace {

// The hit test alone, over R = (100, 100)-(500, 400), border 3, caption 28.
struct HitCase {
    const char* what;
    bool resizable;
    bool maximized;
    POINT pt;
    LRESULT expected;  // 0: default processing
};

const HitCase kHitCases[] = {
    {"fixed: surface", false, false, {300, 250}, HTCAPTION},
    {"fixed: grip corner is surface", false, false, {495, 395}, HTCAPTION},
    {"fixed: border", false, false, {101, 250}, 0},
    {"fixed: corner", false, false, {499, 399}, 0},
    {"resizable: surface", true, false, {300, 250}, HTCAPTION},
    {"resizable: grip inside", true, false, {495, 395}, HTBOTTOMRIGHT},
    {"resizable: top left", true, false, {101, 101}, HTTOPLEFT},
    {"resizable: top", true, false, {300, 101}, HTTOP},
    {"resizable: top right", true, false, {498, 101}, HTTOPRIGHT},
    {"resizable: left", true, false, {101, 250}, HTLEFT},
    {"resizable: right", true, false, {498, 250}, HTRIGHT},
    {"resizable: bottom left", true, false, {101, 398}, HTBOTTOMLEFT},
    {"resizable: bottom", true, false, {300, 398}, HTBOTTOM},
    {"resizable: bottom right", true, false, {499, 399}, HTBOTTOMRIGHT},
    {"resizable: outside", true, false, {50, 50}, 0},
    {"maximised: caption strip", true, true, {300, 110}, HTCAPTION},
    {"maximised: below the strip", true, true, {300, 250}, 0},
    {"maximised: border", true, true, {101, 250}, 0},
    {"maximised fixed: caption strip", false, true, {300, 127}, HTCAPTION},
    {"maximised fixed: below the strip", false, true, {300, 129}, 0},
};

class PanelBaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteCounts().clear();
        panel_ = new CTestPanel(1);
        ASSERT_TRUE(panel_->Create(nullptr));
        ASSERT_TRUE(CPanelRegistry::GetInstance()->AddPanel(panel_));
        Pump(20);
    }
    void TearDown() override {
        CPanelRegistry::DestroyInstance();
        Pump(10);
    }
    LRESULT HitAt(int x, int y) { return panel_->SendMessage(WM_NCHITTEST, 0, MAKELPARAM(x, y)); }
    HWND Hwnd() const { return panel_->GetHwnd(); }

    CTestPanel* panel_ = nullptr;
};

}  // namespace

TEST(PanelHitTest, FollowsTheResizableAndMaximisedFlags) {
    const RECT r = {100, 100, 500, 400};
    for (const HitCase& c : kHitCases)
        EXPECT_EQ(CPanelBase::HitTest(r, c.pt, 3, 28, c.resizable, c.maximized), c.expected) << c.what;
}

TEST_F(PanelBaseTest, StartsWithTheDefaultsAndInitialisesOnce) {
    EXPECT_FALSE(panel_->IsMaximizable());
    EXPECT_FALSE(panel_->IsResizable());
    EXPECT_EQ(panel_->GetCaptionHeight(), 28);
    EXPECT_EQ(panel_->GetBorderWidth(), 3);
    EXPECT_TRUE(panel_->IsInitialized());
    EXPECT_TRUE(panel_->GetSkin().IsLoaded());
    // The caption buttons are bound and owner-drawn.
    for (CSkinBtn* button : {&panel_->GetMinimizeButton(), &panel_->GetMaximizeButton(), &panel_->GetCloseButton()}) {
        ASSERT_TRUE(button->IsWindow());
        EXPECT_EQ(button->GetStyle() & BS_TYPEMASK, static_cast<DWORD>(BS_OWNERDRAW));
    }
    EXPECT_EQ(panel_->GetCloseButton().GetDlgCtrlID(), IDC_PANEL_CLOSE);
    EXPECT_EQ(panel_->GetMaximizeButton().GetDlgCtrlID(), IDC_PANEL_MAXIMIZE);
    EXPECT_EQ(panel_->GetMinimizeButton().GetDlgCtrlID(), IDC_PANEL_MINIMIZE);

    EXPECT_TRUE(panel_->InitAgain());
    EXPECT_TRUE(panel_->GetCloseButton().IsWindow());
}

TEST_F(PanelBaseTest, TheFreeSurfaceIsTheCaptionAndTheBorderSizesOnlyWhenResizable) {
    EXPECT_EQ(HitAt(300, 250), HTCAPTION);
    EXPECT_EQ(HitAt(101, 250), HTCLIENT) << "fixed panel: no size code on the border";
    EXPECT_EQ(HitAt(499, 399), HTCLIENT);
    panel_->SetResizable(true);
    EXPECT_EQ(HitAt(101, 250), HTLEFT);
    EXPECT_EQ(HitAt(499, 399), HTBOTTOMRIGHT);
    EXPECT_EQ(HitAt(300, 250), HTCAPTION);
}

TEST_F(PanelBaseTest, SizeCodesShowSizeCursors) {
    const struct {
        int hit;
        const wchar_t* cursor;
    } cases[] = {{HTLEFT, IDC_SIZEWE},       {HTRIGHT, IDC_SIZEWE},        {HTTOP, IDC_SIZENS},
                 {HTBOTTOM, IDC_SIZENS},     {HTTOPLEFT, IDC_SIZENWSE},    {HTBOTTOMRIGHT, IDC_SIZENWSE},
                 {HTTOPRIGHT, IDC_SIZENESW}, {HTBOTTOMLEFT, IDC_SIZENESW}};
    for (const auto& c : cases) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
        EXPECT_EQ(panel_->SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(Hwnd()), MAKELPARAM(c.hit, WM_MOUSEMOVE)),
                  TRUE)
            << c.hit;
        EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, c.cursor)) << c.hit;
    }
}

TEST_F(PanelBaseTest, ButtonDownOnASizeCodeStartsSizingFromThatEdge) {
    for (int hit = HTLEFT; hit <= HTBOTTOMRIGHT; ++hit)
        panel_->SendMessage(WM_NCLBUTTONDOWN, static_cast<WPARAM>(hit), MAKELPARAM(120, 130));
    ASSERT_EQ(panel_->sizeCommands.size(), 8u);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(panel_->sizeCommands[i], static_cast<WPARAM>(0xF001 + i));
        EXPECT_EQ(panel_->sizePoints[i], MAKELPARAM(120, 130));
    }
}

TEST_F(PanelBaseTest, DoubleClickOnTheCaptionStripMaximisesAndRestoresWhenMaximisable) {
    // Not maximisable: nothing.
    panel_->SendMessage(WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(300, 110));
    Pump(50);
    EXPECT_FALSE(panel_->Maximized());

    panel_->SetMaximizable(true);
    panel_->SendMessage(WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(300, 250));
    Pump(50);
    EXPECT_FALSE(panel_->Maximized()) << "below the caption strip";

    panel_->SendMessage(WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(300, 110));
    Pump(100);
    ASSERT_TRUE(panel_->Maximized());
    const RECT maximized = panel_->GetWindowRect();
    panel_->SendMessage(WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(maximized.left + 50, maximized.top + 5));
    Pump(100);
    EXPECT_FALSE(panel_->Maximized()) << maximized.left << "," << maximized.top << "," << maximized.right << "," << maximized.bottom;
}

namespace {

// Queues a left-button drag from one screen point to another as real input.
void Drag(POINT from, POINT to) {
    const int cx = ::GetSystemMetrics(SM_CXSCREEN);
    const int cy = ::GetSystemMetrics(SM_CYSCREEN);
    auto at = [&](POINT p, DWORD flags) {
        INPUT in = {};
        in.type = INPUT_MOUSE;
        in.mi.dx = static_cast<LONG>((p.x * 65536LL + cx / 2) / cx);
        in.mi.dy = static_cast<LONG>((p.y * 65536LL + cy / 2) / cy);
        in.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | flags;
        return in;
    };
    const POINT middle = {(from.x + to.x) / 2, (from.y + to.y) / 2};
    INPUT inputs[] = {at(from, 0), at(from, MOUSEEVENTF_LEFTDOWN), at(middle, 0), at(to, 0),
                      at(to, MOUSEEVENTF_LEFTUP)};
    ::SendInput(static_cast<UINT>(sizeof inputs / sizeof inputs[0]), inputs, sizeof(INPUT));
}

}  // namespace

// Real input: the platform hit-tests the panel, drags it from its surface,
// and a press on the edge of a resizable panel asks for sizing from that
// edge (the sizing loop itself is the platform's and is not run here).
TEST_F(PanelBaseTest, DraggingTheSurfaceMovesThePanelAndAPressOnTheEdgeStartsSizing) {
    panel_->recordSizing = false;
    // Above the windows of other programs on the same display, so that the
    // presses reach this panel.
    ::SetWindowPos(Hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::SetForegroundWindow(Hwnd());
    Pump(50);
    Drag(POINT{300, 250}, POINT{350, 280});
    PumpUntil([&] { return panel_->GetWindowRect().left == 150 && panel_->GetWindowRect().top == 130; });
    Pump(100);
    RECT rc = panel_->GetWindowRect();
    EXPECT_NEAR(rc.left, 150, 1);
    EXPECT_NEAR(rc.top, 130, 1);
    EXPECT_NEAR(rc.right - rc.left, 400, 1);

    panel_->recordSizing = true;
    const POINT rightEdge = {rc.right - 1, (rc.top + rc.bottom) / 2};
    Drag(rightEdge, rightEdge);
    Pump(300);
    EXPECT_TRUE(panel_->sizeCommands.empty()) << "a fixed panel's edge is not a size border";
    EXPECT_EQ(panel_->GetWindowRect().left, rc.left) << "nor a caption";

    panel_->SetResizable(true);
    // Far enough from the last press not to make a double click of it.
    const POINT lowerRightEdge = {rightEdge.x, rightEdge.y + 40};
    Drag(lowerRightEdge, lowerRightEdge);
    PumpUntil([&] { return !panel_->sizeCommands.empty(); });
    Pump(100);
    ASSERT_EQ(panel_->sizeCommands.size(), 1u);
    EXPECT_EQ(panel_->sizeCommands[0], static_cast<WPARAM>(SC_SIZE | WMSZ_RIGHT));
    EXPECT_NEAR(static_cast<short>(LOWORD(panel_->sizePoints[0])), lowerRightEdge.x, 1);
    EXPECT_NEAR(static_cast<short>(HIWORD(panel_->sizePoints[0])), lowerRightEdge.y, 1);

    // Maximised: the surface does not drag.
    panel_->recordSizing = false;
    panel_->SendMessage(WM_COMMAND, IDC_PANEL_MAXIMIZE);
    Pump(100);
    ASSERT_TRUE(panel_->Maximized());
    const RECT maximized = panel_->GetWindowRect();
    Drag(POINT{maximized.left + 300, maximized.top + 10}, POINT{maximized.left + 360, maximized.top + 60});
    Pump(300);
    const RECT after = panel_->GetWindowRect();
    EXPECT_EQ(after.left, maximized.left);
    EXPECT_EQ(after.top, maximized.top);
    EXPECT_TRUE(panel_->Maximized());
}

TEST_F(PanelBaseTest, AMaximisedPanelCannotBeDragged) {
    MSG down = {Hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(300, 110), 0, {300, 110}};
    EXPECT_FALSE(panel_->PreTranslateMessage(down));
    panel_->SendMessage(WM_COMMAND, IDC_PANEL_MAXIMIZE);
    Pump(100);
    ASSERT_TRUE(panel_->Maximized());
    EXPECT_TRUE(panel_->PreTranslateMessage(down));
    const RECT maximized = panel_->GetWindowRect();
    EXPECT_EQ(HitAt(maximized.left + 200, maximized.top + 10), HTCAPTION);
    EXPECT_EQ(HitAt(maximized.left + 200, maximized.top + 100), HTCLIENT);
}

TEST_F(PanelBaseTest, CaptionButtonsMinimiseMaximiseAndRestore) {
    panel_->SendMessage(WM_COMMAND, IDC_PANEL_MINIMIZE);
    Pump(50);
    EXPECT_TRUE(::IsIconic(Hwnd()));
    panel_->ShowWindow(SW_RESTORE);
    Pump(50);
    EXPECT_FALSE(::IsIconic(Hwnd()));

    panel_->SendMessage(WM_COMMAND, IDC_PANEL_MAXIMIZE);
    Pump(100);
    EXPECT_TRUE(panel_->Maximized());
    panel_->SendMessage(WM_COMMAND, IDC_PANEL_MAXIMIZE);
    Pump(100);
    EXPECT_FALSE(panel_->Maximized());
}

TEST_F(PanelBaseTest, ResizingGivesTheWindowItsRoundedRegion) {
    panel_->SetWindowPos(nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
    Pump(20);
    fw::CRgn region(::CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(::GetWindowRgn(Hwnd(), region), ERROR);
    RECT box = {};
    ::GetRgnBox(region, &box);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_GE(box.right, 300);
    EXPECT_GE(box.bottom, 200);
    // The corners are cut.
    EXPECT_FALSE(::PtInRegion(region, 0, 0));
    EXPECT_TRUE(::PtInRegion(region, 150, 100));
}

TEST_F(PanelBaseTest, TheCloseButtonsClickDeletesThePanelOnceAfterItsHandlers) {
    HWND hwnd = Hwnd();
    // The click runs inside the button's own handler, which sends the
    // command to the panel: both return before the panel goes.
    panel_->GetCloseButton().SendMessage(BM_CLICK);
    EXPECT_EQ(DeleteCounts()[1], 1);
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_FALSE(CPanelRegistry::GetInstance()->Holds(panel_));
    EXPECT_TRUE(CPanelRegistry::GetInstance()->GetPanels().empty());
    Pump(20);
    EXPECT_EQ(DeleteCounts()[1], 1);
}

TEST_F(PanelBaseTest, SystemCloseAndWindowCloseGoThroughTheRegistry) {
    for (UINT how : {0u, 1u}) {
        auto* panel = new CTestPanel(10 + static_cast<int>(how));
        ASSERT_TRUE(panel->Create(nullptr));
        CPanelRegistry::GetInstance()->AddPanel(panel);
        HWND hwnd = panel->GetHwnd();
        if (how == 0)
            ::SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        else
            ::SendMessageW(hwnd, WM_CLOSE, 0, 0);
        EXPECT_EQ(DeleteCounts()[10 + static_cast<int>(how)], 1);
        EXPECT_FALSE(::IsWindow(hwnd));
    }
    EXPECT_EQ(CPanelRegistry::GetInstance()->GetPanels().size(), 1u) << "the fixture's panel stays";
}

TEST_F(PanelBaseTest, APanelTheRegistryDoesNotHoldOnlyEndsItsDialog) {
    CTestPanel own(20);
    ASSERT_TRUE(own.Create(nullptr));
    own.SendMessage(WM_COMMAND, IDC_PANEL_CLOSE);
    EXPECT_TRUE(own.IsEnding());
    EXPECT_EQ(own.GetResult(), IDCANCEL);
    EXPECT_TRUE(own.IsWindow());
    EXPECT_EQ(DeleteCounts().count(20), 0u);
    own.DestroyWindow();
}

TEST_F(PanelBaseTest, APanelWithoutCaptionButtonsStillInitialises) {
    auto* bare = new CTestPanel(30, IDD_TEST_BARE_PANEL);
    ASSERT_TRUE(bare->Create(nullptr));
    EXPECT_TRUE(bare->IsInitialized());
    EXPECT_FALSE(bare->GetCloseButton().IsWindow());
    CPanelRegistry::GetInstance()->AddPanel(bare);
    bare->SendMessage(WM_SYSCOMMAND, SC_CLOSE);
    EXPECT_EQ(DeleteCounts()[30], 1);
}

TEST(PanelRelayout, InvalidatesThePartsRectangle) {
    struct CPartPanel : CTestPanel {
        CPartPanel() : CTestPanel(40) {}
        std::vector<int> asked;
        void LayoutPanel(int* part, const RECT& client, RECT* out) override {
            asked.push_back(*part);
            *out = RECT{client.right - 50, 0, client.right, 20};
        }
    } panel;
    ASSERT_TRUE(panel.Create(nullptr));
    Pump(20);
    ::ValidateRect(panel, nullptr);
    int part = 7;
    RelayoutPanel(&panel, &part);
    ASSERT_EQ(panel.asked.size(), 1u);
    EXPECT_EQ(panel.asked[0], 7);
    RECT update = {};
    ASSERT_TRUE(::GetUpdateRect(panel, &update, FALSE));
    const RECT client = panel.GetClientRect();
    EXPECT_EQ(update.left, client.right - 50);
    EXPECT_EQ(update.bottom, 20);
    panel.DestroyWindow();
}
