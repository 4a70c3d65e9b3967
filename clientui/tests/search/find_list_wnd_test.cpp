// CFindListWnd: at most six hits carrying user ids, Up/Down wrapping around,
// Enter opening the selected hit and hiding the pop-up, Escape hiding it, a
// double click opening without hiding; and a picture of the pop-up under its
// search box (tests/search/search_popup.png is taken from the X display by
// the test script when asked).
#include "clientui/EditWithButton.h"
#include "clientui/FindListWnd.h"

#include "SearchTestHost.h"
#include "fw/Application.h"
#include "fw/MemoryDC.h"
#include "fw/MessageLoop.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using searchtest::CRecordingHost;

class FindListWndTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.IsWindow());
        ASSERT_TRUE(popup.Create(host.GetHwnd()));
        EXPECT_FALSE(popup.IsWindowVisible()) << "created hidden";
    }

    void Fill(int count) {
        popup.ClearList();
        for (int i = 0; i < count; ++i) popup.AddItem(L"user" + std::to_wstring(i), 1001 + i);
    }
    void Show() { popup.SetWindowPos(nullptr, 50, 90, 197, 99, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW); }
    std::vector<WPARAM> OpenedIds() const {
        std::vector<WPARAM> ids;
        for (const auto& m : host.sent)
            if (m.msg == WM_OPEN_CHAT) ids.push_back(m.wParam);
        return ids;
    }
    // A key as the message loop delivers it to the focused list.
    void KeyThroughLoop(UINT vk) {
        MSG msg = {popup.GetList().GetHwnd(), WM_KEYDOWN, vk, 0, 0, {0, 0}};
        fw::CMessageLoop::Process(msg);
    }

    CRecordingHost host;
    CFindListWnd popup;
};

TEST_F(FindListWndTest, KeepsAtMostSixHitsWithTheirUserIdsAndSelectsTheFirst) {
    Fill(8);
    ASSERT_EQ(6, popup.GetCount());
    EXPECT_EQ(0, popup.GetCurSel());
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(L"user" + std::to_wstring(i), popup.GetItemText(i));
        EXPECT_EQ(1001 + i, popup.GetItemUserId(i));
    }
    popup.ClearList();
    EXPECT_EQ(0, popup.GetCount());
}

TEST_F(FindListWndTest, UpAndDownWrapAroundAndDoNothingWithoutHits) {
    struct Step {
        UINT key;
        int expected;
    };
    Fill(3);
    const Step steps[] = {{VK_DOWN, 1}, {VK_DOWN, 2}, {VK_DOWN, 0}, {VK_UP, 2}, {VK_UP, 1}, {VK_UP, 0}, {VK_UP, 2}};
    for (const Step& s : steps) {
        EXPECT_TRUE(popup.HandleKey(s.key));
        EXPECT_EQ(s.expected, popup.GetCurSel()) << (s.key == VK_UP ? "up" : "down");
    }
    // No selection: Up goes to the last line, Down to the first.
    popup.GetList().SetCurSel(-1);
    popup.HandleKey(VK_UP);
    EXPECT_EQ(2, popup.GetCurSel());
    popup.GetList().SetCurSel(-1);
    popup.HandleKey(VK_DOWN);
    EXPECT_EQ(0, popup.GetCurSel());

    Fill(0);
    EXPECT_TRUE(popup.HandleKey(VK_DOWN)) << "swallowed";
    EXPECT_TRUE(popup.HandleKey(VK_UP)) << "swallowed";
    EXPECT_EQ(LB_ERR, popup.GetCurSel());
    EXPECT_FALSE(popup.HandleKey(VK_LEFT));
}

TEST_F(FindListWndTest, KeysReachThePopupThroughTheMessageLoop) {
    Fill(4);
    Show();
    KeyThroughLoop(VK_DOWN);
    KeyThroughLoop(VK_DOWN);
    EXPECT_EQ(2, popup.GetCurSel());
    KeyThroughLoop(VK_RETURN);
    ASSERT_EQ(std::vector<WPARAM>{1003}, OpenedIds());
    EXPECT_FALSE(popup.IsWindowVisible());

    Show();
    KeyThroughLoop(VK_ESCAPE);
    EXPECT_FALSE(popup.IsWindowVisible()) << "Escape hides the pop-up";
    EXPECT_EQ(1u, OpenedIds().size()) << "and opens nothing";
}

TEST_F(FindListWndTest, EnterOpensTheSelectedHitAndHides) {
    Fill(3);
    Show();
    popup.HandleKey(VK_DOWN);
    EXPECT_TRUE(popup.HandleKey(VK_RETURN));
    EXPECT_EQ(std::vector<WPARAM>{1002}, OpenedIds());
    ASSERT_EQ(1u, host.sent.size());
    EXPECT_EQ(0, host.sent[0].lParam) << "the view picks the owner";
    EXPECT_FALSE(popup.IsWindowVisible());
}

TEST_F(FindListWndTest, EnterWithoutSelectionOnlyHides) {
    Fill(3);
    Show();
    popup.GetList().SetCurSel(-1);
    popup.HandleKey(VK_RETURN);
    EXPECT_TRUE(OpenedIds().empty());
    EXPECT_FALSE(popup.IsWindowVisible());

    Fill(0);
    Show();
    popup.HandleKey(VK_RETURN);
    EXPECT_TRUE(OpenedIds().empty());
}

TEST_F(FindListWndTest, DoubleClickOpensAndLeavesThePopupShown) {
    Fill(2);
    Show();
    popup.GetList().SetCurSel(1);
    popup.SendMessage(WM_COMMAND, MAKEWPARAM(CFindListWnd::kListId, LBN_DBLCLK),
                      reinterpret_cast<LPARAM>(popup.GetList().GetHwnd()));
    EXPECT_EQ(std::vector<WPARAM>{1002}, OpenedIds());
    EXPECT_TRUE(popup.IsWindowVisible());
}

TEST_F(FindListWndTest, ListFillsTheClientAreaLessTheFrame) {
    Show();
    const RECT client = popup.GetClientRect();
    RECT list = popup.GetList().GetWindowRect();
    POINT topLeft = {list.left, list.top};
    ::ScreenToClient(popup.GetHwnd(), &topLeft);
    EXPECT_EQ(1, topLeft.x);
    EXPECT_EQ(1, topLeft.y);
    EXPECT_EQ(client.right - 2, list.right - list.left);
    EXPECT_EQ(client.bottom - 2, list.bottom - list.top);
    EXPECT_EQ(CFindListWnd::kItemHeight, popup.GetList().SendMessage(LB_GETITEMHEIGHT, 0));
}

// The messenger's pop-up: template 406 with list 1516 and its own frame; it
// stays shown when the focus leaves it (only losing the activation hides it).
TEST(MessengerFindListWndTest, ListsInItsOwnTemplateAndStaysWhenTheFocusLeaves) {
    CRecordingHost host(true);
    CFindListWnd popup(nullptr, kMessengerFindList);
    ASSERT_TRUE(popup.Create(host.GetHwnd()));
    EXPECT_EQ(406u, popup.GetTemplateId());
    ASSERT_NE(nullptr, popup.GetDlgItem(1516));
    EXPECT_EQ(popup.GetList().GetHwnd(), popup.GetDlgItem(1516));
    popup.AddItem(L"\u5F20\u4E09(12346)", 12346);
    popup.SetWindowPos(nullptr, 50, 90, 197, 99, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    popup.GetList().SendMessage(WM_KILLFOCUS, 0, 0);
    popup.SendMessage(WM_KILLFOCUS, 0, 0);
    EXPECT_TRUE(popup.IsWindowVisible());
    popup.GetList().SetCurSel(0);
    popup.SendMessage(WM_COMMAND, MAKEWPARAM(1516, LBN_DBLCLK), reinterpret_cast<LPARAM>(popup.GetList().GetHwnd()));
    ASSERT_EQ(1u, host.sent.size());
    EXPECT_EQ(static_cast<UINT>(WM_OPEN_CHAT), host.sent[0].msg);
    EXPECT_EQ(12346u, host.sent[0].wParam);

    // The frame in 0xB99D7F.
    HDC screen = ::GetDC(nullptr);
    fw::CMemoryDC picture(screen, 197, 99);
    ::ReleaseDC(nullptr, screen);
    popup.SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(static_cast<HDC>(picture)), 0);
    EXPECT_EQ(0xB99D7Fu, ::GetPixel(picture, 0, 0));
}

// The search box with its pop-up as a user sees them; the picture is taken
// by the caller while the scene stays up (QV_SEARCH_SCENE_MS).
TEST(SearchScene, BoxAndPopupWithHits) {
    const char* hold = std::getenv("QV_SEARCH_SCENE_MS");
    if (!hold) GTEST_SKIP() << "set QV_SEARCH_SCENE_MS to look at the scene";
    CRecordingHost host(true);
    HWND edit = ::CreateWindowExW(0, L"EDIT", L"zs", WS_CHILD | WS_VISIBLE | CEditWithButton::kEditStyle, 0, 28,
                                  199, 22, host.GetHwnd(), reinterpret_cast<HMENU>(1051), nullptr, nullptr);
    CEditWithButton box;
    ASSERT_TRUE(box.Subclass(edit));
    const std::wstring skin = fw::CApplication::GetProgramFolder() + L"..\\bin\\Resource\\Comm\\search\\";
    box.SetBitmaps(skin + L"left.bmp", skin + L"right.bmp", skin + L"mid.bmp", skin + L"search.bmp",
                   skin + L"close.bmp");
    box.SetWindowSize(199, 22);
    box.SetSearchButtonRect(RECT{158, 3, 174, 19});
    box.SetClearButtonRect(RECT{178, 3, 194, 19});
    box.SetEditRect(5, 4, 155, 20);
    box.UpdateTextState();
    CFindListWnd popup;
    ASSERT_TRUE(popup.Create(host.GetHwnd()));
    const wchar_t* names[] = {L"\u5F20\u4E09(1001)", L"\u5F20\u601D\u5FB7(1002)", L"\u8D75\u5C71(1003)",
                              L"\u5468\u8BD7(1004)", L"VIP\u5BA2\u6237(1005)(\u5F20\u4F1F)", L"zs-test(1006)"};
    for (int i = 0; i < 6; ++i) popup.AddItem(names[i], 1001 + i);
    popup.HandleKey(VK_DOWN);
    RECT hostRect = host.GetWindowRect();
    popup.SetWindowPos(nullptr, hostRect.left + 3, hostRect.top + 51, 197, 99,
                       SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    searchtest::PumpFor(static_cast<DWORD>(std::atoi(hold)));
}

}  // namespace
