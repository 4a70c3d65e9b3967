// CIMEditReplyPanel: the messenger's editor of one automatic reply (template
// 407): the reply text (1600), save (1602), cancel (1603) and the caption's
// close button (1601), titled "添加自动回复" or "修改自动回复". Save takes a
// text that is not empty and tells the parent WM_REPLYEDIT_DONE with the
// edit kind (1 add, 2 modify); cancel and close tell it 0.
//
// The text is held within what the settings file keeps of a reply (the
// reply kind's ReplyTextLimit) and under 200 bytes in the ANSI code page;
// input beyond that shows "昵称不能超过100字！请修改。" and is refused, the
// text before it staying.
//
// CIMReplyEditor is the messenger's IReplyEditor: it runs a new editor for
// each edit (modal over the settings panel) and hands back the saved text.
//
// UI thread only.
#pragma once

#include "clientui/ReplyEditPanel.h"
#include "clientui/ReplyEditor.h"
#include "clientui/SkinBtn.h"

#include "IAnsiCodePage.h"
#include "SystemAnsiCodePage.h"

#include <string>

constexpr UINT WM_REPLYEDIT_DONE = WM_USER + 114;

class CIMEditReplyPanel : public CReplyEditPanel {
public:
    static constexpr UINT kTemplateId = 407;
    static constexpr int kTextId = 1600;
    static constexpr int kCloseId = 1601;
    static constexpr int kSaveId = 1602;
    static constexpr int kCancelId = 1603;
    static constexpr int kWidth = 350;
    static constexpr int kHeight = 210;
    static constexpr int kEditAdd = 1;
    static constexpr int kEditModify = 2;
    // The text stays below this many bytes in the ANSI code page.
    static constexpr size_t kMaxAnsiBytes = 200;
    static const wchar_t kTooLong[];    // "昵称不能超过100字！请修改。"
    static const wchar_t kEmpty[];      // "不能保存空内容！"
    static const wchar_t kAddTitle[];   // "添加自动回复"
    static const wchar_t kModifyTitle[];  // "修改自动回复"

    explicit CIMEditReplyPanel(HINSTANCE instance = nullptr, std::wstring programFolder = std::wstring());
    ~CIMEditReplyPanel() override;

    // Whether the editor keeps text for a reply of the kind (ReplyEditKind).
    static bool TextFits(int replyKind, const std::wstring& text, const clientui::IAnsiCodePage& codePage);

    // 1 add, 2 modify.
    void SetEditKind(int kind) { m_nEditKind = kind; }
    int GetEditKind() const { return m_nEditKind; }
    // The reply kind whose limit holds, and the text the editor opens with.
    void SetReply(int replyKind, const std::wstring& text);
    void SetTitle(const std::wstring& title) { m_strTitle = title; }
    // The text taken at save.
    const std::wstring& GetText() const { return m_strText; }

    bool PreTranslateMessage(MSG& msg) override;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    void PaintBody(HDC dc, int width) override;
    bool OnSize(UINT type, int cx, int cy) override;
    bool OnClose() override;
    void OnOK() override {}
    void OnCancel() override;

private:
    void OnTextChange();
    void OnSave();
    void Finish(int result);

    CSkinBtn m_btnSave;
    CSkinBtn m_btnCancel;
    CSkinBtn m_btnCloseReply;
    std::wstring m_strText;
    std::wstring m_strAccepted;  // the last text that fitted
    int m_nEditKind = kEditAdd;
    int m_nReplyKind = kReplyKindAddAuto;
    bool m_bRestoring = false;
    clientui::CSystemAnsiCodePage m_codePage;
};

class CIMReplyEditor : public IReplyEditor {
public:
    explicit CIMReplyEditor(HINSTANCE instance = nullptr, std::wstring programFolder = std::wstring())
        : m_instance(instance), m_programFolder(std::move(programFolder)) {}

    bool EditReply(HWND owner, int kind, std::wstring* text) override;

private:
    HINSTANCE m_instance;
    std::wstring m_programFolder;
};
