// The chat log as a user sees it (Xvfb): a conversation with headers and
// fonts, a picture that arrives after its placeholder, a picture that
// arrives broken (error placeholder), a system notice and a link. The scene
// is saved as tests/richedit/chatlog.png: the log while the pictures are
// fetched beside the log after they arrived.
#include "ChatLogFixture.h"

#include <algorithm>
#include <gdiplus.h>

#include "MessageParser.h"
#include "fw/GdiObject.h"
#include "fw/GdiPlusSession.h"

namespace richedittest {
namespace {

bool SavePng(HBITMAP bitmap, const std::wstring& path) {
    UINT count = 0, size = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
    std::vector<BYTE> buffer(size);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, size, encoders) != Gdiplus::Ok) return false;
    for (UINT i = 0; i < count; ++i) {
        if (std::wstring(encoders[i].MimeType) != L"image/png") continue;
        Gdiplus::Bitmap image(bitmap, nullptr);
        return image.Save(path.c_str(), &encoders[i].Clsid, nullptr) == Gdiplus::Ok;
    }
    return false;
}

// A copy of the window's client area as it is on the screen.
HBITMAP CaptureClient(HWND window) {
    RECT rect = {};
    ::GetClientRect(window, &rect);
    POINT origin = {0, 0};
    ::ClientToScreen(window, &origin);
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, rect.right, rect.bottom);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, rect.right, rect.bottom, screen, origin.x, origin.y, SRCCOPY);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return bitmap;
}

// The two states side by side, each under its caption, on a grey ground.
bool SaveSideBySide(HBITMAP left, const wchar_t* leftCaption, HBITMAP right, const wchar_t* rightCaption,
                    const std::wstring& path) {
    BITMAP size = {};
    ::GetObjectW(left, sizeof size, &size);
    const int margin = 12, caption = 26;
    const int width = margin * 3 + size.bmWidth * 2, height = margin * 2 + caption + size.bmHeight;
    HDC screen = ::GetDC(nullptr);
    HDC target = ::CreateCompatibleDC(screen);
    HDC source = ::CreateCompatibleDC(screen);
    HBITMAP sheet = ::CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ oldTarget = ::SelectObject(target, sheet);
    RECT all = {0, 0, width, height};
    HBRUSH ground = ::CreateSolidBrush(RGB(226, 232, 240));
    ::FillRect(target, &all, ground);
    ::DeleteObject(ground);
    HFONT font = ::CreateFontW(-14, 0, 0, 0, FW_BOLD, 0, 0, 0, GB2312_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0, L"宋体");
    HGDIOBJ oldFont = ::SelectObject(target, font);
    ::SetBkMode(target, TRANSPARENT);
    ::SetTextColor(target, RGB(40, 60, 90));
    const struct {
        HBITMAP bitmap;
        const wchar_t* caption;
        int x;
    } panes[] = {{left, leftCaption, margin}, {right, rightCaption, margin * 2 + size.bmWidth}};
    for (const auto& pane : panes) {
        ::TextOutW(target, pane.x + 2, margin, pane.caption, static_cast<int>(wcslen(pane.caption)));
        HGDIOBJ oldSource = ::SelectObject(source, pane.bitmap);
        ::BitBlt(target, pane.x, margin + caption, size.bmWidth, size.bmHeight, source, 0, 0, SRCCOPY);
        ::SelectObject(source, oldSource);
        RECT frame = {pane.x - 1, margin + caption - 1, pane.x + size.bmWidth + 1, margin + caption + size.bmHeight + 1};
        HBRUSH border = ::CreateSolidBrush(RGB(150, 165, 185));
        ::FrameRect(target, &frame, border);
        ::DeleteObject(border);
    }
    ::SelectObject(target, oldFont);
    ::DeleteObject(font);
    ::SelectObject(target, oldTarget);
    const bool saved = SavePng(sheet, path);
    ::DeleteObject(sheet);
    ::DeleteDC(source);
    ::DeleteDC(target);
    ::ReleaseDC(nullptr, screen);
    return saved;
}

class ChatLogScene : public ChatLogFixture {
protected:
    ChatLogScene() : ChatLogFixture(true, 360) {}

    void SetUp() override {
        ASSERT_TRUE(m_gdiplus.Start());
        ChatLogFixture::SetUp();
        m_host.SetWindowText(L"与 客户小王 会话中");
        RECT client = m_host.GetClientRect();
        m_log.MoveWindow(client);
        m_log.SetBackgroundColor(RGB(255, 255, 255));
        m_peerHeader = Format(9, 0, RGB(0, 0, 255), L"宋体");
        m_ownHeader = Format(9, 0, RGB(0, 128, 64), L"宋体");
        m_notice = Format(9, 0, RGB(128, 128, 128), L"宋体");
    }

    // A message as the conversation window gets it: the record's text with
    // its format prefix and picture tag, parsed by the shared parser.
    void Receive(const std::wstring& header, const CHARFORMATW& headerFormat, const std::wstring& text) {
        clientui::CMessageParser parser(m_codePage);
        const clientui::ParsedMessage message = parser.Parse(text, clientui::ChatFontSpec::ConversationDefault(m_codePage));
        const CHARFORMATW body = clientui::CharFormatFromChatFont(message.font, m_codePage);
        m_log.AppendMessage(header + L"\r\n", message, headerFormat, body);
    }

    void Show() {
        ::RedrawWindow(m_host, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpFor(600);
    }

    fw::CGdiPlusSession m_gdiplus;
    CHARFORMATW m_peerHeader = {}, m_ownHeader = {}, m_notice = {};
};

TEST_F(ChatLogScene, ConversationWithPicturesAndANotice) {
    Receive(L"客户小王 10:02:15", m_peerHeader, L"<format|0|10|0|宋体|/format>您好，请问我的订单什么时候发货？");
    Receive(L"客服 Anna 10:02:40", m_ownHeader,
            L"<format|1|11|8388608|微软雅黑|/format>您好！订单已经打包，今天下午就发出。");
    Receive(L"客户小王 10:03:05", m_peerHeader,
            L"<format|0|10|0|宋体|/format>这是我收到的包装照片：\r\n <pic/13/1210photo.png/pic>");
    Receive(L"客服 Anna 10:03:30", m_ownHeader,
            L"<format|6|10|255|宋体|/format>照片收到了，我们马上为您核实。");
    Receive(L"客户小王 10:03:52", m_peerHeader, L"<format|0|10|0|宋体|/format>还有一张： <pic/6/1210second.png/pic>");
    m_log.AppendSystemNotice(L"对方已离线，消息将在对方上线后送达。", m_notice);
    Receive(L"客服 Anna 10:05:00", m_ownHeader,
            L"<format|0|10|0|宋体|/format>售后说明请看 http://www.example.com/help");

    // Both pictures are being fetched.
    ASSERT_EQ(2u, m_downloads.requests.size());
    auto objects = Objects();
    ASSERT_EQ(2u, objects.size());
    EXPECT_EQ(PictureObjectInfo::kPlaceholder, objects[0].info->state);
    EXPECT_EQ(PictureObjectInfo::kPlaceholder, objects[1].info->state);
    Show();
    fw::CBitmap waiting(CaptureClient(m_host));

    // The first arrives whole, the second broken.
    ASSERT_TRUE(CopyFileTo(FixturePath(L"photo.png"), m_downloads.requests[0].localPath));
    ASSERT_TRUE(CopyFileTo(FixturePath(L"broken.gif"), m_downloads.requests[1].localPath));
    EXPECT_EQ(2, m_log.SwapArrivedPictures());
    objects = Objects();
    ASSERT_EQ(2u, objects.size());
    EXPECT_EQ(PictureObjectInfo::kShown, objects[0].info->state);
    EXPECT_EQ(PictureObjectInfo::kError, objects[1].info->state);
    EXPECT_EQ(7u, m_log.GetEntryCount());
    Show();
    fw::CBitmap arrived(CaptureClient(m_host));
    EXPECT_TRUE(SaveSideBySide(waiting.Get(), L"图片下载中", arrived.Get(), L"图片到达之后",
                               FixturePath(L"chatlog.png")));
}

}  // namespace
}  // namespace richedittest
