// What the client benchmarks (desk_bench, im_bench) share: the clock and
// its polls, real input timed at the press, reading from outside what a
// program shows (nothing left to paint, tree rows), the resources of
// another process as Wine lets them be read, the stand-in chat server's
// control channel pipelined, the plain baselines (a rich edit fed with
// EM_REPLACESEL, a substring scan) and the printed table.
//
// Every time is taken here, in the driver, from the input it gives to what
// the program shows; a message sent to the program's window is answered
// only when its thread has finished the work before it, so a poll that sees
// the result sees the work done.
#pragma once

#include "RealInput.h"
#include "TavrelDriver.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qvbench {

constexpr DWORD kWaitMs = 120000;

// ---- the clock ----------------------------------------------------------------------------
double Now();  // milliseconds

// Polls ready() every stepMs (0: as often as the machine allows, giving up
// the processor in between); the time (Now()) it first held, or 0 when ms
// passed first.
template <typename Ready>
double PollUntil(Ready ready, DWORD ms, DWORD stepMs = 2) {
    const double deadline = Now() + ms;
    for (;;) {
        if (ready()) return Now();
        if (Now() > deadline) return 0;
        ::Sleep(stepMs);
    }
}

double Median(std::vector<double> values);
double Worst(const std::vector<double>& values);

std::string Narrow(const std::wstring& text, UINT codePage = CP_UTF8);
std::wstring Wide(const std::string& text, UINT codePage);

// With QV_BENCH_TRACE set, each change of what a poll waits for goes to
// stderr with its time.
bool Tracing();
void Trace(const char* what);

// ---- real input with the time taken at the press -------------------------------------------
// Moves the pointer there first (not timed), then clicks (count 1 or 2);
// the time of the press.
double TimedClick(POINT screen, int count);
// One character typed as its key (letters and digits); the time of the press.
double TimedKey(wchar_t c);

// ---- the driver's own process ----------------------------------------------------------------
// What a benchmark driver needs running: unbuffered output, Winsock, GDI+
// (the pictures it saves), the rich edit and tree classes (the baselines);
// GDI+ is shut down when it goes.
class CBenchRuntime {
public:
    CBenchRuntime();
    ~CBenchRuntime();
    CBenchRuntime(const CBenchRuntime&) = delete;
    CBenchRuntime& operator=(const CBenchRuntime&) = delete;

private:
    ULONG_PTR m_gdiplus = 0;
};

// ---- the program under measurement ---------------------------------------------------------
// The client process with its main window and contact tree once found;
// ended when it goes (the instance-control message, then killed).
struct Client {
    tavreltest::CTavrelProcess process;
    HANDLE handle = nullptr;
    HWND main = nullptr;
    HWND tree = nullptr;
    Client() = default;
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;
    ~Client();
};

// ---- reading the program from outside ------------------------------------------------------
// The first window under window (itself included) with something left to
// paint; null when none.
HWND Unpainted(HWND window);
// True when the window is visible and it and its children have nothing
// left to paint.
bool Painted(HWND window);
// A message answered by the program (0 when it did not answer within a minute).
LRESULT Ask(HWND window, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

// One tree item's data and row (client coordinates; empty when not shown).
struct Row {
    HTREEITEM item = nullptr;
    LPARAM data = 0;
    std::wstring text;
    RECT rect = {};
};
HTREEITEM Next(HWND tree, HTREEITEM item, WPARAM how);
// The first `count` rows of the first root whose text starts with prefix
// (that root in *group when given).
std::vector<Row> GroupRows(HWND tree, const std::wstring& prefix, size_t count, Row* group);
// The row of the tree item now (after a scroll).
RECT RowRect(HWND tree, HTREEITEM handle);
POINT RowPoint(HWND tree, const RECT& rect);
// Opens the root with a real click on its row unless it is open.
void ExpandByClick(HWND tree, HTREEITEM root);

// ---- resources of a process ------------------------------------------------------------------
struct Resources {
    double privateMb = 0;
    long gdi = -1;
    long user = -1;
    bool userIsWindows = false;
};

// The Unix side of a Wine process: its /proc folder (Z:\proc\<pid>\), found
// by the program path in its command line; empty when not found.
std::wstring ProcFolderOf(const std::wstring& programPath);
// Whether the GDI handle table count follows this process's own objects.
bool GdiTableWorks();
// Private memory, GDI objects (the handle table when gdiTable and the
// platform answers 0) and USER objects (windows, when it answers 0).
Resources ResourcesOf(HANDLE process, DWORD id, bool gdiTable, const std::wstring& procFolder);
// CPU seconds of the process: from /proc when the folder is known (Wine
// answers GetProcessTimes for another process with zeros).
double CpuSeconds(HANDLE process, const std::wstring& procFolder);
// The process's CPU over an idle wait of seconds, in percent of a core; -1
// when not readable.
double IdlePercent(HANDLE process, const std::wstring& procFolder, int seconds);

// ---- the stand-in server's control channel, pipelined --------------------------------------
// Sends every line at once (QV_DESK_SERVER, QV_CONTROL_PORT) and then reads
// their answers, so the server hands the packets on as fast as it can; the
// number of "OK" answers.
int SendPipelined(const std::vector<std::string>& lines);
// A chat message from sender to receiver as the server hands it on.
std::string MessageLine(int32_t sender, int32_t receiver, uint32_t time, const std::string& ansiText);

// A small painted picture (64 x 48) saved as a JPEG (GDI+ started).
bool SavePicture(const std::wstring& path);

// ---- received messages in an open chat -----------------------------------------------------
struct ReceivedMessages {
    std::vector<std::string> lines;   // for SendPipelined
    std::vector<std::wstring> texts;  // the same texts for the plain baseline
};
// count messages from sender to receiver, phrase i % 6 with " #i" each;
// every tenth has a picture, saved into pictureFolder as after a download.
ReceivedMessages MakeReceivedMessages(int count, int32_t sender, int32_t receiver,
                                      const std::wstring& pictureFolder, const wchar_t* const (&phrases)[6]);

struct ReceivedFigures {
    double ms = 0;
    bool done = false;
    double memoryBefore = 0;  // private MB
    double memoryAfter = 0;
};
// Hands the messages to the server at once; the time until the log shows
// the last one ("#count") and the window has nothing left to paint, and
// the program's private memory before and after.
ReceivedFigures ReceiveIntoLog(const ReceivedMessages& messages, HWND log, HWND window, HANDLE process, DWORD id,
                               const std::wstring& procFolder);

// A file named by a Unix path in the environment, read whole.
std::string ReadFileFromEnv(const char* name);

// ---- plain baselines -------------------------------------------------------------------------
// The texts into a plain rich edit on a window of its own, one
// EM_REPLACESEL each, scrolled to the end and painted; the milliseconds.
double PlainRichEditMs(const std::vector<std::wstring>& texts);
// A plain substring scan of the texts for part; the milliseconds.
double ScanMs(const std::vector<std::wstring>& texts, const std::wstring& part);

// ---- keystrokes in a search box -------------------------------------------------------------
struct KeystrokeFigures {
    std::vector<double> hitKeys, noHitKeys;    // "wangfang" (finds contacts), "qqqq" (finds nobody)
    std::vector<double> hitScans, noHitScans;  // the substring scans of the same texts
};
// Clicks at point (into box, a control of the window top), then types the
// two queries key by key: each keystroke from its press until shown(typed)
// holds (polled every pollStepMs), beside a scan of texts for the same
// text; Escape and Backspace empty the box after each query.
KeystrokeFigures TimeKeystrokes(HWND top, HWND box, POINT point, const std::vector<std::wstring>& texts,
                                const std::function<bool(const std::wstring& typed)>& shown, DWORD pollStepMs);

// ---- the table ---------------------------------------------------------------------------------
void Heading(const char* text);
void Line(const char* what, const std::string& figure, const std::string& baseline = std::string(),
          const std::string& ratio = std::string(), const std::string& target = std::string());
std::string Ms(double ms);
std::string Ratio(double a, double b);
std::string Num(double v, const char* format);
std::string Met(bool met);
// The column heads of the table.
void Columns(const char* figure);
// Another program's table (lines of text), quoted line by line.
void Quote(const std::string& lines);
// The opening figures: median (target < 100 ms) and worst (with its target
// when worstTargetMs > 0).
void OpenLines(const std::vector<double>& opens, double worstTargetMs);
// The received messages beside the plain rich edit.
void ReceivedLines(int count, const ReceivedFigures& figures, double plainMs);
// The keystroke figures beside the substring scans: the median over both
// queries (its target), the worst (its target when worstTargetMs > 0), the
// median of the query that finds nobody.
void KeystrokeLines(const KeystrokeFigures& figures, double medianTargetMs, double worstTargetMs);
// The resources before, with `opened` windows open and after closing
// `closed` of them, each beside "back within 5%"; then idle CPU.
void ResourceTable(const Resources& before, const Resources& during, const Resources& after, int opened,
                   int closed, bool gdiTable, double idlePercent, int idleSeconds);

}  // namespace qvbench
