// The commands the stand-in server answers, one handler per command code.
// Later commands are added with Add(); a command without a handler is only
// recorded.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "PacketFramer.h"

namespace chatserver {

class AccountBook;

// What a handler sees of the connection the packet came on.
class ClientContext {
public:
    virtual ~ClientContext() = default;
    virtual int Number() const = 0;
    virtual void Reply(uint32_t command, const std::vector<uint8_t>& body) = 0;
    virtual void Close() = 0;
    int32_t userId = 0;  // set by a successful log-on
};

class CommandTable {
public:
    using Handler = std::function<void(ClientContext&, const Packet&)>;
    void Add(uint32_t command, Handler handler) { handlers_[command] = std::move(handler); }
    // The handler of a command (empty when none), e.g. to wrap it.
    Handler Find(uint32_t command) const {
        auto it = handlers_.find(command);
        return it == handlers_.end() ? Handler() : it->second;
    }
    // True when a handler ran.
    bool Handle(ClientContext& client, const Packet& packet) const;

private:
    std::map<uint32_t, Handler> handlers_;
};

// Log-on (type 20: MD5 digest of the password; type 10: known account),
// log-out and heartbeat.
void AddSessionCommands(CommandTable& table, const AccountBook& accounts);

}  // namespace chatserver
