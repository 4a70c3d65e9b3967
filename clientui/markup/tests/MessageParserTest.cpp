#include "MessageParser.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "MessageBuilder.h"
#include "MessageMarkup.h"
#include "SystemAnsiCodePage.h"

namespace clientui {
namespace {

class MessageParserTest : public ::testing::Test {
protected:
    ChatFontSpec Preset() const { return ChatFontSpec::ConversationDefault(codePage_); }

    ParsedMessage ParseAnsi(const std::string& text) const {
        return parser_.Parse(text.c_str(), text.size() + 1, Preset());
    }

    CSystemAnsiCodePage codePage_;
    CMessageParser parser_{codePage_};
    CMessageBuilder builder_{codePage_};
};

TEST_F(MessageParserTest, BuiltMessagesRoundTrip) {
    struct Case {
        uint8_t size, effects;
        int32_t colour;
        const wchar_t* face;
        const wchar_t* input;
        long objectCp;         // -1: no picture
        const wchar_t* name;
        const wchar_t* before;  // text before the picture (the whole body without one)
        const wchar_t* after;
    } cases[] = {
        {9, 0, 0, L"宋体", L"你好", -1, L"", L"你好", L""},
        {12, 7, 0x00FF00FF, L"微软雅黑", L"粗斜下划线", -1, L"", L"粗斜下划线", L""},
        {72, 1, 255, L"Times New Roman", L"a|b|c /format> d", -1, L"", L"a|b|c /format> d", L""},
        {10, 2, 0x808080, L"黑体", L"typed <pic here", -1, L"", L"typed <pic here", L""},
        {10, 2, 0x808080, L"黑体", L"/pic> only", -1, L"", L"/pic> only", L""},
        {9, 0, 0, L"宋体", L"\uFFFC开头", 0, L"0101a.gif", L"", L"开头"},
        {9, 0, 0, L"宋体", L"结尾\uFFFC", 2, L"1231b.JPG", L"结尾", L""},
        {9, 0, 0, L"宋体", L"a<pic/1/x.gif/pic>b\uFFFC", 19, L"c.gif", L"a<pic/1/x.gif/pic>b", L""},
        {9, 4, 0, L"A", L"", -1, L"", L"", L""},
    };
    for (const Case& c : cases) {
        ChatFontSpec font;
        font.size = c.size;
        font.effects = c.effects;
        font.colour = c.colour;
        font.SetFaceName(c.face, codePage_);
        BuiltMessage message = builder_.BuildText(c.input, font);
        ASSERT_TRUE(message.accepted);
        if (c.objectCp >= 0) {
            ASSERT_EQ(builder_.AppendPictureTag(message, c.input, c.objectCp, c.name),
                      TagResult::Appended);
        }
        ParsedMessage parsed = ParseAnsi(message.text);
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.input)));
        EXPECT_TRUE(parsed.hasPrefix);
        EXPECT_EQ(parsed.font.size, c.size);
        EXPECT_EQ(parsed.font.effects, c.effects);
        EXPECT_EQ(parsed.font.colour, c.colour);
        EXPECT_EQ(parsed.faceName, c.face);
        EXPECT_EQ(parsed.picture.present, c.objectCp >= 0);
        EXPECT_EQ(parsed.picture.name, c.name);
        EXPECT_EQ(parsed.TextBeforePicture(), c.before);
        EXPECT_EQ(parsed.TextAfterPicture(), c.after);
    }
}

// Texts as they may arrive from the network; the preset is 9, 0, 0, "宋体".
struct HostileCase {
    const char* what;
    const wchar_t* text;
    bool hasPrefix;
    const wchar_t* body;
    int size, effects;
    int32_t colour;
    const wchar_t* face;
    bool picture;
    size_t position;
    const wchar_t* name;
};

class HostileTextTest : public MessageParserTest,
                        public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileTextTest, GivesAClearOutcome) {
    const HostileCase& c = GetParam();
    ParsedMessage parsed = parser_.Parse(std::wstring(c.text), Preset());
    EXPECT_EQ(parsed.hasPrefix, c.hasPrefix) << c.what;
    EXPECT_EQ(parsed.body, c.body) << c.what;
    EXPECT_EQ(parsed.font.size, c.size) << c.what;
    EXPECT_EQ(parsed.font.effects, c.effects) << c.what;
    EXPECT_EQ(parsed.font.colour, c.colour) << c.what;
    EXPECT_EQ(parsed.faceName, c.face) << c.what;
    EXPECT_EQ(parsed.picture.present, c.picture) << c.what;
    EXPECT_EQ(parsed.picture.position, c.position) << c.what;
    EXPECT_EQ(parsed.picture.name, c.name) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Prefix, HostileTextTest,
    ::testing::Values(
        HostileCase{"empty", L"", false, L"", 9, 0, 0, L"宋体", false, 0, L""},
        HostileCase{"plain text", L"hello", false, L"hello", 9, 0, 0, L"宋体", false, 0, L""},
        HostileCase{"no /format>", L"<format|1|12|255|Arial|hello", false,
                    L"<format|1|12|255|Arial|hello", 9, 0, 0, L"宋体", false, 0, L""},
        HostileCase{"marker not at the start", L"x<format|1|12|255|A|/format>y", false,
                    L"x<format|1|12|255|A|/format>y", 9, 0, 0, L"宋体", false, 0, L""},
        HostileCase{"no fields", L"<format/format>abc", true, L"abc", 9, 0, 0, L"宋体", false, 0, L""},
        HostileCase{"only separators", L"<format||||||/format>b", true, L"b", 9, 0, 0, L"宋体",
                    false, 0, L""},
        HostileCase{"missing fields keep the preset", L"<format|1|/format>b", true, L"b", 9, 1, 0,
                    L"宋体", false, 0, L""},
        HostileCase{"size out of range", L"<format|7|300|255|Arial|/format>x", true, L"x", 9, 7,
                    255, L"Arial", false, 0, L""},
        HostileCase{"numbers out of range", L"<format|-1|0|99999999999999999999|F|/format>x", true,
                    L"x", 9, 0, 0, L"F", false, 0, L""},
        HostileCase{"non-numeric reads as 0", L"<format|abc|x|y|/format>z", true, L"z", 9, 0, 0,
                    L"宋体", false, 0, L""},
        HostileCase{"colour high byte dropped", L"<format|0|10|-16777216|A|/format>b", true, L"b",
                    10, 0, 0, L"A", false, 0, L""},
        HostileCase{"long face cut", L"<format|0|10|0|ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789|/format>b",
                    true, L"b", 10, 0, 0, L"ABCDEFGHIJKLMNOPQRSTUVWXYZ01234", false, 0, L""},
        HostileCase{"prefix inside the body stays text",
                    L"<format|0|10|0|A|/format><format|1|20|5|B|/format>x", true,
                    L"<format|1|20|5|B|/format>x", 10, 0, 0, L"A", false, 0, L""},
        HostileCase{"separator only after the marker", L"<format/format>a|b|c", true, L"a|b|c", 9, 0,
                    0, L"宋体", false, 0, L""}));

INSTANTIATE_TEST_SUITE_P(
    PictureTag, HostileTextTest,
    ::testing::Values(
        HostileCase{"a picture", L"<format|0|9|0|A|/format>hi<pic/1/a.jpg/pic>", true, L"hi", 9, 0,
                    0, L"A", true, 1, L"a.jpg"},
        HostileCase{"huge position clamped", L"<format/format>hi<pic/999999999999999999999/a.jpg/pic>",
                    true, L"hi", 9, 0, 0, L"宋体", true, 2, L"a.jpg"},
        HostileCase{"negative position clamped", L"<format/format>hi<pic/-5/a.jpg/pic>", true, L"hi",
                    9, 0, 0, L"宋体", true, 0, L"a.jpg"},
        HostileCase{"empty body", L"<format/format><pic/3/a.jpg/pic>", true, L"", 9, 0, 0, L"宋体",
                    true, 0, L"a.jpg"},
        HostileCase{"no prefix", L"hi<pic/0/a.jpg/pic>", false, L"hi", 9, 0, 0, L"宋体", true, 0,
                    L"a.jpg"},
        HostileCase{"path in the name", L"<format/format>hi<pic/1/../../x.jpg/pic>", true,
                    L"hi<pic/1/../../x.jpg/pic>", 9, 0, 0, L"宋体", false, 0, L""},
        HostileCase{"backslash path", L"<format/format>hi<pic/1/..\\..\\evil.exe/pic>", true,
                    L"hi<pic/1/..\\..\\evil.exe/pic>", 9, 0, 0, L"宋体", false, 0, L""},
        HostileCase{"device name", L"<format/format>hi<pic/1/CON/pic>", true, L"hi<pic/1/CON/pic>",
                    9, 0, 0, L"宋体", false, 0, L""},
        HostileCase{"name too long",
                    L"<format/format>h<pic/0/aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa/pic>",
                    true,
                    L"h<pic/0/aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa/pic>", 9,
                    0, 0, L"宋体", false, 0, L""},
        HostileCase{"text after the tag", L"<format/format>hi<pic/1/a.jpg/pic>tail", true,
                    L"hi<pic/1/a.jpg/pic>tail", 9, 0, 0, L"宋体", false, 0, L""},
        HostileCase{"truncated tag", L"<format/format>hi<pic/1/a.jpg", true, L"hi<pic/1/a.jpg", 9,
                    0, 0, L"宋体", false, 0, L""},
        HostileCase{"close without open", L"<format/format>hi/pic>", true, L"hi/pic>", 9, 0, 0,
                    L"宋体", false, 0, L""},
        HostileCase{"non-numeric position", L"<format/format>hi<pic/x1/a.jpg/pic>", true,
                    L"hi<pic/x1/a.jpg/pic>", 9, 0, 0, L"宋体", false, 0, L""},
        HostileCase{"empty position", L"<format/format>hi<pic//a.jpg/pic>", true,
                    L"hi<pic//a.jpg/pic>", 9, 0, 0, L"宋体", false, 0, L""},
        HostileCase{"empty name", L"<format/format>hi<pic/1//pic>", true, L"hi<pic/1//pic>", 9, 0,
                    0, L"宋体", false, 0, L""},
        HostileCase{"bare tag words", L"<pic/pic>", false, L"<pic/pic>", 9, 0, 0, L"宋体", false, 0,
                    L""},
        HostileCase{"typed tag before the real one",
                    L"<format/format>a<pic/2/b.jpg/pic>c<pic/1/c.jpg/pic>", true,
                    L"a<pic/2/b.jpg/pic>c", 9, 0, 0, L"宋体", true, 1, L"c.jpg"}));

TEST_F(MessageParserTest, ReadsNoFurtherThanTheFieldOrItsNul) {
    // A full field without a NUL, on the heap so that a read past it is caught.
    std::string prefix = "<format|1|10|0|A|/format>";
    std::vector<char> field(markup::kTextFieldSize, 'x');
    std::memcpy(field.data(), prefix.data(), prefix.size());
    ParsedMessage parsed = parser_.Parse(field.data(), field.size(), Preset());
    EXPECT_EQ(parsed.body, std::wstring(markup::kTextFieldSize - prefix.size(), L'x'));

    const char withNul[] = "<format|1|10|0|A|/format>abc\0<pic/0/a.jpg/pic>";
    parsed = parser_.Parse(withNul, sizeof(withNul), Preset());
    EXPECT_EQ(parsed.body, L"abc");
    EXPECT_FALSE(parsed.picture.present);

    parsed = parser_.Parse(nullptr, 0, Preset());
    EXPECT_FALSE(parsed.hasPrefix);
    EXPECT_TRUE(parsed.body.empty());

    // A cut double-byte character at the end of the field.
    const char cut[] = {'a', 'b', '\xD5'};
    parsed = parser_.Parse(cut, sizeof(cut), Preset());
    EXPECT_EQ(parsed.body.substr(0, 2), L"ab");
}

TEST_F(MessageParserTest, AllZeroPresetStaysZeroWithoutAPrefix) {
    ParsedMessage parsed = parser_.Parse(std::wstring(L"raw"), ChatFontSpec());
    EXPECT_EQ(parsed.font.size, 0);
    EXPECT_EQ(parsed.faceName, L"");
    EXPECT_EQ(parsed.body, L"raw");
}

// Random cuts and mutations of real messages: the parser holds its promises
// (a position inside the body, a name that is safe, a terminated face).
TEST_F(MessageParserTest, MutatedMessagesKeepTheInvariants) {
    std::mt19937 random(20261210);
    const char pieces[] = "<format|/format><pic/pic>0123456789-|/\\.a\xD5\xC5\xA3\xAC";
    ChatFontSpec font = Preset();
    BuiltMessage seed = builder_.BuildText(L"你好\r\nworld\uFFFC!", font);
    ASSERT_EQ(builder_.AppendPictureTag(seed, L"你好\r\nworld\uFFFC!", 8, L"1210abc.jpg"),
              TagResult::Appended);
    for (int round = 0; round < 3000; ++round) {
        std::string text = seed.text;
        int edits = 1 + static_cast<int>(random() % 6);
        for (int e = 0; e < edits && !text.empty(); ++e) {
            size_t at = random() % text.size();
            switch (random() % 3) {
            case 0: text.erase(at, 1 + random() % 8); break;
            case 1: text.insert(at, 1, pieces[random() % (sizeof(pieces) - 1)]); break;
            default: text[at] = static_cast<char>(random() % 256); break;
            }
        }
        std::vector<char> field(text.begin(), text.end());  // no NUL: bounded by size
        ParsedMessage parsed = parser_.Parse(field.data(), field.size(), font);
        ASSERT_LE(parsed.picture.position, parsed.body.size());
        if (parsed.picture.present) {
            ASSERT_FALSE(parsed.picture.name.empty());
            ASSERT_EQ(parsed.picture.name.find_first_of(L"/\\:"), std::wstring::npos);
        }
        ASSERT_NE(std::memchr(parsed.font.face, '\0', sizeof(parsed.font.face)), nullptr);
        ASSERT_LE(parsed.TextBeforePicture().size() + parsed.TextAfterPicture().size(),
                  parsed.body.size());
    }
}

}  // namespace
}  // namespace clientui
