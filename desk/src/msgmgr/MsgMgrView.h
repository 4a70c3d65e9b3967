// CMsgMgrView: the page of the main window's tab "  消息记录  " (template
// 130). An agent picks whose conversations to browse in the owner list
// (the own customers, "我的客户", or those of an agent of the group), sees
// that owner's customers in a list of 50 a page sorted by name or by the
// end of the last conversation, and clicks a customer to read the whole
// local history of that conversation in a read-only rich edit, 60 messages
// a page, or to search it for a keyword (every hit painted red). "发起会话"
// opens a conversation with the selected customer; other windows ask for
// one agent-customer pair with WM_SHOW_MSGMGR.
//
// The view reads the engine's history files itself (CHistoryPageBook, the
// same core as the conversation's history pane); CMsgMgrModel decides what
// it shows. Timer 1025 reloads the shown history every 3 s after new
// messages (not while a search is shown); timer 1026 reads a history once
// more a second after it could not be read.
//
// UI thread only.
#pragma once

#include "MsgMgrModel.h"
#include "MsgMgrResource.h"

#include "clientui/ChildViewBase.h"
#include "clientui/EditWithButton.h"
#include "clientui/ImageTransferDownloads.h"
#include "clientui/MyRichEditCtrl.h"
#include "clientui/ScrollBarList.h"
#include "clientui/SkinBtn.h"

#include "SystemAnsiCodePage.h"

#include "fw/ComboBox.h"
#include "fw/Edit.h"
#include "fw/GdiObject.h"
#include "fw/ImageList.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The customer list: a CScrollBarList whose column widths stay within 140
// to 200 pixels while the user drags them.
class CMsgMgrCustomerList : public CScrollBarList {
public:
    static int ClampWidth(int width);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

class CMsgMgrView : public CChildViewBase, private IMsgMgrDisplay {
public:
    static constexpr UINT_PTR kReloadTimer = 1025;
    static constexpr UINT kReloadMs = 3000;
    static constexpr UINT_PTR kRetryTimer = 1026;
    static constexpr UINT kRetryMs = 1000;
    static constexpr int kListWidth = 300;
    static constexpr int kTopBand = 50;
    static constexpr int kBottomBar = 28;

    // engine: the table the view calls (the program's by default).
    explicit CMsgMgrView(const CEngineModule& engine = g_EngineModule);
    ~CMsgMgrView() override;

    // --- what the main window calls ----------------------------------------------
    // NOTIFY_FRIENDLIST: the owner list from the group-user cache.
    void FillOwnerList();
    // NOTIFY_GROUPUSERLIST: agents that came after the owner list.
    void AddMissingOwners();
    // NOTIFY_TALKLIST: the chosen owner's customers again.
    void FillCustomerList();
    // NOTIFY_NEWMSG: the shown history is read again at the next tick.
    void SetReloadPending() { m_model.SetReloadPending(); }
    // WM_SHOW_MSGMGR, after the tab was shown.
    void ShowPair(int32_t agentId, int32_t customerId);

    // The program folder under which the account folders and "Resource"
    // lie (tests and the benchmark set their own; default: the program's).
    void SetProgramFolder(const std::wstring& folder);
    // Where missing pictures are fetched (null: nowhere; default: the
    // picture-transfer client).
    void SetDownloadQueue(IPictureDownloadQueue* queue) { m_model.SetDownloadQueue(queue); }

    CMsgMgrModel& Model() { return m_model; }
    const CMsgMgrModel& Model() const { return m_model; }
    CMyRichEditCtrl& GetHistoryLog() { return m_history; }
    // The pictures of the rich edit, in order.
    const std::vector<std::unique_ptr<PictureObjectInfo>>& GetPictures() const { return m_pictures; }

    int LayoutControls(int width, int height) override;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) override;
    bool OnTimer(UINT_PTR id) override;
    bool OnPaint() override;
    // Enter and Escape are swallowed; Enter in the history page box shows
    // that page.
    bool PreTranslateMessage(MSG& msg) override;

private:
    // --- IMsgMgrDisplay -------------------------------------------------------
    void ShowHistoryText(const std::wstring& text) override;
    void ShowHistoryPieces(const std::vector<HistoryPiece>& pieces, const std::wstring& highlight) override;
    void ShowCustomerRows(const std::vector<MsgMgrCustomerRow>& rows) override;
    void ShowOwners(const std::vector<MsgMgrOwner>& owners, int selected) override;
    void StartRetryTimer() override;

    void LoadSkin();
    void BindControls();
    void CreateColumns();
    // The picture in place of the selection; false when none could be put there.
    bool ShowPicture(const std::wstring& name);
    void OnSearch();
    void OnClearSearch();
    void OnSearchTextChanged();
    void OnPageBoxEnter();
    void OnStartConversation();
    // After every change: the page boxes, the title and the pager labels.
    void Refresh();
    void SetBoxNumber(fw::CEdit& box, int number);
    void DrawPagerLabel(HDC dc, int x, int cy, int pageCount) const;
    RECT TitleBand() const;

    clientui::CSystemAnsiCodePage m_codePage;
    CImageTransferDownloads m_downloads;
    CMsgMgrModel m_model;
    bool m_ready = false;

    CSkinBtn m_btnRefresh;
    CSkinBtn m_btnTalk;
    CSkinBtn m_btnFirst;
    CSkinBtn m_btnPrev;
    CSkinBtn m_btnNext;
    CSkinBtn m_btnLast;
    CSkinBtn m_btnCustFirst;
    CSkinBtn m_btnCustPrev;
    CSkinBtn m_btnCustNext;
    CSkinBtn m_btnCustLast;
    CEditWithButton m_searchBox;
    CMsgMgrCustomerList m_list;
    CMyRichEditCtrl m_history;
    fw::CEdit m_pageBox;
    fw::CEdit m_custPageBox;
    fw::CComboBox m_owners;
    fw::CImageList m_listImages;
    fw::CBitmap m_bmpToolBar;
    fw::CBitmap m_bmpBottom;
    fw::CFont m_font;
    std::wstring m_programFolder;
    std::vector<std::unique_ptr<PictureObjectInfo>> m_pictures;
    bool m_columnsMade = false;
};
