// Shows one control for a screenshot, with the generated skin of the build:
//
//   menu_tabs_tree_demo menu flat|classic <out.bmp>   the test menu, open
//   menu_tabs_tree_demo tabs <out.bmp>                 a tab strip with pages
//   menu_tabs_tree_demo tree <out.bmp>                 a filled contact tree
//
// The program captures the screen itself into out.bmp (24-bit BMP) while the
// control is shown, waits a moment more for an outside screenshot, and ends.
// The menu looks are picked with the system colours (restored at the end).
#include "clientui/EnTabCtrl.h"
#include "clientui/IMFriendListTree.h"
#include "clientui/OfficeXPMenu.h"

#include "TestResources.h"
#include "test_support.h"

#include "fw/Dialog.h"
#include "fw/Window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>

namespace {

std::wstring g_out;

class MenuOwner : public fw::CWindow {
protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        LRESULT result = 0;
        if (COfficeXPMenu::RouteOwnerMessage(msg, wParam, lParam, &result)) return result;
        return fw::CWindow::WindowProc(msg, wParam, lParam);
    }
};

HWND g_menuOwner = nullptr;
int g_ticks = 0;

void CALLBACK MenuTick(HWND, UINT, UINT_PTR, DWORD) {
    ++g_ticks;
    if (g_ticks == 5 || g_ticks == 6) {
        // Highlight the second item with the keyboard.
        ::PostMessageW(g_menuOwner, WM_KEYDOWN, VK_DOWN, 0);
    } else if (g_ticks == 14) {
        SaveWindowBitmap(nullptr, g_out);
    } else if (g_ticks >= 40) {
        ::EndMenu();
    }
}

int ShowMenu(bool flat) {
    const int ids[] = {COLOR_MENU, COLOR_BTNFACE};
    COLORREF saved[] = {::GetSysColor(COLOR_MENU), ::GetSysColor(COLOR_BTNFACE)};
    COLORREF wanted[2];
    if (flat) {
        wanted[0] = RGB(255, 255, 255);
        wanted[1] = RGB(236, 233, 216);
    } else {
        wanted[0] = RGB(212, 208, 200);
        wanted[1] = RGB(212, 208, 200);
    }
    ::SetSysColors(2, ids, wanted);

    MenuOwner owner;
    owner.CreateEx(0, L"", L"menu", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{0, 0, 400, 300}, nullptr, 0);
    g_menuOwner = owner;
    COfficeXPMenu menu;
    menu.LoadMenu(IDM_TEST_MENU);
    COfficeXPMenu* file = menu.GetSubMenu(0);
    // The status items carry the skin's status marks as icons.
    fw::CImageList marks = LoadStatusImages(SkinBinFolder());
    if (file) {
        file->SetIconSize(11, 11);
        file->AppendItem(MF_STRING, L"", 0);
        file->AppendItemWithIcon(L"\u5728\u7EBF", 2001, marks, 0);
        file->AppendItemWithIcon(L"\u5FD9\u788C", 2002, marks, 1);
        file->AppendItemWithIcon(L"\u79BB\u5F00", 2003, marks, 2);
    }
    ::SetForegroundWindow(owner);
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, &MenuTick);
    if (file) file->TrackPopupMenu(TPM_LEFTALIGN | TPM_RETURNCMD, 20, 20, owner);
    ::KillTimer(nullptr, timer);
    ::SetSysColors(2, ids, saved);
    return 0;
}

class Page : public fw::CDialog {
public:
    explicit Page(UINT id) : fw::CDialog(id) {}
};

int ShowTabs() {
    CEnTabCtrl::SetLookFlags(0x0F);
    fw::CWindow frame;
    frame.CreateEx(0, L"", L"tabs", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, RECT{0, 0, 420, 260}, nullptr, 0);
    CEnTabCtrl tabs;
    tabs.SetBkgndColour(RGB(227, 239, 255), RGB(196, 218, 250));
    tabs.Create(frame, RECT{0, 0, 420, 260}, 100);
    tabs.SetFont(static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)));
    Page one(IDD_TAB_PAGE_ONE), two(IDD_TAB_PAGE_TWO), three(IDD_TAB_PAGE_ONE);
    tabs.AddTabPage(&one, IDD_TAB_PAGE_ONE, L"\u8054\u7CFB\u4EBA");
    tabs.AddTabPage(&two, IDD_TAB_PAGE_TWO, L"\u6700\u8FD1\u4F1A\u8BDD");
    tabs.AddTabPage(&three, IDD_TAB_PAGE_ONE, L"\u7EC4\u7EC7\u7ED3\u6784");
    tabs.SetCurSel(1);
    tabs.ShowTabPage(1);
    ::UpdateWindow(frame);
    PumpFor(1500);
    SaveWindowBitmap(frame, g_out);
    PumpFor(1500);
    return 0;
}

int ShowTree() {
    fw::CWindow frame;
    frame.CreateEx(0, L"", L"tree", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, RECT{0, 0, 300, 600}, nullptr, 0);
    CIMFriendListTree tree;
    tree.Create(frame, RECT{0, 0, 300, 600}, 2);
    fw::CImageList faces = LoadFaceImages(SkinBinFolder(), false);
    fw::CImageList marks = LoadStatusImages(SkinBinFolder());
    tree.SetFaceImages(faces);
    tree.SetStatusImages(marks);
    tree.InsertGroups(FixtureCategories());
    FriendMap friends = FixtureFriends();
    tree.InsertFriends(friends);
    for (HTREEITEM root = tree.GetRootItem(); root; root = tree.GetNextSiblingItem(root)) tree.Expand(root);
    tree.SendMessage(TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(tree.GetRootItem()));
    tree.SelectItem(tree.FindUserItem(104));
    tree.FlashUser(106, true);
    ::UpdateWindow(frame);
    PumpFor(1700);
    SaveWindowBitmap(frame, g_out);
    PumpFor(1500);
    return 0;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (!argv) return 2;
    ::InitCommonControls();
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"menu" && argc > 3) {
        g_out = argv[3];
        return ShowMenu(std::wstring(argv[2]) == L"flat");
    }
    if (mode == L"tabs" && argc > 2) {
        g_out = argv[2];
        return ShowTabs();
    }
    if (mode == L"tree" && argc > 2) {
        g_out = argv[2];
        return ShowTree();
    }
    return 2;
}
