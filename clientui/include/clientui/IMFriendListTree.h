// CIMFriendListTree: the owner-painted tree of contacts grouped by category.
//
// Group rows show the category name with the online and total counts; user
// rows show a face picture with a status mark, the remark or nickname and,
// in the large layout, the personal signature. A user with unread messages
// "jumps" on a 500 ms timer (its face moves left and back), or, while its
// group is collapsed, the group row blinks. A double click on a user sends
// WM_OPEN_CHAT to the window that opens conversations: the one set with
// SetOpenChatTarget (a tree placed straight on its main window names that
// window), else the parent of the tree's parent; a right click sends
// WM_CONTACT_MENU to the parent.
//
// The tree keeps its own copies of the records it was filled from
// (CFriendTreeModel) and each user item carries only the user's id: the
// engine's containers may be refilled or freed at any time after the fill.
// What a row shows changes only through UpdateUser and SetUserStatus, which
// the program calls wherever it takes a user's new record or status (so
// the tree and the program's other copies change together).
//
// Pictures: the face and status pictures are the application's; it hands
// the tree an image list of faces (face image number -> picture) and one of
// status marks (status -> picture). Either may be missing. The group marks
// are the program's bitmap resources 139 (collapsed) and 140 (expanded);
// icon resource 141 stands in for a missing face while a user flashes.
//
// UI thread only.
#pragma once

#include "clientui/FriendTreeModel.h"

#include "fw/GdiObject.h"
#include "fw/TreeCtrl.h"

#include "ImEngineApi.h"

#include <windows.h>

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#ifndef WM_OPEN_CHAT
#define WM_OPEN_CHAT (WM_USER + 104)     // wParam: the contact's user id
#endif
#ifndef WM_CONTACT_MENU
#define WM_CONTACT_MENU (WM_USER + 113)  // wParam: the contact's user id
#endif

class CIMFriendListTree : public fw::CTreeCtrl {
public:
    static constexpr UINT_PTR kFlashTimer = 1025;
    static constexpr UINT kFlashPeriodMs = 500;
    static constexpr int kGroupImage = 18;
    static constexpr int kGroupCollapsedBitmap = 139;
    static constexpr int kGroupExpandedBitmap = 140;
    static constexpr int kNoFaceIcon = 141;
    static constexpr COLORREF kSelectedTop = 0xB0EDFD;
    static constexpr COLORREF kSelectedBottom = 0x9EE9FC;
    static constexpr COLORREF kGroupTop = 0xFAECD5;
    static constexpr COLORREF kGroupBottom = 0xFFF4E9;
    static constexpr COLORREF kGrayText = 0x808080;
    // Height of one item unit in pixels; a large user row is two units.
    static constexpr int kItemUnitHeight = 26;

    CIMFriendListTree();
    ~CIMFriendListTree() override;

    // Takes over a tree control of a dialog, or creates one.
    bool SubclassTree(HWND tree);
    bool Create(HWND parent, const RECT& rect, UINT id,
                DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_SHOWSELALWAYS);

    // 0: large rows (40-pixel faces, two lines); nonzero: small rows
    // (16-pixel faces, one line). Set before filling.
    void SetLayout(int layout) { m_layout = layout; }
    int GetLayout() const { return m_layout; }
    bool IsSmallLayout() const { return m_layout != 0; }
    // The application's pictures (not owned; either may be null).
    void SetFaceImages(HIMAGELIST faces) { m_faces = faces; }
    void SetStatusImages(HIMAGELIST statuses) { m_statuses = statuses; }
    // Where a double click sends WM_OPEN_CHAT (null: the parent's parent).
    void SetOpenChatTarget(HWND target) { m_openChatTarget = target; }

    // Starts a fill: removes every item and every copied contact, then
    // appends one group per category record, in list order.
    void InsertGroups(const std::vector<CategoryRecord>& categories);
    // Fills the groups from the friend map: the members of each category go
    // into the group of that name (compared ignoring case; a category
    // without group is left out), sorted by the user order. Groups left
    // without members are removed and the first group is expanded. Returns
    // the number of categories of the map.
    int InsertFriends(const FriendMap& friends);

    // The item of a user, or null.
    HTREEITEM FindUserItem(int32_t userId) const;
    // Writes the new status into the user's copy and re-sorts the group (a
    // batch of one for SetUserStatuses). FALSE when the user has no item.
    BOOL SetUserStatus(int32_t userId, int32_t status);
    // The same for many users (a status list of a whole organisation): the
    // tree is walked once, each touched group is sorted once and the tree
    // is repainted once; the order is the one SetUserStatus for each pair
    // in turn gives. Returns the number of users with an item.
    int SetUserStatuses(const std::vector<std::pair<int32_t, int32_t>>& statuses);
    // Takes the user's new record (nickname, remark, signature, face kind,
    // status) into the user's copy and the item's text, re-sorts the group
    // and repaints. FALSE when the user has no item.
    BOOL UpdateUser(const UserInfoBase& record);
    // on: the user starts flashing (the timer starts with the first one)
    // and moves to the first place of its group; off: it stops.
    void FlashUser(int32_t userId, bool on);

    // The user id of an item, or 0 for a group item or none.
    int32_t GetUserId(HTREEITEM item) const;
    bool IsGroupItem(HTREEITEM item) const;
    // The whole row of a visible item; false when it is not visible.
    bool GetRowRect(HTREEITEM item, RECT* rc) const;
    // The text a group row shows: "name [online/total]", or the name alone.
    std::wstring GetGroupText(HTREEITEM group) const;
    // Member ids of a group in tree order.
    std::vector<int32_t> GetGroupMembers(HTREEITEM group) const;
    const CFriendTreeModel& GetModel() const { return m_model; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    bool OnTimer(UINT_PTR id) override;

private:
    void PrepareControl();
    bool OnLButtonDown(LPARAM lParam);
    bool OnLButtonDblClk(LPARAM lParam);
    void OnRButtonDown(LPARAM lParam);
    void OnPaintTree();
    void OnFlashStep();
    HTREEITEM ItemAt(LPARAM lParam) const;
    void SortGroup(HTREEITEM group);
    HTREEITEM MoveToFirst(HTREEITEM item);
    bool IsSelectedRow(HTREEITEM item) const;
    COLORREF BackgroundColour() const;
    int FaceSize() const { return IsSmallLayout() ? 16 : 40; }
    int StatusSize() const { return IsSmallLayout() ? 7 : 11; }

    void PaintGroupRow(HDC dc, HTREEITEM item, const RECT& row, bool withMarkAndText) const;
    void PaintUserRow(HDC dc, HTREEITEM item, const RECT& row, bool selected) const;
    void PaintUserText(HDC dc, const FriendTreeContact& contact, const RECT& row) const;
    void DrawFace(HDC dc, const FriendTreeContact& contact, int x, int y, bool standIn) const;
    static void FillVertical(HDC dc, const RECT& rc, COLORREF top, COLORREF bottom);
    static int CALLBACK CompareItems(LPARAM a, LPARAM b, LPARAM self);

    CFriendTreeModel m_model;
    // The parent of item, from the index while it is valid.
    HTREEITEM IndexedParent(HTREEITEM item) const;
    // Keeps the index valid across an insertion or the deletion of an item
    // without children, which it can follow; other changes invalidate it.
    LRESULT InsertIndexed(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT DeleteIndexed(UINT msg, WPARAM wParam, LPARAM lParam);

    // FindUserItem's index of the users' items, and every item's user (or
    // group id), parent and number of children; walked again after a
    // change that the insertions and deletions do not tell (every message
    // naming an item costs the control a search among all its items, so a
    // walk of many items is slow).
    struct IndexedItem {
        int32_t data = 0;
        HTREEITEM parent = nullptr;
        int children = 0;
    };
    mutable std::unordered_map<int32_t, HTREEITEM> m_userItems;
    mutable std::unordered_map<HTREEITEM, IndexedItem> m_indexedItems;
    mutable bool m_userItemsValid = false;
    int m_layout = 0;
    HIMAGELIST m_faces = nullptr;
    HIMAGELIST m_statuses = nullptr;
    HWND m_openChatTarget = nullptr;
    bool m_timerRunning = false;
    fw::CFont m_font;
    fw::CBitmap m_groupCollapsed;
    fw::CBitmap m_groupExpanded;
    HICON m_noFace = nullptr;
};
