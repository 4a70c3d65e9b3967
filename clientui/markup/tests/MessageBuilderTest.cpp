#include "MessageBuilder.h"

#include <gtest/gtest.h>

#include "MessageMarkup.h"
#include "MessageParser.h"
#include "SystemAnsiCodePage.h"

namespace clientui {
namespace {

class MessageBuilderTest : public ::testing::Test {
protected:
    std::string Ansi(const std::wstring& text) const { return codePage_.ToAnsi(text); }

    ChatFontSpec Font(uint8_t size, uint8_t effects, int32_t colour, const std::wstring& face) const {
        ChatFontSpec font;
        font.size = size;
        font.effects = effects;
        font.colour = colour;
        font.SetFaceName(face, codePage_);
        return font;
    }

    // An input text whose message (prefix included) has exactly `bytes` ANSI
    // bytes, made of Chinese characters (two bytes each) and at most one "a".
    std::wstring InputOfMessageBytes(const ChatFontSpec& font, size_t bytes) const {
        size_t body = bytes - builder_.FormatPrefix(font).size();
        std::wstring text(body / 2, L'\u4E2D');  // 中
        if (body % 2) text += L'a';
        return text;
    }

    CSystemAnsiCodePage codePage_;
    CMessageBuilder builder_{codePage_};
};

TEST_F(MessageBuilderTest, FormatsThePrefixBeforeTheText) {
    struct Case {
        ChatFontSpec font;
        const wchar_t* input;
        std::string text;
    } cases[] = {
        {ChatFontSpec::ConversationDefault(codePage_), L"你好",
         "<format|0|9|0|" + Ansi(L"宋体") + "|/format>" + Ansi(L"你好")},
        {Font(12, kChatFontBold | kChatFontUnderline, 0x00FF8040, L"Arial"), L"hi\r\nthere",
         "<format|5|12|16744512|Arial|/format>hi\r\nthere"},
        {Font(255, 7, -1, L"微软雅黑"), L"",
         "<format|7|255|-1|" + Ansi(L"微软雅黑") + "|/format>"},
        // A body that looks like markup goes out as it is.
        {Font(9, 0, 0, L"A"), L"a|b/format><pic", "<format|0|9|0|A|/format>a|b/format><pic"},
    };
    for (const Case& c : cases) {
        BuiltMessage message = builder_.BuildText(c.input, c.font);
        EXPECT_TRUE(message.accepted);
        EXPECT_EQ(message.notice, SendNotice::None);
        EXPECT_EQ(message.text, c.text);
    }
}

TEST_F(MessageBuilderTest, FaceNamesAreCutToThirtyOneBytesOnACharacterBoundary) {
    struct Case {
        std::wstring face;
        std::wstring kept;
    } cases[] = {
        {std::wstring(20, L'\u5B8B'), std::wstring(15, L'\u5B8B')},          // 30 bytes
        {L"A" + std::wstring(20, L'\u5B8B'), L"A" + std::wstring(15, L'\u5B8B')},  // 31
        {std::wstring(40, L'x'), std::wstring(31, L'x')},
        {L"Courier New", L"Courier New"},
    };
    for (const Case& c : cases) {
        ChatFontSpec font = Font(9, 0, 0, c.face);
        EXPECT_EQ(font.FaceName(codePage_), c.kept);
        EXPECT_LE(std::string(font.face).size(), markup::kMaxFaceBytes);
    }
}

TEST_F(MessageBuilderTest, TextLimitIsAtMost1022BytesPrefixIncluded) {
    ChatFontSpec font = ChatFontSpec::ConversationDefault(codePage_);
    struct Case {
        size_t bytes;
        bool accepted;
    } cases[] = {{1021, true}, {1022, true}, {1023, false}, {1024, false}, {3000, false}};
    for (const Case& c : cases) {
        std::wstring input = InputOfMessageBytes(font, c.bytes);
        BuiltMessage message = builder_.BuildText(input, font);
        EXPECT_EQ(message.accepted, c.accepted) << c.bytes << " bytes";
        if (c.accepted) {
            EXPECT_EQ(message.text.size(), c.bytes);
            EXPECT_EQ(message.notice, SendNotice::None);
        } else {
            EXPECT_TRUE(message.text.empty());
            EXPECT_EQ(message.notice, SendNotice::TooLong);
        }
    }
}

TEST_F(MessageBuilderTest, PictureTagIsAppendedOnlyWhileTheTextAndItsNulFit1024Bytes) {
    ChatFontSpec font = ChatFontSpec::ConversationDefault(codePage_);
    const std::wstring name = L"1210ABCDEF.JPG";
    const std::string tagOfPosition0 = "<pic/0/" + Ansi(name) + "/pic>";
    struct Case {
        size_t textBytes;  // with the tag
        TagResult result;
    } cases[] = {{1022, TagResult::Appended},
                 {1023, TagResult::Appended},
                 {1024, TagResult::TooLong},
                 {1030, TagResult::TooLong}};
    for (const Case& c : cases) {
        // The picture is the input's first character, so the tag's position is 0.
        std::wstring input = L"\uFFFC" + InputOfMessageBytes(font, c.textBytes - tagOfPosition0.size() - 1);
        BuiltMessage message = builder_.BuildText(input, font);
        ASSERT_TRUE(message.accepted) << c.textBytes;
        EXPECT_EQ(builder_.AppendPictureTag(message, input, 0, name), c.result) << c.textBytes;
        if (c.result == TagResult::Appended) {
            EXPECT_TRUE(message.accepted);
            EXPECT_EQ(message.text.size(), c.textBytes);
            EXPECT_EQ(message.text.substr(message.text.size() - tagOfPosition0.size()), tagOfPosition0);
        } else {
            // A message that fits without its tag but not with it is refused.
            EXPECT_FALSE(message.accepted);
            EXPECT_EQ(message.notice, SendNotice::TooLong);
            EXPECT_TRUE(message.text.empty());
        }
    }
}

TEST_F(MessageBuilderTest, TwoOrMorePicturesGoOutAsTextAlone) {
    EXPECT_EQ(CMessageBuilder::PictureStepFor(0), PictureStep::None);
    EXPECT_EQ(CMessageBuilder::PictureStepFor(1), PictureStep::One);
    EXPECT_EQ(CMessageBuilder::PictureStepFor(2), PictureStep::TooMany);
    EXPECT_EQ(CMessageBuilder::PictureStepFor(7), PictureStep::TooMany);
    EXPECT_EQ(std::wstring(SendNoticeText(SendNotice::OnePictureOnly)), L"一次只能发送一张图片");
    EXPECT_EQ(std::wstring(SendNoticeText(SendNotice::TooLong)),
              L"系统提示:\r\n 您发送的消息长度超过了限制，请分割后再发。\r\n");
    EXPECT_EQ(std::wstring(SendNoticeText(SendNotice::None)), L"");
}

TEST_F(MessageBuilderTest, TagPositionIsThePositionInTheSentText) {
    struct Case {
        const wchar_t* input;
        long objectCp;  // as the rich edit counts: a paragraph break is one
        size_t sent;
    } cases[] = {
        {L"\uFFFCabc", 0, 0},
        {L"abc\uFFFC", 3, 3},
        {L"ab\r\ncd\uFFFCef", 5, 6},
        {L"\r\n\r\n\uFFFC", 2, 4},
        {L"\u5F20\u4E09\uFFFC", 2, 2},
        {L"abc", 99, 3},  // beyond the text: the end
        {L"abc", -4, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(builder_.SentPosition(c.input, c.objectCp), c.sent) << c.objectCp;
    }
}

TEST_F(MessageBuilderTest, PictureAfterALineBreakRoundTripsToItsPlace) {
    ChatFontSpec font = Font(10, kChatFontItalic, 0x123456, L"宋体");
    std::wstring input = L"第一行\r\n看\uFFFC这里";
    BuiltMessage message = builder_.BuildText(input, font);
    ASSERT_EQ(builder_.AppendPictureTag(message, input, 5, L"0101abc.gif"), TagResult::Appended);

    CMessageParser parser(codePage_);
    ParsedMessage parsed = parser.Parse(message.text.c_str(), message.text.size() + 1,
                                        ChatFontSpec::ConversationDefault(codePage_));
    ASSERT_TRUE(parsed.picture.present);
    EXPECT_EQ(parsed.picture.name, L"0101abc.gif");
    EXPECT_EQ(parsed.TextBeforePicture(), L"第一行\r\n看");
    EXPECT_EQ(parsed.TextAfterPicture(), L"这里");
}

TEST_F(MessageBuilderTest, UnusablePictureNamesGiveNoTag) {
    ChatFontSpec font = ChatFontSpec::ConversationDefault(codePage_);
    const wchar_t* names[] = {L"", L"a/b.jpg", L"..\\x.jpg", L"..", L"c:x.jpg", L"nul.jpg",
                              L"\U0001F600.jpg", L"a.jpg.", L"x\ty.jpg"};
    for (const wchar_t* name : names) {
        BuiltMessage message = builder_.BuildText(L"hi\uFFFC", font);
        std::string before = message.text;
        EXPECT_EQ(builder_.AppendPictureTag(message, L"hi\uFFFC", 2, name), TagResult::NoTag)
            << testing::PrintToString(std::wstring(name));
        EXPECT_TRUE(message.accepted);
        EXPECT_EQ(message.text, before);
    }
    BuiltMessage refused;
    EXPECT_EQ(builder_.AppendPictureTag(refused, L"x", 0, L"a.jpg"), TagResult::TooLong);
    EXPECT_FALSE(refused.accepted);
}

TEST_F(MessageBuilderTest, AutomaticReplyCarriesItsMarkBehindThePrefix) {
    ChatFontSpec font = ChatFontSpec::ConversationDefault(codePage_);
    BuiltMessage message = builder_.BuildAutoReply(L"您好，我现在有事不在，一会再和您联系。", font);
    ASSERT_TRUE(message.accepted);
    EXPECT_EQ(message.text, "<format|0|9|0|" + Ansi(L"宋体") + "|/format>" +
                                Ansi(L"[自动回复] 您好，我现在有事不在，一会再和您联系。"));
    EXPECT_FALSE(builder_.BuildAutoReply(std::wstring(1100, L'x'), font).accepted);
}

}  // namespace
}  // namespace clientui
