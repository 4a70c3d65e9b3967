// engine_bench: the engine's figures on this machine, in one run.
//
//   engine_bench <chat port> [--messages N] [--rounds N] [--idle-seconds N]
//
// Against the stand-in chat server on 127.0.0.1 (run-bench.sh starts one):
//   1. Messages through two engine hosts (messenger build, shipped timings,
//      each host on a UI thread of its own): throughput (N messages, 64 in
//      flight) and round-trip latency (a message and its answer, one at a
//      time): median and 99th percentile.
//   2. The same exchange by two plain Winsock clients with no engine: the
//      baseline this machine allows.
//   3. A message queued on a connection idle for 300 ms: time until the
//      receiver (a plain client) has it, against a plain client sending the
//      same way: the difference is the engine's send wake-up.
//   4. History files: appending N records through the engine and reading
//      them back, against raw writes and reads of the same bytes.
//   5. A list of 50,000 customers: how long the engine takes from the reply
//      to its notice, and its memory for it; and through the server, from
//      the log-on reply until the whole list is in. Beside it the agent's
//      registered list of the same 50,000 customers: the reply into an
//      empty list, and an update of it (half the customers again, half new)
//      merged into the whole list, each until its notice.
//   6. The engine's CPU time while two hosts are connected and idle.
// Nothing here is a test: it prints the figures and the targets beside them.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "DataTree.h"
#include "HistoryFiles.h"
#include "MessagingPeer.h"
#include "ProtocolSession.h"
#include "RawChatClient.h"
#include "SendQueue.h"
#include "Win32Clock.h"
#include "Win32CodePage.h"
#include "Win32FileSystem.h"
#include "Wire.h"

namespace {

constexpr int32_t kEngineA = 42001;
constexpr int32_t kEngineB = 42002;
// Plain clients use accounts of their own, so that the servers' routing
// never mixes them with the engines'.
constexpr int32_t kRawA = 41001;
constexpr int32_t kRawB = 41002;
constexpr size_t kWindow = 64;

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / double(frequency.QuadPart);
}

struct Latency {
    double median = 0, p99 = 0;
};

Latency Percentiles(std::vector<double> samples) {
    Latency l;
    if (samples.empty()) return l;
    std::sort(samples.begin(), samples.end());
    l.median = samples[samples.size() / 2];
    l.p99 = samples[std::min(samples.size() - 1, samples.size() * 99 / 100)];
    return l;
}

void PumpOnce(DWORD waitMs) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, waitMs, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

template <class F>
bool PumpUntil(F done, double seconds) {
    const double end = Now() + seconds;
    while (!done()) {
        if (Now() > end) return false;
        PumpOnce(1);
    }
    return true;
}

struct ExchangeFigures {
    bool ok = false;
    double perSecond = 0;
    Latency rtt;
};

// ---- Through two engine hosts ------------------------------------------------------

// The second host on a UI thread of its own, as a second client program
// would have: it logs on, takes what arrives, and (when asked) answers
// every message it receives.
class PeerThread {
public:
    PeerThread(uint16_t port, std::wstring folder, size_t capacity)
        : port_(port), folder_(std::move(folder)), capacity_(capacity) {
        thread_ = CreateThread(nullptr, 0, &Run, this, 0, nullptr);
    }
    ~PeerThread() {
        stop_ = true;
        if (thread_) {
            WaitForSingleObject(thread_, 30000);
            CloseHandle(thread_);
        }
    }
    bool WaitLoggedOn(double seconds) {
        const double end = Now() + seconds;
        for (;;) {
            MessagingPeer* peer = peer_.load();
            if (peer && peer->LoggedOn()) return true;
            if (Now() > end) return false;
            Sleep(1);
        }
    }
    size_t Received() const {
        MessagingPeer* peer = peer_.load();
        return peer ? peer->Received() : 0;
    }
    void Echo(bool on) { echo_ = on; }

private:
    static DWORD WINAPI Run(void* self) {
        static_cast<PeerThread*>(self)->Loop();
        return 0;
    }
    void Loop() {
        MessagingPeer peer(kEngineB, kEngineA, folder_, capacity_);
        peer.onReceived = [&](size_t n) {
            if (echo_) peer.Send(n);
        };
        peer_ = &peer;
        peer.Logon(L"bench", port_);
        while (!stop_) PumpOnce(5);
        peer.Logout();
        peer_ = nullptr;
    }

    const uint16_t port_;
    const std::wstring folder_;
    const size_t capacity_;
    HANDLE thread_ = nullptr;
    std::atomic<MessagingPeer*> peer_{nullptr};
    std::atomic<bool> stop_{false}, echo_{false};
};

ExchangeFigures EngineExchange(uint16_t port, size_t messages, size_t rounds) {
    ExchangeFigures f;
    const std::wstring folderA = MakeTempFolder(L"qv-bench-a-"), folderB = MakeTempFolder(L"qv-bench-b-");
    {
        const size_t capacity = messages + rounds;
        MessagingPeer a(kEngineA, kEngineB, folderA, capacity);
        PeerThread b(port, folderB, capacity);
        a.Logon(L"bench", port);
        if (!PumpUntil([&] { return a.LoggedOn(); }, 20) || !b.WaitLoggedOn(20)) return f;
        PumpUntil([] { return false; }, 0.3);  // the requests after the log-on are answered

        // Throughput: A to B, a window of messages in flight.
        const double start = Now();
        const bool sent = PumpUntil(
            [&] {
                while (a.Sent() < messages && a.Sent() - b.Received() < kWindow) a.Send(a.Sent());
                return b.Received() >= messages;
            },
            120);
        const double took = Now() - start;
        if (!sent) return f;
        f.perSecond = double(messages) / took;

        // Round trips: A sends, B answers on receipt, A times the answer.
        std::vector<double> samples;
        double sentAt = 0;
        size_t answered = 0;
        b.Echo(true);
        a.onReceived = [&](size_t) {
            samples.push_back(Now() - sentAt);
            ++answered;
        };
        for (size_t i = 0; i < rounds; ++i) {
            sentAt = Now();
            a.Send(messages + i);
            if (!PumpUntil([&] { return answered > i; }, 10)) return f;
        }
        a.onReceived = nullptr;
        f.rtt = Percentiles(samples);
        f.ok = true;
        a.Logout();
    }
    RemoveFolderTree(folderA);
    RemoveFolderTree(folderB);
    return f;
}

// ---- The same with plain Winsock clients -----------------------------------------------

ExchangeFigures RawExchange(uint16_t port, size_t messages, size_t rounds) {
    ExchangeFigures f;
    RawChatClient a, b;
    if (!a.Logon(port, kRawA) || !b.Logon(port, kRawB)) return f;
    const std::string text = "message from a plain client";

    const double start = Now();
    size_t sent = 0, received = 0;
    std::vector<int32_t> got;
    while (received < messages) {
        while (sent < messages && sent - received < kWindow) {
            if (!a.SendText(kRawB, MessagingPeer::kFirstMsgTime + int32_t(sent), text)) return f;
            ++sent;
        }
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(a.Handle(), &readable);
        FD_SET(b.Handle(), &readable);
        timeval wait = {1, 0};
        if (select(0, &readable, nullptr, nullptr, &wait) < 0) return f;
        got.clear();
        if (!b.Poll(got)) return f;
        received += got.size();
        got.clear();
        if (!a.Poll(got)) return f;  // A's acknowledgements
        if (Now() - start > 120) return f;
    }
    f.perSecond = double(messages) / (Now() - start);

    std::vector<double> samples;
    for (size_t i = 0; i < rounds; ++i) {
        const double at = Now();
        const int32_t id = MessagingPeer::kFirstMsgTime + int32_t(messages + i);
        if (!a.SendText(kRawB, id, text)) return f;
        const int32_t echoed = b.WaitForMessage();
        if (echoed < 0 || !b.SendText(kRawA, echoed, text)) return f;
        if (a.WaitForMessage() < 0) return f;
        samples.push_back(Now() - at);
    }
    f.rtt = Percentiles(samples);
    f.ok = true;
    return f;
}

// ---- A message queued on an idle connection -------------------------------------------

// Engine host A sends to a plain client standing in for B; each message is
// queued after 300 ms of quiet and timed until the plain client has it.
bool IdleSendLatency(uint16_t port, int samples, Latency& out, double& worst, double& p90) {
    const std::wstring folder = MakeTempFolder(L"qv-bench-idle-");
    bool ok = false;
    {
        RawChatClient receiver;
        if (!receiver.Logon(port, kEngineB)) return false;
        MessagingPeer a(kEngineA, kEngineB, folder, size_t(samples));
        a.Logon(L"bench", port);
        if (PumpUntil([&] { return a.LoggedOn(); }, 20)) {
            PumpUntil([] { return false; }, 0.5);
            std::vector<double> times;
            for (int i = 0; i < samples; ++i) {
                PumpUntil([] { return false; }, 0.3);
                const double at = Now();
                a.Send(size_t(i));
                if (receiver.WaitForMessage() < 0) break;
                times.push_back(Now() - at);
            }
            if (int(times.size()) == samples) {
                out = Percentiles(times);
                worst = *std::max_element(times.begin(), times.end());
                std::sort(times.begin(), times.end());
                p90 = times[times.size() * 9 / 10];
                ok = true;
            }
            a.Logout();
        }
    }
    RemoveFolderTree(folder);
    return ok;
}

// The same path with a plain client sending: what the server and the
// receiver add to the figure above.
bool IdleRawLatency(uint16_t port, int samples, Latency& out, double& p90) {
    RawChatClient sender, receiver;
    if (!sender.Logon(port, kRawA) || !receiver.Logon(port, kRawB)) return false;
    std::vector<double> times;
    std::vector<int32_t> acks;
    for (int i = 0; i < samples; ++i) {
        Sleep(300);
        sender.Poll(acks);  // the acknowledgements so far
        const double at = Now();
        if (!sender.SendText(kRawB, MessagingPeer::kFirstMsgTime + i, "idle")) return false;
        if (receiver.WaitForMessage() < 0) return false;
        times.push_back(Now() - at);
    }
    out = Percentiles(times);
    std::sort(times.begin(), times.end());
    p90 = times[times.size() * 9 / 10];
    return true;
}

// ---- History files ----------------------------------------------------------------------

struct FileFigures {
    double engineAppend = 0, batchedAppend = 0, rawAppend = 0, engineRead = 0, rawRead = 0;  // records per second
    double megabytes = 0;
};

std::vector<uint8_t> ReadWhole(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    // Shared for writing, as the clients' history views open it: the engine
    // keeps the history files it appends to open.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    LARGE_INTEGER size;
    GetFileSizeEx(file, &size);
    bytes.resize(size_t(size.QuadPart));
    DWORD done = 0;
    ReadFile(file, bytes.data(), DWORD(bytes.size()), &done, nullptr);
    bytes.resize(done);
    CloseHandle(file);
    return bytes;
}

// Walks the records of a history file's bytes; how many.
size_t CountRecords(const uint8_t* bytes, size_t size) {
    size_t at = 128, count = 0;
    while (at + 92 <= size) {
        int32_t text, extra;
        std::memcpy(&text, bytes + at + 24, 4);
        std::memcpy(&extra, bytes + at + 32, 4);
        if (text < 0 || extra < 0) break;
        at += 92 + size_t(text) + size_t(extra);
        ++count;
    }
    return count;
}

bool HistoryFigures(size_t records, FileFigures& f) {
    const std::wstring folder = MakeTempFolder(L"qv-bench-files-");
    engine::Win32FileSystem files;
    engine::HistoryFiles history(engine::EngineVariant::Messenger, files);
    const std::wstring enginePath = folder + L"engine\\42002.msg";
    const std::wstring rawPath = folder + L"raw.msg";

    double start = Now();
    for (size_t i = 0; i < records; ++i) {
        TextMsgRecord msg = {};
        msg.date = 20261210;
        msg.time = MessagingPeer::kFirstMsgTime + int32_t(i);
        msg.senderId = kEngineB;
        msg.receiverId = kEngineA;
        std::snprintf(msg.text, sizeof msg.text, "history record %u, some words of a customer's question", unsigned(i));
        history.AppendMsgRecord(msg, enginePath);
    }
    f.engineAppend = double(records) / (Now() - start);

    // As a run of received packets writes them: kept, then written together.
    const std::wstring batchedPath = folder + L"batched\\42002.msg";
    const size_t perRun = 32;
    start = Now();
    for (size_t i = 0; i < records; i += perRun) {
        history.BeginBatch();
        for (size_t j = i; j < std::min(records, i + perRun); ++j) {
            TextMsgRecord msg = {};
            msg.date = 20261210;
            msg.time = MessagingPeer::kFirstMsgTime + int32_t(j);
            msg.senderId = kEngineB;
            msg.receiverId = kEngineA;
            std::snprintf(msg.text, sizeof msg.text, "history record %u, some words of a customer's question",
                          unsigned(j));
            history.AppendMsgRecord(msg, batchedPath);
        }
        history.EndBatch();
    }
    f.batchedAppend = double(records) / (Now() - start);

    // The same bytes, record by record, through one handle.
    const std::vector<uint8_t> written = ReadWhole(enginePath);
    if (written.size() < 128 || CountRecords(written.data(), written.size()) != records) {
        history.CloseFiles();
        RemoveFolderTree(folder);
        return false;
    }
    f.megabytes = double(written.size()) / (1024.0 * 1024.0);
    start = Now();
    HANDLE raw = CreateFileW(rawPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD done = 0;
    WriteFile(raw, written.data(), 128, &done, nullptr);
    for (size_t at = 128; at + 92 <= written.size();) {
        int32_t text;
        std::memcpy(&text, written.data() + at + 24, 4);
        const size_t length = 92 + size_t(text);
        WriteFile(raw, written.data() + at, DWORD(length), &done, nullptr);
        at += length;
    }
    CloseHandle(raw);
    f.rawAppend = double(records) / (Now() - start);

    // Reading: the whole file through the engine's file port and its
    // records walked, against a raw read of the same file.
    const int passes = 20;
    start = Now();
    for (int p = 0; p < passes; ++p) {
        std::unique_ptr<engine::IFile> file = files.Open(enginePath, engine::FileOpen::Read);
        MsgFileHeader header;
        history.ReadMsgHeader(enginePath, header);
        std::vector<uint8_t> bytes(size_t(file->Size()));
        bytes.resize(file->ReadAt(0, bytes.data(), bytes.size()));
        if (CountRecords(bytes.data(), bytes.size()) != records) return false;
    }
    f.engineRead = double(records) * passes / (Now() - start);
    start = Now();
    for (int p = 0; p < passes; ++p) {
        const std::vector<uint8_t> bytes = ReadWhole(rawPath);
        if (CountRecords(bytes.data(), bytes.size()) != records) return false;
    }
    f.rawRead = double(records) * passes / (Now() - start);
    history.CloseFiles();  // the files it kept open, so that the folder can go
    RemoveFolderTree(folder);
    return true;
}

// ---- A large organisation's list ---------------------------------------------------------

constexpr int32_t kCrowdAgent = 31001;  // 50,000 customers in the stand-in server's world
constexpr int32_t kCrowdFirst = 5000000;
constexpr int32_t kCrowdSize = 50000;

// The stand-in server's made-up customer text: `what`, the id, repeated.
std::string CrowdText(const char* what, int32_t id, size_t length) {
    const std::string seed = std::string(what) + " " + std::to_string(id) + " ";
    std::string text;
    while (text.size() < length) text += seed;
    text.resize(length);
    return text;
}

// The friend-list reply the stand-in server sends the crowd agent.
engine::Packet CrowdListPacket() {
    std::vector<uint8_t> body = {1, 0, uint8_t(kCrowdSize), uint8_t(kCrowdSize >> 8)};
    auto word = [&](int32_t v) {
        for (int i = 0; i < 4; ++i) body.push_back(uint8_t(uint32_t(v) >> (8 * i)));
    };
    auto text = [&](const std::string& t) {
        body.insert(body.end(), t.begin(), t.end());
        body.push_back(0);
    };
    word(1), word(10), text("Customers");
    for (int32_t i = 0; i < kCrowdSize; ++i) {
        const int32_t id = kCrowdFirst + i;
        word(id), word(1), word(0), word(5);
        text(CrowdText("customer", id, 23));
        text(CrowdText("memo", id, 15));
        text(CrowdText("the signature of customer", id, 255));
    }
    return engine::wire::BuildPacket(CMD_GET_FRIEND_LIST, body);
}

struct ListFigures {
    double bodyMegabytes = 0;
    double handleSeconds = 0;   // the reply handed to the engine until its notice
    double registeredSeconds = 0;      // the registered list into an empty one, until its notice
    double registeredMergeSeconds = 0;  // an update merged into the whole list, until its notice
    size_t registeredMerged = 0;        // the records of the merged list
    double storeMegabytes = 0;  // what the engine keeps of it
    double viaServerSeconds = 0;  // through the server: the log-on reply until the notice
};

// The notice of the friend list, timed.
class TimingNotifier : public engine::INotifier {
public:
    void Post(unsigned message, uintptr_t, intptr_t lParam) override {
        if (message == WM_IM_TALKLIST && lParam == TALKLIST_REGISTERED) talkListAt = Now();
    }
    void Send(unsigned message, uintptr_t wParam, intptr_t) override {
        if (message == WM_IM_NOTIFY && wParam == NOTIFY_FRIENDLIST) notifiedAt = Now();
    }
    double notifiedAt = 0;
    double talkListAt = 0;
};

// The crowd agent's registered list: `count` customers from id `first`,
// stamped `time`.
engine::Packet RegisteredListPacket(int32_t first, int32_t count, int32_t time) {
    std::vector<uint8_t> body;
    auto word = [&](int32_t v) {
        for (int i = 0; i < 4; ++i) body.push_back(uint8_t(uint32_t(v) >> (8 * i)));
    };
    word(kCrowdAgent), word(TALKLIST_REGISTERED), word(count);
    for (int32_t i = 0; i < count; ++i) {
        TalkListRecord record;
        std::memset(&record, 0, sizeof record);
        record.userId = first + i;
        record.date = 20261210;
        record.time = time;
        const std::string text = CrowdText("reg", record.userId, sizeof record.carried - 1);
        std::memcpy(record.carried, text.data(), text.size());
        const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
        body.insert(body.end(), bytes, bytes + sizeof record);
    }
    return engine::wire::BuildPacket(CMD_UPDATE_TALK_LIST, body);
}

bool ListFiguresOf(uint16_t port, ListFigures& f) {
    // The engine's own part: the desk session handles the reply (parse, the
    // user records, the friend map, "userlist.dat") until its notice, with
    // the shipped file system and code page.
    {
        const std::wstring folder = MakeTempFolder(L"qv-bench-list-");
        engine::Packet packet = CrowdListPacket();
        f.bodyMegabytes = double(packet.size() - PACKET_HEADER_SIZE) / (1024.0 * 1024.0);
        engine::Win32FileSystem files;
        engine::Win32CodePage codePage;
        engine::Win32Clock clock;
        TimingNotifier notifier;
        engine::EnginePorts ports{&clock, &codePage, &files, &notifier, nullptr};
        {
            CDataTree store;
            engine::SendQueue queue;
            CProtocolSession session(engine::EngineVariant::Desk, store, queue, ports, folder);
            store.curUserId = kCrowdAgent;
            const size_t memoryBefore = ProcessPrivateBytes();
            const double start = Now();
            const bool handled = session.Dispatch(packet.data(), packet.size());
            f.handleSeconds = notifier.notifiedAt - start;
            f.storeMegabytes = double(ProcessPrivateBytes() - memoryBefore) / (1024.0 * 1024.0);
            size_t listed = 0;
            for (const auto& entry : store.ownFriends) listed += entry.second.size();

            // The registered list: the whole of it, then an update whose
            // first half is customers the list holds and second half new.
            const engine::Packet whole = RegisteredListPacket(kCrowdFirst, kCrowdSize, 80000);
            const engine::Packet update = RegisteredListPacket(kCrowdFirst + kCrowdSize / 2, kCrowdSize, 90000);
            double start2 = Now();
            const bool registered = session.Dispatch(whole.data(), whole.size());
            f.registeredSeconds = notifier.talkListAt - start2;
            notifier.talkListAt = 0;
            start2 = Now();
            const bool merged = session.Dispatch(update.data(), update.size());
            f.registeredMergeSeconds = notifier.talkListAt - start2;
            f.registeredMerged = store.ownTalkLists[TALKLIST_REGISTERED].size();
            session.CloseHistoryFiles();
            if (!handled || notifier.notifiedAt == 0 || listed != size_t(kCrowdSize)) return false;
            if (!registered || !merged || notifier.talkListAt == 0 ||
                f.registeredMerged != size_t(kCrowdSize + kCrowdSize / 2))
                return false;
        }
        RemoveFolderTree(folder);
    }
    // Through the stand-in server, as an agent logs on for the first time.
    const std::wstring folder = MakeTempFolder(L"qv-bench-crowd-");
    bool ok = false;
    {
        EngineOptions options;
        options.hostFolder = folder;
        CKestrinApp app(engine::EngineVariant::Desk, options);
        app.InitInstance();
        HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        app.InitModule(window);
        app.ConnectAndLogon(std::to_wstring(kCrowdAgent), L"secret", LOGON_TYPE_PASSWORD, L"127.0.0.1", port);
        auto listed = [&] {
            size_t n = 0;
            for (const auto& entry : app.Store().ownFriends) n += entry.second.size();
            return n;
        };
        if (PumpUntil([&] { return app.Session().LoggedOn(); }, 20)) {
            const double start = Now();
            if (PumpUntil([&] { return listed() == size_t(kCrowdSize); }, 60)) {
                f.viaServerSeconds = Now() - start;
                ok = true;
            }
        }
        app.Logout(true);
        DestroyWindow(window);
    }
    RemoveFolderTree(folder);
    return ok;
}

// ---- Idle CPU ----------------------------------------------------------------------------

double ProcessCpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return double((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

bool IdleCpu(uint16_t port, int seconds, double& percent) {
    const std::wstring folderA = MakeTempFolder(L"qv-bench-cpu-a-"), folderB = MakeTempFolder(L"qv-bench-cpu-b-");
    bool ok = false;
    {
        MessagingPeer a(kEngineA, kEngineB, folderA, 1);
        MessagingPeer b(kEngineB, kEngineA, folderB, 1);
        a.Logon(L"bench", port);
        b.Logon(L"bench", port);
        if (PumpUntil([&] { return a.LoggedOn() && b.LoggedOn(); }, 20)) {
            PumpUntil([] { return false; }, 1.0);
            const double cpu = ProcessCpuSeconds();
            const double start = Now();
            // The host sleeps in its message loop, as a client's UI thread does.
            while (Now() - start < seconds) PumpOnce(1000);
            percent = std::max(0.0, 100.0 * (ProcessCpuSeconds() - cpu) / (Now() - start));
            ok = a.LoggedOn() && b.LoggedOn();
            a.Logout();
            b.Logout();
        }
    }
    RemoveFolderTree(folderA);
    RemoveFolderTree(folderB);
    return ok;
}

const char* Verdict(bool met) { return met ? "met" : "NOT MET"; }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: engine_bench <chat port> [--messages N] [--rounds N] [--idle-seconds N]\n");
        return 2;
    }
    const uint16_t port = uint16_t(std::atoi(argv[1]));
    size_t messages = 5000, rounds = 1000;
    int idleSeconds = 30;
    std::string only;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--only") {
            only = argv[i + 1];
            continue;
        }
        const int value = std::atoi(argv[i + 1]);
        if (value <= 0) continue;
        if (option == "--messages") messages = size_t(value);
        if (option == "--rounds") rounds = size_t(value);
        if (option == "--idle-seconds") idleSeconds = value;
    }
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 1;
    std::setvbuf(stdout, nullptr, _IONBF, 0);

    std::printf("engine benchmark: %u messages, %u round trips, %d s idle\n\n", unsigned(messages),
                unsigned(rounds), idleSeconds);
    // "--only raw" / "--only engine": that exchange alone (to count its
    // wine-server requests with WINEDEBUG=+server).
    if (!only.empty()) {
        const ExchangeFigures f =
            only == "raw" ? RawExchange(port, messages, rounds) : EngineExchange(port, messages, rounds);
        std::printf("%s: %.0f messages/s, RTT median %.0f us\n", only.c_str(), f.perSecond, f.rtt.median * 1e6);
        WSACleanup();
        return f.ok ? 0 : 1;
    }
    const ExchangeFigures raw = RawExchange(port, messages, rounds);
    const ExchangeFigures eng = EngineExchange(port, messages, rounds);
    std::printf("%-34s %14s %14s %14s\n", "exchange through the chat server", "messages/s", "RTT median", "RTT p99");
    auto row = [](const char* what, const ExchangeFigures& f) {
        if (!f.ok) {
            std::printf("%-34s %14s\n", what, "failed");
            return;
        }
        std::printf("%-34s %14.0f %11.0f us %11.0f us\n", what, f.perSecond, f.rtt.median * 1e6, f.rtt.p99 * 1e6);
    };
    row("plain Winsock clients (baseline)", raw);
    row("two engine hosts", eng);
    const bool throughputMet = raw.ok && eng.ok && eng.perSecond >= raw.perSecond / 2;
    if (raw.ok && eng.ok)
        std::printf("  engine throughput %.0f%% of the baseline (target: at least 50%%): %s\n\n",
                    100.0 * eng.perSecond / raw.perSecond, Verdict(throughputMet));

    Latency idle, idleRaw;
    double worst = 0, p90 = 0, rawP90 = 0;
    const int idleSamples = 50;
    const bool idleOk = IdleSendLatency(port, idleSamples, idle, worst, p90) &&
                        IdleRawLatency(port, idleSamples, idleRaw, rawP90);
    // The engine's share: what it adds to the plain client's figure.
    const double engineMedian = idle.median - idleRaw.median, engineP90 = p90 - rawP90;
    const bool idleMet = idleOk && engineMedian < 0.001 && engineP90 < 0.001;
    if (idleOk) {
        std::printf("a message queued after 300 ms idle, until the receiver has it (%d samples each):\n", idleSamples);
        std::printf("  sent by an engine host   median %5.0f us, 90th percentile %5.0f us, worst %5.0f us\n",
                    idle.median * 1e6, p90 * 1e6, worst * 1e6);
        std::printf("  sent by a plain client   median %5.0f us, 90th percentile %5.0f us\n", idleRaw.median * 1e6,
                    rawP90 * 1e6);
        std::printf("  the engine adds          median %5.0f us, 90th percentile %5.0f us "
                    "(target: leaves within 1 ms): %s\n\n",
                    engineMedian * 1e6, engineP90 * 1e6, Verdict(idleMet));
    } else {
        std::printf("idle send latency: failed\n\n");
    }

    FileFigures files;
    if (HistoryFigures(messages, files)) {
        std::printf("history files (%u records, %.2f MB)        %14s %14s\n", unsigned(messages), files.megabytes,
                    "records/s", "MB/s");
        auto fileRow = [&](const char* what, double perSecond) {
            std::printf("  %-40s %14.0f %14.2f\n", what, perSecond,
                        perSecond * files.megabytes / double(messages));
        };
        fileRow("engine append (AppendMsgRecord)", files.engineAppend);
        fileRow("engine append, 32 per dispatch run", files.batchedAppend);
        fileRow("raw writes of the same bytes", files.rawAppend);
        fileRow("engine read (file port, records walked)", files.engineRead);
        fileRow("raw read of the same bytes", files.rawRead);
        std::printf("\n");
    } else {
        std::printf("history files: failed\n\n");
    }

    ListFigures list;
    if (ListFiguresOf(port, list)) {
        std::printf("a list of %d customers (friend-list body %.1f MB):\n", kCrowdSize, list.bodyMegabytes);
        std::printf("  the engine handles the reply until its notice      %8.0f ms\n", list.handleSeconds * 1e3);
        std::printf("  the registered list of them, into an empty list    %8.0f ms\n", list.registeredSeconds * 1e3);
        std::printf("  an update (%d known, %d new) merged into it  %8.0f ms (%u records)\n",
                    kCrowdSize / 2, kCrowdSize / 2, list.registeredMergeSeconds * 1e3,
                    unsigned(list.registeredMerged));
        std::printf("  the engine's memory for it (private bytes)         %8.1f MB\n", list.storeMegabytes);
        std::printf("  through the server: log-on reply until it is all in %7.0f ms\n\n", list.viaServerSeconds * 1e3);
    } else {
        std::printf("a list of %d customers: failed\n\n", kCrowdSize);
    }

    double cpu = 0;
    const bool cpuOk = IdleCpu(port, idleSeconds, cpu);
    if (cpuOk) {
        std::printf("CPU while two engine hosts are connected and idle for %d s: %.3f%% of one core "
                    "(target: below 1%%): %s\n",
                    idleSeconds, cpu, Verdict(cpu < 1.0));
    } else {
        std::printf("idle CPU: failed\n");
    }
    WSACleanup();
    const bool allMet = throughputMet && idleMet && cpuOk && cpu < 1.0;
    std::printf("\n%s\n", allMet ? "every target met" : "a target was not met");
    return allMet ? 0 : 1;
}
