#include "clientui/ChatLogEdit.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <cwctype>

#include "PictureName.h"
#include "clientui/ReObject.h"
#include "fw/Application.h"
#include "fw/ComPtr.h"
#include "fw/StringUtil.h"

using fw::CComPtr;

namespace {

const wchar_t kLineEnd[] = L"\r\n";
const wchar_t kSendingPicture[] = L"sendingBmp.gif";
const wchar_t kErrorPicture[] = L"errorBmp.gif";

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, wcslen(prefix), prefix) == 0;
}

PictureObjectInfo* InfoOf(const CReObject& object) {
    return PictureObjectInfo::FromKey(object.User());
}

}  // namespace

CChatLogEdit::CChatLogEdit() : m_programFolder(fw::CApplication::GetProgramFolder()) {}

CChatLogEdit::~CChatLogEdit() = default;

void CChatLogEdit::SetPictureSource(const std::wstring& programFolder, int32_t ownUserId,
                                    IPictureDownloadQueue* downloads) {
    m_programFolder = programFolder;
    m_ownUserId = ownUserId;
    m_downloads = downloads;
}

std::wstring CChatLogEdit::PicturePath(const std::wstring& name) const {
    return fw::FormatString(L"%ls%d\\Image\\%ls", m_programFolder.c_str(), m_ownUserId, name.c_str());
}

std::wstring CChatLogEdit::SkinPicturePath(const wchar_t* file) const {
    return m_programFolder + L"Resource\\chat\\" + file;
}

std::wstring CChatLogEdit::SystemNoticeText(const std::wstring& notice) {
    return L"系统提示:\r\n " + notice + kLineEnd;
}

// --- appending --------------------------------------------------------------

LONG CChatLogEdit::EndPosition() {
    SetSelEnd();
    return GetSel().cpMax;
}

void CChatLogEdit::AppendPart(const std::wstring& text, const CHARFORMATW& format, LONG indent) {
    if (text.empty()) return;
    SetSelEnd();
    SetSelectionCharFormat(format);
    PARAFORMAT2 paragraph = {};
    paragraph.cbSize = sizeof paragraph;
    paragraph.dwMask = PFM_STARTINDENT;
    paragraph.dxStartIndent = indent;
    SetParaFormat(paragraph);
    ReplaceSel(text);
}

void CChatLogEdit::AppendMessage(const wchar_t* text, const CHARFORMATW* headerFormat,
                                 const CHARFORMATW* bodyFormat) {
    if (!text || !headerFormat || !bodyFormat) return;
    const std::wstring whole(text);
    const size_t split = whole.find(kLineEnd);
    const std::wstring header = split == std::wstring::npos ? whole : whole.substr(0, split + 2);
    const std::wstring body = split == std::wstring::npos ? std::wstring() : whole.substr(split + 2);

    // The tag ends the body before the message's own line end. The body is
    // cut at "<pic" whether or not a picture results; its line end stays.
    clientui::ParsedMessage message;
    message.body = body;
    const bool lineEnd =
        message.body.size() >= 2 && message.body.compare(message.body.size() - 2, 2, kLineEnd) == 0;
    if (lineEnd) message.body.resize(message.body.size() - 2);
    message.picture = m_parser.ParsePicTag(message.body);
    if (message.picture.present) {
        AppendEntry(whole, header, &message, std::wstring(), *headerFormat, *bodyFormat);
    } else {
        AppendEntry(whole, header, nullptr, lineEnd ? message.body + kLineEnd : message.body, *headerFormat,
                    *bodyFormat);
    }
}

void CChatLogEdit::AppendMessage(const std::wstring& header, const clientui::ParsedMessage& message,
                                 const CHARFORMATW& headerFormat, const CHARFORMATW& bodyFormat) {
    std::wstring whole = header + message.body;
    if (message.picture.present) {
        AppendEntry(whole + kLineEnd, header, &message, std::wstring(), headerFormat, bodyFormat);
    } else {
        whole += kLineEnd;
        AppendEntry(whole, header, nullptr, message.body + kLineEnd, headerFormat, bodyFormat);
    }
}

void CChatLogEdit::AppendSystemNotice(const std::wstring& notice, const CHARFORMATW& format) {
    const std::wstring whole = SystemNoticeText(notice);
    const size_t split = whole.find(kLineEnd);
    AppendEntry(whole, whole.substr(0, split + 2), nullptr, whole.substr(split + 2), format, format);
}

void CChatLogEdit::AppendEntry(const std::wstring& wholeText, const std::wstring& header,
                               const clientui::ParsedMessage* message, const std::wstring& plainBody,
                               const CHARFORMATW& headerFormat, const CHARFORMATW& bodyFormat) {
    CBatch batch(*this);
    Entry entry;
    entry.text = wholeText;
    m_filling = &entry;
    const LONG start = EndPosition();
    AppendPart(header, headerFormat, kHeaderIndent);
    if (message && message->picture.present) {
        AppendPart(message->TextBeforePicture(), bodyFormat, kBodyIndent);
        ShowPicture(message->picture.name);
        AppendPart(message->TextAfterPicture() + L" \r\n", bodyFormat, kBodyIndent);
    } else {
        AppendPart(plainBody, bodyFormat, kBodyIndent);
    }
    entry.characters = EndPosition() - start;
    m_filling = nullptr;
    m_entries.push_back(std::move(entry));
}

void CChatLogEdit::BeginBatch() {
    if (m_batchDepth++ > 0 || !IsWindow()) return;
    m_batchFocus = ::GetFocus();
    // Nothing is drawn until the batch ends: the rich edit would otherwise
    // repaint itself after every change of its text. (Turning redrawing on
    // again shows a window, so a log that is hidden itself is left alone.)
    m_batchRedrawOff = (GetStyle() & WS_VISIBLE) != 0;
    if (m_batchRedrawOff) SendMessage(WM_SETREDRAW, FALSE, 0);
    HideSelection(true, true);
}

void CChatLogEdit::EndBatch() {
    if (m_batchDepth <= 0 || --m_batchDepth > 0 || !IsWindow()) return;
    TrimToLimit();
    SetSelEnd();
    HideSelection(false, true);
    if (m_batchRedrawOff) SendMessage(WM_SETREDRAW, TRUE, 0);
    m_batchRedrawOff = false;
    ScrollCaret();
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    HWND focus = m_batchFocus;
    m_batchFocus = nullptr;
    if (focus && ::IsWindow(focus) && ::GetFocus() != focus) ::SetFocus(focus);
}

void CChatLogEdit::TrimToLimit() {
    if (m_entries.size() <= kMaxEntries) return;
    const size_t leaving = m_entries.size() - kMaxEntries;
    LONG characters = 0;
    for (size_t i = 0; i < leaving; ++i) characters += m_entries[i].characters;
    SetSel(0, characters);
    ReplaceSel(std::wstring());
    // The entries' objects have left the text: their records can go.
    m_entries.erase(m_entries.begin(), m_entries.begin() + static_cast<std::ptrdiff_t>(leaving));
    SetSelEnd();
}

// --- pictures ---------------------------------------------------------------

void CChatLogEdit::ShowPicture(const std::wstring& name) {
    auto info = std::make_unique<PictureObjectInfo>();
    info->name = name;
    std::wstring shown;
    if (!clientui::IsSafePictureName(name, m_codePage)) {
        // Not one plain file name: it never becomes a path.
        info->state = PictureObjectInfo::kError;
        shown = SkinPicturePath(kErrorPicture);
    } else {
        info->path = PicturePath(name);
        info->state = PictureObjectInfo::kShown;
        shown = info->path;
        if (!::PathFileExistsW(info->path.c_str())) {
            if (m_downloads) {
                m_downloads->QueuePictureDownload(m_ownUserId, m_codePage.ToAnsi(name), info->path);
                info->state = PictureObjectInfo::kPlaceholder;
                shown = SkinPicturePath(kSendingPicture);
            } else {
                info->state = PictureObjectInfo::kError;
                shown = SkinPicturePath(kErrorPicture);
            }
        }
    }

    CComPtr<IRichEditOle> ole = CComPtr<IRichEditOle>::Adopt(GetOleInterface());
    if (!ole) return;
    const LONG start = EndPosition();
    bool inserted = InsertImageObject(ole.Get(), shown.c_str(), info.get()) != FALSE;
    if (!inserted && info->state == PictureObjectInfo::kShown) {
        // A file that is there but is not a picture.
        info->state = PictureObjectInfo::kError;
        inserted = InsertImageObject(ole.Get(), SkinPicturePath(kErrorPicture).c_str(), info.get()) != FALSE;
    }
    if (!inserted) return;

    if (m_filling) {
        m_filling->pictures.push_back(std::move(info));
    } else if (!m_entries.empty()) {
        // Placed on its own: it belongs to the last message.
        m_entries.back().characters += EndPosition() - start;
        m_entries.back().pictures.push_back(std::move(info));
    } else {
        // Before any message: it counts as a message of its own.
        Entry entry;
        entry.characters = EndPosition() - start;
        entry.pictures.push_back(std::move(info));
        m_entries.push_back(std::move(entry));
    }
}

bool CChatLogEdit::IsOwnPicture(const PictureObjectInfo* info) const {
    if (!info) return false;
    for (const Entry& entry : m_entries) {
        for (const auto& picture : entry.pictures) {
            if (picture.get() == info) return true;
        }
    }
    return false;
}

bool CChatLogEdit::HasPendingPictures() const {
    for (const Entry& entry : m_entries) {
        for (const auto& picture : entry.pictures) {
            if (picture->state == PictureObjectInfo::kPlaceholder) return true;
        }
    }
    return false;
}

int CChatLogEdit::SwapArrivedPictures() {
    CComPtr<IRichEditOle> ole = CComPtr<IRichEditOle>::Adopt(GetOleInterface());
    if (!ole) return 0;
    const CHARRANGE selection = GetSel();
    bool hidden = false;
    int swapped = 0;
    const LONG count = ole->GetObjectCount();
    for (LONG i = 0; i < count; ++i) {
        CReObject object;
        if (!object.Read(ole.Get(), i, REO_GETOBJ_NO_INTERFACES)) break;
        PictureObjectInfo* info = InfoOf(object);
        if (!IsOwnPicture(info) || info->state != PictureObjectInfo::kPlaceholder) continue;
        // Arrived, or given up by the download queue: either way the
        // placeholder goes.
        const bool arrived = ::PathFileExistsW(info->path.c_str()) != FALSE;
        if (!arrived && !(m_downloads && m_downloads->HasGivenUpPictureDownload(info->path))) continue;
        if (!hidden) {
            HideSelection(true, true);
            hidden = true;
        }

        // The new object goes in behind the placeholder, which then goes:
        // the placeholder stays when nothing can be put in its place.
        const LONG cp = object.Cp();
        SetSel(cp + 1, cp + 1);
        info->state = arrived ? PictureObjectInfo::kShown : PictureObjectInfo::kError;
        bool inserted = arrived && InsertImageObject(ole.Get(), info->path.c_str(), info) != FALSE;
        if (!inserted) {
            info->state = PictureObjectInfo::kError;
            inserted = InsertImageObject(ole.Get(), SkinPicturePath(kErrorPicture).c_str(), info) != FALSE;
        }
        if (!inserted) continue;  // stays in the error state: no further tries
        SetSel(cp, cp + 1);
        ReplaceSel(std::wstring());
        ++swapped;
    }
    if (hidden) {
        SetSel(selection.cpMin, selection.cpMax);
        HideSelection(false, true);
    }
    return swapped;
}

// --- links ------------------------------------------------------------------

std::wstring CChatLogEdit::LinkToOpen(const std::wstring& linkText) {
    size_t first = 0;
    size_t last = linkText.size();
    while (first < last && std::iswspace(linkText[first])) ++first;
    while (last > first && std::iswspace(linkText[last - 1])) --last;
    const std::wstring text = linkText.substr(first, last - first);
    for (wchar_t c : text) {
        if (c < 0x20 || c == 0x7F || c == L'"' || std::iswspace(c)) return std::wstring();
    }
    std::wstring lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; });
    for (const wchar_t* scheme : {L"http://", L"https://", L"mailto:"}) {
        if (StartsWith(lower, scheme) && lower.size() > wcslen(scheme)) return text;
    }
    if (StartsWith(lower, L"www.") && lower.size() > 4) return L"http://" + text;
    return std::wstring();
}

bool CChatLogEdit::OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (msg == WM_NOTIFY) {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header && header->code == EN_LINK) {
            if (!OnLink(*reinterpret_cast<const ENLINK*>(lParam))) return false;
            *result = 1;
            return true;
        }
    }
    return CMyRichEditCtrl::OnReflectedMessage(msg, wParam, lParam, result);
}

bool CChatLogEdit::OnLink(const ENLINK& link) {
    if (link.msg != WM_LBUTTONDOWN) return false;
    const std::wstring address = LinkToOpen(GetTextRange(link.chrg.cpMin, link.chrg.cpMax));
    if (!address.empty()) OpenLink(address);
    return true;
}

void CChatLogEdit::OpenLink(const std::wstring& address) {
    ::ShellExecuteW(m_hWnd, L"open", address.c_str(), nullptr, nullptr, SW_SHOW);
}
