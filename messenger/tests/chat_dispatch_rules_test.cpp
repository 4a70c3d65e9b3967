// The messenger's chat decisions without a window: where a new message
// goes, which record a chat opens with, the hand-over of the unread queue
// (oldest first, one pop per shown message), the automatic reply (its
// conditions, record and text), the failed-message text, the sound file,
// the limits of a message as the chat window builds it, and the chat
// window's places and header texts. The engine is a table of fake
// functions.
#include "IMChatRules.h"
#include "main/ChatDispatchRules.h"

#include "clientui/ChatSessionRules.h"
#include "clientui/FailedMessageText.h"

#include "ChatFontFormat.h"
#include "MessageBuilder.h"
#include "MessageParser.h"
#include "SystemAnsiCodePage.h"

#include "fw/StringUtil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// A fake engine: the own record, one peer's unread queue, what was sent.
struct FakeEngine {
    static UserInfoBase own;
    static TextMsgQueue unread;
    static int unreadPeer;
    static std::vector<int> pops;
    static std::vector<TextMsgRecord> sent;

    static CEngineModule Table() {
        CEngineModule engine;
        engine.MGetCurUserID = []() -> int { return own.userId; };
        engine.MGetUserInfoBase = [](int id) -> UserInfoBase* { return id == own.userId ? &own : nullptr; };
        engine.MGetUnreadMsg = [](int peer) -> TextMsgQueue* { return peer == unreadPeer ? &unread : nullptr; };
        engine.MPopFrontTextMsg = [](int peer) {
            pops.push_back(peer);
            if (peer == unreadPeer && !unread.empty()) unread.pop_front();
        };
        engine.MSendTextMsg = [](const TextMsgRecord* record) { sent.push_back(*record); };
        return engine;
    }
    static void Reset(int32_t id, int32_t status) {
        std::memset(&own, 0, sizeof own);
        own.userId = id;
        own.status = status;
        unread.clear();
        unreadPeer = 0;
        pops.clear();
        sent.clear();
    }
};
UserInfoBase FakeEngine::own = {};
TextMsgQueue FakeEngine::unread;
int FakeEngine::unreadPeer = 0;
std::vector<int> FakeEngine::pops;
std::vector<TextMsgRecord> FakeEngine::sent;

TextMsgRecord Message(int32_t sender, int32_t time, const char* text) {
    TextMsgRecord record = {};
    record.senderId = sender;
    record.receiverId = 12345;
    record.date = 20261210;
    record.time = time;
    std::strncpy(record.text, text, sizeof record.text - 1);
    return record;
}

UserInfoBase Friend(int32_t id, const wchar_t* nickname) {
    UserInfoBase record = {};
    record.userId = id;
    fw::CopyToAnsiField(nickname, record.nickname);
    return record;
}

TEST(ChatDispatchRules, ANewMessageOpensShowsOrWaits) {
    using Action = CChatDispatchRules::NewMessageAction;
    EXPECT_EQ(CChatDispatchRules::ForNewMessage(true, false), Action::OpenChat);
    EXPECT_EQ(CChatDispatchRules::ForNewMessage(true, true), Action::OpenChat);
    EXPECT_EQ(CChatDispatchRules::ForNewMessage(false, true), Action::ShowInOpenChat);
    EXPECT_EQ(CChatDispatchRules::ForNewMessage(false, false), Action::FlashAndQueue);
}

TEST(ChatDispatchRules, AChatOpensWithTheFriendsRecordOrOneNamedByTheId) {
    const std::map<int32_t, UserInfoBase> friends = {{12346, Friend(12346, L"张三")}};
    UserInfoBase peer = {};
    ASSERT_TRUE(CChatDispatchRules::PeerRecordFor(12346, friends, &peer));
    EXPECT_EQ(fw::FromAnsiField(peer.nickname), L"张三");
    // A stranger's message is still read: the chat names the sender by id.
    ASSERT_TRUE(CChatDispatchRules::PeerRecordFor(77777, friends, &peer));
    EXPECT_EQ(peer.userId, 77777);
    EXPECT_EQ(fw::FromAnsiField(peer.nickname), L"77777");
    EXPECT_EQ(peer.status, 0);
    EXPECT_FALSE(CChatDispatchRules::PeerRecordFor(0, friends, &peer));
    EXPECT_FALSE(CChatDispatchRules::PeerRecordFor(-5, friends, &peer));
}

TEST(ChatDispatchRules, UnreadMessagesAreHandedOverOldestFirstOnePopEach) {
    FakeEngine::Reset(12345, STATUS_ONLINE);
    const CEngineModule engine = FakeEngine::Table();
    FakeEngine::unreadPeer = 12346;
    FakeEngine::unread = {Message(12346, 100, "a"), Message(12346, 200, "b"), Message(12346, 300, "c")};
    std::vector<std::string> shown;
    const size_t taken = CChatDispatchRules::TakeUnread(engine, 12346, [&](const TextMsgRecord& record) {
        shown.emplace_back(record.text);
        // Each message is shown before its pop.
        EXPECT_EQ(FakeEngine::unread.front().time, record.time);
    });
    EXPECT_EQ(taken, 3u);
    EXPECT_EQ(shown, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(FakeEngine::pops, (std::vector<int>{12346, 12346, 12346}));
    EXPECT_TRUE(FakeEngine::unread.empty());

    // Nothing waiting (or no queue at all): nothing shown, nothing popped.
    FakeEngine::pops.clear();
    EXPECT_EQ(CChatDispatchRules::TakeUnread(engine, 12346, [](const TextMsgRecord&) { FAIL(); }), 0u);
    EXPECT_EQ(CChatDispatchRules::TakeUnread(engine, 55555, [](const TextMsgRecord&) { FAIL(); }), 0u);
    EXPECT_TRUE(FakeEngine::pops.empty());
}

// The automatic reply over the switch and the own status: once per
// message, only while busy, away or not to be disturbed.
TEST(ChatDispatchRules, AutomaticReplyConditions) {
    clientui::CSystemAnsiCodePage codePage;
    const CEngineModule engine = FakeEngine::Table();
    CClientSettings settings;
    settings.autoReplies = {L"在开会", L"吃饭去了"};
    settings.iListIndex = 1;
    struct Case {
        bool on;
        int32_t status;
        bool replies;
    } cases[] = {
        {true, STATUS_ONLINE, false}, {true, STATUS_BUSY, true},       {true, STATUS_AWAY, true},
        {true, STATUS_DND, true},     {true, STATUS_INVISIBLE, false}, {true, STATUS_OFFLINE, false},
        {false, STATUS_BUSY, false},  {false, STATUS_DND, false},
    };
    for (const Case& c : cases) {
        FakeEngine::Reset(12345, c.status);
        settings.bAutoReply = c.on;
        EXPECT_EQ(CChatDispatchRules::AutoReply(engine, settings, codePage, 12346, MessageStamp{20261210, 90000000}),
                  c.replies)
            << c.on << " " << c.status;
        ASSERT_EQ(FakeEngine::sent.size(), c.replies ? 1u : 0u);
        if (!c.replies) continue;
        const TextMsgRecord& reply = FakeEngine::sent.front();
        EXPECT_EQ(reply.type, 1);
        EXPECT_EQ(reply.senderId, 12345);
        EXPECT_EQ(reply.receiverId, 12346);
        EXPECT_EQ(reply.date, 20261210);
        EXPECT_EQ(reply.time, 90000000);
    }
    // No sender, no engine: nothing.
    FakeEngine::Reset(12345, STATUS_BUSY);
    settings.bAutoReply = true;
    EXPECT_FALSE(CChatDispatchRules::AutoReply(engine, settings, codePage, 0, MessageStamp{}));
    EXPECT_FALSE(CChatDispatchRules::AutoReply(CEngineModule(), settings, codePage, 12346, MessageStamp{}));
}

TEST(ChatDispatchRules, AutomaticReplyCarriesTheChatFontAndTheMarker) {
    clientui::CSystemAnsiCodePage codePage;
    CClientSettings settings;
    settings.autoReplies = {L"在开会"};
    settings.iListIndex = 0;
    settings.italic = true;
    settings.fontSize = 11;
    settings.textColour = 255;
    settings.fontName = L"黑体";
    EXPECT_EQ(CChatDispatchRules::AutoReplyText(settings, codePage),
              "<format|2|11|255|" + codePage.ToAnsi(L"黑体") + "|/format>" + codePage.ToAnsi(L"[自动回复] 在开会"));
    // An index outside the list: the fixed text. The reader's parser takes
    // it apart like any message.
    settings.iListIndex = 5;
    const std::string text = CChatDispatchRules::AutoReplyText(settings, codePage);
    clientui::CMessageParser parser(codePage);
    const clientui::ParsedMessage parsed =
        parser.Parse(text.c_str(), text.size() + 1, clientui::ChatFontSpec::ConversationDefault(codePage));
    EXPECT_EQ(parsed.body, L"[自动回复] 您好，我现在有事不在，一会再和您联系。");
    EXPECT_EQ(parsed.font.size, 11);
    EXPECT_FALSE(parsed.picture.present);
}

// The limits of a message as the chat window builds it from its input with
// the configured font: 1022 bytes go, 1023 do not, and a text that fits
// alone but not with its picture tag is refused too.
TEST(ChatDispatchRules, MessageLengthLimits) {
    clientui::CSystemAnsiCodePage codePage;
    CClientSettings settings;  // the default chat font
    const clientui::ChatFontSpec font = clientui::ChatFontFromCharFormat(
        CChatSessionRules::InputFormatFromSettings(settings, codePage), codePage);
    clientui::CMessageBuilder builder(codePage);
    const size_t prefix = builder.FormatPrefix(font).size();
    const std::wstring tagName = L"1210AAAAAAAABBBBCCCCDDDDEEEEEEEE.JPG";
    struct Case {
        size_t bytes;  // the whole text without a tag, prefix included
        bool withPicture;
        bool sent;
    } cases[] = {
        {1022, false, true},
        {1023, false, false},
        {1024, false, false},
        {1022 - 50, true, true},   // the tag still fits
        {1022 - 20, true, false},  // fits without its tag only
        {1022, true, false},
    };
    for (const Case& c : cases) {
        const size_t body = c.bytes - prefix;
        std::wstring text(body / 2, L'\u4E2D');  // two bytes each in the ANSI code page
        if (body % 2) text += L'a';
        clientui::BuiltMessage built = builder.BuildText(text, font);
        if (built.accepted && c.withPicture) builder.AppendPictureTag(built, text, 0, tagName);
        EXPECT_EQ(built.accepted, c.sent) << c.bytes << (c.withPicture ? " with a picture" : "");
        if (built.accepted) EXPECT_LE(built.text.size(), 1023u);
        else EXPECT_EQ(built.notice, clientui::SendNotice::TooLong);
    }
}

TEST(ChatDispatchRules, FailedMessageAndSound) {
    EXPECT_EQ(clientui::FailedMessageText(143005250), L"由于网络原因，您14:30:05的消息没有发送成功:(");
    EXPECT_EQ(clientui::FailedMessageText(0), L"由于网络原因，您00:00:00的消息没有发送成功:(");

    CClientSettings settings;
    settings.soundPath = L"C:\\sounds\\ding.wav";
    const auto exists = [](const std::wstring& path) { return path == L"C:\\sounds\\ding.wav"; };
    const auto missing = [](const std::wstring&) { return false; };
    settings.iSound = 0;
    EXPECT_EQ(CChatDispatchRules::SoundFile(settings, L"C:\\IM\\", exists), L"");
    settings.iSound = 1;
    EXPECT_EQ(CChatDispatchRules::SoundFile(settings, L"C:\\IM\\", exists), L"C:\\sounds\\ding.wav");
    // A chosen file that is gone, or none: the program's own sound, from
    // its folder whatever the current directory is.
    EXPECT_EQ(CChatDispatchRules::SoundFile(settings, L"C:\\IM\\", missing), L"C:\\IM\\Resource\\Sound\\msg.wav");
    settings.soundPath.clear();
    EXPECT_EQ(CChatDispatchRules::SoundFile(settings, L"C:\\IM\\", exists), L"C:\\IM\\Resource\\Sound\\msg.wav");
}

// ---------------------------------------------------------------------------
// The chat window's places and header texts.

TEST(IMChatRules, PlacesFollowTheSizeAndThePane) {
    const IMChatLayout narrow = IMChatLayout::For(523, 473, 160);
    EXPECT_EQ(narrow.input.top, 473 - 116);
    EXPECT_EQ(narrow.input.bottom, 473 - 28);
    EXPECT_EQ(narrow.input.right, 523 - 160);
    EXPECT_EQ(narrow.log.top, 96);
    EXPECT_EQ(narrow.log.bottom, narrow.input.top - 28);
    EXPECT_EQ(narrow.send.left, 523 - 160 - 70);
    EXPECT_EQ(narrow.sendOptions.left, 523 - 160 - 19);
    EXPECT_EQ(narrow.close.left, 523 - 160 - 130);
    EXPECT_EQ(narrow.history.left, 523 - 160 - 70);
    EXPECT_EQ(narrow.screenshot.left, 173);
    EXPECT_EQ(narrow.tab.left, 523 - 160 + 1);
    EXPECT_EQ(narrow.tab.right - narrow.tab.left, 158);
    EXPECT_EQ(narrow.tab.bottom, 473 - 2);
    EXPECT_EQ(narrow.closeButton.left, 523 - 35);
    // A wide pane in a window grown by the difference leaves the log as it was.
    const IMChatLayout wide = IMChatLayout::For(523 + 80, 473, 240);
    EXPECT_EQ(wide.log.right, narrow.log.right);
    EXPECT_EQ(wide.tab.right - wide.tab.left, 238);
}

TEST(IMChatRules, NameAndSignatureLines) {
    clientui::CSystemAnsiCodePage codePage;
    UserInfoBase peer = Friend(12347, L"李四");
    EXPECT_EQ(CIMChatTexts::NameLine(peer, codePage), L"李四");
    fw::CopyToAnsiField(L"老李", peer.memo);
    EXPECT_EQ(CIMChatTexts::NameLine(peer, codePage), L"老李(李四)");
    fw::CopyToAnsiField(L"0", peer.memo);
    EXPECT_EQ(CIMChatTexts::NameLine(peer, codePage), L"李四");
    EXPECT_EQ(CIMChatTexts::SignatureLine(peer, codePage), L"暂无个性签名信息");
    fw::CopyToAnsiField(L"0abc", peer.signature);
    EXPECT_EQ(CIMChatTexts::SignatureLine(peer, codePage), L"暂无个性签名信息");
    fw::CopyToAnsiField(L"周末去爬山", peer.signature);
    EXPECT_EQ(CIMChatTexts::SignatureLine(peer, codePage), L"周末去爬山");
}

}  // namespace
