// Fuzz target: the message markup as the chat logs and history panes read
// it, from whatever text a peer or a history file holds.
//
// Input: the bytes of a message record's 1024-byte text field (a longer
// input is cut to the field; a NUL ends the text as it does in the record).
// Checked:
// - a picture's position lies within the body; the text before and after
//   it are parts of the body; a name marked safe keeps the file-name rule;
// - the face name fits its 31 bytes;
// - a parsed message without a picture, built again with its font by the
//   sending side, is accepted or refused by the length rule, and when
//   accepted reads back as the same body and font; with a picture tag
//   appended at its position the picture reads back too.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "MessageBuilder.h"
#include "MessageMarkup.h"
#include "MessageParser.h"
#include "PictureName.h"
#include "SystemAnsiCodePage.h"

namespace {

using namespace clientui;

const CSystemAnsiCodePage& CodePage() {
    static const CSystemAnsiCodePage codePage;
    return codePage;
}

void CheckParsed(const ParsedMessage& parsed) {
    const IAnsiCodePage& cp = CodePage();
    FUZZ_EXPECT(std::char_traits<char>::length(parsed.font.face) <= markup::kMaxFaceBytes);
    if (parsed.picture.present) {
        FUZZ_EXPECT(parsed.picture.position <= parsed.body.size());
        const std::wstring before = parsed.TextBeforePicture();
        const std::wstring after = parsed.TextAfterPicture();
        FUZZ_EXPECT(before.size() + after.size() <= parsed.body.size());
        FUZZ_EXPECT(parsed.body.compare(0, before.size(), before) == 0);
        FUZZ_EXPECT(after.empty() || parsed.body.compare(parsed.body.size() - after.size(), after.size(), after) == 0);
        if (parsed.picture.nameIsSafe)
            FUZZ_EXPECT(CheckFileName(parsed.picture.name, cp, markup::kMaxPictureNameBytes) == FileNameProblem::None);
    } else {
        FUZZ_EXPECT(parsed.TextBeforePicture() == parsed.body);
        FUZZ_EXPECT(parsed.TextAfterPicture().empty());
    }
}

bool SameFont(const ChatFontSpec& a, const ChatFontSpec& b) {
    return a.size == b.size && a.effects == b.effects && a.colour == b.colour &&
           std::string(a.face) == std::string(b.face);
}

// The sending side on what the reading side made of the text.
void RoundTrip(const ParsedMessage& parsed) {
    const IAnsiCodePage& cp = CodePage();
    if (parsed.picture.present || parsed.body.find(L"<pic") != std::wstring::npos) return;
    // A body the code page cannot carry comes back otherwise ("?").
    if (cp.FromAnsi(cp.ToAnsi(parsed.body)) != parsed.body) return;
    const CMessageParser parser(cp);
    const CMessageBuilder builder(cp);
    ChatFontSpec font = parsed.font;
    if (font.size == 0) font.size = 9;
    BuiltMessage built = builder.BuildText(parsed.body, font);
    const std::string prefix = builder.FormatPrefix(font);
    FUZZ_EXPECT(built.accepted == (prefix.size() + cp.ToAnsi(parsed.body).size() < markup::kMaxUntaggedBytes + 1));
    if (!built.accepted) return;
    FUZZ_EXPECT(built.text.size() <= markup::kMaxUntaggedBytes);
    const ParsedMessage again = parser.Parse(built.text.c_str(), built.text.size() + 1, ChatFontSpec());
    FUZZ_EXPECT(again.hasPrefix);
    FUZZ_EXPECT(again.body == parsed.body);
    FUZZ_EXPECT(SameFont(again.font, font));
    FUZZ_EXPECT(!again.picture.present);

    // A picture at the body's end, as a pasted picture is sent.
    const std::wstring name = L"1210ABCDEF0123456789.jpg";
    const TagResult tag = builder.AppendPictureTag(built, parsed.body, static_cast<long>(parsed.body.size()), name);
    if (tag != TagResult::Appended) return;
    FUZZ_EXPECT(built.text.size() <= markup::kMaxTaggedBytes);
    const ParsedMessage tagged = parser.Parse(built.text.c_str(), built.text.size() + 1, ChatFontSpec());
    FUZZ_EXPECT(tagged.picture.present);
    FUZZ_EXPECT(tagged.picture.name == name);
    FUZZ_EXPECT(tagged.picture.nameIsSafe);
    FUZZ_EXPECT(tagged.body == parsed.body);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const size_t field = size < markup::kTextFieldSize ? size : markup::kTextFieldSize;
    const std::string text(reinterpret_cast<const char*>(data), field);
    const CMessageParser parser(CodePage());
    const ParsedMessage preset = parser.Parse(text.data(), text.size(), ChatFontSpec::ConversationDefault(CodePage()));
    CheckParsed(preset);
    const ParsedMessage plain = parser.Parse(text.data(), text.size(), ChatFontSpec());
    CheckParsed(plain);
    FUZZ_EXPECT(plain.body == preset.body);
    RoundTrip(preset);
    return 0;
}
