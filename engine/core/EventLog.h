// The engine's event log: time-stamped lines in "<root>Log\Event.log",
// switched on by "Ini\IMConfig.ini" [WriteLog] flag (read once at load),
// rolled over above 1048576 bytes.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "EnginePorts.h"

namespace engine {

constexpr int64_t kEventLogRollSize = 1048576;
// A formatted line, its time stamp and its line end included, holds at most
// this many UTF-16 units; a longer text is cut (never inside a character).
constexpr size_t kEventLogLineMax = 1024;

// "%04d-%02d-%02d %02d:%02d:%02d  %s \r\n" with at most 1024 UTF-16 characters.
std::wstring FormatEventLogLine(const LocalTime& when, const std::wstring& text);
// "%d%02d%02d%02d%02d%02d" followed by "Event.log". With a counter n > 0
// (used when that name is taken already): the time stamp, "-n", "Event.log".
std::wstring RolledEventLogName(const LocalTime& when, int counter = 0);

class EventLog : public IEventLog {
public:
    // `logFolder` ends in a backslash. Writes go nowhere until Enable(true).
    EventLog(IFileSystem& files, const IClock& clock, const ICodePage& codePage,
             std::wstring logFolder);
    void Enable(bool on) { enabled_ = on; }
    bool Enabled() const { return enabled_; }
    void Write(const std::wstring& text) override { WriteLine(text); }
    // 1 when written (or when the log is off), 0 when the file failed.
    // Lines of all threads are written one at a time.
    int WriteLine(const std::wstring& text);

    const std::wstring& Folder() const { return folder_; }

private:
    // Moves a full "Event.log" to a rolled-over name that is not taken yet.
    void RollOver(const std::wstring& logPath);

    IFileSystem& files_;
    const IClock& clock_;
    const ICodePage& codePage_;
    std::wstring folder_;
    std::atomic<bool> enabled_{false};
    std::mutex mutex_;  // one writer at a time, process-wide
};

}  // namespace engine
