// CChatLogEdit: messages with headers and fonts, picture tags, the
// download and error placeholders and their swap, the 60-message limit,
// system notices and links.
#include "ChatLogFixture.h"

#include <psapi.h>

#include "Mervale_h.h"

namespace richedittest {
namespace {

class ChatLogTest : public ChatLogFixture {};

TEST_F(ChatLogTest, BodiesWithoutAPictureTagAreShownWhole) {
    struct Case {
        const char* what;
        std::wstring body;
    } cases[] = {
        {"plain", L"你好，世界"},
        {"two lines", L"first\r\nsecond"},
        {"close tag only", L"see /pic> here"},
    };
    std::wstring expected;
    for (const Case& c : cases) {
        const std::wstring text = L"peer 10:00:00\r\n" + c.body + L"\r\n";
        Append(text);
        expected += AsShown(text);
        EXPECT_EQ(expected, Shown()) << c.what;
    }
    EXPECT_TRUE(Objects().empty());
    EXPECT_TRUE(m_downloads.requests.empty());
    EXPECT_EQ(std::size(cases), m_log.GetEntryCount());
    EXPECT_EQ(L"peer 10:00:00\r\n你好，世界\r\n", m_log.GetEntry(0));
}

// The body ends at its first "<pic"; what the tag there gives decides the
// rest: nothing, the download placeholder, or the error placeholder for a
// name that must not become a path (no download is asked for it).
TEST_F(ChatLogTest, BodiesAreCutAtTheTagAndUnsafeNamesShowTheErrorPlaceholder) {
    enum Outcome { kNoPicture, kDownload, kErrorPlaceholder };
    struct Case {
        const char* what;
        std::wstring body;
        std::wstring shownBody;  // "#" for the picture
        Outcome outcome;
    } cases[] = {
        {"typed <pic", L"a <pic of the cat", L"a \r", kNoPicture},
        {"tag without its close", L"x<pic/0/a.gif", L"x\r", kNoPicture},
        {"negative position", L"ab<pic/-3/0612pic6.jpg/pic>", L"ab\r", kNoPicture},
        {"text after the tag", L"xy<pic/1/0612a.gif/pic> trailing", L"x# \r", kDownload},
        {"position not a number", L"xy<pic/one/0612a.gif/pic>", L"#y \r", kDownload},
        {"folder in the name", L"xy<pic/0/..\\..\\evil.exe/pic>", L"#y \r", kErrorPlaceholder},
        {"parent folder as the name", L"xy<pic/0/../evil.gif/pic>", L"#y \r", kErrorPlaceholder},
        {"drive in the name", L"xy<pic/0/C:evil.gif/pic>", L"#y \r", kErrorPlaceholder},
        {"device name", L"xy<pic/0/CON/pic>", L"#y \r", kErrorPlaceholder},
    };
    const std::wstring header = L"peer 10:00:00\r\n";
    for (const Case& c : cases) {
        m_log.SetWindowText(L"");
        m_downloads.requests.clear();
        const LONG start = m_log.GetTextLength();
        Append(header + c.body + L"\r\n");
        EXPECT_EQ(AsShown(header) + c.shownBody, Shown().substr(start)) << c.what;
        auto objects = Objects();
        if (c.outcome == kNoPicture) {
            EXPECT_TRUE(objects.empty()) << c.what;
            EXPECT_TRUE(m_downloads.requests.empty()) << c.what;
            continue;
        }
        ASSERT_EQ(1u, objects.size()) << c.what;
        ASSERT_TRUE(objects[0].info) << c.what;
        if (c.outcome == kDownload) {
            EXPECT_EQ(PictureObjectInfo::kPlaceholder, objects[0].info->state) << c.what;
            EXPECT_EQ(1u, m_downloads.requests.size()) << c.what;
        } else {
            EXPECT_EQ(PictureObjectInfo::kError, objects[0].info->state) << c.what;
            EXPECT_TRUE(objects[0].info->path.empty()) << c.what;
            EXPECT_TRUE(m_downloads.requests.empty()) << c.what;
        }
    }
}

TEST_F(ChatLogTest, HeaderAndBodyTakeTheirFormatsAndIndents) {
    Append(L"me 09:30:00\r\nbody text\r\n");
    m_log.SetSel(1, 2);
    CHARFORMATW header = m_log.GetSelectionCharFormat();
    EXPECT_TRUE(header.dwEffects & CFE_BOLD);
    EXPECT_EQ(RGB(0, 128, 64), header.crTextColor);
    EXPECT_EQ(180, header.yHeight);
    PARAFORMAT2 paragraph = {};
    paragraph.cbSize = sizeof paragraph;
    m_log.SendMessage(EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&paragraph));
    EXPECT_EQ(60, paragraph.dxStartIndent);

    m_log.SetSel(14, 15);
    CHARFORMATW body = m_log.GetSelectionCharFormat();
    EXPECT_FALSE(body.dwEffects & CFE_BOLD);
    EXPECT_EQ(RGB(200, 0, 0), body.crTextColor);
    EXPECT_EQ(240, body.yHeight);
    m_log.SendMessage(EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&paragraph));
    EXPECT_EQ(300, paragraph.dxStartIndent);
}

TEST_F(ChatLogTest, PictureTagBecomesAPictureAtItsPosition) {
    struct Case {
        const char* what;
        std::wstring body;
        std::wstring shownBody;  // "#" for the picture
    } cases[] = {
        {"inside", L"ab?cd<pic/2/0612pic1.jpg/pic>", L"ab#cd \r"},
        {"first character", L"?xyz<pic/0/0612pic2.jpg/pic>", L"#xyz \r"},
        {"at the end", L"hello<pic/5/0612pic3.jpg/pic>", L"hello# \r"},
        {"after a line break", L"line1\r\n?<pic/7/0612pic4.jpg/pic>", L"line1\r# \r"},
        {"position beyond the body", L"ab<pic/99999/0612pic5.jpg/pic>", L"ab# \r"},
        {"two dots inside the name", L"ab<pic/1/0612a..b.gif/pic>", L"a# \r"},
    };
    const std::wstring header = L"peer 10:00:00\r\n";
    for (const Case& c : cases) {
        m_log.SetWindowText(L"");
        m_downloads.requests.clear();
        const LONG start = m_log.GetTextLength();
        Append(header + c.body + L"\r\n");
        const std::wstring shown = Shown().substr(start);
        EXPECT_EQ(AsShown(header) + c.shownBody, shown) << c.what;
        auto objects = Objects();
        ASSERT_EQ(1u, objects.size()) << c.what;
        ASSERT_TRUE(objects[0].info) << c.what;
        EXPECT_EQ(PictureObjectInfo::kPlaceholder, objects[0].info->state) << c.what;
        ASSERT_EQ(1u, m_downloads.requests.size()) << c.what;
        EXPECT_EQ(kOwnId, m_downloads.requests[0].ownUserId);
        EXPECT_EQ(m_codePage.ToAnsi(objects[0].info->name), m_downloads.requests[0].ansiName);
        EXPECT_EQ(m_folder.ImagePath(objects[0].info->name), m_downloads.requests[0].localPath) << c.what;
        EXPECT_EQ(m_folder.ImagePath(objects[0].info->name), objects[0].info->path) << c.what;
    }
}

TEST_F(ChatLogTest, PlaceholderStatesFollowTheFileAndTheLog) {
    ASSERT_TRUE(CopyFileTo(FixturePath(L"photo.png"), m_folder.ImagePath(L"0612here.png")));
    Append(L"peer\r\n<pic/0/0612here.png/pic>\r\n");
    Append(L"peer\r\n<pic/0/0612missing.png/pic>\r\n");

    // A history view: no download queue.
    CTestChatLog history;
    RECT rect = {0, 0, 200, 100};
    ASSERT_TRUE(history.Create(WS_CHILD | ES_MULTILINE | ES_READONLY, rect, m_host, 201));
    history.SetPictureSource(m_folder.Path(), kOwnId, nullptr);
    history.AppendMessage(L"peer\r\n<pic/0/0612missing.png/pic>\r\n", &m_header, &m_body);
    // A name that is no plain file name never becomes a path.
    history.ShowPicture(L"..\\..\\0612evil.png");

    auto objects = Objects();
    ASSERT_EQ(2u, objects.size());
    EXPECT_EQ(PictureObjectInfo::kShown, objects[0].info->state);
    EXPECT_EQ(PictureObjectInfo::kPlaceholder, objects[1].info->state);
    ASSERT_EQ(1u, m_downloads.requests.size());
    EXPECT_EQ("0612missing.png", m_downloads.requests[0].ansiName);
    EXPECT_TRUE(m_log.HasPendingPictures());

    ASSERT_EQ(2, history.GetObjectCount());
    EXPECT_EQ(PictureObjectInfo::kError, history.GetObjectInfo(0)->state);
    EXPECT_EQ(PictureObjectInfo::kError, history.GetObjectInfo(1)->state);
    EXPECT_TRUE(history.GetObjectInfo(1)->path.empty());
    EXPECT_FALSE(history.HasPendingPictures());
}

TEST_F(ChatLogTest, PlaceholderMakesWayForTheArrivedPicture) {
    Append(L"peer 10:00:00\r\nlook<pic/4/0612late.png/pic>\r\n");
    Append(L"peer 10:00:01\r\nand<pic/3/0612bad.png/pic>\r\n");
    const std::wstring before = Shown();
    EXPECT_EQ(0, m_log.SwapArrivedPictures());  // nothing has arrived

    ASSERT_TRUE(CopyFileTo(FixturePath(L"photo.png"), m_folder.ImagePath(L"0612late.png")));
    m_log.SetSel(2, 5);
    EXPECT_EQ(1, m_log.SwapArrivedPictures());
    auto objects = Objects();
    ASSERT_EQ(2u, objects.size());
    EXPECT_EQ(PictureObjectInfo::kShown, objects[0].info->state);
    EXPECT_EQ(L"0612late.png", objects[0].info->name);
    EXPECT_EQ(PictureObjectInfo::kPlaceholder, objects[1].info->state);
    EXPECT_EQ(before, Shown());
    CHARRANGE selection = m_log.GetSel();  // the reader's selection stays
    EXPECT_EQ(2, selection.cpMin);
    EXPECT_EQ(5, selection.cpMax);

    // A file that arrives but is no picture: the error placeholder.
    ASSERT_TRUE(CopyFileTo(FixturePath(L"broken.gif"), m_folder.ImagePath(L"0612bad.png")));
    EXPECT_EQ(1, m_log.SwapArrivedPictures());
    objects = Objects();
    ASSERT_EQ(2u, objects.size());
    EXPECT_EQ(PictureObjectInfo::kError, objects[1].info->state);
    EXPECT_EQ(before, Shown());
    EXPECT_FALSE(m_log.HasPendingPictures());
    EXPECT_EQ(0, m_log.SwapArrivedPictures());
}

// A peer's picture that declares 10,000 x 10,000 pixels (about 100 KB of
// valid PNG, from the picture control's fixtures) is refused by the control
// before anything decodes it: the log shows "errorBmp.gif" in its place and
// the process's memory peak stays where it was.
TEST_F(ChatLogTest, APictureBeyondTheBoundsShowsTheErrorPictureWithoutDecodingIt) {
    ASSERT_TRUE(CopyFileTo(FixturePath(L"..\\picturectl\\huge.png"), m_folder.ImagePath(L"0612huge.png")));
    PROCESS_MEMORY_COUNTERS before{}, after{};
    ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before));
    Append(L"peer 10:00:00\r\nlook<pic/4/0612huge.png/pic>\r\n");
    ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after));

    auto objects = Objects();
    ASSERT_EQ(1u, objects.size());
    ASSERT_TRUE(objects[0].info);
    EXPECT_EQ(PictureObjectInfo::kError, objects[0].info->state);
    fw::CComPtr<IRichEditOle> ole = fw::CComPtr<IRichEditOle>::Adopt(m_log.GetOleInterface());
    REOBJECT object{};
    object.cbStruct = sizeof object;
    ASSERT_EQ(S_OK, ole->GetObject(0, &object, REO_GETOBJ_POLEOBJ));
    fw::CComPtr<IOleObject> shown = fw::CComPtr<IOleObject>::Adopt(object.poleobj);
    auto picture = shown.As<IMervale>(IID_IMervale);
    ASSERT_TRUE(picture);
    BSTR path = nullptr;
    ASSERT_EQ(S_OK, picture->GetFilePath(&path));
    const std::wstring file = path;
    SysFreeString(path);
    EXPECT_EQ(m_folder.Path() + L"Resource\\chat\\errorBmp.gif", file);
    const SIZE_T grown = after.PeakWorkingSetSize - before.PeakWorkingSetSize;
    EXPECT_LT(grown, SIZE_T(4) * 1024 * 1024) << "the memory peak grew by " << grown << " bytes";
}

TEST_F(ChatLogTest, APlaceholderWhoseDownloadWasGivenUpShowsTheErrorPlaceholder) {
    Append(L"peer 10:00:00\r\nlook<pic/4/0612never.png/pic>\r\n");
    const std::wstring before = Shown();
    EXPECT_EQ(0, m_log.SwapArrivedPictures());
    EXPECT_TRUE(m_log.HasPendingPictures());

    m_downloads.givenUp.push_back(m_folder.ImagePath(L"0612never.png"));
    EXPECT_EQ(1, m_log.SwapArrivedPictures());
    auto objects = Objects();
    ASSERT_EQ(1u, objects.size());
    EXPECT_EQ(PictureObjectInfo::kError, objects[0].info->state);
    EXPECT_EQ(before, Shown());
    EXPECT_FALSE(m_log.HasPendingPictures());
}

TEST_F(ChatLogTest, SixtyFirstMessageRemovesExactlyTheFirst) {
    Append(L"peer 00\r\nfirst\r\nwith a picture <pic/15/0612first.png/pic>\r\n");
    for (int i = 2; i <= 60; ++i) Append(L"peer " + std::to_wstring(i) + L"\r\nmessage " + std::to_wstring(i) + L"\r\n");
    EXPECT_EQ(60u, m_log.GetEntryCount());
    const std::wstring all = Shown();
    const size_t second = all.find(L"peer 2\r");
    ASSERT_NE(std::wstring::npos, second);
    EXPECT_EQ(1u, Objects().size());

    Append(L"peer 61\r\nlast <pic/5/0612last.png/pic>\r\n");
    EXPECT_EQ(60u, m_log.GetEntryCount());
    const std::wstring now = Shown();
    EXPECT_EQ(0u, now.find(L"peer 2\r"));
    EXPECT_EQ(all.substr(second), now.substr(0, all.size() - second));
    auto objects = Objects();
    ASSERT_EQ(1u, objects.size());
    EXPECT_EQ(L"0612last.png", objects[0].info->name);
    EXPECT_EQ(L"peer 2\r\nmessage 2\r\n", m_log.GetEntry(0));
}

TEST_F(ChatLogTest, ABatchShowsWhatOneByOneShowsAndLeavesTheLogVisibleAtItsEnd) {
    // 150 messages (every tenth with a picture) in one batch, nested in an
    // outer one as the chat view's slices may be; the same messages one by
    // one into a second log. Both show messages 91 to 150 with their
    // pictures, and the batch's log is drawn and shown again afterwards.
    auto message = [](int i) {
        std::wstring text = L"peer " + std::to_wstring(i) + L"\r\nmessage " + std::to_wstring(i);
        if (i % 10 == 5) text += L"<pic/3/0612batch" + std::to_wstring(i) + L".png/pic>";
        return text + L"\r\n";
    };
    CTestChatLog single;
    RECT rect = {0, 0, 480, 440};
    ASSERT_TRUE(single.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY, rect,
                              m_host, 201));
    single.SetPictureSource(m_folder.Path(), kOwnId, &m_downloads);
    for (int i = 1; i <= 150; ++i) single.AppendMessage(message(i).c_str(), &m_header, &m_body);
    {
        CChatLogEdit::CBatch outer(m_log);
        {
            CChatLogEdit::CBatch inner(m_log);
            for (int i = 1; i <= 100; ++i) Append(message(i));
        }
        EXPECT_TRUE(m_log.InBatch());
        for (int i = 101; i <= 150; ++i) Append(message(i));
    }
    EXPECT_FALSE(m_log.InBatch());
    EXPECT_EQ(60u, m_log.GetEntryCount());
    EXPECT_EQ(message(91), m_log.GetEntry(0));
    EXPECT_EQ(message(150), m_log.GetEntry(59));
    const std::wstring shown = Shown();
    EXPECT_EQ(single.GetTextRange(0, single.GetTextLength()).size(), shown.size());
    EXPECT_EQ(0u, shown.find(L"peer 91\r"));
    auto objects = Objects();
    ASSERT_EQ(6u, objects.size());
    EXPECT_EQ(L"0612batch95.png", objects[0].info->name);
    EXPECT_EQ(L"0612batch145.png", objects[5].info->name);
    EXPECT_TRUE(m_log.GetStyle() & WS_VISIBLE);
    // Scrolled to the end: the last line is in view.
    const LONG lastLine = static_cast<LONG>(m_log.SendMessage(EM_GETLINECOUNT)) - 1;
    const LONG firstVisible = static_cast<LONG>(m_log.SendMessage(EM_GETFIRSTVISIBLELINE));
    EXPECT_GT(firstVisible, 0);
    EXPECT_EQ(single.SendMessage(EM_GETFIRSTVISIBLELINE), firstVisible);
    EXPECT_LE(firstVisible, lastLine);
}

TEST_F(ChatLogTest, SystemNoticesAreShownAsTheyAre) {
    EXPECT_EQ(L"系统提示:\r\n 对方已离线。\r\n", CChatLogEdit::SystemNoticeText(L"对方已离线。"));
    m_log.AppendSystemNotice(L"对方已离线。", m_header);
    m_log.AppendSystemNotice(L"文件 <pic/0/0612a.png/pic>", m_header);
    EXPECT_EQ(AsShown(L"系统提示:\r\n 对方已离线。\r\n系统提示:\r\n 文件 <pic/0/0612a.png/pic>\r\n"), Shown());
    EXPECT_TRUE(Objects().empty());
    EXPECT_TRUE(m_downloads.requests.empty());
    EXPECT_EQ(2u, m_log.GetEntryCount());
}

TEST_F(ChatLogTest, AppendingLeavesTheFocusWhereItWas) {
    HWND other = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 440, 100, 20, m_host, nullptr, nullptr,
                                   nullptr);
    ASSERT_TRUE(other);
    ::SetFocus(other);
    ASSERT_EQ(other, ::GetFocus());
    Append(L"peer\r\ntext<pic/4/0612f.png/pic>\r\n");
    EXPECT_EQ(other, ::GetFocus());
}

TEST(ChatLogLinks, OnlyWebAndMailAddressesOpen) {
    struct Case {
        const wchar_t* link;
        const wchar_t* opened;
    } cases[] = {
        {L"http://example.com/a?b=1", L"http://example.com/a?b=1"},
        {L"HTTPS://Example.com", L"HTTPS://Example.com"},
        {L"www.example.com", L"http://www.example.com"},
        {L"mailto:service@example.com", L"mailto:service@example.com"},
        {L"  http://example.com  ", L"http://example.com"},
        {L"file:///C:/windows/system32/cmd.exe", L""},
        {L"C:\\windows\\system32\\calc.exe", L""},
        {L"\\\\server\\share\\run.exe", L""},
        {L"ftp://example.com/x", L""},
        {L"javascript:alert(1)", L""},
        {L"http://", L""},
        {L"http://a\"b", L""},
        {L"http://a b", L""},
        {L"", L""},
    };
    for (const Case& c : cases) EXPECT_EQ(c.opened, CChatLogEdit::LinkToOpen(c.link)) << c.link;
}

TEST_F(ChatLogTest, ClickedLinkOpensOnTheButtonDownOnly) {
    Append(L"peer\r\nsee http://example.com/x and file:///C:/x.exe\r\n");
    const std::wstring shown = Shown();
    const LONG web = static_cast<LONG>(shown.find(L"http://"));
    const LONG file = static_cast<LONG>(shown.find(L"file://"));
    auto click = [&](UINT mouse, LONG start, LONG end) {
        ENLINK link = {};
        link.nmhdr.hwndFrom = m_log;
        link.nmhdr.idFrom = 200;
        link.nmhdr.code = EN_LINK;
        link.msg = mouse;
        link.chrg.cpMin = start;
        link.chrg.cpMax = end;
        return m_host.SendMessage(WM_NOTIFY, 200, reinterpret_cast<LPARAM>(&link));
    };
    EXPECT_EQ(0, click(WM_LBUTTONUP, web, web + 20));
    EXPECT_TRUE(m_log.opened.empty());
    EXPECT_EQ(1, click(WM_LBUTTONDOWN, web, web + 20));
    EXPECT_EQ(1, click(WM_LBUTTONDOWN, file, file + 15));
    ASSERT_EQ(1u, m_log.opened.size());
    EXPECT_EQ(L"http://example.com/x", m_log.opened[0]);
}

}  // namespace
}  // namespace richedittest
