// CSwitchUserTipWnd: the tip window (template 145) that the receiving agent
// sees when a colleague hands a customer over: who hands over ("%d(%s)转接给
// 您一个客户") and the note ("附言: %s"). The main window runs it modally:
// "接入" (OK) ends it with IDOK and the main window accepts; anything else
// (the close button, Esc) ends it with another result and the main window
// refuses.
//
// UI thread only.
#pragma once

#include "HandOverResource.h"
#include "HandOverRules.h"

#include "clientui/ButtonST.h"
#include "clientui/EngineModule.h"
#include "clientui/PanelBase.h"

#include "SystemAnsiCodePage.h"

#include "fw/GdiObject.h"

#include <ImEngineApi.h>
#include <windows.h>

#include <string>

class CSwitchUserTipWnd : public CPanelBase {
public:
    static constexpr int kCaptionHeight = 22;

    // record: the engine's record of the request (kept as a copy). own: the
    // own extended record (its full name makes the title).
    CSwitchUserTipWnd(const SwitchCustomerRecord& record, const UserInfoExt& own,
                      CEngineModule& engine = g_EngineModule, const std::wstring& programFolder = std::wstring());
    ~CSwitchUserTipWnd() override;

    const SwitchCustomerRecord& GetRecord() const { return m_record; }
    // The three texts the window paints.
    std::wstring GetTitle() const;
    std::wstring GetHeadline() const;
    std::wstring GetNoteLine() const;

protected:
    BOOL OnInitDialog() override;
    bool OnPaint() override;
    bool OnSize(UINT type, int cx, int cy) override;

private:
    void LayoutControls();
    void DrawSurface(HDC dc, const RECT& client);

    clientui::CSystemAnsiCodePage m_codePage;
    CHandOverRules m_rules;
    SwitchCustomerRecord m_record;
    UserInfoExt m_own;
    CButtonST m_btnAccept;
    fw::CBitmap m_bmpIcon;
    fw::CFont m_font;
};
