// The desk client's benchmark: what an agent waits for, measured on the
// real Tavrel.exe under Wine against the stand-in chat server, each figure
// beside a baseline of the same work done the plainest way in the same run.
// Not a test: nothing fails on a figure; the targets are printed beside
// them. Run by run-bench.sh, which generates the organisation, starts the
// servers (with-desk-server.sh) and runs this program on an X display.
//
// The program is driven as an agent drives it: real clicks, double clicks
// and keys (SendInput) at the places where it shows its items. The times
// are taken here, by this driver, from the input it gives to what the
// program shows: a window visible with nothing left to paint, a tree with
// every row, the log's last message, the search box's new text. A message
// sent to the program's window is answered only when its thread has
// finished the work before it, so a poll that sees the result sees the
// work done.
//
//   1. log-on with a large organisation, beside an engine host that logs on
//      and receives the same lists without a window;
//   2. opening a conversation with a history behind it (median and worst);
//   3. received messages appended to an open conversation, beside a plain
//      rich edit fed the same texts with EM_REPLACESEL; memory growth;
//   4. one keystroke's contact search, beside a plain substring scan;
//   5. the history figures (history_bench's table, when the tree has it);
//   6. memory, GDI and USER objects with many conversations open and after
//      closing them; idle CPU.
#include "BenchDriver.h"
#include "DeskServerControl.h"
#include "DeskWindows.h"
#include "EngineHost.h"
#include "DisplayTitle.h"
#include "RealInput.h"
#include "TavrelDriver.h"
#include "chat/ChatMainPanelResource.h"
#include "clientui/InstanceControl.h"
#include "clientui/LogonPanelResource.h"
#include "view/ChatViewResource.h"

#include <ImEngineApi.h>

#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace qvbench;
using namespace tavreltest;

namespace {

// The organisation run-bench.sh generates (see there).
constexpr int32_t kManager = 50001;        // 5,000 customers in 20 categories, 100 agents
constexpr int32_t kSearcher = 50003;       // 10,000 customers
constexpr int32_t kChatCustomer = 60001;   // first of the first category
constexpr int32_t kFirstExtra = 100001;    // the manager's generated customers

std::wstring g_procFolder;  // the client's /proc folder, when found

struct Options {
    int customers = 5000;
    int categories = 20;
    int agents = 100;
    int searchContacts = 10000;
    int opens = 50;
    int messages = 1000;
    int conversations = 20;
    int idleSeconds = 30;
    // --only logon: the log-on alone, printed as one line for run-bench.sh
    // (its run on a display without a window manager).
    bool logonOnly = false;
};

// ---- the client under measurement ------------------------------------------------------------------

std::wstring MainCaption(int32_t account, const wchar_t* name) {
    return std::wstring(kDeskDisplayTitle) + L" - " + std::to_wstring(account) + L" - " + name + L" ";
}

// The tree filled (at least `rows` items) and painted.
bool TreeReady(Client& c, const std::wstring& caption, LRESULT rows) {
    if (!c.main) c.main = FindMainWindow(c.process, caption);
    if (!c.main) return Trace("no main window"), false;
    if (!c.tree) c.tree = CustomerTree(c.main);
    if (!c.tree || !::IsWindowVisible(c.tree)) return Trace("no tree shown"), false;
    if (Ask(c.tree, TVM_GETCOUNT) < rows) return Trace("tree not filled"), false;
    if (!Painted(c.tree)) return Trace("tree not painted"), false;
    Trace("tree ready");
    return true;
}

// Opens the conversation of a row with a real double click; the
// milliseconds from the click to the window shown and painted (0 when it
// did not show).
double OpenConversation(Client& c, HTREEITEM item, Conversation* opened = nullptr) {
    Ask(c.tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    const RECT rect = RowRect(c.tree, item);
    if (rect.bottom <= rect.top) return Trace("open: the row is not shown"), 0;
    Conversation shown;
    const double start = TimedClick(RowPoint(c.tree, rect), 2);
    bool told = false;
    const double end = PollUntil(
        [&] {
            if (!shown.window || !::IsWindowVisible(shown.window)) shown = ShownConversation(c.main);
            if (Tracing() && shown.window && !told && Now() - start > 300) {
                HWND left = Unpainted(shown.window);
                wchar_t cls[64] = {};
                if (left) ::GetClassNameW(left, cls, 64);
                std::fprintf(stderr, "trace open: after 300 ms unpainted %p id %d class %ls visible %d\n",
                             static_cast<void*>(left), left ? ::GetDlgCtrlID(left) : 0, cls,
                             ::IsWindowVisible(shown.window));
                told = true;
            }
            if (Tracing() && !shown.window && !told && Now() - start > 3000) {
                std::fprintf(stderr, "trace open: no conversation after 3 s (%zu open, %zu in all)\n",
                             OpenConversations(c.main).size(), Conversations(c.main).size());
                told = true;
            }
            return shown.window && Painted(shown.window);
        },
        15000);
    if (opened) *opened = shown;
    if (!end) Trace("open: no conversation shown");
    if (Tracing() && end) std::fprintf(stderr, "trace open: clicked at %.1f, shown and painted at %.1f\n", start, end);
    return end ? end - start : 0;
}

// Closes the conversation shown with a real click on its close button.
bool CloseConversation(Client& c, const Conversation& shown) {
    HWND close = ::GetDlgItem(shown.window, IDC_CHAT_CLOSE);
    if (!close) return false;
    const size_t before = OpenConversations(c.main).size();
    Click(CentreOf(close));
    return PollUntil(
               [&] {
                   return OpenConversations(c.main).size() < before ||
                          !::IsWindow(shown.window) || !::IsWindowVisible(shown.window);
               },
               30000) != 0;
}

// The search's drop-down: the program's top-level window that holds the
// list of hits (a list box, 1052); null when there is none.
HWND SearchPopup(const CTavrelProcess& process) {
    for (HWND window : process.Windows(false)) {
        HWND list = ::GetDlgItem(window, 1052);
        wchar_t name[32] = {};
        if (list && ::GetClassNameW(list, name, 32) && ::lstrcmpiW(name, L"ListBox") == 0) return window;
    }
    return nullptr;
}

// ---- 4. the search's baseline: the display texts of the searcher's customers --------------------

std::vector<std::wstring> SearcherDisplayTexts(const std::string& deskFile) {
    std::istringstream in(deskFile);
    std::vector<std::wstring> texts;
    const std::string prefix = "friend|" + std::to_string(kSearcher) + "|";
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, prefix.size(), prefix) != 0) continue;
        std::vector<std::string> fields;
        size_t start = 0;
        for (size_t bar; (bar = line.find('|', start)) != std::string::npos; start = bar + 1)
            fields.push_back(line.substr(start, bar - start));
        fields.push_back(line.substr(start));
        if (fields.size() < 8) continue;
        const std::wstring name = Wide(fields[6], 936), memo = Wide(fields[7], 936);
        texts.push_back(memo.empty() ? name + L"(" + Wide(fields[2], 936) + L")"
                                     : memo + L"(" + Wide(fields[2], 936) + L")(" + name + L")");
    }
    return texts;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::wstring name = argv[i];
        if (name == L"--only") {
            o.logonOnly = std::wstring(argv[i + 1]) == L"logon";
            continue;
        }
        const int value = std::max(1, _wtoi(argv[i + 1]));
        if (name == L"--customers") o.customers = value;
        else if (name == L"--search-contacts") o.searchContacts = value;
        else if (name == L"--opens") o.opens = value;
        else if (name == L"--messages") o.messages = value;
        else if (name == L"--conversations") o.conversations = value;
        else if (name == L"--idle-seconds") o.idleSeconds = value;
    }
    const CBenchRuntime runtime;
    const std::wstring app = WindowsPathFromEnv("QV_DESK_APP");
    const std::wstring engineFolder = WindowsPathFromEnv("QV_DESK_NOSERVER");
    const std::wstring server = ServerAddress();
    if (app.empty() || server.empty()) {
        std::fprintf(stderr, "desk_bench: run through run-bench.sh (no QV_DESK_APP / QV_DESK_SERVER)\n");
        return 2;
    }
    WriteServerEntry(app);
    WriteAgentSettings(app, kManager, false);
    WriteAgentSettings(app, kSearcher, false);

    std::printf("desk client benchmark: Tavrel.exe (64-bit) under Wine against the stand-in chat server\n");
    Columns("client");

    // ---- 1. log-on ----------------------------------------------------------------------------
    const LRESULT treeRows = o.customers + o.categories;
    double engineMs = 0, clientMs = 0;
    {
        CEngineHost host(engineFolder, L"Kestrin.dll");
        if (host.Ready()) engineMs = host.Logon(kManager, L"demo", server, true);
    }
    Client c;
    bool logged = false;
    if (c.process.Start(app, L"")) {
        c.handle = ::OpenProcess(PROCESS_ALL_ACCESS, FALSE, c.process.Id());
        HWND panel = c.process.WaitForWindow(std::wstring(kDeskDisplayTitle) + L" 登录", kWaitMs);
        if (panel) {
            SetControlText(::GetDlgItem(panel, IDC_LOGON_ACCOUNT), std::to_wstring(kManager));
            SetControlText(::GetDlgItem(panel, IDC_LOGON_PASSWORD), L"demo");
            BringToFront(panel);
            const std::wstring caption = MainCaption(kManager, L"林晓");
            const double start = TimedClick(CentreOf(::GetDlgItem(panel, IDC_LOGON_BUTTON)), 1);
            const double end = PollUntil([&] { return TreeReady(c, caption, treeRows); }, kWaitMs);
            if (end) {
                clientMs = end - start;
                logged = true;
            }
        }
    }
    if (o.logonOnly) {
        std::printf("logon client %.1f engine %.1f\n", clientMs, engineMs);
        return logged ? 0 : 1;
    }
    Heading("1. Log-on: 5,000 customers in 20 categories, a manager of 100 agents");
    Line("click to customer tree filled and painted", clientMs ? Ms(clientMs) : "failed",
         engineMs ? Ms(engineMs) : "failed", Ratio(clientMs, engineMs), "< 1000 ms: " + Met(clientMs && clientMs < 1000));
    Line("  the client's own part (whole - engine)", clientMs && engineMs ? Ms(clientMs - engineMs) : "-", "",
         Ratio(clientMs - engineMs, engineMs),
         "<= 1x engine: " + Met(clientMs && engineMs && clientMs - engineMs <= engineMs));
    // The same log-on run before on an X display without a window manager
    // (run-bench.sh's first run of this driver, --only logon).
    {
        const std::string bare = ReadFileFromEnv("QV_BENCH_LOGON_WITHOUT_WM");
        double bareClient = 0, bareEngine = 0;
        const size_t at = bare.find("logon client ");
        if (at != std::string::npos &&
            std::sscanf(bare.c_str() + at, "logon client %lf engine %lf", &bareClient, &bareEngine) == 2 &&
            bareClient > 0)
            Line("  the same without a window manager", Ms(bareClient), bareEngine > 0 ? Ms(bareEngine) : "failed",
                 Ratio(bareClient, bareEngine), "(a bare X display)");
        else if (std::getenv("QV_BENCH_LOGON_WITHOUT_WM"))
            Line("  the same without a window manager", "failed");
    }
    std::printf("  (on a desktop with a window manager; baseline: an engine host logs on and receives the same\n"
                "   lists, no window)\n");
    if (!logged) {
        std::printf("\nthe client did not log on; the other figures need it\n");
        return 1;
    }
    SendTo(c.main, WM_INSTANCE_CONTROL, 1, 0);
    BringToFront(c.main);
    g_procFolder = ProcFolderOf(app + L"Tavrel.exe");
    if (Tracing()) std::fprintf(stderr, "trace proc folder %ls\n", g_procFolder.c_str());

    // The conversation customer's row (the first of the first category)
    // and the rows of the conversations of item 6.
    Row group;
    std::vector<Row> rows = GroupRows(c.tree, L"重要客户", 100000, &group);
    if (!Ask(c.tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(group.item)) || rows.empty()) {
        std::printf("\nno customers in the first category\n");
        return 1;
    }
    // Open the group with a real click on its row.
    ExpandByClick(c.tree, group.item);
    HTREEITEM chatRow = nullptr;
    for (const Row& r : rows)
        if (r.data == kChatCustomer) chatRow = r.item;
    if (Tracing()) {
        std::fprintf(stderr, "trace group '%ls': %zu rows, chat row %p\n", group.text.c_str(), rows.size(),
                     static_cast<void*>(chatRow));
        for (const Row& r : rows) std::fprintf(stderr, "trace   row %lld '%ls'\n", static_cast<long long>(r.data), r.text.c_str());
    }

    // ---- 3. the chat log ----------------------------------------------------------------------
    // The pictures wait in the agent's picture folder, as after a download.
    const wchar_t* const phrases[6] = {L"您好，我的订单什么时候发货？", L"请问可以开发票吗？抬头和税号稍后发给您",
                                       L"物流信息显示已到达本地分拨中心，今天能送到吗", L"好的，谢谢",
                                       L"收到的商品有一点划痕，可以换一个吗？", L"Order A-20261210 arrived, thank you!"};
    const ReceivedMessages messages = MakeReceivedMessages(o.messages, kChatCustomer, kManager,
                                                           app + std::to_wstring(kManager) + L"\\Image\\", phrases);
    ReceivedFigures received;
    Conversation chat;
    // A click on the row first (the first click into the window activates it).
    if (chatRow) {
        Ask(c.tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(chatRow));
        Click(RowPoint(c.tree, RowRect(c.tree, chatRow)));
        ::Sleep(static_cast<DWORD>(::GetDoubleClickTime()) + 200);
    }
    if (chatRow && (OpenConversation(c, chatRow, &chat) > 0 || OpenConversation(c, chatRow, &chat) > 0)) {
        received = ReceiveIntoLog(messages, chat.log, chat.window, c.handle, c.process.Id(), g_procFolder);
        CloseConversation(c, chat);
    }
    // The baseline: the same texts into a plain rich edit, one EM_REPLACESEL each.
    const double plainMs = PlainRichEditMs(messages.texts);

    // ---- 2. opening a conversation ----------------------------------------------------------------
    std::vector<double> opens;
    for (int i = 0; i < o.opens && chatRow; ++i) {
        Conversation shown;
        const double ms = OpenConversation(c, chatRow, &shown);
        if (ms <= 0) break;
        opens.push_back(ms);
        if (!CloseConversation(c, shown)) break;
        ::Sleep(50);
    }

    Heading("2. Opening a conversation (double click to window shown and painted)");
    OpenLines(opens, 150);
    std::printf("  (the customer's history behind it: the %d messages of item 3)\n", received.done ? o.messages : 0);

    Heading("3. The chat log: received messages appended to an open conversation");
    ReceivedLines(o.messages, received, plainMs);

    // ---- 6. resources ----------------------------------------------------------------------------------
    const bool gdiTable = GdiTableWorks();
    ::Sleep(1000);
    const Resources before = ResourcesOf(c.handle, c.process.Id(), gdiTable, g_procFolder);
    int opened = 0;
    std::vector<HTREEITEM> openedRows;
    for (const Row& r : rows) {
        if (opened >= o.conversations) break;
        if (r.data != kChatCustomer && OpenConversation(c, r.item) > 0) {
            ++opened;
            openedRows.push_back(r.item);
        }
    }
    ::Sleep(1000);
    const Resources during = ResourcesOf(c.handle, c.process.Id(), gdiTable, g_procFolder);
    // Closed one by one with the close button: the one shown, then the
    // others, each brought up by a double click on its customer.
    for (int i = 0; i < opened; ++i) {
        const Conversation shown = ShownConversation(c.main);
        if (!shown.window || !CloseConversation(c, shown)) break;
    }
    for (auto it = openedRows.rbegin(); it != openedRows.rend() && !OpenConversations(c.main).empty(); ++it) {
        Conversation shown;
        if (OpenConversation(c, *it, &shown) > 0) CloseConversation(c, shown);
    }
    const int closed = opened - static_cast<int>(OpenConversations(c.main).size());
    ::Sleep(2000);
    const Resources after = ResourcesOf(c.handle, c.process.Id(), gdiTable, g_procFolder);
    // Idle CPU: logged on, nothing open, nothing touched.
    const double idlePercent = IdlePercent(c.handle, g_procFolder, o.idleSeconds);

    // ---- 4. contact search ----------------------------------------------------------------------------
    Ask(c.main, WM_INSTANCE_CONTROL, 0, 0);
    c.process.WaitForExit(20000);
    KeystrokeFigures keys;
    const std::vector<std::wstring> displayTexts = SearcherDisplayTexts(ReadFileFromEnv("QV_BENCH_DESK_FILE"));
    double searchLogonMs = 0;
    {
        Client s;
        const std::wstring caption = MainCaption(kSearcher, L"陈静");
        const double start = Now();
        if (s.process.Start(app, L"run " + std::to_wstring(kSearcher)) &&
            PollUntil([&] { return TreeReady(s, caption, o.searchContacts); }, kWaitMs)) {
            searchLogonMs = Now() - start;
            SendTo(s.main, WM_INSTANCE_CONTROL, 1, 0);
            BringToFront(s.main);
            HWND box = FindControl(s.main, IDC_CHAT_SEARCH_EDIT, L"Edit");
            HWND popup = nullptr;
            // Typed key by key: a query that finds customers (full pinyin,
            // then more letters), and one that finds nobody (every test
            // runs over every contact).
            // The box's new text, and the drop-down of the hits shown with
            // nothing left to paint; no pause between the polls for a figure
            // of a millisecond or two.
            keys = TimeKeystrokes(s.main, box, CentreOf(box), displayTexts,
                                  [&](const std::wstring& typed) {
                                      if (WindowText(box) != typed) return false;
                                      if (!popup) popup = SearchPopup(s.process);
                                      return popup && Painted(popup);
                                  },
                                  0);
        }
    }
    Heading("4. Contact search: one keystroke over the customers (key press to the new text and the drop-down painted)");
    std::printf("  %d contacts (%zu display texts in the baseline); the agent logged on in %.0f ms\n",
                o.searchContacts, displayTexts.size(), searchLogonMs);
    KeystrokeLines(keys, 2, 16);

    // ---- 5. history -----------------------------------------------------------------------------------
    Heading("5. History: 100,000 records (first page, keyword search)");
    const std::string history = ReadFileFromEnv("QV_HISTORY_FIGURES");
    if (history.empty()) {
        std::printf("  not built in this tree (the message records' benchmark history_bench comes with the history work)\n");
    } else {
        Quote(history);
    }

    // ---- 6. resources (printed last: measured with the log-on above) --------------------------------------
    Heading("6. Resources of the client (5,000 customers)");
    ResourceTable(before, during, after, opened, closed, gdiTable, idlePercent, o.idleSeconds);

    return 0;
}
