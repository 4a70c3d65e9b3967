// CHandOverRules: the decisions of a customer's hand-over and take-over
// that need no window: which of the five hand-over buttons a conversation
// window shows in each session state and which of its tools stay usable,
// the system notices of the engine's answers, the state an answer leads to,
// the records the buttons send, and the texts of the two hand-over dialogs
// (the agent list, the note and its canned texts, the tip window's lines).
//
// A customer belongs to one agent (the owner of the session). The owner may
// hand it to a colleague with a note (the colleague accepts or refuses) and
// take it back; the colleague may stop the hand-over; a colleague watching
// the customer may grab it and later release it. The server decides; these
// rules only say what each side shows and sends.
//
// Every engine call goes through the function table it is given (the real
// binding, or a fake one in tests); a missing pointer counts as "no answer".
// Texts of engine records are read with the bound of their fields.
#pragma once

#include "clientui/EngineModule.h"

#include "IAnsiCodePage.h"

#include <ImEngineApi.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// The session state of a conversation window.
enum HandOverState : int32_t {
    kSessionNormal = 1,         // the owner talks (or nobody, in a watched session)
    kSessionHandOverAsked = 2,  // the hand-over dialog sent a request; waiting
    kSessionHandedOver = 3,     // the receiving agent talks, the owner watches
    kSessionEndAsked = 4,       // take back or stop asked
    kSessionGrabAsked = 5,      // a grab asked; waiting
    kSessionGrabbed = 6,        // the grabbing agent talks, the owner watches
    kSessionReleaseAsked = 7,   // release of a grab asked
};

// The answers of MConfirmGrabCustomer.
enum HandOverAnswer : int {
    kAnswerAccept = 1,   // accept a hand-over
    kAnswerGrab = 2,     // grab a colleague's customer
    kAnswerEnd = 3,      // refuse a hand-over, take back, stop a hand-over
    kAnswerRelease = 4,  // release a grab
};

// Notice codes the program itself shows besides the engine's answers.
constexpr int32_t kNoticeHandOverCancelled = 51;
constexpr int32_t kNoticeHandOverAsked = 52;
constexpr int32_t kNoticeHandOverOffered = 53;
constexpr int32_t kNoticeHeldByColleague = 54;
constexpr int32_t kNoticeStillYours = 55;

// Commands of the canned-note menu of the hand-over dialog: one per note.
constexpr UINT ID_CANNED_NOTE_FIRST = 32912;
constexpr UINT kCannedNoteCount = 3;

// The note goes out in a 100-byte field: at most this many bytes and a NUL.
constexpr size_t kMaxNoteBytes = sizeof(SwitchCustomerRecord::note) - 1;

// What a control becomes: left as it is, enabled or disabled.
enum class ControlEnable : uint8_t { Keep, On, Off };

// What SetSessionState does to the window's controls once it has hidden
// the five hand-over buttons: the one button shown (0: none) and whether it
// is enabled, and the input, the send button and the send-file button.
struct SessionButtonPlan {
    int shownButton = 0;
    bool shownEnabled = false;
    ControlEnable input = ControlEnable::Keep;
    ControlEnable send = ControlEnable::Keep;
    ControlEnable sendFile = ControlEnable::Keep;
};

// The grab and hand-over buttons after a new customer status.
struct PeerStatusButtons {
    bool apply = false;  // false: both buttons stay as they are
    bool grabEnabled = false;
    bool handOverEnabled = false;
};

// One agent of the hand-over dialog's list.
struct HandOverAgent {
    int32_t agentId = 0;
    std::wstring name;
};

class CHandOverRules {
public:
    // Control ids of the window's hand-over buttons.
    static constexpr int kGrabButton = 1117;
    static constexpr int kHandOverButton = 1118;
    static constexpr int kTakeBackButton = 1119;
    static constexpr int kStopButton = 1120;
    static constexpr int kReleaseButton = 1121;

    CHandOverRules(const CEngineModule& engine, const clientui::IAnsiCodePage& codePage);

    // --- the conversation window ----------------------------------------
    // The controls of a state; customerStatus decides the grab button of a
    // watched session in the normal state (usable while below offline).
    static SessionButtonPlan ButtonsFor(int32_t state, bool ownSession, int32_t customerStatus);
    // The grab and hand-over buttons after a status notice. Only the normal
    // state follows the status: while a request waits (states 2 and 5) the
    // buttons stay disabled, so that no second request can go out.
    static PeerStatusButtons ButtonsForStatus(int32_t state, bool ownSession, int32_t customerStatus);
    // The state an answer of the server leads to: 3 after a hand-over (1),
    // 6 after a grab (2), the normal state after anything else.
    static int32_t StateAfterResult(int32_t code);
    // Whether an answer of the server concerns a window in this state. A
    // refusal or failure (a negative code, or one above 4) that reaches a
    // window where a hand-over or a grab holds (states 3 and 6) answers a
    // request the window no longer waits for (a second grab that went out
    // before the first was granted): it changes nothing, neither notice nor
    // state.
    static bool AnswerApplies(int32_t state, int32_t code);
    // The state a window opens in, from the engine's record of its customer
    // (zeroed when none): a session that a hand-over or a grab holds opens
    // held (3, or 6 when heldState says it was a grab), an own request that
    // still waits (a hand-over request carries its note) in 2; anything
    // else, and a record of another customer, in the normal state.
    static int32_t OpeningState(const SwitchCustomerRecord& record, int32_t ownId, bool ownSession, int32_t customer,
                                int32_t heldState);
    // The owner of the session a window for the customer shows: a customer
    // whose session the own agent holds for a colleague (the engine's live
    // record names him acting for that owner, also one fetched at log-on)
    // is that colleague's, whoever asked to open it; else owner.
    static int32_t SessionOwner(const SwitchCustomerRecord* record, int32_t ownId, int32_t customer, int32_t owner);
    // Remembers in held the agent a record names as acting for the
    // customer, unless it is the own agent (whose requests name himself).
    static void KeepActingAgent(const SwitchCustomerRecord& record, int32_t ownId, SwitchCustomerRecord* held);
    // The record a notice is formatted from. The engine forgets its record
    // of a customer before it reports a result above 2, so a record that
    // names no acting agent takes the one held from the window's earlier
    // records; a watched session that held none names the owner, who serves
    // the customer then.
    static SwitchCustomerRecord NoticeRecord(const SwitchCustomerRecord& record, const SwitchCustomerRecord& held,
                                             int32_t ownId, int32_t ownerAgent);

    // The record of a grab: the own id acting for the owner, no note.
    static SwitchCustomerRecord GrabRecord(int32_t ownId, int32_t ownerAgent, int32_t customer);
    // The record that ends a hand-over or a grab: the engine's record of
    // the customer, or {own id, owner, customer} when it holds none.
    SwitchCustomerRecord EndRecord(int32_t ownId, int32_t ownerAgent, int32_t customer) const;
    // The engine's record of a customer (its customer word filled when 0;
    // zeroed when the engine has none).
    SwitchCustomerRecord StoredRecord(int32_t customer) const;

    static std::wstring TakeBackQuestion();
    static std::wstring CloseQuestion();
    static std::wstring QuestionCaption();

    // The system notice of a code for a window (whole lines, "系统提示:"
    // first; empty when the code has no notice). stateBefore: the window's
    // state when the answer came (code 3 depends on it). windowCustomer:
    // the customer's name in the window's own record.
    std::wstring Notice(const SwitchCustomerRecord& record, int32_t code, bool ownSession, int32_t stateBefore,
                        const std::wstring& windowCustomer) const;

    // --- the main window ------------------------------------------------------
    // The engine's record of a grab request for the customer; false when
    // the stored record names another customer (the request is ignored).
    bool GrabRequestFor(int32_t customer, SwitchCustomerRecord* record) const;

    // --- the hand-over dialog ---------------------------------------------------
    static std::wstring DefaultNote();
    // The canned note of a menu command; null for any other command.
    static const wchar_t* CannedNote(UINT command);
    // The agents of the engine's list, in its order.
    std::vector<HandOverAgent> Agents() const;
    // The request: the chosen agent acting for the owner, with the note in
    // the ANSI code page cut to 99 bytes on a character boundary.
    SwitchCustomerRecord HandOverRecord(int32_t agentId, int32_t ownerAgent, int32_t customer,
                                        const std::wstring& note) const;

    // --- the tip window --------------------------------------------------------
    // "<own full name>的提示消息".
    std::wstring TipTitle(const UserInfoExt& own) const;
    // "<owner id>(<owner's full name>)转接给您一个客户".
    std::wstring TipHeadline(const SwitchCustomerRecord& record) const;
    // "附言: <note>".
    std::wstring TipNote(const SwitchCustomerRecord& record) const;

    // An 8-bit fixed field as wide text (up to its NUL or its end).
    std::wstring FieldText(const char* field, size_t size) const;

private:
    // The full name (byte 12 of the extended record) of an agent; empty
    // when the engine has no record.
    std::wstring AgentName(int32_t agentId) const;
    // The name (byte 16) of the engine's base record of a user.
    std::wstring UserName(int32_t userId) const;

    const CEngineModule& m_engine;
    const clientui::IAnsiCodePage& m_codePage;
};
