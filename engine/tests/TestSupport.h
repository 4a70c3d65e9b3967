// Fakes and a fixture for the protocol session's tests: a notifier that
// records every message (posted or sent), an in-memory event log, and a
// session over a fresh temporary folder with the host file system, the GBK
// code page and a clock that stands still.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DataTree.h"
#include "HostPorts.h"
#include "ProtocolSession.h"
#include "SendQueue.h"
#include "TempFolder.h"
#include "TestMessages.h"
#include "Wire.h"

namespace sessiontest {

struct Note {
    unsigned message;
    uintptr_t wParam;
    intptr_t lParam;
    bool sent;  // SendMessage rather than PostMessage

    bool operator==(const Note& o) const {
        return message == o.message && wParam == o.wParam && lParam == o.lParam && sent == o.sent;
    }
};

inline std::ostream& operator<<(std::ostream& out, const Note& n) {
    return out << "{msg 0x" << std::hex << n.message << std::dec << ", w " << n.wParam << ", l " << n.lParam
               << (n.sent ? ", sent}" : ", posted}");
}

inline Note Posted(unsigned message, uintptr_t w, intptr_t l) { return {message, w, l, false}; }
inline Note Sent(unsigned message, uintptr_t w, intptr_t l) { return {message, w, l, true}; }

class RecordingNotifier : public engine::INotifier {
public:
    void Post(unsigned message, uintptr_t wParam, intptr_t lParam) override {
        notes.push_back({message, wParam, lParam, false});
    }
    void Send(unsigned message, uintptr_t wParam, intptr_t lParam) override {
        notes.push_back({message, wParam, lParam, true});
        if (onSend) onSend(notes.back());
    }
    std::vector<Note> notes;
    std::function<void(const Note&)> onSend;  // runs inside Send, as the client's handler would
};

class MemoryLog : public engine::IEventLog {
public:
    void Write(const std::wstring& text) override { lines.push_back(text); }
    std::vector<std::wstring> lines;
};

// Bytes from hand-written hexadecimal text; blanks are ignored.
inline std::vector<uint8_t> Hex(const std::string& text) {
    std::vector<uint8_t> bytes;
    int high = -1;
    for (char c : text) {
        int v;
        if (c >= '0' && c <= '9') v = c - '0';
        else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
        else continue;
        if (high < 0) {
            high = v;
        } else {
            bytes.push_back(static_cast<uint8_t>(high * 16 + v));
            high = -1;
        }
    }
    return bytes;
}

inline std::vector<uint8_t> Zeros(size_t n) { return std::vector<uint8_t>(n, 0); }

inline std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Little-endian building blocks for reply bodies.
inline std::vector<uint8_t> W(int32_t v) {
    const uint32_t u = static_cast<uint32_t>(v);
    return {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16),
            static_cast<uint8_t>(u >> 24)};
}
inline std::vector<uint8_t> H(uint16_t v) { return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)}; }
inline std::vector<uint8_t> B(uint8_t v) { return {v}; }
// A text with its NUL.
inline std::vector<uint8_t> T(const std::string& s) {
    std::vector<uint8_t> v(s.begin(), s.end());
    v.push_back(0);
    return v;
}
// Raw bytes, no NUL.
inline std::vector<uint8_t> R(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }
template <class T>
std::vector<uint8_t> Rec(const T& record) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(&record);
    return std::vector<uint8_t>(p, p + sizeof record);
}

// A body copied into a heap block of exactly its size, so that a read past
// its end is caught by AddressSanitizer.
class ExactBuffer {
public:
    explicit ExactBuffer(const std::vector<uint8_t>& bytes)
        : size_(bytes.size()), data_(new uint8_t[bytes.size() ? bytes.size() : 1]) {
        if (size_) std::memcpy(data_.get(), bytes.data(), size_);
    }
    const uint8_t* data() const { return data_.get(); }
    size_t size() const { return size_; }

private:
    size_t size_;
    std::unique_ptr<uint8_t[]> data_;
};

struct QueuedPacket {
    uint32_t command;
    std::vector<uint8_t> body;
};

constexpr int32_t kOwnId = 1001;

// A message of the session's own user to user 42.
inline TextMsgRecord Outgoing(int32_t time, int32_t type = 0) {
    return enginetest::TextMsg(kOwnId, 42, 20261210, time, "hello", type);
}

// GBK text from UTF-16 (the tests' texts are written as wide escapes).
inline std::string Gbk(const std::wstring& text) { return engine::GbkCodePage().ToAnsi(text); }

class SessionFixture {
public:
    explicit SessionFixture(engine::EngineVariant variant)
        : clock(engine::LocalTime{2026, 12, 10, 10, 11, 12, 0}) {
        ports.clock = &clock;
        ports.codePage = &codePage;
        ports.files = &files;
        ports.notifier = &notifier;
        ports.log = &log;
        session = std::make_unique<CProtocolSession>(variant, store, queue, ports, temp.Path());
        store.curUserId = kOwnId;
        store.logonId = kOwnId;
        store.running = 1;
    }

    // Hands one packet to the dispatcher, built from a command and a body.
    bool Deliver(uint32_t command, const std::vector<uint8_t>& body) {
        const engine::Packet packet = engine::wire::BuildPacket(command, body);
        ExactBuffer exact(packet);
        return session->Dispatch(exact.data(), exact.size());
    }

    std::vector<QueuedPacket> Queued() const {
        std::vector<QueuedPacket> out;
        for (const auto& p : queue.Snapshot()) {
            QueuedPacket q{0, {}};
            if (p.size() >= PACKET_HEADER_SIZE) {
                q.command = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
                q.body.assign(p.begin() + PACKET_HEADER_SIZE, p.end());
            }
            out.push_back(q);
        }
        return out;
    }
    std::vector<uint32_t> QueuedCommands() const {
        std::vector<uint32_t> out;
        for (const auto& q : Queued()) out.push_back(q.command);
        return out;
    }

    // A user record that counts as known.
    UserInfoBase& KnownUser(int32_t id, const char* category = "") {
        UserInfoBase& record = store.UserInfoBaseAt(id);
        record.userId = id;
        std::strncpy(record.category, category, sizeof record.category - 1);
        return record;
    }
    // A user whose lists are kept, as a group-user reply enters it.
    FriendListRecord& ListOwner(int32_t id) {
        FriendListRecord& record = store.FriendListAt(id);
        record.userId = id;
        return record;
    }

    std::wstring Root() const { return temp.Path(); }
    std::wstring Own() const { return temp.Path() + std::to_wstring(kOwnId) + L"\\"; }
    std::string File(const std::wstring& path) { return enginetest::ReadBytes(files, path); }
    bool Exists(const std::wstring& path) { return files.Exists(path); }

    enginetest::TempFolder temp;
    engine::StdFileSystem files;
    engine::GbkCodePage codePage;
    engine::FixedClock clock;
    RecordingNotifier notifier;
    MemoryLog log;
    engine::EnginePorts ports;
    CDataTree store;
    engine::SendQueue queue;
    std::unique_ptr<CProtocolSession> session;
};

inline const char* VariantName(engine::EngineVariant v) {
    return v == engine::EngineVariant::Desk ? "Desk" : "Messenger";
}

// The header of a .dat file as written.
inline DatFileHeader DatHeaderOf(const std::string& bytes) {
    DatFileHeader h{};
    if (bytes.size() >= sizeof h) std::memcpy(&h, bytes.data(), sizeof h);
    return h;
}

template <class T>
std::vector<T> DatRecordsOf(const std::string& bytes) {
    std::vector<T> out;
    const DatFileHeader h = DatHeaderOf(bytes);
    for (int32_t i = 0; i < h.recordCount; ++i) {
        const size_t at = sizeof h + i * sizeof(T);
        if (at + sizeof(T) > bytes.size()) break;
        T r;
        std::memcpy(&r, bytes.data() + at, sizeof r);
        out.push_back(r);
    }
    return out;
}

}  // namespace sessiontest
