// CProtocolSession: builds the requests of the chat protocol into the send
// queue and handles every reply on the engine's dispatch thread, changing the
// data store and raising the client notifications.
//
// Portable: it talks to its platform only through EnginePorts.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "DataTree.h"
#include "EngineConfig.h"
#include "EnginePorts.h"
#include "HistoryFiles.h"
#include "ImEngineApi.h"
#include "SendQueue.h"
#include "Wire.h"

class CProtocolSession {
public:
    CProtocolSession(engine::EngineVariant variant, CDataTree& store, engine::SendQueue& queue,
                     const engine::EnginePorts& ports, std::wstring rootFolder);

    engine::EngineVariant Variant() const { return variant_; }
    bool IsDesk() const { return variant_ == engine::EngineVariant::Desk; }
    const std::wstring& RootFolder() const { return root_; }
    bool LoggedOn() const { return loggedOn_.load(); }
    void SetLoggedOn(bool on) { loggedOn_.store(on); }
    CDataTree& Store() { return store_; }
    engine::SendQueue& Queue() { return queue_; }

    // Handles one whole received packet (header and body). Packets that fail
    // the command's length rule, or that this build does not handle, are
    // dropped without effect. Returns true when a handler ran.
    bool Dispatch(const uint8_t* packet, size_t length);
    // Around a run of dispatches: the history writes of the run go to each
    // file together at its end (and before any notification is sent), see
    // HistoryFiles::BeginBatch.
    void BeginHistoryBatch();
    void EndHistoryBatch();
    // Writes what a batch kept and closes the history files kept open
    // between appends (log-out, log-on, unload).
    void CloseHistoryFiles();

    // ---- Requests shared by both builds ------------------------------------
    // The log-on packet built from the store's credentials; SendLogon clears
    // the queue and puts it at the front (see SendQueue::ResetWith).
    engine::Packet BuildLogonPacket();
    void SendLogon();
    void SendLogout(bool front);
    bool SendHeartbeat();  // queued only when logged on and the queue is empty
    void SendAfterLogonRequests();
    void SendTextMsg(const TextMsgRecord& msg);  // also keeps the copy unless type 1
    void RequestFriendList();
    void RequestStatusList();
    void RequestPostLogon();
    void RequestUserInfo(int32_t userId, int32_t kind);
    void RequestStatusChange(int32_t status);
    void SendInputStatus(int32_t peerId);
    void SendUserMemo(int32_t word1, int32_t word2, const char* memo);
    void SendMyInfo(const UserInfoBase& base, const UserInfoExt& ext);
    void SendFileRespond(const FileRequestRecord& record, int32_t code);
    // ---- Message outcomes ----------------------------------------------------
    // Every message kept as sent ends in exactly one WM_IM_MSGSENT or
    // WM_IM_MSGFAILED (its id in wParam; for a failure the engine decides,
    // in lParam too). A message is queued, then sent (its bytes reached the
    // socket), then lost (its connection ended before the acknowledgement),
    // then done. Across a reconnect a chat message that never reached the
    // server is held and goes out after the next log-on reply; one that was
    // sent but not acknowledged may or may not have arrived, and fails.
    //
    // A packet that will never be sent (the session stopped): a text message
    // that the engine holds ends in WM_IM_MSGFAILED. Any thread.
    void ReportUnsentPacket(const engine::Packet& packet);
    // Send thread: the first `bytes` bytes of the run reached the socket of
    // connection `connection` (a number that grows with each new
    // connection); the text messages wholly among them count as sent. When
    // the loss of that connection came first (LoseSentMessages ran for it,
    // perhaps with its failures told already), they count as lost at once
    // and the call returns true: FailLostMessages is then due once more.
    bool MarkSent(const std::vector<engine::Packet>& run, size_t bytes, uint32_t connection);
    // Send thread: a packet that did not reach the server because the
    // connection went down. A chat message is held for the next log-on;
    // any other request is dropped (the log-on asks again).
    void HoldUnsent(engine::Packet packet);
    // The reconnect (a worker), as the new connection is put in place: from
    // now until the log-on reply, new chat messages are held, not queued.
    void AwaitLogon();
    // Then the queue's packets that its reset dropped: the chat messages
    // among them are held, ahead of those held since AwaitLogon.
    void HoldForLogon(std::vector<engine::Packet> dropped);
    // The reconnect (a worker), before the new connection is in place: the
    // sent messages still waiting for their acknowledgement are lost, and so
    // is any that is marked sent on `connection` or an earlier one later.
    void LoseSentMessages(uint32_t connection);
    // The client's thread, as the reconnect starts: each lost message fails.
    void FailLostMessages();
    // The session ended (log-out, a reconnect that gave up): each message
    // without an outcome fails now (on the engine's window thread, like the
    // acknowledgements), the held ones among them.
    void FailAwaitingMessages();
    // MGetSendedTextMsg: the held copy, taken out of the store.
    bool TakeSentMsg(int32_t msgId, TextMsgRecord& out);
    // Chat messages held for the next log-on reply; ids whose outcome the
    // engine remembers (tests).
    size_t HeldMessages() const;
    size_t RememberedOutcomes() const;
    // The most message ids with an outcome that are remembered (with their
    // copies, until the client takes them): ids recur daily, and an old one
    // must never take a new message's outcome.
    static constexpr size_t kMaxRememberedOutcomes = 1024;

    // ---- Desk requests -------------------------------------------------------
    void RequestGroupUserList(int32_t userId);
    void RequestTalkList(int32_t userId, int32_t kind, bool skipFile);
    void RequestUserList(int32_t userId);
    void RequestMsgRecords(int32_t ownerId, int32_t customerId, int32_t flag);
    void RequestUserStatus(int32_t userId);
    void RequestSwitchUserList();
    void SwitchCustomer(const SwitchCustomerRecord& record);
    void GrabCustomer(int32_t agentId, int32_t customerId);
    void ConfirmGrabCustomer(const SwitchCustomerRecord& record, int32_t answer);
    void RequestSwitchRecords();
    void SearchMsgRecord(const MsgSearchRequest& request);
    void RequestUsersInfo(const std::vector<int32_t>& userIds);
    void RequestFriendUpdate(int32_t userId);
    void RequestUserFriends(int32_t userId);
    void SetCommReply(const CommReplyChange& change, int32_t operation);
    void RequestCommReply();
    // MGetUserData: fills a talk-list vector of `record` from the local file.
    int GetUserData(FriendListRecord& record, int kind);
    void LoadContactFiles(int32_t userId);

private:
    // Shared handlers.
    void OnLogonReply(const uint8_t* body, size_t length);
    void OnLogoutReply(const uint8_t* body, size_t length);
    void OnStatusChange(const uint8_t* body, size_t length);
    void OnFriendList(const uint8_t* body, size_t length);
    void OnStatusList(const uint8_t* body, size_t length);
    void OnUserInfo(const uint8_t* body, size_t length);
    void OnTextMsg(const uint8_t* body, size_t length);
    void OnInputStatus(const uint8_t* body, size_t length);
    void OnMyInfoReply(const uint8_t* body, size_t length);
    void OnUserMemo(const uint8_t* body, size_t length);
    void ApplyUserMemo(int32_t userId, const char* memo, size_t length);
    void OnFileRequest(const uint8_t* body, size_t length);
    // Desk handlers.
    void OnGroupUserList(const uint8_t* body, size_t length);
    void OnTalkList(const uint8_t* body, size_t length);
    void OnUserList(const uint8_t* body, size_t length);
    void OnMsgRecords(const uint8_t* body, size_t length);
    void OnUserStatus(const uint8_t* body, size_t length);
    void OnSwitchUserList(const uint8_t* body, size_t length);
    void OnSwitchCustomer(const uint8_t* body, size_t length);
    void OnGrabCustomer(const uint8_t* body, size_t length);
    void OnSwitchRecords(const uint8_t* body, size_t length);
    void OnSearchMsg(const uint8_t* body, size_t length);
    void OnUsersInfo(const uint8_t* body, size_t length);
    void OnFriendUpdate(const uint8_t* body, size_t length);
    void OnUserFriends(const uint8_t* body, size_t length);
    void OnSetCommReply(const uint8_t* body, size_t length);
    void OnCommReply(const uint8_t* body, size_t length);

    void Queue(uint32_t command, const std::vector<uint8_t>& body, bool front = false);
    void Post(unsigned message, uintptr_t wParam, intptr_t lParam);
    void Send(unsigned message, uintptr_t wParam, intptr_t lParam);
    void Log(const std::wstring& text);

    // Helpers shared by the handlers.
    int32_t OwnId() const { return store_.curUserId; }
    const engine::ICodePage* CodePage() const { return ports_.codePage; }
    std::wstring Widen(const char* text, size_t fieldSize) const;
    engine::LocalTime Now() const;
    // "<own>\" for the own id, else "<own>\MyGroup\<user>\" (below the root).
    std::wstring ListFolder(int32_t userId) const;
    // A user whose lists the engine keeps: its FriendListRecord carries its id.
    FriendListRecord* KnownListOwner(int32_t userId);
    // Files a message: the group history when another agent owns the peer's
    // session (desk), else the history with the peer.
    void FileMessage(const TextMsgRecord& msg, bool sent);
    // Fills categories (sorted, greatest order first), the friend map and the
    // user records of a friend-list body; the users go into the user map too.
    void BuildFriendLists(const engine::wire::FriendListBody& body,
                          std::vector<CategoryRecord>& categories, FriendMap& friends,
                          std::vector<UserInfoBase>& users);
    UserInfoBase MakeUserRecord(const engine::wire::ParsedUser& user,
                                const std::map<int32_t, std::string>& categoryNames) const;
    std::vector<CategoryRecord> MakeCategories(
        const std::vector<engine::wire::ParsedCategory>& parsed) const;
    static DatFileHeader MakeDatHeader(int32_t createDate, int32_t createTime, int32_t changeDate,
                                       int32_t changeTime, size_t recordSize, size_t count);
    template <class T>
    bool WriteList(const std::wstring& relative, const DatFileHeader& header,
                   const std::vector<T>& records);
    // Rebuilds a category vector and friend map from the list files of a folder.
    void LoadListsFrom(const std::wstring& folder, std::vector<CategoryRecord>& categories,
                       FriendMap& friends);
    void HandleTalkList(const engine::wire::TalkListReply& reply);
    void HandleMsgRecord(const engine::wire::MsgRecordReply& reply);
    bool IsSaneMsgRecord(const engine::wire::MsgRecordReply& reply) const;

    engine::EngineVariant variant_;
    CDataTree& store_;
    engine::SendQueue& queue_;
    engine::EnginePorts ports_;
    std::wstring root_;  // host program's folder, with its trailing backslash
    std::atomic<bool> loggedOn_{false};
    std::unique_ptr<engine::HistoryFiles> history_;  // null without a file system
    // The messages sent through SendTextMsg, by id, with the state of their
    // outcome. A done entry goes when the client takes the held copy, when a
    // new message reuses its id, or when more than kMaxRememberedOutcomes
    // newer ones are done (with its copy).
    enum class OutcomeState : uint8_t { Queued, Sent, Lost, Done };
    struct OutcomeEntry {
        OutcomeState state;
        uint64_t serial;  // tells a reused id's entries apart
    };
    // True when this call may give `msgId` its outcome (a message waiting
    // for one, or one that was never tracked); any thread may claim.
    bool ClaimOutcome(int32_t msgId);
    void MarkDone(int32_t msgId, OutcomeEntry& entry);  // with outcomeLock_ held
    // Client's thread: forgets the oldest done entries beyond the bound.
    void TrimRemembered();
    // Sends a chat message packet, or holds it while a log-on reply is due.
    void QueueChatPacket(engine::Packet packet);
    mutable std::mutex outcomeLock_;
    std::map<int32_t, OutcomeEntry> outcomes_;
    std::deque<std::pair<int32_t, uint64_t>> doneOrder_;  // oldest first
    uint64_t nextSerial_ = 0;
    // The newest connection whose loss LoseSentMessages recorded.
    uint32_t lostConnection_ = 0;
    bool anyConnectionLost_ = false;
    // Chat messages held across a reconnect, oldest first, and whether the
    // reconnect's log-on reply is still due.
    mutable std::mutex heldLock_;
    std::vector<engine::Packet> held_;
    bool awaitingLogon_ = false;
    size_t heldAtAwait_ = 0;  // held_'s size when AwaitLogon ran
};

template <class T>
bool CProtocolSession::WriteList(const std::wstring& relative, const DatFileHeader& header,
                                 const std::vector<T>& records) {
    if (!history_) return false;
    return history_->WriteDatFile(root_, relative, header, records.data(), records.size() * sizeof(T)) == 1;
}
