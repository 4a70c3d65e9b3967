// Fuzz target: a ".msg" history file as the clients' history panes and
// conversation windows read it, whatever a damaged or foreign file holds.
//
// Input: the file's bytes. As the reader does: a file shorter than its
// 128-byte header or with another marker gives nothing; otherwise the
// records behind the header are walked as the header counts them, for the
// newest twenty after a moment (the header's newest one, and the start of
// time) and for all of them. Checked: each record's text is as long as its
// head says and lies inside the file, the newest-twenty walk gives the tail
// of the whole walk, and every text goes through the markup parser as a
// pane shows it.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "FuzzCheck.h"
#include "MessageParser.h"
#include "SystemAnsiCodePage.h"
#include "clientui/HistoryFile.h"

#include <ImEngineApi.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < sizeof(MsgFileHeader)) return 0;
    MsgFileHeader header;
    std::memcpy(&header, data, sizeof header);
    // The reader moves a file with another marker aside; the walk is what
    // matters, so it also runs on such bytes.
    const uint8_t* body = data + sizeof header;
    const size_t bodySize = size - sizeof header;

    std::vector<HistoryRecord> all;
    const bool whole = ParseAllHistoryRecords(body, bodySize, header.count, all);
    size_t bytes = 0;
    for (const HistoryRecord& r : all) {
        FUZZ_EXPECT(r.textLength >= 0 && r.extraLength >= 0);
        FUZZ_EXPECT(r.text.size() == static_cast<size_t>(r.textLength));
        bytes += sizeof(MsgRecordHead) + static_cast<size_t>(r.extraLength) + r.text.size();
    }
    FUZZ_EXPECT(bytes <= bodySize);
    FUZZ_EXPECT(header.count < 0 || all.size() <= static_cast<size_t>(header.count));
    if (whole && header.count >= 0) FUZZ_EXPECT(all.size() == static_cast<size_t>(header.count));

    const struct {
        int32_t date;
        int32_t time;
    } moments[] = {{INT32_MIN, INT32_MIN}, {0, 0}, {header.newestDate, header.newestTime}};
    for (const auto& moment : moments) {
        std::vector<HistoryRecord> newest;
        const bool ok = ParseHistoryRecords(body, bodySize, header.count, moment.date, moment.time, newest);
        FUZZ_EXPECT(ok == whole);
        FUZZ_EXPECT(newest.size() <= static_cast<size_t>(kHistoryRecordsShown));
        // They are the newest whole records, in file order, later than the moment.
        const size_t first = all.size() > static_cast<size_t>(kHistoryRecordsShown)
                                 ? all.size() - static_cast<size_t>(kHistoryRecordsShown)
                                 : 0;
        size_t at = first;
        for (const HistoryRecord& r : newest) {
            while (at < all.size() && (all[at].date != r.date || all[at].time != r.time || all[at].text != r.text)) ++at;
            FUZZ_EXPECT(at < all.size());
            FUZZ_EXPECT(r.date > moment.date || (r.date == moment.date && r.time > moment.time));
            ++at;
        }
    }

    static const clientui::CSystemAnsiCodePage codePage;
    const clientui::CMessageParser parser(codePage);
    for (const HistoryRecord& r : all) {
        const clientui::ParsedMessage parsed = parser.Parse(r.text.data(), r.text.size(), clientui::ChatFontSpec());
        if (parsed.picture.present) FUZZ_EXPECT(parsed.picture.position <= parsed.body.size());
    }
    return 0;
}
