// IPictureDownloadQueue: where a chat log asks for a picture that is not on
// disk yet. The picture-transfer client's download queue stands behind it
// (CImageTransferDownloads); tests put their own queue in its place.
#pragma once

#include <cstdint>
#include <string>

class IPictureDownloadQueue {
public:
    virtual ~IPictureDownloadQueue() = default;

    // Queues a download of the picture called ansiName (at most 63 bytes) for
    // the user ownUserId, to be written to localPath; at the back of the queue.
    virtual void QueuePictureDownload(int32_t ownUserId, const std::string& ansiName,
                                      const std::wstring& localPath) = 0;

    // Whether the queue gave up the download to localPath (refused name,
    // file that cannot be written, picture the server never delivered): the
    // log then shows the error placeholder instead of waiting for ever.
    virtual bool HasGivenUpPictureDownload(const std::wstring& localPath) const = 0;
};
