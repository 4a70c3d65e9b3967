// CSwitchUserListPanel: the hand-over dialog (template 144), run modally by
// the main window when the owner of a session presses "转接". It asks the
// engine for the agents (the answer arrives as NOTIFY_SWITCHUSERLIST, on
// which the main window calls FillAgentList), shows them as icons, lets the
// owner pick one and write a short note (typed, or one of the canned notes
// of the "选择附言" menu), and on OK sends the hand-over request. OK without
// a chosen agent does nothing; the dialog stays open.
//
// UI thread only.
#pragma once

#include "HandOverResource.h"
#include "HandOverRules.h"

#include "clientui/ButtonST.h"
#include "clientui/EngineModule.h"
#include "clientui/OfficeXPMenu.h"
#include "clientui/PanelBase.h"

#include "SystemAnsiCodePage.h"

#include "fw/GdiObject.h"
#include "fw/ImageList.h"
#include "fw/ListCtrl.h"

#include <ImEngineApi.h>
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

class CSwitchUserListPanel : public CPanelBase {
public:
    // ownerAgent, customer: the session handed over. engine: the function
    // table (g_EngineModule in the program). programFolder ends in a
    // backslash (empty: the program's folder).
    CSwitchUserListPanel(int32_t ownerAgent, int32_t customer, CEngineModule& engine = g_EngineModule,
                         const std::wstring& programFolder = std::wstring());
    ~CSwitchUserListPanel() override;

    // The engine's agent list replaces the items of the list.
    void FillAgentList();

    int32_t GetOwnerAgent() const { return m_nOwnerAgent; }
    int32_t GetCustomer() const { return m_nCustomer; }
    fw::CListCtrl& GetAgentList() { return m_agentList; }
    std::wstring GetNote() const;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnPaint() override;
    bool OnSize(UINT type, int cx, int cy) override;
    void OnOK() override;

    // Pops the canned-note menu up below the button (screen rectangle);
    // its command arrives as WM_COMMAND. A test may watch it.
    virtual void TrackMenu(HMENU menu, const RECT& below);

private:
    void LayoutControls();
    void PlaceControl(int id, int x, int y, int width, int height);
    void DrawSurface(HDC dc, const RECT& client);
    void OnCannedNoteMenu();

    CEngineModule& m_engine;
    clientui::CSystemAnsiCodePage m_codePage;
    CHandOverRules m_rules;
    int32_t m_nOwnerAgent;
    int32_t m_nCustomer;
    fw::CListCtrl m_agentList;
    fw::CImageList m_images;
    CButtonST m_btnOK;
    CButtonST m_btnCancel;
    CButtonST m_btnCannedNote;
    std::unique_ptr<COfficeXPMenu> m_cannedMenu;
    fw::CFont m_font;
};
