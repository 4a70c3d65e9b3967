#include <fw/MessageBoxSink.h>

#include <gtest/gtest.h>

namespace {

TEST(MessageBoxSink, SinkSeesOwnerTextCaptionAndFlagsAndAnswers) {
    HWND seenOwner = reinterpret_cast<HWND>(1);
    std::wstring seenText, seenCaption;
    UINT seenFlags = 0;
    fw::MessageBoxSink previous = fw::SetMessageBoxSink([&](HWND owner, const std::wstring& text,
                                                            const std::wstring& caption, UINT flags) {
        seenOwner = owner;
        seenText = text;
        seenCaption = caption;
        seenFlags = flags;
        return IDNO;
    });
    EXPECT_FALSE(previous) << "the platform's message box by default";
    EXPECT_EQ(fw::ShowMessageBox(nullptr, L"\u6587\u672C", L"\u6807\u9898", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(seenOwner, nullptr);
    EXPECT_EQ(seenText, L"\u6587\u672C");
    EXPECT_EQ(seenCaption, L"\u6807\u9898");
    EXPECT_EQ(seenFlags, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_TRUE(fw::SetMessageBoxSink(nullptr));
}

}  // namespace
