// CImageTransferDownloads: the picture-transfer client's download queue as a
// chat log asks it for a missing picture (a job of type 1 with the own id,
// the name and the local path, at the back of the download queue).
#pragma once

#include "clientui/PictureDownloadQueue.h"

class CImageTransfer;

class CImageTransferDownloads : public IPictureDownloadQueue {
public:
    // transfer null: the process-wide instance, taken at the first request.
    explicit CImageTransferDownloads(CImageTransfer* transfer = nullptr) : m_transfer(transfer) {}

    void QueuePictureDownload(int32_t ownUserId, const std::string& ansiName, const std::wstring& localPath) override;
    bool HasGivenUpPictureDownload(const std::wstring& localPath) const override;

private:
    CImageTransfer* m_transfer;
};
