// Fills the customer tree (CIMFriendListTree, large rows) with many
// customers as the chat view does on log-on (groups, then the friend map),
// then pages through the whole tree with the scroll bar, painting every
// page, and prints the times: the fill, the whole scroll and the slowest
// page. Not a test: nothing fails on a figure.
//
//   customer_tree_bench [--customers N] [--rounds R]
#include "clientui/IMFriendListTree.h"

#include "fw/StringUtil.h"
#include "fw/Window.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

class Host : public fw::CWindow {};

double Now() {
    LARGE_INTEGER frequency = {}, counter = {};
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// Two categories, as the demo's manager has them; every 7th customer online.
void MakeCustomers(int count, std::vector<CategoryRecord>& categories, FriendMap& friends) {
    const wchar_t* names[] = {L"重要客户", L"普通客户"};
    for (int c = 0; c < 2; ++c) {
        CategoryRecord category = {};
        category.id = c + 1;
        category.order = 20 - 10 * c;
        fw::CopyToAnsiField(names[c], category.name);
        categories.push_back(category);
    }
    for (int i = 0; i < count; ++i) {
        UserInfoBase user = {};
        user.userId = 70001 + i;
        user.userType = 5;
        user.status = i % 7 == 0 ? STATUS_ONLINE : STATUS_OFFLINE;
        fw::CopyToAnsiField(fw::FormatString(L"客户%04d", i), user.nickname);
        fw::CopyToAnsiField(fw::FormatString(L"签名 %d", i), user.signature);
        const wchar_t* category = names[i % 10 == 0 ? 0 : 1];
        fw::CopyToAnsiField(category, user.category);
        friends[category].push_back(user);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int customers = 5000;
    int rounds = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::wcscmp(argv[i], L"--customers") == 0) customers = std::max(1, _wtoi(argv[i + 1]));
        if (std::wcscmp(argv[i], L"--rounds") == 0) rounds = std::max(1, _wtoi(argv[i + 1]));
    }
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    std::vector<CategoryRecord> categories;
    FriendMap source;
    MakeCustomers(customers, categories, source);

    Host host;
    host.CreateEx(0, L"", L"customers", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{20, 20, 240, 720}, nullptr, 0);
    CIMFriendListTree tree;
    tree.Create(host, RECT{0, 0, 200, 640}, 1052, WS_CHILD | WS_VISIBLE | TVS_SHOWSELALWAYS | TVS_NOHSCROLL);
    Pump();

    std::printf("customer tree: %d customers, %d rounds\n", customers, rounds);
    for (int round = 0; round < rounds; ++round) {
        const double start = Now();
        // What the chat view does: a copy of the engine's map, then the fill.
        const FriendMap friends = source;
        tree.DeleteAllItems();
        tree.InsertGroups(categories);
        tree.InsertFriends(friends);
        ::UpdateWindow(tree);
        const double filled = Now();

        // Both groups open, then page down to the end, painting each page.
        for (HTREEITEM root = tree.GetRootItem(); root; root = tree.GetNextSiblingItem(root))
            tree.Expand(root, TVE_EXPAND);
        ::UpdateWindow(tree);
        double slowest = 0;
        int pages = 0;
        const double scrollStart = Now();
        // Down a page at a time until the first visible row stays put.
        for (HTREEITEM top = tree.GetNextItem(nullptr, TVGN_FIRSTVISIBLE);;) {
            const double pageStart = Now();
            tree.SendMessage(WM_VSCROLL, SB_PAGEDOWN, 0);
            ::UpdateWindow(tree);
            slowest = std::max(slowest, Now() - pageStart);
            HTREEITEM now = tree.GetNextItem(nullptr, TVGN_FIRSTVISIBLE);
            if (now == top || ++pages > 100000) break;
            top = now;
        }
        const double scrolled = Now();
        Pump();
        std::printf("round %d: fill %.1f ms; %d pages scrolled in %.1f ms (slowest page %.2f ms)\n", round + 1,
                    filled - start, pages, scrolled - scrollStart, slowest);
    }
    tree.DestroyWindow();
    host.DestroyWindow();
    return 0;
}
