// The stand-in file server: stores and serves files in blocks over TCP with
// the commands 40 (upload) and 41 (download), framed by the chat protocol's
// 24-byte header.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FileStore.h"

namespace standin {

struct FileServerFaults {
    int rejectUploads = 0;          // answer this many upload blocks with status 1
    bool downloadsWithoutData = false;  // every download answer: no data, a size that never matches
    int closeAfterReplies = 0;      // close each connection after this many replies (0: never)
    uint32_t downloadBlockLimit = 0;    // cap on the bytes of one download answer (0: as asked)
    // When a request arrives and this file exists, the file is removed and
    // the server stalls: every request read until stallMs later is answered
    // only then.
    std::string stallTrigger;
    uint32_t stallMs = 30000;
    bool log = false;  // one line per request on stderr
};

class FileServer {
public:
    FileServer(std::string folder, FileServerFaults faults = {});
    ~FileServer();

    // Listens on the IPv4 address (127.0.0.1 unless given; any port when 0)
    // and serves in the background. False when the address is not a dotted
    // IPv4 address or cannot be bound.
    bool Start(uint16_t port, const std::string& bindAddress = "127.0.0.1");
    void Stop();
    uint16_t Port() const { return port_; }

    // Counters for tests.
    int UploadBlocks() const { return uploadBlocks_.load(); }
    int DownloadRequests() const { return downloadRequests_.load(); }

private:
    void AcceptLoop();
    void Serve(int client);
    bool HandleUpload(int client, const std::vector<uint8_t>& body);
    bool HandleDownload(int client, const std::vector<uint8_t>& body);

    FileStore store_;
    FileServerFaults faults_;
    int listener_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> uploadBlocks_{0};
    std::atomic<int> downloadRequests_{0};
    std::atomic<int> rejectsLeft_{0};
    std::mutex stallMutex_;
    std::chrono::steady_clock::time_point stallUntil_{};
    void StallIfAsked();
    std::thread acceptThread_;
    std::mutex clientsMutex_;
    std::vector<std::thread> clientThreads_;
    std::vector<int> clientSockets_;
};

}  // namespace standin
