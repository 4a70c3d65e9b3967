// CTransFileSession: the decision logic of the file-transfer panel, apart
// from its window. It keeps the one transfer entry of a panel, its state
// and status text and the two cancel flags; it answers the peer through
// the engine (MSendFileRespond of the bound function table), tells the
// conversation window with WM_TRANSFILE_STATE, and runs the transfer on a
// CFileTransferWorker. Its view (the panel, or a test) shows the states and
// brings the worker's reports back to the UI thread.
//
// Names follow the one file-name rule (PictureName.h), with room for month
// and day before them in the server's name field. An offer from the network
// whose name breaks it is refused at once, and the local user is told why
// (once per offer, after the engine's call has returned); an offer with a
// negative size is refused as well. The sender checks its own file's name
// the same way before it offers it (a name that would not survive the ANSI
// code page is not offered). Answers are taken only for the entry they name
// (peer, file name) and only in the state that expects them, so a late or
// stray answer never starts or ends another transfer. A received file lands
// only in the received-files folder (under a free name) or where the user
// chose with "save as".
//
// An answer lost with a dropped chat connection does not strand a
// transfer: the chat server keeps no answer for a connection it has lost,
// and nothing acknowledges one. So when the peer is seen coming back online
// (after its reconnect or the own), a receiver that accepted and still
// waits for the sender's "ready" accepts again, and a sender whose last
// transfer finished says "ready" again; a sender asked to start a transfer
// it has already finished says "ready" again as well. Every answer is
// taken only in the state that expects it, so a repeat that was not needed
// does nothing.
//
// A transfer outlasts a file-server outage: the worker retries until the
// user cancels, and the status says that it waits for the server. When the
// local file cannot be opened, "打开文件出错！" is shown and the worker ends;
// the entry stays with its cancel button, and the peer is not cancelled.
// Any other failure of the worker (the server kept refusing a block, kept
// answering with unusable replies or has less than the file, the local file
// failed) ends the transfer with "文件传送失败" and tells the peer as a cancel
// would. A sender whose upload finished (it said "ready" and shows
// "文件传送完成") and that is then told by the receiver that the receive
// ended, shows "文件传送失败": the file did not arrive.
//
// The stored name begins with the local month and day. The sender stores
// under its own date; the receiver asks under its own date, then under the
// day before and the day after (the two may see different dates).
//
// UI thread only (the worker reports through the view's sink).
#pragma once

#include "clientui/EngineModule.h"
#include "clientui/FileTransferWorker.h"
#include "clientui/LocalDateSource.h"
#include "clientui/TransFileTexts.h"

#include <ImEngineApi.h>
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// Sent to the conversation window on every change of a transfer: wParam the
// transfer's FileRequestRecord (valid during the call), lParam one of the
// TransFileNotice numbers.
constexpr UINT WM_TRANSFILE_STATE = WM_USER + 300;

enum TransFileNotice : int {
    TRANSFILE_OFFER_SENT = 1,
    TRANSFILE_OFFER_RECEIVED = 2,
    TRANSFILE_ACCEPTED = 3,
    TRANSFILE_REFUSED = 4,
    TRANSFILE_PEER_ACCEPTED = 5,
    TRANSFILE_PEER_REFUSED = 6,
    TRANSFILE_SEND_CANCELLED = 10,
    TRANSFILE_RECV_CANCELLED = 11,
    TRANSFILE_FINISHED = 12,
};

struct TransferEntry {
    FileRequestRecord record = {};
    std::wstring localPath;
    int32_t speed = 0;        // bytes per second
    uint32_t startTick = 0;   // GetTickCount at the start of the data
    int32_t bytesDone = 0;
    HWND notifyWnd = nullptr;  // the conversation window
};

// What the session needs from its window.
class ITransFileView {
public:
    virtual ~ITransFileView() = default;
    // The state changed: hide every button and the progress bar, reset the
    // progress, show the state's controls, repaint.
    virtual void ShowTransferState(int state) = 0;
    // The status text or the figures changed: repaint.
    virtual void RefreshTransfer() = 0;
    virtual void SetTransferProgress(int percent) = 0;
    virtual void StartSpeedTimer() = 0;
    virtual void StopSpeedTimer() = 0;
    // A sink that brings the worker's reports of this generation back to
    // the UI thread (OnWorkerStarted, OnWorkerProgress, OnWorkerEnded).
    virtual std::shared_ptr<IFileTransferSink> MakeWorkerSink(unsigned generation) = 0;
    // Owner of the message boxes.
    virtual HWND MessageOwner() const = 0;
    // Tells the local user why a peer's offer was refused: a message box
    // shown once the current call has returned (never inside the engine's
    // call), and not while another one is open.
    virtual void ShowRefusedOffer(const std::wstring& text) = 0;
};

class CTransFileSession {
public:
    explicit CTransFileSession(ITransFileView& view, CEngineModule& engine = g_EngineModule);
    ~CTransFileSession();
    CTransFileSession(const CTransFileSession&) = delete;
    CTransFileSession& operator=(const CTransFileSession&) = delete;

    // The file server (the chat server's host) and the worker's timing.
    void SetServer(const std::wstring& host, uint16_t port = FILE_SERVER_PORT);
    void SetTiming(const FileTransferTiming& timing) { m_timing = timing; }
    // The program folder, under which "<id>\RecvFile" holds received files.
    void SetProgramFolder(const std::wstring& folder);
    // Where today's date comes from (the system clock unless set; not
    // owned, must outlive the session).
    void SetDateSource(const ILocalDateSource& dates) { m_dates = &dates; }
    // The desk fills the serving agent of a handed-over customer (+12).
    void SetFillServingAgent(bool on) { m_fillServingAgent = on; }

    // --- sending -------------------------------------------------------
    // False (with the message "当前还有文件没有传输完...") while an entry exists.
    bool CheckIdle();
    // Offers the file at path to peerId: checks the name and size (message
    // boxes), fills the record, state 1, WM_TRANSFILE_STATE 1, then
    // MSendFileRespond(record, FILE_REQ_OFFER). False when nothing was sent.
    bool OfferFile(int32_t ownId, int32_t peerId, HWND notifyWnd, const std::wstring& path);

    // --- the engine's file events ----------------------------------------
    void OnFileEvent(HWND notifyWnd, const FileRequestRecord& record, int code);
    // A user's status as the program now shows it (offline while the own
    // connection is down): the peer of the transfer seen coming back online
    // gets the answer it may have missed again.
    void OnPeerStatus(int32_t userId, int32_t status);

    // --- buttons --------------------------------------------------------
    void Receive();                            // into the received-files folder
    void SaveAs(const std::wstring& path);     // into the user's chosen file
    void Refuse();
    void CancelSend();
    void CancelReceive();

    // Sets the state and its status text; state 12 removes the entry.
    void SetState(int state);

    // --- the worker's reports, on the UI thread ----------------------------
    void OnWorkerStarted(unsigned generation);
    void OnWorkerProgress(unsigned generation, int32_t bytesDone, int percent);
    void OnWorkerWaiting(unsigned generation, bool waiting);
    void OnWorkerEnded(unsigned generation, FileTransferResult result);
    // Timer 1: the speed from the bytes done and the time since the start.
    void OnSpeedTimer(uint32_t nowTick);

    // The panel goes: cancels the worker and waits for it (bounded).
    void Close();

    int GetState() const { return m_state; }
    const std::wstring& GetStatusText() const { return m_statusText; }
    const std::optional<TransferEntry>& GetEntry() const { return m_entry; }
    bool IsSending() const { return m_sending; }
    bool IsSendCancelled() const { return m_sendCancelled; }
    bool IsRecvCancelled() const { return m_recvCancelled; }
    bool IsFailed() const { return m_failed; }
    bool IsWaitingForServer() const { return m_waiting; }
    bool IsWorkerRunning() const { return m_worker.IsRunning(); }
    unsigned GetGeneration() const { return m_generation; }
    // The default receive path of the current offer (empty without one).
    std::wstring DefaultReceivePath() const;
    // Waits up to ms for the worker (tests).
    bool WaitForWorker(unsigned ms) { return m_worker.Wait(ms); }

private:
    void Answer(const FileRequestRecord& record, int code, bool exchangeIds);
    void Notify(const FileRequestRecord& record, int notice);
    bool Matches(const FileRequestRecord& record) const;
    // The same transfer: the same file name between the same two users.
    static bool SameTransfer(const FileRequestRecord& ours, const FileRequestRecord& theirs);
    // The other user of the current transfer, or of the last one sent; 0
    // when there is neither.
    int32_t TransferPeer() const;
    void StartWorker();
    void FailTransfer(FileTransferResult result);
    void OnReceiverEndedAfterReady();
    void RefuseForName(const FileRequestRecord& record, clientui::FileNameProblem problem);
    void AcceptInto(const std::wstring& path);

    ITransFileView& m_view;
    CEngineModule& m_engine;
    std::wstring m_host;
    uint16_t m_port = FILE_SERVER_PORT;
    FileTransferTiming m_timing;
    const ILocalDateSource* m_dates;
    std::wstring m_programFolder;
    bool m_fillServingAgent = true;

    int m_state = TRANSFER_IDLE;
    std::wstring m_statusText;
    bool m_sendCancelled = false;
    bool m_recvCancelled = false;
    bool m_failed = false;
    bool m_waiting = false;  // the worker waits for the file server
    bool m_sending = false;
    std::optional<TransferEntry> m_entry;
    // The last transfer this side finished sending, until another begins
    // (so never beside an entry): its "ready" is said again when the
    // receiver may have missed it.
    std::optional<FileRequestRecord> m_finishedSend;
    // The transfer's peer was seen offline since the last answer.
    bool m_peerAway = false;
    // The conversation window of the current (or last) entry.
    HWND m_notifyWnd = nullptr;
    unsigned m_generation = 0;
    CFileTransferWorker m_worker;
};
