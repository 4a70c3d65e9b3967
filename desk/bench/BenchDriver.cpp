#include "BenchDriver.h"

#include "DeskServerControl.h"
#include "TavrelDriver.h"

#include "clientui/InstanceControl.h"

#include <ImEngineApi.h>

#include <winsock2.h>
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <psapi.h>
#include <richedit.h>
#include <winternl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <fstream>
#include <iterator>
#include <sstream>

using namespace tavreltest;

namespace qvbench {

double Now() {
    LARGE_INTEGER frequency = {}, counter = {};
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Polls ready() as often as the machine allows; the time (Now()) it first
// held, or 0 when ms passed first.
double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Worst(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

std::string Narrow(const std::wstring& text, UINT codePage) {
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

bool Tracing() {
    static const bool tracing = std::getenv("QV_BENCH_TRACE") != nullptr;
    return tracing;
}

void Trace(const char* what) {
    static double last = 0;
    static std::string lastWhat;
    if (!Tracing() || lastWhat == what) return;
    const double now = Now();
    std::fprintf(stderr, "trace %10.1f (+%8.1f) %s\n", now, last ? now - last : 0.0, what);
    last = now;
    lastWhat = what;
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

// ---- the driver's own process ----------------------------------------------------------------

CBenchRuntime::CBenchRuntime() {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    WSADATA wsa;
    ::WSAStartup(MAKEWORD(2, 2), &wsa);
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&m_gdiplus, &input, nullptr);
    ::LoadLibraryW(L"riched20.dll");
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
}

CBenchRuntime::~CBenchRuntime() {
    if (m_gdiplus) Gdiplus::GdiplusShutdown(m_gdiplus);
}

// ---- the program under measurement -------------------------------------------------------

Client::~Client() {
    if (main && process.IsRunning()) {
        Ask(main, WM_INSTANCE_CONTROL, 0, 0);
        process.WaitForExit(20000);
    }
    if (process.IsRunning()) process.Kill();
    if (handle) ::CloseHandle(handle);
}

// ---- reading the program from outside ----------------------------------------------------

namespace {

BOOL CALLBACK FindUnpaintedChild(HWND child, LPARAM param) {
    if (::IsWindowVisible(child) && ::GetUpdateRect(child, nullptr, FALSE)) {
        *reinterpret_cast<HWND*>(param) = child;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND Unpainted(HWND window) {
    if (::GetUpdateRect(window, nullptr, FALSE)) return window;
    HWND found = nullptr;
    ::EnumChildWindows(window, FindUnpaintedChild, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool Painted(HWND window) { return window && ::IsWindowVisible(window) && !Unpainted(window); }

LRESULT Ask(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(window, msg, wParam, lParam, SMTO_NORMAL, 60000, &result)) return 0;
    return static_cast<LRESULT>(result);
}

namespace {

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

}  // namespace

HTREEITEM Next(HWND tree, HTREEITEM item, WPARAM how) {
    return reinterpret_cast<HTREEITEM>(Ask(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
}

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

void ExpandByClick(HWND tree, HTREEITEM root) {
    auto expanded = [&] {
        return (Ask(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(root), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
    };
    Ask(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(root));
    if (expanded()) return;
    Click(RowPoint(tree, RowRect(tree, root)));
    PollUntil(expanded, 10000);
}

// ---- resources of a process ------------------------------------------------------------------

// Z:\proc is Linux's /proc through Wine's drive for "/".
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

namespace {

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

}  // namespace

// 100 brushes of this process counted.
bool GdiTableWorks() {
    const long before = GdiTableCount(::GetCurrentProcess());
    std::vector<HBRUSH> brushes;
    for (int i = 0; i < 100; ++i) brushes.push_back(::CreateSolidBrush(RGB(i, 0, 0)));
    const long during = GdiTableCount(::GetCurrentProcess());
    for (HBRUSH b : brushes) ::DeleteObject(b);
    return before >= 0 && during - before == 100;
}

namespace {

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

}  // namespace

Resources ResourcesOf(HANDLE process, DWORD id, bool gdiTable, const std::wstring& procFolder) {
    Resources r;
    r.privateMb = PrivateMegabytes(process);
    if (r.privateMb <= 0 && !procFolder.empty()) r.privateMb = ProcPrivateMegabytes(procFolder);
    r.gdi = static_cast<long>(::GetGuiResources(process, GR_GDIOBJECTS));
    r.user = static_cast<long>(::GetGuiResources(process, GR_USEROBJECTS));
    if (r.gdi == 0) r.gdi = gdiTable ? GdiTableCount(process) : -1;
    if (r.user == 0) {
        r.user = WindowsOf(id);
        r.userIsWindows = true;
    }
    return r;
}

double CpuSeconds(HANDLE process, const std::wstring& procFolder) {
    if (!procFolder.empty()) return ProcCpuSeconds(procFolder);
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

double IdlePercent(HANDLE process, const std::wstring& procFolder, int seconds) {
    const double cpuStart = CpuSeconds(process, procFolder);
    const double start = Now();
    ::Sleep(static_cast<DWORD>(seconds) * 1000);
    if (cpuStart < 0) return -1;
    return 100.0 * (CpuSeconds(process, procFolder) - cpuStart) / ((Now() - start) / 1000.0);
}

// ---- the stand-in server's control channel, pipelined -----------------------------------------

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

namespace {

std::string HexOf(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

}  // namespace

std::string MessageLine(int32_t sender, int32_t receiver, uint32_t time, const std::string& ansiText) {
    std::string hex = CDeskServerControl::WordsHex({0, 20261210, time, static_cast<uint32_t>(sender),
                                                    static_cast<uint32_t>(receiver), 0});
    hex += HexOf(ansiText) + "00";
    while (hex.size() % 8) hex += "0";
    return "SEND last " + std::to_string(CMD_TEXT_MSG) + " " + hex;
}

// ---- a picture ------------------------------------------------------------------------------

namespace {

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

}  // namespace

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

// ---- received messages in an open chat -----------------------------------------------------

ReceivedMessages MakeReceivedMessages(int count, int32_t sender, int32_t receiver,
                                      const std::wstring& pictureFolder, const wchar_t* const (&phrases)[6]) {
    ::CreateDirectoryW(pictureFolder.c_str(), nullptr);
    ReceivedMessages m;
    const std::string format = Narrow(L"<format|0|10|0|宋体|/format>", 936);
    for (int i = 1; i <= count; ++i) {
        const std::wstring body = std::wstring(phrases[i % 6]) + L" #" + std::to_wstring(i);
        std::string text = format + Narrow(body, 936);
        if (i % 10 == 5) {
            char name[64];
            std::snprintf(name, sizeof name, "1210BE0C%029d.JPG", i);
            SavePicture(pictureFolder + Wide(name, CP_ACP));
            text += "<pic/" + std::to_string(body.size()) + "/" + name + "/pic>";
        }
        m.texts.push_back(body + L"\r\n");
        m.lines.push_back(MessageLine(sender, receiver, 90000000u + static_cast<uint32_t>(i) * 100u, text));
    }
    return m;
}

ReceivedFigures ReceiveIntoLog(const ReceivedMessages& messages, HWND log, HWND window, HANDLE process, DWORD id,
                               const std::wstring& procFolder) {
    ReceivedFigures f;
    const int count = static_cast<int>(messages.lines.size());
    const std::wstring last = L"#" + std::to_wstring(count);
    f.memoryBefore = ResourcesOf(process, id, false, procFolder).privateMb;
    double lastRead = 0;
    const double start = Now();
    const int accepted = SendPipelined(messages.lines);
    // The log keeps the newest messages only, so its text stays short:
    // read at most every 10 ms.
    const double end = PollUntil(
        [&] {
            if (Now() - lastRead < 10) return false;
            lastRead = Now();
            return WindowText(log).find(last) != std::wstring::npos && Painted(window);
        },
        600000);
    if (!end || accepted != count)
        std::fprintf(stderr, "the chat log: %d of %d messages accepted by the server, %s\n", accepted, count,
                     end ? "the last one shown" : "the last one not shown within 10 minutes");
    if (end && accepted == count) {
        f.ms = end - start;
        f.done = true;
    }
    ::Sleep(500);
    f.memoryAfter = ResourcesOf(process, id, false, procFolder).privateMb;
    return f;
}

// ---- keystrokes in a search box -------------------------------------------------------------

KeystrokeFigures TimeKeystrokes(HWND top, HWND box, POINT point, const std::vector<std::wstring>& texts,
                                const std::function<bool(const std::wstring& typed)>& shown, DWORD pollStepMs) {
    KeystrokeFigures f;
    const std::wstring queries[] = {L"wangfang", L"qqqq"};
    for (int q = 0; q < 2 && box; ++q) {
        BringToFront(top);
        Click(point);
        PollUntil([&] { return FocusOf(top) == box; }, 5000);
        std::wstring typed;
        for (wchar_t ch : queries[q]) {
            typed += ch;
            const double pressed = TimedKey(ch);
            const double at = PollUntil([&] { return shown(typed); }, 10000, pollStepMs);
            if (!at) break;
            if (Tracing()) std::fprintf(stderr, "trace key '%lc': pressed %.2f, shown %.2f\n", ch, pressed, at);
            (q == 0 ? f.hitKeys : f.noHitKeys).push_back(at - pressed);
            (q == 0 ? f.hitScans : f.noHitScans).push_back(ScanMs(texts, typed));
            ::Sleep(150);
        }
        PressKey(VK_ESCAPE);
        for (size_t i = 0; i < typed.size(); ++i) PressKey(VK_BACK);
        PollUntil([&] { return WindowText(box).empty(); }, 5000);
    }
    return f;
}

// ---- the table ----------------------------------------------------------------------------------

void Heading(const char* text) { std::printf("\n%s\n", text); }

void Line(const char* what, const std::string& figure, const std::string& baseline, const std::string& ratio,
          const std::string& target) {
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

void Columns(const char* figure) {
    std::printf("  %-46s %14s %14s %9s  %s\n", "", figure, "baseline", "ratio", "target");
}

void Quote(const std::string& lines) {
    size_t start = 0;
    for (size_t end; (end = lines.find('\n', start)) != std::string::npos; start = end + 1)
        std::printf("  | %s\n", lines.substr(start, end - start).c_str());
    if (start < lines.size()) std::printf("  | %s\n", lines.substr(start).c_str());
}

void OpenLines(const std::vector<double>& opens, double worstTargetMs) {
    Line(("median of " + std::to_string(opens.size()) + " opens").c_str(), opens.empty() ? "failed" : Ms(Median(opens)),
         "", "", "< 100 ms: " + Met(!opens.empty() && Median(opens) < 100));
    Line("worst", opens.empty() ? "-" : Ms(Worst(opens)), "", "",
         worstTargetMs > 0 ? "< " + Num(worstTargetMs, "%.0f") + " ms: " + Met(!opens.empty() && Worst(opens) < worstTargetMs)
                           : std::string());
}

void ReceivedLines(int count, const ReceivedFigures& f, double plainMs) {
    Line((std::to_string(count) + " messages, every tenth with a picture").c_str(), f.done ? Ms(f.ms) : "failed",
         Ms(plainMs), Ratio(f.ms, plainMs), "<= 2x: " + Met(f.done && f.ms <= 2 * plainMs));
    Line("  a message", f.done ? Ms(f.ms / count) : "-", Ms(plainMs / count));
    Line("memory growth (private)", f.done ? Num(f.memoryAfter - f.memoryBefore, "%.1f MB") : "-");
    std::printf("  (client: the server hands on all messages at once, until the last shows and is painted;\n"
                "   baseline: the same texts into a plain rich edit with EM_REPLACESEL, no pictures)\n");
}

void KeystrokeLines(const KeystrokeFigures& f, double medianTargetMs, double worstTargetMs) {
    std::vector<double> keys = f.hitKeys, scans = f.hitScans;
    keys.insert(keys.end(), f.noHitKeys.begin(), f.noHitKeys.end());
    scans.insert(scans.end(), f.noHitScans.begin(), f.noHitScans.end());
    Line("keystroke, median (\"wangfang\", \"qqqq\")", keys.empty() ? "failed" : Ms(Median(keys)), Ms(Median(scans)),
         Ratio(Median(keys), Median(scans)),
         "< " + Num(medianTargetMs, "%.0f") + " ms: " + Met(!keys.empty() && Median(keys) < medianTargetMs));
    Line("keystroke, worst", keys.empty() ? "-" : Ms(Worst(keys)), Ms(Worst(scans)), "",
         worstTargetMs > 0 ? "< " + Num(worstTargetMs, "%.0f") + " ms: " + Met(!keys.empty() && Worst(keys) < worstTargetMs)
                           : std::string());
    Line("keystroke finding nobody, median", f.noHitKeys.empty() ? "-" : Ms(Median(f.noHitKeys)),
         Ms(Median(f.noHitScans)), Ratio(Median(f.noHitKeys), Median(f.noHitScans)));
    std::printf("  (baseline: a plain substring scan of the same display texts in this process)\n");
}

namespace {

void ResourceLine(const char* what, double b, double d, double a, const char* format) {
    const bool within = b > 0 && a <= b * 1.05;
    std::printf("  %-46s %14s %14s %14s  %s\n", what, Num(b, format).c_str(), Num(d, format).c_str(),
                Num(a, format).c_str(),
                b > 0 ? ("back within 5%: " + Met(within) + " (" + Num(100.0 * (a - b) / b, "%+.1f%%") + ")").c_str()
                      : "-");
}

}  // namespace

void ResourceTable(const Resources& before, const Resources& during, const Resources& after, int opened,
                   int closed, bool gdiTable, double idlePercent, int idleSeconds) {
    std::printf("  %-46s %14s %14s %14s  %s\n", "", "before", (std::to_string(opened) + " open").c_str(),
                (std::to_string(closed) + " closed").c_str(), "target");
    ResourceLine("private memory", before.privateMb, during.privateMb, after.privateMb, "%.1f MB");
    if (before.gdi >= 0)
        ResourceLine(gdiTable ? "GDI objects (the process's handle table)" : "GDI objects", before.gdi, during.gdi,
                     after.gdi, "%.0f");
    else
        std::printf("  %-46s %14s\n", "GDI objects", "not readable");
    ResourceLine(before.userIsWindows ? "USER objects (windows of the process)" : "USER objects", before.user,
                 during.user, after.user, "%.0f");
    Line(("idle CPU over " + std::to_string(idleSeconds) + " s, logged on").c_str(),
         idlePercent >= 0 ? Num(idlePercent, "%.2f%% of a core") : "not readable", "", "",
         "< 1%: " + Met(idlePercent >= 0 && idlePercent < 1));
}

// ---- plain baselines -------------------------------------------------------------------------

double PlainRichEditMs(const std::vector<std::wstring>& texts) {
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
    const double ms = Now() - start;
    ::DestroyWindow(frame);
    return ms;
}

double ScanMs(const std::vector<std::wstring>& texts, const std::wstring& part) {
    const double start = Now();
    volatile size_t hits = 0;
    for (const std::wstring& t : texts)
        if (t.find(part) != std::wstring::npos) hits = hits + 1;
    return Now() - start;
}

std::string ReadFileFromEnv(const char* name) {
    const char* path = std::getenv(name);
    if (!path || !*path) return std::string();
    std::wstring windowsPath = L"Z:";
    for (const char* p = path; *p; ++p) windowsPath += *p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p));
    std::ifstream in(windowsPath.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace qvbench
