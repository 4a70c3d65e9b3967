// CTransFilePanel: the child view beside a conversation (dialog template
// 150) that sends one file to the peer or receives one from it. It shows
// the file's icon and name, a status text, the speed, the time left, the
// bytes done and a progress bar, and carries five gradient buttons
// (receive, save as, refuse, cancel send, cancel receive), of which each
// state shows its own.
//
// The decisions are CTransFileSession's; this class is its window: it
// shows the states, paints, runs timer 1 (the speed, every second), shows
// the open and save dialogs, and brings the transfer worker's reports back
// to the UI thread as posted messages. A worker never touches the window:
// it posts to the panel's handle only while the panel lives, and closing
// the panel cancels the worker and waits for it (bounded).
//
// UI thread only.
#pragma once

#include "clientui/ButtonST.h"
#include "clientui/ChildViewBase.h"
#include "clientui/EngineModule.h"
#include "clientui/TransFileSession.h"

#include "fw/GdiObject.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

constexpr UINT IDD_TRANSFILE_PANEL = 150;
constexpr UINT IDD_IM_TRANSFILE_PANEL = 409;

// The template and the control ids of one client's panel: the five buttons
// and the progress bar.
struct TransFileControlIds {
    int receive;
    int saveAs;
    int refuse;
    int cancelSend;
    int cancelReceive;
    int progress;
    UINT templateId = IDD_TRANSFILE_PANEL;
};
constexpr TransFileControlIds kDeskTransFileIds = {1555, 1557, 1558, 1556, 1559, 1560, IDD_TRANSFILE_PANEL};
constexpr TransFileControlIds kMessengerTransFileIds = {1630, 1631, 1632, 1633, 1634, 1560, IDD_IM_TRANSFILE_PANEL};

class CTransFilePanel : public CChildViewBase, private ITransFileView {
public:
    // Posted by the worker's sink: wParam the worker generation, lParam
    // the event (kWorkerStarted, or kWorkerEnded plus the result shifted
    // by 8); for progress, lParam the bytes done.
    static constexpr UINT kMsgWorkerEvent = WM_APP + 0x150;
    static constexpr UINT kMsgWorkerProgress = WM_APP + 0x151;
    static constexpr LPARAM kWorkerStarted = 1;
    static constexpr LPARAM kWorkerEnded = 2;
    static constexpr LPARAM kWorkerWaiting = 3;  // plus 1 << 8 while it waits for the server
    // Posted to itself: show the message of a refused offer (m_refusal).
    static constexpr UINT kMsgShowRefusal = WM_APP + 0x152;
    static constexpr UINT_PTR kSpeedTimerId = 1;
    static constexpr UINT kSpeedTimerMs = 1000;

    // Chooses a file: the open dialog (save false) or the save dialog with
    // the offered name (save true). False when the user cancelled.
    using FileChooser =
        std::function<bool(HWND owner, bool save, const std::wstring& offeredName, std::wstring& path)>;

    explicit CTransFilePanel(const TransFileControlIds& ids = kDeskTransFileIds, HINSTANCE instance = nullptr,
                             CEngineModule& engine = g_EngineModule);
    ~CTransFilePanel() override;

    // The conversation's send-file button: the open dialog, then the offer.
    void SendFile(int32_t ownId, int32_t peerId, HWND notifyWnd);
    // The main window's WM_IM_FILEREQUEST handler.
    void OnFileEvent(HWND notifyWnd, const FileRequestRecord& record, int code);
    // A contact's status as the program shows it (CTransFileSession::OnPeerStatus).
    void OnPeerStatus(int32_t userId, int32_t status) { m_session.OnPeerStatus(userId, status); }
    void SetState(int state) { m_session.SetState(state); }

    CTransFileSession& GetSession() { return m_session; }
    void SetFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }
    CButtonST& GetButton(int id);
    const TransFileControlIds& GetIds() const { return m_ids; }

    int LayoutControls(int width, int height) override;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnPaint() override;
    bool OnTimer(UINT_PTR id) override;
    void OnDestroy() override;

    void OnReceive();
    void OnSaveAs();
    void OnWorkerEvent(WPARAM generation, LPARAM event);

private:
    struct PostTarget;
    class WorkerSink;

    // ITransFileView
    void ShowTransferState(int state) override;
    void RefreshTransfer() override;
    void SetTransferProgress(int percent) override;
    void StartSpeedTimer() override;
    void StopSpeedTimer() override;
    std::shared_ptr<IFileTransferSink> MakeWorkerSink(unsigned generation) override;
    HWND MessageOwner() const override { return m_hWnd; }
    void ShowRefusedOffer(const std::wstring& text) override;
    void OnShowRefusal();

    void Draw(HDC dc, const RECT& client);
    void DrawFileIcon(HDC dc, int x, int y);
    static bool ChooseWithDialog(HWND owner, bool save, const std::wstring& offeredName, std::wstring& path);

    TransFileControlIds m_ids;
    CTransFileSession m_session;
    CButtonST m_btnReceive;
    CButtonST m_btnSaveAs;
    CButtonST m_btnRefuse;
    CButtonST m_btnCancelSend;
    CButtonST m_btnCancelReceive;
    HWND m_progress = nullptr;
    fw::CFont m_font;
    FileChooser m_chooser;
    // Where the worker sinks post: the panel's handle while it lives.
    std::shared_ptr<PostTarget> m_target;
    // The icon of the entry's file type, and the name it was taken for.
    HICON m_icon = nullptr;
    std::wstring m_iconName;
    bool m_controlsReady = false;
    // The message of a refused offer waiting to be shown, and whether one
    // is open.
    std::wstring m_refusal;
    bool m_refusalOpen = false;
};
