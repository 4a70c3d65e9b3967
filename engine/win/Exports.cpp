// The engine's exported functions: extern "C", cdecl, undecorated (see the
// library's .def file), texts as UTF-16 pointers. No exception crosses an
// export: each body runs inside Guarded(), which answers the function's
// neutral result when something throws.
#include <winsock2.h>
#include <windows.h>

#include <string>

#include "EngineInstance.h"
#include "ImEngineApi.h"

// Exported by name through the library's .def file.
#define IM_EXPORT extern "C"

namespace {

template <class R, class F>
R Guarded(R fallback, F&& body) {
    try {
        return body();
    } catch (...) {
        return fallback;
    }
}

template <class F>
void Guarded(F&& body) {
    try {
        body();
    } catch (...) {
    }
}

std::wstring Text(const wchar_t* text) { return text ? std::wstring(text) : std::wstring(); }

CKestrinApp& App() { return EngineApp(); }
CDataTree& Store() { return EngineApp().Store(); }
CProtocolSession& Session() { return EngineApp().Session(); }

}  // namespace

// ---- Both builds ----------------------------------------------------------

IM_EXPORT void MInitModule(HWND mainWindow) {
    Guarded([&] { App().InitModule(mainWindow); });
}

IM_EXPORT void* MGetDataTree() { return &Store(); }

IM_EXPORT void MLogon(const wchar_t* account, const wchar_t* password, int type, const wchar_t* server,
                      unsigned short port) {
    Guarded([&] { App().ConnectAndLogon(Text(account), Text(password), type, Text(server), port); });
}

IM_EXPORT void MLogonOut(int frontFlag) {
    Guarded([&] { App().Logout(frontFlag != 0); });
}

IM_EXPORT int MGetConnectStatus() { return App().ConnectStatus(); }

IM_EXPORT int MIsOffline() { return App().IsOffline() ? 1 : 0; }

IM_EXPORT int MGetCurUserID() { return Store().curUserId; }

IM_EXPORT void MSendTextMsg(const TextMsgRecord* msg) {
    if (!msg) return;
    Guarded([&] { App().SendTextMsg(*msg); });
}

IM_EXPORT void MGetSendedTextMsg(int msgId, TextMsgRecord* out) {
    if (!out) return;
    Guarded([&] {
        TextMsgRecord held;
        if (Session().TakeSentMsg(msgId, held)) *out = held;
    });
}

IM_EXPORT TextMsgQueue* MGetUnreadMsg(int peerId) {
    return Guarded<TextMsgQueue*>(nullptr, [&] { return &Store().UnreadMsgAt(peerId); });
}

IM_EXPORT void MPopFrontTextMsg(int peerId) {
    Guarded([&] { Store().PopReceivedMsg(peerId); });
}

IM_EXPORT int MProduceUserInfo(int userId, int kind) {
    Guarded([&] { Session().RequestUserInfo(userId, kind); });
    return 1;
}

IM_EXPORT UserInfoBase* MGetUserInfoBase(int userId) {
    return Guarded<UserInfoBase*>(nullptr, [&] { return &Store().UserInfoBaseAt(userId); });
}

IM_EXPORT UserInfoExt* MGetUserInfoExt(int userId) {
    return Guarded<UserInfoExt*>(nullptr, [&] { return &Store().UserInfoExtAt(userId); });
}

IM_EXPORT int MProChangeUserStatus(int status) {
    Guarded([&] { App().ChangeStatus(status); });
    return 1;
}

IM_EXPORT int MProChatInputStatus(int peerId) {
    Guarded([&] { Session().SendInputStatus(peerId); });
    return 1;
}

IM_EXPORT int MUpdateUserMemo(int word1, int word2, const char* memo) {
    Guarded([&] { Session().SendUserMemo(word1, word2, memo ? memo : ""); });
    return 1;
}

IM_EXPORT int MUpdateMySignature() { return 1; }

IM_EXPORT int MUpdateMyInfomation(const UserInfoBase* base, const UserInfoExt* ext) {
    if (base && ext) Guarded([&] { Session().SendMyInfo(*base, *ext); });
    return 1;
}

IM_EXPORT FriendMap* MGetFriendList(int userId) {
    return Guarded<FriendMap*>(nullptr, [&] {
        CDataTree& s = Store();
        return userId == s.curUserId ? &s.ownFriends : &s.FriendListAt(userId).friends;
    });
}

IM_EXPORT std::vector<CategoryRecord>* MGetUserListCategorys(int userId) {
    return Guarded<std::vector<CategoryRecord>*>(nullptr, [&] {
        CDataTree& s = Store();
        return userId == s.curUserId ? &s.ownCategories : &s.FriendListAt(userId).categories;
    });
}

IM_EXPORT void MSendFileRespond(const FileRequestRecord* record, int code) {
    if (!record) return;
    Guarded([&] { Session().SendFileRespond(*record, code); });
}

IM_EXPORT std::vector<FileRequestRecord>* MGetSendFileRequest(int peerId) {
    return Guarded<std::vector<FileRequestRecord>*>(nullptr, [&] { return &Store().FileRequestsAt(peerId); });
}

// ---- Desk build only --------------------------------------------------------
#ifndef QV_ENGINE_MESSENGER

IM_EXPORT int MGetUserData(FriendListRecord* record, int kind) {
    if (!record) return 0;
    return Guarded(0, [&] { return Session().GetUserData(*record, kind); });
}

IM_EXPORT int MUpdateTalkList(int userId, int kind) {
    Guarded([&] { Session().RequestTalkList(userId, kind, false); });
    return 1;
}

IM_EXPORT int MRefreshMsgRecords(int ownerId, int customerId, int flag) {
    Guarded([&] { Session().RequestMsgRecords(ownerId, customerId, flag); });
    return 1;
}

IM_EXPORT void MGetUserStatus(int userId) {
    Guarded([&] { Session().RequestUserStatus(userId); });
}

IM_EXPORT void MRefreshSwitchUserList() {
    Guarded([&] { Session().RequestSwitchUserList(); });
}

IM_EXPORT void MSwitchCustomer(const SwitchCustomerRecord* record) {
    if (!record) return;
    Guarded([&] { Session().SwitchCustomer(*record); });
}

IM_EXPORT void MGrabCustomer(int agentId, int customerId) {
    Guarded([&] { Session().GrabCustomer(agentId, customerId); });
}

IM_EXPORT void MConfirmGrabCustomer(const SwitchCustomerRecord* record, int answer) {
    if (!record) return;
    Guarded([&] { Session().ConfirmGrabCustomer(*record, answer); });
}

IM_EXPORT SwitchCustomerRecord* MGetSwitchCustomerMsg(int customerId) {
    return Guarded<SwitchCustomerRecord*>(nullptr, [&] { return &Store().SwitchRecordAt(customerId); });
}

IM_EXPORT std::vector<AgentRecord>* MGetSwitchUserList() { return &Store().agents; }

IM_EXPORT std::vector<GroupUserRecord>* MGetGroupUserList() { return &Store().groupUsers; }

IM_EXPORT std::vector<TalkListRecord>* MGetTalkList(int userId, int kind) {
    if (kind < TALKLIST_TALK || kind > TALKLIST_CONTACT) return nullptr;
    return Guarded<std::vector<TalkListRecord>*>(nullptr, [&] { return Store().TalkList(userId, kind); });
}

IM_EXPORT void MSearchMsgRecord(const MsgSearchRequest* request) {
    if (!request) return;
    Guarded([&] { Session().SearchMsgRecord(*request); });
}

IM_EXPORT std::vector<MsgSearchResult>* MGetMsgSearchResult() { return &Store().searchResults; }

IM_EXPORT int MGetOrgRoleID() { return Store().orgRoleId; }

IM_EXPORT void MReqestCommReply() {
    Guarded([&] { Session().RequestCommReply(); });
}

IM_EXPORT void MSetCommReply(const CommReplyChange* change, int operation) {
    if (!change) return;
    Guarded([&] { Session().SetCommReply(*change, operation); });
}

IM_EXPORT std::vector<CommReplyRecord>* MGetCommReply() { return &Store().commReplies; }

#endif  // !QV_ENGINE_MESSENGER

// Every export above has the signature the clients bind.
#define IM_CHECK_SIGNATURE(name, builds) IM_CHECK_##builds(name)
#define IM_CHECK_both(name) static_assert(std::is_same<decltype(&name), PFN_##name>::value, #name);
#ifdef QV_ENGINE_MESSENGER
#define IM_CHECK_desk(name)
#else
#define IM_CHECK_desk(name) IM_CHECK_both(name)
#endif
#include <type_traits>
IM_ENGINE_EXPORTS(IM_CHECK_SIGNATURE)
