// CImageTransfer: the process-wide picture-transfer client. It uploads the
// pictures that conversations send and downloads the pictures that chat
// logs show but do not have, over its own connections to the file server
// (port 7013 of the chat server's host).
//
// Two workers, one per direction, each with its own job queue, lock and
// connection. A worker connects once, then polls its queue: it copies the
// front job under the lock and works on the copy outside it; only the work
// removes or re-queues the job. The UI thread only pushes jobs.
//
// A file-server outage holds the queue, it does not empty it: a job whose
// connection fails stays at the front, and the worker connects again every
// retry interval until the server is back; then the jobs go on in their
// order. Every attempt is bounded in time (one connect try, sends and
// receives with a time-out), so the worker stays responsive. Once per outage
// (after 1 + connectRetries failed tries in a row while a job waits), the
// message "连接文件服务器失败" is shown, on a thread of its own so that the
// transfers do not wait for the user.
//
// Other failures are bounded: a job whose connection was made but broke
// without bringing it further, or that got a reply it cannot use, counts a
// failed try (a download that the server answers without data and with a
// size that does not match goes behind the others, as the server may not
// have the picture yet); after kMaxTries it is given up, and a chat log then
// shows the error placeholder for it. After an outage the senders' pictures
// queued meanwhile reach the server one by one, for as long as their queues
// need: so for missingPictureGraceMs after the download connection is made
// again (not after the first connection of the worker, which saw no
// outage), a picture that the server does not have yet goes behind the
// others without counting a try. The outage notice has the program's
// display title for caption and its main window for owner. Replies are checked before anything
// is taken from them; names follow the file-name rule (PictureName.h).
//
// The process-wide instance (GetInstance) lives until the program's exit
// path ends it with StopInstance, before the engine and Winsock go; it is
// never freed, so a late caller still finds it (stopped: its jobs stay
// queued). Tests make their own instance with their own server and timing
// and end it with Stop.
#pragma once

#include "clientui/FileServerSocket.h"
#include "clientui/ImageTransJob.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

struct ImageTransferTiming {
    int connectRetries = 50;           // failed tries in a row after the first before the outage notice
    unsigned retryIntervalMs = 500;    // between connect tries while a job waits
    unsigned pollIntervalMs = 500;
    unsigned connectTimeoutMs = 5000;  // one connect try
    unsigned ioTimeoutMs = 60000;      // one send or receive
    // After the download connection came back: how long a picture the server
    // does not have yet is asked for again without counting a try.
    unsigned missingPictureGraceMs = 180000;
};

struct ImageTransferConfig {
    std::wstring host;                  // dotted IPv4 address
    uint16_t port = FILE_SERVER_PORT;
    ImageTransferTiming timing;
    std::wstring messageCaption;        // caption of the connect-failure message box
    std::function<HWND()> messageOwner = nullptr;  // its owner (asked when shown); none when empty
};

class CImageTransfer {
public:
    // A download or upload that failed this many times (other than by a
    // connection that could not be made) is given up.
    static constexpr int32_t kMaxTries = 20;
    // An upload block that the server keeps refusing is sent at most this
    // many times in a row before the job counts a failed try.
    static constexpr int kMaxBlockResends = 100;

    // Counts per worker, for tests and diagnosis.
    struct Counters {
        std::atomic<int> connects{0};         // connections made
        std::atomic<int> connectFailures{0};  // single connect tries that failed
        std::atomic<int> requests{0};         // upload blocks or download requests sent
        std::atomic<int> completed{0};        // jobs finished with the whole picture
        std::atomic<int> dropped{0};          // jobs given up
        std::atomic<int> notices{0};          // outage notices this worker started
    };

    // The single instance: the first call constructs it for the server
    // entry of the settings and starts the upload worker, then the download
    // worker. Never destroyed.
    static CImageTransfer& GetInstance();
    // Stops the single instance's workers and waits for them, when it was
    // made (nothing otherwise). The programs call it from their exit path.
    static void StopInstance();

    // An instance of its own (tests): starts both workers at once.
    explicit CImageTransfer(const ImageTransferConfig& config);
    ~CImageTransfer();
    CImageTransfer(const CImageTransfer&) = delete;
    CImageTransfer& operator=(const CImageTransfer&) = delete;

    // Push a copy of the job at the back (or the front) of a queue, under
    // that queue's lock.
    void AddUploadJob(const ImageTransJob& job, bool atFront = false);
    void AddDownloadJob(const ImageTransJob& job, bool atFront = false);

    // (Re)connects a socket: closes it, then one connect try bounded by the
    // connect time-out. counters (optional) count the try.
    bool Connect(CFileServerSocket& socket, Counters* counters = nullptr);

    // Whether the download to localPath was given up (a new job for the same
    // path clears it).
    bool HasGivenUpDownload(const std::wstring& localPath) const;

    // Signals both workers to stop, interrupts their connections (a
    // transfer under way does not wait for its I/O time-out), closes an
    // outage notice still shown, and joins the threads. Returns at once
    // when called again.
    void Stop();

    size_t UploadQueueSize() const;
    size_t DownloadQueueSize() const;
    const Counters& UploadCounters() const { return m_upload.counters; }
    const Counters& DownloadCounters() const { return m_download.counters; }

private:
    struct QueuedJob {
        uint64_t id = 0;
        ImageTransJob job;
    };
    struct Worker {
        mutable std::mutex lock;
        std::deque<QueuedJob> queue;
        CFileServerSocket socket;
        std::vector<uint8_t> buffer;
        Counters counters;
        int failedConnects = 0;  // connect tries in a row that failed (worker thread only)
        // Until this tick (GetTickCount64) the connection has just come back
        // (worker thread only).
        uint64_t cameBackUntil = 0;
        std::thread thread;
    };
    // How one attempt at the front job ended.
    enum class Attempt {
        Done,     // the job left the queue or changed its place: poll as usual
        Waiting,  // no connection: the job stays in front, connect again after the retry interval
    };

    void AddJob(Worker& worker, const ImageTransJob& job, bool atFront);
    void RunWorker(Worker& worker, bool upload);
    static void RemoveEmptyPartial(const std::wstring& localPath);
    bool CopyFrontJob(Worker& worker, QueuedJob& job);
    void DropJob(Worker& worker, uint64_t id);
    void GiveUp(Worker& worker, const QueuedJob& job);
    void UpdateJob(Worker& worker, const QueuedJob& job);
    // One more failed try: the job keeps its place (toBack false) or goes
    // behind the others; given up after kMaxTries.
    void CountFailedTry(Worker& worker, const QueuedJob& job, bool toBack);
    // The job goes behind the others, as it is.
    void MoveToBack(Worker& worker, const QueuedJob& job);
    // A picture the server does not have (yet): behind the others, counting
    // a try unless the connection has just come back.
    void PictureNotThereYet(Worker& worker, const QueuedJob& job);
    Attempt ProcessDownload(QueuedJob job);
    Attempt ProcessUpload(QueuedJob job);
    // Connects the worker's socket unless it is open; false (and the outage
    // counted) when the try failed.
    bool EnsureConnected(Worker& worker);
    // The connection broke: closed, and one try to connect again.
    void Reconnect(Worker& worker);
    void ShowOutageNotice(Worker& worker);
    // Closes the outage notice while it is shown, then joins its thread.
    void EndOutageNotice();
    // Waits up to ms; true when a stop was asked for.
    bool WaitForStop(unsigned ms);
    bool Stopping() const { return m_stopping.load(); }

    ImageTransferConfig m_config;
    Worker m_upload;
    Worker m_download;
    std::atomic<uint64_t> m_nextId{1};
    std::atomic<bool> m_stopping{false};
    std::mutex m_stopLock;
    std::condition_variable m_stopSignal;
    // The outage notice: shown at most once until a connection is made again.
    std::mutex m_noticeLock;
    bool m_outageNoticed = false;
    std::atomic<bool> m_noticeShowing{false};
    std::atomic<DWORD> m_noticeThreadId{0};
    std::thread m_noticeThread;
    // Local paths of downloads given up (lower case), under the download lock.
    std::set<std::wstring> m_givenUp;
};
