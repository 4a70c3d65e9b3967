// The bytes of "latestContact.dat" to contacts: plain C++ (no platform), so
// the fuzz target runs it natively.
#include "clientui/LatestContactFile.h"

#include <ImEngineApi.h>

#include <cstring>

bool ParseLatestContacts(const uint8_t* data, size_t size, std::vector<LatestContact>& out) {
    out.clear();
    if (!data || size < sizeof(LatestContactHeader)) return false;
    LatestContactHeader header;
    std::memcpy(&header, data, sizeof header);
    if (header.count < 0) return false;
    const uint64_t wanted = uint64_t(uint32_t(header.count)) * sizeof(LatestContactRecord);
    if (wanted > size - sizeof header) return false;
    out.reserve(static_cast<size_t>(header.count));
    const uint8_t* at = data + sizeof header;
    for (int32_t i = 0; i < header.count; ++i, at += sizeof(LatestContactRecord)) {
        LatestContactRecord record;
        std::memcpy(&record, at, sizeof record);
        out.push_back({record.peerId, record.date, record.time});
    }
    return true;
}
