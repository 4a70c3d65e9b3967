#include "DeskCommands.h"

#include "ImEngineApi.h"

namespace chatserver {

void AddDeskCommands(CommandTable& table, DeskWorld& world, ClientDirectory& clients,
                     DeskWorld::StatusSource status) {
    if (!status) {
        status = [&clients](int32_t userId) {
            return clients.ConnectionsOf(userId).empty() ? int32_t(STATUS_OFFLINE) : int32_t(STATUS_ONLINE);
        };
    }
    world.SetStatusSource(std::move(status));
    auto deliver = [&clients](ClientContext& client, const std::vector<DeskOutgoing>& packets) {
        for (const DeskOutgoing& out : packets) {
            if (out.toUser == DeskOutgoing::kRequester) {
                client.Reply(out.command, out.body);
                continue;
            }
            for (ClientContext* to : clients.ConnectionsOf(out.toUser)) to->Reply(out.command, out.body);
        }
    };
    // Text messages are routed by the handler already there; the desk world
    // keeps them for its archive and copies them to a watching owner.
    CommandTable::Handler route = table.Find(CMD_TEXT_MSG);
    table.Add(CMD_TEXT_MSG, [route, &world, deliver](ClientContext& client, const Packet& packet) {
        if (route) route(client, packet);
        if (client.userId != 0) deliver(client, world.OnTextMessage(client.userId, packet.body));
    });
    for (uint32_t command = CMD_GET_GROUP_USER_LIST; command <= CMD_GET_COMM_REPLY; ++command) {
        table.Add(command, [&world, deliver, command](ClientContext& client, const Packet& packet) {
            if (client.userId != 0) deliver(client, world.Handle(client.userId, command, packet.body));
        });
    }
}

}  // namespace chatserver
