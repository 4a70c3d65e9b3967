// CIMUserInfoPanel: the profile of a user (template 146 in the desk client;
// the template is a parameter, so another client may number it otherwise).
//   - For the logged-on user an editing form: nickname, remark, signature,
//     name, gender, birth date (with the age, star sign and year animal
//     that follow it) and blood type go to the server with
//     MUpdateMyInfomation, and the stored copy is asked for again with
//     MProduceUserInfo(id, 3).
//   - For any other user a read-only card on which only the own remark
//     about that user can be edited; it is sent with MUpdateUserMemo.
// Two pages, "基本资料" and "更多资料", are chosen in the navigation list.
//
// Opened through CPanelRegistry::OpenUserInfo, at most once per user, and
// closed through the registry (which deletes it). UI thread only.
#pragma once

#include "clientui/ButtonST.h"
#include "clientui/PanelBase.h"
#include "clientui/UserInfoPanelResource.h"
#include "clientui/UserInfoRules.h"
#include "clientui/UserInfoSkin.h"

#include "fw/ListCtrl.h"

#include <ImEngineApi.h>

#include <cstdint>
#include <string>

class CIMUserInfoPanel : public CPanelBase {
public:
    static constexpr int kWidth = 588;
    static constexpr int kHeight = 432;

    // The texts of the panel's messages.
    static const wchar_t kNicknameTooLong[];
    static const wchar_t kRemarkTooLong[];
    static const wchar_t kNameTooLong[];
    static const wchar_t kDateInFuture[];
    static const wchar_t kDateIncomplete[];
    static const wchar_t kMobileInvalid[];
    static const wchar_t kSaveOnClose[];
    static const wchar_t kSaveOnCloseButton[];
    static const wchar_t kSaveRemark[];
    static const wchar_t kSignaturePrompt[];
    static const wchar_t kNoMoreInfo[];

    explicit CIMUserInfoPanel(UINT templateId = IDD_USERINFO_DESK, HINSTANCE instance = nullptr,
                              std::wstring programFolder = std::wstring());
    ~CIMUserInfoPanel() override;

    // Creates the panel modeless with the desktop as parent (not shown).
    bool CreatePanel();
    // Stores copies of the user's records, sets the title and the window
    // text, fills the controls (editable only for the own user) and
    // repaints.
    void ShowUser(bool ownUser, const UserInfoExt& ext, const UserInfoBase& base);
    // The user's records as the engine holds them now, into the panel
    // (ShowUser) unless the form holds edits that were not sent yet.
    // Returns whether the panel was filled.
    bool RefreshFromEngine(bool ownUser);
    // The same with records the caller put together.
    bool Refresh(bool ownUser, const UserInfoBase& base, const UserInfoExt& ext);

    int32_t GetUserId() const { return m_nUserId; }
    bool IsOwnUser() const { return m_bOwnUser; }
    const std::wstring& GetTitle() const { return m_strTitle; }
    int GetPage() const { return m_nPage; }
    // Edits that were not sent yet (own fields or the remark).
    bool HasUnsavedChanges() const { return m_bOwnChanged || m_bRemarkEdited; }
    const UserInfoBase& GetBase() const { return m_bOwnUser ? m_ownBase : m_peerBase; }
    const UserInfoExt& GetExt() const { return m_bOwnUser ? m_ownExt : m_peerExt; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnNotify(WPARAM wParam, NMHDR* hdr, LRESULT* result) override;
    bool OnPaint() override;
    bool OnClose() override;
    bool PreTranslateMessage(MSG& msg) override;
    void OnOK() override {}
    void OnCancel() override {}

private:
    // --- set-up --------------------------------------------------------------
    void BindButtons();
    void FillLists();
    void PlaceControls();
    void FillControls();
    void ShowControlsForMode();
    void SetPage(int page);

    // --- change notices --------------------------------------------------------
    void OnEditChange(int id);
    // A box whose text needs more than maxBytes bytes in the ANSI code page
    // keeps what fits (whole characters) and the message is shown.
    void KeepWithinField(int id, size_t maxBytes, const wchar_t* message);
    void OnComboChange(int id);
    void OnSignatureClick();
    void OnSignatureFocusLost();
    void RebuildDays();
    void SelectStarSign();
    void SelectYearFollowers(int yearIndex);

    // --- commands ------------------------------------------------------------
    void OnOkButton();
    void OnCloseButton();
    void OnApplyButton();
    void OnUpdateButton();
    // Command 1000, 1404, SC_CLOSE: the close of the panel with its
    // questions.
    void CloseWithQuestions();
    // The own profile to the server; false (after saying why) when a check
    // failed.
    bool ApplyOwn();
    // The edited remark to the server; true when it was sent.
    bool SendRemark();
    void ClosePanel();

    // --- helpers -----------------------------------------------------------------
    UserInfoForm ReadForm() const;
    std::wstring ControlText(int id) const;
    void SetControlText(int id, const std::wstring& text);
    int ComboSelection(int id) const;
    void SelectCombo(int id, int index);
    int ShowMessage(const std::wstring& text, const std::wstring& caption, UINT flags);
    static UserInfoDay Today();
    void ClearChangeFlags();

    // --- painting ------------------------------------------------------------------
    void PaintCard(HDC dc);
    void PaintFormLabels(HDC dc);

    UserInfoSkin m_userSkin;
    CSkinBtn m_btnOk;
    CButtonST m_btnClose;
    CSkinBtn m_btnApply;
    CSkinBtn m_btnUpdate;
    CButtonST m_btnSettings;
    fw::CListCtrl m_pages;

    bool m_bOwnUser = false;
    int32_t m_nUserId = 0;
    UserInfoBase m_ownBase = {};
    UserInfoExt m_ownExt = {};
    UserInfoBase m_peerBase = {};
    UserInfoExt m_peerExt = {};
    std::wstring m_strTitle;
    int m_nPage = 0;
    bool m_bFilling = false;

    // Change flags.
    bool m_bOwnChanged = false;
    bool m_bMobileEdited = false;
    bool m_bDateEdited = false;
    bool m_bRemarkEdited = false;
    bool m_bOtherEdited = false;
};
