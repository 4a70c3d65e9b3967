// The chat connections as the command handlers see them: who is logged on
// where, so that a handler can reach another user's connections.
#pragma once

#include <cstdint>
#include <vector>

#include "CommandTable.h"

namespace chatserver {

class ClientDirectory {
public:
    virtual ~ClientDirectory() = default;
    // The open connections whose log-on succeeded as `userId`.
    virtual std::vector<ClientContext*> ConnectionsOf(int32_t userId) = 0;
};

}  // namespace chatserver
