// CMessageBuilder: the sending side of the message markup (MessageMarkup.h),
// the same in both clients' conversation windows. A send runs in steps so
// that nothing is done for a message that is refused:
//
//   1. BuildText with the input's window text and its font. Refused (notice
//      TooLong) at 1023 bytes or more: nothing is sent, the input keeps its
//      text, no picture is looked at.
//   2. PictureStepFor with the count of the input's embedded objects: None;
//      TooMany (show SendNoticeText(OnePictureOnly), send the text alone);
//      One: find the picture's name, then
//   3. AppendPictureTag with the object's character position. TooLong
//      refuses the whole message as in step 1; queue a pasted picture's
//      upload only after the tag was appended.
#pragma once

#include <cstddef>
#include <string>

#include "ChatFontSpec.h"
#include "IAnsiCodePage.h"

namespace clientui {

enum class SendNotice {
    None,
    TooLong,         // the log's system notice; the message is not sent
    OnePictureOnly,  // a message box; the text goes out without a picture
};

// The text of a notice, wide: for TooLong the whole system notice as the log
// shows it, for OnePictureOnly the message box text; empty for None.
const wchar_t* SendNoticeText(SendNotice notice);

struct BuiltMessage {
    bool accepted = false;  // false: refused, nothing is sent
    SendNotice notice = SendNotice::None;
    std::string text;       // ANSI; with its NUL it fits the 1024-byte text field
};

enum class PictureStep { None, One, TooMany };

enum class TagResult {
    Appended,
    TooLong,  // the tag does not fit: the message is refused (notice TooLong)
    NoTag,    // the name cannot stand in a tag: the text goes out alone
};

class CMessageBuilder {
public:
    explicit CMessageBuilder(const IAnsiCodePage& codePage) : m_codePage(codePage) {}

    // "<format|effects|size|colour|face|/format>" in ANSI.
    std::string FormatPrefix(const ChatFontSpec& font) const;

    // Prefix and input text; refused at 1023 bytes or more.
    BuiltMessage BuildText(const std::wstring& inputText, const ChatFontSpec& font) const;
    // An automatic reply: "[自动回复] " between the prefix and the reply text;
    // it carries no picture and has the same limit.
    BuiltMessage BuildAutoReply(const std::wstring& replyText, const ChatFontSpec& font) const;

    static PictureStep PictureStepFor(size_t objectCount);

    // Appends "<pic/position/name/pic>" to an accepted message built from
    // inputText. objectCp is the picture object's character position in the
    // input as the rich edit counts it (a paragraph break is one character,
    // while the window text holds "\r\n"); the tag carries the position in
    // the text actually sent. A refused message is left refused.
    TagResult AppendPictureTag(BuiltMessage& message, const std::wstring& inputText, long objectCp,
                               const std::wstring& name) const;

    // The position in the sent body of the character at rich-edit position
    // objectCp of inputText (clamped to the text).
    size_t SentPosition(const std::wstring& inputText, long objectCp) const;

private:
    BuiltMessage Accept(std::string text) const;

    const IAnsiCodePage& m_codePage;
};

}  // namespace clientui
