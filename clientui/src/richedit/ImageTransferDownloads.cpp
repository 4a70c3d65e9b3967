#include "clientui/ImageTransferDownloads.h"

#include <cstring>

#include "clientui/ImageTransfer.h"

void CImageTransferDownloads::QueuePictureDownload(int32_t ownUserId, const std::string& ansiName,
                                                   const std::wstring& localPath) {
    ImageTransJob job;
    job.head.type = 1;
    job.head.userId = ownUserId;
    job.head.fileSize = 0;
    const size_t length = ansiName.size() < sizeof(job.head.name) - 1 ? ansiName.size() : sizeof(job.head.name) - 1;
    std::memcpy(job.head.name, ansiName.data(), length);
    job.head.name[length] = '\0';
    job.localPath = localPath;
    CImageTransfer& transfer = m_transfer ? *m_transfer : CImageTransfer::GetInstance();
    transfer.AddDownloadJob(job, false);
}

bool CImageTransferDownloads::HasGivenUpPictureDownload(const std::wstring& localPath) const {
    const CImageTransfer& transfer = m_transfer ? *m_transfer : CImageTransfer::GetInstance();
    return transfer.HasGivenUpDownload(localPath);
}
