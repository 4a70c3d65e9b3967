// A customer's client for the desk program's end-to-end tests: the
// messenger's engine (Ulvarn.dll of the bin folder, bound as the messenger
// binds it) in this test process, with a message-only window standing in
// for the customer's main window. It logs on to the stand-in chat server as
// a customer, writes to an agent, keeps what it receives (messages, file
// requests) and answers file offers, moving the bytes through the stand-in
// file server as a customer's client would.
//
// Everything runs on the thread that made the object: every wait pumps its
// messages (the engine hands its notifications to that thread).
#pragma once

#include <winsock2.h>

#include "EngineLibrary.h"
#include "EngineTestHost.h"

#include <ImEngineApi.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tavreltest {

struct FileEvent {
    FileRequestRecord record = {};
    int code = 0;
};

class CCustomerHost {
public:
    CCustomerHost();
    ~CCustomerHost();
    CCustomerHost(const CCustomerHost&) = delete;
    CCustomerHost& operator=(const CCustomerHost&) = delete;

    bool Loaded() const { return m_loaded; }
    // Logs on with the password "demo" and waits for the friend list.
    bool Logon(int32_t id, const std::wstring& server);
    // Logs out and waits until the engine says so.
    bool Logout();
    bool LoggedOn() const;
    int32_t Id() const { return m_id; }

    // Sends ANSI text (no format prefix) to the user; true once the server
    // acknowledged it. The message's date and time are those of the
    // customer's clock (see SetClockSkew).
    bool SendText(int32_t to, const std::string& text);
    // The customer's clock runs this many minutes ahead of the machine's
    // (behind when negative), as the clock of a customer's own computer may.
    void SetClockSkew(int minutes) { m_skewMinutes = minutes; }
    // Every message received so far (taken off the engine's queue).
    const std::vector<TextMsgRecord>& Received() const { return m_received; }
    // Waits for a received message whose text contains part.
    bool WaitForText(const std::string& part, DWORD ms, std::string* text = nullptr);

    // The file requests received so far, with their codes.
    const std::vector<FileEvent>& FileEvents() const { return m_fileEvents; }
    // Waits for a file request with this code (after index from).
    bool WaitForFileEvent(int code, DWORD ms, FileEvent* event = nullptr, size_t from = 0);
    // Answers a received record (ids exchanged) or sends an own record.
    void Answer(const FileRequestRecord& received, int code);
    void Send(const FileRequestRecord& own, int code);

    // New profile texts (nickname, signature) as the customer saves them
    // (the server answers nothing on success).
    bool UpdateProfile(const std::string& nickname, const std::string& signature);

    // Pumps this thread's messages until done() or ms have passed.
    bool PumpUntil(const std::function<bool()>& done, DWORD ms);
    void Pump(DWORD ms) { m_host.Pump(ms); }

    EngineLibrary& Engine() { return m_engine; }

private:
    void OnEngineMessage(const RecordedMessage& message);
    void TakeUnread(int32_t peer);

    EngineLibrary m_engine;
    EngineTestHost m_host;
    bool m_loaded = false;
    int32_t m_id = 0;
    int m_skewMinutes = 0;
    std::vector<TextMsgRecord> m_received;
    std::vector<FileEvent> m_fileEvents;
};

// The name a file has on the file server: "%02d%02d%s" of the local month,
// day and the offered name (both sides make it alike).
std::string StoredFileName(const std::string& name);
// Moves a file between a local path and the file server (at host, port 7013)
// under the stored name; true when every byte went.
bool UploadToFileServer(const std::wstring& host, const std::wstring& path, const std::string& storedName,
                        int32_t size);
bool DownloadFromFileServer(const std::wstring& host, const std::wstring& path, const std::string& storedName,
                            int32_t size);

}  // namespace tavreltest
