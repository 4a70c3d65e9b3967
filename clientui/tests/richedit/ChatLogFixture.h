// A chat log in a visible window, with a scratch program folder and a
// recording download queue, and ways to read back what it shows.
#pragma once

#include "RichEditTestSupport.h"

#include <richedit.h>
#include <richole.h>

#include "ChatFontFormat.h"
#include "SystemAnsiCodePage.h"
#include "clientui/ChatLogEdit.h"
#include "clientui/ReObject.h"
#include "fw/ComPtr.h"

namespace richedittest {

constexpr int kOwnId = 1001;

// Records the links it would open.
class CTestChatLog : public CChatLogEdit {
public:
    std::vector<std::wstring> opened;

protected:
    void OpenLink(const std::wstring& address) override { opened.push_back(address); }
};

struct ShownObject {
    LONG cp;
    PictureObjectInfo* info;
};

class ChatLogFixture : public ::testing::Test {
protected:
    explicit ChatLogFixture(bool visible = false, int height = 440) : m_host(visible, 480, height) {}

    void SetUp() override {
        ASSERT_TRUE(m_host.IsWindow());
        RECT rect = {0, 0, 480, 440};
        ASSERT_TRUE(m_log.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY,
                                 rect, m_host, 200));
        m_log.SetAutoURLDetect(true);
        m_log.SetEventMask(m_log.GetEventMask() | ENM_LINK);
        m_log.SetPictureSource(m_folder.Path(), kOwnId, &m_downloads);
        m_header = Format(9, clientui::kChatFontBold, RGB(0, 128, 64), L"宋体");
        m_body = Format(12, 0, RGB(200, 0, 0), L"宋体");
    }

    CHARFORMATW Format(uint8_t size, uint8_t effects, COLORREF colour, const std::wstring& face) const {
        clientui::ChatFontSpec font;
        font.size = size;
        font.effects = effects;
        font.colour = static_cast<int32_t>(colour);
        font.SetFaceName(face, m_codePage);
        return clientui::CharFormatFromChatFont(font, m_codePage);
    }

    void Append(const std::wstring& text) { m_log.AppendMessage(text.c_str(), &m_header, &m_body); }

    std::vector<ShownObject> Objects() {
        std::vector<ShownObject> objects;
        fw::CComPtr<IRichEditOle> ole = fw::CComPtr<IRichEditOle>::Adopt(m_log.GetOleInterface());
        const LONG count = ole ? ole->GetObjectCount() : 0;
        for (LONG i = 0; i < count; ++i) {
            CReObject object;
            if (!object.Read(ole.Get(), i, REO_GETOBJ_NO_INTERFACES)) break;
            objects.push_back({object.Cp(), PictureObjectInfo::FromKey(object.User())});
        }
        return objects;
    }

    // The log's text as the rich edit counts it, each object shown as "#".
    std::wstring Shown() {
        std::wstring text = m_log.GetTextRange(0, m_log.GetTextLength());
        for (const ShownObject& object : Objects()) {
            if (object.cp >= 0 && static_cast<size_t>(object.cp) < text.size()) text[object.cp] = L'#';
        }
        return text;
    }

    // A text as the log shows it: a paragraph break is one "\r".
    static std::wstring AsShown(std::wstring text) {
        for (size_t at; (at = text.find(L"\r\n")) != std::wstring::npos;) text.erase(at + 1, 1);
        return text;
    }

    CScratchProgramFolder m_folder{kOwnId};
    CRecordingDownloadQueue m_downloads;
    clientui::CSystemAnsiCodePage m_codePage;
    CHostWindow m_host;
    CTestChatLog m_log;
    CHARFORMATW m_header = {};
    CHARFORMATW m_body = {};
};

}  // namespace richedittest
