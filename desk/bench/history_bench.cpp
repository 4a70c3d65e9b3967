// Measures the message records tab (CMsgMgrView in a real window) on a
// customer's history of many records, beside raw baselines of the same file
// in the same run, and prints a table:
//   - opening the history (the file read and indexed, the newest page built,
//     written into the rich edit and painted), the first time in a view
//     that has read nothing yet and again in the same view (the reload after
//     new messages, or the next customer), against a raw read of the file
//     into a new block and into a block already there;
//   - a keyword search over every record (the hits found; then also the
//     last hit page shown) against a plain byte search of the file's bytes
//     for the keyword, for a keyword in 1% of the records and for one in
//     half of them.
// Each figure is the median of the rounds. Not a test: nothing fails on a
// figure; the targets are printed beside them. It needs a display:
//   cmake/wine-run.sh --x build/windows/bench/history_bench.exe [--records N] [--rounds R]
#include "MsgMgrView.h"

#include "HistoryPageBook.h"

#include "fw/StringUtil.h"
#include "fw/Window.h"

#include <ImEngineApi.h>

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int32_t kOwn = 50001;
constexpr int32_t kCustomer = 60001;

class Host : public fw::CWindow {};

double Now() {
    LARGE_INTEGER frequency = {}, counter = {};
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

int32_t CurrentUser() { return kOwn; }

std::string Ansi(const std::wstring& text) {
    std::string out(text.size() * 2 + 1, '\0');
    out.resize(::WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &out[0],
                                     static_cast<int>(out.size()), nullptr, nullptr));
    return out;
}

// A conversation as agents and customers write it: format prefixes, Chinese
// and Latin text of varied length, a new day every 300 messages, every
// 100th message about a refund ("退款"), every 500th with a picture (every
// fifth refund message: a page of refund hits shows 12 pictures).
std::vector<uint8_t> MakeHistory(int count) {
    const wchar_t* phrases[] = {L"您好，请问有什么可以帮您？", L"我的订单什么时候发货？", L"已经为您查询，今天下午发出。",
                                L"好的，谢谢", L"请提供一下订单号 A", L"物流信息显示已到达本地分拨中心",
                                L"发票抬头和税号请发给我", L"收到，我们会尽快处理，请耐心等待。"};
    const std::string prefixes[] = {Ansi(L"<format|0|10|0|宋体|/format>"), Ansi(L"<format|1|12|255|微软雅黑|/format>")};
    const std::string refund = Ansi(L"，顺便问一下退款多久到账？");
    MsgFileHeader header = {};
    header.count = count;
    header.marker = MSG_FILE_MARKER;
    std::vector<uint8_t> bytes(sizeof header);
    for (int i = 0; i < count; ++i) {
        const bool mine = i % 2 == 1;
        std::string body = Ansi(phrases[(i * 7) % 8]) + std::to_string(i);
        if (i % 100 == 50) body += refund;
        std::string text = prefixes[mine ? 0 : 1] + body;
        if (i % 500 == 250) text += " <pic/" + std::to_string(body.size()) + "/pic" + std::to_string(i) + ".jpg/pic>";
        MsgRecordHead head = {};
        head.date = 20250101 + (i / 300) % 28 + ((i / 300) / 28 % 12) * 100;
        head.time = (9 + i % 10) * 10000000 + (i % 60) * 100000 + (i % 60) * 1000;
        head.senderId = mine ? kOwn : kCustomer;
        head.receiverId = mine ? kCustomer : kOwn;
        head.textLength = static_cast<int32_t>(text.size());
        head.minusOne = -1;
        const uint8_t* p = reinterpret_cast<const uint8_t*>(&head);
        bytes.insert(bytes.end(), p, p + sizeof head);
        bytes.insert(bytes.end(), text.begin(), text.end());
        header.newestDate = head.date;
        header.newestTime = head.time;
    }
    std::memcpy(bytes.data(), &header, sizeof header);
    return bytes;
}

bool WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == bytes.size();
}

// The baseline of a read: the whole file into a new block with one read.
size_t RawRead(const std::wstring& path, std::vector<uint8_t>& block) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    LARGE_INTEGER size = {};
    ::GetFileSizeEx(file, &size);
    block.assign(static_cast<size_t>(size.QuadPart), 0);
    DWORD got = 0;
    ::ReadFile(file, block.data(), static_cast<DWORD>(block.size()), &got, nullptr);
    ::CloseHandle(file);
    return got;
}

// The baseline of a search: every place of the keyword's bytes in the file.
size_t ByteSearch(const std::vector<uint8_t>& block, const std::string& keyword) {
    const char* begin = reinterpret_cast<const char*>(block.data());
    const char* end = begin + block.size();
    const std::boyer_moore_horspool_searcher<const char*> searcher(keyword.data(), keyword.data() + keyword.size());
    size_t found = 0;
    for (const char* at = begin;;) {
        at = std::search(at, end, searcher);
        if (at == end) break;
        ++found;
        ++at;
    }
    return found;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double Measure(int rounds, const std::function<void()>& step) {
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        const double start = Now();
        step();
        times.push_back(Now() - start);
    }
    return Median(times);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int records = 100000;
    int rounds = 7;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::wcscmp(argv[i], L"--records") == 0) records = std::max(1, _wtoi(argv[i + 1]));
        if (std::wcscmp(argv[i], L"--rounds") == 0) rounds = std::max(1, _wtoi(argv[i + 1]));
    }
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_DATE_CLASSES};
    ::InitCommonControlsEx(&controls);
    ::OleInitialize(nullptr);
    ::LoadLibraryW(L"riched20.dll");

    // A program folder of its own with the customer's history.
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"history-bench-" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ::CreateDirectoryW((folder + L"50001").c_str(), nullptr);
    ::CreateDirectoryW((folder + L"50001\\msg").c_str(), nullptr);
    const std::wstring path = CMsgMgrModel::HistoryPath(folder, kOwn, kOwn, kCustomer);
    const std::vector<uint8_t> file = MakeHistory(records);
    if (!WriteFileBytes(path, file)) {
        std::printf("cannot write %ls\n", path.c_str());
        return 1;
    }

    CEngineModule engine;
    engine.MGetCurUserID = CurrentUser;
    Host host;
    host.CreateEx(0, L"", L"history", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{20, 20, 1020, 720}, nullptr, 0);
    auto makeView = [&] {
        auto view = std::make_unique<CMsgMgrView>(engine);
        view->SetProgramFolder(folder);
        view->SetDownloadQueue(nullptr);
        view->Create(host);
        ::MoveWindow(*view, 0, 0, 1000, 670, TRUE);
        view->ShowWindow(SW_SHOW);
        Pump();
        return view;
    };
    // What a user waits for: the page read, written, scrolled to its end
    // (posted) and painted.
    auto open = [](CMsgMgrView& view) {
        view.Model().OpenHistory(kOwn, kCustomer);
        Pump();
        ::UpdateWindow(view.GetHistoryLog());
    };

    std::printf("history of %d records, %.1f MB, median of %d rounds\n\n", records,
                static_cast<double>(file.size()) / (1 << 20), rounds);

    // --- opening -------------------------------------------------------------
    const double rawFresh = Measure(rounds, [&] {
        std::vector<uint8_t> fresh;
        RawRead(path, fresh);
    });
    std::vector<uint8_t> block;
    RawRead(path, block);
    const double rawThere = Measure(rounds, [&] { RawRead(path, block); });

    // The first open: a new view each round (made and destroyed outside the
    // time).
    std::vector<double> firstTimes;
    for (int round = 0; round < rounds; ++round) {
        std::unique_ptr<CMsgMgrView> view = makeView();
        const double start = Now();
        open(*view);
        firstTimes.push_back(Now() - start);
        view->DestroyWindow();
    }
    const double first = Median(firstTimes);
    // Its parts: the read and index by a book that has read nothing, the
    // newest page's pieces, and the page written and painted.
    std::vector<double> loadTimes;
    for (int round = 0; round < rounds; ++round) {
        auto book = std::make_unique<CHistoryPageBook>();
        const double start = Now();
        book->Load(path);
        loadTimes.push_back(Now() - start);
    }
    const double firstLoad = Median(loadTimes);
    CHistoryPageBook book;
    book.Load(path);
    const auto names = [](int32_t id, std::wstring* name) {
        *name = std::to_wstring(id);
        return true;
    };
    CHistoryPageBook::Style style;
    style.headerPoints = 0;
    const double build = Measure(rounds, [&] { book.BuildPage(book.GetPageCount(), kOwn, names, style); });

    std::unique_ptr<CMsgMgrView> view = makeView();
    CMsgMgrModel& model = view->Model();
    HWND log = view->GetHistoryLog();
    open(*view);
    const double written = Measure(rounds, [&] {
        model.ShowHistoryPage(model.PageCount());
        Pump();
        ::UpdateWindow(log);
    });
    // Again in the same view.
    const double again = Measure(rounds, [&] { open(*view); });
    const double againLoad = Measure(rounds, [&] { book.Load(path); });

    // --- searching ---------------------------------------------------------------
    struct Keyword {
        const wchar_t* text;
        const char* what;
    } keywords[] = {{L"退款", "in 1% of the records"}, {L"，", "in half of the records"}};
    struct SearchFigures {
        double bytes, find, shown, page;
        size_t places, hits;
    } figures[2] = {};
    for (int k = 0; k < 2; ++k) {
        const std::string ansi = Ansi(keywords[k].text);
        SearchFigures& f = figures[k];
        f.bytes = Measure(rounds, [&] { f.places = ByteSearch(block, ansi); });
        f.find = Measure(rounds, [&] { f.hits = book.FindRecords(keywords[k].text).size(); });
        f.shown = Measure(rounds, [&] {
            model.OnSearch(keywords[k].text);
            Pump();
            ::UpdateWindow(log);
        });
        f.page = Measure(rounds, [&] {
            model.ShowSearchPage(model.HitPageCount());
            Pump();
            ::UpdateWindow(log);
        });
        model.LeaveSearch();
    }

    std::printf("%-60s %9s %9s\n", "", "ms", "target");
    std::printf("%-60s %9.2f\n", "raw read of the file into a new block (baseline)", rawFresh);
    std::printf("%-60s %9.2f\n", "raw read of the file into a block already there (baseline)", rawThere);
    std::printf("%-60s %9.2f %9s\n", "first open in a new view: newest page shown", first, "< 100");
    std::printf("%-60s %9.2f\n", "  of which read and indexed into new blocks", firstLoad);
    std::printf("%-60s %9.2f\n", "  of which the page's pieces built", build);
    std::printf("%-60s %9.2f\n", "  of which written into the rich edit and painted", written);
    std::printf("%-60s %9.2f %9s\n", "open again in the same view: newest page shown", again, "< 100");
    std::printf("%-60s %9.2f\n", "  of which read and indexed into the blocks there", againLoad);
    for (int k = 0; k < 2; ++k) {
        const SearchFigures& f = figures[k];
        std::printf("\nkeyword %s (%zu places in the bytes, %zu hits)\n", keywords[k].what, f.places, f.hits);
        std::printf("%-60s %9.2f\n", "  plain byte search of the file's bytes (baseline)", f.bytes);
        std::printf("%-60s %9.2f %9s\n", "  search: the hits found", f.find, "< 3x");
        std::printf("%-60s %9.1fx\n", "  hits found / byte search", f.bytes > 0 ? f.find / f.bytes : 0.0);
        std::printf("%-60s %9.2f\n", "  search: the hits found and the last hit page shown", f.shown);
        std::printf("%-60s %9.2f\n", "    of which the hit page written and painted", f.page);
    }

    view->DestroyWindow();
    view.reset();
    host.DestroyWindow();
    ::DeleteFileW(path.c_str());
    ::RemoveDirectoryW((folder + L"50001\\msg").c_str());
    ::RemoveDirectoryW((folder + L"50001").c_str());
    ::RemoveDirectoryW(folder.c_str());
    ::OleUninitialize();
    return 0;
}
