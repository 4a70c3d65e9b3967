#include "HistoryPageBook.h"

#include "MessageMarkup.h"

#include "fw/StringUtil.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <numeric>

namespace {

int32_t ReadWord(const uint8_t* p) {
    int32_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

}  // namespace

CHistoryPageBook::CHistoryPageBook() = default;

bool CHistoryPageBook::Load(const std::wstring& path) {
    // The blocks of the last read are read into again: reading the same
    // history again (a reload) or one of a similar size takes no fresh
    // memory, which for a large history costs more than the read itself.
    std::vector<uint8_t> bytes = std::move(m_bytes);
    std::vector<uint32_t> starts = std::move(m_starts);
    Clear();
    bytes.clear();
    starts.clear();
    MsgFileHeader header = {};
    m_lastResult = ReadHistoryFileBytes(path, header, bytes);
    const std::wstring aside = LatestAsideName(path);
    const std::wstring asideName = aside.substr(aside.find_last_of(L'\\') + 1);
    if (m_lastResult != HISTORY_OK) {
        m_notice = DamageNoticeFor(m_lastResult, false, asideName);
        return false;  // the blocks go with the history shown
    }
    const bool whole = IndexHistoryRecords(bytes.data(), bytes.size(), header.count, starts);
    m_notice = DamageNoticeFor(m_lastResult, !whole, asideName);
    // Blocks far larger than this history are given back.
    if (bytes.capacity() / 4 > bytes.size()) bytes.shrink_to_fit();
    if (starts.capacity() / 4 > starts.size()) starts.shrink_to_fit();
    m_header = header;
    m_bytes = std::move(bytes);
    m_starts = std::move(starts);
    m_damaged = !whole;
    m_loaded = true;
    return true;
}

void CHistoryPageBook::SetRecords(const std::vector<HistoryRecord>& records) {
    Clear();
    for (const HistoryRecord& r : records) {
        MsgRecordHead head = {};
        head.type = r.type;
        head.date = r.date;
        head.time = r.time;
        head.senderId = r.senderId;
        head.receiverId = r.receiverId;
        head.extraId = r.extraId;
        head.textLength = static_cast<int32_t>(r.text.size());
        head.minusOne = r.marker;
        head.extraLength = 0;
        m_starts.push_back(static_cast<uint32_t>(m_bytes.size()));
        const uint8_t* p = reinterpret_cast<const uint8_t*>(&head);
        m_bytes.insert(m_bytes.end(), p, p + sizeof head);
        m_bytes.insert(m_bytes.end(), r.text.begin(), r.text.end());
    }
    m_header.count = static_cast<int32_t>(records.size());
    m_header.marker = MSG_FILE_MARKER;
    m_loaded = true;
    m_lastResult = HISTORY_OK;
}

void CHistoryPageBook::Clear() {
    m_header = MsgFileHeader{};
    m_bytes.clear();
    m_bytes.shrink_to_fit();
    m_starts.clear();
    m_starts.shrink_to_fit();
    m_loaded = false;
    m_damaged = false;
    m_notice.clear();
}

std::wstring CHistoryPageBook::DamageNoticeFor(int result, bool partlyRead, const std::wstring& asideName) {
    std::wstring notice;
    switch (result) {
    case HISTORY_OK:
        // "消息记录文件已损坏，只显示了其中能读取的消息。"
        if (partlyRead)
            notice = L"\u6D88\u606F\u8BB0\u5F55\u6587\u4EF6\u5DF2\u635F\u574F\uFF0C\u53EA\u663E\u793A\u4E86"
                     L"\u5176\u4E2D\u80FD\u8BFB\u53D6\u7684\u6D88\u606F\u3002";
        break;
    case HISTORY_NO_ID:
    case HISTORY_OPEN_FAILED:   // not there (or moved aside before)
    case HISTORY_BAD_MARKER:    // moved aside now: the name below says where
    case HISTORY_NOTHING_NEWER:
        break;
    default:
        // The file is there but cannot be read: "消息记录文件已损坏，无法读取。"
        notice = L"\u6D88\u606F\u8BB0\u5F55\u6587\u4EF6\u5DF2\u635F\u574F\uFF0C\u65E0\u6CD5\u8BFB\u53D6\u3002";
        break;
    }
    if (!asideName.empty()) {
        // "损坏的消息记录文件已另存为“%ls”，其中的消息无法显示。"
        if (!notice.empty()) notice += L"\n";
        notice += fw::FormatString(L"\u635F\u574F\u7684\u6D88\u606F\u8BB0\u5F55\u6587\u4EF6\u5DF2\u53E6\u5B58\u4E3A"
                                   L"\u201C%ls\u201D\uFF0C\u5176\u4E2D\u7684\u6D88\u606F\u65E0\u6CD5\u663E\u793A\u3002",
                                   asideName.c_str());
    }
    return notice;
}

HistoryPiece CHistoryPageBook::NoticePiece(const std::wstring& notice) {
    HistoryPiece piece;
    piece.kind = HistoryPiece::kColoured;
    piece.text = notice + L"\n";
    piece.colour = kHitColour;
    return piece;
}

HistoryRecord CHistoryPageBook::GetRecord(int index) const {
    if (index < 0 || index >= GetRecordCount()) return HistoryRecord();
    return HistoryRecordAt(m_bytes.data(), m_starts[static_cast<size_t>(index)]);
}

int CHistoryPageBook::PageCountFor(int count) {
    if (count <= 0) return 1;
    return (count + kRecordsPerPage - 1) / kRecordsPerPage;
}

int CHistoryPageBook::GetPageCount() const { return m_loaded ? PageCountFor(GetRecordCount()) : 0; }

bool CHistoryPageBook::PageRange(int count, int page, int* start, int* end) {
    if (count < 0) count = 0;
    const int pages = PageCountFor(count);
    if (page < 1 || page > pages) return false;
    if (page == 1) {
        const int first = count % kRecordsPerPage;
        *start = 0;
        *end = (first == 0) ? (count < kRecordsPerPage ? count : kRecordsPerPage) : first;
        return true;
    }
    const int e = count - (pages - page) * kRecordsPerPage;
    *start = e - kRecordsPerPage;
    *end = e;
    return true;
}

std::wstring CHistoryPageBook::DashLine() { return std::wstring(58, L'-') + L"\n"; }

std::wstring CHistoryPageBook::DateText(int32_t date) {
    return fw::FormatString(L"\u65E5\u671F\uFF1A%d-%02d-%02d\n", date / 10000, date % 10000 / 100, date % 100);
}

namespace {

struct ClockTime {
    int hh, mm, ss;
};

ClockTime ClockOf(int32_t time) { return {time / 10000000, (time / 1000) % 10000 / 100, (time / 1000) % 100}; }

}  // namespace

std::wstring CHistoryPageBook::HeaderText(const std::wstring& name, const std::wstring* agent, int32_t time) {
    const ClockTime t = ClockOf(time);
    if (agent) {
        return fw::FormatString(L"%ls(%ls\u4EE3\u56DE\u590D)  %02d:%02d:%02d\n", name.c_str(), agent->c_str(), t.hh,
                                t.mm, t.ss);
    }
    return fw::FormatString(L"%ls  %02d:%02d:%02d\n", name.c_str(), t.hh, t.mm, t.ss);
}

std::wstring CHistoryPageBook::HitHeaderText(const std::wstring& name, const std::wstring* agent, int32_t date,
                                             int32_t time) {
    const ClockTime t = ClockOf(time);
    const int year = date / 10000, month = date % 10000 / 100, day = date % 100;
    if (agent) {
        return fw::FormatString(L"%ls(%ls\u4EE3\u56DE\u590D)  %d-%02d-%02d  %02d:%02d:%02d\n", name.c_str(),
                                agent->c_str(), year, month, day, t.hh, t.mm, t.ss);
    }
    return fw::FormatString(L"%ls  %d-%02d-%02d  %02d:%02d:%02d\n", name.c_str(), year, month, day, t.hh, t.mm,
                            t.ss);
}

clientui::ParsedMessage CHistoryPageBook::ParseText(const char* text, size_t length) const {
    // The history starts from the all-zero font: what the prefix does not
    // say stays the rich edit's own.
    const clientui::ChatFontSpec preset;
    clientui::ParsedMessage message = m_parser.Parse(text, length, preset);
    // A picture said to stand beyond the end of its text is no picture.
    if (message.picture.present && message.picture.pastBody) message.picture = clientui::PictureTag();
    return message;
}

clientui::ParsedMessage CHistoryPageBook::ParseText(const HistoryRecord& record) const {
    return ParseText(record.text.data(), record.text.size());
}

std::wstring CHistoryPageBook::NameOf(int32_t id, const NameLookup& names) const {
    std::wstring name;
    if (!names || !names(id, &name) || name.empty()) name = fw::FormatString(L"%d", id);
    return name;
}

void CHistoryPageBook::AppendHeaderAndText(const HistoryRecord& record, const std::wstring& header, COLORREF colour,
                                           const std::wstring& indent, int points,
                                           std::vector<HistoryPiece>& pieces) const {
    auto coloured = [&pieces, colour, points](std::wstring text) {
        HistoryPiece piece;
        piece.kind = HistoryPiece::kColoured;
        piece.text = std::move(text);
        piece.colour = colour;
        piece.sizePoints = points;
        pieces.push_back(std::move(piece));
    };
    coloured(header);
    coloured(indent);

    const clientui::ParsedMessage message = ParseText(record);
    auto formatted = [&pieces, &message](std::wstring text) {
        HistoryPiece piece;
        piece.kind = HistoryPiece::kFormatted;
        piece.text = std::move(text);
        piece.font = message.font;
        pieces.push_back(std::move(piece));
    };
    if (!message.picture.present) {
        formatted(message.body + L"\n");
        return;
    }
    formatted(message.TextBeforePicture());
    HistoryPiece picture;
    picture.kind = HistoryPiece::kPicture;
    picture.name = message.picture.name;
    pieces.push_back(std::move(picture));
    formatted(message.TextAfterPicture() + L"\r\n");
}

namespace {

void AppendDateLines(int32_t date, int points, std::vector<HistoryPiece>& pieces) {
    for (std::wstring text : {CHistoryPageBook::DashLine(), CHistoryPageBook::DateText(date),
                              CHistoryPageBook::DashLine()}) {
        HistoryPiece piece;
        piece.kind = HistoryPiece::kColoured;
        piece.text = std::move(text);
        piece.colour = CHistoryPageBook::kDateColour;
        piece.sizePoints = points;
        pieces.push_back(std::move(piece));
    }
}

}  // namespace

void CHistoryPageBook::AppendStyledRecord(const HistoryRecord& record, int32_t ownId, const NameLookup& names,
                                          const NameLookup& agents, int points, int32_t* lastDate,
                                          std::vector<HistoryPiece>& pieces) const {
    if (record.date != *lastDate) {
        AppendDateLines(record.date, points, pieces);
        *lastDate = record.date;
    }
    const std::wstring sender = NameOf(record.senderId, names);
    const COLORREF colour = (record.senderId == ownId) ? kOwnColour : kOtherColour;
    std::wstring header;
    if (record.extraId != 0) {
        const std::wstring agent = NameOf(record.extraId, agents);
        header = HeaderText(sender, &agent, record.time);
    } else {
        header = HeaderText(sender, nullptr, record.time);
    }
    AppendHeaderAndText(record, header, colour, L"    ", points, pieces);
}

void CHistoryPageBook::AppendRecord(const HistoryRecord& record, int32_t ownId, const NameLookup& names,
                                    int32_t* lastDate, std::vector<HistoryPiece>& pieces) const {
    AppendStyledRecord(record, ownId, names, names, kHeaderPoints, lastDate, pieces);
}

std::vector<HistoryPiece> CHistoryPageBook::BuildPage(int page, int32_t ownId, const NameLookup& names) const {
    return BuildPage(page, ownId, names, Style());
}

std::vector<HistoryPiece> CHistoryPageBook::BuildPage(int page, int32_t ownId, const NameLookup& names,
                                                      const Style& style) const {
    std::vector<HistoryPiece> pieces;
    int start = 0;
    int end = 0;
    if (!m_loaded || !PageRange(GetRecordCount(), page, &start, &end)) return pieces;
    const NameLookup& agents = style.agentNames ? style.agentNames : names;
    // Every page starts with a date line.
    int32_t lastDate = 0;
    for (int index = start; index < end; ++index)
        AppendStyledRecord(GetRecord(index), ownId, names, agents, style.headerPoints, &lastDate, pieces);
    return pieces;
}

std::vector<HistoryPiece> CHistoryPageBook::BuildHitPage(const std::vector<int>& hits, int page,
                                                         const NameLookup& names, const Style& style) const {
    std::vector<HistoryPiece> pieces;
    int start = 0;
    int end = 0;
    if (!m_loaded || hits.empty() || !PageRange(static_cast<int>(hits.size()), page, &start, &end)) return pieces;
    const NameLookup& agents = style.agentNames ? style.agentNames : names;
    for (int index = start; index < end; ++index) {
        const HistoryRecord record = GetRecord(hits[static_cast<size_t>(index)]);
        const std::wstring sender = NameOf(record.senderId, names);
        std::wstring header;
        if (record.extraId != 0) {
            const std::wstring agent = NameOf(record.extraId, agents);
            header = HitHeaderText(sender, &agent, record.date, record.time);
        } else {
            header = HitHeaderText(sender, nullptr, record.date, record.time);
        }
        // Every hit's header is blue, the own messages' too.
        AppendHeaderAndText(record, header, kOtherColour, L"  ", style.headerPoints, pieces);
    }
    return pieces;
}

bool CHistoryPageBook::BodyMatches(const clientui::ParsedMessage& message, const std::wstring& keyword) const {
    if (keyword.empty()) return true;
    if (!message.picture.present) return message.body.find(keyword) != std::wstring::npos;
    return message.TextBeforePicture().find(keyword) != std::wstring::npos ||
           message.TextAfterPicture().find(keyword) != std::wstring::npos;
}

bool CHistoryPageBook::RecordMatches(const HistoryRecord& record, const std::wstring& keyword) const {
    if (keyword.empty()) return true;
    return BodyMatches(ParseText(record), keyword);
}

bool CHistoryPageBook::BytesShownAt(const char* text, size_t length, const char* at, size_t size) {
    const void* nul = std::memchr(text, '\0', length);
    const char* end = nul ? static_cast<const char*>(nul) : text + length;
    if (at < text || at + size > end) return false;
    // The body follows the format prefix (when the text starts with one
    // that is closed); a "/format>" is found among the bytes as among the
    // characters, since none of its bytes is part of a double-byte one.
    const char* body = text;
    const size_t openSize = std::strlen(clientui::markup::kFormatOpen);
    const size_t closeSize = std::strlen(clientui::markup::kFormatClose);
    if (static_cast<size_t>(end - text) >= openSize && std::memcmp(text, clientui::markup::kFormatOpen, openSize) == 0) {
        const char* close = std::search(text, end, clientui::markup::kFormatClose, clientui::markup::kFormatClose + closeSize);
        if (close != end) body = close + closeSize;
    }
    // A "<" in the body may start a picture tag, which cuts the body.
    if (at < body || std::memchr(body, '<', static_cast<size_t>(end - body))) return false;
    // The bytes start a character: every one before them is a single byte
    // or a well-formed pair of a lead and a trail byte.
    const char* p = body;
    while (p < at) {
        const auto c = static_cast<unsigned char>(*p);
        if (c < 0x80) {
            ++p;
            continue;
        }
        if (!::IsDBCSLeadByte(c) || p + 1 >= end) return false;
        const auto trail = static_cast<unsigned char>(p[1]);
        if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return false;
        p += 2;
    }
    return p == at;
}

std::vector<int> CHistoryPageBook::FindRecords(const std::wstring& keyword) const {
    std::vector<int> hits;
    const int count = GetRecordCount();
    if (count == 0) return hits;
    if (keyword.empty()) {
        hits.resize(static_cast<size_t>(count));
        std::iota(hits.begin(), hits.end(), 0);
        return hits;
    }
    const uint8_t* data = m_bytes.data();
    auto textOf = [this, data](int index, const char** text, size_t* length) {
        const uint8_t* head = data + m_starts[static_cast<size_t>(index)];
        const int32_t extra = ReadWord(head + offsetof(MsgRecordHead, extraLength));
        *text = reinterpret_cast<const char*>(head + sizeof(MsgRecordHead) + extra);
        *length = static_cast<size_t>(ReadWord(head + offsetof(MsgRecordHead, textLength)));
    };
    auto matches = [&](int index) {
        const char* text = nullptr;
        size_t length = 0;
        textOf(index, &text, &length);
        return BodyMatches(ParseText(text, length), keyword);
    };

    // A text shows the keyword only when its bytes hold the keyword's bytes:
    // true for every keyword whose code-page form reads back unchanged and
    // that holds no "?" (what unreadable bytes become). Then one pass over
    // the bytes finds the records worth taking apart; otherwise every record
    // is taken apart.
    const std::string pattern = m_codePage.ToAnsi(keyword);
    const bool filter = !pattern.empty() && keyword.find(L'?') == std::wstring::npos &&
                        m_codePage.FromAnsi(pattern) == keyword;
    if (!filter) {
        for (int index = 0; index < count; ++index)
            if (matches(index)) hits.push_back(index);
        return hits;
    }
    const char* begin = reinterpret_cast<const char*>(data);
    const char* text = nullptr;
    size_t length = 0;
    textOf(count - 1, &text, &length);
    const char* end = text + length;  // the end of the last whole record
    const std::boyer_moore_horspool_searcher<const char*> bytes(pattern.data(), pattern.data() + pattern.size());
    int record = 0;
    const char* at = begin;
    while (at < end) {
        const char* found = std::search(at, end, bytes);
        if (found == end) break;
        const size_t offset = static_cast<size_t>(found - begin);
        while (record + 1 < count && m_starts[static_cast<size_t>(record) + 1] <= offset) ++record;
        textOf(record, &text, &length);
        if (found >= text && found + pattern.size() <= text + length) {
            if (BytesShownAt(text, length, found, pattern.size()) || matches(record)) hits.push_back(record);
            // On to the next record: one hit is enough.
            if (record + 1 >= count) break;
            ++record;
            at = begin + m_starts[static_cast<size_t>(record)];
        } else {
            at = found + 1;
        }
    }
    return hits;
}

std::vector<std::pair<size_t, size_t>> CHistoryPageBook::KeywordRanges(const std::wstring& text,
                                                                        const std::wstring& keyword) {
    std::vector<std::pair<size_t, size_t>> ranges;
    if (keyword.empty()) return ranges;
    size_t from = 0;
    while (from < text.size()) {
        const size_t found = text.find(keyword, from);
        if (found == std::wstring::npos) break;
        ranges.emplace_back(found, found + keyword.size());
        from = found + keyword.size();  // at least one character on
    }
    return ranges;
}

std::vector<int> CHistoryPageBook::FindRecordsSince(const std::wstring& keyword, int32_t fromDate) const {
    std::vector<int> hits = FindRecords(keyword);
    if (fromDate == 0) return hits;
    // Dates are compared as unsigned words: a record with a damaged negative
    // date counts as late, as the files have always been read.
    const uint32_t floor = static_cast<uint32_t>(fromDate);
    const uint8_t* data = m_bytes.data();
    hits.erase(std::remove_if(hits.begin(), hits.end(),
                              [this, data, floor](int index) {
                                  const uint8_t* head = data + m_starts[static_cast<size_t>(index)];
                                  const int32_t date = ReadWord(head + offsetof(MsgRecordHead, date));
                                  return static_cast<uint32_t>(date) < floor;
                              }),
               hits.end());
    return hits;
}

int CHistoryPageBook::FindFirstRecordOn(int32_t date) const {
    const uint8_t* data = m_bytes.data();
    const int count = GetRecordCount();
    for (int index = 0; index < count; ++index) {
        const uint8_t* head = data + m_starts[static_cast<size_t>(index)];
        if (ReadWord(head + offsetof(MsgRecordHead, date)) == date) return index;
    }
    return -1;
}

int CHistoryPageBook::PageOfRecord(int count, int index) {
    if (index < 0 || index >= count) return 0;
    // The last page holds the newest 60; each page before it 60 more.
    return PageCountFor(count) - (count - 1 - index) / kRecordsPerPage;
}
