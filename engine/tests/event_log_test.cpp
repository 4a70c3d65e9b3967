// Event-log lines, the switch, and the roll-over of a full log.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "EventLog.h"
#include "HostPorts.h"
#include "TempFolder.h"

namespace {

using engine::EventLog;
using engine::LocalTime;
using enginetest::ReadBytes;
using enginetest::TempFolder;
using enginetest::WriteBytes;

LocalTime At(int year, int month, int day, int hour, int minute, int second) {
    LocalTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    return t;
}

// UTF-16 units of a wide text (wchar_t is UTF-32 on some hosts).
size_t Utf16Length(const std::wstring& text) {
    size_t units = 0;
    for (wchar_t c : text) units += (static_cast<uint32_t>(c) >> 16) != 0 ? 2 : 1;
    return units;
}

TEST(EventLogLine, Format) {
    const struct {
        LocalTime when;
        std::wstring text;
        std::wstring line;
    } cases[] = {
        {At(2026, 1, 2, 3, 4, 5), L"\u8FDE\u63A5\u670D\u52A1\u5668..",
         L"2026-01-02 03:04:05  \u8FDE\u63A5\u670D\u52A1\u5668.. \r\n"},
        {At(2026, 12, 10, 23, 59, 59), L"", L"2026-12-10 23:59:59   \r\n"},
        {At(999, 1, 1, 0, 0, 0), L"50% off %d", L"0999-01-01 00:00:00  50% off %d \r\n"},  // not a format
        {At(2026, 12, 10, 9, 0, 0), std::wstring(L"cut\0here", 8), L"2026-12-10 09:00:00  cut \r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(engine::FormatEventLogLine(c.when, c.text), c.line);
}

TEST(EventLogLine, LongTextIsCutAndTheLineStillEnds) {
    const LocalTime when = At(2026, 12, 10, 9, 55, 39);
    const std::wstring line = engine::FormatEventLogLine(when, std::wstring(5000, L'x'));
    EXPECT_EQ(Utf16Length(line), engine::kEventLogLineMax);
    EXPECT_EQ(line.substr(line.size() - 3), L" \r\n");
    EXPECT_EQ(line.substr(0, 21), L"2026-12-10 09:55:39  ");

    // A character of two UTF-16 units is not split at the limit.
    const std::wstring pair = std::wstring(L"\U0001F600");
    std::wstring text(999, L'y');  // one unit is left for the text
    text += pair;
    const std::wstring cut = engine::FormatEventLogLine(when, text);
    EXPECT_EQ(cut, L"2026-12-10 09:55:39  " + std::wstring(999, L'y') + L" \r\n");
}

TEST(EventLogLine, RolledNames) {
    EXPECT_EQ(engine::RolledEventLogName(At(2026, 12, 10, 9, 5, 3)), L"20261210090503Event.log");
    EXPECT_EQ(engine::RolledEventLogName(At(2026, 1, 2, 13, 45, 0), 2), L"20260102134500-2Event.log");
}

class EventLogTest : public ::testing::Test {
protected:
    EventLogTest() : clock(At(2026, 12, 10, 9, 55, 39)), log(files, clock, codePage, folder()) {
        log.Enable(true);
    }
    std::wstring folder() const { return temp.Path() + L"Log\\"; }
    std::wstring LogPath() const { return folder() + L"Event.log"; }
    void SetUp() override { ASSERT_TRUE(files.CreateFolders(LogPath())); }

    TempFolder temp;
    engine::StdFileSystem files;
    engine::GbkCodePage codePage;
    engine::FixedClock clock;
    EventLog log;
};

const char kLineOfLogOn[] = "2026-12-10 09:55:39  \xB5\xC7\xC2\xBC\xB3\xC9\xB9\xA6 \r\n";
const std::wstring kLogOn = L"\u767B\u5F55\u6210\u529F";

TEST_F(EventLogTest, LinesAreAppendedInTheAnsiCodePageWithoutNul) {
    EXPECT_EQ(log.WriteLine(kLogOn), 1);
    EXPECT_EQ(log.WriteLine(kLogOn), 1);
    EXPECT_EQ(ReadBytes(files, LogPath()), std::string(kLineOfLogOn) + kLineOfLogOn);
}

TEST_F(EventLogTest, SwitchedOffWritesNothingAndSucceeds) {
    log.Enable(false);
    EXPECT_EQ(log.WriteLine(kLogOn), 1);
    log.Write(kLogOn);
    EXPECT_FALSE(files.Exists(LogPath()));
}

TEST_F(EventLogTest, MissingFolderFails) {
    EventLog elsewhere(files, clock, codePage, temp.Path() + L"NoSuchFolder\\");
    elsewhere.Enable(true);
    EXPECT_EQ(elsewhere.WriteLine(kLogOn), 0);
}

TEST_F(EventLogTest, LineThatCrossesTheLimitEndsInTheRolledFile) {
    const std::string fixture(1048570, 'f');
    ASSERT_TRUE(WriteBytes(files, LogPath(), fixture));
    EXPECT_EQ(log.WriteLine(kLogOn), 1);

    EXPECT_FALSE(files.Exists(LogPath()));
    EXPECT_EQ(ReadBytes(files, folder() + L"20261210095539Event.log"), fixture + kLineOfLogOn);

    // The next line starts a fresh log.
    EXPECT_EQ(log.WriteLine(kLogOn), 1);
    EXPECT_EQ(ReadBytes(files, LogPath()), kLineOfLogOn);
}

TEST_F(EventLogTest, ExactlyAtTheLimitIsNotRolled) {
    const size_t line = sizeof(kLineOfLogOn) - 1;
    ASSERT_TRUE(WriteBytes(files, LogPath(), std::string(engine::kEventLogRollSize - line, 'f')));
    EXPECT_EQ(log.WriteLine(kLogOn), 1);
    EXPECT_TRUE(files.Exists(LogPath()));
    EXPECT_FALSE(files.Exists(folder() + L"20261210095539Event.log"));
}

TEST_F(EventLogTest, RollOverNeverReplacesAnEarlierRolledFile) {
    const std::wstring earlier = folder() + L"20261210095539Event.log";
    ASSERT_TRUE(WriteBytes(files, earlier, "earlier roll-over"));
    ASSERT_TRUE(WriteBytes(files, folder() + L"20261210095539-1Event.log", "and another"));
    const std::string fixture(1048570, 'f');
    ASSERT_TRUE(WriteBytes(files, LogPath(), fixture));

    EXPECT_EQ(log.WriteLine(kLogOn), 1);
    EXPECT_EQ(ReadBytes(files, earlier), "earlier roll-over");
    EXPECT_EQ(ReadBytes(files, folder() + L"20261210095539-1Event.log"), "and another");
    EXPECT_EQ(ReadBytes(files, folder() + L"20261210095539-2Event.log"), fixture + kLineOfLogOn);
    EXPECT_FALSE(files.Exists(LogPath()));
}

// Lines of all files, the rolled-over ones included.
std::vector<std::string> AllLines(engine::IFileSystem& files, const std::vector<std::wstring>& paths) {
    std::vector<std::string> lines;
    for (const std::wstring& path : paths) {
        std::istringstream in(ReadBytes(files, path));
        std::string line;
        while (std::getline(in, line)) lines.push_back(line);
    }
    return lines;
}

TEST_F(EventLogTest, ConcurrentWritersLoseNoLineAcrossARollOver) {
    // Close enough to the limit that the writers roll the log over (twice,
    // in the same second of the fixed clock).
    const int threads = 4, perThread = 300;  // about 1.2 MB of lines
    const std::string fixture(engine::kEventLogRollSize - 100 * 40, 'f');
    ASSERT_TRUE(WriteBytes(files, LogPath(), fixture + "\n"));
    std::vector<std::thread> writers;
    for (int t = 0; t < threads; ++t) {
        writers.emplace_back([this, t] {
            for (int i = 0; i < perThread; ++i) {
                std::wstring text = L"writer " + std::to_wstring(t) + L" line " + std::to_wstring(i);
                text += std::wstring(4000, L'.');  // cut to a full-length line
                log.WriteLine(text);
            }
        });
    }
    for (auto& w : writers) w.join();

    std::vector<std::wstring> paths = {LogPath(), folder() + L"20261210095539Event.log"};
    for (int n = 1; n < 10; ++n) paths.push_back(folder() + engine::RolledEventLogName(clock.Now(), n));
    EXPECT_TRUE(files.Exists(folder() + L"20261210095539-1Event.log"));

    std::set<std::string> seen;
    for (const std::string& line : AllLines(files, paths)) {
        if (line.empty() || line[0] == 'f') continue;
        ASSERT_EQ(line.compare(0, 21, "2026-12-10 09:55:39  "), 0) << line.substr(0, 40);
        ASSERT_EQ(line.back(), '\r');
        EXPECT_TRUE(seen.insert(line.substr(21, line.find('.', 21) - 21)).second);
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(threads * perThread));
}

}  // namespace
