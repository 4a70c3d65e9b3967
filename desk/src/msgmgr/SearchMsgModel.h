// CSearchMsgModel: what the message search tab (CSearchMsgView) decides,
// without a window: the request it sends to the server's archive, the state
// of a search (waiting for input, searching, done, timed out) with its
// status text, the rows of the results with the parties' names, and the
// pair that a double click on a row opens in the message records tab.
//
// A search may start from any state; the button is off only while a search
// runs. A result that comes after the time-out is still shown.
//
// UI thread only.
#pragma once

#include "clientui/EngineModule.h"

#include "IAnsiCodePage.h"

#include <ImEngineApi.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct SearchResultRow {
    std::wstring sender;
    std::wstring receiver;
    std::wstring time;  // "%d-%02d-%02d %02d:%02d:%02d"
    std::wstring text;
};

class CSearchMsgModel {
public:
    enum State : int32_t { kWaiting = 0, kSearching = 1, kDone = 2, kTimedOut = 3 };
    enum class Start { kSent, kEndBeforeStart, kNoKeyword };
    static constexpr size_t kMaxKeywordBytes = sizeof(MsgSearchRequest::keywords) - 1;  // 63

    CSearchMsgModel(const CEngineModule& engine, const clientui::IAnsiCodePage& codePage);

    // The search button, or Enter in the keyword box: the dates yyyymmdd
    // and the box's text. Sends the request unless the end lies before the
    // start or no keyword is left after trimming.
    Start StartSearch(int32_t startDate, int32_t endDate, const std::wstring& keywords);
    // Ten seconds without an answer.
    void OnTimeout();
    // NOTIFY_SEARCHRESULT: the engine's results (replacing any before).
    void OnResults(const std::vector<MsgSearchResult>& results);

    State GetState() const { return m_state; }
    std::wstring StatusText() const;
    bool SearchButtonEnabled() const { return m_state != kSearching; }
    const std::vector<MsgSearchResult>& Results() const { return m_results; }
    const MsgSearchRequest& LastRequest() const { return m_request; }
    // The rows of the results: a customer is named by its full name, anyone
    // else (and a customer without a full name yet) by the nickname; a user
    // the engine does not know yet, or without any name, by its id (the
    // information of an unknown user is asked for).
    std::vector<SearchResultRow> Rows() const;
    // A double click on row: the agent and the customer of its message
    // (the sender is the customer when its user type says so, or, while the
    // engine does not know the sender, when the receiver is no customer);
    // false for a row that is not there.
    bool PairOf(int row, int32_t* agent, int32_t* customer) const;

    // The request for the dates and the keyword text: trimmed, in the ANSI
    // code page, cut to 63 bytes on a character boundary.
    static MsgSearchRequest BuildRequest(int32_t startDate, int32_t endDate, const std::wstring& keywords,
                                         const clientui::IAnsiCodePage& codePage);
    static std::wstring Trim(const std::wstring& text);
    static std::wstring TimeText(int32_t date, int32_t hhmmss);
    static int32_t DateOf(const SYSTEMTIME& time) { return time.wYear * 10000 + time.wMonth * 100 + time.wDay; }

private:
    std::wstring PartyName(int32_t userId) const;

    const CEngineModule& m_engine;
    const clientui::IAnsiCodePage& m_codePage;
    State m_state = kWaiting;
    std::vector<MsgSearchResult> m_results;
    MsgSearchRequest m_request = {};
};
