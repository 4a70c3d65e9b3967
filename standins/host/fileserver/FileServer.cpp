#include "FileServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "ImEngineApi.h"

namespace standin {
namespace {

constexpr size_t kUploadBlockSize = 92;
constexpr size_t kDownloadBlockSize = 88;
constexpr size_t kUploadReplySize = 28;
constexpr size_t kDownloadReplySize = 32;
constexpr uint32_t kMaxDataPerBlock = 4u * 1024u * 1024u;
constexpr uint32_t kMaxBody = kUploadBlockSize + kMaxDataPerBlock;

uint32_t ReadU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(value >> (8 * i)));
}

std::vector<uint8_t> Header(uint32_t command, uint32_t bodyLength) {
    std::vector<uint8_t> out;
    for (uint32_t word : {command, 0u, PACKET_MARK, 0u, 0u, bodyLength}) PutU32(out, word);
    return out;
}

// The name field: text up to its NUL inside the 64 bytes; none when no NUL.
bool ReadName(const uint8_t* field, std::string& name) {
    const void* nul = std::memchr(field, 0, 64);
    if (!nul) return false;
    name.assign(reinterpret_cast<const char*>(field), static_cast<const uint8_t*>(nul) - field);
    return true;
}

bool ReadExactly(int socket, uint8_t* buffer, size_t length) {
    while (length > 0) {
        const ssize_t n = recv(socket, buffer, length, 0);
        if (n <= 0) return false;
        buffer += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

bool WriteAll(int socket, const std::vector<uint8_t>& data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = send(socket, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

FileServer::FileServer(std::string folder, FileServerFaults faults)
    : store_(std::move(folder)), faults_(faults), rejectsLeft_(faults.rejectUploads) {}

FileServer::~FileServer() { Stop(); }

bool FileServer::Start(uint16_t port, const std::string& bindAddress) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (inet_pton(AF_INET, bindAddress.c_str(), &address.sin_addr) != 1) return false;
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    if (listener_ < 0) return false;
    const int yes = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 16) != 0) {
        close(listener_);
        listener_ = -1;
        return false;
    }
    socklen_t length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    acceptThread_ = std::thread(&FileServer::AcceptLoop, this);
    return true;
}

void FileServer::Stop() {
    if (stopping_.exchange(true)) return;
    if (listener_ >= 0) shutdown(listener_, SHUT_RDWR);
    if (acceptThread_.joinable()) acceptThread_.join();
    if (listener_ >= 0) close(listener_);
    listener_ = -1;
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> lock(clientsMutex_);
        for (int s : clientSockets_) shutdown(s, SHUT_RDWR);
        threads.swap(clientThreads_);
    }
    for (auto& t : threads) t.join();
}

void FileServer::AcceptLoop() {
    while (!stopping_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (poll(&waiting, 1, 100) <= 0) continue;
        const int client = accept(listener_, nullptr, nullptr);
        if (client < 0) continue;
        std::lock_guard<std::mutex> lock(clientsMutex_);
        clientSockets_.push_back(client);
        clientThreads_.emplace_back(&FileServer::Serve, this, client);
    }
}

void FileServer::Serve(int client) {
    int replies = 0;
    for (;;) {
        uint8_t header[PACKET_HEADER_SIZE];
        if (!ReadExactly(client, header, sizeof header)) break;
        const uint32_t command = ReadU32(header);
        const uint32_t bodyLength = ReadU32(header + 20);
        if (bodyLength > kMaxBody) break;  // a protocol error, not an allocation
        std::vector<uint8_t> body(bodyLength);
        if (bodyLength && !ReadExactly(client, body.data(), bodyLength)) break;
        StallIfAsked();
        bool ok = false;
        if (command == CMD_FILE_UPLOAD) ok = HandleUpload(client, body);
        else if (command == CMD_FILE_DOWNLOAD) ok = HandleDownload(client, body);
        if (!ok) break;
        if (faults_.closeAfterReplies > 0 && ++replies >= faults_.closeAfterReplies) break;
    }
    shutdown(client, SHUT_RDWR);
    std::lock_guard<std::mutex> lock(clientsMutex_);
    for (auto& s : clientSockets_) {
        if (s == client) s = -1;
    }
    close(client);
}

void FileServer::StallIfAsked() {
    using Clock = std::chrono::steady_clock;
    Clock::time_point until;
    {
        std::lock_guard<std::mutex> lock(stallMutex_);
        if (!faults_.stallTrigger.empty() && unlink(faults_.stallTrigger.c_str()) == 0) {
            stallUntil_ = Clock::now() + std::chrono::milliseconds(faults_.stallMs);
            std::fprintf(stderr, "STALL %u ms\n", unsigned(faults_.stallMs));
        }
        until = stallUntil_;
    }
    while (!stopping_ && Clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

bool FileServer::HandleUpload(int client, const std::vector<uint8_t>& body) {
    ++uploadBlocks_;
    uint32_t status = 1;
    uint32_t offset = 0, length = 0;
    std::string name;
    if (body.size() >= kUploadBlockSize && ReadName(body.data() + 4, name)) {
        offset = ReadU32(body.data() + 68);
        length = ReadU32(body.data() + 72);
        const bool consistent = length == body.size() - kUploadBlockSize;
        if (consistent && rejectsLeft_.fetch_sub(1) <= 0 &&
            store_.Write(name, offset, body.data() + kUploadBlockSize, length)) {
            status = 0;
        }
    }
    if (faults_.log)
        std::fprintf(stderr, "UPLOAD %s %u %u %u\n", name.c_str(), unsigned(offset), unsigned(length),
                     unsigned(status));
    std::vector<uint8_t> reply = Header(CMD_FILE_UPLOAD, kUploadReplySize);
    PutU32(reply, status);
    PutU32(reply, offset);
    PutU32(reply, status == 0 ? length : 0);
    reply.resize(reply.size() + 16, 0);
    return WriteAll(client, reply);
}

bool FileServer::HandleDownload(int client, const std::vector<uint8_t>& body) {
    ++downloadRequests_;
    std::string name;
    uint32_t offset = 0;
    std::vector<uint8_t> data;
    int64_t size = -1;
    if (body.size() == kDownloadBlockSize && ReadName(body.data(), name)) {
        offset = ReadU32(body.data() + 64);
        uint32_t wanted = std::min(ReadU32(body.data() + 68), kMaxDataPerBlock);
        if (faults_.downloadBlockLimit) wanted = std::min(wanted, faults_.downloadBlockLimit);
        data = store_.Read(name, offset, wanted, size);
    }
    uint32_t reportedSize = size < 0 ? 0u : static_cast<uint32_t>(size);
    if (faults_.downloadsWithoutData) {
        data.clear();
        reportedSize = offset + 1;  // never equal to the offset: the client keeps trying
    }
    if (faults_.log)
        std::fprintf(stderr, "DOWNLOAD %s %u %u %u\n", name.c_str(), unsigned(offset), unsigned(data.size()),
                     unsigned(reportedSize));
    std::vector<uint8_t> reply = Header(CMD_FILE_DOWNLOAD, static_cast<uint32_t>(kDownloadReplySize + data.size()));
    PutU32(reply, 0);
    PutU32(reply, reportedSize);
    PutU32(reply, offset);
    PutU32(reply, static_cast<uint32_t>(data.size()));
    reply.resize(reply.size() + 16, 0);
    reply.insert(reply.end(), data.begin(), data.end());
    return WriteAll(client, reply);
}

}  // namespace standin
