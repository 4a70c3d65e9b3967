// CHistoryPageBook: the records of one history file cut into pages of 60,
// and what one page shows: a date line whenever the date changes, a coloured
// header per message, the message's own font and its picture. It also finds
// the records that hold a keyword and shows those hits a page at a time. It
// holds no window, so the history views (the conversation's history pane
// and the message records tab) render what it gives and a test reads it.
//
// The file is read with one read into one block of bytes and indexed once
// (where each record starts); a page or a search walks the index, and only
// the records shown are taken apart.
//
// Pages: page 1 holds the oldest records (the count modulo 60, or 60), the
// last page the 60 newest; only pages 1 to the page count exist. The
// records are those that the bytes of the file hold: a count in the header
// that promises more is cut to the whole records present.
#pragma once

#include "clientui/HistoryFile.h"
#include "ChatFontSpec.h"
#include "MessageParser.h"
#include "SystemAnsiCodePage.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// One piece of a shown page, in order.
struct HistoryPiece {
    enum Kind {
        kColoured,   // text in colour, size sizePoints (date lines, headers)
        kFormatted,  // message text in the message's own font
        kPicture,    // a picture: name is its file name
    };
    Kind kind = kColoured;
    std::wstring text;
    COLORREF colour = 0;
    int sizePoints = 0;           // 0: the log's own size
    clientui::ChatFontSpec font;  // kFormatted
    std::wstring name;            // kPicture
};

class CHistoryPageBook {
public:
    static constexpr int kRecordsPerPage = 60;
    static constexpr COLORREF kDateColour = 0xFF0000;     // blue
    static constexpr COLORREF kOtherColour = 0xFF0000;    // blue
    static constexpr COLORREF kOwnColour = 0x408000;      // dark green
    static constexpr COLORREF kHitColour = 0x0000FF;      // red
    static constexpr int kHeaderPoints = 10;

    // The display name of a user id; false when the id is unknown.
    using NameLookup = std::function<bool(int32_t userId, std::wstring* name)>;

    // How a view shows its pages.
    struct Style {
        // Size of the date lines and headers; 0 keeps the log's own size.
        int headerPoints = kHeaderPoints;
        // The name of the agent who answered for the sender; empty: the
        // sender's lookup.
        NameLookup agentNames;
    };

    CHistoryPageBook();

    // Reads the file at path. False (and nothing loaded) when it is missing,
    // its header is short, its marker is wrong (the file is moved aside) or
    // its data cannot be read.
    bool Load(const std::wstring& path);
    // Takes the records directly (tests, or a caller that read them).
    void SetRecords(const std::vector<HistoryRecord>& records);
    void Clear();

    bool IsLoaded() const { return m_loaded; }
    int GetRecordCount() const { return static_cast<int>(m_starts.size()); }
    // ceil(count / 60), at least 1 once loaded; 0 while nothing is loaded.
    int GetPageCount() const;
    // Whether the last load found the bytes ending inside a record.
    bool WasDamaged() const { return m_damaged; }
    int GetLastLoadResult() const { return m_lastResult; }
    // What the user is told about the file of the last load: that it could
    // not be read, wholly or after its first records, and where a damaged
    // copy of it lies aside. Empty when it was read whole (or is not there)
    // and no copy lies aside.
    const std::wstring& GetDamageNotice() const { return m_notice; }
    // The notice for a load's result (HISTORY_...), whether the bytes ended
    // inside a record, and the name of the damaged copy kept aside (a file
    // name, or empty).
    static std::wstring DamageNoticeFor(int result, bool partlyRead, const std::wstring& asideName);
    // The notice as it stands under the records of a page (or alone): red,
    // in the log's size, on a line of its own.
    static HistoryPiece NoticePiece(const std::wstring& notice);
    // Record index (0 = the oldest), taken from the bytes.
    HistoryRecord GetRecord(int index) const;
    const MsgFileHeader& GetHeader() const { return m_header; }

    // [start, end) of page (1 to the page count) among count records; false
    // for a page that does not exist.
    static int PageCountFor(int count);
    static bool PageRange(int count, int page, int* start, int* end);

    // The pieces of page, oldest record first; empty for a page that does
    // not exist. ownId colours the own messages; names looks the senders up.
    std::vector<HistoryPiece> BuildPage(int page, int32_t ownId, const NameLookup& names) const;
    std::vector<HistoryPiece> BuildPage(int page, int32_t ownId, const NameLookup& names, const Style& style) const;
    // The pieces of one record after the date line check.
    void AppendRecord(const HistoryRecord& record, int32_t ownId, const NameLookup& names, int32_t* lastDate,
                      std::vector<HistoryPiece>& pieces) const;

    static std::wstring DashLine();
    static std::wstring DateText(int32_t date);
    static std::wstring HeaderText(const std::wstring& name, const std::wstring* agent, int32_t time);
    // The header of a search hit: the date beside the time.
    static std::wstring HitHeaderText(const std::wstring& name, const std::wstring* agent, int32_t date,
                                      int32_t time);

    // The keyword rules of the history views' search. A record matches when
    // its shown text (prefix off, picture left out) contains the keyword,
    // case-sensitive; an empty keyword matches every record.
    bool RecordMatches(const HistoryRecord& record, const std::wstring& keyword) const;
    // The indexes of every record that matches, oldest first.
    std::vector<int> FindRecords(const std::wstring& keyword) const;
    // Page (1 to PageCountFor(hits)) of the hits, as the search shows it:
    // a header with the date and time per record, always blue, no date
    // lines. Empty for a page that does not exist.
    std::vector<HistoryPiece> BuildHitPage(const std::vector<int>& hits, int page, const NameLookup& names,
                                           const Style& style) const;
    // Where the keyword stands in text, each search starting after the end of
    // the last one found; an empty keyword gives nothing to highlight.
    static std::vector<std::pair<size_t, size_t>> KeywordRanges(const std::wstring& text,
                                                                 const std::wstring& keyword);

    // The search of the messenger's history manager: FindRecords, keeping
    // only the records dated on or after fromDate (yyyymmdd; 0 keeps every
    // date).
    std::vector<int> FindRecordsSince(const std::wstring& keyword, int32_t fromDate) const;
    // The index of the oldest record dated date (yyyymmdd); -1 when no record
    // has that date.
    int FindFirstRecordOn(int32_t date) const;
    // The page (1 to PageCountFor(count)) that holds record index among
    // count records; 0 for an index outside them.
    static int PageOfRecord(int count, int index);

private:
    clientui::ParsedMessage ParseText(const HistoryRecord& record) const;
    clientui::ParsedMessage ParseText(const char* text, size_t length) const;
    bool BodyMatches(const clientui::ParsedMessage& message, const std::wstring& keyword) const;
    // Whether the size bytes at `at` in a record's text field (length
    // bytes) are certainly shown text, without taking the text apart: the
    // text has no picture tag, and they lie in its body and start a
    // character of the code page. False when unsure (the caller then takes
    // the text apart).
    static bool BytesShownAt(const char* text, size_t length, const char* at, size_t size);
    void AppendStyledRecord(const HistoryRecord& record, int32_t ownId, const NameLookup& names,
                            const NameLookup& agents, int points, int32_t* lastDate,
                            std::vector<HistoryPiece>& pieces) const;
    void AppendHeaderAndText(const HistoryRecord& record, const std::wstring& header, COLORREF colour,
                             const std::wstring& indent, int points, std::vector<HistoryPiece>& pieces) const;
    std::wstring NameOf(int32_t id, const NameLookup& names) const;

    clientui::CSystemAnsiCodePage m_codePage;
    clientui::CMessageParser m_parser{m_codePage};
    MsgFileHeader m_header = {};
    std::vector<uint8_t> m_bytes;     // the file after its header
    std::vector<uint32_t> m_starts;   // where each whole record starts in m_bytes
    bool m_loaded = false;
    std::wstring m_notice;
    bool m_damaged = false;
    int m_lastResult = HISTORY_OK;
};
