// Hostile peers: a scripted peer, through the stand-in chat server (its
// control channel sends packets on the agent's connection as if a customer
// or an unknown user had sent them), feeds the real Tavrel.exe markup with
// out-of-range positions, unterminated and nested tags and huge format
// values; picture and file-offer names with path components, device names,
// control characters and too-long names; file offers of 0 and 2^32-1
// bytes; typing and status notices for unknown users; and a burst of
// messages (a case of its own, see below). The agent has the pop-up on: the customer's first message opens
// the conversation, so everything that can be shown is shown (the test
// gives no input of its own).
//
// One table, one row per case. Each row checks that the program is still
// running and answers within 5 s, shows what it can (the readable text in
// the log, the refusal of an offer the peer gets), and wrote nothing outside
// the account's folder (every file under the test's folder and the drive is
// compared with before; the temporary folder, where the picture control
// keeps its temporary picture files, and the stand-in file server's own
// storage do not count). The table with each row's outcome is printed.
#include "AgentSession.h"
#include "CustomerHost.h"
#include "DeskServerControl.h"
#include "FileTreeSnapshot.h"
#include "chat/ChatMainPanelResource.h"
#include "clientui/HistoryFile.h"
#include "clientui/TransFilePanel.h"
#include "main/DeskMessages.h"

#include "fw/StringUtil.h"

#include <ImEngineApi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace tavreltest;

namespace {

constexpr int32_t kUnknownUser = 99999;
// QV_HOSTILE_BURST: the burst's size (10,000 unless given).
int BurstSize() {
    const char* value = std::getenv("QV_HOSTILE_BURST");
    const int size = value && *value ? std::atoi(value) : 10000;
    return size > 0 ? size : 10000;
}

std::string Hex(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 3 + 1, '\0');
    out.resize(::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0],
                                     static_cast<int>(out.size()), nullptr, nullptr));
    return out;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::vector<uint8_t> Words(std::initializer_list<int32_t> words) {
    std::vector<uint8_t> out;
    for (int32_t w : words)
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(w) >> (8 * i)));
    return out;
}

int32_t TodayWord() {
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    return now.wYear * 10000 + now.wMonth * 100 + now.wDay;
}

// A text message record from `from`, its text the given bytes (cut to the
// field; NUL-terminated inside it).
std::vector<uint8_t> TextBody(int32_t from, int32_t to, int32_t time, const std::string& text) {
    TextMsgRecord record = {};
    record.date = TodayWord();
    record.time = time;
    record.senderId = from;
    record.receiverId = to;
    std::memcpy(record.text, text.data(), std::min(text.size(), sizeof record.text - 1));
    std::vector<uint8_t> body(sizeof record);
    std::memcpy(body.data(), &record, sizeof record);
    return body;
}

// A file offer: the record (its name field exactly as given, up to 64
// bytes, not necessarily NUL-terminated) and the answer code.
std::vector<uint8_t> OfferBody(int32_t from, int32_t to, int32_t size, const std::string& name, int32_t code) {
    FileRequestRecord record = {};
    record.senderId = from;
    record.receiverId = to;
    record.fileSize = size;
    std::memcpy(record.fileName, name.data(), std::min(name.size(), sizeof record.fileName));
    std::vector<uint8_t> body(sizeof record);
    std::memcpy(body.data(), &record, sizeof record);
    const std::vector<uint8_t> tail = Words({code});
    body.insert(body.end(), tail.begin(), tail.end());
    return body;
}

struct RowResult {
    std::string what;
    bool running = false;
    bool responsive = false;
    bool shown = false;
    std::string shownNote;
    std::vector<std::wstring> outside;
};

class HostilePeerE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ServerAddress().empty()) << "run through with-desk-server.sh";
        ASSERT_TRUE(std::getenv("QV_FILESERVER_DIR")) << "run with --fileserver";
        app = WindowsPathFromEnv("QV_DESK_APP");
        work = app.substr(0, app.size() - 1);
        work.erase(work.find_last_of(L'\\') + 1);
        ASSERT_TRUE(control.Connected());
        ASSERT_EQ(control.Command("CLEAR"), "OK");
        // The customer is online (its own connection), so the agent can
        // write to it; everything hostile comes through the control channel.
        ASSERT_TRUE(customer.Loaded());
        ASSERT_TRUE(customer.Logon(kSoakCustomer, ServerAddress()));
        // With the pop-up on, the customer's first message opens the
        // conversation by itself: the test needs no input of its own.
        ASSERT_TRUE(agent.Start(app, true)) << "the agent did not come up: " << agent.StartFailure();
        agentConnection = -1;
        for (const ServerPacket& p : control.PacketsOf(CMD_LOGON))
            if (p.body.size() >= 4 && *reinterpret_cast<const int32_t*>(p.body.data()) == kSoakAgent)
                agentConnection = p.connection;
        ASSERT_GT(agentConnection, 0);
        ASSERT_TRUE(SendText("<format|0|9|0|SimSun|/format>row00 opening"));
        ASSERT_TRUE(agent.Wait([&] {
            chat = ShownConversation(agent.Main());
            return chat.window && WindowText(chat.log).find(L"row00 opening") != std::wstring::npos;
        })) << "the customer's message opened no conversation";
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        allowed = {fw::ToAnsi(app + L"50002\\"), fw::ToAnsi(temp), fw::ToAnsi(work + L"files\\"),
                   fw::ToAnsi(work + L"server.log"), fw::ToAnsi(work + L"fileserver.")};
        for (std::string& a : allowed) a = Lower(a);
        // The customer's engine keeps its files beside this program.
        wchar_t self[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring tests = self;
        tests.erase(tests.find_last_of(L'\\') + 1);
        allowed.push_back(Lower(fw::ToAnsi(tests + L"60006\\")));
    }

    void TearDown() override {
        if (HasFailure()) agent.SaveScreen(L"hostile_peer_failure.bmp");
    }

    bool Send(uint32_t command, const std::vector<uint8_t>& body) {
        return control.Command("SEND " + std::to_string(agentConnection) + " " + std::to_string(command) + " " +
                               Hex(body)) == "OK";
    }
    bool SendText(int32_t from, const std::string& text) { return Send(CMD_TEXT_MSG, TextBody(from, kSoakAgent, NextTime(), text)); }
    bool SendText(const std::string& text) { return SendText(kSoakCustomer, text); }
    bool SendOffer(int32_t size, const std::string& name) {
        return Send(CMD_FILE_REQUEST, OfferBody(kSoakCustomer, kSoakAgent, size, name, FILE_REQ_OFFER));
    }
    int32_t NextTime() { return 90000000 + (++m_clock) * 10; }

    std::wstring LogText() const { return WindowText(chat.log); }
    bool LogShows(const std::wstring& text) {
        return agent.Wait([&] { return LogText().find(text) != std::wstring::npos; }, 15000);
    }
    // The agent's answer to an offer, as the server received it.
    bool AgentAnswered(int32_t code, const std::string& name) {
        return agent.Wait(
            [&] {
                for (const ServerPacket& p : control.PacketsOf(CMD_FILE_REQUEST)) {
                    if (p.connection != agentConnection || p.body.size() < sizeof(FileRequestRecord) + 4) continue;
                    FileRequestRecord record;
                    std::memcpy(&record, p.body.data(), sizeof record);
                    int32_t answer = 0;
                    std::memcpy(&answer, p.body.data() + sizeof record, 4);
                    const std::string got(record.fileName, strnlen(record.fileName, sizeof record.fileName));
                    if (answer == code && name.compare(0, got.size(), got) == 0) return true;
                }
                return false;
            },
            15000);
    }

    FileTree Snapshot() const { return SnapshotFiles({work, L"C:\\"}); }

    std::vector<std::wstring> Outside(const FileTree& before, const FileTree& after) const {
        std::vector<std::wstring> outside;
        std::vector<std::wstring> touched = ChangedFiles(before, after);
        const std::vector<std::wstring> gone = GoneFiles(before, after);
        touched.insert(touched.end(), gone.begin(), gone.end());
        for (const std::wstring& path : touched) {
            const std::string lower = Lower(fw::ToAnsi(path));
            bool inside = false;
            for (const std::string& a : allowed) inside = inside || lower.compare(0, a.size(), a) == 0;
            if (!inside) outside.push_back(path);
        }
        return outside;
    }

    // Runs one row: the peer's packets, then what the program shows.
    void Row(const std::string& what, const std::function<bool()>& send, const std::function<bool(std::string&)>& shown) {
        // QV_HOSTILE_ROWS: run only the rows whose name holds this text.
        const char* only = std::getenv("QV_HOSTILE_ROWS");
        if (only && *only && what.find(only) == std::string::npos) return;
        SCOPED_TRACE(what);
        const FileTree before = Snapshot();
        RowResult result;
        result.what = what;
        const bool sent = send();
        EXPECT_TRUE(sent) << "the stand-in server did not take the packets";
        result.shown = shown(result.shownNote);
        customer.Pump(500);
        result.running = agent.Process().IsRunning();
        result.responsive = agent.Responsive(5000);
        result.outside = Outside(before, Snapshot());
        // A message box the row opened is answered, so the next row starts
        // from the same state (the row shows what it said).
        for (HWND box : agent.MessageBoxes()) {
            result.shownNote += " [box: " + Utf8(MessageBoxText(box)) + "]";
            AnswerMessageBox(box, IDOK);
        }
        EXPECT_TRUE(result.running) << "the program ended";
        EXPECT_TRUE(result.responsive) << "the program does not answer";
        EXPECT_TRUE(result.shown) << result.shownNote;
        for (const std::wstring& path : result.outside) ADD_FAILURE() << "written outside: " << Utf8(path);
        results.push_back(result);
    }

    void PrintTable() const {
        std::printf("\n| case | running | answers | shown | written outside |\n|---|---|---|---|---|\n");
        for (const RowResult& r : results)
            std::printf("| %s | %s | %s | %s%s%s | %s |\n", r.what.c_str(), r.running ? "yes" : "NO",
                        r.responsive ? "yes" : "NO", r.shown ? "yes" : "NO", r.shownNote.empty() ? "" : ": ",
                        r.shownNote.c_str(), r.outside.empty() ? "nothing" : Utf8(r.outside.front()).c_str());
    }

    std::wstring app;
    std::wstring work;
    std::vector<std::string> allowed;
    CDeskServerControl control;
    CCustomerHost customer;
    CAgentSession agent{[this](DWORD ms) { customer.Pump(ms); }};
    Conversation chat;
    int agentConnection = -1;
    int m_clock = 0;
    std::vector<RowResult> results;
};

}  // namespace

TEST_F(HostilePeerE2E, TheProgramStaysUpShowsWhatItCanAndWritesOnlyIntoTheAccount) {
    const std::string prefix = "<format|0|9|0|SimSun|/format>";
    auto text = [&](const std::string& body) {
        return [this, body]() { return SendText(body); };
    };
    // The row's text with a picture tag after it (the picture takes the
    // place of the character after the text, as the sender's input has it).
    auto withPicture = [&](const std::string& row, const std::string& tag) {
        return prefix + row + "?<pic/" + std::to_string(row.size()) + "/" + tag + "/pic>";
    };
    auto shows = [&](const std::wstring& expected) {
        return [this, expected](std::string& note) {
            const bool ok = LogShows(expected);
            note = ok ? "text shown" : "not in the log";
            return ok;
        };
    };

    // --- markup -----------------------------------------------------------------
    Row("picture position past the text", text(prefix + "row01 past<pic/99999/1210F00D0001.jpg/pic>"),
        shows(L"row01 past"));
    Row("negative picture position", text(prefix + "row02 negative<pic/-7/1210F00D0002.jpg/pic>"),
        shows(L"row02 negative"));
    Row("position beyond 32 bits", text(prefix + "row03 wide<pic/99999999999999999999/1210F00D0003.jpg/pic>"),
        shows(L"row03 wide"));
    Row("unterminated format prefix", text("<format|1|10|0|SimSun row04 unterminated"),
        shows(L"row04 unterminated"));
    Row("unterminated picture tag", text(prefix + "row05 open<pic/2/1210F00D0005.jpg"), shows(L"row05 open"));
    Row("nested format prefixes", text("<format|<format|1|9|0|x|/format>|1|10|0|y|/format>row06 nested"),
        shows(L"row06 nested"));
    Row("nested picture tags", text(withPicture("row07 nested", "<pic/2/1210F00D0007.jpg/pic>")),
        shows(L"row07 nested"));
    Row("huge format values",
        text("<format|4294967295|99999999|-2147483648|" + std::string(200, 'F') + "|/format>row08 huge"),
        shows(L"row08 huge"));
    Row("colour and size beyond their ranges", text("<format|-1|-300|99999999999999999999|x|/format>row09 range"),
        shows(L"row09 range"));
    Row("text filling the whole field without NUL", text(prefix + "row10 full" + std::string(1100, 'z')),
        shows(L"row10 full"));

    // --- picture names ------------------------------------------------------------
    const char* pictureNames[] = {
        "..\\..\\..\\escape11.jpg", "..\\escape12.jpg", "C:\\escape13.jpg", "sub/escape14.jpg", "\\\\server\\share\\e15.jpg",
        "CON", "NUL.jpg", "com1.gif", "LPT9.png", "aux", "a\x01" "b16.jpg", "tab\t17.jpg", "..", ".",
        "trailingdot18.jpg.", "star*19.jpg",
    };
    int n = 11;
    for (const char* name : pictureNames) {
        const std::string row = "row" + std::to_string(n++) + " picture";
        Row(std::string("picture name ") + (name[0] == '\x01' ? "with a control character" : Lower(name)),
            text(withPicture(row, name)), shows(std::wstring(row.begin(), row.end())));
    }
    Row("picture name of 300 characters", text(withPicture("row40 long", std::string(296, 'n') + ".jpg")),
        shows(L"row40 long"));

    // A picture with a good name that the file server holds: it is fetched
    // into the account's picture folder and shown.
    const std::string picture = PatternBytes(3000, 41);
    const std::wstring source = app + L"hostile-source.bin";
    ASSERT_TRUE(WriteAll(source, picture));
    ASSERT_TRUE(UploadToFileServer(ServerAddress(), source, "1210F00D0041.jpg", static_cast<int32_t>(picture.size())));
    ::DeleteFileW(source.c_str());
    Row("picture with a good name", text(withPicture("row41 fetched", "1210F00D0041.jpg")),
        [&](std::string& note) {
            const std::wstring landed = app + L"50002\\Image\\1210F00D0041.jpg";
            const bool ok = LogShows(L"row41 fetched") && agent.Wait([&] { return ReadAll(landed) == picture; }, 30000);
            note = ok ? "fetched into the account's picture folder" : "not fetched";
            return ok;
        });

    // --- file offers ------------------------------------------------------------------
    const struct {
        const char* what;
        std::string name;
        int32_t size;
    } unsafeOffers[] = {
        {"offer named with path components", "..\\..\\offer42.bin", 10},
        {"offer of an absolute path", "C:\\offer43.bin", 10},
        {"offer with a forward slash", "dir/offer44.bin", 10},
        {"offer named CON", "CON", 10},
        {"offer named aux.txt", "aux.txt", 10},
        {"offer named with a control character", std::string("off\x02" "er45.bin"), 10},
        {"offer with a name filling the field without NUL", std::string(64, 'L'), 10},
        {"offer of 2^32-1 bytes", "huge46.bin", -1},
    };
    for (const auto& offer : unsafeOffers) {
        Row(offer.what, [&] { return SendOffer(offer.size, offer.name); },
            [&](std::string& note) {
                const bool ok = AgentAnswered(FILE_REQ_REFUSE, offer.name);
                note = ok ? "refused to the peer" : "no refusal reached the peer";
                return ok;
            });
    }
    // An empty file: offered like any other (the transfer page shows it);
    // the peer then takes the offer back.
    Row("offer of 0 bytes", [&] { return SendOffer(0, "empty47.bin"); },
        [&](std::string& note) {
            HWND refuse = nullptr;
            const bool offered = agent.Wait([&] {
                refuse = FindControl(agent.Main(), kDeskTransFileIds.refuse, L"Button");
                return refuse && ::IsWindowVisible(refuse);
            });
            Send(CMD_FILE_REQUEST, OfferBody(kSoakCustomer, kSoakAgent, 0, "empty47.bin", FILE_REQ_CANCEL_SEND));
            const bool cleared = agent.Wait([&] { return !::IsWindowVisible(refuse); });
            note = offered ? (cleared ? "shown; taken back by the peer" : "shown; still shown after the peer took it back")
                           : "the transfer page does not show the offer";
            return offered && cleared;
        });

    // --- notices for unknown users ------------------------------------------------------
    Row("typing notice of an unknown user", [&] { return Send(CMD_INPUT_STATUS, Words({kUnknownUser, kSoakAgent})); },
        [&](std::string& note) {
            note = "nothing to show";
            return true;
        });
    Row("status notice of an unknown user", [&] { return Send(CMD_CHANGE_STATUS, Words({kUnknownUser, 1})); },
        [&](std::string& note) {
            note = "nothing to show";
            return true;
        });
    Row("status list of unknown users",
        [&] {
            std::vector<uint8_t> body = {3, 0};
            for (int32_t id : {kUnknownUser, kUnknownUser + 1, -5}) {
                const std::vector<uint8_t> pair = Words({id, 2});
                body.insert(body.end(), pair.begin(), pair.end());
            }
            return Send(CMD_GET_STATUS_LIST, body);
        },
        [&](std::string& note) {
            note = "nothing to show";
            return true;
        });
    Row("message from an unknown user", [&] { return SendText(kUnknownUser, prefix + "row48 stranger"); },
        [&](std::string& note) {
            note = "kept by the engine (no conversation opens by itself)";
            return true;
        });

    PrintTable();
}

// A burst of 10,000 messages from the customer (QV_HOSTILE_BURST: another
// size; the case takes about half a minute).
// The engine hands a flood to the program in slices, and the program shows
// the queued messages in bounded slices of its own, appended to the log
// with its drawing held: it answers throughout (WM_NULL, asked again and
// again, within 5 s), shows the last message, and keeps the log's 60 newest
// messages in order, each once. Every message of the burst is recorded
// exactly once in the agent's history file of the customer.
TEST_F(HostilePeerE2E, ABurstOfMessagesLeavesTheProgramAnswering) {
    const std::string prefix = "<format|0|9|0|SimSun|/format>";
    const int burst = BurstSize();
    auto line = [](int i) { return "burst " + std::to_string(i) + " end"; };
    DWORD slowest = 0;
    Row("burst of " + std::to_string(burst) + " messages",
        [&] {
            for (int i = 1; i <= burst; ++i)
                if (!SendText(prefix + line(i))) return false;
            return true;
        },
        [&](std::string& note) {
            // The program answers throughout, while it works through the burst.
            const std::wstring last = fw::FromAnsi(line(burst));
            const bool done = agent.Wait(
                [&] {
                    const DWORD start = ::GetTickCount();
                    DWORD_PTR result = 0;
                    if (!::SendMessageTimeoutW(agent.Main(), WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result)) {
                        slowest = 60000;
                        return true;
                    }
                    slowest = std::max<DWORD>(slowest, ::GetTickCount() - start);
                    return LogText().find(last) != std::wstring::npos;
                },
                600000);
            // The log's newest messages: the burst's last ones, in order, once.
            const std::wstring log = LogText();
            bool tail = done;
            size_t at = 0;
            const int first = std::max(1, burst - 50);
            for (int i = first; i <= burst && tail; ++i) {
                const std::wstring text = fw::FromAnsi(line(i)) + L"\r";
                const size_t found = log.find(text, at);
                tail = found != std::wstring::npos && log.find(text, found + 1) == std::wstring::npos;
                at = found + 1;
            }
            char text[200];
            std::snprintf(text, sizeof text, "last message shown: %s, the newest in order once: %s, slowest answer %lu ms",
                          done ? "yes" : "no", tail ? "yes" : "no", static_cast<unsigned long>(slowest));
            note = text;
            return done && tail && slowest < 5000;
        });
    PrintTable();

    // Every message of the burst recorded once in the history file.
    std::vector<int> counts(static_cast<size_t>(burst) + 1, 0);
    const std::wstring path = app + std::to_wstring(kSoakAgent) + L"\\msg\\" + std::to_wstring(kSoakCustomer) + L".msg";
    bool read = false;
    int recorded = 0, duplicated = 0;
    agent.Wait(
        [&] {
            std::fill(counts.begin(), counts.end(), 0);
            HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, 0, nullptr);
            if (file == INVALID_HANDLE_VALUE) return false;
            std::vector<uint8_t> bytes(static_cast<size_t>(::GetFileSize(file, nullptr)));
            DWORD got = 0;
            read = bytes.size() >= 128 && ::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
                   got == bytes.size();
            ::CloseHandle(file);
            if (!read) return false;
            int32_t count = 0;
            std::memcpy(&count, bytes.data() + 12, 4);
            std::vector<HistoryRecord> records;
            ParseAllHistoryRecords(bytes.data() + 128, bytes.size() - 128, count, records);
            for (const HistoryRecord& r : records) {
                int i = 0;
                char tailText[8] = {};
                const size_t at = r.text.find("burst ");
                if (at != std::string::npos && std::sscanf(r.text.c_str() + at, "burst %d %3s", &i, tailText) == 2 &&
                    i >= 1 && i <= burst && std::strcmp(tailText, "end") == 0)
                    ++counts[static_cast<size_t>(i)];
            }
            recorded = 0;
            duplicated = 0;
            for (int i = 1; i <= burst; ++i) {
                recorded += counts[static_cast<size_t>(i)] > 0 ? 1 : 0;
                duplicated += counts[static_cast<size_t>(i)] > 1 ? 1 : 0;
            }
            return recorded == burst;
        },
        60000);
    EXPECT_TRUE(read) << "the history file could not be read";
    EXPECT_EQ(recorded, burst) << "messages of the burst missing from the history file";
    EXPECT_EQ(duplicated, 0) << "messages of the burst recorded more than once";
}
