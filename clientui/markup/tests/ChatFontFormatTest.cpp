#include "ChatFontFormat.h"

#include <gtest/gtest.h>

#include <cwchar>

#include "SystemAnsiCodePage.h"

namespace clientui {
namespace {

class ChatFontFormatTest : public ::testing::Test {
protected:
    CHARFORMATW Format(DWORD effects, LONG height, COLORREF colour, const wchar_t* face) {
        CHARFORMATW format = {};
        format.cbSize = sizeof(format);
        format.dwMask = 0;  // not consulted
        format.dwEffects = effects;
        format.yHeight = height;
        format.crTextColor = colour;
        wcsncpy(format.szFaceName, face, LF_FACESIZE - 1);
        return format;
    }

    CSystemAnsiCodePage codePage_;
};

TEST_F(ChatFontFormatTest, InputFormatBecomesTheMessageFont) {
    struct Case {
        DWORD effects;
        LONG height;
        COLORREF colour;
        const wchar_t* face;
        uint8_t size, fontEffects;
    } cases[] = {
        {0, 180, 0, L"宋体", 9, 0},
        {CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE, 240, RGB(1, 2, 3), L"微软雅黑", 12, 7},
        {CFE_ITALIC | CFE_STRIKEOUT, 219, RGB(255, 0, 0), L"Arial", 10, 2},
        {CFE_UNDERLINE, 0, 0, L"Arial", 1, 4},          // below one point
        {0, 20 * 400, 0, L"Arial", 255, 0},             // beyond a byte
    };
    for (const Case& c : cases) {
        ChatFontSpec font = ChatFontFromCharFormat(Format(c.effects, c.height, c.colour, c.face),
                                                   codePage_);
        EXPECT_EQ(font.size, c.size);
        EXPECT_EQ(font.effects, c.fontEffects);
        EXPECT_EQ(static_cast<COLORREF>(font.colour), c.colour);
        EXPECT_EQ(font.FaceName(codePage_), c.face);
    }
}

TEST_F(ChatFontFormatTest, MessageFontBecomesTheBodyFormat) {
    ChatFontSpec font;
    font.size = 14;
    font.effects = kChatFontBold | kChatFontUnderline;
    font.colour = RGB(10, 20, 30);
    font.SetFaceName(L"黑体", codePage_);
    CHARFORMATW format = CharFormatFromChatFont(font, codePage_);
    EXPECT_EQ(format.cbSize, 92u);
    EXPECT_EQ(format.dwMask, 0xE0000007u);
    EXPECT_EQ(format.dwEffects, static_cast<DWORD>(CFE_BOLD | CFE_UNDERLINE));
    EXPECT_EQ(format.yHeight, 280);
    EXPECT_EQ(format.crTextColor, RGB(10, 20, 30));
    EXPECT_STREQ(format.szFaceName, L"黑体");

    // The all-zero record of the history views.
    format = CharFormatFromChatFont(ChatFontSpec(), codePage_);
    EXPECT_EQ(format.yHeight, 0);
    EXPECT_STREQ(format.szFaceName, L"");
}

}  // namespace
}  // namespace clientui
