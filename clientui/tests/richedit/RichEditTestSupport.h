// Shared pieces of the rich-edit tests: OLE, the rich-edit library and the
// animated-picture controls of bin/Mervale.dll for the whole program; a
// scratch program folder with the chat skin pictures; a host window; and a
// download queue that records what it is asked.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clientui/PictureDownloadQueue.h"
#include "fw/Window.h"

namespace richedittest {

// The folder of the test program ("...\tests").
std::wstring TestFolder();
// A fixture painted by make_fixtures.py.
std::wstring FixturePath(const wchar_t* name);
bool CopyFileTo(const std::wstring& from, const std::wstring& to);
bool FileExists(const std::wstring& path);

// Runs the thread's messages for a while.
void PumpFor(DWORD ms);

// Whether the program could make the animated-picture class available.
bool PictureControlsAvailable();
// Revokes or restores the class object of the animated-picture controls.
void SetPictureControlsAvailable(bool available);

// A fresh folder standing for the program folder (ending in a backslash),
// holding "Resource\chat\sendingBmp.gif" and "errorBmp.gif" and the picture
// folder "<id>\Image\"; removed with the object.
class CScratchProgramFolder {
public:
    explicit CScratchProgramFolder(int ownUserId);
    ~CScratchProgramFolder();
    CScratchProgramFolder(const CScratchProgramFolder&) = delete;
    CScratchProgramFolder& operator=(const CScratchProgramFolder&) = delete;

    const std::wstring& Path() const { return m_path; }
    std::wstring ImageFolder() const;
    std::wstring ImagePath(const std::wstring& name) const { return ImageFolder() + name; }

private:
    std::wstring m_path;
    int m_ownUserId;
};

// A top-level window for the controls under test; hidden unless asked
// (under Xvfb a shown window takes seconds to go).
class CHostWindow : public fw::CWindow {
public:
    explicit CHostWindow(bool visible = false, int width = 520, int height = 460);
};

struct DownloadRequest {
    int32_t ownUserId;
    std::string ansiName;
    std::wstring localPath;
};

class CRecordingDownloadQueue : public IPictureDownloadQueue {
public:
    void QueuePictureDownload(int32_t ownUserId, const std::string& ansiName, const std::wstring& localPath) override {
        requests.push_back({ownUserId, ansiName, localPath});
    }
    bool HasGivenUpPictureDownload(const std::wstring& localPath) const override {
        for (const std::wstring& path : givenUp) {
            if (path == localPath) return true;
        }
        return false;
    }
    std::vector<DownloadRequest> requests;
    std::vector<std::wstring> givenUp;  // paths whose download the queue gave up
};

}  // namespace richedittest
