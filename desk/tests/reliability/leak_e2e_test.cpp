// Leaks: the real Tavrel.exe opens and closes 200 conversation windows
// (real double clicks on a customer's row, real clicks on the window's close
// button) and 50 panels (the customer's profile, opened by a real click on
// the name in an open conversation and closed by a real click on its close
// button; closing a top-level window takes Wine about two seconds under
// Xvfb, so the panels take most of the run). The process's GDI objects, USER objects and handles come back
// to within a small margin of what they were after the first rounds (the
// first ones load skins, fonts and caches that stay for the process's life).
// The counts are taken from outside (ProcessCounts.h: Wine answers
// GetGuiResources with 0).
#include "AgentSession.h"
#include "DeskServerControl.h"
#include "ProcessCounts.h"
#include "chat/ChatMainPanelResource.h"
#include "clientui/PanelBase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace tavreltest;

namespace {

// Margins: the counts may differ by a few objects the platform keeps for a
// while (a cached font, a caret bitmap, a thread's handles), never by one
// per window.
constexpr long kGdiMargin = 20;
constexpr long kUserMargin = 10;
constexpr long kHandleMargin = 20;
constexpr int kWarmUpRounds = 3;

int Rounds(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::atoi(value) : fallback;
}

std::wstring ProbePath() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    folder.erase(folder.find_last_of(L'\\') + 1);
    return folder + L"QvGuiProbe.dll";
}

class LeakE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ServerAddress().empty()) << "run through with-desk-server.sh";
        app = WindowsPathFromEnv("QV_DESK_APP");
        ASSERT_TRUE(agent.Start(app)) << "the agent did not come up: " << agent.StartFailure();
        ASSERT_TRUE(agent.ExpandCustomers());
    }
    void TearDown() override {
        if (HasFailure()) agent.SaveScreen(L"leak_failure.bmp");
    }

    // One conversation opened and closed.
    void ConversationRound(int32_t customer) {
        const Conversation chat = agent.Open(customer);
        ASSERT_NE(chat.window, nullptr) << "the double click opened no conversation";
        ASSERT_TRUE(agent.Close(chat)) << "the close button did not close the conversation";
    }

    // The customer's profile opened from the conversation (a real click on
    // the name) and closed (a real click on its close button).
    void PanelRound(const Conversation& chat) {
        const std::vector<HWND> before = agent.OtherWindows();
        Click(ClientPoint(chat.window, 60, 20));
        HWND panel = nullptr;
        ASSERT_TRUE(agent.Wait([&] {
            for (HWND window : agent.OtherWindows())
                if (std::find(before.begin(), before.end(), window) == before.end() &&
                    ::GetDlgItem(window, IDC_PANEL_CLOSE))
                    return (panel = window) != nullptr;
            return false;
        })) << "a click on the name opened no profile";
        HWND close = ::GetDlgItem(panel, IDC_PANEL_CLOSE);
        ASSERT_TRUE(agent.Wait([&] { return ::IsWindowVisible(close) != FALSE; }, 5000));
        ASSERT_TRUE(BringToFront(panel));
        Click(CentreOf(close));
        ASSERT_TRUE(agent.Wait([&] { return !::IsWindow(panel); }, 10000)) << "the profile did not close";
        ASSERT_TRUE(BringToFront(agent.Main()));
    }

    void PanelRounds(int32_t customer, int rounds) {
        const Conversation chat = agent.Open(customer);
        ASSERT_NE(chat.window, nullptr);
        for (int i = 0; i < rounds; ++i) {
            SCOPED_TRACE("panel " + std::to_string(i + 1));
            ASSERT_NO_FATAL_FAILURE(PanelRound(chat));
        }
        ASSERT_TRUE(agent.Close(chat));
    }

    ProcessCounts Settled(CProcessCounter& counter) {
        // Whatever the last close left for later (deferred deletions,
        // timers) is done once the program has been idle a moment.
        agent.Pump(1500);
        return counter.Count();
    }

    std::wstring app;
    CAgentSession agent;
};

}  // namespace

TEST_F(LeakE2E, TwoHundredConversationsAndFiftyPanelsLeaveTheCountsWhereTheyWere) {
    const int conversations = Rounds("QV_LEAK_CONVERSATIONS", 200);
    const int panels = Rounds("QV_LEAK_PANELS", 50);
    const int32_t customers[] = {kSoakCustomer, kOtherCustomer};
    for (int i = 0; i < kWarmUpRounds; ++i) {
        ASSERT_NO_FATAL_FAILURE(ConversationRound(customers[i % 2]));
        ASSERT_NO_FATAL_FAILURE(PanelRounds(customers[i % 2], 1));
    }
    HANDLE process = ::OpenProcess(PROCESS_ALL_ACCESS, FALSE, agent.Process().Id());
    ASSERT_NE(process, nullptr);
    CProcessCounter counter(process, ProbePath());
    ASSERT_TRUE(counter.Attach()) << "probe: " << std::string(counter.Error().begin(), counter.Error().end());
    const ProcessCounts before = Settled(counter);
    ASSERT_GT(before.gdi, 0);
    ASSERT_GT(before.user, 0);
    ASSERT_GT(before.handles, 0);

    const DWORD started = ::GetTickCount();
    for (int i = 0; i < conversations; ++i) {
        SCOPED_TRACE("conversation " + std::to_string(i + 1));
        ASSERT_NO_FATAL_FAILURE(ConversationRound(customers[i % 2]));
    }
    const DWORD conversationMs = ::GetTickCount() - started;
    const ProcessCounts afterConversations = Settled(counter);
    const DWORD panelsStarted = ::GetTickCount();
    // Half the panels from each customer's conversation.
    ASSERT_NO_FATAL_FAILURE(PanelRounds(kSoakCustomer, panels / 2));
    ASSERT_NO_FATAL_FAILURE(PanelRounds(kOtherCustomer, panels - panels / 2));
    const DWORD panelMs = ::GetTickCount() - panelsStarted;
    const ProcessCounts after = Settled(counter);
    ::CloseHandle(process);

    std::printf("leak check: %d conversations (%lu ms), then %d panels (%lu ms)\n  before: %s\n  after the conversations: %s\n"
                "  after the panels: %s\n",
                conversations, static_cast<unsigned long>(conversationMs), panels, static_cast<unsigned long>(panelMs),
                Describe(before).c_str(), Describe(afterConversations).c_str(),
                Describe(after).c_str());
    EXPECT_LE(after.gdi, before.gdi + kGdiMargin) << "GDI objects";
    EXPECT_LE(after.user, before.user + kUserMargin) << "USER objects";
    EXPECT_LE(after.handles, before.handles + kHandleMargin) << "handles";
    EXPECT_LE(afterConversations.gdi, before.gdi + kGdiMargin);
    EXPECT_LE(afterConversations.user, before.user + kUserMargin);
    EXPECT_TRUE(agent.Responsive());
}
