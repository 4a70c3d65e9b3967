// The text markup of one chat message, as both clients build and read it.
//
// A message is one ANSI (code page 936) text, NUL-terminated inside the
// 1024-byte text field of the message record:
//
//   <format|effects|size|colour|face|/format>body<pic/cp/name/pic>
//
// - the format prefix, made with "%s|%d|%d|%d|%s|%s%s" from "<format", the
//   effects bit set (1 bold, 2 italic, 4 underline), the size in points, the
//   colour as a signed decimal COLORREF, the face name (at most 31 bytes) and
//   "/format>";
// - the body: the input's text as its window text reads (an embedded picture
//   is one character of it);
// - at most one picture tag, made with "%s/%d/%s%s" from "<pic", the
//   picture's position in the body, its file name on the file server and
//   "/pic>"; it always ends the text.
//
// The text without the tag is at most 1022 bytes; the tag is appended only
// while the whole text and its NUL fit the 1024-byte field.
#pragma once

#include <cstddef>

namespace clientui {
namespace markup {

constexpr size_t kTextFieldSize = 1024;                  // the record's field, NUL included
constexpr size_t kMaxUntaggedBytes = 1022;               // prefix and body
constexpr size_t kMaxTaggedBytes = kTextFieldSize - 1;   // prefix, body and tag
constexpr size_t kMaxFaceBytes = 31;
// A picture name fits the 64-byte name field of a picture-transfer job.
constexpr size_t kMaxPictureNameBytes = 63;

constexpr char kFormatOpen[] = "<format";
constexpr char kFormatClose[] = "/format>";
constexpr char kPicOpen[] = "<pic";
constexpr char kPicClose[] = "/pic>";

}  // namespace markup
}  // namespace clientui
