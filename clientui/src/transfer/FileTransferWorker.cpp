#include "clientui/FileTransferWorker.h"

#include "clientui/FileServerSocket.h"

#include "clientui/FileHandle.h"
#include "clientui/FileServerProtocol.h"
#include "clientui/TransFileTexts.h"

#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <vector>

struct CFileTransferWorker::Shared {
    FileTransferJob job;
    std::shared_ptr<IFileTransferSink> sink;
    std::atomic<bool> cancel{false};
    std::atomic<int32_t> bytesDone{0};
    bool waiting = false;   // worker thread only
    bool answered = true;   // a request went through since the last reconnect
    int unusableReplies = 0;  // in a row (worker thread only)
    std::mutex lock;
    std::condition_variable signal;
    bool ended = false;
    CFileServerSocket socket;

    bool Cancelled() const { return cancel.load(); }

    // Waits ms or until a cancel; true when cancelled.
    bool Pause(unsigned ms) {
        std::unique_lock<std::mutex> hold(lock);
        return signal.wait_for(hold, std::chrono::milliseconds(ms), [this] { return cancel.load(); });
    }

    void SetWaiting(bool on) {
        if (on == waiting) return;
        waiting = on;
        if (sink) sink->OnTransferWaiting(on);
    }

    // Connects, retryIntervalMs apart, until connected or cancelled; each
    // try is bounded by the connect time-out.
    bool ConnectUntilCancelled() {
        for (;;) {
            if (Cancelled()) return false;
            if (socket.Connect(job.host, job.port, job.timing.connectTimeoutMs, job.timing.ioTimeoutMs)) return true;
            SetWaiting(true);
            if (Pause(job.timing.retryIntervalMs)) return false;
        }
    }

    // The first connection; the server answers.
    bool ConnectFirst() {
        if (!ConnectUntilCancelled()) return false;
        SetWaiting(false);
        return true;
    }

    // A request went through: the server answers again.
    void Answered() {
        answered = true;
        SetWaiting(false);
    }

    // A request failed (broken connection, time-out): connect again, at
    // once when a request went through on the connection that failed,
    // otherwise after the retry interval (so that a server that takes
    // connections and drops them is not hammered). False when cancelled
    // meanwhile.
    bool Recover() {
        socket.Close();
        const bool pause = !answered;
        answered = false;
        SetWaiting(true);
        if (pause && Pause(job.timing.retryIntervalMs)) return false;
        return ConnectUntilCancelled();
    }

    // The server answered, but with a reply that cannot be used (it breaks
    // the protocol or does not answer the request). The server is there, so
    // this is no outage: the connection is dropped (what follows such a
    // reply cannot be trusted) and made again after the retry interval.
    // Nothing when the request is to be made again; else how the transfer
    // ends: Failed after maxUnusableReplies such replies in a row,
    // Cancelled when cancelled meanwhile.
    std::optional<FileTransferResult> Unusable() {
        socket.Close();
        if (++unusableReplies > job.timing.maxUnusableReplies) return FileTransferResult::Failed;
        if (Pause(job.timing.retryIntervalMs) || !ConnectUntilCancelled()) return FileTransferResult::Cancelled;
        return std::nullopt;
    }

    // A reply that could be used.
    void Usable() {
        unusableReplies = 0;
        Answered();
    }

    void Progress(int32_t done) {
        bytesDone = done;
        if (sink) sink->OnTransferProgress(done, TransferPercent(done, job.fileSize));
    }
};

namespace {

void CreateFolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos || slash == 0) return;
    ::SHCreateDirectoryExW(nullptr, path.substr(0, slash).c_str(), nullptr);
}

}  // namespace

CFileTransferWorker::~CFileTransferWorker() {
    Cancel();
    if (!Wait(kDestroyWaitMs) && m_thread.joinable()) m_thread.detach();
}

bool CFileTransferWorker::Start(const FileTransferJob& job, std::shared_ptr<IFileTransferSink> sink) {
    if (IsRunning()) return false;
    if (m_thread.joinable()) m_thread.join();
    m_shared = std::make_shared<Shared>();
    m_shared->job = job;
    m_shared->sink = std::move(sink);
    m_thread = std::thread(&CFileTransferWorker::Run, m_shared);
    return true;
}

void CFileTransferWorker::Cancel() {
    if (!m_shared) return;
    {
        std::lock_guard<std::mutex> hold(m_shared->lock);
        m_shared->cancel = true;
    }
    m_shared->signal.notify_all();
    // A send, receive or connect under way ends now, not at its time-out.
    m_shared->socket.Interrupt();
}

bool CFileTransferWorker::Wait(unsigned ms) {
    if (!m_shared) return true;
    bool ended = false;
    {
        std::unique_lock<std::mutex> hold(m_shared->lock);
        ended = m_shared->signal.wait_for(hold, std::chrono::milliseconds(ms), [this] { return m_shared->ended; });
    }
    if (ended && m_thread.joinable()) m_thread.join();
    return ended;
}

bool CFileTransferWorker::IsRunning() const {
    if (!m_shared) return false;
    std::lock_guard<std::mutex> hold(m_shared->lock);
    return !m_shared->ended;
}

int32_t CFileTransferWorker::BytesDone() const { return m_shared ? m_shared->bytesDone.load() : 0; }

void CFileTransferWorker::Run(std::shared_ptr<Shared> shared) {
    FileTransferResult result = FileTransferResult::Failed;
    try {
        result = shared->job.upload ? Upload(*shared) : Download(*shared);
    } catch (...) {
        result = FileTransferResult::Failed;
    }
    shared->socket.Close();
    if (shared->sink) shared->sink->OnTransferEnded(result);
    {
        std::lock_guard<std::mutex> hold(shared->lock);
        shared->ended = true;
    }
    shared->signal.notify_all();
}

FileTransferResult CFileTransferWorker::Upload(Shared& shared) {
    const FileTransferJob& job = shared.job;
    CFileHandle file(::CreateFileW(job.localPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid() || job.fileSize < 0) return FileTransferResult::OpenFailed;
    if (!shared.ConnectFirst()) return FileTransferResult::Cancelled;
    if (shared.sink) shared.sink->OnTransferStarted();

    std::vector<uint8_t> block(kFileUploadBlockBytes);
    int32_t offset = 0;
    int refusals = 0;
    while (!shared.Cancelled()) {
        const uint32_t want = std::min<uint32_t>(kFileUploadBlockBytes, static_cast<uint32_t>(job.fileSize - offset));
        uint32_t got = 0;
        if (want > 0 && !file.ReadAt(offset, block.data(), want, got)) return FileTransferResult::Failed;
        // Nothing left to send: complete only when the whole offered size went up.
        if (got == 0) return offset == job.fileSize ? FileTransferResult::Completed : FileTransferResult::Failed;

        const std::vector<uint8_t> request = BuildUploadRequest(job.fileSize, job.storedName, offset, block.data(), got);
        if (request.empty()) return FileTransferResult::Failed;
        uint8_t replyBytes[kFileUploadReplyTotal] = {};
        FileUploadReply reply;
        if (!shared.socket.SendAll(request.data(), request.size()) ||
            !shared.socket.ReceiveExact(replyBytes, sizeof replyBytes)) {
            if (!shared.Recover()) break;
            continue;  // the same block again
        }
        if (!ParseUploadReply(replyBytes, sizeof replyBytes, reply)) {
            if (const std::optional<FileTransferResult> end = shared.Unusable()) return *end;
            continue;  // the same block again
        }
        shared.Usable();
        if (IsUploadBlockStored(reply, offset, got)) {
            refusals = 0;
            offset += reply.length;
            shared.Progress(offset);
        } else if (++refusals > job.timing.maxBlockResends) {
            return FileTransferResult::Failed;
        }
    }
    return FileTransferResult::Cancelled;
}

FileTransferResult CFileTransferWorker::Download(Shared& shared) {
    const FileTransferJob& job = shared.job;
    if (job.fileSize < 0) return FileTransferResult::Failed;
    const std::wstring temp = TempPathOf(job.localPath);
    CreateFolderOf(job.localPath);
    CFileHandle file(::CreateFileW(temp.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return FileTransferResult::OpenFailed;

    // Resume a partial file of our own; one longer than the offer is not ours.
    LARGE_INTEGER length = {};
    int32_t offset = 0;
    if (::GetFileSizeEx(file.Get(), &length) && length.QuadPart <= job.fileSize) {
        offset = static_cast<int32_t>(length.QuadPart);
    } else {
        LARGE_INTEGER zero = {};
        ::SetFilePointerEx(file.Get(), zero, nullptr, FILE_BEGIN);
        ::SetEndOfFile(file.Get());
    }

    auto finish = [&](FileTransferResult result) {
        file.Close();
        if (result == FileTransferResult::Completed &&
            !::MoveFileExW(temp.c_str(), job.localPath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
            result = FileTransferResult::Failed;
        }
        if (result != FileTransferResult::Completed) ::DeleteFileW(temp.c_str());
        return result;
    };

    if (!shared.ConnectFirst()) return finish(FileTransferResult::Cancelled);
    if (shared.sink) shared.sink->OnTransferStarted();
    shared.Progress(offset);

    // The names the file may be stored under, the likeliest first. A name
    // holds the file once data came under it; before that, a reply without
    // data, or naming a stored file shorter than the offer (the sender says
    // "ready" only when all of it is stored), sends the worker to the next.
    std::vector<std::string> names{job.storedName};
    names.insert(names.end(), job.otherStoredNames.begin(), job.otherStoredNames.end());
    size_t name = 0;
    bool nameHolds = false;

    std::vector<uint8_t> data(kFileDownloadBlockBytes);
    while (!shared.Cancelled()) {
        // Every offered byte is here: whatever the server has past them
        // (a longer file stored earlier under the same name) is not ours.
        if (offset == job.fileSize) return finish(FileTransferResult::Completed);
        const uint32_t missing = static_cast<uint32_t>(job.fileSize - offset);
        const uint32_t wanted = std::min(kFileDownloadBlockBytes, missing);
        const std::vector<uint8_t> request =
            BuildDownloadRequest(names[name], offset, static_cast<int32_t>(wanted));
        if (request.empty()) return finish(FileTransferResult::Failed);
        uint8_t head[kFileDownloadReplyTotal] = {};
        FileDownloadReply reply;
        if (!shared.socket.SendAll(request.data(), request.size()) ||
            !shared.socket.ReceiveExact(head, sizeof head)) {
            if (!shared.Recover()) break;
            continue;  // ask again from the same offset
        }
        // A server that sends more than was asked (up to a block) is read
        // to the end of its reply; only the missing bytes are kept.
        if (!ParseDownloadReplyHead(head, sizeof head, kFileDownloadBlockBytes, reply) ||
            !IsDownloadReplyInBounds(reply, offset, kFileDownloadBlockBytes)) {
            if (const std::optional<FileTransferResult> end = shared.Unusable()) return finish(*end);
            continue;
        }
        if (reply.dataLength > 0 && !shared.socket.ReceiveExact(data.data(), static_cast<size_t>(reply.dataLength))) {
            if (!shared.Recover()) break;
            continue;
        }
        shared.Usable();
        if (!nameHolds && (reply.dataLength == 0 || reply.fileSize < job.fileSize)) {
            if (++name < names.size()) continue;
            return finish(FileTransferResult::Failed);  // under no name
        }
        // The server has nothing more, short of the offered size.
        if (reply.dataLength == 0) return finish(FileTransferResult::Failed);
        nameHolds = true;
        const uint32_t kept = std::min(static_cast<uint32_t>(reply.dataLength), missing);
        if (!file.WriteAt(reply.offset, data.data(), kept)) return finish(FileTransferResult::Failed);
        offset = reply.offset + static_cast<int32_t>(kept);
        shared.Progress(offset);
    }
    return finish(FileTransferResult::Cancelled);
}
