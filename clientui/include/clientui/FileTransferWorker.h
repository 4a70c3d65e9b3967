// CFileTransferWorker: the worker thread that moves one file between this
// client and the file server (port 7013), for the file-transfer panel.
//
// Upload: the file goes up in blocks of 20480 bytes with CMD_FILE_UPLOAD;
// each block is sent again until the server confirms it. Download: blocks
// of at most 51200 bytes, and never more than the offered size still
// missing, come down with CMD_FILE_DOWNLOAD into "<path>.tmp", which is
// renamed to the path once the bytes received reach the offered size (what
// the server has past it, such as the rest of a longer file stored earlier
// under the same name, is not asked for and not kept); a partial ".tmp"
// file of the same name (left by an interrupted run) is resumed at its
// length. The download may try other stored names after the first: when
// the first reply under a name has no data, or names a stored file shorter
// than the offer, the next name is asked. A cancelled or failed download
// removes its ".tmp" file, so no half file is ever left under the final
// name.
//
// The file server may go away for a while: a connection that cannot be
// made, or a failed send or receive, makes the worker connect again,
// retryIntervalMs apart, and repeat the block, for as long as it takes,
// until the owner cancels. It tells its sink when it starts to wait for the
// server and when the server answers again. A reply that arrives but cannot
// be used (it breaks the protocol or does not answer the request) is no
// outage: the worker connects again and asks once more, and ends with
// Failed after maxUnusableReplies of them in a row. Every attempt is
// bounded in time (connect and socket time-outs), and a cancel is seen
// within one block or one retry interval. Replies are checked before
// anything is taken from them.
//
// The worker reports to its sink on the worker thread; the sink lives as
// long as the thread (shared). The owner cancels and waits for the thread
// when it goes; a thread that has not ended within the wait runs on with
// its own copy of the job and sink and ends at its next check.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

enum class FileTransferResult {
    Completed,   // every byte is on the server (upload) or in the file (download)
    Cancelled,   // the owner cancelled
    OpenFailed,  // the local file could not be opened
    Failed,      // the server kept refusing a block, kept answering with unusable replies or has less
                 // than the file, or the local file failed
};

struct FileTransferTiming {
    unsigned retryIntervalMs = 500;    // between connect tries while the server is away
    unsigned connectTimeoutMs = 3000;  // one connect try
    unsigned ioTimeoutMs = 10000;      // one send or receive
    int maxBlockResends = 100;         // refusals of one upload block in a row
    int maxUnusableReplies = 10;       // replies in a row that cannot be used
};

struct FileTransferJob {
    bool upload = false;
    // Upload: the file to send. Download: the final path of the file.
    std::wstring localPath;
    std::string storedName;  // the name on the server, ANSI
    // Download: names tried in order when storedName does not hold the file.
    std::vector<std::string> otherStoredNames;
    int32_t fileSize = 0;    // the offered size
    std::wstring host;       // dotted IPv4 address
    uint16_t port = 7013;
    FileTransferTiming timing;
};

// What the worker reports, on the worker thread.
class IFileTransferSink {
public:
    virtual ~IFileTransferSink() = default;
    // Connected; the data starts now.
    virtual void OnTransferStarted() = 0;
    // After every stored or received block.
    virtual void OnTransferProgress(int32_t bytesDone, int percent) = 0;
    // The worker waits for the file server (true) or reaches it again
    // (false); told only on a change.
    virtual void OnTransferWaiting(bool waiting) = 0;
    // Last call of the thread.
    virtual void OnTransferEnded(FileTransferResult result) = 0;
};

class CFileTransferWorker {
public:
    // How long the destructor waits for a cancelled thread.
    static constexpr unsigned kDestroyWaitMs = 5000;

    CFileTransferWorker() = default;
    // Cancels, waits up to kDestroyWaitMs, then lets the thread go.
    ~CFileTransferWorker();
    CFileTransferWorker(const CFileTransferWorker&) = delete;
    CFileTransferWorker& operator=(const CFileTransferWorker&) = delete;

    // Starts the thread for the job; false while a thread still runs.
    bool Start(const FileTransferJob& job, std::shared_ptr<IFileTransferSink> sink);
    // Asks the thread to stop: at once when it waits, and a connect, send
    // or receive under way fails at once (its connection is interrupted).
    void Cancel();
    // Waits up to ms for the thread; true when it has ended (or none runs).
    bool Wait(unsigned ms);
    bool IsRunning() const;
    int32_t BytesDone() const;
    // The temporary file a download writes into.
    static std::wstring TempPathOf(const std::wstring& path) { return path + L".tmp"; }

private:
    struct Shared;
    static void Run(std::shared_ptr<Shared> shared);
    static FileTransferResult Upload(Shared& shared);
    static FileTransferResult Download(Shared& shared);

    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
};
