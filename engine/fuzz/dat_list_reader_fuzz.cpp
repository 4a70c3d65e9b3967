// Fuzz target: the readers of the ".dat" list files.
//
// Input: one byte that chooses which list file of the own folder and of a
// kept user's folder holds the bytes (or all of them), then the file's
// bytes. Every reader runs: the header and record reads, the whole-list
// reads of every record type, MGetUserData, the contact lists' load, the
// requests that send a list's stamp, and a friend-update reply that merges
// the stored lists with the server's changes.
#include <cstddef>
#include <cstdint>

#include "FuzzSession.h"
#include "HistoryFiles.h"
#include "StoreCheck.h"

namespace {

using enginefuzz::kAgentId;
using enginefuzz::kOwnId;

const wchar_t* const kListFiles[] = {
    L"userlist.dat", L"friendType.dat", L"friendUpdate.dat", L"talkList.dat",
    L"regList.dat",  L"contactList.dat", L"groupUserList.dat",
};
constexpr size_t kListFileCount = sizeof kListFiles / sizeof kListFiles[0];

std::vector<uint8_t> FriendUpdateReply(int32_t userId) {
    engine::wire::BodyWriter w;
    w.Int32(userId).Int32(20261210).Int32(101112).U16(1).U16(1);
    // One update: the user's friend 5005 moves to category 2.
    w.Int32(userId).Int32(5005).Int32(2).Int32(2).Int32(0).Int32(0);
    // One user entry with its three texts.
    w.Int32(5005).Int32(2).Int32(0).Int32(1);
    w.Bytes("name", 5).Bytes("memo", 5).Bytes("sign", 5);
    return engine::wire::BuildPacket(CMD_GET_FRIEND_UPDATE, w.Take());
}

void Exercise(engine::EngineVariant variant, uint8_t choice, const uint8_t* data, size_t size) {
    enginefuzz::ScratchFolder::Instance().Empty();
    enginefuzz::LiveSession live(variant);
    CProtocolSession& session = *live.session;
    engine::HistoryFiles history(variant, live.files);
    const std::wstring root = enginefuzz::ScratchFolder::Instance().Path();
    const std::wstring folders[] = {engine::IdText(kOwnId) + L"\\",
                                    engine::IdText(kOwnId) + L"\\MyGroup\\" + engine::IdText(kAgentId) + L"\\"};
    const size_t which = choice % (kListFileCount + 1);  // the last: every file
    for (const std::wstring& folder : folders)
        for (size_t i = 0; i < kListFileCount; ++i)
            if (which == kListFileCount || which == i)
                enginefuzz::WriteFile(live.files, root + folder + kListFiles[i], data, size);

    FriendListRecord& kept = live.store.FriendListAt(kAgentId);
    kept.userId = kAgentId;
    for (const std::wstring& folder : folders) {
        for (size_t i = 0; i < kListFileCount; ++i) {
            const std::wstring relative = folder + kListFiles[i];
            DatFileHeader header{};
            history.ReadDatHeader(root, relative, header);
            uint8_t buffer[512];
            const size_t count = 1 + choice % sizeof buffer;
            history.ReadDatRecords(root, relative, 128 + (choice >> 4) * 4, buffer, count);
            history.ReadDatList<UserInfoBase>(root, relative);
            history.ReadDatList<CategoryRecord>(root, relative);
            history.ReadDatList<GroupUserRecord>(root, relative);
            history.ReadDatList<TalkListRecord>(root, relative);
            history.ReadDatList<FriendUpdateRecord>(root, relative);
        }
    }

    session.GetUserData(kept, 8);
    session.GetUserData(kept, 9);
    session.LoadContactFiles(kOwnId);
    session.LoadContactFiles(kAgentId);
    for (int kind = 0; kind < 3; ++kind) {
        session.RequestTalkList(kOwnId, kind, false);
        session.RequestTalkList(kAgentId, kind, false);
    }
    session.RequestFriendUpdate(kOwnId);
    session.RequestFriendUpdate(kAgentId);
    for (int32_t user : {kOwnId, kAgentId}) {
        const std::vector<uint8_t> packet = FriendUpdateReply(user);
        session.Dispatch(packet.data(), packet.size());
    }
    enginefuzz::CheckStore(live.store);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    Exercise(engine::EngineVariant::Desk, data[0], data + 1, size - 1);
    Exercise(engine::EngineVariant::Messenger, data[0], data + 1, size - 1);
    return 0;
}
