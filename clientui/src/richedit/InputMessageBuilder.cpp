#include "clientui/InputMessageBuilder.h"

#include "BitmapDataObject.h"
#include "ChatFontFormat.h"
#include "clientui/MyRichEditCtrl.h"
#include "clientui/ReObject.h"
#include "fw/ComPtr.h"

using fw::CComPtr;

CInputMessageBuilder::CInputMessageBuilder(const clientui::IAnsiCodePage& codePage, SavePicture savePicture)
    : m_codePage(codePage), m_builder(codePage), m_savePicture(std::move(savePicture)) {}

InputMessage CInputMessageBuilder::Build(CMyRichEditCtrl& input) const {
    InputMessage result;

    // The font of the whole input.
    const CHARRANGE selection = input.GetSel();
    input.SetSel(0, -1);
    const CHARFORMATW format = input.GetSelectionCharFormat();
    input.SetSel(selection.cpMin, selection.cpMax);
    const clientui::ChatFontSpec font = clientui::ChatFontFromCharFormat(format, m_codePage);

    const std::wstring text = input.GetWindowText();
    result.message = m_builder.BuildText(text, font);
    if (!result.message.accepted) return result;

    switch (clientui::CMessageBuilder::PictureStepFor(static_cast<size_t>(input.GetObjectCount()))) {
    case clientui::PictureStep::None:
        break;
    case clientui::PictureStep::TooMany:
        result.message.notice = clientui::SendNotice::OnePictureOnly;
        break;
    case clientui::PictureStep::One: {
        LONG cp = 0;
        const std::wstring name = PictureName(input, &cp, result);
        if (name.empty()) break;
        const clientui::TagResult tag = m_builder.AppendPictureTag(result.message, text, cp, name);
        if (tag != clientui::TagResult::Appended && !result.uploadPath.empty()) {
            // The saved picture goes nowhere.
            ::DeleteFileW(result.uploadPath.c_str());
            result.uploadName.clear();
            result.uploadPath.clear();
        }
        break;
    }
    }
    return result;
}

std::wstring CInputMessageBuilder::PictureName(CMyRichEditCtrl& input, LONG* cp, InputMessage& result) const {
    CComPtr<IRichEditOle> ole = CComPtr<IRichEditOle>::Adopt(input.GetOleInterface());
    CReObject object;
    if (!object.Read(ole.Get(), 0, REO_GETOBJ_ALL_INTERFACES)) return std::wstring();
    *cp = object.Cp();

    // A picture placed from a file.
    if (const auto* info = PictureObjectInfo::FromKey(object.User())) {
        return info->name;
    }

    // A pasted bitmap or screenshot: its bitmap, saved as a new picture.
    if (!object.OleObject() || !m_savePicture) return std::wstring();
    CComPtr<IDataObject> data;
    if (FAILED(object.OleObject()->QueryInterface(IID_IDataObject, data.ReceiveVoid())) || !data) {
        return std::wstring();
    }
    FORMATETC format = CBitmapDataObject::BitmapFormat();
    STGMEDIUM medium = {};
    if (FAILED(data->GetData(&format, &medium))) return std::wstring();
    std::wstring name;
    std::wstring path;
    const bool saved = medium.tymed == TYMED_GDI && medium.hBitmap && m_savePicture(medium.hBitmap, name, path);
    ::ReleaseStgMedium(&medium);
    if (!saved || name.empty()) return std::wstring();
    result.uploadName = name;
    result.uploadPath = path;
    return name;
}
