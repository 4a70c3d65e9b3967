// The contact search of the main window measured without a window (not a
// test): a friend map of many customers with Chinese names, searched the
// plain way (candidates and their pinyin made for every keystroke) and
// through the index of prepared texts (first search, then a keystroke with
// nothing changed, then one after a rename), beside a plain substring scan
// of the display texts. Prints the medians in milliseconds.
//
//   contact_search_bench [--contacts N] [--rounds R]
#include "clientui/ContactSearchList.h"

#include "SystemAnsiCodePage.h"
#include "fw/StringUtil.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

double Now() {
    LARGE_INTEGER frequency = {}, counter = {};
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <typename Work>
double Time(int rounds, Work work) {
    std::vector<double> times;
    for (int r = 0; r < rounds; ++r) {
        const double start = Now();
        work();
        times.push_back(Now() - start);
    }
    return Median(times);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int contacts = 10000;
    int rounds = 15;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::wcscmp(argv[i], L"--contacts") == 0) contacts = _wtoi(argv[i + 1]);
        if (std::wcscmp(argv[i], L"--rounds") == 0) rounds = std::max(1, _wtoi(argv[i + 1]));
    }
    const std::wstring surnames = L"王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁潘于蒋蔡余杜叶程苏魏吕丁任沈";
    const std::wstring given[] = {L"伟", L"芳", L"娜", L"敏", L"静", L"丽", L"强", L"磊", L"军", L"洋", L"勇"};
    FriendMap friends;
    for (int k = 0; k < contacts; ++k) {
        UserInfoBase record = {};
        record.userId = 200001 + k;
        const std::wstring name = surnames.substr(k % surnames.size(), 1) + given[(k / surnames.size()) % 11] +
                                  given[(k * 7 + 3) % 11];
        fw::CopyToAnsiField(name, record.nickname);
        friends[L"客户组" + std::to_wstring(2 + k % 10)].push_back(record);
    }
    clientui::CSystemAnsiCodePage codePage;
    clientui::CContactSearch plain(codePage);
    clientui::CContactSearchIndex index(codePage);
    std::vector<std::wstring> texts;
    for (const auto& c : clientui::ContactSearchCandidates(friends)) texts.push_back(c.displayText);
    const std::wstring query = L"qqqq";  // finds nobody: every test over every contact
    volatile size_t sink = 0;

    const double candidatesMs = Time(rounds, [&] { sink = sink + clientui::ContactSearchCandidates(friends).size(); });
    const double plainMs =
        Time(rounds, [&] { sink = sink + plain.Search(clientui::ContactSearchCandidates(friends), query).size(); });
    const double firstMs = Time(1, [&] { sink = sink + index.Search(friends, query).size(); });
    const double keystrokeMs = Time(rounds, [&] { sink = sink + index.Search(friends, query).size(); });
    const double hitMs = Time(rounds, [&] { sink = sink + index.Search(friends, L"wangfang").size(); });
    UserInfoBase& renamed = friends.begin()->second.front();
    int flip = 0;
    const double renameMs = Time(rounds, [&] {
        fw::CopyToAnsiField((flip++ % 2) ? L"张伟" : L"李强", renamed.nickname);
        sink = sink + index.Search(friends, query).size();
    });
    std::vector<UserInfoBase>& first = friends.begin()->second;
    const UserInfoBase added = first.back();
    const double addMs = Time(rounds, [&] {
        if (first.front().userId == added.userId) first.erase(first.begin());
        else first.insert(first.begin(), added);
        sink = sink + index.Search(friends, query).size();
    });
    const double scanMs = Time(rounds, [&] {
        for (const std::wstring& t : texts)
            if (t.find(query) != std::wstring::npos) sink = sink + 1;
    });
    std::printf("contact search over %d contacts, median of %d rounds (ms)\n", contacts, rounds);
    std::printf("  plain substring scan of the display texts (baseline)  %8.2f\n", scanMs);
    std::printf("  candidates made (display texts)                       %8.2f\n", candidatesMs);
    std::printf("  plain search: candidates, pinyin, compare             %8.2f\n", plainMs);
    std::printf("  index: first search (every contact prepared)          %8.2f\n", firstMs);
    std::printf("  index: keystroke finding nobody, nothing changed      %8.2f\n", keystrokeMs);
    std::printf("  index: keystroke finding six, nothing changed         %8.2f\n", hitMs);
    std::printf("  index: keystroke after one contact renamed            %8.2f\n", renameMs);
    std::printf("  index: keystroke after one added or removed at front  %8.2f\n", addMs);
    return 0;
}
