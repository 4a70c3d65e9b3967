// The engine's event log.
#include "EventLog.h"

#include <cwchar>

namespace engine {

namespace {

constexpr wchar_t kLogFileName[] = L"Event.log";
constexpr wchar_t kLineEnd[] = L" \r\n";
constexpr size_t kLineEndLength = 3;
// Rolled-over names tried for one second before a roll-over gives up.
constexpr int kMaxRolledNames = 10000;

// UTF-16 units of one wide character of this platform.
// (Where wchar_t is UTF-16 already the high bits are always zero.)
inline size_t Utf16Units(wchar_t c) { return (static_cast<uint32_t>(c) >> 16) != 0 ? 2 : 1; }

inline bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

}  // namespace

std::wstring FormatEventLogLine(const LocalTime& when, const std::wstring& text) {
    wchar_t stamp[96];  // room for any six int values
    int stampLength = std::swprintf(stamp, sizeof(stamp) / sizeof(stamp[0]),
                                    L"%04d-%02d-%02d %02d:%02d:%02d  ", when.year, when.month,
                                    when.day, when.hour, when.minute, when.second);
    if (stampLength < 0) stampLength = 0;

    std::wstring line(stamp, static_cast<size_t>(stampLength));
    size_t budget = kEventLogLineMax - line.size() - kLineEndLength;
    size_t used = 0;
    size_t end = 0;
    // The text ends at its first NUL, as a formatted C string would.
    while (end < text.size() && text[end] != L'\0') {
        size_t units = Utf16Units(text[end]);
        if (used + units > budget) break;
        used += units;
        ++end;
    }
    // Never keep the first half of a surrogate pair without its second.
    if (end > 0 && end < text.size() && IsHighSurrogate(text[end - 1])) --end;
    line.append(text, 0, end);
    line += kLineEnd;
    return line;
}

std::wstring RolledEventLogName(const LocalTime& when, int counter) {
    wchar_t stamp[80];
    int length = std::swprintf(stamp, sizeof(stamp) / sizeof(stamp[0]), L"%d%02d%02d%02d%02d%02d",
                               when.year, when.month, when.day, when.hour, when.minute,
                               when.second);
    std::wstring name(stamp, length > 0 ? static_cast<size_t>(length) : 0);
    if (counter > 0) name += L"-" + std::to_wstring(counter);
    return name + kLogFileName;
}

EventLog::EventLog(IFileSystem& files, const IClock& clock, const ICodePage& codePage,
                   std::wstring logFolder)
    : files_(files), clock_(clock), codePage_(codePage), folder_(std::move(logFolder)) {}

int EventLog::WriteLine(const std::wstring& text) {
    if (!enabled_) return 1;

    std::lock_guard<std::mutex> lock(mutex_);
    const std::wstring logPath = folder_ + kLogFileName;
    const std::string bytes = codePage_.ToAnsi(FormatEventLogLine(clock_.Now(), text));

    int64_t sizeAfter = 0;
    {
        std::unique_ptr<IFile> file = files_.Open(logPath, FileOpen::ReadWriteCreate);
        if (!file) return 0;
        const int64_t end = file->Size();
        if (end < 0) return 0;
        if (file->WriteAt(end, bytes.data(), bytes.size()) != bytes.size()) {
            // Take back a partial line so that the next one starts clean.
            file->Truncate(end);
            return 0;
        }
        sizeAfter = file->Size();
    }  // closed before a roll-over moves it
    if (sizeAfter > kEventLogRollSize) RollOver(logPath);
    return 1;
}

void EventLog::RollOver(const std::wstring& logPath) {
    const LocalTime now = clock_.Now();
    for (int counter = 0; counter < kMaxRolledNames; ++counter) {
        const std::wstring rolled = folder_ + RolledEventLogName(now, counter);
        if (files_.Exists(rolled)) continue;
        // A move keeps every line: nothing can be appended between a copy
        // and a delete. When it fails the file stays and the next line
        // tries again.
        files_.Rename(logPath, rolled);
        return;
    }
}

}  // namespace engine
