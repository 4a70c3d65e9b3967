// CEditQuickReplyPanel: the desk's small modal editor of one reply text
// (template 135): the text, "确定" and "取消", a caption close button, and
// a title by the kind of reply (SetReplyType). "确定" takes a text that is
// not empty; Enter never closes the editor (nor starts a new line). The
// edit keeps the text within the kind's limit (ReplyTextLimit).
//
// CDeskReplyEditor runs a new editor for each edit; it is the desk's
// IReplyEditor, which the quick-reply page and the settings panel use.
//
// UI thread only.
#pragma once

#include "QuickReplyResource.h"

#include "clientui/ButtonST.h"
#include "clientui/ReplyEditPanel.h"
#include "clientui/ReplyEditor.h"

#include <string>

class CEditQuickReplyPanel : public CReplyEditPanel {
public:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 190;

    explicit CEditQuickReplyPanel(HINSTANCE instance = nullptr, std::wstring programFolder = std::wstring());
    ~CEditQuickReplyPanel() override;

    // The title of a kind (ReplyEditKind); empty for another kind.
    static std::wstring TitleOf(int kind);

    // Stores the text and the kind and sets the title of the kind; another
    // kind leaves the title as it was.
    void SetReplyType(int kind, const std::wstring& text);
    int GetKind() const { return m_nKind; }
    // The text: as given before the run, the accepted text after IDOK.
    const std::wstring& GetText() const { return m_strText; }

    bool PreTranslateMessage(MSG& msg) override;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnSize(UINT type, int cx, int cy) override;
    void OnOK() override;

private:
    void PlaceControls(int width, int height);

    std::wstring m_strText;
    int m_nKind = -1;
    CButtonST m_btnOk;
    CButtonST m_btnCancel;
};

class CDeskReplyEditor : public IReplyEditor {
public:
    // instance: the module with template 135 (null: the program).
    explicit CDeskReplyEditor(HINSTANCE instance = nullptr, std::wstring programFolder = std::wstring())
        : m_instance(instance), m_programFolder(std::move(programFolder)) {}

    bool EditReply(HWND owner, int kind, std::wstring* text) override;

private:
    HINSTANCE m_instance;
    std::wstring m_programFolder;
};
