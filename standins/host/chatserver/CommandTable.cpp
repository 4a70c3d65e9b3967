#include "CommandTable.h"

#include <cstring>
#include <string>

#include "AccountBook.h"
#include "ImEngineApi.h"
#include "Md5Digest.h"

namespace chatserver {

bool CommandTable::Handle(ClientContext& client, const Packet& packet) const {
    auto it = handlers_.find(packet.command);
    if (it == handlers_.end()) return false;
    it->second(client, packet);
    return true;
}

namespace {

constexpr size_t kLogonBodySize = 84;
constexpr size_t kDigestOffset = 4;
constexpr size_t kDigestSize = 32;
constexpr size_t kTypeOffset = 36;

int32_t CheckLogon(const AccountBook& accounts, const Packet& packet, int32_t& userId) {
    userId = 0;
    if (packet.body.size() != kLogonBodySize) return LOGON_ERR_OTHER;
    const uint8_t* body = packet.body.data();
    userId = int32_t(ReadWord(body));
    const int32_t type = int32_t(ReadWord(body + kTypeOffset));
    const Account* account = accounts.Find(userId);
    if (!account) return LOGON_ERR_PASSWORD;
    if (type == LOGON_TYPE_AUTO) return LOGON_OK;
    if (type != LOGON_TYPE_PASSWORD) return LOGON_ERR_OTHER;
    const std::string expected = Md5Hex(account->password.data(), account->password.size());
    const bool match = std::memcmp(body + kDigestOffset, expected.data(), kDigestSize) == 0;
    return match ? LOGON_OK : LOGON_ERR_PASSWORD;
}

}  // namespace

void AddSessionCommands(CommandTable& table, const AccountBook& accounts) {
    table.Add(CMD_LOGON, [&accounts](ClientContext& client, const Packet& packet) {
        int32_t userId = 0;
        const int32_t result = CheckLogon(accounts, packet, userId);
        client.userId = result == LOGON_OK ? userId : 0;
        std::vector<uint8_t> body;
        AppendWord(body, uint32_t(userId));
        AppendWord(body, uint32_t(result));
        client.Reply(CMD_LOGON, body);
    });
    table.Add(CMD_LOGOUT, [](ClientContext& client, const Packet& packet) {
        std::vector<uint8_t> body;
        AppendWord(body, uint32_t(LOGON_OK));
        client.userId = 0;
        client.Reply(CMD_LOGOUT, body);
    });
    table.Add(CMD_HEARTBEAT, [](ClientContext&, const Packet&) {});
}

}  // namespace chatserver
