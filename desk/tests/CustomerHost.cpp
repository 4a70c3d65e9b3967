#include "CustomerHost.h"

#include "clientui/FileTransferWorker.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>

namespace tavreltest {

namespace {

constexpr DWORD kLogonWaitMs = 30000;

// Waits for the worker's end and keeps its result.
class EndSink : public IFileTransferSink {
public:
    void OnTransferStarted() override {}
    void OnTransferProgress(int32_t, int) override {}
    void OnTransferWaiting(bool) override {}
    void OnTransferEnded(FileTransferResult r) override {
        result = r;
        ended = true;
    }
    std::atomic<bool> ended{false};
    FileTransferResult result = FileTransferResult::Failed;
};

bool RunTransfer(bool upload, const std::wstring& host, const std::wstring& path, const std::string& storedName,
                 int32_t size) {
    FileTransferJob job;
    job.upload = upload;
    job.localPath = path;
    job.storedName = storedName;
    job.fileSize = size;
    job.host = host;
    job.port = 7013;
    auto sink = std::make_shared<EndSink>();
    CFileTransferWorker worker;
    if (!worker.Start(job, sink)) return false;
    if (!worker.Wait(60000)) {
        worker.Cancel();
        return false;
    }
    return sink->ended && sink->result == FileTransferResult::Completed;
}

// The local date (yyyymmdd) and time of day (hh mm ss mmm) words of a
// clock that runs skewMinutes ahead of the machine's.
void StampWords(int skewMinutes, int32_t* date, int32_t* time) {
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    FILETIME file = {};
    ::SystemTimeToFileTime(&now, &file);
    ULARGE_INTEGER ticks = {};
    ticks.LowPart = file.dwLowDateTime;
    ticks.HighPart = file.dwHighDateTime;
    ticks.QuadPart += static_cast<ULONGLONG>(static_cast<LONGLONG>(skewMinutes) * 60 * 10000000LL);
    file.dwLowDateTime = ticks.LowPart;
    file.dwHighDateTime = ticks.HighPart;
    ::FileTimeToSystemTime(&file, &now);
    *date = now.wYear * 10000 + now.wMonth * 100 + now.wDay;
    *time = now.wHour * 10000000 + now.wMinute * 100000 + now.wSecond * 1000 + now.wMilliseconds;
}

}  // namespace

CCustomerHost::CCustomerHost() {
    m_loaded = m_engine.Load(L"Ulvarn.dll", false) && m_host.Window();
    if (!m_loaded) return;
    m_host.onMessage = [this](const RecordedMessage& message) { OnEngineMessage(message); };
    m_engine.MInitModule(m_host.Window());
}

CCustomerHost::~CCustomerHost() {
    if (m_loaded && LoggedOn()) Logout();
    m_host.onMessage = nullptr;
}

bool CCustomerHost::Logon(int32_t id, const std::wstring& server) {
    if (!m_loaded) return false;
    m_id = id;
    const size_t from = m_host.Messages().size();
    m_engine.MLogon(std::to_wstring(id).c_str(), L"demo", LOGON_TYPE_PASSWORD, server.c_str(), 7012);
    return PumpUntil(
        [&] {
            const auto& messages = m_host.Messages();
            for (size_t i = from; i < messages.size(); ++i)
                if (messages[i].message == WM_IM_NOTIFY && messages[i].wParam == NOTIFY_FRIENDLIST) return true;
            return false;
        },
        kLogonWaitMs);
}

bool CCustomerHost::LoggedOn() const { return m_loaded && m_engine.MGetConnectStatus && m_engine.MGetConnectStatus() != 0; }

bool CCustomerHost::Logout() {
    if (!m_loaded) return false;
    const size_t from = m_host.Messages().size();
    m_engine.MLogonOut(1);
    if (!PumpUntil([&] { return !LoggedOn(); }, 10000)) return false;
    // The server's answer, when it comes, tells that it has the customer
    // offline; an engine that closed its connection first gives none.
    m_host.WaitFor(WM_IM_LOGOUT, -1, 2000, from);
    return true;
}

bool CCustomerHost::SendText(int32_t to, const std::string& text) {
    TextMsgRecord record = {};
    StampWords(m_skewMinutes, &record.date, &record.time);
    record.senderId = m_id;
    record.receiverId = to;
    std::snprintf(record.text, sizeof record.text, "%s", text.c_str());
    const size_t from = m_host.Messages().size();
    m_engine.MSendTextMsg(&record);
    return m_host.WaitFor(WM_IM_MSGSENT, record.time, 15000, from) >= 0;
}

void CCustomerHost::OnEngineMessage(const RecordedMessage& message) {
    if (message.message == WM_IM_NOTIFY && message.wParam == NOTIFY_NEWMSG) {
        TakeUnread(static_cast<int32_t>(message.lParam));
    } else if (message.message == WM_IM_FILEREQUEST) {
        // The record is readable only while the notice is being sent.
        if (const std::vector<FileRequestRecord>* list = m_engine.MGetSendFileRequest(static_cast<int>(message.wParam)))
            for (const FileRequestRecord& record : *list)
                m_fileEvents.push_back({record, static_cast<int>(message.lParam)});
    }
}

void CCustomerHost::TakeUnread(int32_t peer) {
    const TextMsgQueue* queue = m_engine.MGetUnreadMsg(peer);
    if (!queue) return;
    const TextMsgQueue copy = *queue;
    for (const TextMsgRecord& record : copy) {
        m_received.push_back(record);
        m_engine.MPopFrontTextMsg(peer);
    }
}

bool CCustomerHost::WaitForText(const std::string& part, DWORD ms, std::string* text) {
    return PumpUntil(
        [&] {
            for (const TextMsgRecord& record : m_received) {
                const std::string body(record.text, strnlen(record.text, sizeof record.text));
                if (body.find(part) != std::string::npos) {
                    if (text) *text = body;
                    return true;
                }
            }
            return false;
        },
        ms);
}

bool CCustomerHost::WaitForFileEvent(int code, DWORD ms, FileEvent* event, size_t from) {
    return PumpUntil(
        [&] {
            for (size_t i = from; i < m_fileEvents.size(); ++i) {
                if (m_fileEvents[i].code != code) continue;
                if (event) *event = m_fileEvents[i];
                return true;
            }
            return false;
        },
        ms);
}

void CCustomerHost::Answer(const FileRequestRecord& received, int code) {
    FileRequestRecord answer = received;
    std::swap(answer.senderId, answer.receiverId);
    m_engine.MSendFileRespond(&answer, code);
}

void CCustomerHost::Send(const FileRequestRecord& own, int code) { m_engine.MSendFileRespond(&own, code); }

bool CCustomerHost::UpdateProfile(const std::string& nickname, const std::string& signature) {
    UserInfoBase base = {};
    UserInfoExt ext = {};
    if (const UserInfoBase* own = m_engine.MGetUserInfoBase(m_id)) base = *own;
    if (const UserInfoExt* own = m_engine.MGetUserInfoExt(m_id)) ext = *own;
    base.userId = m_id;
    std::memset(base.nickname, 0, sizeof base.nickname);
    std::memset(base.signature, 0, sizeof base.signature);
    std::memcpy(base.nickname, nickname.data(), std::min(nickname.size(), sizeof base.nickname - 1));
    std::memcpy(base.signature, signature.data(), std::min(signature.size(), sizeof base.signature - 1));
    // A success is not notified; the server has the record once the packet
    // went out.
    const int sent = m_engine.MUpdateMyInfomation(&base, &ext);
    m_host.Pump(500);
    return sent != 0;
}

bool CCustomerHost::PumpUntil(const std::function<bool()>& done, DWORD ms) { return m_host.PumpUntil(done, ms); }

std::string StoredFileName(const std::string& name) {
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    char prefix[8];
    std::snprintf(prefix, sizeof prefix, "%02d%02d", now.wMonth, now.wDay);
    return prefix + name;
}

bool UploadToFileServer(const std::wstring& host, const std::wstring& path, const std::string& storedName,
                        int32_t size) {
    return RunTransfer(true, host, path, storedName, size);
}

bool DownloadFromFileServer(const std::wstring& host, const std::wstring& path, const std::string& storedName,
                            int32_t size) {
    return RunTransfer(false, host, path, storedName, size);
}

}  // namespace tavreltest
