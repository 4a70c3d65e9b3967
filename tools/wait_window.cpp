// wait_window: waits until a program shows a window, for scripts that drive
// the programs from outside (the demo).
//
//   wait_window.exe --caption-prefix TEXT [--tree-items N [--tree-id ID]] [--timeout-ms MS] [--dump 1]
//
// Succeeds (exit 0) once a visible top-level window whose caption begins
// with TEXT exists and, with --tree-items, one of its tree views (the one
// of control id ID, with --tree-id) holds at least N items; it then prints
// the window's screen rectangle as "left top width height" and, with
// --dump 1, its window tree (class, shown or hidden, rectangle, id, text). On time-out it exits 1 and prints the visible
// top-level windows with their texts (a message box's text says what went
// wrong), so the caller can report it.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Options {
    std::wstring prefix;
    long treeItems = 0;
    long treeId = 0;  // with --tree-id, only the tree view of this control id counts
    DWORD timeoutMs = 60000;
    bool dump = false;
};

struct Search {
    const Options* options;
    HWND found = nullptr;
};

std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    // A window of another process answers WM_GETTEXT through its own thread;
    // a hung one must not hang the caller.
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 1000,
                             &length))
        return std::wstring();
    return std::wstring(text);
}

struct TreeCount {
    long treeId;
    long most;
};

BOOL CALLBACK CountTreeItems(HWND child, LPARAM param) {
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    auto* tree = reinterpret_cast<TreeCount*>(param);
    if (std::wcscmp(name, WC_TREEVIEWW) == 0 && IsWindowVisible(child) &&
        (tree->treeId == 0 || GetDlgCtrlID(child) == tree->treeId)) {
        long* most = &tree->most;
        DWORD_PTR count = 0;
        if (SendMessageTimeoutW(child, TVM_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 1000, &count) &&
            static_cast<long>(count) > *most)
            *most = static_cast<long>(count);
    }
    return TRUE;
}

BOOL CALLBACK Match(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    if (!IsWindowVisible(window)) return TRUE;
    const std::wstring caption = TextOf(window);
    if (caption.compare(0, search->options->prefix.size(), search->options->prefix) != 0) return TRUE;
    if (search->options->treeItems > 0) {
        TreeCount tree{search->options->treeId, 0};
        EnumChildWindows(window, CountTreeItems, reinterpret_cast<LPARAM>(&tree));
        if (tree.most < search->options->treeItems) return TRUE;
    }
    search->found = window;
    return FALSE;
}

BOOL CALLBACK CollectText(HWND child, LPARAM param) {
    auto* texts = reinterpret_cast<std::vector<std::wstring>*>(param);
    const std::wstring text = TextOf(child);
    if (!text.empty() && IsWindowVisible(child)) texts->push_back(text);
    return TRUE;
}

// The scripts that read this run on a UTF-8 terminal.
void PrintUtf8(const std::wstring& line) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), &bytes[0], size, nullptr,
                            nullptr);
    bytes += '\n';
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

BOOL CALLBACK Describe(HWND window, LPARAM) {
    if (!IsWindowVisible(window)) return TRUE;
    std::vector<std::wstring> texts;
    EnumChildWindows(window, CollectText, reinterpret_cast<LPARAM>(&texts));
    std::wstring line = L"  \"" + TextOf(window) + L"\"";
    for (const std::wstring& text : texts) line += L" | " + text;
    PrintUtf8(line);
    return TRUE;
}

// One line per window under parent: depth, class, visible, screen rectangle,
// control id and text; what a failed wait prints about the program's window.
void DumpTree(HWND parent, int depth) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[64] = {};
        GetClassNameW(child, name, 64);
        RECT rect = {};
        GetWindowRect(child, &rect);
        wchar_t line[256];
        std::swprintf(line, 256, L"%*ls%ls %ls (%ld,%ld %ldx%ld) id %ld \"", depth * 2, L"", name,
                      IsWindowVisible(child) ? L"shown" : L"hidden", rect.left, rect.top, rect.right - rect.left,
                      rect.bottom - rect.top, static_cast<long>(GetDlgCtrlID(child)));
        PrintUtf8(line + TextOf(child) + L"\"");
        DumpTree(child, depth + 1);
    }
}

bool Parse(int argc, wchar_t** argv, Options& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::wstring name = argv[i];
        if (name == L"--caption-prefix") options.prefix = argv[i + 1];
        else if (name == L"--tree-items") options.treeItems = std::wcstol(argv[i + 1], nullptr, 10);
        else if (name == L"--timeout-ms") options.timeoutMs = std::wcstoul(argv[i + 1], nullptr, 10);
        else if (name == L"--tree-id") options.treeId = std::wcstol(argv[i + 1], nullptr, 10);
        else if (name == L"--dump") options.dump = argv[i + 1][0] == L'1';
        else return false;
    }
    return argc % 2 == 1 && !options.prefix.empty();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    if (!Parse(argc, argv, options)) {
        std::fprintf(stderr, "usage: wait_window --caption-prefix TEXT [--tree-items N [--tree-id ID]] [--timeout-ms MS] [--dump 1]\n");
        return 2;
    }
    const DWORD start = GetTickCount();
    for (;;) {
        Search search{&options};
        EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            RECT rect = {};
            GetWindowRect(search.found, &rect);
            std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
            if (options.dump) DumpTree(search.found, 1);
            return 0;
        }
        if (GetTickCount() - start >= options.timeoutMs) break;
        Sleep(250);
    }
    std::printf("no such window; the visible windows:\n");
    EnumWindows(Describe, 0);
    return 1;
}
