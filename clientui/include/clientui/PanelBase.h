// CPanelBase: every top-level window of the clients. A panel is a dialog
// without a system caption or border that paints its own skinned frame:
//   - its free surface acts as the caption, so it can be dragged from any
//     spot that no child control covers (not while maximised);
//   - it resizes from its edges and its bottom-right corner only when its
//     resizable flag is set;
//   - it carries three skinned caption buttons, minimise (1002),
//     maximise/restore (1001) and close (1000), bound in OnInitDialog;
//   - a double click on the caption strip maximises or restores it when its
//     maximisable flag is set;
//   - its window region is a rounded rectangle.
// Closing (button 1000, SC_CLOSE, WM_CLOSE) cancels the dialog and removes
// the panel from the panel registry, which deletes the object (deferred
// while the object is still inside one of its own handlers). A panel that
// the registry does not hold only ends its dialog.
//
// Every derived panel calls CPanelBase::OnInitDialog first from its own
// initialisation and passes the messages and commands it does not handle to
// this class. UI thread only.
#pragma once

#include "clientui/IMResourceComm.h"
#include "clientui/SkinBtn.h"

#include "fw/Dialog.h"

#include <windows.h>

// Control ids of the caption buttons in every panel template.
constexpr int IDC_PANEL_CLOSE = 1000;
constexpr int IDC_PANEL_MAXIMIZE = 1001;
constexpr int IDC_PANEL_MINIMIZE = 1002;

// Side of the square at the bottom-right corner that resizes a resizable
// panel.
constexpr int kPanelGripSize = 13;

class CPanelBase : public fw::CDialog {
public:
    // programFolder: where the skin's "Resource" folder lies (empty: the
    // program's folder).
    explicit CPanelBase(UINT templateId, HINSTANCE instance = nullptr, std::wstring programFolder = std::wstring());
    ~CPanelBase() override;

    // Reports the rectangle of one caption part (*part: the panel's own
    // index, e.g. its title, its status icon or a caption button) inside the
    // client rectangle. The default leaves *out unchanged.
    virtual void LayoutPanel(int* part, const RECT& client, RECT* out);

    // A WM_NCLBUTTONDOWN on the caption while maximised is swallowed, so a
    // maximised panel cannot be dragged.
    bool PreTranslateMessage(MSG& msg) override;

    // The hit test of a panel for the point pt (screen) over its client
    // rectangle client (screen). 0 means default processing (HTCLIENT for a
    // panel, which has no non-client area).
    static LRESULT HitTest(const RECT& client, POINT pt, int border, int captionHeight, bool resizable,
                           bool maximized);

    bool IsMaximizable() const { return m_bMaximizable != 0; }
    bool IsResizable() const { return m_bResizable != 0; }
    int GetCaptionHeight() const { return m_nCaptionHeight; }
    int GetBorderWidth() const { return m_nBorderWidth; }
    bool IsInitialized() const { return m_bInitialized != 0; }
    void SetMaximizable(bool on) { m_bMaximizable = on ? 1 : 0; }
    void SetResizable(bool on) { m_bResizable = on ? 1 : 0; }
    void SetCaptionHeight(int height) { m_nCaptionHeight = height; }
    void SetBorderWidth(int width) { m_nBorderWidth = width; }

    CIMResourceComm& GetSkin() { return m_skin; }
    CSkinBtn& GetMinimizeButton() { return m_btnMin; }
    CSkinBtn& GetMaximizeButton() { return m_btnMax; }
    CSkinBtn& GetCloseButton() { return m_btnClose; }

protected:
    // Runs once per object: the dialog's own initialisation, the common
    // skin, the caption buttons and their pictures. Later calls only
    // answer TRUE.
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnEraseBkgnd(HDC dc, LRESULT* result) override;
    bool OnSize(UINT type, int cx, int cy) override;

    LRESULT OnNcHitTest(LPARAM lParam);
    LRESULT OnNcLButtonDown(WPARAM hitCode, LPARAM lParam);
    LRESULT OnNcLButtonDblClk(WPARAM hitCode, LPARAM lParam);
    LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam);
    LRESULT OnSysCommand(WPARAM wParam, LPARAM lParam);

    // Command 1002: show minimised.
    void OnMinimize();
    // Command 1001: restore when maximised, else maximise.
    void OnMaximize();
    // Command 1000, SC_CLOSE and WM_CLOSE: cancel the dialog (EndDialog with
    // IDCANCEL), then remove the panel from the registry. Always true
    // (handled). A panel that asks before closing handles command 1000 in
    // its own OnCommand.
    bool OnClose() override;

    bool IsPanelMaximized() const { return ::IsZoomed(m_hWnd) != FALSE; }

    // Gives the panel the size and places it over the middle of its owner
    // (of the screen when it has none).
    void PlaceOverOwner(int width, int height);
    // Answers WM_GETMINMAXINFO: maximised, the panel covers the work area
    // (not the taskbar); minTrack, when not zero, is the smallest size the
    // user can drag it to.
    static void FitMaximizedToWorkArea(MINMAXINFO* info, SIZE minTrack = SIZE{0, 0});

    // The caption buttons: minimise, maximise, close.
    CSkinBtn m_btnMin;
    CSkinBtn m_btnMax;
    CSkinBtn m_btnClose;
    CIMResourceComm m_skin;
    BYTE m_bMaximizable = 0;
    BYTE m_bResizable = 0;
    int m_nCaptionHeight = 28;
    int m_nBorderWidth = 3;
    BYTE m_bInitialized = 0;
    // 0 for a panel that paints all of its surface itself and carries no
    // caption buttons (a window inside another): OnInitDialog then loads
    // no frame pictures, fonts or icon for it.
    BYTE m_bFrameSkin = 1;

private:
    // Subclasses the control id into button when the template has it.
    void BindCaptionButton(CSkinBtn& button, int id, const SkinButtonPaths& paths);
};

// Invalidates (with erasing) the rectangle that panel->LayoutPanel reports
// for the caption part *part inside the panel's client rectangle.
void RelayoutPanel(CPanelBase* panel, int* part);
