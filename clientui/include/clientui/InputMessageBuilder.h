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
//     PictureObjectInfo; a pasted bitmap or screenshot is saved as a JPEG
//     picture first, and its upload is left to the caller, to be queued once
//     the message goes out. A tag that does not fit refuses the message.
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
    // Saves a bitmap as a JPEG picture and gives its new name and full path
    // (SaveJpegImage); false when it could not be saved.
    using SavePicture = std::function<bool(HBITMAP bitmap, std::wstring& name, std::wstring& path)>;

    CInputMessageBuilder(const clientui::IAnsiCodePage& codePage, SavePicture savePicture);

    InputMessage Build(CMyRichEditCtrl& input) const;

private:
    // The name of the input's one picture object, saving a pasted bitmap;
    // empty when it has none.
    std::wstring PictureName(CMyRichEditCtrl& input, LONG* cp, InputMessage& result) const;

    const clientui::IAnsiCodePage& m_codePage;
    clientui::CMessageBuilder m_builder;
    SavePicture m_savePicture;
};
