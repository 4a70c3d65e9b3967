// Damaged files: the real Tavrel.exe starts on an account whose history
// file, customer list file and settings files are truncated, zero-filled or
// random bytes. One table, one row per kind of damage (all the files damaged
// at once). Each row checks that the program comes up logged on with its
// customers, says what it could not read (a box about the settings files
// that are no text, closed with a real click on its OK; the conversation's
// history tab, brought with a real click, says the history file could not
// be read and where its bytes were kept instead of an empty history), opens
// the conversation with a real double click, answers, and that every
// damaged file's bytes are still on disk (where they were, or moved aside
// beside them): nothing the user had is deleted. The customer list is only
// asked for again: the user loses nothing there and is told nothing.
//
// The account's files are made first by a normal run: the customer writes,
// the agent answers, the program ends.
#include <winsock2.h>

#include "AgentSession.h"
#include "CustomerHost.h"
#include "chat/ChatMainPanelResource.h"
#include "history/ChatMsgPanelResource.h"


#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>
#include <vector>

using namespace tavreltest;

namespace {

enum class Damage { Truncated, ZeroFilled, Random };

const char* DamageName(Damage damage) {
    switch (damage) {
    case Damage::Truncated: return "truncated";
    case Damage::ZeroFilled: return "zero-filled";
    case Damage::Random: return "random bytes";
    }
    return "?";
}

std::string Damaged(const std::string& good, Damage damage, unsigned seed) {
    switch (damage) {
    case Damage::Truncated: return good.substr(0, good.size() / 3 + 1);
    case Damage::ZeroFilled: return std::string(good.size(), '\0');
    case Damage::Random: return PatternBytes(good.size(), seed);
    }
    return good;
}

// The name of a file in the folder (not below it) whose bytes are these;
// empty when none.
std::wstring NameHolding(const std::wstring& folder, const std::string& bytes) {
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((folder + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return std::wstring();
    std::wstring found;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (ReadAll(folder + data.cFileName) == bytes) found = data.cFileName;
    } while (found.empty() && ::FindNextFileW(find, &data));
    ::FindClose(find);
    return found;
}

bool BytesKeptIn(const std::wstring& folder, const std::string& bytes) { return !NameHolding(folder, bytes).empty(); }

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\') + 1); }
std::wstring NameOf(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }

// The whole lines of a settings file's text (UTF-16 after its mark), but
// the last one when it is cut.
std::vector<std::wstring> WholeLines(const std::string& bytes) {
    std::wstring text((bytes.size() - std::min<size_t>(bytes.size(), 2)) / 2, L'\0');
    if (!text.empty()) std::memcpy(&text[0], bytes.data() + 2, text.size() * 2);
    std::vector<std::wstring> lines;
    for (size_t at = 0, end; (end = text.find(L"\r\n", at)) != std::wstring::npos; at = end + 2)
        if (end > at) lines.push_back(text.substr(at, end - at));
    return lines;
}

// What a row keeps of a damaged file: its bytes, where they were or moved
// aside beside it; a settings file cut short but still text is used as it
// is (and written on), so its whole lines are what must stay.
bool Kept(const std::wstring& path, const std::string& written, Damage damage) {
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
    if (BytesKeptIn(folder, written)) return true;
    const bool settings = path.size() > 4 && path.compare(path.size() - 4, 4, L".dll") == 0;
    if (!settings || damage != Damage::Truncated) return false;
    const std::vector<std::wstring> now = WholeLines(ReadAll(path));
    for (const std::wstring& line : WholeLines(written))
        if (std::find(now.begin(), now.end(), line) == now.end()) return false;
    return true;
}

std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 3 + 1, '\0');
    out.resize(::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0],
                                     static_cast<int>(out.size()), nullptr, nullptr));
    return out;
}

class DamagedFilesE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ServerAddress().empty()) << "run through with-desk-server.sh";
        app = WindowsPathFromEnv("QV_DESK_APP");
        account = app + std::to_wstring(kSoakAgent) + L"\\";
        // The customer's engine needs Winsock started by its host.
        WSADATA wsa;
        ASSERT_EQ(::WSAStartup(MAKEWORD(2, 2), &wsa), 0);
        ASSERT_TRUE(customer.Loaded());
        ASSERT_TRUE(customer.Logon(kSoakCustomer, ServerAddress()));
    }
    void TearDown() override {
        if (HasFailure()) agent.SaveScreen(L"damaged_files_failure.bmp");
        agent.Stop();
        customer.Logout();
        ::WSACleanup();
    }

    std::wstring app;
    std::wstring account;
    CCustomerHost customer;
    CAgentSession agent{[this](DWORD ms) { customer.Pump(ms); }};
};

}  // namespace

TEST_F(DamagedFilesE2E, TheProgramStartsAndKeepsTheDamagedBytes) {
    // A normal run makes the account's files: settings, lists and the
    // conversation's history.
    ASSERT_TRUE(agent.Start(app)) << "the agent did not come up: " << agent.StartFailure();
    ASSERT_TRUE(customer.SendText(kSoakAgent, "<format|0|9|0|SimSun|/format>first words from the customer"));
    ASSERT_TRUE(agent.ExpandCustomers());
    {
        const Conversation chat = agent.Open(kSoakCustomer);
        ASSERT_NE(chat.window, nullptr);
        ASSERT_TRUE(agent.Wait([&] { return WindowText(chat.log).find(L"first words") != std::wstring::npos; }));
    }
    ASSERT_TRUE(agent.Stop());

    const std::vector<std::wstring> files = {
        account + L"msg\\" + std::to_wstring(kSoakCustomer) + L".msg",  // the conversation's history
        account + L"userlist.dat",                                      // the customer list
        account + L"systemSetting.dll",                                 // the settings
        account + L"Config.dll",
    };
    std::vector<std::string> good;
    for (const std::wstring& path : files) {
        good.push_back(ReadAll(path));
        ASSERT_FALSE(good.back().empty()) << "the normal run left no " << Utf8(path);
    }

    std::printf("\n| damage | comes up | settings box | history tab says | conversation opens | answers | bytes kept |\n"
                "|---|---|---|---|---|---|---|\n");
    unsigned seed = 1;
    for (Damage damage : {Damage::Truncated, Damage::ZeroFilled, Damage::Random}) {
        SCOPED_TRACE(DamageName(damage));
        // QV_DAMAGED_MASK: which files a row damages (bit i: files[i]; all
        // unless given), to tell which one a failure comes from.
        const char* maskText = std::getenv("QV_DAMAGED_MASK");
        const unsigned mask = maskText && *maskText ? static_cast<unsigned>(std::atoi(maskText)) : ~0u;
        std::vector<std::string> written;
        for (size_t i = 0; i < files.size(); ++i) {
            written.push_back((mask >> i) & 1 ? Damaged(good[i], damage, seed) : good[i]);
            ++seed;
            ASSERT_TRUE(WriteAll(files[i], written.back()));
        }
        const bool up = agent.Start(app, false, true);
        if (!up) agent.SaveScreen(std::wstring(L"damaged_files_") + (damage == Damage::Random ? L"random" : damage == Damage::Truncated ? L"truncated" : L"zero") + L".bmp");

        // Settings files that are no text (zeros, random bytes) could not be
        // read: they are moved aside and one box names each of them; the
        // user closes it with its OK. A settings file cut short is still
        // text: what it holds is used, and nothing is said.
        std::wstring boxWanted;
        for (size_t i : {3, 2}) {  // Config.dll first
            if (written[i] == good[i] || damage == Damage::Truncated) continue;
            const std::wstring aside = NameHolding(FolderOf(files[i]), written[i]);
            if (!boxWanted.empty()) boxWanted += L"\n";
            boxWanted += L"设置文件“" + NameOf(files[i]) + L"”已损坏，无法读取，已改用默认设置（原文件已另存为“" + aside + L"”）。";
        }
        std::string boxSeen = "none";
        if (up && !boxWanted.empty()) {
            HWND box = nullptr;
            agent.Wait([&] {
                const std::vector<HWND> boxes = agent.MessageBoxes();
                box = boxes.empty() ? nullptr : boxes[0];
                return box != nullptr;
            });
            // The box's static texts, its lines joined by line breaks.
            std::wstring text = box ? MessageBoxText(box) : std::wstring();
            text.erase(std::remove(text.begin(), text.end(), L'\r'), text.end());
            EXPECT_EQ(Utf8(text), Utf8(boxWanted)) << "the box about the settings files";
            boxSeen = box ? (text == boxWanted ? "yes" : "WRONG") : "NO";
            if (box) {
                Click(CentreOf(::GetDlgItem(box, IDOK)));
                EXPECT_TRUE(agent.Wait([&] { return !::IsWindow(box); }, 10000)) << "OK did not close the box";
            }
        }

        bool opened = false;
        std::string historySays = "-";
        if (up && agent.ExpandCustomers()) {
            const Conversation chat = agent.Open(kSoakCustomer);
            opened = chat.window != nullptr;
            if (opened && written[0] != good[0]) {
                // The conversation's history command brings the history tab:
                // it says that the file could not be read (a file cut short
                // stays where it is), or where its bytes were moved aside.
                // The file is read (and moved aside) when the tab is shown:
                // where its bytes are is looked up as the tab is read.
                std::wstring wanted;
                const auto wantedNow = [&] {
                    const std::wstring aside = NameHolding(FolderOf(files[0]), written[0]);
                    wanted = aside == NameOf(files[0])
                                 ? std::wstring(L"消息记录文件已损坏，")
                                 : L"损坏的消息记录文件已另存为“" + aside + L"”，其中的消息无法显示。";
                    return wanted;
                };
                HWND historyButton = ::GetDlgItem(chat.window, IDC_CHAT_HISTORY);
                HWND pageBox = FindControl(agent.Main(), IDC_MSG_PAGE_EDIT, L"Edit");
                HWND pane = pageBox ? ::GetParent(pageBox) : nullptr;
                HWND log = pane ? ::GetDlgItem(pane, IDC_MSG_LOG) : nullptr;
                EXPECT_NE(log, nullptr) << "no history tab";
                if (historyButton && log && agent.Wait([&] { return ::IsWindowVisible(historyButton) != FALSE; })) {
                    Click(CentreOf(historyButton));
                    const bool says = agent.Wait(
                        [&] { return ::IsWindowVisible(pane) && WindowText(log).find(wantedNow()) != std::wstring::npos; },
                        10000);
                    EXPECT_TRUE(says) << "the history tab shows [" << Utf8(WindowText(log)) << "], not ["
                                      << Utf8(wanted) << "]";
                    historySays = says ? "yes" : "NO";
                }
            }
            if (opened) agent.Close(chat);
        }
        const bool answers = up && agent.Responsive(5000);
        // Any other message box the damage opened is part of what the user
        // sees: it is a fault (printed, then answered).
        std::string boxes;
        for (HWND box : agent.MessageBoxes()) {
            boxes += " [" + Utf8(MessageBoxText(box)) + "]";
            AnswerMessageBox(box, IDOK);
        }
        EXPECT_TRUE(boxes.empty()) << "a message box nobody expected:" << boxes;
        agent.Stop();
        std::string kept;
        for (size_t i = 0; i < files.size(); ++i) {
            if (written[i] == good[i]) {
                kept += "-";
                continue;
            }
            const bool here = Kept(files[i], written[i], damage);
            EXPECT_TRUE(here) << "the damaged bytes of " << Utf8(files[i]) << " are gone";
            kept += here ? "y" : "N";
        }
        EXPECT_TRUE(up) << "the program did not come up logged on with its customers";
        EXPECT_TRUE(opened) << "the conversation did not open";
        EXPECT_TRUE(answers) << "the program does not answer";
        std::printf("| %s | %s | %s | %s | %s | %s | %s%s |\n", DamageName(damage), up ? "yes" : "NO", boxSeen.c_str(),
                    historySays.c_str(), opened ? "yes" : "NO", answers ? "yes" : "NO", kept.c_str(), boxes.c_str());
        // The next row starts from the good files again.
        for (size_t i = 0; i < files.size(); ++i) ASSERT_TRUE(WriteAll(files[i], good[i]));
    }
}
