// COfficeXPMenu: a pop-up menu whose items are all owner-drawn, with an icon
// column on the left, in the flat look (tinted icon band, framed blue
// highlight) or the classic 3-D look, chosen at paint time from the system
// colours (COfficeXPMenuLook).
//
// A menu is built item by item (AppendItem, AppendItemWithIcon) or loaded
// from a MENU resource, each of whose items becomes an owner-drawn item; a
// loaded menu owns COfficeXPMenu objects for its pop-up sub-menus.
//
// The owner-draw messages reach the window that tracks the menu. That
// window passes them on with COfficeXPMenu::RouteOwnerMessage from its own
// window procedure (WM_MEASUREITEM, WM_DRAWITEM and WM_MENUCHAR of
// COfficeXPMenu items; anything else is left to the window):
//
//     LRESULT result;
//     if (COfficeXPMenu::RouteOwnerMessage(msg, wParam, lParam, &result)) return result;
//
// UI thread only.
#pragma once

#include "clientui/OfficeXPMenuData.h"
#include "clientui/OfficeXPMenuLook.h"

#include "fw/GdiObject.h"
#include "fw/Menu.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class COfficeXPMenu : public fw::CMenu {
public:
    COfficeXPMenu();
    virtual ~COfficeXPMenu();

    // Paints one item (WM_DRAWITEM) in the look the system colours choose.
    virtual void DrawItem(DRAWITEMSTRUCT* dis);
    // Measures one item (WM_MEASUREITEM).
    virtual void MeasureItem(MEASUREITEMSTRUCT* mis);
    // Loads a MENU resource of instance (null: the program); 1 on success,
    // 0 when the resource is missing or unreadable.
    virtual BOOL LoadMenu(UINT resourceId, HINSTANCE instance = nullptr);
    virtual BOOL LoadMenu(const wchar_t* resourceName, HINSTANCE instance = nullptr);
    // Forgets the menu's handles in the process-wide list, destroys the
    // sub-menu objects it owns, frees every item's data, then the menu.
    virtual void DestroyMenu();

    // Appends an owner-drawn item. id 0 makes a separator whatever flags were
    // passed (MF_MENUBARBREAK is kept). With MF_POPUP, id is a sub-menu handle.
    // The menu is created on the first append when it has none.
    bool AppendItem(UINT flags, const std::wstring& text, UINT_PTR id);
    // Appends an item whose icon is copied from image number index of
    // imageList; without an image list the item has no icon.
    bool AppendItemWithIcon(const std::wstring& text, UINT_PTR id, HIMAGELIST imageList, int index);

    // Size of the icon column (default 16 x 15).
    void SetIconSize(int width, int height) { m_iconWidth = width; m_iconHeight = height; }
    int GetIconWidth() const { return m_iconWidth; }
    int GetIconHeight() const { return m_iconHeight; }
    // Pictures for the check mark (indexes -1: the drawn mark). owned: the
    // menu destroys the list with itself.
    void SetCheckMarkImages(HIMAGELIST list, bool owned, int checkedIndex, int uncheckedIndex);
    // true (default): a grayed item's icon is embossed; false: drawn as a
    // flat gray shape.
    void SetEmbossDisabledIcons(bool emboss) { m_embossDisabled = emboss; }

    // The sub-menu object of the pop-up item at position; null when the item
    // has no sub-menu that is a COfficeXPMenu.
    COfficeXPMenu* GetSubMenu(int position) const;
    // The text of an item, by position (MF_BYPOSITION) or by command
    // (MF_BYCOMMAND, searched in the sub-menus too); empty when absent.
    std::wstring GetItemText(UINT item, UINT flags = MF_BYCOMMAND) const;
    // Depth-first search for the item with command id through the
    // COfficeXPMenu sub-menus: its position, and its menu in *owner; -1 and
    // null when absent.
    int FindMenuOwner(UINT id, COfficeXPMenu** owner) const;
    // The item data of the item at position, when it belongs to this menu.
    COfficeXPMenuData* GetItemData(int position) const;

    // Paints an item in the given look with the given colours (DrawItem with
    // the choice made).
    void DrawItemInLook(const DRAWITEMSTRUCT& dis, COfficeXPMenuLook::Look look,
                        const COfficeXPMenuLook::SystemColours& sys) const;

    // Routes an owner window's WM_MEASUREITEM, WM_DRAWITEM and WM_MENUCHAR
    // for COfficeXPMenu items to the menu object. Returns false for anything
    // else, which the window then handles itself.
    static bool RouteOwnerMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // The live COfficeXPMenu object of a menu handle, or null.
    static COfficeXPMenu* FromHandle(HMENU menu);
    // Whether a menu handle is in the process-wide list of sub-menus created
    // through a COfficeXPMenu.
    static bool IsOwnerDrawnSubMenu(HMENU menu);

    // The answer to WM_MENUCHAR for character ch: the item whose label has
    // "&ch" (MNC_EXECUTE, or MNC_SELECT of the next one when several match),
    // else 0 (MNC_IGNORE).
    LRESULT FindMnemonic(wchar_t ch, HMENU menu) const;

private:
    COfficeXPMenuData* AddData(std::unique_ptr<COfficeXPMenuData> data);
    bool OwnsData(const COfficeXPMenuData* data) const;
    bool EnsureMenu();
    void RememberSubMenu(HMENU sub);
    // Builds the items of one level of a MENU template; false when it is
    // malformed. *pos advances over what was read.
    bool LoadLevel(const BYTE* begin, size_t size, size_t* pos, int depth);
    // Aligns the shortcut texts of this level and makes every item owner-drawn.
    void FinishLoadedLevel();
    HFONT MenuFont() const;
    void DrawCheckMark(HDC dc, const RECT& cell, COLORREF colour, bool checked) const;
    void DrawIcon(HDC dc, const COfficeXPMenuData& data, POINT at, bool grayed) const;
    void DrawText(HDC dc, const RECT& item, const std::wstring& text, COLORREF colour) const;
    void DrawFlat(HDC dc, const DRAWITEMSTRUCT& dis, const COfficeXPMenuData& data,
                  const COfficeXPMenuLook::SystemColours& sys) const;
    void DrawClassic(HDC dc, const DRAWITEMSTRUCT& dis, const COfficeXPMenuData& data,
                     const COfficeXPMenuLook::SystemColours& sys) const;

    std::vector<std::unique_ptr<COfficeXPMenuData>> m_items;
    std::vector<HMENU> m_subMenuHandles;                   // pop-up handles appended to this menu
    std::vector<std::unique_ptr<COfficeXPMenu>> m_subMenus;  // sub-menu objects this menu created
    int m_iconWidth = 16;
    int m_iconHeight = 15;
    bool m_embossDisabled = true;
    HIMAGELIST m_checkImages = nullptr;
    bool m_ownsCheckImages = false;
    int m_checkedImage = -1;
    int m_uncheckedImage = -1;
    mutable fw::CFont m_menuFont;
};
