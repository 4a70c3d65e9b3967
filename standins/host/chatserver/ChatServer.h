// The stand-in chat server: one thread, one poll loop over the chat
// listener, the chat connections and an optional control channel.
//
// Control channel (text lines, for tests):
//   SCRIPT <step>...      replace the fault script (see FaultScript.h)
//   RECORD                every event so far, then "END":
//                           ACCEPT <conn> <ms>
//                           PACKET <conn> <ms> <command> <body length> <body hex>
//                           CLOSED <conn> <ms>
//                           ERROR <conn> <ms> <text>
//                           FAULT <conn> <ms> <what>
//   CLEAR                 forget the recorded events
//   DROP                  close every chat connection
//   REFUSE / LISTEN       stop / start listening on the chat port
//   SEND <conn|last> <command> <body hex>   send a packet to a connection
//   REQUEST <conn|last> <command> <body hex>  answer as if the connection
//                         had sent this request
//   MUTE <conn|last>      record the connection's packets from now on, serve none
//   UNMUTE <conn|last>    serve the connection's packets again (those that
//                         came while it was muted stay unserved)
//   CUT <conn|last|all>   the connection's next acknowledgement of a message
//                         is written only in part (the message itself has
//                         gone to its receiver), then the connection ends
//                         hard; recorded as FAULT <conn> <ms> cut-ack <msg id>
//   PING                  "OK"
//   QUIT                  end the server
//   RESTART <ms>          end the server, then (main) start it again after
//                         <ms> on the same ports: everything it knew is gone
// Every command answers one line ("OK", "ERR <text>") unless stated.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "AccountBook.h"
#include "ClientDirectory.h"
#include "CommandTable.h"
#include "DeskData.h"
#include "DeskWorld.h"
#include "FaultScript.h"
#include "MessagingCommands.h"
#include "PacketFramer.h"
#include "World.h"

namespace chatserver {

struct ServerOptions {
    std::string bindAddress = "127.0.0.1";
    uint16_t port = 7012;
    bool control = false;
    uint16_t controlPort = 0;  // 0: any free port
    std::string portFile;      // "<chat port> <control port>\n" once listening
};

class ChatServer : public ClientDirectory {
public:
    // `world`: users, lists and profiles (every account is a user of it).
    // `desk`: the data of the desk commands (24 to 38).
    ChatServer(ServerOptions options, AccountBook accounts, FaultScript script, World world = World(),
               DeskData desk = DeskData());
    ~ChatServer();
    ChatServer(const ChatServer&) = delete;
    ChatServer& operator=(const ChatServer&) = delete;

    bool Start(std::string& error);
    void Run();   // until Stop() or QUIT
    void Stop();  // any thread
    uint16_t ChatPort() const { return chatPort_; }
    uint16_t ControlPort() const { return controlPort_; }
    // After Run(): the pause before a restart that RESTART asked for, or -1.
    int RestartAfterMs() const { return restartAfterMs_; }
    CommandTable& Commands() { return commands_; }
    std::vector<ClientContext*> ConnectionsOf(int32_t userId) override;

private:
    using Clock = std::chrono::steady_clock;
    struct Chunk {
        std::vector<uint8_t> bytes;
        size_t sent = 0;
        Clock::time_point notBefore;
    };
    class ChatConnection;
    struct ControlConnection {
        int fd = -1;
        std::string in;
        std::string out;
    };

    bool Listen(std::string& error);
    void StopListening();
    void Accept();
    void AcceptControl();
    void ReadChat(ChatConnection& conn);
    void WriteChat(ChatConnection& conn);
    void ReadControl(ControlConnection& conn);
    std::string HandleControl(const std::string& line);
    void CloseChat(int number);
    void Record(const std::string& line);
    long long Millis() const;
    int NextTimeoutMs() const;
    void Tick();

    ServerOptions options_;
    AccountBook accounts_;
    FaultScript script_;
    CommandTable commands_;
    World world_;
    MessagingCommands messaging_;
    DeskWorld desk_;
    int listenFd_ = -1;
    int controlFd_ = -1;
    int wakePipe_[2] = {-1, -1};
    uint16_t chatPort_ = 0;
    uint16_t controlPort_ = 0;
    bool quit_ = false;
    int restartAfterMs_ = -1;
    Clock::time_point started_;
    Clock::time_point listenAgainAt_{};
    bool listenAgainPending_ = false;
    int nextNumber_ = 1;
    int lastNumber_ = 0;
    std::map<int, std::unique_ptr<ChatConnection>> chats_;
    std::vector<std::unique_ptr<ControlConnection>> controls_;
    std::deque<std::string> events_;
};

}  // namespace chatserver
