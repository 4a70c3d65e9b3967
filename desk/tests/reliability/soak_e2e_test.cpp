// The soak of two real clients under Wine and Xvfb: the agent 周宁 (50002)
// on the desk program and the customer 赵磊 (60006), on the desk program in
// one case and on the messenger (IM.exe) in the other, write to each other
// through the stand-in chat and file servers while the servers play faults
// on a fixed script:
//   - every connection splits its replies into small pieces with small
//     delays (fault script "split");
//   - twice, the next acknowledgement of a message on every connection is
//     written only in part and the connection ends (control command CUT);
//   - the chat server restarts twice (RESTART: everything it knew is gone;
//     the clients reconnect by themselves);
//   - the file server stalls for a while once (its stall trigger; 30 s);
//   - the first file's "ready" (the sender's word that the upload is whole)
//     is lost: the server takes nothing from the sender's connection from
//     the offer on (control command MUTE) until the upload is done, then
//     drops every connection (DROP); the programs reconnect by themselves.
//
// Everything goes in as a user puts it in, with real input at the
// controls' places: a click into the conversation's input, the text pasted
// with Ctrl+V (the test puts it on the clipboard) and sent with Enter; a
// picture taken with a click on the screenshot button; a file offered with
// the send-file button and the open-file dialog (its name typed), and
// accepted by the receiver with a click on its file-transfer page. The
// messenger's chat with the agent is opened through its search box (the
// agent's initials, then Enter). The failure notices the programs show are
// read and closed.
//
// What is checked comes from the files and the servers, not from the
// clients' own claims. Each message carries a tag "[S<sender>-<n>]"; at the
// end, for every message that left its sender's input:
//   - it is shown at most once in the receiver's conversation and recorded
//     at most once in each history file (the desk's "<own>\msg\<peer>.msg",
//     the messenger's "<own>\msg\<peer>\<peer>.msg"; raw bytes);
//   - shown, it was received once by the server and is recorded once in
//     both history files;
//   - not shown, it is in no history of the receiver, and its sender saw a
//     failure notice: the notices (which name only the time) are at least
//     as many as the messages not shown;
//   - a message whose acknowledgement the server cut (its record) is shown
//     at the receiver; its sender, left without the acknowledgement, tells
//     the user it failed and does not record it: so the notices are at most
//     the messages not shown plus the acknowledgements cut.
// Every picture shown at the receiver is byte for byte the sender's, and
// the file server's copy; every file the receiver accepted lands intact.
// Neither program ends before it is told to; both end when told.
//
// The chat server's record (kept before each restart) shows every message
// that was shown as received by the server once, and which acknowledgements
// it cut; the file server's log shows the stall.
//
// Size: QV_SOAK_MESSAGES (default 240; the long form is 2000), pictures
// QV_SOAK_PICTURES (default 4, and one more as the stall begins; long form
// 100), files QV_SOAK_FILES (default 1; long form 5). The figures are
// printed at the end ("soak:" lines).
#include "AgentSession.h"
#include "DeskServerControl.h"
#include "DeskWindows.h"
#include "DisplayTitle.h"
#include "IMMainWindow.h"
#include "RealInput.h"
#include "ScreenPicture.h"
#include "TavrelDriver.h"
#include "chat/ChatMainPanelResource.h"
#include "clientui/InstanceControl.h"
#include "clientui/TransFilePanel.h"

#include "../../../messenger/src/IMResource.h"

#include <ImEngineApi.h>

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstddef>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace tavreltest;

namespace {

constexpr int32_t kAgent = 50002;
constexpr int32_t kCustomer = 60006;
constexpr DWORD kReconnectMs = 120000;  // the engine's reconnect window, and more
constexpr int kBatch = 10;              // messages a side sends before the other's turn

int EnvNumber(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::atoi(text) : fallback;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::wstring Tag(int32_t sender, int n) {
    wchar_t tag[40];
    swprintf(tag, 40, L"[S%d-%04d]", sender, n);
    return tag;
}

// Texts of several lengths, some with Chinese, all ending in the tag.
std::wstring MessageText(int32_t sender, int n) {
    static const wchar_t* const kBodies[] = {
        L"好的", L"请问订单什么时候发货？", L"ok, checking the parcel number now",
        L"您好，我们已经收到您的付款，预计明天上午发货，请留意短信通知。谢谢！",
        L"x", L"价格: 128.50 元 (含运费)"};
    return std::wstring(kBodies[n % 6]) + L" " + Tag(sender, n);
}

bool PutOnClipboard(const std::wstring& text) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (::OpenClipboard(nullptr)) {
            ::EmptyClipboard();
            const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
            HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
            if (memory) {
                memcpy(::GlobalLock(memory), text.c_str(), bytes);
                ::GlobalUnlock(memory);
                if (!::SetClipboardData(CF_UNICODETEXT, memory)) ::GlobalFree(memory);
            }
            ::CloseClipboard();
            return memory != nullptr;
        }
        ::Sleep(50);
    }
    return false;
}

size_t CountBytes(const std::string& haystack, const std::string& needle) {
    size_t count = 0;
    for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + needle.size()))
        ++count;
    return count;
}

// The picture names of the "<pic/<pos>/<name>/pic>" tags in text.
std::vector<std::string> PictureNames(const std::string& text) {
    std::vector<std::string> names;
    for (size_t tag = text.find("<pic/"); tag != std::string::npos; tag = text.find("<pic/", tag + 5)) {
        const size_t nameStart = text.find('/', tag + 5);
        const size_t end = nameStart == std::string::npos ? nameStart : text.find("/pic>", nameStart);
        if (end == std::string::npos) break;
        names.push_back(text.substr(nameStart + 1, end - nameStart - 1));
    }
    return names;
}

struct SentMessage {
    int n = 0;
    bool picture = false;
};

enum class Program { Desk, Messenger };

// The controls of a program's conversation that the soak uses.
struct ConversationControls {
    int input, screenshot, sendFile, receive;
};
constexpr ConversationControls kDeskControls = {IDC_CHAT_INPUT, IDC_CHAT_SCREENSHOT, IDC_CHAT_SEND_FILE,
                                                kDeskTransFileIds.receive};
constexpr ConversationControls kMessengerControls = {IDC_IM_CHAT_INPUT, IDC_IM_CHAT_SCREENSHOT,
                                                     IDC_IM_CHAT_SEND_FILE, kMessengerTransFileIds.receive};

// One of the two programs.
struct Client {
    Program program = Program::Desk;
    int32_t id = 0;
    int32_t peer = 0;
    std::wstring folder;  // the program folder, ending in a backslash
    CTavrelProcess process;
    HWND main = nullptr;
    // The top-level window the conversation is in: the desk's main window,
    // the messenger's chat window.
    HWND front = nullptr;
    Conversation chat;
    std::vector<SentMessage> sent;
    int nextN = 1;
    int failureNotices = 0;
    int offlineRetries = 0;
    std::vector<std::wstring> notices;
    // The tags its conversation has shown, each with the most times it was
    // shown at once. The log keeps only its newest entries, so it is read
    // after every message and while waiting.
    std::map<std::wstring, size_t> shown;

    void Observe() {
        const std::wstring log = WindowText(chat.log);
        std::map<std::wstring, size_t> now;
        for (size_t at = log.find(L"[S"); at != std::wstring::npos; at = log.find(L"[S", at + 2)) {
            const size_t end = log.find(L']', at);
            if (end == std::wstring::npos || end - at > 20) continue;
            ++now[log.substr(at, end - at + 1)];
        }
        for (const auto& [tag, count] : now)
            if (count > shown[tag]) shown[tag] = count;
    }
    bool Shown(const std::wstring& tag) const { return shown.count(tag) != 0; }

    const ConversationControls& Controls() const {
        return program == Program::Desk ? kDeskControls : kMessengerControls;
    }
    HWND Control(int id) const { return ::GetDlgItem(chat.window, id); }
    HWND Input() const { return Control(Controls().input); }

    std::wstring History() const {
        const std::wstring own = folder + std::to_wstring(id) + L"\\msg\\";
        const std::wstring peerFile = std::to_wstring(peer) + L".msg";
        return program == Program::Desk ? own + peerFile : own + std::to_wstring(peer) + L"\\" + peerFile;
    }
};

class SoakE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ServerAddress().empty()) << "run through with-desk-server.sh";
        fileServerDir = WindowsPathFromEnv("QV_FILESERVER_DIR");
        ASSERT_FALSE(fileServerDir.empty()) << "run with --fileserver";
        control = std::make_unique<CDeskServerControl>();
        ASSERT_TRUE(control->Connected());
        a.id = kAgent;
        a.peer = kCustomer;
        a.folder = WindowsPathFromEnv("QV_DESK_APP");
        b.id = kCustomer;
        b.peer = kAgent;
        b.folder = WindowsPathFromEnv("QV_DESK_NOSERVER");
    }

    // The whole screen into a picture file, for looking at a failure.
    static void SaveScreen(const std::wstring& file) {
        const RECT screen = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
        testpicture::SaveScreenArea(screen, file);
    }

    void TearDown() override {
        if (HasFailure()) {
            const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
            SaveScreen(L"soak_failure_" + std::wstring(name.begin(), name.end()) + L".bmp");
        }
        for (Client* c : {&a, &b})
            if (c->process.IsRunning()) c->process.Kill();
    }

    // Every split step the script needs for the connections to come.
    void ScriptSplits() {
        std::string steps = "SCRIPT";
        for (int i = 0; i < 60; ++i) steps += " split:" + std::to_string(++splitSeed);
        ASSERT_EQ(control->Command(steps), "OK");
    }

    bool Wait(const std::function<bool()>& ready, DWORD ms) { return WaitUntil(ready, ms, 50); }

    void Start(Client& c) {
        WriteServerEntry(c.folder);
        WriteAgentSettings(c.folder, c.id, false);
        if (c.program == Program::Messenger) {
            StartMessenger(c);
            return;
        }
        ASSERT_TRUE(c.process.Start(c.folder, L"run " + std::to_wstring(c.id)));
        const std::wstring prefix = std::wstring(kDeskDisplayTitle) + L" - " + std::to_wstring(c.id) + L" - ";
        ASSERT_TRUE(Wait([&] {
            for (HWND w : c.process.Windows(false))
                if (WindowText(w).compare(0, prefix.size(), prefix) == 0) return (c.main = w) != nullptr;
            return false;
        }, 60000)) << "no main window of " << c.id;
        SendTo(c.main, WM_INSTANCE_CONTROL, 1, 0);
        ASSERT_TRUE(BringToFront(c.main));
        HWND tree = nullptr;
        ASSERT_TRUE(Wait([&] { return (tree = CustomerTree(c.main)) != nullptr; }, 30000));
        const TreeItem item = RevealTreeUser(tree, c.peer, 30000);
        ASSERT_TRUE(item.item) << c.id << " has no row of " << c.peer;
        DoubleClick(TreeItemPoint(tree, item));
        ASSERT_TRUE(Wait([&] {
            c.chat = ShownConversation(c.main);
            return c.chat.window && ::IsWindowVisible(c.chat.window);
        }, 30000)) << c.id << ": the double click opened no conversation";
        c.front = c.main;
    }

    // The messenger logs on by itself with its main window hidden; shown,
    // its search box finds the agent by her initials and Enter opens the
    // chat with her.
    void StartMessenger(Client& c) {
        ASSERT_TRUE(c.process.Start(c.folder, L"x " + std::to_wstring(c.id), L"IM.exe"));
        ASSERT_TRUE((c.main = imtest::WaitForLogon(c.process, 60000)) != nullptr) << c.id << " did not log on";
        SendTo(c.main, WM_INSTANCE_CONTROL, 1, 0);
        ASSERT_TRUE(Wait([&] { return ::IsWindowVisible(c.main) != FALSE; }, 30000));
        ASSERT_TRUE(BringToFront(c.main));
        Click(imtest::SearchBoxPoint(c.main));
        TypeText(L"zn");
        ::Sleep(300);
        PressKey(VK_RETURN);
        HWND chat = c.process.WaitForWindow(L"与 周宁 交流中", 30000);
        ASSERT_TRUE(chat) << c.id << ": the search's Enter opened no chat";
        // Beside the agent's window rather than over it.
        ::SetWindowPos(chat, nullptr, 660, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        c.chat.window = chat;
        c.chat.log = ::GetDlgItem(chat, IDC_IM_CHAT_LOG);
        c.front = chat;
    }

    // Reads and closes the failure notices (and any other message box) of
    // both programs; how many it closed.
    int CloseNotices() {
        int closed = 0;
        for (Client* c : {&a, &b}) {
            for (HWND w : c->process.Windows()) {
                if (w == c->main || w == c->front || ClassName(w) != L"#32770" || FileNameBox(w)) continue;
                const std::wstring text = MessageBoxText(w);
                if (text.empty()) continue;
                if (text.find(L"没有发送成功") != std::wstring::npos) ++c->failureNotices;
                c->notices.push_back(text);
                ++closed;
                AnswerMessageBox(w, IDOK);
                Wait([&] { return !::IsWindow(w) || !::IsWindowVisible(w); }, 5000);
            }
        }
        return closed;
    }

    // A pop-up menu of the program (a click that met a control moving with
    // the tip bar, which comes and goes with the peer's status, may open
    // the quick-reply menu): closed with Escape.
    bool CloseMenus(Client& c) {
        bool closed = false;
        for (int round = 0; round < 5; ++round) {
            bool open = false;
            for (HWND w : c.process.Windows())
                if (ClassName(w) == L"#32768") open = true;
            if (!open) break;
            PressKey(VK_ESCAPE);
            closed = true;
            ::Sleep(200);
        }
        return closed;
    }

    // The program in front with the focus in its input and no menu open.
    bool Focus(Client& c) {
        HWND input = c.Input();
        if (!input) return false;
        for (int attempt = 0; attempt < 5; ++attempt) {
            CloseMenus(c);
            if (::GetForegroundWindow() != c.front && !BringToFront(c.front)) continue;
            if (FocusOf(c.front) != input) {
                Click(CentreOf(input));
                Wait([&] { return FocusOf(c.front) == input; }, 5000);
            }
            if (!CloseMenus(c) && FocusOf(c.front) == input) return true;
        }
        return false;
    }

    // Sends what the input holds with Enter; while the program is offline
    // it keeps the text (and says so in its log): Enter again until it goes
    // or the reconnect window is over. True once the input is empty.
    bool PressSend(Client& c) {
        HWND input = c.Input();
        const DWORD start = ::GetTickCount();
        for (int tries = 0;; ++tries) {
            PressKey(VK_RETURN);
            if (Wait([&] { return WindowText(input).empty(); }, tries == 0 ? 3000 : 1000)) return true;
            if (::GetTickCount() - start > kReconnectMs) return false;
            ++c.offlineRetries;
            ::Sleep(1000);
            CloseNotices();
            if (!Focus(c)) return false;
        }
    }

    // A step of typing a message, done again when it showed no effect: a
    // failure notice can pop up just then (it is modal to the desk's main
    // window), taking the click or the keys. The notice is closed and, if
    // the step still shows no effect, it is done again, as a user would.
    bool Attempt(Client& c, const std::function<void()>& step, const std::function<bool()>& done, DWORD ms) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (attempt > 0) {
                ++stepsAgain;
                if (CloseNotices()) ++stepsAgainAfterNotice;
                if (!Focus(c)) continue;
                if (done()) return true;
            }
            step();
            if (Wait(done, ms)) return true;
        }
        return false;
    }

    // One message typed as the user types it.
    void SendOne(Client& c, bool picture) {
        CloseNotices();
        ASSERT_TRUE(Focus(c)) << c.id << ": no focus in the input";
        HWND input = c.Input();
        const int n = c.nextN++;
        if (picture) {
            ASSERT_TRUE(Attempt(
                c, [&] { Click(CentreOf(c.Control(c.Controls().screenshot))); },
                [&] { return !WindowText(input).empty(); }, 10000))
                << c.id << ": no picture in the input";
            ASSERT_TRUE(Focus(c));
        }
        ASSERT_TRUE(PutOnClipboard(MessageText(c.id, n)));
        // After the picture, whatever a click into the input did to the caret.
        ASSERT_TRUE(Attempt(
            c, [&] { PressKey(VK_END, true); PressKey('V', true); },
            [&] { return WindowText(input).find(Tag(c.id, n)) != std::wstring::npos; }, 5000))
            << c.id << ": the paste did not reach the input";
        const bool left = PressSend(c);
        a.Observe();
        b.Observe();
        if (left) {
            c.sent.push_back({n, picture});
        } else {
            // Never left: not a message; the input is emptied for the next.
            ++unsent;
            PressKey('A', true);
            PressKey(VK_DELETE);
        }
    }

    // Offers a file from c; the peer accepts it with a click.
    void SendFile(Client& c, Client& to, int index) {
        CloseNotices();
        const std::string bytes = PatternBytes(60000 + 37000 * index, 100 + index);
        const std::wstring name = L"soak" + std::to_wstring(c.id) + L"-" + std::to_wstring(index) + L".bin";
        const std::wstring path = c.folder + name;
        ASSERT_TRUE(WriteAll(path, bytes));
        ASSERT_TRUE(BringToFront(c.front));
        Click(CentreOf(c.Control(c.Controls().sendFile)));
        HWND dialog = nullptr;
        ASSERT_TRUE(Wait([&] {
            for (HWND w : c.process.Windows())
                if (w != c.front && ClassName(w) == L"#32770" && FileNameBox(w)) return (dialog = w) != nullptr;
            return false;
        }, 30000)) << "no open-file dialog";
        ASSERT_TRUE(BringToFront(dialog));
        HWND box = FileNameBox(dialog);
        if (FocusOf(dialog) != box) {
            Click(CentreOf(box));
            ASSERT_TRUE(Wait([&] { return FocusOf(dialog) == box; }, 5000));
        }
        TypeText(path);
        PressKey(VK_RETURN);
        ASSERT_TRUE(Wait([&] { return !::IsWindow(dialog) || !::IsWindowVisible(dialog); }, 10000));
        HWND receive = nullptr;
        ASSERT_TRUE(Wait([&] {
            CloseNotices();
            receive = FindControl(to.front, to.Controls().receive, L"Button");
            return receive && ::IsWindowVisible(receive) && ::IsWindowEnabled(receive);
        }, kReconnectMs)) << "the offer did not reach " << to.id;
        // The first file's "ready" is lost: from the offer on, the server
        // takes nothing more from the sender's connection (the last one a
        // file request came on) until the upload is done.
        const bool loseReady = index == 0;
        int senderConnection = -1;
        if (loseReady) {
            for (const ServerPacket& p : control->PacketsOf(CMD_FILE_REQUEST)) senderConnection = p.connection;
            ASSERT_GE(senderConnection, 0) << "the server did not record the offer";
            ASSERT_EQ(control->Command("MUTE " + std::to_string(senderConnection)), "OK");
        }
        // A click that met the pane while it was still being laid out (the
        // messenger widens it for the offer) is made again, as a user would.
        bool accepted = false;
        for (int attempt = 0; attempt < 5 && !accepted; ++attempt) {
            ASSERT_TRUE(BringToFront(to.front));
            ::Sleep(300);
            Click(CentreOf(receive));
            accepted = Wait([&] { return !::IsWindowVisible(receive); }, 5000);
            if (!accepted) {
                ++receiveClicksAgain;
                SaveScreen(L"soak_receive_missed.bmp");
            }
        }
        ASSERT_TRUE(accepted) << to.id << ": clicks on the receive button did not accept the file";
        files.push_back({to.folder + std::to_wstring(to.id) + L"\\RecvFile\\" + name, bytes});
        if (loseReady) LoseReady(senderConnection, name, bytes);
    }

    // Once the upload is whole at the file server and the sender's "ready"
    // has reached the server (which drops it), every connection is dropped;
    // the programs reconnect by themselves, and the file must land all the
    // same.
    void LoseReady(int senderConnection, const std::wstring& name, const std::string& bytes) {
        SYSTEMTIME now = {};
        ::GetLocalTime(&now);
        wchar_t day[8];
        swprintf(day, 8, L"%02d%02d", now.wMonth, now.wDay);
        const std::wstring stored = fileServerDir + day + name;
        ASSERT_TRUE(Wait([&] { CloseNotices(); return ReadAll(stored) == bytes; }, kReconnectMs))
            << "the upload of the first file did not complete";
        // The offer, then the "ready".
        ASSERT_TRUE(Wait([&] {
            int requests = 0;
            for (const ServerPacket& p : control->PacketsOf(CMD_FILE_REQUEST)) requests += p.connection == senderConnection;
            return requests >= 2;
        }, 30000)) << "the sender said no ready";
        // Every message settled first, so the drop takes no acknowledgement.
        ASSERT_TRUE(Quiesce(kReconnectMs)) << "not settled before the drop:\n" << Unsettled();
        ::Sleep(1000);
        ASSERT_EQ(control->Command("DROP"), "OK");
        ++readiesLost;
    }

    // Until every message that left is shown at its receiver or its sender
    // saw as many failure notices as are missing.
    bool Settled(Client& from, Client& to) {
        int missing = 0;
        for (const SentMessage& m : from.sent)
            if (!to.Shown(Tag(from.id, m.n))) ++missing;
        return missing <= from.failureNotices;
    }
    bool Quiesce(DWORD ms) {
        return Wait([&] {
            CloseNotices();
            a.Observe();
            b.Observe();
            return Settled(a, b) && Settled(b, a);
        }, ms);
    }
    // What is not settled, for the failure message.
    std::string Unsettled() {
        std::string out;
        for (Client* from : {&a, &b}) {
            Client& to = from == &a ? b : a;
            out += std::to_string(from->id) + ": " + std::to_string(from->sent.size()) + " sent, " +
                   std::to_string(from->failureNotices) + " notices; not shown:";
            for (const SentMessage& m : from->sent)
                if (!to.Shown(Tag(from->id, m.n))) out += " " + Narrow(Tag(from->id, m.n));
            out += "\n";
        }
        return out;
    }

    // The server's record before it is lost (a restart empties it): the
    // connections and their faults, and which message each cut
    // acknowledgement answered (its id is the message's time word).
    void KeepRecord() {
        std::map<int32_t, std::string> texts;
        for (const ServerPacket& p : control->PacketsOf(CMD_TEXT_MSG)) {
            // A record's head, then its text (the client sends no more of
            // the text field than the text needs).
            constexpr size_t kHead = offsetof(TextMsgRecord, text);
            if (p.body.size() <= kHead) continue;
            int32_t time = 0;
            memcpy(&time, p.body.data() + offsetof(TextMsgRecord, time), sizeof time);
            const char* text = reinterpret_cast<const char*>(p.body.data() + kHead);
            texts[time] = std::string(text, strnlen(text, p.body.size() - kHead));
            const size_t tag = texts[time].find("[S");
            const size_t end = texts[time].find(']', tag);
            if (tag != std::string::npos && end != std::string::npos)
                ++serverTags[texts[time].substr(tag, end - tag + 1)];
        }
        for (const std::string& line : control->Events("ACCEPT")) {
            ++connections;
            if (line.find(" split") != std::string::npos) ++splitConnections;
        }
        for (const std::string& line : control->Events("FAULT")) {
            faultLines.push_back(line);
            std::istringstream in(line);
            std::string word, what;
            int conn = 0;
            long long ms = 0;
            int32_t msgId = 0;
            in >> word >> conn >> ms >> what >> msgId;
            if (what != "cut-ack") continue;
            ++cutAcks;
            if (texts.count(msgId)) cutTexts.insert(texts[msgId]);
        }
        control->Command("CLEAR");
    }

    void Restart() {
        ASSERT_TRUE(Quiesce(kReconnectMs)) << "not settled before the restart:\n" << Unsettled();
        KeepRecord();
        ASSERT_EQ(control->Command("RESTART 3000"), "OK");
        ++restarts;
        control.reset();
        ::Sleep(3500);
        ASSERT_TRUE(Wait([&] {
            control = std::make_unique<CDeskServerControl>();
            return control->Connected() && control->Command("PING") == "OK";
        }, 30000)) << "the chat server did not come back";
        ScriptSplits();
    }

    void Cut() {
        ASSERT_EQ(control->Command("CUT all"), "OK");
        ++cuts;
    }

    void Stall() {
        ASSERT_TRUE(WriteAll(fileServerDir + L"..\\stall", "stall"));
        ++stalls;
    }

    // The whole soak, with the customer on the given program.
    void Run(Program customerProgram);

    std::wstring fileServerDir;  // the file server's store, ending in a backslash
    std::unique_ptr<CDeskServerControl> control;
    Client a, b;
    int splitSeed = 0;
    int unsent = 0, restarts = 0, cuts = 0, stalls = 0, cutAcks = 0;
    int connections = 0, splitConnections = 0;
    int readiesLost = 0, receiveClicksAgain = 0, stepsAgain = 0, stepsAgainAfterNotice = 0;
    std::vector<std::string> faultLines;
    std::set<std::string> cutTexts;
    std::map<std::string, int> serverTags;  // the messages the chat server received, with how often
    std::vector<std::pair<std::wstring, std::string>> files;
};

void SoakE2E::Run(Program customerProgram) {
    b.program = customerProgram;
    const int total = EnvNumber("QV_SOAK_MESSAGES", 240);
    const int pictures = EnvNumber("QV_SOAK_PICTURES", 4);
    const int fileCount = EnvNumber("QV_SOAK_FILES", 1);
    ScriptSplits();
    Start(a);
    Start(b);

    // The fixed script, at fractions of the run.
    std::map<int, std::function<void()>> script;
    script[total * 20 / 100] = [&] { Cut(); };
    script[total * 35 / 100] = [&] { Restart(); };
    script[total * 50 / 100] = [&] { Stall(); };
    script[total * 65 / 100] = [&] { Cut(); };
    script[total * 80 / 100] = [&] { Restart(); };
    // Pictures and files spread over the run; one picture right after the
    // stall begins.
    std::set<int> pictureAt;
    for (int i = 0; i < pictures; ++i) pictureAt.insert((total * (2 * i + 1)) / (2 * pictures));
    pictureAt.insert(total * 50 / 100);
    std::set<int> fileAt;
    for (int i = 0; i < fileCount; ++i) fileAt.insert((total * (2 * i + 1)) / (2 * fileCount) + 1);

    int files = 0;
    for (int i = 0; i < total && !HasFatalFailure(); ++i) {
        auto step = script.find(i);
        if (step != script.end()) step->second();
        if (HasFatalFailure()) break;
        Client& from = (i / kBatch) % 2 == 0 ? a : b;
        Client& to = &from == &a ? b : a;
        if (fileAt.count(i)) {
            SendFile(from, to, files++);
            if (HasFatalFailure()) break;
        }
        SendOne(from, pictureAt.count(i) != 0);
        ASSERT_TRUE(from.process.IsRunning()) << from.id << " ended";
        ASSERT_TRUE(to.process.IsRunning()) << to.id << " ended";
    }
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_TRUE(Quiesce(kReconnectMs + 60000)) << "messages neither shown nor failed:\n" << Unsettled();
    KeepRecord();

    // Files: each lands intact.
    for (const auto& [path, bytes] : this->files)
        EXPECT_TRUE(Wait([&] { CloseNotices(); return ReadAll(path) == bytes; }, kReconnectMs))
            << Narrow(path) << " did not land intact";

    // The logs and history files.
    int delivered = 0, failed = 0, cutDelivered = 0, picturesChecked = 0;
    for (Client* from : {&a, &b}) {
        Client& to = from == &a ? b : a;
        const std::string ownHistory = ReadAll(from->History());
        const std::string peerHistory = ReadAll(to.History());
        int missing = 0;
        for (const SentMessage& m : from->sent) {
            const std::wstring tag = Tag(from->id, m.n);
            const std::string narrowTag = Narrow(tag);
            const size_t shown = to.Shown(tag) ? to.shown.at(tag) : 0;
            const size_t inOwn = CountBytes(ownHistory, narrowTag);
            const size_t inPeer = CountBytes(peerHistory, narrowTag);
            EXPECT_LE(shown, 1u) << narrowTag << " shown " << shown << " times";
            EXPECT_LE(inOwn, 1u) << narrowTag << " recorded " << inOwn << " times by its sender";
            EXPECT_LE(inPeer, 1u) << narrowTag << " recorded " << inPeer << " times by its receiver";
            bool cut = false;
            for (const std::string& text : cutTexts) cut = cut || text.find(narrowTag) != std::string::npos;
            if (shown) {
                ++delivered;
                EXPECT_EQ(serverTags[narrowTag], 1) << narrowTag << " shown, but the server received it "
                                                    << serverTags[narrowTag] << " times";
                cutDelivered += cut;
                EXPECT_EQ(inPeer, 1u) << narrowTag << " shown but not in the receiver's history";
                if (!cut) {
                    EXPECT_EQ(inOwn, 1u) << narrowTag << " shown but not in the sender's history";
                }
            } else {
                ++missing;
                EXPECT_EQ(inPeer, 0u) << narrowTag << " in the receiver's history but not shown";
                EXPECT_FALSE(cut) << narrowTag << ": the server delivered it, the receiver does not show it";
            }
            if (m.picture && shown) {
                // The picture: the receiver's copy is the sender's and the
                // file server's.
                // The record's text: the tag, then the picture's tag.
                const size_t at = peerHistory.find(narrowTag);
                const size_t end = peerHistory.find('\0', at);
                const std::vector<std::string> names = PictureNames(peerHistory.substr(at, end - at));
                EXPECT_EQ(names.size(), 1u) << narrowTag << ": no picture in the record";
                for (const std::string& name : names) {
                    const std::wstring wide(name.begin(), name.end());
                    const std::string sent = ReadAll(from->folder + std::to_wstring(from->id) + L"\\Image\\" + wide);
                    std::string got;
                    Wait([&] {
                        CloseNotices();
                        got = ReadAll(to.folder + std::to_wstring(to.id) + L"\\Image\\" + wide);
                        return !got.empty() && got == sent;
                    }, kReconnectMs);
                    EXPECT_GT(sent.size(), 100u) << name;
                    EXPECT_TRUE(got == sent) << name << " differs at the receiver";
                    EXPECT_TRUE(ReadAll(fileServerDir + wide) == sent)
                        << name << " differs at the file server";
                    ++picturesChecked;
                }
            }
        }
        failed += missing;
        // Every message not shown was told to its sender, once; a notice
        // beyond those can only be for a message whose acknowledgement the
        // server cut.
        EXPECT_GE(from->failureNotices, missing) << from->id << ": messages lost without a notice";
        EXPECT_LE(from->failureNotices, missing + cutAcks) << from->id << ": more notices than failures";
    }

    // The file server's log: the stall happened, as often as it was asked for.
    const std::string fileLog = ReadAll(fileServerDir + L"..\\fileserver.log");
    const size_t uploads = CountBytes(fileLog, "UPLOAD "), downloads = CountBytes(fileLog, "DOWNLOAD ");
    EXPECT_EQ(CountBytes(fileLog, "STALL "), size_t(stalls)) << "the file server did not stall";

    // Neither program ended by itself; both end when told.
    for (Client* c : {&a, &b}) {
        EXPECT_TRUE(c->process.IsRunning()) << c->id << " ended by itself";
        SendTo(c->main, WM_INSTANCE_CONTROL, 0, 0);
    }
    for (Client* c : {&a, &b}) {
        EXPECT_TRUE(Wait([&] { CloseNotices(); return !c->process.IsRunning(); }, 30000)) << c->id << " did not end";
    }

    std::printf("soak: the agent on the desk program, the customer on the %s\n",
                customerProgram == Program::Desk ? "desk program" : "messenger");
    std::printf("soak: messages sent %zu + %zu (never left the input: %d), shown %d, failed with a notice %d, "
                "notices %d + %d, offline retries %d + %d\n",
                a.sent.size(), b.sent.size(), unsent, delivered, failed, a.failureNotices, b.failureNotices,
                a.offlineRetries, b.offlineRetries);
    std::printf("soak: pictures checked %d, files %zu; faults: restarts %d, cuts %d (acknowledgements cut %d, "
                "of them shown %d), file-server stalls %d; connections %d, of them split %d\n",
                picturesChecked, this->files.size(), restarts, cuts, cutAcks, cutDelivered, stalls, connections,
                splitConnections);
    std::printf("soak: file server: %zu upload blocks, %zu download requests; a file's ready lost with all "
                "connections dropped: %d\n", uploads, downloads, readiesLost);
    std::printf("soak: done again: receive clicks %d, typing steps %d (%d of them after a notice was closed)\n",
                receiveClicksAgain, stepsAgain, stepsAgainAfterNotice);
    for (const std::string& line : faultLines) std::printf("soak: %s\n", line.c_str());
}

TEST_F(SoakE2E, TwoDeskProgramsExchangeMessagesPicturesAndFilesThroughFaults) { Run(Program::Desk); }

TEST_F(SoakE2E, TheAgentAndAMessengerCustomerExchangeMessagesPicturesAndFilesThroughFaults) {
    Run(Program::Messenger);
}

}  // namespace
