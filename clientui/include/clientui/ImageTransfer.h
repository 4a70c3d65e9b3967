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
// Every loop is bounded: a picture that keeps failing is tried at most
// kMaxTries times (and moves behind the other jobs after each failed try);
// replies are checked before anything is taken from them; names from the
// network are used only as plain file names.
//
// The process-wide instance (GetInstance) lives for the whole process and
// is never stopped. Tests make their own instance with their own server and
// timing and end it with Stop.
#pragma once

#include "clientui/FileServerSocket.h"
#include "clientui/ImageTransJob.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct ImageTransferTiming {
    int connectRetries = 50;           // after the first try
    unsigned retryIntervalMs = 500;
    unsigned pollIntervalMs = 500;
    unsigned connectTimeoutMs = 5000;  // one connect try
    unsigned ioTimeoutMs = 60000;      // one send or receive
};

struct ImageTransferConfig {
    std::wstring host;                  // dotted IPv4 address
    uint16_t port = FILE_SERVER_PORT;
    ImageTransferTiming timing;
    std::wstring messageCaption;        // caption of the connect-failure message box
};

class CImageTransfer {
public:
    // A download or upload that failed this many times is dropped.
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
    };

    // The single instance: the first call constructs it for the server
    // entry of the settings and starts the upload worker, then the download
    // worker. Never destroyed.
    static CImageTransfer& GetInstance();

    // An instance of its own (tests): starts both workers at once.
    explicit CImageTransfer(const ImageTransferConfig& config);
    ~CImageTransfer();
    CImageTransfer(const CImageTransfer&) = delete;
    CImageTransfer& operator=(const CImageTransfer&) = delete;

    // Push a copy of the job at the back (or the front) of a queue, under
    // that queue's lock.
    void AddUploadJob(const ImageTransJob& job, bool atFront = false);
    void AddDownloadJob(const ImageTransJob& job, bool atFront = false);

    // (Re)connects a worker's socket: up to 1 + connectRetries tries,
    // retryIntervalMs apart; when every try failed, the message box
    // "连接文件服务器失败" (through the framework's message-box sink) and
    // false; the socket then stays closed, so the next send fails and
    // connects again. counters (optional) count the tries.
    bool Connect(CFileServerSocket& socket, Counters* counters = nullptr);

    // Signals both workers to stop and waits for them. The programs never
    // call it; a test ends its own instance with it (the destructor too).
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
        std::thread thread;
    };
    enum class Attempt { Done, Retry };

    void AddJob(Worker& worker, const ImageTransJob& job, bool atFront);
    void RunWorker(Worker& worker, bool upload);
    bool CopyFrontJob(Worker& worker, QueuedJob& job);
    void DropJob(Worker& worker, uint64_t id);
    void UpdateJob(Worker& worker, const QueuedJob& job);
    void CountFailedTry(Worker& worker, const QueuedJob& job);
    void ProcessDownload(QueuedJob job);
    void ProcessUpload(QueuedJob job);
    bool Reconnect(Worker& worker);
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
};
