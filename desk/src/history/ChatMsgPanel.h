// CChatMsgPanel: the history tab of the desk's chat view. It reads the local
// history file of one peer (written by the engine) and shows it 60 messages
// a page in a read-only rich edit, with a date line whenever the date
// changes, a coloured header per message, the message's own font and its
// picture; a bar at the bottom pages through the file.
//
// A picture whose file is not on disk, or whose name breaks the file-name
// rule, shows "Resource\chat\errorBmp.gif": the history fetches nothing. Only pages 1 to the page count exist; a load
// for no peer (id 0) changes nothing, so an empty search from the search
// box never replaces the shown history with an empty one.
//
// The chat view creates the pane as its child (Create), sets the own id,
// then LoadHistory and ShowPage(GetPageCount()).
#pragma once

#include "ChatMsgPanelResource.h"
#include "HistoryPageBook.h"

#include "clientui/MyRichEditCtrl.h"
#include "clientui/PictureObjectInfo.h"
#include "clientui/SkinBtn.h"
#include "fw/Dialog.h"
#include "fw/Edit.h"
#include "fw/GdiObject.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CChatMsgPanel : public fw::CDialog {
public:
    static constexpr int kBottomBar = 28;     // painted bar at the bottom
    static constexpr int kInitialBottom = 24; // log's bottom gap before the first resize

    // instance: the module holding template 143 (null: the program).
    explicit CChatMsgPanel(HINSTANCE instance = nullptr);
    ~CChatMsgPanel() override;

    bool Create(HWND parent);

    void SetMyUserId(int32_t id) { m_nMyUserId = id; }
    int32_t GetMyUserId() const { return m_nMyUserId; }
    // The program folder, ending in a backslash (default: the program's).
    void SetProgramFolder(const std::wstring& folder) { m_programFolder = folder; }
    // Who a user id is (default: the engine's nickname of a known user).
    void SetNameLookup(CHistoryPageBook::NameLookup names) { m_names = std::move(names); }

    // Reads the history of peerId held by ownerId (0: the own id): the own
    // file "<folder><own>\msg\<peer>.msg" or the group file
    // "<folder><own>\MyGroup\<owner>\msg\<peer>.msg". FALSE when there is
    // none (the pane then shows nothing); a peer id of 0 is refused and the
    // pane keeps what it shows.
    BOOL LoadHistory(int32_t ownerId, int32_t peerId);
    // Fills the log with page (1 to the page count); other pages do nothing.
    // With nothing loaded the log empties and the bar reads page 0.
    void ShowPage(int page);

    // The page bar.
    void OnFirstPage();
    void OnPrevPage();
    void OnNextPage();
    void OnLastPage();
    // Enter in the page box: a number outside 1 to the page count shows
    // "请输入正确的页数！" and the focus goes back to the box; a good one
    // shows that page.
    void OnPageBoxEnter();

    int GetCurrentPage() const { return m_nCurPage; }
    int GetPageCount() const { return m_nPageCount; }
    int GetRecordCount() const { return m_nRecordCount; }
    int32_t GetShownOwner() const { return m_nShownOwner; }
    int32_t GetShownPeer() const { return m_nShownPeer; }
    std::wstring GetHistoryPath(int32_t ownerId, int32_t peerId) const;
    CMyRichEditCtrl& GetLog() { return m_log; }
    const CHistoryPageBook& GetBook() const { return m_book; }
    // The pictures of the shown page, in order.
    const std::vector<std::unique_ptr<PictureObjectInfo>>& GetPictures() const { return m_pictures; }
    // The text "页/%d页" beside the page box.
    std::wstring PageCountText() const;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnSize(UINT type, int cx, int cy) override;
    bool OnPaint() override;
    bool OnEraseBkgnd(HDC dc, LRESULT* result) override;
    bool PreTranslateMessage(MSG& msg) override;
    void OnOK() override {}
    void OnCancel() override {}

private:
    void Layout(int width, int height, int bottomGap);
    void ClearLog();
    // Puts the picture in place of the selection (its stand-in); false when
    // the log holds no picture there.
    bool ShowPicture(const std::wstring& name);
    void UpdatePageBox();
    void InvalidatePageText();
    bool FileExists(const std::wstring& path) const;

    CMyRichEditCtrl m_log;
    CSkinBtn m_btnFirst;
    CSkinBtn m_btnPrev;
    CSkinBtn m_btnNext;
    CSkinBtn m_btnLast;
    fw::CEdit m_pageBox;
    fw::CBitmap m_bmpBottom;
    fw::CFont m_font;
    int m_nCurPage = 0;
    int m_nPageCount = 0;
    int m_nRecordCount = 0;
    int32_t m_nMyUserId = 0;
    int32_t m_nShownOwner = 0;
    int32_t m_nShownPeer = 0;
    CHistoryPageBook m_book;
    std::wstring m_programFolder;
    CHistoryPageBook::NameLookup m_names;
    std::vector<std::unique_ptr<PictureObjectInfo>> m_pictures;
    clientui::CSystemAnsiCodePage m_codePage;
    bool m_resized = false;
};
