// Fuzz target: "latestContact.dat" as the history manager reads it.
//
// Input: the file's bytes. Checked: records come only from a file that
// holds its header and every record its count names, exactly that many,
// each as the file holds it; any other file gives none.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "FuzzCheck.h"
#include "clientui/LatestContactFile.h"

#include <ImEngineApi.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<LatestContact> out(3);
    const bool ok = ParseLatestContacts(data, size, out);
    int32_t count = -1;
    if (size >= sizeof(LatestContactHeader)) std::memcpy(&count, data + 8, sizeof count);
    const bool fits = size >= sizeof(LatestContactHeader) && count >= 0 &&
                      uint64_t(count) * sizeof(LatestContactRecord) <= size - sizeof(LatestContactHeader);
    FUZZ_EXPECT(ok == fits);
    FUZZ_EXPECT(out.size() == (ok ? static_cast<size_t>(count) : 0u));
    for (size_t i = 0; i < out.size(); ++i) {
        LatestContactRecord record;
        std::memcpy(&record, data + sizeof(LatestContactHeader) + i * sizeof record, sizeof record);
        FUZZ_EXPECT(out[i].peerId == record.peerId && out[i].date == record.date && out[i].time == record.time);
    }
    return 0;
}
