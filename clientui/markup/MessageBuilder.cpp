#include "MessageBuilder.h"

#include <cstring>

#include "MessageMarkup.h"
#include "PictureName.h"

namespace clientui {

const wchar_t* SendNoticeText(SendNotice notice) {
    switch (notice) {
    case SendNotice::TooLong:
        return L"系统提示:\r\n 您发送的消息长度超过了限制，请分割后再发。\r\n";
    case SendNotice::OnePictureOnly:
        return L"一次只能发送一张图片";
    case SendNotice::None:
        break;
    }
    return L"";
}

std::string CMessageBuilder::FormatPrefix(const ChatFontSpec& font) const {
    const void* end = std::memchr(font.face, '\0', sizeof(font.face));
    size_t faceLength = end ? static_cast<size_t>(static_cast<const char*>(end) - font.face)
                            : markup::kMaxFaceBytes;
    if (faceLength > markup::kMaxFaceBytes) faceLength = markup::kMaxFaceBytes;

    std::string prefix = markup::kFormatOpen;
    prefix += '|';
    prefix += std::to_string(static_cast<int>(font.effects));
    prefix += '|';
    prefix += std::to_string(static_cast<int>(font.size));
    prefix += '|';
    prefix += std::to_string(font.colour);
    prefix += '|';
    prefix.append(font.face, faceLength);
    prefix += '|';
    prefix += markup::kFormatClose;
    return prefix;
}

BuiltMessage CMessageBuilder::Accept(std::string text) const {
    BuiltMessage message;
    if (text.size() > markup::kMaxUntaggedBytes) {
        message.notice = SendNotice::TooLong;
        return message;
    }
    message.accepted = true;
    message.text = std::move(text);
    return message;
}

BuiltMessage CMessageBuilder::BuildText(const std::wstring& inputText,
                                        const ChatFontSpec& font) const {
    return Accept(FormatPrefix(font) + m_codePage.ToAnsi(inputText));
}

BuiltMessage CMessageBuilder::BuildAutoReply(const std::wstring& replyText,
                                             const ChatFontSpec& font) const {
    return Accept(FormatPrefix(font) + m_codePage.ToAnsi(L"[自动回复] ") +
                  m_codePage.ToAnsi(replyText));
}

PictureStep CMessageBuilder::PictureStepFor(size_t objectCount) {
    if (objectCount == 0) return PictureStep::None;
    return objectCount == 1 ? PictureStep::One : PictureStep::TooMany;
}

size_t CMessageBuilder::SentPosition(const std::wstring& inputText, long objectCp) const {
    // Walk the window text with the rich edit's count beside it.
    size_t index = 0;
    long cp = 0;
    while (index < inputText.size() && cp < objectCp) {
        bool lineBreak = inputText[index] == L'\r' && index + 1 < inputText.size() &&
                         inputText[index + 1] == L'\n';
        index += lineBreak ? 2 : 1;
        ++cp;
    }
    // The receiver counts in the text as it arrives, after the code page.
    return m_codePage.FromAnsi(m_codePage.ToAnsi(inputText.substr(0, index))).size();
}

TagResult CMessageBuilder::AppendPictureTag(BuiltMessage& message, const std::wstring& inputText,
                                            long objectCp, const std::wstring& name) const {
    if (!message.accepted) return TagResult::TooLong;
    if (!IsSafePictureName(name, m_codePage)) return TagResult::NoTag;

    std::string tag = markup::kPicOpen;
    tag += '/';
    tag += std::to_string(SentPosition(inputText, objectCp));
    tag += '/';
    tag += m_codePage.ToAnsi(name);
    tag += markup::kPicClose;

    if (message.text.size() + tag.size() > markup::kMaxTaggedBytes) {
        message.accepted = false;
        message.notice = SendNotice::TooLong;
        message.text.clear();
        return TagResult::TooLong;
    }
    message.text += tag;
    return TagResult::Appended;
}

}  // namespace clientui
