// The parts of the exit-path tests that need the engine's protocol names
// and GoogleTest (ExitTiming has the rest): the server's forced log-out and
// the runs of one path.
#pragma once

#include "DeskServerControl.h"
#include "ExitTiming.h"

#include <ImEngineApi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavreltest {

// The server's command that puts the last logged-on connection offline as
// a second log-on of the same account does (a log-out reply of 10001).
inline std::string ForcedLogOutCommand(const std::vector<ServerPacket>& logons) {
    return "SEND " + std::to_string(logons.back().connection) + " " + std::to_string(CMD_LOGOUT) + " " +
           CDeskServerControl::WordsHex({static_cast<uint32_t>(LOGON_ERR_PASSWORD)});
}

// One exit path of a test's table: the path and its name (the case's name).
template <class Path>
struct ExitPathCase {
    Path path;
    const char* name;
};

// The case name of a table row, for INSTANTIATE_TEST_SUITE_P.
struct ExitPathCaseName {
    template <class Param>
    std::string operator()(const ::testing::TestParamInfo<Param>& info) const {
        return info.param.name;
    }
};

// "退出" from the tray menu (ExitTiming's ExitFromTrayMenu) as a test step:
// a failed step is a test failure; the tick count of the answer, 0 then.
inline ULONGLONG ExpectExitFromTrayMenu(const CTavrelProcess& process, POINT icon, const std::wstring& boxCaption,
                                        const std::wstring& question) {
    std::string error;
    const ULONGLONG at = ExitFromTrayMenu(process, icon, boxCaption, question, &error);
    EXPECT_NE(at, 0u) << error;
    return at;
}

// Runs one exit path ExitRuns() times (run() gives the time of one run, -1
// when the path could not be driven); each must end within limitMs. The
// figures are printed.
template <class Run>
void ExpectEachRunEndsWithin(const char* path, DWORD limitMs, Run run) {
    const int runs = ExitRuns();
    std::vector<long long> times;
    for (int i = 0; i < runs; ++i) {
        const long long ms = run();
        ASSERT_GE(ms, 0) << "run " << i + 1;
        EXPECT_LE(ms, static_cast<long long>(limitMs)) << "run " << i + 1;
        times.push_back(ms);
    }
    PrintExitTimes(path, times, limitMs);
}

}  // namespace tavreltest
