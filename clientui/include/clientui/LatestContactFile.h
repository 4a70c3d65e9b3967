// Reading "latestContact.dat" (written by the engine: a 128-byte header whose
// word at +8 is the record count, then 16-byte records of peer id, 1, date
// yyyymmdd and time of day hhmmss), as the history manager lists the
// contacts with their last moments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct LatestContact {
    int32_t peerId = 0;
    int32_t date = 0;  // yyyymmdd
    int32_t time = 0;  // hhmmss
};

// The records of the file's bytes. A file too short for its header or for
// the records its count names (or with a negative count) gives none: false
// and out empty. Portable; the fuzz target reads bytes through it.
bool ParseLatestContacts(const uint8_t* data, size_t size, std::vector<LatestContact>& out);

// Reads "<program folder><own>\msg\latestContact.dat" (programFolder ends in
// a backslash). A missing or short file leaves out empty and answers false.
bool LoadLatestContacts(const std::wstring& programFolder, int32_t ownId, std::vector<LatestContact>& out);
