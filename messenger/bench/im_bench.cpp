// The messenger's benchmark: what a user waits for, measured on the real
// IM.exe under Wine against the stand-in chat server, each figure beside a
// baseline of the same work done the plainest way in the same run. Not a
// test: nothing fails on a figure; the targets are printed beside them. Run
// by run-bench.sh, which generates the organisation, starts the servers
// (with-desk-server.sh) and runs this program on a desktop of its own
// (scripts/with-desktop.sh).
//
// The program is driven as its user drives it: real clicks, double clicks
// and keys (SendInput) at the places where it shows its items; the times
// are taken here, from the input to what the program shows (BenchDriver.h):
//
//   1. log-on with 2,000 friends in 20 categories, the click on "登录" to
//      the friend tree filled and painted, beside an engine host that logs
//      on and receives the same list without a window;
//   2. opening a chat window with a history behind it (median and worst);
//   3. received messages appended to an open chat, beside a plain rich edit
//      fed the same texts with EM_REPLACESEL; memory growth;
//   4. one keystroke's contact search over the friends, to the box's new
//      text and the hit list shown and painted, beside a substring scan;
//   5. the history manager's first page of a 100,000-record history, from
//      the chat window's history button, beside a raw read of the file;
//   6. memory, GDI and USER objects before, with 20 chats open and after
//      closing them; idle CPU.
//
// With --logon-only it measures item 1 alone and prints one line
// "logon <client ms> <engine ms>" (run-bench.sh runs it so on a display
// without a window manager, for the second row of item 1).
#include "BenchDriver.h"
#include "EngineHost.h"
#include "HistoryFixture.h"
#include "IMMainWindow.h"
#include "IMTestDriver.h"
#include "RealInput.h"
#include "TavrelDriver.h"

#include "IMResource.h"

#include "clientui/InstanceControl.h"
#include "clientui/PanelBase.h"

#include <ImEngineApi.h>

#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

using namespace qvbench;
using namespace tavreltest;

namespace {

// The organisation run-bench.sh generates (see there).
constexpr int32_t kOwner = 12345;        // 小明: 2,000 friends in 20 categories
constexpr int32_t kChatPeer = 300001;    // the first generated friend, in 我的好友
constexpr int32_t kHistoryPeer = 300002; // the second, with the long history
constexpr int kLogonAccountId = 1301;
constexpr int kLogonPasswordId = 1302;
constexpr int kLogonButtonId = 1304;
constexpr int kHitListId = 1516;
constexpr int kHistoryViewId = 1216;

struct Options {
    int friends = 2000;
    int categories = 20;
    int opens = 50;
    int messages = 1000;
    int chats = 20;
    int records = 100000;
    int historyOpens = 10;
    int idleSeconds = 30;
    bool logonOnly = false;
};

std::wstring g_procFolder;  // the messenger's /proc folder, when found

// ---- the program under measurement --------------------------------------------------------

// The main window shown with the friend tree filled (at least `rows` items)
// and painted.
bool TreeReady(Client& m, LRESULT rows) {
    if (!m.main) m.main = m.process.FindWindowByCaption(L"IM " + std::to_wstring(kOwner));
    if (!m.main) return Trace("no main window"), false;
    if (!m.tree) m.tree = ::GetDlgItem(m.main, IDC_IM_TREE);
    if (!m.tree || !::IsWindowVisible(m.tree)) return Trace("no tree shown"), false;
    if (Ask(m.tree, TVM_GETCOUNT) < rows) return Trace("tree not filled"), false;
    if (!Painted(m.tree)) return Trace("tree not painted"), false;
    Trace("tree ready");
    return true;
}

// Starts IM.exe, logs on through its log-on panel with a real click on
// "登录"; the milliseconds from the click to the tree ready (0 on a failure).
double LogOn(Client& m, const std::wstring& app, LRESULT rows) {
    if (!m.process.Start(app, L"", L"IM.exe")) return 0;
    m.handle = ::OpenProcess(PROCESS_ALL_ACCESS, FALSE, m.process.Id());
    HWND panel = m.process.WaitForWindow(L"IM 登录", kWaitMs);
    if (!panel) return 0;
    SetControlText(::GetDlgItem(panel, kLogonAccountId), std::to_wstring(kOwner));
    SetControlText(::GetDlgItem(panel, kLogonPasswordId), L"secret");
    BringToFront(panel);
    const double start = TimedClick(CentreOf(::GetDlgItem(panel, kLogonButtonId)), 1);
    const double end = PollUntil([&] { return TreeReady(m, rows); }, kWaitMs);
    return end ? end - start : 0;
}

// The process's visible chat windows (caption "与 <name> 交流中").
std::vector<HWND> ChatWindows(const Client& m) {
    std::vector<HWND> chats;
    for (HWND window : m.process.Windows())
        if (WindowText(window).compare(0, 2, L"与 ") == 0 && ::GetDlgItem(window, IDC_IM_CHAT_LOG))
            chats.push_back(window);
    return chats;
}

// Opens the chat of a row with a real double click; the milliseconds from
// the click to the new chat window shown and painted (0 when none showed).
double OpenChat(Client& m, HTREEITEM item, HWND* opened = nullptr) {
    BringToFront(m.main);
    Ask(m.tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    const RECT rect = RowRect(m.tree, item);
    if (rect.bottom <= rect.top) return Trace("open: the row is not shown"), 0;
    const std::vector<HWND> before = ChatWindows(m);
    HWND shown = nullptr;
    const double start = TimedClick(RowPoint(m.tree, rect), 2);
    const double end = PollUntil(
        [&] {
            if (!shown)
                for (HWND chat : ChatWindows(m))
                    if (std::find(before.begin(), before.end(), chat) == before.end()) shown = chat;
            return shown && Painted(shown);
        },
        15000);
    if (opened) *opened = shown;
    if (!end) Trace("open: no chat window shown");
    if (Tracing()) std::fprintf(stderr, "trace open: clicked %.2f, shown and painted %.2f\n", start, end);
    return end ? end - start : 0;
}

// Closes a chat window with a real click on its close button.
bool CloseChat(HWND chat) {
    HWND close = ::GetDlgItem(chat, IDC_IM_CHAT_CLOSE);
    if (!close) return false;
    BringToFront(chat);
    Click(CentreOf(close));
    return PollUntil([&] { return !::IsWindow(chat) || !::IsWindowVisible(chat); }, 30000) != 0;
}

// ---- the organisation's texts, for the baselines -------------------------------------------

// The display texts of the owner's friends as the hit list shows them
// ("name(id)"), from the server's world file (GBK).
std::vector<std::wstring> FriendDisplayTexts(const std::string& world) {
    std::istringstream in(world);
    std::vector<std::string> names;
    std::vector<int32_t> friends;
    std::string line;
    std::vector<std::pair<int32_t, std::string>> users;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        if (kind == "user") {
            int32_t id = 0;
            std::string type, word, name;
            fields >> id >> type >> word >> name;
            users.emplace_back(id, name);
        } else if (kind == "friend") {
            int32_t owner = 0, id = 0;
            fields >> owner >> id;
            if (owner == kOwner) friends.push_back(id);
        }
    }
    std::vector<std::wstring> texts;
    for (int32_t id : friends)
        for (const auto& user : users)
            if (user.first == id) texts.push_back(Wide(user.second, 936) + L"(" + std::to_wstring(id) + L")");
    return texts;
}

// ---- the long history --------------------------------------------------------------------------

// The peer's history of `records` records (one in three the owner's own),
// 1,000 a day from the first of January; the newest ends in "#<records>".
std::wstring WriteHistory(const std::wstring& app, int32_t peer, int records) {
    const std::wstring own = app + std::to_wstring(kOwner) + L"\\";
    const std::wstring path = own + L"msg\\" + std::to_wstring(peer) + L"\\" + std::to_wstring(peer) + L".msg";
    ::CreateDirectoryW(own.c_str(), nullptr);
    const wchar_t* phrases[] = {L"周末一起去爬山吗？", L"好的，几点在哪里见", L"明天的会改到下午三点了",
                                L"收到，谢谢", L"这份文件请帮忙看一下，有问题随时说", L"See you at the station."};
    const std::string format = Narrow(L"<format|0|10|0|宋体|/format>", 936);
    std::vector<historytest::FixtureRecord> list;
    list.reserve(static_cast<size_t>(records));
    for (int i = 1; i <= records; ++i) {
        const int day = (i - 1) / 1000, n = (i - 1) % 1000;
        historytest::FixtureRecord r;
        r.date = 20260000 + (1 + day / 28) * 100 + 1 + day % 28;
        r.time = 8 * 10000000 + (n / 60) * 100000 + (n % 60) * 1000;
        r.sender = i % 3 ? peer : kOwner;
        r.receiver = i % 3 ? kOwner : peer;
        r.extraId = 0;
        r.text = format + Narrow(std::wstring(phrases[i % 6]) + L" #" + std::to_wstring(i), 936);
        list.push_back(r);
    }
    ::DeleteFileW((own + L"msg\\latestContact.dat").c_str());
    return historytest::WriteBytes(path, historytest::HistoryBytes(list)) ? path : std::wstring();
}

// The plainest read of the file: opened, read whole into a new block.
double RawReadMs(const std::wstring& path) {
    const double start = Now();
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    LARGE_INTEGER size = {};
    ::GetFileSizeEx(file, &size);
    std::vector<char> bytes(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    ::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    ::CloseHandle(file);
    return Now() - start;
}

// The history manager shown with the text in its record view and painted.
bool HistoryShown(const Client& m, const std::wstring& newest, HWND* manager) {
    if (!*manager || !::IsWindowVisible(*manager)) *manager = m.process.FindWindowByCaption(L"消息管理器");
    if (!*manager) return Trace("no history manager"), false;
    HWND view = ::GetDlgItem(*manager, kHistoryViewId);
    if (!view || WindowText(view).find(newest) == std::wstring::npos) return Trace("no newest record"), false;
    if (!Painted(*manager)) return Trace("history manager not painted"), false;
    Trace("history shown");
    return true;
}

// The hit list's pop-up: the program's top-level window holding the list.
HWND HitList(const Client& m) {
    for (HWND window : m.process.Windows(false))
        if (::GetDlgItem(window, kHitListId)) return window;
    return nullptr;
}

HTREEITEM RowOf(const std::vector<Row>& rows, LPARAM data) {
    for (const Row& r : rows)
        if (r.data == data) return r.item;
    return nullptr;
}

Options ReadOptions(int argc, wchar_t** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::wstring name = argv[i];
        if (name == L"--logon-only") {
            o.logonOnly = true;
            continue;
        }
        if (i + 1 >= argc) break;
        const int value = std::max(1, _wtoi(argv[++i]));
        if (name == L"--friends") o.friends = value;
        else if (name == L"--opens") o.opens = value;
        else if (name == L"--messages") o.messages = value;
        else if (name == L"--chats") o.chats = value;
        else if (name == L"--records") o.records = value;
        else if (name == L"--history-opens") o.historyOpens = value;
        else if (name == L"--idle-seconds") o.idleSeconds = value;
    }
    return o;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const Options o = ReadOptions(argc, argv);
    const CBenchRuntime runtime;
    const std::wstring app = WindowsPathFromEnv("QV_DESK_APP");
    const std::wstring engineFolder = WindowsPathFromEnv("QV_DESK_NOSERVER");
    const std::wstring server = imtest::Env("QV_DESK_SERVER");
    if (app.empty() || server.empty()) {
        std::fprintf(stderr, "im_bench: run through run-bench.sh (no QV_DESK_APP / QV_DESK_SERVER)\n");
        return 2;
    }
    imtest::PrepareAppFolder({kOwner});

    // ---- 1. log-on ----------------------------------------------------------------------------
    const LRESULT treeRows = o.friends + o.categories;
    double engineMs = 0;
    {
        CEngineHost host(engineFolder, L"Ulvarn.dll");
        if (host.Ready()) engineMs = host.Logon(kOwner, L"secret", server, false);
    }
    Client m;
    const double clientMs = LogOn(m, app, treeRows);
    if (o.logonOnly) {
        std::printf("logon %.1f %.1f\n", clientMs, engineMs);
        return clientMs > 0 ? 0 : 1;
    }
    std::printf("messenger benchmark: IM.exe (64-bit) under Wine against the stand-in chat server\n");
    Columns("client");
    Heading(("1. Log-on: " + std::to_string(o.friends) + " friends in " + std::to_string(o.categories) +
             " categories (with the window manager)").c_str());
    Line("click to friend tree filled and painted", clientMs ? Ms(clientMs) : "failed",
         engineMs ? Ms(engineMs) : "failed", Ratio(clientMs, engineMs), "< 1000 ms: " + Met(clientMs && clientMs < 1000));
    Line("  the client's own part (whole - engine)", clientMs && engineMs ? Ms(clientMs - engineMs) : "-");
    const std::string bare = ReadFileFromEnv("QV_BENCH_LOGON_NO_WM");
    double bareClient = 0, bareEngine = 0;
    if (std::sscanf(bare.c_str(), "logon %lf %lf", &bareClient, &bareEngine) == 2 && bareClient > 0)
        Line("  the same without a window manager", Ms(bareClient), bareEngine ? Ms(bareEngine) : "-",
             Ratio(bareClient, bareEngine));
    else
        Line("  the same without a window manager", "not run");
    std::printf("  (baseline: an engine host logs on and receives the same list, no window)\n");
    if (!clientMs) {
        std::printf("\nthe messenger did not log on; the other figures need it\n");
        return 1;
    }
    g_procFolder = ProcFolderOf(app + L"IM.exe");
    if (Tracing()) std::fprintf(stderr, "trace proc folder %ls\n", g_procFolder.c_str());
    BringToFront(m.main);

    // The first category's rows, opened with a real click on its row.
    Row group;
    const std::vector<Row> rows = GroupRows(m.tree, L"我的好友", 100000, &group);
    if (group.item) ExpandByClick(m.tree, group.item);
    const HTREEITEM chatRow = RowOf(rows, kChatPeer), historyRow = RowOf(rows, kHistoryPeer);
    if (!chatRow || !historyRow) {
        std::printf("\nthe generated friends are not in the first category (%zu rows)\n", rows.size());
        return 1;
    }

    // ---- 3. received messages ----------------------------------------------------------------
    // The pictures wait in the owner's picture folder, as after a download.
    const wchar_t* const phrases[6] = {L"你好，周末有空吗？", L"那份报告我放在共享盘了，抬头和编号稍后发你",
                                       L"车已经到楼下了，你下来吧", L"好的，谢谢",
                                       L"照片拍得不错，再发几张过来？", L"Meeting moved to 3 pm, thanks!"};
    const ReceivedMessages messages = MakeReceivedMessages(o.messages, kChatPeer, kOwner,
                                                           app + std::to_wstring(kOwner) + L"\\Image\\", phrases);
    ReceivedFigures received;
    HWND chat = nullptr;
    if (OpenChat(m, chatRow, &chat) > 0 || OpenChat(m, chatRow, &chat) > 0) {
        received = ReceiveIntoLog(messages, ::GetDlgItem(chat, IDC_IM_CHAT_LOG), chat, m.handle, m.process.Id(),
                                  g_procFolder);
        CloseChat(chat);
    }
    const double plainMs = PlainRichEditMs(messages.texts);

    // ---- 2. opening a chat ------------------------------------------------------------------------
    std::vector<double> opens;
    for (int i = 0; i < o.opens; ++i) {
        HWND shown = nullptr;
        const double ms = OpenChat(m, chatRow, &shown);
        if (ms <= 0) break;
        opens.push_back(ms);
        if (!CloseChat(shown)) break;
        ::Sleep(50);
    }
    Heading("2. Opening a chat window (double click on the friend to window shown and painted)");
    OpenLines(opens, 150);
    std::printf("  (the friend's history behind it: the %d messages of item 3)\n", received.done ? o.messages : 0);

    Heading("3. Received messages appended to an open chat");
    ReceivedLines(o.messages, received, plainMs);

    // ---- 4. contact search ------------------------------------------------------------------------
    const std::vector<std::wstring> displayTexts = FriendDisplayTexts(ReadFileFromEnv("QV_BENCH_WORLD_FILE"));
    HWND box = ::GetDlgItem(m.main, IDC_IM_SEARCH);
    // A keystroke is shown with the box's new text and the hit list painted.
    // The poll does not sleep: the figures are a few milliseconds.
    HWND hits = nullptr;
    const KeystrokeFigures keys = TimeKeystrokes(
        m.main, box, imtest::SearchBoxPoint(m.main), displayTexts,
        [&](const std::wstring& typed) {
            if (WindowText(box) != typed) return false;
            if (!hits) hits = HitList(m);
            return hits && Painted(hits);
        },
        0);
    Heading("4. Contact search: one keystroke over the friends (key press to the box's new text and the hit list painted)");
    std::printf("  %d friends (%zu display texts in the baseline)\n", o.friends, displayTexts.size());
    KeystrokeLines(keys, 2, 16);

    // ---- 5. the history manager --------------------------------------------------------------------
    const std::wstring historyPath = WriteHistory(app, kHistoryPeer, o.records);
    const std::wstring newest = L"#" + std::to_wstring(o.records);
    std::vector<double> historyOpens, rawReads;
    double firstHistoryMs = 0;
    HWND historyChat = nullptr;
    if (!historyPath.empty() && OpenChat(m, historyRow, &historyChat) > 0) {
        HWND manager = nullptr;
        for (int i = 0; i < o.historyOpens; ++i) {
            BringToFront(historyChat);
            HWND button = ::GetDlgItem(historyChat, IDC_IM_CHAT_HISTORY);
            const double start = TimedClick(CentreOf(button), 1);
            const double end = PollUntil([&] { return HistoryShown(m, newest, &manager); }, 60000);
            if (!end) break;
            if (Tracing()) std::fprintf(stderr, "trace history: clicked %.2f, shown and painted %.2f\n", start, end);
            if (i == 0)
                firstHistoryMs = end - start;
            else
                historyOpens.push_back(end - start);
            rawReads.push_back(RawReadMs(historyPath));
            // Closed with its close button (it only hides).
            BringToFront(manager);
            Click(CentreOf(::GetDlgItem(manager, IDC_PANEL_CLOSE)));
            if (!PollUntil([&] { return !::IsWindowVisible(manager); }, 10000)) break;
            ::Sleep(100);
        }
        CloseChat(historyChat);
    }
    Heading(("5. History manager: the first page of " + std::to_string(o.records) +
             " records (history button to the newest record shown and painted)").c_str());
    Line("first open (the manager made)", firstHistoryMs ? Ms(firstHistoryMs) : "failed",
         rawReads.empty() ? "-" : Ms(rawReads.front()), Ratio(firstHistoryMs, rawReads.empty() ? 0 : rawReads.front()),
         "< 100 ms: " + Met(firstHistoryMs && firstHistoryMs < 100));
    Line(("open again, median of " + std::to_string(historyOpens.size())).c_str(),
         historyOpens.empty() ? "-" : Ms(Median(historyOpens)), rawReads.empty() ? "-" : Ms(Median(rawReads)),
         Ratio(Median(historyOpens), Median(rawReads)),
         "< 100 ms: " + Met(!historyOpens.empty() && Median(historyOpens) < 100));
    Line("  worst", historyOpens.empty() ? "-" : Ms(Worst(historyOpens)), rawReads.empty() ? "-" : Ms(Worst(rawReads)));
    std::printf("  (baseline: the driver reads the same file whole into a new block)\n");

    // ---- 6. resources --------------------------------------------------------------------------------
    const bool gdiTable = GdiTableWorks();
    ::Sleep(1000);
    const Resources before = ResourcesOf(m.handle, m.process.Id(), gdiTable, g_procFolder);
    std::vector<HWND> opened;
    for (const Row& r : rows) {
        if (static_cast<int>(opened.size()) >= o.chats) break;
        HWND shown = nullptr;
        if (r.data != kChatPeer && r.data != kHistoryPeer && OpenChat(m, r.item, &shown) > 0) opened.push_back(shown);
    }
    ::Sleep(1000);
    const Resources during = ResourcesOf(m.handle, m.process.Id(), gdiTable, g_procFolder);
    int closed = 0;
    for (auto it = opened.rbegin(); it != opened.rend(); ++it) closed += CloseChat(*it) ? 1 : 0;
    ::Sleep(2000);
    const Resources after = ResourcesOf(m.handle, m.process.Id(), gdiTable, g_procFolder);
    // Idle CPU: logged on, nothing open, nothing touched.
    const double idlePercent = IdlePercent(m.handle, g_procFolder, o.idleSeconds);
    Heading(("6. Resources of the messenger (" + std::to_string(o.friends) + " friends)").c_str());
    ResourceTable(before, during, after, static_cast<int>(opened.size()), closed, gdiTable, idlePercent,
                  o.idleSeconds);

    return 0;
}
