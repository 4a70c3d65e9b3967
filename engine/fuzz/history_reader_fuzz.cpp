// Fuzz target: the engine's readers of its history files, a ".msg" file and
// "latestContact.dat", with whatever bytes a damaged or foreign file holds.
//
// Input: the file's bytes. They are put in place as a desk history, a
// messenger history, a fetched-records file and the latest-contact list;
// then everything that reads those files runs: the header read, the append
// of a new record (desk and messenger rules), the latest-contact update,
// and the message-records request that reads the newest record's moment.
#include <cstddef>
#include <cstdint>

#include "FuzzSession.h"
#include "HistoryFiles.h"

namespace {

using enginefuzz::kOwnId;
using enginefuzz::kPeerId;

TextMsgRecord Message(int32_t date, int32_t time) {
    TextMsgRecord msg{};
    msg.date = date;
    msg.time = time;
    msg.senderId = kPeerId;
    msg.receiverId = kOwnId;
    std::strcpy(msg.text, "fuzz");
    return msg;
}

void Exercise(engine::EngineVariant variant, const uint8_t* data, size_t size) {
    enginefuzz::ScratchFolder::Instance().Empty();
    enginefuzz::LiveSession live(variant);
    engine::HistoryFiles history(variant, live.files);
    const std::wstring root = enginefuzz::ScratchFolder::Instance().Path();
    const std::wstring chat = history.ChatHistoryPath(root, kOwnId, kPeerId);
    const std::wstring latest = engine::HistoryFiles::LatestContactPath(root, kOwnId);
    const std::wstring own = root + engine::IdText(kOwnId) + L"\\msg\\";
    const std::wstring fetched = own + engine::IdText(kPeerId) + L".latest.msg";

    enginefuzz::WriteFile(live.files, chat, data, size);
    enginefuzz::WriteFile(live.files, latest, data, size);
    enginefuzz::WriteFile(live.files, fetched, data, size);

    MsgFileHeader header{};
    history.ReadMsgHeader(fetched, header);
    live.session->RequestMsgRecords(kOwnId, kPeerId, 0);
    live.session->RequestMsgRecords(kOwnId, kPeerId, 1);

    // A record older than anything, then one newer than anything, through
    // the path a received message takes (history and latest contact).
    history.WriteChatRecord(Message(19700101, 0), root, false);
    history.WriteChatRecord(Message(29991231, 235959999), root, false);
    history.AppendMsgRecord(Message(29991231, 235959999), chat);
    LatestContactRecord contact{};
    contact.peerId = kOwnId + 7;
    contact.one = 1;
    contact.date = 20261210;
    contact.time = 101112;
    history.UpdateLatestContact(contact, latest);

    // What was written must read back as a history with the right marker.
    if (history.ReadMsgHeader(chat, header) && header.marker != MSG_FILE_MARKER) std::abort();

    // The same files once more through a batch, as one dispatch run writes.
    enginefuzz::WriteFile(live.files, chat, data, size);
    enginefuzz::WriteFile(live.files, latest, data, size);
    history.BeginBatch();
    history.WriteChatRecord(Message(19700101, 0), root, false);
    history.WriteChatRecord(Message(29991231, 235959999), root, false);
    history.UpdateLatestContact(contact, latest);
    history.WriteChatRecord(Message(29991231, 235959998), root, false);
    history.EndBatch();
    if (history.ReadMsgHeader(chat, header) && header.marker != MSG_FILE_MARKER) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Exercise(engine::EngineVariant::Desk, data, size);
    Exercise(engine::EngineVariant::Messenger, data, size);
    return 0;
}
