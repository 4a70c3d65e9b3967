#include "DeskCommands.h"

#include "ImEngineApi.h"
#include "PacketFramer.h"

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
    // Text messages are routed by the handler already there, to the agent
    // who talks for the owner when a customer writes to its owner during a
    // hand-over or a grab; the desk world keeps them for its archive and
    // copies them to a watching owner.
    CommandTable::Handler route = table.Find(CMD_TEXT_MSG);
    table.Add(CMD_TEXT_MSG, [route, &world, deliver](ClientContext& client, const Packet& packet) {
        constexpr size_t kReceiverAt = 16;
        Packet routed = packet;
        if (client.userId != 0 && routed.body.size() >= TEXTMSG_HEAD_SIZE) {
            const int32_t receiver = int32_t(ReadWord(&routed.body[kReceiverAt]));
            const int32_t recipient = world.Recipient(client.userId, receiver);
            if (recipient != receiver) {
                for (size_t i = 0; i < 4; ++i) routed.body[kReceiverAt + i] = uint8_t(uint32_t(recipient) >> (8 * i));
            }
        }
        if (route) route(client, routed);
        if (client.userId != 0) deliver(client, world.OnTextMessage(client.userId, routed.body));
    });
    for (uint32_t command = CMD_GET_GROUP_USER_LIST; command <= CMD_GET_COMM_REPLY; ++command) {
        table.Add(command, [&world, deliver, command](ClientContext& client, const Packet& packet) {
            if (client.userId != 0) deliver(client, world.Handle(client.userId, command, packet.body));
        });
    }
}

}  // namespace chatserver
