#include "clientui/FileServerProtocol.h"

#include <ImEngineApi.h>

#include <cstdio>
#include <cstring>
#include <limits>

namespace {

void PutWord(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint32_t ReadWord(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

int32_t ReadSigned(const uint8_t* p) { return static_cast<int32_t>(ReadWord(p)); }

void PutHeader(std::vector<uint8_t>& out, uint32_t command, uint32_t bodyLength) {
    for (uint32_t word : {command, 0u, PACKET_MARK, 0u, 0u, bodyLength}) PutWord(out, word);
}

void PutName(std::vector<uint8_t>& out, const std::string& name) {
    const size_t start = out.size();
    out.resize(start + kStoredNameSize, 0);
    std::memcpy(out.data() + start, name.data(), name.size());
}

bool NameFits(const std::string& name) {
    return !name.empty() && name.size() < kStoredNameSize && name.find('\0') == std::string::npos;
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<int64_t>(dayOfEra) - 719468;
}

void CivilFromDays(int64_t days, int& month, int& day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shifted = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1);
    month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
}

}  // namespace

std::vector<std::string> StoredNamesAround(int year, int month, int day, const std::string& name) {
    std::vector<std::string> names;
    if (month < 1 || month > 12 || day < 1 || day > 31) return names;
    const int64_t today = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    for (const int64_t shift : {0, -1, 1}) {
        int m = 0, d = 0;
        CivilFromDays(today + shift, m, d);
        std::string stored = MakeStoredName(0, m, d, name);
        if (stored.empty()) return std::vector<std::string>();
        names.push_back(std::move(stored));
    }
    return names;
}

std::string MakeStoredName(int32_t type, int month, int day, const std::string& name) {
    std::string stored = name;
    if (type == 0) {
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "%02d%02d", month, day);
        stored = prefix + name;
    }
    return NameFits(stored) ? stored : std::string();
}

std::vector<uint8_t> BuildUploadRequest(int32_t fileSize, const std::string& storedName, int32_t offset,
                                        const uint8_t* data, uint32_t length) {
    std::vector<uint8_t> out;
    if (!NameFits(storedName) || offset < 0 || (length > 0 && !data) ||
        length > static_cast<uint32_t>(std::numeric_limits<int32_t>::max()) - kFileUploadBlockSize) {
        return out;
    }
    out.reserve(PACKET_HEADER_SIZE + kFileUploadBlockSize + length);
    PutHeader(out, CMD_FILE_UPLOAD, static_cast<uint32_t>(kFileUploadBlockSize + length));
    PutWord(out, static_cast<uint32_t>(fileSize));
    PutName(out, storedName);
    PutWord(out, static_cast<uint32_t>(offset));
    PutWord(out, length);
    out.resize(out.size() + 16, 0);
    if (length > 0) out.insert(out.end(), data, data + length);
    return out;
}

std::vector<uint8_t> BuildDownloadRequest(const std::string& storedName, int32_t offset, int32_t wanted) {
    std::vector<uint8_t> out;
    if (!NameFits(storedName) || offset < 0 || wanted < 0) return out;
    out.reserve(kFileDownloadRequestTotal);
    PutHeader(out, CMD_FILE_DOWNLOAD, static_cast<uint32_t>(kFileDownloadBlockSize));
    PutName(out, storedName);
    PutWord(out, static_cast<uint32_t>(offset));
    PutWord(out, static_cast<uint32_t>(wanted));
    out.resize(out.size() + 16, 0);
    return out;
}

bool ParseUploadReply(const uint8_t* bytes, size_t size, FileUploadReply& reply) {
    if (!bytes || size < kFileUploadReplyTotal) return false;
    if (ReadWord(bytes) != CMD_FILE_UPLOAD || ReadWord(bytes + 20) != kFileUploadReplySize) return false;
    const uint8_t* body = bytes + PACKET_HEADER_SIZE;
    reply.status = ReadSigned(body);
    reply.offset = ReadSigned(body + 4);
    reply.length = ReadSigned(body + 8);
    return true;
}

bool ParseDownloadReplyHead(const uint8_t* bytes, size_t size, uint32_t maxData, FileDownloadReply& reply) {
    if (!bytes || size < kFileDownloadReplyTotal) return false;
    if (ReadWord(bytes) != CMD_FILE_DOWNLOAD) return false;
    const uint8_t* body = bytes + PACKET_HEADER_SIZE;
    FileDownloadReply read;
    read.unused = ReadSigned(body);
    read.fileSize = ReadSigned(body + 4);
    read.offset = ReadSigned(body + 8);
    read.dataLength = ReadSigned(body + 12);
    if (read.fileSize < 0 || read.offset < 0 || read.dataLength < 0) return false;
    if (static_cast<uint32_t>(read.dataLength) > maxData) return false;
    if (ReadWord(bytes + 20) != kFileDownloadReplySize + static_cast<uint32_t>(read.dataLength)) return false;
    reply = read;
    return true;
}

bool IsDownloadReplyInBounds(const FileDownloadReply& reply, int32_t askedOffset, uint32_t askedLength) {
    if (reply.offset != askedOffset || reply.dataLength < 0) return false;
    if (static_cast<uint32_t>(reply.dataLength) > askedLength) return false;
    const int64_t end = static_cast<int64_t>(reply.offset) + reply.dataLength;
    if (end > std::numeric_limits<int32_t>::max()) return false;
    return reply.dataLength == 0 || end <= reply.fileSize;
}

bool IsUploadBlockStored(const FileUploadReply& reply, int32_t sentOffset, uint32_t sentLength) {
    return reply.status == 0 && reply.offset == sentOffset && reply.length > 0 &&
           static_cast<uint32_t>(reply.length) <= sentLength;
}
