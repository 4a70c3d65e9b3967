#include "ChatQuickReplyPanel.h"

#include "clientui/IMResourceComm.h"

#include "fw/DeviceContext.h"

#include <commctrl.h>

namespace {

const wchar_t kRootOwnText[] = L"我的回复";
const wchar_t kRootCommonText[] = L"共用回复(由管理员统一设置)";

constexpr int kButtonWidth = 40;
constexpr int kButtonHeight = 14;
constexpr int kTipWidth = 200;

// The buttons under the tree: id, picture name, x from the tree's left.
struct ButtonPlace {
    int id;
    const wchar_t* image;
    int x;
};
constexpr ButtonPlace kButtons[] = {
    {IDC_QUICKREPLY_ADD, L"add", 5},       {IDC_QUICKREPLY_MODIFY, L"modify", 55},
    {IDC_QUICKREPLY_DELETE, L"delete", 105}, {IDC_QUICKREPLY_UP, L"up", 155},
    {IDC_QUICKREPLY_DOWN, L"down", 205},   {IDC_QUICKREPLY_REFRESH, L"refresh", 305},
};

}  // namespace

CChatQuickReplyPanel::CChatQuickReplyPanel(IReplyEditor& editor, CEngineModule& engine, CClientSettings& settings,
                                           std::wstring programFolder)
    : CChildViewBase(IDD_CHAT_QUICKREPLY_PAGE),
      m_editor(editor),
      m_engine(engine),
      m_settings(settings),
      m_programFolder(ResolveSkinProgramFolder(programFolder)),
      m_model(settings.quickReplies, m_codePage) {}

CChatQuickReplyPanel::~CChatQuickReplyPanel() = default;

// ---------------------------------------------------------------------------
// Initialisation and layout
// ---------------------------------------------------------------------------

BOOL CChatQuickReplyPanel::OnInitDialog() {
    CChildViewBase::OnInitDialog();
    m_tree.Attach(GetDlgItem(IDC_QUICKREPLY_TREE));
    if (m_tree.IsWindow()) {
        m_tree.SendMessage(TVM_SETITEMHEIGHT, kItemHeight, 0);
        m_tree.SendMessage(TVM_SETBKCOLOR, 0, static_cast<LPARAM>(kBackground));
        if (HWND tips = reinterpret_cast<HWND>(m_tree.SendMessage(TVM_GETTOOLTIPS, 0, 0)))
            ::SendMessageW(tips, TTM_SETMAXTIPWIDTH, 0, kTipWidth);
        LoadImages();
        m_rootOwn = m_tree.InsertItem(kRootOwnText, TVI_ROOT, TVI_LAST, 0, 1, REPLY_ROOT_OWN);
        m_rootCommon = m_tree.InsertItem(kRootCommonText, TVI_ROOT, TVI_LAST, 0, 1, REPLY_ROOT_COMMON);
    }
    BindButtons();
    LoadOwnReplies();
    const RECT client = GetClientRect();
    LayoutControls(client.right, client.bottom);
    OnSelChanged();
    return TRUE;
}

void CChatQuickReplyPanel::LoadImages() {
    m_images.Create(16, 13, ILC_COLOR24 | ILC_MASK, 2, 0);
    const std::wstring folder = m_programFolder + L"Resource\\TavrelRes\\";
    for (const wchar_t* name : {L"folder_01.bmp", L"folder_02.bmp"}) {
        fw::CBitmap picture;
        CIMResourceComm::LoadBitmapFile(folder + name, picture);
        if (!picture.IsNull()) m_images.AddMasked(picture, RGB(255, 255, 255));
    }
    m_tree.SetImageList(m_images);
}

void CChatQuickReplyPanel::BindButtons() {
    const std::wstring folder = m_programFolder + L"Resource\\TavrelRes\\";
    for (size_t i = 0; i < sizeof kButtons / sizeof kButtons[0]; ++i) {
        const ButtonPlace& place = kButtons[i];
        if (!GetDlgItem(place.id) || !m_buttons[i].SubclassDlgItem(place.id, m_hWnd)) continue;
        const std::wstring normal = folder + place.image + L"_01.bmp";
        const std::wstring hover = folder + place.image + L"_02.bmp";
        m_buttons[i].SetBitmaps(normal, hover, hover, normal);
    }
}

int CChatQuickReplyPanel::LayoutControls(int width, int height) {
    const int treeHeight = height > kButtonBand ? height - kButtonBand : 0;
    if (m_tree.IsWindow()) ::MoveWindow(m_tree.GetHwnd(), 0, 0, width, treeHeight, TRUE);
    for (const ButtonPlace& place : kButtons)
        if (HWND button = GetDlgItem(place.id))
            ::MoveWindow(button, place.x, treeHeight + 1, kButtonWidth, kButtonHeight, TRUE);
    Invalidate(false);
    return 0;
}

bool CChatQuickReplyPanel::OnPaint() {
    fw::CPaintDC paint(m_hWnd);
    const RECT client = GetClientRect();
    fw::CBrush back(::CreateSolidBrush(kBackground));
    ::FillRect(paint, &client, back);
    return true;
}

// ---------------------------------------------------------------------------
// The tree
// ---------------------------------------------------------------------------

void CChatQuickReplyPanel::FillRoot(int root) {
    HTREEITEM parent = GetRoot(root);
    if (!parent || !m_tree.IsWindow()) return;
    m_filling = true;
    for (HTREEITEM child = m_tree.GetChildItem(parent); child;) {
        HTREEITEM next = m_tree.GetNextSiblingItem(child);
        m_tree.DeleteItem(child);
        child = next;
    }
    if (root == REPLY_ROOT_OWN) {
        for (const std::wstring& text : m_model.Own()) m_tree.InsertItem(text, parent, TVI_LAST, 0, 1, 0);
    } else {
        for (const CommonReply& reply : m_model.Common())
            m_tree.InsertItem(reply.text, parent, TVI_LAST, 0, 1, static_cast<LPARAM>(reply.id));
    }
    m_filling = false;
}

ReplySelection CChatQuickReplyPanel::SelectionOf(HTREEITEM item) const {
    ReplySelection selection;
    if (!item || !m_tree.IsWindow()) return selection;
    HTREEITEM parent = m_tree.GetParentItem(item);
    if (!parent) {
        selection.root = static_cast<int>(m_tree.GetItemData(item));
        return selection;
    }
    selection.root = static_cast<int>(m_tree.GetItemData(parent));
    int index = 0;
    for (HTREEITEM child = m_tree.GetChildItem(parent); child && child != item; child = m_tree.GetNextSiblingItem(child))
        ++index;
    selection.index = index;
    return selection;
}

ReplySelection CChatQuickReplyPanel::Selection() const { return SelectionOf(m_tree.GetSelectedItem()); }

HTREEITEM CChatQuickReplyPanel::CommonReplyAt(int position) const {
    if (position < 0 || !m_rootCommon) return nullptr;
    HTREEITEM child = m_tree.GetChildItem(m_rootCommon);
    for (int i = 0; child && i < position; ++i) child = m_tree.GetNextSiblingItem(child);
    return child;
}

void CChatQuickReplyPanel::SelectReply(int root, int index) {
    HTREEITEM parent = GetRoot(root);
    HTREEITEM item = parent;
    if (parent && index >= 0) {
        m_tree.Expand(parent);
        item = m_tree.GetChildItem(parent);
        for (int i = 0; item && i < index; ++i) item = m_tree.GetNextSiblingItem(item);
        if (!item) item = parent;
    }
    if (item) m_tree.SelectItem(item);
    OnSelChanged();
}

int CChatQuickReplyPanel::OrgRole() const { return m_engine.MGetOrgRoleID ? m_engine.MGetOrgRoleID() : 0; }

void CChatQuickReplyPanel::OnSelChanged() {
    const ReplyButtons b = m_model.Buttons(Selection(), OrgRole());
    const struct {
        int id;
        bool on;
    } states[] = {{IDC_QUICKREPLY_ADD, b.add},
                  {IDC_QUICKREPLY_MODIFY, b.modify},
                  {IDC_QUICKREPLY_DELETE, b.remove},
                  {IDC_QUICKREPLY_UP, b.up},
                  {IDC_QUICKREPLY_DOWN, b.down}};
    for (const auto& state : states)
        if (HWND button = GetDlgItem(state.id)) ::EnableWindow(button, state.on ? TRUE : FALSE);
}

// ---------------------------------------------------------------------------
// The lists
// ---------------------------------------------------------------------------

void CChatQuickReplyPanel::LoadOwnReplies() {
    const ReplySelection before = Selection();
    FillRoot(REPLY_ROOT_OWN);
    if (m_rootOwn) m_tree.Expand(m_rootOwn);
    // A selected own reply may be gone: the root stays selected.
    if (before.root == REPLY_ROOT_OWN) SelectReply(REPLY_ROOT_OWN, -1);
    OnSelChanged();
}

void CChatQuickReplyPanel::LoadCommonReplies() {
    std::vector<CommReplyRecord> records;
    if (m_engine.MGetCommReply)
        if (const std::vector<CommReplyRecord>* list = m_engine.MGetCommReply()) records = *list;
    const ReplySelection before = Selection();
    m_model.SetCommonReplies(records);
    FillRoot(REPLY_ROOT_COMMON);
    if (m_rootCommon) m_tree.Expand(m_rootCommon);
    // A selected common reply may be gone: the root stays selected.
    if (before.root == REPLY_ROOT_COMMON) SelectReply(REPLY_ROOT_COMMON, -1);
    OnSelChanged();
}

void CChatQuickReplyPanel::SetCommonReplyId(int position, int32_t id) {
    if (!m_model.AssignCommonId(position, id)) return;
    if (HTREEITEM item = CommonReplyAt(position)) {
        TVITEMW tv = {};
        tv.mask = TVIF_PARAM;
        tv.hItem = item;
        tv.lParam = static_cast<LPARAM>(id);
        m_tree.SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    }
    OnSelChanged();
}

void CChatQuickReplyPanel::SaveOwnReplies() {
    m_settings.iQuickReplyCount = static_cast<int>(m_settings.quickReplies.size());
    m_settings.SaveQuickReplies();
}

void CChatQuickReplyPanel::SendChange(const CommReplyChange& change, int operation) {
    if (m_engine.MSetCommReply) m_engine.MSetCommReply(&change, operation);
}

// ---------------------------------------------------------------------------
// Commands
// ---------------------------------------------------------------------------

void CChatQuickReplyPanel::OnReplyCommand(int id) {
    const ReplySelection selection = Selection();
    // What the buttons allow is what the commands do.
    const ReplyButtons allowed = m_model.Buttons(selection, OrgRole());
    const int root = selection.root;
    CommReplyChange change;
    int operation = COMMREPLY_OP_SET;
    int select = -1;
    switch (id) {
    case IDC_QUICKREPLY_ADD: {
        if (!allowed.add) break;
        std::wstring text;
        if (!m_editor.EditReply(m_hWnd, CQuickReplyModel::AddKind(root), &text) || !IsWindow()) break;
        select = m_model.Add(root, text, &change, &operation);
        if (select < 0) break;
        FillRoot(root);
        if (root == REPLY_ROOT_OWN)
            SaveOwnReplies();
        else
            SendChange(change, operation);
        SelectReply(root, select);
        break;
    }
    case IDC_QUICKREPLY_MODIFY: {
        if (!allowed.modify) break;
        std::wstring text = m_model.Text(selection);
        if (!m_editor.EditReply(m_hWnd, CQuickReplyModel::ModifyKind(root), &text) || !IsWindow()) break;
        // The page may have changed while the editor ran.
        if (!(Selection().root == selection.root && Selection().index == selection.index)) break;
        select = m_model.Modify(selection, text, &change, &operation);
        if (select < 0) break;
        FillRoot(root);
        if (root == REPLY_ROOT_OWN)
            SaveOwnReplies();
        else
            SendChange(change, operation);
        SelectReply(root, select);
        break;
    }
    case IDC_QUICKREPLY_DELETE: {
        if (!allowed.remove) break;
        select = m_model.Delete(selection, &change, &operation);
        if (select == -2) break;
        FillRoot(root);
        if (root == REPLY_ROOT_OWN)
            SaveOwnReplies();
        else
            SendChange(change, operation);
        SelectReply(root, select);
        break;
    }
    case IDC_QUICKREPLY_UP:
    case IDC_QUICKREPLY_DOWN: {
        if (id == IDC_QUICKREPLY_UP ? !allowed.up : !allowed.down) break;
        select = m_model.Move(selection, id == IDC_QUICKREPLY_UP ? -1 : 1);
        if (select < 0) break;
        FillRoot(root);
        if (root == REPLY_ROOT_OWN) SaveOwnReplies();
        SelectReply(root, select);
        break;
    }
    default:
        break;
    }
    if (m_tree.IsWindow()) ::SetFocus(m_tree.GetHwnd());
}

void CChatQuickReplyPanel::OnRefresh() {
    // The tree changes when the replies arrive (WM_IM_COMMREPLY).
    if (m_engine.MReqestCommReply) m_engine.MReqestCommReply();
}

void CChatQuickReplyPanel::OnDblClk(HTREEITEM item) {
    const ReplySelection selection = SelectionOf(item);
    if (!selection.IsReply()) return;
    const std::wstring text = m_model.Text(selection);
    if (text.empty() || !m_sender) return;
    m_sender(text);
}

bool CChatQuickReplyPanel::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    if (HIWORD(wParam) == BN_CLICKED) {
        switch (id) {
        case IDC_QUICKREPLY_ADD:
        case IDC_QUICKREPLY_MODIFY:
        case IDC_QUICKREPLY_DELETE:
        case IDC_QUICKREPLY_UP:
        case IDC_QUICKREPLY_DOWN:
            OnReplyCommand(id);
            return true;
        case IDC_QUICKREPLY_REFRESH:
            OnRefresh();
            return true;
        default:
            break;
        }
    }
    return CChildViewBase::OnCommand(wParam, lParam);
}

bool CChatQuickReplyPanel::OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) {
    if (hdr && hdr->idFrom == IDC_QUICKREPLY_TREE) {
        if (hdr->code == TVN_SELCHANGEDW) {
            if (!m_filling) OnSelChanged();
            *result = 0;
            return true;
        }
        if (hdr->code == NM_DBLCLK) {
            // The item under the pointer, as the double click hit it.
            POINT at = {};
            ::GetCursorPos(&at);
            ::ScreenToClient(m_tree.GetHwnd(), &at);
            UINT flags = 0;
            HTREEITEM item = m_tree.HitTest(at, &flags);
            if (item && (flags & TVHT_ONITEM)) OnDblClk(item);
            *result = 0;
            return true;
        }
    }
    return CChildViewBase::OnNotify(wParam, hdr, result);
}
