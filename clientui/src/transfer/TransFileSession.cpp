#include "clientui/TransFileSession.h"

#include "clientui/FileServerProtocol.h"

#include "PictureName.h"
#include "SystemAnsiCodePage.h"

#include <fw/MessageBoxSink.h>
#include <fw/StringUtil.h>

#include <shlwapi.h>

#include <climits>
#include <cwctype>
#include <cstring>
#include <utility>
#include <vector>

namespace {

const wchar_t kBusyText[] = L"当前还有文件没有传输完，请传送完后再做尝试!";
const wchar_t kBusyCaption[] = L"提示----传送文件";
const wchar_t kNameTooLongText[] = L"文件名太长，要求在60字节以内(30个汉字\r\n)，重命名该文件可以发送";
const wchar_t kNameTooLongCaption[] = L"文件名太长";
const wchar_t kTooLargeText[] = L"文件太大，不能发送";

// Month and day go before the name on the server ("%02d%02d%s"): a name's
// ANSI form has 64 - 4 - 1 bytes (the NUL) of the server's name field.
constexpr size_t kMaxOfferedNameBytes = kStoredNameSize - 4 - 1;

clientui::FileNameProblem CheckOfferedName(const std::wstring& name) {
    static const clientui::CSystemAnsiCodePage codePage;
    return clientui::CheckFileName(name, codePage, kMaxOfferedNameBytes);
}

// The record's stored names for today, the day before and the day after.
std::vector<std::string> StoredNamesFor(const FileRequestRecord& record, const ILocalDateSource& dates) {
    const LocalDate today = dates.Today();
    return StoredNamesAround(today.year, today.month, today.day, fw::ToAnsi(fw::FromAnsiField(record.fileName)));
}

std::wstring WithoutTrailingSlash(std::wstring folder) {
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
    return folder;
}

std::wstring ProgramFolderOfModule() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    const size_t slash = folder.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash);
}

bool PathExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// path itself when no file has that name, else "name(n).ext" with the
// first free n, so that an earlier received file is never replaced.
std::wstring FreePath(const std::wstring& path) {
    if (!PathExists(path)) return path;
    const size_t slash = path.find_last_of(L"\\/");
    const size_t dot = path.find_last_of(L'.');
    const bool hasExtension = dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash + 1);
    const std::wstring stem = hasExtension ? path.substr(0, dot) : path;
    const std::wstring extension = hasExtension ? path.substr(dot) : std::wstring();
    for (int n = 1; n < 10000; ++n) {
        const std::wstring candidate = stem + fw::FormatString(L"(%d)", n) + extension;
        if (!PathExists(candidate)) return candidate;
    }
    return path;
}

}  // namespace

CTransFileSession::CTransFileSession(ITransFileView& view, CEngineModule& engine)
    : m_view(view), m_engine(engine), m_dates(&CSystemDateSource::Instance()),
      m_statusText(TransferStateText(TRANSFER_IDLE)) {}

CTransFileSession::~CTransFileSession() { Close(); }

void CTransFileSession::SetServer(const std::wstring& host, uint16_t port) {
    m_host = host;
    m_port = port;
}

void CTransFileSession::SetProgramFolder(const std::wstring& folder) { m_programFolder = WithoutTrailingSlash(folder); }

bool CTransFileSession::CheckIdle() {
    if (!m_entry) return true;
    fw::ShowMessageBox(m_view.MessageOwner(), kBusyText, kBusyCaption, MB_OK | MB_ICONINFORMATION);
    return false;
}

bool CTransFileSession::OfferFile(int32_t ownId, int32_t peerId, HWND notifyWnd, const std::wstring& path) {
    if (!CheckIdle()) return false;
    const std::wstring name = ::PathFindFileNameW(path.c_str());
    // The name must fit the record and, with month and day before it, the
    // server's name field; and the peer must get the same name.
    const clientui::FileNameProblem problem = CheckOfferedName(name);
    if (problem == clientui::FileNameProblem::TooLong) {
        fw::ShowMessageBox(m_view.MessageOwner(), kNameTooLongText, kNameTooLongCaption, MB_OK | MB_ICONWARNING);
        return false;
    }
    if (problem != clientui::FileNameProblem::None) {
        fw::ShowMessageBox(m_view.MessageOwner(), UnsendableNameText(problem), kBusyCaption, MB_OK | MB_ICONWARNING);
        return false;
    }
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        fw::ShowMessageBox(m_view.MessageOwner(), kTransferOpenFailedText, kBusyCaption, MB_OK | MB_ICONWARNING);
        return false;
    }
    // The size field and the block offsets are signed 32-bit words.
    if (data.nFileSizeHigh != 0 || data.nFileSizeLow > static_cast<DWORD>(INT_MAX)) {
        fw::ShowMessageBox(m_view.MessageOwner(), kTooLargeText, kBusyCaption, MB_OK | MB_ICONWARNING);
        return false;
    }

    TransferEntry entry;
    entry.record.senderId = ownId;
    entry.record.receiverId = peerId;
    if (m_fillServingAgent && m_engine.MGetSwitchCustomerMsg) {
        const SwitchCustomerRecord* handOver = m_engine.MGetSwitchCustomerMsg(peerId);
        if (handOver && handOver->customerId == peerId) entry.record.servingAgent = handOver->actingAgent;
    }
    entry.record.fileSize = static_cast<int32_t>(data.nFileSizeLow);
    fw::CopyToAnsiField(name, entry.record.fileName);
    entry.localPath = path;
    entry.notifyWnd = notifyWnd;
    m_entry = entry;
    m_finishedSend.reset();
    m_peerAway = false;
    m_notifyWnd = notifyWnd;
    m_sending = true;
    SetState(TRANSFER_OFFER_SENT);
    Notify(entry.record, TRANSFILE_OFFER_SENT);
    m_view.SetTransferProgress(0);
    m_sendCancelled = false;
    m_recvCancelled = false;
    m_failed = false;
    m_waiting = false;
    Answer(entry.record, FILE_REQ_OFFER, false);
    return true;
}

void CTransFileSession::OnFileEvent(HWND notifyWnd, const FileRequestRecord& record, int code) {
    if (code == FILE_REQ_OFFER) {
        const clientui::FileNameProblem problem = CheckOfferedName(fw::FromAnsiField(record.fileName));
        if (problem != clientui::FileNameProblem::None) {
            RefuseForName(record, problem);
            return;
        }
        // Busy, or a size that cannot be: refused at once; the running
        // transfer goes on.
        if (m_entry || record.fileSize < 0) {
            Answer(record, FILE_REQ_REFUSE, true);
            return;
        }
        TransferEntry entry;
        entry.record = record;
        entry.notifyWnd = notifyWnd;
        m_entry = entry;
        m_finishedSend.reset();
        m_peerAway = false;
        m_notifyWnd = notifyWnd;
        m_sending = false;
        m_sendCancelled = false;
        m_recvCancelled = false;
        m_failed = false;
        m_waiting = false;
        SetState(TRANSFER_OFFER_RECEIVED);
        Notify(record, TRANSFILE_OFFER_RECEIVED);
        return;
    }
    // A finished transfer left no entry, and a new one forgets it.
    if (code == FILE_REQ_ACCEPT && m_finishedSend && SameTransfer(*m_finishedSend, record)) {
        // The receiver still waits for a transfer finished here: its
        // "ready" was lost.
        Answer(*m_finishedSend, FILE_REQ_READY, false);
        return;
    }
    if (code == FILE_REQ_CANCEL_RECV && !m_entry && m_finishedSend && SameTransfer(*m_finishedSend, record)) {
        // The receiver ended a transfer whose upload finished here: its
        // download failed (or was cancelled), so the file did not arrive.
        OnReceiverEndedAfterReady();
        return;
    }
    if (!m_entry || !Matches(record)) return;
    const FileRequestRecord ours = m_entry->record;
    switch (code) {
    case FILE_REQ_ACCEPT:
        if (!m_sending || m_state != TRANSFER_OFFER_SENT) return;
        SetState(TRANSFER_PEER_ACCEPTED);
        Notify(ours, TRANSFILE_PEER_ACCEPTED);
        StartWorker();
        break;
    case FILE_REQ_REFUSE:
        if (!m_sending || m_state != TRANSFER_OFFER_SENT) return;
        SetState(TRANSFER_PEER_REFUSED);
        Notify(ours, TRANSFILE_PEER_REFUSED);
        m_entry.reset();
        break;
    case FILE_REQ_CANCEL_SEND:
        if (m_sending) return;
        m_recvCancelled = true;
        m_worker.Cancel();
        m_statusText = kTransferPeerCancelledSend;
        SetState(TRANSFER_FINISHED);
        Notify(ours, TRANSFILE_SEND_CANCELLED);
        break;
    case FILE_REQ_CANCEL_RECV:
        if (!m_sending) return;
        m_sendCancelled = true;
        m_worker.Cancel();
        m_statusText = kTransferPeerCancelledRecv;
        SetState(TRANSFER_FINISHED);
        Notify(ours, TRANSFILE_RECV_CANCELLED);
        break;
    case FILE_REQ_READY:
        if (m_sending || m_state != TRANSFER_PREPARING || m_worker.IsRunning()) return;
        m_statusText = kTransferReadyToReceive;
        m_view.RefreshTransfer();
        StartWorker();
        break;
    default:
        break;
    }
}

std::wstring CTransFileSession::DefaultReceivePath() const {
    if (!m_entry) return std::wstring();
    const std::wstring folder = m_programFolder.empty() ? ProgramFolderOfModule() : m_programFolder;
    return fw::FormatString(L"%ls\\%d\\RecvFile\\%ls", folder.c_str(), m_entry->record.receiverId,
                            fw::FromAnsiField(m_entry->record.fileName).c_str());
}

void CTransFileSession::Receive() {
    if (!m_entry || m_sending || m_state != TRANSFER_OFFER_RECEIVED) return;
    AcceptInto(FreePath(DefaultReceivePath()));
}

void CTransFileSession::SaveAs(const std::wstring& path) {
    if (!m_entry || m_sending || m_state != TRANSFER_OFFER_RECEIVED || path.empty()) return;
    AcceptInto(path);
}

void CTransFileSession::AcceptInto(const std::wstring& path) {
    m_entry->localPath = path;
    const FileRequestRecord record = m_entry->record;
    Answer(record, FILE_REQ_ACCEPT, true);
    Notify(record, TRANSFILE_ACCEPTED);
    m_recvCancelled = false;
    SetState(TRANSFER_PREPARING);
}

void CTransFileSession::Refuse() {
    if (!m_entry || m_sending || m_state != TRANSFER_OFFER_RECEIVED) return;
    const FileRequestRecord record = m_entry->record;
    Answer(record, FILE_REQ_REFUSE, true);
    Notify(record, TRANSFILE_REFUSED);
    m_entry.reset();
    SetState(TRANSFER_REFUSED);
}

void CTransFileSession::CancelSend() {
    if (!m_entry || !m_sending) return;
    const FileRequestRecord record = m_entry->record;
    Answer(record, FILE_REQ_CANCEL_SEND, false);
    Notify(record, TRANSFILE_SEND_CANCELLED);
    m_entry.reset();
    SetState(TRANSFER_IDLE);
    m_sendCancelled = true;
    m_worker.Cancel();
}

void CTransFileSession::CancelReceive() {
    if (!m_entry || m_sending) return;
    const FileRequestRecord record = m_entry->record;
    Answer(record, FILE_REQ_CANCEL_RECV, true);
    Notify(record, TRANSFILE_RECV_CANCELLED);
    m_entry.reset();
    SetState(TRANSFER_IDLE);
    m_recvCancelled = true;
    m_worker.Cancel();
}

void CTransFileSession::SetState(int state) {
    m_state = state;
    if (state == TRANSFER_FINISHED) {
        if (!m_sendCancelled && !m_recvCancelled && !m_failed) m_statusText = TransferStateText(state);
        m_entry.reset();
    } else if (const wchar_t* text = TransferStateText(state)) {
        m_statusText = text;
    }
    m_view.ShowTransferState(state);
}

void CTransFileSession::OnWorkerStarted(unsigned generation) {
    if (generation != m_generation || !m_entry) return;
    m_entry->startTick = ::GetTickCount();
    m_entry->bytesDone = 0;
    m_entry->speed = 0;
    SetState(m_sending ? TRANSFER_SENDING : TRANSFER_RECEIVING);
    m_view.StartSpeedTimer();
}

void CTransFileSession::OnWorkerProgress(unsigned generation, int32_t bytesDone, int percent) {
    if (generation != m_generation || !m_entry) return;
    m_entry->bytesDone = bytesDone;
    m_view.SetTransferProgress(percent);
}

void CTransFileSession::OnWorkerWaiting(unsigned generation, bool waiting) {
    if (generation != m_generation || !m_entry || waiting == m_waiting) return;
    m_waiting = waiting;
    if (waiting) {
        m_statusText = kTransferWaitingText;
    } else if (const wchar_t* text = TransferStateText(m_state)) {
        m_statusText = text;
    }
    m_view.RefreshTransfer();
}

void CTransFileSession::OnWorkerEnded(unsigned generation, FileTransferResult result) {
    if (generation != m_generation) return;
    m_view.StopSpeedTimer();
    m_waiting = false;
    // A transfer cancelled here or by the peer has already left its entry.
    if (!m_entry) return;
    if (result != FileTransferResult::Completed) {
        FailTransfer(result);
        return;
    }
    const FileRequestRecord record = m_entry->record;
    m_entry->bytesDone = record.fileSize;
    if (m_sending) {
        Answer(record, FILE_REQ_READY, false);
        m_finishedSend = record;
    }
    Notify(record, TRANSFILE_FINISHED);
    SetState(TRANSFER_FINISHED);
}

void CTransFileSession::FailTransfer(FileTransferResult result) {
    if (result == FileTransferResult::Cancelled) return;
    if (result == FileTransferResult::OpenFailed) {
        // The worker ends; the entry keeps its cancel button, through which
        // the user tells the peer.
        m_statusText = kTransferOpenFailedText;
        m_view.RefreshTransfer();
        fw::ShowMessageBox(m_view.MessageOwner(), kTransferOpenFailedText, kBusyCaption, MB_OK | MB_ICONWARNING);
        return;
    }
    // The transfer cannot go on: it ends, and the peer stops waiting for it
    // as after a cancel.
    const FileRequestRecord record = m_entry->record;
    if (m_sending) {
        Answer(record, FILE_REQ_CANCEL_SEND, false);
        Notify(record, TRANSFILE_SEND_CANCELLED);
    } else {
        Answer(record, FILE_REQ_CANCEL_RECV, true);
        Notify(record, TRANSFILE_RECV_CANCELLED);
    }
    m_failed = true;
    m_statusText = kTransferFailedText;
    SetState(TRANSFER_FINISHED);
}

void CTransFileSession::OnReceiverEndedAfterReady() {
    const FileRequestRecord record = *m_finishedSend;
    m_finishedSend.reset();
    m_failed = true;
    m_statusText = kTransferFailedText;
    Notify(record, TRANSFILE_RECV_CANCELLED);
    SetState(TRANSFER_FINISHED);
}

void CTransFileSession::RefuseForName(const FileRequestRecord& record, clientui::FileNameProblem problem) {
    Answer(record, FILE_REQ_REFUSE, true);
    m_view.ShowRefusedOffer(RefusedOfferText(fw::FromAnsiField(record.fileName), problem));
}

void CTransFileSession::OnSpeedTimer(uint32_t nowTick) {
    if (!m_entry) return;
    m_entry->bytesDone = m_worker.BytesDone();
    m_entry->speed = static_cast<int32_t>(ComputeTransferSpeed(m_entry->bytesDone, nowTick - m_entry->startTick));
    m_view.RefreshTransfer();
}

void CTransFileSession::Close() {
    m_worker.Cancel();
    m_worker.Wait(CFileTransferWorker::kDestroyWaitMs);
}

void CTransFileSession::Answer(const FileRequestRecord& record, int code, bool exchangeIds) {
    FileRequestRecord answer = record;
    if (exchangeIds) std::swap(answer.senderId, answer.receiverId);
    if (m_engine.MSendFileRespond) m_engine.MSendFileRespond(&answer, code);
}

void CTransFileSession::Notify(const FileRequestRecord& record, int notice) {
    HWND target = m_notifyWnd;
    if (!target || !::IsWindow(target)) return;
    FileRequestRecord copy = record;
    ::SendMessageW(target, WM_TRANSFILE_STATE, reinterpret_cast<WPARAM>(&copy), notice);
}

bool CTransFileSession::Matches(const FileRequestRecord& record) const {
    return SameTransfer(m_entry->record, record);
}

bool CTransFileSession::SameTransfer(const FileRequestRecord& ours, const FileRequestRecord& theirs) {
    if (std::strncmp(ours.fileName, theirs.fileName, sizeof ours.fileName) != 0) return false;
    return (theirs.senderId == ours.senderId && theirs.receiverId == ours.receiverId) ||
           (theirs.senderId == ours.receiverId && theirs.receiverId == ours.senderId);
}

int32_t CTransFileSession::TransferPeer() const {
    if (m_entry) return m_sending ? m_entry->record.receiverId : m_entry->record.senderId;
    return m_finishedSend ? m_finishedSend->receiverId : 0;
}

void CTransFileSession::OnPeerStatus(int32_t userId, int32_t status) {
    if (userId == 0 || userId != TransferPeer()) return;
    // Any status outside online .. invisible reads offline.
    if (status < STATUS_ONLINE || status >= STATUS_OFFLINE) {
        m_peerAway = true;
        return;
    }
    if (!m_peerAway) return;
    m_peerAway = false;
    if (m_entry && !m_sending && m_state == TRANSFER_PREPARING && !m_worker.IsRunning())
        Answer(m_entry->record, FILE_REQ_ACCEPT, true);
    else if (m_finishedSend)
        Answer(*m_finishedSend, FILE_REQ_READY, false);
}

void CTransFileSession::StartWorker() {
    if (!m_entry) return;
    // A cancelled worker of an earlier transfer ends at its next check.
    if (m_worker.IsRunning()) m_worker.Wait(CFileTransferWorker::kDestroyWaitMs);
    FileTransferJob job;
    job.upload = m_sending;
    job.localPath = m_entry->localPath;
    // The sender stores under its own date. The receiver's date may differ
    // from it by a day (midnight between the two workers, clocks that
    // differ): it asks under its own date first, then the day before and
    // the day after.
    std::vector<std::string> names = StoredNamesFor(m_entry->record, *m_dates);
    if (!names.empty()) {
        job.storedName = names.front();
        if (!m_sending) job.otherStoredNames.assign(names.begin() + 1, names.end());
    }
    job.fileSize = m_entry->record.fileSize;
    job.host = m_host;
    job.port = m_port;
    job.timing = m_timing;
    ++m_generation;
    m_waiting = false;
    if (job.storedName.empty() || !m_worker.Start(job, m_view.MakeWorkerSink(m_generation))) FailTransfer(FileTransferResult::Failed);
}
