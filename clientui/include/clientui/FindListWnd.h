// CFindListWnd: the borderless pop-up under the contact search box that lists
// up to six hits (template 142, list box 1052). Each line carries the hit's
// user id as its item data, never a pointer into a contact list that a
// refill may free. Choosing a line (Enter, or a double click) sends
// WM_OPEN_CHAT with that id (lParam 0) to the pop-up's parent window.
//
// Keys: Up and Down move the selection and wrap around (swallowed when the
// list is empty); Enter opens the selected hit and hides the pop-up. The
// owner whose edit keeps the focus passes these keys on with HandleKey.
// Losing activation hides the pop-up; losing the focus hides the desk's.
//
// The two clients' pop-ups differ in their template, list id and frame
// colour, and in whether losing the focus hides them (FindListStyle).
//
// The owner keeps the object (a member) for its own lifetime; the window is
// destroyed with the owner's window.
#pragma once

#include "fw/Dialog.h"
#include "fw/ListBox.h"

#include <cstdint>
#include <string>

#ifndef WM_OPEN_CHAT
#define WM_OPEN_CHAT (WM_USER + 104)  // wParam: the contact's user id
#endif

struct FindListStyle {
    UINT templateId;
    int listId;
    COLORREF frameColour;
    bool hideOnKillFocus;
};

// The desk's: template 142, list 1052, frame 0xE0A91E, hidden on focus loss.
extern const FindListStyle kDeskFindList;
// The messenger's: template 406, list 1516, frame 0xB99D7F, kept on focus loss.
extern const FindListStyle kMessengerFindList;

class CFindListWnd : public fw::CDialog {
public:
    // The desk's values.
    static constexpr UINT kTemplateId = 142;
    static constexpr int kListId = 1052;
    static constexpr int kItemHeight = 16;
    static constexpr size_t kMaxItems = 6;
    static constexpr COLORREF kFrameColour = 0xE0A91E;

    // instance: the module holding the template (null: the program).
    explicit CFindListWnd(HINSTANCE instance = nullptr, const FindListStyle& style = kDeskFindList);
    ~CFindListWnd() override;

    // Creates the pop-up hidden, owned by parent.
    bool Create(HWND parent);

    void ClearList();
    // Adds a line for the user and selects the first line. Lines beyond the
    // sixth are not added (false).
    bool AddItem(const std::wstring& text, int32_t userId);

    int GetCount() const { return m_list.GetCount(); }
    int GetCurSel() const { return m_list.GetCurSel(); }
    std::wstring GetItemText(int index) const { return m_list.GetText(index); }
    int32_t GetItemUserId(int index) const;
    fw::CListBox& GetList() { return m_list; }
    const FindListStyle& GetStyle() const { return m_style; }

    // Up, Down and Enter as described above; true when the key was used
    // (or swallowed).
    bool HandleKey(UINT virtualKey);
    // Sends WM_OPEN_CHAT for the selected line; nothing without a
    // selection or with a line of no user. True when sent.
    bool OpenSelected();

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnSize(UINT type, int cx, int cy) override;
    bool OnEraseBkgnd(HDC dc, LRESULT* result) override;
    bool PreTranslateMessage(MSG& msg) override;
    void OnActivate(UINT state);
    // Enter and Escape through the dialog manager: hide only.
    void OnOK() override;
    void OnCancel() override;

private:
    void MoveSelection(int step);

    FindListStyle m_style;
    fw::CListBox m_list;
};
