#include "HistoryLogWriter.h"

#include "HistoryPageBook.h"

#include <richedit.h>

#include <cstring>

namespace historylog {

namespace {

// One entry of a table (fonts, colours): its index, added when new.
template <class T>
size_t IndexOf(std::vector<T>& table, const T& value) {
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i] == value) return i;
    table.push_back(value);
    return table.size() - 1;
}

void AppendHexBytes(std::string& out, const std::string& ansi) {
    static const char kHex[] = "0123456789abcdef";
    for (unsigned char c : ansi) {
        if (c >= 0x20 && c < 0x80 && c != '\\' && c != '{' && c != '}' && c != ';') {
            out += static_cast<char>(c);
        } else {
            out += "\\'";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
}

// Writes text as rich-text characters, counting the log's positions; the
// characters inside a hit range take the colour hitColour (a colour-table
// index).
class TextWriter {
public:
    TextWriter(std::string& out, const std::vector<std::pair<size_t, size_t>>& hits, size_t hitColour)
        : m_out(out), m_hits(hits), m_hitColour(hitColour) {}

    long Position() const { return static_cast<long>(m_position); }
    void Skip() { ++m_position; }

    void Write(const std::wstring& text) {
        for (size_t i = 0; i < text.size(); ++i) {
            const wchar_t c = text[i];
            if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') continue;  // "\r\n" is one break
            Enter();
            if (c == L'\r' || c == L'\n') {
                m_out += "\\par\n";
            } else if (c == L'\\' || c == L'{' || c == L'}') {
                m_out += '\\';
                m_out += static_cast<char>(c);
            } else if (c >= 0x20 && c < 0x80) {
                m_out += static_cast<char>(c);
            } else if (c == L'\t') {
                m_out += "\\tab ";
            } else if (c < 0x20) {
                m_out += ' ';  // another control character would end the stream's text
            } else {
                m_out += "\\u" + std::to_string(static_cast<int16_t>(c)) + "?";
            }
            ++m_position;
            Leave();
        }
        Close();
    }

private:
    // A hit starts at this position: its own group in red.
    void Enter() {
        while (m_next < m_hits.size() && m_hits[m_next].second <= m_position) ++m_next;
        if (!m_inHit && m_next < m_hits.size() && m_hits[m_next].first <= m_position) {
            m_out += "{\\cf" + std::to_string(m_hitColour) + " ";
            m_inHit = true;
        }
    }
    // The character just written (m_position is past it) ended the hit.
    void Leave() {
        if (m_inHit && m_hits[m_next].second <= m_position) Close();
    }
    // A piece's group ends: so does a hit's group inside it.
    void Close() {
        if (!m_inHit) return;
        m_out += "}";
        m_inHit = false;
    }

    std::string& m_out;
    const std::vector<std::pair<size_t, size_t>>& m_hits;
    size_t m_hitColour;
    size_t m_position = 0;
    size_t m_next = 0;
    bool m_inHit = false;
};

struct StreamSource {
    const std::string* text;
    size_t done;
};

DWORD CALLBACK ReadStream(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
    auto* source = reinterpret_cast<StreamSource*>(cookie);
    const size_t left = source->text->size() - source->done;
    const size_t count = left < static_cast<size_t>(wanted) ? left : static_cast<size_t>(wanted);
    std::memcpy(buffer, source->text->data() + source->done, count);
    source->done += count;
    *given = static_cast<LONG>(count);
    return 0;
}

}  // namespace

// The log's text of the pieces, one character per position: a break
// ("\r\n" or "\n") as "\r", a picture as U+FFFC, as the log counts them.
std::wstring PageText(const std::vector<HistoryPiece>& pieces) {
    std::wstring text;
    for (const HistoryPiece& piece : pieces) {
        if (piece.kind == HistoryPiece::kPicture) {
            text += L'\xFFFC';
            continue;
        }
        for (size_t i = 0; i < piece.text.size(); ++i) {
            const wchar_t c = piece.text[i];
            if (c == L'\r' && i + 1 < piece.text.size() && piece.text[i + 1] == L'\n') continue;
            text += c == L'\n' ? L'\r' : c;
        }
    }
    return text;
}

std::string PageRtf(const std::vector<HistoryPiece>& pieces, const std::string& defaultFace, int defaultPoints,
                    const std::wstring& highlight, std::vector<long>* pictureAt) {
    std::vector<std::string> faces = {defaultFace};
    std::vector<COLORREF> colours = {CHistoryPageBook::kHitColour};
    const std::vector<std::pair<size_t, size_t>> hits = CHistoryPageBook::KeywordRanges(PageText(pieces), highlight);
    std::string body;
    TextWriter writer(body, hits, 1);
    for (const HistoryPiece& piece : pieces) {
        if (piece.kind == HistoryPiece::kPicture) {
            if (pictureAt) pictureAt->push_back(writer.Position());
            body += "{\\f0 ?}";  // the picture's stand-in
            writer.Skip();
            continue;
        }
        size_t face = 0;
        int points = defaultPoints;
        COLORREF colour = piece.colour;
        uint8_t effects = 0;
        if (piece.kind == HistoryPiece::kColoured) {
            if (piece.sizePoints > 0) points = piece.sizePoints;
        } else {
            if (piece.font.face[0] != '\0') face = IndexOf(faces, std::string(piece.font.face));
            if (piece.font.size != 0) points = piece.font.size;
            colour = static_cast<COLORREF>(piece.font.colour);
            effects = piece.font.effects;
        }
        const size_t colourIndex = IndexOf(colours, colour) + 1;  // entry 0 is the automatic colour
        body += "{\\f" + std::to_string(face) + "\\fs" + std::to_string(points * 2) + "\\cf" +
                std::to_string(colourIndex);
        body += (effects & clientui::kChatFontBold) ? "\\b" : "\\b0";
        body += (effects & clientui::kChatFontItalic) ? "\\i" : "\\i0";
        body += (effects & clientui::kChatFontUnderline) ? "\\ul " : "\\ulnone ";
        writer.Write(piece.text);
        body += "}";
    }
    // Faces in the code page of the clients (GB2312 charset).
    std::string out = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl";
    for (size_t i = 0; i < faces.size(); ++i) {
        out += "{\\f" + std::to_string(i) + "\\fnil\\fcharset134 ";
        AppendHexBytes(out, faces[i]);
        out += ";}";
    }
    out += "}{\\colortbl;";
    for (COLORREF c : colours)
        out += "\\red" + std::to_string(GetRValue(c)) + "\\green" + std::to_string(GetGValue(c)) + "\\blue" +
               std::to_string(GetBValue(c)) + ";";
    out += "}\n" + body + "}";
    return out;
}

bool WritePage(CMyRichEditCtrl& log, const std::vector<HistoryPiece>& pieces,
               const clientui::IAnsiCodePage& codePage, const std::wstring& highlight,
               const std::function<bool(const std::wstring&)>& insertPicture) {
    if (!log.GetHwnd()) return false;
    CHARFORMATW standard = {};
    standard.cbSize = sizeof(standard);
    log.SendMessage(EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&standard));
    const int points = standard.yHeight > 0 ? static_cast<int>((standard.yHeight + 10) / 20) : 9;
    std::vector<long> pictures;
    const std::string rtf = PageRtf(pieces, codePage.ToAnsi(standard.szFaceName), points, highlight, &pictures);
    StreamSource source = {&rtf, 0};
    EDITSTREAM stream = {};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = &ReadStream;
    log.SendMessage(EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    if (stream.dwError != 0) return false;
    // Each picture in place of its stand-in; a stand-in that no picture
    // replaced is taken out (and the later ones move up).
    size_t index = 0;
    long removed = 0;
    for (const HistoryPiece& piece : pieces) {
        if (piece.kind != HistoryPiece::kPicture) continue;
        const long at = pictures[index++] - removed;
        log.SetSel(at, at + 1);
        if (insertPicture && insertPicture(piece.name)) continue;
        log.SetSel(at, at + 1);
        log.ReplaceSel(std::wstring());
        ++removed;
    }
    log.SetSelEnd();
    return true;
}

}  // namespace historylog
