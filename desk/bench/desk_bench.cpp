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
#include "DeskServerControl.h"
#include "DeskWindows.h"
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
#include <objidl.h>
#include <gdiplus.h>
#include <psapi.h>
#include <richedit.h>
#include <winternl.h>

#include <algorithm>
#include <cctype>
#include <cwctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

using namespace tavreltest;

namespace {

// The organisation run-bench.sh generates (see there).
constexpr int32_t kManager = 50001;        // 5,000 customers in 20 categories, 100 agents
constexpr int32_t kSearcher = 50003;       // 10,000 customers
constexpr int32_t kChatCustomer = 60001;   // first of the first category
constexpr int32_t kFirstExtra = 100001;    // the manager's generated customers
constexpr DWORD kWaitMs = 120000;

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

double Now() {
    LARGE_INTEGER frequency = {}, counter = {};
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Polls ready() every pauseMs (0: as often as the machine allows, giving
// up the rest of the time slice between polls); the time (Now()) it first
// held, or 0 when ms passed first.
template <typename Ready>
double PollUntil(Ready ready, DWORD ms, DWORD pauseMs = 2) {
    const double deadline = Now() + ms;
    for (;;) {
        if (ready()) return Now();
        if (Now() > deadline) return 0;
        if (pauseMs) ::Sleep(pauseMs);
        else ::SwitchToThread();
    }
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Worst(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

std::string Narrow(const std::wstring& text, UINT codePage = CP_UTF8) {
    std::string out(text.size() * 3 + 1, '\0');
    out.resize(::WideCharToMultiByte(codePage, 0, text.c_str(), static_cast<int>(text.size()), &out[0],
                                     static_cast<int>(out.size()), nullptr, nullptr));
    return out;
}

std::wstring Wide(const std::string& text, UINT codePage) {
    std::wstring out(text.size() + 1, L'\0');
    out.resize(::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0],
                                     static_cast<int>(out.size())));
    return out;
}

// ---- real input with the time taken at the press ------------------------------------------

// Moves the pointer there first (not timed), then clicks (count 1 or 2);
// the time of the press.
double TimedClick(POINT screen, int count) {
    MoveTo(screen);
    std::vector<INPUT> inputs;
    for (int i = 0; i < count; ++i) {
        inputs.push_back(MouseInput(screen, MOUSEEVENTF_LEFTDOWN));
        inputs.push_back(MouseInput(screen, MOUSEEVENTF_LEFTUP));
    }
    const double at = Now();
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    return at;
}

// One character typed as its key (letters and digits); the time of the press.
double TimedKey(wchar_t c) {
    const SHORT scan = ::VkKeyScanW(c);
    INPUT keys[2] = {};
    for (int i = 0; i < 2; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = LOBYTE(scan);
        keys[i].ki.wScan = static_cast<WORD>(::MapVirtualKeyW(LOBYTE(scan), MAPVK_VK_TO_VSC));
        keys[i].ki.dwFlags = i ? KEYEVENTF_KEYUP : 0;
    }
    const double at = Now();
    ::SendInput(2, keys, sizeof(INPUT));
    return at;
}

// ---- reading the program from outside ----------------------------------------------------

bool g_trace = std::getenv("QV_BENCH_TRACE") != nullptr;

BOOL CALLBACK FindUnpaintedChild(HWND child, LPARAM param) {
    if (::IsWindowVisible(child) && ::GetUpdateRect(child, nullptr, FALSE)) {
        *reinterpret_cast<HWND*>(param) = child;
        return FALSE;
    }
    return TRUE;
}

// The first window under window (itself included) with something left to
// paint; null when none.
HWND Unpainted(HWND window) {
    if (::GetUpdateRect(window, nullptr, FALSE)) return window;
    HWND found = nullptr;
    ::EnumChildWindows(window, FindUnpaintedChild, reinterpret_cast<LPARAM>(&found));
    return found;
}

// True when the window and its children have nothing left to paint.
bool Painted(HWND window) { return window && ::IsWindowVisible(window) && !Unpainted(window); }

LRESULT Ask(HWND window, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(window, msg, wParam, lParam, SMTO_NORMAL, 60000, &result)) return 0;
    return static_cast<LRESULT>(result);
}

// One tree item's data and row (client coordinates; empty when not shown).
struct Row {
    HTREEITEM item = nullptr;
    LPARAM data = 0;
    std::wstring text;
    RECT rect = {};
};

Row ReadRow(HWND tree, CRemoteBuffer& buffer, HTREEITEM handle) {
    Row row;
    row.item = handle;
    TVITEMW item = {};
    item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_HANDLE;
    item.hItem = handle;
    item.pszText = reinterpret_cast<wchar_t*>(buffer.At(512));
    item.cchTextMax = 256;
    buffer.Write(0, &item, sizeof item);
    if (!Ask(tree, TVM_GETITEMW, 0, buffer.At())) return row;
    buffer.Read(0, &item, sizeof item);
    wchar_t text[257] = {};
    buffer.Read(512, text, 256 * sizeof(wchar_t));
    row.text = text;
    row.data = item.lParam;
    RECT rc = {};
    std::memcpy(&rc, &handle, sizeof handle);
    buffer.Write(0, &rc, sizeof rc);
    if (Ask(tree, TVM_GETITEMRECT, FALSE, buffer.At())) buffer.Read(0, &row.rect, sizeof row.rect);
    return row;
}

HTREEITEM Next(HWND tree, HTREEITEM item, WPARAM how) {
    return reinterpret_cast<HTREEITEM>(Ask(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
}

// The first `count` rows of the group whose text starts with prefix.
std::vector<Row> GroupRows(HWND tree, const std::wstring& prefix, size_t count, Row* group) {
    CRemoteBuffer buffer(tree, 2048);
    std::vector<Row> rows;
    for (HTREEITEM root = Next(tree, nullptr, TVGN_ROOT); root; root = Next(tree, root, TVGN_NEXT)) {
        Row head = ReadRow(tree, buffer, root);
        if (head.text.compare(0, prefix.size(), prefix) != 0) continue;
        if (group) *group = head;
        for (HTREEITEM child = Next(tree, root, TVGN_CHILD); child && rows.size() < count;
             child = Next(tree, child, TVGN_NEXT))
            rows.push_back(ReadRow(tree, buffer, child));
        break;
    }
    return rows;
}

// The row of the tree item now (after a scroll).
RECT RowRect(HWND tree, HTREEITEM handle) {
    CRemoteBuffer buffer(tree, 64);
    RECT rc = {};
    std::memcpy(&rc, &handle, sizeof handle);
    buffer.Write(0, &rc, sizeof rc);
    if (!Ask(tree, TVM_GETITEMRECT, FALSE, buffer.At())) return RECT{};
    buffer.Read(0, &rc, sizeof rc);
    return rc;
}

POINT RowPoint(HWND tree, const RECT& rect) { return ClientPoint(tree, 80, (rect.top + rect.bottom) / 2); }

// ---- resources of a process ------------------------------------------------------------------

// The Unix side of a Wine process: its /proc folder, found by the program
// path in its command line (Z:\proc through Wine's drive for "/").
std::wstring ProcFolderOf(const std::wstring& programPath) {
    std::wstring wanted = programPath;
    for (wchar_t& ch : wanted) ch = static_cast<wchar_t>(::towlower(ch));
    WIN32_FIND_DATAW found = {};
    HANDLE find = ::FindFirstFileW(L"Z:\\proc\\*", &found);
    if (find == INVALID_HANDLE_VALUE) return std::wstring();
    std::wstring result;
    do {
        if (found.cFileName[0] < L'0' || found.cFileName[0] > L'9') continue;
        const std::wstring folder = std::wstring(L"Z:\\proc\\") + found.cFileName + L"\\";
        std::ifstream in((folder + L"cmdline").c_str(), std::ios::binary);
        std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (char& ch : line) ch = ch == 0 ? ' ' : static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (line.find(Narrow(wanted)) != std::string::npos) {
            result = folder;
            break;
        }
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
    return result;
}

std::string ReadProcFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Private memory as Linux counts it for the process: anonymous resident
// pages and swapped ones (kB in /proc/<pid>/status).
double ProcPrivateMegabytes(const std::wstring& folder) {
    const std::string status = ReadProcFile(folder + L"status");
    double kb = 0;
    for (const char* key : {"RssAnon:", "VmSwap:"}) {
        const size_t at = status.find(key);
        if (at != std::string::npos) kb += std::atof(status.c_str() + at + std::strlen(key));
    }
    return kb / 1024.0;
}

// User and system CPU seconds of every thread of the process (/proc/<pid>/stat).
double ProcCpuSeconds(const std::wstring& folder) {
    const std::string stat = ReadProcFile(folder + L"stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; fields >> field && i <= 15; ++i)
        if (i == 14 || i == 15) ticks += std::atof(field.c_str());
    return ticks / 100.0;  // USER_HZ
}

double PrivateMegabytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
        return 0;
    return static_cast<double>(counters.PrivateUsage) / (1024.0 * 1024.0);
}

// GDI objects. GetGuiResources where the platform answers it; under Wine
// (which answers 0) the process's GDI handle table, which its PEB points
// to: the entries in use are counted (stock objects included).
struct GdiTableEntry {
    uint64_t object;
    uint32_t owner;
    uint16_t unique;
    uint8_t type;
    uint8_t flags;
    uint64_t user;
};
static_assert(sizeof(GdiTableEntry) == 24, "the handle table's entry");
constexpr size_t kGdiTableEntries = 0x10000;
#ifdef _WIN64
constexpr size_t kPebGdiTable = 0xF8;  // PEB.GdiSharedHandleTable
#else
constexpr size_t kPebGdiTable = 0x94;
#endif

long GdiTableCount(HANDLE process) {
    PROCESS_BASIC_INFORMATION basic = {};
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) return -1;
    ULONG_PTR table = 0;
    SIZE_T read = 0;
    if (!::ReadProcessMemory(process, static_cast<char*>(static_cast<void*>(basic.PebBaseAddress)) + kPebGdiTable,
                             &table, sizeof table, &read) ||
        !table)
        return -1;
    std::vector<GdiTableEntry> entries(kGdiTableEntries);
    if (!::ReadProcessMemory(process, reinterpret_cast<void*>(table), entries.data(),
                             entries.size() * sizeof(GdiTableEntry), &read))
        return -1;
    long used = 0;
    for (const GdiTableEntry& e : entries)
        if (e.type != 0) ++used;
    return used;
}

// Whether the table count follows this process's own objects (100 brushes).
bool GdiTableWorks() {
    const long before = GdiTableCount(::GetCurrentProcess());
    std::vector<HBRUSH> brushes;
    for (int i = 0; i < 100; ++i) brushes.push_back(::CreateSolidBrush(RGB(i, 0, 0)));
    const long during = GdiTableCount(::GetCurrentProcess());
    for (HBRUSH b : brushes) ::DeleteObject(b);
    return before >= 0 && during - before == 100;
}

struct WindowCount {
    DWORD process;
    long count;
};

BOOL CALLBACK CountChild(HWND, LPARAM param) {
    ++reinterpret_cast<WindowCount*>(param)->count;
    return TRUE;
}

BOOL CALLBACK CountTop(HWND window, LPARAM param) {
    auto* c = reinterpret_cast<WindowCount*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != c->process) return TRUE;
    ++c->count;
    ::EnumChildWindows(window, CountChild, param);
    return TRUE;
}

// The process's windows, top-level and child (message-only ones not included).
long WindowsOf(DWORD process) {
    WindowCount c = {process, 0};
    ::EnumWindows(CountTop, reinterpret_cast<LPARAM>(&c));
    return c.count;
}

struct Resources {
    double privateMb = 0;
    long gdi = -1;
    long user = -1;
    bool userIsWindows = false;
};

std::wstring g_procFolder;  // the client's /proc folder, when found

Resources ResourcesOf(HANDLE process, DWORD id, bool gdiTable) {
    Resources r;
    r.privateMb = PrivateMegabytes(process);
    if (r.privateMb <= 0 && !g_procFolder.empty()) r.privateMb = ProcPrivateMegabytes(g_procFolder);
    r.gdi = static_cast<long>(::GetGuiResources(process, GR_GDIOBJECTS));
    r.user = static_cast<long>(::GetGuiResources(process, GR_USEROBJECTS));
    if (r.gdi == 0) r.gdi = gdiTable ? GdiTableCount(process) : -1;
    if (r.user == 0) {
        r.user = WindowsOf(id);
        r.userIsWindows = true;
    }
    return r;
}

// The client's CPU seconds: from /proc when found (Wine answers
// GetProcessTimes for another process with zeros).
double CpuSeconds(HANDLE process) {
    if (!g_procFolder.empty()) return ProcCpuSeconds(g_procFolder);
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

// ---- the stand-in server's control channel, pipelined -----------------------------------------

// Sends every line at once and then reads their answers, so the server
// hands the packets on as fast as it can; the number of "OK" answers.
int SendPipelined(const std::vector<std::string>& lines) {
    const char* address = std::getenv("QV_DESK_SERVER");
    const char* port = std::getenv("QV_CONTROL_PORT");
    if (!address || !port) return 0;
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<u_short>(std::atoi(port)));
    to.sin_addr.s_addr = ::inet_addr(address);
    if (::connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        ::closesocket(s);
        return 0;
    }
    std::string all;
    for (const std::string& line : lines) all += line + "\n";
    int answered = 0, ok = 0;
    std::string pending;
    size_t sent = 0;
    u_long nonBlocking = 1;
    ::ioctlsocket(s, FIONBIO, &nonBlocking);
    const double deadline = Now() + 600000;
    while (answered < static_cast<int>(lines.size()) && Now() < deadline) {
        if (sent < all.size()) {
            const int n = ::send(s, all.data() + sent, static_cast<int>(std::min<size_t>(all.size() - sent, 65536)), 0);
            if (n > 0) sent += static_cast<size_t>(n);
        }
        char buffer[4096];
        const int got = ::recv(s, buffer, sizeof buffer, 0);
        if (got > 0) {
            pending.append(buffer, static_cast<size_t>(got));
            size_t end;
            while ((end = pending.find('\n')) != std::string::npos) {
                if (pending.compare(0, 2, "OK") == 0) ++ok;
                ++answered;
                pending.erase(0, end + 1);
            }
        } else if (got == 0) {
            break;
        } else if (sent >= all.size()) {
            ::Sleep(1);
        }
    }
    ::closesocket(s);
    return ok;
}

std::string HexOf(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

// A customer's message to the agent as the server hands it on.
std::string CustomerMessageLine(int32_t customer, int32_t agent, uint32_t time, const std::string& ansiText) {
    std::string hex = CDeskServerControl::WordsHex({0, 20261210, time, static_cast<uint32_t>(customer),
                                                    static_cast<uint32_t>(agent), 0});
    hex += HexOf(ansiText) + "00";
    while (hex.size() % 8) hex += "0";
    return "SEND last " + std::to_string(CMD_TEXT_MSG) + " " + hex;
}

// ---- a picture in the agent's picture folder ---------------------------------------------------

bool EncoderOf(const wchar_t* mime, CLSID& clsid) {
    UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    if (!size) return false;
    std::vector<char> bytes(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(bytes.data());
    Gdiplus::GetImageEncoders(count, size, codecs);
    for (UINT i = 0; i < count; ++i)
        if (std::wcscmp(codecs[i].MimeType, mime) == 0) {
            clsid = codecs[i].Clsid;
            return true;
        }
    return false;
}

// A small painted picture (64 x 48) saved as a JPEG.
bool SavePicture(const std::wstring& path) {
    Gdiplus::Bitmap image(64, 48, PixelFormat24bppRGB);
    {
        Gdiplus::Graphics g(&image);
        Gdiplus::SolidBrush sky(Gdiplus::Color(255, 90, 150, 220)), sun(Gdiplus::Color(255, 250, 210, 60));
        g.FillRectangle(&sky, 0, 0, 64, 48);
        g.FillEllipse(&sun, 20, 10, 24, 24);
    }
    CLSID jpeg;
    return EncoderOf(L"image/jpeg", jpeg) && image.Save(path.c_str(), &jpeg, nullptr) == Gdiplus::Ok;
}

// ---- the table ----------------------------------------------------------------------------------

void Heading(const char* text) { std::printf("\n%s\n", text); }

void Line(const char* what, const std::string& figure, const std::string& baseline = std::string(),
          const std::string& ratio = std::string(), const std::string& target = std::string()) {
    std::printf("  %-46s %14s %14s %9s  %s\n", what, figure.c_str(), baseline.c_str(), ratio.c_str(), target.c_str());
}

std::string Ms(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, ms >= 100 ? "%.0f ms" : ms >= 10 ? "%.1f ms" : "%.2f ms", ms);
    return text;
}

std::string Ratio(double a, double b) {
    if (a <= 0 || b <= 0) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.2fx", a / b);
    return text;
}

std::string Num(double v, const char* format) {
    char text[48];
    std::snprintf(text, sizeof text, format, v);
    return text;
}

std::string Met(bool met) { return met ? "met" : "MISSED"; }

// ---- 1. the engine's own log-on -------------------------------------------------------------------

// An engine host: Kestrin.dll of a program folder, a message-only window,
// the log-on and the lists the client waits for (the friend list, and the
// manager's group), timed from the log-on call.
class CEngineHost {
public:
    explicit CEngineHost(const std::wstring& folder) {
        m_module = ::LoadLibraryW((folder + L"Kestrin.dll").c_str());
        if (!m_module) return;
        m_init = reinterpret_cast<PFN_MInitModule>(reinterpret_cast<void*>(::GetProcAddress(m_module, "MInitModule")));
        m_logon = reinterpret_cast<PFN_MLogon>(reinterpret_cast<void*>(::GetProcAddress(m_module, "MLogon")));
        m_logout = reinterpret_cast<PFN_MLogonOut>(reinterpret_cast<void*>(::GetProcAddress(m_module, "MLogonOut")));
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"DeskBenchEngineHost";
        ::RegisterClassW(&wc);
        m_window = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                     nullptr);
        ::SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~CEngineHost() {
        if (m_window) ::DestroyWindow(m_window);
    }
    bool Ready() const { return m_init && m_logon && m_window; }

    // Milliseconds from the log-on call to both lists; 0 on a failure.
    double Logon(int32_t account, const std::wstring& server) {
        m_init(m_window);
        const double start = Now();
        m_logon(std::to_wstring(account).c_str(), L"demo", LOGON_TYPE_PASSWORD, server.c_str(), 7012);
        const double deadline = start + kWaitMs;
        MSG msg;
        while (!(m_friends && m_group) && Now() < deadline) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        }
        const double end = std::max(m_friends, m_group);
        if (m_logout) m_logout(1);
        for (const double until = Now() + 500; Now() < until;) {
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
            ::Sleep(10);
        }
        return m_friends && m_group ? end - start : 0;
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<CEngineHost*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && message == WM_IM_NOTIFY) {
            if (wParam == NOTIFY_FRIENDLIST && !self->m_friends) self->m_friends = Now();
            if (wParam == NOTIFY_GROUPUSERLIST && !self->m_group) self->m_group = Now();
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    HMODULE m_module = nullptr;
    PFN_MInitModule m_init = nullptr;
    PFN_MLogon m_logon = nullptr;
    PFN_MLogonOut m_logout = nullptr;
    HWND m_window = nullptr;
    double m_friends = 0;
    double m_group = 0;
};

// ---- the client under measurement ------------------------------------------------------------------

struct Client {
    CTavrelProcess process;
    HANDLE handle = nullptr;
    HWND main = nullptr;
    HWND tree = nullptr;
    ~Client() {
        if (main && process.IsRunning()) {
            Ask(main, WM_INSTANCE_CONTROL, 0, 0);
            process.WaitForExit(20000);
        }
        if (process.IsRunning()) process.Kill();
        if (handle) ::CloseHandle(handle);
    }
};

std::wstring MainCaption(int32_t account, const wchar_t* name) {
    return std::wstring(kDeskDisplayTitle) + L" - " + std::to_wstring(account) + L" - " + name + L" ";
}

// The tree filled (at least `rows` items) and painted.
void Trace(const char* what) {
    static double last = 0;
    static std::string lastWhat;
    if (!g_trace || lastWhat == what) return;
    const double now = Now();
    std::fprintf(stderr, "trace %10.1f (+%8.1f) %s\n", now, last ? now - last : 0.0, what);
    last = now;
    lastWhat = what;
}

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
            if (g_trace && shown.window && !told && Now() - start > 300) {
                HWND left = Unpainted(shown.window);
                wchar_t cls[64] = {};
                if (left) ::GetClassNameW(left, cls, 64);
                std::fprintf(stderr, "trace open: after 300 ms unpainted %p id %d class %ls visible %d\n",
                             static_cast<void*>(left), left ? ::GetDlgCtrlID(left) : 0, cls,
                             ::IsWindowVisible(shown.window));
                told = true;
            }
            if (g_trace && !shown.window && !told && Now() - start > 3000) {
                std::fprintf(stderr, "trace open: no conversation after 3 s (%zu open, %zu in all)\n",
                             OpenConversations(c.main).size(), Conversations(c.main).size());
                told = true;
            }
            return shown.window && Painted(shown.window);
        },
        15000);
    if (opened) *opened = shown;
    if (!end) Trace("open: no conversation shown");
    if (g_trace && end) std::fprintf(stderr, "trace open: clicked at %.1f, shown and painted at %.1f\n", start, end);
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

// A file named by a Unix path in the environment, read whole.
std::string ReadFileFromEnv(const char* name) {
    const char* path = std::getenv(name);
    if (!path || !*path) return std::string();
    std::wstring windowsPath = L"Z:";
    for (const char* p = path; *p; ++p) windowsPath += *p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p));
    std::ifstream in(windowsPath.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const std::wstring app = WindowsPathFromEnv("QV_DESK_APP");
    const std::wstring engineFolder = WindowsPathFromEnv("QV_DESK_NOSERVER");
    const std::wstring server = ServerAddress();
    if (app.empty() || server.empty()) {
        std::fprintf(stderr, "desk_bench: run through run-bench.sh (no QV_DESK_APP / QV_DESK_SERVER)\n");
        return 2;
    }
    WSADATA wsa;
    ::WSAStartup(MAKEWORD(2, 2), &wsa);
    ULONG_PTR gdiplusToken = 0;
    Gdiplus::GdiplusStartupInput gdiplusInput;
    Gdiplus::GdiplusStartup(&gdiplusToken, &gdiplusInput, nullptr);
    ::LoadLibraryW(L"riched20.dll");
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    WriteServerEntry(app);
    WriteAgentSettings(app, kManager, false);
    WriteAgentSettings(app, kSearcher, false);

    std::printf("desk client benchmark: Tavrel.exe (64-bit) under Wine against the stand-in chat server\n");
    std::printf("  %-46s %14s %14s %9s  %s\n", "", "client", "baseline", "ratio", "target");

    // ---- 1. log-on ----------------------------------------------------------------------------
    const LRESULT treeRows = o.customers + o.categories;
    double engineMs = 0, clientMs = 0;
    {
        CEngineHost host(engineFolder);
        if (host.Ready()) engineMs = host.Logon(kManager, server);
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
        Gdiplus::GdiplusShutdown(gdiplusToken);
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
        Gdiplus::GdiplusShutdown(gdiplusToken);
        return 1;
    }
    SendTo(c.main, WM_INSTANCE_CONTROL, 1, 0);
    BringToFront(c.main);
    g_procFolder = ProcFolderOf(app + L"Tavrel.exe");
    if (g_trace) std::fprintf(stderr, "trace proc folder %ls\n", g_procFolder.c_str());

    // The conversation customer's row (the first of the first category)
    // and the rows of the conversations of item 6.
    Row group;
    std::vector<Row> rows = GroupRows(c.tree, L"重要客户", 100000, &group);
    if (!Ask(c.tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(group.item)) || rows.empty()) {
        std::printf("\nno customers in the first category\n");
        return 1;
    }
    // Open the group with a real click on its row.
    Ask(c.tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(group.item));
    const UINT state = static_cast<UINT>(Ask(c.tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(group.item),
                                             TVIS_EXPANDED));
    if (!(state & TVIS_EXPANDED)) {
        Click(RowPoint(c.tree, RowRect(c.tree, group.item)));
        PollUntil([&] { return (Ask(c.tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(group.item), TVIS_EXPANDED) &
                                TVIS_EXPANDED) != 0; },
                  10000);
    }
    HTREEITEM chatRow = nullptr;
    for (const Row& r : rows)
        if (r.data == kChatCustomer) chatRow = r.item;
    if (g_trace) {
        std::fprintf(stderr, "trace group '%ls': %zu rows, chat row %p\n", group.text.c_str(), rows.size(),
                     static_cast<void*>(chatRow));
        for (const Row& r : rows) std::fprintf(stderr, "trace   row %lld '%ls'\n", static_cast<long long>(r.data), r.text.c_str());
    }

    // ---- 3. the chat log ----------------------------------------------------------------------
    // The pictures wait in the agent's picture folder, as after a download.
    const std::wstring pictures = app + std::to_wstring(kManager) + L"\\Image\\";
    ::CreateDirectoryW(pictures.c_str(), nullptr);
    std::vector<std::string> lines;
    std::vector<std::wstring> texts;
    const wchar_t* phrases[] = {L"您好，我的订单什么时候发货？", L"请问可以开发票吗？抬头和税号稍后发给您",
                                L"物流信息显示已到达本地分拨中心，今天能送到吗", L"好的，谢谢",
                                L"收到的商品有一点划痕，可以换一个吗？", L"Order A-20261210 arrived, thank you!"};
    const std::string format = Narrow(L"<format|0|10|0|宋体|/format>", 936);
    for (int i = 1; i <= o.messages; ++i) {
        const std::wstring body = std::wstring(phrases[i % 6]) + L" #" + std::to_wstring(i);
        std::string text = format + Narrow(body, 936);
        if (i % 10 == 5) {
            char name[64];
            std::snprintf(name, sizeof name, "1210BE0C%029d.JPG", i);
            SavePicture(pictures + Wide(name, CP_ACP));
            text += "<pic/" + std::to_string(body.size()) + "/" + name + "/pic>";
        }
        texts.push_back(body + L"\r\n");
        lines.push_back(CustomerMessageLine(kChatCustomer, kManager, 90000000u + static_cast<uint32_t>(i) * 100u, text));
    }
    double appendMs = 0, plainMs = 0, memoryBefore = 0, memoryAfter = 0;
    bool appendDone = false;
    Conversation chat;
    // A click on the row first (the first click into the window activates it).
    if (chatRow) {
        Ask(c.tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(chatRow));
        Click(RowPoint(c.tree, RowRect(c.tree, chatRow)));
        ::Sleep(static_cast<DWORD>(::GetDoubleClickTime()) + 200);
    }
    if (chatRow && (OpenConversation(c, chatRow, &chat) > 0 || OpenConversation(c, chatRow, &chat) > 0)) {
        const std::wstring last = L"#" + std::to_wstring(o.messages);
        memoryBefore = ResourcesOf(c.handle, c.process.Id(), false).privateMb;
        double lastRead = 0;
        const double start = Now();
        const int accepted = SendPipelined(lines);
        // The log keeps the newest messages only, so its text stays short:
        // read at most every 10 ms.
        const double end = PollUntil(
            [&] {
                if (Now() - lastRead < 10) return false;
                lastRead = Now();
                return WindowText(chat.log).find(last) != std::wstring::npos && Painted(chat.window);
            },
            600000);
        if (!end || accepted != o.messages)
            std::fprintf(stderr, "desk_bench: the chat log: %d of %d messages accepted by the server, %s\n", accepted,
                         o.messages, end ? "the last one shown" : "the last one not shown within 10 minutes");
        if (end && accepted == o.messages) {
            appendMs = end - start;
            appendDone = true;
        }
        ::Sleep(500);
        memoryAfter = ResourcesOf(c.handle, c.process.Id(), false).privateMb;
        CloseConversation(c, chat);
    }
    // The baseline: the same texts into a plain rich edit, one EM_REPLACESEL each.
    {
        HWND frame = ::CreateWindowExW(0, L"STATIC", L"plain", WS_POPUP | WS_VISIBLE, 700, 100, 420, 480, nullptr,
                                       nullptr, nullptr, nullptr);
        HWND edit = ::CreateWindowExW(0, RICHEDIT_CLASSW, L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE |
                                      ES_AUTOVSCROLL | ES_READONLY, 0, 0, 420, 480, frame, nullptr, nullptr, nullptr);
        ::UpdateWindow(frame);
        const double start = Now();
        for (const std::wstring& t : texts) {
            ::SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(-1), -1);
            ::SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(t.c_str()));
        }
        ::SendMessageW(edit, WM_VSCROLL, SB_BOTTOM, 0);
        ::UpdateWindow(frame);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        plainMs = Now() - start;
        ::DestroyWindow(frame);
    }

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
    Line(("median of " + std::to_string(opens.size()) + " opens").c_str(), opens.empty() ? "failed" : Ms(Median(opens)),
         "", "", "< 100 ms: " + Met(!opens.empty() && Median(opens) < 100));
    Line("worst", opens.empty() ? "-" : Ms(Worst(opens)), "", "",
         "< 150 ms: " + Met(!opens.empty() && Worst(opens) < 150));
    std::printf("  (the customer's history behind it: the %d messages of item 3)\n", appendDone ? o.messages : 0);

    Heading("3. The chat log: received messages appended to an open conversation");
    Line((std::to_string(o.messages) + " messages, every tenth with a picture").c_str(),
         appendDone ? Ms(appendMs) : "failed", Ms(plainMs), Ratio(appendMs, plainMs),
         "<= 2x: " + Met(appendDone && appendMs <= 2 * plainMs));
    Line("  a message", appendDone ? Ms(appendMs / o.messages) : "-", Ms(plainMs / o.messages));
    Line("memory growth (private)", appendDone ? Num(memoryAfter - memoryBefore, "%.1f MB") : "-");
    std::printf("  (client: the server hands on all messages at once, until the last shows and is painted;\n"
                "   baseline: the same texts into a plain rich edit with EM_REPLACESEL, no pictures)\n");

    // ---- 6. resources ----------------------------------------------------------------------------------
    const bool gdiTable = GdiTableWorks();
    ::Sleep(1000);
    const Resources before = ResourcesOf(c.handle, c.process.Id(), gdiTable);
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
    const Resources during = ResourcesOf(c.handle, c.process.Id(), gdiTable);
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
    const Resources after = ResourcesOf(c.handle, c.process.Id(), gdiTable);
    // Idle CPU: logged on, nothing open, nothing touched.
    const double cpuStart = CpuSeconds(c.handle);
    const double idleStart = Now();
    ::Sleep(static_cast<DWORD>(o.idleSeconds) * 1000);
    const double idlePercent =
        cpuStart >= 0 ? 100.0 * (CpuSeconds(c.handle) - cpuStart) / ((Now() - idleStart) / 1000.0) : -1;

    // ---- 4. contact search ----------------------------------------------------------------------------
    Ask(c.main, WM_INSTANCE_CONTROL, 0, 0);
    c.process.WaitForExit(20000);
    std::vector<double> keystrokes, noHitKeystrokes, scans, noHitScans;
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
            const std::wstring queries[] = {L"wangfang", L"qqqq"};
            for (int q = 0; q < 2 && box; ++q) {
                Click(CentreOf(box));
                PollUntil([&] { return FocusOf(s.main) == box; }, 5000);
                std::wstring typed;
                for (wchar_t ch : queries[q]) {
                    typed += ch;
                    const double pressed = TimedKey(ch);
                    // The box's new text, and the drop-down of the hits
                    // shown with nothing left to paint.
                    const double shown = PollUntil(
                        [&] {
                            if (WindowText(box) != typed) return false;
                            if (!popup) popup = SearchPopup(s.process);
                            return popup && Painted(popup);
                        },
                        10000, 0);  // a figure of a millisecond or two: no pause between the polls
                    if (!shown) break;
                    (q == 0 ? keystrokes : noHitKeystrokes).push_back(shown - pressed);
                    if (g_trace) std::fprintf(stderr, "trace key: pressed at %.1f, shown and painted at %.1f\n", pressed, shown);
                    // The baseline: a plain substring scan of the same texts.
                    const double scanStart = Now();
                    volatile size_t hits = 0;
                    for (const std::wstring& t : displayTexts)
                        if (t.find(typed) != std::wstring::npos) hits = hits + 1;
                    (q == 0 ? scans : noHitScans).push_back(Now() - scanStart);
                    ::Sleep(150);
                }
                PressKey(VK_ESCAPE);
                for (size_t i = 0; i < typed.size(); ++i) PressKey(VK_BACK);
                PollUntil([&] { return WindowText(box).empty(); }, 5000);
            }
        }
    }
    std::vector<double> allKeys = keystrokes, allScans = scans;
    allKeys.insert(allKeys.end(), noHitKeystrokes.begin(), noHitKeystrokes.end());
    allScans.insert(allScans.end(), noHitScans.begin(), noHitScans.end());
    Heading("4. Contact search: one keystroke over the customers (key press to the new text and the drop-down painted)");
    std::printf("  %d contacts (%zu display texts in the baseline); the agent logged on in %.0f ms\n",
                o.searchContacts, displayTexts.size(), searchLogonMs);
    Line("keystroke, median (\"wangfang\", \"qqqq\")", allKeys.empty() ? "failed" : Ms(Median(allKeys)),
         Ms(Median(allScans)), Ratio(Median(allKeys), Median(allScans)),
         "< 2 ms: " + Met(!allKeys.empty() && Median(allKeys) < 2));
    Line("keystroke, worst", allKeys.empty() ? "-" : Ms(Worst(allKeys)), Ms(Worst(allScans)), "",
         "< 16 ms: " + Met(!allKeys.empty() && Worst(allKeys) < 16));
    Line("keystroke finding nobody, median", noHitKeystrokes.empty() ? "-" : Ms(Median(noHitKeystrokes)),
         Ms(Median(noHitScans)), Ratio(Median(noHitKeystrokes), Median(noHitScans)));
    std::printf("  (baseline: a plain substring scan of the same display texts in this process)\n");

    // ---- 5. history -----------------------------------------------------------------------------------
    Heading("5. History: 100,000 records (first page, keyword search)");
    const std::string history = ReadFileFromEnv("QV_HISTORY_FIGURES");
    if (history.empty()) {
        std::printf("  not built in this tree (the message records' benchmark history_bench comes with the history work)\n");
    } else {
        size_t start = 0;
        for (size_t end; (end = history.find('\n', start)) != std::string::npos; start = end + 1)
            std::printf("  | %s\n", history.substr(start, end - start).c_str());
        if (start < history.size()) std::printf("  | %s\n", history.substr(start).c_str());
    }

    // ---- 6. resources (printed last: measured with the log-on above) --------------------------------------
    Heading("6. Resources of the client (5,000 customers)");
    std::printf("  %-46s %14s %14s %14s  %s\n", "", "before", (std::to_string(opened) + " open").c_str(),
                (std::to_string(closed) + " closed").c_str(), "target");
    auto resourceLine = [](const char* what, double b, double d, double a, const char* format) {
        const bool within = b > 0 && a <= b * 1.05;
        std::printf("  %-46s %14s %14s %14s  %s\n", what, Num(b, format).c_str(), Num(d, format).c_str(),
                    Num(a, format).c_str(), b > 0 ? ("back within 5%: " + Met(within) + " (" + Num(100.0 * (a - b) / b, "%+.1f%%") + ")").c_str() : "-");
    };
    resourceLine("private memory", before.privateMb, during.privateMb, after.privateMb, "%.1f MB");
    if (before.gdi >= 0)
        resourceLine(gdiTable ? "GDI objects (the process's handle table)" : "GDI objects", before.gdi, during.gdi,
                     after.gdi, "%.0f");
    else
        std::printf("  %-46s %14s\n", "GDI objects", "not readable");
    resourceLine(before.userIsWindows ? "USER objects (windows of the process)" : "USER objects", before.user,
                 during.user, after.user, "%.0f");
    Line(("idle CPU over " + std::to_string(o.idleSeconds) + " s, logged on").c_str(),
         idlePercent >= 0 ? Num(idlePercent, "%.2f%% of a core") : "not readable", "", "",
         "< 1%: " + Met(idlePercent >= 0 && idlePercent < 1));

    Gdiplus::GdiplusShutdown(gdiplusToken);
    return 0;
}
