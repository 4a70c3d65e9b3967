// What the engine's fuzz targets share: a temporary folder for the files the
// engine writes (emptied before every input), a notifier that records what
// the engine tells the client and reads back what a client reads while a
// notice is sent, and a live protocol session over the host ports.
#pragma once

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "DataTree.h"
#include "HostPorts.h"
#include "ProtocolSession.h"
#include "SendQueue.h"
#include "Wire.h"

namespace enginefuzz {

constexpr int32_t kOwnId = 1001;
constexpr int32_t kPeerId = 2002;
constexpr int32_t kCustomerId = 3003;
constexpr int32_t kAgentId = 4004;
constexpr int32_t kHeldMsgTime = 101112000;  // the id of a message waiting for its ack

// One folder per fuzzing process, below the host's temporary folder.
class ScratchFolder {
public:
    ScratchFolder() {
        host_ = std::filesystem::temp_directory_path() /
                ("qv-engine-fuzz-" + std::to_string(static_cast<long long>(getpid())));
        std::filesystem::create_directories(host_);
        path_ = host_.wstring() + L"\\";
    }
    ~ScratchFolder() {
        std::error_code error;
        std::filesystem::remove_all(host_, error);
    }
    // Removes everything the previous input left.
    void Empty() {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(host_, error))
            std::filesystem::remove_all(entry.path(), error);
    }
    // The folder as an engine path, with its trailing backslash.
    const std::wstring& Path() const { return path_; }

    static ScratchFolder& Instance() {
        static ScratchFolder folder;
        return folder;
    }

private:
    std::filesystem::path host_;
    std::wstring path_;
};

// Records every notice; while a notice is sent it reads what the client
// would read in its handler, so that a record the engine hands out is
// touched whole (AddressSanitizer sees a bad one).
class RecordingNotifier : public engine::INotifier {
public:
    explicit RecordingNotifier(CDataTree& store) : store_(store) {}
    void Post(unsigned message, uintptr_t wParam, intptr_t lParam) override { ++posted; }
    void Send(unsigned message, uintptr_t wParam, intptr_t lParam) override {
        ++sent;
        if (message == WM_IM_FILEREQUEST) {
            std::lock_guard<std::mutex> lock(store_.fileRequestLock);
            for (const FileRequestRecord& r : store_.fileRequests[static_cast<int32_t>(wParam)])
                checksum += std::strlen(r.fileName) + static_cast<size_t>(r.senderId);
        }
    }
    size_t posted = 0, sent = 0, checksum = 0;

private:
    CDataTree& store_;
};

class NullLog : public engine::IEventLog {
public:
    void Write(const std::wstring& text) override { lines += text.size(); }
    size_t lines = 0;
};

// A logged-on session of one build over the scratch folder.
class LiveSession {
public:
    explicit LiveSession(engine::EngineVariant variant)
        : clock(engine::LocalTime{2026, 12, 10, 10, 11, 12, 0}), notifier(store) {
        ports.clock = &clock;
        ports.codePage = &codePage;
        ports.files = &files;
        ports.notifier = &notifier;
        ports.log = &log;
        session = std::make_unique<CProtocolSession>(variant, store, queue, ports,
                                                     ScratchFolder::Instance().Path());
        store.curUserId = kOwnId;
        store.logonId = kOwnId;
        store.running = 1;
        session->SetLoggedOn(true);
    }

    engine::StdFileSystem files;
    engine::GbkCodePage codePage;
    engine::FixedClock clock;
    CDataTree store;
    RecordingNotifier notifier;
    NullLog log;
    engine::EnginePorts ports;
    engine::SendQueue queue;
    std::unique_ptr<CProtocolSession> session;
};

// Writes `bytes` to an engine path, creating its folders.
inline void WriteFile(engine::IFileSystem& files, const std::wstring& path, const uint8_t* bytes,
                      size_t length) {
    files.CreateFolders(path);
    std::unique_ptr<engine::IFile> file = files.Open(path, engine::FileOpen::ReadWriteCreate);
    if (file && length > 0) file->WriteAt(0, bytes, length);
}

}  // namespace enginefuzz
