// Decision-logic tests of the conversation window over the real engine,
// under Wine and Xvfb: the real Kestrin.dll bound through g_EngineModule,
// logged on as an agent against the stand-in chat server, pictures through
// the stand-in file server. The agent's actions are the window's handlers
// called directly (OnSend, OnScreenShot, the input's text set), so these
// tests check what the window and the engine make of them, not the user's
// path to them: the real program driven with real clicks and keys is in
// desk_conversation_e2e_test and desk_handover_e2e_test. This program plays
// the main window: its engine window forwards the engine's messages to the
// conversation window as the main window does. The customer is a scripted
// peer on the chat server's control channel: it reads what the agent sent
// from the server's record, fetches the picture from the file server as a
// customer's client would, and answers with SEND.
#include <winsock2.h>

#include "ChatMainPanel.h"

#include "ChatServerControl.h"
#include "RealInput.h"
#include "EngineTestHost.h"

#include "clientui/ClientSettings.h"
#include "clientui/EngineModule.h"
#include "clientui/ImageTransfer.h"
#include "clientui/PanelRegistry.h"
#include "clientui/PictureFile.h"

#include "Mervale_h.h"
#include "SystemAnsiCodePage.h"
#include "fw/ComPtr.h"
#include "fw/GdiObject.h"
#include "fw/MessageBoxSink.h"

#include <gdiplus.h>
#include <ole2.h>
#include <richole.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

namespace {

constexpr int32_t kAgent = 30001;
constexpr int32_t kCustomer = 40001;

std::wstring ExeFolder() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}
// "<build>\bin\": the program folder (engine, skin, pictures).
std::wstring BinFolder() {
    std::wstring tests = ExeFolder();
    tests.pop_back();
    return tests.substr(0, tests.find_last_of(L'\\') + 1) + L"bin\\";
}
uint16_t PortFromEnv(const char* name) {
    const char* text = std::getenv(name);
    return text ? static_cast<uint16_t>(std::atoi(text)) : 0;
}
std::string Hex(const void* data, size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    const auto* bytes = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}
std::string ReadAll(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Message boxes are answered and remembered, never shown.
struct CRecordingSink {
    std::vector<std::wstring> texts;
};

// What the main window gives a conversation window.
class CTestHost : public IChatPanelHost {
public:
    HWND MainWindow() const override { return mainWnd; }
    int32_t MyUserId() const override { return kAgent; }
    const UserInfoBase& MyInfo() const override { return myInfo; }
    HWND mainWnd = nullptr;
    UserInfoBase myInfo = {};
};

// The top-level frame the conversation window lies in (the chat view's place).
class CFrame {
public:
    CFrame() {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = L"QvChatTestFrame";
        ::RegisterClassExW(&wc);
        RECT rect = {0, 0, 560, 500};
        ::AdjustWindowRectEx(&rect, WS_OVERLAPPEDWINDOW, FALSE, 0);
        hWnd = ::CreateWindowExW(0, wc.lpszClassName, L"Qorvane 客服", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 20, 20,
                                 rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, wc.hInstance,
                                 nullptr);
        ::ShowWindow(hWnd, SW_SHOW);
    }
    ~CFrame() {
        if (hWnd) ::DestroyWindow(hWnd);
    }
    HWND hWnd = nullptr;
};

// The process: OLE, the rich edit, GDI+, Winsock, the picture controls and
// the engine binding.
class CChatEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
        ::LoadLibraryW(L"riched20.dll");
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::Ok, Gdiplus::GdiplusStartup(&m_gdiplus, &input, nullptr));
        WSADATA wsa;
        ASSERT_EQ(0, ::WSAStartup(MAKEWORD(2, 2), &wsa));
        m_mervale = ::LoadLibraryW((BinFolder() + L"Mervale.dll").c_str());
        ASSERT_TRUE(m_mervale);
        typedef HRESULT(STDAPICALLTYPE * GetClassObject)(REFCLSID, REFIID, void**);
        auto get = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(::GetProcAddress(m_mervale, "DllGetClassObject")));
        ASSERT_TRUE(get);
        IClassFactory* factory = nullptr;
        ASSERT_EQ(S_OK, get(CLSID_Mervale, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
        ASSERT_EQ(S_OK, ::CoRegisterClassObject(CLSID_Mervale, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                                &m_cookie));
        factory->Release();
        ASSERT_TRUE(g_EngineModule.Load(kDeskEngineBinding, BinFolder())) << "bin\\Kestrin.dll";
    }
    void TearDown() override {
        CPanelRegistry::DestroyInstance();
        if (m_cookie) ::CoRevokeClassObject(m_cookie);
        g_EngineModule.Unload();
        Gdiplus::GdiplusShutdown(m_gdiplus);
    }

private:
    ULONG_PTR m_gdiplus = 0;
    HMODULE m_mervale = nullptr;
    DWORD m_cookie = 0;
};
::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(new CChatEnvironment);

// One logged-on agent with one conversation window, shared by the tests
// of the suite in order (a log-on is slow).
class ChatPanelEngineLogic : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s = new Session; s->Start(); }
    static void TearDownTestSuite() {
        delete s;
        s = nullptr;
    }

    struct Session {
        EngineTestHost host;
        ChatServerControl control;
        CTestHost panelHost;
        CFrame frame;
        CRecordingSink sink;
        clientui::CSystemAnsiCodePage codePage;
        std::unique_ptr<CImageTransfer> agentTransfer;
        std::unique_ptr<CImageTransfer> customerTransfer;
        CChatMainPanel* panel = nullptr;  // held by the registry
        bool loggedOn = false;

        void Start() {
            fw::SetMessageBoxSink([this](HWND, const std::wstring& text, const std::wstring&, UINT) {
                sink.texts.push_back(text);
                return IDOK;
            });
            ASSERT_TRUE(control.Connected()) << "no stand-in chat server (QV_CONTROL_PORT)";
            ImageTransferConfig config;
            config.host = L"127.0.0.1";
            config.port = PortFromEnv("QV_FILESERVER_PORT");
            ASSERT_NE(config.port, 0) << "no stand-in file server (QV_FILESERVER_PORT)";
            config.timing.connectRetries = 5;
            config.timing.pollIntervalMs = 100;
            agentTransfer = std::make_unique<CImageTransfer>(config);
            customerTransfer = std::make_unique<CImageTransfer>(config);

            host.onMessage = [this](const RecordedMessage& m) { Forward(m); };
            panelHost.mainWnd = host.Window();
            g_EngineModule.MInitModule(host.Window());
            g_EngineModule.MLogon(L"30001", L"secret", LOGON_TYPE_PASSWORD, L"127.0.0.1", ChatServerControl::ChatPort());
            ASSERT_GE(host.WaitFor(WM_IM_LOGON, 1, 20000), 0) << "log-on";
            loggedOn = true;
            // The own record and the customer's, as the main window keeps them.
            g_EngineModule.MProduceUserInfo(kCustomer, 3);
            host.PumpUntil([] { return g_EngineModule.MGetUserInfoBase(kCustomer)->userId == kCustomer; }, 10000);
            host.PumpUntil([] { return g_EngineModule.MGetUserInfoBase(kAgent)->userId == kAgent; }, 5000);
            panelHost.myInfo = *g_EngineModule.MGetUserInfoBase(kAgent);

            g_ClientSettings.quickReplies = {L"您好，请问有什么可以帮您？"};
            panel = new CChatMainPanel(panelHost, kAgent, g_EngineModule, BinFolder(), L"Qorvane 客服");
            panel->SetImageTransfer(agentTransfer.get());
            UserInfoBase customer = *g_EngineModule.MGetUserInfoBase(kCustomer);
            customer.userId = kCustomer;
            const std::string memo = codePage.ToAnsi(L"老客户");
            std::memcpy(customer.memo, memo.c_str(), memo.size() + 1);
            // Not logged on: the engine knows the customer as offline, and
            // the tip bar says so.
            panel->SetPeerInfo(customer);
            ASSERT_TRUE(panel->CreateInParent(frame.hWnd));
            ASSERT_TRUE(CPanelRegistry::GetInstance()->AddChatWindow(panel));
            RECT client = {};
            ::GetClientRect(frame.hWnd, &client);
            panel->MoveWindow(client);
            panel->ShowWindow(SW_SHOW);
            host.Pump(300);
        }
        ~Session() {
            if (CPanelRegistry::GetInstance()->Holds(panel)) CPanelRegistry::GetInstance()->CloseChatWindow(panel);
            if (loggedOn) g_EngineModule.MLogonOut(1);
            host.Pump(300);
            if (agentTransfer) agentTransfer->Stop();
            if (customerTransfer) customerTransfer->Stop();
            fw::SetMessageBoxSink(fw::MessageBoxSink());
        }

        // The main window's part of the road of a message.
        void Forward(const RecordedMessage& m) {
            if (!panel || !CPanelRegistry::GetInstance()->Holds(panel)) return;
            if (m.message == WM_IM_MSGSENT) {
                TextMsgRecord record = {};
                g_EngineModule.MGetSendedTextMsg(static_cast<int>(m.wParam), &record);
                if (record.receiverId == kCustomer) panel->ShowMessage(record, true);
            } else if (m.message == WM_IM_NOTIFY && m.wParam == NOTIFY_NEWMSG &&
                       static_cast<int32_t>(m.lParam) == kCustomer) {
                TextMsgQueue* queue = g_EngineModule.MGetUnreadMsg(kCustomer);
                const TextMsgQueue copy = queue ? *queue : TextMsgQueue();
                for (const TextMsgRecord& record : copy) {
                    panel->ShowMessage(record, false);
                    g_EngineModule.MPopFrontTextMsg(kCustomer);
                }
            } else if (m.message == WM_IM_NOTIFY && m.wParam == NOTIFY_INPUTSTATUS) {
                panel->ShowTypingNotice();
            }
        }

        size_t Entries() { return panel->GetLog().GetEntryCount(); }
        std::wstring LastEntry() { return Entries() ? panel->GetLog().GetEntry(Entries() - 1) : std::wstring(); }
        bool WaitForEntries(size_t count, DWORD ms = 10000) {
            return host.PumpUntil([&] { return Entries() >= count; }, ms);
        }

        // The text messages the agent's connection sent, oldest first.
        std::vector<TextMsgRecord> SentByAgent() {
            std::vector<TextMsgRecord> out;
            for (const ServerEvent& e : PacketsOf(control.Record(), CMD_TEXT_MSG)) {
                // The engine sends the text up to its NUL only.
                if (e.body.size() < offsetof(TextMsgRecord, text)) continue;
                TextMsgRecord record = {};
                std::memcpy(&record, e.body.data(), std::min(e.body.size(), sizeof record));
                record.text[sizeof record.text - 1] = '\0';
                if (record.senderId == kAgent && record.receiverId == kCustomer) out.push_back(record);
            }
            return out;
        }

        // The customer fetches a picture from the file server, as its own
        // client would; the bytes, or empty.
        std::string CustomerFetches(const std::string& ansiName) {
            const std::wstring folder = BinFolder() + L"customer-pictures\\";
            ::CreateDirectoryW(folder.c_str(), nullptr);
            const std::wstring path = folder + codePage.FromAnsi(ansiName);
            ::DeleteFileW(path.c_str());
            ImageTransJob job;
            job.head.type = 1;
            job.head.userId = kCustomer;
            std::strncpy(job.head.name, ansiName.c_str(), sizeof job.head.name - 1);
            job.localPath = path;
            customerTransfer->AddDownloadJob(job);
            host.PumpUntil([&] { return ::PathFileExistsW(path.c_str()) && customerTransfer->DownloadQueueSize() == 0; },
                           20000);
            return ReadAll(path);
        }

        // A screen picture of the frame.
        void SaveFrame(const std::wstring& path) {
            RECT rect = {};
            ::GetWindowRect(panel->GetHwnd(), &rect);
            const int w = rect.right - rect.left, h = rect.bottom - rect.top;
            HDC screen = ::GetDC(nullptr);
            HDC memory = ::CreateCompatibleDC(screen);
            HBITMAP bitmap = ::CreateCompatibleBitmap(screen, w, h);
            HGDIOBJ old = ::SelectObject(memory, bitmap);
            ::BitBlt(memory, 0, 0, w, h, screen, rect.left, rect.top, SRCCOPY);
            ::SelectObject(memory, old);
            ::DeleteDC(memory);
            ::ReleaseDC(nullptr, screen);
            {
                Gdiplus::Bitmap image(bitmap, nullptr);
                CLSID png;
                UINT count = 0, size = 0;
                Gdiplus::GetImageEncodersSize(&count, &size);
                std::vector<BYTE> buffer(size);
                auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
                Gdiplus::GetImageEncoders(count, size, codecs);
                for (UINT i = 0; i < count; ++i)
                    if (std::wcscmp(codecs[i].MimeType, L"image/png") == 0) png = codecs[i].Clsid;
                image.Save(path.c_str(), &png, nullptr);
            }
            ::DeleteObject(bitmap);
        }
    };
    static Session* s;

    // A small painted picture, as if pasted.
    static HBITMAP PaintedPicture() {
        HDC screen = ::GetDC(nullptr);
        HDC memory = ::CreateCompatibleDC(screen);
        HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 120, 72);
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        const COLORREF bands[] = {RGB(0x2E, 0x86, 0xDE), RGB(0xF6, 0xB9, 0x3B), RGB(0x10, 0xAC, 0x84)};
        for (int i = 0; i < 3; ++i) {
            RECT band = {0, i * 24, 120, (i + 1) * 24};
            fw::CBrush brush(::CreateSolidBrush(bands[i]));
            ::FillRect(memory, &band, brush.Get());
        }
        ::SetBkMode(memory, TRANSPARENT);
        ::SetTextColor(memory, RGB(255, 255, 255));
        RECT text = {0, 0, 120, 72};
        ::DrawTextW(memory, L"订单 #2026", -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        ::SelectObject(memory, old);
        ::DeleteDC(memory);
        ::ReleaseDC(nullptr, screen);
        return bitmap;
    }

    static std::string PictureName(const std::string& text) {
        const size_t tag = text.find("<pic/");
        if (tag == std::string::npos) return std::string();
        const size_t nameStart = text.find('/', tag + 5);
        const size_t end = text.find("/pic>", nameStart);
        if (nameStart == std::string::npos || end == std::string::npos) return std::string();
        return text.substr(nameStart + 1, end - nameStart - 1);
    }
};
ChatPanelEngineLogic::Session* ChatPanelEngineLogic::s = nullptr;

TEST_F(ChatPanelEngineLogic, TextInAChosenFontAndOnePictureReachTheCustomer) {
    ASSERT_TRUE(s && s->panel);
    EXPECT_EQ(s->panel->GetCaption(), L"与 cust1 交流中");
    // The agent chooses a font: bold, 12 points, red, "宋体".
    CHARFORMATW format = {};
    format.cbSize = sizeof format;
    format.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_SIZE | CFM_COLOR | CFM_FACE;
    format.dwEffects = CFE_BOLD;
    format.yHeight = 240;
    format.crTextColor = RGB(200, 0, 0);
    wcscpy_s(format.szFaceName, LF_FACESIZE, L"宋体");
    s->panel->ApplyInputFormat(format);
    CMyRichEditCtrl& input = s->panel->GetInput();
    input.SetWindowText(L"您好，这是您的订单截图：");
    input.SetSelEnd();
    fw::CBitmap picture(PaintedPicture());
    fw::CComPtr<IRichEditOle> ole = fw::CComPtr<IRichEditOle>::Adopt(input.GetOleInterface());
    ASSERT_TRUE(input.InsertStaticPicture(ole.Get(), picture.Get()));
    const size_t before = s->Entries();
    s->panel->OnSend();
    EXPECT_TRUE(input.GetWindowText().empty());
    // Shown once the engine reports it delivered.
    ASSERT_TRUE(s->WaitForEntries(before + 1));
    EXPECT_NE(s->LastEntry().find(L"您好，这是您的订单截图："), std::wstring::npos);

    // What the customer received.
    std::vector<TextMsgRecord> sent;
    s->host.PumpUntil([&] { return !(sent = s->SentByAgent()).empty(); }, 5000);
    ASSERT_EQ(sent.size(), 1u);
    const std::string text = sent[0].text;
    const std::string prefix = "<format|1|12|200|" + s->codePage.ToAnsi(L"宋体") + "|/format>";
    EXPECT_EQ(text.compare(0, prefix.size(), prefix), 0) << text;
    EXPECT_NE(text.find(s->codePage.ToAnsi(L"您好，这是您的订单截图：")), std::string::npos);
    const std::string name = PictureName(text);
    ASSERT_FALSE(name.empty()) << text;
    // The picture travels through the file server: the customer's copy is
    // the agent's JPEG.
    const std::string agentCopy = ReadAll(BinFolder() + L"30001\\Image\\" + s->codePage.FromAnsi(name));
    ASSERT_GT(agentCopy.size(), 100u);
    EXPECT_EQ(agentCopy.substr(0, 2), std::string("\xFF\xD8"));
    s->host.PumpUntil([&] { return s->agentTransfer->UploadQueueSize() == 0; }, 20000);
    EXPECT_EQ(s->CustomerFetches(name), agentCopy);
}

TEST_F(ChatPanelEngineLogic, TheCustomersReplyShows) {
    ASSERT_TRUE(s && s->panel);
    TextMsgRecord reply = {};
    reply.date = 0;
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    reply.date = CChatMessageClock::DateWord(now);
    reply.time = CChatMessageClock::TimeWord(now);
    reply.senderId = kCustomer;
    reply.receiverId = kAgent;
    const std::string text =
        "<format|0|10|8388608|" + s->codePage.ToAnsi(L"宋体") + "|/format>" + s->codePage.ToAnsi(L"收到了，谢谢！订单什么时候发货？");
    std::memcpy(reply.text, text.c_str(), text.size() + 1);
    const size_t before = s->Entries();
    ASSERT_EQ(s->control.Command("SEND last 18 " + Hex(&reply, sizeof reply)), "OK");
    ASSERT_TRUE(s->WaitForEntries(before + 1));
    EXPECT_NE(s->LastEntry().find(L"收到了，谢谢！订单什么时候发货？"), std::wstring::npos);
    EXPECT_EQ(g_EngineModule.MGetUnreadMsg(kCustomer)->size(), 0u);
}

TEST_F(ChatPanelEngineLogic, APictureInAReplyShowsOnceItHasBeenFetched) {
    ASSERT_TRUE(s && s->panel);
    // The customer's client has uploaded its picture to the file server.
    const std::wstring folder = BinFolder() + L"customer-pictures\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::string name = "1210C0FFEE00000000000000000000001.JPG";
    const std::wstring local = folder + s->codePage.FromAnsi(name);
    {
        fw::CBitmap picture(PaintedPicture());
        Gdiplus::Bitmap image(picture.Get(), nullptr);
        CLSID jpeg;
        ASSERT_TRUE(GetEncoderClsid(L"image/jpeg", jpeg));
        ASSERT_EQ(Gdiplus::Ok, image.Save(local.c_str(), &jpeg, nullptr));
    }
    ImageTransJob upload;
    upload.head.type = 1;
    upload.head.userId = kAgent;
    std::strncpy(upload.head.name, name.c_str(), sizeof upload.head.name - 1);
    upload.localPath = local;
    s->customerTransfer->AddUploadJob(upload);
    ASSERT_TRUE(s->host.PumpUntil([] { return s->customerTransfer->UploadQueueSize() == 0; }, 20000));
    ::DeleteFileW((BinFolder() + L"30001\\Image\\" + s->codePage.FromAnsi(name)).c_str());

    TextMsgRecord reply = {};
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    reply.date = CChatMessageClock::DateWord(now);
    reply.time = CChatMessageClock::TimeWord(now);
    reply.senderId = kCustomer;
    reply.receiverId = kAgent;
    const std::string body = s->codePage.ToAnsi(L"是这个吗 ");
    const std::string text = "<format|0|10|0|" + s->codePage.ToAnsi(L"宋体") + "|/format>" + body + "<pic/" +
                             std::to_string(s->codePage.FromAnsi(body).size() - 1) + "/" + name + "/pic>";
    std::memcpy(reply.text, text.c_str(), text.size() + 1);
    const size_t before = s->Entries();
    ASSERT_EQ(s->control.Command("SEND last 18 " + Hex(&reply, sizeof reply)), "OK");
    ASSERT_TRUE(s->WaitForEntries(before + 1));
    // A placeholder first; the picture once the download is there (the
    // window looks every 2 s).
    EXPECT_TRUE(s->panel->GetLog().HasPendingPictures());
    EXPECT_TRUE(s->host.PumpUntil([] { return !s->panel->GetLog().HasPendingPictures(); }, 20000));
    EXPECT_TRUE(::PathFileExistsW((BinFolder() + L"30001\\Image\\" + s->codePage.FromAnsi(name)).c_str()));
}

TEST_F(ChatPanelEngineLogic, ConversationPicture) {
    ASSERT_TRUE(s && s->panel);
    s->panel->GetInput().SetWindowText(L"预计明天上午发货，请留意短信通知。");
    s->host.Pump(1500);
    const std::wstring path = ExeFolder() + L"chat_conversation.png";
    s->SaveFrame(path);
    EXPECT_TRUE(::PathFileExistsW(path.c_str()));
    RECT frame = {};
    ::GetWindowRect(s->panel->GetHwnd(), &frame);
    const std::vector<uint32_t> pixels = tavreltest::ScreenPixels(frame);
    // The picture shows the conversation of the tests before: the agent's
    // header lines in the own-sender colour (0x408000) and the customer's
    // in the other-sender colour (0xFF0000), COLORREF values.
    const auto count = [&](COLORREF colour) { return std::count(pixels.begin(), pixels.end(), colour); };
    EXPECT_GT(count(0x408000), 20) << "no own sender line in the picture";
    EXPECT_GT(count(0xFF0000), 20) << "no customer's line in the picture";
    s->panel->GetInput().SetWindowText(L"");
}

TEST_F(ChatPanelEngineLogic, TypingNoticeShowsAndClears) {
    ASSERT_TRUE(s && s->panel);
    const int32_t words[2] = {kCustomer, kAgent};
    ASSERT_EQ(s->control.Command("SEND last 21 " + Hex(words, sizeof words)), "OK");
    ASSERT_TRUE(s->host.PumpUntil([] { return s->panel->IsTypingShown(); }, 5000));
    EXPECT_EQ(s->panel->GetCaption(), L"cust1 正在输入");
    // Eight ticks of a second each, then the notice goes.
    EXPECT_TRUE(s->host.PumpUntil([] { return !s->panel->IsTypingShown(); }, 15000));
    EXPECT_EQ(s->panel->GetCaption(), L"与 cust1 交流中");
}

TEST_F(ChatPanelEngineLogic, APastedScreenshotIsSentAsAPicture) {
    ASSERT_TRUE(s && s->panel);
    const size_t sentBefore = s->SentByAgent().size();
    s->panel->OnScreenShot();
    EXPECT_EQ(s->panel->GetInput().GetObjectCount(), 1);
    const size_t before = s->Entries();
    s->panel->OnSend();
    ASSERT_TRUE(s->WaitForEntries(before + 1));
    std::vector<TextMsgRecord> sent;
    s->host.PumpUntil([&] { return (sent = s->SentByAgent()).size() > sentBefore; }, 5000);
    ASSERT_EQ(sent.size(), sentBefore + 1);
    const std::string name = PictureName(sent.back().text);
    ASSERT_FALSE(name.empty()) << sent.back().text;
    s->host.PumpUntil([&] { return s->agentTransfer->UploadQueueSize() == 0; }, 30000);
    const std::string fetched = s->CustomerFetches(name);
    EXPECT_EQ(fetched, ReadAll(BinFolder() + L"30001\\Image\\" + s->codePage.FromAnsi(name)));
    EXPECT_GT(fetched.size(), 100u);
}

TEST_F(ChatPanelEngineLogic, AMessageSentWhileTheServerIsGoneShowsTheFailureNotice) {
    ASSERT_TRUE(s && s->panel);
    ASSERT_EQ(s->control.Command("REFUSE"), "OK");
    ASSERT_EQ(s->control.Command("DROP"), "OK");
    ASSERT_TRUE(s->host.PumpUntil([] { return g_EngineModule.MIsOffline() != 0; }, 15000));
    const size_t sentBefore = s->SentByAgent().size();
    s->panel->GetInput().SetWindowText(L"您还在吗？");
    const size_t before = s->Entries();
    s->panel->OnSend();
    ASSERT_EQ(s->Entries(), before + 1);
    EXPECT_EQ(s->LastEntry(), L"系统提示:\r\n 您现在处于离线状态，不能发送消息.\r\n");
    EXPECT_EQ(s->panel->GetInput().GetWindowText(), L"您还在吗？");  // nothing sent, the text stays
    s->host.Pump(500);
    EXPECT_EQ(s->SentByAgent().size(), sentBefore);
    s->control.Command("LISTEN");
}

TEST_F(ChatPanelEngineLogic, ClosingLeavesTheRegistryAndTellsTheMainWindow) {
    ASSERT_TRUE(s && s->panel);
    const size_t before = s->host.Messages().size();
    s->host.Clear();
    s->panel->OnClosePanel();
    EXPECT_FALSE(CPanelRegistry::GetInstance()->Holds(s->panel));
    EXPECT_EQ(CPanelRegistry::GetInstance()->FindChatWindow(kCustomer), nullptr);
    (void)before;
    s->panel = nullptr;
}

}  // namespace
