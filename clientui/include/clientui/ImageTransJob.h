// ImageTransJob: one picture to upload to or download from the file server.
// Jobs are queued and copied by value.
#pragma once

#include <ImEngineApi.h>

#include <cstddef>
#include <cstdint>
#include <string>

// The job's head, laid out like FileRequestRecord (84 bytes), of which the
// picture client uses the type, the user id, the file size and the name.
struct ImageJobHead {
    int32_t type = 1;       // 1: the name is stored as it is (pictures); 0: month and day are put before it
    int32_t unused4 = 0;
    int32_t userId = 0;     // own id for downloads, the conversation peer for uploads; not sent
    int32_t unused12 = 0;
    int32_t fileSize = 0;   // 0 for pictures
    char name[64] = {};     // ANSI, NUL-terminated
};
static_assert(sizeof(ImageJobHead) == sizeof(FileRequestRecord), "ImageJobHead size");
static_assert(offsetof(ImageJobHead, userId) == offsetof(FileRequestRecord, receiverId), "ImageJobHead user");
static_assert(offsetof(ImageJobHead, fileSize) == offsetof(FileRequestRecord, fileSize), "ImageJobHead size");
static_assert(offsetof(ImageJobHead, name) == offsetof(FileRequestRecord, fileName), "ImageJobHead name");

struct ImageTransJob {
    ImageJobHead head;
    std::wstring localPath;
    // Six counters, all 0 when the job is queued.
    int32_t counter1 = 0;
    int32_t counter2 = 0;
    int32_t bytesDone = 0;
    int32_t counter4 = 0;
    int32_t counter5 = 0;
    int32_t failedTries = 0;
};
