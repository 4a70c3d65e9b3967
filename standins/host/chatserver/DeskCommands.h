// The desk commands (24 to 38) of the stand-in server: each is answered by
// the DeskWorld; a packet for another user goes to every connection of that
// user, and nowhere when it has none. Text messages, routed by the handler
// the table has for them, are also kept in the desk archive (call after the
// messaging commands are registered).
#pragma once

#include "ClientDirectory.h"
#include "CommandTable.h"
#include "DeskWorld.h"

namespace chatserver {

// `status` gives the status others see of a user; without it a user with a
// connection is online, one without is offline.
void AddDeskCommands(CommandTable& table, DeskWorld& world, ClientDirectory& clients,
                     DeskWorld::StatusSource status = {});

}  // namespace chatserver
