// CReplyEditPanel: what the clients' editors of one reply text share (the
// desk's and the messenger's; each brings its own template, controls and
// rules for the text): a small panel in Arial 9 points titled by its
// title, given its size and placed over the middle of its owner at
// start-up, maximised over the work area only, and its face: the caption
// picture and icon, a band fading from blue to white and one from white to
// a light beige below it, and the title in the caption, with what the
// editor paints over them (PaintBody).
//
// A derived editor calls InitReplyEditor from its OnInitDialog (after
// CPanelBase::OnInitDialog) and passes the messages it does not handle to
// this class. UI thread only.
#pragma once

#include "clientui/PanelBase.h"

#include "fw/GdiObject.h"

#include <string>

class CReplyEditPanel : public CPanelBase {
public:
    const std::wstring& GetTitle() const { return m_strTitle; }

protected:
    // size: the editor's size at start-up; keepMinimum: the user cannot
    // drag it smaller than that.
    CReplyEditPanel(UINT templateId, HINSTANCE instance, std::wstring programFolder, SIZE size, bool keepMinimum);

    // The font, the title as the window text, the size and the place.
    void InitReplyEditor();
    // The text of a control of the editor.
    std::wstring ItemText(int id) const;

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnPaint() override;
    // What the editor paints over its face (width: of the client area).
    virtual void PaintBody(HDC dc, int width) {}

    std::wstring m_strTitle;
    fw::CFont m_font;

private:
    SIZE m_size;
    bool m_bKeepMinimum;
};
