// CIMMsgMgrPanel: the messenger's history manager "消息管理器" (template
// 129), one per process, which closing only hides. On the left the friends
// by category (CScrollBarTree); on the right either the friends with their
// last contact times (list mode) or one peer's history a page of 60 at a
// time, newest page first (record mode), which a keyword search within a
// date range replaces with its hits (search mode) and a day picked in the
// date picker (CMonthCal) pages to.
//
// It reads the engine only through its getters, once, when the window is
// made; its decisions are CIMMsgMgrModel's and the shared history core's.
// It writes nothing: a damaged history file is shown as far as it reads.
//
// UI thread only.
#pragma once

#include "HistoryPageBook.h"
#include "IMChatPanel.h"
#include "IMMsgMgrModel.h"
#include "MonthCal.h"
#include "ScrollBarTree.h"

#include "clientui/MsgMgrSkin.h"
#include "clientui/MyRichEditCtrl.h"
#include "clientui/PanelBase.h"
#include "clientui/PictureObjectInfo.h"
#include "clientui/ScrollBarList.h"
#include "clientui/SkinBtn.h"

#include "SystemAnsiCodePage.h"

#include "fw/ComboBox.h"
#include "fw/GdiObject.h"

#include <memory>
#include <string>
#include <vector>

// The contact list: its header drags are clamped.
class CIMMsgMgrList : public CScrollBarList {
protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

class CIMMsgMgrPanel : public CPanelBase, public IPeerHistoryView {
public:
    static constexpr UINT kTemplateId = 129;
    enum ControlId {
        kRefresh = 1200,
        kDelete = 1201,
        kSearch = 1202,
        kDate = 1203,
        kFirst = 1204,
        kPrevious = 1205,
        kNext = 1206,
        kLast = 1207,
        kTree = 1208,
        kList = 1209,
        kImportExport = 1210,
        kCategoryBox = 1211,
        kRangeBox = 1212,
        kKeyword = 1213,
        kPageEdit = 1214,
        kDateEdit = 1215,
        kRecordView = 1216,
        kBack = 1218,
    };
    static constexpr int kDefaultWidth = 796;
    static constexpr int kDefaultHeight = 508;
    static constexpr int kToolBarHeight = 27;
    static constexpr int kBottomBarHeight = 28;
    static constexpr int kTreeWidth = 200;
    static const wchar_t kTitle[];          // "消息管理器"
    static const wchar_t kRootText[];       // "所有分组"
    static const wchar_t kSystemText[];     // "系统消息"
    static const wchar_t kNoKeyword[];      // "请输入查找内容！"
    static const wchar_t kNoHistory[];      // "没有消息记录"

    explicit CIMMsgMgrPanel(HINSTANCE instance = nullptr, std::wstring programFolder = std::wstring());
    ~CIMMsgMgrPanel() override;

    // IPeerHistoryView: record mode with the peer's history, newest page.
    void ShowUser(const UserInfoBase& peer) override;

    bool PreTranslateMessage(MSG& msg) override;

    // What a test reads.
    bool IsRecordMode() const { return m_bRecordMode; }
    bool IsSearchMode() const { return m_bSearchMode; }
    int GetCurrentPage() const { return m_nCurPage; }
    int GetPageCount() const { return m_nPageCount; }
    int GetSearchPage() const { return m_nSearchPage; }
    int GetSearchPageCount() const { return m_nSearchPageCount; }
    int GetResultCount() const { return static_cast<int>(m_hits.size()); }
    int32_t GetPeerId() const { return m_nPeerId; }
    const std::wstring& GetRecordTitle() const { return m_strTitle; }
    const CIMMsgMgrModel& GetModel() const { return m_model; }
    CMonthCal& GetDatePicker() { return m_monthCal; }

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) override;
    bool OnPaint() override;
    bool OnSize(UINT type, int cx, int cy) override;
    bool OnClose() override;
    void OnOK() override {}
    void OnCancel() override {}

private:
    void CopyEngineData();
    void BindControls();
    void FillContactTree();
    void FillContactList();
    void FillBoxes();
    void ShowCategory(int category);  // -1: every category
    HTREEITEM FindTreeItem(const std::wstring& text) const;
    void ShowModeControls();
    void Layout();
    void HidePanel();

    void OnTreeClick();
    void OnListDoubleClick(int row);
    void OnListColumnClick(int column);
    void EnterRecordMode(const std::wstring& peerText, int32_t peerId);

    bool LoadHistoryFile(int32_t peerId);
    void ShowHistory(int32_t peerId);
    void ShowPage(int page);
    void ShowSearchPage(int page);
    void OnSearch();
    void StartSearch();
    void SearchHistory(const std::wstring& keyword, int32_t cutOff);
    void ShowNothingFound();
    void LeaveSearchMode();
    void OnBack();
    void OnPager(int id);
    void OnOpenDatePicker();
    void JumpToDate(int32_t date);

    void ClearView();
    // Writes a page into the record view, the hits of highlight in red.
    void WritePieces(const std::vector<HistoryPiece>& pieces, const std::wstring& highlight);
    bool InsertHistoryPicture(const std::wstring& name);
    void UpdatePagerTexts();
    void PaintSurface(HDC dc, int w, int h);
    LRESULT OnStateQuery(WPARAM what, LPARAM lParam);
    int CountRedHits();

    CIMMsgMgrModel m_model;
    CHistoryPageBook m_book;
    std::vector<int> m_hits;
    clientui::CSystemAnsiCodePage m_codePage;
    MsgMgrSkin m_msgSkin;

    bool m_bInitialised = false;
    bool m_bRecordMode = false;
    bool m_bSearchMode = false;
    std::wstring m_strPeer;
    std::wstring m_strTitle;
    std::wstring m_strKeyword;
    std::wstring m_strPageCount;
    std::wstring m_strDate;
    int32_t m_nPeerId = 0;
    int m_nCategorySel = -1;
    int m_nRangeSel = -1;
    int m_nCurPage = 0;
    int m_nPageCount = 0;
    int m_nSearchPage = 0;
    int m_nSearchPageCount = 0;
    SYSTEMTIME m_stShown = {};

    CSkinBtn m_btnImportExport;
    CSkinBtn m_btnDelete;
    CSkinBtn m_btnRefresh;
    CSkinBtn m_btnSearch;
    CSkinBtn m_btnDate;
    CSkinBtn m_btnFirst;
    CSkinBtn m_btnPrevious;
    CSkinBtn m_btnNext;
    CSkinBtn m_btnLast;
    CSkinBtn m_btnBack;
    fw::CComboBox m_categoryBox;
    fw::CComboBox m_rangeBox;
    fw::CWindow m_keyword;
    fw::CWindow m_pageEdit;
    fw::CWindow m_dateEdit;
    CScrollBarTree m_tree;
    CIMMsgMgrList m_list;
    CMyRichEditCtrl m_view;
    CMonthCal m_monthCal;
    std::vector<std::unique_ptr<PictureObjectInfo>> m_pictures;
    fw::CFont m_font;
    fw::CBrush m_treeBrush;
};
