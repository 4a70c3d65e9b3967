// Shared pieces of the file-transfer tests: a fake engine that carries file
// answers to the peer's session (as the chat server would), a view that
// records what the session shows and brings the worker's reports back to
// the test thread, a message-only window standing in for the conversation
// window, a message-box recorder and files in a temporary folder.
#pragma once

#include "clientui/EngineModule.h"
#include "clientui/TransFileSession.h"

#include <fw/MessageBoxSink.h>

#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace ftest {

// --- the stand-in file server (see with-fileserver.sh) ------------------------
// Its port, or 0 when the test runs without it.
uint16_t ServerPort();
// Fast timing for tests: short retry intervals and time-outs.
FileTransferTiming FastTiming();

// --- files ------------------------------------------------------------------
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::wstring& Path() const { return m_path; }
    std::wstring operator/(const std::wstring& name) const { return m_path + L"\\" + name; }

private:
    std::wstring m_path;
};
std::vector<uint8_t> MakeBytes(size_t size, uint32_t seed);
bool WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes);
bool ReadBytes(const std::wstring& path, std::vector<uint8_t>& bytes);
bool FileExists(const std::wstring& path);

// --- the fake engine ---------------------------------------------------------
// Every MSendFileRespond lands in a queue; Deliver hands each answer to the
// party whose id is the record's receiver, as the server routes it.
struct EngineCall {
    FileRequestRecord record;
    int code;
};
class FakeEngine {
public:
    using Party = std::function<void(const FileRequestRecord& record, int code)>;

    // Binds the fake into g_EngineModule (and unbinds in the destructor).
    FakeEngine();
    ~FakeEngine();

    void AddParty(int32_t id, Party party) { m_parties[id] = std::move(party); }
    // Delivers queued answers (and the answers they cause) until none is left.
    void Deliver();
    // Every answer sent so far.
    const std::vector<EngineCall>& Sent() const { return m_sent; }
    void ClearSent() { m_sent.clear(); }
    // Loses the answers not yet delivered, as a dropped connection does.
    void DropQueued() { m_queue.clear(); }
    // The serving agent the fake reports for a handed-over customer.
    void SetHandOver(int32_t customer, int32_t agent) {
        m_handOver = {};
        m_handOver.actingAgent = agent;
        m_handOver.customerId = customer;
    }

    static FakeEngine* s_current;

private:
    static void SendFileRespond(const FileRequestRecord* record, int code);
    static SwitchCustomerRecord* GetSwitchCustomerMsg(int customerId);

    std::deque<EngineCall> m_queue;
    std::vector<EngineCall> m_sent;
    std::map<int32_t, Party> m_parties;
    SwitchCustomerRecord m_handOver = {};
};

// --- a recording view ----------------------------------------------------------
// Worker reports arrive on the worker thread and wait in a queue until Pump
// hands them to the session on the test thread. A gate can hold the worker
// at its first progress report until the test opens it.
class RecordingView : public ITransFileView {
public:
    void Attach(CTransFileSession* session) { m_session = session; }

    void ShowTransferState(int state) override { states.push_back(state); }
    void RefreshTransfer() override { ++refreshes; }
    void SetTransferProgress(int percent) override { progress.push_back(percent); }
    void StartSpeedTimer() override { timerRunning = true; }
    void StopSpeedTimer() override { timerRunning = false; }
    std::shared_ptr<IFileTransferSink> MakeWorkerSink(unsigned generation) override;
    HWND MessageOwner() const override { return nullptr; }
    void ShowRefusedOffer(const std::wstring& text) override { refusals.push_back(text); }

    // Hands the queued worker reports to the session; true when one ended.
    bool Pump();
    // Holds the worker at its first progress report until OpenGate.
    void CloseGate();
    void OpenGate();
    // Waits (bounded) until the worker stands at the closed gate.
    bool WaitAtGate(unsigned ms);
    int Ended() const { return m_ended; }

    std::vector<int> states;
    std::vector<int> progress;
    std::vector<std::wstring> refusals;  // messages of refused offers
    int refreshes = 0;
    bool timerRunning = false;

private:
    class Sink;
    struct Report {
        unsigned generation;
        int kind;  // 0 started, 1 progress, 2 ended, 3 waiting, 4 answered again
        int32_t bytes;
        FileTransferResult result;
    };
    void Push(const Report& report);

    CTransFileSession* m_session = nullptr;
    std::mutex m_lock;
    std::condition_variable m_signal;
    std::deque<Report> m_reports;
    bool m_gateClosed = false;
    bool m_atGate = false;
    int m_ended = 0;
};

// --- the conversation window ----------------------------------------------------
// A message-only window that records every WM_TRANSFILE_STATE.
class NoticeWindow {
public:
    struct Notice {
        int state;
        FileRequestRecord record;
    };
    NoticeWindow();
    ~NoticeWindow();
    HWND Get() const { return m_hwnd; }
    std::vector<int> States() const;
    std::vector<Notice> notices;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND m_hwnd = nullptr;
};

// --- message boxes ------------------------------------------------------------------
class MessageBoxRecorder {
public:
    struct Box {
        std::wstring text;
        std::wstring caption;
    };
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    std::vector<Box> boxes;

private:
    fw::MessageBoxSink m_previous;
};

// Runs pump until done() holds or ms pass; true when it held.
bool PumpUntil(const std::function<void()>& pump, const std::function<bool()>& done, unsigned ms = 60000);

// A record as a peer's offer carries it.
FileRequestRecord MakeOffer(int32_t sender, int32_t receiver, const char* name, int32_t size);

}  // namespace ftest
