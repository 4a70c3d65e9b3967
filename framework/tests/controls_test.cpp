// The thin control wrappers on real controls: texts come back whole
// (lengths and NULs handled), out-of-range requests answer empty, and the
// owning wrappers release their handles.
#include <fw/Button.h>
#include <fw/ComboBox.h>
#include <fw/Edit.h>
#include <fw/HeaderCtrl.h>
#include <fw/ImageList.h>
#include <fw/ListBox.h>
#include <fw/ListCtrl.h>
#include <fw/Menu.h>
#include <fw/Static.h>
#include <fw/TabCtrl.h>
#include <fw/ToolTipCtrl.h>
#include <fw/TreeCtrl.h>

#include <gtest/gtest.h>

namespace {

const std::wstring kText = L"\u5728\u7EBF\u5BA2\u670D";  // "online service"

class Controls : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_TAB_CLASSES};
        ::InitCommonControlsEx(&icc);
        ASSERT_TRUE(parent.CreateEx(0, nullptr, L"parent", WS_OVERLAPPEDWINDOW, RECT{0, 0, 400, 300}, nullptr, 0));
    }
    template <typename Control>
    void Create(Control& c, const wchar_t* cls, DWORD style, UINT id) {
        ASSERT_TRUE(c.CreateEx(0, cls, L"", WS_CHILD | WS_VISIBLE | style, RECT{0, 0, 200, 150}, parent, id));
    }
    fw::CWindow parent;
};

TEST_F(Controls, ListTextsComeBackWhole) {
    fw::CComboBox combo;
    Create(combo, L"COMBOBOX", CBS_DROPDOWNLIST, 10);
    EXPECT_EQ(combo.AddString(kText), 0);
    combo.SetItemData(0, 77);
    EXPECT_EQ(combo.GetLBText(0), kText);
    EXPECT_EQ(combo.GetLBText(5), L"");
    EXPECT_EQ(combo.GetItemData(0), 77);
    EXPECT_EQ(combo.FindStringExact(kText), 0);

    fw::CListBox list;
    Create(list, L"LISTBOX", LBS_NOTIFY, 11);
    list.AddString(L"a");
    list.InsertString(0, kText);
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetText(0), kText);
    EXPECT_EQ(list.GetText(9), L"");

    fw::CEdit edit;
    Create(edit, L"EDIT", ES_AUTOHSCROLL, 12);
    edit.SetWindowText(L"ab");
    edit.SetSel(2, 2);
    edit.ReplaceSel(kText);
    EXPECT_EQ(edit.GetWindowText(), L"ab" + kText);

    fw::CButton check;
    Create(check, L"BUTTON", BS_AUTOCHECKBOX, 13);
    check.SetCheck(BST_CHECKED);
    EXPECT_EQ(check.GetCheck(), BST_CHECKED);
    fw::CStatic label;
    Create(label, L"STATIC", SS_LEFT, 14);
}

TEST_F(Controls, TreeListHeaderAndTab) {
    fw::CTreeCtrl tree;
    Create(tree, WC_TREEVIEWW, TVS_HASLINES, 20);
    HTREEITEM root = tree.InsertItem(kText, TVI_ROOT, TVI_LAST, 0, 0, 5);
    HTREEITEM child = tree.InsertItem(L"child", root, TVI_LAST, 0, 0, 6);
    EXPECT_EQ(tree.GetRootItem(), root);
    EXPECT_EQ(tree.GetChildItem(root), child);
    EXPECT_EQ(tree.GetParentItem(child), root);
    EXPECT_EQ(tree.GetItemText(root), kText);
    EXPECT_EQ(tree.GetItemData(child), 6);
    EXPECT_EQ(tree.GetCount(), 2u);

    fw::CListCtrl view;
    Create(view, WC_LISTVIEWW, LVS_REPORT, 21);
    view.InsertColumn(0, L"name", 80);
    view.InsertColumn(1, L"text", 80);
    EXPECT_EQ(view.InsertItem(0, L"first", -1, 9), 0);
    view.SetItemText(0, 1, kText);
    EXPECT_EQ(view.GetItemText(0, 1), kText);
    EXPECT_EQ(view.GetItemData(0), 9);
    fw::CHeaderCtrl header(view.GetHeader());
    EXPECT_EQ(header.GetItemCount(), 2);

    fw::CTabCtrl tabs;
    Create(tabs, WC_TABCONTROLW, 0, 22);
    tabs.InsertItem(0, kText);
    tabs.InsertItem(1, L"two");
    EXPECT_EQ(tabs.GetItemCount(), 2);
    EXPECT_EQ(tabs.SetCurSel(1), 0);
    EXPECT_EQ(tabs.GetCurSel(), 1);

    fw::CToolTipCtrl tip;
    ASSERT_TRUE(tip.Create(parent));
    EXPECT_TRUE(tip.AddTool(tabs, kText));
}

TEST(OwningWrappers, ImageListAndMenuReleaseTheirHandles) {
    fw::CImageList images;
    ASSERT_TRUE(images.Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 0));
    EXPECT_EQ(images.GetImageCount(), 0);
    EXPECT_EQ(images.ExtractIcon(0), nullptr) << "out of range";
    HICON icon = ::LoadIconW(nullptr, IDI_APPLICATION);
    EXPECT_EQ(images.AddIcon(icon), 0);
    HICON copy = images.ExtractIcon(0);
    EXPECT_NE(copy, nullptr);
    ::DestroyIcon(copy);
    fw::CImageList moved(std::move(images));
    EXPECT_TRUE(images.IsNull());
    EXPECT_EQ(moved.GetImageCount(), 1);

    HMENU handle;
    {
        fw::CMenu menu;
        ASSERT_TRUE(menu.CreatePopupMenu());
        menu.AppendMenu(MF_STRING, 100, kText);
        menu.AppendSeparator();
        EXPECT_EQ(menu.GetItemCount(), 2);
        handle = menu;
    }
    EXPECT_FALSE(::IsMenu(handle));
}

}  // namespace
