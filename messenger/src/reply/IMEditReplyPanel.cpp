#include "IMEditReplyPanel.h"

#include "DisplayTitle.h"

#include "fw/MessageBoxSink.h"

namespace {

constexpr int kEditTop = 85;

}  // namespace

const wchar_t CIMEditReplyPanel::kTooLong[] = L"昵称不能超过100字！请修改。";
const wchar_t CIMEditReplyPanel::kEmpty[] = L"不能保存空内容！";
const wchar_t CIMEditReplyPanel::kAddTitle[] = L"添加自动回复";
const wchar_t CIMEditReplyPanel::kModifyTitle[] = L"修改自动回复";

CIMEditReplyPanel::CIMEditReplyPanel(HINSTANCE instance, std::wstring programFolder)
    : CReplyEditPanel(kTemplateId, instance, std::move(programFolder), SIZE{kWidth, kHeight}, true) {}

CIMEditReplyPanel::~CIMEditReplyPanel() = default;

bool CIMEditReplyPanel::TextFits(int replyKind, const std::wstring& text, const clientui::IAnsiCodePage& codePage) {
    const size_t limit = ReplyTextLimit(replyKind);
    if (limit && text.size() > limit) return false;
    return codePage.ToAnsi(text).size() < kMaxAnsiBytes;
}

void CIMEditReplyPanel::SetReply(int replyKind, const std::wstring& text) {
    m_nReplyKind = replyKind;
    m_strText = text;
}

BOOL CIMEditReplyPanel::OnInitDialog() {
    CPanelBase::OnInitDialog();
    InitReplyEditor();
    // The settings dialog's "确定" and "取消" pictures.
    struct Bound {
        CSkinBtn* button;
        int id;
        const SkinButtonPaths* paths;
    };
    for (const Bound& b : {Bound{&m_btnSave, kSaveId, &m_skin.m_btnSure},
                           Bound{&m_btnCancel, kCancelId, &m_skin.m_btnCancel}}) {
        if (!b.button->SubclassDlgItem(b.id, m_hWnd)) continue;
        b.button->SetBitmaps(b.paths->normal, b.paths->hover, b.paths->pressed, b.paths->normal);
    }
    if (m_btnCloseReply.SubclassDlgItem(kCloseId, m_hWnd)) {
        const SkinButtonPaths& close = m_skin.m_btnClose;
        m_btnCloseReply.SetBitmaps(close.normal, close.hover, close.pressed, close.normal);
    }
    if (HWND edit = GetDlgItem(kTextId)) {
        ::SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), FALSE);
        if (!TextFits(m_nReplyKind, m_strText, m_codePage)) m_strText.clear();
        m_strAccepted = m_strText;
        m_bRestoring = true;
        ::SetWindowTextW(edit, m_strText.c_str());
        m_bRestoring = false;
    }
    const RECT client = GetClientRect();
    OnSize(SIZE_RESTORED, client.right, client.bottom);
    if (HWND edit = GetDlgItem(kTextId)) {
        ::SetFocus(edit);
        ::SendMessageW(edit, EM_SETSEL, 0, -1);
        return FALSE;
    }
    return TRUE;
}

bool CIMEditReplyPanel::OnSize(UINT type, int cx, int cy) {
    CPanelBase::OnSize(type, cx, cy);
    if (type == SIZE_MINIMIZED) return true;
    const auto place = [this](int id, int x, int y, int w, int h) {
        if (HWND control = GetDlgItem(id)) ::SetWindowPos(control, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    place(kCloseId, cx - 35, 1, 29, 18);
    place(kTextId, 25, kEditTop, cx - 50, cy - kEditTop - 34);
    place(kSaveId, 200, cy - 28, 49, 20);
    place(kCancelId, 260, cy - 28, 49, 20);
    Invalidate(false);
    return true;
}

bool CIMEditReplyPanel::PreTranslateMessage(MSG& msg) {
    // Enter neither saves nor breaks the line (a reply is one line); Esc
    // does not close the editor behind the user's back.
    if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE) &&
        (msg.hwnd == m_hWnd || ::IsChild(m_hWnd, msg.hwnd)))
        return true;
    return CPanelBase::PreTranslateMessage(msg);
}

bool CIMEditReplyPanel::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    if (id == kTextId && HIWORD(wParam) == EN_CHANGE) {
        OnTextChange();
        return true;
    }
    switch (id) {
    case kSaveId:
        OnSave();
        return true;
    case kCancelId:
    case kCloseId:
    case IDC_PANEL_CLOSE:
        Finish(0);
        return true;
    default:
        return CPanelBase::OnCommand(wParam, lParam);
    }
}

void CIMEditReplyPanel::OnTextChange() {
    if (m_bRestoring) return;
    const std::wstring text = ItemText(kTextId);
    if (TextFits(m_nReplyKind, text, m_codePage)) {
        m_strAccepted = text;
        return;
    }
    // Refused: the text before the input stays.
    HWND edit = GetDlgItem(kTextId);
    m_bRestoring = true;
    ::SetWindowTextW(edit, m_strAccepted.c_str());
    ::SendMessageW(edit, EM_SETSEL, m_strAccepted.size(), m_strAccepted.size());
    m_bRestoring = false;
    fw::ShowMessageBox(m_hWnd, kTooLong, L"系统提示", MB_OK | MB_ICONEXCLAMATION);
}

void CIMEditReplyPanel::OnSave() {
    const std::wstring text = NormalizeReplyText(m_nReplyKind, ItemText(kTextId));
    if (m_codePage.ToAnsi(text).empty()) {
        fw::ShowMessageBox(m_hWnd, kEmpty, kMessengerDisplayTitle, MB_OK);
        return;
    }
    m_strText = text;
    Finish(m_nEditKind);
}

void CIMEditReplyPanel::Finish(int result) {
    if (HWND owner = ::GetWindow(m_hWnd, GW_OWNER)) ::SendMessageW(owner, WM_REPLYEDIT_DONE, result, 0);
    EndDialog(result ? IDOK : IDCANCEL);
}

bool CIMEditReplyPanel::OnClose() {
    Finish(0);
    return true;
}

void CIMEditReplyPanel::OnCancel() { Finish(0); }

void CIMEditReplyPanel::PaintBody(HDC dc, int width) {
    RECT label = {25, 65, width - 25, 83};
    ::DrawTextW(dc, L"回复内容(100字以内)：", -1, &label, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
}

bool CIMReplyEditor::EditReply(HWND owner, int kind, std::wstring* text) {
    if (!text) return false;
    CIMEditReplyPanel editor(m_instance, m_programFolder);
    const bool modify = kind == kReplyKindModifyAuto || kind == kReplyKindModifyQuick || kind == kReplyKindModifyCommon;
    editor.SetEditKind(modify ? CIMEditReplyPanel::kEditModify : CIMEditReplyPanel::kEditAdd);
    editor.SetTitle(modify ? CIMEditReplyPanel::kModifyTitle : CIMEditReplyPanel::kAddTitle);
    // Adding starts from an empty text.
    editor.SetReply(kind, modify ? *text : std::wstring());
    if (editor.DoModal(owner) != IDOK) return false;
    *text = editor.GetText();
    return !text->empty();
}
