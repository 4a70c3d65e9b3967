// CIMSystemSettingPanel: the modeless "系统设置" panel. The user chooses
// the status to take after log-on, the new-message sound (the default one
// or none, and the sound file), whether a conversation opens by itself when
// a message arrives, and edits the automatic replies (at most eight) and
// whether they are sent.
//
// Every control change goes into the settings object at once
// (CSystemSettingModel); OK and Apply write the file. Cancel and the close
// button ask "是否保存刚才的设置？" when anything changed: Yes writes the
// file, No reads it again, so that the discarded changes are not written by
// a later save. An empty reply list is never saved ("不能自动回复空内容！"),
// and the panel then stays open.
//
// The panel is built from a dialog template whose template and control ids
// the client gives (SystemSettingPanelSpec; the defaults are those of
// clientui/res/SystemSettingPanel.rc). The replies are edited in the
// client's reply editor (IReplyEditor). Closing removes the panel from the
// panel registry, which deletes it.
//
// UI thread only.
#pragma once

#include "clientui/ButtonST.h"
#include "clientui/ClientSettings.h"
#include "clientui/PanelBase.h"
#include "clientui/ReplyEditor.h"
#include "clientui/SkinBtn.h"
#include "clientui/SystemSettingModel.h"
#include "clientui/SystemSettingPanelResource.h"
#include "clientui/SystemSettingSkin.h"

#include "fw/GdiObject.h"

#include <string>
#include <vector>

// The template and the control ids of a client's settings panel.
struct SystemSettingPanelSpec {
    UINT templateId = IDD_SYSTEM_SETTING_PANEL;
    // The panel sets the captions of its buttons and options; a client whose
    // template carries them itself clears this.
    bool setCaptions = true;

    int navList = IDC_SETTING_NAV_LIST;
    int stateCombo = IDC_SETTING_STATE;
    int soundDefault = IDC_SETTING_SOUND_DEFAULT;
    int soundDefaultOn = IDC_SETTING_SOUND_DEFAULT_ON;
    int soundNone = IDC_SETTING_SOUND_NONE;
    int soundNoneOn = IDC_SETTING_SOUND_NONE_ON;
    int soundPath = IDC_SETTING_SOUND_PATH;
    int browse = IDC_SETTING_BROWSE;
    int autoReplyOff = IDC_SETTING_AUTOREPLY_OFF;
    int autoReplyOn = IDC_SETTING_AUTOREPLY_ON;
    int replyList = IDC_SETTING_REPLY_LIST;
    int add = IDC_SETTING_REPLY_ADD;
    int modify = IDC_SETTING_REPLY_MODIFY;
    int remove = IDC_SETTING_REPLY_DELETE;
    int popUpOff = IDC_SETTING_POPUP_OFF;
    int popUpOn = IDC_SETTING_POPUP_ON;
    int ok = IDC_SETTING_OK;
    int cancel = IDC_SETTING_CANCEL;
    int apply = IDC_SETTING_APPLY;
    // The quick-reply controls, which this panel keeps hidden.
    int quickList = IDC_SETTING_QUICK_LIST;
    int quickEdit = IDC_SETTING_QUICK_EDIT;
    int quickUp = IDC_SETTING_QUICK_UP;
    int quickDown = IDC_SETTING_QUICK_DOWN;
};

class CIMSystemSettingPanel : public CPanelBase {
public:
    static constexpr int kWidth = 500;
    static constexpr int kHeight = 410;
    // Left offset of the content (the navigation list lies left of it).
    static constexpr int kContentLeft = 80;

    // editor: the client's reply editor (not owned; it outlives the panel).
    // settings: the settings object the panel changes (g_ClientSettings in
    // the programs). programFolder: where "Resource" lies (empty: the
    // program's folder).
    CIMSystemSettingPanel(IReplyEditor& editor, CClientSettings& settings = g_ClientSettings,
                          const SystemSettingPanelSpec& spec = SystemSettingPanelSpec(), HINSTANCE instance = nullptr,
                          std::wstring programFolder = std::wstring());
    ~CIMSystemSettingPanel() override;

    // The page shown; the panel has one page, so this only remembers it.
    void SetCurrentPage(int page);
    int GetCurrentPage() const { return m_nCurPage; }

    const SystemSettingPanelSpec& GetSpec() const { return m_spec; }
    CSystemSettingModel& GetModel() { return m_model; }
    bool IsChanged() const { return m_model.IsChanged(); }

    // Enter and Escape never close the panel; the arrow keys in the reply
    // lists are swallowed (their selection follows the mouse only).
    bool PreTranslateMessage(MSG& msg) override;

    // --- the commands, also for tests -------------------------------------
    void OnAddReply();
    void OnModifyReply();
    void OnDeleteReply();
    void OnBrowseSound();
    // OK: saved (or nothing to save) and closed; false when the panel stays.
    bool OnOk();
    void OnApply();
    // Cancel and the close button: asks when anything changed.
    void OnCancelPanel();

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) override;
    bool OnPaint() override;
    bool OnClose() override;
    void OnOK() override {}
    void OnCancel() override {}

    // Platform calls a test may replace: the question and the notices (the
    // message-box sink), and the file dialog (true with the chosen path).
    virtual int ShowMessage(const std::wstring& text, UINT flags);
    virtual bool ChooseSoundFile(std::wstring* path);

private:
    void BindControls();
    void BindOption(CSkinBtn& button, int id, const std::wstring& icon, const wchar_t* caption);
    void BindImageButton(CSkinBtn& button, int id, const SkinButtonPaths& paths);
    void PlaceControls();
    void SetCaptions();
    void HideQuickReplyControls();
    void FillControls();
    void FillReplyList();
    void ShowOptionPairs();
    void ShowPair(int shownId, int hiddenId);
    void CentreOnWorkArea();
    // Closes the dialog and removes the panel from the registry.
    void ClosePanel();
    // Shows the notice of a refused save; true when the save went through.
    bool SaveOrSay();
    void PaintSurface(HDC dc, const RECT& client);
    void DrawLabel(HDC dc, const wchar_t* text, int left, int top, int right, int bottom);
    RECT ControlRect(int id) const;
    bool IsReplyListFocus(HWND focus) const;

    IReplyEditor& m_editor;
    SystemSettingPanelSpec m_spec;
    CSystemSettingModel m_model;
    SystemSettingSkin m_settingSkin;
    int m_nCurPage = 0;

    CSkinBtn m_btnSoundDefault;
    CSkinBtn m_btnSoundDefaultOn;
    CSkinBtn m_btnSoundNone;
    CSkinBtn m_btnSoundNoneOn;
    CSkinBtn m_btnAutoReplyOff;
    CSkinBtn m_btnAutoReplyOn;
    CSkinBtn m_btnPopUpOff;
    CSkinBtn m_btnPopUpOn;
    CSkinBtn m_btnAdd;
    CSkinBtn m_btnModify;
    CSkinBtn m_btnDelete;
    CSkinBtn m_btnOk;
    CSkinBtn m_btnCancel;
    CSkinBtn m_btnApply;
    CButtonST m_btnBrowse;

    fw::CFont m_font;
    fw::CFont m_titleFont;
};
