// CEngineWindow: the engine's message-only window on the client's UI thread.
//
// The receive thread frames packets and hands them to Deliver(); the window
// takes them one at a time, in order, and gives them to its handler on the
// UI thread. So the data store is written and read on that one thread, and
// notifications "sent" to the client are same-thread calls. Engine events
// raised on worker threads (reconnecting, reconnect given up, messages lost)
// go into the same inbox as the packets, so each is handled after every
// packet delivered before it and before every packet delivered after it. A
// flood is handed out in slices of a few tens of milliseconds, so the thread
// keeps answering its input, painting and other threads' messages meanwhile;
// what a slice leaves keeps its place in the inbox.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

// MessagesLost: messages recorded as sent on a connection whose loss was
// handled already (their failure is still due).
enum class EngineEvent : unsigned { Reconnecting = 1, ReconnectFailed = 2, MessagesLost = 3 };

class IEngineWindowHandler {
public:
    virtual ~IEngineWindowHandler() = default;
    virtual void HandlePacket(uint32_t session, const std::vector<uint8_t>& packet) = 0;
    virtual void HandleEvent(EngineEvent event, uint32_t session) = 0;
    // Around one run of packets taken from the inbox together.
    virtual void BeginPackets() {}
    virtual void EndPackets() {}
};

class CEngineWindow {
public:
    explicit CEngineWindow(IEngineWindowHandler& handler) : handler_(handler) {}
    ~CEngineWindow() { Destroy(); }
    CEngineWindow(const CEngineWindow&) = delete;
    CEngineWindow& operator=(const CEngineWindow&) = delete;

    // Creates the window on the calling thread; true when it exists.
    bool Create();
    // On the owner thread: destroys it. Elsewhere: unhooks it from this
    // object and asks its own thread to close it.
    void Destroy();
    HWND Handle() const { return window_.load(); }
    bool Exists() const { return window_.load() != nullptr; }

    // Any thread. False when there is no window (nothing was queued).
    // Deliver waits (stop-aware) while too many packets are waiting; an
    // event never waits (there are few, and a worker raising one may be the
    // one the waiting would hold up).
    bool Deliver(uint32_t session, std::vector<uint8_t> packet, HANDLE stop);
    bool PostEvent(EngineEvent event, uint32_t session);
    size_t Pending() const;

private:
    // A packet, or an event when `event` is set.
    struct Delivery {
        uint32_t session;
        std::vector<uint8_t> packet;
        bool isEvent = false;
        EngineEvent event = EngineEvent::Reconnecting;
    };
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnPackets();
    void Hand(const Delivery& delivery);
    void Wake();

    IEngineWindowHandler& handler_;
    std::atomic<HWND> window_{nullptr};
    DWORD ownerThread_ = 0;
    mutable std::mutex lock_;
    std::deque<Delivery> inbox_;
    bool wakePosted_ = false;
    bool dispatching_ = false;
};
