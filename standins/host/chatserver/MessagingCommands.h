// The commands that desk and messenger accounts share, served from the
// World: friend list, status list and status changes (with notices to the
// online users whose list holds the changer), user information, memos, the
// own profile, and the routing of text messages, typing notices and file
// offers between connected users. Presence follows log-on, log-out and the
// end of a connection.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "ClientDirectory.h"
#include "CommandTable.h"
#include "World.h"

namespace chatserver {

// The server's local date (yyyymmdd) and time of day
// (hh*10000000 + mm*100000 + ss*1000 + ms).
struct ServerTime {
    int32_t date = 0;
    int32_t time = 0;
};
ServerTime LocalServerTime();

// Results of a message acknowledgement.
enum : int32_t {
    ACK_DELIVERED = 1,
    ACK_STORED = 5,   // the receiver is offline; delivered at its next log-on
    ACK_REFUSED = 2,  // no such receiver, not logged on, or the store is full
};

class MessagingCommands {
public:
    MessagingCommands(World& world, ClientDirectory& clients,
                      std::function<ServerTime()> now = LocalServerTime);
    // Adds the handlers; wraps the table's log-on and log-out handlers.
    void Register(CommandTable& table);
    // A connection ends (called before it goes away).
    void OnClosed(ClientContext& client);

    // The status `id` shows to others: offline when not connected or invisible.
    int32_t VisibleStatus(int32_t id);

private:
    void OnLoggedOn(ClientContext& client);
    void OnLoggedOut(ClientContext& client, int32_t userId);
    void OnChangeStatus(ClientContext& client, const Packet& packet);
    void OnFriendList(ClientContext& client, const Packet& packet);
    void OnStatusList(ClientContext& client, const Packet& packet);
    void OnPostLogon(ClientContext& client, const Packet& packet);
    void OnUserInfo(ClientContext& client, const Packet& packet);
    void OnTextMsg(ClientContext& client, const Packet& packet);
    void OnInputStatus(ClientContext& client, const Packet& packet);
    void OnUserMemo(ClientContext& client, const Packet& packet);
    void OnMyInfo(ClientContext& client, const Packet& packet);
    void OnFileRequest(ClientContext& client, const Packet& packet);

    bool Online(int32_t id, const ClientContext* except = nullptr);
    // Tells `id` itself and the online users whose list holds it.
    void AnnounceStatus(int32_t id, int32_t ownStatus);
    void SendTo(int32_t userId, uint32_t command, const std::vector<uint8_t>& body);

    World& world_;
    ClientDirectory& clients_;
    std::function<ServerTime()> now_;
};

}  // namespace chatserver
