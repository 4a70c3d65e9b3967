#include "FileTransferTestSupport.h"

#include <fw/StringUtil.h>

#include <shellapi.h>
#include <shlobj.h>

#include <cstdlib>
#include <cstring>

namespace ftest {

namespace {

// The programs start Winsock before any transfer.
class WinsockEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        WSADATA data;
        ASSERT_EQ(::WSAStartup(MAKEWORD(2, 2), &data), 0);
    }
    void TearDown() override { ::WSACleanup(); }
};
::testing::Environment* const kWinsock = ::testing::AddGlobalTestEnvironment(new WinsockEnvironment);

}  // namespace

uint16_t ServerPort() {
    const char* text = std::getenv("QV_FILESERVER_PORT");
    return text ? static_cast<uint16_t>(std::atoi(text)) : 0;
}

FileTransferTiming FastTiming() {
    FileTransferTiming timing;
    timing.retryIntervalMs = 50;
    timing.connectTimeoutMs = 2000;
    timing.ioTimeoutMs = 5000;
    timing.maxBlockResends = 5;
    return timing;
}

TempFolder::TempFolder() {
    wchar_t base[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, base);
    static int counter = 0;
    m_path = fw::FormatString(L"%lsqvft-%lu-%d", base, ::GetCurrentProcessId(), ++counter);
    ::SHCreateDirectoryExW(nullptr, m_path.c_str(), nullptr);
}

TempFolder::~TempFolder() {
    std::wstring from = m_path;
    from.push_back(L'\0');
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    ::SHFileOperationW(&op);
}

std::vector<uint8_t> MakeBytes(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    uint32_t state = seed * 2654435761u + 1;
    for (auto& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(state >> 16);
    }
    return bytes;
}

bool WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = bytes.empty() || (::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                                  nullptr) &&
                                      written == bytes.size());
    ::CloseHandle(file);
    return ok;
}

bool ReadBytes(const std::wstring& path, std::vector<uint8_t>& bytes) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const DWORD size = ::GetFileSize(file, nullptr);
    bytes.assign(size, 0);
    DWORD read = 0;
    const bool ok = size == 0 || (::ReadFile(file, bytes.data(), size, &read, nullptr) && read == size);
    ::CloseHandle(file);
    return ok;
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// --- FakeEngine ------------------------------------------------------------------

FakeEngine* FakeEngine::s_current = nullptr;

FakeEngine::FakeEngine() {
    s_current = this;
    g_EngineModule.MSendFileRespond = &FakeEngine::SendFileRespond;
    g_EngineModule.MGetSwitchCustomerMsg = &FakeEngine::GetSwitchCustomerMsg;
}

FakeEngine::~FakeEngine() {
    g_EngineModule.MSendFileRespond = nullptr;
    g_EngineModule.MGetSwitchCustomerMsg = nullptr;
    s_current = nullptr;
}

void FakeEngine::SendFileRespond(const FileRequestRecord* record, int code) {
    if (!s_current || !record) return;
    s_current->m_queue.push_back({*record, code});
    s_current->m_sent.push_back({*record, code});
}

SwitchCustomerRecord* FakeEngine::GetSwitchCustomerMsg(int customerId) {
    if (!s_current || s_current->m_handOver.customerId != customerId) return nullptr;
    return &s_current->m_handOver;
}

void FakeEngine::Deliver() {
    while (!m_queue.empty()) {
        const EngineCall call = m_queue.front();
        m_queue.pop_front();
        const auto party = m_parties.find(call.record.receiverId);
        if (party != m_parties.end()) party->second(call.record, call.code);
    }
}

// --- RecordingView -----------------------------------------------------------------

class RecordingView::Sink : public IFileTransferSink {
public:
    Sink(RecordingView& view, unsigned generation) : m_view(view), m_generation(generation) {}
    void OnTransferStarted() override { m_view.Push({m_generation, 0, 0, FileTransferResult::Completed}); }
    void OnTransferProgress(int32_t bytesDone, int) override {
        m_view.Push({m_generation, 1, bytesDone, FileTransferResult::Completed});
        if (bytesDone == 0) return;
        std::unique_lock<std::mutex> hold(m_view.m_lock);
        if (m_view.m_gateClosed) {
            m_view.m_atGate = true;
            m_view.m_signal.notify_all();
            m_view.m_signal.wait_for(hold, std::chrono::seconds(30), [this] { return !m_view.m_gateClosed; });
        }
    }
    void OnTransferWaiting(bool waiting) override {
        m_view.Push({m_generation, waiting ? 3 : 4, 0, FileTransferResult::Completed});
    }
    void OnTransferEnded(FileTransferResult result) override { m_view.Push({m_generation, 2, 0, result}); }

private:
    RecordingView& m_view;
    unsigned m_generation;
};

std::shared_ptr<IFileTransferSink> RecordingView::MakeWorkerSink(unsigned generation) {
    return std::make_shared<Sink>(*this, generation);
}

void RecordingView::Push(const Report& report) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_reports.push_back(report);
}

bool RecordingView::Pump() {
    bool ended = false;
    for (;;) {
        Report report;
        {
            std::lock_guard<std::mutex> hold(m_lock);
            if (m_reports.empty()) break;
            report = m_reports.front();
            m_reports.pop_front();
        }
        if (!m_session) continue;
        if (report.kind == 0) m_session->OnWorkerStarted(report.generation);
        else if (report.kind == 1) m_session->OnWorkerProgress(report.generation, report.bytes, 0);
        else if (report.kind == 3 || report.kind == 4) m_session->OnWorkerWaiting(report.generation, report.kind == 3);
        else {
            ++m_ended;
            ended = true;
            m_session->OnWorkerEnded(report.generation, report.result);
        }
    }
    return ended;
}

void RecordingView::CloseGate() {
    std::lock_guard<std::mutex> hold(m_lock);
    m_gateClosed = true;
    m_atGate = false;
}

void RecordingView::OpenGate() {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_gateClosed = false;
    }
    m_signal.notify_all();
}

bool RecordingView::WaitAtGate(unsigned ms) {
    std::unique_lock<std::mutex> hold(m_lock);
    return m_signal.wait_for(hold, std::chrono::milliseconds(ms), [this] { return m_atGate; });
}

// --- NoticeWindow ------------------------------------------------------------------

NoticeWindow::NoticeWindow() {
    static const wchar_t kClass[] = L"QvTransFileNoticeWindow";
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &NoticeWindow::Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kClass;
    ::RegisterClassW(&wc);
    m_hwnd = ::CreateWindowExW(0, kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ::SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

NoticeWindow::~NoticeWindow() {
    if (m_hwnd) ::DestroyWindow(m_hwnd);
}

std::vector<int> NoticeWindow::States() const {
    std::vector<int> states;
    for (const Notice& notice : notices) states.push_back(notice.state);
    return states;
}

LRESULT CALLBACK NoticeWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TRANSFILE_STATE) {
        auto* self = reinterpret_cast<NoticeWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        const auto* record = reinterpret_cast<const FileRequestRecord*>(wParam);
        if (self && record) self->notices.push_back({static_cast<int>(lParam), *record});
        return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

// --- MessageBoxRecorder --------------------------------------------------------------

MessageBoxRecorder::MessageBoxRecorder() {
    m_previous = fw::SetMessageBoxSink([this](HWND, const std::wstring& text, const std::wstring& caption, UINT) {
        boxes.push_back({text, caption});
        return IDOK;
    });
}

MessageBoxRecorder::~MessageBoxRecorder() { fw::SetMessageBoxSink(m_previous); }

bool PumpUntil(const std::function<void()>& pump, const std::function<bool()>& done, unsigned ms) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        pump();
        if (done()) return true;
        if (::GetTickCount() - start > ms) return false;
        ::Sleep(5);
    }
}

FileRequestRecord MakeOffer(int32_t sender, int32_t receiver, const char* name, int32_t size) {
    FileRequestRecord record = {};
    record.senderId = sender;
    record.receiverId = receiver;
    record.fileSize = size;
    std::strncpy(record.fileName, name, sizeof record.fileName - 1);
    return record;
}

}  // namespace ftest
