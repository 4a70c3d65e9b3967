// The file server's protocol (TCP port 7013): blocks of a file go up with
// CMD_FILE_UPLOAD (40) and come down with CMD_FILE_DOWNLOAD (41), each
// request and reply framed by the chat protocol's 24-byte PacketHeader.
//
//   upload request    header(40, 92 + n), FileUploadBlock (92), n data bytes
//   upload reply      header, status, offset, length, 16 bytes   (52 in all)
//   download request  header(41, 88), FileDownloadBlock (88)     (112 in all)
//   download reply    header, unused, file size, offset, data length,
//                     16 bytes (56 in all), then the data
//
// Everything here is plain byte building and checking, shared by the
// picture-transfer client and the file-transfer panel. Replies come from
// outside and are checked before anything is taken from them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr size_t kFileUploadBlockSize = 92;
constexpr size_t kFileDownloadBlockSize = 88;
constexpr size_t kFileUploadReplySize = 28;    // after the header
constexpr size_t kFileDownloadReplySize = 32;  // after the header, before the data
constexpr size_t kFileUploadReplyTotal = 24 + kFileUploadReplySize;      // 52
constexpr size_t kFileDownloadReplyTotal = 24 + kFileDownloadReplySize;  // 56
constexpr size_t kFileDownloadRequestTotal = 24 + kFileDownloadBlockSize;  // 112
constexpr size_t kStoredNameSize = 64;  // the name field, NUL included

// Block sizes: pictures in both directions; the file-transfer panel's
// uploads and downloads.
constexpr uint32_t kPictureBlockBytes = 512000;
constexpr uint32_t kFileUploadBlockBytes = 20480;
constexpr uint32_t kFileDownloadBlockBytes = 51200;

struct FileUploadReply {
    int32_t status = -1;  // 0: stored
    int32_t offset = 0;
    int32_t length = 0;
};

struct FileDownloadReply {
    int32_t unused = 0;
    int32_t fileSize = 0;    // size of the stored file
    int32_t offset = 0;      // of the data
    int32_t dataLength = 0;  // 0: nothing more
};

// The name a file is stored under: "%02d%02d%s" of month, day and name for
// type 0, the name itself for type 1 (pictures, whose names begin with
// month and day already). Empty when the result does not fit the 64-byte
// field with its NUL.
std::string MakeStoredName(int32_t type, int month, int day, const std::string& name);

// The type-0 stored names of a file for the date (year, month, day) and the
// day before and the day after it, in that order (the two sides of a
// transfer may see different dates: midnight, clocks that differ). Empty
// when the names do not fit.
std::vector<std::string> StoredNamesAround(int year, int month, int day, const std::string& name);

// Builds a whole upload request: header, block and data. Empty when the
// stored name does not fit or a number is out of range.
std::vector<uint8_t> BuildUploadRequest(int32_t fileSize, const std::string& storedName, int32_t offset,
                                        const uint8_t* data, uint32_t length);
// Builds a whole download request (112 bytes); empty when the name does
// not fit or a number is negative.
std::vector<uint8_t> BuildDownloadRequest(const std::string& storedName, int32_t offset, int32_t wanted);

// Checks and reads the 52 bytes of an upload reply: the command must be 40
// and the body exactly 28 bytes.
bool ParseUploadReply(const uint8_t* bytes, size_t size, FileUploadReply& reply);

// Checks and reads the first 56 bytes of a download reply: the command must
// be 41, no number negative, the data no longer than maxData and the body
// exactly 32 bytes plus the data.
bool ParseDownloadReplyHead(const uint8_t* bytes, size_t size, uint32_t maxData, FileDownloadReply& reply);

// Whether a download reply answers the request at askedOffset for at most
// askedLength bytes: the data starts where it was asked, is no longer than
// asked, and does not run past the file size the reply names.
bool IsDownloadReplyInBounds(const FileDownloadReply& reply, int32_t askedOffset, uint32_t askedLength);

// Whether an upload reply confirms the block sent at sentOffset with
// sentLength bytes: status 0, the same offset, a length above 0 and not
// above the length sent.
bool IsUploadBlockStored(const FileUploadReply& reply, int32_t sentOffset, uint32_t sentLength);
