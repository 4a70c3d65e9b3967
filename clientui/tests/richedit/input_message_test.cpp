// Sending: CInputMessageBuilder reads a real input (font, text, picture
// objects) and builds the message text; the chat log's parser reads it back.
#include "RichEditTestSupport.h"

#include <richedit.h>
#include <richole.h>

#include "ChatFontFormat.h"
#include "MessageParser.h"
#include "SystemAnsiCodePage.h"
#include "clientui/InputMessageBuilder.h"
#include "clientui/MyRichEditCtrl.h"
#include "fw/ComPtr.h"
#include "fw/GdiObject.h"

using fw::CComPtr;

namespace richedittest {
namespace {

class InputMessageTest : public ::testing::Test {
protected:
    void SetUp() override {
        RECT rect = {0, 0, 480, 200};
        ASSERT_TRUE(m_input.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
                                   rect, m_host, 300));
        m_ole = CComPtr<IRichEditOle>::Adopt(m_input.GetOleInterface());
        ASSERT_TRUE(m_ole);
        SetFont(12, clientui::kChatFontBold | clientui::kChatFontItalic, RGB(255, 0, 0), L"微软雅黑");
    }

    void SetFont(uint8_t size, uint8_t effects, COLORREF colour, const std::wstring& face) {
        clientui::ChatFontSpec font;
        font.size = size;
        font.effects = effects;
        font.colour = static_cast<int32_t>(colour);
        font.SetFaceName(face, m_codePage);
        m_input.SetDefaultCharFormat(clientui::CharFormatFromChatFont(font, m_codePage));
    }
    void Type(const std::wstring& text) {
        m_input.SetSelEnd();
        m_input.ReplaceSel(text);
    }
    void PlacePicture(const std::wstring& name) {
        m_infos.push_back(std::make_unique<PictureObjectInfo>());
        m_infos.back()->state = PictureObjectInfo::kShown;
        m_infos.back()->path = FixturePath(L"wave.gif");
        m_infos.back()->name = name;
        m_input.SetSelEnd();
        ASSERT_TRUE(m_input.InsertImageObject(m_ole.Get(), m_infos.back()->path.c_str(), m_infos.back().get()));
    }
    void PasteScreenshot() {
        HDC screen = ::GetDC(nullptr);
        fw::CBitmap bitmap(::CreateCompatibleBitmap(screen, 24, 16));
        ::ReleaseDC(nullptr, screen);
        m_input.SetSelEnd();
        ASSERT_TRUE(m_input.InsertStaticPicture(m_ole.Get(), bitmap.Get()));
    }
    std::string Prefix() const { return "<format|3|12|255|" + m_codePage.ToAnsi(L"微软雅黑") + "|/format>"; }

    InputMessage Build() {
        CInputMessageBuilder builder(
            m_codePage,
            [this](std::wstring& name) {
                ++m_names;
                name = L"1210shot.jpg";
                return true;
            },
            [this](HBITMAP bitmap, const std::wstring& name, std::wstring& path) {
                ++m_saves;
                BITMAP info = {};
                if (!m_saveWorks || !::GetObjectW(bitmap, sizeof info, &info)) return false;
                path = m_folder.ImagePath(name);
                HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
                if (file == INVALID_HANDLE_VALUE) return false;
                ::CloseHandle(file);
                return true;
            });
        return builder.Build(m_input);
    }

    clientui::CSystemAnsiCodePage m_codePage;
    CScratchProgramFolder m_folder{7};
    CHostWindow m_host;
    CMyRichEditCtrl m_input;
    CComPtr<IRichEditOle> m_ole;
    std::vector<std::unique_ptr<PictureObjectInfo>> m_infos;
    int m_names = 0;
    int m_saves = 0;
    bool m_saveWorks = true;
};

TEST_F(InputMessageTest, TextCarriesTheInputsFont) {
    Type(L"你好");
    const InputMessage built = Build();
    EXPECT_TRUE(built.message.accepted);
    EXPECT_EQ(clientui::SendNotice::None, built.message.notice);
    EXPECT_EQ(Prefix() + m_codePage.ToAnsi(L"你好"), built.message.text);

    clientui::CMessageParser parser(m_codePage);
    const clientui::ParsedMessage parsed =
        parser.Parse(built.message.text.c_str(), built.message.text.size() + 1, clientui::ChatFontSpec());
    EXPECT_EQ(12, parsed.font.size);
    EXPECT_EQ(clientui::kChatFontBold | clientui::kChatFontItalic, parsed.font.effects);
    EXPECT_EQ(255, parsed.font.colour);
    EXPECT_EQ(L"微软雅黑", parsed.faceName);
    EXPECT_EQ(L"你好", parsed.body);
}

TEST_F(InputMessageTest, PicturePositionIsItsPlaceInTheSentText) {
    // Two line breaks before the picture: each is one character in the
    // input but two in the text that goes out.
    Type(L"ab\r\ncd\r\n");
    PlacePicture(L"1210pic.gif");
    Type(L"!");
    const InputMessage built = Build();
    ASSERT_TRUE(built.message.accepted);
    const std::wstring sentText = m_input.GetWindowText();
    ASSERT_EQ(L'\n', sentText[7]);
    EXPECT_EQ(Prefix() + m_codePage.ToAnsi(sentText) + "<pic/8/1210pic.gif/pic>", built.message.text);
    EXPECT_TRUE(built.uploadPath.empty());

    // The receiving side puts the picture where it was.
    clientui::CMessageParser parser(m_codePage);
    const clientui::ParsedMessage parsed =
        parser.Parse(built.message.text.c_str(), built.message.text.size() + 1, clientui::ChatFontSpec());
    ASSERT_TRUE(parsed.picture.present);
    EXPECT_EQ(L"ab\r\ncd\r\n", parsed.TextBeforePicture());
    EXPECT_EQ(L"!", parsed.TextAfterPicture());
    EXPECT_EQ(L"1210pic.gif", parsed.picture.name);
}

TEST_F(InputMessageTest, TwoPicturesGoOutAsTextAlone) {
    Type(L"x");
    PlacePicture(L"1210a.gif");
    PasteScreenshot();
    const InputMessage built = Build();
    EXPECT_TRUE(built.message.accepted);
    EXPECT_EQ(clientui::SendNotice::OnePictureOnly, built.message.notice);
    EXPECT_STREQ(L"一次只能发送一张图片", clientui::SendNoticeText(built.message.notice));
    EXPECT_EQ(std::string::npos, built.message.text.find("<pic"));
    EXPECT_EQ(0, m_saves);
    EXPECT_EQ(0, m_names);
    EXPECT_TRUE(built.uploadPath.empty());
}

TEST_F(InputMessageTest, PastedScreenshotIsSavedAndNamedInTheTag) {
    Type(L"shot ");
    PasteScreenshot();
    InputMessage built = Build();
    ASSERT_TRUE(built.message.accepted);
    EXPECT_EQ(1, m_saves);
    EXPECT_EQ(Prefix() + "shot  <pic/5/1210shot.jpg/pic>", built.message.text);
    EXPECT_EQ(L"1210shot.jpg", built.uploadName);
    EXPECT_EQ(m_folder.ImagePath(L"1210shot.jpg"), built.uploadPath);

    // A picture that cannot be saved: the text alone, nothing to upload.
    m_saveWorks = false;
    built = Build();
    EXPECT_TRUE(built.message.accepted);
    EXPECT_EQ(Prefix() + "shot  ", built.message.text);
    EXPECT_TRUE(built.uploadPath.empty());
}

TEST_F(InputMessageTest, LongTextsAreRefusedAndPicturesNotLookedAt) {
    const size_t prefix = Prefix().size();
    struct Case {
        size_t messageBytes;
        bool withScreenshot;
        bool accepted;
    } cases[] = {
        {1022, false, true},
        {1023, false, false},
        {1022 - 30, true, true},   // the tag still fits
        {1022 - 10, true, false},  // fits without its tag only
        {1023, true, false},
    };
    for (const Case& c : cases) {
        m_input.SetWindowText(L"");
        m_saves = 0;
        m_names = 0;
        size_t body = c.messageBytes - prefix - (c.withScreenshot ? 1 : 0);
        std::wstring text(body / 2, L'\u4E2D');
        if (body % 2) text += L'a';
        Type(text);
        if (c.withScreenshot) PasteScreenshot();
        const InputMessage built = Build();
        EXPECT_EQ(c.accepted, built.message.accepted) << c.messageBytes << (c.withScreenshot ? " +picture" : "");
        if (!c.accepted) {
            EXPECT_EQ(clientui::SendNotice::TooLong, built.message.notice);
            EXPECT_TRUE(built.uploadPath.empty());
            EXPECT_FALSE(FileExists(m_folder.ImagePath(L"1210shot.jpg")));  // nothing left behind
            EXPECT_EQ(text.size() + (c.withScreenshot ? 1 : 0), m_input.GetWindowText().size());
        } else {
            EXPECT_LE(built.message.text.size(), 1023u);
        }
        // A picture is saved only for a message that goes out.
        if (!c.accepted) EXPECT_EQ(0, m_saves);
        ::DeleteFileW(m_folder.ImagePath(L"1210shot.jpg").c_str());
    }
}

}  // namespace
}  // namespace richedittest
