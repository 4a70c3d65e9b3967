#include "SwitchUserListPanel.h"

#include "HandOverPainting.h"

#include "clientui/PanelDrawing.h"

#include "fw/DeviceContext.h"
#include "fw/MemoryDC.h"

#include <commctrl.h>

namespace {

constexpr int kAgentImageSize = 44;
constexpr int kIconSpacing = 65;
constexpr COLORREF kImageMask = 0x0000FF;  // red
constexpr COLORREF kCannedNoteTextIn = 0xD08935;
constexpr COLORREF kCannedNoteTextOut = 0;
constexpr COLORREF kGradientEdge = 0xFAF3E3;
constexpr COLORREF kWhite = 0xFFFFFF;

}  // namespace

CSwitchUserListPanel::CSwitchUserListPanel(int32_t ownerAgent, int32_t customer, CEngineModule& engine,
                                           const std::wstring& programFolder)
    : CPanelBase(IDD_SWITCH_USER_LIST, nullptr, programFolder),
      m_engine(engine),
      m_rules(engine, m_codePage),
      m_nOwnerAgent(ownerAgent),
      m_nCustomer(customer) {
    m_bMaximizable = 0;
    m_bResizable = 0;
}

CSwitchUserListPanel::~CSwitchUserListPanel() = default;

BOOL CSwitchUserListPanel::OnInitDialog() {
    CPanelBase::OnInitDialog();
    if (m_engine.MRefreshSwitchUserList) m_engine.MRefreshSwitchUserList();
    m_font = CreateHandOverFont(m_hWnd);

    m_agentList.Attach(GetDlgItem(IDC_SWITCH_AGENT_LIST));
    m_agentList.SendMessage(LVM_SETBKCOLOR, 0, kWhite);
    m_agentList.SendMessage(LVM_SETTEXTBKCOLOR, 0, kWhite);
    m_agentList.SendMessage(LVM_SETICONSPACING, 0, MAKELPARAM(kIconSpacing, kIconSpacing));
    if (m_images.Create(kAgentImageSize, kAgentImageSize, ILC_COLOR24 | ILC_MASK, 1, 1)) {
        fw::CBitmap picture;
        if (CIMResourceComm::LoadBitmapFile(m_skin.SkinPath(L"Resource\\TavrelRes\\switchUser.bmp"), picture))
            m_images.AddMasked(picture.Get(), kImageMask);
        m_agentList.SendMessage(LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(m_images.Get()));
    }

    const struct {
        CButtonST* button;
        int id;
    } buttons[] = {{&m_btnOK, IDOK}, {&m_btnCancel, IDCANCEL}, {&m_btnCannedNote, IDC_SWITCH_CANNED_NOTE}};
    for (const auto& b : buttons) b.button->SubclassDlgItem(b.id, m_hWnd);
    m_btnCannedNote.SetColor(CButtonST::kColourFgIn, kCannedNoteTextIn);
    m_btnCannedNote.SetColor(CButtonST::kColourFgOut, kCannedNoteTextOut);

    ::SetWindowTextW(GetDlgItem(IDC_SWITCH_NOTE), CHandOverRules::DefaultNote().c_str());
    LayoutControls();
    return TRUE;
}

void CSwitchUserListPanel::FillAgentList() {
    if (!m_agentList.IsWindow()) return;
    m_agentList.DeleteAllItems();
    int index = 0;
    for (const HandOverAgent& agent : m_rules.Agents())
        m_agentList.InsertItem(index++, agent.name, 0, static_cast<LPARAM>(agent.agentId));
}

std::wstring CSwitchUserListPanel::GetNote() const {
    HWND edit = GetDlgItem(IDC_SWITCH_NOTE);
    const int length = edit ? ::GetWindowTextLengthW(edit) : 0;
    if (length <= 0) return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int got = ::GetWindowTextW(edit, &text[0], length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

// --- layout and painting --------------------------------------------------------

void CSwitchUserListPanel::PlaceControl(int id, int x, int y, int width, int height) {
    HWND control = GetDlgItem(id);
    if (control) ::MoveWindow(control, x, y, width, height, TRUE);
}

void CSwitchUserListPanel::LayoutControls() {
    if (!IsWindow()) return;
    const RECT client = GetClientRect();
    const int w = client.right;
    const int h = client.bottom;
    PlaceControl(IDC_PANEL_CLOSE, w - 35, 1, 29, 18);
    PlaceControl(IDCANCEL, w - 60, h - 24, 49, 20);
    PlaceControl(IDOK, w - 150, h - 24, 49, 20);
    PlaceControl(IDC_SWITCH_CANNED_NOTE, w - 260, h - 24, 69, 20);
    PlaceControl(IDC_SWITCH_NOTE, 0, h - 68, w, 40);
    const int listTop = m_nCaptionHeight + 24;
    PlaceControl(IDC_SWITCH_AGENT_LIST, 0, listTop, w, (h - 92) - listTop);
}

bool CSwitchUserListPanel::OnSize(UINT type, int cx, int cy) {
    CPanelBase::OnSize(type, cx, cy);
    LayoutControls();
    return true;
}

bool CSwitchUserListPanel::OnPaint() {
    fw::CPaintDC paint(m_hWnd);
    const RECT client = GetClientRect();
    fw::PaintBuffered(paint, client.right, client.bottom, [&](HDC dc) { DrawSurface(dc, client); });
    DrawPanelFrame(paint, m_hWnd);
    return true;
}

void CSwitchUserListPanel::DrawSurface(HDC dc, const RECT& client) {
    const int w = client.right;
    const int h = client.bottom;
    const int caption = m_nCaptionHeight;
    // The background colour is chosen but never painted: the bitmaps and
    // gradients cover the whole surface.
    ::SetBkColor(dc, kHandOverBackground);
    fw::CSelectObject font(dc, m_font.Get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, kHandOverTextColour);

    DrawBitmapTiled(m_skin.m_bmpTitle, dc, 0, 0, w, caption);
    if (m_skin.m_hIcon) ::DrawIconEx(dc, 5, 5, m_skin.m_hIcon, 16, 16, 0, nullptr, DI_NORMAL);
    RECT title = {25, 4, 185, 20};
    ::DrawTextW(dc, L"转接客户", -1, &title, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);

    DrawGradientRect(RECT{0, caption, w, caption + 60}, kGradientEdge, kWhite, dc);
    DrawGradientRect(RECT{0, caption + 60, w, h}, kWhite, kGradientEdge, dc);
    RECT pick = {5, caption, w, caption + 24};
    ::DrawTextW(dc, L"选择在线客服:", -1, &pick, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
    RECT noteLabel = {5, h - 92, w, h - 68};
    ::DrawTextW(dc, L"简短附言:(50个汉字以内，超出部分无效)", -1, &noteLabel,
                DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
    DrawBitmapTiled(m_skin.m_bmpBottom, dc, 0, h - 28, w, h);
}

// --- commands ----------------------------------------------------------------------

LRESULT CSwitchUserListPanel::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT routed = 0;
    if (COfficeXPMenu::RouteOwnerMessage(msg, wParam, lParam, &routed)) return routed;
    return CPanelBase::WindowProc(msg, wParam, lParam);
}

bool CSwitchUserListPanel::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    if (const wchar_t* note = CHandOverRules::CannedNote(id)) {
        ::SetWindowTextW(GetDlgItem(IDC_SWITCH_NOTE), note);
        return true;
    }
    if (id == IDC_SWITCH_CANNED_NOTE) {
        OnCannedNoteMenu();
        return true;
    }
    return CPanelBase::OnCommand(wParam, lParam);
}

void CSwitchUserListPanel::OnCannedNoteMenu() {
    m_cannedMenu = std::make_unique<COfficeXPMenu>();
    for (UINT command = ID_CANNED_NOTE_FIRST; command < ID_CANNED_NOTE_FIRST + kCannedNoteCount; ++command)
        m_cannedMenu->AppendItem(MF_STRING, CHandOverRules::CannedNote(command), command);
    TrackMenu(m_cannedMenu->Get(), m_btnCannedNote.GetWindowRect());
}

void CSwitchUserListPanel::TrackMenu(HMENU menu, const RECT& below) {
    ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN, below.left, below.bottom, 0, m_hWnd, nullptr);
}

void CSwitchUserListPanel::OnOK() {
    const int selected = m_agentList.IsWindow() ? m_agentList.GetSelectedItem() : -1;
    if (selected < 0) return;  // no agent chosen: the dialog stays open
    const int32_t agent = static_cast<int32_t>(m_agentList.GetItemData(selected));
    const SwitchCustomerRecord record = m_rules.HandOverRecord(agent, m_nOwnerAgent, m_nCustomer, GetNote());
    if (m_engine.MSwitchCustomer) m_engine.MSwitchCustomer(&record);
    EndDialog(IDOK);
}
