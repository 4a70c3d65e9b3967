// Damaged files: the real Tavrel.exe starts on an account whose history
// file, customer list file and settings files are truncated, zero-filled or
// random bytes. One table, one row per kind of damage (all the files damaged
// at once). Each row checks that the program comes up logged on with its
// customers, opens the conversation with a real double click, answers, and
// that every damaged file's bytes are still on disk (where they were, or
// moved aside beside them): nothing the user had is deleted.
//
// The account's files are made first by a normal run: the customer writes,
// the agent answers, the program ends.
#include <winsock2.h>

#include "AgentSession.h"
#include "CustomerHost.h"


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

// Every file in the folder (not below it) whose bytes are these.
bool BytesKeptIn(const std::wstring& folder, const std::string& bytes) {
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((folder + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool found = false;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        found = ReadAll(folder + data.cFileName) == bytes;
    } while (!found && ::FindNextFileW(find, &data));
    ::FindClose(find);
    return found;
}

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
    ASSERT_TRUE(agent.Start(app)) << "the agent's window did not come up";
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

    std::printf("\n| damage | comes up | conversation opens | answers | bytes kept |\n|---|---|---|---|---|\n");
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
        bool opened = false;
        if (up && agent.ExpandCustomers()) {
            const Conversation chat = agent.Open(kSoakCustomer);
            opened = chat.window != nullptr;
            if (opened) agent.Close(chat);
        }
        const bool answers = up && agent.Responsive(5000);
        // A message box the damage opened is part of what the user sees:
        // it is printed and answered.
        std::string boxes;
        for (HWND box : agent.MessageBoxes()) {
            boxes += " [" + Utf8(MessageBoxText(box)) + "]";
            AnswerMessageBox(box, IDOK);
        }
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
        std::printf("| %s | %s | %s | %s | %s%s |\n", DamageName(damage), up ? "yes" : "NO", opened ? "yes" : "NO",
                    answers ? "yes" : "NO", kept.c_str(), boxes.c_str());
        // The next row starts from the good files again.
        for (size_t i = 0; i < files.size(); ++i) ASSERT_TRUE(WriteAll(files[i], good[i]));
    }
}
