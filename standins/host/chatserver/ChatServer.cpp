#include "ChatServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "ChaosFault.h"
#include "DeskCommands.h"
#include "ImEngineApi.h"

namespace chatserver {

namespace {

constexpr size_t kMaxEvents = 200000;
constexpr size_t kMaxControlLine = 64 * 1024;
// Room for the largest lists the protocol carries (about 21 MB) and more.
constexpr size_t kMaxPendingOutput = 64 * 1024 * 1024;
constexpr uint32_t kHugeBodyLength = 0x40000000;
constexpr auto kSplitPause = std::chrono::milliseconds(150);
// The body of a message acknowledgement: date, time, message id, result.
constexpr size_t kAckBodySize = 16;

void SetNonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL, 0) | O_NONBLOCK); }

std::string Hex(const std::vector<uint8_t>& bytes) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        out += kHex[b >> 4];
        out += kHex[b & 15];
    }
    return out;
}

bool ParseHex(const std::string& text, std::vector<uint8_t>& out) {
    if (text == "-") return true;  // an empty body
    if (text.size() % 2) return false;
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    for (size_t i = 0; i < text.size(); i += 2) {
        const int hi = nibble(text[i]), lo = nibble(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out.push_back(uint8_t(hi * 16 + lo));
    }
    return true;
}

int OpenListener(const std::string& address, uint16_t port, uint16_t& boundPort,
                 std::string& error) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return -1;
    }
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    if (inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1) {
        error = "bad bind address " + address;
        close(fd);
        return -1;
    }
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 16) != 0) {
        error = "bind/listen on port " + std::to_string(port) + ": " + std::strerror(errno);
        close(fd);
        return -1;
    }
    socklen_t length = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
    boundPort = ntohs(addr.sin_port);
    SetNonBlocking(fd);
    return fd;
}

}  // namespace

// One chat client connection and the fault it plays.
class ChatServer::ChatConnection : public ClientContext {
public:
    ChatConnection(ChatServer& server, int fd, int number, Fault fault)
        : server_(server), fd_(fd), number_(number), fault_(fault) {}
    ~ChatConnection() override {
        if (fd_ >= 0) close(fd_);
    }

    int Number() const override { return number_; }
    int Fd() const { return fd_; }
    Fault CurrentFault() const { return fault_; }
    PacketFramer& Framer() { return framer_; }
    std::deque<Chunk>& Output() { return output_; }
    bool CloseRequested() const { return closeAfterFlush_; }
    void StartChaos(uint32_t seed, bool splitOnly = false) {
        chaos_ = std::make_unique<ChaosFault>(seed ^ uint32_t(number_) * 2654435761u, splitOnly);
    }
    // CUT: the next acknowledgement of a message of this client is written
    // only in part, then the connection ends hard.
    void ArmCut() { cutArmed_ = true; }
    // Cut: nothing more is written, and nothing more is routed here (what
    // comes for the user waits for its next log-on).
    bool Cut() const { return cut_; }
    // From now on packets are recorded but not served (no reply, no routing).
    void Mute() { muted_ = true; }
    void Unmute() { muted_ = false; }
    bool Muted() const { return muted_; }
    ChaosFault* Chaos() { return chaos_.get(); }

    void Reply(uint32_t command, const std::vector<uint8_t>& body) override {
        if (fault_ == Fault::Silent || stalled_ || cut_) return;
        std::vector<uint8_t> packet = BuildPacket(command, body);
        if (cutArmed_ && command == CMD_TEXT_MSG && body.size() == kAckBodySize) {
            // The header and half the body, then the end of the connection.
            const uint32_t msgId = uint32_t(body[8]) | uint32_t(body[9]) << 8 | uint32_t(body[10]) << 16 |
                                   uint32_t(body[11]) << 24;
            packet.resize(kHeaderSize + kAckBodySize / 2);
            output_.clear();
            Queue(std::move(packet), Clock::now());
            cutArmed_ = false;
            cut_ = true;
            closeAfterFlush_ = true;
            server_.Record("FAULT " + std::to_string(number_) + " " + std::to_string(server_.Millis()) +
                           " cut-ack " + std::to_string(msgId));
            return;
        }
        if (chaos_) {
            // Each piece is due its delay after the one before it.
            Clock::time_point due = std::max(Clock::now(), output_.empty() ? Clock::now() : output_.back().notBefore);
            for (ChaosFault::Piece& piece : chaos_->Cut(packet)) {
                due += piece.delay;
                Queue(std::move(piece.bytes), due);
            }
            return;
        }
        const bool logonReply = command == CMD_LOGON;
        if (logonReply && fault_ == Fault::HugeLength) {
            for (int i = 0; i < 4; ++i) packet[20 + i] = uint8_t(kHugeBodyLength >> (8 * i));
            packet.resize(kHeaderSize);
            Queue(std::move(packet), Clock::now());
            stalled_ = true;
            return;
        }
        if (logonReply && fault_ == Fault::PartialBody) {
            packet.resize(kHeaderSize + std::min<size_t>(3, body.size()));
            Queue(std::move(packet), Clock::now());
            stalled_ = true;
            return;
        }
        if (fault_ == Fault::SplitHeader && !splitDone_) {
            splitDone_ = true;
            std::vector<uint8_t> first(packet.begin(), packet.begin() + 10);
            std::vector<uint8_t> rest(packet.begin() + 10, packet.end());
            Queue(std::move(first), Clock::now());
            Queue(std::move(rest), Clock::now() + kSplitPause);
        } else {
            Queue(std::move(packet), Clock::now());
        }
        if (logonReply && fault_ == Fault::CloseAfterLogon) closeAfterFlush_ = true;
    }

    void Close() override { closeAfterFlush_ = true; }

    // A raw packet from the control channel; faults do not apply.
    void SendRaw(std::vector<uint8_t> packet) { Queue(std::move(packet), Clock::now()); }

private:
    void Queue(std::vector<uint8_t> bytes, Clock::time_point notBefore) {
        size_t pending = 0;
        for (const Chunk& c : output_) pending += c.bytes.size() - c.sent;
        if (pending + bytes.size() > kMaxPendingOutput) {
            server_.Record("ERROR " + std::to_string(number_) + " " +
                           std::to_string(server_.Millis()) + " output buffer full");
            closeAfterFlush_ = true;
            return;
        }
        Chunk chunk;
        chunk.bytes = std::move(bytes);
        chunk.notBefore = notBefore;
        output_.push_back(std::move(chunk));
    }

    ChatServer& server_;
    int fd_;
    int number_;
    Fault fault_;
    PacketFramer framer_;
    std::deque<Chunk> output_;
    bool closeAfterFlush_ = false;
    bool stalled_ = false;
    bool splitDone_ = false;
    bool muted_ = false;
    bool cutArmed_ = false;
    bool cut_ = false;
    std::unique_ptr<ChaosFault> chaos_;
};

ChatServer::ChatServer(ServerOptions options, AccountBook accounts, FaultScript script, World world,
                       DeskData desk)
    : options_(std::move(options)),
      accounts_(std::move(accounts)),
      script_(std::move(script)),
      world_(std::move(world)),
      messaging_(world_, *this),
      desk_(std::move(desk)) {
    AddSessionCommands(commands_, accounts_);
    world_.AddAccounts(accounts_);
    messaging_.Register(commands_);
    AddDeskCommands(commands_, desk_, *this, [this](int32_t id) { return messaging_.VisibleStatus(id); });
    started_ = Clock::now();
}

ChatServer::~ChatServer() {
    chats_.clear();
    for (auto& c : controls_)
        if (c->fd >= 0) close(c->fd);
    if (listenFd_ >= 0) close(listenFd_);
    if (controlFd_ >= 0) close(controlFd_);
    for (int fd : wakePipe_)
        if (fd >= 0) close(fd);
}

bool ChatServer::Listen(std::string& error) {
    uint16_t bound = 0;
    listenFd_ = OpenListener(options_.bindAddress, chatPort_ ? chatPort_ : options_.port, bound, error);
    if (listenFd_ < 0) return false;
    chatPort_ = bound;
    return true;
}

void ChatServer::StopListening() {
    if (listenFd_ >= 0) close(listenFd_);
    listenFd_ = -1;
}

bool ChatServer::Start(std::string& error) {
    if (pipe(wakePipe_) != 0) {
        error = "pipe failed";
        return false;
    }
    SetNonBlocking(wakePipe_[0]);
    if (!Listen(error)) return false;
    if (options_.control) {
        controlFd_ = OpenListener(options_.bindAddress, options_.controlPort, controlPort_, error);
        if (controlFd_ < 0) return false;
    }
    // A script that starts with "refuse" refuses from the start.
    if (!script_.Empty() && script_.Front().fault == Fault::Refuse) Tick();
    if (!options_.portFile.empty()) {
        const std::string temp = options_.portFile + ".tmp";
        FILE* f = std::fopen(temp.c_str(), "w");
        if (!f) {
            error = "cannot write " + temp;
            return false;
        }
        std::fprintf(f, "%u %u\n", unsigned(chatPort_), unsigned(controlPort_));
        std::fclose(f);
        if (std::rename(temp.c_str(), options_.portFile.c_str()) != 0) {
            error = "cannot write " + options_.portFile;
            return false;
        }
    }
    return true;
}

void ChatServer::Stop() {
    const char byte = 'q';
    if (write(wakePipe_[1], &byte, 1) < 0) {
        // The loop ends at its next wake-up anyway.
    }
}

long long ChatServer::Millis() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started_).count();
}

void ChatServer::Record(const std::string& line) {
    if (events_.size() >= kMaxEvents) events_.pop_front();
    events_.push_back(line);
}

// Applies a "refuse" step at the head of the script and re-listens when a
// timed refusal is over.
void ChatServer::Tick() {
    if (listenAgainPending_ && Clock::now() >= listenAgainAt_) {
        listenAgainPending_ = false;
        std::string error;
        if (listenFd_ < 0 && !Listen(error)) Record("ERROR 0 " + std::to_string(Millis()) + " " + error);
    }
    while (!script_.Empty() && script_.Front().fault == Fault::Refuse) {
        const uint32_t ms = script_.Front().refuseMs;
        script_.Pop();
        StopListening();
        if (ms) {
            listenAgainPending_ = true;
            listenAgainAt_ = Clock::now() + std::chrono::milliseconds(ms);
        }
    }
}

int ChatServer::NextTimeoutMs() const {
    auto next = Clock::time_point::max();
    if (listenAgainPending_) next = listenAgainAt_;
    for (const auto& [number, conn] : chats_) {
        if (!conn->Output().empty() && conn->Output().front().notBefore < next)
            next = conn->Output().front().notBefore;
    }
    if (next == Clock::time_point::max()) return 1000;
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count();
    return wait < 0 ? 0 : int(std::min<long long>(wait + 1, 1000));
}

void ChatServer::Run() {
    while (!quit_) {
        Tick();
        std::vector<pollfd> fds;
        std::vector<int> chatOrder;
        fds.push_back({wakePipe_[0], POLLIN, 0});
        const size_t listenIndex = fds.size();
        if (listenFd_ >= 0) fds.push_back({listenFd_, POLLIN, 0});
        const size_t controlIndex = fds.size();
        if (controlFd_ >= 0) fds.push_back({controlFd_, POLLIN, 0});
        const size_t controlsStart = fds.size();
        for (auto& c : controls_) {
            short events = POLLIN;
            if (!c->out.empty()) events |= POLLOUT;
            fds.push_back({c->fd, events, 0});
        }
        const size_t chatsStart = fds.size();
        const auto now = Clock::now();
        for (auto& [number, conn] : chats_) {
            short events = POLLIN;
            if (!conn->Output().empty() && conn->Output().front().notBefore <= now) events |= POLLOUT;
            fds.push_back({conn->Fd(), events, 0});
            chatOrder.push_back(number);
        }
        if (poll(fds.data(), fds.size(), NextTimeoutMs()) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[0].revents) break;  // Stop()
        if (listenFd_ >= 0 && listenIndex < fds.size() && fds[listenIndex].fd == listenFd_ &&
            fds[listenIndex].revents & POLLIN)
            Accept();
        if (controlFd_ >= 0 && fds[controlIndex].fd == controlFd_ && fds[controlIndex].revents & POLLIN)
            AcceptControl();
        for (size_t i = 0; i + controlsStart < chatsStart; ++i) {
            ControlConnection& c = *controls_[i];
            const short revents = fds[controlsStart + i].revents;
            if (revents & (POLLIN | POLLHUP | POLLERR)) ReadControl(c);
            if (c.fd >= 0 && !c.out.empty() && (revents & POLLOUT)) {
                const ssize_t n = send(c.fd, c.out.data(), c.out.size(), MSG_NOSIGNAL);
                if (n > 0) c.out.erase(0, size_t(n));
                else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) { close(c.fd); c.fd = -1; }
            }
        }
        for (size_t i = 0; i < chatOrder.size(); ++i) {
            auto it = chats_.find(chatOrder[i]);
            if (it == chats_.end()) continue;
            const short revents = fds[chatsStart + i].revents;
            if (revents & (POLLIN | POLLHUP | POLLERR)) ReadChat(*it->second);
            it = chats_.find(chatOrder[i]);
            if (it != chats_.end()) WriteChat(*it->second);
        }
        for (auto it = controls_.begin(); it != controls_.end();)
            it = (*it)->fd < 0 ? controls_.erase(it) : it + 1;
    }
    // The answer to QUIT or RESTART still reaches whoever asked.
    for (auto& c : controls_) {
        if (c->fd < 0) continue;
        const int flags = fcntl(c->fd, F_GETFL, 0);
        fcntl(c->fd, F_SETFL, flags & ~O_NONBLOCK);
        while (!c->out.empty()) {
            const ssize_t n = send(c->fd, c->out.data(), c->out.size(), MSG_NOSIGNAL);
            if (n <= 0) break;
            c->out.erase(0, size_t(n));
        }
    }
}

void ChatServer::Accept() {
    const int fd = accept(listenFd_, nullptr, nullptr);
    if (fd < 0) return;
    SetNonBlocking(fd);
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    Fault fault = Fault::None;
    uint32_t seed = 0;
    if (!script_.Empty()) {
        fault = script_.Front().fault;
        seed = script_.Front().seed;
        script_.Pop();
    }
    const int number = nextNumber_++;
    lastNumber_ = number;
    Record("ACCEPT " + std::to_string(number) + " " + std::to_string(Millis()) + " " + FaultName(fault));
    if (fault == Fault::CloseAfterAccept) {
        close(fd);
        Record("CLOSED " + std::to_string(number) + " " + std::to_string(Millis()));
        return;
    }
    chats_[number] = std::make_unique<ChatConnection>(*this, fd, number, fault);
    if (fault == Fault::Chaos) chats_[number]->StartChaos(seed);
    if (fault == Fault::Split) chats_[number]->StartChaos(seed, true);
}

void ChatServer::AcceptControl() {
    const int fd = accept(controlFd_, nullptr, nullptr);
    if (fd < 0) return;
    SetNonBlocking(fd);
    auto c = std::make_unique<ControlConnection>();
    c->fd = fd;
    controls_.push_back(std::move(c));
}

std::vector<ClientContext*> ChatServer::ConnectionsOf(int32_t userId) {
    std::vector<ClientContext*> out;
    if (userId == 0) return out;
    for (auto& [number, conn] : chats_)
        if (conn->userId == userId && !conn->Cut()) out.push_back(conn.get());
    return out;
}

void ChatServer::CloseChat(int number) {
    auto it = chats_.find(number);
    if (it == chats_.end()) return;
    messaging_.OnClosed(*it->second);
    chats_.erase(it);
    Record("CLOSED " + std::to_string(number) + " " + std::to_string(Millis()));
}

void ChatServer::ReadChat(ChatConnection& conn) {
    const int number = conn.Number();
    // One read per wake-up: what is kept between reads is at most one
    // unfinished packet, itself bounded by the framer.
    uint8_t buffer[16384];
    const ssize_t n = recv(conn.Fd(), buffer, sizeof buffer, 0);
    if (n == 0) {
        CloseChat(number);
        return;
    }
    if (n < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK) CloseChat(number);
        return;
    }
    conn.Framer().Feed(buffer, size_t(n));
    Packet packet;
    while (conn.Framer().Next(packet)) {
        // A chaos connection that is ending handles nothing more.
        if (conn.Chaos() && conn.Chaos()->Ending()) continue;
        Record("PACKET " + std::to_string(number) + " " + std::to_string(Millis()) + " " +
               std::to_string(packet.command) + " " + std::to_string(packet.body.size()) + " " +
               (packet.body.empty() ? std::string("-") : Hex(packet.body)));
        if (!conn.Muted()) commands_.Handle(conn, packet);
        if (conn.Chaos() && conn.Chaos()->CountPacket()) conn.Close();
    }
    if (!conn.Framer().Error().empty()) {
        Record("ERROR " + std::to_string(number) + " " + std::to_string(Millis()) + " " +
               conn.Framer().Error());
        CloseChat(number);
    }
}

void ChatServer::WriteChat(ChatConnection& conn) {
    const auto now = Clock::now();
    auto& out = conn.Output();
    while (!out.empty() && out.front().notBefore <= now) {
        Chunk& chunk = out.front();
        const ssize_t n = send(conn.Fd(), chunk.bytes.data() + chunk.sent,
                               chunk.bytes.size() - chunk.sent, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) return;
            CloseChat(conn.Number());
            return;
        }
        chunk.sent += size_t(n);
        if (chunk.sent < chunk.bytes.size()) return;
        out.pop_front();
    }
    if (out.empty() && conn.CloseRequested()) {
        if (conn.Chaos()) {
            // A chaos end is graceful: the user goes offline now (what comes
            // for it is kept for its next log-on), the client gets the end of
            // the stream after everything sent to it, and the connection
            // closes when the client closes its side (no reset that could
            // take data still on its way).
            if (!conn.Chaos()->HalfClosed()) {
                messaging_.OnClosed(conn);
                shutdown(conn.Fd(), SHUT_WR);
                conn.Chaos()->MarkHalfClosed();
            }
            return;
        }
        CloseChat(conn.Number());
    }
}

void ChatServer::ReadControl(ControlConnection& c) {
    char buffer[4096];
    const ssize_t n = recv(c.fd, buffer, sizeof buffer, 0);
    if (n <= 0) {
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        close(c.fd);
        c.fd = -1;
        return;
    }
    c.in.append(buffer, size_t(n));
    size_t newline;
    while ((newline = c.in.find('\n')) != std::string::npos) {
        std::string line = c.in.substr(0, newline);
        c.in.erase(0, newline + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        c.out += HandleControl(line);
    }
    if (c.in.size() > kMaxControlLine) {
        close(c.fd);
        c.fd = -1;
    }
}

std::string ChatServer::HandleControl(const std::string& line) {
    std::istringstream in(line);
    std::string verb;
    in >> verb;
    if (verb == "PING") return "OK\n";
    if (verb == "SCRIPT") {
        std::string rest, error;
        std::getline(in, rest);
        if (!script_.Set(rest, error)) return "ERR " + error + "\n";
        Tick();
        return "OK\n";
    }
    if (verb == "RECORD") {
        std::string out;
        for (const std::string& e : events_) out += e + "\n";
        return out + "END\n";
    }
    if (verb == "CLEAR") {
        events_.clear();
        return "OK\n";
    }
    if (verb == "DROP") {
        std::vector<int> numbers;
        for (const auto& [number, conn] : chats_) numbers.push_back(number);
        for (int number : numbers) CloseChat(number);
        return "OK\n";
    }
    if (verb == "REFUSE") {
        StopListening();
        listenAgainPending_ = false;
        return "OK\n";
    }
    if (verb == "LISTEN") {
        std::string error;
        listenAgainPending_ = false;
        if (listenFd_ < 0 && !Listen(error)) return "ERR " + error + "\n";
        return "OK\n";
    }
    if (verb == "SEND") {
        std::string target, hex;
        uint32_t command = 0;
        if (!(in >> target >> command >> hex)) return "ERR usage: SEND <conn|last> <command> <hex>\n";
        const int number = target == "last" ? lastNumber_ : std::atoi(target.c_str());
        auto it = chats_.find(number);
        if (it == chats_.end()) return "ERR no connection " + target + "\n";
        std::vector<uint8_t> body;
        if (!ParseHex(hex, body) || body.size() > kMaxBody) return "ERR bad body\n";
        it->second->SendRaw(BuildPacket(command, body));
        return "OK\n";
    }
    if (verb == "REQUEST") {
        std::string target, hex;
        Packet packet;
        if (!(in >> target >> packet.command >> hex)) return "ERR usage: REQUEST <conn|last> <command> <hex>\n";
        const int number = target == "last" ? lastNumber_ : std::atoi(target.c_str());
        auto it = chats_.find(number);
        if (it == chats_.end()) return "ERR no connection " + target + "\n";
        if (!ParseHex(hex, packet.body) || packet.body.size() > kMaxBody) return "ERR bad body\n";
        if (!commands_.Handle(*it->second, packet)) return "ERR no handler\n";
        return "OK\n";
    }
    if (verb == "MUTE" || verb == "UNMUTE") {
        std::string target;
        if (!(in >> target)) return "ERR usage: " + verb + " <conn|last>\n";
        const int number = target == "last" ? lastNumber_ : std::atoi(target.c_str());
        auto it = chats_.find(number);
        if (it == chats_.end()) return "ERR no connection " + target + "\n";
        if (verb == "MUTE")
            it->second->Mute();
        else
            it->second->Unmute();
        return "OK\n";
    }
    if (verb == "CUT") {
        std::string target;
        if (!(in >> target)) return "ERR usage: CUT <conn|last|all>\n";
        if (target == "all") {
            for (auto& [number, conn] : chats_) conn->ArmCut();
            return "OK\n";
        }
        const int number = target == "last" ? lastNumber_ : std::atoi(target.c_str());
        auto it = chats_.find(number);
        if (it == chats_.end()) return "ERR no connection " + target + "\n";
        it->second->ArmCut();
        return "OK\n";
    }
    if (verb == "RESTART") {
        long long ms = -1;
        if (!(in >> ms) || ms < 0 || ms > 600000) return "ERR usage: RESTART <ms>\n";
        restartAfterMs_ = int(ms);
        quit_ = true;
        return "OK\n";
    }
    if (verb == "QUIT") {
        quit_ = true;
        return "OK\n";
    }
    return "ERR unknown command\n";
}

}  // namespace chatserver
