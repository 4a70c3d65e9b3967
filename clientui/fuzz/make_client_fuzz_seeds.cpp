// Writes the seed corpora of the clients' fuzz targets into a folder:
//   <out>/markup/             messages made by the clients' own builder (fonts,
//                             Chinese text, pictures, line breaks, the longest
//                             ones) and texts a hostile peer sends (positions
//                             out of range, unterminated and nested tags, huge
//                             format values, unsafe picture names)
//   <out>/history_reader/     history files in the engine's layout, and
//                             damaged ones (cut, counts too large, lengths
//                             past the end)
//   <out>/settings_file/      settings files as UTF-16, ANSI code page and
//                             UTF-8, and damaged ones
//   <out>/latest_contact/     latest-contact files, whole and short
//   <out>/file_server_reply/  reply streams to uploads and downloads
// Everything is built here from the formats' layouts, so the corpora are
// reproducible and carry nothing of unknown origin.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "MessageBuilder.h"
#include "SystemAnsiCodePage.h"
#include "clientui/FileServerProtocol.h"

#include <ImEngineApi.h>

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

void Save(const fs::path& file, const Bytes& bytes) {
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}
void Save(const fs::path& file, const std::string& text) { Save(file, Bytes(text.begin(), text.end())); }

void PutWord(Bytes& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(value >> (8 * i)));
}

template <class T>
void PutRecord(Bytes& out, const T& record) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(&record);
    out.insert(out.end(), p, p + sizeof record);
}

void Markup(const fs::path& dir, const clientui::IAnsiCodePage& cp) {
    const clientui::CMessageBuilder builder(cp);
    clientui::ChatFontSpec font = clientui::ChatFontSpec::ConversationDefault(cp);
    int n = 0;
    auto save = [&](const std::string& text) { Save(dir / ("message_" + std::to_string(n++)), text); };
    const std::wstring texts[] = {L"hello", L"你好，请问订单什么时候发货？", L"line one\r\nline two", L"",
                                  std::wstring(500, L'字'), std::wstring(1000, L'a')};
    for (const std::wstring& text : texts) {
        for (uint8_t effects : {0, 1, 7}) {
            font.effects = effects;
            clientui::BuiltMessage built = builder.BuildText(text, font);
            if (!built.accepted) continue;
            save(built.text);
            if (builder.AppendPictureTag(built, text, static_cast<long>(text.size() / 2),
                                         L"1210F00DFACE0123456789ABCDEF.jpg") == clientui::TagResult::Appended)
                save(built.text);
        }
    }
    font.SetFaceName(L"微软雅黑", cp);
    font.colour = 0x0000FF;
    font.size = 12;
    save(builder.BuildText(L"红色大字", font).text);
    // What a hostile peer sends.
    const char* hostile[] = {
        "<format|1|10|0|SimSun|/format>text<pic/99999/1210a.jpg/pic>",
        "<format|1|10|0|SimSun|/format>text<pic/-5/1210a.jpg/pic>",
        "<format|1|10|0|SimSun|/format>text<pic/2147483648/1210a.jpg/pic>",
        "<format|1|10|0|SimSun|unterminated prefix",
        "<format|1|10|0|SimSun|/format>text<pic/3/1210a.jpg",
        "<format|<format|1|9|0|x|/format>|1|10|0|y|/format>nested",
        "<format|1|10|0|x|/format>a<pic/1/<pic/2/1210b.jpg/pic>/pic>",
        "<format|4294967295|99999999|-2147483648|FaceNameThatIsFarLongerThanThirtyOneBytes|/format>huge",
        "<format|1|10|0|x|/format>p<pic/0/..\\..\\evil.jpg/pic>",
        "<format|1|10|0|x|/format>p<pic/0/C:\\Windows\\evil.jpg/pic>",
        "<format|1|10|0|x|/format>p<pic/0/CON/pic>",
        "<format|1|10|0|x|/format>p<pic/0/com1.gif/pic>",
        "<format|1|10|0|x|/format>p<pic/0/a\x01\x62.jpg/pic>",
        "/format><format|1|10|0|x|",
        "<pic/pic>",
    };
    for (const char* text : hostile) save(text);
}

Bytes HistoryFile(int records, int32_t count, int32_t marker, const std::string& extra) {
    MsgFileHeader header = {};
    header.newestDate = 20261210;
    header.newestTime = 100000000 + records * 1000;
    header.count = count;
    header.marker = marker;
    Bytes bytes;
    PutRecord(bytes, header);
    for (int i = 1; i <= records; ++i) {
        const std::string text = "<format|0|9|0|SimSun|/format>message " + std::to_string(i);
        MsgRecordHead head = {};
        head.type = i % 3;
        head.date = 20261210;
        head.time = 100000000 + i * 1000;
        head.senderId = i % 2 ? 60006 : 50002;
        head.receiverId = i % 2 ? 50002 : 60006;
        head.textLength = static_cast<int32_t>(text.size());
        head.minusOne = -1;
        head.extraLength = i % 5 == 0 ? static_cast<int32_t>(extra.size()) : 0;
        PutRecord(bytes, head);
        if (i % 5 == 0) bytes.insert(bytes.end(), extra.begin(), extra.end());
        bytes.insert(bytes.end(), text.begin(), text.end());
    }
    return bytes;
}

void History(const fs::path& dir) {
    Save(dir / "three", HistoryFile(3, 3, MSG_FILE_MARKER, "x"));
    Save(dir / "thirty", HistoryFile(30, 30, MSG_FILE_MARKER, "extra block"));
    Save(dir / "empty", HistoryFile(0, 0, MSG_FILE_MARKER, ""));
    Save(dir / "count_too_large", HistoryFile(4, 0x7FFFFFFF, MSG_FILE_MARKER, ""));
    Save(dir / "negative_count", HistoryFile(4, -1, MSG_FILE_MARKER, ""));
    Save(dir / "wrong_marker", HistoryFile(2, 2, 21, ""));
    Bytes cut = HistoryFile(6, 6, MSG_FILE_MARKER, "");
    cut.resize(cut.size() - 7);
    Save(dir / "cut", cut);
    Bytes longText = HistoryFile(2, 2, MSG_FILE_MARKER, "");
    const int32_t huge = 0x7FFFFFF0;
    std::memcpy(longText.data() + sizeof(MsgFileHeader) + offsetof(MsgRecordHead, textLength), &huge, 4);
    Save(dir / "text_past_end", longText);
}

Bytes Utf16(const std::wstring& text) {
    Bytes out = {0xFF, 0xFE};
    for (wchar_t c : text) {
        const uint32_t cp = static_cast<uint32_t>(c);
        auto unit = [&](uint32_t u) {
            out.push_back(uint8_t(u));
            out.push_back(uint8_t(u >> 8));
        };
        if (cp >= 0x10000) {
            unit(0xD800 + ((cp - 0x10000) >> 10));
            unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            unit(cp);
        }
    }
    return out;
}

void Settings(const fs::path& dir, const clientui::IAnsiCodePage& cp) {
    const std::wstring system =
        L"[systemSetting]\r\nbAutoReply=1\r\nbPopUp=0\r\niSound=1\r\niState=2\r\niListIndex=7\r\niReplyCount=2\r\n"
        L"reply1=你好，我现在有事不在\r\nreply2=工作中\r\niQuickReplyIndex=-3\r\niQuickReplyCount=100000\r\n"
        L"quickReply1=稍等\r\nstrSound=C:\\sound\\msg.wav\r\n";
    const std::wstring config =
        L"[main]\r\nmainPanelWidth=232\r\nmainPanelHeight=99999999999\r\n[chat]\r\nunderline=1\r\nbold=x\r\n"
        L"crText=16711680\r\nfont=宋体\U0001F600\r\nfontSize=-4\r\nsendMsgOpt=1\r\n";
    const std::wstring users = L"[userList]\r\ncount=3\r\n0001=50002\r\n0002=周宁\r\n0003=\r\n";
    const std::wstring server = L"[serverList]\r\nuse=" + std::wstring(L"9:1/2/0/935") + L"\r\n";
    int n = 0;
    for (const std::wstring& text : {system, config, users, server}) {
        Save(dir / ("utf16_" + std::to_string(n)), Utf16(text));
        Save(dir / ("ansi_" + std::to_string(n)), cp.ToAnsi(text));
        std::string utf8 = "\xEF\xBB\xBF";
        for (wchar_t c : text) {
            const uint32_t v = static_cast<uint32_t>(c);
            if (v < 0x80) utf8 += char(v);
            else if (v < 0x800) utf8 += {char(0xC0 | v >> 6), char(0x80 | (v & 0x3F))};
            else if (v < 0x10000) utf8 += {char(0xE0 | v >> 12), char(0x80 | (v >> 6 & 0x3F)), char(0x80 | (v & 0x3F))};
            else utf8 += {char(0xF0 | v >> 18), char(0x80 | (v >> 12 & 0x3F)), char(0x80 | (v >> 6 & 0x3F)), char(0x80 | (v & 0x3F))};
        }
        Save(dir / ("utf8_" + std::to_string(n)), utf8);
        ++n;
    }
    Save(dir / "zeros", Bytes(200, 0));
    Save(dir / "invalid_ansi", std::string("[chat]\r\nfont=\x81\x20\xFF\r\n"));
}

void Latest(const fs::path& dir) {
    auto file = [](int32_t count, int records) {
        LatestContactHeader header = {};
        header.date = 20261210;
        header.time = 101112;
        header.count = count;
        Bytes bytes;
        PutRecord(bytes, header);
        for (int i = 0; i < records; ++i) {
            LatestContactRecord r = {60000 + i, 1, 20261200 + i, 80000 + i};
            PutRecord(bytes, r);
        }
        return bytes;
    };
    Save(dir / "three", file(3, 3));
    Save(dir / "none", file(0, 0));
    Save(dir / "count_too_large", file(5, 2));
    Save(dir / "negative", file(-1, 2));
    Bytes cut = file(3, 3);
    cut.resize(cut.size() - 3);
    Save(dir / "cut", cut);
}

Bytes Header(uint32_t command, uint32_t body) {
    Bytes out;
    for (uint32_t w : {command, 0u, uint32_t(PACKET_MARK), 0u, 0u, body}) PutWord(out, w);
    return out;
}

void Replies(const fs::path& dir) {
    // Choice word, file size, block size, then the replies.
    auto start = [](uint32_t choice, uint32_t fileSize, uint32_t block) {
        Bytes out;
        PutWord(out, choice);
        PutWord(out, fileSize);
        PutWord(out, block - 1);
        return out;
    };
    Bytes upload = start(0, 3000, 1024);
    for (uint32_t offset : {0u, 1024u, 2048u}) {
        Bytes reply = Header(CMD_FILE_UPLOAD, kFileUploadReplySize);
        PutWord(reply, 0);
        PutWord(reply, offset);
        PutWord(reply, offset == 2048 ? 952 : 1024);
        reply.resize(reply.size() + 16, 0);
        upload.insert(upload.end(), reply.begin(), reply.end());
    }
    Save(dir / "upload", upload);
    Bytes download = start(1, 2500, 1000);
    for (uint32_t offset : {0u, 1000u, 2000u, 2500u}) {
        const uint32_t length = offset >= 2500 ? 0 : (offset == 2000 ? 500 : 1000);
        Bytes reply = Header(CMD_FILE_DOWNLOAD, uint32_t(kFileDownloadReplySize + length));
        PutWord(reply, 0);
        PutWord(reply, 2500);
        PutWord(reply, offset);
        PutWord(reply, length);
        reply.resize(reply.size() + 16, 0);
        reply.resize(reply.size() + length, uint8_t(offset));
        download.insert(download.end(), reply.begin(), reply.end());
    }
    Save(dir / "download", download);
    Bytes hostile = start(1, 100, 50);
    Bytes reply = Header(CMD_FILE_DOWNLOAD, kFileDownloadReplySize + 0x7FFFFFF0u);
    for (uint32_t w : {0u, 0x7FFFFFFFu, 0u, 0x7FFFFFF0u}) PutWord(reply, w);
    reply.resize(reply.size() + 16, 0);
    hostile.insert(hostile.end(), reply.begin(), reply.end());
    Save(dir / "download_huge", hostile);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_client_fuzz_seeds <folder>\n");
        return 2;
    }
    const fs::path out = argv[1];
    const clientui::CSystemAnsiCodePage cp;
    for (const char* name : {"markup", "history_reader", "settings_file", "latest_contact", "file_server_reply"})
        fs::create_directories(out / name);
    Markup(out / "markup", cp);
    History(out / "history_reader");
    Settings(out / "settings_file", cp);
    Latest(out / "latest_contact");
    Replies(out / "file_server_reply");
    return 0;
}
