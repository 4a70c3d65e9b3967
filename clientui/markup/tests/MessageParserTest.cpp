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
        {10, 2, 0x808080, L"黑体", L"/pic> only", -1, L"", L"/pic> only", L""},
        {9, 0, 0, L"宋体", L"\uFFFC开头", 0, L"0101a.gif", L"", L"开头"},
        {9, 0, 0, L"宋体", L"结尾\uFFFC", 2, L"1231b.JPG", L"结尾", L""},
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

// The markup as every client reads it, case by case: the edge cases and
// examples of the markup's own rules, and the guards kept on top of them
// (marked "guard"). The preset is 9, 0, 0, "宋体".
enum class Shows { Nothing, Picture, ErrorPlaceholder };

struct MarkupCase {
    const char* what;
    const wchar_t* text;
    bool hasPrefix;
    const wchar_t* body;  // after the prefix, cut at "<pic"
    int size, effects;
    int32_t colour;
    const wchar_t* face;
    Shows picture;
    size_t position;
    const wchar_t* name;
    const wchar_t* before;  // TextBeforePicture
    const wchar_t* after;   // TextAfterPicture
};

class MessageMarkupTable : public MessageParserTest, public ::testing::WithParamInterface<MarkupCase> {};

TEST_P(MessageMarkupTable, ReadsAsEveryClientDoes) {
    const MarkupCase& c = GetParam();
    ParsedMessage parsed = parser_.Parse(std::wstring(c.text), Preset());
    EXPECT_EQ(parsed.hasPrefix, c.hasPrefix);
    EXPECT_EQ(parsed.body, c.body);
    EXPECT_EQ(parsed.font.size, c.size);
    EXPECT_EQ(parsed.font.effects, c.effects);
    EXPECT_EQ(parsed.font.colour, c.colour);
    EXPECT_EQ(parsed.faceName, c.face);
    const Shows shows = !parsed.picture.present      ? Shows::Nothing
                        : parsed.picture.nameIsSafe ? Shows::Picture
                                                    : Shows::ErrorPlaceholder;
    EXPECT_EQ(shows, c.picture);
    if (parsed.picture.present) {
        EXPECT_EQ(parsed.picture.position, c.position);
        EXPECT_EQ(parsed.picture.name, c.name);
    }
    EXPECT_EQ(parsed.TextBeforePicture(), c.before);
    EXPECT_EQ(parsed.TextAfterPicture(), c.after);
}

std::string CaseName(const ::testing::TestParamInfo<MarkupCase>& info) {
    std::string name;
    bool upper = true;
    for (const char* p = info.param.what; *p; ++p) {
        const char ch = *p;
        if ((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9')) {
            name += upper && ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 32) : ch;
            upper = false;
        } else {
            upper = true;
        }
    }
    return name;
}

constexpr Shows kNone = Shows::Nothing;
constexpr Shows kPic = Shows::Picture;
constexpr Shows kError = Shows::ErrorPlaceholder;

INSTANTIATE_TEST_SUITE_P(
    FormatPrefix, MessageMarkupTable,
    ::testing::Values(
        MarkupCase{"example prefix", L"<format|1|12|255|Arial|/format>hello", true, L"hello", 12, 1, 255, L"Arial",
                   kNone, 0, L"", L"hello", L""},
        MarkupCase{"example automatic reply", L"<format|0|9|0|宋体|/format>[自动回复] 稍后回复您", true,
                   L"[自动回复] 稍后回复您", 9, 0, 0, L"宋体", kNone, 0, L"", L"[自动回复] 稍后回复您", L""},
        MarkupCase{"empty text", L"", false, L"", 9, 0, 0, L"宋体", kNone, 0, L"", L"", L""},
        MarkupCase{"no format close keeps the whole text", L"<format|1|12|255|Arial|hello", false,
                   L"<format|1|12|255|Arial|hello", 9, 0, 0, L"宋体", kNone, 0, L"", L"<format|1|12|255|Arial|hello",
                   L""},
        MarkupCase{"guard prefix not at the start", L"x<format|1|12|255|A|/format>y", false,
                   L"x<format|1|12|255|A|/format>y", 9, 0, 0, L"宋体", kNone, 0, L"", L"x<format|1|12|255|A|/format>y",
                   L""},
        MarkupCase{"no fields keep the preset", L"<format/format>abc", true, L"abc", 9, 0, 0, L"宋体", kNone, 0,
                   L"", L"abc", L""},
        MarkupCase{"consecutive separators count as one", L"<format||1||12||255||Arial||/format>b", true, L"b", 12,
                   1, 255, L"Arial", kNone, 0, L"", L"b", L""},
        MarkupCase{"missing fields keep the preset", L"<format|1|/format>b", true, L"b", 9, 1, 0, L"宋体", kNone, 0,
                   L"", L"b", L""},
        MarkupCase{"further fields are ignored", L"<format|2|10|5|A|extra|more|/format>b", true, L"b", 10, 2, 5,
                   L"A", kNone, 0, L"", L"b", L""},
        MarkupCase{"non numeric reads as 0", L"<format|abc|x|y|/format>z", true, L"z", 9, 0, 0, L"宋体", kNone, 0,
                   L"", L"z", L""},
        MarkupCase{"effects are kept as a byte", L"<format|263|10|0|A|/format>b", true, L"b", 10, 7, 0, L"A",
                   kNone, 0, L"", L"b", L""},
        MarkupCase{"negative effects as a byte", L"<format|-1|10|0|A|/format>b", true, L"b", 10, 255, 0, L"A",
                   kNone, 0, L"", L"b", L""},
        MarkupCase{"size is kept as a byte", L"<format|0|300|0|A|/format>b", true, L"b", 44, 0, 0, L"A", kNone, 0,
                   L"", L"b", L""},
        MarkupCase{"guard size 0 keeps the preset", L"<format|0|256|0|A|/format>b", true, L"b", 9, 0, 0, L"A",
                   kNone, 0, L"", L"b", L""},
        MarkupCase{"guard colour beyond 32 bits keeps the preset",
                   L"<format|0|10|99999999999999999999|F|/format>x", true, L"x", 10, 0, 0, L"F", kNone, 0, L"", L"x",
                   L""},
        MarkupCase{"guard colour high byte dropped", L"<format|0|10|-16777216|A|/format>b", true, L"b", 10, 0, 0,
                   L"A", kNone, 0, L"", L"b", L""},
        MarkupCase{"long face cut to 31 bytes",
                   L"<format|0|10|0|ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789|/format>b", true, L"b", 10, 0, 0,
                   L"ABCDEFGHIJKLMNOPQRSTUVWXYZ01234", kNone, 0, L"", L"b", L""},
        MarkupCase{"body starts after the first format close",
                   L"<format|0|10|0|A|/format><format|1|20|5|B|/format>x", true, L"<format|1|20|5|B|/format>x", 10,
                   0, 0, L"A", kNone, 0, L"", L"<format|1|20|5|B|/format>x", L""},
        MarkupCase{"separator only after the close", L"<format/format>a|b|c", true, L"a|b|c", 9, 0, 0, L"宋体",
                   kNone, 0, L"", L"a|b|c", L""}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    PictureTag, MessageMarkupTable,
    ::testing::Values(
        MarkupCase{"example picture", L"<format|0|9|0|A|/format>hi?<pic/2/0412abc.jpg/pic>", true, L"hi?", 9, 0, 0,
                   L"A", kPic, 2, L"0412abc.jpg", L"hi", L""},
        MarkupCase{"body without a tag is whole", L"<format/format>just text", true, L"just text", 9, 0, 0, L"宋体",
                   kNone, 0, L"", L"just text", L""},
        MarkupCase{"position 0 puts the picture first and replaces that character",
                   L"<format/format>?abc<pic/0/0101a.gif/pic>", true, L"?abc", 9, 0, 0, L"宋体", kPic, 0,
                   L"0101a.gif", L"", L"abc"},
        MarkupCase{"text after the close is not shown", L"<format/format>hi<pic/1/a.jpg/pic>tail", true, L"hi", 9,
                   0, 0, L"宋体", kPic, 1, L"a.jpg", L"h", L""},
        MarkupCase{"close without open is shown whole", L"<format/format>hi/pic>", true, L"hi/pic>", 9, 0, 0,
                   L"宋体", kNone, 0, L"", L"hi/pic>", L""},
        MarkupCase{"no close cuts the body and shows no picture", L"<format/format>hi<pic/1/a.jpg", true, L"hi", 9,
                   0, 0, L"宋体", kNone, 0, L"", L"hi", L""},
        MarkupCase{"typed open without a tag cuts the body", L"<format/format>a <pic of the cat", true, L"a ", 9, 0,
                   0, L"宋体", kNone, 0, L"", L"a ", L""},
        MarkupCase{"close before open shows no picture", L"<format/format>a/pic>b<pic/0/x.gif", true, L"a/pic>b",
                   9, 0, 0, L"宋体", kNone, 0, L"", L"a/pic>b", L""},
        // A typed "/pic>" in the text does not take the picture that the
        // sender appended after it.
        MarkupCase{"typed close before the tag keeps the picture", L"<format/format>a/pic>b<pic/7/x.gif/pic>", true,
                   L"a/pic>b", 9, 0, 0, L"宋体", kPic, 7, L"x.gif", L"a/pic>b", L""},
        MarkupCase{"further fields are ignored", L"<format/format>ab<pic/1/b.gif/extra/pic>", true, L"ab", 9, 0, 0,
                   L"宋体", kPic, 1, L"b.gif", L"a", L""},
        MarkupCase{"consecutive separators count as one", L"<format/format>ab<pic//1//b.gif/pic>", true, L"ab", 9,
                   0, 0, L"宋体", kPic, 1, L"b.gif", L"a", L""},
        MarkupCase{"the first open is the tag", L"<format/format>a<pic/2/b.jpg/pic>c<pic/1/c.jpg/pic>", true, L"a",
                   9, 0, 0, L"宋体", kPic, 1, L"b.jpg", L"a", L""},
        MarkupCase{"non numeric position reads as 0", L"<format/format>hi<pic/x1/a.jpg/pic>", true, L"hi", 9, 0, 0,
                   L"宋体", kPic, 0, L"a.jpg", L"", L"i"},
        MarkupCase{"no prefix", L"hi<pic/0/a.jpg/pic>", false, L"hi", 9, 0, 0, L"宋体", kPic, 0, L"a.jpg", L"",
                   L"i"},
        MarkupCase{"two dots inside a name", L"<format/format>hi<pic/1/0412a..b.gif/pic>", true, L"hi", 9, 0, 0,
                   L"宋体", kPic, 1, L"0412a..b.gif", L"h", L""},
        MarkupCase{"bare tag words", L"<pic/pic>", false, L"", 9, 0, 0, L"宋体", kNone, 0, L"", L"", L""},
        MarkupCase{"guard position beyond the body is its end",
                   L"<format/format>hi<pic/999999999999999999999/a.jpg/pic>", true, L"hi", 9, 0, 0, L"宋体", kPic, 2,
                   L"a.jpg", L"hi", L""},
        MarkupCase{"guard position on an empty body", L"<format/format><pic/3/a.jpg/pic>", true, L"", 9, 0, 0,
                   L"宋体", kPic, 0, L"a.jpg", L"", L""},
        MarkupCase{"guard negative position shows no picture", L"<format/format>hi<pic/-5/a.jpg/pic>", true, L"hi",
                   9, 0, 0, L"宋体", kNone, 0, L"", L"hi", L""},
        MarkupCase{"guard backslash path gets the error placeholder",
                   L"<format/format>hi<pic/1/..\\..\\evil.exe/pic>", true, L"hi", 9, 0, 0, L"宋体", kError, 1,
                   L"..\\..\\evil.exe", L"h", L""},
        MarkupCase{"guard parent folder gets the error placeholder", L"<format/format>hi<pic/1/../../x.jpg/pic>",
                   true, L"hi", 9, 0, 0, L"宋体", kError, 1, L"..", L"h", L""},
        MarkupCase{"guard drive gets the error placeholder", L"<format/format>hi<pic/1/C:evil.gif/pic>", true,
                   L"hi", 9, 0, 0, L"宋体", kError, 1, L"C:evil.gif", L"h", L""},
        MarkupCase{"guard device name gets the error placeholder", L"<format/format>hi<pic/1/CON/pic>", true, L"hi",
                   9, 0, 0, L"宋体", kError, 1, L"CON", L"h", L""},
        MarkupCase{"guard missing name gets the error placeholder", L"<format/format>hi<pic//a.jpg/pic>", true,
                   L"hi", 9, 0, 0, L"宋体", kError, 0, L"", L"", L"i"},
        MarkupCase{"guard long name gets the error placeholder",
                   L"<format/format>h<pic/0/aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa/pic>",
                   true, L"h", 9, 0, 0, L"宋体", kError, 0,
                   L"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", L"", L""}),
    CaseName);

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
        ASSERT_EQ(parsed.body.find(L"<pic"), std::wstring::npos);
        if (parsed.picture.present && parsed.picture.nameIsSafe) {
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
