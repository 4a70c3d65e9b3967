// Fuzz target: the file server's replies as the picture-transfer client and
// the file-transfer worker take them, from whatever a server sends.
//
// Input: the first bytes choose the transfer (upload or download, the
// file's size, the block size asked); the rest is the stream of replies.
// The workers' steps are played over the stream with the clients' own
// checks (ParseUploadReply / IsUploadBlockStored, ParseDownloadReplyHead /
// IsDownloadReplyInBounds): a reply that passes them never moves the
// transfer backwards or past the file, and never asks for more data bytes
// than one block, so the bytes written land inside the file (the file is a
// buffer of its size here: AddressSanitizer sees any write outside it).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "clientui/FileServerProtocol.h"

#include <ImEngineApi.h>

namespace {

class Stream {
public:
    Stream(const uint8_t* data, size_t size) : data_(data), left_(size) {}
    bool Take(size_t n, const uint8_t** out) {
        if (left_ < n) return false;
        *out = data_;
        data_ += n;
        left_ -= n;
        return true;
    }
    uint32_t Word() {
        const uint8_t* p = nullptr;
        if (!Take(4, &p)) return 0;
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }

private:
    const uint8_t* data_;
    size_t left_;
};

void Upload(Stream& in, int32_t fileSize, uint32_t block) {
    int32_t offset = 0;
    for (int round = 0; round < 64 && offset < fileSize; ++round) {
        const uint32_t length =
            static_cast<uint32_t>(fileSize - offset) < block ? static_cast<uint32_t>(fileSize - offset) : block;
        std::vector<uint8_t> bytes(length, 0x5A);
        const std::vector<uint8_t> request =
            BuildUploadRequest(fileSize, "1210upload.bin", offset, bytes.data(), length);
        FUZZ_EXPECT(request.size() == PACKET_HEADER_SIZE + kFileUploadBlockSize + length);
        const uint8_t* reply = nullptr;
        if (!in.Take(kFileUploadReplyTotal, &reply)) return;
        FileUploadReply parsed;
        if (!ParseUploadReply(reply, kFileUploadReplyTotal, parsed)) continue;
        if (!IsUploadBlockStored(parsed, offset, length)) continue;
        FUZZ_EXPECT(parsed.offset == offset && parsed.length > 0 && static_cast<uint32_t>(parsed.length) <= length);
        offset = parsed.offset + parsed.length;
        FUZZ_EXPECT(offset <= fileSize);
    }
}

void Download(Stream& in, int32_t fileSize, uint32_t block) {
    std::vector<uint8_t> file(static_cast<size_t>(fileSize));
    int32_t offset = 0;
    for (int round = 0; round < 64; ++round) {
        const std::vector<uint8_t> request = BuildDownloadRequest("1210download.bin", offset, static_cast<int32_t>(block));
        FUZZ_EXPECT(request.size() == kFileDownloadRequestTotal);
        const uint8_t* head = nullptr;
        if (!in.Take(kFileDownloadReplyTotal, &head)) return;
        FileDownloadReply reply;
        if (!ParseDownloadReplyHead(head, kFileDownloadReplyTotal, block, reply)) continue;
        FUZZ_EXPECT(reply.fileSize >= 0 && reply.offset >= 0 && reply.dataLength >= 0);
        FUZZ_EXPECT(static_cast<uint32_t>(reply.dataLength) <= block);
        // The file-transfer worker also holds the data to the offered size.
        if (!IsDownloadReplyInBounds(reply, offset, block) ||
            static_cast<int64_t>(offset) + reply.dataLength > fileSize)
            continue;
        FUZZ_EXPECT(reply.offset == offset);
        if (reply.dataLength == 0) return;  // the server has nothing more
        FUZZ_EXPECT(static_cast<int64_t>(reply.offset) + reply.dataLength <= reply.fileSize);
        const uint8_t* bytes = nullptr;
        if (!in.Take(static_cast<size_t>(reply.dataLength), &bytes)) return;
        std::memcpy(file.data() + reply.offset, bytes, static_cast<size_t>(reply.dataLength));
        offset = reply.offset + reply.dataLength;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Stream in(data, size);
    const uint32_t choice = in.Word();
    // Small files and blocks keep the runs fast; the checks do not depend
    // on the sizes.
    const int32_t fileSize = static_cast<int32_t>(in.Word() % 65536);
    const uint32_t block = in.Word() % 8192 + 1;
    if (choice & 1) {
        Download(in, fileSize, block);
    } else {
        Upload(in, fileSize, block);
    }
    // Names and numbers the requests refuse.
    const std::string name(reinterpret_cast<const char*>(data), size < 80 ? size : 80);
    const bool fits = !name.empty() && name.size() < kStoredNameSize && name.find('\0') == std::string::npos;
    FUZZ_EXPECT(BuildDownloadRequest(name, 0, 1).empty() == !fits);
    FUZZ_EXPECT(BuildDownloadRequest("x", -1, 1).empty());
    FUZZ_EXPECT(MakeStoredName(0, 12, 10, name).size() <= kStoredNameSize - 1);
    return 0;
}
