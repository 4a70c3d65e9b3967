#include "EditQuickReplyPanel.h"

namespace {

constexpr int kEditTop = 40;

}  // namespace

CEditQuickReplyPanel::CEditQuickReplyPanel(HINSTANCE instance, std::wstring programFolder)
    : CReplyEditPanel(IDD_EDIT_QUICKREPLY, instance, std::move(programFolder), SIZE{kWidth, kHeight}, false) {}

CEditQuickReplyPanel::~CEditQuickReplyPanel() = default;

std::wstring CEditQuickReplyPanel::TitleOf(int kind) {
    switch (kind) {
    case kReplyKindAddQuick: return L"新增快捷回复";
    case kReplyKindModifyQuick: return L"修改快捷回复";
    case kReplyKindAddAuto: return L"新增自动回复";
    case kReplyKindModifyAuto: return L"修改自动回复";
    case kReplyKindAddCommon: return L"新增公共回复";
    case kReplyKindModifyCommon: return L"修改公共回复";
    default: return std::wstring();
    }
}

void CEditQuickReplyPanel::SetReplyType(int kind, const std::wstring& text) {
    m_strText = text;
    m_nKind = kind;
    const std::wstring title = TitleOf(kind);
    if (!title.empty()) m_strTitle = title;
}

BOOL CEditQuickReplyPanel::OnInitDialog() {
    CPanelBase::OnInitDialog();
    // The font, the title, and the place over the middle of the window it
    // edits for.
    InitReplyEditor();
    for (CButtonST* button : {&m_btnOk, &m_btnCancel}) {
        const int id = button == &m_btnOk ? IDOK : IDCANCEL;
        if (GetDlgItem(id) && button->SubclassDlgItem(id, m_hWnd)) button->SetFont(m_skin.m_fontNormal.Get(), false);
    }
    if (HWND edit = GetDlgItem(IDC_EDITREPLY_TEXT)) {
        const size_t limit = ReplyTextLimit(m_nKind);
        if (limit) ::SendMessageW(edit, EM_LIMITTEXT, limit, 0);
        ::SetWindowTextW(edit, m_strText.c_str());
    }
    const RECT client = GetClientRect();
    PlaceControls(client.right, client.bottom);
    if (HWND edit = GetDlgItem(IDC_EDITREPLY_TEXT)) {
        ::SetFocus(edit);
        ::SendMessageW(edit, EM_SETSEL, 0, -1);
        return FALSE;  // the focus is set
    }
    return TRUE;
}

void CEditQuickReplyPanel::PlaceControls(int width, int height) {
    const auto place = [this](int id, int x, int y, int cx, int cy) {
        if (HWND control = GetDlgItem(id)) ::SetWindowPos(control, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    place(IDC_PANEL_CLOSE, width - 35, 1, 29, 18);
    place(IDOK, width - 150, height - 24, 49, 20);
    place(IDCANCEL, width - 59, height - 24, 49, 20);
    place(IDC_EDITREPLY_TEXT, 12, kEditTop, width - 24, height - kEditTop - 32);
}

bool CEditQuickReplyPanel::OnSize(UINT type, int cx, int cy) {
    CPanelBase::OnSize(type, cx, cy);
    if (type != SIZE_MINIMIZED) PlaceControls(cx, cy);
    return true;
}

bool CEditQuickReplyPanel::PreTranslateMessage(MSG& msg) {
    // Enter neither ends the editor nor breaks the line.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) return true;
    return CPanelBase::PreTranslateMessage(msg);
}

bool CEditQuickReplyPanel::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == IDC_PANEL_CLOSE) {
        EndDialog(IDCANCEL);
        return true;
    }
    return CPanelBase::OnCommand(wParam, lParam);
}

void CEditQuickReplyPanel::OnOK() {
    const std::wstring text = NormalizeReplyText(m_nKind, ItemText(IDC_EDITREPLY_TEXT));
    if (text.empty()) {
        // An empty text is not a reply: the editor stays.
        if (HWND edit = GetDlgItem(IDC_EDITREPLY_TEXT)) ::SetFocus(edit);
        return;
    }
    m_strText = text;
    EndDialog(IDOK);
}

bool CDeskReplyEditor::EditReply(HWND owner, int kind, std::wstring* text) {
    if (!text) return false;
    CEditQuickReplyPanel editor(m_instance, m_programFolder);
    editor.SetReplyType(kind, *text);
    if (editor.DoModal(owner) != IDOK) return false;
    *text = editor.GetText();
    return !text->empty();
}
