#include "clientui/SystemSettingPanel.h"

#include "clientui/PanelDrawing.h"
#include "clientui/PanelRegistry.h"

#include "fw/DeviceContext.h"
#include "fw/ListCtrl.h"
#include "fw/MemoryDC.h"
#include "fw/MessageBoxSink.h"
#include "fw/StringUtil.h"

#include <commctrl.h>
#include <commdlg.h>

#include <vector>

namespace {

const wchar_t kTitle[] = L"系统设置";
const wchar_t kPrompt[] = L"提示";
const wchar_t kSaveQuestion[] = L"是否保存刚才的设置？";
const wchar_t kEmptyList[] = L"不能自动回复空内容！";
const wchar_t kListFull[] = L"最多设置8条自动回复留言。";
const wchar_t kPageBasic[] = L"基本设置";
const wchar_t* const kStates[] = {L"我在线上", L"忙碌", L"离开", L"请勿打扰"};

constexpr int kProgramIconId = 128;
constexpr int x0 = CIMSystemSettingPanel::kContentLeft;

// Colours of the surface.
constexpr COLORREF kTitleText = 0x141414;
constexpr COLORREF kTitleBack = 0xE1B432;
constexpr COLORREF kTopBand = 0xECB338;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kBottomBand = 0xFAF3E3;
constexpr COLORREF kLabelText = 0x895935;
// Option buttons: caption colours and the key colour of their marks.
constexpr COLORREF kOptionText = 0xFF0000;
constexpr COLORREF kOptionHoverText = 0x000000;
constexpr COLORREF kOptionIconKey = 0xFFFFFF;
constexpr int kOptionTextX = 16;

constexpr int kBottomBar = 28;

// The reply list's columns: the number and the text.
constexpr int kNumberColumn = 26;
constexpr int kTextColumn = 230;
constexpr int kNavColumn = 85;

// The row under a list-view click; -1 for none.
int ClickedRow(const NMHDR* hdr) {
    const auto* item = reinterpret_cast<const NMITEMACTIVATE*>(hdr);
    return item->iItem;
}

}  // namespace

CIMSystemSettingPanel::CIMSystemSettingPanel(IReplyEditor& editor, CClientSettings& settings,
                                             const SystemSettingPanelSpec& spec, HINSTANCE instance,
                                             std::wstring programFolder)
    : CPanelBase(spec.templateId, instance, std::move(programFolder)),
      m_editor(editor),
      m_spec(spec),
      m_model(settings) {}

CIMSystemSettingPanel::~CIMSystemSettingPanel() = default;

void CIMSystemSettingPanel::SetCurrentPage(int page) {
    if (page == m_nCurPage) return;
    m_nCurPage = page;
    if (IsWindow()) Invalidate(false);
}

// ---------------------------------------------------------------------------
// Initialisation
// ---------------------------------------------------------------------------

BOOL CIMSystemSettingPanel::OnInitDialog() {
    CPanelBase::OnInitDialog();
    m_settingSkin.Load(m_skin.GetProgramFolder());
    m_font.Reset(CreateArialFont(9));
    m_titleFont.Reset(CreateArialFont(20));
    // The controls show the settings as they are now.
    m_model.Reset();

    BindControls();
    PlaceControls();
    if (m_spec.setCaptions) SetCaptions();
    HideQuickReplyControls();
    FillControls();

    const HINSTANCE program = ::GetModuleHandleW(nullptr);
    const auto icon = reinterpret_cast<HICON>(::LoadImageW(program, MAKEINTRESOURCEW(kProgramIconId), IMAGE_ICON,
                                                           ::GetSystemMetrics(SM_CXSMICON),
                                                           ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    if (icon) SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    SetWindowText(kTitle);
    SetWindowPos(nullptr, 0, 0, kWidth, kHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PlaceControls();
    CentreOnWorkArea();
    ShowWindow(SW_SHOW);
    return TRUE;
}

void CIMSystemSettingPanel::BindOption(CSkinBtn& button, int id, const std::wstring& icon, const wchar_t* caption) {
    if (!GetDlgItem(id) || !button.SubclassDlgItem(id, m_hWnd)) return;
    button.SetIconImages(icon, icon);
    button.SetIconRect(0, 2, 16, 18);
    button.SetTextPos(kOptionTextX, 3);
    button.SetTextColors(kOptionText, kOptionHoverText, kOptionIconKey);
    if (m_spec.setCaptions) button.SetWindowText(caption);
}

void CIMSystemSettingPanel::BindImageButton(CSkinBtn& button, int id, const SkinButtonPaths& paths) {
    if (!GetDlgItem(id) || !button.SubclassDlgItem(id, m_hWnd)) return;
    button.SetBitmaps(paths.normal, paths.hover, paths.pressed, paths.normal);
}

void CIMSystemSettingPanel::BindControls() {
    const std::wstring* check = m_settingSkin.m_strChoiceMulti;
    const std::wstring* radio = m_settingSkin.m_strChoiceSingle;
    // Of each pair the first button shows the value unchosen, the second
    // chosen.
    BindOption(m_btnSoundDefault, m_spec.soundDefault, radio[0], L"默认声音");
    BindOption(m_btnSoundDefaultOn, m_spec.soundDefaultOn, radio[1], L"默认声音");
    BindOption(m_btnSoundNone, m_spec.soundNone, radio[0], L"关闭声音");
    BindOption(m_btnSoundNoneOn, m_spec.soundNoneOn, radio[1], L"关闭声音");
    const wchar_t autoReply[] = L"离开、忙碌、请勿打扰时自动回复（100字以内）";
    BindOption(m_btnAutoReplyOff, m_spec.autoReplyOff, check[0], autoReply);
    BindOption(m_btnAutoReplyOn, m_spec.autoReplyOn, check[1], autoReply);
    const wchar_t popUp[] = L"允许来消息时自动弹出窗口";
    BindOption(m_btnPopUpOff, m_spec.popUpOff, check[0], popUp);
    BindOption(m_btnPopUpOn, m_spec.popUpOn, check[1], popUp);

    BindImageButton(m_btnAdd, m_spec.add, m_settingSkin.m_btnAddMes);
    BindImageButton(m_btnModify, m_spec.modify, m_settingSkin.m_btnCorrect);
    BindImageButton(m_btnDelete, m_spec.remove, m_settingSkin.m_btnDeleteMes);
    BindImageButton(m_btnOk, m_spec.ok, m_skin.m_btnSure);
    BindImageButton(m_btnCancel, m_spec.cancel, m_skin.m_btnCancel);
    BindImageButton(m_btnApply, m_spec.apply, m_skin.m_btnApply);
    if (GetDlgItem(m_spec.browse) && m_btnBrowse.SubclassDlgItem(m_spec.browse, m_hWnd))
        m_btnBrowse.SetFont(m_skin.m_fontNormal.Get(), false);

    for (int id : {m_spec.replyList, m_spec.navList}) {
        fw::CListCtrl list(GetDlgItem(id));
        if (!list.IsWindow()) continue;
        list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
        if (id == m_spec.replyList) {
            list.InsertColumn(0, L"", kNumberColumn);
            list.InsertColumn(1, L"", kTextColumn);
        } else {
            list.InsertColumn(0, L"", kNavColumn);
        }
    }
}

void CIMSystemSettingPanel::PlaceControls() {
    const RECT client = GetClientRect();
    const int w = client.right;
    const int h = client.bottom;
    const auto place = [this](int id, int x, int y, int cx, int cy) {
        if (HWND control = GetDlgItem(id))
            ::SetWindowPos(control, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    // The combo's height includes its drop-down list.
    place(m_spec.stateCombo, x0 + 100, 88, 105, 120);
    place(m_spec.soundDefault, x0 + 135, 115, 65, 20);
    place(m_spec.soundDefaultOn, x0 + 135, 115, 65, 20);
    place(m_spec.soundNone, x0 + 60, 115, 65, 20);
    place(m_spec.soundNoneOn, x0 + 60, 115, 65, 20);
    place(m_spec.soundPath, x0 + 88, 138, 220, 20);
    place(m_spec.autoReplyOff, x0 + 26, 190, 280, 20);
    place(m_spec.autoReplyOn, x0 + 26, 190, 280, 20);
    place(m_spec.replyList, x0 + 50, 215, 260, 120);
    place(m_spec.add, x0 + 325, 245, 69, 21);
    place(m_spec.modify, x0 + 325, 275, 69, 21);
    place(m_spec.remove, x0 + 325, 305, 69, 21);
    place(m_spec.browse, x0 + 325, 137, 69, 21);
    place(m_spec.popUpOff, x0 + 26, 345, 165, 20);
    place(m_spec.popUpOn, x0 + 26, 345, 165, 20);
    place(m_spec.ok, x0 + 254, h - 24, 49, 21);
    place(m_spec.cancel, x0 + 307, h - 24, 49, 21);
    place(m_spec.apply, x0 + 360, h - 24, 49, 21);
    place(m_spec.navList, 5, 118, 90, 197);
    place(IDC_PANEL_CLOSE, w - 35, 1, 29, 18);
    place(IDC_PANEL_MINIMIZE, w - 57, 1, 22, 18);
}

void CIMSystemSettingPanel::SetCaptions() {
    const struct {
        int id;
        const wchar_t* text;
    } captions[] = {{m_spec.browse, L"浏览"},       {m_spec.add, L"添加"},    {m_spec.modify, L"修改"},
                    {m_spec.remove, L"删除"},       {m_spec.ok, L"确定"},     {m_spec.cancel, L"取消"},
                    {m_spec.apply, L"应用"},        {m_spec.quickUp, L"上移"}, {m_spec.quickDown, L"下移"}};
    for (const auto& caption : captions)
        if (HWND control = GetDlgItem(caption.id)) ::SetWindowTextW(control, caption.text);
}

void CIMSystemSettingPanel::HideQuickReplyControls() {
    // The one page this panel has never shows them.
    for (int id : {m_spec.quickList, m_spec.quickEdit, m_spec.quickUp, m_spec.quickDown})
        if (HWND control = GetDlgItem(id)) ::ShowWindow(control, SW_HIDE);
}

void CIMSystemSettingPanel::FillControls() {
    const CClientSettings& settings = m_model.Settings();
    if (HWND combo = GetDlgItem(m_spec.stateCombo)) {
        ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
        for (const wchar_t* state : kStates)
            ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(state));
        // A status outside the four shows no choice.
        ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(settings.iState), 0);
    }
    fw::CListCtrl nav(GetDlgItem(m_spec.navList));
    if (nav.IsWindow()) {
        nav.DeleteAllItems();
        nav.InsertItem(0, kPageBasic);
    }
    if (HWND path = GetDlgItem(m_spec.soundPath)) ::SetWindowTextW(path, settings.soundPath.c_str());
    FillReplyList();
    ShowOptionPairs();
}

void CIMSystemSettingPanel::FillReplyList() {
    fw::CListCtrl list(GetDlgItem(m_spec.replyList));
    if (!list.IsWindow()) return;
    list.DeleteAllItems();
    const std::vector<std::wstring>& replies = m_model.Settings().autoReplies;
    for (size_t i = 0; i < replies.size(); ++i) {
        const int row = list.InsertItem(static_cast<int>(i), std::to_wstring(i + 1));
        list.SetItemText(row, 1, replies[i]);
    }
    const int selected = m_model.Selected();
    if (selected >= 0) {
        LVITEMW item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        list.SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(&item));
    }
}

void CIMSystemSettingPanel::ShowPair(int shownId, int hiddenId) {
    if (HWND shown = GetDlgItem(shownId)) ::ShowWindow(shown, SW_SHOW);
    if (HWND hidden = GetDlgItem(hiddenId)) ::ShowWindow(hidden, SW_HIDE);
}

void CIMSystemSettingPanel::ShowOptionPairs() {
    const CClientSettings& settings = m_model.Settings();
    if (settings.bAutoReply)
        ShowPair(m_spec.autoReplyOn, m_spec.autoReplyOff);
    else
        ShowPair(m_spec.autoReplyOff, m_spec.autoReplyOn);
    if (settings.bPopUp)
        ShowPair(m_spec.popUpOn, m_spec.popUpOff);
    else
        ShowPair(m_spec.popUpOff, m_spec.popUpOn);
    // One of the two sound choices is the chosen one.
    if (settings.iSound != 0) {
        ShowPair(m_spec.soundDefaultOn, m_spec.soundDefault);
        ShowPair(m_spec.soundNone, m_spec.soundNoneOn);
    } else {
        ShowPair(m_spec.soundDefault, m_spec.soundDefaultOn);
        ShowPair(m_spec.soundNoneOn, m_spec.soundNone);
    }
}

void CIMSystemSettingPanel::CentreOnWorkArea() {
    RECT work = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const RECT window = GetWindowRect();
    const int x = work.left + (work.right - work.left - (window.right - window.left)) / 2;
    const int y = work.top + (work.bottom - work.top - (window.bottom - window.top)) / 2;
    SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---------------------------------------------------------------------------
// Messages and commands
// ---------------------------------------------------------------------------

bool CIMSystemSettingPanel::IsReplyListFocus(HWND focus) const {
    if (!focus) return false;
    for (int id : {m_spec.replyList, m_spec.quickList}) {
        HWND list = GetDlgItem(id);
        if (list && (focus == list || ::IsChild(list, focus))) return true;
    }
    return false;
}

bool CIMSystemSettingPanel::PreTranslateMessage(MSG& msg) {
    if (msg.message == WM_KEYDOWN) {
        switch (msg.wParam) {
        case VK_RETURN:
        case VK_ESCAPE: {
            // An open drop-down list takes them (to close); nothing else.
            HWND combo = GetDlgItem(m_spec.stateCombo);
            const HWND focus = ::GetFocus();
            const bool inCombo = combo && focus && (focus == combo || ::IsChild(combo, focus));
            if (inCombo && ::SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0)) break;
            return true;
        }
        case VK_UP:
        case VK_DOWN:
        case VK_LEFT:
        case VK_RIGHT:
        case VK_PRIOR:
        case VK_NEXT:
        case VK_HOME:
        case VK_END:
            // The key's own target decides: the focus of this thread can be
            // gone by the time a queued key is taken out.
            if (IsReplyListFocus(msg.hwnd)) return true;
            break;
        default:
            break;
        }
    }
    return CPanelBase::PreTranslateMessage(msg);
}

LRESULT CIMSystemSettingPanel::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_GETMINMAXINFO) {
        FitMaximizedToWorkArea(reinterpret_cast<MINMAXINFO*>(lParam), SIZE{kWidth, kHeight});
        return 0;
    }
    return CPanelBase::WindowProc(msg, wParam, lParam);
}

bool CIMSystemSettingPanel::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (id == m_spec.stateCombo) {
        if (code == CBN_SELCHANGE) {
            const LRESULT index = ::SendMessageW(GetDlgItem(id), CB_GETCURSEL, 0, 0);
            if (index != CB_ERR) m_model.SetState(static_cast<int>(index));
        }
        return true;
    }
    if (code != BN_CLICKED) return CPanelBase::OnCommand(wParam, lParam);

    if (id == m_spec.autoReplyOff || id == m_spec.autoReplyOn) {
        m_model.SetAutoReply(id == m_spec.autoReplyOff);
        ShowOptionPairs();
    } else if (id == m_spec.popUpOff || id == m_spec.popUpOn) {
        m_model.SetPopUp(id == m_spec.popUpOff);
        ShowOptionPairs();
    } else if (id == m_spec.soundDefault) {
        m_model.SetSound(1);
        ShowOptionPairs();
    } else if (id == m_spec.soundNone) {
        m_model.SetSound(0);
        ShowOptionPairs();
    } else if (id == m_spec.soundDefaultOn || id == m_spec.soundNoneOn) {
        // The chosen option is chosen already.
    } else if (id == m_spec.browse) {
        OnBrowseSound();
    } else if (id == m_spec.add) {
        OnAddReply();
    } else if (id == m_spec.modify) {
        OnModifyReply();
    } else if (id == m_spec.remove) {
        OnDeleteReply();
    } else if (id == m_spec.ok) {
        OnOk();
    } else if (id == m_spec.apply) {
        OnApply();
    } else if (id == m_spec.cancel || id == IDC_PANEL_CLOSE) {
        OnCancelPanel();
    } else if (id == IDOK || id == IDCANCEL) {
        // Enter and Escape never end the panel.
    } else {
        return CPanelBase::OnCommand(wParam, lParam);
    }
    return true;
}

bool CIMSystemSettingPanel::OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) {
    if (hdr && hdr->code == NM_CLICK) {
        if (static_cast<int>(hdr->idFrom) == m_spec.replyList) {
            m_model.Select(ClickedRow(hdr));
            *result = 0;
            return true;
        }
        if (static_cast<int>(hdr->idFrom) == m_spec.navList) {
            // The one page: a click on it shows what is shown.
            const int page = ClickedRow(hdr);
            if (page >= 0 && page != m_nCurPage) {
                m_nCurPage = page;
                Invalidate(false);
            }
            *result = 0;
            return true;
        }
    }
    return CPanelBase::OnNotify(wParam, hdr, result);
}

bool CIMSystemSettingPanel::OnClose() {
    // Alt+F4 and the system menu ask like the close button.
    OnCancelPanel();
    return true;
}

int CIMSystemSettingPanel::ShowMessage(const std::wstring& text, UINT flags) {
    return fw::ShowMessageBox(m_hWnd, text, kPrompt, flags);
}

bool CIMSystemSettingPanel::ChooseSoundFile(std::wstring* path) {
    wchar_t file[MAX_PATH] = {};
    lstrcpynW(file, path->c_str(), MAX_PATH);
    // The filter's parts are separated by NULs.
    static const wchar_t filter[] = L"文件类型(*.wav)\0*.wav\0\0";
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = m_hWnd;
    ofn.lpstrFilter = filter;
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrTitle = L"选择文件";
    ofn.lpstrDefExt = L"wav";
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!::GetOpenFileNameW(&ofn)) return false;
    *path = file;
    return true;
}

void CIMSystemSettingPanel::OnBrowseSound() {
    std::wstring path = m_model.Settings().soundPath;
    if (!ChooseSoundFile(&path) || !IsWindow()) return;
    // The settings file keeps at most this many characters of the path.
    path = fw::CutWide(path, kSoundPathWidth);
    m_model.SetSoundPath(path);
    if (HWND edit = GetDlgItem(m_spec.soundPath)) ::SetWindowTextW(edit, path.c_str());
}

void CIMSystemSettingPanel::OnAddReply() {
    if (!m_model.CanAdd()) {
        ShowMessage(kListFull, MB_OK);
        return;
    }
    std::wstring text;
    if (!m_editor.EditReply(m_hWnd, kReplyKindAddAuto, &text) || !IsWindow()) return;
    if (m_model.Add(text)) FillReplyList();
}

void CIMSystemSettingPanel::OnModifyReply() {
    const int selected = m_model.Selected();
    if (selected < 0) return;
    std::wstring text = m_model.Settings().autoReplies[static_cast<size_t>(selected)];
    if (!m_editor.EditReply(m_hWnd, kReplyKindModifyAuto, &text) || !IsWindow()) return;
    if (m_model.ModifySelected(text)) FillReplyList();
}

void CIMSystemSettingPanel::OnDeleteReply() {
    if (!m_model.DeleteSelected()) return;
    FillReplyList();
    ShowOptionPairs();
}

bool CIMSystemSettingPanel::SaveOrSay() {
    if (m_model.Save() == CSystemSettingModel::SaveOutcome::EmptyList) {
        ShowMessage(kEmptyList, MB_OK);
        return false;
    }
    return true;
}

bool CIMSystemSettingPanel::OnOk() {
    if (!SaveOrSay()) return false;
    ClosePanel();
    return true;
}

void CIMSystemSettingPanel::OnApply() { SaveOrSay(); }

void CIMSystemSettingPanel::OnCancelPanel() {
    if (m_model.IsChanged()) {
        if (ShowMessage(kSaveQuestion, MB_YESNO) == IDYES) {
            if (!SaveOrSay()) return;
        } else {
            // The edits are given up: the settings are what the file holds.
            m_model.Discard();
        }
    }
    ClosePanel();
}

void CIMSystemSettingPanel::ClosePanel() {
    if (!IsWindow()) return;
    EndDialog(IDCANCEL);
    CPanelRegistry::GetInstance()->RemovePanel(this);
}

// ---------------------------------------------------------------------------
// Painting
// ---------------------------------------------------------------------------

RECT CIMSystemSettingPanel::ControlRect(int id) const {
    RECT rc = {0, 0, 0, 0};
    HWND control = GetDlgItem(id);
    if (!control || !::IsWindowVisible(control)) return rc;
    ::GetWindowRect(control, &rc);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

bool CIMSystemSettingPanel::OnPaint() {
    fw::CPaintDC paint(m_hWnd);
    const RECT client = GetClientRect();
    {
        // The reply list paints itself: it is left out of the copy.
        const RECT list = ControlRect(m_spec.replyList);
        if (!::IsRectEmpty(&list)) ::ExcludeClipRect(paint, list.left, list.top, list.right, list.bottom);
        fw::PaintBuffered(paint, client.right, client.bottom, [&](HDC dc) { PaintSurface(dc, client); });
    }
    ::SelectClipRgn(paint, nullptr);
    DrawPanelFrame(paint, m_hWnd);
    return true;
}

void CIMSystemSettingPanel::DrawLabel(HDC dc, const wchar_t* text, int left, int top, int right, int bottom) {
    RECT rc = {left, top, right, bottom};
    ::DrawTextW(dc, text, -1, &rc, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
}

void CIMSystemSettingPanel::PaintSurface(HDC dc, const RECT& client) {
    const int w = client.right;
    const int h = client.bottom;
    const int caption = m_nCaptionHeight;
    fw::CSelectObject font(dc, m_font.Get());

    // 1. Caption: the strip, the program icon and the title.
    DrawBitmapTiled(m_skin.m_bmpTitle, dc, 0, 0, w, caption);
    if (m_skin.m_hIcon) ::DrawIconEx(dc, 5, 5, m_skin.m_hIcon, 16, 16, 0, nullptr, DI_NORMAL);
    ::SetBkMode(dc, OPAQUE);
    ::SetBkColor(dc, kTitleBack);
    ::SetTextColor(dc, kTitleText);
    DrawLabel(dc, kTitle, 25, 4, 185, 20);

    // 2. The body: two gradients and the settings icon.
    DrawGradientRect(RECT{0, caption, w, caption + 60}, kTopBand, kWhite, dc);
    DrawGradientRect(RECT{0, caption + 60, w, h}, kWhite, kBottomBand, dc);
    DrawBitmapAt(dc, m_settingSkin.m_bmpIcon, x0 + 60, 40);

    // 3. Labels and the large title.
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, kLabelText);
    DrawLabel(dc, L"登陆后状态：", x0 + 26, 88, x0 + 100, 108);
    DrawLabel(dc, L"声音：", x0 + 26, 113, x0 + 60, 133);
    DrawLabel(dc, L"声音文件：", x0 + 26, 138, x0 + 86, 158);
    DrawLabel(dc, L"自动回复：", x0 + 26, 161, x0 + 86, 181);
    {
        fw::CSelectObject large(dc, m_titleFont.Get());
        DrawLabel(dc, kTitle, x0 + 95, 40, 305, 75);
    }

    // 4. The bottom bar.
    DrawBitmapTiled(m_skin.m_bmpBottom, dc, 0, h - kBottomBar, w, h);
}
