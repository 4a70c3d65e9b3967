#include "HistoryPageBook.h"

#include "fw/StringUtil.h"

CHistoryPageBook::CHistoryPageBook() = default;

bool CHistoryPageBook::Load(const std::wstring& path) {
    Clear();
    std::vector<HistoryRecord> records;
    bool damaged = false;
    m_lastResult = LoadWholeHistoryFile(path, records, &damaged);
    if (m_lastResult != HISTORY_OK) return false;
    m_records = std::move(records);
    m_damaged = damaged;
    m_loaded = true;
    return true;
}

void CHistoryPageBook::SetRecords(std::vector<HistoryRecord> records) {
    m_records = std::move(records);
    m_loaded = true;
    m_damaged = false;
    m_lastResult = HISTORY_OK;
}

void CHistoryPageBook::Clear() {
    m_records.clear();
    m_loaded = false;
    m_damaged = false;
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

std::wstring CHistoryPageBook::HeaderText(const std::wstring& name, const std::wstring* agent, int32_t time) {
    const int hh = time / 10000000;
    const int mm = (time / 1000) % 10000 / 100;
    const int ss = (time / 1000) % 100;
    if (agent) {
        return fw::FormatString(L"%ls(%ls\u4EE3\u56DE\u590D)  %02d:%02d:%02d\n", name.c_str(), agent->c_str(), hh, mm,
                                ss);
    }
    return fw::FormatString(L"%ls  %02d:%02d:%02d\n", name.c_str(), hh, mm, ss);
}

clientui::ParsedMessage CHistoryPageBook::ParseText(const HistoryRecord& record) const {
    // The history starts from the all-zero font: what the prefix does not
    // say stays the rich edit's own.
    const clientui::ChatFontSpec preset;
    return m_parser.Parse(record.text.data(), record.text.size(), preset);
}

void CHistoryPageBook::AppendRecord(const HistoryRecord& record, int32_t ownId, const NameLookup& names,
                                    int32_t* lastDate, std::vector<HistoryPiece>& pieces) const {
    auto coloured = [&pieces](std::wstring text, COLORREF colour) {
        HistoryPiece piece;
        piece.kind = HistoryPiece::kColoured;
        piece.text = std::move(text);
        piece.colour = colour;
        piece.sizePoints = kHeaderPoints;
        pieces.push_back(std::move(piece));
    };
    if (record.date != *lastDate) {
        coloured(DashLine(), kDateColour);
        coloured(DateText(record.date), kDateColour);
        coloured(DashLine(), kDateColour);
        *lastDate = record.date;
    }
    auto nameOf = [&names](int32_t id) {
        std::wstring name;
        if (!names || !names(id, &name) || name.empty()) name = fw::FormatString(L"%d", id);
        return name;
    };
    const std::wstring sender = nameOf(record.senderId);
    const COLORREF colour = (record.senderId == ownId) ? kOwnColour : kOtherColour;
    if (record.extraId != 0) {
        const std::wstring agent = nameOf(record.extraId);
        coloured(HeaderText(sender, &agent, record.time), colour);
    } else {
        coloured(HeaderText(sender, nullptr, record.time), colour);
    }
    coloured(L"    ", colour);

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

std::vector<HistoryPiece> CHistoryPageBook::BuildPage(int page, int32_t ownId, const NameLookup& names) const {
    std::vector<HistoryPiece> pieces;
    int start = 0;
    int end = 0;
    if (!m_loaded || !PageRange(GetRecordCount(), page, &start, &end)) return pieces;
    int32_t lastDate = 0;
    for (int index = start; index < end; ++index) {
        AppendRecord(m_records[static_cast<size_t>(index)], ownId, names, &lastDate, pieces);
    }
    return pieces;
}

bool CHistoryPageBook::RecordMatches(const HistoryRecord& record, const std::wstring& keyword) const {
    if (keyword.empty()) return true;
    const clientui::ParsedMessage message = ParseText(record);
    if (!message.picture.present) return message.body.find(keyword) != std::wstring::npos;
    return message.TextBeforePicture().find(keyword) != std::wstring::npos ||
           message.TextAfterPicture().find(keyword) != std::wstring::npos;
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
