// CChatQuickReplyPanel: the quick-reply page of the chat view's lower tabs
// (template 134): one tree with the agent's own quick replies under
// "我的回复" and the organisation's common replies under
// "共用回复(由管理员统一设置)", and the buttons add, modify, delete, up,
// down and refresh under it.
//
// The buttons follow the selection (CQuickReplyModel::Buttons: the common
// replies only for organisation roles 1 to 3). Add and modify run the reply
// editor. An own reply changes the settings' list, which is written to the
// settings file at once; a common reply changes in the tree at once and is
// sent to the server (MSetCommReply), whose answer gives an added reply its
// id (SetCommonReplyId, from WM_IM_COMMREPLYSET). Refresh asks the server
// for the common replies; they arrive with WM_IM_COMMREPLY
// (LoadCommonReplies).
//
// A double click on a reply sends it in the conversation window the agent
// used last (the reply sender the chat view gives).
//
// UI thread only.
#pragma once

#include "QuickReplyModel.h"
#include "QuickReplyResource.h"

#include "SystemAnsiCodePage.h"

#include "clientui/ChildViewBase.h"
#include "clientui/ClientSettings.h"
#include "clientui/EngineModule.h"
#include "clientui/ReplyEditor.h"
#include "clientui/SkinBtn.h"

#include "fw/ImageList.h"
#include "fw/TreeCtrl.h"

#include <functional>
#include <string>

class CChatQuickReplyPanel : public CChildViewBase {
public:
    static constexpr COLORREF kBackground = 0xFDFCF6;
    static constexpr int kItemHeight = 20;
    static constexpr int kButtonBand = 16;

    // Sends a reply text as the agent's message; false when it was not sent.
    using ReplySender = std::function<bool(const std::wstring& text)>;

    // editor: the reply editor (not owned). engine and settings: the
    // program's (g_EngineModule, g_ClientSettings). programFolder: where
    // "Resource" lies (empty: the program's folder).
    CChatQuickReplyPanel(IReplyEditor& editor, CEngineModule& engine = g_EngineModule,
                         CClientSettings& settings = g_ClientSettings, std::wstring programFolder = std::wstring());
    ~CChatQuickReplyPanel() override;

    void SetReplySender(ReplySender sender) { m_sender = std::move(sender); }

    // --- what the main window calls ----------------------------------------
    // The own quick replies from the settings, in list order.
    void LoadOwnReplies();
    // The common replies from the engine (MGetCommReply), in its order;
    // the common root is expanded.
    void LoadCommonReplies();
    // The server's answer to a change: the common reply at position gets id.
    void SetCommonReplyId(int position, int32_t id);
    // The tree item of the common reply at position (0 first); null when
    // there is none.
    HTREEITEM CommonReplyAt(int position) const;

    // --- commands, also for tests -------------------------------------------
    void OnReplyCommand(int id);
    void OnRefresh();
    // The reply of a tree item is sent (a root sends nothing).
    void OnDblClk(HTREEITEM item);

    const CQuickReplyModel& GetModel() const { return m_model; }
    fw::CTreeCtrl& GetTree() { return m_tree; }
    HTREEITEM GetRoot(int root) const { return root == REPLY_ROOT_OWN ? m_rootOwn : m_rootCommon; }
    // What the tree's selection is.
    ReplySelection Selection() const;

    int LayoutControls(int width, int height) override;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) override;
    bool OnPaint() override;

private:
    void BindButtons();
    void LoadImages();
    // The children of a root are made again from the model.
    void FillRoot(int root);
    // Selects a reply of a root (index -1: the root) and brings the buttons
    // up to date.
    void SelectReply(int root, int index);
    void OnSelChanged();
    void SaveOwnReplies();
    void SendChange(const CommReplyChange& change, int operation);
    ReplySelection SelectionOf(HTREEITEM item) const;
    int OrgRole() const;

    IReplyEditor& m_editor;
    CEngineModule& m_engine;
    CClientSettings& m_settings;
    std::wstring m_programFolder;
    clientui::CSystemAnsiCodePage m_codePage;
    CQuickReplyModel m_model;
    ReplySender m_sender;

    fw::CTreeCtrl m_tree;
    HTREEITEM m_rootOwn = nullptr;
    HTREEITEM m_rootCommon = nullptr;
    fw::CImageList m_images;
    CSkinBtn m_buttons[6];
    bool m_filling = false;
};
