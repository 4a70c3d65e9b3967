// The chat session's decisions without a window (both clients): message
// stamps, the send checks and records, the keys that send or break a line,
// header lines, notice texts with the transfer pane's width, the tip bar's
// height, the quick-reply ids, the input's font through the settings, the
// automatic-reply conditions and the per-window counters. The engine is a
// fake function table.
#include "clientui/ChatLogEdit.h"
#include "clientui/ChatMessageClock.h"
#include "clientui/ChatSessionRules.h"
#include "clientui/ChatWindowCounters.h"

#include "SystemAnsiCodePage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

int g_offline = 0;
int FakeIsOffline() { return g_offline; }

SYSTEMTIME At(int hour, int minute, int second, int ms, int day = 10) {
    SYSTEMTIME t = {};
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDay = static_cast<WORD>(day);
    t.wHour = static_cast<WORD>(hour);
    t.wMinute = static_cast<WORD>(minute);
    t.wSecond = static_cast<WORD>(second);
    t.wMilliseconds = static_cast<WORD>(ms);
    return t;
}

TEST(ChatMessageClock, StampsAreUniqueOneMillisecondLaterOnAClash) {
    CChatMessageClock clock;
    const MessageStamp first = clock.Next(At(14, 30, 5, 250));
    EXPECT_EQ(first.date, 20261210);
    EXPECT_EQ(first.time, 143005250);
    // The same millisecond twice, then a clock that went back: each later.
    EXPECT_EQ(clock.Next(At(14, 30, 5, 250)).time, 143005251);
    EXPECT_EQ(clock.Next(At(14, 30, 5, 100)).time, 143005252);
    // The carry runs through seconds, minutes and hours.
    CChatMessageClock carry;
    carry.Next(At(9, 59, 59, 999));
    EXPECT_EQ(carry.Next(At(9, 59, 59, 999)).time, 100000000);
    // A new day starts afresh.
    EXPECT_EQ(carry.Next(At(0, 0, 0, 0, 11)).time, 0);
}

TEST(ChatSessionRules, OfflineOrUnboundEngineRefusesToSend) {
    clientui::CSystemAnsiCodePage codePage;
    CEngineModule engine;
    engine.MIsOffline = FakeIsOffline;
    g_offline = 0;
    EXPECT_FALSE(CChatSessionRules(engine, codePage).IsOffline());
    g_offline = 1;
    EXPECT_TRUE(CChatSessionRules(engine, codePage).IsOffline());
    CEngineModule unbound;
    EXPECT_TRUE(CChatSessionRules(unbound, codePage).IsOffline());
    EXPECT_EQ(L"系统提示:\r\n 您现在处于离线状态，不能发送消息.\r\n",
              CChatLogEdit::SystemNoticeText(CChatSessionRules::OfflineNotice()));
    EXPECT_EQ(L"系统提示:\r\n 您发送的消息长度超过了限制，请分割后再发。\r\n",
              CChatLogEdit::SystemNoticeText(CChatSessionRules::TooLongNotice()));

    const TextMsgRecord record = CChatSessionRules::MakeRecord(12345, 12346, MessageStamp{20261210, 143005250});
    EXPECT_EQ(record.type, 0);
    EXPECT_EQ(record.date, 20261210);
    EXPECT_EQ(record.time, 143005250);
    EXPECT_EQ(record.senderId, 12345);
    EXPECT_EQ(record.receiverId, 12346);
    EXPECT_EQ(record.extraId, 0);
    EXPECT_EQ(record.text[0], '\0');
}

TEST(ChatSessionRules, KeysSendOrBreakTheLineAsTheOptionSays) {
    using Action = CChatSessionRules::KeyAction;
    struct Case {
        UINT key;
        bool ctrl;
        bool inInput;
        int option;  // 0 Enter sends, 1 Ctrl+Enter sends
        Action action;
    } cases[] = {
        {VK_RETURN, false, true, 0, Action::Send},
        {VK_RETURN, true, true, 0, Action::LineBreak},
        {VK_RETURN, false, true, 1, Action::LineBreak},
        {VK_RETURN, true, true, 1, Action::Send},
        // Outside the input only Ctrl+Enter with its option sends.
        {VK_RETURN, true, false, 1, Action::Send},
        {VK_RETURN, false, false, 0, Action::None},
        {VK_RETURN, true, false, 0, Action::None},
        {VK_RETURN, false, false, 1, Action::None},
        {VK_ESCAPE, false, true, 0, Action::Close},
        {VK_ESCAPE, false, false, 1, Action::Close},
        {'A', true, true, 0, Action::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CChatSessionRules::ActionForKey(c.key, c.ctrl, c.inInput, c.option), c.action)
            << c.key << " ctrl " << c.ctrl << " input " << c.inInput << " option " << c.option;
}

TEST(ChatSessionRules, HeaderLineShowsTheMonthAndDayOnlyForAnotherDay) {
    struct Case {
        int32_t date, time, today;
        const wchar_t* header;
    } cases[] = {
        {20261210, 143005250, 20261210, L"张三 14:30:05\r\n"},
        {20261209, 90000000, 20261210, L"张三 12-09 09:00:00\r\n"},  // yesterday
        {20261130, 235959999, 20261201, L"张三 11-30 23:59:59\r\n"},  // yesterday, last month
        {20251210, 1000, 20261210, L"张三 12-10 00:00:01\r\n"},       // the same day a year ago
    };
    for (const Case& c : cases) EXPECT_EQ(CChatSessionRules::HeaderLine(L"张三", c.date, c.time, c.today), c.header);
}

TEST(ChatSessionRules, StatusTips) {
    const std::pair<int, const wchar_t*> cases[] = {
        {0, L""},
        {1, L"对方\"离开(忙碌)\"，可能无法立即回复您"},
        {2, L"对方\"离开(忙碌)\"，可能无法立即回复您"},
        {3, L"对方为\"请勿打扰\"状态，可能不方便接收您的消息"},
        {4, L""},
        {5, L"对方\"离线\"，可能无法立即回复您"},
        {77, L""},
    };
    for (const auto& c : cases) EXPECT_EQ(CChatSessionRules::StatusTip(c.first), c.second) << c.first;
}

// The notices of both sides, with each client's size text, and the width
// the messenger's transfer pane takes for each.
TEST(ChatSessionRules, FileNoticesAndTheTransferPane) {
    clientui::CSystemAnsiCodePage codePage;
    CEngineModule engine;
    const CChatSessionRules desk(engine, codePage);
    const CChatSessionRules messenger(engine, codePage, kMessengerFileSizeScale);
    FileRequestRecord record = {};
    record.fileSize = 2048;
    const std::string name = codePage.ToAnsi(L"报表.xls");
    std::memcpy(record.fileName, name.c_str(), name.size() + 1);
    constexpr int kKeep = -1;  // the pane keeps its width
    struct Case {
        bool own;
        int state;
        const wchar_t* text;  // with the desk's size; the messenger's writes 2.0KB
        int pane;
    } cases[] = {
        {true, 1, L"您尝试给对方发送文件\"报表.xls\"(2.00KB)，等待对方接收。", 240},
        {true, 3, L"您接受了对方的请求，等待对方发送文件\"报表.xls\"。", 240},
        {true, 4, L"您拒绝接收\"报表.xls\"(2.00KB)，文件传输失败。", 160},
        {true, 10, L"您取消发送\"报表.xls\"(2.00KB)，文件发送中止。", 160},
        {true, 11, L"您取消接收\"报表.xls\"(2.00KB)，文件传输中止。", 160},
        {true, 12, L"成功发送文件\"报表.xls\"(2.00KB)。", 160},
        {true, 2, L"", kKeep},
        {false, 2, L"对方请求给您发送文件\"报表.xls\"(2.00KB)，请确认是否接收。", 240},
        {false, 5, L"对方同意接收\"报表.xls\"(2.00KB)，准备发送。", 240},
        {false, 6, L"对方拒绝接收\"报表.xls\"(2.00KB)，文件发送失败。", 160},
        {false, 10, L"对方取消发送\"报表.xls\"(2.00KB)，文件接收失败。", kKeep},
        {false, 11, L"对方取消接收\"报表.xls\"(2.00KB)，文件发送失败。", 160},
        {false, 12, L"成功接收文件\"报表.xls\"(2.00KB)。保存位置：C:\\in\\报表.xls", 160},
        {false, 1, L"", kKeep},
        {false, 13, L"", kKeep},
    };
    for (const Case& c : cases) {
        const std::wstring text = desk.FileNotice(record, c.state, c.own, L"C:\\in\\报表.xls");
        EXPECT_EQ(text, c.text) << c.own << " " << c.state;
        std::wstring messengerText = text;
        const size_t size = messengerText.find(L"2.00KB");
        if (size != std::wstring::npos) messengerText.replace(size, 6, L"2.0KB");
        EXPECT_EQ(messenger.FileNotice(record, c.state, c.own, L"C:\\in\\报表.xls"), messengerText);
        for (int current : {160, 240}) {
            const int expected = c.pane == kKeep ? current : c.pane;
            EXPECT_EQ(CChatSessionRules::TransferPaneWidth(c.state, c.own, current), expected)
                << c.own << " " << c.state << " from " << current;
        }
    }
    // A name that fills its whole field without a NUL stays within it.
    std::memset(record.fileName, 'a', sizeof record.fileName);
    EXPECT_EQ(desk.FileNotice(record, 12, true, L""), L"成功发送文件\"" + std::wstring(64, L'a') + L"\"(2.00KB)。");
    // A state without a notice still writes its time and an empty line.
    EXPECT_EQ(CChatSessionRules::FileNoticeLine(At(8, 5, 3, 0), L"x"), L"08:05:03\r\n x\r\n");
    EXPECT_EQ(CChatSessionRules::FileNoticeLine(At(8, 5, 3, 0), L""), L"08:05:03\r\n \r\n");
}

TEST(ChatSessionRules, Captions) {
    EXPECT_EQ(CChatSessionRules::Caption(false, L"", false, L"标题"), L"标题");
    EXPECT_EQ(CChatSessionRules::Caption(true, L"张三", false, L"标题"), L"与 张三 交流中");
    EXPECT_EQ(CChatSessionRules::Caption(true, L"张三", true, L"标题"), L"张三 正在输入");
}

TEST(ChatSessionRules, TipBarHeightNeverDividesByZero) {
    EXPECT_EQ(CChatSessionRules::TipBarHeight(250, 100, 12), 3 * 12 + 8);
    EXPECT_EQ(CChatSessionRules::TipBarHeight(200, 100, 12), 2 * 12 + 8);
    EXPECT_EQ(CChatSessionRules::TipBarHeight(0, 100, 12), 8);
    // A bar squeezed to no room for its text (a log of 36 pixels or less)
    // counts one line.
    EXPECT_EQ(CChatSessionRules::TipBarHeight(250, 0, 12), 12 + 8);
    EXPECT_EQ(CChatSessionRules::TipBarHeight(250, -30, 12), 12 + 8);
}

TEST(ChatSessionRules, QuickRepliesNeverTakeTheSettingsId) {
    EXPECT_EQ(CChatSessionRules::QuickReplyItemCount(3), 3u);
    EXPECT_EQ(CChatSessionRules::QuickReplyItemCount(11), 11u);
    EXPECT_EQ(CChatSessionRules::QuickReplyItemCount(100), 11u);
    EXPECT_LT(ID_QUICKREPLY_FIRST + CChatSessionRules::QuickReplyItemCount(100) - 1, ID_QUICKREPLY_SETUP);
    EXPECT_EQ(CChatSessionRules::QuickReplyIndex(32900), 0);
    EXPECT_EQ(CChatSessionRules::QuickReplyIndex(32910), 10);
    EXPECT_EQ(CChatSessionRules::QuickReplyIndex(32911), -1);
    EXPECT_EQ(CChatSessionRules::QuickReplyIndex(32899), -1);
}

TEST(ChatSessionRules, TheInputsFontGoesToTheSettingsAndBack) {
    clientui::CSystemAnsiCodePage codePage;
    CClientSettings settings;
    settings.bold = true;
    settings.underline = true;
    settings.fontSize = 12;
    settings.textColour = RGB(10, 20, 30);
    settings.fontName = L"微软雅黑";
    const CHARFORMATW format = CChatSessionRules::InputFormatFromSettings(settings, codePage);
    EXPECT_EQ(format.dwEffects & (CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE), static_cast<DWORD>(CFE_BOLD | CFE_UNDERLINE));
    EXPECT_EQ(format.yHeight, 240);
    EXPECT_EQ(format.crTextColor, RGB(10, 20, 30));
    EXPECT_STREQ(format.szFaceName, L"微软雅黑");

    CClientSettings back;
    CChatSessionRules::StoreInputFormat(format, back, codePage);
    EXPECT_TRUE(back.bold);
    EXPECT_FALSE(back.italic);
    EXPECT_TRUE(back.underline);
    EXPECT_EQ(back.fontSize, 12);
    EXPECT_EQ(back.textColour, RGB(10, 20, 30));
    EXPECT_EQ(back.fontName, L"微软雅黑");

    // No size and no face in the settings: the conversation preset.
    CClientSettings empty;
    empty.fontSize = 0;
    empty.fontName.clear();
    const CHARFORMATW preset = CChatSessionRules::InputFormatFromSettings(empty, codePage);
    EXPECT_EQ(preset.yHeight, 180);
    EXPECT_STREQ(preset.szFaceName, L"宋体");
}

TEST(AutoReplyRules, OnlyWhileBusyAwayOrNotToBeDisturbed) {
    for (int status = -1; status <= 7; ++status) {
        const bool away = status == STATUS_BUSY || status == STATUS_AWAY || status == STATUS_DND;
        EXPECT_EQ(CAutoReplyRules::ShouldReply(true, status), away) << status;
        EXPECT_FALSE(CAutoReplyRules::ShouldReply(false, status)) << status;
    }
    CClientSettings settings;
    settings.autoReplies = {L"一", L"二"};
    const std::pair<int, const wchar_t*> cases[] = {
        {0, L"一"}, {1, L"二"}, {2, L"您好，我现在有事不在，一会再和您联系。"}, {-1, L"您好，我现在有事不在，一会再和您联系。"}};
    for (const auto& c : cases) {
        settings.iListIndex = c.first;
        EXPECT_EQ(CAutoReplyRules::ReplyText(settings), c.second) << c.first;
    }
}

// --- counters -----------------------------------------------------------------

TEST(ChatWindowCounters, FlashStopsOnTheNinthTickAndStandsAtOne) {
    CChatWindowCounters counters;
    std::string seen;
    for (int i = 0; i < 9; ++i) {
        const auto tick = counters.OnFlashTick();
        seen += tick.stop ? 'S' : tick.flashOn ? 'F' : '.';
    }
    EXPECT_EQ(seen, ".F.F.F.FS");
    EXPECT_EQ(counters.FlashCount(), 1);
    // Started again: the count goes on from 1 (odd: flashes at once).
    EXPECT_TRUE(counters.OnFlashTick().flashOn);
}

TEST(ChatWindowCounters, CountersBelongToEachWindow) {
    CChatWindowCounters a, b;
    for (int i = 0; i < 5; ++i) a.OnFlashTick();
    EXPECT_EQ(b.FlashCount(), 0);
    ASSERT_TRUE(a.OnInputChanged());
    EXPECT_TRUE(b.OnInputChanged());  // b's notice is not held back by a's
    a.OnTypingNotice();
    for (int i = 0; i < 7; ++i) a.OnDisplayTick();
    b.OnTypingNotice();
    EXPECT_FALSE(b.OnDisplayTick().stop);  // b's notice has its own 8 ticks
    EXPECT_TRUE(a.OnDisplayTick().stop);
    EXPECT_TRUE(b.TypingShown());
}

// Typing goes on over simulated seconds (one throttle tick each): a notice
// goes out on the first change and then at most once per eight ticks.
TEST(ChatWindowCounters, OneTypingNoticePerEightTicks) {
    CChatWindowCounters counters;
    bool timerRunning = false;
    std::string notices;  // one character per simulated second: N a notice went out
    for (int second = 0; second < 20; ++second) {
        // The user types during every second.
        const bool sent = counters.OnInputChanged();
        if (sent) timerRunning = true;
        notices += sent ? 'N' : '.';
        if (timerRunning && counters.OnThrottleTick().stop) timerRunning = false;
    }
    EXPECT_EQ(notices, "N.......N.......N...");
}

TEST(ChatWindowCounters, TypingNoticeEndsEightTicksAfterTheFirstOfASeries) {
    CChatWindowCounters counters;
    EXPECT_FALSE(counters.OnTypingNotice());
    EXPECT_TRUE(counters.TypingShown());
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(counters.OnDisplayTick().stop);
    EXPECT_TRUE(counters.OnTypingNotice());  // a second notice 3 ticks later
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(counters.OnDisplayTick().stop);
    EXPECT_TRUE(counters.OnDisplayTick().stop);  // the 8th tick in all
    EXPECT_FALSE(counters.TypingShown());
    EXPECT_EQ(counters.DisplayCount(), 0);
}

}  // namespace
