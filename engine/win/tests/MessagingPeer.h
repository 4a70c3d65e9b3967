// MessagingPeer: one engine host of the soak test and the benchmark. It runs
// an engine runtime (the messenger build) with a host folder of its own and
// a message-only window standing in for the client's main window, which
// handles the engine's messages as a client does: the outcome of every sent
// message is taken (MGetSendedTextMsg), and every received message is taken
// off the unread queue. What it saw is counted in tables sized up front, so
// that the host's own bookkeeping does not grow while it runs. A peer lives
// on the thread that made it (its UI thread); its totals can be read from
// any thread.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ImEngineApi.h"
#include "KestrinApp.h"

class MessagingPeer {
public:
    // Messages are numbered 0 .. capacity-1; message n carries the time word
    // kFirstMsgTime + n (its id).
    static constexpr int32_t kFirstMsgTime = 100000000;

    MessagingPeer(int32_t ownId, int32_t peerId, std::wstring hostFolder, size_t capacity,
                  engine::EngineTimings timings = engine::EngineTimings());
    ~MessagingPeer();
    MessagingPeer(const MessagingPeer&) = delete;
    MessagingPeer& operator=(const MessagingPeer&) = delete;

    void Logon(const std::wstring& password, uint16_t port);
    void Logout();
    bool LoggedOn() const { return loggedOn_; }

    // Sends message n (its text names it) to the peer.
    void Send(size_t n);
    size_t Sent() const { return sent_; }
    // Sent messages that have no outcome yet.
    size_t Outstanding() const { return sent_ - outcomes_; }
    size_t Outcomes() const { return outcomes_; }
    // Per message: outcomes seen (MSGSENT + MSGFAILED), acknowledgements
    // (MSGSENT) and how often it was received by this peer (from the peer).
    const std::vector<uint8_t>& OutcomeCounts() const { return outcomeCount_; }
    const std::vector<uint8_t>& Acknowledged() const { return acked_; }
    const std::vector<uint8_t>& ReceivedCounts() const { return received_; }
    size_t Received() const { return receivedTotal_; }
    size_t Foreign() const { return foreign_; }  // received messages that carry no valid number
    size_t Reconnects() const { return reconnects_; }
    size_t Logons() const { return logons_; }

    // Called as things happen (benchmark timing).
    std::function<void(size_t n, bool delivered)> onOutcome;
    std::function<void(size_t n)> onReceived;

    // Counts per message of the records from the peer in this peer's
    // history file with it.
    std::vector<uint8_t> HistoryCounts() const;
    std::wstring HistoryPath() const;

    CKestrinApp& App() { return *app_; }
    int32_t OwnId() const { return ownId_; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnEngineMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void TakeUnread();
    bool Number(int32_t msgTime, size_t& n) const;

    const int32_t ownId_;
    const int32_t peerId_;
    const std::wstring folder_;
    HWND window_ = nullptr;
    std::unique_ptr<CKestrinApp> app_;
    std::vector<uint8_t> outcomeCount_, acked_, received_;
    // The totals may be read on another thread (a benchmark's other host).
    std::atomic<size_t> sent_{0}, outcomes_{0}, receivedTotal_{0};
    size_t foreign_ = 0, reconnects_ = 0, logons_ = 0;
    std::atomic<bool> loggedOn_{false};
};

// Private bytes of this process (GetProcessMemoryInfo), 0 when unknown.
size_t ProcessPrivateBytes();
// A fresh folder for a peer under the temporary folder, with its trailing
// backslash; RemoveFolderTree removes it with all it holds.
std::wstring MakeTempFolder(const wchar_t* prefix);
void RemoveFolderTree(const std::wstring& folder);
