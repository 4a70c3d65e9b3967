#include "fw/Dialog.h"

#include "fw/MessageLoop.h"

#include <cstring>

namespace fw {
namespace {

// The dialog object whose window is being created on this thread; the first
// call of the dialog procedure for the new window takes it.
thread_local CDialog* t_creatingDialog = nullptr;

// Extended templates begin with version 1 and the signature 0xFFFF; their
// style follows the help id and the extended style.
constexpr size_t kExStyleOffset = 12;

}  // namespace

CDialog::CDialog(UINT templateId, HINSTANCE instance)
    : m_templateId(templateId), m_instance(instance ? instance : ::GetModuleHandleW(nullptr)) {}

CDialog::~CDialog() = default;

bool CDialog::IsDialogWindow(HWND hWnd) {
    if (!hWnd) return false;
    if (dynamic_cast<CDialog*>(FromHandle(hWnd))) return true;
    wchar_t name[16] = {};
    ::GetClassNameW(hWnd, name, 16);
    return std::wcscmp(name, L"#32770") == 0;
}

bool CDialog::LoadTemplate(std::vector<DWORD>* copy, bool* visible) const {
    HRSRC res = ::FindResourceW(m_instance, MAKEINTRESOURCEW(m_templateId), MAKEINTRESOURCEW(5) /*RT_DIALOG*/);
    if (!res) return false;
    HGLOBAL mem = ::LoadResource(m_instance, res);
    const DWORD size = ::SizeofResource(m_instance, res);
    const void* data = mem ? ::LockResource(mem) : nullptr;
    if (!data || size < sizeof(DLGTEMPLATE)) return false;
    copy->assign((size + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
    std::memcpy(copy->data(), data, size);
    auto* bytes = reinterpret_cast<BYTE*>(copy->data());
    const WORD* words = reinterpret_cast<const WORD*>(bytes);
    const bool extended = size >= kExStyleOffset + sizeof(DWORD) && words[0] == 1 && words[1] == 0xFFFF;
    DWORD* style = reinterpret_cast<DWORD*>(bytes + (extended ? kExStyleOffset : 0));
    *visible = (*style & WS_VISIBLE) != 0;
    *style &= ~static_cast<DWORD>(WS_VISIBLE);
    return true;
}

HWND CDialog::CreateFromTemplate(HWND parent) {
    std::vector<DWORD> tmpl;
    bool visible = false;
    if (m_hWnd || !LoadTemplate(&tmpl, &visible)) return nullptr;
    m_endRequested = false;
    m_result = 0;
    m_lastShowCmd = -1;
    t_creatingDialog = this;
    HWND hWnd = ::CreateDialogIndirectParamW(m_instance, reinterpret_cast<const DLGTEMPLATE*>(tmpl.data()),
                                             parent, &CDialog::StaticDialogProc, 0);
    t_creatingDialog = nullptr;
    if (!hWnd) return nullptr;
    if (visible && !m_endRequested && m_lastShowCmd == -1 && ::IsWindow(hWnd) && !::IsWindowVisible(hWnd))
        ::ShowWindow(hWnd, SW_SHOWNORMAL);
    return hWnd;
}

bool CDialog::Create(HWND parent) {
    m_modal = false;
    return CreateFromTemplate(parent) != nullptr;
}

INT_PTR CDialog::DoModal(HWND parent) {
    // The whole modal run counts as being inside the object's own handler:
    // a deletion requested meanwhile waits until DoModal returns.
    CHandlerScope scope(this);
    HWND owner = parent ? ::GetAncestor(parent, GA_ROOT) : nullptr;
    m_modal = true;
    bool ownerDisabled = false;
    if (owner && ::IsWindowEnabled(owner)) {
        ::EnableWindow(owner, FALSE);
        ownerDisabled = true;
    }
    HWND hWnd = CreateFromTemplate(parent);
    if (!hWnd) {
        if (ownerDisabled) ::EnableWindow(owner, TRUE);
        m_modal = false;
        return -1;
    }
    if (!m_endRequested && !CMessageLoop::RunModal(*this) && !m_endRequested) m_result = IDCANCEL;
    // The owner takes the activation back before the dialog goes away.
    if (ownerDisabled) ::EnableWindow(owner, TRUE);
    if (::IsWindow(hWnd)) {
        if (owner && ::GetActiveWindow() == hWnd) ::SetActiveWindow(owner);
        ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
        ::DestroyWindow(hWnd);
    }
    m_modal = false;
    return m_result;
}

void CDialog::EndDialog(INT_PTR result) {
    m_result = result;
    m_endRequested = true;
    if (m_modal) {
        // Wakes the modal loop so that it sees the end.
        if (m_hWnd) ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
    } else if (m_hWnd) {
        ::ShowWindow(m_hWnd, SW_HIDE);
    }
}

bool CDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT code = HIWORD(wParam);
    if (lParam && code != BN_CLICKED) return false;
    switch (LOWORD(wParam)) {
    case IDOK:
        OnOK();
        return true;
    case IDCANCEL:
        OnCancel();
        return true;
    default:
        return false;
    }
}

LRESULT CDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitDialog();
    default:
        return CWindow::WindowProc(msg, wParam, lParam);
    }
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (FromHandle(hWnd)) {
        // The window procedure is ours already: the object has seen the
        // message, and coming here means it asked for default processing.
        return FALSE;
    }
    CDialog* dlg = t_creatingDialog;
    if (!dlg) return FALSE;
    t_creatingDialog = nullptr;
    // First call for the new dialog (WM_SETFONT or WM_INITDIALOG): from now on
    // every message of the window goes to the object first, and the dialog
    // class's own procedure is its default processing.
    dlg->AttachToMap(hWnd);
    dlg->m_created = true;
    dlg->m_prevProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWindow::StaticWindowProc)));
    if (msg == WM_INITDIALOG) return static_cast<INT_PTR>(Dispatch(dlg, hWnd, msg, wParam, lParam));
    return FALSE;
}

}  // namespace fw
