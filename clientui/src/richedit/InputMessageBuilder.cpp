#include "clientui/InputMessageBuilder.h"

#include "BitmapDataObject.h"
#include "ChatFontFormat.h"
#include "clientui/MyRichEditCtrl.h"
#include "clientui/ReObject.h"
#include "fw/ComPtr.h"

using fw::CComPtr;

CInputMessageBuilder::CInputMessageBuilder(const clientui::IAnsiCodePage& codePage, NewPictureName newName,
                                           SavePicture savePicture)
    : m_codePage(codePage), m_builder(codePage), m_newName(std::move(newName)), m_savePicture(std::move(savePicture)) {}

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
        std::wstring name;
        HBITMAP pasted = nullptr;
        if (!ReadPicture(input, &cp, &name, &pasted)) break;
        if (!pasted) {
            m_builder.AppendPictureTag(result.message, text, cp, name);
            break;
        }
        // A pasted picture: named first, saved only once its tag fits.
        if (m_newName && m_savePicture && m_newName(name)) {
            const std::string untagged = result.message.text;
            if (m_builder.AppendPictureTag(result.message, text, cp, name) == clientui::TagResult::Appended) {
                std::wstring path;
                if (m_savePicture(pasted, name, path) && !path.empty()) {
                    result.uploadName = name;
                    result.uploadPath = path;
                } else {
                    result.message.text = untagged;  // not saved: the text goes out alone
                }
            }
        }
        ::DeleteObject(pasted);
        break;
    }
    }
    return result;
}

bool CInputMessageBuilder::ReadPicture(CMyRichEditCtrl& input, LONG* cp, std::wstring* name, HBITMAP* pasted) const {
    CComPtr<IRichEditOle> ole = CComPtr<IRichEditOle>::Adopt(input.GetOleInterface());
    CReObject object;
    if (!object.Read(ole.Get(), 0, REO_GETOBJ_ALL_INTERFACES)) return false;
    *cp = object.Cp();

    // A picture placed from a file.
    if (const auto* info = PictureObjectInfo::FromKey(object.User())) {
        *name = info->name;
        return !name->empty();
    }

    // A pasted bitmap or screenshot: a copy of its bitmap.
    if (!object.OleObject()) return false;
    CComPtr<IDataObject> data;
    if (FAILED(object.OleObject()->QueryInterface(IID_IDataObject, data.ReceiveVoid())) || !data) return false;
    FORMATETC format = CBitmapDataObject::BitmapFormat();
    STGMEDIUM medium = {};
    if (FAILED(data->GetData(&format, &medium))) return false;
    HBITMAP copy = nullptr;
    if (medium.tymed == TYMED_GDI && medium.hBitmap)
        copy = static_cast<HBITMAP>(::CopyImage(medium.hBitmap, IMAGE_BITMAP, 0, 0, 0));
    ::ReleaseStgMedium(&medium);
    *pasted = copy;
    return copy != nullptr;
}
