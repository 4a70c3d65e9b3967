// CChatMsgPanel in a real window: paging through a generated history of a
// few hundred records, the page bar's bounds, the page box, the own and the
// group file, a missing picture showing the error placeholder without any
// fetch, and a load for no peer keeping what is shown.
#include "ChatMsgPanel.h"

#include "HistoryFixture.h"
#include "HistoryLogWriter.h"
#include "RichEditTestSupport.h"
#include "fw/GdiPlusSession.h"
#include "fw/MessageBoxSink.h"
#include "SystemAnsiCodePage.h"

#include <gtest/gtest.h>

#include <commdlg.h>
#include <richedit.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

using historytest::Conversation;
using historytest::HistoryBytes;
using historytest::WriteBytes;
using richedittest::CHostWindow;
using richedittest::CScratchProgramFolder;

constexpr int32_t kOwn = 2001;
constexpr int32_t kPeer = 5001;
constexpr int32_t kAgent = 2002;

class ChatMsgPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.IsWindow());
        // The page bar's pictures and the bottom bar from the built skin.
        const std::wstring tests = richedittest::TestFolder();
        const std::wstring bin = tests.substr(0, tests.find_last_of(L'\\')) + L"\\bin\\Resource\\";
        ::CreateDirectoryW((folder.Path() + L"Resource\\msgMgr").c_str(), nullptr);
        ::CreateDirectoryW((folder.Path() + L"Resource\\Comm").c_str(), nullptr);
        for (const wchar_t* name : {L"first", L"prew", L"next", L"last"})
            for (const wchar_t* state : {L"-01.bmp", L"-02.bmp", L"-03.bmp"})
                richedittest::CopyFileTo(bin + L"msgMgr\\" + name + state,
                                         folder.Path() + L"Resource\\msgMgr\\" + name + state);
        richedittest::CopyFileTo(bin + L"Comm\\frame_bottom.bmp", folder.Path() + L"Resource\\Comm\\frame_bottom.bmp");

        pane.SetProgramFolder(folder.Path());
        pane.SetMyUserId(kOwn);
        pane.SetNameLookup([](int32_t id, std::wstring* name) {
            if (id != kPeer) return false;
            *name = L"\u5F20\u4E09";
            return true;
        });
        ASSERT_TRUE(pane.Create(host.GetHwnd()));
        pane.SetWindowPos(nullptr, 0, 0, 360, 420, SWP_NOZORDER | SWP_SHOWWINDOW);
        previousSink = fw::SetMessageBoxSink([this](HWND, const std::wstring& text, const std::wstring&, UINT) {
            boxes.push_back(text);
            return IDOK;
        });
    }
    void TearDown() override { fw::SetMessageBoxSink(previousSink); }

    std::wstring OwnFile() const { return folder.Path() + L"2001\\msg\\5001.msg"; }
    void WriteOwnHistory(int count) { ASSERT_TRUE(WriteBytes(OwnFile(), HistoryBytes(Conversation(count, kOwn, kPeer)))); }
    std::wstring LogText() { return pane.GetLog().GetWindowText(); }
    void Click(int id) { pane.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(pane.GetDlgItem(id))); }

    fw::CGdiPlusSession gdiplus;
    CScratchProgramFolder folder{kOwn};
    CHostWindow host{false, 380, 440};
    CChatMsgPanel pane;
    std::vector<std::wstring> boxes;
    fw::MessageBoxSink previousSink;
};

TEST_F(ChatMsgPanelTest, PagesThroughAGeneratedHistory) {
    WriteOwnHistory(350);
    ASSERT_TRUE(pane.LoadHistory(kOwn, kPeer));
    EXPECT_EQ(350, pane.GetRecordCount());
    ASSERT_EQ(6, pane.GetPageCount());
    pane.ShowPage(pane.GetPageCount());
    EXPECT_EQ(6, pane.GetCurrentPage());
    std::wstring text = LogText();
    EXPECT_NE(std::wstring::npos, text.find(L"message 349"));
    EXPECT_NE(std::wstring::npos, text.find(L"message 290"));
    EXPECT_EQ(std::wstring::npos, text.find(L"message 289\r")) << "the newest 60 only";
    EXPECT_EQ(L"6", ::GetWindowTextLengthW(pane.GetDlgItem(IDC_MSG_PAGE_EDIT)) ? [&] {
        wchar_t box[16] = {};
        ::GetWindowTextW(pane.GetDlgItem(IDC_MSG_PAGE_EDIT), box, 16);
        return std::wstring(box);
    }() : std::wstring());
    EXPECT_EQ(L"\u9875/6\u9875", pane.PageCountText());

    // The bar, and its ends: past either end nothing changes.
    struct Step {
        int button;
        int expected;
    } steps[] = {{IDC_MSG_PAGE_NEXT, 6},  {IDC_MSG_PAGE_PREV, 5}, {IDC_MSG_PAGE_FIRST, 1}, {IDC_MSG_PAGE_PREV, 1},
                 {IDC_MSG_PAGE_NEXT, 2},  {IDC_MSG_PAGE_LAST, 6}, {IDC_MSG_PAGE_LAST, 6}};
    for (const Step& s : steps) {
        Click(s.button);
        EXPECT_EQ(s.expected, pane.GetCurrentPage()) << "button " << s.button;
    }
    Click(IDC_MSG_PAGE_FIRST);
    text = LogText();
    EXPECT_NE(std::wstring::npos, text.find(L"message 0\r"));
    EXPECT_NE(std::wstring::npos, text.find(L"message 49")) << "page 1 holds the 50 oldest";
    EXPECT_EQ(std::wstring::npos, text.find(L"message 50\r"));

    // Pages that do not exist show nothing new.
    pane.ShowPage(0);
    EXPECT_EQ(1, pane.GetCurrentPage());
    pane.ShowPage(7);
    EXPECT_EQ(1, pane.GetCurrentPage());
    EXPECT_EQ(text, LogText());
}

TEST_F(ChatMsgPanelTest, HeadersAndDateLinesInTheLog) {
    WriteOwnHistory(61);
    ASSERT_TRUE(pane.LoadHistory(0, kPeer)) << "owner 0 is the own history";
    ASSERT_EQ(2, pane.GetPageCount());
    pane.ShowPage(1);
    const std::wstring text = LogText();
    EXPECT_EQ(0u, text.find(std::wstring(58, L'-'))) << "the page begins with a date line";
    EXPECT_NE(std::wstring::npos, text.find(L"\u65E5\u671F\uFF1A2026-11-01"));
    EXPECT_NE(std::wstring::npos, text.find(L"2001  09:00:00")) << "own id: no nickname known";
    pane.ShowPage(2);
    EXPECT_NE(std::wstring::npos, LogText().find(L"\u5F20\u4E09  09:00:01")) << "the sender's nickname";
    EXPECT_NE(std::wstring::npos, LogText().find(L"(3001\u4EE3\u56DE\u590D)"));

    // The header of the own message is dark green, the peer's blue.
    // Character positions count a paragraph break as one: find in the edit.
    FINDTEXTEXW find = {};
    find.chrg = {0, -1};
    find.lpstrText = L"2001  09:01:00";  // record 60, own (60 % 3 == 0)
    const LRESULT at = pane.GetLog().SendMessage(EM_FINDTEXTEXW, FR_DOWN, reinterpret_cast<LPARAM>(&find));
    ASSERT_GE(at, 0);
    pane.GetLog().SetSel(static_cast<LONG>(at), static_cast<LONG>(at) + 4);
    EXPECT_EQ(0x408000u, pane.GetLog().GetSelectionCharFormat().crTextColor);
    find.lpstrText = L"\u5F20\u4E09  09:00:01";
    const LRESULT peer = pane.GetLog().SendMessage(EM_FINDTEXTEXW, FR_DOWN, reinterpret_cast<LPARAM>(&find));
    ASSERT_GE(peer, 0);
    pane.GetLog().SetSel(static_cast<LONG>(peer), static_cast<LONG>(peer) + 2);
    EXPECT_EQ(0xFF0000u, pane.GetLog().GetSelectionCharFormat().crTextColor);
}

// A page written as the history views write it (with a keyword, as the
// message records' search does), read back from the log: the same text,
// every character of every hit red and none beside them, the header in the
// log's own size and the body in its own font, also when written again.
TEST_F(ChatMsgPanelTest, AWrittenPageKeepsItsTextFontsAndPaintsEveryHitRed) {
    HistoryPiece header;
    header.text = L"\u5F20\u4E09  09:00:00\n";
    header.colour = CHistoryPageBook::kOtherColour;
    HistoryPiece body;
    body.kind = HistoryPiece::kFormatted;
    body.text = L"\u9000\u6B3E{1}\u9000\u6B3E\u9000\u6B3E end\r\n";
    body.font.size = 12;
    body.font.effects = clientui::kChatFontBold;
    body.font.colour = 0x008000;
    std::strcpy(body.font.face, "Arial");
    const std::vector<HistoryPiece> pieces = {header, body, header};
    const std::wstring keyword = L"\u9000\u6B3E";
    clientui::CSystemAnsiCodePage codePage;
    CMyRichEditCtrl& log = pane.GetLog();
    CHARFORMATW standard = {};
    standard.cbSize = sizeof standard;
    log.SendMessage(EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&standard));

    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(historylog::WritePage(log, pieces, codePage, keyword, nullptr));
        const std::wstring text = historylog::PageText(pieces);
        // The page's last break is the log's own closing paragraph mark.
        ASSERT_EQ(text.substr(0, text.size() - 1), log.GetTextRange(0, log.GetTextLength()));
        auto colourAt = [&](size_t at) {
            log.SetSel(static_cast<LONG>(at), static_cast<LONG>(at) + 1);
            return log.GetSelectionCharFormat().crTextColor;
        };
        std::vector<bool> red(text.size(), false);
        const auto hits = CHistoryPageBook::KeywordRanges(text, keyword);
        ASSERT_EQ(3u, hits.size());
        for (const auto& hit : hits)
            for (size_t i = hit.first; i < hit.second; ++i) red[i] = true;
        for (size_t i = 0; i + 1 < text.size(); ++i) {
            if (text[i] == L'\r') continue;
            EXPECT_EQ(red[i], colourAt(i) == CHistoryPageBook::kHitColour) << "round " << round << " at " << i;
        }
        log.SetSel(0, 2);
        const CHARFORMATW name = log.GetSelectionCharFormat();
        EXPECT_EQ(CHistoryPageBook::kOtherColour, name.crTextColor);
        EXPECT_EQ(standard.yHeight, name.yHeight) << "round " << round << ": the log's own size";
        EXPECT_EQ(std::wstring(standard.szFaceName), name.szFaceName);
        const size_t end = text.find(L" end");
        log.SetSel(static_cast<LONG>(end) + 1, static_cast<LONG>(end) + 4);
        const CHARFORMATW own = log.GetSelectionCharFormat();
        EXPECT_EQ(0x008000u, own.crTextColor);
        EXPECT_EQ(12 * 20, own.yHeight);
        EXPECT_TRUE(own.dwEffects & CFE_BOLD);
        EXPECT_EQ(std::wstring(L"Arial"), own.szFaceName);
    }
}

// Each picture is asked for with its stand-in selected; a stand-in that no
// picture replaced is taken out, and the next picture still finds its own.
TEST_F(ChatMsgPanelTest, APictureThatCannotBeShownLeavesNoStandIn) {
    auto text = [](const std::wstring& t) {
        HistoryPiece p;
        p.kind = HistoryPiece::kFormatted;
        p.text = t;
        return p;
    };
    auto picture = [](const std::wstring& name) {
        HistoryPiece p;
        p.kind = HistoryPiece::kPicture;
        p.name = name;
        return p;
    };
    const std::vector<HistoryPiece> pieces = {text(L"ab"), picture(L"1.jpg"), text(L"cd"), picture(L"2.jpg"),
                                              text(L"e\n")};
    clientui::CSystemAnsiCodePage codePage;
    CMyRichEditCtrl& log = pane.GetLog();
    std::vector<std::wstring> asked;
    ASSERT_TRUE(historylog::WritePage(log, pieces, codePage, std::wstring(), [&](const std::wstring& name) {
        CHARRANGE range = {};
        log.SendMessage(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
        asked.push_back(name + L"@" + std::to_wstring(range.cpMin) + L"-" + std::to_wstring(range.cpMax) + L":" +
                        log.GetTextRange(range.cpMin, range.cpMax));
        return name == L"2.jpg";  // the second stays as its stand-in here
    }));
    EXPECT_EQ((std::vector<std::wstring>{L"1.jpg@2-3:?", L"2.jpg@4-5:?"}), asked);
    EXPECT_EQ(L"abcd?e", log.GetTextRange(0, log.GetTextLength()));
}

TEST_F(ChatMsgPanelTest, AMissingPictureShowsTheErrorPlaceholderAndIsNotFetched) {
    WriteOwnHistory(50);  // record 49 carries "missing.jpg"
    ASSERT_TRUE(pane.LoadHistory(kOwn, kPeer));
    pane.ShowPage(1);
    ASSERT_EQ(1u, pane.GetPictures().size());
    const PictureObjectInfo& info = *pane.GetPictures()[0];
    EXPECT_EQ(PictureObjectInfo::kError, info.state);
    EXPECT_EQ(L"missing.jpg", info.name);
    EXPECT_EQ(folder.ImagePath(L"missing.jpg"), info.path);
    EXPECT_FALSE(richedittest::FileExists(info.path)) << "nothing was fetched";
    if (richedittest::PictureControlsAvailable()) {
        ASSERT_EQ(1, pane.GetLog().GetObjectCount());
        EXPECT_EQ(&info, pane.GetLog().GetObjectInfo(0));
    }

    // Once the picture is on disk the next rendering shows it.
    ASSERT_TRUE(richedittest::CopyFileTo(folder.Path() + L"Resource\\chat\\errorBmp.gif", info.path));
    pane.ShowPage(1);
    ASSERT_EQ(1u, pane.GetPictures().size());
    EXPECT_EQ(PictureObjectInfo::kShown, pane.GetPictures()[0]->state);
}

TEST_F(ChatMsgPanelTest, APictureNameThatIsAPathShowsTheErrorPlaceholderAndNeverBecomesOne) {
    // A file where the name would lead, outside the pictures folder.
    ASSERT_TRUE(richedittest::CopyFileTo(folder.Path() + L"Resource\\chat\\errorBmp.gif",
                                         folder.Path() + L"0412evil.gif"));
    std::vector<historytest::FixtureRecord> records = Conversation(2, kOwn, kPeer);
    records[1].text = historytest::MessageText("look", "..\\..\\0412evil.gif");
    ASSERT_TRUE(WriteBytes(OwnFile(), HistoryBytes(records)));
    ASSERT_TRUE(pane.LoadHistory(kOwn, kPeer));
    pane.ShowPage(1);
    ASSERT_EQ(1u, pane.GetPictures().size());
    const PictureObjectInfo& info = *pane.GetPictures()[0];
    EXPECT_EQ(PictureObjectInfo::kError, info.state);
    EXPECT_EQ(L"..\\..\\0412evil.gif", info.name);
    EXPECT_TRUE(info.path.empty());
}

TEST_F(ChatMsgPanelTest, GroupHistoryAndMissingFiles) {
    EXPECT_EQ(folder.Path() + L"2001\\MyGroup\\2002\\msg\\5001.msg", pane.GetHistoryPath(kAgent, kPeer));
    EXPECT_EQ(OwnFile(), pane.GetHistoryPath(kOwn, kPeer));
    EXPECT_FALSE(pane.LoadHistory(kAgent, kPeer)) << "no group file yet";
    pane.ShowPage(pane.GetPageCount());
    EXPECT_EQ(0, pane.GetCurrentPage());
    EXPECT_TRUE(LogText().empty());

    ::CreateDirectoryW((folder.Path() + L"2001").c_str(), nullptr);
    ::CreateDirectoryW((folder.Path() + L"2001\\MyGroup").c_str(), nullptr);
    ::CreateDirectoryW((folder.Path() + L"2001\\MyGroup\\2002").c_str(), nullptr);
    ASSERT_TRUE(WriteBytes(pane.GetHistoryPath(kAgent, kPeer), HistoryBytes(Conversation(70, kAgent, kPeer))));
    ASSERT_TRUE(pane.LoadHistory(kAgent, kPeer));
    EXPECT_EQ(2, pane.GetPageCount());

    // A wrong marker: moved aside; instead of an empty history the pane
    // says where the damaged file was kept, also once a new file holds the
    // newer messages.
    ASSERT_TRUE(WriteBytes(OwnFile(), HistoryBytes(Conversation(5, kOwn, kPeer), -1, 7)));
    EXPECT_FALSE(pane.LoadHistory(kOwn, kPeer));
    EXPECT_FALSE(richedittest::FileExists(OwnFile()));
    EXPECT_TRUE(richedittest::FileExists(OwnFile() + L".bad"));
    pane.ShowPage(1);
    const std::wstring aside = L"损坏的消息记录文件已另存为“5001.msg.bad”，其中的消息无法显示。";
    EXPECT_EQ(LogText(), aside);
    EXPECT_EQ(0, pane.GetCurrentPage());
    WriteOwnHistory(3);
    ASSERT_TRUE(pane.LoadHistory(kOwn, kPeer));
    pane.ShowPage(1);
    EXPECT_NE(LogText().find(L"message 2"), std::wstring::npos);
    EXPECT_EQ(LogText().size() - LogText().rfind(aside), aside.size()) << "under the records";

    // A short header: the file stays and the pane says it cannot be read.
    ASSERT_TRUE(WriteBytes(OwnFile(), std::vector<uint8_t>(100, 0x20)));
    EXPECT_FALSE(pane.LoadHistory(kOwn, kPeer));
    pane.ShowPage(1);
    EXPECT_EQ(LogText(), L"消息记录文件已损坏，无法读取。\r\n" + aside);
    EXPECT_TRUE(richedittest::FileExists(OwnFile()));
}

TEST_F(ChatMsgPanelTest, ALoadForNoPeerKeepsTheShownHistory) {
    WriteOwnHistory(100);
    ASSERT_TRUE(pane.LoadHistory(kOwn, kPeer));
    pane.ShowPage(pane.GetPageCount());
    const std::wstring shown = LogText();
    // The search box's own search button sends wParam 0, lParam 0.
    EXPECT_FALSE(pane.LoadHistory(0, 0));
    EXPECT_EQ(2, pane.GetPageCount());
    EXPECT_EQ(2, pane.GetCurrentPage());
    EXPECT_EQ(kPeer, pane.GetShownPeer());
    EXPECT_EQ(shown, LogText());
}

TEST_F(ChatMsgPanelTest, PageBoxAcceptsOnlyExistingPages) {
    WriteOwnHistory(200);
    ASSERT_TRUE(pane.LoadHistory(kOwn, kPeer));
    pane.ShowPage(4);
    HWND box = pane.GetDlgItem(IDC_MSG_PAGE_EDIT);
    for (const wchar_t* bad : {L"0", L"5", L"", L"99999999999"}) {
        boxes.clear();
        ::SetWindowTextW(box, bad);
        pane.OnPageBoxEnter();
        ASSERT_EQ(1u, boxes.size()) << "'" << (bad[0] ? "n" : "") << "'";
        EXPECT_EQ(L"\u8BF7\u8F93\u5165\u6B63\u786E\u7684\u9875\u6570\uFF01", boxes[0]);
        EXPECT_EQ(4, pane.GetCurrentPage());
    }
    boxes.clear();
    ::SetWindowTextW(box, L"2");
    pane.OnPageBoxEnter();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(2, pane.GetCurrentPage());
}

// The pane as a user sees it; the picture is taken by the caller while the
// scene stays up (QV_HISTORY_SCENE_MS).
// The scene of the README's picture: the last page of a long history,
// scrolled to the record with the missing picture and the next date line;
// the picture must show that record near the top of the log.
// QV_HISTORY_SCENE_MS keeps it on the screen that long to look at it.
TEST_F(ChatMsgPanelTest, SceneShowsTheRecordWithTheMissingPictureNearTheTop) {
    const char* hold = std::getenv("QV_HISTORY_SCENE_MS");
    WriteOwnHistory(340);
    ASSERT_TRUE(pane.LoadHistory(kOwn, kPeer));
    pane.ShowPage(pane.GetPageCount());
    host.ShowWindow(SW_SHOW);
    host.SetWindowPos(HWND_TOP, 20, 20, 360, 420, SWP_SHOWWINDOW);
    richedittest::PumpFor(300);
    // Show the record with the missing picture and the next date line.
    FINDTEXTEXW find = {};
    find.chrg = {0, -1};
    find.lpstrText = L"message 296";
    const LRESULT at = pane.GetLog().SendMessage(EM_FINDTEXTEXW, FR_DOWN, reinterpret_cast<LPARAM>(&find));
    ASSERT_GE(at, 0) << "the last page does not hold the record";
    pane.GetLog().SendMessage(WM_VSCROLL, SB_TOP, 0);
    const LONG line = pane.GetLog().LineFromChar(static_cast<LONG>(at));
    pane.GetLog().SendMessage(EM_LINESCROLL, 0, line);
    richedittest::PumpFor(hold ? static_cast<DWORD>(std::atoi(hold)) : 100);
    // The record's text lies in the upper part of the log's view.
    POINTL where = {};
    pane.GetLog().SendMessage(EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&where), at);
    RECT view = {};
    ::GetClientRect(pane.GetLog().GetHwnd(), &view);
    EXPECT_GE(where.y, view.top);
    EXPECT_LT(where.y, view.top + (view.bottom - view.top) / 2) << "the record is not near the top of the view";
    EXPECT_GT(pane.GetLog().SendMessage(EM_GETFIRSTVISIBLELINE, 0, 0), 0) << "the log was not scrolled to it";
}

}  // namespace
