#include "clientui/ImageTransfer.h"

#include "clientui/ClientApp.h"
#include "clientui/ClientSettings.h"
#include "clientui/FileHandle.h"
#include "clientui/FileServerProtocol.h"

#include "PictureName.h"
#include "SystemAnsiCodePage.h"

#include <ImEngineApi.h>
#include <fw/MessageBoxSink.h>
#include <fw/StringUtil.h>

#include <shlobj.h>
#include <shlwapi.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cwctype>
#include <limits>

namespace {

const wchar_t kConnectFailedText[] = L"\u8FDE\u63A5\u6587\u4EF6\u670D\u52A1\u5668\u5931\u8D25";  // 连接文件服务器失败

// A picture larger than this is not accepted from the server.
constexpr int32_t kMaxPictureBytes = 64 * 1024 * 1024;

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// The job's name as text, and whether it keeps the file-name rule and so may
// be used as the last part of the job's local path.
bool ReadJobName(const ImageTransJob& job, std::string& ansiName, bool mustMatchPath) {
    static const clientui::CSystemAnsiCodePage codePage;
    const std::wstring name = fw::FromAnsiField(job.head.name);
    if (!clientui::IsSafePictureName(name, codePage)) return false;
    if (mustMatchPath) {
        const std::wstring last = ::PathFindFileNameW(job.localPath.c_str());
        if (::lstrcmpiW(last.c_str(), name.c_str()) != 0) return false;
    }
    ansiName = fw::ToAnsi(name);
    return true;
}

std::wstring PathKey(const std::wstring& path) {
    std::wstring key = path;
    for (wchar_t& c : key) c = static_cast<wchar_t>(::towlower(c));
    return key;
}

std::string StoredNameOf(const ImageTransJob& job, const std::string& name) {
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    return MakeStoredName(job.head.type, now.wMonth, now.wDay, name);
}

std::atomic<CImageTransfer*> g_processInstance{nullptr};

}  // namespace

CImageTransfer& CImageTransfer::GetInstance() {
    static CImageTransfer* instance = [] {
        ImageTransferConfig config;
        config.host = g_ClientSettings.serverEntry;
        config.port = FILE_SERVER_PORT;
        if (const auto* app = dynamic_cast<const CClientApp*>(fw::CApplication::Get())) {
            config.messageCaption = app->GetDisplayTitle();
            config.messageOwner = [app] { return app->GetMainWindow(); };
        }
        auto* made = new CImageTransfer(config);
        g_processInstance = made;
        return made;
    }();
    return *instance;
}

void CImageTransfer::StopInstance() {
    if (CImageTransfer* instance = g_processInstance.load()) instance->Stop();
}

CImageTransfer::CImageTransfer(const ImageTransferConfig& config) : m_config(config) {
    const size_t bufferBytes = PACKET_HEADER_SIZE + kFileUploadBlockSize + kPictureBlockBytes;
    m_upload.buffer.resize(bufferBytes);
    m_download.buffer.resize(bufferBytes);
    m_upload.thread = std::thread([this] { RunWorker(m_upload, true); });
    m_download.thread = std::thread([this] { RunWorker(m_download, false); });
}

CImageTransfer::~CImageTransfer() { Stop(); }

void CImageTransfer::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_stopLock);
        m_stopping = true;
    }
    m_stopSignal.notify_all();
    m_upload.socket.Interrupt();
    m_download.socket.Interrupt();
    if (m_upload.thread.joinable()) m_upload.thread.join();
    if (m_download.thread.joinable()) m_download.thread.join();
    EndOutageNotice();
}

namespace {

// Asks one window of the notice's thread to close (an enumeration callback:
// it has the system's calling convention, which a lambda cannot give on
// 32-bit builds).
BOOL CALLBACK CloseThreadWindow(HWND window, LPARAM) {
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

}  // namespace

// The notice's message box belongs to its thread: it is asked to close
// (as its close box would) until the thread has ended.
void CImageTransfer::EndOutageNotice() {
    std::lock_guard<std::mutex> lock(m_noticeLock);
    if (!m_noticeThread.joinable()) return;
    while (m_noticeShowing) {
        if (const DWORD id = m_noticeThreadId.load()) {
            ::EnumThreadWindows(id, &CloseThreadWindow, 0);
        }
        ::Sleep(20);
    }
    m_noticeThread.join();
}

bool CImageTransfer::WaitForStop(unsigned ms) {
    std::unique_lock<std::mutex> lock(m_stopLock);
    return m_stopSignal.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stopping.load(); });
}

void CImageTransfer::AddUploadJob(const ImageTransJob& job, bool atFront) { AddJob(m_upload, job, atFront); }

void CImageTransfer::AddDownloadJob(const ImageTransJob& job, bool atFront) {
    {
        std::lock_guard<std::mutex> lock(m_download.lock);
        m_givenUp.erase(PathKey(job.localPath));
    }
    AddJob(m_download, job, atFront);
}

void CImageTransfer::AddJob(Worker& worker, const ImageTransJob& job, bool atFront) {
    QueuedJob queued{m_nextId++, job};
    std::lock_guard<std::mutex> lock(worker.lock);
    if (atFront) {
        worker.queue.push_front(std::move(queued));
    } else {
        worker.queue.push_back(std::move(queued));
    }
}

size_t CImageTransfer::UploadQueueSize() const {
    std::lock_guard<std::mutex> lock(m_upload.lock);
    return m_upload.queue.size();
}

size_t CImageTransfer::DownloadQueueSize() const {
    std::lock_guard<std::mutex> lock(m_download.lock);
    return m_download.queue.size();
}

bool CImageTransfer::HasGivenUpDownload(const std::wstring& localPath) const {
    std::lock_guard<std::mutex> lock(m_download.lock);
    return m_givenUp.count(PathKey(localPath)) != 0;
}

bool CImageTransfer::Connect(CFileServerSocket& socket, Counters* counters) {
    socket.Close();
    if (Stopping()) return false;
    const ImageTransferTiming& timing = m_config.timing;
    if (socket.Connect(m_config.host, m_config.port, timing.connectTimeoutMs, timing.ioTimeoutMs)) {
        if (counters) ++counters->connects;
        return true;
    }
    if (counters) ++counters->connectFailures;
    return false;
}

bool CImageTransfer::EnsureConnected(Worker& worker) {
    if (worker.socket.IsOpen()) return true;
    if (Connect(worker.socket, &worker.counters)) {
        worker.failedConnects = 0;
        worker.cameBackUntil = ::GetTickCount64() + m_config.timing.missingPictureGraceMs;
        std::lock_guard<std::mutex> lock(m_noticeLock);
        m_outageNoticed = false;  // the server is back: a later outage is told again
        return true;
    }
    if (Stopping()) return false;
    if (++worker.failedConnects > m_config.timing.connectRetries) ShowOutageNotice(worker);
    return false;
}

void CImageTransfer::Reconnect(Worker& worker) {
    worker.socket.Close();
    EnsureConnected(worker);
}

// The message box waits for the user on a thread of its own: the transfers
// go on, and the next outage is told only once this one is over.
void CImageTransfer::ShowOutageNotice(Worker& worker) {
    std::lock_guard<std::mutex> lock(m_noticeLock);
    if (m_outageNoticed || m_noticeShowing) return;
    m_outageNoticed = true;
    if (m_noticeThread.joinable()) m_noticeThread.join();
    m_noticeShowing = true;
    m_noticeThreadId = 0;
    ++worker.counters.notices;
    const std::wstring caption = m_config.messageCaption;
    const std::function<HWND()> ownerOf = m_config.messageOwner;
    m_noticeThread = std::thread([this, caption, ownerOf] {
        m_noticeThreadId = ::GetCurrentThreadId();
        HWND owner = ownerOf ? ownerOf() : nullptr;
        if (owner && !::IsWindow(owner)) owner = nullptr;
        fw::ShowMessageBox(owner, kConnectFailedText, caption, MB_OK);
        m_noticeShowing = false;
    });
}

// A download given up (a picture the server never had) would leave its
// empty partial file in the picture folder for good: it goes once the
// attempt has closed it. A partial file with bytes stays.
void CImageTransfer::RemoveEmptyPartial(const std::wstring& localPath) {
    if (localPath.empty()) return;
    const std::wstring partial = localPath + L".tmp";
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (::GetFileAttributesExW(partial.c_str(), GetFileExInfoStandard, &data) &&
        !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && data.nFileSizeHigh == 0 && data.nFileSizeLow == 0)
        ::DeleteFileW(partial.c_str());
}

void CImageTransfer::RunWorker(Worker& worker, bool upload) {
    // Connected once at the start; a failure here is told only when a job
    // waits for the server.
    if (Connect(worker.socket, &worker.counters)) worker.failedConnects = 0;
    while (!Stopping()) {
        QueuedJob job;
        Attempt attempt = Attempt::Done;
        if (CopyFrontJob(worker, job)) {
            const std::wstring localPath = job.job.localPath;
            attempt = upload ? ProcessUpload(std::move(job)) : ProcessDownload(std::move(job));
            if (!upload && HasGivenUpDownload(localPath)) RemoveEmptyPartial(localPath);
        }
        const unsigned pause =
            attempt == Attempt::Waiting ? m_config.timing.retryIntervalMs : m_config.timing.pollIntervalMs;
        if (WaitForStop(pause)) break;
    }
    worker.socket.Close();
}

bool CImageTransfer::CopyFrontJob(Worker& worker, QueuedJob& job) {
    std::lock_guard<std::mutex> lock(worker.lock);
    if (worker.queue.empty()) return false;
    job = worker.queue.front();
    return true;
}

// The job is found by its id: a job pushed at the front meanwhile is left
// alone.
void CImageTransfer::DropJob(Worker& worker, uint64_t id) {
    std::lock_guard<std::mutex> lock(worker.lock);
    auto found = std::find_if(worker.queue.begin(), worker.queue.end(),
                              [id](const QueuedJob& queued) { return queued.id == id; });
    if (found != worker.queue.end()) worker.queue.erase(found);
}

void CImageTransfer::GiveUp(Worker& worker, const QueuedJob& job) {
    DropJob(worker, job.id);
    ++worker.counters.dropped;
    if (&worker == &m_download) {
        std::lock_guard<std::mutex> lock(worker.lock);
        m_givenUp.insert(PathKey(job.job.localPath));
    }
}

void CImageTransfer::UpdateJob(Worker& worker, const QueuedJob& job) {
    std::lock_guard<std::mutex> lock(worker.lock);
    for (QueuedJob& queued : worker.queue) {
        if (queued.id == job.id) {
            queued.job = job.job;
            return;
        }
    }
}

void CImageTransfer::CountFailedTry(Worker& worker, const QueuedJob& job, bool toBack) {
    QueuedJob next = job;
    next.job.failedTries = job.job.failedTries + 1;
    if (next.job.failedTries >= kMaxTries) {
        GiveUp(worker, job);
        return;
    }
    if (!toBack) {
        UpdateJob(worker, next);
        return;
    }
    MoveToBack(worker, next);
}

void CImageTransfer::MoveToBack(Worker& worker, const QueuedJob& job) {
    DropJob(worker, job.id);
    std::lock_guard<std::mutex> lock(worker.lock);
    worker.queue.push_back(job);
}

void CImageTransfer::PictureNotThereYet(Worker& worker, const QueuedJob& job) {
    if (::GetTickCount64() < worker.cameBackUntil) {
        MoveToBack(worker, job);
    } else {
        CountFailedTry(worker, job, true);
    }
}

CImageTransfer::Attempt CImageTransfer::ProcessDownload(QueuedJob job) {
    Worker& worker = m_download;
    const std::wstring& path = job.job.localPath;
    std::string name;
    if (path.empty() || !ReadJobName(job.job, name, true)) {
        GiveUp(worker, job);
        return Attempt::Done;
    }
    if (::PathFileExistsW(path.c_str())) {
        DropJob(worker, job.id);
        return Attempt::Done;
    }
    const std::wstring folder = FolderOf(path);
    if (!folder.empty()) ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);

    // The partial picture has a name of its own: a resumed download only
    // ever continues its own bytes.
    const std::wstring partial = path + L".tmp";
    CFileHandle file(::CreateFileW(partial.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const std::string stored = StoredNameOf(job.job, name);
    LARGE_INTEGER length = {};
    if (!file.IsValid() || stored.empty() || !::GetFileSizeEx(file.Get(), &length) ||
        length.QuadPart > kMaxPictureBytes) {
        GiveUp(worker, job);
        return Attempt::Done;
    }
    // No connection: the job waits in front for the server.
    if (!EnsureConnected(worker)) return Attempt::Waiting;

    int32_t offset = static_cast<int32_t>(length.QuadPart);
    bool progressed = false;
    while (!Stopping()) {
        const std::vector<uint8_t> request =
            BuildDownloadRequest(stored, offset, static_cast<int32_t>(kPictureBlockBytes));
        ++worker.counters.requests;
        FileDownloadReply reply;
        if (!worker.socket.SendAll(request.data(), request.size()) ||
            !worker.socket.ReceiveExact(worker.buffer.data(), kFileDownloadReplyTotal)) {
            // The connection broke: connect again and end this attempt; the
            // job stays in front. The bytes so far stay in the partial file,
            // so only an attempt that got nothing counts a try.
            Reconnect(worker);
            if (progressed) {
                UpdateJob(worker, job);
            } else {
                CountFailedTry(worker, job, false);
            }
            return Attempt::Waiting;
        }
        if (!ParseDownloadReplyHead(worker.buffer.data(), kFileDownloadReplyTotal, kPictureBlockBytes, reply) ||
            !IsDownloadReplyInBounds(reply, offset, kPictureBlockBytes) ||
            static_cast<int64_t>(reply.offset) + reply.dataLength > kMaxPictureBytes) {
            // Whatever follows a bad reply cannot be trusted: start afresh.
            Reconnect(worker);
            CountFailedTry(worker, job, false);
            return Attempt::Waiting;
        }
        if (reply.dataLength == 0) {
            if (reply.fileSize > 0 && reply.fileSize == reply.offset) {
                file.Close();
                if (::MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
                    DropJob(worker, job.id);
                    ++worker.counters.completed;
                } else {
                    CountFailedTry(worker, job, true);
                }
                return Attempt::Done;
            }
            if (reply.fileSize > 0 && reply.fileSize < offset) {
                // The partial file is longer than the picture: it is not
                // this picture's beginning. Start it again from nothing.
                LARGE_INTEGER start = {};
                if (::SetFilePointerEx(file.Get(), start, nullptr, FILE_BEGIN)) ::SetEndOfFile(file.Get());
            }
            // Not (yet) at the server: the pictures behind it go first.
            PictureNotThereYet(worker, job);
            return Attempt::Done;
        }
        uint8_t* data = worker.buffer.data() + kFileDownloadReplyTotal;
        if (!worker.socket.ReceiveExact(data, static_cast<size_t>(reply.dataLength))) {
            Reconnect(worker);
            if (progressed) {
                UpdateJob(worker, job);
            } else {
                CountFailedTry(worker, job, false);
            }
            return Attempt::Waiting;
        }
        if (!file.WriteAt(reply.offset, data, static_cast<uint32_t>(reply.dataLength))) {
            CountFailedTry(worker, job, true);
            return Attempt::Done;
        }
        offset = reply.offset + reply.dataLength;
        job.job.bytesDone = offset;
        progressed = true;
    }
    UpdateJob(worker, job);
    return Attempt::Done;
}

CImageTransfer::Attempt CImageTransfer::ProcessUpload(QueuedJob job) {
    Worker& worker = m_upload;
    std::string name;
    if (job.job.localPath.empty() || !ReadJobName(job.job, name, false)) {
        GiveUp(worker, job);
        return Attempt::Done;
    }
    const std::string stored = StoredNameOf(job.job, name);
    CFileHandle file(::CreateFileW(job.job.localPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid() || stored.empty()) {
        GiveUp(worker, job);
        return Attempt::Done;
    }
    // The block's bytes are read into the worker's buffer, past the room
    // that the reply is received into.
    std::vector<uint8_t>& buffer = worker.buffer;
    uint8_t* data = buffer.data() + PACKET_HEADER_SIZE + kFileUploadBlockSize;
    int32_t offset = 0;
    uint32_t length = 0;
    if (!file.ReadAt(offset, data, kPictureBlockBytes, length) || length == 0) {
        DropJob(worker, job.id);
        return Attempt::Done;
    }
    // No connection: the job waits in front for the server.
    if (!EnsureConnected(worker)) return Attempt::Waiting;

    int resends = 0;
    while (!Stopping()) {
        const std::vector<uint8_t> request = BuildUploadRequest(job.job.head.fileSize, stored, offset, data, length);
        ++worker.counters.requests;
        FileUploadReply reply;
        if (request.empty() || !worker.socket.SendAll(request.data(), request.size()) ||
            !worker.socket.ReceiveExact(buffer.data(), kFileUploadReplyTotal) ||
            !ParseUploadReply(buffer.data(), kFileUploadReplyTotal, reply)) {
            // Connect again and end this attempt; the job stays in front and
            // its next attempt starts again at offset 0.
            Reconnect(worker);
            CountFailedTry(worker, job, false);
            return Attempt::Waiting;
        }
        if (IsUploadBlockStored(reply, offset, length)) {
            offset = reply.offset + reply.length;
            job.job.bytesDone = offset;
            resends = 0;
        } else if (++resends >= kMaxBlockResends) {
            CountFailedTry(worker, job, true);
            return Attempt::Done;
        }
        // The next block (or the same one again after a refusal).
        if (!file.ReadAt(offset, data, kPictureBlockBytes, length)) {
            CountFailedTry(worker, job, true);
            return Attempt::Done;
        }
        if (length == 0) {
            DropJob(worker, job.id);
            ++worker.counters.completed;
            return Attempt::Done;
        }
    }
    return Attempt::Done;
}
