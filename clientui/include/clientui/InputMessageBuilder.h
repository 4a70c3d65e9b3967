// CInputMessageBuilder: builds the text of a message to send from a
// conversation window's input (the same in both clients), with
// CMessageBuilder's markup and limits:
//   - the font: the character format of the whole input (ChatFontFromCharFormat);
//   - the text: the input's window text, refused at 1023 bytes or more with
//     the notice SendNotice::TooLong (nothing is sent, the input keeps its
//     text, no picture is looked at);
//   - pictures: none, one (its tag is appended with the picture's position in
//     the text actually sent) or more (SendNotice::OnePictureOnly: the text
//     goes out alone). A picture placed from a file is named by its
//     PictureObjectInfo. A pasted bitmap or screenshot gets a new name, and
//     only once its tag is known to fit is it saved as a JPEG picture under
//     that name; a picture that cannot be saved loses its tag (the text goes
//     out alone). Its upload is left to the caller, to be queued once the
//     message goes out. A tag that does not fit refuses the message, and
//     then nothing is saved.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "IAnsiCodePage.h"
#include "MessageBuilder.h"

class CMyRichEditCtrl;

struct InputMessage {
    clientui::BuiltMessage message;  // accepted, notice and the ANSI text
    // A pasted picture saved for this message: queue its upload when the
    // message is sent. Empty otherwise.
    std::wstring uploadName;
    std::wstring uploadPath;
};

class CInputMessageBuilder {
public:
    // A new picture name (MakeJpegImageName); false when none could be made.
    using NewPictureName = std::function<bool(std::wstring& name)>;
    // Saves a bitmap as a JPEG picture under the name and gives its full
    // path (SaveJpegImageAs); false when it could not be saved.
    using SavePicture = std::function<bool(HBITMAP bitmap, const std::wstring& name, std::wstring& path)>;

    CInputMessageBuilder(const clientui::IAnsiCodePage& codePage, NewPictureName newName, SavePicture savePicture);

    InputMessage Build(CMyRichEditCtrl& input) const;

private:
    // The input's one picture object: its position, and either its name (a
    // picture placed from a file) or the bitmap of a pasted picture (the
    // caller deletes it). False when it has neither.
    bool ReadPicture(CMyRichEditCtrl& input, LONG* cp, std::wstring* name, HBITMAP* pasted) const;

    const clientui::IAnsiCodePage& m_codePage;
    clientui::CMessageBuilder m_builder;
    NewPictureName m_newName;
    SavePicture m_savePicture;
};
